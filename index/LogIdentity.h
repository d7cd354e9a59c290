// What tells one log file apart from another, and the same file from an
// earlier state of itself: its size and modification time, and digests of
// its first bytes (the header with its times and stored size), of the first
// compressed bytes of the record stream and of the file's last bytes.
#pragma once

#include <cstdint>
#include <string>

namespace zrl {

struct LogIdentity {
  uint64_t size = 0;
  int64_t modifiedNs = 0;
  uint64_t headDigest = 0;
  uint64_t streamDigest = 0;
  uint64_t tailDigest = 0;

  bool operator==(const LogIdentity& other) const {
    return size == other.size && modifiedNs == other.modifiedNs && headDigest == other.headDigest &&
           streamDigest == other.streamDigest && tailDigest == other.tailDigest;
  }
  bool operator!=(const LogIdentity& other) const { return !(*this == other); }
  // One digest of all the fields, in hex: the index file's name.
  std::string key() const;
};

// The identity of the log at `path`, whose record stream starts at file
// offset `streamStart`. False when the file cannot be read as a regular file.
bool identifyLog(const std::string& path, uint64_t streamStart, LogIdentity& out);

// 64-bit FNV-1a, continued from `digest`.
uint64_t digestBytes(const void* data, std::size_t length, uint64_t digest = 0xcbf29ce484222325ull);

}  // namespace zrl
