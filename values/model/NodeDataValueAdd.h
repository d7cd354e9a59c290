// Tracking node of a value: display settings, running extremes and a dated
// history ring.
#pragma once

#include <cstdint>

#include "values/model/ValuePersistentInfo.h"

namespace zrl {

class NodeDataValue;

class NodeDataValueAdd {
 public:
  // Tracks `value` (not owned); the value's `tracker` is set to this node.
  explicit NodeDataValueAdd(NodeDataValue* value);
  virtual ~NodeDataValueAdd();
  NodeDataValueAdd(const NodeDataValueAdd&) = delete;
  NodeDataValueAdd& operator=(const NodeDataValueAdd&) = delete;

  // Takes over the settings of `applied`; with history enabled it creates
  // the history ring and turns min/max tracking on.
  void applyPersistentInfo(const ValuePersistentInfo& applied);

  // decimalsDisplay, or the node's default when that is unset.
  uint8_t effectiveDecimals() const;

  // After an arithmetic change of the value: update the extremes and record
  // the number in the history (when enabled).
  void notifyChanged();
  // Extremes back to +inf/-inf, re-seeded from the current value when
  // min/max tracking is on (Integer and Float values only).
  void resetMinMax();
  // Records `number` at `nowMs` unless the newest sample is younger than
  // historyPeriodMs.
  void recordHistory(float number, int64_t nowMs);

  bool minSet() const;
  bool maxSet() const;

  NodeDataValue* value;
  uint8_t defaultDecimals = ValuePersistentInfo::kUnset;
  bool persistentInfoApplied = false;
  ValuePersistentInfo info;

 private:
  // The tracked value as a number; false for kinds that are not numbers.
  bool readNumber(float& number) const;
};

}  // namespace zrl
