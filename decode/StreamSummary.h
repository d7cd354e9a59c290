// What one whole pass over a log's record stream learns for its index: the
// record and timestamp counts, per variable its samples, first and last
// time and range, and per plottable variable and time bucket the count, the
// smallest and the largest value. Any pass that reads every record can feed
// it (--info --stats, the preview), so that the index it makes answers the
// same whichever pass made it.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "decode/LogStatistics.h"
#include "index/LogIndex.h"
#include "values/DataValue.h"

namespace zrl {

class LogReader;

class StreamSummary {
 public:
  // Series and buckets for the log `reader` has read the head of; the
  // bucket count follows the log's size in bytes.
  void begin(const LogReader& reader, uint64_t logBytes);

  // Values before the first timestamp belong to `timeMs` (the file's start).
  void startAt(int64_t timeMs) {
    nowMs_ = timeMs;
    bucket_ = summary_.bucketOf(timeMs);
  }
  // Every record read counts, whatever comes of it.
  void record() { ++records_; }
  void timestamp(int64_t timeMs) {
    ++timestamps_;
    nowMs_ = timeMs;
    bucket_ = summary_.bucketOf(timeMs);
  }
  // A record that is not a number: a string, a CAN frame, a time value.
  void other(uint16_t id) { sample(id); }
  void boolean(uint16_t id, bool value) {
    sample(id);
    bucketValue(id, value ? 1.0 : 0.0);
  }
  // An Integer, Float or Double; values that are not finite count as
  // samples only.
  void number(uint16_t id, double value) {
    VariableStatistics& s = sample(id);
    if (!std::isfinite(value)) return;
    bucketValue(id, value);
    if (!s.hasRange || value < s.minimum) s.minimum = value;
    if (!s.hasRange || value > s.maximum) s.maximum = value;
    s.hasRange = true;
  }

  // A value as the reader gives it, by its kind.
  void value(uint16_t id, const DataValue& value);

  // What was gathered, as --info --stats reports it (`complete` unset).
  LogStatistics statistics() const;
  // The index's summary; the summary is moved out.
  IndexSummary takeSummary();

 private:
  VariableStatistics& sample(uint16_t id) {
    VariableStatistics& s = variables_[id];
    if (s.samples++ == 0) s.firstMs = nowMs_;
    s.lastMs = nowMs_;
    return s;
  }
  void bucketValue(uint16_t id, double value) {
    const int32_t index = seriesOf_[id];
    if (index < 0 || summary_.bucketCount == 0) return;
    BucketSeries& series = summary_.series[static_cast<std::size_t>(index)];
    if (series.counts[bucket_]++ == 0) {
      series.minimum[bucket_] = series.maximum[bucket_] = value;
    } else {
      series.minimum[bucket_] = std::min(series.minimum[bucket_], value);
      series.maximum[bucket_] = std::max(series.maximum[bucket_], value);
    }
  }

  IndexSummary summary_;
  std::vector<int32_t> seriesOf_;
  std::vector<VariableStatistics> variables_;
  uint64_t records_ = 0;
  uint64_t timestamps_ = 0;
  int64_t nowMs_ = 0;
  uint32_t bucket_ = 0;
};

}  // namespace zrl
