#include "decode/Resampler.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "decode/DecodeSettings.h"

namespace zrl {

namespace {

// Doubles are ordered and averaged as doubles: no sample loses the digits
// single precision would cut.
NodeDataValue doubleMedian(const std::vector<NodeDataValue>& samples) {
  std::vector<double> keys;
  keys.reserve(samples.size());
  for (const NodeDataValue& s : samples) keys.push_back(s.getDouble());
  std::sort(keys.begin(), keys.end());
  const std::size_t n = keys.size();
  const double middle = n % 2 == 1 ? keys[n / 2] : (keys[n / 2 - 1] + keys[n / 2]) * 0.5;
  return NodeDataValue(DataValue::ofDouble(middle));
}

// The earliest of the smallest (Min) or of the largest (Max) sample.
std::size_t doubleExtreme(const std::vector<NodeDataValue>& samples, bool max) {
  std::size_t best = 0;
  double bestValue = samples.front().getDouble();
  for (std::size_t i = 1; i < samples.size(); ++i) {
    const double v = samples[i].getDouble();
    if (max ? v > bestValue : v < bestValue) {
      best = i;
      bestValue = v;
    }
  }
  return best;
}

NodeDataValue median(const std::vector<NodeDataValue>& samples,
                     std::vector<NodeDataValue>& scratch) {
  const std::size_t n = samples.size();
  const DataValueKind kind = samples.front().kind();
  if (kind == DataValueKind::Double) return doubleMedian(samples);
  if (kind == DataValueKind::Boolean) {
    std::size_t trues = 0;
    for (const NodeDataValue& s : samples) trues += s.getBool() ? 1 : 0;
    return NodeDataValue(trues > n / 2);
  }
  if (kind != DataValueKind::Integer && kind != DataValueKind::Float) {
    return samples[n / 2];
  }
  scratch.assign(samples.begin(), samples.end());
  std::sort(scratch.begin(), scratch.end(),
            [](const NodeDataValue& a, const NodeDataValue& b) { return a < b; });
  if (n % 2 == 1) return scratch[n / 2];
  const NodeDataValue& low = scratch[n / 2 - 1];
  const NodeDataValue& high = scratch[n / 2];
  if (kind == DataValueKind::Integer) {
    // A 32-bit sum, as the logger's own tools compute it (wrapping, not UB).
    const int32_t sum = static_cast<int32_t>(static_cast<uint32_t>(low.getInt()) +
                                             static_cast<uint32_t>(high.getInt()));
    return NodeDataValue(sum * 0.5);
  }
  return NodeDataValue((static_cast<double>(low.getFloat()) + high.getFloat()) * 0.5);
}

NodeDataValue mean(const std::vector<NodeDataValue>& samples) {
  const double n = static_cast<double>(samples.size());
  double sum = 0;
  switch (samples.front().kind()) {
    case DataValueKind::Boolean:
      for (const NodeDataValue& s : samples) sum += s.getBool() ? 1 : 0;
      return NodeDataValue(sum / n);
    case DataValueKind::Integer:
      for (const NodeDataValue& s : samples) sum += s.getInt();
      return NodeDataValue(sum / n);
    case DataValueKind::Float:
      for (const NodeDataValue& s : samples) sum += s.getFloat();
      return NodeDataValue(sum / n);
    case DataValueKind::Double:
      for (const NodeDataValue& s : samples) sum += s.getDouble();
      return NodeDataValue(DataValue::ofDouble(sum / n));
    default:
      return samples.front();
  }
}

}  // namespace

NodeDataValue aggregate(const std::vector<NodeDataValue>& samples, int32_t method,
                        std::vector<NodeDataValue>& scratch) {
  const std::size_t n = samples.size();
  if (n == 0) return NodeDataValue();
  if (n == 1) return samples.front();
  switch (method) {
    case MethodMean:
      return mean(samples);
    case MethodMin: {
      if (samples.front().kind() == DataValueKind::Double) return samples[doubleExtreme(samples, false)];
      std::size_t best = 0;
      for (std::size_t i = 1; i < n; ++i) {
        if (samples[i] < samples[best]) best = i;
      }
      return samples[best];
    }
    case MethodMax: {
      if (samples.front().kind() == DataValueKind::Double) return samples[doubleExtreme(samples, true)];
      std::size_t best = 0;
      for (std::size_t i = 1; i < n; ++i) {
        if (samples[i] > samples[best]) best = i;
      }
      return samples[best];
    }
    case MethodFirst:
      return samples.front();
    case MethodLast:
      return samples.back();
    default:
      return median(samples, scratch);
  }
}

NodeDataValue aggregate(const std::vector<NodeDataValue>& samples, int32_t method) {
  std::vector<NodeDataValue> scratch;
  return aggregate(samples, method, scratch);
}

void BinClock::start(int64_t fileStartMs, int64_t periodMs) {
  periodMs_ = static_cast<uint64_t>(periodMs);
  binStart_ = static_cast<uint64_t>(fileStartMs);
  if (periodMs_ != 0) binStart_ = binStart_ / periodMs_ * periodMs_;
}

bool BinClock::closeBin(uint64_t t, uint64_t& rowMs) {
  if (t <= binStart_ || t - binStart_ < periodMs_) return false;
  binStart_ += periodMs_;
  rowMs = binStart_ - periodMs_ / 2;
  return true;
}

void SamplingBuffer::reset(std::size_t columns) {
  for (std::vector<NodeDataValue>& list : lists_) list.clear();
  lists_.resize(columns);
  active_.clear();
}

void SamplingBuffer::add(std::size_t column, const NodeDataValue& value) {
  const DataValueKind kind = value.kind();
  if (kind == DataValueKind::Double && !std::isfinite(value.getDouble())) return;
  if (kind == DataValueKind::Integer || kind == DataValueKind::Float) {
    // getFloat of an Integer is always finite; only Float needs the test.
    if (kind == DataValueKind::Float &&
        !(std::fabs(value.getFloat()) <= std::numeric_limits<float>::max())) {
      return;
    }
  }
  std::vector<NodeDataValue>& list = lists_[column];
  if (list.empty()) active_.push_back(column);
  list.push_back(value);
}

}  // namespace zrl
