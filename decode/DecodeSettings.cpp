#include "decode/DecodeSettings.h"

namespace zrl {

int32_t floatFormatFromText(const std::string& text) {
  if (text == "Tarvik") return 0;
  if (text == "1 decimal") return 1;
  if (text == "3 decimals") return 2;
  if (text == "5 decimals") return 3;
  return 4;
}

char columnSeparatorFromText(const std::string& text) {
  if (text == "tab") return '\t';
  return text.empty() ? '\0' : text[0];
}

char decimalSeparatorFromText(const std::string& text) { return text.empty() ? '\0' : text[0]; }

int32_t frequencyCodeFromText(const std::string& text) {
  if (text == "0.01") return -2;
  if (text == "0.1") return -1;
  static const char* const kHertzTexts[] = {"1",  "2",   "5",   "10",  "20", "25",
                                            "50", "100", "200", "250", "500"};
  for (const char* hertz : kHertzTexts) {
    if (text == hertz) return std::stoi(text);
  }
  return 0;
}

int32_t methodFromText(const std::string& text) {
  static const char* const kMethodTexts[] = {"Median", "Mean", "Min", "Max", "First", "Last"};
  for (int32_t code = 0; code < 6; ++code) {
    if (text == kMethodTexts[code]) return code;
  }
  return MethodMedian;
}

int64_t periodFromFrequencyCode(int32_t code) {
  if (code == -2) return 100000;
  if (code == -1) return 10000;
  if (code > 0) return 1000 / code;
  return 0;
}

}  // namespace zrl
