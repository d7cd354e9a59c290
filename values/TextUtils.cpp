// Small string utilities (see TextUtils.h).
#include "values/TextUtils.h"

namespace zrl {

std::string escapeSpaces(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == ' ') out += '\\';
    out += c;
  }
  return out;
}

std::string replaceCommasAndDots(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    if (c == ',' || c == '.') c = '_';
  }
  return out;
}

std::string removeWhitespace(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') out += c;
  }
  return out;
}

std::vector<std::string> splitTokens(const std::string& text, const std::string& delimiters) {
  std::vector<std::string> tokens;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find_first_of(delimiters, start);
    const std::size_t stop = end == std::string::npos ? text.size() : end;
    if (stop > start) tokens.push_back(text.substr(start, stop - start));
    start = stop + 1;
  }
  return tokens;
}

}  // namespace zrl
