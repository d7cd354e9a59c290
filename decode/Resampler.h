// Resampling: values are gathered per column into the open bin of a fixed
// period and reduced to one value per column when the bin closes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "values/DataValue.h"

namespace zrl {

// One value from a bin's samples (in arrival order) with an aggregation
// method (MethodMedian ... MethodLast; any other code is Median). An empty
// list gives an UnknownDt value. `scratch` is reused for sorting.
NodeDataValue aggregate(const std::vector<NodeDataValue>& samples, int32_t method,
                        std::vector<NodeDataValue>& scratch);
NodeDataValue aggregate(const std::vector<NodeDataValue>& samples, int32_t method);

// Bins are aligned to whole multiples of the period since 1970-01-01 UTC.
class BinClock {
 public:
  // Starts the first bin at `fileStartMs` rounded down to the period.
  void start(int64_t fileStartMs, int64_t periodMs);
  // For a new timestamp: closes the open bin when `t` is at least one period
  // past its start (at most one bin per call) and gives the closed bin's
  // middle as the row time.
  bool closeBin(uint64_t t, uint64_t& rowMs);
  uint64_t binStart() const { return binStart_; }

 private:
  uint64_t binStart_ = 0;
  uint64_t periodMs_ = 0;
};

// The samples of the open bin, one list per column. Storage is kept from
// one bin to the next, so steady resampling does not allocate.
class SamplingBuffer {
 public:
  void reset(std::size_t columns);
  // Appends a sample; an Integer or Float that is NaN or beyond the single
  // precision range is dropped.
  void add(std::size_t column, const NodeDataValue& value);
  // Aggregates every column that has samples, hands (column, value) to
  // `consume`, and empties the buffer.
  template <typename Consume>
  void drain(int32_t method, Consume&& consume) {
    for (const std::size_t column : active_) {
      consume(column, aggregate(lists_[column], method, scratch_));
      lists_[column].clear();
    }
    active_.clear();
  }
  bool empty() const { return active_.empty(); }

 private:
  std::vector<std::vector<NodeDataValue>> lists_;
  std::vector<std::size_t> active_;  // columns with samples, first arrival first
  std::vector<NodeDataValue> scratch_;
};

}  // namespace zrl
