#include "task/DecodeProgress.h"

#include <atomic>

namespace {

std::atomic<int> lastPrintedPercent{0};

}  // namespace

int progressPercentFor(std::uint64_t bytesRead, std::uint64_t totalBytes) {
  if (totalBytes == 0) return 0;
  // The counts go through single precision first, like the figures the
  // window has always shown; the division itself is done wide.
  const long double read = static_cast<float>(bytesRead);
  const long double total = static_cast<float>(totalBytes);
  return static_cast<int>(read / total * 100.0L + 0.5L);
}

bool takeVerbosePercent(int percent) {
  if (percent == lastPrintedPercent.load()) return false;
  if (percent % 5 != 0 && percent > 5) return false;
  lastPrintedPercent.store(percent);
  return true;
}

void resetVerbosePercent() { lastPrintedPercent.store(0); }
