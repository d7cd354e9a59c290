// Option values as the parser hands them to the start-up.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <sstream>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "common/VariablePatterns.h"

namespace {

CommandLineOutcome parse(std::vector<std::string> args) {
  args.insert(args.begin(), "zrl-decoder");
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::ostringstream out, err;
  return parseCommandLine(static_cast<int>(args.size()), argv.data(), out, err);
}

TEST(CommandLineParse, ValuesPrefixesEqualsAndLastValueWins) {
  auto r = parse({"--zrl=/a.zrl", "--cs", "out.csv", "--conf", "/c.json", "--all",
                  "--bat", "--verb", "--info", "--zrl", "/b.zrl"});
  ASSERT_TRUE(r.proceed);
  EXPECT_EQ(r.options.logPath, "/b.zrl");
  EXPECT_EQ(r.options.csvName, "out.csv");
  EXPECT_EQ(r.options.confPath, "/c.json");
  EXPECT_TRUE(r.options.allData);
  EXPECT_TRUE(r.options.batch);
  EXPECT_TRUE(r.options.verbose);
  EXPECT_TRUE(r.options.info);
}

TEST(CommandLineParse, NewerOptionsAndPlainLogArguments) {
  auto r = parse({"a.zrl", "--vars", "Engine.Rpm,,GPS.*", "--out-dir=out", "b.zrl", "--quiet",
                  "--start", "+1.5", "--end", "2026-03-14T09:27:53.25+01:30"});
  ASSERT_TRUE(r.proceed);
  EXPECT_EQ(r.options.logPath, "a.zrl");  // without --zrl the first plain argument is loaded
  EXPECT_EQ(r.options.moreLogPaths, std::vector<std::string>{"b.zrl"});
  EXPECT_EQ(*r.options.vars, (std::vector<std::string>{"Engine.Rpm", "GPS.*"}));
  EXPECT_EQ(*r.options.outDir, "out");
  EXPECT_TRUE(r.options.quiet);
  EXPECT_EQ(r.options.start->kind, TimeArgument::Kind::FromStart);
  EXPECT_EQ(r.options.start->ms, 1500);
  EXPECT_EQ(r.options.end->kind, TimeArgument::Kind::Zoned);
  EXPECT_EQ(r.options.end->ms, 1773480473250 - 90 * 60000);
  EXPECT_EQ(parse({"--zrl", "z.zrl", "a.zrl"}).options.moreLogPaths, std::vector<std::string>{"a.zrl"});
}

TEST(TimeArgumentResolve, EachFormGivesTheInstantTheCsvWouldShow) {
  const int64_t fileStart = 1773480000000;  // 2026-03-14T09:20:00Z
  // The test processes run with TZ=UTC; a fixed zone makes local time differ.
  setenv("TZ", "CET-1", 1);
  tzset();
  struct Case {
    const char* text;
    bool utc;
    int64_t expected;
  } cases[] = {
      {"+60", true, fileStart + 60000},
      {"+0.0015", false, fileStart + 1},
      {"2026-03-14T09:27:53", true, 1773480473000},
      {"2026-03-14T09:27:53", false, 1773480473000 - 3600000},
      {"2026-03-14T09:27:53.5Z", false, 1773480473500},
      {"2026-03-14T09:27:53-02:00", true, 1773480473000 + 7200000},
  };
  for (const Case& c : cases) {
    const auto time = parseTimeArgument(c.text);
    ASSERT_TRUE(time) << c.text;
    EXPECT_EQ(resolveTimeArgument(*time, fileStart, c.utc), c.expected) << c.text;
  }
  setenv("TZ", "UTC", 1);
  tzset();
}

TEST(VariablePatterns, NamesAndPatternsSelectInFileOrder) {
  const std::vector<std::string> names = {"Engine.Rpm", "Engine.Speed", "GPS.Lat", "GPS.Long", "GPS.Heading"};
  const VariableMatch m =
      matchVariables({"GPS.?at*", "Engine.Speed", "Engine.*", "Oil.Temp", "Oil.*", "[XY].x"}, names);
  EXPECT_EQ(m.selected, (std::vector<std::string>{"Engine.Rpm", "Engine.Speed", "GPS.Lat"}));
  EXPECT_EQ(m.missingNames, std::vector<std::string>{"Oil.Temp"});
  EXPECT_EQ(m.unmatchedPatterns, (std::vector<std::string>{"Oil.*", "[XY].x"}));
}

TEST(CommandLineParse, NothingGivenMeansDefaults) {
  auto r = parse({});
  ASSERT_TRUE(r.proceed);
  EXPECT_TRUE(r.options.logPath.empty());
  EXPECT_FALSE(r.options.batch || r.options.info || r.options.verbose || r.options.allData);
  EXPECT_FALSE(r.options.influxDatabase.has_value());
}

TEST(CommandLineParse, ParsesAgainInTheSameProcess) {
  EXPECT_FALSE(parse({"--help"}).proceed);
  auto r = parse({"--batch"});
  EXPECT_TRUE(r.proceed);
  EXPECT_TRUE(r.options.batch);
}

}  // namespace

namespace {

TEST(CommandLineParse, WatchOptionsAndTheStatusFolderAsAPlainWord) {
  auto r = parse({"--watch", "/in", "--settle", "0.2", "--rescan=2", "--jobs", "3", "--done-dir", "/d",
                  "--failed-dir", "/f", "--influxBDD", "db", "--influxMeasurement", "m"});
  ASSERT_TRUE(r.proceed);
  EXPECT_EQ(r.options.watchDir.value_or(""), "/in");
  EXPECT_EQ(r.options.settleMs, 200);
  EXPECT_EQ(r.options.rescanMs, 2000);
  EXPECT_EQ(r.options.jobs, 3);
  EXPECT_EQ(r.options.doneDir.value_or(""), "/d");
  EXPECT_EQ(r.options.failedDir.value_or(""), "/f");

  r = parse({"--watch-status", "/in"});
  ASSERT_TRUE(r.proceed);
  EXPECT_EQ(r.options.watchStatus.value_or("?"), "/in");
  EXPECT_TRUE(r.options.logPath.empty());
  r = parse({"--watch-status"});
  ASSERT_TRUE(r.proceed);
  EXPECT_EQ(r.options.watchStatus.value_or("?"), "");

  for (const std::vector<std::string>& refused :
       {std::vector<std::string>{"--watch", "/in", "--settle", "-1"}, {"--watch", "/in", "--rescan", "0"},
        {"--watch", "/in", "--jobs", "2x"}, {"--watch", "/in", "--info"}, {"--watch-status", "--watch", "/in"}})
    EXPECT_FALSE(parse(refused).proceed) << refused[2];
}

}  // namespace
