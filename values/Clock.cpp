// Clock helpers (see Clock.h).
#include "values/Clock.h"

#include <cerrno>

namespace zrl {

namespace {

clockid_t clockId(ClockKind clock) {
  return clock == ClockKind::RealTime ? CLOCK_REALTIME : CLOCK_MONOTONIC;
}

}  // namespace

timespec clockNow(ClockKind clock) {
  timespec now{};
  clock_gettime(clockId(clock), &now);
  return now;
}

int64_t realTimeMs() {
  const timespec now = clockNow(ClockKind::RealTime);
  return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void sleepUntil(ClockKind clock, const timespec& until) {
  while (clock_nanosleep(clockId(clock), TIMER_ABSTIME, &until, nullptr) == EINTR) {
  }
}

void sleepMicroseconds(uint64_t microseconds, ClockKind clock) {
  timespec delay{};
  delay.tv_sec = static_cast<time_t>(microseconds / 1000000);
  delay.tv_nsec = static_cast<long>(microseconds % 1000000) * 1000;
  timespec remaining{};
  while (clock_nanosleep(clockId(clock), 0, &delay, &remaining) == EINTR) delay = remaining;
}

}  // namespace zrl
