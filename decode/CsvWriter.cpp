#include "decode/CsvWriter.h"

#include <cstring>

#include "decode/CellText.h"
#include "decode/CsvQuoting.h"
#include "decode/RowSink.h"

namespace zrl {

void CsvWriter::start(const DecodeSettings& settings, const std::vector<CsvColumn>& columns) {
  separator_ = settings.columnSeparator;
  decimalSeparator_ = settings.decimalSeparator;
  floatFormat_ = settings.floatFormat;
  utc_ = settings.utc;
  milliseconds_ = settings.milliseconds;
  unitLine_ = settings.unitLine;
  leaveBlank_ = settings.leaveBlank;
  aliases_ = settings.aliases;
  columns_ = columns;
  columnCount_ = columns.size();
  // Built in place: copying an empty value is refused by the value type.
  states_ = std::make_unique<ColumnState[]>(columnCount_);
  rowCells_.assign(columnCount_, nullptr);
  anyFilter_ = false;
  for (std::size_t i = 0; i < columnCount_; ++i) {
    states_[i].decimals = columns[i].decimals;
    states_[i].digits = static_cast<uint8_t>(floatDigits(floatFormat_, columns[i].decimals));
    states_[i].filter = RowFilter(settings.filters, columns[i].fullName);
    anyFilter_ = anyFilter_ || !states_[i].filter.empty();
  }
  timeFormatter_.reset();
}

// Numbers go straight to their formatting with the column's digits; the
// other kinds take the value's own text.
int CsvWriter::formatCell(ColumnState& state) const {
  const DataValue& v = state.last;
  switch (v.type) {
    case DataValueKind::Float: {
      float x;
      std::memcpy(&x, v.value, sizeof x);
      return formatFloatCell(x, state.text, decimalSeparator_, state.digits);
    }
    case DataValueKind::Integer: {
      int32_t i;
      std::memcpy(&i, v.value, sizeof i);
      return formatInt(i, state.text, 0);
    }
    case DataValueKind::Double: {
      double d;
      std::memcpy(&d, v.value, sizeof d);
      return formatDoubleFixed(d, state.text, decimalSeparator_, state.digits);
    }
    default:
      return cellText(v, state.text, decimalSeparator_, floatFormat_, state.decimals);
  }
}

void CsvWriter::writeHeader() {
  std::string text = "Date";
  text += separator_;
  text += "Hour";
  text += separator_;
  for (const CsvColumn& column : columns_) {
    const std::string* heading = &column.defaultHeading;
    for (const AliasEntry& alias : aliases_) {
      if (alias.first == column.fullName) heading = &alias.second;  // the last match wins
    }
    text += csvCell(*heading, separator_);
    text += separator_;
  }
  text.back() = '\r';
  text += '\n';
  if (unitLine_) {
    text += separator_;
    text += separator_;
    for (const CsvColumn& column : columns_) {
      text += csvCell(column.unitSymbol, separator_);
      text += separator_;
    }
    text.back() = '\r';
    text += '\n';
  }
  output_.append(text);
  output_.endLine();
}

// Only Strings and CAN frames can hold a separator, a quote or a line
// break; numbers and flags are left alone.
bool CsvWriter::quoteTextCell(ColumnState& state) const {
  const DataValueKind kind = state.last.type;
  if (kind != DataValueKind::String && kind != DataValueKind::CanFrame) return false;
  if (!cellNeedsQuotes(state.text, state.textLength, separator_)) return false;
  char plain[sizeof state.text];
  std::memcpy(plain, state.text, state.textLength);
  state.textLength = static_cast<uint16_t>(quoteCell(plain, state.textLength, state.text));
  return true;
}

void CsvWriter::writeRow(uint64_t rowMs) {
  const std::size_t lineStart = output_.lineStart();
  // Room for the whole row at once: every cell but a huge Double is copied
  // as a short text buffer (a fixed-size copy is much cheaper than one of
  // variable length) and the line only advances by the text's real length.
  char* const begin =
      output_.reserve(kTimeTextCapacity + 2 + columnCount_ * (sizeof(ColumnState::text) + 1));
  char* p = begin;
  p += timeFormatter_.format(rowMs, milliseconds_, separator_, utc_, p);
  *p++ = separator_;

  const bool fillFromLastKnown = !leaveBlank_;
  // Cell texts are made first and copied into the line afterwards: made
  // one after the other, the conversions overlap, and by the time a text is
  // copied its many small stores have landed, so the wide loads of the copy
  // do not wait for them.
  for (std::size_t i = 0; i < columnCount_; ++i) {
    ColumnState& state = states_[i];
    if (state.fresh || (fillFromLastKnown && state.known)) refreshText(state);
  }
  std::size_t cellCharacters = 0;
  bool kept = true;  // cleared by a row filter
  for (std::size_t i = 0; i < columnCount_; ++i) {
    ColumnState& state = states_[i];
    std::size_t length = 0;
    if (state.fresh || (fillFromLastKnown && state.known)) length = state.textLength;
    if (anyFilter_ && kept && filterDrops(state, length)) kept = false;
    if (length <= 16) {
      std::memcpy(p, state.text, 16);  // most numbers
    } else if (length <= kShortCell) {
      std::memcpy(p, state.text, kShortCell);
    } else {
      std::memcpy(p, state.text, length);  // only a huge Double
    }
    p += length;
    *p++ = separator_;
    cellCharacters += length;
    state.fresh = false;
  }
  if (cellCharacters == 0 || !kept) {
    output_.dropLine(lineStart);
    return;
  }
  // The line ends where its last separator was.
  p[-1] = '\r';
  *p++ = '\n';
  output_.commit(static_cast<std::size_t>(p - begin));
  output_.endLine();
}

// Filters read the value, not the quotes around it.
bool CsvWriter::filterDrops(const ColumnState& state, std::size_t length) const {
  if (state.filter.empty()) return false;
  const bool quoted = length != 0 && state.quoted;
  return state.filter.dropsRow(state.text + (quoted ? 1 : 0), length - (quoted ? 2 : 0),
                               decimalSeparator_);
}

void CsvWriter::refreshText(ColumnState& state) const {
  if (state.textValid) return;
  if (state.textKind != state.last.type ||
      std::memcmp(state.textPayload, state.last.value, sizeof state.textPayload) != 0) {
    state.textLength = static_cast<uint16_t>(formatCell(state));
    state.quoted = quoteTextCell(state);
    state.textKind = state.last.type;
    std::memcpy(state.textPayload, state.last.value, sizeof state.textPayload);
  }
  state.textValid = true;
}

// Decides like writeRow, on the cell texts, so that filters and empty rows
// come out the same for every sink.
void CsvWriter::handRow(uint64_t rowMs, RowSink& sink) {
  const bool fillFromLastKnown = !leaveBlank_;
  bool anyText = false;
  bool kept = true;
  for (std::size_t i = 0; i < columnCount_; ++i) {
    ColumnState& state = states_[i];
    std::size_t length = 0;
    if (state.fresh || (fillFromLastKnown && state.known)) {
      refreshText(state);
      length = state.textLength;
    }
    if (anyFilter_ && kept && filterDrops(state, length)) kept = false;
    rowCells_[i] = length > 0 ? &state.last : nullptr;
    anyText = anyText || length > 0;
    state.fresh = false;
  }
  if (anyText && kept) sink.writeRow(rowMs, rowCells_.data());
}

}  // namespace zrl
