#include "decode/RowAssembler.h"

#include <cstring>

#include "decode/CellText.h"
#include "decode/CsvQuoting.h"
#include "decode/RowSink.h"

namespace zrl {

namespace {

bool isNumber(DataValueKind kind) {
  return kind == DataValueKind::Float || kind == DataValueKind::Integer ||
         kind == DataValueKind::Double;
}

}  // namespace

void RowAssembler::start(const DecodeSettings& settings, const std::vector<OutputColumn>& columns) {
  separator_ = settings.columnSeparator;
  decimalSeparator_ = settings.decimalSeparator;
  floatFormat_ = floatFormatCode(settings.floatFormat);
  utc_ = settings.utc;
  milliseconds_ = settings.milliseconds;
  timeColumns_ = settings.timeColumns;
  crlf_ = settings.crlf;
  countSharedTimes_ = timeColumns_ == TimeColumns::DateHour && !milliseconds_;
  rowsWritten_ = 0;
  lastRowMs_ = 0;
  rowsSharingTime_ = 0;
  lastShared_ = false;
  lastSecond_ = 0;
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
    // As the conversions do, more than 9 decimals are written as 9.
    const int digits = floatDigits(floatFormat_, columns[i].decimals);
    states_[i].digits = static_cast<uint8_t>(digits > 9 ? 9 : digits);
    states_[i].filter = RowFilter(settings.filters, columns[i].fullName);
    anyFilter_ = anyFilter_ || !states_[i].filter.empty();
  }
  timeFormatter_.reset();
  isoFormatter_.reset();
}

// The described columns stay the default path; the others cost one
// well-predicted branch per row.
__attribute__((always_inline)) inline int RowAssembler::formatRowTime(uint64_t rowMs, char* out) {
  switch (timeColumns_) {
    case TimeColumns::Iso: return isoFormatter_.format(rowMs, utc_, out);
    case TimeColumns::EpochMs: return formatEpochMs(rowMs, out);
    case TimeColumns::Seconds: return formatSecondsSince(rowMs, timeOriginMs_, decimalSeparator_, out);
    case TimeColumns::DateHour: break;
  }
  return timeFormatter_.format(rowMs, milliseconds_, separator_, utc_, out);
}

std::string RowAssembler::timeText(uint64_t rowMs) {
  if (timeColumns_ == TimeColumns::DateHour) return formatTimestampMs(rowMs, milliseconds_, ' ', utc_);
  char text[kTimeTextCapacity];
  const int n = formatRowTime(rowMs, text);
  return std::string(text, static_cast<std::size_t>(n));
}

// Rows whose second equals the previous written row's second share their
// Date and Hour text; the first of a run is counted with the second one.
inline void RowAssembler::countRow(uint64_t rowMs) {
  ++rowsWritten_;
  lastRowMs_ = rowMs;
  if (!countSharedTimes_) return;
  const int64_t t = static_cast<int64_t>(rowMs);
  const int64_t second = t / 1000 - (t % 1000 < 0 ? 1 : 0);
  const bool shared = rowsWritten_ > 1 && second == lastSecond_;
  if (shared) rowsSharingTime_ += lastShared_ ? 1 : 2;
  lastShared_ = shared;
  lastSecond_ = second;
}

// Numbers go straight to their formatting with the column's digits; the
// other kinds take the value's own text. Made inside the row loop itself
// (forced: left to itself the compiler moves it out), where a call per cell
// would cost a tenth of the decode.
__attribute__((always_inline)) inline int RowAssembler::formatCell(ColumnState& state) const {
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
      return fixedtext::formatInteger(i, state.text);
    }
    case DataValueKind::Double: {
      double d;
      std::memcpy(&d, v.value, sizeof d);
      return formatDoubleCell(d, state.text, decimalSeparator_, state.digits);
    }
    default:
      return cellText(v, state.text, decimalSeparator_, floatFormat_, state.decimals);
  }
}

void RowAssembler::writeHeader() {
  const char* const lineEnd = crlf_ ? "\r\n" : "\n";
  std::string text;
  if (timeColumns_ == TimeColumns::DateHour) {
    text += "Date";
    text += separator_;
    text += "Hour";
  } else {
    text += "Time";
  }
  text += separator_;
  for (const OutputColumn& column : columns_) {
    const std::string* heading = &column.defaultHeading;
    for (const AliasEntry& alias : aliases_) {
      if (alias.first == column.fullName) heading = &alias.second;  // the last match wins
    }
    text += csvCell(*heading, separator_);
    text += separator_;
  }
  text.pop_back();
  text += lineEnd;
  if (unitLine_) {
    // Empty cells under the time column(s).
    if (timeColumns_ == TimeColumns::DateHour) text += separator_;
    text += separator_;
    for (const OutputColumn& column : columns_) {
      text += csvCell(column.unitSymbol, separator_);
      text += separator_;
    }
    text.pop_back();
    text += lineEnd;
  }
  output_.append(text);
  output_.endLine();
}

// Only Strings and CAN frames can hold a separator, a quote or a line
// break; numbers and flags are left alone.
bool RowAssembler::quoteTextCell(ColumnState& state) const {
  const DataValueKind kind = state.last.type;
  if (kind != DataValueKind::String && kind != DataValueKind::CanFrame) return false;
  if (!cellNeedsQuotes(state.text, state.textLength, separator_)) return false;
  char plain[sizeof state.text];
  std::memcpy(plain, state.text, state.textLength);
  state.textLength = static_cast<uint16_t>(quoteCell(plain, state.textLength, state.text));
  return true;
}

void RowAssembler::writeRow(uint64_t rowMs) {
  const std::size_t lineStart = output_.lineStart();
  // Room for the whole row at once: every cell but a huge Double is copied
  // as a short text buffer (a fixed-size copy is much cheaper than one of
  // variable length) and the line only advances by the text's real length.
  char* const begin =
      output_.reserve(kTimeTextCapacity + 2 + columnCount_ * (sizeof(ColumnState::text) + 1));
  // The settings are read once into locals: the line's stores could alias
  // the members, which would then be read again for every cell.
  const char separator = separator_;
  const bool fillFromLastKnown = !leaveBlank_;
  const bool anyFilter = anyFilter_;
  ColumnState* const states = states_.get();
  ColumnState* const statesEnd = states + columnCount_;
  char* p = begin;
  p += formatRowTime(rowMs, p);
  *p++ = separator;

  std::size_t cellCharacters = 0;
  bool kept = true;  // cleared by a row filter
  for (ColumnState* column = states; column != statesEnd; ++column) {
    ColumnState& state = *column;
    std::size_t length = 0;
    if (state.fresh || (fillFromLastKnown && state.known)) {
      refreshText(state);
      length = state.textLength;
    }
    if (anyFilter && kept && filterDrops(state, length)) kept = false;
    if (length <= 16) {
      std::memcpy(p, state.text, 16);  // most numbers
    } else if (length <= kShortCell) {
      std::memcpy(p, state.text, kShortCell);
    } else {
      std::memcpy(p, state.text, length);  // only a huge Double
    }
    p += length;
    *p++ = separator;
    cellCharacters += length;
    state.fresh = false;
  }
  if (cellCharacters == 0 || !kept) {
    output_.dropLine(lineStart);
    return;
  }
  // The line ends where its last separator was.
  if (crlf_) {
    p[-1] = '\r';
    *p++ = '\n';
  } else {
    p[-1] = '\n';
  }
  output_.commit(static_cast<std::size_t>(p - begin));
  output_.endLine();
  countRow(rowMs);
}

// Filters read the value, not the quotes around it.
bool RowAssembler::filterDrops(const ColumnState& state, std::size_t length) const {
  if (state.filter.empty()) return false;
  const bool quoted = length != 0 && state.quoted;
  return state.filter.dropsRow(state.text + (quoted ? 1 : 0), length - (quoted ? 2 : 0),
                               decimalSeparator_);
}

__attribute__((always_inline)) inline void RowAssembler::refreshText(ColumnState& state) const {
  if (state.textValid) return;
  if (textChanged(state)) {
    const DataValueKind kind = state.last.type;
    state.textLength = static_cast<uint16_t>(formatCell(state));
    if (isNumber(kind)) {
      state.quoted = false;
      std::memcpy(state.textPayload, state.last.value, 8);  // all textChanged reads
    } else {
      state.quoted = quoteTextCell(state);
      std::memcpy(state.textPayload, state.last.value, sizeof state.textPayload);
    }
    state.textKind = kind;
  }
  state.textValid = true;
}

// The text of a number or a flag depends on the payload's first 8 bytes
// only, so only those need comparing.
bool RowAssembler::textChanged(const ColumnState& state) {
  const DataValueKind kind = state.last.type;
  if (state.textKind != kind || std::memcmp(state.textPayload, state.last.value, 8) != 0) return true;
  if (isNumber(kind) || kind == DataValueKind::Boolean) return false;
  return std::memcmp(state.textPayload + 8, state.last.value + 8, sizeof state.textPayload - 8) != 0;
}

// Decides like writeRow, on the cell texts, so that filters and empty rows
// come out the same for every sink.
void RowAssembler::handRow(uint64_t rowMs, RowSink& sink) {
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
  if (!anyText || !kept) return;
  sink.writeRow(rowMs, rowCells_.data());
  ++rowsWritten_;
  lastRowMs_ = rowMs;
}

}  // namespace zrl
