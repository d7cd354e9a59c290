// The time bins of a resampled decode: the clock that aligns them, the
// buffer that gathers each column's samples in the open bin, and the
// aggregation that reduces them to one value per column when it closes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "decode/BinColumn.h"
#include "decode/DecodeSettings.h"
#include "values/DataValue.h"

namespace zrl {

// One value from a bin's samples (in arrival order) with an aggregation
// method (a value outside the list is Median). An empty list gives an
// UnknownDt value.
NodeDataValue aggregate(const std::vector<NodeDataValue>& samples, AggregationMethod method);

// Bins are aligned to whole multiples of the period since 1970-01-01 UTC.
class BinClock {
 public:
  // Starts the first bin at `fileStartMs` rounded down to the period.
  void start(int64_t fileStartMs, int64_t periodMs);
  // Opens the bin that holds `t` (when the time window opens).
  void openAt(int64_t t);
  // For a new timestamp: when `t` lies outside the open bin, closes it,
  // gives the closed bin's middle as the row time, and opens the bin that
  // holds `t`. After a gap the next row thus carries the time of its data.
  bool closeBin(int64_t t, int64_t& rowMs);
  int64_t binStart() const { return binStart_; }
  // The row time of the open bin.
  int64_t middle() const;

 private:
  int64_t binStart_ = 0;
  int64_t periodMs_ = 0;
};

// The samples of the open bin, one column each. Storage is kept from one
// bin to the next, so steady resampling does not allocate.
class SamplingBuffer {
 public:
  // Most a bin may hold in samples kept for a Median; beyond it the bin's
  // result could not be trusted to fit in memory.
  static constexpr std::size_t kDefaultLimitBytes = std::size_t{64} << 20;

  void reset(std::size_t columns, AggregationMethod method, std::size_t limitBytes = kDefaultLimitBytes);
  // Takes a sample; an Integer or Float that is NaN or beyond the single
  // precision range is dropped. False when the bin has outgrown its limit.
  bool add(std::size_t column, const DataValue& value);
  // Aggregates every column that has samples, hands (column, value) to
  // `consume`, and empties the buffer.
  template <typename Consume>
  void drain(Consume&& consume) {
    for (const std::size_t column : active_) {
      consume(column, columns_[column].result());
      columns_[column].clear();
      if (storedBytes_ != 0) columns_[column].trimStorage();
    }
    active_.clear();
    storedBytes_ = 0;
  }
  bool empty() const { return active_.empty(); }

 private:
  std::vector<BinColumn> columns_;
  std::vector<std::size_t> active_;  // columns with samples, first arrival first
  std::size_t storedBytes_ = 0;
  std::size_t limitBytes_ = kDefaultLimitBytes;
};

}  // namespace zrl
