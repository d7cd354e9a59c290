#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "decode/CsvOutput.h"
#include "decode/RowAssembler.h"
#include "tests/support/IsolatedEnvironment.h"

using namespace zrl;

namespace {

constexpr uint64_t kT0 = 1772719629000;  // 05/03/2026 14:07:09 UTC

std::vector<OutputColumn> engineColumns() {
  return {{3, "Engine.Speed", "Engine_Speed", "rpm", 1},
          {1, "Engine.Temp", "Engine_Temp", "degC", 2}};
}

// Runs `body` against a writer on a fresh file and returns the file's text.
template <typename Body>
std::string written(const DecodeSettings& settings, const std::vector<OutputColumn>& columns,
                    Body&& body) {
  const std::string path = zrltest::makeTempSubdir("csvwriter") + "/out.csv";
  CsvOutput out(64);
  EXPECT_TRUE(out.createNew(path));
  RowAssembler writer(out);
  writer.start(settings, columns);
  body(writer);
  EXPECT_TRUE(out.close());
  return zrltest::readFile(path);
}

TEST(RowAssemblerTest, HeadingAliasesAndUnitLine) {
  DecodeSettings s;
  const auto header = [](RowAssembler& w) { w.writeHeader(); };
  EXPECT_EQ(written(s, engineColumns(), header), "Date;Hour;Engine_Speed;Engine_Temp\r\n");

  s.aliases = {{"Engine.Speed", "RPM"}, {"Other.Var", "X"}, {"Engine.Temp", "T1"},
               {"engine.temp", "lower"}, {"Engine.Temp", "T2"}};
  s.unitLine = true;
  s.columnSeparator = '\t';
  EXPECT_EQ(written(s, engineColumns(), header), "Date\tHour\tRPM\tT2\r\n\t\trpm\tdegC\r\n");

  s.aliases = {{"Engine.Speed", ""}};
  s.unitLine = false;
  s.columnSeparator = ',';
  EXPECT_EQ(written(s, engineColumns(), header), "Date,Hour,,Engine_Temp\r\n");
  EXPECT_EQ(written(s, {}, header), "Date,Hour\r\n");
}

// Every time form with its heading, the unit line's empty cell(s) and the
// chosen line end; the Seconds form counts from the given origin.
TEST(RowAssemblerTest, TimeColumnsAndLineEnds) {
  struct Case {
    TimeColumns columns;
    bool crlf;
    const char* expected;
  } cases[] = {
      {TimeColumns::DateHour, false,
       "Date;Hour;Engine_Speed\n;;rpm\n05/03/2026;14:07:09;1\n05/03/2026;14:07:09;2\n31/12/1969;23:59:59;3\n"},
      {TimeColumns::Iso, true,
       "Time;Engine_Speed\r\n;rpm\r\n2026-03-05T14:07:09.000Z;1\r\n2026-03-05T14:07:09.250Z;2\r\n"
       "1969-12-31T23:59:59.500Z;3\r\n"},
      {TimeColumns::EpochMs, false, "Time;Engine_Speed\n;rpm\n1772719629000;1\n1772719629250;2\n-500;3\n"},
      {TimeColumns::Seconds, false, "Time;Engine_Speed\n;rpm\n1.000;1\n1.250;2\n-1772719628.500;3\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.columns));
    DecodeSettings s;
    s.unitLine = true;
    s.timeColumns = c.columns;
    s.crlf = c.crlf;
    uint64_t sharing = 0;
    const std::string csv = written(s, {engineColumns()[0]}, [&](RowAssembler& w) {
      w.setTimeOrigin(static_cast<int64_t>(kT0) - 1000);
      w.writeHeader();
      w.setValue(0, NodeDataValue(int32_t{1}));
      w.writeRow(kT0);
      w.setValue(0, NodeDataValue(int32_t{2}));
      w.writeRow(kT0 + 250);
      w.setValue(0, NodeDataValue(int32_t{3}));
      w.writeRow(static_cast<uint64_t>(int64_t{-500}));
      sharing = w.rowsSharingTime();
      EXPECT_EQ(w.rowsWritten(), 3u);
    });
    EXPECT_EQ(csv, c.expected);
    // Only Date and Hour without milliseconds show two rows alike.
    EXPECT_EQ(sharing, c.columns == TimeColumns::DateHour ? 2u : 0u);
  }
}

// Runs of rows within one second count every row of the run; a dropped
// row does not count, and milliseconds tell the rows apart.
TEST(RowAssemblerTest, RowsSharingTheirSecondAreCounted) {
  for (bool milliseconds : {false, true}) {
    DecodeSettings s;
    s.milliseconds = milliseconds;
    s.filters = {{"Engine.Speed", "maximum", "100"}};
    uint64_t sharing = 0;
    written(s, {engineColumns()[0]}, [&](RowAssembler& w) {
      const std::pair<int64_t, int32_t> rows[] = {
          {0, 1}, {100, 2}, {900, 3}, {1000, 4}, {2000, 5}, {2500, 500}, {3000, 6}, {-1500, 7}, {-1001, 8}};
      for (const auto& [offset, value] : rows) {
        w.setValue(0, NodeDataValue(value));
        w.writeRow(static_cast<uint64_t>(static_cast<int64_t>(kT0) + offset));
      }
      // Before 1970 the second is the one starting at or before the time.
      w.writeRow(static_cast<uint64_t>(int64_t{-1}));
      w.writeRow(static_cast<uint64_t>(int64_t{-999}));
      sharing = w.rowsSharingTime();
    });
    // 0, 100, 900 share; 2500 is dropped by the filter; -1500 and -1001
    // share the second before kT0's; -1 and -999 share 1969's last.
    EXPECT_EQ(sharing, milliseconds ? 0u : 7u);
  }
}

TEST(RowAssemblerTest, LastKnownValuesFillEmptyCells) {
  DecodeSettings s;
  const std::string csv = written(s, engineColumns(), [](RowAssembler& w) {
    w.writeRow(kT0);  // nothing known yet: no line
    w.setValue(1, NodeDataValue(20.5f));
    w.writeRow(kT0 + 1000);
    w.setValue(0, NodeDataValue(int32_t{900}));
    w.writeRow(kT0 + 2000);
    w.writeRow(kT0 + 3000);  // no new value: both repeat
  });
  EXPECT_EQ(csv,
            "05/03/2026;14:07:10;;20.5000000\r\n"
            "05/03/2026;14:07:11;900;20.5000000\r\n"
            "05/03/2026;14:07:12;900;20.5000000\r\n");
}

TEST(RowAssemblerTest, LeaveBlankKeepsCellsWithoutNewValuesEmpty) {
  DecodeSettings s;
  s.leaveBlank = true;
  s.milliseconds = true;
  s.floatFormat = FloatFormat::Tarvik;  // the variable's own decimals
  s.decimalSeparator = ',';
  const std::string csv = written(s, engineColumns(), [](RowAssembler& w) {
    w.setValue(0, NodeDataValue(int32_t{900}));
    w.writeRow(kT0 + 5);
    w.setValue(1, NodeDataValue(20.5f));
    w.writeRow(kT0 + 250);
    w.writeRow(kT0 + 500);  // every cell empty: suppressed
    w.setValue(1, NodeDataValue(""));
    w.writeRow(kT0 + 750);  // an empty text is an empty cell too
    w.setValue(0, NodeDataValue(true));
    w.writeRow(kT0 + 999);
  });
  EXPECT_EQ(csv,
            "05/03/2026;14:07:09.005;900;\r\n"
            "05/03/2026;14:07:09.250;;20,50\r\n"
            "05/03/2026;14:07:09.999;true;\r\n");
}

TEST(RowAssemblerTest, RowFiltersDropWholeRows) {
  DecodeSettings s;
  s.floatFormat = FloatFormat::OneDecimal;
  s.filters = {{"Engine.Speed", "minimum", "5"}, {"Engine.Temp", "maximum", "100"}};
  const std::string csv = written(s, engineColumns(), [](RowAssembler& w) {
    w.setValue(1, NodeDataValue(20.0f));
    w.writeRow(kT0);  // Speed empty reads as 0: at or below 5
    w.setValue(0, NodeDataValue(int32_t{5}));
    w.writeRow(kT0 + 1000);
    w.setValue(0, NodeDataValue(int32_t{6}));
    w.writeRow(kT0 + 2000);
    w.setValue(1, NodeDataValue(100.0f));
    w.writeRow(kT0 + 3000);
    w.setValue(1, NodeDataValue(99.9f));
    w.writeRow(kT0 + 4000);
  });
  EXPECT_EQ(csv,
            "05/03/2026;14:07:11;6;20.0\r\n"
            "05/03/2026;14:07:13;6;99.9\r\n");
}

TEST(RowAssemblerTest, LocalTimeWhenUtcIsOff) {
  const char* oldTz = std::getenv("TZ");
  const std::string saved = oldTz ? oldTz : "";
  setenv("TZ", "Europe/Paris", 1);
  tzset();
  DecodeSettings s;
  s.utc = false;
  const std::string csv = written(s, engineColumns(), [](RowAssembler& w) {
    w.setValue(0, NodeDataValue(int32_t{1}));
    w.writeRow(kT0);
  });
  if (oldTz) setenv("TZ", saved.c_str(), 1); else unsetenv("TZ");
  tzset();
  EXPECT_EQ(csv, "05/03/2026;15:07:09;1;\r\n");
}

TEST(RowAssemblerTest, RowsLongerThanAnyBufferKeepEveryCell) {
  // 8000 string cells of 31 characters: about 256 KB in one row.
  std::vector<OutputColumn> columns;
  for (uint16_t id = 0; id < 8000; ++id) {
    columns.push_back({id, "G.v" + std::to_string(id), "G_v" + std::to_string(id), "", 0});
  }
  DecodeSettings s;
  const std::string cell(31, 'c');
  const std::string csv = written(s, columns, [&](RowAssembler& w) {
    for (std::size_t i = 0; i < columns.size(); ++i) w.setValue(i, NodeDataValue(cell.c_str()));
    w.writeRow(kT0);
    w.setValue(7999, NodeDataValue("last"));
    w.writeRow(kT0 + 1000);
  });
  std::string row1 = "05/03/2026;14:07:09", row2 = "05/03/2026;14:07:10";
  for (std::size_t i = 0; i < columns.size(); ++i) {
    row1 += ";" + cell;
    row2 += ";" + (i == 7999 ? std::string("last") : cell);
  }
  EXPECT_EQ(csv, row1 + "\r\n" + row2 + "\r\n");
}

}  // namespace

TEST(RowAssemblerTest, ValueArrivingAgainKeepsItsTextAndAnyChangeIsWritten) {
  // A column keeps the text of its last value while the value repeats; any
  // change of kind or of any payload byte must still be written anew.
  DecodeSettings s;
  s.floatFormat = FloatFormat::OneDecimal;
  const std::string longText(30, 'a');
  std::string lateChange = longText;
  lateChange.back() = 'b';
  can_frame frame{};
  frame.can_id = 0x123;
  frame.can_dlc = 8;
  can_frame lastByte = frame;
  lastByte.data[7] = 0x01;
  const std::string csv = written(s, engineColumns(), [&](RowAssembler& w) {
    const auto row = [&w](uint64_t ms, const NodeDataValue& v) {
      w.setValue(0, v);
      w.writeRow(kT0 + ms);
    };
    row(0, NodeDataValue(int32_t{0}));
    row(1000, NodeDataValue(int32_t{0}));
    row(2000, NodeDataValue(0.0f));  // same payload bytes, other kind
    row(3000, NodeDataValue(longText));
    row(4000, NodeDataValue(lateChange));
    row(5000, NodeDataValue(frame));
    row(6000, NodeDataValue(lastByte));
    row(7000, NodeDataValue(lastByte));
  });
  EXPECT_EQ(csv,
            "05/03/2026;14:07:09;0;\r\n"
            "05/03/2026;14:07:10;0;\r\n"
            "05/03/2026;14:07:11;0.0;\r\n"
            "05/03/2026;14:07:12;" + longText + ";\r\n"
            "05/03/2026;14:07:13;" + lateChange + ";\r\n"
            "05/03/2026;14:07:14;123#00 00 00 00 00 00 00 00;\r\n"
            "05/03/2026;14:07:15;123#00 00 00 00 00 00 00 01;\r\n"
            "05/03/2026;14:07:16;123#00 00 00 00 00 00 00 01;\r\n");
}

namespace {

struct QuotingCase {
  char separator;
  NodeDataValue value;
  const char* cell;
};

TEST(RowAssemblerTest, CellsThatWouldBreakTheTableAreQuoted) {
  can_frame frame = {};
  frame.can_id = 0x123;
  frame.can_dlc = 2;
  frame.data[0] = 0x11;
  frame.data[1] = 0x22;
  const QuotingCase cases[] = {
      {';', NodeDataValue("plain text"), "plain text"},
      {';', NodeDataValue("a;b"), "\"a;b\""},
      {';', NodeDataValue("\"start"), "\"\"\"start\""},
      {';', NodeDataValue("two\r\nlines"), "\"two\r\nlines\""},
      {';', NodeDataValue("line\n"), "\"line\n\""},
      {';', NodeDataValue("a\rb"), "\"a\rb\""},  // a lone CR breaks a line for some readers
      {',', NodeDataValue("a;b"), "a;b"},
      {';', NodeDataValue(std::string(31, '"').c_str()), nullptr},
      {' ', NodeDataValue(frame), "\"123#11 22\""},
      {';', NodeDataValue(frame), "123#11 22"},
      {',', NodeDataValue(1.5f), "1,5000000"},  // numbers are left alone
  };
  for (const QuotingCase& c : cases) {
    DecodeSettings s;
    s.columnSeparator = c.separator;
    s.decimalSeparator = c.separator == ',' ? ',' : '.';
    const std::string csv = written(s, {{1, "G.V", "G_V", "", 0}}, [&](RowAssembler& w) {
      w.setValue(0, c.value);
      w.writeRow(kT0);
      w.writeRow(kT0 + 1000);  // the kept text is quoted too
    });
    const std::string cell = c.cell ? c.cell : "\"" + std::string(62, '"') + "\"";
    const std::string row = std::string("05/03/2026") + c.separator + "14:07:09" + c.separator + cell +
                            "\r\n";
    EXPECT_EQ(csv.substr(0, row.size()), row) << c.cell;
    EXPECT_EQ(csv.size(), 2 * row.size()) << c.cell;
  }

  DecodeSettings s;
  s.unitLine = true;
  s.aliases = {{"G.A", "x;y"}};
  s.filters = {{"G.B", "maximum", "5"}};
  const std::vector<OutputColumn> columns = {{1, "G.A", "G_A", "m\"s", 0}, {2, "G.B", "G_\"B\"", "", 0}};
  const std::string csv = written(s, columns, [](RowAssembler& w) {
    w.writeHeader();
    w.setValue(1, NodeDataValue("3;x"));
    w.writeRow(kT0);
    w.setValue(1, NodeDataValue("7;x"));  // the filter reads 7, not the quote
    w.writeRow(kT0 + 1000);
  });
  EXPECT_EQ(csv,
            "Date;Hour;\"x;y\";\"G_\"\"B\"\"\"\r\n"
            ";;\"m\"\"s\";\r\n"
            "05/03/2026;14:07:09;;\"3;x\"\r\n");
}

}  // namespace
