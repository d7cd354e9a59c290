// What the console shows of a log's load and decode: the verbose
// percentages, the progress line on a terminal, and each problem the decode
// reports, as it happens.
#pragma once

#include <functional>

#include "task/DecodeController.h"
#include "task/TerminalProgress.h"

class ConsoleDecodeObserver : public DecodeObserver {
 public:
  // `controller` tells how many database points were sent; `terminal` may
  // be null.
  ConsoleDecodeObserver(bool verbose, const DecodeController* controller, TerminalProgress* terminal)
      : verbose_(verbose), controller_(controller), terminal_(terminal) {}

  // Printed just before the decode starts (the verbose parameter summary).
  void setBeforeRun(std::function<void(const DecodeJob&, const zrl::Decoder&)> beforeRun) {
    beforeRun_ = std::move(beforeRun);
  }

  void aboutToRun(const DecodeJob& job, const zrl::Decoder& decoder) override;
  void progressed(std::uint64_t done, std::uint64_t total) override;
  void problemReported(const QString& text) override;

  // The same reports from outside a decode (the head's reading), in the
  // form the decoder's callback gives them.
  void report(std::uint64_t done, std::uint64_t total, const std::string& message);

 private:
  bool verbose_;
  const DecodeController* controller_;
  TerminalProgress* terminal_;
  std::function<void(const DecodeJob&, const zrl::Decoder&)> beforeRun_;
};
