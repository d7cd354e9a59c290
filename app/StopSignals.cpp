#include "app/StopSignals.h"

#include <csignal>
#include <initializer_list>

#include "decode/DecodeStop.h"

namespace {

// Only lock-free atomic stores and async-signal-safe calls in here.
void onStopSignal(int signal) {
  if (zrl::stopEveryDecode.load(std::memory_order_relaxed)) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    return;
  }
  zrl::stopSignal.store(signal, std::memory_order_relaxed);
  zrl::stopEveryDecode.store(true, std::memory_order_relaxed);
}

}  // namespace

void installStopSignalHandlers() {
  struct sigaction action = {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}
