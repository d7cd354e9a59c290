#include "decode/PreviewEnvelope.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "reader/DataTypes.h"
#include "reader/LogReader.h"
#include "values/Limits.h"
#include "values/DataValue.h"

namespace zrl {

namespace {

constexpr uint16_t kTimestampRecord = 0xFFFF;
// Progress is computed every so many records: a division per record would
// cost more than the envelope itself.
constexpr uint64_t kProgressEvery = 4096;

bool isPlottable(uint8_t type) {
  return type == DATALOGGER_BOOLEAN_TYPE || type == DATALOGGER_INTEGER_TYPE || type == DATALOGGER_FLOAT_TYPE ||
         type == DATALOGGER_DOUBLE_TYPE;
}

// A NaN would take both ends of its column and wipe the values before it,
// and an infinity cannot be drawn: neither is plotted, for Floats as for Doubles.
bool plotValue(const DataValue& value, double& out) {
  switch (value.kind()) {
    case DataValueKind::Boolean: out = value.getBool() ? 1.0 : 0.0; return true;
    case DataValueKind::Integer: out = value.getInt(); return true;
    case DataValueKind::Float: out = value.getFloat(); return std::isfinite(out);
    case DataValueKind::Double: out = value.getDouble(); return std::isfinite(out);
    default: return false;
  }
}

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

int percentOf(uint64_t done, uint64_t total) {
  if (total == 0) return 0;
  return static_cast<int>(std::min<uint64_t>(100, done * 100 / total));
}

}  // namespace

std::size_t PreviewEnvelope::columnOf(int64_t timeMs) const {
  if (columns == 0 || timeMs <= startMs) return 0;
  if (timeMs >= endMs) return columns - 1;
  const double fraction = static_cast<double>(timeMs - startMs) / static_cast<double>(endMs - startMs);
  return std::min(columns - 1, static_cast<std::size_t>(fraction * static_cast<double>(columns)));
}

double PreviewEnvelope::columnMiddleMs(std::size_t column) const {
  if (columns == 0) return static_cast<double>(startMs);
  const double width = static_cast<double>(endMs - startMs) / static_cast<double>(columns);
  return static_cast<double>(startMs) + (static_cast<double>(column) + 0.5) * width;
}

PreviewResult computePreviewEnvelope(const std::string& logPath, const std::vector<uint16_t>& variableIds,
                                     std::size_t columns, const std::atomic<bool>& cancel,
                                     const PreviewProgress& progress, const EnvelopeRange& range) {
  PreviewResult result;
  StreamReader reader(logPath);
  PreviewEnvelope& envelope = result.envelope;
  envelope.startMs = range.whole() ? reader.fileStartMs() : range.startMs;
  envelope.endMs = range.whole() ? reader.fileEndMs() : range.endMs;
  envelope.columns = columns;
  const double none = std::numeric_limits<double>::quiet_NaN();
  std::vector<int32_t> seriesOf(kMaxVariables, -1);
  for (uint16_t id : variableIds) {
    EnvelopeSeries series;
    series.variableId = id;
    series.minimum.assign(columns, none);
    series.maximum.assign(columns, none);
    if (id < kMaxVariables && isPlottable(reader.typeOf(id)) && seriesOf[id] < 0)
      seriesOf[id] = static_cast<int32_t>(envelope.series.size());
    envelope.series.push_back(std::move(series));
  }
  if (!reader.openRecords()) {
    result.error = reader.loadError().empty() ? "Unable to read the log file" : reader.loadError();
    return result;
  }

  int lastPercent = -1;
  // Values before the first timestamp belong to the file's start.
  const auto inRange = [&](int64_t timeMs) {
    return range.whole() || (timeMs >= range.startMs && timeMs <= range.endMs);
  };
  std::size_t column = envelope.columnOf(reader.fileStartMs());
  bool inside = inRange(reader.fileStartMs());
  NodeDataValue value;
  for (uint64_t counter = 0;; ++counter) {
    if (cancel.load(std::memory_order_relaxed)) {
      result.cancelled = true;
      break;
    }
    if (progress && counter % kProgressEvery == 0) {
      const int percent = percentOf(reader.bytesRead(), reader.uncompressedSize());
      if (percent != lastPercent) progress(lastPercent = percent);
    }
    uint16_t id = 0;
    if (!reader.readId(id)) {
      result.complete = reader.atStreamEnd();
      break;
    }
    if (id == kTimestampRecord) {
      int64_t timeMs = 0;
      if (!reader.readAbsoluteTimestamp(timeMs)) break;
      column = envelope.columnOf(timeMs);
      inside = inRange(timeMs);
      continue;
    }
    const uint8_t type = id < kMaxVariables ? reader.typeOf(id) : 0;
    if (!reader.readVarData(id, type, value)) break;
    const int32_t slot = seriesOf[id];
    double number = 0;
    if (slot < 0 || !inside || columns == 0 || !plotValue(value, number)) continue;
    EnvelopeSeries& series = envelope.series[static_cast<std::size_t>(slot)];
    double& low = series.minimum[column];
    double& high = series.maximum[column];
    // NaN compares false: the first value of a column sets both ends.
    if (!(number >= low)) low = number;
    if (!(number <= high)) high = number;
  }
  reader.closeAll();
  if (!result.complete && !result.cancelled) result.error = "Failed to read file content";
  if (result.complete && progress && lastPercent != 100) progress(100);
  return result;
}

}  // namespace zrl
