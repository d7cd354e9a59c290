// The value model's side of a value's links to its group and tracking node.
#pragma once

namespace zrl {

// Installs the model's hooks (values/ValueModelHooks.h) once; called by
// everything that links a value to a group or a tracking node, so no value
// carries a link before the hooks that follow it exist.
void linkValueModel();

}  // namespace zrl
