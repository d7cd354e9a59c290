// The fast side of GzBlockReader: healthy gzip members inflated with ISA-L.
#include <cerrno>
#include <cstring>
#include <memory>
#include <unistd.h>

#include <isa-l/igzip_lib.h>

#include "reader/GzBlockReader.h"

namespace zrl {

namespace {

constexpr std::size_t kInputSize = GzBlockReader::kInputSize;

// The compressed input, read from the file in large pieces.
class Input {
 public:
  Input(int fd, uint64_t offset, uint8_t* buffer) : fd_(fd), offset_(offset), data_(buffer) {}

  uint8_t* begin() { return data_ + start_; }
  std::size_t size() const { return end_ - start_; }
  // File offset of begin().
  uint64_t offset() const { return offset_ + start_; }
  void consumedTo(const uint8_t* p) { start_ = static_cast<std::size_t>(p - data_); }
  bool failed() const { return failed_; }

  // Reads more after what is left; false at the end of the file, on a read
  // error (failed()) or when the buffer is full already.
  bool more() {
    if (start_ > 0) {
      std::memmove(data_, data_ + start_, end_ - start_);
      offset_ += start_;
      end_ -= start_;
      start_ = 0;
    }
    if (end_ == kInputSize) return false;  // full: nothing more fits
    for (;;) {
      const ssize_t got = ::read(fd_, data_ + end_, kInputSize - end_);
      if (got > 0) {
        end_ += static_cast<std::size_t>(got);
        return true;
      }
      if (got < 0 && errno == EINTR) continue;
      failed_ = got < 0;
      return false;
    }
  }
  // At least `n` bytes at begin(), unless the file ends first.
  bool holds(std::size_t n) {
    while (size() < n) {
      if (!more()) return false;
    }
    return true;
  }

 private:
  int fd_;
  uint64_t offset_;  // file offset of data_[0]
  uint8_t* data_;  // kInputSize bytes
  std::size_t start_ = 0;
  std::size_t end_ = 0;
  bool failed_ = false;
};

// A gzip member header that zlib takes without complaint and that ISA-L
// reads the same way: magic, deflate, no reserved flag bits.
bool plainMemberHeader(const uint8_t* p) {
  return p[0] == 0x1f && p[1] == 0x8b && p[2] == 8 && (p[3] & 0xE0) == 0;
}

}  // namespace

bool GzBlockReader::inflateFast() {
  Block* block = freeBlock();
  if (block == nullptr) return false;
  if (streamOffset_ < 0) return zlibTakesOver(0, 0, *block);
  Input input(fd_, static_cast<uint64_t>(streamOffset_), input_.get());
  inflate_state* const state = inflateState_.get();
  bool firstMember = true;
  for (;;) {
    // At a member boundary. Bytes after a member that do not start another
    // are ignored; a body that does not start as gzip is zlib's plain copy.
    const bool two = input.holds(2);
    if (input.failed()) return zlibTakesOver(input.offset(), produced_, *block);
    if (!two || input.begin()[0] != 0x1f || input.begin()[1] != 0x8b) {
      if (firstMember) return zlibTakesOver(input.offset(), produced_, *block);
      block->tail = Tail::End;
      ++filled_;
      publishFilled();
      return false;
    }
    firstMember = false;
    const uint64_t memberOffset = input.offset();
    const uint64_t memberPosition = produced_;
    if (!input.holds(4) || !plainMemberHeader(input.begin())) return zlibTakesOver(memberOffset, memberPosition, *block);

    isal_inflate_init(state);
    state->crc_flag = ISAL_GZIP;
    for (;;) {
      if (block->size == kBlockSize) {
        // The block before this one is sound now: whatever zlib could
        // still find wrong lies at most one fill before the newest byte.
        ++filled_;
        {
          std::lock_guard<std::mutex> guard(lock_);
          for (uint64_t i = published_; i + 1 < filled_; ++i) publishedBytes_ += ring_[i % kBlockCount].size;
          if (filled_ > published_ + 1) published_ = filled_ - 1;
        }
        blockReady_.notify_one();
        block = freeBlock();
        if (block == nullptr) return false;
      }
      const uint32_t inBefore = static_cast<uint32_t>(input.size());
      const uint32_t room = static_cast<uint32_t>(kBlockSize - block->size);
      state->next_in = input.begin();
      state->avail_in = inBefore;
      state->next_out = reinterpret_cast<uint8_t*>(block->data.get() + block->size);
      state->avail_out = room;
      const int result = isal_inflate(state);
      const uint32_t out = room - state->avail_out;
      block->size += out;
      produced_ += out;
      input.consumedTo(state->next_in);
      // Damage of any kind: zlib finds it again and says what it is.
      if (result < 0 || result == ISAL_NEED_DICT) return zlibTakesOver(memberOffset, memberPosition, *block);
      if (state->block_state == ISAL_BLOCK_FINISH) break;
      if (block->size == kBlockSize) continue;
      if (input.size() == 0 || (out == 0 && input.size() == inBefore)) {
        // A cut member, or a read error: zlib's turn.
        if (!input.more()) return zlibTakesOver(memberOffset, memberPosition, *block);
      }
    }
  }
}

}  // namespace zrl
