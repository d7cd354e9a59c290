// The command line as a user sees it: usage text, parser diagnostics, exit
// statuses and the refusal of the database options.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/ProcessRunner.h"

namespace {

using zrltest::decoderProgram;
using zrltest::runProgram;

std::string usageFor(const std::string& program) {
  return "Usage: " + program + " [--zrl <path> Full path of file to decode]\n"
         "\t[--csv <file name> CSV output file name]\n"
         "\t[--conf <path> Json config file full path]\n"
         "\t[--alldata] decode all data\n"
         "\t[--batch] script mode: decode at startup and exit when completed\n"
         "\t[--verbose] print verbose message on console\n"
         "\t[--info] print ZRL info json string and exit.\n";
}

TEST(CommandLine, HelpPrintsUsageAndStopsBeforeAnythingElse) {
  const std::vector<std::vector<std::string>> cases = {
      {"--help"},
      {"--hel"},
      {"--influxBDD", "db", "--help"},          // stops before the database rule
      {"--zrl", "/nonexistent.zrl", "--help", "--batch"},
  };
  for (const auto& args : cases) {
    auto r = runProgram(decoderProgram(), args);
    EXPECT_EQ(r.exitStatus, 0) << args[0];
    EXPECT_EQ(r.out, usageFor(decoderProgram())) << args[0];
    EXPECT_EQ(r.err, "") << args[0];
  }
}

TEST(CommandLine, ParserErrorsPrintDiagnosticThenUsageWithStatusZero) {
  const std::vector<std::vector<std::string>> cases = {
      {"--bogus"},
      {"-x"},
      {"--zrl"},                 // missing argument
      {"--batch=yes"},           // argument to an option without one
      {"--influx", "x"},         // ambiguous prefix
  };
  for (const auto& args : cases) {
    auto r = runProgram(decoderProgram(), args);
    EXPECT_EQ(r.exitStatus, 0) << args[0];
    EXPECT_EQ(r.out, usageFor(decoderProgram())) << args[0];
    EXPECT_FALSE(r.err.empty()) << args[0];
  }
}

TEST(CommandLine, DatabaseOptionsNeedEachOtherAndABatchRun) {
  const std::string batchOnly = "database output works in batch mode only";
  const std::string needsDatabase =
      "--influxGw and --influxURL need --influxBDD and --influxMeasurement";
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;  // on stderr after the program name; empty: none
  };
  const std::vector<Case> cases = {
      {{"--influxBDD", "db"}, 1, ""},  // lone database or measurement: usage only
      {{"--influxMeasurement=m", "--batch"}, 1, ""},
      {{"--influxBDD=", "--influxGw", "gw"}, 1, ""},  // empty argument still counts
      {{"--influxBDD", "db", "--influxMeasurement", "m"}, 2, batchOnly},
      {{"--influxBDD=", "--influxMeasurement=", "--info"}, 2, batchOnly},
      {{"--influxGw", "gw", "--batch"}, 2, needsDatabase},
      {{"--influxU", "http://x"}, 2, needsDatabase},  // unambiguous prefix
  };
  for (const auto& c : cases) {
    auto r = runProgram(decoderProgram(), c.args);
    EXPECT_EQ(r.exitStatus, c.status) << c.args[0];
    EXPECT_EQ(r.out, usageFor(decoderProgram())) << c.args[0];
    EXPECT_EQ(r.err, c.message.empty() ? "" : decoderProgram() + ": " + c.message + "\n")
        << c.args[0];
  }
}

}  // namespace
