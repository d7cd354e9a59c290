#include "decode/PreviewEnvelope.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "decode/StreamSummary.h"
#include "index/IndexStore.h"
#include "reader/DataTypes.h"
#include "reader/LogReader.h"
#include "reader/ZrlLayout.h"
#include "values/Limits.h"
#include "values/DataValue.h"

namespace zrl {

namespace {

constexpr uint16_t kTimestampRecord = 0xFFFF;
// Record id and the largest fixed payload (a double, a time value or a
// version 4 timestamp): while that many bytes are at hand, any fixed-size
// record starting there is whole.
constexpr unsigned kLongestFixedRecord = 2 + 8;
// Records walked between two looks at the cancel flag and the progress: a
// look per record cost as much as the envelope itself.
constexpr unsigned kPollEvery = 16384;
// The longest record: a point further than this before the record it
// names cannot be resumed from.
constexpr uint64_t kLongestRecordBytes = 64;

// How a record of each catalog slot is walked over.
enum class Payload : uint8_t { Unknown, Boolean, Integer, Float, Double, Fixed8, String, CanFrame };

struct Route {
  Payload payload = Payload::Unknown;
  int32_t series = -1;  // the series it feeds; -1: none
};

Payload payloadOf(uint8_t type) {
  switch (type) {
    case DATALOGGER_BOOLEAN_TYPE: return Payload::Boolean;
    case DATALOGGER_INTEGER_TYPE: return Payload::Integer;
    case DATALOGGER_FLOAT_TYPE: return Payload::Float;
    case DATALOGGER_DOUBLE_TYPE: return Payload::Double;
    case DATALOGGER_TIMESTAMP_TYPE: return Payload::Fixed8;
    case DATALOGGER_STRING_TYPE: return Payload::String;
    case DATALOGGER_CANFRAME_TYPE: return Payload::CanFrame;
    default: return Payload::Unknown;
  }
}

bool isPlottable(Payload payload) {
  return payload == Payload::Boolean || payload == Payload::Integer || payload == Payload::Float ||
         payload == Payload::Double;
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

float floatAt(const uint8_t* bytes) {
  const uint32_t bits = loadLe32(bytes);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

double doubleAt(const uint8_t* bytes) {
  const uint64_t bits = loadLe64(bytes);
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

class RecordStream : public LogReader {
 public:
  explicit RecordStream(const std::string& path) : LogReader(path, {}) {}
  bool openAtFirstRecord() { return openHead() && openRecordStream(); }
  // At the index's point instead; the first record when the point does
  // not fit the file after all.
  bool openAtPoint(const ResumePoint& point, uint64_t recordPosition, bool& resumed) {
    resumed = false;
    if (!openHead()) return false;
    resumed = openRecordStreamAt(point, recordPosition);
    return resumed || openRecordStream();
  }

 private:
  bool openHead() {
    if (!loadError().empty()) return false;
    resetBytesRead();
    clearIndexes();
    return openInputFile(false) && readMagic() && readHeader();
  }
};

// Opens the record stream for a pass over `range`, and gives the time in
// force where it starts. A range starts at the last point of a fresh index
// before which no time in force reached the range, as a decode of a time
// window does: nothing read before it could have been drawn, nor could
// have ended the pass, so the envelope is the one a pass from the first
// record gives. Values before the first timestamp belong to the file's
// start, so a range from there reads from the first record.
bool openRecordsAt(RecordStream& stream, const EnvelopeRange& range, int64_t& timeMs) {
  timeMs = stream.fileStartMs();
  if (range.whole() || !indexesEnabled() || !stream.headRead() || range.startMs <= stream.fileStartMs())
    return stream.openAtFirstRecord();
  LogIndex index;
  if (!loadFreshIndex(stream.inputPath(), stream.streamStart(), index)) return stream.openAtFirstRecord();
  const IndexPoint* point = index.pointBefore(range.startMs);
  ResumePoint resume;
  if (point == nullptr || !index.resumePoint(*point, resume)) return stream.openAtFirstRecord();
  bool resumed = false;
  if (!stream.openAtPoint(resume, point->recordPosition, resumed)) return false;
  if (resumed && point->timeSeen) timeMs = point->timeMs;
  return true;
}

int percentOf(uint64_t done, uint64_t total) {
  if (total == 0) return 0;
  return static_cast<int>(std::min<uint64_t>(100, done * 100 / total));
}

// One pass over the record stream. Value records are taken in place from
// the inflated block, many at a time; only a record that straddles the end
// of a block, or one the walk cannot follow, is read on its own (which also
// reports what is wrong with it, as a decode would).
class EnvelopePass {
 public:
  // With a `summary`, every record also feeds it, for the log's index.
  EnvelopePass(RecordStream& stream, PreviewEnvelope& envelope, const EnvelopeRange& range,
               StreamSummary* summary = nullptr)
      : stream_(stream), envelope_(envelope), range_(range), summary_(summary), routes_(kMaxVariables) {
    for (uint16_t id = 0; id < kMaxVariables; ++id) routes_[id].payload = payloadOf(stream.typeOf(id));
    if (envelope.columns == 0) return;  // nothing to fill: no value is routed
    for (std::size_t s = 0; s < envelope.series.size(); ++s) {
      const uint16_t id = envelope.series[s].variableId;
      if (id < kMaxVariables && isPlottable(routes_[id].payload) && routes_[id].series < 0)
        routes_[id].series = static_cast<int32_t>(s);
    }
    for (EnvelopeSeries& series : envelope.series) {
      lows_.push_back(series.minimum.data());
      highs_.push_back(series.maximum.data());
    }
  }

  // Values before the first timestamp belong to the time the stream starts
  // at; a start past the range's end is left to the first timestamp to end.
  void startAt(int64_t timeMs) { enterTime(timeMs); }

  enum class Step { Go, End, PastRange, Failed };

  // Where the pass is, for a point of the index.
  bool timeSeen() const { return timeSeen_; }
  int64_t nowMs() const { return nowMs_; }
  int64_t latestMs() const { return latestMs_; }

  unsigned walk(unsigned limit, Step& step) {
    return summary_ != nullptr ? walk<true>(limit, step) : walk<false>(limit, step);
  }

  // Up to `limit` records in place; the count walked. `step` says whether
  // the pass stopped.
  template <bool kSummarize>
  unsigned walk(unsigned limit, Step& step) {
    const uint8_t* begin = nullptr;
    const std::size_t atHand = stream_.recordBytesAtHand(begin);
    if (atHand < kLongestFixedRecord) return 0;
    const uint8_t* const end = begin + atHand;
    const uint8_t* const last = end - kLongestFixedRecord;
    const unsigned timestampRecord = 2 + stream_.timestampWidth();
    const uint8_t* p = begin;
    unsigned walked = 0;
    while (walked < limit && p <= last) {
      const uint16_t id = loadLe16(p);
      if (id == kTimestampRecord) {
        const int64_t timeMs = stream_.timestampAt(p + 2);
        p += timestampRecord;
        ++walked;
        if (kSummarize) {
          summary_->record();
          summarizeTime(timeMs);
        }
        if (!enterTime(timeMs)) {
          step = Step::PastRange;
          break;
        }
        continue;
      }
      if (id >= kMaxVariables) break;  // no catalog slot: read on its own to report it
      const Route& route = routes_[id];
      const bool plotted = route.series >= 0 && inside_;
      switch (route.payload) {
        case Payload::Boolean:
          if (plotted) add(route.series, p[2] != 0 ? 1.0 : 0.0);
          if (kSummarize) summary_->boolean(id, p[2] != 0);
          p += 3;
          break;
        case Payload::Integer: {
          const int32_t value = static_cast<int32_t>(loadLe32(p + 2));
          if (plotted) add(route.series, value);
          if (kSummarize) summary_->number(id, value);
          p += 6;
          break;
        }
        case Payload::Float: {
          const double value = floatAt(p + 2);
          if (plotted && std::isfinite(value)) add(route.series, value);
          if (kSummarize) summary_->number(id, value);
          p += 6;
          break;
        }
        case Payload::Double: {
          const double value = doubleAt(p + 2);
          if (plotted && std::isfinite(value)) add(route.series, value);
          if (kSummarize) summary_->number(id, value);
          p += 10;
          break;
        }
        case Payload::Fixed8:
          if (kSummarize) summary_->other(id);
          p += 10;
          break;
        case Payload::String: {
          const std::size_t size = 3u + p[2];
          if (p[2] > kMaxStringLength || size > static_cast<std::size_t>(end - p)) goto stop;
          if (kSummarize) summary_->other(id);
          p += size;
          break;
        }
        case Payload::CanFrame: {
          const std::size_t size = 7u + p[2];
          if (p[2] > kMaxCanDataLength || size > static_cast<std::size_t>(end - p)) goto stop;
          if (kSummarize) summary_->other(id);
          p += size;
          break;
        }
        case Payload::Unknown: goto stop;
      }
      if (kSummarize) summary_->record();
      ++walked;
    }
  stop:
    stream_.takeRecordBytes(static_cast<std::size_t>(p - begin));
    return walked;
  }

  // One record through the reader's own reads.
  Step readOne() {
    uint16_t id = 0;
    if (!stream_.readId(id)) return stream_.atStreamEnd() ? Step::End : Step::Failed;
    if (summary_ != nullptr) summary_->record();
    if (id == kTimestampRecord) {
      int64_t timeMs = 0;
      if (!stream_.readAbsoluteTimestamp(timeMs)) return Step::Failed;
      if (summary_ != nullptr) summarizeTime(timeMs);
      return enterTime(timeMs) ? Step::Go : Step::PastRange;
    }
    const uint8_t type = id < kMaxVariables ? stream_.typeOf(id) : 0;
    if (!stream_.readVarData(id, type, value_)) return Step::Failed;
    if (summary_ != nullptr) summary_->value(id, value_);
    double number = 0;
    if (routes_[id].series >= 0 && inside_ && plotValue(value_, number)) add(routes_[id].series, number);
    return Step::Go;
  }

 private:
  // False once the time is past the range's end: see the header for why
  // the pass may stop there.
  bool enterTime(int64_t timeMs) {
    column_ = envelope_.columnOf(timeMs);
    if (range_.whole()) return true;
    inside_ = timeMs >= range_.startMs && timeMs <= range_.endMs;
    return timeMs <= range_.endMs;
  }

  void summarizeTime(int64_t timeMs) {
    summary_->timestamp(timeMs);
    if (!timeSeen_ || timeMs > latestMs_) latestMs_ = timeMs;
    timeSeen_ = true;
    nowMs_ = timeMs;
  }

  void add(int32_t series, double value) {
    double& low = lows_[static_cast<std::size_t>(series)][column_];
    double& high = highs_[static_cast<std::size_t>(series)][column_];
    // NaN compares false: the first value of a column sets both ends.
    if (!(value >= low)) low = value;
    if (!(value <= high)) high = value;
  }

  RecordStream& stream_;
  PreviewEnvelope& envelope_;
  const EnvelopeRange range_;
  StreamSummary* const summary_;
  std::vector<Route> routes_;
  std::vector<double*> lows_;
  std::vector<double*> highs_;
  std::size_t column_ = 0;
  bool inside_ = true;
  bool timeSeen_ = false;
  int64_t nowMs_ = 0;
  int64_t latestMs_ = 0;
  NodeDataValue value_;
};

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
  RecordStream stream(logPath);
  PreviewEnvelope& envelope = result.envelope;
  envelope.startMs = range.whole() ? stream.fileStartMs() : range.startMs;
  envelope.endMs = range.whole() ? stream.fileEndMs() : range.endMs;
  envelope.columns = columns;
  const double none = std::numeric_limits<double>::quiet_NaN();
  for (uint16_t id : variableIds) {
    EnvelopeSeries series;
    series.variableId = id;
    series.minimum.assign(columns, none);
    series.maximum.assign(columns, none);
    envelope.series.push_back(std::move(series));
  }
  // A whole pass makes the log's index on the way, summary and all, unless
  // a fresh one with a summary is there already: the next look at this log
  // needs no pass.
  IndexBuilder builder;
  if (range.whole() && indexesEnabled() && stream.headRead()) {
    LogIndex existing;
    if (!(loadFreshIndex(logPath, stream.streamStart(), existing) && existing.hasSummary()) &&
        builder.begin(logPath, stream.streamStart()))
      stream.setCaptureSpacing(builder.spacing());
  }
  int64_t openedAtMs = 0;
  if (!openRecordsAt(stream, range, openedAtMs)) {
    result.error = stream.loadError().empty() ? "Unable to read the log file" : stream.loadError();
    return result;
  }
  StreamSummary summary;
  uint64_t nextPointAt = UINT64_MAX;
  if (builder.active()) {
    LogIdentity identity;
    identifyLog(logPath, stream.streamStart(), identity);
    summary.begin(stream, identity.size);
    nextPointAt = kHeadLength + builder.spacing();
  }

  EnvelopePass pass(stream, envelope, range, builder.active() ? &summary : nullptr);
  pass.startAt(openedAtMs);
  // A point is kept where a block of the inflated stream starts, at most a
  // record before the one it names; a walk never crosses a block's start.
  auto notePointIfDue = [&] {
    if (stream.bytesRead() < nextPointAt) return;
    const uint64_t position = stream.bytesRead() - kHeadLength;
    const uint64_t due = nextPointAt - kHeadLength;
    ResumePoint point;
    const bool found = stream.resumePointHere(point) && point.streamPosition <= position &&
                       position - point.streamPosition <= kLongestRecordBytes;
    if (found)
      builder.addPoint(point, position, pass.timeSeen(), pass.timeSeen() ? pass.nowMs() : 0, pass.latestMs());
    // Still in the block before the point: the next record reaches it.
    if (found || position >= due + kLongestRecordBytes)
      nextPointAt = kHeadLength + (position / builder.spacing() + 1) * builder.spacing();
  };
  int lastPercent = -1;
  EnvelopePass::Step step = EnvelopePass::Step::Go;
  while (step == EnvelopePass::Step::Go) {
    if (cancel.load(std::memory_order_relaxed)) {
      result.cancelled = true;
      break;
    }
    if (progress) {
      const int percent = percentOf(stream.bytesRead(), stream.uncompressedSize());
      if (percent != lastPercent) progress(lastPercent = percent);
    }
    notePointIfDue();
    // A walk that stops short of its limit has met a record it leaves to
    // the reader's reads: the end of a block, or one it cannot follow.
    if (pass.walk(kPollEvery, step) < kPollEvery && step == EnvelopePass::Step::Go) {
      notePointIfDue();
      step = pass.readOne();
    }
  }
  stream.closeAll();
  result.complete = step == EnvelopePass::Step::End || step == EnvelopePass::Step::PastRange;
  if (!result.complete && !result.cancelled) result.error = "Failed to read file content";
  if (builder.active()) {
    // Only a pass that read every record answers for the whole log: not one
    // cancelled or stopped by damage.
    if (step == EnvelopePass::Step::End) {
      builder.setSummary(summary.takeSummary());
      builder.finish();
    } else {
      builder.abandon();
    }
  }
  if (result.complete && progress && lastPercent != 100) progress(100);
  return result;
}

}  // namespace zrl
