// Real-time and monotonic clock helpers.
#pragma once

#include <cstdint>
#include <ctime>

namespace zrl {

enum class ClockKind { RealTime, Monotonic };

// Current time of the clock.
timespec clockNow(ClockKind clock);
// Milliseconds since 1970-01-01 UTC of the real-time clock.
int64_t realTimeMs();
// Sleeps until the absolute time `until` of the clock (interrupted sleeps
// resume).
void sleepUntil(ClockKind clock, const timespec& until);
// Sleeps for `microseconds` on the clock.
void sleepMicroseconds(uint64_t microseconds, ClockKind clock = ClockKind::Monotonic);

}  // namespace zrl
