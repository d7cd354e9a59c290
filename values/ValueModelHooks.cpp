// The value's side of its links to the value model (see ValueModelHooks.h).
#include "values/ValueModelHooks.h"

#include <atomic>

#include "values/DataValue.h"

namespace zrl {

namespace {

std::atomic<std::string (*)(const DataValue&)> qualifiedNameHook{nullptr};
std::atomic<void (*)(DataValue&)> valueChangedHook{nullptr};

}  // namespace

void installValueModelHooks(const ValueModelHooks& hooks) {
  qualifiedNameHook.store(hooks.qualifiedName, std::memory_order_release);
  valueChangedHook.store(hooks.valueChanged, std::memory_order_release);
}

std::string DataValue::fullName() const {
  if (parent == nullptr) return std::string();
  const auto hook = qualifiedNameHook.load(std::memory_order_acquire);
  return hook != nullptr ? hook(*this) : std::string();
}

void DataValue::notifyTracker() {
  if (tracker == nullptr) return;
  if (const auto hook = valueChangedHook.load(std::memory_order_acquire)) hook(*this);
}

}  // namespace zrl
