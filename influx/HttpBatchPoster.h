// Sends batches of protocol lines to one database of a time-series server:
// POST <url>/write?db=<database>&precision=ms over libcurl, keeping the
// connection open between batches. https uses the system's certificates.
//
// A batch counts as written only when the server answers 204. Any other
// answer, or no answer at all, is retried after growing waits; after the
// last retry the failure is kept with the HTTP status and the server's
// error text. A server not reached, or silent, within its time limit is
// not asked again: it would most likely keep the run waiting once per retry.
//
// The user name and password come from the address (user:password@host)
// or else from INFLUX_USERNAME and INFLUX_PASSWORD. They are sent, never
// shown: every address this class hands out has them removed.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

struct curl_slist;

namespace zrl {

struct HttpTimeouts {
  long connectMs = 10000;
  // An attempt in which no byte went either way for this long has failed.
  // Long enough for a server that takes its time over a large batch.
  long silenceMs = 30000;
};

// Why `url` cannot be written to ("" when it can): it must be an http or
// https address naming a host, without a query or a fragment.
std::string httpUrlProblem(const std::string& url);
// `url` with the user name and password removed, for messages.
std::string urlWithoutCredentials(const std::string& url);

class HttpBatchPoster {
 public:
  // At most this much of an answer is kept (for the message); the rest is
  // not read.
  static constexpr std::size_t kAnswerKept = 4096;

  // `cancelled` is asked during each transfer and while waiting to retry: a
  // cancelled decode neither waits for a silent server nor sits out the
  // waits. `retryWaitsMs` holds one wait per retry. `url` must pass
  // httpUrlProblem().
  HttpBatchPoster(const std::string& url, const std::string& database,
                  std::function<bool()> cancelled,
                  std::vector<int> retryWaitsMs = {500, 1000, 2000},
                  HttpTimeouts timeouts = HttpTimeouts{});
  ~HttpBatchPoster();
  HttpBatchPoster(const HttpBatchPoster&) = delete;
  HttpBatchPoster& operator=(const HttpBatchPoster&) = delete;

  // Posts `body`; true once the server answered 204.
  bool post(const std::string& body);

  // The address written to (with the database, without credentials).
  const std::string& writeUrl() const { return writeUrl_; }
  // After a failed post: the last HTTP status (0 when no answer came) and
  // the server's error text, or the transfer's own error text.
  long lastStatus() const { return lastStatus_; }
  const std::string& lastError() const { return lastError_; }

 private:
  enum class Attempt { Written, Failed, TimedOut };
  Attempt postOnce(const std::string& body);
  bool waitBeforeRetry(int ms) const;
  friend struct HttpBatchPosterCallbacks;  // libcurl's, in the source file

  void* curl_ = nullptr;        // CURL*, kept between batches
  ::curl_slist* headers_ = nullptr;
  std::string writeUrl_;
  std::function<bool()> cancelled_;
  std::vector<int> retryWaitsMs_;
  long silenceMs_;
  std::string username_;
  std::string password_;
  long lastStatus_ = 0;
  std::string lastError_;
  std::string response_;        // start of the body of the last answer
  std::string headerError_;     // the server's error header of the last answer
  std::size_t headerBytes_ = 0;  // of the last answer
  bool answerCut_ = false;      // the last answer was longer than is kept
  // Progress of the transfer under way, for the silence limit.
  long long uploaded_ = 0;
  long long downloaded_ = 0;
  std::chrono::steady_clock::time_point lastActivity_;
  bool silent_ = false;         // the last attempt ended on the silence limit
  char curlError_[256] = {};    // CURL_ERROR_SIZE
};

}  // namespace zrl
