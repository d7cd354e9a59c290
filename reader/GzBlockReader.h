// Reading side of the compressed record stream, built for many small reads.
//
// zlib inflates the stream into its own output buffer in blocks and gzread()
// copies out of that buffer. For the few bytes of a record the call itself
// dominates, so reads that the buffered block can satisfy are served inline
// from it, exactly as zlib's own gzgetc() does through the public gzFile_s
// fields; everything else goes to gzread(). The stream therefore delivers
// the same bytes, reports its end through gzeof() and fails at the same
// point as if every read had gone through gzread().
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include <zlib.h>

namespace zrl {

class GzBlockReader {
 public:
  GzBlockReader() = default;
  ~GzBlockReader() { close(); }
  GzBlockReader(const GzBlockReader&) = delete;
  GzBlockReader& operator=(const GzBlockReader&) = delete;

  // Starts reading at the current position of `fd`. The stream owns `fd`
  // from then on: close() closes it. False when zlib cannot set up.
  bool open(int fd);
  bool isOpen() const { return file_ != nullptr; }
  // Ends the stream and closes its descriptor.
  void close();

  // Up to `length` bytes into `buffer`: the count delivered (fewer only at
  // the end of the stream), 0 at the end, -1 on an error or with no stream.
  int read(void* buffer, unsigned length) {
    if (file_ != nullptr && file_->have >= length) {
      std::memcpy(buffer, file_->next, length);
      file_->have -= length;
      file_->next += length;
      file_->pos += length;
      return static_cast<int>(length);
    }
    return readThroughZlib(buffer, length);
  }

  // True once a read asked for bytes past the end of the stream (a read
  // that ends exactly on the last byte does not set it).
  bool atEnd() const { return file_ != nullptr && gzeof(file_) != 0; }

  // zlib's error number and message for the last failure.
  int errorNumber() const;
  std::string errorMessage() const;

 private:
  int readThroughZlib(void* buffer, unsigned length);

  gzFile file_ = nullptr;
};

}  // namespace zrl
