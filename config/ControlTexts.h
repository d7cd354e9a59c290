// The decode settings as the window's controls (and the configuration file
// that remembers them) name them. Qt-free, so that anything that speaks in
// these texts can use it.
#pragma once

#include <cstdint>
#include <string>

#include "decode/DecodeSettings.h"

namespace zrl {

// "Tarvik", "1 decimal", "3 decimals", "5 decimals"; anything else (normally
// "7 decimals") is SevenDecimals.
FloatFormat floatFormatFromText(const std::string& text);
// "tab" is the TAB character; any other text gives its first character
// (NUL for an empty text).
char columnSeparatorFromText(const std::string& text);
// The first character of the text (NUL for an empty text).
char decimalSeparatorFromText(const std::string& text);
// "None" 0, "0.01" -2, "0.1" -1, "1" ... "500" as their number; anything else 0
// (the codes of DecodeSettings::frequencyCode).
int32_t frequencyCodeFromText(const std::string& text);
// "Median", "Mean", "Min", "Max", "First", "Last"; anything else is Median.
AggregationMethod methodFromText(const std::string& text);

}  // namespace zrl
