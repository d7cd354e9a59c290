// A MATLAB file as matio itself reads it back (the nearest to MATLAB at
// hand): every stored class over more rows than one appended block, cell
// arrays and the descriptions, and a decode without a row.
#include <gtest/gtest.h>

#include <matio.h>

#include <memory>
#include <string>
#include <vector>

#include "decode/Decoder.h"
#include "matlab/MatlabSink.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tools/zrlwriter/ZrlDescriptionText.h"

namespace {

constexpr int64_t kStartMs = 1772704800000;
// More rows than the 65,536 of one block for this few columns.
constexpr std::size_t kRows = 70000;

const char kNumbersLog[] = R"(times 1772704800000 1772705600000
group 0 Eng
var 1 0 bool running
var 2 0 int rpm
var 3 0 float temp
var 4 0 double load
var 5 0 timestamp clock
repeat 70000 as k
  ts {k*10}
  bool 1 {k%2}
  int 2 {k*7-1000}
  float 3 {k*0.5}
  double 4 {k*0.001}
  tsval 5 {1500000000000000+k}
end
)";

// Few rows: matio takes long over every cell of a large cell array.
const char kTextLog[] = R"(times 1772704800000 1772705600000
serial SN-9
group 0 Eng
unit 1 rpm
var 1 0 int rpm unit=1
var 2 0 string state
repeat 3 as k
  ts {k*20}
  int 1 {k}
  string 2 "idle"
  ts {k*20+10}
  string 2 "läuft"
end
)";

struct MatFile {
  mat_t* mat = nullptr;
  explicit MatFile(const std::string& path) : mat(Mat_Open(path.c_str(), MAT_ACC_RDONLY)) {}
  ~MatFile() {
    if (mat != nullptr) Mat_Close(mat);
  }
};

struct VarDeleter {
  void operator()(matvar_t* v) const { Mat_VarFree(v); }
};
using Var = std::unique_ptr<matvar_t, VarDeleter>;

std::string decodeToMat(const std::string& description, int64_t startMs = 0) {
  const zrlwriter::ZrlDescription log = zrlwriter::parseZrlDescription(description);
  const std::string dir = zrltest::makeTempSubdir("matread");
  zrlwriter::writeZrlFile(dir + "/LOG1.zrl", log.head, log.body, log.options);
  zrl::Decoder d(dir + "/LOG1.zrl", false, [](uint64_t, uint64_t, const std::string&) {});
  zrl::MatlabSink sink;
  d.setRowSink(&sink);
  d.setOutputPath(dir + "/out.mat");
  d.settings().startMs = startMs;
  EXPECT_TRUE(d.run());
  return d.outputPath();
}

// The text of a char array as matio gives it (UTF-16 code units here).
std::u16string charText(const matvar_t* v) {
  if (v == nullptr || v->class_type != MAT_C_CHAR) return u"<not char>";
  std::u16string text;
  const std::size_t n = v->nbytes / (v->data_size > 0 ? v->data_size : 1);
  for (std::size_t i = 0; i < n && v->data != nullptr; ++i)
    text.push_back(v->data_size == 2 ? static_cast<const char16_t*>(v->data)[i]
                                     : static_cast<char16_t>(static_cast<const uint8_t*>(v->data)[i]));
  return text;
}

template <typename T>
T at(const matvar_t* v, std::size_t i) {
  return static_cast<const T*>(v->data)[i];
}

TEST(MatlabReadBackTest, MatioReadsEveryColumnAsItsClass) {
  const std::string path = decodeToMat(kNumbersLog);
  MatFile file(path);
  ASSERT_NE(file.mat, nullptr);
  EXPECT_EQ(Mat_GetVersion(file.mat), MAT_FT_MAT73);

  const struct {
    const char* name;
    matio_classes type;
    bool logical;
  } columns[] = {
      {"time_ms", MAT_C_INT64, false},      {"t", MAT_C_DOUBLE, false},
      {"Eng_running", MAT_C_UINT8, true},   {"Eng_running_valid", MAT_C_UINT8, true},
      {"Eng_rpm", MAT_C_INT32, false},      {"Eng_rpm_valid", MAT_C_UINT8, true},
      {"Eng_temp", MAT_C_SINGLE, false},    {"Eng_load", MAT_C_DOUBLE, false},
      {"Eng_clock", MAT_C_INT64, false},
      {"Eng_clock_valid", MAT_C_UINT8, true},
  };
  for (const auto& c : columns) {
    const Var info(Mat_VarReadInfo(file.mat, c.name));
    ASSERT_NE(info, nullptr) << c.name;
    EXPECT_EQ(info->class_type, c.type) << c.name;
    EXPECT_EQ(info->isLogical != 0, c.logical) << c.name;
    ASSERT_EQ(info->rank, 2) << c.name;
    EXPECT_EQ(info->dims[0], kRows) << c.name;
    EXPECT_EQ(info->dims[1], 1u) << c.name;
  }

  const Var time(Mat_VarRead(file.mat, "time_ms"));
  const Var t(Mat_VarRead(file.mat, "t"));
  const Var running(Mat_VarRead(file.mat, "Eng_running"));
  const Var rpm(Mat_VarRead(file.mat, "Eng_rpm"));
  const Var temp(Mat_VarRead(file.mat, "Eng_temp"));
  const Var load(Mat_VarRead(file.mat, "Eng_load"));
  const Var clock(Mat_VarRead(file.mat, "Eng_clock"));
  const Var valid(Mat_VarRead(file.mat, "Eng_clock_valid"));
  ASSERT_TRUE(time && t && running && rpm && temp && load && clock && valid);
  // Rows on either side of the block boundary, and the last one.
  for (const std::size_t row : {std::size_t{0}, std::size_t{1}, std::size_t{65535}, std::size_t{65536}, kRows - 1}) {
    const auto k = static_cast<int64_t>(row);
    EXPECT_EQ(at<int64_t>(time.get(), row), kStartMs + k * 10) << row;
    EXPECT_DOUBLE_EQ(at<double>(t.get(), row), static_cast<double>(k) / 100.0) << row;
    EXPECT_EQ(at<uint8_t>(running.get(), row), k % 2) << row;
    EXPECT_EQ(at<int32_t>(rpm.get(), row), k * 7 - 1000) << row;
    EXPECT_FLOAT_EQ(at<float>(temp.get(), row), static_cast<float>(k) * 0.5f) << row;
    EXPECT_NEAR(at<double>(load.get(), row), static_cast<double>(k) * 0.001, 1e-9) << row;
    EXPECT_EQ(at<int64_t>(clock.get(), row), 1500000000000000 + k) << row;
    EXPECT_EQ(at<uint8_t>(valid.get(), row), 1) << row;
  }
}

TEST(MatlabReadBackTest, MatioReadsTheTextsAndDescriptions) {
  MatFile file(decodeToMat(kTextLog));
  ASSERT_NE(file.mat, nullptr);
  const Var state(Mat_VarRead(file.mat, "Eng_state"));
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(state->class_type, MAT_C_CELL);
  ASSERT_EQ(state->rank, 2);
  EXPECT_EQ(state->dims[0], 6u);
  EXPECT_EQ(state->dims[1], 1u);
  for (int row = 0; row < 6; ++row)
    EXPECT_EQ(charText(Mat_VarGetCell(state.get(), row)), row % 2 == 0 ? u"idle" : u"l\u00e4uft") << row;

  const Var names(Mat_VarRead(file.mat, "names"));
  ASSERT_NE(names, nullptr);
  EXPECT_EQ(names->class_type, MAT_C_STRUCT);
  const matvar_t* rpm = Mat_VarGetStructFieldByName(names.get(), "Eng_rpm", 0);
  ASSERT_NE(rpm, nullptr);
  EXPECT_EQ(charText(Mat_VarGetStructFieldByName(const_cast<matvar_t*>(rpm), "name", 0)), u"Eng.rpm");
  EXPECT_EQ(charText(Mat_VarGetStructFieldByName(const_cast<matvar_t*>(rpm), "unit", 0)), u"rpm");
  const Var log(Mat_VarRead(file.mat, "log"));
  ASSERT_NE(log, nullptr);
  EXPECT_EQ(charText(Mat_VarGetStructFieldByName(log.get(), "serial", 0)), u"SN-9");
  const matvar_t* start = Mat_VarGetStructFieldByName(log.get(), "start_ms", 0);
  ASSERT_NE(start, nullptr);
  EXPECT_EQ(at<int64_t>(start, 0), kStartMs);
}

// A window after the last row: every column is there, empty, of its class.
TEST(MatlabReadBackTest, MatioReadsAFileWithoutRows) {
  MatFile file(decodeToMat(kTextLog, kStartMs + 750000));
  ASSERT_NE(file.mat, nullptr);
  for (const char* name : {"time_ms", "t", "Eng_rpm", "Eng_rpm_valid", "Eng_state"}) {
    const Var v(Mat_VarRead(file.mat, name));
    ASSERT_NE(v, nullptr) << name;
    std::size_t elements = 1;
    for (int d = 0; d < v->rank; ++d) elements *= v->dims[d];
    EXPECT_EQ(elements, 0u) << name;
  }
  const Var valid(Mat_VarReadInfo(file.mat, "Eng_rpm_valid"));
  ASSERT_NE(valid, nullptr);
  EXPECT_NE(valid->isLogical, 0);
}

}  // namespace
