#include "decode/Decoder.h"

namespace zrl {

namespace {

// Counts records across every decode of the process, for the progress step
// every 100 records.
std::atomic<uint64_t> recordCounter{0};

const std::string& noMessage() {
  static const std::string empty;
  return empty;
}

constexpr uint64_t kOneDayMs = 86400000;
constexpr uint16_t kTimestampRecord = 0xFFFF;
const char kByteOrderMark[] = "\xEF\xBB\xBF";

}  // namespace

Decoder::Decoder(const std::string& path, bool verbose, const DatabaseSettings& database,
                 ProgressCallback cb)
    : LogReader(path, std::move(cb)), verbose_(verbose), database_(database),
      columnOf_(kMaxVariables, -1) {}

Decoder::~Decoder() {
  output_.close();
  closeAll();
}

void Decoder::resetRunState() {
  currentMs_ = 0;
  startReached_ = false;
  endReached_ = false;
  writeFailed_ = false;
  cancelled_ = false;
  binOverflow_ = false;
  windowStartMs_ = 0;
  windowEndMs_ = 0;
  resetBytesRead();
  clearIndexes();
  columnOf_.assign(kMaxVariables, -1);
}

void Decoder::progressStep() {
  if (progressCallback()) progressCallback()(bytesRead(), uncompressedSize(), noMessage());
}

bool Decoder::checkStart(uint64_t t) {
  if (windowStartMs_ <= t && t - windowStartMs_ < kOneDayMs) {
    // The window's first samples go to the bin of their own time, not to
    // one counted on from the file start.
    if (!startReached_ && insideWindow(static_cast<int64_t>(t))) bins_.openAt(static_cast<int64_t>(t));
    startReached_ = true;
    return true;
  }
  return false;
}

void Decoder::checkEnd(uint64_t t) {
  if (windowEndMs_ <= t && t - windowEndMs_ <= kOneDayMs) endReached_ = true;
}

void Decoder::buildColumns() {
  std::vector<CsvColumn> columns;
  for (const VariableListing& v : listVariables()) {
    if (v.id >= settings_.selected.size() || settings_.selected[v.id] == 0) continue;
    const VariableEntry* entry = variableMap().find(v.id);
    columnOf_[v.id] = static_cast<int32_t>(columns.size());
    columns.push_back({v.id, v.fullName, groupName(v.groupId) + "_" + variableName(v.id),
                       v.unitSymbol, entry != nullptr ? entry->decimals : uint8_t{0}});
  }
  csv_.start(settings_, columns);
  sampling_.reset(columns.size(), settings_.method, binLimitBytes_);
}

// Opens everything and writes the CSV head; false after reporting why.
bool Decoder::prepareRun() {
  if (!openInputFile(false)) {
    report("Failed to open input file");
    return false;
  }
  if (!settings_.influxOutput) {
    if (!target_.open(settings_.outputPath, settings_.outputDescriptor, output_)) {
      report(target_.failureText());
      return false;
    }
    settings_.outputPath = target_.path();
    output_.append(kByteOrderMark, 3);
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
  const uint64_t fileStart = static_cast<uint64_t>(fileStartMs());
  const uint64_t fileEnd = static_cast<uint64_t>(fileEndMs());
  windowStartMs_ = settings_.startMs == 0 ? fileStart : static_cast<uint64_t>(settings_.startMs);
  if (windowStartMs_ < fileStart) {
    report("Start Time selected is below start time of the file");
    return false;
  }
  windowEndMs_ = settings_.endMs == 0 ? fileEnd : static_cast<uint64_t>(settings_.endMs);
  if (windowEndMs_ > fileEnd) {
    report("End Time selected is over end time of the file");
    return false;
  }
  // A frequency without a period (codes the window never offers) would close
  // a bin at every timestamp without ever advancing it; decode without
  // resampling instead.
  resampling_ = settings_.frequencyCode != 0 && settings_.periodMs > 0;
  bins_.start(fileStartMs(), settings_.periodMs);
  if (!openRecordStream()) {
    report("Unable to open compressed data");
    return false;
  }
  buildColumns();
  if (!settings_.influxOutput) csv_.writeHeader();
  return true;
}

std::string Decoder::expectedOutputPath() const {
  if (settings_.influxOutput || settings_.outputDescriptor != -1) return settings_.outputPath;
  return OutputTarget::expectedPath(settings_.outputPath);
}

bool Decoder::run() {
  resetRunState();
  bool result = prepareRun();
  if (result) {
    const bool loopSucceeded = recordLoop();
    if (writeFailed_ || output_.failed()) {
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
  closeAll();
  if (output_.isOpen() && !output_.close() && !writeFailed_) {
    report("Failed to write output file: " + output_.errorText());
    result = false;
  }
  if (target_.isPending()) {
    if (cancelled_) {
      target_.discard();
    } else {
      if (!target_.publish()) {
        report(target_.failureText());
        result = false;
      }
      settings_.outputPath = target_.path();
    }
  }
  // The request is cleared once it has been served rather than when a run
  // starts: a cancel made while the task still waits for its thread must
  // not be forgotten (the window would then wait for a whole decode).
  clearCancelRequest();
  return result;
}

void Decoder::rowStep(int64_t t) {
  if (currentMs_ == 0) {
    currentMs_ = t;
    return;
  }
  if (t == currentMs_) return;
  if ((startReached_ || checkStart(static_cast<uint64_t>(currentMs_))) && !endReached_) {
    if (!resampling_) {
      csv_.writeRow(static_cast<uint64_t>(currentMs_));
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
    csv_.setValue(column, value);
  });
  csv_.writeRow(static_cast<uint64_t>(rowMs));
}

// Reads one value record and routes its value.
bool Decoder::readValueRecord(uint16_t id) {
  if (id >= kMaxVariables) {
    // No catalog slot: the record cannot be followed, and readVarData says so.
    return readVarData(id, 0, decoded_);
  }
  const int32_t column = routeOf(id);
  const uint8_t type = typeOf(id);
  if (column < 0) return readVarData(id, type, decoded_);
  const std::size_t c = static_cast<std::size_t>(column);
  if (resampling_) {
    if (!readVarData(id, type, decoded_)) return false;
    if (!insideWindow(currentMs_)) return true;
    if (sampling_.add(c, decoded_)) return true;
    binOverflow_ = true;
    return false;
  }
  // Straight into the row; readVarData leaves its target alone on failure.
  if (!readVarData(id, type, csv_.valueStorage(c))) return false;
  csv_.valueStored(c);
  return true;
}

bool Decoder::recordLoop() {
  progressStep();
  uint64_t counter = recordCounter.load(std::memory_order_relaxed);
  bool succeeded = false;
  for (;;) {
    if (cancelRequested()) {
      progressStep();
      cancelled_ = true;
      succeeded = true;
      break;
    }
    if (counter++ % 100 == 0) progressStep();
    uint16_t id = 0;
    if (!readId(id)) {
      succeeded = atStreamEnd();
      break;
    }
    if (id != kTimestampRecord) {
      if (!readValueRecord(id)) break;
      continue;
    }
    int64_t t = 0;
    if (!readAbsoluteTimestamp(t)) break;
    rowStep(t);
    if (output_.failed()) {
      writeFailed_ = true;
      break;
    }
    if (endReached_) {
      succeeded = true;
      break;
    }
    checkEnd(static_cast<uint64_t>(currentMs_));
  }
  recordCounter.store(counter, std::memory_order_relaxed);

  // The bin open when the records end holds data like any other, whether
  // the stream, the window or a damaged record ended them; a cancel or a
  // failed write wants nothing more written.
  if (resampling_ && !sampling_.empty() && !cancelRequested() && !writeFailed_ && !binOverflow_) {
    writeBinRow(bins_.middle());
  }

  if (atStreamEnd() && !writeFailed_) {
    if (!resampling_) csv_.writeRow(static_cast<uint64_t>(currentMs_));
    // A stream that ends short of the size the header announces lost its
    // tail, resampled or not: a decode of it must not pass for complete.
    // The stored size has 32 bits: compare what was read modulo 2^32, since
    // the high part cannot be known.
    if (static_cast<uint32_t>(bytesRead()) != storedUncompressedSize()) {
      report("Inconsistent file size");
      return succeeded;
    }
    succeeded = true;
  }
  progressStep();
  return succeeded;
}

}  // namespace zrl
