#include "decode/IndexEnvelope.h"

#include <limits>

#include "index/IndexStore.h"

namespace zrl {

std::shared_ptr<const LogIndex> loadFreshIndex(const std::string& logPath) {
  auto index = std::make_shared<LogIndex>();
  if (!loadFreshIndex(logPath, *index)) return nullptr;
  return index;
}

namespace {

// The first time that falls in bucket `bucket` or a later one.
int64_t firstTimeOf(const IndexSummary& summary, uint32_t bucket) {
  int64_t low = summary.bucketStartMs;
  int64_t high = summary.bucketEndMs;
  if (summary.bucketOf(high) < bucket) return high + 1;
  while (low < high) {
    const int64_t middle = low + (high - low) / 2;
    if (summary.bucketOf(middle) >= bucket) high = middle;
    else low = middle + 1;
  }
  return low;
}

}  // namespace

bool envelopeFromIndex(const LogIndex& index, const std::vector<uint16_t>& ids, std::size_t columns,
                       const EnvelopeRange& range, int64_t fileStartMs, int64_t fileEndMs, PreviewEnvelope& out) {
  if (!index.hasSummary()) return false;
  const IndexSummary& summary = index.summary();
  if (summary.bucketStartMs != fileStartMs || summary.bucketEndMs != fileEndMs) return false;
  out = PreviewEnvelope();
  out.startMs = range.whole() ? fileStartMs : range.startMs;
  out.endMs = range.whole() ? fileEndMs : range.endMs;
  out.columns = columns;
  const double none = std::numeric_limits<double>::quiet_NaN();
  std::vector<const BucketSeries*> sources;
  for (uint16_t id : ids) {
    EnvelopeSeries series;
    series.variableId = id;
    series.minimum.assign(columns, none);
    series.maximum.assign(columns, none);
    const BucketSeries* source = nullptr;
    for (const BucketSeries& s : summary.series) {
      if (s.id == id) source = &s;
    }
    // A variable asked for twice is drawn once, as a pass over the records
    // draws it.
    for (const BucketSeries* earlier : sources) {
      if (earlier == source) source = nullptr;
    }
    sources.push_back(source);
    out.series.push_back(std::move(series));
  }
  if (columns == 0 || summary.bucketCount == 0) return columns == 0;

  int64_t low = std::numeric_limits<int64_t>::min();  // the edge buckets take every time past them
  for (uint32_t b = 0; b < summary.bucketCount; ++b) {
    const int64_t high = b + 1 == summary.bucketCount ? std::numeric_limits<int64_t>::max()
                                                      : firstTimeOf(summary, b + 1) - 1;
    const int64_t first = low;
    low = high == std::numeric_limits<int64_t>::max() ? high : high + 1;
    if (first > high) continue;  // a bucket no millisecond falls in
    if (!range.whole()) {
      if (high < range.startMs || first > range.endMs) continue;
      if (first < range.startMs || high > range.endMs) return false;
    }
    const std::size_t column = out.columnOf(first);
    if (out.columnOf(high) != column) return false;
    for (std::size_t i = 0; i < sources.size(); ++i) {
      const BucketSeries* source = sources[i];
      if (source == nullptr || source->counts[b] == 0) continue;
      double& lowest = out.series[i].minimum[column];
      double& highest = out.series[i].maximum[column];
      if (!(source->minimum[b] >= lowest)) lowest = source->minimum[b];
      if (!(source->maximum[b] <= highest)) highest = source->maximum[b];
    }
  }
  return true;
}

bool envelopeFromIndex(const LogIndex& index, const std::vector<uint16_t>& ids, std::size_t columns,
                       const EnvelopeRange& range, PreviewEnvelope& out) {
  if (!index.hasSummary()) return false;
  return envelopeFromIndex(index, ids, columns, range, index.summary().bucketStartMs, index.summary().bucketEndMs,
                           out);
}

}  // namespace zrl
