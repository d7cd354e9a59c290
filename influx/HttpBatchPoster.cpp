#include "influx/HttpBatchPoster.h"

#include <curl/curl.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace zrl {

namespace {

void initialiseCurlOnce() {
  // Not thread-safe in libcurl itself; a function-local static makes the
  // first call the only one.
  static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  (void)initialised;
}

size_t keepBody(char* data, size_t size, size_t count, void* target) {
  static_cast<std::string*>(target)->append(data, size * count);
  return size * count;
}

// The server names the reason of a refusal in this header as well as in its
// JSON body; the header needs no JSON reader.
size_t keepErrorHeader(char* data, size_t size, size_t count, void* target) {
  const std::string line(data, size * count);
  const std::string name = "x-influxdb-error:";
  if (line.size() > name.size()) {
    bool match = true;
    for (std::size_t i = 0; i < name.size() && match; ++i) {
      match = std::tolower(static_cast<unsigned char>(line[i])) == name[i];
    }
    if (match) {
      std::string value = line.substr(name.size());
      const auto first = value.find_first_not_of(" \t");
      const auto last = value.find_last_not_of(" \t\r\n");
      *static_cast<std::string*>(target) =
          first == std::string::npos ? std::string() : value.substr(first, last - first + 1);
    }
  }
  return size * count;
}

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace

HttpBatchPoster::HttpBatchPoster(const std::string& url, const std::string& database,
                                 std::function<bool()> cancelled, std::vector<int> retryWaitsMs)
    : cancelled_(std::move(cancelled)), retryWaitsMs_(std::move(retryWaitsMs)),
      username_(environment("INFLUX_USERNAME")), password_(environment("INFLUX_PASSWORD")) {
  initialiseCurlOnce();
  CURL* curl = curl_easy_init();
  curl_ = curl;
  std::string base = url;
  while (!base.empty() && base.back() == '/') base.pop_back();
  writeUrl_ = base + "/write?db=";
  if (curl != nullptr) {
    char* escaped = curl_easy_escape(curl, database.data(), static_cast<int>(database.size()));
    if (escaped != nullptr) {
      writeUrl_ += escaped;
      curl_free(escaped);
    }
  }
  writeUrl_ += "&precision=ms";
  if (curl == nullptr) return;

  // No "Expect: 100-continue" round trip before each large batch.
  headers_ = curl_slist_append(headers_, "Expect:");
  headers_ = curl_slist_append(headers_, "Content-Type: text/plain; charset=utf-8");
  curl_easy_setopt(curl, CURLOPT_URL, writeUrl_.c_str());
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers_);
  curl_easy_setopt(curl, CURLOPT_POST, 1L);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 10L);
  // A server that stops answering mid-batch counts as a lost connection.
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, 60L);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, keepBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &response_);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, keepErrorHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &headerError_);
  if (!username_.empty()) {
    curl_easy_setopt(curl, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
    curl_easy_setopt(curl, CURLOPT_USERNAME, username_.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, password_.c_str());
  }
}

HttpBatchPoster::~HttpBatchPoster() {
  if (curl_ != nullptr) curl_easy_cleanup(static_cast<CURL*>(curl_));
  curl_slist_free_all(headers_);
}

bool HttpBatchPoster::post(const std::string& body) {
  if (postOnce(body)) return true;
  for (int waitMs : retryWaitsMs_) {
    if (!waitBeforeRetry(waitMs)) return false;
    if (postOnce(body)) return true;
  }
  return false;
}

bool HttpBatchPoster::postOnce(const std::string& body) {
  CURL* curl = static_cast<CURL*>(curl_);
  lastStatus_ = 0;
  if (curl == nullptr) {
    lastError_ = "the HTTP client could not be started";
    return false;
  }
  response_.clear();
  headerError_.clear();
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
  curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
  const CURLcode result = curl_easy_perform(curl);
  if (result != CURLE_OK) {
    lastError_ = curl_easy_strerror(result);
    return false;
  }
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &lastStatus_);
  if (lastStatus_ == 204) {
    lastError_.clear();
    return true;
  }
  lastError_ = !headerError_.empty() ? headerError_ : response_;
  while (!lastError_.empty() && (lastError_.back() == '\n' || lastError_.back() == '\r')) {
    lastError_.pop_back();
  }
  return false;
}

bool HttpBatchPoster::waitBeforeRetry(int ms) const {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < until) {
    if (cancelled_ && cancelled_()) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return !(cancelled_ && cancelled_());
}

}  // namespace zrl
