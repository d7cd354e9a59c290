#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "influx/LineProtocol.h"

using namespace zrl;

namespace {

// The line of a one-field row holding `value`, or "" when there is none.
std::string lineOf(const DataValue& value, int32_t floatFormat = 4, uint8_t decimals = 2) {
  PointEncoder encoder("m", {}, {{"f", decimals}}, floatFormat);
  const DataValue* cells[] = {&value};
  std::string out;
  encoder.append(out, 1700000000123, cells);
  return out;
}

TEST(LineProtocolTest, FieldValuesByKind) {
  can_frame frame{};
  frame.can_id = 0x123;
  frame.can_dlc = 2;
  frame.data[0] = 0xAB;
  frame.data[1] = 0x01;
  struct Case {
    DataValue value;
    int32_t floatFormat;
    std::string expected;
  } cases[] = {
      {DataValue(1.5f), 1, "m f=1.5 1700000000123\n"},
      {DataValue(-2.25f), 0, "m f=-2.25 1700000000123\n"},  // per-variable decimals
      {DataValue(int32_t{-42}), 4, "m f=-42i 1700000000123\n"},
      {DataValue(true), 4, "m f=true 1700000000123\n"},
      {DataValue(false), 4, "m f=false 1700000000123\n"},
      {DataValue("say \"hi\" \\ there"), 4, "m f=\"say \\\"hi\\\" \\\\ there\" 1700000000123\n"},
      {DataValue(frame), 4, "m f=\"" + DataValue(frame).toText() + "\" 1700000000123\n"},
      {DataValue(TimeSpec32{2, 5000}), 4, "m f=\"2000005\" 1700000000123\n"},
      {DataValue(0.0f / 0.0f), 4, ""},  // no value the protocol can carry: no field, so no point
  };
  for (const Case& c : cases) EXPECT_EQ(lineOf(c.value, c.floatFormat), c.expected);
}

TEST(LineProtocolTest, NamesAreEscapedAndEmptyTagsLeftOut) {
  PointEncoder encoder("my meas,x", {{"gateway", "gw 1=a,b"}, {"serial", ""}},
                       {{"Engine.Speed", 0}, {"a=b c,d", 0}}, 4);
  const DataValue one(int32_t{1});
  const DataValue* cells[] = {&one, &one};
  std::string out;
  ASSERT_TRUE(encoder.append(out, 5, cells));
  EXPECT_EQ(out, "my\\ meas\\,x,gateway=gw\\ 1\\=a\\,b Engine.Speed=1i,a\\=b\\ c\\,d=1i 5\n");
}

TEST(LineProtocolTest, EmptyCellsGiveNoFieldAndEmptyRowsNoLine) {
  PointEncoder encoder("m", {}, {{"a", 0}, {"b", 0}}, 4);
  const DataValue one(int32_t{1});
  const DataValue* onlySecond[] = {nullptr, &one};
  const DataValue* none[] = {nullptr, nullptr};
  std::string out = "kept\n";
  EXPECT_TRUE(encoder.append(out, 7, onlySecond));
  EXPECT_FALSE(encoder.append(out, 8, none));
  EXPECT_EQ(out, "kept\nm b=1i 7\n");
}

}  // namespace
