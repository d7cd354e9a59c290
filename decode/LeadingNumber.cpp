#include "decode/LeadingNumber.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace zrl {

namespace {

bool isCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// True when the text after the digits of an out-of-range number carries a
// negative exponent, i.e. the number is too small rather than too large.
bool hasNegativeExponent(const char* begin, const char* end, bool hex) {
  const char mark = hex ? 'p' : 'e';
  for (const char* p = begin; p < end; ++p) {
    if ((*p | 0x20) == mark) return p + 1 < end && p[1] == '-';
  }
  return false;
}

template <typename T>
T readLeading(const char* text, std::size_t length) {
  const char* p = text;
  const char* const end = text + length;
  while (p < end && isCSpace(*p)) ++p;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) {
    negative = *p == '-';
    ++p;
  }
  // from_chars would take a second sign itself; strtod does not.
  if (p < end && (*p == '+' || *p == '-')) return 0;
  std::chars_format format = std::chars_format::general;
  // "0x" introduces a hexadecimal number only when a hex digit follows
  // (directly or after the point); otherwise strtod reads the "0" alone.
  if (end - p >= 3 && p[0] == '0' && (p[1] | 0x20) == 'x' &&
      (isHexDigit(p[2]) || (p[2] == '.' && end - p >= 4 && isHexDigit(p[3])))) {
    format = std::chars_format::hex;
    p += 2;
  }
  T value = 0;
  const std::from_chars_result result = std::from_chars(p, end, value, format);
  if (result.ec == std::errc::invalid_argument) {
    value = 0;
  } else if (result.ec == std::errc::result_out_of_range) {
    value = hasNegativeExponent(p, result.ptr, format == std::chars_format::hex)
                ? T(0)
                : std::numeric_limits<T>::infinity();
  }
  return negative ? -value : value;
}

}  // namespace

double readLeadingDouble(const char* text, std::size_t length) {
  return readLeading<double>(text, length);
}

float readLeadingFloat(const char* text, std::size_t length) {
  return readLeading<float>(text, length);
}

}  // namespace zrl
