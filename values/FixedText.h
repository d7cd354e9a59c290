// The fixed-point conversion of Format.h's formatFixed (width 0) and
// formatDoubleFixed, inline for the CSV writer, which converts tens of
// millions of numbers per decode: in its loop the call, the checks it has
// already made and the spilling of registers would cost a third of the
// conversion.
//
// Digits are made eight at a time in the lanes of one 64-bit word and
// stored in eight-byte pieces, so every function here stores up to 8 bytes
// past the text's end before its NUL: `out` needs the text's length plus 9.
#pragma once

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace zrl {
namespace fixedtext {

// The eight decimal digits of `v` (< 10^8), zero-padded, as eight ASCII
// bytes whose little-endian store puts the first digit first. Both halves
// of four digits are split at once in the lanes of one 64-bit word: a few
// multiplications instead of a chain of divisions.
inline uint64_t eightDigits(uint32_t v) {
  static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "digits are stored as words");
  const uint64_t halves = static_cast<uint64_t>(v / 10000) | (static_cast<uint64_t>(v % 10000) << 32);
  const uint64_t high = ((halves * 10486) >> 20) & ((0x7FULL << 32) | 0x7FULL);  // / 100
  const uint64_t pairs = ((halves - 100 * high) << 16) + high;  // 16-bit lanes of 0-99
  uint64_t tens = ((pairs * 103) >> 10) & 0x000F000F000F000FULL;  // / 10
  tens += (pairs - 10 * tens) << 8;
  return tens + 0x3030303030303030ULL;
}

// The same for four digits of `v` (< 10^4), in a 32-bit word.
inline uint32_t fourDigits(uint32_t v) {
  const uint32_t high = (v * 5243) >> 19;  // / 100
  const uint32_t pairs = ((v - 100 * high) << 16) | high;
  uint32_t tens = ((pairs * 103) >> 10) & 0x000F000FU;  // / 10
  tens += (pairs - 10 * tens) << 8;
  return tens + 0x30303030U;
}

// Stores the last `n` (1-8) digits of an eightDigits() word at `out`; the
// bytes stored past them are overwritten by what follows.
inline char* storeLastDigits(uint64_t digits, unsigned n, char* out) {
  digits >>= 8 * (8 - n);
  std::memcpy(out, &digits, 8);
  return out + n;
}

constexpr uint32_t kPowersOfTen[10] = {1,      10,      100,      1000,      10000,
                                       100000, 1000000, 10000000, 100000000, 1000000000};

// Digits of `v` (< 10^8, zero giving "0").
inline unsigned shortDigitCount(uint32_t v) {
  v |= 1;  // no power of ten is odd: the count stays, and zero has one digit
  const unsigned estimate = ((32 - static_cast<unsigned>(__builtin_clz(v))) * 1233) >> 12;
  return estimate + (v >= kPowersOfTen[estimate] ? 1 : 0);
}

// The digits of `w` (< 10^8) at `p`; returns where they end.
inline char* writeShortWhole(uint32_t w, char* p) {
  if (w < 10000) {
    // Most integer parts are short: half the work. The leading zeros are
    // the '0' bytes first in the word (their low half is 0); the last digit
    // counts even when it is one.
    uint32_t digits = fourDigits(w);
    const unsigned zeros = static_cast<unsigned>(__builtin_ctz((digits & 0x0F0F0F0FU) | 0x0F000000U)) >> 3;
    digits >>= 8 * zeros;
    std::memcpy(p, &digits, 4);
    return p + (4 - zeros);
  }
  return storeLastDigits(eightDigits(w), shortDigitCount(w), p);
}

// formatInt(value, out, 0).
inline int formatInteger(int32_t value, char* out) {
  char* p = out;
  *p = '-';
  p += value < 0 ? 1 : 0;
  const uint32_t magnitude = value < 0 ? 0U - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
  if (magnitude < 100000000) {
    p = writeShortWhole(magnitude, p);
  } else {
    p = writeShortWhole(magnitude / 100000000, p);  // 1 to 21
    p = storeLastDigits(eightDigits(magnitude % 100000000), 8, p);
  }
  *p = '\0';
  return static_cast<int>(p - out);
}

// writeFixedText for an integer part of 10^8 or more or 9 decimals.
int writeLongFixedText(bool negative, uint64_t whole, uint32_t fraction, int decimals,
                       char separator, char* out);

// "-" when `negative`, the digits of `whole`, then `separator` and exactly
// `decimals` (0-9) digits of `fraction` (< 10^decimals) unless `decimals` is
// 0. Returns the length and NUL-terminates.
inline int writeFixedText(bool negative, uint64_t whole, uint32_t fraction, int decimals,
                          char separator, char* out) {
  if (whole >= 100000000 || decimals == 9)
    return writeLongFixedText(negative, whole, fraction, decimals, separator, out);
  char* p = out;
  *p = '-';
  p += negative ? 1 : 0;
  p = writeShortWhole(static_cast<uint32_t>(whole), p);
  if (decimals > 0) {
    *p++ = separator;
    p = storeLastDigits(eightDigits(fraction), static_cast<unsigned>(decimals), p);
  }
  *p = '\0';
  return static_cast<int>(p - out);
}

// formatFixed of a float of 2^31 or more in magnitude, the integer part
// zero-padded to `minIntWidth` digits.
int formatLargeFloat(float x, char* out, char separator, int decimals, unsigned minIntWidth = 0);

// The integer part and the `decimals` (0-9) fraction digits of a finite
// float below 2^31 in magnitude, rounded half away from zero; the integer
// part carries the sign (and is 0 for a negative value that rounds to it).
inline void splitFloat(float x, int decimals, int32_t& whole, uint32_t& fraction) {
  static constexpr float kScales[10] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f};
  int32_t ip = static_cast<int32_t>(x);
  // The fraction of a float is exact; its scaled value is rounded to float.
  const float scaled = std::fabs(x - static_cast<float>(ip)) * kScales[decimals];
  // Round half away from zero (scaled >= 0): scaled + 0.5 is exact in
  // double precision, so truncating it rounds as roundf would, in fewer
  // steps than taking the fraction apart.
  uint32_t r = static_cast<uint32_t>(static_cast<int64_t>(static_cast<double>(scaled) + 0.5));
  if (r == kPowersOfTen[decimals]) {
    ip = x < 0 ? ip - 1 : ip + 1;
    r = 0;
  }
  whole = ip;
  fraction = r;
}

// formatFixed(x, out, separator, decimals, 0) for `decimals` in 0-9.
inline int formatFloat(float x, char* out, char separator, int decimals) {
  const float magnitude = std::fabs(x);
  if (!(magnitude <= FLT_MAX)) {
    std::memcpy(out, "nan", 4);
    return 3;
  }
  if (magnitude >= 2147483648.0f) return formatLargeFloat(x, out, separator, decimals);
  int32_t ip = 0;
  uint32_t r = 0;
  splitFloat(x, decimals, ip, r);
  // A negative value that rounds to zero keeps its sign.
  const uint32_t m = ip < 0 ? 0U - static_cast<uint32_t>(ip) : static_cast<uint32_t>(ip);
  return writeFixedText(x < 0, m, r, decimals, separator, out);
}

// formatDouble near a rounding tie, or of 2^52 or more once scaled.
int formatDoubleExactly(double x, char* out, char separator, int decimals);

// Integer and fraction digits of a value scaled by 10^D: the divisor known
// at compile time turns both divisions into multiplications.
template <int D>
inline void splitScaled(uint64_t scaled, uint64_t& whole, uint32_t& fraction) {
  constexpr uint64_t scale = kPowersOfTen[D];
  whole = scaled / scale;
  fraction = static_cast<uint32_t>(scaled % scale);
}

// formatDoubleFixed(x, out, separator, decimals) for `decimals` in 0-9.
inline int formatDouble(double x, char* out, char separator, int decimals) {
  if (!std::isfinite(x)) {
    std::memcpy(out, "nan", 4);
    return 3;
  }
  if (x == 0) x = 0.0;  // -0.0 prints as a float zero does
  // Most values: |x| * 10^decimals in double precision is off by at most
  // half an ulp, so unless it lies that close to a rounding tie, rounding it
  // gives the correctly rounded digits, and integer arithmetic writes them.
  static constexpr double kScales[10] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
  const double scaled = std::fabs(x) * kScales[decimals];
  if (scaled < 4503599627370496.0) {  // 2^52: the fraction is still held
    const uint64_t whole = static_cast<uint64_t>(scaled);  // floor, for scaled >= 0
    const double fraction = scaled - static_cast<double>(whole);  // exact
    if (std::fabs(fraction - 0.5) > scaled * 0x1p-52) {
      const uint64_t r = whole + (fraction > 0.5 ? 1 : 0);
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
      return writeFixedText(x < 0, integerPart, fractionDigits, decimals, separator, out);
    }
  }
  return formatDoubleExactly(x, out, separator, decimals);
}

}  // namespace fixedtext
}  // namespace zrl
