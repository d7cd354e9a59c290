// What a log holds beyond its head, from one pass over its record stream:
// per variable its sample count, first and last time and, for numbers, the
// smallest and largest value; per log its record and timestamp counts.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zrl {

struct VariableStatistics {
  uint64_t samples = 0;
  int64_t firstMs = 0;  // times of the first and last sample
  int64_t lastMs = 0;
  bool hasRange = false;  // a finite number was seen: minimum and maximum hold
  double minimum = 0;
  double maximum = 0;
};

struct LogStatistics {
  bool complete = false;  // the whole stream was read
  std::string error;      // why not, when it was not cancelled
  uint64_t records = 0;   // value and timestamp records
  uint64_t timestamps = 0;
  std::vector<VariableStatistics> variables;  // by variable id
};

// (bytes read, total bytes) now and then, and at the end.
using StatisticsProgress = std::function<void(uint64_t, uint64_t)>;

LogStatistics computeLogStatistics(const std::string& logPath, const std::atomic<bool>& cancel,
                                   const StatisticsProgress& progress = {});

}  // namespace zrl
