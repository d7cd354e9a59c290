#include "reader/GzBlockReader.h"

#include <cerrno>
#include <climits>
#include <pthread.h>
#include <system_error>
#include <unistd.h>

#include <isa-l/igzip_lib.h>

namespace zrl {

GzBlockReader::GzBlockReader() = default;
GzBlockReader::~GzBlockReader() { close(); }

void GzBlockReader::setCaptureSpacing(uint64_t bytes) {
  if (bytes == 0) {
    captureSpacing_ = 0;
    fillSize_ = kBlockSize;
  } else if (bytes < kBlockSize) {
    captureSpacing_ = bytes;
    fillSize_ = static_cast<std::size_t>(bytes);
  } else {
    captureSpacing_ = (bytes + kBlockSize - 1) / kBlockSize * kBlockSize;
    fillSize_ = kBlockSize;
  }
}

bool GzBlockReader::open(int fd) {
  close();
  resuming_ = false;
  return start(fd);
}

bool GzBlockReader::openAt(int fd, const ResumePoint& point) {
  close();
  if (::lseek(fd, static_cast<off_t>(point.inputOffset), SEEK_SET) < 0) {
    ::close(fd);
    return false;
  }
  resume_ = point;
  resuming_ = true;
  return start(fd);
}

bool GzBlockReader::start(int fd) {
  fd_ = fd;
  // zlib can only take over a member when the file can be read again from
  // its start; a stream that cannot seek is left to zlib alone.
  const off_t offset = ::lseek(fd, 0, SEEK_CUR);
  streamOffset_ = offset < 0 ? -1 : static_cast<int64_t>(offset);

  ring_ = std::make_unique<Block[]>(kBlockCount);
  for (unsigned i = 0; i < kBlockCount; ++i) {
    ring_[i].data = std::make_unique<char[]>(kBlockSize);
    if (captureSpacing_ != 0) ring_[i].state = std::make_unique<uint8_t[]>(inflaterStateCapacity());
  }
  if (!inflateState_) inflateState_ = std::make_unique<inflate_state>();
  if (!input_) input_ = std::make_unique<uint8_t[]>(kInputSize);
  current_ = nullptr;
  blockBegin_ = next_ = end_ = nullptr;
  const uint64_t first = resuming_ ? resume_.streamPosition : 0;
  blockStart_ = first;
  taken_ = 0;
  atEnd_ = failed_ = lastTaken_ = false;
  failureNumber_ = Z_OK;
  failureMessage_.clear();
  published_ = released_ = 0;
  stop_ = false;
  filled_ = 0;
  publishedBytes_ = first;
  produced_ = first;
  outcome_ = Outcome{};
  cutAt_.store(UINT64_MAX, std::memory_order_relaxed);
  cutMessage_.clear();

  inline_ = false;
  if (resuming_ && streamOffset_ < 0) {
    ::close(fd);
    fd_ = -1;
    ring_.reset();
    return false;
  }
  try {
    thread_ = std::thread(&GzBlockReader::produce, this);
  } catch (const std::system_error&) {
    // Without a second thread zlib fills the same blocks when needed; it
    // cannot start in the middle of a member.
    if (resuming_) {
      ::close(fd);
      fd_ = -1;
      ring_.reset();
      return false;
    }
    inline_ = true;
    file_ = gzdopen(fd, "rb");
    if (file_ == nullptr) {
      fd_ = -1;
      ring_.reset();
      return false;
    }
  }
  open_ = true;
  return true;
}

void GzBlockReader::close() {
  if (thread_.joinable()) {
    {
      std::lock_guard<std::mutex> guard(lock_);
      stop_ = true;
    }
    blockFree_.notify_all();
    thread_.join();
  }
  if (file_ != nullptr) {
    gzclose(file_);  // closes fd_ too
    file_ = nullptr;
  } else if (fd_ >= 0) {
    ::close(fd_);
  }
  fd_ = -1;
  open_ = false;
  ring_.reset();
  current_ = nullptr;
  blockBegin_ = next_ = end_ = nullptr;
}

int GzBlockReader::readAcrossBlocks(char* out, unsigned length) {
  if (!open_ || failed_) return -1;
  if (length == 0) return 0;
  if (length > static_cast<unsigned>(INT_MAX)) {
    // gzread refuses such a request for good as well.
    failWith(Z_STREAM_ERROR, "request does not fit in an int");
    return -1;
  }
  unsigned got = 0;
  for (;;) {
    const std::size_t available = static_cast<std::size_t>(end_ - next_);
    if (available > 0) {
      const unsigned n = length - got < available ? length - got : static_cast<unsigned>(available);
      std::memcpy(out + got, next_, n);
      next_ += n;
      got += n;
      if (got == length) return static_cast<int>(got);
    }
    if (!nextBlock()) break;
  }
  if (current_->tail == Tail::End) {
    atEnd_ = true;
    return static_cast<int>(got);
  }
  // The bytes gathered so far are dropped, as zlib drops them when the fill
  // a read needs fails.
  failWith(outcome_.errorNumber, outcome_.message);
  errno = outcome_.systemError;
  return -1;
}

void GzBlockReader::failWith(int number, std::string message) {
  failed_ = true;
  failureNumber_ = number;
  failureMessage_ = std::move(message);
}

bool GzBlockReader::nextBlock() {
  if (lastTaken_) return false;
  if (current_ != nullptr) blockStart_ += current_->size;
  if (inline_) {
    current_ = &ring_[0];
    fillBlock(*current_);
  } else {
    std::unique_lock<std::mutex> guard(lock_);
    if (current_ != nullptr) ++released_;
    guard.unlock();
    blockFree_.notify_one();
    guard.lock();
    blockReady_.wait(guard, [this] { return published_ > taken_; });
    current_ = &ring_[taken_ % kBlockCount];
  }
  ++taken_;
  blockBegin_ = next_ = current_->data.get();
  end_ = next_ + current_->size;
  lastTaken_ = current_->tail != Tail::More;
  return true;
}

GzBlockReader::Block* GzBlockReader::freeBlock() {
  std::unique_lock<std::mutex> guard(lock_);
  blockFree_.wait(guard, [this] { return stop_ || filled_ - released_ < kBlockCount; });
  if (stop_) return nullptr;
  Block* block = &ring_[filled_ % kBlockCount];
  block->size = 0;
  block->tail = Tail::More;
  block->captured = false;
  return block;
}

void GzBlockReader::publishFilled() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    for (uint64_t i = published_; i < filled_; ++i) publishedBytes_ += ring_[i % kBlockCount].size;
    published_ = filled_;
  }
  blockReady_.notify_one();
}

void GzBlockReader::produce() {
  // Named so that per-thread CPU figures tell the inflating side apart.
  pthread_setname_np(pthread_self(), "zrl-inflate");
  if (!inflateFast()) return;
  for (;;) {
    Block* block = freeBlock();
    if (block == nullptr) return;
    fillBlock(*block);
    ++filled_;
    publishFilled();
    if (block->tail != Tail::More) return;
  }
}

bool GzBlockReader::zlibTakesOver(uint64_t fileOffset, uint64_t streamPosition, Block& current) {
  const uint64_t currentStart = produced_ - current.size;
  if (streamPosition >= publishedBytes_) {
    // What came before the member is sound (its members' trailers were
    // checked): it goes out as it is, and zlib goes on from the member.
    if (streamPosition >= currentStart) {
      current.size = static_cast<std::size_t>(streamPosition - currentStart);
      ++filled_;
    } else {
      // The member began in the block held back; the newer one is dropped.
      ring_[(filled_ - 1) % kBlockCount].size -= static_cast<std::size_t>(currentStart - streamPosition);
    }
    publishFilled();
  } else {
    // What was inflated but not yet published is inflated again by zlib.
    filled_ = published_;
  }
  produced_ = streamPosition;
  // A stream that cannot seek goes to zlib from its first byte, where it is.
  if (streamOffset_ < 0 || ::lseek(fd_, static_cast<off_t>(fileOffset), SEEK_SET) >= 0)
    file_ = gzdopen(fd_, "rb");
  if (file_ == nullptr) {
    outcome_.errorNumber = Z_MEM_ERROR;
    outcome_.message = "out of memory";
  } else if (skipTo(publishedBytes_)) {
    return true;
  }
  // zlib failed before the published bytes end (they stand: ISA-L found
  // them sound), or could not start: the failure shows right after them.
  Block* block = freeBlock();
  if (block == nullptr) return false;
  block->tail = Tail::Failure;
  ++filled_;
  publishFilled();
  return false;
}

bool GzBlockReader::skipTo(uint64_t position) {
  std::unique_ptr<char[]> scratch;
  while (produced_ < position) {
    if (!scratch) scratch = std::make_unique<char[]>(64 << 10);
    const uint64_t left = position - produced_;
    const unsigned room = left < (64u << 10) ? static_cast<unsigned>(left) : (64u << 10);
    const unsigned buffered = file_->have;
    const uint64_t fillStart = produced_;
    const int got = gzread(file_, scratch.get(), buffered == 0 ? 1 : buffered < room ? buffered : room);
    if (got <= 0) {
      outcome_.systemError = errno;
      const char* message = gzerror(file_, &outcome_.errorNumber);
      outcome_.message = message != nullptr ? message : "";
      return false;
    }
    produced_ += static_cast<unsigned>(got);
    if (buffered == 0) noteCutStream(fillStart);
  }
  return true;
}

void GzBlockReader::fillBlock(Block& block) {
  block.size = 0;
  block.tail = Tail::More;
  char* const data = block.data.get();
  while (block.size < kBlockSize) {
    const unsigned room = static_cast<unsigned>(kBlockSize - block.size);
    const unsigned buffered = file_->have;
    const uint64_t fillStart = produced_;
    // What zlib holds is copied out as is; only an empty buffer makes it
    // fill again, and a one-byte read asks for exactly one fill.
    const int got = gzread(file_, data + block.size, buffered == 0 ? 1 : buffered < room ? buffered : room);
    if (got > 0) {
      block.size += static_cast<unsigned>(got);
      produced_ += static_cast<unsigned>(got);
      if (buffered == 0) noteCutStream(fillStart);
      continue;
    }
    if (got == 0) {
      noteCutStream(fillStart);
      block.tail = Tail::End;
      return;
    }
    outcome_.systemError = errno;
    const char* message = gzerror(file_, &outcome_.errorNumber);
    outcome_.message = message != nullptr ? message : "";
    block.tail = Tail::Failure;
    return;
  }
}

void GzBlockReader::noteCutStream(uint64_t fillStart) {
  if (cutAt_.load(std::memory_order_relaxed) != UINT64_MAX) return;
  int number = Z_OK;
  const char* message = gzerror(file_, &number);
  if (number != Z_BUF_ERROR) return;
  cutMessage_ = message != nullptr ? message : "";
  cutAt_.store(fillStart, std::memory_order_release);
}

bool GzBlockReader::pointAtCurrentBlock(ResumePoint& out) const {
  if (current_ == nullptr || !current_->captured) return false;
  out.streamPosition = blockStart_;
  out.inputOffset = current_->inputOffset;
  out.memberOffset = current_->memberOffset;
  out.memberPosition = current_->memberPosition;
  out.checkLength = static_cast<uint32_t>(current_->size < kResumeCheckBytes ? current_->size : kResumeCheckBytes);
  out.checkCrc = static_cast<uint32_t>(
      crc32(0L, reinterpret_cast<const Bytef*>(current_->data.get()), static_cast<uInt>(out.checkLength)));
  out.inflaterState.assign(current_->state.get(), current_->state.get() + current_->stateSize);
  return true;
}

bool GzBlockReader::resumeMatches(const ResumePoint& point) {
  if (!open_ || failed_) return false;
  if (current_ == nullptr && !nextBlock()) return false;
  if (available() < point.checkLength || current_->tail == Tail::Failure) return false;
  const uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(next_), static_cast<uInt>(point.checkLength));
  return static_cast<uint32_t>(crc) == point.checkCrc;
}

int GzBlockReader::errorNumber() const {
  if (!open_) return Z_OK;
  if (failed_) return failureNumber_;
  const uint64_t cut = cutAt_.load(std::memory_order_acquire);
  // zlib reports the cut from the read that needed the fill that ran into it.
  if (cut != UINT64_MAX && (atEnd_ || position() > cut)) return Z_BUF_ERROR;
  return Z_OK;
}

std::string GzBlockReader::errorMessage() const {
  if (!open_) return "no open stream";
  if (failed_) return failureMessage_;
  if (errorNumber() == Z_BUF_ERROR) return cutMessage_;
  return "";
}

}  // namespace zrl
