// A request to stop every decode of the process at its next record, made by
// signal handlers: setting it is a single lock-free store, which is all a
// handler may do. A decode stopped this way ends as a cancelled one.
#pragma once

#include <atomic>

namespace zrl {

inline std::atomic<bool> stopEveryDecode{false};
// The signal behind the request, for the exit status; 0 when none.
inline std::atomic<int> stopSignal{0};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "signal handlers store into them");

}  // namespace zrl
