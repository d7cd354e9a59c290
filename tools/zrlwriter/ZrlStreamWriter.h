#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tools/zrlwriter/ZrlFileWriter.h"
#include "tools/zrlwriter/ZrlHead.h"

namespace zrlwriter {

class ParallelGzip;

// Writes big files with flat memory: the head first, then body chunks
// deflated as they arrive into one gzip member (on `threads` threads), then
// the stored size is patched into the head (unless the head carries an
// override).
class ZrlStreamWriter {
 public:
  ZrlStreamWriter(const std::string& path, const ZrlHead& head, int compressionLevel = 1, unsigned threads = 1);
  ~ZrlStreamWriter();   // closes the file; an unfinished file keeps stored size 0
  ZrlStreamWriter(const ZrlStreamWriter&) = delete;
  ZrlStreamWriter& operator=(const ZrlStreamWriter&) = delete;

  void append(const char* data, size_t length);
  void append(const std::string& bytes) { append(bytes.data(), bytes.size()); }
  // Replaces the head description (same format version), for fields only
  // known at the end such as the end time; the head is rewritten by finish().
  void updateHead(const ZrlHead& head);
  // Ends the gzip stream, patches the stored size and closes the file.
  WriteResult finish();

  uint64_t bodyLength() const { return bodyLength_; }
  uint64_t bytesWritten() const { return bytesWritten_; }

 private:
  void writeOut(const char* data, size_t length);
  void patch(uint64_t offset, const char* data, size_t length);

  std::string path_;
  ZrlHead headCopy_;
  int fd_ = -1;
  std::unique_ptr<ParallelGzip> gzip_;
  uint64_t bodyLength_ = 0;
  uint64_t bytesWritten_ = 0;
  uint64_t headSize_ = 0;
  bool finished_ = false;
  bool headChanged_ = false;
};

}  // namespace zrlwriter
