// Batch runs into a real database server: what comes back through queries
// must be what the CSV decode of the same settings shows, value by value.
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/DecoderSandbox.h"
#include "tests/support/HttpTestServer.h"
#include "tests/support/InfluxServer.h"

namespace {

using zrltest::DecoderSandbox;
using zrltest::HttpTestServer;
using zrltest::InfluxServer;
using zrltest::ProcessResult;
using zrltest::readFile;
using zrltest::writeFile;
using Table = std::vector<std::vector<std::string>>;

const char kSerial[] = "ZL-2041-00317";

std::vector<std::string> split(const std::string& text, const std::string& separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find(separator, start)) != std::string::npos;
       start = at + separator.size()) {
    parts.push_back(text.substr(start, at - start));
  }
  parts.push_back(text.substr(start));
  return parts;
}

// "dd/mm/yyyy" and "hh:mm:ss.mmm" (UTC) as ms since 1970.
int64_t csvTimeMs(const std::string& date, const std::string& time) {
  std::tm t{};
  t.tm_mday = std::stoi(date.substr(0, 2));
  t.tm_mon = std::stoi(date.substr(3, 2)) - 1;
  t.tm_year = std::stoi(date.substr(6, 4)) - 1900;
  t.tm_hour = std::stoi(time.substr(0, 2));
  t.tm_min = std::stoi(time.substr(3, 2));
  t.tm_sec = std::stoi(time.substr(6, 2));
  return static_cast<int64_t>(timegm(&t)) * 1000 + std::stoi(time.substr(9, 3));
}

// Same value: the same text, or the same number once the CSV's decimal
// separator is read as a point.
bool sameValue(std::string csvCell, const std::string& dbCell, char decimalSeparator) {
  if (csvCell.size() >= 2 && csvCell.front() == '"' && csvCell.back() == '"') {
    std::string plain;  // a quoted CSV cell, its doubled quotes single again
    for (std::size_t i = 1; i + 1 < csvCell.size(); ++i) {
      plain += csvCell[i];
      if (csvCell[i] == '"') ++i;
    }
    csvCell = plain;
  }
  if (csvCell == dbCell) return true;
  for (char& c : csvCell) {
    if (c == decimalSeparator) c = '.';
  }
  char* csvEnd = nullptr;
  char* dbEnd = nullptr;
  const double a = std::strtod(csvCell.c_str(), &csvEnd);
  const double b = std::strtod(dbCell.c_str(), &dbEnd);
  return !csvCell.empty() && !dbCell.empty() && *csvEnd == '\0' && *dbEnd == '\0' && a == b;
}

// Compares the CSV file (";" columns, milliseconds, UTC) with every point of
// `measurement`, row by row and cell by cell; returns the points compared.
std::size_t expectSamePoints(const std::string& csvBytes, char decimalSeparator,
                             const Table& points) {
  std::vector<std::string> lines = split(csvBytes.substr(3), "\r\n");
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  EXPECT_FALSE(lines.empty());
  EXPECT_FALSE(points.empty());
  if (lines.empty() || points.empty()) return 0;
  const std::vector<std::string> headings = split(lines[0], ";");
  std::map<std::string, std::size_t> dbColumn;
  for (std::size_t i = 0; i < points[0].size(); ++i) dbColumn[points[0][i]] = i;
  // A CSV heading "Group_Variable" is the field "Group.Variable"; an alias
  // is the same on both sides.
  std::vector<std::size_t> fieldOf(headings.size(), 0);
  for (std::size_t c = 2; c < headings.size(); ++c) {
    std::string name = headings[c];
    if (dbColumn.count(name) == 0 && name.find('_') != std::string::npos) {
      name[name.find('_')] = '.';
    }
    EXPECT_EQ(dbColumn.count(name), 1u) << "no field for the column " << headings[c];
    fieldOf[c] = dbColumn[name];
  }
  EXPECT_EQ(points.size(), lines.size()) << "points and CSV rows (heading on both)";
  const std::size_t rows = std::min(points.size(), lines.size());
  for (std::size_t r = 1; r < rows; ++r) {
    const std::vector<std::string> cells = split(lines[r], ";");
    const std::vector<std::string>& point = points[r];
    EXPECT_EQ(point[dbColumn["time"]], std::to_string(csvTimeMs(cells[0], cells[1]))) << r;
    EXPECT_EQ(point[dbColumn["serial"]], kSerial);
    for (std::size_t c = 2; c < headings.size() && c < cells.size(); ++c) {
      EXPECT_TRUE(sameValue(cells[c], point[fieldOf[c]], decimalSeparator))
          << "row " << r << " " << headings[c] << ": CSV '" << cells[c] << "', database '"
          << point[fieldOf[c]] << "'";
    }
  }
  return rows - 1;
}

struct SampleRun {
  DecoderSandbox box;
  std::string log;
  std::string conf;
  explicit SampleRun(const std::string& hint, const std::string& config) : box(hint) {
    log = box.makeSample("LOG1.zrl");
    conf = box.work + "/conf.json";
    writeFile(conf, config);
  }
  ProcessResult toDatabase(const InfluxServer& server, const std::string& database,
                           std::vector<std::string> extra = {}) const {
    std::vector<std::string> args = {"--batch", "--alldata", "--zrl", log, "--conf", conf,
                                     "--influxBDD", database, "--influxMeasurement", "drive",
                                     "--influxURL", server.url()};
    args.insert(args.end(), extra.begin(), extra.end());
    return box.runDecoder(args, 120);
  }
  std::string toCsv() const {
    const std::string csv = box.work + "/out.csv";
    const ProcessResult r =
        box.runDecoder({"--batch", "--alldata", "--zrl", log, "--conf", conf, "--csv", csv});
    EXPECT_EQ(r.exitStatus, 0) << r.out;
    return readFile(csv);
  }
};

TEST(DatabaseBatchRun, PointsReadBackEqualTheCsvDecode) {
  InfluxServer& server = InfluxServer::shared();
  ZRL_REQUIRE_SERVER(server);
  struct Case {
    const char* name;
    const char* config;
    char decimalSeparator;
  } cases[] = {
      {"plain_batch1",
       R"({"milliseconds": true, "utc": true, "InfluxBatchSize": 1})", '.'},
      {"plain_batch10000",
       R"({"milliseconds": true, "utc": true, "InfluxBatchSize": 10000})", '.'},
      {"resampled_aliased_filtered",
       R"({"milliseconds": true, "utc": true, "decimalSeparator": ",", "floatFormat": "3 decimals",
           "cell_filling": false, "frequency": "1", "method": "Mean",
           "var": ["Engine.Rpm", "GPS.Fix"], "aliasVal": ["revs", "fix ok"],
           "maxVar": ["Engine.Speed"], "maxVal": ["100"]})", ','},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SampleRun run(std::string("db-") + c.name, c.config);
    ASSERT_TRUE(server.createDatabase(c.name));
    const ProcessResult r = run.toDatabase(server, c.name, {"--influxGw", "bench 1"});
    ASSERT_EQ(r.exitStatus, 0) << r.out << r.err;
    Table points;
    ASSERT_TRUE(server.query(c.name, "SELECT * FROM drive", points));
    const std::size_t compared = expectSamePoints(run.toCsv(), c.decimalSeparator, points);
    EXPECT_GT(compared, 100u);
    EXPECT_EQ(points[1][1].find("gateway=bench 1"), std::string::npos);  // tags are columns
    std::cout << "[ round trip ] " << c.name << ": " << compared
              << " points written, read back and equal to the CSV rows\n";
  }
}

TEST(DatabaseBatchRun, AWrongDatabaseEndsWithTheServersReason) {
  InfluxServer& server = InfluxServer::shared();
  ZRL_REQUIRE_SERVER(server);
  SampleRun run("db-wrong", "{}");
  const ProcessResult r = run.toDatabase(server, "missing");
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_NE(r.err.find("InfluxDB write to " + server.url() +
                       "/write?db=missing&precision=ms failed (HTTP 404): database not found: "
                       "\"missing\"; 0 points written"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.err.find("Exit on error."), std::string::npos) << r.err;
}

// Points of the "m" measurement on `server` so far (0 when none).
int pointCount(const InfluxServer& server, const std::string& database) {
  Table count;
  server.query(database, "SELECT count(\"Engine.Rpm\") FROM m", count);
  return count.size() > 1 && count[1].size() > 3 ? std::stoi(count[1][3]) : 0;
}

// A run interrupted once a few batches of 20 are in: one batch is on its
// way at a time, so all but the last of them were acknowledged.
TEST(DatabaseBatchRun, AnInterruptedRunStopsBetweenBatches) {
  for (const bool stopServer : {true, false}) {
    SCOPED_TRACE(stopServer ? "server stopped" : "SIGINT");
    InfluxServer server;
    ZRL_REQUIRE_SERVER(server);
    ASSERT_TRUE(server.createDatabase("cut"));
    DecoderSandbox box("db-cut");
    const std::string log = box.work + "/BIG1.zrl";
    ASSERT_EQ(zrltest::runProgram(zrltest::generatorProgram(),
                                  {"--preset", "big", "--size-mb", "16", "--output", log, "--quiet"})
                  .exitStatus,
              0);
    writeFile(box.work + "/conf.json", R"({"InfluxBatchSize": 20})");
    ProcessResult r;
    std::atomic<int> pid{0};
    std::thread decode([&] {
      r = zrltest::runProgram(zrltest::decoderProgram(),
                              {"--batch", "--alldata", "--zrl", log, "--conf", box.work + "/conf.json",
                               "--influxBDD", "cut", "--influxMeasurement", "m", "--influxURL",
                               server.url()},
                              box.environment(), 120, "", [&](int id) { pid = id; });
    });
    for (int i = 0; i < 1500 && pointCount(server, "cut") < 100; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (stopServer) server.stop();
    else kill(pid, SIGINT);
    decode.join();
    if (stopServer) {
      EXPECT_EQ(r.exitStatus, 1) << r.out;
      EXPECT_NE(r.err.find("failed (no answer): "), std::string::npos) << r.err;
      EXPECT_NE(r.err.find(" points written"), std::string::npos) << r.err;
      EXPECT_EQ(r.out.find("; 0 points written"), std::string::npos) << r.out;
    } else {
      EXPECT_EQ(r.exitStatus, 130) << r.out;
      EXPECT_NE(r.err.find("Decode cancelled"), std::string::npos) << r.err;
      EXPECT_EQ(pointCount(server, "cut") % 20, 0) << "whole batches only";
    }
  }
}

// Settings the server could not take end the run before anything is sent,
// and the verbose summary never shows the password of the address.
TEST(DatabaseBatchRun, UnusableSettingsEndTheRunBeforeSending) {
  HttpTestServer server(HttpTestServer::Behaviour::Answer, 204);
  const std::string hostPort = server.url().substr(7);
  struct Case {
    const char* name;
    const char* config;
    const char* measurement;
    std::string expected;
  } cases[] = {
      {"batch-size", R"({"InfluxBatchSize": 0})", "m",
       ": InfluxBatchSize must be a whole number from 1 to 1000000, not 0\n"},
      {"measurement", "{}", "meas\\",
       "  - InfluxUrl : http://" + hostPort + "\n"},
      {"measurement", "{}", "meas\\",
       "Error while decoding: InfluxDB measurement name \"meas\\\" is not usable: it must not "
       "end with a backslash\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SampleRun run(std::string("db-unusable-") + c.name, c.config);
    const ProcessResult r = run.box.runDecoder(
        {"--batch", "--verbose", "--alldata", "--zrl", run.log, "--conf", run.conf, "--influxBDD",
         "d", "--influxMeasurement", c.measurement, "--influxURL",
         "http://zoe:secret@" + hostPort},
        60);
    EXPECT_EQ(r.exitStatus, 1) << r.out << r.err;
    // The verbose summary is on standard output, the failure on standard error.
    EXPECT_NE((r.out + r.err).find(c.expected), std::string::npos) << r.out << r.err;
    EXPECT_EQ((r.out + r.err).find("secret"), std::string::npos) << r.out << r.err;
  }
  EXPECT_EQ(server.requests().size(), 0u);
}

}  // namespace
