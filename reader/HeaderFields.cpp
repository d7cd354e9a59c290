#include "reader/HeaderFields.h"

#include <cstring>

#include "reader/ZrlLayout.h"

namespace zrl {

int64_t timeValueMs(const uint8_t* field) {
  const int32_t seconds = static_cast<int32_t>(loadLe32(field));
  const int32_t nanoseconds = static_cast<int32_t>(loadLe32(field + 8));
  return static_cast<int64_t>(seconds) * 1000 + static_cast<int64_t>(nanoseconds) / 1000000;
}

std::string fieldText(const uint8_t* field, std::size_t size) {
  const void* nul = std::memchr(field, 0, size);
  const std::size_t length = nul ? static_cast<const uint8_t*>(nul) - field : size;
  return std::string(reinterpret_cast<const char*>(field), length);
}

std::string uidText(const uint8_t* uid) {
  static const char kHex[] = "0123456789abcdef";
  std::string text;
  text.reserve(36);
  for (std::size_t i = 0; i < extension::kUidSize; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
    text += kHex[uid[i] >> 4];
    text += kHex[uid[i] & 0x0F];
  }
  return text;
}

uint64_t correctedUncompressedSize(uint32_t storedSize, uint64_t fileSizeOnDisk) {
  uint64_t size = storedSize;
  if (fileSizeOnDisk > 0x19999999ULL && size < fileSizeOnDisk * 5) size += 1ULL << 32;
  return size;
}

}  // namespace zrl
