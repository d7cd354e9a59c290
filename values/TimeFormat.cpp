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
