// The HDF5 and MATLAB files as files: named, published and refused like the
// CSV, never left partial under their final name; and the pieces that decide
// what goes into them (stored types, MATLAB identifiers, text).
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "decode/Decoder.h"
#include "decode/FreeOutputName.h"
#include "hdf5/Hdf5Sink.h"
#include "hdf5/TypedColumns.h"
#include "hdf5/Utf8Text.h"
#include "matlab/MatlabIdentifiers.h"
#include "matlab/MatlabSink.h"
#include "reader/DataTypes.h"
#include "tests/decode/ChildProcess.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tools/zrlwriter/ZrlDescriptionText.h"

namespace {

using zrl::Decoder;

const char kLog[] = R"(times 1772704800000 1772704900000
group 0 Eng
var 1 0 int rpm
var 2 0 double load
var 3 0 string state
repeat 1000
  ts {i*100}
  int 1 {i*7}
  double 2 {i*0.001}
  string 3 "on"
end
)";

std::string writeLog(const std::string& description) {
  const zrlwriter::ZrlDescription log = zrlwriter::parseZrlDescription(description);
  const std::string path = zrltest::makeTempSubdir("typedlog") + "/LOG1.zrl";
  zrlwriter::writeZrlFile(path, log.head, log.body, log.options);
  return path;
}

std::set<std::string> entriesIn(const std::string& dir) {
  std::set<std::string> names;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (const dirent* e = ::readdir(d)) {
      const std::string name = e->d_name;
      if (name != "." && name != "..") names.insert(name);
    }
    ::closedir(d);
  }
  return names;
}

std::string fileHead(const std::string& path, std::size_t n) {
  std::string head(n, '\0');
  const int fd = ::open(path.c_str(), O_RDONLY);
  const ssize_t got = fd >= 0 ? ::pread(fd, &head[0], n, 0) : -1;
  if (fd >= 0) ::close(fd);
  head.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return head;
}

struct Format {
  const char* name;
  const char* extension;
  std::function<std::unique_ptr<zrl::RowSink>()> make;
  std::string signature;  // the file's first bytes
};

void PrintTo(const Format& format, std::ostream* out) { *out << format.name; }

const Format kFormats[] = {
    {"hdf5", ".h5", [] { return std::make_unique<zrl::Hdf5Sink>(); }, "\x89HDF\r\n\x1A\n"},
    {"mat", ".mat", [] { return std::make_unique<zrl::MatlabSink>(); }, "MATLAB 7.3 MAT-file"},
};

struct Outcome {
  bool ok = false;
  bool cancelled = false;
  std::string outputPath;
  std::vector<std::string> messages;
};

Outcome decodeTo(const Format& format, const std::string& log, const std::string& output,
             const std::function<void(Decoder&)>& configure = {}) {
  Outcome run;
  Decoder d(log, false, [&](uint64_t, uint64_t, const std::string& m) {
    if (!m.empty()) run.messages.push_back(m);
  });
  std::unique_ptr<zrl::RowSink> sink = format.make();
  d.setRowSink(sink.get());
  d.setOutputPath(output);
  if (configure) configure(d);
  run.ok = d.run();
  run.cancelled = d.cancelled();
  run.outputPath = d.outputPath();
  return run;
}

class TypedFileTest : public ::testing::TestWithParam<Format> {};

INSTANTIATE_TEST_SUITE_P(Formats, TypedFileTest, ::testing::ValuesIn(kFormats),
                         [](const ::testing::TestParamInfo<Format>& param) { return std::string(param.param.name); });

// Written as "<name>.part", then named: the first free name, or the asked
// one itself when it is to be replaced.
TEST_P(TypedFileTest, TakesItsNameLikeTheCsv) {
  const Format& format = GetParam();
  const std::string log = writeLog(kLog);
  const std::string dir = zrltest::makeTempSubdir("named");
  const std::string first = dir + "/out" + format.extension;
  const std::string second = dir + "/out (2)" + format.extension;

  const Outcome one = decodeTo(format, log, first);
  ASSERT_TRUE(one.ok) << (one.messages.empty() ? "" : one.messages[0]);
  EXPECT_EQ(one.outputPath, first);
  EXPECT_EQ(fileHead(first, format.signature.size()), format.signature);
  const Outcome two = decodeTo(format, log, first);
  EXPECT_TRUE(two.ok);
  EXPECT_EQ(two.outputPath, second);
  const Outcome replaced = decodeTo(format, log, first, [](Decoder& d) { d.settings().replaceOutput = true; });
  EXPECT_TRUE(replaced.ok);
  EXPECT_EQ(replaced.outputPath, first);
  EXPECT_EQ(entriesIn(dir), (std::set<std::string>{"out" + std::string(format.extension),
                                                   "out (2)" + std::string(format.extension)}));
}

// A ".part" that a killed run left (its lock gone) does not hold its name;
// one that is not plainly ours does.
TEST_P(TypedFileTest, TakesOverItsOwnAbandonedPart) {
  const Format& format = GetParam();
  const std::string log = writeLog(kLog);
  for (const bool ours : {true, false}) {
    const std::string dir = zrltest::makeTempSubdir("abandoned");
    const std::string output = dir + "/out" + format.extension;
    zrltest::writeFile(zrl::partFileName(output), ours ? format.signature + "cut short" : "a download");
    const Outcome run = decodeTo(format, log, output);
    EXPECT_TRUE(run.ok);
    EXPECT_EQ(run.outputPath, ours ? output : dir + "/out (2)" + format.extension) << ours;
  }
}

// Every refusal is named, and leaves the directory as it was.
TEST_P(TypedFileTest, RefusesWithoutLeavingAFile) {
  const Format& format = GetParam();
  const bool hdf5 = std::string(format.name) == "hdf5";
  const std::string log = writeLog(kLog);
  std::string oddType = kLog;
  oddType.replace(oddType.find("var 3 0 string state"), 20, "var 3 0 9 state");
  const struct {
    const char* name;
    std::string log;
    std::function<void(Decoder&)> configure;
    std::string message;
  } cases[] = {
      {"a name that cannot be made valid", log,
       [hdf5](Decoder& d) { d.setAliases({{"Eng.rpm", hdf5 ? "." : "°/°"}}); },
       hdf5 ? "Cannot name the dataset of Eng.rpm: \".\" cannot be made a valid name"
            : "Cannot name the MATLAB variable of Eng.rpm: \"°/°\" cannot be made a valid identifier"},
      {"a type without a typed form", writeLog(oddType), {},
       "Cannot write Eng.state: its type (UNKNOWN) has no typed form"},
      {"standard output", log, [](Decoder& d) { d.setOutputDescriptor(1); },
       "Failed to open output file -: this format is written to a regular file only"},
  };
  for (const auto& c : cases) {
    const std::string dir = zrltest::makeTempSubdir("refused");
    const Outcome run = decodeTo(format, c.log, dir + "/out" + format.extension, c.configure);
    EXPECT_FALSE(run.ok) << c.name;
    EXPECT_EQ(run.messages, std::vector<std::string>{c.message}) << c.name;
    EXPECT_TRUE(entriesIn(dir).empty()) << c.name;
  }
}

// Two columns cannot share a dataset name; MATLAB identifiers are numbered
// apart instead, as they are derived anyway.
TEST(TypedFileNamesTest, HdfRefusesTwoColumnsOfOneName) {
  const std::string dir = zrltest::makeTempSubdir("taken");
  const Outcome run = decodeTo(kFormats[0], writeLog(kLog), dir + "/out.h5", [](Decoder& d) {
    d.setAliases({{"Eng.rpm", "speed"}, {"Eng.load", "speed"}});
  });
  EXPECT_FALSE(run.ok);
  EXPECT_EQ(run.messages, std::vector<std::string>{"Cannot name the dataset of Eng.rpm: \"speed\" is taken by Eng.load"});
  EXPECT_TRUE(entriesIn(dir).empty());
}

// A full disk (here a file size limit) cuts the file: the decode fails with
// the system's words, and neither the file nor its ".part" stays.
TEST_P(TypedFileTest, FullDiskLeavesNoFile) {
  const Format& format = GetParam();
  std::string many = kLog;
  many.replace(many.find("repeat 1000"), 11, "repeat 200000");
  many.replace(many.find("1772704900000"), 13, "1772724800000");
  // Numbers that do not compress, so that the file outgrows the limit.
  many.replace(many.find("{i*0.001}"), 9, "{(i*i*7919 % 1000003) / 7}");
  const std::string log = writeLog(many);
  const int status = zrltest::inChildWithFileSizeLimit(256 << 10, [&] {
    const std::string dir = zrltest::makeTempSubdir("full");
    const Outcome run = decodeTo(format, log, dir + "/out" + format.extension);
    if (run.ok) return 1;
    if (run.messages != std::vector<std::string>{"Failed to write output file: File too large"}) {
      for (const std::string& m : run.messages) std::printf("%s\n", m.c_str());
      return 2;
    }
    return entriesIn(dir).empty() ? 0 : 3;
  });
  EXPECT_EQ(status, 0);
}

TEST_P(TypedFileTest, CancelLeavesNoFile) {
  const Format& format = GetParam();
  const std::string dir = zrltest::makeTempSubdir("cancel");
  const Outcome run = decodeTo(format, writeLog(kLog), dir + "/out" + format.extension,
                           [](Decoder& d) { d.requestCancel(); });
  EXPECT_TRUE(run.cancelled);
  EXPECT_TRUE(entriesIn(dir).empty());
}

TEST(MatlabIdentifierTest, MadeOfTheName) {
  const struct {
    std::vector<std::string> names;  // in turn, sharing what is taken
    std::vector<std::string> identifiers;
  } cases[] = {
      {{"Eng.rpm"}, {"Eng_rpm"}},
      {{"2nd gear"}, {"x2nd_gear"}},
      {{"_private"}, {"x_private"}},
      {{"Temp °C"}, {"Temp__C"}},
      {{"end"}, {"end_2"}},
      {{"a.b", "a b", "a_b"}, {"a_b", "a_b_2", "a_b_3"}},
      {{std::string(70, 'v')}, {std::string(63, 'v')}},
      {{std::string(70, 'v'), std::string(63, 'v')}, {std::string(63, 'v'), std::string(61, 'v') + "_2"}},
      {{"°/°"}, {""}},
      {{"__"}, {""}},
  };
  for (const auto& c : cases) {
    std::set<std::string> taken;
    for (std::size_t i = 0; i < c.names.size(); ++i)
      EXPECT_EQ(zrl::matlabIdentifier(c.names[i], taken), c.identifiers[i]) << c.names[i];
  }
}

TEST(TypedColumnsTest, StoredAsTheDecodeGivesThem) {
  using zrl::CellStorage;
  zrl::DecodeSettings plain;
  zrl::DecodeSettings mean = plain;
  mean.frequencyCode = 1;
  mean.periodMs = 1000;
  mean.method = zrl::AggregationMethod::Mean;
  zrl::DecodeSettings median = mean;
  median.method = zrl::AggregationMethod::Median;
  zrl::DecodeSettings maximum = mean;
  maximum.method = zrl::AggregationMethod::Max;
  const struct {
    uint8_t type;
    CellStorage plain, mean, median, maximum;
  } cases[] = {
      {zrl::DATALOGGER_BOOLEAN_TYPE, CellStorage::UInt8, CellStorage::Float64, CellStorage::UInt8, CellStorage::UInt8},
      {zrl::DATALOGGER_INTEGER_TYPE, CellStorage::Int32, CellStorage::Float64, CellStorage::Float64, CellStorage::Int32},
      {zrl::DATALOGGER_FLOAT_TYPE, CellStorage::Float32, CellStorage::Float32, CellStorage::Float32,
       CellStorage::Float32},
      {zrl::DATALOGGER_DOUBLE_TYPE, CellStorage::Float64, CellStorage::Float64, CellStorage::Float64,
       CellStorage::Float64},
      {zrl::DATALOGGER_STRING_TYPE, CellStorage::Text, CellStorage::Text, CellStorage::Text, CellStorage::Text},
      {zrl::DATALOGGER_CANFRAME_TYPE, CellStorage::Text, CellStorage::Text, CellStorage::Text, CellStorage::Text},
      {zrl::DATALOGGER_TIMESTAMP_TYPE, CellStorage::Int64, CellStorage::Int64, CellStorage::Int64,
       CellStorage::Int64},
  };
  for (const auto& c : cases) {
    zrl::OutputColumn column;
    column.fullName = "G.v";
    column.type = c.type;
    const std::pair<const zrl::DecodeSettings*, CellStorage> expected[] = {
        {&plain, c.plain}, {&mean, c.mean}, {&median, c.median}, {&maximum, c.maximum}};
    for (const auto& e : expected) {
      std::vector<zrl::TypedColumn> typed;
      std::string failure;
      ASSERT_TRUE(zrl::planTypedColumns(*e.first, {column}, typed, failure)) << failure;
      EXPECT_EQ(typed[0].storage, e.second) << int(c.type) << " method " << int(e.first->method);
    }
  }
}

TEST(Utf8TextTest, InvalidBytesBecomeReplacementCharacters) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"plain", "plain"},
      {"gr\xC3\xBC\xC3\x9F" "e", "gr\xC3\xBC\xC3\x9F" "e"},
      {"\xFFok", "\xEF\xBF\xBDok"},
      {"cut \xE2\x82", "cut \xEF\xBF\xBD\xEF\xBF\xBD"},
      {"overlong \xC0\xAF", "overlong \xEF\xBF\xBD\xEF\xBF\xBD"},
      {"surrogate \xED\xA0\x80", "surrogate \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
  };
  for (const auto& c : cases) {
    std::string out;
    zrl::appendValidUtf8(c.in.data(), c.in.size(), out);
    EXPECT_EQ(out, c.out) << c.in;
  }
  std::vector<uint16_t> units;
  zrl::utf16FromUtf8("a\xC3\xBC\xF0\x9F\x98\x80", units);
  EXPECT_EQ(units, (std::vector<uint16_t>{'a', 0xFC, 0xD83D, 0xDE00}));
}

}  // namespace
