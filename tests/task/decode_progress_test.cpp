// Percentages and the verbose progress line.
#include <gtest/gtest.h>

#include <vector>

#include "task/DecodeProgress.h"

namespace {

TEST(DecodeProgress, PercentRoundsHalfUpAndSurvivesZeroTotal) {
  EXPECT_EQ(progressPercentFor(0, 0), 0);
  EXPECT_EQ(progressPercentFor(5, 0), 0);
  EXPECT_EQ(progressPercentFor(0, 1000), 0);
  EXPECT_EQ(progressPercentFor(4, 1000), 0);
  EXPECT_EQ(progressPercentFor(5, 1000), 1);
  EXPECT_EQ(progressPercentFor(995, 1000), 100);
  EXPECT_EQ(progressPercentFor(1000, 1000), 100);
  EXPECT_EQ(progressPercentFor(850805, 1701610), 50);
  // Large files: no overflow on the way.
  EXPECT_EQ(progressPercentFor(1ULL << 40, 1ULL << 41), 50);
}

TEST(DecodeProgress, VerboseShowsSmallStepsThenEveryFifth) {
  resetVerbosePercent();
  std::vector<int> shown;
  for (int percent : {0, 0, 1, 2, 2, 3, 4, 5, 6, 7, 9, 10, 10, 11, 14, 15, 17, 21, 25, 100}) {
    if (takeVerbosePercent(percent)) shown.push_back(percent);
  }
  EXPECT_EQ(shown, (std::vector<int>{1, 2, 3, 4, 5, 10, 15, 25, 100}));
  // A following decode starts again from the bottom.
  EXPECT_TRUE(takeVerbosePercent(0));
  resetVerbosePercent();
}

}  // namespace
