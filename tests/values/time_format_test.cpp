#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "values/Format.h"

using namespace zrl;

namespace {

std::string timeText(int64_t seconds, int32_t ns, char separator, bool withDate, bool withMs,
                     bool utc, bool dayFirst) {
  char out[kTimeTextCapacity];
  const int n = formatTime(seconds, ns, out, separator, withDate, withMs, utc, dayFirst);
  EXPECT_EQ(static_cast<std::size_t>(n), std::string(out).size());
  return out;
}

// Switches the process time zone for one test and restores it afterwards.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    const char* old = std::getenv("TZ");
    hadOld_ = old != nullptr;
    if (hadOld_) old_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (hadOld_) {
      setenv("TZ", old_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  bool hadOld_ = false;
  std::string old_;
};

TEST(FormatTime, UtcLayouts) {
  struct Case {
    int64_t seconds; int32_t ns; char sep; bool date; bool ms; bool dayFirst; const char* text;
  };
  const Case cases[] = {
      {0, 0, ' ', true, true, true, "01/01/1970 00:00:00.000"},
      {0, 0, ' ', true, true, false, "1970-01-01 00:00:00.000"},
      {0, 0, ' ', false, true, true, "00:00:00.000"},
      {0, 999999999, ';', true, true, true, "01/01/1970;00:00:00.999"},
      {1608903907, 250000000, ';', true, false, true, "25/12/2020;13:45:07"},
      {2147483647, 0, ',', true, false, true, "19/01/2038,03:14:07"},
      // Past the 32-bit limit of the calendar conversion.
      {2147483648LL, 0, ',', true, false, true, "19/01/2038,03:14:08"},
      {4102444800LL, 5000000, ' ', true, true, false, "2100-01-01 00:00:00.005"},
      {-1, 0, ' ', true, false, true, "31/12/1969 23:59:59"},
      {1608903907, 0, '%', true, false, true, "25/12/2020%13:45:07"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(timeText(c.seconds, c.ns, c.sep, c.date, c.ms, true, c.dayFirst), c.text)
        << c.seconds;
  }
}

TEST(FormatTime, TimeSpecOverloadMatches) {
  char out[kTimeTextCapacity];
  formatTime(TimeSpec32{1600000000, 123456789}, out, ' ', true, true, true, true);
  EXPECT_STREQ(out, "13/09/2020 12:26:40.123");
  EXPECT_EQ(formatTimeSpec(TimeSpec32{1600000000, 123456789}, '_', false, true),
            "13/09/2020_12:26:40");
}

TEST(FormatTime, FailedConversionGivesEmptyText) {
  // Far beyond any representable year.
  EXPECT_EQ(timeText(INT64_MAX, 0, ' ', true, true, true, true), "");
  EXPECT_EQ(timeText(INT64_MIN, 0, ' ', true, false, false, true), "");
  EXPECT_EQ(formatTimestampMs(UINT64_MAX, true, ';', true).size() < kTimeTextCapacity, true);
}

TEST(FormatTimestampMs, DateAndHourCells) {
  struct Case { uint64_t ms; bool withMs; char sep; const char* text; };
  const Case cases[] = {
      {1500, true, ',', "01/01/1970,00:00:01.500"},
      {1608903907250ULL, true, ';', "25/12/2020;13:45:07.250"},
      {1608903907250ULL, false, ',', "25/12/2020,13:45:07"},
      {4102444800999ULL, true, ';', "01/01/2100;00:00:00.999"},
      // Before 1970: the bits of a negative count, floored to the second.
      {uint64_t(-1), true, ';', "31/12/1969;23:59:59.999"},
      {uint64_t(-1000), true, ';', "31/12/1969;23:59:59.000"},
      {uint64_t(-1001), true, ';', "31/12/1969;23:59:58.999"},
      {uint64_t(-90000), false, ';', "31/12/1969;23:58:30"},
      {uint64_t(-2208988800000LL), true, ';', "01/01/1900;00:00:00.000"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(formatTimestampMs(c.ms, c.withMs, c.sep, true), c.text);
  }
}

TEST(FormatTimestampMs, LocalTimeFollowsDaylightSaving) {
  ScopedTimeZone zone("Europe/Paris");
  EXPECT_EQ(formatTimestampMs(1593000000000ULL, false, ';', false), "24/06/2020;14:00:00");
  EXPECT_EQ(formatTimestampMs(1608903907250ULL, true, ';', false), "25/12/2020;14:45:07.250");
  EXPECT_EQ(formatTimestampMs(1608903907250ULL, true, ';', true), "25/12/2020;13:45:07.250");
  // 2100 is summer-time free in January: UTC+1.
  EXPECT_EQ(formatTimestampMs(4102444800000ULL, false, ' ', false), "01/01/2100 01:00:00");
  EXPECT_EQ(localZoneLabel().front(), '(');
}

TEST(TimestampFormatter, SameTextAsFormatTimestampMs) {
  // Outside UTC, so that a local branch answering with UTC text (or the
  // reverse) shows.
  ScopedTimeZone zone("Europe/Paris");
  ASSERT_NE(formatTimestampMs(1608903907000ULL, false, ';', true),
            formatTimestampMs(1608903907000ULL, false, ';', false));
  TimestampFormatter formatter;
  // Runs of timestamps within a second, second changes, flag changes.
  const uint64_t base = 1608903907000ULL;
  const uint64_t stamps[] = {base,           base + 1,         base + 999,        base + 1000,
                             base + 1000,    base + 61999,     0,                 uint64_t(-1),
                             uint64_t(-999), uint64_t(-1000),  uint64_t(-1001),   base};
  for (bool utc : {true, false}) {
    for (char sep : {';', ','}) {
      for (bool withMs : {true, false}) {
        for (uint64_t ms : stamps) {
          EXPECT_EQ(formatter.format(ms, withMs, sep, utc), formatTimestampMs(ms, withMs, sep, utc))
              << ms;
        }
      }
    }
  }
}

TEST(TimestampFormatter, LocalTimeAcrossDaylightSavingChange) {
  ScopedTimeZone zone("Europe/Paris");
  TimestampFormatter formatter;
  // 2021-03-28 01:59:59 UTC+1 is followed by 03:00:00 UTC+2.
  const uint64_t beforeChange = 1616893199000ULL;
  EXPECT_EQ(formatter.format(beforeChange + 500, true, ';', false), "28/03/2021;01:59:59.500");
  EXPECT_EQ(formatter.format(beforeChange + 1000, true, ';', false), "28/03/2021;03:00:00.000");
}

// One formatter reused over the table, so that its per-second cache is
// exercised across seconds, zones and the 1970 boundary.
TEST(TimeColumnTexts, IsoEpochAndSecondsSinceStart) {
  ScopedTimeZone zone("Europe/Paris");
  IsoTimestampFormatter iso;
  const struct {
    int64_t ms;
    const char* isoUtc;
    const char* isoLocal;
    const char* epoch;
    const char* sinceStart;  // from 2026-03-14T09:26:53.000Z, ',' as separator
  } cases[] = {
      {1773480413250, "2026-03-14T09:26:53.250Z", "2026-03-14T10:26:53.250+01:00", "1773480413250", "0,250"},
      {1773480413999, "2026-03-14T09:26:53.999Z", "2026-03-14T10:26:53.999+01:00", "1773480413999", "0,999"},
      {1773480414000, "2026-03-14T09:26:54.000Z", "2026-03-14T10:26:54.000+01:00", "1773480414000", "1,000"},
      {1782907200000, "2026-07-01T12:00:00.000Z", "2026-07-01T14:00:00.000+02:00", "1782907200000", "9426787,000"},
      {1773480412500, "2026-03-14T09:26:52.500Z", "2026-03-14T10:26:52.500+01:00", "1773480412500", "-0,500"},
      {-500, "1969-12-31T23:59:59.500Z", "1970-01-01T00:59:59.500+01:00", "-500", "-1773480413,500"},
      {-1000, "1969-12-31T23:59:59.000Z", "1970-01-01T00:59:59.000+01:00", "-1000", "-1773480414,000"},
      {0, "1970-01-01T00:00:00.000Z", "1970-01-01T01:00:00.000+01:00", "0", "-1773480413,000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ms);
    const uint64_t bits = static_cast<uint64_t>(c.ms);
    EXPECT_EQ(iso.format(bits, true), c.isoUtc);
    EXPECT_EQ(iso.format(bits, false), c.isoLocal);
    char out[kTimeTextCapacity];
    EXPECT_EQ(std::string(out, static_cast<std::size_t>(formatEpochMs(bits, out))), c.epoch);
    EXPECT_EQ(std::string(out, static_cast<std::size_t>(formatSecondsSince(bits, 1773480413000, ',', out))),
              c.sinceStart);
  }
  // West of Greenwich, and a zone half an hour off.
  {
    ScopedTimeZone west("America/New_York");
    iso.reset();
    EXPECT_EQ(iso.format(1773480413250, false), "2026-03-14T05:26:53.250-04:00");
  }
  {
    ScopedTimeZone east("Asia/Kolkata");
    iso.reset();
    EXPECT_EQ(iso.format(1773480413250, false), "2026-03-14T14:56:53.250+05:30");
  }
  char out[kTimeTextCapacity];
  EXPECT_EQ(std::string(out, static_cast<std::size_t>(formatEpochMs(uint64_t{1} << 63, out))),
            "-9223372036854775808");
}

}  // namespace
