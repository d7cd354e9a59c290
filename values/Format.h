// Number and time text conversions used for every CSV cell.
//
// The number conversions are hand written: no locale, no exponent, a
// caller-chosen decimal separator, single precision arithmetic. They write
// into a caller buffer, add a terminating NUL and return the number of
// characters written (without the NUL). They never allocate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zrl {

// A timestamp as stored in log files and in TimeStamp values: 32-bit seconds
// since 1970-01-01 UTC and 32-bit nanoseconds. (Not POSIX `timespec`, whose
// seconds are 64-bit on this platform.)
struct TimeSpec32 {
  int32_t tv_sec;
  int32_t tv_nsec;
};

// Buffer sizes (NUL included) that always suffice.
constexpr std::size_t kUInt64TextCapacity = 21;  // 20 digits
// formatInt: sign + max(10, minWidth) digits + NUL.
constexpr std::size_t kIntTextCapacity = 12;  // for minWidth <= 10
// formatFixed with minIntWidth <= 39: sign, 39 integer digits (FLT_MAX),
// separator, 9 decimals, NUL.
constexpr std::size_t kFixedTextCapacity = 64;
// formatTime / TimestampFormatter / IsoTimestampFormatter output (longest
// normal text is 29 characters, an ISO text with a zone of "+hh:mm:ss"; years
// beyond 9999 need a few more).
constexpr std::size_t kTimeTextCapacity = 40;

// Decimal digits of `value`; "0" for zero. At most 20 characters.
int formatUInt64(uint64_t value, char* buffer);

// Optional "-" then the digits of |value|, left-padded with zeros to at least
// `minWidth` digits (the sign is not counted: -5 with width 3 is "-005").
// The buffer needs max(minWidth, 10) + 2 bytes.
int formatInt(int32_t value, char* buffer, unsigned minWidth = 0);

// Fixed-point text of `x` with `decimals` digits after `separator`, rounded
// half away from zero, integer part zero-padded to `minIntWidth` digits.
// Decimals above 9 are treated as 9. A negative value that rounds to zero
// keeps its sign ("-0", "-0.0"). Infinities and NaN are the caller's concern
// (the value type prints "nan" for them); here they give "nan" as well.
// The buffer needs kFixedTextCapacity bytes (more when minIntWidth > 39).
int formatFixed(float x, char* buffer, char separator, int decimals, int minIntWidth = 0);

// Decimals of a Float or Double cell in float format `floatFormat`: the
// variable's own `decimals` for 0, else 1, 3, 5, 7 for 1-4 and 8 for others.
inline int floatDigits(int floatFormat, int decimals) {
  switch (floatFormat) {
    case 0: return decimals;
    case 1: return 1;
    case 2: return 3;
    case 3: return 5;
    case 4: return 7;
    default: return 8;
  }
}

// Fixed-point text of a double with `decimals` digits (0-9, as formatFixed)
// after `separator`, correctly rounded as printf's "%.*f" rounds it, with
// no exponent; "nan" for infinities and NaN. A zero has no sign; a negative
// value that rounds to zero keeps it, as formatFixed does. The buffer needs
// 328 bytes (309 integer digits at most).
int formatDoubleFixed(double x, char* buffer, char separator, int decimals);

// snprintf into a buffer of `size` bytes, with snprintf's return value.
int formatBounded(char* buffer, std::size_t size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// Date and time text of a moment given as seconds since 1970-01-01 UTC (64-bit,
// so dates after January 2038 are right) and nanoseconds:
//   withDate: date, `separator`, time; the date is "%d/%m/%Y" when dayFirst,
//             "%Y-%m-%d" otherwise; the time is "%H:%M:%S".
//   withMs:   ".mmm" (nanoseconds / 1000000, truncated) is appended.
//   utc:      UTC calendar, otherwise the local time zone (TZ).
// `out` needs kTimeTextCapacity bytes. Returns the length; when the calendar
// conversion fails the text is empty and 0 is returned.
int formatTime(int64_t seconds, int32_t nanoseconds, char* out, char separator, bool withDate,
               bool withMs, bool utc, bool dayFirst);
int formatTime(const TimeSpec32& when, char* out, char separator, bool withDate, bool withMs,
               bool utc, bool dayFirst);

// Date, separator, time (day-first) of a moment in milliseconds since
// 1970-01-01 UTC, e.g. "25/12/2020;13:45:07.250"; `ms` holds the bits of a
// signed count, so a moment before 1970 is negative. The CSV writer passes its
// column separator, so the text fills the "Date" and "Hour" cells.
std::string formatTimestampMs(uint64_t ms, bool withMs, char separator, bool utc);

// Same text as formatTimestampMs, for a stream of timestamps: the date and
// time part is computed once per second and reused while the second, the
// separator and the UTC flag stay the same, so consecutive rows are cheap.
// One object per writer (not thread-safe; no shared state between objects).
// The local-time cache assumes the process time zone does not change while
// the formatter is in use; call reset() after changing TZ.
class TimestampFormatter {
 public:
  // Writes into `out` (kTimeTextCapacity bytes); returns the length.
  int format(uint64_t ms, bool withMs, char separator, bool utc, char* out);
  std::string format(uint64_t ms, bool withMs, char separator, bool utc);
  void reset() { valid_ = false; }

 private:
  bool valid_ = false;
  int64_t second_ = 0;
  char separator_ = 0;
  bool utc_ = false;
  int length_ = 0;  // length of text_ (date, separator, time)
  char text_[kTimeTextCapacity] = {};
};

// ISO 8601 text of a moment in milliseconds since 1970 (the bits of a signed
// count, as formatTimestampMs takes them), with milliseconds and the zone:
// "2026-03-14T09:26:53.250Z" in UTC, "2026-03-14T10:26:53.250+01:00" in
// local time (an offset with seconds, as old local mean times have, gets
// ":ss" too). The date and time part and the zone are computed once per
// second, as TimestampFormatter does; the same cautions apply.
class IsoTimestampFormatter {
 public:
  // Writes into `out` (kTimeTextCapacity bytes); returns the length, 0
  // when the calendar conversion fails.
  int format(uint64_t ms, bool utc, char* out);
  std::string format(uint64_t ms, bool utc);
  void reset() { valid_ = false; }

 private:
  bool valid_ = false;
  int64_t second_ = 0;
  bool utc_ = false;
  int length_ = 0;      // of text_: "2026-03-14T09:26:53"
  int zoneLength_ = 0;  // of zone_: "Z", "+01:00"
  char text_[kTimeTextCapacity] = {};
  char zone_[12] = {};
};

// Milliseconds since 1970 as a signed integer text ("-1500" for 1969).
// `out` needs kTimeTextCapacity bytes.
int formatEpochMs(uint64_t ms, char* out);

// Seconds from `originMs` to `ms` (both signed counts), three decimals after
// `decimalSeparator`, "-" before an earlier moment: "12.250", "-0.500".
// `out` needs kTimeTextCapacity bytes.
int formatSecondsSince(uint64_t ms, int64_t originMs, char decimalSeparator, char* out);

// Date and time text of a TimeStamp pair, date first, day-first.
std::string formatTimeSpec(const TimeSpec32& when, char separator, bool withMs, bool utc);

// The current wall-clock time in local time: "dd/mm/yyyy hh:mm:ss.mmm".
std::string currentLocalTimeText();

// "(%Z%z)" of the current local time, e.g. "(CET+0100)".
std::string localZoneLabel();

}  // namespace zrl
