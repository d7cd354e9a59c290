#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <iomanip>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "tests/values/ValueTestSupport.h"
#include "values/DataValue.h"
#include "values/Units.h"

using namespace zrl;

namespace {

using valuetest::messagesOf;

bool payloadZeroFrom(const DataValue& v, std::size_t first) {
  for (std::size_t i = first; i < sizeof v.value; ++i) {
    if (v.value[i] != 0) return false;
  }
  return true;
}

std::string cell(const DataValue& v, char sep = '.', int floatFormat = 0, int decimals = 2) {
  char buffer[kValueTextCapacity];
  buffer[0] = '\0';
  const int n = v.toText(buffer, sizeof buffer, sep, floatFormat, decimals);
  EXPECT_EQ(static_cast<std::size_t>(n), std::strlen(buffer));
  return buffer;
}

can_frame frame(uint32_t id, uint8_t dlc, std::initializer_list<uint8_t> bytes) {
  can_frame f{};
  f.can_id = id;
  f.can_dlc = dlc;
  std::size_t i = 0;
  for (uint8_t b : bytes) f.data[i++] = b;
  return f;
}

TEST(DataValue, ConstructionSetsKindAndNeutralFields) {
  const NodeDataValue values[] = {NodeDataValue(),
                                  NodeDataValue(true),
                                  NodeDataValue(static_cast<uint8_t>(200)),
                                  NodeDataValue(static_cast<uint16_t>(60000)),
                                  NodeDataValue(-5),
                                  NodeDataValue(1.5f),
                                  NodeDataValue(0.1),
                                  NodeDataValue(std::string("abc")),
                                  NodeDataValue("xyz"),
                                  NodeDataValue(frame(0x123, 1, {7})),
                                  NodeDataValue(TimeSpec32{1, 2})};
  const DataValueKind kinds[] = {DataValueKind::UnknownDt, DataValueKind::Boolean,
                                 DataValueKind::Integer,   DataValueKind::Integer,
                                 DataValueKind::Integer,   DataValueKind::Float,
                                 DataValueKind::Float,     DataValueKind::String,
                                 DataValueKind::String,    DataValueKind::CanFrame,
                                 DataValueKind::TimeStamp};
  for (std::size_t i = 0; i < std::size(values); ++i) {
    EXPECT_EQ(values[i].type, kinds[i]) << i;
    EXPECT_EQ(values[i].id, -1);
    EXPECT_EQ(values[i].unit, 0);
    EXPECT_EQ(values[i].parent, nullptr);
    EXPECT_EQ(values[i].tracker, nullptr);
  }
  EXPECT_EQ(values[2].getInt(), 200);
  EXPECT_EQ(values[3].getInt(), 60000);
  EXPECT_EQ(values[6].getFloat(), 0.1f);
  EXPECT_TRUE(payloadZeroFrom(values[4], 4));
}

TEST(DataValue, StringsKeepAtMost31Bytes) {
  const std::string forty(40, 'a');
  NodeDataValue fromText(forty);
  NodeDataValue fromC(forty.c_str());
  EXPECT_EQ(fromText.getString(), std::string(31, 'a'));
  EXPECT_EQ(fromC.getString(), std::string(31, 'a'));
  EXPECT_EQ(fromC.value[31], 0);

  NodeDataValue v(5);
  v = static_cast<const char*>(nullptr);
  EXPECT_EQ(v.type, DataValueKind::String);
  EXPECT_EQ(v.getString(), "");
  EXPECT_EQ(NodeDataValue(static_cast<const char*>(nullptr)).getString(), "");

  // A shorter text over a longer one leaves no stale bytes behind.
  NodeDataValue s("abcdefgh");
  s = "xy";
  EXPECT_TRUE(payloadZeroFrom(s, 2));
}

TEST(DataValue, RawSettersSwitchKindAndZeroPayload) {
  NodeDataValue v("a long text of many bytes");
  v.unit = 8;
  v = 3;
  EXPECT_EQ(v.type, DataValueKind::Integer);
  EXPECT_TRUE(payloadZeroFrom(v, 4));
  EXPECT_EQ(v.unit, 8);
  v = 2.5f;
  EXPECT_EQ(v.type, DataValueKind::Float);
  v = 7;  // an integer turns a Float into an Integer
  EXPECT_EQ(v.type, DataValueKind::Integer);
  v = true;
  EXPECT_TRUE(v.getBool());
  EXPECT_TRUE(payloadZeroFrom(v, 1));
  v = TimeSpec32{10, 20};
  EXPECT_EQ(v.getTimeStamp().tv_nsec, 20);
  EXPECT_TRUE(payloadZeroFrom(v, 8));
  v = frame(0x1, 0, {});
  EXPECT_EQ(v.type, DataValueKind::CanFrame);
  v = 1e300;  // narrowed to single precision
  EXPECT_TRUE(std::isinf(v.getFloat()));
}

TEST(DataValue, GetIntRoundsHalfAwayFromZero) {
  struct Case { float x; int32_t expected; };
  const Case cases[] = {{2.5f, 3},   {-2.5f, -3}, {2.4999f, 2}, {-2.4999f, -2}, {0.0f, 0},
                        {0.5f, 1},   {-0.5f, -1}, {1e10f, INT32_MAX}, {-1e10f, INT32_MIN},
                        {std::nanf(""), 0}};
  for (const Case& c : cases) EXPECT_EQ(NodeDataValue(c.x).getInt(), c.expected) << c.x;
}

TEST(DataValue, GetFloatGoesThroughSinglePrecision) {
  EXPECT_EQ(NodeDataValue(16777217).getFloat(), 16777216.0f);
  EXPECT_EQ(NodeDataValue(-3).getFloat(), -3.0f);
}

TEST(DataValue, WrongKindGettersPrintAndReturnNeutral) {
  NodeDataValue integer(1);
  NodeDataValue text("t");
  can_frame untouched = frame(0x42, 1, {9});
  struct Case { std::function<void()> call; const char* line; };
  bool b = true;
  float f = 1;
  int32_t i = 1;
  std::string s = "x";
  TimeSpec32 ts{1, 1};
  bool ok = true;
  const Case cases[] = {
      {[&] { b = integer.getBool(); }, " is not boolean\n"},
      {[&] { f = text.getFloat(); }, " is not scalar\n"},
      {[&] { i = text.getInt(); }, " is not scalar\n"},
      {[&] { s = integer.getString(); }, " is not string\n"},
      {[&] { ok = integer.getCanFrame(untouched); }, " is not can_frame\n"},
      {[&] { s = integer.getCanFrameText(); }, " is not can_frame\n"},
      {[&] { ts = integer.getTimeStamp(); }, " is not timestamp\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(messagesOf(c.call), c.line);
  EXPECT_FALSE(b);
  EXPECT_EQ(f, 0.0f);
  EXPECT_EQ(i, 0);
  EXPECT_EQ(s, "");
  EXPECT_FALSE(ok);
  EXPECT_EQ(untouched.can_id, 0x42U);
  EXPECT_EQ(ts.tv_sec, 0);
  EXPECT_EQ(ts.tv_nsec, 0);
}

TEST(DataValue, CopyingAdoptsKindUnitAndId) {
  NodeDataValue source(42);
  source.unit = 25;
  source.id = 7;
  NodeDataValue target("previous text");
  target = source;
  EXPECT_EQ(target.type, DataValueKind::Integer);
  EXPECT_EQ(target.getInt(), 42);
  EXPECT_EQ(target.unit, 25);
  EXPECT_EQ(target.id, 7);
  EXPECT_TRUE(payloadZeroFrom(target, 4));

  NodeDataValue keepsId(1.0f);
  keepsId.id = 3;
  keepsId = source;
  EXPECT_EQ(keepsId.id, 3);

  const NodeDataValue copy(source);
  EXPECT_EQ(copy.getInt(), 42);
  EXPECT_EQ(copy.id, 7);
  EXPECT_EQ(copy.parent, nullptr);
}

TEST(DataValue, CopyingUnknownIsRefusedWithMessage) {
  const NodeDataValue unknown;
  NodeDataValue target(5);
  EXPECT_EQ(messagesOf([&] { target = unknown; }),
            ": set an unknown type is forbidden, from NdV \n");
  EXPECT_EQ(target.getInt(), 5);
  std::string line = messagesOf([&] {
    NodeDataValue copy(unknown);
    EXPECT_EQ(copy.type, DataValueKind::UnknownDt);
  });
  EXPECT_EQ(line, ": set an unknown type is forbidden, from NdV \n");
}

TEST(DataValue, KindNames) {
  const char* names[] = {"UnknownDt", "Boolean", "Integer", "Float", "String", "CanFrame",
                         "TimeStamp", "Double", "Unknown"};
  for (int32_t code = 0; code <= 8; ++code) EXPECT_STREQ(kindName(code), names[code]);
  EXPECT_STREQ(kindName(-1), "Unknown");
}

TEST(DataValueToText, CellTexts) {
  struct Case { NodeDataValue value; int floatFormat; int decimals; char sep; std::string text; };
  const Case cases[] = {
      {NodeDataValue(true), 0, 0, '.', "true"},
      {NodeDataValue(false), 0, 0, '.', "false"},
      {NodeDataValue(-2147483647 - 1), 0, 0, '.', "-2147483648"},
      {NodeDataValue(1.25f), 0, 1, '.', "1.3"},
      {NodeDataValue(3.0f), 0, 3, ',', "3,000"},
      {NodeDataValue(0.1f), 1, 9, '.', "0.1"},
      {NodeDataValue(0.1f), 2, 0, '.', "0.100"},
      {NodeDataValue(0.1f), 3, 0, '.', "0.10000"},
      {NodeDataValue(0.1f), 4, 0, '.', "0.1000000"},
      {NodeDataValue(0.1f), 5, 0, '.', "0.10000000"},
      {NodeDataValue(0.1f), -1, 0, '.', "0.10000000"},
      {NodeDataValue(-0.001f), 0, 2, '.', "-0.00"},
      {NodeDataValue(std::numeric_limits<float>::infinity()), 0, 2, '.', "nan"},
      {NodeDataValue(-std::numeric_limits<float>::infinity()), 0, 2, '.', "nan"},
      {NodeDataValue(std::nanf("")), 0, 2, '.', "nan"},
      {NodeDataValue(FLT_MAX), 0, 20, ',',
       "340282346638528859811704183484516925440,000000000"},
      // Doubles: every logged digit, correctly rounded (ties to even, as printf).
      {NodeDataValue(DataValue::ofDouble(123456789.0)), 0, 1, '.', "123456789.0"},
      {NodeDataValue(DataValue::ofDouble(1700000000.5)), 1, 0, ',', "1700000000,5"},
      {NodeDataValue(DataValue::ofDouble(48.8566123)), 4, 0, '.', "48.8566123"},
      {NodeDataValue(DataValue::ofDouble(0.125)), 0, 2, '.', "0.12"},
      {NodeDataValue(DataValue::ofDouble(2.675)), 0, 2, '.', "2.67"},
      {NodeDataValue(DataValue::ofDouble(-0.001)), 0, 2, '.', "-0.00"},
      {NodeDataValue(DataValue::ofDouble(-0.0)), 0, 1, '.', "0.0"},
      {NodeDataValue(DataValue::ofDouble(std::nan(""))), 0, 2, '.', "nan"},
      {NodeDataValue(DataValue::ofDouble(-HUGE_VAL)), 0, 2, '.', "nan"},
      {NodeDataValue(DataValue::ofDouble(1e22)), 0, 12, '.', "10000000000000000000000.000000000"},
      {NodeDataValue("text; with, separators"), 0, 0, '.', "text; with, separators"},
      {NodeDataValue(frame(0x123, 3, {0x11, 0x22, 0x33})), 0, 0, '.', "123#11 22 33"},
      {NodeDataValue(TimeSpec32{1600000000, 123456789}), 0, 0, '.', "1600000000123456"},
      {NodeDataValue(TimeSpec32{-1, 0}), 0, 0, '.', "-1000000"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(cell(c.value, c.sep, c.floatFormat, c.decimals), c.text);
    EXPECT_EQ(c.value.toText(c.sep, c.floatFormat, c.decimals), c.text);
  }
  // A Double cell is printf's "%.*f" of it, up to the largest double.
  std::vector<double> values = {-DBL_MAX, 1e300, 0.1 + 0.2, 5e-324, -1234.5678e-3, 9.9999999995, 0.5, 2.5, -1.5,
                                 4503599627370495.5, 45.7640123};
  std::mt19937_64 random(5);
  for (int i = 0; i < 3000; ++i) {
    // Whole numbers and halves near ties, and values of every magnitude.
    values.push_back(std::ldexp(double(random() % 100000000) + 0.5 * (i % 2), -static_cast<int>(random() % 40)));
    values.push_back(std::ldexp(double(int64_t(random() >> 11)) * (i % 2 ? 1 : -1), static_cast<int>(random() % 80) - 60));
  }
  for (const double x : values) {
    for (int decimals = 0; decimals <= 9; ++decimals) {
      char expected[400];
      std::snprintf(expected, sizeof expected, "%.*f", decimals, x);
      EXPECT_EQ(NodeDataValue(DataValue::ofDouble(x)).toText('.', 0, decimals), expected);
    }
  }
}

TEST(DataValueToText, UnknownLeavesBufferUntouched) {
  const NodeDataValue unknown;
  char buffer[kValueTextCapacity];
  std::memset(buffer, 'Q', sizeof buffer);
  EXPECT_EQ(unknown.toText(buffer, sizeof buffer, '.', 0, 2), 0);
  EXPECT_EQ(buffer[0], 'Q');
  EXPECT_EQ(unknown.toText(), "");
}

TEST(CanFrameText, Layouts) {
  struct Case { can_frame f; unsigned maxBytes; char sep; const char* text; };
  const Case cases[] = {
      {frame(0x123, 3, {0x11, 0x22, 0x33}), 8, ' ', "123#11 22 33"},
      {frame(0x12, 0, {}), 8, ' ', "012#"},
      {frame(0x98FF0001, 0, {}), 8, ' ', "18FF0001#"},
      {frame(0x80000001, 2, {0xAB, 0xCD}), 8, '.', "00000001#AB.CD"},
      {frame(0x40000000 | 0x7FF, 2, {1, 2}), 8, ' ', "7FF#R2"},
      {frame(0x40000000 | 0x7FF, 0, {}), 8, ' ', "7FF#R"},
      {frame(0x40000000 | 0x7FF, 9, {}), 8, ' ', "7FF#R"},
      {frame(0x20000005, 0, {}), 8, ' ', "20000005#"},
      {frame(0xFFFFFFFF, 8, {1, 2, 3, 4, 5, 6, 7, 8}), 8, ' ', "3FFFFFFF#R8"},
      {frame(0x9FFFFFFF, 12, {1, 2, 3, 4, 5, 6, 7, 8}), 8, ' ',
       "1FFFFFFF#01 02 03 04 05 06 07 08"},
      {frame(0x9FFFFFFF, 12, {1, 2, 3, 4, 5, 6, 7, 8}), 20, ' ',
       "1FFFFFFF#01 02 03 04 05 06 07 08"},
      {frame(0x100, 4, {0xDE, 0xAD, 0xBE, 0xEF}), 2, ' ', "100#DE AD"},
  };
  for (const Case& c : cases) {
    char buffer[kCanFrameTextCapacity];
    const int n = formatCanFrame(buffer, c.f, c.sep, c.maxBytes);
    EXPECT_STREQ(buffer, c.text);
    EXPECT_EQ(n, static_cast<int>(std::strlen(c.text)));
  }
  EXPECT_EQ(NodeDataValue(frame(0x9FFFFFFF, 12, {1, 2, 3, 4, 5, 6, 7, 8})).getCanFrameText(),
            "1FFFFFFF#01 02 03 04 05 06 07 08");
}

TEST(CanFrameText, ParseIsTheInverseForDataFrames) {
  struct Case { const char* text; uint32_t id; uint8_t dlc; uint8_t first; };
  const Case cases[] = {
      {"123#11 22 33", 0x123, 3, 0x11},
      {"18FF0001#", 0x98FF0001, 0, 0},
      {"20000005#", 0x20000005, 0, 0},
      {"7FF", 0x7FF, 0, 0},
      {"800#01 02 03 04 05 06 07 08 09", 0x80000800, 8, 0x01},
      {"1#ab", 0x1, 1, 0xAB},
      {"1#A", 0x1, 0, 0},
  };
  for (const Case& c : cases) {
    can_frame f;
    ASSERT_TRUE(parseCanFrame(f, c.text)) << c.text;
    EXPECT_EQ(f.can_id, c.id) << c.text;
    EXPECT_EQ(f.can_dlc, c.dlc) << c.text;
    EXPECT_EQ(f.data[0], c.first) << c.text;
  }
  can_frame f;
  EXPECT_FALSE(parseCanFrame(f, ""));
  EXPECT_FALSE(parseCanFrame(f, nullptr));
  EXPECT_FALSE(parseCanFrame(f, "#11"));

  // Round trip through the text form.
  const can_frame original = frame(0x80001234, 5, {9, 8, 7, 6, 5});
  char text[kCanFrameTextCapacity];
  formatCanFrame(text, original, ' ', 8);
  ASSERT_TRUE(parseCanFrame(f, text));
  EXPECT_EQ(std::memcmp(&f, &original, sizeof f), 0);
}

TEST(DataValue, WriteToStreamForms) {
  struct Case { NodeDataValue value; int32_t unit; const char* plain; const char* withUnit; };
  const Case cases[] = {
      {NodeDataValue(true), 51, "true", "true "},  // a unit without symbol
      {NodeDataValue(-12), 3, "-12", "-12 m"},
      {NodeDataValue(0.1f), 25, "0.100000001", "0.100000001 \u00b0C"},
      {NodeDataValue(1e20f), 0, "1.00000002e+20", "1.00000002e+20"},
      {NodeDataValue("abc"), 0, "abc", "abc"},
      {NodeDataValue(frame(0x7, 1, {0xF})), 0, "007#0F", "007#0F"},
      {NodeDataValue(TimeSpec32{2, 5000}), 33, "2000005", "2000005 s"},
      {NodeDataValue(), 3, "", ""},
  };
  for (const Case& c : cases) {
    NodeDataValue v(c.value.type == DataValueKind::UnknownDt ? NodeDataValue() : c.value);
    v.unit = c.unit;
    std::ostringstream plain;
    plain << std::fixed << std::setprecision(2);
    v.writeTo(plain, false);
    EXPECT_EQ(plain.str(), c.plain);
    EXPECT_EQ(plain.precision(), 2);
    EXPECT_TRUE(plain.flags() & std::ios_base::fixed);
    std::ostringstream unit;
    unit << v;
    v.writeTo(unit, true);
    EXPECT_EQ(unit.str(), std::string(c.plain) + c.withUnit);
  }
}

TEST(DataValue, CopyingIsCheapAndLockIsNotShared) {
  static_assert(std::is_nothrow_copy_constructible<NodeDataValue>::value, "");
  static_assert(std::is_nothrow_copy_assignable<NodeDataValue>::value, "");
  NodeDataValue a(1);
  a.mutex.lock();
  NodeDataValue b(a);  // copying does not take or copy the source's lock
  b = 2;               // b's own lock is free
  a.mutex.unlock();
  EXPECT_EQ(b.getInt(), 2);
}

}  // namespace
