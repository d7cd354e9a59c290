#include "tools/zrlwriter/ZrlStreamWriter.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "tools/zrlwriter/ParallelGzip.h"

namespace zrlwriter {

ZrlStreamWriter::ZrlStreamWriter(const std::string& path, const ZrlHead& head, int compressionLevel,
                                 unsigned threads)
    : path_(path), headCopy_(head) {
  // The real stored size is only known at the end; 0 until then, so an
  // interrupted file is recognisably incomplete.
  const std::string headBytes = encodeHead(head, head.storedSizeOverride ? *head.storedSizeOverride : 0);
  if (compressionLevel < 0 || compressionLevel > 9)
    throw ZrlWriteError("compression level must be 0-9, not " + std::to_string(compressionLevel));
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd_ < 0) throw ZrlWriteError("cannot create " + path + ": " + std::strerror(errno));
  try {
    writeOut(headBytes.data(), headBytes.size());
    headSize_ = headBytes.size();
    gzip_ = std::make_unique<ParallelGzip>(compressionLevel, threads,
                                           [this](const char* data, size_t length) { writeOut(data, length); });
  } catch (...) {
    ::close(fd_);
    throw;
  }
}

ZrlStreamWriter::~ZrlStreamWriter() {
  if (fd_ >= 0) ::close(fd_);
}

void ZrlStreamWriter::writeOut(const char* data, size_t length) {
  bytesWritten_ += length;
  while (length > 0) {
    const ssize_t n = ::write(fd_, data, length);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw ZrlWriteError("cannot write " + path_ + ": " + std::strerror(errno));
    data += n;
    length -= static_cast<size_t>(n);
  }
}

void ZrlStreamWriter::patch(uint64_t offset, const char* data, size_t length) {
  while (length > 0) {
    const ssize_t n = ::pwrite(fd_, data, length, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw ZrlWriteError("cannot rewrite the head of " + path_ + ": " + std::strerror(errno));
    data += n;
    length -= static_cast<size_t>(n);
    offset += static_cast<uint64_t>(n);
  }
}

void ZrlStreamWriter::append(const char* data, size_t length) {
  if (finished_) throw ZrlWriteError("append after finish on " + path_);
  gzip_->write(data, length);
  bodyLength_ += length;
}

void ZrlStreamWriter::updateHead(const ZrlHead& head) {
  if (head.formatVersion != headCopy_.formatVersion)
    throw ZrlWriteError("the format version of a streamed file cannot change");
  headCopy_ = head;
  headChanged_ = true;
}

WriteResult ZrlStreamWriter::finish() {
  if (finished_) throw ZrlWriteError("finish called twice on " + path_);
  finished_ = true;
  gzip_->finish();
  const uint32_t stored =
      headCopy_.storedSizeOverride ? *headCopy_.storedSizeOverride : correctStoredSize(bodyLength_);
  if (headChanged_) {
    const std::string headBytes = encodeHead(headCopy_, stored);
    patch(0, headBytes.data(), headBytes.size());
  } else {
    char le[4];
    for (int i = 0; i < 4; ++i) le[i] = static_cast<char>((stored >> (8 * i)) & 0xFF);
    patch(layout::kStoredSizeOffset, le, 4);
  }
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) throw ZrlWriteError("cannot close " + path_ + ": " + std::strerror(errno));
  WriteResult result;
  result.fileSize = bytesWritten_;
  result.headSize = headSize_;
  result.bodyLength = bodyLength_;
  result.storedSize = stored;
  return result;
}

}  // namespace zrlwriter
