#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "decode/DecodeSettings.h"
#include "decode/Binning.h"

using namespace zrl;

namespace {

// Samples tagged with their position, so that "which sample won" is visible.
template <typename T>
std::vector<NodeDataValue> samples(std::initializer_list<T> values) {
  std::vector<NodeDataValue> list;
  int16_t position = 0;
  for (const T& v : values) {
    list.emplace_back(v);
    list.back().id = position++;
  }
  return list;
}

std::string text(const NodeDataValue& v) { return v.toText('.', 0, 2); }

TEST(AggregateTest, Median) {
  NodeDataValue m = aggregate(samples<int32_t>({4, 1, 3, 2}), AggregationMethod::Median);
  EXPECT_EQ(m.kind(), DataValueKind::Float);
  EXPECT_EQ(m.getFloat(), 2.5f);
  m = aggregate(samples<int32_t>({3, 1, 2}), AggregationMethod::Median);
  EXPECT_EQ(m.kind(), DataValueKind::Integer);
  EXPECT_EQ(m.getInt(), 2);
  EXPECT_EQ(aggregate(samples<float>({1.0f, 4.0f}), AggregationMethod::Median).getFloat(), 2.5f);
  EXPECT_EQ(aggregate(samples<float>({9.0f, 1.0f, 4.0f}), AggregationMethod::Median).getFloat(), 4.0f);
  // Booleans: true when more than half are true.
  EXPECT_FALSE(aggregate(samples<bool>({true, true, false, false}), AggregationMethod::Median).getBool());
  EXPECT_TRUE(aggregate(samples<bool>({true, false, true, true}), AggregationMethod::Median).getBool());
  EXPECT_TRUE(aggregate(samples<bool>({true, false, true}), AggregationMethod::Median).getBool());
  // Other kinds: the middle of the list as it came, unsorted.
  EXPECT_EQ(aggregate(samples<const char*>({"c", "a", "b", "d"}), AggregationMethod::Median).getString(), "b");
  std::vector<NodeDataValue> many;
  for (int i = 0; i < 1001; ++i) many.emplace_back(std::to_string(i));
  EXPECT_EQ(aggregate(many, AggregationMethod::Median).getString(), "500");
  many.pop_back();
  EXPECT_EQ(aggregate(many, AggregationMethod::Median).getString(), "500");
  // Codes outside the list behave as Median.
  EXPECT_EQ(aggregate(samples<int32_t>({5, 1, 3}), static_cast<AggregationMethod>(17)).getInt(), 3);
  // The input list keeps its order.
  std::vector<NodeDataValue> list = samples<int32_t>({3, 1, 2});
  aggregate(list, AggregationMethod::Median);
  EXPECT_EQ(list[0].getInt(), 3);
}

TEST(AggregateTest, Mean) {
  NodeDataValue m = aggregate(samples<int32_t>({1, 2}), AggregationMethod::Mean);
  EXPECT_EQ(m.kind(), DataValueKind::Float);
  EXPECT_EQ(m.getFloat(), 1.5f);
  EXPECT_EQ(aggregate(samples<bool>({true, false, false, false}), AggregationMethod::Mean).getFloat(), 0.25f);
  EXPECT_FLOAT_EQ(aggregate(samples<float>({0.1f, 0.2f, 0.3f}), AggregationMethod::Mean).getFloat(), 0.2f);
  // Large integers are summed in double precision, not in 32 bits.
  EXPECT_EQ(aggregate(samples<int32_t>({2000000000, 2000000000}), AggregationMethod::Mean).getFloat(), 2e9f);
  const NodeDataValue s = aggregate(samples<const char*>({"first", "second"}), AggregationMethod::Mean);
  EXPECT_EQ(s.getString(), "first");
}

TEST(AggregateTest, ExtremesKeepTheEarliestOfEqualSamples) {
  NodeDataValue m = aggregate(samples<float>({2.0f, 1.0f, 1.0f}), AggregationMethod::Min);
  EXPECT_EQ(m.getFloat(), 1.0f);
  EXPECT_EQ(m.id, 1);
  m = aggregate(samples<int32_t>({3, 5, 5}), AggregationMethod::Max);
  EXPECT_EQ(m.getInt(), 5);
  EXPECT_EQ(m.id, 1);
  EXPECT_EQ(aggregate(samples<const char*>({"b", "a", "c"}), AggregationMethod::Min).getString(), "a");
  EXPECT_EQ(aggregate(samples<const char*>({"b", "a", "c"}), AggregationMethod::Max).getString(), "c");
}

TEST(AggregateTest, FirstLastAndTrivialLists) {
  EXPECT_EQ(aggregate(samples<int32_t>({7, 8, 9}), AggregationMethod::First).getInt(), 7);
  EXPECT_EQ(aggregate(samples<int32_t>({7, 8, 9}), AggregationMethod::Last).getInt(), 9);
  EXPECT_EQ(aggregate({}, AggregationMethod::Mean).kind(), DataValueKind::UnknownDt);
  // One sample is copied whatever the method, kind included.
  for (int32_t method = 0; method < 6; ++method) {
    const NodeDataValue one = aggregate(samples<int32_t>({4}), static_cast<AggregationMethod>(method));
    EXPECT_EQ(one.kind(), DataValueKind::Integer);
    EXPECT_EQ(one.getInt(), 4);
  }
}

// Integers whose single precision values tie keep the middle samples
// that a sort of the values themselves picks.
TEST(AggregateTest, MedianOfIntegersBreaksTiesAsASortOfTheValues) {
  const std::vector<std::vector<int32_t>> lists = {
      {16777217, 16777216, 16777218, 16777219, 16777215},
      {2000000050, 2000000000, 2000000010, 1999999990, 2000000020, 2000000030, 2000000040},
      {33554435, 33554433, 33554434, 33554432, 33554436, 33554437, 33554438, 33554439, 1, 2, 3,
       33554440, 33554441, 33554442, 33554443, 33554444, 33554445, 33554446, 33554447}};
  for (const std::vector<int32_t>& list : lists) {
    std::vector<NodeDataValue> values(list.begin(), list.end());
    std::vector<NodeDataValue> sorted = values;
    std::sort(sorted.begin(), sorted.end(),
              [](const NodeDataValue& a, const NodeDataValue& b) { return a < b; });
    EXPECT_EQ(aggregate(values, AggregationMethod::Median).getInt(), sorted[sorted.size() / 2].getInt());
    values.pop_back();
    sorted = values;
    std::sort(sorted.begin(), sorted.end(),
              [](const NodeDataValue& a, const NodeDataValue& b) { return a < b; });
    const double even =
        (double(sorted[sorted.size() / 2 - 1].getInt()) + sorted[sorted.size() / 2].getInt()) * 0.5;
    EXPECT_EQ(aggregate(values, AggregationMethod::Median).getFloat(), static_cast<float>(even));
  }
}

TEST(AggregateTest, MedianOfTwoLargeIntegersDoesNotWrap) {
  EXPECT_EQ(text(aggregate(samples<int32_t>({2000000000, 2000000000}), AggregationMethod::Median)),
            "2000000000.00");
  EXPECT_EQ(text(aggregate(samples<int32_t>({-2147483647 - 1, -2147483647 - 1}), AggregationMethod::Median)),
            "-2147483648.00");
}

TimeSpec32 seconds(int32_t s, int32_t ns = 0) {
  TimeSpec32 t;
  t.tv_sec = s;
  t.tv_nsec = ns;
  return t;
}

struct ExtremeCase {
  const char* name;
  std::vector<NodeDataValue> samples;
  int16_t min;  // position of the sample Min picks
  int16_t max;
};

// Booleans order false before true, TimeStamps by their time, Integers by
// their exact value; among equal samples the earliest wins.
TEST(AggregateTest, MinAndMaxOrderEveryKind) {
  const ExtremeCase cases[] = {
      {"booleans", samples<bool>({true, false, true, false}), 1, 0},
      {"equal booleans", samples<bool>({true, true}), 0, 0},
      {"times", samples<TimeSpec32>({seconds(5), seconds(9), seconds(3), seconds(9)}), 2, 1},
      {"nanoseconds", samples<TimeSpec32>({seconds(5, 2), seconds(5, 1), seconds(4, 999999999)}),
       2, 0},
      {"times before 1970", samples<TimeSpec32>({seconds(0), seconds(-90)}), 1, 0},
      {"large integers", samples<int32_t>({2000000000, 2000000050, 1999999990}), 2, 1},
      {"integers tied in single precision", samples<int32_t>({16777217, 16777216}), 1, 0},
      {"floats", samples<float>({2.0f, 1.0f, 1.0f, 3.0f}), 1, 3},
      {"strings", samples<const char*>({"b", "a", "c", "a"}), 1, 2},
  };
  for (const ExtremeCase& c : cases) {
    EXPECT_EQ(aggregate(c.samples, AggregationMethod::Min).id, c.min) << c.name;
    EXPECT_EQ(aggregate(c.samples, AggregationMethod::Max).id, c.max) << c.name;
  }
}

TEST(BinClockTest, EachTimestampLandsInTheBinOfItsOwnTime) {
  BinClock clock;
  const int64_t ten = 1772704800000;  // 2026-03-05 10:00:00 UTC
  clock.start(ten + 300, 1000);
  EXPECT_EQ(clock.binStart(), ten);
  struct Step {
    int64_t t;
    int64_t row;  // -1: no bin closes
  };
  const Step steps[] = {
      {ten + 900, -1},
      {ten + 1000, ten + 500},
      {ten + 4200, ten + 1500},  // after a gap: the next bin is the one of 4.2 s
      {ten + 4300, -1},
      {ten + 5000, ten + 4500},
      {ten + 4999, ten + 5500},  // a clock set back opens the bin of its time
  };
  for (const Step& step : steps) {
    int64_t row = -1;
    EXPECT_EQ(clock.closeBin(step.t, row), step.row >= 0) << step.t - ten;
    if (step.row >= 0) {
      EXPECT_EQ(row, step.row) << step.t - ten;
    }
  }
  clock.openAt(ten + 7250);
  EXPECT_EQ(clock.middle(), ten + 7500);

  clock.start(1772704812345, 100000);  // 0.01 Hz
  EXPECT_EQ(clock.binStart(), 1772704800000);
  clock.start(-90000, 100000);  // before 1970
  EXPECT_EQ(clock.binStart(), -100000);
}

TEST(SamplingBufferTest, DropsNonFiniteSamplesAndEmptiesOnDrain) {
  SamplingBuffer buffer;
  buffer.reset(3, AggregationMethod::Mean);
  buffer.add(0, NodeDataValue(std::numeric_limits<float>::quiet_NaN()));
  buffer.add(0, NodeDataValue(std::numeric_limits<float>::infinity()));
  buffer.add(0, NodeDataValue(-std::numeric_limits<double>::infinity()));
  EXPECT_TRUE(buffer.empty());
  buffer.add(2, NodeDataValue(1.0f));
  buffer.add(0, NodeDataValue(std::numeric_limits<float>::quiet_NaN()));
  buffer.add(2, NodeDataValue(3.0f));
  buffer.add(1, NodeDataValue("x"));
  std::vector<std::string> seen;
  buffer.drain([&](std::size_t column, const NodeDataValue& v) {
    seen.push_back(std::to_string(column) + "=" + text(v));
  });
  EXPECT_EQ(seen, (std::vector<std::string>{"2=2.00", "1=x"}));
  EXPECT_TRUE(buffer.empty());
  seen.clear();
  buffer.add(2, NodeDataValue(5.0f));
  buffer.drain([&](std::size_t column, const NodeDataValue& v) {
    seen.push_back(std::to_string(column) + "=" + text(v));
  });
  EXPECT_EQ(seen, (std::vector<std::string>{"2=5.00"}));
}

// Only a Median keeps anything per sample (8 bytes per number).
TEST(SamplingBufferTest, OnlyMedianSamplesCountAgainstTheLimit) {
  for (int32_t code = 0; code <= 5; ++code) {
    const AggregationMethod method = static_cast<AggregationMethod>(code);
    SamplingBuffer buffer;
    buffer.reset(1, method, 8000);
    bool fits = true;
    for (int i = 0; i < 1001 && fits; ++i) fits = buffer.add(0, NodeDataValue(i));
    EXPECT_EQ(fits, method != AggregationMethod::Median) << code;
  }
}

}  // namespace
