#include "tools/zrlwriter/RecordEncoder.h"

#include <cstring>

#include "tools/zrlwriter/WriterLayout.h"

namespace zrlwriter {

RecordEncoder::RecordEncoder(uint32_t formatVersion) : version_(formatVersion) {}

void RecordEncoder::put16(uint16_t v) {
  const char b[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
  bytes_.append(b, 2);
}

void RecordEncoder::put32(uint32_t v) {
  char b[4];
  for (int i = 0; i < 4; ++i) b[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  bytes_.append(b, 4);
}

void RecordEncoder::put64(uint64_t v) {
  char b[8];
  for (int i = 0; i < 8; ++i) b[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  bytes_.append(b, 8);
}

RecordEncoder& RecordEncoder::timestamp(uint64_t offsetMs) {
  put16(layout::kTimestampRecordId);
  if (layout::timestampWidth(version_) == 8)
    put64(offsetMs);
  else
    put32(static_cast<uint32_t>(offsetMs));
  return *this;
}

RecordEncoder& RecordEncoder::boolean(uint16_t id, uint8_t rawByte) {
  put16(id);
  bytes_.push_back(static_cast<char>(rawByte));
  return *this;
}

RecordEncoder& RecordEncoder::integer(uint16_t id, int32_t value) {
  put16(id);
  put32(static_cast<uint32_t>(value));
  return *this;
}

RecordEncoder& RecordEncoder::floatValue(uint16_t id, float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, 4);
  put16(id);
  put32(bits);
  return *this;
}

RecordEncoder& RecordEncoder::doubleValue(uint16_t id, double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, 8);
  put16(id);
  put64(bits);
  return *this;
}

RecordEncoder& RecordEncoder::string(uint16_t id, const std::string& bytes) {
  if (bytes.size() > 255)
    throw ZrlWriteError("string of " + std::to_string(bytes.size()) + " bytes does not fit a length byte");
  return string(id, static_cast<uint8_t>(bytes.size()), bytes);
}

RecordEncoder& RecordEncoder::string(uint16_t id, uint8_t lengthByte, const std::string& bytes) {
  put16(id);
  bytes_.push_back(static_cast<char>(lengthByte));
  bytes_ += bytes;
  return *this;
}

RecordEncoder& RecordEncoder::canFrame(uint16_t id, uint8_t lengthByte, uint32_t identifier,
                                       const std::string& data) {
  put16(id);
  bytes_.push_back(static_cast<char>(lengthByte));
  put32(identifier);
  bytes_ += data;
  return *this;
}

RecordEncoder& RecordEncoder::timestampValue(uint16_t id, uint64_t micros) {
  put16(id);
  put64(micros);
  return *this;
}

RecordEncoder& RecordEncoder::recordId(uint16_t id) {
  put16(id);
  return *this;
}

RecordEncoder& RecordEncoder::raw(const std::string& bytes) {
  bytes_ += bytes;
  return *this;
}

}  // namespace zrlwriter
