// Display settings, extremes and history of one tracked value, kept across
// runs as a JSON object.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>

#include "values/model/CircularBuffer.h"

namespace zrl {

class JsonValue;

class ValuePersistentInfo {
 public:
  // One dated history sample (16 bytes).
  struct HistoryDatedSample {
    int64_t timestampMs;  // real-time clock, ms since 1970
    float value;
    uint32_t reserved;
  };
  static constexpr std::size_t kHistoryCapacity = 7200;
  using History = CircularBuffer<HistoryDatedSample, kHistoryCapacity>;
  static constexpr uint8_t kUnset = 255;

  ValuePersistentInfo() = default;
  // Copies the settings and extremes, never the lock or the history ring
  // (rings belong to tracking nodes, which create their own).
  ValuePersistentInfo(const ValuePersistentInfo& other);
  ValuePersistentInfo& operator=(const ValuePersistentInfo& other);

  // Reads the keys of a JSON object; missing keys (or a non-object) keep
  // their defaults. "decimals" is accepted when "decimalsDisplay" is absent.
  static ValuePersistentInfo fromJson(const JsonValue& object);
  // The settings as JSON members (without braces):
  // "alias", "decimalsDisplay", "digits", "enableMinMax", "userMin",
  // "userMax", "enableHistory", "historyPeriodMs".
  void writeJsonMembers(std::ostream& out) const;
  // The settings as a JSON object.
  std::string toJson() const;

  mutable std::mutex lock;
  std::string alias;
  uint8_t decimalsDisplay = kUnset;
  uint8_t digits = kUnset;
  bool enableMinMax = false;
  float currentMin = std::numeric_limits<float>::infinity();
  float currentMax = -std::numeric_limits<float>::infinity();
  float userMin = std::numeric_limits<float>::infinity();
  float userMax = -std::numeric_limits<float>::infinity();
  bool enableHistory = false;
  uint16_t historyPeriodMs = 500;
  std::unique_ptr<History> history;
};

}  // namespace zrl
