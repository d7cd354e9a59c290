#include "decode/CsvOutput.h"

#include <cerrno>
#include <cstring>

CsvOutput::CsvOutput(std::size_t flushThreshold) : flushThreshold_(flushThreshold) {}

CsvOutput::~CsvOutput() { close(); }

bool CsvOutput::createNew(const std::string& path) {
  close();
  failed_ = false;
  errorText_.clear();
  used_ = 0;
  // "x": exclusive creation, so a file that appeared since the name was
  // chosen is never truncated.
  file_ = std::fopen(path.c_str(), "wbx");
  if (file_ == nullptr) return false;
  // Our own buffer already gathers large blocks; a second copy in stdio's
  // buffer would only cost time.
  std::setvbuf(file_, nullptr, _IONBF, 0);
  if (buffer_.size() < flushThreshold_ + (64 << 10)) buffer_.resize(flushThreshold_ + (64 << 10));
  return true;
}

void CsvOutput::grow(std::size_t needed) {
  std::size_t size = buffer_.empty() ? 4096 : buffer_.size();
  while (size < needed) size *= 2;
  buffer_.resize(size);
}

void CsvOutput::fail(int error) {
  if (!failed_) errorText_ = std::strerror(error != 0 ? error : EIO);
  failed_ = true;
}

void CsvOutput::flush() {
  if (file_ == nullptr || failed_) {
    used_ = 0;
    return;
  }
  if (used_ > 0) {
    errno = 0;
    if (std::fwrite(buffer_.data(), 1, used_, file_) != used_) fail(errno);
  }
  used_ = 0;
}

bool CsvOutput::close() {
  if (file_ == nullptr) return !failed_;
  flush();
  errno = 0;
  if (std::fclose(file_) != 0) fail(errno);
  file_ = nullptr;
  return !failed_;
}
