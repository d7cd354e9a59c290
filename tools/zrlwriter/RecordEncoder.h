// Encodes timestamp and value records of the decompressed body.
#pragma once

#include <cstdint>
#include <string>

#include "tools/zrlwriter/WriterLayout.h"

namespace zrlwriter {

// Builds the decompressed record stream of one file.
class RecordEncoder {
 public:
  explicit RecordEncoder(uint32_t formatVersion = 4);

  // Timestamp record: 0xFFFF and the offset after the file start, 4 bytes
  // (low half of `offsetMs`) for versions <= 3, 8 bytes from version 4.
  RecordEncoder& timestamp(uint64_t offsetMs);
  RecordEncoder& boolean(uint16_t id, uint8_t rawByte);
  RecordEncoder& integer(uint16_t id, int32_t value);
  RecordEncoder& floatValue(uint16_t id, float value);
  RecordEncoder& doubleValue(uint16_t id, double value);
  // Length byte = bytes.size() (must be <= 255), then the bytes.
  RecordEncoder& string(uint16_t id, const std::string& bytes);
  // Explicit length byte, then exactly `bytes` (which may be shorter or longer).
  RecordEncoder& string(uint16_t id, uint8_t lengthByte, const std::string& bytes);
  // Length byte, 4-byte identifier, then exactly `data` (any size).
  RecordEncoder& canFrame(uint16_t id, uint8_t lengthByte, uint32_t identifier, const std::string& data);
  RecordEncoder& timestampValue(uint16_t id, uint64_t micros);
  RecordEncoder& recordId(uint16_t id);   // a bare 2-byte record id
  RecordEncoder& raw(const std::string& bytes);

  uint32_t formatVersion() const { return version_; }
  const std::string& bytes() const { return bytes_; }
  size_t size() const { return bytes_.size(); }
  void clear() { bytes_.clear(); }        // keeps capacity, for streaming

 private:
  void put16(uint16_t v);
  void put32(uint32_t v);
  void put64(uint64_t v);
  uint32_t version_;
  std::string bytes_;
};

}  // namespace zrlwriter
