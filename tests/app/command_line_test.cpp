// Option values as the parser hands them to the start-up.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/CommandLine.h"

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
  auto r = parse({"--zrl=/a.zrl", "stray", "--cs", "out.csv", "--conf", "/c.json", "--all",
                  "--bat", "--verb", "--info", "-h", "--zrl", "/b.zrl"});
  ASSERT_TRUE(r.proceed);
  EXPECT_EQ(r.options.logPath, "/b.zrl");
  EXPECT_EQ(r.options.csvName, "out.csv");
  EXPECT_EQ(r.options.confPath, "/c.json");
  EXPECT_TRUE(r.options.allData);
  EXPECT_TRUE(r.options.batch);
  EXPECT_TRUE(r.options.verbose);
  EXPECT_TRUE(r.options.info);
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
