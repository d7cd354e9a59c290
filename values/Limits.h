// Limits of the log format that tables across the engine are sized by.
#pragma once

#include <cstddef>

namespace zrl {

// Variables a log can describe: the catalog's slot count. The record
// stream, the decode selection and the value registries all index tables
// with ids below it.
constexpr std::size_t kMaxVariables = 20000;

}  // namespace zrl
