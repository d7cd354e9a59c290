// Decimal and fixed-point number conversions (see Format.h).
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

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

// Exactly D digits of `v` (< 10^D) ending just before `end`, two at a time
// with the count known at compile time; returns the first digit's place.
template <int D>
inline char* writeFractionBackward(uint32_t v, char* end) {
  for (int i = 0; i < D / 2; ++i) {
    const unsigned pair = (v % 100) * 2;
    v /= 100;
    *--end = kDigitPairs[pair + 1];
    *--end = kDigitPairs[pair];
  }
  if (D % 2 == 1) *--end = static_cast<char>('0' + v);
  return end;
}

constexpr float kPowersOfTen[10] = {1.0f,     10.0f,     100.0f,     1000.0f,     10000.0f,
                                    100000.0f, 1000000.0f, 10000000.0f, 100000000.0f, 1000000000.0f};

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

int formatFixed(float x, char* buffer, char separator, int decimals, int minIntWidth) {
  if (decimals < 0) decimals = 0;
  if (decimals > 9) decimals = 9;  // 10^10 no longer fits the fraction digits
  const unsigned width = minIntWidth > 0 ? static_cast<unsigned>(minIntWidth) : 0U;

  if (!(std::fabs(x) <= FLT_MAX)) {
    std::memcpy(buffer, "nan", 4);
    return 3;
  }

  int pos = 0;
  if (std::fabs(x) >= 2147483648.0f) {
    // Beyond the 32-bit integer part; such floats have no fraction.
    pos = writeLargeInteger(x, buffer, width);
    if (decimals > 0) {
      buffer[pos++] = separator;
      std::memset(buffer + pos, '0', static_cast<std::size_t>(decimals));
      pos += decimals;
    }
    buffer[pos] = '\0';
    return pos;
  }

  int32_t ip = static_cast<int32_t>(x);
  const float frac = std::fabs(x - static_cast<float>(ip));
  const float scale = kPowersOfTen[decimals];
  const float scaled = frac * scale;
  // Round half away from zero (scaled >= 0); the fractional part of a float
  // is exact, so this matches roundf without the library call.
  int64_t r = static_cast<int64_t>(scaled);
  if (scaled - static_cast<float>(r) >= 0.5f) ++r;
  if (r == static_cast<int64_t>(scale)) {
    ip = x < 0 ? ip - 1 : ip + 1;
    r = 0;
  }

  if (width == 0) {
    // The common case (every CSV cell): the digits are written backward into
    // scratch, fraction first, so no digit count is needed, then moved.
    // At most 22 characters end at scratch + 32; the copy out is a fixed
    // 32 bytes (the buffer holds kFixedTextCapacity), cheaper than one of
    // variable length.
    char scratch[64];
    char* const end = scratch + 32;
    char* first = end;
    if (decimals > 0) {
      const uint32_t v = static_cast<uint32_t>(r);
      switch (decimals) {
        case 1: first = writeFractionBackward<1>(v, first); break;
        case 2: first = writeFractionBackward<2>(v, first); break;
        case 3: first = writeFractionBackward<3>(v, first); break;
        case 4: first = writeFractionBackward<4>(v, first); break;
        case 5: first = writeFractionBackward<5>(v, first); break;
        case 6: first = writeFractionBackward<6>(v, first); break;
        case 7: first = writeFractionBackward<7>(v, first); break;
        case 8: first = writeFractionBackward<8>(v, first); break;
        default: first = writeFractionBackward<9>(v, first); break;
      }
      *--first = separator;
    }
    uint32_t m = ip < 0 ? 0U - static_cast<uint32_t>(ip) : static_cast<uint32_t>(ip);
    while (m >= 100) {
      const unsigned pair = (m % 100) * 2;
      m /= 100;
      *--first = kDigitPairs[pair + 1];
      *--first = kDigitPairs[pair];
    }
    if (m >= 10) {
      *--first = kDigitPairs[m * 2 + 1];
      *--first = kDigitPairs[m * 2];
    } else {
      *--first = static_cast<char>('0' + m);
    }
    // A negative value that rounds to zero keeps its sign.
    if (x < 0) *--first = '-';
    const int n = static_cast<int>(end - first);
    std::memcpy(buffer, first, 32);
    buffer[n] = '\0';
    return n;
  }

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
  if (!std::isfinite(x)) {
    std::memcpy(buffer, "nan", 4);
    return 3;
  }
  if (decimals < 0) decimals = 0;
  if (decimals > 9) decimals = 9;
  if (x == 0) x = 0.0;  // -0.0 prints as a float zero does
  // Most values: |x| * 10^decimals in double precision is off by at most
  // half an ulp, so unless it lies that close to a rounding tie, rounding it
  // gives the correctly rounded digits, and integer arithmetic writes them.
  static constexpr double kScales[10] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
  const double scaled = std::fabs(x) * kScales[decimals];
  if (scaled < 4503599627370496.0) {  // 2^52: the fraction is still held
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole;  // exact
    if (std::fabs(fraction - 0.5) > scaled * 0x1p-52) {
      const uint64_t r = static_cast<uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
      const uint64_t scale = static_cast<uint64_t>(kScales[decimals]);
      int pos = 0;
      if (x < 0) buffer[pos++] = '-';
      pos += writePadded(r / scale, buffer + pos, 0);
      if (decimals > 0) {
        buffer[pos++] = separator;
        pos += writePadded(r % scale, buffer + pos, static_cast<unsigned>(decimals));
      }
      buffer[pos] = '\0';
      return pos;
    }
  }
  // Near a tie, or too large: to_chars is printf without the locale, the
  // exact decimal expansion rounded to nearest with ties to even.
  const std::to_chars_result r = std::to_chars(buffer, buffer + 327, x, std::chars_format::fixed, decimals);
  const int n = static_cast<int>(r.ptr - buffer);
  if (decimals > 0 && separator != '.') buffer[n - decimals - 1] = separator;
  buffer[n] = '\0';
  return n;
}

int formatBounded(char* buffer, std::size_t size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(buffer, size, format, args);
  va_end(args);
  return n;
}

}  // namespace zrl
