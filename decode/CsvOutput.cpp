#include "decode/CsvOutput.h"

#include <cerrno>
#include <cstring>

CsvOutput::CsvOutput(std::size_t flushThreshold) : flushThreshold_(flushThreshold) {}

CsvOutput::~CsvOutput() { close(); }

bool CsvOutput::createNew(const std::string& path) {
  close();
  failed_.store(false);
  errorText_.clear();
  used_ = 0;
  // "x": exclusive creation, so a file that appeared since the name was
  // chosen is never truncated.
  file_ = std::fopen(path.c_str(), "wbx");
  if (file_ == nullptr) return false;
  // Our own buffers already gather large blocks; a second copy in stdio's
  // buffer would only cost time.
  std::setvbuf(file_, nullptr, _IONBF, 0);
  const std::size_t size = flushThreshold_ + (64 << 10);
  if (buffer_.size() < size) buffer_.resize(size);
  stopping_ = false;
  hasHanded_ = false;
  writer_ = std::thread(&CsvOutput::writeLoop, this);
  return true;
}

void CsvOutput::grow(std::size_t needed) {
  std::size_t size = buffer_.empty() ? 4096 : buffer_.size();
  while (size < needed) size *= 2;
  buffer_.resize(size);
}

void CsvOutput::fail(int error) {
  if (failed()) return;
  errorText_ = std::strerror(error != 0 ? error : EIO);
  failed_.store(true, std::memory_order_release);
}

void CsvOutput::waitUntilWritten(std::unique_lock<std::mutex>& lock) {
  changed_.wait(lock, [this] { return !hasHanded_; });
}

void CsvOutput::writeLoop() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return hasHanded_ || stopping_; });
    if (!hasHanded_) return;  // stopping, nothing left
    lock.unlock();
    if (!failed()) {
      errno = 0;
      if (std::fwrite(handed_.data(), 1, handedUsed_, file_) != handedUsed_) fail(errno);
    }
    lock.lock();
    hasHanded_ = false;
    changed_.notify_all();
  }
}

void CsvOutput::flush() {
  if (file_ == nullptr || failed() || used_ == 0) {
    used_ = 0;
    return;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  waitUntilWritten(lock);
  handed_.swap(buffer_);
  handedUsed_ = used_;
  hasHanded_ = true;
  changed_.notify_all();
  lock.unlock();
  used_ = 0;
  const std::size_t size = flushThreshold_ + (64 << 10);
  if (buffer_.size() < size) buffer_.resize(size);
}

bool CsvOutput::close() {
  if (file_ == nullptr) return !failed();
  flush();
  {
    std::unique_lock<std::mutex> lock(mutex_);
    waitUntilWritten(lock);
    stopping_ = true;
    changed_.notify_all();
  }
  writer_.join();
  errno = 0;
  if (std::fclose(file_) != 0) fail(errno);
  file_ = nullptr;
  return !failed();
}
