#include "decode/Decoder.h"

#include "decode/FreeOutputName.h"
#include "decode/OutputDirectory.h"
#include "reader/FixedPayload.h"

namespace zrl {

namespace {

const std::string& noMessage() {
  static const std::string empty;
  return empty;
}

constexpr uint16_t kTimestampRecord = 0xFFFF;
// Record id and the largest fixed payload (a double, a time value or a
// version 4 timestamp).
constexpr unsigned kLongestFixedRecord = 2 + 8;
const char kByteOrderMark[] = "\xEF\xBB\xBF";

}  // namespace

Decoder::Decoder(const std::string& path, bool verbose, ProgressCallback cb)
    : LogReader(path, std::move(cb)), verbose_(verbose), routes_(kMaxVariables) {}

Decoder::~Decoder() {
  output_.close();
  closeAll();
}

void Decoder::resetRunState() {
  currentMs_ = 0;
  timeSeen_ = false;
  startReached_ = false;
  endReached_ = false;
  writeFailed_ = false;
  cancelled_ = false;
  headBytes_ = UINT64_MAX;
  binOverflow_ = false;
  bodyCut_ = false;
  bodyShort_ = false;
  windowStartMs_ = 0;
  windowEndMs_ = 0;
  startedFromIndex_ = false;
  builder_.abandon();
  nextPointAt_ = UINT64_MAX;
  latestMs_ = 0;
  setCaptureSpacing(0);
  resetBytesRead();
  clearIndexes();
  routes_.assign(kMaxVariables, Route{});
}

void Decoder::progressStep() {
  if (progressCallback()) progressCallback()(bytesRead(), uncompressedSize(), noMessage());
}

// A time is inside the window exactly when start <= t <= end: however long
// a gap in the log, the window opens at its first time inside, and a time
// past the end closes it.
bool Decoder::checkStart(int64_t t) {
  if (insideWindow(t)) {
    // The window's first samples go to the bin of their own time, not to
    // one counted on from the file start.
    if (!startReached_) bins_.openAt(t);
    startReached_ = true;
    return true;
  }
  return false;
}

// The row of the end time itself is still inside; only a later time closes
// the window.
void Decoder::checkEnd(int64_t t) {
  if (windowEndMs_ < t) endReached_ = true;
}

bool Decoder::buildColumns() {
  std::vector<OutputColumn> columns;
  for (const VariableListing& v : listVariables()) {
    if (v.id >= settings_.selected.size() || settings_.selected[v.id] == 0) continue;
    const VariableEntry* entry = variableMap().find(v.id);
    routes_[v.id].column = static_cast<int32_t>(columns.size());
    columns.push_back({v.id, v.fullName, groupName(v.groupId) + "_" + variableName(v.id),
                       v.unitSymbol, entry != nullptr ? entry->decimals : uint8_t{0}, typeOf(v.id)});
  }
  for (uint16_t id = 0; id < kMaxVariables; ++id) {
    routes_[id].type = typeOf(id);
    routes_[id].fixedSize = static_cast<uint8_t>(fixedPayloadSize(routes_[id].type));
    routes_[id].copy = payloadCopyOf(routes_[id].type);
    if (routes_[id].copy.usable) routes_[id].walkStep = static_cast<uint8_t>(2 + routes_[id].fixedSize);
  }
  rows_.start(settings_, columns);
  rows_.setTimeOrigin(fileStartMs());
  sampling_.reset(columns.size(), settings_.method, binLimitBytes_);
  return sink_ == nullptr || sink_->begin(settings_, columns, serial());
}

// Opens everything and writes the CSV head; false after reporting why.
bool Decoder::prepareRun() {
  if (!openInputFile(false)) {
    report("Failed to open input file");
    return false;
  }
  const bool toFile = sink_ == nullptr || sink_->writesFile();
  if (toFile) {
    if (settings_.createOutputFolder && settings_.outputDescriptor == -1) {
      const std::size_t slash = settings_.outputPath.rfind('/');
      const std::string failure =
          slash == std::string::npos ? std::string() : ensureOutputDirectory(settings_.outputPath.substr(0, slash));
      if (!failure.empty()) {
        report(failure);
        return false;
      }
    }
  }
  if (sink_ == nullptr) {
    if (!target_.open(settings_.outputPath, settings_.outputDescriptor, settings_.replaceOutput, output_,
                      [this] { return cancelRequested(); })) {
      // Stopped while a FIFO waited for its reader: a cancel like any other.
      cancelled_ = target_.stopped();
      if (!cancelled_) report(target_.failureText());
      return false;
    }
    settings_.outputPath = target_.path();
    if (settings_.byteOrderMark) output_.append(kByteOrderMark, 3);
  } else if (toFile) {
    if (!target_.openFile(settings_.outputPath, settings_.outputDescriptor, settings_.replaceOutput)) {
      report(target_.failureText());
      return false;
    }
    settings_.outputPath = target_.path();
  }
  if (!readMagic()) {
    report("unable to read magic section");
    return false;
  }
  if (!readHeader()) {
    report(isSupportedVersion(formatVersion()) ? "Decoder: unable to read header"
                                               : incompatibleVersionText());
    return false;
  }
  // The logger writes the size when it closes the file: without it the
  // records are still coming, and a decode would pass for a complete one.
  if (storedUncompressedSize() == 0) {
    report("The log file is not finalised (still being written?)");
    return false;
  }
  // The window passes the file's own start and end for a whole-file decode,
  // so both limits are inclusive.
  // Times before 1970 are negative and compare as such.
  const int64_t fileStart = fileStartMs();
  const int64_t fileEnd = fileEndMs();
  // No time can lie inside such a span, nor a window be checked against
  // it: an empty table would pass for a log without rows.
  if (fileEnd < fileStart) {
    report("Inconsistent file times: the end precedes the start");
    return false;
  }
  windowStartMs_ = settings_.startMs == 0 ? fileStart : settings_.startMs;
  if (windowStartMs_ < fileStart) {
    report("Start Time selected is below start time of the file");
    return false;
  }
  windowEndMs_ = settings_.endMs == 0 ? fileEnd : settings_.endMs;
  if (windowEndMs_ > fileEnd) {
    report("End Time selected is over end time of the file");
    return false;
  }
  // A frequency without a period (codes the window never offers) would close
  // a bin at every timestamp without ever advancing it; decode without
  // resampling instead.
  resampling_ = settings_.frequencyCode != 0 && settings_.periodMs > 0;
  bins_.start(fileStartMs(), settings_.periodMs);
  if (!openRecords()) {
    report("Unable to open compressed data");
    return false;
  }
  if (sink_ != nullptr && sink_->writesFile())
    sink_->setFile(partFileName(target_.path()), LogFacts{serial(), note(), firmware(), fileStart, fileEnd});
  if (!buildColumns()) {
    report(sink_->errorText());
    return false;
  }
  if (sink_ == nullptr) {
    rows_.writeHeader();
    headBytes_ = output_.appendedBytes();
  }
  return true;
}

bool Decoder::openRecords() {
  if (!useIndex_ || !indexesEnabled()) return openRecordStream();
  // The window and the command line pass the file's own edges for a whole
  // decode: that is a full pass like no window at all, and makes the index.
  const bool window = windowStartMs_ > fileStartMs() || windowEndMs_ < fileEndMs();
  LogIndex index;
  const bool fresh = loadFreshIndex(inputPath(), streamStart(), index);
  if (window) {
    // Every timestamp before the point lies before the window: nothing
    // before it reaches a row, a bin or a message, and the decode goes on
    // from there exactly as from the first record.
    const IndexPoint* point = fresh ? index.pointBefore(windowStartMs_) : nullptr;
    ResumePoint resume;
    if (point != nullptr && index.resumePoint(*point, resume) &&
        openRecordStreamAt(resume, point->recordPosition)) {
      startedFromIndex_ = true;
      timeSeen_ = point->timeSeen;
      currentMs_ = point->timeMs;
      latestMs_ = point->latestMs;
      return true;
    }
    return openRecordStream();
  }
  if (!fresh && builder_.begin(inputPath(), streamStart())) {
    setCaptureSpacing(builder_.spacing());
    nextPointAt_ = kHeadLength + builder_.spacing();
  }
  return openRecordStream();
}

void Decoder::notePoint() {
  const uint64_t position = bytesRead() - kHeadLength;
  ResumePoint point;
  if (resumePointHere(point) && point.streamPosition <= position)
    builder_.addPoint(point, position, timeSeen_, currentMs_, latestMs_);
  const uint64_t spacing = builder_.spacing();
  nextPointAt_ = kHeadLength + (position / spacing + 1) * spacing;
}

std::string Decoder::expectedOutputPath() const {
  if ((sink_ != nullptr && !sink_->writesFile()) || settings_.outputDescriptor != -1) return settings_.outputPath;
  return OutputTarget::expectedPath(settings_.outputPath, settings_.replaceOutput);
}

bool Decoder::run() {
  resetRunState();
  bool result = prepareRun() || cancelled_;
  if (result && !cancelled_) {
    const bool loopSucceeded = recordLoop();
    // Rows still held by the sink are delivered even when reading failed,
    // as the CSV file keeps the rows before a failure.
    if (sink_ != nullptr && !sink_->end(cancelled_)) {
      report(sink_->errorText());
      result = false;
      // A file the sink could not finish is cut, like a CSV file after a
      // failed write.
      if (sink_->writesFile()) writeFailed_ = true;
    } else if (writeFailed_ || output_.failed()) {
      writeFailed_ = true;
      report("Failed to write output file: " + output_.errorText());
      result = false;
    } else if (binOverflow_) {
      report("Resampling stopped: one bin holds more than " +
             std::to_string(binLimitBytes_ >> 20) +
             " MiB of samples; choose a higher frequency or another method");
      result = false;
    } else if (!loopSucceeded && !cancelRequested() && !atStreamEnd() && !endReached_) {
      report("Failed to read file content");
      result = false;
    }
  }
  // Whether any row reached the table, before the output is closed.
  const bool rowsWritten =
      sink_ != nullptr ? rows_.rowsWritten() > 0 : output_.appendedBytes() > headBytes_;
  closeAll();
  // What a pass read up to where it stopped holds for any later decode; a
  // pass cut short by the user or by the output is not worth keeping.
  if (builder_.active()) {
    if (result && !cancelled_ && !writeFailed_) builder_.finish();
    else builder_.abandon();
  }
  if (output_.isOpen() && !output_.close() && !writeFailed_) {
    report("Failed to write output file: " + output_.errorText());
    writeFailed_ = true;
    result = false;
  }
  if (target_.isPending()) {
    // A table takes its name only when it is whole: a cut one (a failed
    // write) is not, and a failure before the first row leaves nothing
    // worth a name. A damaged log still publishes the rows before the damage.
    if (cancelled_ || writeFailed_ || (!result && !rowsWritten)) {
      target_.discard();
    } else {
      if (!target_.publish()) {
        report(target_.failureText());
        result = false;
      }
      settings_.outputPath = target_.path();
    }
  }
  // Said once the table has its final name, which the message gives.
  if (bodyCut_) report(bodyCutText());
  // The request is cleared once it has been served rather than when a run
  // starts: a cancel made while the task still waits for its thread must
  // not be forgotten (the window would then wait for a whole decode).
  clearCancelRequest();
  return result;
}

// A table that kept rows says which: the rows written and the time of the
// last one, in the table's own time text. Without rows (or without a
// table) there is nothing to point at, and the bare finding stays.
std::string Decoder::bodyCutText() {
  if (sink_ != nullptr || writeFailed_ || !bodyShort_ || rows_.rowsWritten() == 0) return "Inconsistent file size";
  const std::string where = settings_.outputDescriptor != -1 ? "standard output" : settings_.outputPath;
  return "The log ends early (inconsistent file size) after " + rows_.timeText(rows_.lastRowMs()) + ": " +
         std::to_string(rows_.rowsWritten()) + (rows_.rowsWritten() == 1 ? " row" : " rows") +
         " written to " + where;
}

void Decoder::rowStep(int64_t t) {
  if (!timeSeen_) {
    currentMs_ = t;
    timeSeen_ = true;
    return;
  }
  if (t == currentMs_) return;
  if ((startReached_ || checkStart(currentMs_)) && !endReached_) {
    if (!resampling_) {
      closeRow(static_cast<uint64_t>(currentMs_));
    } else {
      // Bins follow the timestamps inside the window only, so that no row
      // is stamped outside it, whatever order the clock went in.
      int64_t rowMs = 0;
      if (insideWindow(t) && bins_.closeBin(t, rowMs)) writeBinRow(rowMs);
    }
  }
  currentMs_ = t;
}

void Decoder::writeBinRow(int64_t rowMs) {
  sampling_.drain([this](std::size_t column, const NodeDataValue& value) {
    rows_.setValue(column, value);
  });
  closeRow(static_cast<uint64_t>(rowMs));
}

// Reads one value record and routes its value.
bool Decoder::readValueRecord(uint16_t id, const uint8_t* inPlace) {
  if (id >= kMaxVariables) {
    // No catalog slot: the record cannot be followed, and readVarData says so.
    return readVarData(id, 0, decoded_);
  }
  const Route& route = routes_[id];
  if (inPlace != nullptr && route.fixedSize != 0) {
    takeRecordBytes(route.fixedSize);
    const int32_t column = routeOf(id);
    return column < 0 || routeValue(static_cast<std::size_t>(column), route.type, inPlace);
  }
  const int32_t column = routeOf(id);
  if (column < 0) return readVarData(id, route.type, decoded_);
  const std::size_t c = static_cast<std::size_t>(column);
  if (resampling_) {
    if (!readVarData(id, route.type, decoded_)) return false;
    return addSample(c);
  }
  // Straight into the row; readVarData leaves its target alone on failure.
  if (!readVarData(id, route.type, rows_.valueStorage(c))) return false;
  rows_.valueStored(c);
  return true;
}

bool Decoder::routeValue(std::size_t column, uint8_t type, const uint8_t* payload) {
  if (resampling_) {
    storeFixedPayload(type, payload, decoded_);
    return addSample(column);
  }
  storeFixedPayload(type, payload, rows_.valueStorage(column));
  rows_.valueStored(column);
  return true;
}

// Only samples of timestamps inside the window count, so that no bin
// holds data from outside it.
bool Decoder::addSample(std::size_t column) {
  if (!insideWindow(currentMs_)) return true;
  if (sampling_.add(column, decoded_)) return true;
  binOverflow_ = true;
  return false;
}

unsigned Decoder::walkValueRecords(unsigned limit) {
  const uint8_t* begin = nullptr;
  const std::size_t atHand = recordBytesAtHand(begin);
  if (atHand < kLongestFixedRecord) return 0;
  // Every record walked starts at or before `last`, so the eight bytes
  // after its id can be loaded whatever its size.
  const uint8_t* const last = begin + (atHand - kLongestFixedRecord);
  const uint8_t* p = begin;
  unsigned walked = 0;
  while (walked < limit && p <= last) {
    const uint16_t id = loadLe16(p);
    if (id >= kMaxVariables) break;  // a timestamp, or a record with no catalog slot
    const Route& route = routes_[id];
    if (route.walkStep == 0) break;
    bool binFull = false;
    if (route.column >= 0) {
      const std::size_t column = static_cast<std::size_t>(route.column);
      if (resampling_) {
        storePayloadCopy(route.copy, p + 2, decoded_);
        binFull = !addSample(column);
      } else {
        storePayloadCopy(route.copy, p + 2, rows_.valueStorage(column));
        rows_.valueStored(column);
      }
    }
    // A record that overflowed its bin is taken all the same, as a single
    // read takes it.
    p += route.walkStep;
    ++walked;
    if (binFull) break;
  }
  takeRecordBytes(static_cast<std::size_t>(p - begin));
  return walked;
}

bool Decoder::recordLoop() {
  progressStep();
  // Records taken in this run, for the progress step every 100 records. It
  // belongs to the run: two decodes running at once must not move each
  // other's steps, nor an earlier decode those of a later one.
  uint64_t counter = 0;
  bool succeeded = false;
  for (;;) {
    if (cancelRequested()) {
      progressStep();
      cancelled_ = true;
      succeeded = true;
      break;
    }
    if (counter % 100 == 0) progressStep();
    if (bytesRead() >= nextPointAt_) notePoint();
    // Runs of value records inside the window go straight into their cells
    // or bins, up to the next record due for a progress step.
    if (startReached_) {
      const unsigned walked = walkValueRecords(static_cast<unsigned>(100 - counter % 100));
      if (walked != 0) {
        counter += walked;
        if (binOverflow_) break;
        continue;
      }
    }
    ++counter;
    // Other records are taken in place in the inflated stream while it holds
    // the longest fixed-size record whole; otherwise they are read.
    uint16_t id = 0;
    const uint8_t* record = peekRecordBytes(kLongestFixedRecord);
    if (record != nullptr) {
      id = loadLe16(record);
      takeRecordBytes(2);
      record += 2;
    } else if (!readId(id)) {
      succeeded = atStreamEnd();
      break;
    }
    if (id != kTimestampRecord) {
      if (!readValueRecord(id, record)) break;
      continue;
    }
    int64_t t = 0;
    if (record != nullptr) {
      t = timestampAt(record);
      takeRecordBytes(timestampWidth());
    } else if (!readAbsoluteTimestamp(t)) {
      break;
    }
    if (!timeSeen_ || t > latestMs_) latestMs_ = t;
    rowStep(t);
    if (output_.failed() || sinkFailed()) {
      writeFailed_ = true;
      break;
    }
    // A time past the end: the rows up to the end are written, and nothing
    // after it is read.
    checkEnd(currentMs_);
    if (endReached_) {
      succeeded = true;
      break;
    }
  }

  // The bin open when the records end holds data like any other, whether
  // the stream, the window or a damaged record ended them; a cancel or a
  // failed write wants nothing more written.
  if (resampling_ && !sampling_.empty() && !cancelled_ && !writeFailed_ && !binOverflow_) {
    writeBinRow(bins_.middle());
  }

  if (atStreamEnd() && !writeFailed_) {
    // The pending row, unless its time lies outside the window.
    if (!resampling_ && timeSeen_ && (startReached_ || checkStart(currentMs_)) && currentMs_ <= windowEndMs_)
      closeRow(static_cast<uint64_t>(currentMs_));
    // A stream that ends short of the size the header announces lost its
    // tail, resampled or not: a decode of it must not pass for complete.
    // The stored size has 32 bits: compare what was read modulo 2^32, since
    // the high part cannot be known.
    if (static_cast<uint32_t>(bytesRead()) != storedUncompressedSize()) {
      bodyCut_ = true;  // reported by run()
      // Only a stream that stopped short of its size ended early; one that
      // ran past it is just inconsistent.
      bodyShort_ = static_cast<uint32_t>(bytesRead()) < storedUncompressedSize();
      return succeeded;
    }
    succeeded = true;
  }
  progressStep();
  return succeeded;
}

}  // namespace zrl
