#include "tests/support/InfluxServer.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "tests/support/IsolatedEnvironment.h"

namespace zrltest {

namespace {

const char* const kInfluxd = "/usr/bin/influxd";

// A port nobody listens on right now (the kernel's pick for port 0).
int freePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return 0;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  close(fd);
  return port;
}

size_t collect(char* data, size_t size, size_t count, void* target) {
  static_cast<std::string*>(target)->append(data, size * count);
  return size * count;
}

// GET or POST `url`; the HTTP status, 0 when there was no answer.
long httpRequest(const std::string& url, const std::string& postBody, std::string& answer,
                 bool csv) {
  CURL* curl = curl_easy_init();
  if (curl == nullptr) return 0;
  curl_slist* headers = nullptr;
  if (csv) headers = curl_slist_append(headers, "Accept: application/csv");
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, 60L);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer);
  if (!postBody.empty()) curl_easy_setopt(curl, CURLOPT_POSTFIELDS, postBody.c_str());
  long status = 0;
  if (curl_easy_perform(curl) == CURLE_OK) curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  curl_slist_free_all(headers);
  curl_easy_cleanup(curl);
  return status;
}

std::string urlEncoded(const std::string& text) {
  char* escaped = curl_easy_escape(nullptr, text.c_str(), static_cast<int>(text.size()));
  std::string out = escaped != nullptr ? escaped : "";
  curl_free(escaped);
  return out;
}

// CSV as the server writes it: quoted cells may hold separators, doubled
// quotes and line breaks.
std::vector<std::vector<std::string>> parseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> row;
  std::string cell;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        cell += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        cell += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      row.push_back(cell);
      cell.clear();
    } else if (c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      row.push_back(cell);
      cell.clear();
      rows.push_back(row);
      row.clear();
    } else {
      cell += c;
    }
  }
  if (!cell.empty() || !row.empty()) {
    row.push_back(cell);
    rows.push_back(row);
  }
  return rows;
}

}  // namespace

InfluxServer::InfluxServer() {
  if (access(kInfluxd, X_OK) != 0) {
    problem_ = "influxd is not installed (Debian package influxdb): database tests skipped";
    return;
  }
  curl_global_init(CURL_GLOBAL_DEFAULT);
  dir_ = makeTempSubdir("influxd");
  port_ = freePort();
  const int rpcPort = freePort();
  const std::string config = dir_ + "/influxd.conf";
  writeFile(config,
            "reporting-disabled = true\n"
            "bind-address = \"127.0.0.1:" + std::to_string(rpcPort) + "\"\n"
            "[meta]\n  dir = \"" + dir_ + "/meta\"\n  logging-enabled = false\n"
            "[data]\n  dir = \"" + dir_ + "/data\"\n  wal-dir = \"" + dir_ + "/wal\"\n"
            "  query-log-enabled = false\n"
            "[monitor]\n  store-enabled = false\n"
            "[http]\n  enabled = true\n  bind-address = \"127.0.0.1:" + std::to_string(port_) +
            "\"\n  log-enabled = false\n"
            "[continuous_queries]\n  enabled = false\n"
            "[subscriber]\n  enabled = false\n");
  const std::string log = dir_ + "/influxd.log";
  pid_ = fork();
  if (pid_ == 0) {
    const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out >= 0) {
      dup2(out, STDOUT_FILENO);
      dup2(out, STDERR_FILENO);
    }
    execl(kInfluxd, kInfluxd, "run", "-config", config.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < deadline) {
    std::string answer;
    if (httpRequest(url() + "/ping", "", answer, false) == 204) return;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      problem_ = "influxd ended at start-up; see " + log;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  stop();
  problem_ = "influxd did not answer /ping within 30 s; see " + log;
}

InfluxServer::~InfluxServer() { stop(); }

namespace {

// Stops the shared server when the tests are over, before the test main
// removes the private directory that holds its files.
class StopAtProgramEnd : public testing::EmptyTestEventListener {
 public:
  explicit StopAtProgramEnd(InfluxServer& server) : server_(server) {}
  void OnTestProgramEnd(const testing::UnitTest&) override { server_.stop(); }

 private:
  InfluxServer& server_;
};

}  // namespace

InfluxServer& InfluxServer::shared() {
  static InfluxServer server;
  static const bool registered = [] {
    testing::UnitTest::GetInstance()->listeners().Append(new StopAtProgramEnd(server));
    return true;
  }();
  (void)registered;
  return server;
}

std::string InfluxServer::url() const { return "http://127.0.0.1:" + std::to_string(port_); }

void InfluxServer::stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  int status = 0;
  for (int i = 0; i < 200 && waitpid(pid_, &status, WNOHANG) == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (waitpid(pid_, &status, WNOHANG) == 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, &status, 0);
  }
  pid_ = -1;
  if (problem_.empty()) problem_ = "influxd was stopped";
}

bool InfluxServer::query(const std::string& database, const std::string& statement,
                         std::vector<std::vector<std::string>>& rows) const {
  std::string answer;
  const long status = httpRequest(url() + "/query?epoch=ms&db=" + urlEncoded(database) +
                                      "&q=" + urlEncoded(statement),
                                  "", answer, true);
  rows = parseCsv(answer);
  return status == 200;
}

bool InfluxServer::createDatabase(const std::string& name) const {
  std::string answer;
  return httpRequest(url() + "/query", "q=" + urlEncoded("CREATE DATABASE \"" + name + "\""),
                     answer, false) == 200;
}

}  // namespace zrltest
