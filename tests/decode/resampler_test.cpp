#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "decode/DecodeSettings.h"
#include "decode/Resampler.h"

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
  NodeDataValue m = aggregate(samples<int32_t>({4, 1, 3, 2}), MethodMedian);
  EXPECT_EQ(m.kind(), DataValueKind::Float);
  EXPECT_EQ(m.getFloat(), 2.5f);
  m = aggregate(samples<int32_t>({3, 1, 2}), MethodMedian);
  EXPECT_EQ(m.kind(), DataValueKind::Integer);
  EXPECT_EQ(m.getInt(), 2);
  EXPECT_EQ(aggregate(samples<float>({1.0f, 4.0f}), MethodMedian).getFloat(), 2.5f);
  EXPECT_EQ(aggregate(samples<float>({9.0f, 1.0f, 4.0f}), MethodMedian).getFloat(), 4.0f);
  // Booleans: true when more than half are true.
  EXPECT_FALSE(aggregate(samples<bool>({true, true, false, false}), MethodMedian).getBool());
  EXPECT_TRUE(aggregate(samples<bool>({true, false, true, true}), MethodMedian).getBool());
  EXPECT_TRUE(aggregate(samples<bool>({true, false, true}), MethodMedian).getBool());
  // Other kinds: the middle of the list as it came, unsorted.
  EXPECT_EQ(aggregate(samples<const char*>({"c", "a", "b", "d"}), MethodMedian).getString(), "b");
  // Codes outside the list behave as Median.
  EXPECT_EQ(aggregate(samples<int32_t>({5, 1, 3}), 17).getInt(), 3);
  // The input list keeps its order.
  std::vector<NodeDataValue> list = samples<int32_t>({3, 1, 2});
  aggregate(list, MethodMedian);
  EXPECT_EQ(list[0].getInt(), 3);
}

TEST(AggregateTest, Mean) {
  NodeDataValue m = aggregate(samples<int32_t>({1, 2}), MethodMean);
  EXPECT_EQ(m.kind(), DataValueKind::Float);
  EXPECT_EQ(m.getFloat(), 1.5f);
  EXPECT_EQ(aggregate(samples<bool>({true, false, false, false}), MethodMean).getFloat(), 0.25f);
  EXPECT_FLOAT_EQ(aggregate(samples<float>({0.1f, 0.2f, 0.3f}), MethodMean).getFloat(), 0.2f);
  // Large integers are summed in double precision, not in 32 bits.
  EXPECT_EQ(aggregate(samples<int32_t>({2000000000, 2000000000}), MethodMean).getFloat(), 2e9f);
  const NodeDataValue s = aggregate(samples<const char*>({"first", "second"}), MethodMean);
  EXPECT_EQ(s.getString(), "first");
}

TEST(AggregateTest, ExtremesKeepTheEarliestOfEqualSamples) {
  NodeDataValue m = aggregate(samples<float>({2.0f, 1.0f, 1.0f}), MethodMin);
  EXPECT_EQ(m.getFloat(), 1.0f);
  EXPECT_EQ(m.id, 1);
  m = aggregate(samples<int32_t>({3, 5, 5}), MethodMax);
  EXPECT_EQ(m.getInt(), 5);
  EXPECT_EQ(m.id, 1);
  EXPECT_EQ(aggregate(samples<const char*>({"b", "a", "c"}), MethodMin).getString(), "a");
  EXPECT_EQ(aggregate(samples<const char*>({"b", "a", "c"}), MethodMax).getString(), "c");
}

TEST(AggregateTest, FirstLastAndTrivialLists) {
  EXPECT_EQ(aggregate(samples<int32_t>({7, 8, 9}), MethodFirst).getInt(), 7);
  EXPECT_EQ(aggregate(samples<int32_t>({7, 8, 9}), MethodLast).getInt(), 9);
  EXPECT_EQ(aggregate({}, MethodMean).kind(), DataValueKind::UnknownDt);
  // One sample is copied whatever the method, kind included.
  for (int32_t method = 0; method < 6; ++method) {
    const NodeDataValue one = aggregate(samples<int32_t>({4}), method);
    EXPECT_EQ(one.kind(), DataValueKind::Integer);
    EXPECT_EQ(one.getInt(), 4);
  }
}

TEST(BinClockTest, BinsAlignToThePeriodSince1970) {
  BinClock clock;
  const uint64_t tenOClock = 1772704800000;  // 2026-03-05 10:00:00 UTC
  clock.start(static_cast<int64_t>(tenOClock + 300), 1000);
  EXPECT_EQ(clock.binStart(), tenOClock);
  uint64_t row = 0;
  EXPECT_FALSE(clock.closeBin(tenOClock + 900, row));
  EXPECT_TRUE(clock.closeBin(tenOClock + 1000, row));
  EXPECT_EQ(row, tenOClock + 500);
  // After a gap the bins close one per timestamp, each at its own middle.
  EXPECT_TRUE(clock.closeBin(tenOClock + 4200, row));
  EXPECT_EQ(row, tenOClock + 1500);
  EXPECT_TRUE(clock.closeBin(tenOClock + 4300, row));
  EXPECT_EQ(row, tenOClock + 2500);

  clock.start(1772704812345, 100000);  // 0.01 Hz
  EXPECT_EQ(clock.binStart(), 1772704800000u);
  EXPECT_TRUE(clock.closeBin(1772704900000, row));
  EXPECT_EQ(row, 1772704850000u);
}

TEST(SamplingBufferTest, DropsNonFiniteSamplesAndEmptiesOnDrain) {
  SamplingBuffer buffer;
  buffer.reset(3);
  buffer.add(0, NodeDataValue(std::numeric_limits<float>::quiet_NaN()));
  buffer.add(0, NodeDataValue(std::numeric_limits<float>::infinity()));
  buffer.add(0, NodeDataValue(-std::numeric_limits<double>::infinity()));
  EXPECT_TRUE(buffer.empty());
  buffer.add(2, NodeDataValue(1.0f));
  buffer.add(0, NodeDataValue(std::numeric_limits<float>::quiet_NaN()));
  buffer.add(2, NodeDataValue(3.0f));
  buffer.add(1, NodeDataValue("x"));
  std::vector<std::string> seen;
  buffer.drain(MethodMean, [&](std::size_t column, const NodeDataValue& v) {
    seen.push_back(std::to_string(column) + "=" + text(v));
  });
  EXPECT_EQ(seen, (std::vector<std::string>{"2=2.00", "1=x"}));
  EXPECT_TRUE(buffer.empty());
  seen.clear();
  buffer.add(2, NodeDataValue(5.0f));
  buffer.drain(MethodMean, [&](std::size_t column, const NodeDataValue& v) {
    seen.push_back(std::to_string(column) + "=" + text(v));
  });
  EXPECT_EQ(seen, (std::vector<std::string>{"2=5.00"}));
}

}  // namespace
