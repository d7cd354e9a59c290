// A real `zrl-decoder --watch` process over a private folder: logs decoded
// as they arrive, each once, through stop signals, kill -9 and restarts.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <functional>
#include <set>
#include <future>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

#include <sqlite3.h>

#include "tests/e2e/DecoderSandbox.h"
#include "tests/support/HttpTestServer.h"
#include "tests/support/InfluxServer.h"

namespace {

using zrltest::DecoderSandbox;
using zrltest::HttpTestServer;
using zrltest::ProcessResult;
using zrltest::readFile;
using zrltest::runProgram;

// The settle time of every run here: short, so the tests stay short.
const char kSettle[] = "0.2";
const std::string kBom = "\xEF\xBB\xBF";

bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 20000) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < until) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return condition();
}

std::vector<std::string> namesIn(const std::string& dir, const std::string& suffix) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (const dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      if (name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
        names.push_back(name);
    }
    closedir(d);
  }
  return names;
}

bool exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

// A watch run in the background; its output once it has ended.
class Watcher {
 public:
  Watcher(const DecoderSandbox& sandbox, std::vector<std::string> args) {
    std::promise<int> started;
    auto pid = started.get_future();
    result_ = std::async(std::launch::async, [&sandbox, args, p = std::move(started)]() mutable {
      return sandbox.runDecoder(args, 90, [&p](int child) { p.set_value(child); });
    });
    pid_ = pid.get();
  }
  ~Watcher() {
    if (result_.valid()) {
      ::kill(pid_, SIGKILL);
      result_.wait();
    }
  }
  void signal(int number) const { ::kill(pid_, number); }
  ProcessResult end(int number = SIGTERM) {
    signal(number);
    return result_.get();
  }

 private:
  int pid_ = -1;
  std::future<ProcessResult> result_;
};

struct WatchFolder : ::testing::Test {
  DecoderSandbox sandbox{"watch"};
  std::string in = sandbox.work + "/in";
  std::string out = sandbox.work + "/out";

  void SetUp() override {
    ::mkdir(in.c_str(), 0700);
    ::mkdir(out.c_str(), 0700);
  }
  std::vector<std::string> args(std::vector<std::string> more = {}) const {
    std::vector<std::string> all{"--watch", in, "--alldata", "--out-dir", out, "--settle", kSettle, "--quiet"};
    all.insert(all.end(), more.begin(), more.end());
    return all;
  }
  // A log written straight into the folder by our writer, as a logger would.
  void drop(const std::string& relative, const char* preset = "sample") const {
    const std::string path = in + "/" + relative;
    ::mkdir(path.substr(0, path.rfind('/')).c_str(), 0700);
    ASSERT_EQ(runProgram(zrltest::generatorProgram(), {"--preset", preset, "--output", path}).exitStatus, 0);
  }
  std::vector<std::string> tables() const { return namesIn(out, ".csv"); }
  bool partLeft() const { return !namesIn(out, ".part").empty(); }
  std::string status() const { return sandbox.runDecoder({"--watch-status", in}).out; }
  // The journal as a crash after the output was written leaves it: every log
  // still marked as being decoded.
  void crashedWhileDecoding() const {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((sandbox.home + "/.local/state/zrl-decoder/watch.sqlite").c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, "UPDATE logs SET state='decoding'", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
  }
  // A big log whose decode lasts long enough to be caught while running.
  std::string dropBig(const std::string& relative) const {
    static const std::string shared = [] {
      const std::string path = zrltest::makeTempSubdir("watch-big") + "/big.zrl";
      runProgram(zrltest::generatorProgram(), {"--preset", "big", "--size-mb", "150", "--output", path, "--quiet"});
      return path;
    }();
    const std::string path = in + "/" + relative;
    ::mkdir(path.substr(0, path.rfind('/')).c_str(), 0700);
    EXPECT_EQ(::link(shared.c_str(), path.c_str()), 0);
    return path;
  }
};

TEST_F(WatchFolder, DecodesEachArrivingLogOnceAsABatchRunWouldAndNotAgainAfterARestart) {
  drop("early.zrl");  // there before the watch begins
  {
    Watcher watcher(sandbox, args());
    drop("site/later.zrl");  // in a folder made while watching
    ASSERT_TRUE(waitUntil([&] { return tables().size() == 2; })) << status();
    const ProcessResult r = watcher.end(SIGTERM);
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_NE(r.err.find("/site/later.zrl done: 1800 rows in "), std::string::npos) << r.err;
  }
  const std::string batchOut = sandbox.work + "/batch";
  ASSERT_EQ(sandbox.runDecoder({"--batch", "--alldata", "--quiet", "--out-dir", batchOut, in + "/early.zrl"}).exitStatus, 0);
  ASSERT_EQ(namesIn(batchOut, ".csv").size(), 1u);
  const std::string name = namesIn(batchOut, ".csv")[0];
  EXPECT_EQ(readFile(out + "/" + name), readFile(batchOut + "/" + name));

  Watcher again(sandbox, args({"--rescan", "0.2"}));
  std::this_thread::sleep_for(std::chrono::milliseconds(1200));
  const ProcessResult r = again.end(SIGTERM);
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.err.find(" done: "), std::string::npos) << r.err;
  EXPECT_EQ(tables().size(), 2u);
}

// A stop in the middle of a decode leaves no partial table and the log to
// the next run; kill -9 the same, and the rerun writes the name the first
// run had been given rather than a numbered copy.
TEST_F(WatchFolder, AStopOrACrashMidDecodeLeavesNoPartAndTheRerunWritesTheSameName) {
  for (int stop : {SIGTERM, SIGKILL}) {
    SCOPED_TRACE(stop);
    for (const std::string& t : tables()) ::unlink((out + "/" + t).c_str());
    // Another place each time: the same log again would be known as done.
    dropBig("run" + std::to_string(stop) + "/big.zrl");
    {
      Watcher watcher(sandbox, args());
      ASSERT_TRUE(waitUntil([&] { return partLeft(); })) << "no decode was caught running";
      const ProcessResult r = watcher.end(stop);
      if (stop == SIGTERM) {
        EXPECT_EQ(r.exitStatus, 0) << r.err;
        EXPECT_FALSE(partLeft());
        EXPECT_TRUE(tables().empty());
      }
    }
    EXPECT_NE(status().find("big.zrl"), std::string::npos);
    Watcher rerun(sandbox, args());
    ASSERT_TRUE(waitUntil([&] { return tables().size() == 1 && !partLeft(); }, 60000)) << status();
    const ProcessResult r = rerun.end(SIGTERM);
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(tables().size(), 1u);
    EXPECT_EQ(tables()[0].find(" ("), std::string::npos) << tables()[0];
    EXPECT_FALSE(partLeft());
  }
}

// The moment between a table taking its name and the journal saying so.
TEST_F(WatchFolder, ACrashAfterTheTableWasNamedRewritesThatNameInsteadOfACopy) {
  drop("a.zrl");
  {
    Watcher watcher(sandbox, args());
    ASSERT_TRUE(waitUntil([&] { return tables().size() == 1; }));
    watcher.end(SIGTERM);
  }
  const std::string first = tables()[0];
  crashedWhileDecoding();

  Watcher rerun(sandbox, args());
  ASSERT_TRUE(waitUntil([&] { return status().find(": 1 done,") != std::string::npos; })) << status();
  const ProcessResult r = rerun.end(SIGTERM);
  EXPECT_NE(r.err.find("a.zrl done"), std::string::npos) << r.err;
  EXPECT_EQ(tables(), std::vector<std::string>{first});
  EXPECT_FALSE(partLeft());
}

TEST_F(WatchFolder, ALogStillBeingWrittenWaitsUntilItsLoggerFinalisesIt) {
  drop("open.zrl");
  const std::string path = in + "/open.zrl";
  const std::string whole = readFile(path);
  // As a logger leaves it while recording: no stream size in the head yet.
  std::string open = whole;
  open.replace(1085, 4, std::string(4, '\0'));
  zrltest::writeFile(path, open);

  Watcher watcher(sandbox, args());
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  EXPECT_TRUE(tables().empty());
  zrltest::writeFile(path, whole);
  ASSERT_TRUE(waitUntil([&] { return tables().size() == 1; }));
  EXPECT_EQ(watcher.end(SIGTERM).exitStatus, 0);
}

TEST_F(WatchFolder, ADamagedLogFailsOnceWithItsReasonUntilItChanges) {
  zrltest::writeFile(in + "/bad.zrl", std::string(4096, 'x'));
  Watcher watcher(sandbox, args({"--rescan", "0.2", "--failed-dir", sandbox.work + "/failed"}));
  ASSERT_TRUE(waitUntil([&] { return exists(sandbox.work + "/failed/bad.zrl"); }));
  std::this_thread::sleep_for(std::chrono::milliseconds(800));  // several rescans
  const std::string shown = status();
  EXPECT_NE(shown.find(": 0 done, 1 failed, 0 pending\n"), std::string::npos) << shown;
  EXPECT_NE(shown.find("  failed   bad.zrl  "), std::string::npos) << shown;
  EXPECT_NE(shown.find("(moved to " + sandbox.work + "/failed/bad.zrl)"), std::string::npos) << shown;

  // A log of that name that is whole now is a new version, and decoded.
  drop("bad.zrl");
  ASSERT_TRUE(waitUntil([&] { return tables().size() == 1; }));
  const ProcessResult r = watcher.end(SIGTERM);
  EXPECT_EQ(r.exitStatus, 0);
  std::size_t failures = 0;
  for (std::size_t at = 0; (at = r.err.find("bad.zrl failed", at)) != std::string::npos; ++at) ++failures;
  EXPECT_EQ(failures, 1u) << r.err;
}

TEST_F(WatchFolder, HangUpReadsTheConfigurationAgainButKeepsItWhenTheNewOneIsBroken) {
  const std::string conf = sandbox.work + "/site.json";
  zrltest::writeFile(conf, R"({"selected_vars": ["Engine.Rpm"]})");
  Watcher watcher(sandbox, {"--watch", in, "--conf", conf, "--out-dir", out, "--settle", kSettle});
  const auto headingOf = [&](const std::string& log) {
    drop(log);
    std::string heading;
    waitUntil([&] {
      for (const std::string& t : tables())
        if (t.rfind(log.substr(0, 1), 0) == 0) heading = readFile(out + "/" + t).substr(0, 40);
      return !heading.empty();
    });
    return heading.substr(0, heading.find('\r'));
  };
  EXPECT_EQ(headingOf("a.zrl"), kBom + "Date;Hour;Engine_Rpm");
  zrltest::writeFile(conf, R"({"selected_vars": ["GPS.Altitude"]})");
  watcher.signal(SIGHUP);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(headingOf("b.zrl"), kBom + "Date;Hour;GPS_Altitude");
  zrltest::writeFile(conf, "{ broken");
  watcher.signal(SIGHUP);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(headingOf("c.zrl"), kBom + "Date;Hour;GPS_Altitude");
  const ProcessResult r = watcher.end(SIGTERM);
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_NE(r.err.find("the configuration is not read again: the one in use stays"), std::string::npos) << r.err;
}

TEST_F(WatchFolder, StatusListsWhatIsDoneAndWhere) {
  drop("a.zrl");
  {
    Watcher watcher(sandbox, args({"--done-dir", sandbox.work + "/done"}));
    ASSERT_TRUE(waitUntil([&] { return exists(sandbox.work + "/done/a.zrl"); }));
    watcher.end(SIGTERM);
  }
  ASSERT_EQ(tables().size(), 1u);
  const ProcessResult shown = sandbox.runDecoder({"--watch-status", in});
  EXPECT_EQ(shown.exitStatus, 0);
  const std::string folder = in.substr(0, 0) + in;  // the sandbox has no links: already canonical
  EXPECT_EQ(shown.out, folder + ": 1 done, 0 failed, 0 pending\n  done     a.zrl  1800 rows  " + out + "/" +
                           tables()[0] + "  (moved to " + sandbox.work + "/done/a.zrl)\n");
  // Every folder without one; nothing known of another.
  EXPECT_EQ(sandbox.runDecoder({"--watch-status"}).out, shown.out);
  EXPECT_EQ(sandbox.runDecoder({"--watch-status", sandbox.work}).out, "Nothing is known of " + sandbox.work + ".\n");
}

// Points refused while the server is down wait, with the logs behind them;
// once it answers again every point arrives.
TEST_F(WatchFolder, LogsWaitForADatabaseThatIsDownAndArriveWhenItIsBack) {
  HttpTestServer server(HttpTestServer::Behaviour::Answer, 503, "{\"error\":\"down\"}");
  drop("a.zrl");
  Watcher watcher(sandbox, {"--watch", in, "--alldata", "--settle", kSettle, "--influxBDD", "db",
                            "--influxMeasurement", "m", "--influxURL", server.url()});
  ASSERT_TRUE(waitUntil([&] { return status().find("pending  a.zrl  attempt 2") != std::string::npos; }, 30000))
      << status();
  EXPECT_EQ(status().find("  failed "), std::string::npos);
  server.answerWith(204);
  ASSERT_TRUE(waitUntil([&] { return status().find("done     a.zrl  1800 rows") != std::string::npos; }, 30000))
      << status();
  const ProcessResult r = watcher.end(SIGTERM);
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_NE(r.err.find("a.zrl waits for the database, next try in 1.00 s"), std::string::npos) << r.err;
  // Every point was sent again after the outage exactly as before it: a
  // resend replaces the server's point instead of adding one.
  std::set<std::string> points;
  std::size_t lines = 0;
  for (const auto& request : server.requests()) {
    std::size_t start = 0;
    for (std::size_t end; (end = request.body.find('\n', start)) != std::string::npos; start = end + 1, ++lines)
      points.insert(request.body.substr(start, end - start));
  }
  EXPECT_EQ(points.size(), 1800u);
  EXPECT_GT(lines, points.size());
}

// A crash after the points were sent but before the journal said so: the
// rerun sends them again, and a real server keeps one point per series and
// time, so nothing is doubled.
TEST_F(WatchFolder, PointsSentAgainAfterACrashLandOnTheSamePoints) {
  zrltest::InfluxServer& server = zrltest::InfluxServer::shared();
  ZRL_REQUIRE_SERVER(server);
  ASSERT_TRUE(server.createDatabase("watch_once"));
  const auto pointsStored = [&] {
    std::vector<std::vector<std::string>> rows;
    EXPECT_TRUE(server.query("watch_once", "SELECT * FROM drive", rows));
    return rows.empty() ? 0 : rows.size() - 1;  // the heading
  };
  const std::vector<std::string> toDatabase{"--watch", in, "--alldata", "--settle", kSettle, "--influxBDD",
                                            "watch_once", "--influxMeasurement", "drive", "--influxURL",
                                            server.url()};
  drop("a.zrl");
  {
    Watcher watcher(sandbox, toDatabase);
    ASSERT_TRUE(waitUntil([&] { return status().find("done     a.zrl") != std::string::npos; })) << status();
    watcher.end(SIGTERM);
  }
  const std::size_t first = pointsStored();
  ASSERT_GT(first, 100u);

  crashedWhileDecoding();
  Watcher rerun(sandbox, toDatabase);
  ASSERT_TRUE(waitUntil([&] { return status().find("done     a.zrl") != std::string::npos; })) << status();
  const ProcessResult r = rerun.end(SIGTERM);
  EXPECT_NE(r.err.find("a.zrl done"), std::string::npos) << r.err;  // it was sent again
  EXPECT_EQ(pointsStored(), first);
}

TEST_F(WatchFolder, RefusesWhatCannotBeWatched) {
  const struct {
    std::vector<std::string> args;
    int status;
    const char* says;
  } cases[] = {
      {{"--watch", "/nonexistent/folder"}, 1, "Error: --watch /nonexistent/folder: no such folder"},
      {{"--watch", "/tmp", "--csv", "one.csv"}, 2, "a watched folder gives each log its own"},
      {{"--watch", "/tmp", "a.zrl"}, 2, "a watched folder takes no log file"},
      {{"--done-dir", "/tmp/d", "--batch", "a.zrl"}, 2, "--done-dir and --failed-dir go with --watch"},
      {{"--watch", "/tmp", "--settle", "soon"}, 2, "--settle 'soon' is not a number of seconds"},
      {{"--watch", "/tmp", "--jobs", "0"}, 2, "--jobs '0' is not a number from 1 to 64"},
  };
  for (const auto& c : cases) {
    const ProcessResult r = sandbox.runDecoder(c.args, 20);
    EXPECT_EQ(r.exitStatus, c.status) << c.args[0];
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
}

}  // namespace
