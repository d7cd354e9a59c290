// Compresses a byte stream into one gzip member, deflating several blocks
// at a time on worker threads. Each block is primed with the 32 KiB before
// it and ends on a byte boundary (sync flush), so the blocks concatenate
// into a single ordinary deflate stream. Memory stays at a few blocks.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zrlwriter {

class ParallelGzip {
 public:
  using Sink = std::function<void(const char* data, size_t length)>;

  ParallelGzip(int level, unsigned threads, Sink sink, size_t blockSize = size_t(1) << 20);

  void write(const char* data, size_t length);
  // Compresses what is left, ends the deflate stream and writes the trailer.
  void finish();

  uint64_t inputLength() const { return length_; }

 private:
  void compressBatch(bool final);

  int level_;
  unsigned threads_;
  Sink sink_;
  size_t blockSize_;
  std::vector<std::string> pending_;   // full blocks not yet compressed
  std::string current_;                // block being filled
  std::string window_;                 // the last 32 KiB before pending_
  uint32_t crc_;
  uint64_t length_ = 0;
  bool finished_ = false;
};

}  // namespace zrlwriter
