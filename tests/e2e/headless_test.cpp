// Batch and info runs make no widget: they work where no Qt platform plugin
// can be loaded, and each log of a batch run is decoded on its own terms.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/DecoderSandbox.h"

namespace {

using zrltest::DecoderSandbox;
using zrltest::fileExists;
using zrltest::readFile;
using zrltest::writeFile;

const char kEngineLog[] = R"(version 4
times 1700000000000 1700000002000
group 1 Engine
var 1 1 int Rpm
int 1 1
ts 0
int 1 800
ts 1000
int 1 900
)";

// Another log with a variable the first one lacks.
const char kWiderLog[] = R"(version 4
times 1700000000000 1700000002000
group 1 Engine
group 2 Gps
var 1 1 int Rpm
var 2 2 int Fix
int 1 1
ts 0
int 1 700
int 2 3
)";

// The sandbox's bare machine, with a platform plugin that does not exist:
// anything that made a widget would abort.
zrltest::ProcessResult runWithoutPlatform(const DecoderSandbox& box, const std::vector<std::string>& args) {
  auto environment = box.environment();
  for (auto& variable : environment)
    if (variable.first == "QT_QPA_PLATFORM") variable.second = "nonexistent";
  return zrltest::runProgram(zrltest::decoderProgram(), args, environment);
}

TEST(Headless, BatchInfoAndSeveralLogsNeedNoPlatformPlugin) {
  DecoderSandbox box("headless");
  const std::string first = box.makeLog("first.zrl", kEngineLog);
  const std::string second = box.makeLog("second.zrl", kWiderLog);

  auto r = runWithoutPlatform(box, {"--info", first});
  EXPECT_EQ(r.exitStatus, 0) << r.err;
  EXPECT_NE(r.out.find("\"Engine.Rpm\""), std::string::npos) << r.out;

  r = runWithoutPlatform(box, {"--batch", "--alldata", "--csv", box.work + "/one.csv", first});
  EXPECT_EQ(r.exitStatus, 0) << r.out << r.err;
  EXPECT_TRUE(fileExists(box.work + "/one.csv"));

  r = runWithoutPlatform(box, {"--batch", "--alldata", "--out-dir", box.work + "/out", first, second});
  EXPECT_EQ(r.exitStatus, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("2 decoded, 0 failed\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.err, "");
}

// Each log gets its own selection: every variable of that log, the patterns
// matched against that log, and one log's failure changes no other's.
TEST(Headless, EachLogOfABatchHasItsOwnSelection) {
  DecoderSandbox box("own-selection");
  const std::string first = box.makeLog("first.zrl", kEngineLog);
  const std::string second = box.makeLog("second.zrl", kWiderLog);
  writeFile(box.work + "/bad.zrl", std::string(900000, 'x'));

  struct Case {
    std::vector<std::string> selection;
    std::string secondHeader;  // a column the second log's table must have
  };
  const std::vector<Case> cases = {
      {{"--alldata"}, "Gps_Fix"},
      {{"--vars", "Gps.Fix,Engine.R*"}, "Gps_Fix"},
  };
  for (const Case& c : cases) {
    const std::string out = box.work + "/out-" + c.selection.front().substr(2);
    std::vector<std::string> args{"--batch", "--out-dir", out};
    args.insert(args.end(), c.selection.begin(), c.selection.end());
    args.insert(args.end(), {box.work + "/bad.zrl", first, second});
    auto r = box.runDecoder(args);
    EXPECT_EQ(r.exitStatus, 1) << r.out;  // the bad log
    EXPECT_NE(r.out.find("2 decoded, 1 failed\n"), std::string::npos) << r.out;
    const std::string secondCsv = readFile(out + "/seco-20231114-221320.csv");
    EXPECT_NE(secondCsv.find(c.secondHeader), std::string::npos) << secondCsv;
    EXPECT_NE(readFile(out + "/firs-20231114-221320.csv").find("Engine_Rpm"), std::string::npos);
  }
}

// A configuration made from the command line selects what --vars named, and
// a batch run with it decodes those variables.
TEST(Headless, PrintConfigMakesAConfigurationTheRunCanUse) {
  DecoderSandbox box("print-config");
  const std::string second = box.makeLog("second.zrl", kWiderLog);
  auto r = box.runDecoder({"--print-config", "--vars", "Gps.*", "--out-dir", box.work + "/out"});
  ASSERT_EQ(r.exitStatus, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_NE(r.out.find("\"selected_vars\" : \n\t[\n\t\t\"Gps.*\"\n\t]"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"floatFormat\" : \"Tarvik\""), std::string::npos) << r.out;
  writeFile(box.work + "/c.json", r.out);

  r = box.runDecoder({"--batch", "--conf", box.work + "/c.json", second});
  EXPECT_EQ(r.exitStatus, 0) << r.err;
  const std::string csv = readFile(box.work + "/out/seco-20231114-221320.csv");
  EXPECT_NE(csv.find("Gps_Fix"), std::string::npos) << csv;
  EXPECT_EQ(csv.find("Engine_Rpm"), std::string::npos) << csv;
}

// Several logs give one document each, a bad one fails without keeping the
// others from theirs; --stats adds what one pass over the records tells.
TEST(Headless, InfoOnSeveralLogsAndWithStatistics) {
  DecoderSandbox box("info-stats");
  const std::string first = box.makeLog("first.zrl", kEngineLog);
  writeFile(box.work + "/bad.zrl", std::string(900000, 'x'));
  auto r = box.runDecoder({"--info", first, box.work + "/bad.zrl", first});
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_EQ(r.out.find("\"data\""), r.out.rfind("\"data\"") - r.out.size() / 2) << r.out;  // twice, the same
  EXPECT_NE(r.err.find("Unable to read magic section"), std::string::npos) << r.err;

  r = box.runDecoder({"--info", "--stats", first});
  ASSERT_EQ(r.exitStatus, 0) << r.err;
  for (const char* member :
       {"\t\"duration\" : 2.0,\n", "\t\"records\" : 5,\n", "\t\"timestamps\" : 2,\n",
        "\t\t\t\"first\" : 1700000000000,\n", "\t\t\t\"last\" : 1700000001000,\n",
        "\t\t\t\"max\" : 900.0,\n", "\t\t\t\"min\" : 1.0,\n", "\t\t\t\"rate\" : 2.0,\n",
        "\t\t\t\"samples\" : 3,\n", "\t\t\t\"typename\" : \"Integer\",\n"})
    EXPECT_NE(r.out.find(member), std::string::npos) << member << r.out;

  r = box.runDecoder({"--stats", first});
  EXPECT_EQ(r.exitStatus, 2);
}

// A log whose head cannot be read is explained once, and nothing follows:
// no selection to miss, no decode to fail.
TEST(Headless, AnUnreadableHeadIsSaidOnce) {
  DecoderSandbox box("head-once");
  const std::string first = box.makeLog("first.zrl", kEngineLog);
  const std::string cut = box.work + "/cut.zrl";
  writeFile(cut, readFile(first).substr(0, 1000));
  const std::string said = "Cannot read the head of " + cut + ": the file ends at byte 1000, the head needs ";
  for (const char* mode : {"--batch", "--info"}) {
    auto r = box.runDecoder({mode, "--alldata", cut});
    EXPECT_EQ(r.exitStatus, 1) << mode;
    EXPECT_EQ(r.err.rfind(said, 0), 0u) << mode << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << mode << r.err;  // that line alone
    EXPECT_EQ(r.out, "") << mode;
  }
}

}  // namespace
