// The text of the batch progress line.
#include <gtest/gtest.h>

#include "task/TerminalProgress.h"

namespace {

TEST(TerminalProgress, PercentRateAndTimeLeft) {
  struct Case {
    uint64_t done, total;
    double seconds;
    const char* text;
  } cases[] = {
      {0, 1000, 0.0, "  0%      0.0 MB/s  --:-- left"},
      {25000000, 100000000, 2.0, " 25%     12.5 MB/s  0:06 left"},
      {1000000, 9000000000, 1.0, "  0%      1.0 MB/s  2:29:59 left"},
      {100, 100, 0.5, "100%      0.0 MB/s  0:00 left"},
      {150, 100, 1.0, "100%      0.0 MB/s  0:00 left"},  // past the stored size: never above 100%
  };
  for (const Case& c : cases) EXPECT_EQ(progressLineText(c.done, c.total, c.seconds), c.text) << c.text;
}

}  // namespace
