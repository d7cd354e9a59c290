// Decimal and fixed-point number conversions (see Format.h).
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "values/FixedText.h"
#include "values/Format.h"

namespace zrl {

namespace {

// "00".."99": two digits per division halves the work of digit loops.
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

inline unsigned digitCount(uint64_t v) {
  unsigned n = 1;
  for (;;) {
    if (v < 10) return n;
    if (v < 100) return n + 1;
    if (v < 1000) return n + 2;
    if (v < 10000) return n + 3;
    v /= 10000;
    n += 4;
  }
}

// Digits of `v` written backward, ending just before `end`.
template <typename T>
inline void writeDigitsBackward(T v, char* end) {
  while (v >= 100) {
    const unsigned pair = static_cast<unsigned>(v % 100) * 2;
    v /= 100;
    *--end = kDigitPairs[pair + 1];
    *--end = kDigitPairs[pair];
  }
  if (v >= 10) {
    const unsigned pair = static_cast<unsigned>(v) * 2;
    *--end = kDigitPairs[pair + 1];
    *--end = kDigitPairs[pair];
  } else {
    *--end = static_cast<char>('0' + v);
  }
}

// Digits of `magnitude`, zero-padded to `minWidth`, at `out`; returns the
// number of characters written (no NUL). Digits go straight to their final
// place: no scratch buffer, no copy.
inline int writePadded(uint64_t magnitude, char* out, unsigned minWidth) {
  const unsigned digits = digitCount(magnitude);
  unsigned pos = 0;
  for (unsigned i = digits; i < minWidth; ++i) out[pos++] = '0';
  pos += digits;
  if (magnitude <= 0xFFFFFFFFULL) {
    writeDigitsBackward(static_cast<uint32_t>(magnitude), out + pos);
  } else {
    writeDigitsBackward(magnitude, out + pos);
  }
  return static_cast<int>(pos);
}

// Exact integer text of a finite float whose magnitude is 2^31 or more. Such
// a float is a whole number below 2^128, so 128-bit arithmetic holds it.
int writeLargeInteger(float x, char* out, unsigned minWidth) {
  int exponent = 0;
  const float mantissa = std::frexp(std::fabs(x), &exponent);  // [0.5, 1)
  unsigned __int128 v = static_cast<unsigned __int128>(std::ldexp(mantissa, 24));
  v <<= (exponent - 24);  // exponent >= 32 here
  char scratch[48];
  char* const end = scratch + sizeof scratch;
  char* first = end;
  while (v != 0) {
    *--first = static_cast<char>('0' + static_cast<unsigned>(v % 10));
    v /= 10;
  }
  int pos = 0;
  if (x < 0) out[pos++] = '-';
  const unsigned digits = static_cast<unsigned>(end - first);
  for (unsigned i = digits; i < minWidth; ++i) out[pos++] = '0';
  std::memcpy(out + pos, first, digits);
  return pos + static_cast<int>(digits);
}

}  // namespace

int formatUInt64(uint64_t value, char* buffer) {
  const int n = writePadded(value, buffer, 0);
  buffer[n] = '\0';
  return n;
}

int formatInt(int32_t value, char* buffer, unsigned minWidth) {
  int pos = 0;
  uint32_t magnitude = static_cast<uint32_t>(value);
  if (value < 0) {
    buffer[pos++] = '-';
    magnitude = 0U - magnitude;  // also right for the most negative value
  }
  pos += writePadded(magnitude, buffer + pos, minWidth);
  buffer[pos] = '\0';
  return pos;
}

namespace fixedtext {

int writeLongFixedText(bool negative, uint64_t whole, uint32_t fraction, int decimals,
                       char separator, char* out) {
  char* p = out;
  if (negative) *p++ = '-';
  p += writePadded(whole, p, 0);
  if (decimals > 0) {
    *p++ = separator;
    if (decimals == 9) {
      *p++ = static_cast<char>('0' + fraction / 100000000);
      fraction %= 100000000;
      decimals = 8;
    }
    p = storeLastDigits(eightDigits(fraction), static_cast<unsigned>(decimals), p);
  }
  *p = '\0';
  return static_cast<int>(p - out);
}

int formatLargeFloat(float x, char* out, char separator, int decimals, unsigned minIntWidth) {
  // Such floats have no fraction.
  int pos = writeLargeInteger(x, out, minIntWidth);
  if (decimals > 0) {
    out[pos++] = separator;
    std::memset(out + pos, '0', static_cast<std::size_t>(decimals));
    pos += decimals;
  }
  out[pos] = '\0';
  return pos;
}

}  // namespace fixedtext

int formatFixed(float x, char* buffer, char separator, int decimals, int minIntWidth) {
  if (decimals < 0) decimals = 0;
  if (decimals > 9) decimals = 9;  // 10^10 no longer fits the fraction digits
  // The common case (every CSV cell).
  if (minIntWidth <= 0) return fixedtext::formatFloat(x, buffer, separator, decimals);
  const unsigned width = static_cast<unsigned>(minIntWidth);

  if (!(std::fabs(x) <= FLT_MAX)) {
    std::memcpy(buffer, "nan", 4);
    return 3;
  }

  // Beyond the 32-bit integer part; such floats have no fraction.
  if (std::fabs(x) >= 2147483648.0f) return fixedtext::formatLargeFloat(x, buffer, separator, decimals, width);
  int32_t ip = 0;
  uint32_t r = 0;
  fixedtext::splitFloat(x, decimals, ip, r);

  int pos = 0;

  if (ip == 0 && x < 0) {
    // A negative value that rounds to zero keeps its sign.
    buffer[pos++] = '-';
    buffer[pos++] = '0';
    for (unsigned i = 1; i < width; ++i) buffer[pos++] = '0';
  } else {
    pos = formatInt(ip, buffer, width);
  }
  if (decimals > 0) {
    buffer[pos++] = separator;
    // Exactly `decimals` digits (r < 10^decimals <= 10^9), written backward
    // two at a time: no digit count, no padding loop.
    uint32_t v = static_cast<uint32_t>(r);
    char* out = buffer + pos + decimals;
    int left = decimals;
    for (; left >= 2; left -= 2) {
      const unsigned pair = (v % 100) * 2;
      v /= 100;
      *--out = kDigitPairs[pair + 1];
      *--out = kDigitPairs[pair];
    }
    if (left == 1) *--out = static_cast<char>('0' + v % 10);
    pos += decimals;
  }
  buffer[pos] = '\0';
  return pos;
}

int formatDoubleFixed(double x, char* buffer, char separator, int decimals) {
  if (decimals < 0) decimals = 0;
  if (decimals > 9) decimals = 9;
  return fixedtext::formatDouble(x, buffer, separator, decimals);
}

namespace fixedtext {

int formatDoubleExactly(double x, char* out, char separator, int decimals) {
  // to_chars is printf without the locale: the exact decimal expansion
  // rounded to nearest with ties to even.
  const std::to_chars_result r = std::to_chars(out, out + 327, x, std::chars_format::fixed, decimals);
  const int n = static_cast<int>(r.ptr - out);
  if (decimals > 0 && separator != '.') out[n - decimals - 1] = separator;
  out[n] = '\0';
  return n;
}

}  // namespace fixedtext

int formatBounded(char* buffer, std::size_t size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(buffer, size, format, args);
  va_end(args);
  return n;
}

}  // namespace zrl
