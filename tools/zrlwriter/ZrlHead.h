// Description of a file's head (header, extension, catalog) and its encoding.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tools/zrlwriter/WriterLayout.h"

namespace zrlwriter {

// Data type codes of a variable descriptor. Descriptors take any byte, these
// are only the meaningful ones.
enum DataType : uint8_t {
  kUnused = 0,
  kBoolean = 1,
  kInteger = 2,
  kFloat = 3,
  kDouble = 4,
  kString = 5,
  kCanFrame = 6,
  kTimestamp = 7,
};

// A 12-byte time value: seconds, 4 unused bytes, nanoseconds.
struct TimeValue {
  int32_t seconds = 0;
  uint32_t unused = 0;
  int32_t nanoseconds = 0;
  // Both parts carry the sign of `ms` (truncating division), so the reader's
  // seconds * 1000 + nanoseconds / 1000000 gives `ms` back.
  static TimeValue fromMs(int64_t ms);
  int64_t toMs() const;
};

// One descriptor slot of the catalog plus its variable name.
struct ZrlVariable {
  uint16_t slot = 0;      // descriptor index, 0..19999; also where the name goes
  uint16_t id = 0;        // raw id field, normally equal to slot
  uint16_t groupId = 0;
  uint8_t type = kUnused;
  uint8_t unitIndex = 0;
  uint8_t decimals = 0;
  std::string name;       // raw bytes, at most 32 (32 means no NUL)
};

struct ZrlHead {
  uint32_t formatVersion = 4;
  TimeValue startTime, endTime, startCounter, endCounter;
  std::string note;                 // raw bytes, at most 1024
  uint32_t reserved = 0;            // the 4 bytes at 1076
  float recordingFrequency = 10.0f;
  uint8_t reservedByte = 0;
  // Written instead of the correct stored size when set.
  std::optional<uint32_t> storedSizeOverride;
  // Header extension, written only for versions >= 3.
  std::string serial;               // at most 32 bytes
  std::array<uint8_t, 16> uid{};
  std::string firmware;             // at most 32 bytes
  std::map<uint32_t, std::string> groups;   // group id -> name bytes
  std::map<uint32_t, std::string> units;    // unit index -> symbol bytes
  std::vector<ZrlVariable> variables;

  // The file starts at `startMs` and ends at `endMs` (ms since 1970 UTC):
  // startTime and endTime are set to them, and the running-clock counters to
  // `counterStartMs` and `counterStartMs + (endMs - startMs)`.
  void setTimeSpan(int64_t startMs, int64_t endMs, int64_t counterStartMs = 0);
  // Adds a descriptor whose id equals its slot; returns it for raw tweaks.
  ZrlVariable& addVariable(uint16_t slot, uint16_t groupId, uint8_t type, const std::string& name,
                           uint8_t unitIndex = 0, uint8_t decimals = 0);
};

// The stored uncompressed size a reader accepts for a body that inflates to
// `bodyLength` bytes: (850805 + bodyLength) mod 2^32, for every version.
uint32_t correctStoredSize(uint64_t bodyLength);

// Magic, header, extension (versions >= 3) and catalog with `storedSize` at 1085.
// Throws ZrlWriteError for fields that do not fit.
std::string encodeHead(const ZrlHead& head, uint32_t storedSize);

}  // namespace zrlwriter
