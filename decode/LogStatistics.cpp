#include "decode/LogStatistics.h"

#include <algorithm>
#include <cmath>

#include "index/IndexStore.h"
#include "reader/DataTypes.h"
#include "reader/LogReader.h"
#include "reader/ZrlLayout.h"
#include "values/DataValue.h"
#include "values/Limits.h"

namespace zrl {

namespace {

constexpr uint64_t kProgressEvery = 1 << 16;

// The reader positioned on the first record, as a decode run positions it.
class StreamReader : public LogReader {
 public:
  explicit StreamReader(const std::string& path) : LogReader(path, {}) {}
  bool openRecords() {
    if (!loadError().empty()) return false;
    resetBytesRead();
    clearIndexes();
    return openInputFile(false) && readMagic() && readHeader() && openRecordStream();
  }
};

// Buckets for the preview: enough for a detailed plot, few enough that the
// index stays a small part of the log.
uint32_t bucketCountFor(uint64_t logBytes, std::size_t series) {
  if (series == 0) return 0;
  const uint64_t budget = logBytes / 400;  // a quarter of a percent
  const uint64_t perBucket = 20 * static_cast<uint64_t>(series);
  uint32_t count = 16;
  while (count < 8192 && perBucket * count * 2 <= budget) count *= 2;
  return count;
}

bool plotNumber(const NodeDataValue& value, double& out) {
  if (value.kind() == DataValueKind::Boolean) {
    out = value.getBool() ? 1.0 : 0.0;
    return true;
  }
  switch (value.kind()) {
    case DataValueKind::Integer: out = value.getInt(); return true;
    case DataValueKind::Float: out = value.getFloat(); return std::isfinite(out);
    case DataValueKind::Double: out = value.getDouble(); return std::isfinite(out);
    default: return false;
  }
}

bool isPlottable(uint8_t type) {
  return type == DATALOGGER_BOOLEAN_TYPE || type == DATALOGGER_INTEGER_TYPE || type == DATALOGGER_FLOAT_TYPE ||
         type == DATALOGGER_DOUBLE_TYPE;
}

LogStatistics fromSummary(const IndexSummary& summary) {
  LogStatistics statistics;
  statistics.complete = true;
  statistics.records = summary.records;
  statistics.timestamps = summary.timestamps;
  statistics.variables.resize(kMaxVariables);
  for (const IndexedVariable& v : summary.variables) {
    if (v.id >= kMaxVariables) continue;
    VariableStatistics& s = statistics.variables[v.id];
    s.samples = v.samples;
    s.firstMs = v.firstMs;
    s.lastMs = v.lastMs;
    s.hasRange = v.hasRange;
    s.minimum = v.minimum;
    s.maximum = v.maximum;
  }
  return statistics;
}

bool numberOf(const NodeDataValue& value, double& out) {
  switch (value.kind()) {
    case DataValueKind::Integer: out = value.getInt(); return true;
    case DataValueKind::Float: out = value.getFloat(); return std::isfinite(out);
    case DataValueKind::Double: out = value.getDouble(); return std::isfinite(out);
    default: return false;
  }
}

}  // namespace

LogStatistics computeLogStatistics(const std::string& logPath, const std::atomic<bool>& cancel,
                                   const StatisticsProgress& progress) {
  LogStatistics statistics;
  statistics.variables.resize(kMaxVariables);
  StreamReader reader(logPath);
  // A whole pass was made before: what it found stands while the file is
  // unchanged.
  LogIndex index;
  if (reader.headRead() && loadFreshIndex(logPath, reader.streamStart(), index) && index.hasSummary())
    return fromSummary(index.summary());
  // Otherwise this pass makes the index, the summary with it.
  IndexBuilder builder;
  IndexSummary summary;
  std::vector<int32_t> seriesOf(kMaxVariables, -1);
  uint64_t nextPointAt = UINT64_MAX;
  if (reader.headRead() && builder.begin(logPath, reader.streamStart())) reader.setCaptureSpacing(builder.spacing());
  if (!reader.openRecords()) {
    statistics.error = reader.loadError().empty() ? "Unable to read the log file" : reader.loadError();
    return statistics;
  }
  if (builder.active()) {
    nextPointAt = kHeadLength + builder.spacing();
    for (const CatalogPosition& position : reader.catalogOrder()) {
      if (!isPlottable(reader.typeOf(position.variableId))) continue;
      seriesOf[position.variableId] = static_cast<int32_t>(summary.series.size());
      BucketSeries series;
      series.id = position.variableId;
      summary.series.push_back(std::move(series));
    }
    summary.bucketStartMs = reader.fileStartMs();
    summary.bucketEndMs = reader.fileEndMs();
    LogIdentity identity;
    identifyLog(logPath, reader.streamStart(), identity);
    summary.bucketCount = bucketCountFor(identity.size, summary.series.size());
    for (BucketSeries& series : summary.series) {
      series.counts.assign(summary.bucketCount, 0);
      series.minimum.assign(summary.bucketCount, 0);
      series.maximum.assign(summary.bucketCount, 0);
    }
  }
  int64_t latestMs = 0;
  bool timeSeen = false;
  uint32_t bucket = summary.bucketOf(reader.fileStartMs());
  // Values before the first timestamp belong to the file's start.
  int64_t nowMs = reader.fileStartMs();
  NodeDataValue value;
  bool cancelled = false;
  for (uint64_t counter = 0;; ++counter) {
    if (counter % kProgressEvery == 0) {
      if (cancel.load(std::memory_order_relaxed)) {
        cancelled = true;
        break;
      }
      if (progress) progress(reader.bytesRead(), reader.uncompressedSize());
    }
    if (reader.bytesRead() >= nextPointAt) {
      const uint64_t position = reader.bytesRead() - kHeadLength;
      ResumePoint point;
      if (reader.resumePointHere(point) && point.streamPosition <= position)
        builder.addPoint(point, position, timeSeen, timeSeen ? nowMs : 0, latestMs);
      nextPointAt = kHeadLength + (position / builder.spacing() + 1) * builder.spacing();
    }
    uint16_t id = 0;
    if (!reader.readId(id)) {
      statistics.complete = reader.atStreamEnd();
      break;
    }
    ++statistics.records;
    if (id == kTimestampRecordId) {
      if (!reader.readAbsoluteTimestamp(nowMs)) break;
      if (!timeSeen || nowMs > latestMs) latestMs = nowMs;
      timeSeen = true;
      bucket = summary.bucketOf(nowMs);
      ++statistics.timestamps;
      continue;
    }
    const uint8_t type = id < kMaxVariables ? reader.typeOf(id) : 0;
    if (!reader.readVarData(id, type, value)) break;
    VariableStatistics& s = statistics.variables[id];
    if (s.samples++ == 0) s.firstMs = nowMs;
    s.lastMs = nowMs;
    double plotted = 0;
    if (seriesOf[id] >= 0 && summary.bucketCount != 0 && plotNumber(value, plotted)) {
      BucketSeries& series = summary.series[static_cast<std::size_t>(seriesOf[id])];
      if (series.counts[bucket]++ == 0) {
        series.minimum[bucket] = series.maximum[bucket] = plotted;
      } else {
        series.minimum[bucket] = std::min(series.minimum[bucket], plotted);
        series.maximum[bucket] = std::max(series.maximum[bucket], plotted);
      }
    }
    double number = 0;
    if (!numberOf(value, number)) continue;
    if (!s.hasRange || number < s.minimum) s.minimum = number;
    if (!s.hasRange || number > s.maximum) s.maximum = number;
    s.hasRange = true;
  }
  reader.closeAll();
  if (builder.active()) {
    // Only a pass that read every record can answer for the whole log; a
    // cut stream is whole in that sense, a damaged one is not indexed.
    if (statistics.complete) {
      summary.records = statistics.records;
      summary.timestamps = statistics.timestamps;
      for (uint16_t id = 0; id < kMaxVariables; ++id) {
        const VariableStatistics& s = statistics.variables[id];
        if (s.samples == 0) continue;
        summary.variables.push_back({id, s.samples, s.firstMs, s.lastMs, s.hasRange, s.minimum, s.maximum});
      }
      builder.setSummary(std::move(summary));
      builder.finish();
    } else {
      builder.abandon();
    }
  }
  if (!statistics.complete && !cancelled) statistics.error = "Failed to read file content";
  if (statistics.complete && progress) progress(reader.uncompressedSize(), reader.uncompressedSize());
  return statistics;
}

}  // namespace zrl
