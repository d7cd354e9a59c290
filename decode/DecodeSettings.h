// The settings that steer one decode, with their defaults and the
// conversions from the texts the window's controls show.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "values/Limits.h"

namespace zrl {

// Aggregation methods of the resampler, in the order of their codes.
enum AggregationMethod : int32_t {
  MethodMedian = 0,
  MethodMean = 1,
  MethodMin = 2,
  MethodMax = 3,
  MethodFirst = 4,
  MethodLast = 5
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
  int64_t startMs = 0;  // 0 = start of the file
  int64_t endMs = 0;    // 0 = end of the file
  std::vector<uint8_t> selected = std::vector<uint8_t>(kMaxVariables, 1);
  char columnSeparator = ';';
  char decimalSeparator = '.';
  int32_t floatFormat = 4;
  bool utc = true;
  bool milliseconds = false;
  bool unitLine = false;
  bool leaveBlank = false;
  int32_t frequencyCode = 0;
  int64_t periodMs = 0;
  int32_t method = MethodMedian;
  std::vector<AliasEntry> aliases;
  std::vector<RowFilterEntry> filters;
};

// "Tarvik" 0, "1 decimal" 1, "3 decimals" 2, "5 decimals" 3, anything else 4.
int32_t floatFormatFromText(const std::string& text);
// "tab" is the TAB character; any other text gives its first character
// (NUL for an empty text).
char columnSeparatorFromText(const std::string& text);
// The first character of the text (NUL for an empty text).
char decimalSeparatorFromText(const std::string& text);
// "None" 0, "0.01" -2, "0.1" -1, "1" ... "500" as their number; anything else 0.
int32_t frequencyCodeFromText(const std::string& text);
// "Median" 0, "Mean" 1, "Min" 2, "Max" 3, "First" 4, "Last" 5; anything else 0.
int32_t methodFromText(const std::string& text);
// Resampling period in ms: 0 none, -2 100000, -1 10000, n > 0 1000 / n,
// other negative codes 0.
int64_t periodFromFrequencyCode(int32_t code);

}  // namespace zrl
