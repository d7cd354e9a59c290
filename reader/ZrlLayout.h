// Byte layout of a .zrl log file: an uncompressed head (magic, fixed header,
// optional header extension, variable catalog) followed by one gzip stream
// of records. All integers are little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

#include "values/Limits.h"

namespace zrl {

constexpr uint32_t kMagicNumber = 0x4C554D4F;  // the bytes "OMUL"
constexpr std::size_t kMagicSize = 4;

// The decoder's own format version; files up to this version are accepted.
constexpr uint32_t kDecoderFormatVersion = 4;
constexpr const char* kDecoderFormatVersionText = "4";

// Fixed header, directly after the magic number. Offsets are relative to the
// header's first byte (file offset 4).
constexpr std::size_t kHeaderSize = 1089;
namespace header {
constexpr std::size_t kStartTime = 0;
constexpr std::size_t kEndTime = 12;
constexpr std::size_t kStartCounter = 24;
constexpr std::size_t kEndCounter = 36;
constexpr std::size_t kNote = 48;
constexpr std::size_t kNoteSize = 1024;
constexpr std::size_t kRecordingFrequency = 1076;
constexpr std::size_t kReservedByte = 1080;
constexpr std::size_t kUncompressedSize = 1081;
constexpr std::size_t kFormatVersion = 1085;
}  // namespace header

// Header extension (format version 3 and higher), relative to its first byte.
constexpr std::size_t kExtensionSize = 80;
constexpr uint32_t kFirstVersionWithExtension = 3;
namespace extension {
constexpr std::size_t kSerial = 0;
constexpr std::size_t kSerialSize = 32;
constexpr std::size_t kUid = 32;
constexpr std::size_t kUidSize = 16;
constexpr std::size_t kFirmware = 48;
constexpr std::size_t kFirmwareSize = 32;
}  // namespace extension

// Variable catalog. Version 4 widened the group-name table from 1024 to
// 2048 entries and the timestamp offsets from 4 to 8 bytes.
constexpr uint32_t kFirstVersionWithWideCatalog = 4;
constexpr std::size_t kNameSize = 32;
constexpr std::size_t kMaxGroups = 2048;
constexpr std::size_t kNarrowGroupCount = 1024;
constexpr std::size_t kUnitCount = 128;
constexpr std::size_t kDescriptorSize = 7;
constexpr std::size_t kWideCatalogSize = 849632;
constexpr std::size_t kNarrowCatalogSize = 816864;

// Descriptor fields, relative to the descriptor.
namespace descriptor {
constexpr std::size_t kId = 0;
constexpr std::size_t kGroupId = 2;
constexpr std::size_t kType = 4;
constexpr std::size_t kUnitIndex = 5;
constexpr std::size_t kDecimals = 6;
}  // namespace descriptor

// Length of a version 4 head; the progress counter starts there for every
// version.
constexpr uint64_t kHeadLength = 850805;

// Record id of a timestamp record; every other id names a variable.
constexpr uint16_t kTimestampRecordId = 0xFFFF;

// Longest payloads of the variable-length types.
constexpr uint8_t kMaxStringLength = 32;
constexpr uint8_t kMaxCanDataLength = 8;

inline uint16_t loadLe16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t loadLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t loadLe64(const uint8_t* p) {
  return static_cast<uint64_t>(loadLe32(p)) | (static_cast<uint64_t>(loadLe32(p + 4)) << 32);
}

}  // namespace zrl
