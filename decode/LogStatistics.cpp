#include "decode/LogStatistics.h"

#include <algorithm>
#include <cmath>

#include "decode/StreamSummary.h"
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
  StreamSummary summary;
  uint64_t nextPointAt = UINT64_MAX;
  if (reader.headRead() && builder.begin(logPath, reader.streamStart())) reader.setCaptureSpacing(builder.spacing());
  if (!reader.openRecords()) {
    statistics.error = reader.loadError().empty() ? "Unable to read the log file" : reader.loadError();
    return statistics;
  }
  LogIdentity identity;
  if (builder.active()) {
    nextPointAt = kHeadLength + builder.spacing();
    identifyLog(logPath, reader.streamStart(), identity);
  }
  summary.begin(reader, identity.size);
  int64_t latestMs = 0;
  bool timeSeen = false;
  // Values before the first timestamp belong to the file's start.
  int64_t nowMs = reader.fileStartMs();
  NodeDataValue value;
  bool cancelled = false;
  bool complete = false;
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
      complete = reader.atStreamEnd();
      break;
    }
    summary.record();
    if (id == kTimestampRecordId) {
      if (!reader.readAbsoluteTimestamp(nowMs)) break;
      if (!timeSeen || nowMs > latestMs) latestMs = nowMs;
      timeSeen = true;
      summary.timestamp(nowMs);
      continue;
    }
    const uint8_t type = id < kMaxVariables ? reader.typeOf(id) : 0;
    if (!reader.readVarData(id, type, value)) break;
    summary.value(id, value);
  }
  reader.closeAll();
  statistics = summary.statistics();
  statistics.complete = complete;
  if (builder.active()) {
    // Only a pass that read every record can answer for the whole log; a
    // cut stream is whole in that sense, a damaged one is not indexed.
    if (statistics.complete) {
      builder.setSummary(summary.takeSummary());
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
