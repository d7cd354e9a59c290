// Sends batches of protocol lines to one database of a time-series server:
// POST <url>/write?db=<database>&precision=ms over libcurl, keeping the
// connection open between batches. https uses the system's certificates.
//
// A batch counts as written only when the server answers 204. Any other
// answer, or no answer at all, is retried after growing waits; after the
// last retry the failure is kept with the HTTP status and the server's
// error text.
//
// The user name and password come from INFLUX_USERNAME and INFLUX_PASSWORD
// only, so they never show in a process listing or a shell history.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct curl_slist;

namespace zrl {

class HttpBatchPoster {
 public:
  // `cancelled` is asked while waiting to retry: a cancelled decode does not
  // sit out the waits. `retryWaitsMs` holds one wait per retry.
  HttpBatchPoster(const std::string& url, const std::string& database,
                  std::function<bool()> cancelled,
                  std::vector<int> retryWaitsMs = {500, 1000, 2000});
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
  bool postOnce(const std::string& body);
  bool waitBeforeRetry(int ms) const;

  void* curl_ = nullptr;        // CURL*, kept between batches
  ::curl_slist* headers_ = nullptr;
  std::string writeUrl_;
  std::function<bool()> cancelled_;
  std::vector<int> retryWaitsMs_;
  std::string username_;
  std::string password_;
  long lastStatus_ = 0;
  std::string lastError_;
  std::string response_;        // body of the last answer
  std::string headerError_;     // the server's error header of the last answer
};

}  // namespace zrl
