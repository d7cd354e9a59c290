// Byte layout of a .zrl file as the writer produces it: offsets and sizes by
// format version.
//
// The writer keeps its own copy of these numbers instead of sharing the
// reader's layout header: the files it writes are the test suite's check of
// the reader, and a shared wrong offset would make both agree on a broken
// layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>

namespace zrlwriter {

struct ZrlWriteError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// ---- file layout -----------------------------------------------------------
namespace layout {
constexpr uint32_t kMagic = 0x4C554D4F;       // "OMUL" read little-endian
constexpr size_t kMagicSize = 4;
constexpr size_t kHeaderSize = 1089;          // fixed header after the magic
constexpr size_t kExtensionSize = 80;         // serial, uid, firmware (version >= 3)
constexpr size_t kNoteSize = 1024;
constexpr size_t kNameSize = 32;              // group, variable, unit, serial, firmware fields
constexpr size_t kUidSize = 16;
constexpr size_t kVariableSlots = 20000;
constexpr size_t kUnitSlots = 128;
constexpr size_t kDescriptorSize = 7;
constexpr uint16_t kTimestampRecordId = 0xFFFF;
// File offsets of the fixed header fields.
constexpr size_t kStartTimeOffset = 4;
constexpr size_t kEndTimeOffset = 16;
constexpr size_t kStartCounterOffset = 28;
constexpr size_t kEndCounterOffset = 40;
constexpr size_t kNoteOffset = 52;
constexpr size_t kReservedOffset = 1076;
constexpr size_t kFrequencyOffset = 1080;
constexpr size_t kReservedByteOffset = 1084;
constexpr size_t kStoredSizeOffset = 1085;
constexpr size_t kVersionOffset = 1089;
constexpr size_t kExtensionOffset = 1093;
constexpr size_t kSerialOffset = 1093;
constexpr size_t kUidOffset = 1125;
constexpr size_t kFirmwareOffset = 1141;
// The reader's progress counter starts here whatever the version; the
// stored size is compared against it plus the decompressed body length.
constexpr uint64_t kProgressStart = 850805;

bool hasExtension(uint32_t version);          // version >= 3
bool hasWideCatalog(uint32_t version);        // version >= 4: 2048 groups, 8-byte timestamps
size_t groupSlots(uint32_t version);          // 2048 or 1024
size_t catalogOffset(uint32_t version);       // 1093 or 1173
size_t catalogSize(uint32_t version);         // 849632 or 816864
size_t headSize(uint32_t version);            // 817957, 818037 or 850805
// Offsets inside the catalog.
size_t variableNamesOffset(uint32_t version);
size_t unitSymbolsOffset(uint32_t version);
size_t descriptorsOffset(uint32_t version);
size_t timestampWidth(uint32_t version);      // 4 or 8
}  // namespace layout

}  // namespace zrlwriter
