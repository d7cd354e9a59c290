#include "values/ValueModelHooks.h"

#include <atomic>

namespace zrl {

namespace {

std::atomic<std::string (*)(const NodeData*, int16_t)> qualifiedNameHook{nullptr};
std::atomic<void (*)(NodeDataValueAdd*)> valueChangedHook{nullptr};

}  // namespace

void installValueModelHooks(const ValueModelHooks& hooks) {
  qualifiedNameHook.store(hooks.qualifiedName, std::memory_order_release);
  valueChangedHook.store(hooks.valueChanged, std::memory_order_release);
}

std::string qualifiedValueName(const NodeData* group, int16_t id) {
  if (group == nullptr) return std::string();
  const auto hook = qualifiedNameHook.load(std::memory_order_acquire);
  return hook != nullptr ? hook(group, id) : std::string();
}

void notifyValueTracker(NodeDataValueAdd* tracker) {
  if (tracker == nullptr) return;
  if (const auto hook = valueChangedHook.load(std::memory_order_acquire)) hook(tracker);
}

}  // namespace zrl
