// The value type's two calls into the value model.
#pragma once

#include <string>

namespace zrl {

class NodeData;
class NodeDataValueAdd;

// Group name, ".", name registered for `id`; empty without a group.
std::string qualifiedValueName(const NodeData* group, int16_t id);

// Min/max and history bookkeeping of a tracking node after its value
// changed through arithmetic.
void notifyValueTracker(NodeDataValueAdd* tracker);

}  // namespace zrl
