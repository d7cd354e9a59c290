#include "task/DecoderRunnable.h"

#include "decode/Decoder.h"

using namespace zrl;

DecoderRunnable::DecoderRunnable(std::unique_ptr<Decoder> decoder, Completion completion)
    : decoder_(std::move(decoder)), completion_(std::move(completion)) {
  setAutoDelete(false);
}

DecoderRunnable::~DecoderRunnable() = default;

void DecoderRunnable::run() {
  decoder_->run();
  if (completion_) completion_(this);
}
