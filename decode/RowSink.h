// Where finished rows go when they are not written as CSV text: the decode
// builds each row (last-known filling, row filters and the suppression of
// empty rows already applied, exactly as for the CSV file) and hands it over
// whole, so every destination sees the same rows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "decode/DecodeSettings.h"
#include "decode/OutputColumn.h"
#include "values/DataValue.h"

namespace zrl {

// What a file that carries its own description records of the log.
struct LogFacts {
  std::string serialNumber;
  std::string note;
  std::string firmware;
  int64_t startMs = 0;  // the log's own start and end, ms since 1970 UTC
  int64_t endMs = 0;
};

class RowSink {
 public:
  virtual ~RowSink() = default;

  // A sink that writes a file of its own: the decode chooses the name as
  // for a CSV file, hands the sink the ".part" to write (setFile, before
  // begin) and gives the file its name, or removes it, once end() returned.
  virtual bool writesFile() const { return false; }
  virtual void setFile(const std::string& partPath, const LogFacts& facts) {
    (void)partPath;
    (void)facts;
  }

  // A decode starts: its settings, its columns in order and the serial
  // number of the log. False (with errorText()) when no row can be taken.
  virtual bool begin(const DecodeSettings& settings, const std::vector<OutputColumn>& columns,
                     const std::string& serialNumber) = 0;
  // One row stamped `rowMs`: `cells[i]` is the value of column i, or null
  // for an empty cell; at least one cell has a value.
  virtual void writeRow(uint64_t rowMs, const DataValue* const* cells) = 0;
  // Every row was handed over: delivers what is still pending, unless the
  // decode was cancelled. False on failure.
  virtual bool end(bool cancelled) = 0;

  // A row could not be delivered; the decode stops.
  virtual bool failed() const = 0;
  // Why begin, writeRow or end failed.
  virtual const std::string& errorText() const = 0;
};

}  // namespace zrl
