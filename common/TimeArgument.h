// The TIME of --start and --end: an ISO 8601 date-time, or "+SECONDS"
// counted from the start of the log file. What it means in absolute time is
// known only once the file is loaded (its start) and the configuration says
// whether zone-less times are UTC.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct TimeArgument {
  enum class Kind {
    Zoned,      // "Z" or "+hh:mm" given: `ms` is since 1970 UTC
    ZoneLess,   // no zone: `ms` is the wall-clock time read as if it were UTC
    FromStart,  // "+SECONDS": `ms` is the offset from the file's start
  };
  Kind kind = Kind::Zoned;
  int64_t ms = 0;
  std::string text;  // as given, for messages
};

// Empty when `text` is neither form.
std::optional<TimeArgument> parseTimeArgument(const std::string& text);

// Milliseconds since 1970 UTC. A zone-less time is UTC when `utc` is set and
// the local time of this machine otherwise, the way the CSV shows times.
int64_t resolveTimeArgument(const TimeArgument& time, int64_t fileStartMs, bool utc);

// True when the two can be ordered without knowing the file or the zone
// choice, and `end` is before `start`.
bool endVisiblyBeforeStart(const TimeArgument& start, const TimeArgument& end);
