#include <gtest/gtest.h>

#include <algorithm>

#include "config/ControlTexts.h"

using namespace zrl;

// A fresh decode is what the window's default controls ask for: every
// variable, ";", ".", "7 decimals", UTC, no resampling, Median.
TEST(ControlTextsTest, DefaultsAreTheDefaultControlTexts) {
  const DecodeSettings s;
  EXPECT_EQ(s.columnSeparator, columnSeparatorFromText(";"));
  EXPECT_EQ(s.decimalSeparator, decimalSeparatorFromText("."));
  EXPECT_EQ(s.floatFormat, floatFormatFromText("7 decimals"));
  EXPECT_EQ(s.frequencyCode, frequencyCodeFromText("None"));
  EXPECT_EQ(s.periodMs, periodFromFrequencyCode(s.frequencyCode));
  EXPECT_EQ(s.method, methodFromText("Median"));
  EXPECT_TRUE(s.utc && !s.milliseconds && !s.unitLine && !s.leaveBlank);
  EXPECT_EQ(s.selected.size(), kMaxVariables);
  EXPECT_TRUE(std::all_of(s.selected.begin(), s.selected.end(), [](uint8_t f) { return f == 1; }));
}

TEST(ControlTextsTest, TextConversions) {
  EXPECT_EQ(floatFormatCode(floatFormatFromText("Tarvik")), 0);
  EXPECT_EQ(floatFormatCode(floatFormatFromText("1 decimal")), 1);
  EXPECT_EQ(floatFormatCode(floatFormatFromText("3 decimals")), 2);
  EXPECT_EQ(floatFormatCode(floatFormatFromText("5 decimals")), 3);
  EXPECT_EQ(floatFormatCode(floatFormatFromText("7 decimals")), 4);
  EXPECT_EQ(floatFormatCode(floatFormatFromText("tarvik")), 4);

  EXPECT_EQ(columnSeparatorFromText("tab"), '\t');
  EXPECT_EQ(columnSeparatorFromText(","), ',');
  EXPECT_EQ(columnSeparatorFromText(";x"), ';');
  EXPECT_EQ(decimalSeparatorFromText(","), ',');
  EXPECT_EQ(decimalSeparatorFromText("tab"), 't');

  const struct { const char* text; int32_t code; } methods[] = {
      {"Median", 0}, {"Mean", 1}, {"Min", 2}, {"Max", 3}, {"First", 4}, {"Last", 5},
      {"max", 0},    {"", 0}};
  for (const auto& m : methods)
    EXPECT_EQ(static_cast<int32_t>(methodFromText(m.text)), m.code) << m.text;
}

TEST(ControlTextsTest, FrequencyTextsAndPeriods) {
  const struct { const char* text; int32_t code; int64_t period; } rows[] = {
      {"None", 0, 0},      {"0.01", -2, 100000}, {"0.1", -1, 10000}, {"1", 1, 1000},
      {"2", 2, 500},       {"5", 5, 200},        {"10", 10, 100},    {"20", 20, 50},
      {"25", 25, 40},      {"50", 50, 20},       {"100", 100, 10},   {"200", 200, 5},
      {"250", 250, 4},     {"500", 500, 2},      {"3", 0, 0},        {"1000", 0, 0},
      {"10 Hz", 0, 0},     {"", 0, 0}};
  for (const auto& r : rows) {
    EXPECT_EQ(frequencyCodeFromText(r.text), r.code) << r.text;
    EXPECT_EQ(periodFromFrequencyCode(frequencyCodeFromText(r.text)), r.period) << r.text;
  }
  EXPECT_EQ(periodFromFrequencyCode(-3), 0);
  EXPECT_EQ(periodFromFrequencyCode(3), 333);
  EXPECT_EQ(periodFromFrequencyCode(2000), 0);
}
