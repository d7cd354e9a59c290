#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "decode/LeadingNumber.h"
#include "decode/RowFilter.h"

using namespace zrl;

namespace {

// The tests run in the "C" locale, so the C library is the reference.
TEST(LeadingNumberTest, ReadsLikeStrtodInTheCLocale) {
  const char* const texts[] = {
      "",         "abc",      "12",        "  \t\n\v\f\r7.5", "+3",      "-3.25e2",  "1e",
      "1e+",      "1.5E-3x",  ".5",        "5.",         "-.5",      ".",        "-",
      "+-5",      "--5",      "0x1A",      "0x1.8p1",    "0x",       "0xg",      "0x.8",
      "-0x10",    "inf",      "-Infinity", "INFx",       "nan",      "NaN(12)",  "-nan",
      "1e400",    "-1e400",   "1e-400",    "123#11 22",  "18FF0001#", "true",    "3,5",
      "007",      "1 2",      "1.7976931348623157e308"};
  for (const char* text : texts) {
    const double expected = std::strtod(text, nullptr);
    const double got = readLeadingDouble(text, std::strlen(text));
    if (std::isnan(expected)) {
      EXPECT_TRUE(std::isnan(got)) << '"' << text << '"';
    } else {
      EXPECT_EQ(got, expected) << '"' << text << '"';
    }
    const float expectedFloat = std::strtof(text, nullptr);
    const float gotFloat = readLeadingFloat(text, std::strlen(text));
    if (!std::isnan(expectedFloat)) {
      EXPECT_EQ(gotFloat, expectedFloat) << '"' << text << '"';
    }
  }
}

TEST(LeadingNumberTest, StopsAtTheGivenLength) {
  EXPECT_EQ(readLeadingDouble("12345", 2), 12.0);
  EXPECT_EQ(readLeadingDouble("1e5", 2), 1.0);
}

RowFilter filterOf(const char* kind, const char* limit) {
  return RowFilter({{"Engine.Speed", kind, limit}}, "Engine.Speed");
}

bool drops(const RowFilter& f, const char* cell, char decimalSeparator = '.') {
  return f.dropsRow(cell, std::strlen(cell), decimalSeparator);
}

TEST(RowFilterTest, MinimumDropsCellsAtOrBelowTheLimit) {
  const RowFilter f = filterOf("minimum", "5");
  EXPECT_TRUE(drops(f, "5"));
  EXPECT_TRUE(drops(f, "4.9999999"));
  EXPECT_TRUE(drops(f, ""));       // an empty cell reads as 0
  EXPECT_TRUE(drops(f, "false"));  // so does any text without a number
  EXPECT_FALSE(drops(f, "5.0000001"));
  EXPECT_FALSE(drops(f, "12 rpm"));
}

TEST(RowFilterTest, MaximumDropsCellsAtOrAboveTheLimit) {
  const RowFilter f = filterOf("maximum", "100");
  EXPECT_TRUE(drops(f, "100"));
  EXPECT_TRUE(drops(f, "1e3"));
  EXPECT_FALSE(drops(f, "99.9999990"));
  EXPECT_FALSE(drops(f, ""));
  EXPECT_FALSE(drops(f, "nan"));  // NaN never triggers a filter
  EXPECT_FALSE(filterOf("minimum", "5").dropsRow("nan", 3, '.'));
}

TEST(RowFilterTest, CommaIsTheDecimalPointOnlyWithACommaSeparator) {
  const RowFilter f = filterOf("maximum", "3.5");
  EXPECT_TRUE(drops(f, "3,5", ','));
  EXPECT_FALSE(drops(f, "3,5", '.'));  // reads 3
}

TEST(RowFilterTest, LimitsAreSinglePrecision) {
  // 0.1f is 0.100000001490116..., so a cell 0.1 lies below it.
  EXPECT_TRUE(drops(filterOf("minimum", "0.1"), "0.1"));
  EXPECT_FALSE(drops(filterOf("maximum", "0.1"), "0.1"));
  EXPECT_TRUE(drops(filterOf("maximum", "0.1"), "0.1000001"));
  // An unreadable limit is 0.
  EXPECT_TRUE(drops(filterOf("maximum", "abc"), "0"));
  EXPECT_FALSE(drops(filterOf("maximum", "abc"), "-0.5"));
}

TEST(RowFilterTest, OnlyExactNamesAndKnownKindsCount) {
  const std::vector<RowFilterEntry> list = {{"engine.speed", "minimum", "5"},
                                            {"Engine.Speed", "Minimum", "5"},
                                            {"Engine.Speed ", "maximum", "0"},
                                            {"Engine.Temp", "maximum", "0"}};
  EXPECT_TRUE(RowFilter(list, "Engine.Speed").empty());
  EXPECT_FALSE(RowFilter(list, "Engine.Temp").empty());
  // Several entries for one name: any one of them drops the row.
  const RowFilter both({{"A.x", "minimum", "0"}, {"A.x", "maximum", "10"}}, "A.x");
  EXPECT_TRUE(drops(both, "-1"));
  EXPECT_TRUE(drops(both, "10"));
  EXPECT_FALSE(drops(both, "5"));
}

}  // namespace
