#include "influx/HttpBatchPoster.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace zrl {

namespace {

// Headers are not kept, only scanned; a server sending them without end is
// cut off after this much.
constexpr std::size_t kHeaderBytesRead = 64 * 1024;

void initialiseCurlOnce() {
  // Not thread-safe in libcurl itself; a function-local static makes the
  // first call the only one.
  static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  (void)initialised;
}

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::size_t authorityStart(const std::string& url) {
  const std::size_t schemeEnd = url.find("://");
  return schemeEnd == std::string::npos ? 0 : schemeEnd + 3;
}

std::string lowered(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string durationText(long ms) {
  return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

std::string percentDecoded(CURL* curl, const std::string& text) {
  int length = 0;
  char* decoded = curl_easy_unescape(curl, text.data(), static_cast<int>(text.size()), &length);
  if (decoded == nullptr) return text;
  std::string out(decoded, static_cast<std::size_t>(length));
  curl_free(decoded);
  return out;
}

// A hostile answer must not drive the terminal: control characters other
// than tab and line break are shown as '?'.
void makePrintable(std::string& text) {
  for (char& c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && c != '\t' && c != '\n') || byte == 0x7f) c = '?';
  }
}

}  // namespace

std::string urlWithoutCredentials(const std::string& url) {
  // The last "@" rather than the first one of the host part: a password
  // holding an unencoded "/", "?" or "#" must not show either.
  const std::size_t start = authorityStart(url);
  const std::size_t at = url.rfind('@');
  if (at == std::string::npos || at < start) return url;
  return url.substr(0, start) + url.substr(at + 1);
}

std::string httpUrlProblem(const std::string& url) {
  const std::size_t schemeEnd = url.find("://");
  if (schemeEnd == std::string::npos) return "it must start with http:// or https://";
  const std::string scheme = lowered(url.substr(0, schemeEnd));
  if (scheme != "http" && scheme != "https") {
    return "the scheme \"" + url.substr(0, schemeEnd) + "\" is not supported, only http and https";
  }
  if (url.find_first_of("?#") != std::string::npos) {
    return "a query or fragment (from \"?\" or \"#\" on) is not supported: the database is given "
           "on its own, credentials as user:password@host or in INFLUX_USERNAME and "
           "INFLUX_PASSWORD";
  }
  const std::size_t start = schemeEnd + 3;
  std::size_t end = url.find('/', start);
  if (end == std::string::npos) end = url.size();
  const std::size_t at = url.rfind('@');
  if (at != std::string::npos && at > end) {
    return "an \"@\" after the host is not supported; in a user name or password it is written "
           "%40";
  }
  const std::size_t hostStart = at != std::string::npos && at > start ? at + 1 : start;
  if (hostStart >= end) return "it names no host";
  return "";
}

struct HttpBatchPosterCallbacks {
  static constexpr std::size_t kKept = HttpBatchPoster::kAnswerKept;

  static size_t keepBody(char* data, size_t size, size_t count, void* poster) {
    auto& self = *static_cast<HttpBatchPoster*>(poster);
    const std::size_t length = size * count;
    const std::size_t room = kKept - std::min(kKept, self.response_.size());
    if (length > room) {
      // Returning less than was given ends the transfer: the rest is never
      // read.
      self.response_.append(data, room);
      self.answerCut_ = true;
      return 0;
    }
    self.response_.append(data, length);
    return length;
  }

  // The server names the reason of a refusal in this header as well as in
  // its JSON body; the header needs no JSON reader.
  static size_t keepErrorHeader(char* data, size_t size, size_t count, void* poster) {
    auto& self = *static_cast<HttpBatchPoster*>(poster);
    const std::size_t length = size * count;
    self.headerBytes_ += length;
    if (self.headerBytes_ > kHeaderBytesRead) {
      self.answerCut_ = true;
      return 0;
    }
    const std::string line(data, length);
    const std::string name = "x-influxdb-error:";
    if (line.size() > name.size() && lowered(line.substr(0, name.size())) == name) {
      const std::string value = line.substr(name.size());
      const auto first = value.find_first_not_of(" \t");
      const auto last = value.find_last_not_of(" \t\r\n");
      self.headerError_ = first == std::string::npos
                              ? std::string()
                              : value.substr(first, std::min(last - first + 1, kKept));
    }
    return length;
  }

  // Asked by libcurl about once a second even while nothing arrives. A
  // server that takes the batch and never answers, or stops answering
  // mid-batch, counts as a lost connection.
  static int onProgress(void* poster, curl_off_t, curl_off_t downloaded, curl_off_t,
                        curl_off_t uploaded) {
    auto& self = *static_cast<HttpBatchPoster*>(poster);
    if (self.cancelled_ && self.cancelled_()) return 1;
    const auto now = std::chrono::steady_clock::now();
    if (uploaded != self.uploaded_ || downloaded != self.downloaded_) {
      self.uploaded_ = uploaded;
      self.downloaded_ = downloaded;
      self.lastActivity_ = now;
    } else if (now - self.lastActivity_ >= std::chrono::milliseconds(self.silenceMs_)) {
      self.silent_ = true;
      return 1;
    }
    return 0;
  }
};

HttpBatchPoster::HttpBatchPoster(const std::string& url, const std::string& database,
                                 std::function<bool()> cancelled, std::vector<int> retryWaitsMs,
                                 HttpTimeouts timeouts)
    : cancelled_(std::move(cancelled)),
      retryWaitsMs_(std::move(retryWaitsMs)),
      silenceMs_(timeouts.silenceMs) {
  static_assert(sizeof curlError_ >= CURL_ERROR_SIZE, "libcurl writes this much");
  initialiseCurlOnce();
  CURL* curl = curl_easy_init();
  curl_ = curl;
  std::string base = urlWithoutCredentials(url);
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

  // Credentials in the address are taken out of it (so no message can show
  // them) and sent the same way as those of the environment.
  const std::size_t start = authorityStart(url);
  const std::size_t at = url.rfind('@');
  if (at != std::string::npos && at >= start) {
    const std::string userInfo = url.substr(start, at - start);
    const std::size_t colon = userInfo.find(':');
    username_ = percentDecoded(curl, userInfo.substr(0, colon));
    if (colon != std::string::npos) password_ = percentDecoded(curl, userInfo.substr(colon + 1));
  } else {
    username_ = environment("INFLUX_USERNAME");
    password_ = environment("INFLUX_PASSWORD");
  }

  // No "Expect: 100-continue" round trip before each large batch.
  headers_ = curl_slist_append(headers_, "Expect:");
  headers_ = curl_slist_append(headers_, "Content-Type: text/plain; charset=utf-8");
  curl_easy_setopt(curl, CURLOPT_URL, writeUrl_.c_str());
#if LIBCURL_VERSION_NUM >= 0x075500
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
#else
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS, static_cast<long>(CURLPROTO_HTTP | CURLPROTO_HTTPS));
#endif
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers_);
  curl_easy_setopt(curl, CURLOPT_POST, 1L);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, curlError_);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, timeouts.connectMs);
  // Cancels and the silence limit are checked from the progress callback
  // (the library's own low-speed limit averages over several seconds).
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, HttpBatchPosterCallbacks::onProgress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, HttpBatchPosterCallbacks::keepBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, HttpBatchPosterCallbacks::keepErrorHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, this);
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
  Attempt attempt = postOnce(body);
  for (int waitMs : retryWaitsMs_) {
    if (attempt != Attempt::Failed) break;
    if (!waitBeforeRetry(waitMs)) return false;
    attempt = postOnce(body);
  }
  return attempt == Attempt::Written;
}

HttpBatchPoster::Attempt HttpBatchPoster::postOnce(const std::string& body) {
  CURL* curl = static_cast<CURL*>(curl_);
  lastStatus_ = 0;
  if (curl == nullptr) {
    lastError_ = "the HTTP client could not be started";
    return Attempt::Failed;
  }
  response_.clear();
  headerError_.clear();
  headerBytes_ = 0;
  answerCut_ = false;
  curlError_[0] = '\0';
  uploaded_ = 0;
  downloaded_ = 0;
  lastActivity_ = std::chrono::steady_clock::now();
  silent_ = false;
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
  curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
  const CURLcode result = curl_easy_perform(curl);
  if (result != CURLE_OK && !(result == CURLE_WRITE_ERROR && answerCut_)) {
    if (result == CURLE_ABORTED_BY_CALLBACK && silent_) {
      lastError_ = "nothing received for " + durationText(silenceMs_);
      return Attempt::TimedOut;
    }
    if (result == CURLE_OPERATION_TIMEDOUT) {
      // The library's own text says which limit was reached.
      lastError_ = curlError_[0] != '\0' ? curlError_ : curl_easy_strerror(result);
      return Attempt::TimedOut;
    }
    lastError_ = curl_easy_strerror(result);
    return Attempt::Failed;
  }
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &lastStatus_);
  if (lastStatus_ == 204 && !answerCut_) {
    lastError_.clear();
    return Attempt::Written;
  }
  lastError_ = !headerError_.empty() ? headerError_ : response_;
  while (!lastError_.empty() && (lastError_.back() == '\n' || lastError_.back() == '\r')) {
    lastError_.pop_back();
  }
  makePrintable(lastError_);
  if (answerCut_) lastError_ += " [rest of the answer not read]";
  return Attempt::Failed;
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
