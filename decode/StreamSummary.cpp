#include "decode/StreamSummary.h"

#include "reader/DataTypes.h"
#include "reader/LogReader.h"
#include "values/Limits.h"

namespace zrl {

namespace {

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

bool isPlottable(uint8_t type) {
  return type == DATALOGGER_BOOLEAN_TYPE || type == DATALOGGER_INTEGER_TYPE || type == DATALOGGER_FLOAT_TYPE ||
         type == DATALOGGER_DOUBLE_TYPE;
}

}  // namespace

void StreamSummary::begin(const LogReader& reader, uint64_t logBytes) {
  summary_ = IndexSummary();
  seriesOf_.assign(kMaxVariables, -1);
  variables_.assign(kMaxVariables, VariableStatistics());
  records_ = timestamps_ = 0;
  for (const CatalogPosition& position : reader.catalogOrder()) {
    if (position.variableId >= kMaxVariables || !isPlottable(reader.typeOf(position.variableId)) ||
        seriesOf_[position.variableId] >= 0)
      continue;
    seriesOf_[position.variableId] = static_cast<int32_t>(summary_.series.size());
    BucketSeries series;
    series.id = position.variableId;
    summary_.series.push_back(std::move(series));
  }
  summary_.bucketStartMs = reader.fileStartMs();
  summary_.bucketEndMs = reader.fileEndMs();
  summary_.bucketCount = bucketCountFor(logBytes, summary_.series.size());
  for (BucketSeries& series : summary_.series) {
    series.counts.assign(summary_.bucketCount, 0);
    series.minimum.assign(summary_.bucketCount, 0);
    series.maximum.assign(summary_.bucketCount, 0);
  }
  startAt(reader.fileStartMs());
}

void StreamSummary::value(uint16_t id, const DataValue& value) {
  if (id >= variables_.size()) return;
  switch (value.kind()) {
    case DataValueKind::Boolean: boolean(id, value.getBool()); break;
    case DataValueKind::Integer: number(id, value.getInt()); break;
    case DataValueKind::Float: number(id, value.getFloat()); break;
    case DataValueKind::Double: number(id, value.getDouble()); break;
    default: other(id); break;
  }
}

LogStatistics StreamSummary::statistics() const {
  LogStatistics statistics;
  statistics.records = records_;
  statistics.timestamps = timestamps_;
  statistics.variables = variables_;
  return statistics;
}

IndexSummary StreamSummary::takeSummary() {
  summary_.records = records_;
  summary_.timestamps = timestamps_;
  summary_.variables.clear();
  for (uint16_t id = 0; id < variables_.size(); ++id) {
    const VariableStatistics& s = variables_[id];
    if (s.samples == 0) continue;
    summary_.variables.push_back({id, s.samples, s.firstMs, s.lastMs, s.hasRange, s.minimum, s.maximum});
  }
  return std::move(summary_);
}

}  // namespace zrl
