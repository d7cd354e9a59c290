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

// The eight decimal digits of `v` (< 10^8), zero-padded, as eight ASCII
// bytes whose little-endian store puts the first digit first. Both halves
// of four digits are split at once in the lanes of one 64-bit word: a few
// multiplications instead of a chain of divisions.
inline uint64_t eightDigits(uint32_t v) {
  const uint64_t halves = static_cast<uint64_t>(v / 10000) | (static_cast<uint64_t>(v % 10000) << 32);
  const uint64_t high = ((halves * 10486) >> 20) & ((0x7FULL << 32) | 0x7FULL);  // / 100
  const uint64_t pairs = ((halves - 100 * high) << 16) + high;  // 16-bit lanes of 0-99
  uint64_t tens = ((pairs * 103) >> 10) & 0x000F000F000F000FULL;  // / 10
  tens += (pairs - 10 * tens) << 8;
  return tens + 0x3030303030303030ULL;
}

// Stores the last `n` (1-8) digits of an eightDigits() word at `out`; the
// eight bytes stored past them are overwritten by what follows.
inline char* storeLastDigits(uint64_t digits, unsigned n, char* out) {
  digits >>= 8 * (8 - n);
  std::memcpy(out, &digits, 8);
  return out + n;
}

constexpr uint32_t kPowersOfTenInt[10] = {1,      10,      100,      1000,      10000,
                                          100000, 1000000, 10000000, 100000000, 1000000000};

// Digits of `v` (< 10^8, zero giving "0").
inline unsigned shortDigitCount(uint32_t v) {
  v |= 1;  // no power of ten is odd: the count stays, and zero has one digit
  const unsigned estimate = ((32 - static_cast<unsigned>(__builtin_clz(v))) * 1233) >> 12;
  return estimate + (v >= kPowersOfTenInt[estimate] ? 1 : 0);
}

// "-" when `negative`, the digits of `whole`, then `separator` and exactly
// `decimals` (0-9) digits of `fraction` (< 10^decimals) unless `decimals` is
// 0. Returns the length and NUL-terminates; stores up to 8 bytes past the
// text's end before the NUL, so `out` needs the text's length plus 9.
inline int writeFixedText(bool negative, uint64_t whole, uint32_t fraction, int decimals,
                          char separator, char* out) {
  char* p = out;
  *p = '-';
  p += negative ? 1 : 0;
  if (whole < 100000000) {
    const uint32_t w = static_cast<uint32_t>(whole);
    p = storeLastDigits(eightDigits(w), shortDigitCount(w), p);
  } else {
    p += writePadded(whole, p, 0);
  }
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

// Integer and fraction digits of a value scaled by 10^D: the divisor known
// at compile time turns both divisions into multiplications.
template <int D>
inline void splitScaled(uint64_t scaled, uint64_t& whole, uint32_t& fraction) {
  constexpr uint64_t scale = kPowersOfTenInt[D];
  whole = scaled / scale;
  fraction = static_cast<uint32_t>(scaled % scale);
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
  // Round half away from zero (scaled >= 0): scaled + 0.5 is exact in
  // double precision, so truncating it rounds as roundf would, in fewer
  // steps than taking the fraction apart.
  int64_t r = static_cast<int64_t>(static_cast<double>(scaled) + 0.5);
  if (r == static_cast<int64_t>(scale)) {
    ip = x < 0 ? ip - 1 : ip + 1;
    r = 0;
  }

  if (width == 0) {
    // The common case (every CSV cell). A negative value that rounds to
    // zero keeps its sign.
    const uint32_t m = ip < 0 ? 0U - static_cast<uint32_t>(ip) : static_cast<uint32_t>(ip);
    return writeFixedText(x < 0, m, static_cast<uint32_t>(r), decimals, separator, buffer);
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
      uint64_t integerPart = r;
      uint32_t fractionDigits = 0;
      switch (decimals) {
        case 0: break;
        case 1: splitScaled<1>(r, integerPart, fractionDigits); break;
        case 2: splitScaled<2>(r, integerPart, fractionDigits); break;
        case 3: splitScaled<3>(r, integerPart, fractionDigits); break;
        case 4: splitScaled<4>(r, integerPart, fractionDigits); break;
        case 5: splitScaled<5>(r, integerPart, fractionDigits); break;
        case 6: splitScaled<6>(r, integerPart, fractionDigits); break;
        case 7: splitScaled<7>(r, integerPart, fractionDigits); break;
        case 8: splitScaled<8>(r, integerPart, fractionDigits); break;
        default: splitScaled<9>(r, integerPart, fractionDigits); break;
      }
      return writeFixedText(x < 0, integerPart, fractionDigits, decimals, separator, buffer);
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
