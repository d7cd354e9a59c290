// What scripts ask of a batch run beyond the configuration: a time window,
// a variable list, an output directory, several logs; and the statuses and
// messages of runs that must not decode.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/DecoderSandbox.h"

namespace {

using zrltest::DecoderSandbox;
using zrltest::fileExists;
using zrltest::readFile;
using zrltest::writeFile;

// Rows a quarter second past 22:13:20, 21, 22, 23 and 24 (UTC, 14 Nov 2023).
const char kLog[] = R"(version 4
times 1700000000250 1700000004250
group 1 Engine
var 1 1 float Speed decimals=1
var 2 1 int Rpm
int 2 1
ts 0
int 2 800
float 1 12.5
ts 1000
int 2 900
ts 2000
int 2 950
float 1 13.3
ts 3000
int 2 1000
ts 4000
int 2 1100
)";

const char kRpmConfig[] = R"({"utc": true, "milliseconds": true, "selected_vars": ["Engine.Rpm"]})";

const char* const kRows[] = {"14/11/2023;22:13:20.250;800\r\n", "14/11/2023;22:13:21.250;900\r\n",
                             "14/11/2023;22:13:22.250;950\r\n", "14/11/2023;22:13:23.250;1000\r\n",
                             "14/11/2023;22:13:24.250;1100\r\n"};

std::string rpmCsv(std::initializer_list<int> rows) {
  std::string csv = "\xEF\xBB\xBF" "Date;Hour;Engine_Rpm\r\n";
  for (int row : rows) csv += kRows[row];
  return csv;
}

struct LogCase {
  DecoderSandbox box;
  std::string log;
  std::string conf;
  std::string csv;
  LogCase(const std::string& hint, const std::string& config) : box(hint) {
    log = box.makeLog("engine.zrl", kLog);
    conf = box.work + "/conf.json";
    csv = box.work + "/out.csv";
    writeFile(conf, config);
  }
  zrltest::ProcessResult batch(std::vector<std::string> args,
                               std::vector<std::pair<std::string, std::string>> env = {}) const {
    std::vector<std::string> all = {"--batch", "--conf", conf, "--zrl", log};
    all.insert(all.end(), args.begin(), args.end());
    auto variables = box.environment();
    variables.insert(variables.end(), env.begin(), env.end());
    return zrltest::runProgram(zrltest::decoderProgram(), all, variables);
  }
};

TEST(BatchOptions, TimeWindowFromTheCommandLine) {
  struct Case {
    std::vector<std::string> args;
    const char* config;
    std::string expectedCsv;
    std::vector<std::pair<std::string, std::string>> env;
  };
  const char* localConfig = R"({"utc": false, "milliseconds": true, "selected_vars": ["Engine.Rpm"]})";
  const std::vector<Case> cases = {
      {{"--start", "+0.5", "--end", "+1.5"}, kRpmConfig, rpmCsv({1}), {}},
      {{"--start", "2023-11-14T22:13:20.750Z", "--end", "2023-11-14T23:13:22.750+01:00"}, kRpmConfig,
       rpmCsv({1, 2}), {}},
      {{"--start", "2023-11-14T22:13:21.750"}, kRpmConfig, rpmCsv({2, 3, 4}), {}},
      // Without a zone and with "utc" off the time is the local one the CSV shows.
      {{"--start", "2023-11-14T23:13:21.750"}, localConfig,
       "\xEF\xBB\xBF" "Date;Hour;Engine_Rpm\r\n14/11/2023;23:13:22.250;950\r\n14/11/2023;23:13:23.250;1000\r\n"
       "14/11/2023;23:13:24.250;1100\r\n",
       {{"TZ", "CET-1"}}},
  };
  for (const Case& c : cases) {
    LogCase run("window", c.config);
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--csv", run.csv});
    auto r = run.batch(args, c.env);
    EXPECT_EQ(r.exitStatus, 0) << c.args[1] << r.out;
    EXPECT_EQ(readFile(run.csv), c.expectedCsv) << c.args[1];
  }
}

TEST(BatchOptions, TimeWindowOutsideTheFileOrReversed) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"--start", "2023-11-14T22:13:19Z"}, 1, "Start Time selected is below start time of the file"},
      {{"--end", "+10"}, 1, "End Time selected is over end time of the file"},
      {{"--start", "+2", "--end", "2023-11-14T22:13:21Z"}, 2, "--end 2023-11-14T22:13:21Z is before --start +2"},
  };
  for (const Case& c : cases) {
    LogCase run("window-bad", kRpmConfig);
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--csv", run.csv});
    auto r = run.batch(args);
    EXPECT_EQ(r.exitStatus, c.status) << c.args[1];
    EXPECT_NE((r.out + r.err).find(c.message), std::string::npos) << r.out << r.err;
  }
}

TEST(BatchOptions, VariableListReplacesTheSelection) {
  struct Case {
    std::string vars;
    int status;
    std::string header;  // empty: no CSV
    std::string message;  // followed by the log's path, then `tail`
    std::string tail;
  };
  const std::vector<Case> cases = {
      {"Engine.Rpm", 0, "Date;Hour;Engine_Rpm", "", ""},
      {"Engine.*", 0, "Date;Hour;Engine_Rpm;Engine_Speed", "", ""},
      {"Engine.Sp?ed,Oil.Temp", 0, "Date;Hour;Engine_Speed", "Warning: variable Oil.Temp is not in ", "\n"},
      {"Oil.*,Engine.Rpm,[XY]*", 1, "", "Error: no variable of ", " matches Oil.*, [XY]*\n"},
  };
  for (const Case& c : cases) {
    LogCase run("vars", "{}");
    auto r = run.batch({"--vars", c.vars, "--csv", run.csv});
    EXPECT_EQ(r.exitStatus, c.status) << c.vars << r.out;
    if (c.header.empty()) EXPECT_FALSE(fileExists(run.csv)) << c.vars;
    else EXPECT_EQ(readFile(run.csv).substr(3, c.header.size() + 2), c.header + "\r\n") << c.vars;
    const std::string& said = r.err;
    if (c.message.empty()) EXPECT_EQ(r.err, "") << c.vars;
    else EXPECT_NE(said.find(c.message + run.log + c.tail), std::string::npos) << c.vars << said;
  }

  LogCase configured("vars-configured", R"({"selected_vars": ["Engine.Rpm", "Gone.Var"]})");
  auto r = configured.batch({"--csv", configured.csv});
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.err, "Warning: variable Gone.Var is not in " + configured.log + "\n");
}

TEST(BatchOptions, OutputDirectoryIsCreatedOrTheFailureNamed) {
  LogCase given("out-dir", kRpmConfig);
  const std::string dir = given.box.work + "/new/nested";
  auto r = given.batch({"--out-dir", dir});
  EXPECT_EQ(r.exitStatus, 0) << r.out;
  EXPECT_EQ(readFile(dir + "/engi-20231114-221320.csv"), rpmCsv({0, 1, 2, 3, 4}));
  EXPECT_EQ(r.err, "");  // standard error is no terminal here: no progress line

  // A fresh account has no Desktop, the default destination.
  LogCase fresh("out-default", kRpmConfig);
  r = fresh.batch({});
  EXPECT_EQ(r.exitStatus, 0) << r.out;
  EXPECT_TRUE(fileExists(fresh.box.home + "/Desktop/engi-20231114-221320.csv"));

  LogCase blocked("out-blocked", kRpmConfig);
  writeFile(blocked.box.work + "/file", "");
  r = blocked.batch({"--out-dir", blocked.box.work + "/file/sub"});
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_NE(r.err.find("Cannot create output directory " + blocked.box.work + "/file/sub: Not a directory\n"),
            std::string::npos)
      << r.err;

  // A run that cannot decode makes no folder.
  LogCase refused("out-refused", R"({"selected_vars": ["Gone.Var"]})");
  r = refused.batch({"--out-dir", refused.box.work + "/never"});
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_FALSE(fileExists(refused.box.work + "/never"));
}

TEST(BatchOptions, UnusableConfigurationStopsBatchAndInfo) {
  struct Case {
    const char* name;
    std::string reason;
  };
  const std::vector<Case> cases = {
      {"missing.json", "No such file or directory"},
      {"dir.json", "not a regular file"},
      {"bad.json", "not valid JSON"},
  };
  for (const char* mode : {"--batch", "--info"}) {
    for (const Case& c : cases) {
      DecoderSandbox box("bad-conf");
      const std::string log = box.makeLog("engine.zrl", kLog);
      mkdir((box.work + "/dir.json").c_str(), 0700);
      writeFile(box.work + "/bad.json", "{\"utc\": ");
      const std::string conf = box.work + "/" + c.name;
      auto r = box.runDecoder({mode, "--alldata", "--conf", conf, "--zrl", log, "--out-dir", box.work});
      EXPECT_EQ(r.exitStatus, 1) << mode << c.name;
      EXPECT_NE(r.err.find("Error: configuration " + conf + ": " + c.reason), std::string::npos) << r.err;
      EXPECT_EQ(r.out.find('{'), std::string::npos) << r.out;
      EXPECT_FALSE(fileExists(box.work + "/engi-20231114-221320.csv")) << mode << c.name;
    }
  }
}

TEST(BatchOptions, InfoOnFilesThatAreNoLogsFails) {
  DecoderSandbox box("info-bad");
  const std::string log = box.makeLog("engine.zrl", kLog);
  writeFile(box.work + "/short.zrl", readFile(log).substr(0, 1000));
  for (const std::string& path : {box.work + "/missing.zrl", box.work + "/short.zrl"}) {
    auto r = box.runDecoder({"--info", "--zrl", path});
    EXPECT_EQ(r.exitStatus, 1) << path;
    EXPECT_EQ(r.out.find('{'), std::string::npos) << r.out;
    EXPECT_FALSE(r.err.empty()) << path;
  }
}

TEST(BatchOptions, SeveralLogsEachToItsOwnFile) {
  LogCase run("several", kRpmConfig);
  const std::string second = run.box.makeLog("engine2.zrl", kLog);
  writeFile(run.box.work + "/bad.zrl", std::string(900000, 'x'));
  const std::string out = run.box.work + "/out";

  auto r = run.batch({second, "--out-dir", out});
  EXPECT_EQ(r.exitStatus, 0) << r.out;
  EXPECT_NE(r.out.find("2 decoded, 0 failed\n"), std::string::npos) << r.out;
  // Same first four letters and start: the second file gets its own name.
  EXPECT_EQ(readFile(out + "/engi-20231114-221320.csv"), rpmCsv({0, 1, 2, 3, 4}));
  EXPECT_EQ(readFile(out + "/engi-20231114-221320 (2).csv"), rpmCsv({0, 1, 2, 3, 4}));

  r = run.batch({run.box.work + "/bad.zrl", second, "--out-dir", out});
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_NE(r.err.find("Unable to read magic section\n"), std::string::npos) << r.err;
  EXPECT_EQ(r.out.substr(r.out.size() - 20), "2 decoded, 1 failed\n") << r.out;
  EXPECT_TRUE(fileExists(out + "/engi-20231114-221320 (4).csv"));
}

}  // namespace
