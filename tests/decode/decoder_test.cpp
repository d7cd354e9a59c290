#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "config/ControlTexts.h"
#include "tests/decode/ChildProcess.h"
#include "tests/decode/DecodeTestSupport.h"

using namespace zrl;

using namespace decodetest;
using zrlwriter::RecordEncoder;

namespace {

const char kEngineHeading[] = "Date;Hour;Bus_Flag;Engine_Speed;Engine_Temp\r\n";

// One timestamp per second from the file start, Speed = 100 + second.
std::string everySecond(int seconds) {
  RecordEncoder body;
  for (int s = 0; s < seconds; ++s) body.timestamp(uint64_t(s) * 1000).integer(3, 100 + s);
  return body.bytes();
}

std::size_t entriesIn(const std::string& dir) {
  std::size_t count = 0;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (const dirent* e = ::readdir(d)) count += e->d_name[0] != '.';
    ::closedir(d);
  }
  return count;
}

std::string rowAt(int second, int speed) {
  char text[64];
  std::snprintf(text, sizeof text, "05/03/2026;10:00:%02d;;%d;\r\n", second, speed);
  return text;
}

TEST(DecoderRunTest, EveryDataTypeAsACell) {
  zrlwriter::ZrlHead head;
  head.setTimeSpan(kTen, kTen + 10000);
  head.groups = {{0, "T"}};
  const char* names[] = {"", "a_bool", "b_int", "c_float", "d_double", "e_str", "f_can", "g_ts"};
  for (uint8_t type = 1; type <= 7; ++type) head.addVariable(type, 0, type, names[type]);
  RecordEncoder body;
  body.integer(2, 99)  // before the first timestamp: read, then ignored
      .timestamp(0)
      .boolean(1, 0x02)
      .integer(2, -2147483647 - 1)
      .floatValue(3, 1.25f)
      .doubleValue(4, 0.1)
      .string(5, std::string("ab\0cd", 5))
      .canFrame(6, 3, 0x123, std::string("\x11\x22\x33", 3))
      .timestampValue(7, 1500000000123456ULL)
      .timestamp(1000)
      .boolean(1, 0)
      .string(5, "")
      .canFrame(6, 0, 0x98FF0001, "")
      .timestamp(2000)
      .string(5, std::string(32, 'x'));
  const Outcome out = decode(writeLog(head, body.bytes()));
  EXPECT_TRUE(out.ok);
  EXPECT_TRUE(out.bom);
  EXPECT_TRUE(out.messages.empty()) << out.messages.front();
  EXPECT_EQ(out.csv,
            "Date;Hour;T_a_bool;T_b_int;T_c_float;T_d_double;T_e_str;T_f_can;T_g_ts\r\n"
            "05/03/2026;10:00:00;true;-2147483648;1.2500000;0.1000000;ab;123#11 22 33;"
            "1500000000123456\r\n"
            "05/03/2026;10:00:01;false;-2147483648;1.2500000;0.1000000;;18FF0001#;"
            "1500000000123456\r\n"
            "05/03/2026;10:00:02;false;-2147483648;1.2500000;0.1000000;" +
                std::string(31, 'x') + ";18FF0001#;1500000000123456\r\n");
}

TEST(DecoderRunTest, SettingsShapeTheTable) {
  RecordEncoder body;
  body.timestamp(0).integer(3, 900).floatValue(1, 20.256f).boolean(2, 1)
      .timestamp(250).integer(3, 905)
      .timestamp(500)
      .timestamp(750).integer(3, 2).floatValue(1, 120.5f);
  const std::string log = writeLog(engineHead(kTen, kTen + 1000), body.bytes());
  const Outcome out = decode(log, [](Decoder& d) {
    d.setColumnSeparator('\t');
    d.setDecimalSeparator(',');
    d.setFloatFormat(FloatFormat::Tarvik);
    d.setMilliseconds(true);
    d.setLeaveBlank(true);
    d.setUnitLine(true);
    d.setAliases({{"Engine.Speed", "RPM"}, {"Engine.Speed", "Revs"}, {"Gone.Var", "X"}});
    d.clearSelection();
    d.setSelected(3, true);
    d.setSelected(1, true);
  });
  EXPECT_TRUE(out.ok);
  EXPECT_EQ(out.csv,
            "Date\tHour\tRevs\tEngine_Temp\r\n"
            "\t\trpm\tdegC\r\n"
            "05/03/2026\t10:00:00.000\t900\t20,26\r\n"
            "05/03/2026\t10:00:00.250\t905\t\r\n"
            "05/03/2026\t10:00:00.750\t2\t120,50\r\n");

  // Filters: Speed at or below 5 and Temp at or above 100 drop their rows;
  // the row of 500 ms repeats the last known values.
  const Outcome filtered = decode(log, [](Decoder& d) {
    d.setFilters({{"Engine.Speed", "minimum", "5"}, {"Engine.Temp", "maximum", "100"}});
  });
  EXPECT_EQ(filtered.csv, std::string(kEngineHeading) +
                              "05/03/2026;10:00:00;true;900;20.2560005\r\n"
                              "05/03/2026;10:00:00;true;905;20.2560005\r\n"
                              "05/03/2026;10:00:00;true;905;20.2560005\r\n");
}

TEST(DecoderRunTest, TimeWindowInsideTheFile) {
  // Ten rows, 10:00:00 to 10:00:09; window 10:00:00-10:00:05.
  const std::string log = writeLog(engineHead(kTen, kTen + 9000), everySecond(10));
  const auto window = [](Decoder& d) {
    d.setStartMs(kTen);
    d.setEndMs(kTen + 5000);
  };
  Outcome out = decode(log, window);
  EXPECT_TRUE(out.ok);
  EXPECT_TRUE(out.messages.empty());
  std::string expected = kEngineHeading;
  for (int s = 0; s <= 5; ++s) expected += rowAt(s, 100 + s);
  EXPECT_EQ(out.csv, expected);

  // The same when 10:00:05 is the file's last timestamp.
  out = decode(writeLog(engineHead(kTen, kTen + 5000), everySecond(6)), window);
  EXPECT_TRUE(out.ok);
  EXPECT_EQ(out.csv, expected);

  // A window starting later skips the rows before it.
  out = decode(log, [](Decoder& d) { d.setStartMs(kTen + 7000); });
  EXPECT_EQ(out.csv, std::string(kEngineHeading) + rowAt(7, 107) + rowAt(8, 108) + rowAt(9, 109));
}

TEST(DecoderRunTest, ATimeIsInsideTheWindowExactlyFromStartToEnd) {
  // However far apart in time, and from 0 ms (a logger clock never set) on.
  constexpr int64_t kDay = 86400000;
  struct Case {
    const char* what;
    int64_t fileStart, fileEnd;
    std::vector<int64_t> offsets;  // one timestamp each, Speed = 1, 2, ...
    int64_t windowStart, windowEnd;  // 0: the file's own
    const char* rows;
  };
  const Case cases[] = {
      {"first record two days after the window start", kTen - 2 * kDay, kTen + 1000, {2 * kDay, 2 * kDay + 1000},
       0, 0, "05/03/2026;10:00:00;;1;\r\n05/03/2026;10:00:01;;2;\r\n"},
      {"a record two days past the window end", kTen, kTen + 3 * kDay, {0, 1000, 2 * kDay, 2 * kDay + 1000}, 0,
       kTen + 1500, "05/03/2026;10:00:00;;1;\r\n05/03/2026;10:00:01;;2;\r\n"},
      {"the last record two days past the window end", kTen, kTen + 3 * kDay, {0, 2 * kDay}, 0, kTen + 1500,
       "05/03/2026;10:00:00;;1;\r\n"},
      {"a log from 1970-01-01 00:00:00.000", 0, 1000, {0, 1000}, 0, 0,
       "01/01/1970;00:00:00;;1;\r\n01/01/1970;00:00:01;;2;\r\n"},
      {"both ends on a row", kTen, kTen + 5000, {0, 1000, 2000, 3000, 4000}, kTen + 2000, kTen + 3000,
       "05/03/2026;10:00:02;;3;\r\n05/03/2026;10:00:03;;4;\r\n"},
      {"start and end on the same row", kTen, kTen + 5000, {0, 1000, 2000, 3000}, kTen + 2000, kTen + 2000,
       "05/03/2026;10:00:02;;3;\r\n"},
      {"an end one millisecond before a row", kTen, kTen + 5000, {0, 1000, 2000, 3000}, kTen + 1000,
       kTen + 1999, "05/03/2026;10:00:01;;2;\r\n"},
      {"a start one millisecond after a row", kTen, kTen + 5000, {0, 1000, 2000, 3000}, kTen + 1,
       kTen + 1000, "05/03/2026;10:00:01;;2;\r\n"},
      // Negative times, compared and printed as such.
      {"both ends on rows before 1970", -90000, -30000, {0, 1000, 2000, 3000}, -89000, -88000,
       "31/12/1969;23:58:31;;2;\r\n31/12/1969;23:58:32;;3;\r\n"},
      {"a window across 1970", -2000, 2000, {0, 1000, 2000, 3000, 4000}, -1000, 1000,
       "31/12/1969;23:59:59;;2;\r\n01/01/1970;00:00:00;;3;\r\n01/01/1970;00:00:01;;4;\r\n"},
  };
  for (const Case& c : cases) {
    RecordEncoder body;
    for (std::size_t i = 0; i < c.offsets.size(); ++i)
      body.timestamp(static_cast<uint64_t>(c.offsets[i])).integer(3, static_cast<int32_t>(i + 1));
    const Outcome out = decode(writeLog(engineHead(c.fileStart, c.fileEnd), body.bytes()), [&](Decoder& d) {
      d.setStartMs(c.windowStart);
      d.setEndMs(c.windowEnd);
    });
    EXPECT_TRUE(out.ok) << c.what;
    EXPECT_EQ(out.csv, std::string(kEngineHeading) + c.rows) << c.what;
  }
}

TEST(DecoderRunTest, ResampledDoublesAggregateInDoublePrecision) {
  zrlwriter::ZrlHead head;
  head.setTimeSpan(kTen, kTen + 1000);
  head.groups = {{1, "T"}};
  head.addVariable(4, 1, zrlwriter::kDouble, "D");
  RecordEncoder body;
  body.timestamp(0).doubleValue(4, 1700000000.25).timestamp(250).doubleValue(4, 1700000000.75)
      .timestamp(500).doubleValue(4, 1700000000.5).doubleValue(4, std::nan("")).timestamp(1000);
  const std::string log = writeLog(head, body.bytes());
  struct Case {
    const char* method;
    const char* cell;
  };
  const Case cases[] = {{"Mean", "1700000000.5000000"}, {"Median", "1700000000.5000000"},
                        {"Min", "1700000000.2500000"}, {"Max", "1700000000.7500000"}};
  for (const Case& c : cases) {
    const Outcome out = decode(log, [&](Decoder& d) {
      d.setFrequency(frequencyCodeFromText("1"));
      d.setMethod(methodFromText(c.method));
    });
    EXPECT_EQ(out.csv, std::string("Date;Hour;T_D\r\n05/03/2026;10:00:00;") + c.cell + "\r\n") << c.method;
  }
}

TEST(DecoderRunTest, WindowLimitsAreTheFilesOwnStartAndEnd) {
  // A file that neither starts nor ends on a whole second.
  const int64_t start = kTen + 250, end = kTen + 2750;
  RecordEncoder body;
  body.timestamp(0).integer(3, 1).timestamp(2500).integer(3, 2);
  const std::string log = writeLog(engineHead(start, end), body.bytes());
  const std::string all = std::string(kEngineHeading) + "05/03/2026;10:00:00;;1;\r\n" +
                          "05/03/2026;10:00:02;;2;\r\n";
  for (const auto& limits : {std::pair<int64_t, int64_t>{0, 0}, {start, end}, {start, 0}, {0, end}}) {
    const Outcome out = decode(log, [&](Decoder& d) {
      d.setStartMs(limits.first);
      d.setEndMs(limits.second);
    });
    EXPECT_TRUE(out.ok) << limits.first << "-" << limits.second;
    EXPECT_TRUE(out.messages.empty());
    EXPECT_EQ(out.csv, all);
  }
  Outcome out = decode(log, [&](Decoder& d) { d.setStartMs(start - 1); });
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.messages, std::vector<std::string>{"Start Time selected is below start time of the file"});
  EXPECT_FALSE(zrltest::fileExists(out.outputPath));  // not even the byte order mark
  out = decode(log, [&](Decoder& d) { d.setEndMs(end + 1); });
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.messages, std::vector<std::string>{"End Time selected is over end time of the file"});
}

// Records that repeat the current time add no row of their own: the values
// after both land in the one row of that time.
TEST(DecoderRunTest, ARepeatedTimestampWritesOneRow) {
  RecordEncoder body;
  body.timestamp(0).integer(3, 1)
      .timestamp(1000).integer(3, 2)
      .timestamp(1000).integer(3, 3)
      .timestamp(2000).integer(3, 4);
  const Outcome out = decode(writeLog(engineHead(kTen, kTen + 2000), body.bytes()));
  EXPECT_TRUE(out.ok);
  EXPECT_EQ(out.csv, std::string(kEngineHeading) + rowAt(0, 1) + rowAt(1, 3) + rowAt(2, 4));
}

// Records are mostly taken in place from the inflated blocks; those that
// straddle a block's end, and strings between them, must come out the same.
TEST(DecoderRunTest, RecordsAcrossBlockEdgesDecodeLikeAnyOther) {
  zrlwriter::ZrlHead head = engineHead(kTen, kTen + 399990);
  head.addVariable(4, 0, zrlwriter::kString, "Note", 0, 0);
  RecordEncoder body;
  std::string expected = "Date;Hour;Bus_Flag;Bus_Note;Engine_Speed;Engine_Temp\r\n";
  std::string note;
  for (int row = 0; row < 40000; ++row) {  // about four blocks of records
    body.timestamp(uint64_t(row) * 10).integer(3, row).floatValue(1, row * 0.25f);
    body.boolean(2, uint8_t(row % 3));
    if (row % 7 == 0) body.string(4, note = "n" + std::to_string(row % 1000));
    char line[96];
    std::snprintf(line, sizeof line, "05/03/2026;10:%02d:%02d;%s;%s;%d;%d.%02d00000\r\n",
                  row / 6000, row / 100 % 60, row % 3 != 0 ? "true" : "false", note.c_str(),
                  row, row / 4, row % 4 * 25);
    expected += line;
  }
  const Outcome out = decode(writeLog(head, body.bytes()));
  EXPECT_TRUE(out.ok);
  EXPECT_TRUE(out.csv == expected) << "first difference at byte "
      << std::mismatch(out.csv.begin(), out.csv.end(), expected.begin(), expected.end()).first - out.csv.begin();
}

// Rows start at the first timestamp inside the window, however long after
// its start: one lying a day later opens it as well.
TEST(DecoderRunTest, TheFirstRowInsideTheWindowOpensItHoweverLate) {
  constexpr int64_t kDay = 86400000;
  struct Case { int64_t firstRowMs; std::string rows; };
  const Case cases[] = {
      {kDay - 1000, "06/03/2026;09:59:59;;1;\r\n06/03/2026;10:00:00;;2;\r\n"},
      {kDay, "06/03/2026;10:00:00;;1;\r\n06/03/2026;10:00:01;;2;\r\n"},
  };
  for (const Case& c : cases) {
    RecordEncoder body;
    body.timestamp(uint64_t(c.firstRowMs)).integer(3, 1);
    body.timestamp(uint64_t(c.firstRowMs) + 1000).integer(3, 2);
    const Outcome out = decode(writeLog(engineHead(kTen, kTen + kDay + 1000), body.bytes()));
    EXPECT_TRUE(out.ok) << c.firstRowMs;
    EXPECT_EQ(out.csv, kEngineHeading + c.rows) << c.firstRowMs;
  }
}

std::string binRow(int second, int speed) {
  char text[64];
  std::snprintf(text, sizeof text, "05/03/2026;10:00:%02d.500;;%d;\r\n", second, speed);
  return text;
}

struct BinCase {
  const char* name;
  std::string body;
  int64_t startOffset;  // window, ms after 10:00:00; 0: the file's own
  int64_t endOffset;
  std::vector<std::pair<int, int>> rows;  // (second, Speed) at each bin's middle
  bool ok;
};

// 1 Hz, Last. Every row lies in the second of the data it holds; the bin
// open when the records end is written too, unless the decode is cancelled.
TEST(DecoderRunTest, ResampledRowsCarryTheTimeOfTheirData) {
  RecordEncoder seconds;  // 10:00:00.300 to 10:00:09.300, Speed = the second
  for (int s = 0; s < 10; ++s) seconds.timestamp(uint64_t(s) * 1000).integer(3, s);
  const std::string gap = RecordEncoder()
                              .timestamp(0).integer(3, 1)
                              .timestamp(700).integer(3, 2)      // 10:00:01.000
                              .timestamp(4800).integer(3, 3)     // 10:00:05.100
                              .timestamp(4900).integer(3, 4)
                              .bytes();
  const std::string broken = RecordEncoder()
                                 .timestamp(0).integer(3, 1)
                                 .timestamp(1000).integer(3, 2)
                                 .integer(7, 1)                  // an unused slot
                                 .bytes();
  const BinCase cases[] = {
      {"gap", gap, 0, 0, {{0, 1}, {1, 2}, {5, 4}}, true},
      {"window opening late", seconds.bytes(), 5300, 0, {{5, 5}, {6, 6}, {7, 7}, {8, 8}, {9, 9}}, true},
      {"window ending on a timestamp", seconds.bytes(), 5300, 7300, {{5, 5}, {6, 6}, {7, 7}}, true},
      {"window ending between timestamps", seconds.bytes(), 5300, 6800, {{5, 5}, {6, 6}}, true},
      {"damaged record", broken, 0, 0, {{0, 1}, {1, 2}}, false},
  };
  for (const BinCase& c : cases) {
    const std::string log = writeLog(engineHead(kTen + 300, kTen + 9300), c.body);
    const Outcome out = decode(log, [&](Decoder& d) {
      d.setFrequency(frequencyCodeFromText("1"));
      d.setMethod(AggregationMethod::Last);
      d.setMilliseconds(true);
      d.setLeaveBlank(true);
      if (c.startOffset != 0) d.setStartMs(kTen + c.startOffset);
      if (c.endOffset != 0) d.setEndMs(kTen + c.endOffset);
    });
    std::string expected = kEngineHeading;
    for (const auto& row : c.rows) expected += binRow(row.first, row.second);
    EXPECT_EQ(out.ok, c.ok) << c.name;
    EXPECT_EQ(out.csv, expected) << c.name;
  }

  // A cancel while a bin is open writes no row for it, and the partial
  // table goes with the cancel.
  RecordEncoder oneBin;
  oneBin.timestamp(0);
  for (int i = 0; i < 1000; ++i) oneBin.integer(3, i);
  const Outcome cancelled = decode(
      writeLog(engineHead(kTen + 300, kTen + 9300), oneBin.bytes()),
      [](Decoder& d) { d.setFrequency(frequencyCodeFromText("1")); },
      [](Decoder& d, int step) {
        if (step == 3) d.requestCancel();
      });
  EXPECT_TRUE(cancelled.ok);
  EXPECT_EQ(cancelled.csv, "");
}

// The cells of the last column of a table, heading left out.
std::vector<std::string> lastCells(const std::string& csv) {
  std::vector<std::string> cells;
  for (std::size_t at = csv.find("\r\n") + 2; at < csv.size();) {
    const std::size_t end = csv.find("\r\n", at);
    const std::string line = csv.substr(at, end - at);
    cells.push_back(line.substr(line.rfind(';') + 1));
    at = end + 2;
  }
  return cells;
}

// Integer cells are made by the row's own digit conversion, not formatInt's:
// every point where it switches between ways of making digits is checked.
TEST(DecoderRunTest, IntegerCellsAtTheDigitConversionSwitchPoints) {
  const struct {
    int32_t value;
    const char* text;
  } cases[] = {{0, "0"},          {9, "9"},          {10, "10"},          {9999, "9999"},
               {10000, "10000"},  {-10000, "-10000"}, {99999999, "99999999"}, {100000000, "100000000"},
               {100000001, "100000001"}, {-99999999, "-99999999"}, {-100000000, "-100000000"},
               {999999999, "999999999"}, {1000000000, "1000000000"}, {2147483647, "2147483647"},
               {-2147483647 - 1, "-2147483648"}, {-1, "-1"}};
  RecordEncoder body;
  std::string expected = kEngineHeading;
  int second = 0;
  for (const auto& c : cases) {
    body.timestamp(uint64_t(second) * 1000).integer(3, c.value);
    expected += "05/03/2026;10:00:" + std::string(second < 10 ? "0" : "") + std::to_string(second) + ";;" +
                c.text + ";\r\n";
    ++second;
  }
  const Outcome out = decode(writeLog(engineHead(kTen, kTen + (second - 1) * 1000), body.bytes()));
  EXPECT_TRUE(out.ok);
  EXPECT_EQ(out.csv, expected);
}

// The largest finite Float in a bin stays itself whatever the method: no
// sum or middle may overflow, and its text is the one an unresampled row has.
TEST(DecoderRunTest, TheLargestFloatSurvivesEveryAggregation) {
  const std::string digits = "340282346638528859811704183484516925440.0000000";
  const std::string log = writeLog(engineHead(kTen, kTen + 2000),
                                   RecordEncoder()
                                       .timestamp(0).floatValue(1, FLT_MAX)
                                       .timestamp(400).floatValue(1, FLT_MAX)
                                       .timestamp(1000).floatValue(1, -FLT_MAX)
                                       .timestamp(1400).floatValue(1, -FLT_MAX)
                                       .timestamp(2000)
                                       .bytes());
  const auto onlyTemp = [](Decoder& d) {
    d.clearSelection();
    d.setSelected(1, true);
  };
  const Outcome plain = decode(log, onlyTemp);
  EXPECT_EQ(lastCells(plain.csv), (std::vector<std::string>{digits, digits, "-" + digits, "-" + digits, "-" + digits}));
  for (const AggregationMethod method :
       {AggregationMethod::Mean, AggregationMethod::Median, AggregationMethod::Min, AggregationMethod::Max}) {
    const Outcome out = decode(log, [&](Decoder& d) {
      onlyTemp(d);
      d.setFrequency(frequencyCodeFromText("1"));
      d.setMethod(method);
    });
    EXPECT_EQ(lastCells(out.csv), (std::vector<std::string>{digits, "-" + digits}))
        << "method " << static_cast<int>(method);
  }
}

// To standard output a cancelled table is not taken back, so the bin open
// at the cancel must not be written: only the bins closed before it are.
TEST(DecoderRunTest, ACancelledResampledTableOnAStreamEndsWithTheLastClosedBin) {
  RecordEncoder body;  // Speed = the second, every millisecond for 3 s
  for (int t = 0; t < 3000; ++t) body.timestamp(uint64_t(t)).integer(3, t / 1000);
  const std::string log = writeLog(engineHead(kTen, kTen + 2999), body.bytes());
  const struct {
    int cancelStep;  // a progress step every 100 records, 50 ms of data
    const char* rows;
  } cases[] = {{5, ""}, {30, "05/03/2026;10:00:00;;0;\r\n"}};
  for (const auto& c : cases) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    // A table that outgrew the pipe fails its write instead of waiting.
    ASSERT_EQ(::fcntl(ends[1], F_SETFL, O_NONBLOCK), 0);
    const Outcome out = decode(
        log,
        [&](Decoder& d) {
          d.setOutputPath("-");
          d.setOutputDescriptor(ends[1]);
          d.setFrequency(frequencyCodeFromText("1"));
          d.setMethod(AggregationMethod::Last);
        },
        [&](Decoder& d, int step) {
          if (step == c.cancelStep) d.requestCancel();
        });
    ::close(ends[1]);
    std::string table;
    char chunk[4096];
    for (ssize_t n; (n = ::read(ends[0], chunk, sizeof chunk)) > 0;) table.append(chunk, n);
    ::close(ends[0]);
    EXPECT_TRUE(out.ok);
    EXPECT_EQ(table, "\xEF\xBB\xBF" + std::string(kEngineHeading) + c.rows) << "cancel at step " << c.cancelStep;
  }
}

TEST(DecoderRunTest, ABinBeyondItsStorageLimitEndsTheDecode) {
  RecordEncoder body;
  body.timestamp(0).integer(3, 7).timestamp(1000);
  for (int i = 0; i < 140000; ++i) body.integer(3, i);  // 8 bytes each kept for a Median
  const std::string log = writeLog(engineHead(kTen, kTen + 1000), body.bytes());
  const auto resample = [](AggregationMethod method) {
    return [method](Decoder& d) {
      d.setFrequency(frequencyCodeFromText("1"));
      d.setMethod(method);
      d.setBinLimitBytes(std::size_t{1} << 20);
    };
  };
  Outcome out = decode(log, resample(AggregationMethod::Median));
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.messages, std::vector<std::string>{"Resampling stopped: one bin holds more than 1 "
                                                   "MiB of samples; choose a higher frequency or "
                                                   "another method"});
  EXPECT_EQ(out.csv, std::string(kEngineHeading) + "05/03/2026;10:00:00;;7;\r\n");
  out = decode(log, resample(AggregationMethod::Mean));
  EXPECT_TRUE(out.ok);
  EXPECT_EQ(out.csv, std::string(kEngineHeading) + "05/03/2026;10:00:00;;7;\r\n" +
                         "05/03/2026;10:00:01;;69999.5000000;\r\n");
}

TEST(DecoderRunTest, AFrequencyWithoutAPeriodDecodesEveryRow) {
  // 2000 Hz has no whole-millisecond period; rather than stamping every row
  // with the file start, the decode keeps one row per timestamp.
  const std::string log = writeLog(engineHead(kTen, kTen + 2000), everySecond(3));
  const Outcome out = decode(log, [](Decoder& d) { d.setFrequency(2000); });
  EXPECT_TRUE(out.ok);
  EXPECT_EQ(out.csv, std::string(kEngineHeading) + rowAt(0, 100) + rowAt(1, 101) + rowAt(2, 102));
}

TEST(DecoderRunTest, AnExistingOutputIsNeverOverwritten) {
  const std::string log = writeLog(engineHead(kTen, kTen + 1000), everySecond(2));
  const std::string dir = zrltest::makeTempSubdir("rename");
  zrltest::writeFile(dir + "/b.csv", "keep me");
  zrltest::writeFile(dir + "/b (2).csv", "keep me too");
  const Outcome out = decode(log, [&](Decoder& d) { d.setOutputPath(dir + "/b.csv"); });
  EXPECT_TRUE(out.ok);
  EXPECT_EQ(out.outputPath, dir + "/b (3).csv");
  EXPECT_EQ(out.csv, std::string(kEngineHeading) + rowAt(0, 100) + rowAt(1, 101));
  EXPECT_EQ(zrltest::readFile(dir + "/b.csv"), "keep me");
  EXPECT_EQ(zrltest::readFile(dir + "/b (2).csv"), "keep me too");
}

TEST(DecoderRunTest, TruncatedStreamKeepsItsRowsAndReportsTheSize) {
  RecordEncoder body;
  body.timestamp(0).integer(3, 1).timestamp(1000).integer(3, 2).timestamp(2000);
  zrlwriter::WriteOptions plain;
  plain.encoding = zrlwriter::BodyEncoding::Plain;
  plain.truncateBodyAt = body.size() - 3;  // inside the last timestamp
  Outcome out = decode(writeLog(engineHead(kTen, kTen + 2000), body.bytes(), plain));
  EXPECT_TRUE(out.ok);
  // The last row's time as the table writes it, and where the rows are.
  EXPECT_EQ(out.messages, std::vector<std::string>{"The log ends early (inconsistent file size) after "
                                                   "05/03/2026 10:00:01: 2 rows written to " + out.outputPath});
  // The cut timestamp is dropped, not completed with zeros: no row for it.
  EXPECT_EQ(out.csv, std::string(kEngineHeading) + rowAt(0, 1) + rowAt(1, 2));

  // A gzip stream cut short ends the same way.
  zrlwriter::WriteOptions gz;
  gz.truncateBodyAt = zrlwriter::gzipCompress(body.bytes()).size() - 12;
  out = decode(writeLog(engineHead(kTen, kTen + 2000), body.bytes(), gz));
  EXPECT_FALSE(out.messages.empty());
}

// Only the low 32 bits of the size are stored: a complete stream in a file
// too large for the size to be known still passes the check. The file is
// made large by a sparse tail, which the gzip reader ignores.
TEST(DecoderRunTest, TheStoredSizeIsComparedModulo32Bits) {
  const std::string log = writeLog(engineHead(kTen, kTen + 2000), everySecond(3));
  ASSERT_EQ(::truncate(log.c_str(), 500000000), 0);
  const Outcome out = decode(log);
  EXPECT_TRUE(out.ok);
  EXPECT_TRUE(out.messages.empty()) << out.messages.front();
  EXPECT_EQ(out.csv, std::string(kEngineHeading) + rowAt(0, 100) + rowAt(1, 101) + rowAt(2, 102));
}

// Devices, FIFOs and standard output are written in place; a directory is
// refused by name.
TEST(DecoderRunTest, TargetsThatAreNotNewFiles) {
  const std::string log = writeLog(engineHead(kTen, kTen + 1000), everySecond(2));
  const std::string table = "\xEF\xBB\xBF" + std::string(kEngineHeading) + rowAt(0, 100) + rowAt(1, 101);
  std::vector<std::string> messages;
  Decoder decoder(log, false, [&](uint64_t, uint64_t, const std::string& m) {
    if (!m.empty()) messages.push_back(m);
  });
  const auto runInto = [&](const std::string& path, int descriptor) {
    decoder.setOutputPath(path);
    decoder.setOutputDescriptor(descriptor);
    messages.clear();
    return decoder.run() && decoder.outputPath() == path;
  };
  const std::string dir = zrltest::makeTempSubdir("targets");
  const std::string fifo = dir + "/fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  std::string fromFifo, fromPipe;
  std::thread fifoReader([&] { fromFifo = zrltest::readFile(fifo); });
  std::thread pipeReader([&] {
    char chunk[4096];
    for (ssize_t n; (n = ::read(pipeEnds[0], chunk, sizeof chunk)) > 0;) fromPipe.append(chunk, n);
  });
  zrltest::CapturedDiagnostics quiet;
  EXPECT_TRUE(runInto("/dev/null", -1));
  EXPECT_TRUE(runInto(fifo, -1));
  EXPECT_TRUE(runInto("-", pipeEnds[1]));
  ::close(pipeEnds[1]);
  fifoReader.join();
  pipeReader.join();
  ::close(pipeEnds[0]);
  EXPECT_EQ(fromFifo, table);
  EXPECT_EQ(fromPipe, table);

  EXPECT_FALSE(runInto(dir, -1));
  EXPECT_EQ(messages, std::vector<std::string>{"Failed to open output file: " + dir + " is a directory"});
}

// The output directory removed during the decode: the finished file cannot
// be given its name, which must not pass for success.
TEST(DecoderRunTest, AnOutputThatCannotBeNamedIsAFailure) {
  const std::string log = writeLog(engineHead(kTen, kTen + 999000), everySecond(1000));
  const std::string dir = zrltest::makeTempSubdir("vanishing");
  const Outcome out = decode(
      log, [&](Decoder& d) { d.setOutputPath(dir + "/out.csv"); },
      [&](Decoder&, int step) {
        if (step != 3) return;
        ::unlink((dir + "/out.csv.part").c_str());
        ::rmdir(dir.c_str());
      });
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.messages, std::vector<std::string>{"Failed to create output file " + dir +
                                                   "/out.csv: No such file or directory"});
}

// A cancelled decode leaves nothing behind: neither a partial file under
// the final name nor its ".part".
TEST(DecoderRunTest, CancelEndsWithSuccessAndNoFile) {
  const std::string log = writeLog(engineHead(kTen, kTen + 999000), everySecond(1000));
  const Outcome out = decode(log, {}, [](Decoder& d, int step) {
    if (step == 3) d.requestCancel();
  });
  EXPECT_TRUE(out.ok);
  EXPECT_TRUE(out.messages.empty());
  EXPECT_FALSE(zrltest::fileExists(out.outputPath));
  EXPECT_FALSE(zrltest::fileExists(out.outputPath + ".part"));
}

// The window may cancel while the task still waits for its thread; that
// request must stop the run, and must not carry over into the next one.
TEST(DecoderRunTest, CancelBeforeTheRunStartsIsServedOnce) {
  const std::string log = writeLog(engineHead(kTen, kTen + 999000), everySecond(1000));
  Decoder decoder(log, false, [](uint64_t, uint64_t, const std::string&) {});
  const std::string dir = zrltest::makeTempSubdir("early-cancel");
  decoder.setOutputPath(dir + "/out.csv");
  decoder.requestCancel();
  zrltest::CapturedDiagnostics quiet;
  EXPECT_TRUE(decoder.run());
  EXPECT_TRUE(decoder.cancelled());
  EXPECT_FALSE(zrltest::fileExists(dir + "/out.csv"));

  decoder.setOutputPath(dir + "/again.csv");
  EXPECT_TRUE(decoder.run());
  EXPECT_FALSE(decoder.cancelled());
  const std::string csv = zrltest::readFile(decoder.outputPath());
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n') - 1, 1000);
}

TEST(DecoderRunTest, ProgressEveryHundredRecords) {
  const std::string log = writeLog(engineHead(kTen, kTen + 999000), everySecond(1000));
  const Outcome out = decode(log);
  // 2000 records plus the failed read at the end: one step per hundred
  // records, one at the start and one at the end.
  EXPECT_GE(out.progressSteps, 21);
  EXPECT_LE(out.progressSteps, 23);
}

// Two decoders at once, on logs of different lengths: each reports the
// same steps and writes the same table as when it runs alone, and its last
// step is the whole stream.
TEST(DecoderRunTest, ConcurrentDecodesKeepTheirOwnProgress) {
  struct Run {
    std::vector<uint64_t> steps;
    uint64_t total = 0;
    std::string csv;
  };
  const auto decodeInto = [](const std::string& log, Run& run) {
    Decoder decoder(log, false, [&](uint64_t done, uint64_t total, const std::string&) {
      run.steps.push_back(done);
      run.total = total;
    });
    decoder.setOutputPath(zrltest::makeTempSubdir("concurrent") + "/out.csv");
    EXPECT_TRUE(decoder.run());
    run.csv = zrltest::readFile(decoder.outputPath());
  };
  const std::string logs[] = {writeLog(engineHead(kTen, kTen + 1499000), everySecond(1500)),
                              writeLog(engineHead(kTen, kTen + 776000), everySecond(777))};
  Run alone[2], together[2];
  for (int i = 0; i < 2; ++i) decodeInto(logs[i], alone[i]);
  std::thread other([&] { decodeInto(logs[1], together[1]); });
  decodeInto(logs[0], together[0]);
  other.join();
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(together[i].steps, alone[i].steps) << i;
    EXPECT_EQ(together[i].csv, alone[i].csv) << i;
    ASSERT_FALSE(together[i].steps.empty());
    EXPECT_EQ(together[i].steps.back(), together[i].total) << i;
  }
  EXPECT_EQ(std::count(together[0].csv.begin(), together[0].csv.end(), '\n'), 1501);
}

struct BrokenStreamCase {
  const char* name;
  std::string body;
  const char* printed;
};

TEST(DecoderRunTest, RecordsThatCannotBeFollowedEndTheDecode) {
  const std::string tail = RecordEncoder().timestamp(1000).integer(3, 2).timestamp(2000).bytes();
  const BrokenStreamCase cases[] = {
      {"string too long", RecordEncoder().string(4, 0x41, "") .bytes(), "String too long (65)\n"},
      {"can frame too long", RecordEncoder().canFrame(5, 9, 1, "").bytes(),
       "CAN frame too long (9)\n"},
      {"unused slot", RecordEncoder().integer(7, 1).bytes(),
       "readVarData() failed: Unknown type=0, varName=, varId=7\n"},
      {"id without a slot", RecordEncoder().integer(20000, 1).bytes(), "20000"},
      {"id 65534", RecordEncoder().recordId(65534).bytes(), "65534"},
  };
  for (const BrokenStreamCase& c : cases) {
    zrlwriter::ZrlHead head = engineHead(kTen, kTen + 2000);
    head.addVariable(4, 1, zrlwriter::kString, "Text");
    head.addVariable(5, 1, zrlwriter::kCanFrame, "Can");
    const std::string body = RecordEncoder().timestamp(0).integer(3, 1).timestamp(500).bytes() + c.body + tail;
    const Outcome out = decode(writeLog(head, body));
    EXPECT_FALSE(out.ok) << c.name;
    EXPECT_EQ(out.messages, std::vector<std::string>{"Failed to read file content"}) << c.name;
    EXPECT_NE(out.printed.find(c.printed), std::string::npos) << c.name << ": " << out.printed;
    // The rows before the bad record stay; nothing after it is read.
    EXPECT_EQ(out.csv, "Date;Hour;Bus_Flag;Engine_Can;Engine_Speed;Engine_Temp;Engine_Text\r\n"
                       "05/03/2026;10:00:00;;;1;;\r\n")
        << c.name;
  }
}

TEST(DecoderRunTest, HeadProblemsAreReported) {
  const std::string good = writeLog(engineHead(kTen, kTen + 1000), everySecond(2));
  Outcome out = decode(good + ".missing");
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.messages.back(), "Failed to open input file");

  out = decode(good, [](Decoder& d) { d.setOutputPath(zrltest::tempDir() + "/none/x.csv"); });
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.messages, std::vector<std::string>{"Failed to open output file " + zrltest::tempDir() +
                                                   "/none/x.csv: No such file or directory"});

  const std::string badMagic = zrltest::makeTempSubdir("magic") + "/bad.zrl";
  zrltest::writeFile(badMagic, "XXXX" + zrltest::readFile(good).substr(4));
  out = decode(badMagic);
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.messages.back(), "unable to read magic section");

  zrlwriter::ZrlHead newer = engineHead(kTen, kTen + 1000);
  newer.formatVersion = 5;
  out = decode(writeLog(newer, ""));
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.messages.back(),
            "Decoder and zrl file format are not compatible. Decoder format version: 4.zrl file "
            "format version: 5");

  // A logger writes the size when it closes the file; 0 means still open.
  zrlwriter::ZrlHead unfinished = engineHead(kTen, kTen);
  unfinished.storedSizeOverride = 0;
  out = decode(writeLog(unfinished, ""));
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.messages.back(), "The log file is not finalised (still being written?)");

  const std::string cut = zrltest::makeTempSubdir("cut") + "/cut.zrl";
  zrltest::writeFile(cut, zrltest::readFile(good).substr(0, 5000));
  out = decode(cut);
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.messages.back(), "Decoder: unable to read header");
}

TEST(DecoderRunTest, AWriteErrorIsAFailure) {
  const std::string log = writeLog(engineHead(kTen, kTen + 99000), everySecond(100));
  // The table needs about 2.5 KB; the file may only take 1 KB.
  const int status = zrltest::inChildWithFileSizeLimit(1024, [&] {
    std::vector<std::string> messages;
    Decoder d(log, false,
              [&](uint64_t, uint64_t, const std::string& m) {
                if (!m.empty()) messages.push_back(m);
              });
    const std::string dir = zrltest::makeTempSubdir("full");
    d.setOutputPath(dir + "/out.csv");
    if (d.run()) return 1;
    if (messages != std::vector<std::string>{"Failed to write output file: File too large"}) return 2;
    // The table cut mid-row is removed, not published.
    return entriesIn(dir) == 0 ? 0 : 3;
  });
  EXPECT_EQ(status, 0);
}

// A run that fails before its first row leaves no file at all, neither an
// empty table under the name nor its ".part".
TEST(DecoderRunTest, AFailureBeforeTheFirstRowPublishesNothing) {
  zrlwriter::ZrlHead unfinished = engineHead(kTen, kTen + 1000);
  unfinished.storedSizeOverride = 0;
  const std::string good = writeLog(engineHead(kTen, kTen + 1000), everySecond(2));
  const std::string badMagic = zrltest::makeTempSubdir("magic") + "/bad.zrl";
  zrltest::writeFile(badMagic, "XXXX" + zrltest::readFile(good).substr(4));
  RecordEncoder bigBin;
  bigBin.timestamp(0);
  for (int i = 0; i < 140000; ++i) bigBin.integer(3, i);
  zrlwriter::ZrlHead withText = engineHead(kTen, kTen + 1000);
  withText.addVariable(4, 1, zrlwriter::kString, "Text");
  const struct {
    const char* name;
    std::string log;
    std::function<void(Decoder&)> configure;
    const char* message;
  } cases[] = {
      {"not finalised", writeLog(unfinished, everySecond(2)), {},
       "The log file is not finalised (still being written?)"},
      {"bad magic", badMagic, {}, "unable to read magic section"},
      {"first bin over its limit", writeLog(engineHead(kTen, kTen + 1000), bigBin.bytes()),
       [](Decoder& d) {
         d.setFrequency(frequencyCodeFromText("1"));
         d.setBinLimitBytes(std::size_t{1} << 20);
       },
       "Resampling stopped: one bin holds more than 1 MiB of samples; choose a higher frequency or "
       "another method"},
      {"damage before the first row",
       writeLog(withText, RecordEncoder().timestamp(0).integer(3, 1).string(4, 0x41, "").bytes()), {},
       "Failed to read file content"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string dir = zrltest::makeTempSubdir("no-table");
    const Outcome out = decode(c.log, [&](Decoder& d) {
      d.setOutputPath(dir + "/out.csv");
      if (c.configure) c.configure(d);
    });
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.messages.back(), c.message);
    EXPECT_EQ(entriesIn(dir), 0u);
  }
}

}  // namespace
