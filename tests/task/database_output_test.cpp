// The database options of a batch run, from the command line and the
// configuration file.
#include <gtest/gtest.h>

#include <sstream>

#include "task/DatabaseOutput.h"

namespace {

DatabaseChoice given() {
  DatabaseChoice settings;
  settings.influxDatabase = "db";
  settings.influxMeasurement = "m";
  return settings;
}

Json::Value parsed(const std::string& text) {
  Json::Value value;
  std::istringstream in(text);
  in >> value;
  return value;
}

TEST(DatabaseOutput, BatchSizeFromTheConfiguration) {
  const std::string bounds = "InfluxBatchSize must be a whole number from 1 to 1000000, not ";
  struct Case {
    const char* config;
    uint32_t batchSize;   // when usable
    const char* problem;  // after `bounds`, or nullptr
  } cases[] = {
      {R"({})", 500, nullptr},
      {R"({"InfluxBatchSize": 1})", 1, nullptr},
      {R"({"InfluxBatchSize": 1000000})", 1000000, nullptr},
      {R"({"InfluxBatchSize": 0})", 0, "0"},
      {R"({"InfluxBatchSize": -1})", 0, "-1"},
      {R"({"InfluxBatchSize": 1000001})", 0, "1000001"},
      {R"({"InfluxBatchSize": 4294967296})", 0, "4294967296"},
      {R"({"InfluxBatchSize": 2.5})", 0, "2.5"},
      {R"({"InfluxBatchSize": "500"})", 0, "\"500\""},
      {R"({"InfluxBatchSize": null})", 0, "null"},
  };
  for (const Case& c : cases) {
    std::string problem = "stale";
    const std::optional<zrl::InfluxOptions> options =
        databaseOutputOptions(given(), parsed(c.config), problem);
    if (c.problem == nullptr) {
      ASSERT_TRUE(options.has_value()) << c.config;
      EXPECT_EQ(options->batchSize, c.batchSize);
      EXPECT_EQ(problem, "");
    } else {
      EXPECT_FALSE(options.has_value()) << c.config;
      EXPECT_EQ(problem, bounds + c.problem);
    }
  }
}

}  // namespace
