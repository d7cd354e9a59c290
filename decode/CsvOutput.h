// The CSV file being written: a large in-memory buffer that lines are
// formatted straight into, handed to the file in big writes.
//
// A line is built at the end of the buffer and then either kept (endLine)
// or taken back (dropLine), so a suppressed row costs no write. The buffer
// is only written out between lines and grows when one line needs more
// room, so no line is ever cut short.
//
// Full buffers are written by a background thread while the next one is
// filled, so formatting and the file system's work overlap.
//
// A decode streams gigabytes into a file that is not read back soon, so the
// pages already written out are handed back to the system as the file grows
// instead of piling up in the page cache: recycled pages are much cheaper to
// write into than fresh ones, and the rest of the cache survives the decode.
// This never waits for the disk: what is not yet written out stays cached.
//
// Write errors (full disk, vanished file system) are remembered and stop
// further writes; the caller checks failed() and the result of close().
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zrl {

class CsvOutput {
 public:
  explicit CsvOutput(std::size_t flushThreshold = 1024 << 10);
  ~CsvOutput();
  CsvOutput(const CsvOutput&) = delete;
  CsvOutput& operator=(const CsvOutput&) = delete;

  // Creates `path`, which must not exist yet (an existing file is never
  // truncated). errno tells why it failed (EEXIST when the name is taken).
  bool createNew(const std::string& path);
  // Writes into `path`, which exists and is a device or a FIFO: opened as
  // it is, never created nor truncated. A FIFO is waited for until it has a
  // reader or `stopRequested` returns true (then errno is ECANCELED).
  bool openExisting(const std::string& path, const std::function<bool()>& stopRequested = {});
  // Writes into a copy of the open descriptor `fd` (standard output); the
  // caller's descriptor stays open.
  bool openDescriptor(int fd);
  bool isOpen() const { return file_ != nullptr; }

  // Room for `n` more bytes at the end; returns where to write them. The
  // pointer stays valid until the next call of reserve/append.
  char* reserve(std::size_t n) {
    if (used_ + n > buffer_.size()) grow(used_ + n);
    return buffer_.data() + used_;
  }
  void commit(std::size_t n) { used_ += n; }
  void append(const char* bytes, std::size_t n) {
    char* p = reserve(n);
    for (std::size_t i = 0; i < n; ++i) p[i] = bytes[i];
    commit(n);
  }
  void append(const std::string& text) { append(text.data(), text.size()); }
  void appendChar(char c) { *reserve(1) = c; commit(1); }

  // Marks where the line being built begins.
  std::size_t lineStart() const { return used_; }
  // Removes what was appended since `start`.
  void dropLine(std::size_t start) { used_ = start; }
  // The line is complete: the buffer may be written out now.
  void endLine() {
    if (used_ >= flushThreshold_) flush();
  }
  // Last byte appended (the buffer must not be empty).
  char& back() { return buffer_[used_ - 1]; }

  // Bytes appended since the file was opened, written out or not.
  unsigned long long appendedBytes() const { return handedBytes_ + used_; }

  // Hands everything buffered to the file.
  void flush();
  // Flushes and closes. False when any write or the close failed.
  bool close();

  bool failed() const { return failed_.load(std::memory_order_acquire); }
  // Text of the first write error ("No space left on device"), or empty.
  // Valid once failed() is true.
  const std::string& errorText() const { return errorText_; }

 private:
  bool start(std::FILE* file);
  void grow(std::size_t needed);
  void fail(int error);
  void writeLoop();
  void waitUntilWritten(std::unique_lock<std::mutex>& lock);
  void releaseWrittenPages(std::size_t written);

  std::FILE* file_ = nullptr;
  std::vector<char> buffer_;  // being filled
  std::size_t used_ = 0;
  unsigned long long handedBytes_ = 0;  // bytes handed to the writing thread
  std::size_t flushThreshold_;
  std::atomic<bool> failed_{false};
  std::string errorText_;     // set once, before failed_, by whoever failed first

  // Hand-over to the writing thread.
  std::thread writer_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<char> handed_;  // being written
  std::size_t handedUsed_ = 0;
  bool hasHanded_ = false;
  bool stopping_ = false;

  // Writing thread only: bytes in the file, and how far the file has been
  // handed to write-back.
  unsigned long long fileBytes_ = 0;
  unsigned long long writeBackStart_ = 0;
};

}  // namespace zrl
