#include "app/StopSignals.h"

#include <csignal>
#include <initializer_list>

#include "decode/DecodeStop.h"

// Only lock-free atomic stores and async-signal-safe calls in here.
void stopOnSignal(int signal) {
  if (zrl::stopEveryDecode.load(std::memory_order_relaxed)) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    return;
  }
  zrl::stopSignal.store(signal, std::memory_order_relaxed);
  zrl::stopEveryDecode.store(true, std::memory_order_relaxed);
}

void installStopSignalHandlers() {
  struct sigaction action = {};
  action.sa_handler = stopOnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}
