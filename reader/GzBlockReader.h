// Reading side of the compressed record stream, built for many small reads.
//
// Inflating is the larger half of a decode's work, so it runs ahead on a
// thread of its own: that thread pulls the stream out of zlib one buffer
// fill at a time and packs the fills into a small ring of large blocks,
// which the reading thread then serves its small reads from without taking
// a lock. The stream still behaves exactly as if every read had gone through
// gzread() on the reading thread:
//   - the same bytes, and the same counts (a short read only at the very end);
//   - the end is reported once a read asked past it, as gzeof() does, not
//     when a read merely consumed the last byte;
//   - a failure surfaces at the read that needs the fill that failed, with
//     zlib's error number and message and the errno of the failure, and the
//     bytes that read had gathered before it are dropped, as zlib drops them;
//   - a cut stream (zlib's "unexpected end of file") delivers everything up
//     to the cut and then ends; its error number shows from the read that
//     needs the last, cut fill on, as gzerror() would show it.
// This holds because the inflating thread never asks zlib for more than one
// fill per call, so it sees the same fills, in the same places, as small
// reads on the reading thread would.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include <zlib.h>

namespace zrl {

class GzBlockReader {
 public:
  GzBlockReader() = default;
  ~GzBlockReader() { close(); }
  GzBlockReader(const GzBlockReader&) = delete;
  GzBlockReader& operator=(const GzBlockReader&) = delete;

  // Starts reading at the current position of `fd`. The stream owns `fd`
  // from then on: close() closes it. False when zlib cannot set up.
  bool open(int fd);
  bool isOpen() const { return file_ != nullptr; }
  // Stops the inflating thread, ends the stream and closes its descriptor.
  void close();

  // Up to `length` bytes into `buffer`: the count delivered (fewer only at
  // the end of the stream), 0 at the end, -1 on an error or with no stream.
  int read(void* buffer, unsigned length) {
    // length - 1 wraps for 0, which goes the slow way like every read the
    // current block cannot serve whole.
    if (length - 1u < static_cast<std::size_t>(end_ - next_)) {
      std::memcpy(buffer, next_, length);
      next_ += length;
      return static_cast<int>(length);
    }
    return readAcrossBlocks(static_cast<char*>(buffer), length);
  }

  // True once a read asked for bytes past the end of the stream (a read
  // that ends exactly on the last byte does not set it).
  bool atEnd() const { return file_ != nullptr && atEnd_; }

  // zlib's error number and message for the last failure, as seen by the
  // reads made so far.
  int errorNumber() const;
  std::string errorMessage() const;

  // Bytes per block and blocks in the ring: what a stream holds in memory.
  static constexpr std::size_t kBlockSize = 256 * 1024;
  static constexpr unsigned kBlockCount = 4;

 private:
  // How the data of a block is followed.
  enum class Tail : uint8_t { More, End, Failure };

  struct Block {
    std::unique_ptr<char[]> data;
    std::size_t size = 0;
    Tail tail = Tail::More;
  };

  // What the stream found where it stopped, written by the inflating side
  // before it publishes the last block.
  struct Outcome {
    int errorNumber = Z_OK;
    std::string message;
    int systemError = 0;
  };

  int readAcrossBlocks(char* out, unsigned length);
  // Moves on to the next block, waiting for it if need be; false when the
  // current block was the last one.
  bool nextBlock();
  // Stream position of the next byte the reader would get.
  uint64_t position() const { return blockStart_ + static_cast<uint64_t>(next_ - blockBegin_); }
  void failWith(int number, std::string message);

  // Inflating side.
  void produce();
  // Fills `block` with whole zlib fills (splitting only the last one at the
  // block's end); sets its tail when the stream stops.
  void fillBlock(Block& block);
  void noteCutStream(uint64_t fillStart);

  gzFile file_ = nullptr;
  std::unique_ptr<Block[]> ring_;

  // Reading side only.
  Block* current_ = nullptr;
  const char* blockBegin_ = nullptr;
  const char* next_ = nullptr;
  const char* end_ = nullptr;
  uint64_t blockStart_ = 0;  // stream position of the current block's first byte
  uint64_t taken_ = 0;       // blocks taken from the ring, the current one included
  bool atEnd_ = false;
  bool failed_ = false;
  bool lastTaken_ = false;  // the current block is the stream's last
  bool inline_ = false;     // no thread could be started: fill on demand
  int failureNumber_ = Z_OK;
  std::string failureMessage_;

  // Shared, under `lock_`.
  std::mutex lock_;
  std::condition_variable blockReady_;
  std::condition_variable blockFree_;
  uint64_t published_ = 0;  // blocks filled
  uint64_t released_ = 0;   // blocks the reader is done with
  bool stop_ = false;

  // Inflating side only until the last block is published.
  uint64_t produced_ = 0;  // stream position reached by the inflating side
  Outcome outcome_;
  // Stream position of the fill that ran into the cut, once known; the
  // message in `cutMessage_` is written before it.
  std::atomic<uint64_t> cutAt_{UINT64_MAX};
  std::string cutMessage_;

  std::thread thread_;
};

}  // namespace zrl
