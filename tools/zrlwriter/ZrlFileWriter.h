// Writes a whole file from a head description and a body in one go.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "tools/zrlwriter/ZrlHead.h"

namespace zrlwriter {

enum class BodyEncoding { Gzip, Plain };

struct WriteOptions {
  BodyEncoding encoding = BodyEncoding::Gzip;
  int compressionLevel = 6;
  // Gzip only: the body is split into this many consecutive gzip members of
  // near-equal size (an empty body still gives one member).
  int gzipMembers = 1;
  // Appended after the (compressed or plain) body.
  std::string trailingGarbage;
  // Keeps only the first N bytes written after the head (garbage included).
  std::optional<uint64_t> truncateBodyAt;
  // Keeps only the first N bytes of the whole file (applied last).
  std::optional<uint64_t> truncateFileAt;
};

struct WriteResult {
  uint64_t fileSize = 0;
  uint64_t headSize = 0;
  uint64_t bodyLength = 0;   // decompressed body length (the records)
  uint32_t storedSize = 0;   // value written at offset 1085
};

// The whole file in memory.
std::string buildZrlBytes(const ZrlHead& head, const std::string& body, const WriteOptions& options = {},
                          WriteResult* result = nullptr);
// Writes buildZrlBytes() to `path` (replacing it). Throws ZrlWriteError.
WriteResult writeZrlFile(const std::string& path, const ZrlHead& head, const std::string& body,
                         const WriteOptions& options = {});

// One gzip member of `data`.
std::string gzipCompress(const std::string& data, int level = 6);

}  // namespace zrlwriter
