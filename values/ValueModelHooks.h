// A value's two ties to the value model (named groups, the registries and
// tracking nodes, values/model/), which is a library of its own. A decode
// never links a value to a group or a tracking node, so the decoder leaves
// that library out; the model installs these hooks before it links its
// first value, and without them a value has no name and nothing to notify.
#pragma once

#include <string>

namespace zrl {

class DataValue;

struct ValueModelHooks {
  // Group name, ".", registered name of a value whose `parent` is set.
  std::string (*qualifiedName)(const DataValue& value);
  // Min/max and history bookkeeping of the tracking node of a value whose
  // `tracker` is set, after the value changed through arithmetic.
  void (*valueChanged)(DataValue& value);
};

void installValueModelHooks(const ValueModelHooks& hooks);

}  // namespace zrl
