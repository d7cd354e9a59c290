// Batch runs on damaged logs, unusable outputs and hand-edited
// configurations: every run ends within its time limit with a message and
// status 1 when the decode failed, keeps the rows written before a failure
// and never replaces an existing file.
#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

#include "tests/e2e/DecoderSandbox.h"
#include "tools/zrlwriter/ZrlWriter.h"

namespace {

using zrltest::DecoderSandbox;
using zrltest::fileExists;
using zrltest::readFile;
using zrltest::writeFile;

constexpr int kTimeoutSeconds = 30;

// One variable, one row per second; the body follows the description.
const char kHead[] = R"(version 4
times 1700000000000 1700000009000
group 1 Engine
var 1 1 int Rpm
var 2 1 string Text
)";

const char kRows[] = R"(ts 0
int 1 800
ts 1000
int 1 900
ts 2000
int 1 1000
)";

const std::string kBom = "\xEF\xBB\xBF";
const std::string kTable = kBom +
                           "Date;Hour;Engine_Rpm;Engine_Text\r\n"
                           "14/11/2023;22:13:20;800;\r\n"
                           "14/11/2023;22:13:21;900;\r\n"
                           "14/11/2023;22:13:22;1000;\r\n";
// The rows a decode keeps when the third row's records are unreadable.
const std::string kFirstTwoRows = kBom +
                                  "Date;Hour;Engine_Rpm;Engine_Text\r\n"
                                  "14/11/2023;22:13:20;800;\r\n"
                                  "14/11/2023;22:13:21;900;\r\n";

struct BatchCase {
  const char* name;
  std::string description;  // zrl-gen description of the log
  int status;
  std::string said;         // expected in standard output
  std::string table;        // expected CSV, byte for byte
};

zrltest::ProcessResult runBatch(const DecoderSandbox& box, const std::string& log, const std::string& csv,
                                const std::vector<std::string>& extra = {}) {
  std::vector<std::string> args = {"--batch", "--alldata", "--zrl", log, "--csv", csv};
  args.insert(args.end(), extra.begin(), extra.end());
  return box.runDecoder(args, kTimeoutSeconds);
}

TEST(HostileBatch, DamagedRecordStreams) {
  const std::string head = kHead;
  const std::string rows = kRows;
  const std::vector<BatchCase> cases = {
      {"string-too-long", head + "ts 0\nint 1 800\nts 1000\nint 1 900\nts 2000\nstring 2 x len=33\nint 1 7\nts 3000\n",
       1, "String too long (33)\n\nError while decoding: Failed to read file content\nExit on error.\n", kFirstTwoRows},
      {"can-too-long", head + "var 3 1 can Frame\n" + "ts 0\nint 1 800\nts 1000\nint 1 900\nts 2000\ncan 3 0x1 len=9\nts 3000\n",
       1, "CAN frame too long (9)\n", ""},
      {"id-past-the-catalog", head + "ts 0\nint 1 800\nts 1000\nint 1 900\nts 2000\nint 40000 1\nts 3000\n", 1,
       "Error while decoding: Failed to read file content\nExit on error.\n", kFirstTwoRows},
      {"unknown-type", head + "var 4 1 200 Odd\nts 0\nint 1 800\nts 1000\nint 1 900\nts 2000\nint 4 1\nts 3000\n", 1,
       "readVarData() failed: Unknown type=200, varName=Odd, varId=4\n", ""},
      {"gzip-cut", head + rows + "repeat 50\nts {3000 + i*10}\nint 1 {i}\nend\ntruncate-body 60\n", 1,
       "Error while decoding: Inconsistent file size\nExit on error.\n", ""},
      {"resampled-gzip-cut", head + rows + "repeat 50\nts {3000 + i*10}\nint 1 {i}\nend\ntruncate-body 60\n", 1,
       "Error while decoding: Inconsistent file size\nExit on error.\n", ""},
      // Cut after some rows: they are kept, and the run says how many and up to when.
      {"gzip-cut-after-rows", head + rows + "repeat 50\nts {3000 + i*10}\nint 1 {i}\nend\ntruncate-body 120\n", 1,
       "Error while decoding: The log ends early (inconsistent file size) after 14/11/2023 22:13:23: 11 rows written "
       "to ", ""},
      {"not-gzip", head + rows + "body plain\n", 0, "\nSuccessfully done.\n", kTable},
      {"gzip-members", head + rows + "members 3\n", 0, "\nSuccessfully done.\n", kTable},
      {"trailing-garbage", head + rows + "garbage \"\\0\\0PK\\x03\\x04 not gzip\"\n", 0, "\nSuccessfully done.\n", kTable},
  };
  for (const BatchCase& c : cases) {
    SCOPED_TRACE(c.name);
    DecoderSandbox box(c.name);
    const std::string log = box.makeLog("log.zrl", c.description);
    ASSERT_FALSE(log.empty());
    const std::string csv = box.work + "/out.csv";
    std::vector<std::string> extra;
    if (std::string(c.name).rfind("resampled", 0) == 0) {
      const std::string conf = box.work + "/conf.json";
      writeFile(conf, R"({"frequency": "1", "method": "Mean"})");
      extra = {"--conf", conf};
    }
    const auto r = runBatch(box, log, csv, extra);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitStatus, c.status) << r.out;
    const std::string& said = c.status == 0 ? r.out : r.err;
    EXPECT_NE(said.find(c.said), std::string::npos) << said;
    if (!c.table.empty()) {
      EXPECT_EQ(readFile(csv), c.table);
    }
  }
}

const std::string kDirectory = "<a directory>";

// The log with the 16-bit field at `fieldOffset` of variable 1's descriptor
// set to `value` (0: the id, 2: the group id).
std::string withDescriptorField(std::string bytes, std::size_t fieldOffset, uint16_t value) {
  namespace layout = zrlwriter::layout;
  const std::size_t at = layout::catalogOffset(4) + layout::descriptorsOffset(4) + 1 * layout::kDescriptorSize + fieldOffset;
  bytes[at] = static_cast<char>(value & 0xFF);
  bytes[at + 1] = static_cast<char>(value >> 8);
  return bytes;
}

TEST(HostileBatch, DamagedHeads) {
  DecoderSandbox box("heads");
  const std::string good = box.makeLog("good.zrl", std::string(kHead) + kRows);
  ASSERT_FALSE(good.empty());
  const std::string bytes = readFile(good);
  struct Case {
    const char* name;
    std::string content;
    std::string said;
  } cases[] = {
      {"empty", "", "Unable to read magic section\n"},
      {"not-a-log", std::string(5000, 'x'), "File has a bad magic number\n"},
      {"magic-only", bytes.substr(0, 4),
       "Cannot read the head of " + box.work + "/magic-only.zrl: the file ends at byte 4, the head needs 850805\n"},
      {"cut-in-the-catalog", bytes.substr(0, 500000),
       "Cannot read the head of " + box.work + "/cut-in-the-catalog.zrl: the file ends at byte 500000, the head "
       "needs 850805\n"},
      {"newer-format", bytes.substr(0, 1089) + std::string("\x05\0\0\0", 4) + bytes.substr(1093),
       "Decoder and zrl file format are not compatible. Decoder format version: 4.zrl file format version: 5\n"},
      {"group-id-2048", withDescriptorField(bytes, 2, 2048), "!!! GROUP_ID above limit: 2048\n"},
      {"id-field-20000", withDescriptorField(bytes, 0, 20000), "!!! VAR_ID above limit: 20000\n"},
      {"a-directory", kDirectory, "Failed to read from stream: Is a directory\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string log = box.work + "/" + c.name + ".zrl";
    if (c.content == kDirectory) {
      ASSERT_EQ(::mkdir(log.c_str(), 0700), 0);
    } else {
      writeFile(log, c.content);
    }
    const std::string csv = box.work + "/" + c.name + ".csv";
    const auto r = runBatch(box, log, csv);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitStatus, 1) << r.out;
    const std::size_t at = r.err.find(c.said);
    EXPECT_NE(at, std::string::npos) << r.err;
    EXPECT_EQ(r.err.find(c.said, at + 1), std::string::npos) << "said once: " << r.err;
    EXPECT_FALSE(fileExists(csv)) << "nothing to decode, no table";
  }

  const auto r = runBatch(box, box.work + "/missing.zrl", box.work + "/missing.csv");
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_NE(r.err.find("Decoder: Failed to open " + box.work + "/missing.zrl:No such file or directory\n"),
            std::string::npos)
      << r.out;
}

TEST(HostileBatch, OutputsThatCannotBeWrittenOrMustBeKept) {
  DecoderSandbox box("outputs");
  const std::string log = box.makeLog("log.zrl", std::string(kHead) + kRows);
  ASSERT_FALSE(log.empty());
  writeFile(box.work + "/a-file", "x");
  const std::pair<std::string, std::string> unwritable[] = {
      {box.work + "/no-such-dir/out.csv", "No such file or directory"},
      {box.work + "/a-file/out.csv", "Not a directory"}};
  for (const auto& [csv, reason] : unwritable) {
    SCOPED_TRACE(csv);
    const auto r = runBatch(box, log, csv);
    EXPECT_EQ(r.exitStatus, 1) << r.out;
    EXPECT_NE(r.err.find("Error while decoding: Failed to open output file " + csv + ": " + reason +
                         "\nExit on error.\n"),
              std::string::npos)
        << r.out;
  }
  // A link at the output name is a name in use: the table goes beside it
  // and the linked file stays as it was.
  const std::string victim = box.work + "/victim.txt";
  writeFile(victim, "keep");
  ASSERT_EQ(::symlink(victim.c_str(), (box.work + "/linked.csv").c_str()), 0);
  const auto r = runBatch(box, log, box.work + "/linked.csv");
  EXPECT_EQ(r.exitStatus, 0) << r.out;
  EXPECT_EQ(readFile(victim), "keep");
  EXPECT_EQ(readFile(box.work + "/linked (2).csv"), kTable);
}

TEST(HostileBatch, HandEditedConfigurations) {
  struct Case {
    const char* name;
    std::string json;
    std::string said;
  } cases[] = {
      {"wrong-types",
       R"({"utc": "no", "milliseconds": 1, "units": [], "cell_filling": {}, "floatFormat": 3,
           "columnSeparator": null, "decimalSeparator": [","], "frequency": 10, "method": false,
           "selected_vars": "Engine.Rpm", "var": {"a": 1}, "aliasVal": 5, "maxVar": [1, 2],
           "maxVal": "x", "minVar": ["Engine.Rpm", 7], "minVal": [null], "typeFilter_int": "yes",
           "zrl": 12, "outputDirName": []})",
       ""},
      {"unequal-arrays",
       R"({"var": ["Engine.Rpm"], "aliasVal": ["RPM", "extra", "more"], "maxVar": ["Engine.Rpm", "Engine.Text"],
           "maxVal": ["5000"], "minVar": ["Engine.Rpm"], "minVal": ["1", "2", "3"]})",
       ""},
      {"invalid-json", R"({"utc": tru)", "not valid JSON: "},
      {"not-an-object", R"(["utc", false])", "not a JSON object"},
      {"deep-nesting", std::string(100000, '['), "not valid JSON: "},
      {"binary", std::string("\x00\xFF\xFE{\"utc\"", 8), "not valid JSON: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DecoderSandbox box(c.name);
    const std::string log = box.makeLog("log.zrl", std::string(kHead) + kRows);
    ASSERT_FALSE(log.empty());
    const std::string conf = box.work + "/conf.json";
    writeFile(conf, c.json);
    const std::string csv = box.work + "/out.csv";
    const auto r = runBatch(box, log, csv, {"--conf", conf});
    EXPECT_FALSE(r.timedOut);
    EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
    EXPECT_EQ(readFile(conf), c.json) << "loading never rewrites the configuration";
    if (std::string(c.name) == "wrong-types") {
      // Ignored, each with a word on standard error.
      for (const char* warning : {": key \"selected_vars\" is not a list of texts; ignored\n",
                                  ": key \"utc\" is not true or false; ignored\n",
                                  ": key \"floatFormat\" is not a text; ignored\n"})
        EXPECT_NE(r.err.find("Warning: configuration " + conf + warning), std::string::npos) << r.err;
    }
    if (!c.said.empty()) {
      // A file that cannot be read as a whole stops the run: no decode with
      // settings the script did not ask for.
      EXPECT_EQ(r.exitStatus, 1) << r.out;
      EXPECT_NE(r.err.find("Error: configuration " + conf + ": not "), std::string::npos) << r.err;
      // Said once, with its reason.
      EXPECT_EQ(r.err.find(c.said), r.err.rfind(c.said)) << r.err;
      EXPECT_EQ(r.err.find("Error while"), std::string::npos) << r.err;
      EXPECT_FALSE(fileExists(csv));
      continue;
    }
    // What the file cannot say falls back to the defaults; --alldata picks
    // the variables, so the decode still runs.
    EXPECT_EQ(r.exitStatus, 0) << r.out;
    const std::string table = readFile(csv);
    EXPECT_EQ(table.substr(0, 3), kBom);
    EXPECT_NE(table.find("22:13:22"), std::string::npos) << table;
  }
}

}  // namespace
