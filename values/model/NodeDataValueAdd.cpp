// Tracking node of a value (see NodeDataValueAdd.h).
#include "values/model/NodeDataValueAdd.h"

#include <cmath>
#include <limits>

#include "values/Clock.h"
#include "values/DataValue.h"
#include "values/Diagnostics.h"
#include "values/model/ValueModelLink.h"

namespace zrl {

NodeDataValueAdd::NodeDataValueAdd(NodeDataValue* tracked) : value(tracked) {
  linkValueModel();
  if (value != nullptr) value->tracker = this;
}

NodeDataValueAdd::~NodeDataValueAdd() {
  if (value != nullptr && value->tracker == this) value->tracker = nullptr;
}

void NodeDataValueAdd::applyPersistentInfo(const ValuePersistentInfo& applied) {
  info = applied;
  std::lock_guard<std::mutex> guard(info.lock);
  if (info.enableHistory) {
    info.enableMinMax = true;
    if (!info.history) info.history = std::make_unique<ValuePersistentInfo::History>();
  }
  persistentInfoApplied = true;
}

uint8_t NodeDataValueAdd::effectiveDecimals() const {
  std::lock_guard<std::mutex> guard(info.lock);
  return info.decimalsDisplay == ValuePersistentInfo::kUnset ? defaultDecimals : info.decimalsDisplay;
}

bool NodeDataValueAdd::readNumber(float& number) const {
  if (value == nullptr) return false;
  switch (value->type) {
    case DataValueKind::Boolean: {
      unsigned char byte;
      {
        std::lock_guard<ValueLock> guard(value->mutex);
        byte = value->value[0];
      }
      number = byte;
      return true;
    }
    case DataValueKind::Integer:
    case DataValueKind::Float:
      number = value->getFloat();
      return true;
    default:
      return false;
  }
}

void NodeDataValueAdd::notifyChanged() {
  {
    std::lock_guard<std::mutex> guard(info.lock);
    if (!info.enableMinMax) return;
  }
  float number;
  if (!readNumber(number)) return;
  bool history;
  {
    std::lock_guard<std::mutex> guard(info.lock);
    if (number > info.currentMax) info.currentMax = number;
    if (number < info.currentMin) info.currentMin = number;
    history = info.enableHistory;
  }
  if (history) recordHistory(number, realTimeMs());
}

void NodeDataValueAdd::resetMinMax() {
  if (value == nullptr ||
      (value->type != DataValueKind::Integer && value->type != DataValueKind::Float)) {
    return;
  }
  bool seed;
  bool history;
  {
    std::lock_guard<std::mutex> guard(info.lock);
    info.currentMin = std::numeric_limits<float>::infinity();
    info.currentMax = -std::numeric_limits<float>::infinity();
    seed = info.enableMinMax;
    history = info.enableHistory;
  }
  if (!seed) return;
  const float number = value->getFloat();
  {
    std::lock_guard<std::mutex> guard(info.lock);
    info.currentMin = number;
    info.currentMax = number;
  }
  if (history) recordHistory(number, realTimeMs());
}

void NodeDataValueAdd::recordHistory(float number, int64_t nowMs) {
  ValuePersistentInfo::History* ring;
  uint16_t period;
  {
    std::lock_guard<std::mutex> guard(info.lock);
    ring = info.history.get();
    period = info.historyPeriodMs;
  }
  if (ring == nullptr) return;
  ValuePersistentInfo::HistoryDatedSample newest{};
  if (ring->newest(newest) && nowMs - newest.timestampMs < period) return;
  ring->push(ValuePersistentInfo::HistoryDatedSample{nowMs, number, 0});
}

bool NodeDataValueAdd::minSet() const {
  std::lock_guard<std::mutex> guard(info.lock);
  return info.currentMin != std::numeric_limits<float>::infinity();
}

bool NodeDataValueAdd::maxSet() const {
  std::lock_guard<std::mutex> guard(info.lock);
  return info.currentMax != -std::numeric_limits<float>::infinity();
}

}  // namespace zrl
