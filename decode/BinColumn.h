// The samples one column gathered in the open bin of a resampled decode,
// kept only as far as the aggregation method needs them: Mean, Min, Max,
// First and Last hold a running result, Median of numbers holds one 8-byte
// sort key per sample, and Median of the other kinds only the samples from
// the middle of the list on. A bin that holds millions of samples thus
// costs megabytes, not gigabytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "decode/DecodeSettings.h"
#include "values/DataValue.h"

namespace zrl {

class BinColumn {
 public:
  // Forgets the samples and takes the method of the coming bins (a value
  // outside the list is Median).
  void reset(AggregationMethod method);
  void clear();

  // Every sample of a column has the kind of its catalog type, so the
  // first sample's kind is taken for the whole bin.
  void add(const DataValue& sample);
  bool empty() const { return count_ == 0; }
  // Bytes held per sample (the running results are not counted).
  std::size_t storedBytes() const {
    return keys_.size() * sizeof(double) + middle_.size() * sizeof(Payload);
  }

  // The bin's value; an empty bin gives UnknownDt. Sorts the kept keys.
  NodeDataValue result();

  // Gives back storage that one unusually full bin grew, so that it does
  // not stay with the decode for good.
  void trimStorage();

 private:
  using Payload = std::array<unsigned char, sizeof(DataValue::value)>;

  void addMedian(const DataValue& sample);
  void addExtreme(const DataValue& sample);
  NodeDataValue median();
  NodeDataValue mean() const;

  AggregationMethod method_ = AggregationMethod::Median;
  DataValueKind kind_ = DataValueKind::UnknownDt;
  uint64_t count_ = 0;
  NodeDataValue first_;    // the first sample (the result of a single one)
  NodeDataValue pick_;     // Min/Max: the best so far; Last: the latest
  double bestKey_ = 0;     // Min/Max of numbers: pick_'s position in the order
  int64_t bestTime_ = 0;   // Min/Max of TimeStamps: pick_'s time in ns
  double sum_ = 0;         // Mean: the sum; Median of Booleans: the trues
  std::vector<double> keys_;     // Median of numbers: every sample
  std::vector<Payload> middle_;  // Median of other kinds: samples middleBase_ on
  uint64_t middleBase_ = 0;
};

}  // namespace zrl
