// The command line as a user sees it: usage text, parser diagnostics, exit
// statuses and the refusal of the database options.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "tests/support/ProcessRunner.h"

namespace {

using zrltest::decoderProgram;
using zrltest::runProgram;

// Every option, under the program's own name whatever path started it.
std::string usage() {
  return "Usage: zrl-decoder [--zrl <path> Full path of file to decode]\n"
         "\t[--csv <file name> CSV output file name; - for standard output]\n"
         "\t[--conf <path> Json config file full path]\n"
         "\t[--alldata] decode all data\n"
         "\t[--batch] script mode: decode at startup and exit when completed\n"
         "\t[--verbose] print verbose message on console\n"
         "\t[--info] print ZRL info json string and exit.\n"
         "\t\t[--stats] with --info: also per variable its samples, times, rate and range (reads the whole log)\n"
         "\t[--start <time>] [--end <time>] time window of a batch run: 2026-03-14T09:27:53[.mmm][Z|+hh:mm]\n"
         "\t\t(no zone: UTC or local time as the configuration's \"utc\" says) or +<seconds> from the file's start\n"
         "\t[--vars <list>] comma-separated variable names or patterns (Engine.*), instead of the configured selection\n"
         "\t[--out-dir <dir>] output directory of this run\n"
         "\t[--force] the finished table replaces a file of the same name (atomically) instead of taking \"name (2)\"\n"
         "\t[--time iso|epoch-ms|seconds] one \"Time\" column instead of \"Date\" and \"Hour\": ISO 8601 with milliseconds\n"
         "\t\tand zone, milliseconds since 1970, or seconds from the log's start\n"
         "\t[--no-bom] no byte order mark at the start of the CSV file\n"
         "\t[--lf] CSV lines end with LF instead of CR LF\n"
         "\t[--format csv|hdf5|mat] the rows as CSV text (default), or as typed columns in an HDF5 (.h5) or a\n"
         "\t\tMATLAB v7.3 (.mat) file\n"
         "\t[--index] make the index of each log given (in $XDG_CACHE_HOME/zrl-decoder) and print its path\n"
         "\t[--no-index] neither use nor make log indexes (which let windows, previews and --stats skip inflating)\n"
         "\t[--quiet] no progress line on standard error\n"
         "\t[--print-config] print the configuration this run would use (--conf and the options) as JSON and exit\n"
         "\t[--influxBDD <database> --influxMeasurement <name>] batch rows to InfluxDB instead of a CSV file\n"
         "\t\t[--influxURL <url>] server address (default http://localhost:8086) [--influxGw <tag>] gateway tag\n"
         "\t[--watch <dir>] keep decoding every log that arrives in dir or below it, each once, until stopped\n"
         "\t\t[--settle <seconds>] a finalised log is taken once unchanged this long (default 5)\n"
         "\t\t[--rescan <seconds>] look at the whole folder this often besides its file events (default 30)\n"
         "\t\t[--jobs <n>] decode up to n logs at once (default 1)\n"
         "\t\t[--done-dir <dir>] [--failed-dir <dir>] move each log there after its decode\n"
         "\t[--watch-status [<dir>]] print what the watched folders have done, failed (and why) and pending\n"
         "\t[--version] print the program version and exit\n"
         "\t[-h, --help] print this text and exit\n"
         "\t[<log file>...] more logs, decoded in turn with the same settings, each to its own default-named CSV\n"
         "Errors and warnings go to standard error, results to standard output.\n"
         "Exit status: 0 success, 1 a load or decode failed, 2 usage error, 128+N ended by signal N.\n";
}

TEST(CommandLine, HelpPrintsUsageAndStopsBeforeAnythingElse) {
  const std::vector<std::vector<std::string>> cases = {
      {"--help"},
      {"--hel"},
      {"-h"},
      {"--influxBDD", "db", "--help"},          // stops before the database rule
      {"--zrl", "/nonexistent.zrl", "--help", "--batch"},
  };
  for (const auto& args : cases) {
    auto r = runProgram(decoderProgram(), args);
    EXPECT_EQ(r.exitStatus, 0) << args[0];
    EXPECT_EQ(r.out, usage()) << args[0];
    EXPECT_EQ(r.err, "") << args[0];
  }
}

TEST(CommandLine, VersionPrintsNameAndVersion) {
  auto r = runProgram(decoderProgram(), {"--version", "--bogus"});
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_TRUE(std::regex_match(r.out, std::regex("zrl-decoder [0-9]+\\.[0-9]+(\\.[0-9]+)?\n"))) << r.out;
  EXPECT_EQ(r.err, "");
}

TEST(CommandLine, UsageErrorsPrintDiagnosticThenUsageWithStatusTwo) {
  const std::vector<std::vector<std::string>> cases = {
      {"--bogus"},
      {"-x"},
      {"--zrl"},                 // missing argument
      {"--batch=yes"},           // argument to an option without one
      {"--influx", "x"},         // ambiguous prefix
      {"--start", "2026-02-30T10:00:00"},
      {"--end", "yesterday"},
      {"--start", "2026-03-14T09:27:53+25:00"},
      {"--end", "+-5"},
      {"--start", "+10", "--end", "+5"},
      {"--start", "2026-03-14T10:00:00Z", "--end", "2026-03-14T10:30:00+01:00"},
      {"--vars", ","},
      {"--out-dir="},
      {"--batch", "--zrl", "a.zrl", "--csv", ""},
      {"--csv", "out.csv", "a.zrl", "b.zrl"},
      {"--csv", "out.csv", "--zrl", "a.zrl", "b.zrl"},
      {"--time", "ISO"},  // the formats are lower case
  };
  for (const auto& args : cases) {
    auto r = runProgram(decoderProgram(), args);
    EXPECT_EQ(r.exitStatus, 2) << args[0];
    if (args[0] == "--time") {
      EXPECT_NE(r.err.find(": --time 'ISO' is unknown: choose iso, epoch-ms, seconds\n"), std::string::npos);
    }
    EXPECT_EQ(r.out, "") << args[0];
    ASSERT_GT(r.err.size(), usage().size()) << args[0];  // what was wrong, then the usage
    EXPECT_EQ(r.err.substr(r.err.size() - usage().size()), usage()) << args[0];
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
    EXPECT_EQ(r.out, "") << c.args[0];
    EXPECT_EQ(r.err, (c.message.empty() ? "" : decoderProgram() + ": " + c.message + "\n") +
                         usage())
        << c.args[0];
  }
}

TEST(CommandLine, WindowWithoutDisplayIsRefused) {
  const std::vector<std::pair<std::string, std::string>> bare = {
      {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}};
  for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"--zrl", "x.zrl"}}) {
    auto r = runProgram(decoderProgram(), args, bare);
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.err, "No display available: use --batch or --info for command-line work.\n");
  }
}

// A script with an empty variable must not open a window that never returns.
TEST(CommandLine, InfoWithoutALogIsAUsageError) {
  auto r = runProgram(decoderProgram(), {"--info"}, {{"DISPLAY", ":0"}});
  EXPECT_EQ(r.exitStatus, 2);
  EXPECT_EQ(r.err, decoderProgram() + ": --info needs a log file\n" + usage());
}

}  // namespace
