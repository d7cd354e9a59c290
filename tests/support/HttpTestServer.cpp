#include "tests/support/HttpTestServer.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>

namespace zrltest {

namespace {

// Waits up to 50 ms for `events` on `fd`; the caller checks its stop flag
// between waits.
bool ready(int fd, short events) {
  pollfd p{fd, events, 0};
  return poll(&p, 1, 50) > 0;
}

std::string headerValue(const std::string& head, const std::string& lowerName) {
  std::string lower = head;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const std::size_t at = lower.find("\r\n" + lowerName + ":");
  if (at == std::string::npos) return "";
  std::size_t start = at + 3 + lowerName.size();
  while (start < head.size() && head[start] == ' ') ++start;
  return head.substr(start, head.find("\r\n", start) - start);
}

}  // namespace

HttpTestServer::HttpTestServer(Behaviour behaviour, int status, std::string body)
    : behaviour_(behaviour), status_(status), body_(std::move(body)) {
  listenFd_ = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listenFd_ >= 0 && bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      listen(listenFd_, 8) == 0 &&
      getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port_ = ntohs(address.sin_port);
  }
  thread_ = std::thread([this] { serve(); });
}

HttpTestServer::~HttpTestServer() { stop(); }

std::string HttpTestServer::url() const { return "http://127.0.0.1:" + std::to_string(port_); }

void HttpTestServer::stop() {
  stopping_ = true;
  if (thread_.joinable()) thread_.join();
  if (listenFd_ >= 0) close(listenFd_);
  listenFd_ = -1;
}

std::vector<HttpTestServer::Request> HttpTestServer::requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void HttpTestServer::serve() {
  while (!stopping_) {
    if (!ready(listenFd_, POLLIN)) continue;
    const int fd = accept(listenFd_, nullptr, nullptr);
    if (fd < 0) continue;
    converse(fd);
    close(fd);
  }
}

// Requests of one connection, one after the other, until the client closes
// it or the server stops.
void HttpTestServer::converse(int fd) {
  std::string input;
  char buffer[65536];
  for (;;) {
    // Head and body of the next request.
    std::size_t headEnd;
    while ((headEnd = input.find("\r\n\r\n")) == std::string::npos) {
      if (stopping_) return;
      if (!ready(fd, POLLIN)) continue;
      const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) return;
      input.append(buffer, static_cast<std::size_t>(n));
    }
    const std::string head = input.substr(0, headEnd);
    const std::size_t bodyLength =
        std::strtoul(headerValue(head, "content-length").c_str(), nullptr, 10);
    while (input.size() < headEnd + 4 + bodyLength) {
      if (stopping_) return;
      if (!ready(fd, POLLIN)) continue;
      const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) return;
      input.append(buffer, static_cast<std::size_t>(n));
    }
    Request request;
    const std::size_t targetStart = head.find(' ') + 1;
    request.target = head.substr(targetStart, head.find(' ', targetStart) - targetStart);
    request.authorization = headerValue(head, "authorization");
    request.body = input.substr(headEnd + 4, bodyLength);
    input.erase(0, headEnd + 4 + bodyLength);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(request);
    }

    if (behaviour_ == Behaviour::Silent) {
      while (!stopping_) {
        if (ready(fd, POLLIN) && recv(fd, buffer, sizeof buffer, 0) <= 0) return;
      }
      return;
    }
    const int status = status_.load();
    std::string answer = "HTTP/1.1 " + std::to_string(status) + " Test\r\n";
    if (behaviour_ == Behaviour::EndlessBody) {
      answer += "Content-Type: text/plain\r\nConnection: close\r\n\r\n" + body_;
    } else {
      answer += "Content-Type: application/json\r\nContent-Length: " +
                std::to_string(status == 204 ? 0 : body_.size()) + "\r\n\r\n";
      if (status != 204) answer += body_;
    }
    if (send(fd, answer.data(), answer.size(), MSG_NOSIGNAL) < 0) return;
    if (behaviour_ == Behaviour::EndlessBody) {
      const std::string chunk(sizeof buffer, 'x');
      while (!stopping_ && bodyBytesSent_ < kEndlessBodyCap) {
        if (!ready(fd, POLLOUT)) continue;
        const ssize_t n = send(fd, chunk.data(), chunk.size(), MSG_NOSIGNAL);
        if (n < 0) return;
        bodyBytesSent_ += static_cast<uint64_t>(n);
      }
      return;
    }
  }
}

}  // namespace zrltest
