// Cost of the per-cell conversions of the CSV writer.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "values/DataValue.h"
#include "values/Format.h"

using namespace zrl;

namespace {

// A spread of magnitudes and signs, so that branch prediction does not learn
// a single value.
std::vector<float> sampleFloats() {
  std::vector<float> values;
  float x = 0.000123f;
  for (int i = 0; i < 64; ++i) {
    values.push_back(i % 3 == 0 ? -x : x);
    x *= 1.7f;
  }
  return values;
}

void BM_FormatFixed(benchmark::State& state) {
  const std::vector<float> values = sampleFloats();
  char buffer[kFixedTextCapacity];
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(formatFixed(values[i++ & 63], buffer, '.', 6, 0));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FormatFixed);

void BM_FormatInt(benchmark::State& state) {
  const int32_t values[8] = {0, -1, 42, 123456, -987654321, 2147483647, 77, -5000};
  char buffer[kIntTextCapacity];
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(formatInt(values[i++ & 7], buffer, 0));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FormatInt);

void BM_ToTextFloat(benchmark::State& state) {
  std::vector<NodeDataValue> values;
  for (float x : sampleFloats()) values.emplace_back(x);
  char buffer[kValueTextCapacity];
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(values[i++ & 63].toText(buffer, sizeof buffer, '.', 0, 6));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ToTextFloat);

// A 1 kHz stream: a new second every 1000 calls.
void BM_TimestampFormatterStream(benchmark::State& state) {
  TimestampFormatter formatter;
  char buffer[kTimeTextCapacity];
  uint64_t ms = 1608903907000ULL;
  const bool utc = state.range(0) != 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(formatter.format(ms++, true, ';', utc, buffer));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_TimestampFormatterStream)->Arg(1)->Arg(0);

// Every call a different second: the uncached cost.
void BM_FormatTimestampMs(benchmark::State& state) {
  uint64_t ms = 1608903907250ULL;
  const bool utc = state.range(0) != 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(formatTimestampMs(ms, true, ';', utc));
    ms += 1000;
  }
}
BENCHMARK(BM_FormatTimestampMs)->Arg(1)->Arg(0);

void BM_CopyValue(benchmark::State& state) {
  const NodeDataValue source(1.5f);
  NodeDataValue target(0);
  for (auto _ : state) {
    target = source;
    benchmark::DoNotOptimize(target);
  }
}
BENCHMARK(BM_CopyValue);

}  // namespace

BENCHMARK_MAIN();
