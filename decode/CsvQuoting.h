// Quoting of CSV cells: a cell that holds the column separator, a double
// quote, CR or LF is enclosed in double quotes with its own quotes doubled,
// so that readers keep it whole; every other cell is written as it is.
#pragma once

#include <cstddef>
#include <string>

namespace zrl {

inline bool cellNeedsQuotes(const char* text, std::size_t length, char separator) {
  for (std::size_t i = 0; i < length; ++i) {
    const char c = text[i];
    if (c == separator || c == '"' || c == '\r' || c == '\n') return true;
  }
  return false;
}

// The quoted form of `length` bytes at `text`; at most 2 * length + 2 bytes.
inline std::size_t quoteCell(const char* text, std::size_t length, char* out) {
  std::size_t n = 0;
  out[n++] = '"';
  for (std::size_t i = 0; i < length; ++i) {
    if (text[i] == '"') out[n++] = '"';
    out[n++] = text[i];
  }
  out[n++] = '"';
  return n;
}

inline std::string csvCell(const std::string& text, char separator) {
  if (!cellNeedsQuotes(text.data(), text.size(), separator)) return text;
  std::string quoted(2 * text.size() + 2, '\0');
  quoted.resize(quoteCell(text.data(), text.size(), &quoted[0]));
  return quoted;
}

}  // namespace zrl
