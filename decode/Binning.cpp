#include "decode/Binning.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace zrl {

namespace {

// Times come from the file unchecked, so the bin arithmetic wraps (in
// unsigned form) rather than overflow at the ends of the 64-bit range.
int64_t wrapped(uint64_t v) { return static_cast<int64_t>(v); }

// Start of the period that holds `t`, for times before 1970 too.
int64_t periodStart(int64_t t, int64_t periodMs) {
  int64_t offset = t % periodMs;
  if (offset < 0) offset += periodMs;
  return wrapped(static_cast<uint64_t>(t) - static_cast<uint64_t>(offset));
}

bool outOfRange(const DataValue& value) {
  if (value.type == DataValueKind::Double) {
    double d;
    std::memcpy(&d, value.value, sizeof d);
    return !std::isfinite(d);
  }
  if (value.type != DataValueKind::Float) return false;  // every Integer is in range
  float f;
  std::memcpy(&f, value.value, sizeof f);
  return !(std::fabs(f) <= std::numeric_limits<float>::max());
}

}  // namespace

NodeDataValue aggregate(const std::vector<NodeDataValue>& samples, AggregationMethod method) {
  BinColumn column;
  column.reset(method);
  for (const NodeDataValue& sample : samples) column.add(sample);
  return column.result();
}

void BinClock::start(int64_t fileStartMs, int64_t periodMs) {
  periodMs_ = periodMs;
  binStart_ = fileStartMs;
  openAt(fileStartMs);
}

void BinClock::openAt(int64_t t) {
  if (periodMs_ > 0) binStart_ = periodStart(t, periodMs_);
}

bool BinClock::closeBin(int64_t t, int64_t& rowMs) {
  if (t >= binStart_ && static_cast<uint64_t>(t) - static_cast<uint64_t>(binStart_) <
                            static_cast<uint64_t>(periodMs_)) {
    return false;
  }
  rowMs = middle();
  openAt(t);
  return true;
}

int64_t BinClock::middle() const {
  return wrapped(static_cast<uint64_t>(binStart_) + static_cast<uint64_t>(periodMs_ / 2));
}

void SamplingBuffer::reset(std::size_t columns, AggregationMethod method, std::size_t limitBytes) {
  columns_.resize(columns);
  for (BinColumn& column : columns_) column.reset(method);
  active_.clear();
  storedBytes_ = 0;
  limitBytes_ = limitBytes;
}

bool SamplingBuffer::add(std::size_t column, const DataValue& value) {
  if (outOfRange(value)) return true;
  BinColumn& bin = columns_[column];
  if (bin.empty()) active_.push_back(column);
  const std::size_t before = bin.storedBytes();
  bin.add(value);
  storedBytes_ += bin.storedBytes() - before;
  return storedBytes_ <= limitBytes_;
}

}  // namespace zrl
