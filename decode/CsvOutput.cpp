#include "decode/CsvOutput.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zrl {

namespace {

// Write-back is started per chunk; a chunk is dropped from the cache once
// this far behind the end of the file, by which time it is normally clean.
constexpr unsigned long long kWriteBackChunk = 8ull << 20;
constexpr unsigned long long kDropDistance = 64ull << 20;

}  // namespace

CsvOutput::CsvOutput(std::size_t flushThreshold) : flushThreshold_(flushThreshold) {}

CsvOutput::~CsvOutput() { close(); }

bool CsvOutput::createNew(const std::string& path) {
  close();
  // "x": exclusive creation, so a file that appeared since the name was
  // chosen is never truncated.
  return start(std::fopen(path.c_str(), "wbx"));
}

bool CsvOutput::openExisting(const std::string& path, const std::function<bool()>& stopRequested) {
  close();
  // Neither O_CREAT nor O_TRUNC: a device that vanished meanwhile is not
  // replaced by a regular file.
  struct stat status;
  const bool fifo = ::stat(path.c_str(), &status) == 0 && S_ISFIFO(status.st_mode);
  // A blocking open of a FIFO waits for its reader inside the system call,
  // which a stop signal does not end (the handlers restart calls); opened
  // without blocking, it fails with ENXIO until a reader comes.
  int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | (fifo ? O_NONBLOCK : 0));
  while (fd < 0 && fifo && errno == ENXIO) {
    if (stopRequested && stopRequested()) {
      errno = ECANCELED;
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
  }
  if (fd < 0) return false;
  // Written with blocking writes from here on, as a slow reader wants.
  if (fifo) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  std::FILE* file = ::fdopen(fd, "wb");
  if (file == nullptr) {
    ::close(fd);
    return false;
  }
  return start(file);
}

bool CsvOutput::openDescriptor(int fd) {
  close();
  const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
  if (copy < 0) return false;
  std::FILE* file = ::fdopen(copy, "wb");
  if (file == nullptr) {
    ::close(copy);
    return false;
  }
  return start(file);
}

bool CsvOutput::start(std::FILE* file) {
  failed_.store(false);
  errorText_.clear();
  used_ = 0;
  handedBytes_ = 0;
  file_ = file;
  if (file_ == nullptr) return false;
  // Our own buffers already gather large blocks; a second copy in stdio's
  // buffer would only cost time.
  std::setvbuf(file_, nullptr, _IONBF, 0);
  const std::size_t size = flushThreshold_ + (64 << 10);
  if (buffer_.size() < size) buffer_.resize(size);
  stopping_ = false;
  hasHanded_ = false;
  fileBytes_ = 0;
  writeBackStart_ = 0;
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
  // Named so that per-thread CPU figures tell the writing side apart.
  pthread_setname_np(pthread_self(), "zrl-csv-write");
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return hasHanded_ || stopping_; });
    if (!hasHanded_) return;  // stopping, nothing left
    lock.unlock();
    if (!failed()) {
      errno = 0;
      if (std::fwrite(handed_.data(), 1, handedUsed_, file_) != handedUsed_)
        fail(errno);
      else
        releaseWrittenPages(handedUsed_);
    }
    lock.lock();
    hasHanded_ = false;
    changed_.notify_all();
  }
}

void CsvOutput::releaseWrittenPages(std::size_t written) {
  fileBytes_ += written;
  const int fd = fileno(file_);
  while (fileBytes_ - writeBackStart_ >= kWriteBackChunk) {
    // Only hints: dirty pages are queued for writing (not waited for),
    // clean ones are dropped; a failure changes nothing written.
    posix_fadvise(fd, static_cast<off_t>(writeBackStart_), kWriteBackChunk, POSIX_FADV_DONTNEED);
    if (writeBackStart_ >= kDropDistance)
      posix_fadvise(fd, static_cast<off_t>(writeBackStart_ - kDropDistance), kWriteBackChunk,
                    POSIX_FADV_DONTNEED);
    writeBackStart_ += kWriteBackChunk;
  }
}

void CsvOutput::flush() {
  handedBytes_ += used_;
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

}  // namespace zrl
