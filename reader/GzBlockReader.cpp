#include "reader/GzBlockReader.h"

#include <cerrno>
#include <climits>
#include <pthread.h>
#include <system_error>

namespace zrl {

bool GzBlockReader::open(int fd) {
  close();
  file_ = gzdopen(fd, "rb");
  if (file_ == nullptr) return false;

  ring_ = std::make_unique<Block[]>(kBlockCount);
  for (unsigned i = 0; i < kBlockCount; ++i) ring_[i].data = std::make_unique<char[]>(kBlockSize);
  current_ = nullptr;
  blockBegin_ = next_ = end_ = nullptr;
  blockStart_ = 0;
  taken_ = 0;
  atEnd_ = failed_ = lastTaken_ = false;
  failureNumber_ = Z_OK;
  failureMessage_.clear();
  published_ = released_ = 0;
  stop_ = false;
  produced_ = 0;
  outcome_ = Outcome{};
  cutAt_.store(UINT64_MAX, std::memory_order_relaxed);
  cutMessage_.clear();

  inline_ = false;
  try {
    thread_ = std::thread(&GzBlockReader::produce, this);
  } catch (const std::system_error&) {
    // Without a second thread the same blocks are filled when needed.
    inline_ = true;
  }
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
    gzclose(file_);
    file_ = nullptr;
  }
  ring_.reset();
  current_ = nullptr;
  blockBegin_ = next_ = end_ = nullptr;
}

int GzBlockReader::readAcrossBlocks(char* out, unsigned length) {
  if (file_ == nullptr || failed_) return -1;
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

void GzBlockReader::produce() {
  // Named so that per-thread CPU figures tell the inflating side apart.
  pthread_setname_np(pthread_self(), "zrl-inflate");
  for (;;) {
    Block* block;
    {
      std::unique_lock<std::mutex> guard(lock_);
      blockFree_.wait(guard, [this] { return stop_ || published_ - released_ < kBlockCount; });
      if (stop_) return;
      block = &ring_[published_ % kBlockCount];
    }
    fillBlock(*block);
    {
      std::lock_guard<std::mutex> guard(lock_);
      ++published_;
    }
    blockReady_.notify_one();
    if (block->tail != Tail::More) return;
  }
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

int GzBlockReader::errorNumber() const {
  if (file_ == nullptr) return Z_OK;
  if (failed_) return failureNumber_;
  const uint64_t cut = cutAt_.load(std::memory_order_acquire);
  // zlib reports the cut from the read that needed the fill that ran into it.
  if (cut != UINT64_MAX && (atEnd_ || position() > cut)) return Z_BUF_ERROR;
  return Z_OK;
}

std::string GzBlockReader::errorMessage() const {
  if (file_ == nullptr) return "no open stream";
  if (failed_) return failureMessage_;
  if (errorNumber() == Z_BUF_ERROR) return cutMessage_;
  return "";
}

}  // namespace zrl
