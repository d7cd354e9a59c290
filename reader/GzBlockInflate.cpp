// The fast side of GzBlockReader: healthy gzip members inflated with ISA-L.
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <vector>
#include <memory>
#include <unistd.h>

#include <isa-l.h>
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

// The state up to its output buffer, then the part of that buffer in use
// (the history and output not yet handed out); the pointers into the
// caller's buffers mean nothing later and are left out.
constexpr std::size_t kStateHead = offsetof(inflate_state, tmp_out_buffer);

std::size_t captureState(const inflate_state& state, uint8_t* out) {
  std::memcpy(out, &state, kStateHead);
  uint8_t* const none = nullptr;
  std::memcpy(out + offsetof(inflate_state, next_out), &none, sizeof none);
  std::memcpy(out + offsetof(inflate_state, next_in), &none, sizeof none);
  const std::size_t used = state.tmp_out_valid > 0 ? static_cast<std::size_t>(state.tmp_out_valid) : 0;
  std::memcpy(out + kStateHead, state.tmp_out_buffer, used);
  return kStateHead + used;
}

bool restoreState(inflate_state& state, const std::vector<uint8_t>& saved) {
  if (saved.size() < kStateHead || saved.size() > sizeof(inflate_state)) return false;
  std::memcpy(&state, saved.data(), kStateHead);
  const std::size_t used = saved.size() - kStateHead;
  // What can be checked without ISA-L's internals: counts within their
  // buffers and fields within their ranges.
  if (state.tmp_out_valid < 0 || static_cast<std::size_t>(state.tmp_out_valid) != used ||
      state.tmp_out_processed < 0 || state.tmp_out_processed > state.tmp_out_valid ||
      state.read_in_length < 0 || state.read_in_length > 64 || state.tmp_in_size < 0 ||
      state.tmp_in_size > ISAL_DEF_MAX_HDR_SIZE || state.hist_bits > 15 || state.copy_overflow_length < 0 ||
      state.copy_overflow_distance < 0 || state.copy_overflow_distance > ISAL_DEF_HIST_SIZE ||
      state.write_overflow_len < 0 || state.write_overflow_len > 4 || state.block_state > ISAL_CHECKSUM_CHECK)
    return false;
  std::memcpy(state.tmp_out_buffer, saved.data() + kStateHead, used);
  state.next_in = nullptr;
  state.next_out = nullptr;
  state.avail_in = 0;
  state.avail_out = 0;
  return state.block_state != ISAL_BLOCK_FINISH;
}

}  // namespace

const uint64_t kInflaterLayout = (static_cast<uint64_t>(ISAL_VERSION) << 32) | sizeof(inflate_state);

std::size_t GzBlockReader::inflaterStateCapacity() { return sizeof(inflate_state); }

bool GzBlockReader::inflateFast() {
  Block* block = freeBlock();
  if (block == nullptr) return false;
  if (streamOffset_ < 0) return zlibTakesOver(0, 0, *block);
  inflate_state* const state = inflateState_.get();
  const bool resuming = resuming_;
  Input input(fd_, resuming ? resume_.inputOffset : static_cast<uint64_t>(streamOffset_), input_.get());
  bool firstMember = !resuming;
  uint64_t memberOffset = resume_.memberOffset;
  uint64_t memberPosition = resume_.memberPosition;
  if (resuming && !restoreState(*state, resume_.inflaterState)) {
    // Not a state this build can use: the member is read from its start.
    return zlibTakesOver(memberOffset, memberPosition, *block);
  }
  bool inMember = resuming;
  for (;;) {
    if (!inMember) {
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
      memberOffset = input.offset();
      memberPosition = produced_;
      if (!input.holds(4) || !plainMemberHeader(input.begin())) return zlibTakesOver(memberOffset, memberPosition, *block);

      isal_inflate_init(state);
      state->crc_flag = ISAL_GZIP;
    }
    inMember = false;
    for (;;) {
      if (block->size == fillSize_) {
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
        if (captureSpacing_ != 0 && produced_ % captureSpacing_ == 0) {
          block->inputOffset = input.offset();
          block->memberOffset = memberOffset;
          block->memberPosition = memberPosition;
          block->stateSize = captureState(*state, block->state.get());
          block->captured = true;
        }
      }
      const uint32_t inBefore = static_cast<uint32_t>(input.size());
      const uint32_t room = static_cast<uint32_t>(fillSize_ - block->size);
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
      if (block->size == fillSize_) continue;
      if (input.size() == 0 || (out == 0 && input.size() == inBefore)) {
        // A cut member, or a read error: zlib's turn.
        if (!input.more()) return zlibTakesOver(memberOffset, memberPosition, *block);
      }
    }
  }
}

}  // namespace zrl
