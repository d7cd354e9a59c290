// Progress of a running decode as the window and the console see it.
#pragma once

#include <cstdint>

// Percentage of `bytesRead` in `totalBytes`, rounded half up; 0 when the
// total is unknown (0).
int progressPercentFor(std::uint64_t bytesRead, std::uint64_t totalBytes);

// The verbose console shows 0-5% one by one and then every fifth percent,
// each once. Remembers the last percentage shown for the whole process.
// Returns true when `percent` is to be printed now.
bool takeVerbosePercent(int percent);
// Forgets the last percentage shown (for tests).
void resetVerbosePercent();
