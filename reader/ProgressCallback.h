// The one channel from a decoder to whoever drives it: an empty message is a
// progress step, a non-empty one an error to show the user.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace zrl {

using ProgressCallback =
    std::function<void(uint64_t bytesRead, uint64_t totalBytes, const std::string& message)>;

}  // namespace zrl
