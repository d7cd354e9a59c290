// Batch runs from the command line: the CSV they write, the configuration
// they use, what they print and how they end.
#include <gtest/gtest.h>

#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "tests/e2e/DecoderSandbox.h"

namespace {

using zrltest::DecoderSandbox;
using zrltest::decoderProgram;
using zrltest::fileExists;
using zrltest::readFile;
using zrltest::runProgram;
using zrltest::writeFile;

std::vector<std::pair<std::string, std::string>> withLocale(const DecoderSandbox& box, const char* locale) {
  auto environment = box.environment();
  environment.emplace_back("LC_ALL", locale);
  return environment;
}

// Start and end are a quarter second past a whole second on purpose: the
// time-window edits only show whole seconds.
const char kEngineLog[] = R"(version 4
times 1700000000250 1700000003250
serial SN-7
group 1 Engine
unit 1 rpm
var 1 1 float Speed decimals=1
var 2 1 int Rpm unit=1
int 2 1
ts 0
int 2 800
float 1 12.5
ts 1000
int 2 900
ts 2000
float 1 13.3
ts 3000
int 2 1000
)";

const char kEngineConfig[] = R"({
  "floatFormat": "1 decimal", "columnSeparator": ";", "decimalSeparator": ".",
  "utc": true, "milliseconds": true, "cell_filling": true, "units": true,
  "selected_vars": ["Engine.Rpm", "Engine.Speed"]
})";

const std::string kEngineCsv =
    "\xEF\xBB\xBF"
    "Date;Hour;Engine_Rpm;Engine_Speed\r\n"
    ";;rpm;\r\n"
    "14/11/2023;22:13:20.250;800;12.5\r\n"
    "14/11/2023;22:13:21.250;900;12.5\r\n"
    "14/11/2023;22:13:22.250;900;13.3\r\n"
    "14/11/2023;22:13:23.250;1000;13.3\r\n";

struct EngineCase {
  DecoderSandbox box;
  std::string log;
  std::string conf;
  explicit EngineCase(const std::string& hint, const std::string& config = kEngineConfig) : box(hint) {
    log = box.makeLog("engine.zrl", kEngineLog);
    conf = box.work + "/conf.json";
    writeFile(conf, config);
  }
};

TEST(BatchRun, WritesTheWholeFileAndSaysSo) {
  EngineCase c("batch-ok");
  ASSERT_FALSE(c.log.empty());
  const std::string csv = c.box.work + "/out.csv";
  auto r = c.box.runDecoder({"--batch", "--zrl", c.log, "--conf", c.conf, "--csv", csv});
  EXPECT_EQ(r.exitStatus, 0) << r.out << r.err;
  EXPECT_EQ(r.out, "\nCSV written: " + csv + "\nSuccessfully done.\n");
  EXPECT_EQ(readFile(csv), kEngineCsv);
  // --conf is used as given: no scratch configuration, nothing remembered.
  EXPECT_FALSE(fileExists(c.box.scratchConfig()));
  EXPECT_FALSE(fileExists(c.box.settingsFile()));
}

TEST(BatchRun, AllDataOverridesTheSelectionAndExistingOutputIsKept) {
  EngineCase c("batch-alldata", R"({"floatFormat": "1 decimal", "milliseconds": true, "units": true,
                                    "selected_vars": ["Engine.Speed"]})");
  const std::string csv = c.box.work + "/out.csv";
  writeFile(csv, "precious");
  auto r = c.box.runDecoder({"--batch", "--alldata", "--zrl", c.log, "--conf", c.conf, "--csv", csv});
  EXPECT_EQ(r.exitStatus, 0) << r.out;
  EXPECT_EQ(readFile(csv), "precious");
  EXPECT_EQ(readFile(c.box.work + "/out (2).csv"), kEngineCsv);
}

TEST(BatchRun, GeneratedNameUsesOutputDirectoryPrefixAndStart) {
  EngineCase c("batch-name");
  const std::string config = std::string(kEngineConfig).substr(0, std::string(kEngineConfig).size() - 2) +
                             ", \"outputDirName\": \"" + c.box.work + "\", \"frequency\": \"None\"}";
  writeFile(c.conf, config);
  auto r = c.box.runDecoder({"--batch", "--zrl", c.log, "--conf", c.conf});
  EXPECT_EQ(r.exitStatus, 0) << r.out;
  EXPECT_EQ(readFile(c.box.work + "/engi-20231114-221320.csv"), kEngineCsv);
}

TEST(BatchRun, VerbosePrintsParametersAndProgress) {
  EngineCase c("batch-verbose", R"({"floatFormat": "1 decimal", "utc": true, "units": false,
      "selected_vars": ["Engine.Rpm"], "var": ["Engine.Rpm"], "aliasVal": ["RPM"],
      "maxVar": ["Engine.Rpm"], "maxVal": ["5000"], "columnSeparator": "tab"})");
  const std::string csv = c.box.work + "/v.csv";
  auto r = c.box.runDecoder({"--batch", "--verbose", "--zrl", c.log, "--conf", c.conf, "--csv", csv});
  EXPECT_EQ(r.exitStatus, 0) << r.out;
  const std::string summaryHead = "ZRL decode parameters : \n  - ZRL file : " + c.log +
                                  "\n  - CSV file : " + csv + "\n  - Tarvix Serial num : SN-7\n  - Start : ";
  EXPECT_NE(r.out.find(summaryHead), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  - Resampling : \n  - Leave Blank Cell : 0\n  - Msec in date : 0\n"
                       "  - Float format : 1 decimal\n  - Column separator : tab\n"
                       "  - Decimal separator : .\n  - UTC : 1\n  - Unit line : 0\n"
                       "  - Aliases : \n    - Engine.Rpm = RPM\n"
                       "  - Filters : \n    - Engine.Rpm = maximum\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("Parsing JSON configuration file..." + c.conf + "\n"), std::string::npos);
  EXPECT_NE(r.out.find("100% \nCSV written: " + csv + "\nSuccessfully done.\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("Exiting ZRL decoder."), std::string::npos);
  EXPECT_EQ(readFile(csv), "\xEF\xBB\xBF" "Date\tHour\tRPM\r\n"
                           "14/11/2023\t22:13:20\t800\r\n14/11/2023\t22:13:21\t900\r\n"
                           "14/11/2023\t22:13:22\t900\r\n14/11/2023\t22:13:23\t1000\r\n");
}

TEST(BatchRun, RunsThatCannotDecodeEndWithStatusOne) {
  struct Case {
    const char* name;
    std::string config;
    std::string expectedOut;
  };
  const std::vector<Case> cases = {
      {"no-selection", "{}",
       "⚠️ ERROR: No variables selected for decoding. Please select at least one variable.\nExit on error.\n"},
      {"same-separators", R"({"columnSeparator": ",", "decimalSeparator": ",", "selected_vars": ["Engine.Rpm"]})",
       "⚠️ ERROR: Decimal separator and column separator cannot be identical\nExit on error.\n"},
  };
  for (const Case& k : cases) {
    EngineCase c(k.name, k.config);
    const std::string csv = c.box.work + "/out.csv";
    auto r = c.box.runDecoder({"--batch", "--zrl", c.log, "--conf", c.conf, "--csv", csv}, 30);
    EXPECT_FALSE(r.timedOut) << k.name;
    EXPECT_EQ(r.exitStatus, 1) << k.name;
    EXPECT_EQ(r.err, k.expectedOut) << k.name;
    EXPECT_EQ(r.out, "") << k.name;  // a script reading the output sees no failure text
    EXPECT_FALSE(fileExists(csv)) << k.name;
  }

  DecoderSandbox box("batch-nofile");
  auto r = box.runDecoder({"--batch"}, 30);
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_NE(r.err.find("--zrl"), std::string::npos) << r.err;
}

TEST(BatchRun, DecodeErrorsEndWithExitOnError) {
  DecoderSandbox box("batch-error");
  // A stored size that does not match the body: reported at the end.
  const std::string log = box.makeLog("wrong.zrl", std::string(kEngineLog) + "stored-size correct+5\n");
  ASSERT_FALSE(log.empty());
  const std::string csv = box.work + "/out.csv";
  auto r = box.runDecoder({"--batch", "--alldata", "--zrl", log, "--csv", csv});
  EXPECT_EQ(r.exitStatus, 1) << r.out;
  EXPECT_NE(r.err.find("Error while decoding: The log ends early (inconsistent file size) after 14/11/2023 22:13:23: "
                       "4 rows written to " + csv + "\nExit on error.\n"),
            std::string::npos)
      << r.err;

  // A refused file ends the run before any decode.
  const std::string bad = box.work + "/bad.zrl";
  writeFile(bad, std::string(900000, 'x'));
  r = box.runDecoder({"--batch", "--alldata", "--zrl", bad, "--csv", csv});
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_NE(r.err.find("Unable to read magic section\n"), std::string::npos) << r.err;
}

// Names are bytes: a log, a table and a configuration whose names are not
// UTF-8 are used under any locale, and messages show those bytes.
TEST(BatchRun, NamesThatAreNotUtf8AreOpenedByTheirBytes) {
  EngineCase c("latin1");
  const std::string log = c.box.work + "/essai_\xE9.zrl";
  const std::string conf = c.box.work + "/conf_\xE9.json";
  const std::string csv = c.box.work + "/sortie_\xE9.csv";
  ASSERT_EQ(rename(c.log.c_str(), log.c_str()), 0);
  ASSERT_EQ(rename(c.conf.c_str(), conf.c_str()), 0);
  for (const char* locale : {"C", "C.UTF-8"}) {
    unlink(csv.c_str());
    auto r = runProgram(decoderProgram(), {"--batch", "--zrl", log, "--conf", conf, "--csv", csv},
                        withLocale(c.box, locale));
    EXPECT_EQ(r.exitStatus, 0) << locale << r.out << r.err;
    EXPECT_EQ(r.out, "\nCSV written: " + c.box.work + "/sortie_\\xE9.csv\nSuccessfully done.\n") << locale;
    EXPECT_EQ(readFile(csv), kEngineCsv) << locale;
  }
  const std::string missing = c.box.work + "/absent_\xE9.zrl";
  auto r = c.box.runDecoder({"--batch", "--zrl", missing, "--conf", conf, "--csv", csv + "2"});
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_NE(r.err.find("absent_\\xE9.zrl"), std::string::npos) << r.err;
  r = c.box.runDecoder({"--info", "--zrl", log});
  EXPECT_EQ(r.exitStatus, 0) << r.out;
}

TEST(StartupConfiguration, ScratchConfigurationIsRecreatedEmpty) {
  EngineCase c("scratch");
  const std::string scratch = c.box.scratchConfig();
  mkdir((c.box.configHome + "/Tessaline").c_str(), 0755);
  mkdir((c.box.configHome + "/Tessaline/ZRL_decoder").c_str(), 0755);
  writeFile(scratch, kEngineConfig);
  // With the scratch file emptied the selection it held is gone.
  auto r = c.box.runDecoder({"--batch", "--zrl", c.log, "--csv", c.box.work + "/o.csv"});
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_TRUE(fileExists(scratch));
  EXPECT_EQ(readFile(scratch), "");
  // An empty scratch file is no error worth reporting.
  EXPECT_EQ(r.out.find("Error while parsing"), std::string::npos) << r.out;
  struct stat folder {};
  ASSERT_EQ(stat((c.box.configHome + "/Tessaline/ZRL_decoder").c_str(), &folder), 0);
  EXPECT_EQ(folder.st_mode & 0777, 0700u);
}

// The shared temporary directory is nobody's to decide with: a link planted
// at the old scratch name is not followed, and a configuration planted
// there chooses nothing.
TEST(StartupConfiguration, NamesPlantedInTheTemporaryDirectoryAreIgnored) {
  EngineCase c("planted");
  const std::string victim = c.box.work + "/precious";
  writeFile(victim, "precious");
  ASSERT_EQ(symlink(victim.c_str(), (c.box.tmp + "/decoderConf.json").c_str()), 0);
  auto r = c.box.runDecoder({"--batch", "--zrl", c.log, "--csv", c.box.work + "/o.csv"});
  EXPECT_EQ(r.exitStatus, 1) << r.out;  // nothing selected
  EXPECT_EQ(readFile(victim), "precious");
  EXPECT_EQ(readFile(c.box.scratchConfig()), "");

  ASSERT_EQ(unlink((c.box.tmp + "/decoderConf.json").c_str()), 0);
  writeFile(c.box.tmp + "/decoderConf.json", kEngineConfig);
  r = c.box.runDecoder({"--batch", "--zrl", c.log, "--csv", c.box.work + "/p.csv"});
  EXPECT_EQ(r.exitStatus, 1) << r.out;
  EXPECT_FALSE(fileExists(c.box.work + "/p.csv"));
}

TEST(StartupConfiguration, RememberedConfigurationIsLoaded) {
  EngineCase c("remembered");
  mkdir((c.box.configHome + "/Tessaline").c_str(), 0700);
  writeFile(c.box.settingsFile(), "[General]\nlastConfigFile=" + c.conf + "\n");
  const std::string csv = c.box.work + "/out.csv";
  auto r = c.box.runDecoder({"--batch", "--verbose", "--zrl", c.log, "--csv", csv});
  EXPECT_EQ(r.exitStatus, 0) << r.out;
  EXPECT_EQ(r.out.find("Found last config file: " + c.conf + "\nAuto-loading last config file: " + c.conf + "\n"),
            0u)
      << r.out;
  EXPECT_EQ(readFile(csv), kEngineCsv);
  EXPECT_FALSE(fileExists(c.box.scratchConfig()));
}

}  // namespace
