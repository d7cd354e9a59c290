#include "decode/LogStatistics.h"

#include <cmath>

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
  if (!reader.openRecords()) {
    statistics.error = reader.loadError().empty() ? "Unable to read the log file" : reader.loadError();
    return statistics;
  }
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
    uint16_t id = 0;
    if (!reader.readId(id)) {
      statistics.complete = reader.atStreamEnd();
      break;
    }
    ++statistics.records;
    if (id == kTimestampRecordId) {
      if (!reader.readAbsoluteTimestamp(nowMs)) break;
      ++statistics.timestamps;
      continue;
    }
    const uint8_t type = id < kMaxVariables ? reader.typeOf(id) : 0;
    if (!reader.readVarData(id, type, value)) break;
    VariableStatistics& s = statistics.variables[id];
    if (s.samples++ == 0) s.firstMs = nowMs;
    s.lastMs = nowMs;
    double number = 0;
    if (!numberOf(value, number)) continue;
    if (!s.hasRange || number < s.minimum) s.minimum = number;
    if (!s.hasRange || number > s.maximum) s.maximum = number;
    s.hasRange = true;
  }
  reader.closeAll();
  if (!statistics.complete && !cancelled) statistics.error = "Failed to read file content";
  if (statistics.complete && progress) progress(reader.uncompressedSize(), reader.uncompressedSize());
  return statistics;
}

}  // namespace zrl
