// Assembles the rows of a decode from its values: last-known filling, row
// filters and the suppression of rows without any value decide which rows
// there are and what their cells hold. Each row is written as CSV text (after
// the heading line with aliases and the optional unit line: date, time and
// one cell per column) or handed whole to a row sink, so every output gets
// the same rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "decode/CsvOutput.h"
#include "decode/DecodeSettings.h"
#include "decode/OutputColumn.h"
#include "decode/RowFilter.h"
#include "values/DataValue.h"
#include "values/Format.h"

namespace zrl {

class RowSink;

class RowAssembler {
 public:
  explicit RowAssembler(CsvOutput& output) : output_(output) {}

  // Takes the settings of this run and its columns; forgets all values.
  void start(const DecodeSettings& settings, const std::vector<OutputColumn>& columns);
  std::size_t columnCount() const { return columnCount_; }

  // Heading line and, when asked for, the unit line.
  void writeHeader();

  // The value of `column` in the row being built; it is also the column's
  // last known value from now on.
  void setValue(std::size_t column, const NodeDataValue& value) {
    ColumnState& state = states_[column];
    state.last = value;
    valueStored(column);
  }

  // The same in two steps, for a value decoded straight into place: the
  // storage of the column's value, then the note that it was set.
  NodeDataValue& valueStorage(std::size_t column) { return states_[column].last; }
  void valueStored(std::size_t column) {
    ColumnState& state = states_[column];
    state.fresh = true;
    state.known = true;
    state.textValid = false;
  }

  // Where the Seconds time column counts from (ms since 1970).
  void setTimeOrigin(int64_t originMs) { timeOriginMs_ = originMs; }

  // Writes the row stamped `rowMs` (or suppresses it) and starts a new one.
  void writeRow(uint64_t rowMs);
  // The same row handed to `sink` as values instead: a cell that would be
  // empty in the CSV file is null, and a row the CSV file would not have
  // is not handed over.
  void handRow(uint64_t rowMs, RowSink& sink);

  // Rows written since start(), and the stamp of the last one.
  uint64_t rowsWritten() const { return rowsWritten_; }
  uint64_t lastRowMs() const { return lastRowMs_; }
  // The time text of a row stamped `rowMs` as the table writes it (the
  // Date and Hour cells joined by a space).
  std::string timeText(uint64_t rowMs);
  // Rows written whose time text equals their neighbour's: Date and Hour
  // without milliseconds show rows within one second alike. A run of three
  // such rows counts 3. Always 0 for the other time columns.
  uint64_t rowsSharingTime() const { return rowsSharingTime_; }

 private:
  struct ColumnState {
    // Hot fields first: a row reads these for every column.
    bool fresh = false;      // `last` arrived for the row being built
    bool known = false;      // `last` holds a value (not UnknownDt)
    bool textValid = false;  // `text` is the cell text of `last`
    bool quoted = false;     // `text` is enclosed in quotes
    uint16_t textLength = 0;
    uint8_t decimals = 0;
    uint8_t digits = 0;      // decimals of a Float cell in this run's format
    // A String of 31 quotes, quoted, fits too.
    char text[kValueTextCapacity];
    static_assert(2 * 31 + 2 <= kValueTextCapacity, "a quoted String must fit");
    NodeDataValue last;      // last known value; UnknownDt until one came
    // Kind and payload `text` was made from: a value that arrives again
    // unchanged (sensors repeat themselves a lot) keeps its text.
    DataValueKind textKind = DataValueKind::UnknownDt;
    unsigned char textPayload[sizeof(DataValue::value)] = {};
    RowFilter filter;
  };

  // Brings `text` up to date with `last` (see writeRow).
  void refreshText(ColumnState& state) const;
  // Whether `last` differs from what `text` was made from.
  static bool textChanged(const ColumnState& state);
  // Whether the column's row filter drops the row, given the cell's length.
  bool filterDrops(const ColumnState& state, std::size_t length) const;
  // Quotes the fresh text of a String or CAN frame cell when it needs it.
  bool quoteTextCell(ColumnState& state) const;

  // Every cell text but a Double's of more than 44 integer digits fits.
  static constexpr std::size_t kShortCell = 64;

  // The row's time cell(s) at `out`; returns the length.
  int formatRowTime(uint64_t rowMs, char* out);
  // Bookkeeping of a row that was written.
  void countRow(uint64_t rowMs);

  // Cell text of `state.last` into `state.text`; returns its length.
  int formatCell(ColumnState& state) const;

  CsvOutput& output_;
  std::unique_ptr<ColumnState[]> states_;
  std::vector<const DataValue*> rowCells_;  // handRow's row, one entry per column
  std::size_t columnCount_ = 0;
  std::vector<OutputColumn> columns_;
  char separator_ = ';';
  char decimalSeparator_ = '.';
  int floatFormat_ = floatFormatCode(FloatFormat::SevenDecimals);  // as the value texts take it
  bool utc_ = true;
  bool milliseconds_ = false;
  TimeColumns timeColumns_ = TimeColumns::DateHour;
  bool crlf_ = true;
  bool unitLine_ = false;
  bool leaveBlank_ = false;
  bool anyFilter_ = false;
  std::vector<AliasEntry> aliases_;
  TimestampFormatter timeFormatter_;
  IsoTimestampFormatter isoFormatter_;
  int64_t timeOriginMs_ = 0;
  uint64_t rowsWritten_ = 0;
  uint64_t lastRowMs_ = 0;
  uint64_t rowsSharingTime_ = 0;
  bool countSharedTimes_ = false;  // Date and Hour without milliseconds
  bool lastShared_ = false;        // the last row shared its second
  int64_t lastSecond_ = 0;
};

}  // namespace zrl
