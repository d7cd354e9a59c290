#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "values/Format.h"

using namespace zrl;

namespace {

std::string fixed(float x, int decimals, char separator = '.', int width = 0) {
  char buffer[kFixedTextCapacity + 64];
  std::memset(buffer, 'X', sizeof buffer);
  const int n = formatFixed(x, buffer, separator, decimals, width);
  EXPECT_EQ(static_cast<std::size_t>(n), std::strlen(buffer)) << "return value must match the NUL";
  return std::string(buffer);
}

TEST(FormatUInt64, DigitsOfBoundaries) {
  struct Case { uint64_t value; const char* text; };
  const Case cases[] = {{0, "0"}, {9, "9"}, {10, "10"}, {99, "99"}, {100, "100"},
                        {1600000000123456ULL, "1600000000123456"},
                        {18446744073709551615ULL, "18446744073709551615"}};
  for (const Case& c : cases) {
    char buffer[kUInt64TextCapacity];
    const int n = formatUInt64(c.value, buffer);
    EXPECT_STREQ(buffer, c.text);
    EXPECT_EQ(n, static_cast<int>(std::strlen(c.text)));
  }
}

TEST(FormatInt, SignPaddingAndExtremes) {
  struct Case { int32_t value; unsigned width; const char* text; };
  const Case cases[] = {{0, 0, "0"},           {7, 3, "007"},       {-5, 3, "-005"},
                        {123, 2, "123"},       {-1, 0, "-1"},       {10, 0, "10"},
                        {2147483647, 0, "2147483647"},
                        {INT32_MIN, 0, "-2147483648"}, {42, 9, "000000042"}};
  for (const Case& c : cases) {
    char buffer[kIntTextCapacity];
    const int n = formatInt(c.value, buffer, c.width);
    EXPECT_STREQ(buffer, c.text) << c.value << " width " << c.width;
    EXPECT_EQ(n, static_cast<int>(std::strlen(c.text)));
  }
}

TEST(FormatInt, WideWidthPadsAllDigits) {
  char buffer[300];
  EXPECT_EQ(formatInt(-3, buffer, 255), 256);
  EXPECT_EQ(buffer[0], '-');
  EXPECT_EQ(std::string(buffer + 1, 254), std::string(254, '0'));
  EXPECT_EQ(buffer[255], '3');
}

TEST(FormatFixed, RoundingCarryAndNegativeZero) {
  struct Case { float x; int decimals; char separator; int width; const char* text; };
  const Case cases[] = {
      {1.25f, 1, '.', 0, "1.3"},     {0.96f, 1, '.', 0, "1.0"},    {-0.96f, 1, '.', 0, "-1.0"},
      {-0.04f, 1, '.', 0, "-0.0"},   {0.5f, 0, '.', 0, "1"},       {-0.4f, 0, '.', 0, "-0"},
      {3.0f, 3, ',', 0, "3,000"},    {0.05f, 2, '.', 0, "0.05"},   {2.0f, 0, '.', 0, "2"},
      {-2.5f, 0, '.', 0, "-3"},      {0.999f, 2, '.', 0, "1.00"},  {0.0f, 2, '.', 0, "0.00"},
      {-0.0f, 1, '.', 0, "0.0"},     {9.99f, 1, '.', 0, "10.0"},   {-9.96f, 1, '.', 0, "-10.0"},
      {1.5f, 2, '.', 4, "0001.50"},  {-0.2f, 0, '.', 3, "-000"},   {-1.5f, 1, '.', 3, "-001.5"},
      {123.456f, 3, '.', 0, "123.456"}, {0.1f, 8, '.', 0, "0.10000000"},
      {0.1f, 9, '.', 0, "0.100000000"}, {16777216.0f, 2, '.', 0, "16777216.00"},
      {2147483520.0f, 1, '.', 0, "2147483520.0"}, {-2147483520.0f, 0, '.', 0, "-2147483520"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fixed(c.x, c.decimals, c.separator, c.width), c.text)
        << c.x << " with " << c.decimals << " decimals";
  }
}

// Magnitudes beyond the 32-bit integer part are whole numbers; their exact
// digits are written with the requested decimals.
TEST(FormatFixed, LargeMagnitudesKeepTheirDigits) {
  EXPECT_EQ(fixed(2147483648.0f, 2), "2147483648.00");
  EXPECT_EQ(fixed(-2147483648.0f, 0), "-2147483648");
  EXPECT_EQ(fixed(1e10f, 1, ','), "10000000000,0");
  EXPECT_EQ(fixed(FLT_MAX, 3), "340282346638528859811704183484516925440.000");
  EXPECT_EQ(fixed(-FLT_MAX, 9), "-340282346638528859811704183484516925440.000000000");
  EXPECT_LE(fixed(-FLT_MAX, 9).size() + 1, kFixedTextCapacity);
}

TEST(FormatFixed, DecimalsAboveNineUseNine) {
  EXPECT_EQ(fixed(0.5f, 12), "0.500000000");
  EXPECT_EQ(fixed(-1.25f, 40), "-1.250000000");
  EXPECT_EQ(fixed(1.5f, -3), "2");
}

TEST(FormatFixed, NonFiniteIsNan) {
  EXPECT_EQ(fixed(std::numeric_limits<float>::infinity(), 2), "nan");
  EXPECT_EQ(fixed(-std::numeric_limits<float>::infinity(), 2), "nan");
  EXPECT_EQ(fixed(std::nanf(""), 2), "nan");
}

// A Double exactly halfway between two texts takes the exact path, which
// must round to even as printf does and still write the caller's separator.
TEST(FormatDoubleFixed, TiesRoundToEvenWithAComma) {
  struct Case { double x; int decimals; const char* text; };
  const Case cases[] = {
      {0.125, 2, "0,12"},           {0.375, 2, "0,38"},          {-0.125, 2, "-0,12"},
      {1000.125, 2, "1000,12"},     {2.5, 0, "2"},               {3.5, 0, "4"},
      {-2.5, 0, "-2"},              {-0.5, 0, "-0"},             {0.25, 1, "0,2"},
      {0.75, 1, "0,8"},             {-0.25, 1, "-0,2"},          {0.0625, 3, "0,062"},
      {0.1875, 3, "0,188"},         {1.0 / 256, 7, "0,0039062"}, {3.0 / 256, 7, "0,0117188"},
      {-3.0 / 256, 7, "-0,0117188"}, {123456.5, 0, "123456"},    {1700000000.25, 1, "1700000000,2"},
  };
  for (const Case& c : cases) {
    char buffer[kFixedTextCapacity + 64];
    const int n = formatDoubleFixed(c.x, buffer, ',', c.decimals);
    EXPECT_STREQ(buffer, c.text) << c.x << " with " << c.decimals << " decimals";
    EXPECT_EQ(n, static_cast<int>(std::strlen(c.text)));
  }
}

TEST(FormatBounded, HasSnprintfSemantics) {
  char buffer[6];
  EXPECT_EQ(formatBounded(buffer, sizeof buffer, "%s-%d", "abc", 1234), 8);
  EXPECT_STREQ(buffer, "abc-1");
}

}  // namespace

namespace {

// Around every point where the conversions switch from one way of making
// digits to another (eight-digit words, the 32-bit integer part, the
// exact path), the text is printf's.
TEST(NumberText, SwitchPointsMatchPrintf) {
  const int64_t integers[] = {0,          9,          10,         9999,       10000,      99999999,
                              100000000,  100000001,  999999999,  1000000000, 2147483647, -2147483647 - 1,
                              -1,         -99999999,  -100000000, -100000001};
  for (const int64_t v : integers) {
    char ours[32];
    char theirs[32];
    formatInt(static_cast<int32_t>(v), ours);
    std::snprintf(theirs, sizeof theirs, "%d", static_cast<int32_t>(v));
    EXPECT_STREQ(ours, theirs);
    if (v >= 0) {
      formatUInt64(static_cast<uint64_t>(v) * 100000000u, ours);
      std::snprintf(theirs, sizeof theirs, "%llu", static_cast<unsigned long long>(v) * 100000000ull);
      EXPECT_STREQ(ours, theirs);
    }
  }
  // Integral floats (no rounding ties), on both sides of each switch.
  const float floats[] = {9999.0f,       10000.0f,       -10000.0f,
                          99999992.0f,   100000000.0f,   100000008.0f,  16777216.0f,  2147483520.0f,
                          2147483648.0f, 2147483904.0f,  4294967296.0f, 1e10f,        -100000000.0f,
                          -2147483648.0f, -2147483904.0f, FLT_MAX,       -FLT_MAX};
  for (const float x : floats) {
    for (const int decimals : {0, 1, 3, 7, 9}) {
      char theirs[kFixedTextCapacity + 64];
      std::snprintf(theirs, sizeof theirs, "%.*f", decimals, static_cast<double>(x));
      EXPECT_EQ(fixed(x, decimals), theirs) << x << " " << decimals;
      char ours[kFixedTextCapacity + 64];
      formatDoubleFixed(static_cast<double>(x), ours, '.', decimals);
      EXPECT_STREQ(ours, theirs) << x << " " << decimals;
    }
  }
}

}  // namespace
