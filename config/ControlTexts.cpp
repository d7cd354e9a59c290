#include "config/ControlTexts.h"

namespace zrl {

FloatFormat floatFormatFromText(const std::string& text) {
  if (text == "Tarvik") return FloatFormat::Tarvik;
  if (text == "1 decimal") return FloatFormat::OneDecimal;
  if (text == "3 decimals") return FloatFormat::ThreeDecimals;
  if (text == "5 decimals") return FloatFormat::FiveDecimals;
  return FloatFormat::SevenDecimals;
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

AggregationMethod methodFromText(const std::string& text) {
  static const struct {
    const char* text;
    AggregationMethod method;
  } kMethods[] = {{"Median", AggregationMethod::Median}, {"Mean", AggregationMethod::Mean},
                  {"Min", AggregationMethod::Min},       {"Max", AggregationMethod::Max},
                  {"First", AggregationMethod::First},   {"Last", AggregationMethod::Last}};
  for (const auto& m : kMethods) {
    if (text == m.text) return m.method;
  }
  return AggregationMethod::Median;
}

}  // namespace zrl
