// One log file and its decode into CSV: the reading side comes from
// LogReader; this adds the decode settings, the run that drives the record
// loop (time window, selection, routing), the time bins of a resampled
// decode and the row assembler. With a row sink attached, the finished rows
// go to it instead of a file.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "decode/CsvOutput.h"
#include "decode/RowAssembler.h"
#include "decode/DecodeSettings.h"
#include "decode/DecodeStop.h"
#include "decode/OutputTarget.h"
#include "decode/Binning.h"
#include "decode/RowSink.h"
#include "index/IndexStore.h"
#include "reader/FixedPayload.h"
#include "reader/LogReader.h"

namespace zrl {

class Decoder : public LogReader {
 public:
  // Reads the file's head now (see LogReader); every variable is selected.
  Decoder(const std::string& path, bool verbose, ProgressCallback cb);
  ~Decoder() override;

  // One whole decode into outputPath() (renamed when that file exists; see
  // OutputTarget). True on success, cancel included; failures are reported
  // through the progress callback. May be called again for another decode.
  bool run();
  // After a run: it stopped on a cancel request, and its output file was
  // removed.
  bool cancelled() const { return cancelled_; }
  // After a run: rows written whose time text equals a neighbour's (see
  // RowAssembler::rowsSharingTime).
  uint64_t rowsSharingTime() const { return rows_.rowsSharingTime(); }
  // After a run: the rows it wrote or handed to its sink.
  uint64_t rowsWritten() const { return rows_.rowsWritten(); }

  // Stops a running decode at its next record. Safe from any thread.
  void requestCancel() { cancelRequested_.store(true, std::memory_order_relaxed); }
  bool cancelRequested() const {
    return cancelRequested_.load(std::memory_order_relaxed) ||
           stopEveryDecode.load(std::memory_order_relaxed);
  }
  // Called before a decode is handed to its thread, and by run() when it ends.
  void clearCancelRequest() { cancelRequested_.store(false, std::memory_order_relaxed); }

  // ---- settings (see DecodeSettings) ----
  void setFloatFormat(FloatFormat format) { settings_.floatFormat = format; }
  void setColumnSeparator(char separator) { settings_.columnSeparator = separator; }
  void setDecimalSeparator(char separator) { settings_.decimalSeparator = separator; }
  // A frequency code as DecodeSettings::frequencyCode describes it.
  void setFrequency(int32_t code) {
    settings_.frequencyCode = code;
    settings_.periodMs = periodFromFrequencyCode(code);
  }
  void clearSelection() { settings_.selected.assign(kMaxVariables, 0); }
  void setSelected(uint16_t id, bool selected) {
    if (id < settings_.selected.size()) settings_.selected[id] = selected ? 1 : 0;
  }
  void setOutputPath(const std::string& path) { settings_.outputPath = path; }
  void setOutputDescriptor(int fd) { settings_.outputDescriptor = fd; }
  void setStartMs(int64_t ms) { settings_.startMs = ms; }
  void setEndMs(int64_t ms) { settings_.endMs = ms; }
  void setUtc(bool on) { settings_.utc = on; }
  void setMilliseconds(bool on) { settings_.milliseconds = on; }
  void setTimeColumns(TimeColumns columns) { settings_.timeColumns = columns; }
  void setByteOrderMark(bool on) { settings_.byteOrderMark = on; }
  void setCrlf(bool on) { settings_.crlf = on; }
  void setUnitLine(bool on) { settings_.unitLine = on; }
  void setLeaveBlank(bool on) { settings_.leaveBlank = on; }
  void setMethod(AggregationMethod method) { settings_.method = method; }
  void setAliases(const std::vector<AliasEntry>& aliases) { settings_.aliases = aliases; }
  void setFilters(const std::vector<RowFilterEntry>& filters) { settings_.filters = filters; }
  // Where the rows of the next runs go: `sink` (not owned) instead of a CSV
  // file, or the CSV file again when null.
  void setRowSink(RowSink* sink) { sink_ = sink; }
  // Most a resampling bin may hold in samples kept for a Median.
  void setBinLimitBytes(std::size_t bytes) { binLimitBytes_ = bytes; }
  // Whether runs use and make indexes of the log (see IndexStore); on by
  // default, as far as the process allows them.
  void setUseIndex(bool on) { useIndex_ = on; }
  // After a run: it started from a point of the log's index.
  bool startedFromIndex() const { return startedFromIndex_; }

  const DecodeSettings& settings() const { return settings_; }
  DecodeSettings& settings() { return settings_; }
  // After a run: the name actually written.
  const std::string& outputPath() const { return settings_.outputPath; }
  // Before a run: the name it is expected to write.
  std::string expectedOutputPath() const;
  bool verbose() const { return verbose_; }

 private:
  void resetRunState();
  std::string bodyCutText();
  bool prepareRun();
  // Opens the record stream, at the index's point for the window when there
  // is one, and with an index builder when the run reads the whole log.
  bool openRecords();
  bool recordLoop();
  // The next record starts at or after a place an index point is kept for.
  void notePoint();
  bool buildColumns();
  void closeRow(uint64_t rowMs) {
    if (sink_ == nullptr) rows_.writeRow(rowMs);
    else rows_.handRow(rowMs, *sink_);
  }
  bool sinkFailed() const { return sink_ != nullptr && sink_->failed(); }
  void progressStep();
  bool checkStart(int64_t t);
  // Whether a row time lies in [window start, window end].
  bool insideWindow(int64_t t) const { return windowStartMs_ <= t && t <= windowEndMs_; }
  void checkEnd(int64_t t);
  void rowStep(int64_t t);
  // Aggregates the open bin into the row stamped `rowMs` and writes it.
  void writeBinRow(int64_t rowMs);

  // The column that a value of variable `id` goes to, or -1 when the value
  // is to be ignored (no timestamp yet, before the time window, variable
  // not selected). `id` is below kMaxVariables.
  int32_t routeOf(uint16_t id) {
    if (!timeSeen_) return -1;
    if (!startReached_ && !checkStart(currentMs_)) return -1;
    return routes_[id].column;
  }
  // Reads one value record and routes its value; `inPlace`, when not null,
  // is the record's payload in the inflated stream, whole if its type has
  // a fixed size.
  bool readValueRecord(uint16_t id, const uint8_t* inPlace);
  // Stores a fixed-size payload in its column or its bin; false when
  // resampling has to stop (see addSample).
  bool routeValue(std::size_t column, uint8_t type, const uint8_t* payload);
  // Adds the decoded value to its bin; false when the bin outgrew its limit.
  bool addSample(std::size_t column);
  // Takes up to `limit` value records in place from the inflated block,
  // straight into their cells or bins, and returns how many; stops at
  // anything else (a timestamp, a record of variable size or to be
  // decoded, a record that may cross the block's end) and after a sample
  // that overflowed its bin. Only inside the window.
  unsigned walkValueRecords(unsigned limit);

  bool verbose_;
  DecodeSettings settings_;
  std::atomic<bool> cancelRequested_{false};
  bool cancelled_ = false;

  // Run state.
  // Time of the row being built, once a timestamp has been seen: a logger
  // whose clock was never set starts at 0 ms, which is a time like any other.
  int64_t currentMs_ = 0;
  bool timeSeen_ = false;
  int64_t windowStartMs_ = 0;
  int64_t windowEndMs_ = 0;
  bool startReached_ = false;
  bool endReached_ = false;
  bool resampling_ = false;
  bool writeFailed_ = false;
  uint64_t headBytes_ = UINT64_MAX;  // bytes of the CSV before its first row
  bool binOverflow_ = false;       // a resampling bin outgrew binLimitBytes_
  bool bodyCut_ = false;           // the records ended short of the stored size
  bool bodyShort_ = false;         // ... and before it, not past it
  std::size_t binLimitBytes_ = SamplingBuffer::kDefaultLimitBytes;
  bool useIndex_ = true;
  bool startedFromIndex_ = false;
  IndexBuilder builder_;
  // Progress count at which notePoint() is due; never without a builder.
  uint64_t nextPointAt_ = UINT64_MAX;
  int64_t latestMs_ = 0;  // the latest timestamp read, once timeSeen_
  // Per variable id: its CSV column (-1 = none), catalog type and payload
  // size when fixed (0: read through readVarData), and for walks in place
  // the record's whole size (0: not walked) and how its value is stored.
  struct Route {
    int32_t column = -1;
    uint8_t type = 0;
    uint8_t fixedSize = 0;
    uint8_t walkStep = 0;
    PayloadCopy copy;
  };
  std::vector<Route> routes_;
  NodeDataValue decoded_;          // the value of the record being read
  CsvOutput output_;
  OutputTarget target_;
  RowAssembler rows_{output_};
  RowSink* sink_ = nullptr;
  BinClock bins_;
  SamplingBuffer sampling_;
};

}  // namespace zrl
