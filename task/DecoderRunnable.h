// The decode of one loaded log file as a task for the global thread pool.
#pragma once

#include <QRunnable>

#include <functional>
#include <memory>

namespace zrl {
class Decoder;
}  // namespace zrl

class DecoderRunnable : public QRunnable {
 public:
  // Called with the task after every run, on the thread that ran it.
  using Completion = std::function<void(DecoderRunnable*)>;

  // The task owns `decoder`. It is not deleted by the pool: the controller
  // keeps it, and it can run again for another decode of the same file.
  DecoderRunnable(std::unique_ptr<zrl::Decoder> decoder, Completion completion);
  ~DecoderRunnable() override;

  DecoderRunnable(const DecoderRunnable&) = delete;
  DecoderRunnable& operator=(const DecoderRunnable&) = delete;

  // Runs the decode (its result reaches the controller through the progress
  // callback), then calls the completion.
  void run() override;

  zrl::Decoder& decoder() { return *decoder_; }
  const zrl::Decoder& decoder() const { return *decoder_; }

 private:
  std::unique_ptr<zrl::Decoder> decoder_;
  Completion completion_;
};
