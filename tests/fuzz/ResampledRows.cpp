#include "tests/fuzz/ResampledRows.h"

#include "reader/DataTypes.h"
#include "reader/ZrlLayout.h"

namespace zrlfuzz {

namespace {

uint64_t loadLe(const std::string& bytes, std::size_t at, std::size_t width) {
  uint64_t value = 0;
  for (std::size_t i = 0; i < width; ++i)
    value |= static_cast<uint64_t>(static_cast<uint8_t>(bytes[at + i])) << (8 * i);
  return value;
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
int64_t daysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

bool digits(const char* p, int count, int64_t& value) {
  value = 0;
  for (int i = 0; i < count; ++i) {
    if (p[i] < '0' || p[i] > '9') return false;
    value = value * 10 + (p[i] - '0');
  }
  return true;
}

// "dd/mm/yyyy", one separator, "HH:MM:SS.mmm".
bool parseRowTime(const char* p, std::size_t length, int64_t& ms) {
  if (length < 23 || p[2] != '/' || p[5] != '/' || p[13] != ':' || p[16] != ':' || p[19] != '.')
    return false;
  int64_t day, month, year, hour, minute, second, milli;
  if (!digits(p, 2, day) || !digits(p + 3, 2, month) || !digits(p + 6, 4, year) ||
      !digits(p + 11, 2, hour) || !digits(p + 14, 2, minute) || !digits(p + 17, 2, second) ||
      !digits(p + 20, 3, milli))
    return false;
  ms = ((daysFromCivil(year, month, day) * 24 + hour) * 60 + minute) * 60000 + second * 1000 + milli;
  return true;
}

int64_t floorMod(int64_t a, int64_t b) {
  const int64_t r = a % b;
  return r < 0 ? r + b : r;
}

}  // namespace

std::vector<int64_t> streamTimes(const DecodeCase& c) {
  const std::string& r = c.records;
  const std::size_t timeWidth = c.version >= zrl::kFirstVersionWithWideCatalog ? 8 : 4;
  std::vector<int64_t> times;
  std::size_t p = 0;
  const auto has = [&](std::size_t n) { return r.size() - p >= n; };
  while (has(2)) {
    const uint16_t id = static_cast<uint16_t>(loadLe(r, p, 2));
    p += 2;
    if (id == zrl::kTimestampRecordId) {
      if (!has(timeWidth)) break;
      times.push_back(static_cast<int64_t>(static_cast<uint64_t>(kFileStartMs) + loadLe(r, p, timeWidth)));
      p += timeWidth;
      continue;
    }
    uint8_t type = 0;
    for (int i = 0; i < kVariableCount; ++i)
      if (kVariables[i].slot == id) type = c.types[i];
    std::size_t length = 0;
    switch (type) {
      case zrl::DATALOGGER_BOOLEAN_TYPE: length = 1; break;
      case zrl::DATALOGGER_INTEGER_TYPE:
      case zrl::DATALOGGER_FLOAT_TYPE: length = 4; break;
      case zrl::DATALOGGER_DOUBLE_TYPE:
      case zrl::DATALOGGER_TIMESTAMP_TYPE: length = 8; break;
      case zrl::DATALOGGER_STRING_TYPE:
        if (!has(1) || static_cast<uint8_t>(r[p]) > zrl::kMaxStringLength) return times;
        length = 1 + static_cast<uint8_t>(r[p]);
        break;
      case zrl::DATALOGGER_CANFRAME_TYPE:
        if (!has(1) || static_cast<uint8_t>(r[p]) > zrl::kMaxCanDataLength) return times;
        length = 5 + static_cast<uint8_t>(r[p]);
        break;
      default:
        return times;
    }
    if (!has(length)) break;
    p += length;
  }
  return times;
}

bool rowTimes(const std::string& table, char columnSeparator, char decimalSeparator,
              bool unitLine, std::vector<int64_t>& times) {
  for (const char c : {columnSeparator, decimalSeparator})
    if (c == '"' || c == '\r' || c == '\n') return false;
  std::size_t p = table.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  int headLines = unitLine ? 2 : 1;
  while (p < table.size()) {
    // A record ends at CR LF outside quotes.
    std::size_t end = p;
    bool quoted = false;
    while (end < table.size() && (quoted || table.compare(end, 2, "\r\n") != 0)) {
      if (table[end] == '"') quoted = !quoted;
      ++end;
    }
    if (headLines > 0) {
      --headLines;
    } else {
      int64_t ms = 0;
      if (!parseRowTime(table.data() + p, end - p, ms)) return false;
      times.push_back(ms);
    }
    p = end + 2;
  }
  return true;
}

const char* misplacedRow(const std::vector<int64_t>& rows, const std::vector<int64_t>& stream,
                         int64_t periodMs, uint64_t windowStart, uint64_t windowEnd) {
  for (const int64_t row : rows) {
    const int64_t binStart = row - periodMs / 2;
    if (floorMod(binStart, periodMs) != 0) return "a resampled row is not stamped at a bin's middle";
    bool holdsTime = false;
    for (const int64_t t : stream) {
      const uint64_t u = static_cast<uint64_t>(t);
      if (u >= windowStart && u <= windowEnd && t >= binStart &&
          u - static_cast<uint64_t>(binStart) < static_cast<uint64_t>(periodMs)) {
        holdsTime = true;
        break;
      }
    }
    if (!holdsTime) return "a resampled row lies in no bin of a timestamp inside the window";
  }
  return nullptr;
}

}  // namespace zrlfuzz
