// A misbehaving HTTP server on 127.0.0.1 for the database output's tests:
// it reads each request on its own thread and answers in one of a few
// fixed ways. stop() (and the destructor) closes every connection, which
// also frees a client that is still waiting.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zrltest {

class HttpTestServer {
 public:
  enum class Behaviour {
    Answer,       // `status` with `body`, then the connection stays open
    Silent,       // reads the request and never answers
    EndlessBody,  // `status`, `body`, then more body until the client goes
  };
  struct Request {
    std::string target;         // "/write?db=..."
    std::string authorization;  // the header's value, "" when absent
    std::string body;
  };

  // The connection ends after this much of an endless body even when the
  // client reads on, so that a client without a limit fails instead of
  // filling the machine.
  static constexpr uint64_t kEndlessBodyCap = 64ull << 20;

  explicit HttpTestServer(Behaviour behaviour, int status = 204, std::string body = "");
  ~HttpTestServer();
  HttpTestServer(const HttpTestServer&) = delete;
  HttpTestServer& operator=(const HttpTestServer&) = delete;

  std::string url() const;  // "http://127.0.0.1:<port>"
  void stop();
  // Later requests are answered with `status` (a server that comes back).
  void answerWith(int status) { status_.store(status); }

  std::vector<Request> requests() const;  // complete requests so far
  uint64_t bodyBytesSent() const { return bodyBytesSent_.load(); }

 private:
  void serve();
  void converse(int fd);

  Behaviour behaviour_;
  std::atomic<int> status_;
  std::string body_;
  int listenFd_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<uint64_t> bodyBytesSent_{0};
  mutable std::mutex mutex_;
  std::vector<Request> requests_;
  std::thread thread_;
};

}  // namespace zrltest
