#include "decode/BinColumn.h"

#include <algorithm>
#include <cstring>

#include "decode/DecodeSettings.h"

namespace zrl {

namespace {

// The decode owns its samples, so their payloads are read and copied
// without the value's lock: a lock round trip per sample cost more than
// the aggregation itself.
int32_t intOf(const DataValue& v) {
  int32_t i;
  std::memcpy(&i, v.value, sizeof i);
  return i;
}

float floatOf(const DataValue& v) {
  float f;
  std::memcpy(&f, v.value, sizeof f);
  return f;
}

double doubleOf(const DataValue& v) {
  double d;
  std::memcpy(&d, v.value, sizeof d);
  return d;
}

int64_t nanosecondsOf(const DataValue& v) {
  int32_t time[2];
  std::memcpy(time, v.value, sizeof time);
  return static_cast<int64_t>(time[0]) * 1000000000 + time[1];
}

void copySample(NodeDataValue& to, const DataValue& from) {
  to.type = from.type;
  std::memcpy(to.value, from.value, sizeof to.value);
  to.unit = from.unit;
  to.id = from.id;
}

bool isMethod(AggregationMethod method) {
  const int32_t code = static_cast<int32_t>(method);
  return code >= static_cast<int32_t>(AggregationMethod::Median) &&
         code <= static_cast<int32_t>(AggregationMethod::Last);
}

// Min and Max order Booleans false before true, Integers by their exact
// value and Floats by theirs; the sort of a Median keeps comparing
// Integers through single precision, so that samples whose single
// precision values tie land in the same places as they always have.
double orderKey(const DataValue& v) {
  switch (v.type) {
    case DataValueKind::Boolean: return v.value[0] != 0 ? 1.0 : 0.0;
    case DataValueKind::Integer: return intOf(v);
    case DataValueKind::Double: return doubleOf(v);
    default: return floatOf(v);
  }
}

}  // namespace

void BinColumn::reset(AggregationMethod method) {
  method_ = isMethod(method) ? method : AggregationMethod::Median;
  clear();
}

void BinColumn::clear() {
  count_ = 0;
  kind_ = DataValueKind::UnknownDt;
  sum_ = 0;
  keys_.clear();
  middle_.clear();
  middleBase_ = 0;
}

void BinColumn::trimStorage() {
  constexpr std::size_t kKeptBytes = 1 << 20;
  if (keys_.capacity() * sizeof(double) > kKeptBytes) std::vector<double>().swap(keys_);
  if (middle_.capacity() * sizeof(Payload) > kKeptBytes) std::vector<Payload>().swap(middle_);
}

void BinColumn::add(const DataValue& sample) {
  if (count_++ == 0) {
    kind_ = sample.type;
    copySample(first_, sample);
    if (method_ == AggregationMethod::Min || method_ == AggregationMethod::Max) {
      copySample(pick_, sample);
      if (kind_ == DataValueKind::TimeStamp) {
        bestTime_ = nanosecondsOf(sample);
      } else {
        bestKey_ = orderKey(sample);
      }
    }
  } else if (method_ == AggregationMethod::Min || method_ == AggregationMethod::Max) {
    addExtreme(sample);
  }
  switch (method_) {
    case AggregationMethod::Median:
      addMedian(sample);
      break;
    case AggregationMethod::Mean:
      if (kind_ == DataValueKind::Boolean) {
        sum_ += sample.value[0] != 0 ? 1 : 0;
      } else if (kind_ == DataValueKind::Integer) {
        sum_ += intOf(sample);
      } else if (kind_ == DataValueKind::Float) {
        sum_ += floatOf(sample);
      } else if (kind_ == DataValueKind::Double) {
        sum_ += doubleOf(sample);
      }
      break;
    case AggregationMethod::Last:
      copySample(pick_, sample);
      break;
    default:
      break;
  }
}

void BinColumn::addExtreme(const DataValue& sample) {
  const bool max = method_ == AggregationMethod::Max;
  switch (kind_) {
    case DataValueKind::Boolean:
    case DataValueKind::Integer:
    case DataValueKind::Float:
    case DataValueKind::Double: {
      const double key = orderKey(sample);
      if (max ? key > bestKey_ : key < bestKey_) {
        bestKey_ = key;
        copySample(pick_, sample);
      }
      return;
    }
    case DataValueKind::TimeStamp: {
      const int64_t time = nanosecondsOf(sample);
      if (max ? time > bestTime_ : time < bestTime_) {
        bestTime_ = time;
        copySample(pick_, sample);
      }
      return;
    }
    default:
      // Strings by their bytes; CAN frames have no order, so their Min is
      // the first sample and their Max the latest that differs.
      if (max ? sample > pick_ : sample < pick_) copySample(pick_, sample);
      return;
  }
}

void BinColumn::addMedian(const DataValue& sample) {
  switch (kind_) {
    case DataValueKind::Boolean:
      sum_ += sample.value[0] != 0 ? 1 : 0;
      return;
    case DataValueKind::Integer:
      keys_.push_back(intOf(sample));
      return;
    case DataValueKind::Float:
      keys_.push_back(floatOf(sample));
      return;
    case DataValueKind::Double:
      keys_.push_back(doubleOf(sample));
      return;
    default: {
      // The result is the sample at index count / 2 of the unsorted list;
      // that index never moves back, so the samples before it can go.
      Payload payload;
      std::memcpy(payload.data(), sample.value, payload.size());
      middle_.push_back(payload);
      const uint64_t dead = count_ / 2 - middleBase_;
      if (dead >= 64 && dead * 2 >= middle_.size()) {
        middle_.erase(middle_.begin(), middle_.begin() + static_cast<std::ptrdiff_t>(dead));
        middleBase_ += dead;
      }
      return;
    }
  }
}

NodeDataValue BinColumn::median() {
  const uint64_t n = count_;
  if (kind_ == DataValueKind::Boolean) return NodeDataValue(sum_ > static_cast<double>(n / 2));
  if (kind_ != DataValueKind::Integer && kind_ != DataValueKind::Float &&
      kind_ != DataValueKind::Double) {
    NodeDataValue middle(first_);
    std::memcpy(middle.value, middle_[n / 2 - middleBase_].data(), sizeof middle.value);
    return middle;
  }
  // The same introsort on the same comparisons as a sort of the values
  // themselves, so ties are broken exactly as before.
  if (kind_ == DataValueKind::Integer) {
    std::sort(keys_.begin(), keys_.end(), [](double a, double b) {
      return static_cast<float>(a) < static_cast<float>(b);
    });
  } else {
    std::sort(keys_.begin(), keys_.end());
  }
  const double high = keys_[n / 2];
  if (kind_ == DataValueKind::Integer) {
    if (n % 2 == 1) return NodeDataValue(static_cast<int32_t>(high));
    // In 64 bits: two large Integers must not wrap into a negative median.
    const int64_t sum = static_cast<int64_t>(keys_[n / 2 - 1]) + static_cast<int64_t>(high);
    return NodeDataValue(static_cast<double>(sum) * 0.5);
  }
  if (kind_ == DataValueKind::Double) {
    // Doubles keep every digit that was logged.
    return NodeDataValue(DataValue::ofDouble(n % 2 == 1 ? high : (keys_[n / 2 - 1] + high) * 0.5));
  }
  if (n % 2 == 1) return NodeDataValue(static_cast<float>(high));
  return NodeDataValue((keys_[n / 2 - 1] + high) * 0.5);
}

NodeDataValue BinColumn::mean() const {
  const double n = static_cast<double>(count_);
  switch (kind_) {
    case DataValueKind::Boolean:
    case DataValueKind::Integer:
    case DataValueKind::Float:
      return NodeDataValue(sum_ / n);
    case DataValueKind::Double:
      return NodeDataValue(DataValue::ofDouble(sum_ / n));
    default:
      return first_;
  }
}

NodeDataValue BinColumn::result() {
  if (count_ == 0) return NodeDataValue();
  if (count_ == 1) return first_;
  switch (method_) {
    case AggregationMethod::Mean: return mean();
    case AggregationMethod::Min:
    case AggregationMethod::Max:
    case AggregationMethod::Last: return pick_;
    case AggregationMethod::First: return first_;
    default: return median();
  }
}

}  // namespace zrl
