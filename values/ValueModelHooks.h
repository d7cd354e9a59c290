// A value's two ties to the value model (named groups, the registries and
// tracking nodes), which lives in a library of its own. A decode never links
// a value to a group or a tracking node, so the decoder leaves that library
// out; the model installs these hooks before it links its first value.
#pragma once

#include <cstdint>
#include <string>

namespace zrl {

class NodeData;
class NodeDataValueAdd;

struct ValueModelHooks {
  // Group name, ".", name registered for `id`; `group` is never null.
  std::string (*qualifiedName)(const NodeData* group, int16_t id);
  // Min/max and history bookkeeping of a tracking node after its value
  // changed through arithmetic; `tracker` is never null.
  void (*valueChanged)(NodeDataValueAdd* tracker);
};

void installValueModelHooks(const ValueModelHooks& hooks);

// Group name, ".", name registered for `id`; empty without a group.
std::string qualifiedValueName(const NodeData* group, int16_t id);
// Tells the tracking node, if any, that its value changed.
void notifyValueTracker(NodeDataValueAdd* tracker);

}  // namespace zrl
