#include "tools/zrlwriter/ZrlStreamWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

namespace zrlwriter {
namespace {

constexpr size_t kOutChunk = 1 << 20;

z_stream* zs(void* p) { return static_cast<z_stream*>(p); }

void writeAll(int fd, const char* data, size_t length, const std::string& path) {
  while (length > 0) {
    const ssize_t n = ::write(fd, data, length);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw ZrlWriteError("cannot write " + path + ": " + std::strerror(errno));
    }
    data += n;
    length -= static_cast<size_t>(n);
  }
}

}  // namespace

ZrlStreamWriter::ZrlStreamWriter(const std::string& path, const ZrlHead& head, int compressionLevel)
    : path_(path), headCopy_(head), out_(kOutChunk) {
  // The real stored size is only known at the end; 0 until then, so an
  // interrupted file is recognisably incomplete.
  const std::string headBytes = encodeHead(head, head.storedSizeOverride ? *head.storedSizeOverride : 0);
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd_ < 0) throw ZrlWriteError("cannot create " + path + ": " + std::strerror(errno));
  auto* z = new z_stream{};
  stream_ = z;
  if (deflateInit2(z, compressionLevel, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    delete z;
    stream_ = nullptr;
    ::close(fd_);
    fd_ = -1;
    throw ZrlWriteError("cannot start deflate at level " + std::to_string(compressionLevel));
  }
  writeOut(headBytes.data(), headBytes.size());
  headSize_ = headBytes.size();
}

ZrlStreamWriter::~ZrlStreamWriter() {
  if (stream_) {
    deflateEnd(zs(stream_));
    delete zs(stream_);
  }
  if (fd_ >= 0) ::close(fd_);
}

void ZrlStreamWriter::writeOut(const char* data, size_t length) {
  writeAll(fd_, data, length, path_);
  bytesWritten_ += length;
}

void ZrlStreamWriter::deflateChunk(const char* data, size_t length, int flush) {
  z_stream* z = zs(stream_);
  z->next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
  z->avail_in = static_cast<uInt>(length);
  int rc;
  do {
    z->next_out = reinterpret_cast<Bytef*>(out_.data());
    z->avail_out = static_cast<uInt>(out_.size());
    rc = deflate(z, flush);
    if (rc == Z_STREAM_ERROR) throw ZrlWriteError("deflate failed while writing " + path_);
    writeOut(out_.data(), out_.size() - z->avail_out);
  } while (z->avail_out == 0 || (flush == Z_FINISH && rc != Z_STREAM_END));
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
  // avail_in is 32-bit: feed huge buffers in slices.
  constexpr size_t kSlice = size_t(1) << 30;
  while (length > 0) {
    const size_t n = std::min(length, kSlice);
    deflateChunk(data, n, Z_NO_FLUSH);
    data += n;
    length -= n;
    bodyLength_ += n;
  }
}

void ZrlStreamWriter::updateHead(const ZrlHead& head) {
  if (head.formatVersion != headCopy_.formatVersion)
    throw ZrlWriteError("the format version of a streamed file cannot change");
  headCopy_ = head;
  headChanged_ = true;
}

WriteResult ZrlStreamWriter::finish() {
  if (finished_) throw ZrlWriteError("finish called twice on " + path_);
  deflateChunk(nullptr, 0, Z_FINISH);
  finished_ = true;
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
