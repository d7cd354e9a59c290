// Date and time texts (see Format.h).
#include <cstring>
#include <ctime>

#include "values/Format.h"

namespace zrl {

namespace {

// Appends ".mmm" to the text of length `length` in `out`.
int appendMilliseconds(char* out, int length, int32_t nanoseconds) {
  int ms = nanoseconds / 1000000;
  if (ms < 0 || ms > 999) {
    // Out-of-range nanoseconds (never produced by our clocks) keep the
    // printf form of the truncated quotient.
    return length + formatBounded(out + length, kTimeTextCapacity - static_cast<std::size_t>(length),
                                  ".%03d", ms);
  }
  out[length] = '.';
  out[length + 1] = static_cast<char>('0' + ms / 100);
  out[length + 2] = static_cast<char>('0' + ms / 10 % 10);
  out[length + 3] = static_cast<char>('0' + ms % 10);
  out[length + 4] = '\0';
  return length + 4;
}

// Row times travel as the bits of a signed count of milliseconds: a time
// before 1970 is negative, and its second is the one that starts at or
// before it, its milliseconds counted on from there.
struct SplitMs {
  int64_t second;
  int32_t ms;
};

inline SplitMs splitMs(uint64_t bits) {
  const int64_t t = static_cast<int64_t>(bits);
  SplitMs split{t / 1000, static_cast<int32_t>(t % 1000)};
  if (split.ms < 0) {
    split.ms += 1000;
    --split.second;
  }
  return split;
}

}  // namespace

int formatTime(int64_t seconds, int32_t nanoseconds, char* out, char separator, bool withDate,
               bool withMs, bool utc, bool dayFirst) {
  out[0] = '\0';
  const std::time_t t = static_cast<std::time_t>(seconds);
  if (static_cast<int64_t>(t) != seconds) return 0;
  std::tm calendar{};
  if ((utc ? gmtime_r(&t, &calendar) : localtime_r(&t, &calendar)) == nullptr) return 0;

  char pattern[32];
  if (withDate) {
    // A '%' separator must not start a conversion of its own.
    const char* sep = separator == '%' ? "%%" : nullptr;
    char single[2] = {separator, '\0'};
    formatBounded(pattern, sizeof pattern, "%s%s%s", dayFirst ? "%d/%m/%Y" : "%Y-%m-%d",
                  sep ? sep : single, "%H:%M:%S");
  } else {
    std::memcpy(pattern, "%H:%M:%S", sizeof "%H:%M:%S");
  }
  // The room for ".mmm" stays free so that the milliseconds always fit.
  const std::size_t length = std::strftime(out, kTimeTextCapacity - 4, pattern, &calendar);
  if (length == 0) {
    out[0] = '\0';
    return 0;
  }
  if (!withMs) return static_cast<int>(length);
  return appendMilliseconds(out, static_cast<int>(length), nanoseconds);
}

int formatTime(const TimeSpec32& when, char* out, char separator, bool withDate, bool withMs,
               bool utc, bool dayFirst) {
  return formatTime(when.tv_sec, when.tv_nsec, out, separator, withDate, withMs, utc, dayFirst);
}

std::string formatTimestampMs(uint64_t ms, bool withMs, char separator, bool utc) {
  char text[kTimeTextCapacity];
  const SplitMs split = splitMs(ms);
  const int n = formatTime(split.second, split.ms * 1000000, text, separator, true, withMs, utc, true);
  return std::string(text, static_cast<std::size_t>(n));
}

int TimestampFormatter::format(uint64_t ms, bool withMs, char separator, bool utc, char* out) {
  const SplitMs split = splitMs(ms);
  const int64_t second = split.second;
  if (!valid_ || second != second_ || separator != separator_ || utc != utc_) {
    length_ = formatTime(second, 0, text_, separator, true, false, utc, true);
    second_ = second;
    separator_ = separator;
    utc_ = utc;
    valid_ = true;
  }
  if (length_ == 0) {
    out[0] = '\0';
    return 0;
  }
  std::memcpy(out, text_, static_cast<std::size_t>(length_) + 1);
  if (!withMs) return length_;
  return appendMilliseconds(out, length_, split.ms * 1000000);
}

std::string TimestampFormatter::format(uint64_t ms, bool withMs, char separator, bool utc) {
  char text[kTimeTextCapacity];
  const int n = format(ms, withMs, separator, utc, text);
  return std::string(text, static_cast<std::size_t>(n));
}

int IsoTimestampFormatter::format(uint64_t ms, bool utc, char* out) {
  const SplitMs split = splitMs(ms);
  if (!valid_ || split.second != second_ || utc != utc_) {
    second_ = split.second;
    utc_ = utc;
    valid_ = true;
    length_ = 0;
    zoneLength_ = 0;
    const std::time_t t = static_cast<std::time_t>(split.second);
    std::tm calendar{};
    if (static_cast<int64_t>(t) == split.second &&
        (utc ? gmtime_r(&t, &calendar) : localtime_r(&t, &calendar)) != nullptr) {
      // Room stays for ".mmm" and the longest zone ("+hh:mm:ss").
      length_ = static_cast<int>(std::strftime(text_, kTimeTextCapacity - 14, "%Y-%m-%dT%H:%M:%S", &calendar));
    }
    if (length_ != 0 && utc) {
      zone_[0] = 'Z';
      zoneLength_ = 1;
    } else if (length_ != 0) {
      const long offset = calendar.tm_gmtoff;
      const long magnitude = offset < 0 ? -offset : offset;
      const long hours = magnitude / 3600;
      const long minutes = magnitude / 60 % 60;
      const long seconds = magnitude % 60;
      zoneLength_ = seconds == 0 ? formatBounded(zone_, sizeof zone_, "%c%02ld:%02ld", offset < 0 ? '-' : '+',
                                                 hours, minutes)
                                 : formatBounded(zone_, sizeof zone_, "%c%02ld:%02ld:%02ld",
                                                 offset < 0 ? '-' : '+', hours, minutes, seconds);
    }
  }
  if (length_ == 0) {
    out[0] = '\0';
    return 0;
  }
  std::memcpy(out, text_, static_cast<std::size_t>(length_));
  const int length = appendMilliseconds(out, length_, split.ms * 1000000);
  std::memcpy(out + length, zone_, static_cast<std::size_t>(zoneLength_) + 1);
  return length + zoneLength_;
}

std::string IsoTimestampFormatter::format(uint64_t ms, bool utc) {
  char text[kTimeTextCapacity];
  const int n = format(ms, utc, text);
  return std::string(text, static_cast<std::size_t>(n));
}

namespace {

// "-" when `negative`, then the digits of `magnitude`.
int formatSigned(bool negative, uint64_t magnitude, char* out) {
  if (negative) *out = '-';
  return (negative ? 1 : 0) + formatUInt64(magnitude, out + (negative ? 1 : 0));
}

}  // namespace

int formatEpochMs(uint64_t ms, char* out) {
  const bool negative = static_cast<int64_t>(ms) < 0;
  return formatSigned(negative, negative ? 0 - ms : ms, out);
}

int formatSecondsSince(uint64_t ms, int64_t originMs, char decimalSeparator, char* out) {
  // Wrapping difference: only absurd clocks are ~2^63 ms apart.
  const uint64_t difference = ms - static_cast<uint64_t>(originMs);
  const bool negative = static_cast<int64_t>(difference) < 0;
  const uint64_t magnitude = negative ? 0 - difference : difference;
  int length = formatSigned(negative, magnitude / 1000, out);
  const unsigned thousandths = static_cast<unsigned>(magnitude % 1000);
  out[length] = decimalSeparator;
  out[length + 1] = static_cast<char>('0' + thousandths / 100);
  out[length + 2] = static_cast<char>('0' + thousandths / 10 % 10);
  out[length + 3] = static_cast<char>('0' + thousandths % 10);
  out[length + 4] = '\0';
  return length + 4;
}

std::string formatTimeSpec(const TimeSpec32& when, char separator, bool withMs, bool utc) {
  char text[kTimeTextCapacity];
  const int n = formatTime(when, text, separator, true, withMs, utc, true);
  return std::string(text, static_cast<std::size_t>(n));
}

std::string currentLocalTimeText() {
  std::timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  char text[kTimeTextCapacity];
  const int n = formatTime(static_cast<int64_t>(now.tv_sec), static_cast<int32_t>(now.tv_nsec), text,
                           ' ', true, true, false, true);
  return std::string(text, static_cast<std::size_t>(n));
}

std::string localZoneLabel() {
  const std::time_t now = std::time(nullptr);
  std::tm calendar{};
  if (localtime_r(&now, &calendar) == nullptr) return std::string();
  char text[64];
  const std::size_t n = std::strftime(text, sizeof text, "(%Z%z)", &calendar);
  return std::string(text, n);
}

}  // namespace zrl
