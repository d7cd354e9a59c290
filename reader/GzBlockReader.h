// Reading side of the compressed record stream, built for many small reads.
//
// Inflating is the larger half of a decode's work, so it runs ahead on a
// thread of its own and packs the stream into a small ring of large blocks,
// which the reading thread then serves its small reads from without taking
// a lock. The stream still behaves exactly as if every read had gone through
// zlib's gzread() on the reading thread:
//   - the same bytes, and the same counts (a short read only at the very end);
//   - a body that is not gzip is read as plain bytes; several members are
//     read as one stream; bytes after a member that do not start another
//     are ignored;
//   - the end is reported once a read asked past it, as gzeof() does, not
//     when a read merely consumed the last byte;
//   - a failure surfaces at the read that needs the fill that failed, with
//     zlib's error number and message and the errno of the failure, and the
//     bytes that read had gathered before it are dropped, as zlib drops them;
//   - a cut stream (zlib's "unexpected end of file") delivers everything up
//     to the cut and then ends; its error number shows from the read that
//     needs the last, cut fill on, as gzerror() would show it.
//
// Healthy gzip members are inflated with ISA-L, which costs well under half
// of zlib's time. Where zlib's fills and messages matter (a body that is not
// gzip, a damaged or cut member, a read error), zlib takes over: it inflates
// the member in question again from its start, the way gzread() would, never
// asking for more than one fill per call so that it sees the same fills in
// the same places as small reads on the reading thread would. For that to
// work, the inflating side holds back the newest block until the next one is
// inflated too: a member's last fill is only known to be sound once its
// trailer has been checked.
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

#include "reader/ResumePoint.h"

struct inflate_state;

namespace zrl {

class GzBlockReader {
 public:
  GzBlockReader();
  ~GzBlockReader();
  GzBlockReader(const GzBlockReader&) = delete;
  GzBlockReader& operator=(const GzBlockReader&) = delete;

  // Starts reading at the current position of `fd`. The stream owns `fd`
  // from then on: close() closes it. False when zlib cannot set up.
  bool open(int fd);
  // Starts reading at `point` (see ResumePoint) instead; stream positions
  // count from the stream's start as if it had been read from there.
  bool openAt(int fd, const ResumePoint& point);
  bool isOpen() const { return open_; }
  // Before open(): keep a resume point at every multiple of `bytes` of the
  // inflated stream that healthy members reach (0: none). Blocks are filled
  // to at most `bytes`, so that every point starts a block.
  void setCaptureSpacing(uint64_t bytes);
  uint64_t captureSpacing() const { return captureSpacing_; }
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

  // The next `length` bytes in place, when the current block holds them
  // all (null otherwise: read() them instead); skip() then takes them.
  // Records are walked this way without being copied.
  const char* peek(std::size_t length) const {
    return static_cast<std::size_t>(end_ - next_) >= length ? next_ : nullptr;
  }
  void skip(std::size_t length) { next_ += length; }
  // Everything the current block still holds, for walks over many records.
  const char* current() const { return next_; }
  std::size_t available() const { return static_cast<std::size_t>(end_ - next_); }

  // Stream position of the next byte a read delivers.
  uint64_t position() const { return blockStart_ + static_cast<uint64_t>(next_ - blockBegin_); }
  // The resume point kept where the current block starts, if there is one.
  bool pointAtCurrentBlock(ResumePoint& out) const;
  // After openAt(): whether the first bytes are the ones the point expects.
  bool resumeMatches(const ResumePoint& point);

  // True once a read asked for bytes past the end of the stream (a read
  // that ends exactly on the last byte does not set it).
  bool atEnd() const { return open_ && atEnd_; }

  // zlib's error number and message for the last failure, as seen by the
  // reads made so far.
  int errorNumber() const;
  std::string errorMessage() const;

  // Bytes per block and blocks in the ring: what a stream holds in memory.
  static constexpr std::size_t kBlockSize = 256 * 1024;
  static constexpr unsigned kBlockCount = 4;
  // Compressed bytes read from the file at a time.
  static constexpr std::size_t kInputSize = 256 * 1024;
  // Inflated bytes a resume point checks.
  static constexpr uint32_t kResumeCheckBytes = 4096;
  // Most bytes a kept inflater state takes.
  static std::size_t inflaterStateCapacity();

 private:
  // How the data of a block is followed.
  enum class Tail : uint8_t { More, End, Failure };

  struct Block {
    std::unique_ptr<char[]> data;
    std::size_t size = 0;
    Tail tail = Tail::More;
    // The inflater's state where the block starts, when one was kept.
    bool captured = false;
    uint64_t inputOffset = 0;
    uint64_t memberOffset = 0;
    uint64_t memberPosition = 0;
    std::size_t stateSize = 0;
    std::unique_ptr<uint8_t[]> state;
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
  void failWith(int number, std::string message);

  // Inflating side.
  void produce();
  // Inflates healthy gzip members with ISA-L. False when the stream is done
  // (or closing); true when zlib must take over, with file_ open at the
  // start of the member in question and produced_ at its first byte.
  bool inflateFast();
  // Hands zlib the member that starts at `fileOffset` in the file and at
  // `streamPosition` in the stream, `current` being the block ISA-L was
  // filling; bytes of the member already published are inflated again and
  // dropped. False when zlib cannot go on (the failure is published).
  bool zlibTakesOver(uint64_t fileOffset, uint64_t streamPosition, Block& current);
  // The next ring slot to fill, once the reader has freed it; null when
  // closing.
  Block* freeBlock();
  // Publishes every block filled so far.
  void publishFilled();
  // Fills `block` with whole zlib fills (splitting only the last one at the
  // block's end); sets its tail when the stream stops.
  void fillBlock(Block& block);
  // The same fills, dropped, until produced_ reaches `position`.
  bool skipTo(uint64_t position);
  void noteCutStream(uint64_t fillStart);

  bool start(int fd);

  bool open_ = false;
  int fd_ = -1;
  uint64_t captureSpacing_ = 0;
  std::size_t fillSize_ = kBlockSize;  // bytes the fast side puts in a block
  bool resuming_ = false;  // the inflating side starts at resume_
  ResumePoint resume_;
  int64_t streamOffset_ = -1;  // file offset of the stream; -1: not seekable
  gzFile file_ = nullptr;      // zlib's side, once it has taken over
  // ISA-L's state and compressed input, made by open() so that the
  // inflating thread allocates nothing while healthy members last.
  std::unique_ptr<inflate_state> inflateState_;
  std::unique_ptr<uint8_t[]> input_;
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
  uint64_t published_ = 0;  // blocks handed to the reader
  uint64_t released_ = 0;   // blocks the reader is done with
  bool stop_ = false;

  // Inflating side only until the last block is published.
  uint64_t filled_ = 0;           // blocks filled, published or held back
  uint64_t publishedBytes_ = 0;   // stream position of the first byte not published
  uint64_t produced_ = 0;  // stream position reached by the inflating side
  Outcome outcome_;
  // Stream position of the fill that ran into the cut, once known; the
  // message in `cutMessage_` is written before it.
  std::atomic<uint64_t> cutAt_{UINT64_MAX};
  std::string cutMessage_;

  std::thread thread_;
};

}  // namespace zrl
