// A real time-series server for the database tests: influxd run with a
// configuration of its own (meta, data and WAL directories in the test's
// private directory, HTTP on 127.0.0.1 at a free port, usage reporting and
// every other listener off), waited for on /ping and stopped when the
// object goes.
//
// Where influxd is not installed, the tests using it are skipped with a
// message saying so; with ZRL_REQUIRE_INFLUXD=1 (CI) they fail instead.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace zrltest {

class InfluxServer {
 public:
  InfluxServer();  // starts the server
  ~InfluxServer();  // stops it
  InfluxServer(const InfluxServer&) = delete;
  InfluxServer& operator=(const InfluxServer&) = delete;

  // One server for all tests of the process that do not stop it.
  static InfluxServer& shared();

  bool running() const { return pid_ > 0; }
  // Why the server is not running (empty when it is).
  const std::string& problem() const { return problem_; }
  std::string url() const;

  void stop();

  // Runs an InfluxQL statement; the answer as rows of CSV cells, heading
  // first. False on an HTTP failure.
  bool query(const std::string& database, const std::string& statement,
             std::vector<std::vector<std::string>>& rows) const;
  bool createDatabase(const std::string& name) const;

 private:
  pid_t pid_ = -1;
  int port_ = 0;
  std::string dir_;
  std::string problem_;
};

}  // namespace zrltest

// In a test: skips (or fails under ZRL_REQUIRE_INFLUXD=1) when `server` is
// not running.
#define ZRL_REQUIRE_SERVER(server)                                                    \
  do {                                                                                \
    if (!(server).running()) {                                                        \
      const char* required = std::getenv("ZRL_REQUIRE_INFLUXD");                      \
      if (required != nullptr && std::string(required) == "1")                        \
        FAIL() << (server).problem();                                                 \
      GTEST_SKIP() << (server).problem();                                             \
    }                                                                                 \
  } while (false)
