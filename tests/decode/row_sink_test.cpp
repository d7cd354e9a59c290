#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode/RowSink.h"
#include "tests/decode/DecodeTestSupport.h"

using namespace zrl;
using namespace decodetest;
using zrlwriter::RecordEncoder;

namespace {

// Renders every row it is handed like a CSV line after its date and time:
// the cells with ";" after each, a null cell as nothing.
class TextSink : public RowSink {
 public:
  bool begin(const DecodeSettings& settings, const std::vector<OutputColumn>&,
             const std::string& serial) override {
    settings_ = settings;
    serial_ = serial;
    return true;
  }
  void writeRow(uint64_t, const DataValue* const* cells) override {
    std::string line;
    const int format = floatFormatCode(settings_.floatFormat);
    for (std::size_t i = 0; i < 3; ++i) {
      if (cells[i] != nullptr) line += cells[i]->toText(settings_.decimalSeparator, format, i == 2 ? 2 : 0);
      line += ';';
    }
    lines.push_back(line);
  }
  bool end(bool) override { return true; }
  bool failed() const override { return false; }
  const std::string& errorText() const override { return serial_; }

  std::vector<std::string> lines;

 private:
  DecodeSettings settings_;
  std::string serial_;
};

// The CSV lines of `csv` without heading, date, time and line end.
std::vector<std::string> cellsOf(const std::string& csv) {
  std::vector<std::string> lines;
  std::size_t start = csv.find('\n') + 1;
  while (start < csv.size()) {
    const std::size_t end = csv.find("\r\n", start);
    std::string line = csv.substr(start, end - start);
    line = line.substr(line.find(';', line.find(';') + 1) + 1);
    lines.push_back(line + ';');
    start = end + 2;
  }
  return lines;
}

TEST(RowSinkTest, SinkGetsTheRowsOfTheCsvFile) {
  RecordEncoder body;
  body.timestamp(0).integer(3, 900).floatValue(1, 20.256f).boolean(2, 1)
      .timestamp(250).integer(3, 905)
      .timestamp(500)
      .timestamp(750).integer(3, 2).floatValue(1, 120.5f)
      .timestamp(1000).integer(3, 7);
  const std::string log = writeLog(engineHead(kTen, kTen + 1000), body.bytes());
  const std::vector<std::function<void(Decoder&)>> settings = {
      [](Decoder&) {},
      [](Decoder& d) { d.setLeaveBlank(true); },
      [](Decoder& d) {
        d.setFilters({{"Engine.Speed", "minimum", "5"}, {"Engine.Temp", "maximum", "100"}});
      },
      [](Decoder& d) {
        d.setFrequency(2);
        d.setMethod(AggregationMethod::Max);
      },
  };
  for (std::size_t i = 0; i < settings.size(); ++i) {
    const Outcome csv = decode(log, settings[i]);
    ASSERT_TRUE(csv.ok);
    TextSink sink;
    const Outcome sunk = decode(log, [&](Decoder& d) {
      settings[i](d);
      d.setRowSink(&sink);
    });
    EXPECT_TRUE(sunk.ok);
    EXPECT_EQ(sunk.csv, "") << "no file is written";
    EXPECT_EQ(sink.lines, cellsOf(csv.csv)) << "settings " << i;
  }
}

}  // namespace
