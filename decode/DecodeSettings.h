// The settings that steer one decode, with their defaults.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "values/Limits.h"

namespace zrl {

// How a resampled decode reduces the samples of a bin to one value. A value
// outside the list (an unchecked code) is taken as Median.
enum class AggregationMethod : int32_t { Median = 0, Mean = 1, Min = 2, Max = 3, First = 4, Last = 5 };

// How many decimals Float and Double cells are written with. The values are
// the float format codes of the value texts (see floatDigits).
enum class FloatFormat : int32_t {
  Tarvik = 0,  // the variable's own decimals, as the catalog declares them
  OneDecimal = 1,
  ThreeDecimals = 2,
  FiveDecimals = 3,
  SevenDecimals = 4
};

// The float format code that the value texts take.
constexpr int floatFormatCode(FloatFormat format) { return static_cast<int>(format); }

// How each row's time is written.
enum class TimeColumns : int32_t {
  DateHour = 0,  // "Date" and "Hour": day-first date, time, ".mmm" when asked for
  Iso = 1,       // one "Time" cell: ISO 8601 with milliseconds and the zone
  EpochMs = 2,   // one "Time" cell: milliseconds since 1970 UTC
  Seconds = 3,   // one "Time" cell: seconds from the log's start, three decimals
};

// A row filter: rows whose cell of `name` reads at or beyond `limitText`
// (kind "minimum": at or below, "maximum": at or above) are not written.
struct RowFilterEntry {
  std::string name;       // full variable name, "Group.Variable"
  std::string kind;       // "minimum" or "maximum"; anything else is ignored
  std::string limitText;  // read as a single precision number
};

// A column heading that replaces "Group_Variable" for the variable `name`.
using AliasEntry = std::pair<std::string, std::string>;  // (full name, alias)

struct DecodeSettings {
  std::string outputPath;
  // An open descriptor (standard output) the CSV goes to instead of
  // outputPath; -1 for none.
  int outputDescriptor = -1;
  // The finished table replaces a file of its name (atomically) instead of
  // taking the next free numbered name.
  bool replaceOutput = false;
  // The folder of the output is made when the table is about to be written
  // (a generated name: a fresh account has no Desktop, an --out-dir may be
  // new), so a run that fails before leaves no empty folder behind.
  bool createOutputFolder = false;
  int64_t startMs = 0;  // 0 = start of the file
  int64_t endMs = 0;    // 0 = end of the file
  std::vector<uint8_t> selected = std::vector<uint8_t>(kMaxVariables, 1);
  char columnSeparator = ';';
  char decimalSeparator = '.';
  FloatFormat floatFormat = FloatFormat::SevenDecimals;
  bool utc = true;
  bool milliseconds = false;  // DateHour only: the others always have them
  TimeColumns timeColumns = TimeColumns::DateHour;
  bool byteOrderMark = true;  // the file starts with EF BB BF
  bool crlf = true;           // lines end with CR LF, else LF alone
  bool unitLine = false;
  bool leaveBlank = false;
  // Resampling frequency: 0 none, -2 0.01 Hz, -1 0.1 Hz, n > 0 n Hz. A code
  // whose period comes out as 0 ms (above 1000 Hz) resamples nothing.
  int32_t frequencyCode = 0;
  int64_t periodMs = 0;  // periodFromFrequencyCode(frequencyCode)
  AggregationMethod method = AggregationMethod::Median;
  std::vector<AliasEntry> aliases;
  std::vector<RowFilterEntry> filters;
};

// Resampling period in ms: 0 none, -2 100000, -1 10000, n > 0 1000 / n,
// other negative codes 0.
int64_t periodFromFrequencyCode(int32_t code);

}  // namespace zrl
