// One input of the whole-decode target: the decode settings, the version
// and a few head fields, then the record stream, which the target stores
// plain or gzip-compressed behind a head built by our writer.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/fuzz/FuzzLog.h"

namespace zrlfuzz {

enum class BodyStorage : uint8_t { Plain = 0, Gzip = 1, GzipMembers = 2, GzipWithGarbage = 3 };

// Time window choices, for the start and the end alike.
enum class WindowChoice : uint8_t {
  Whole = 0,        // 0: the file's own limit
  FileLimit = 1,    // exactly the file's start (end)
  Offset = 2,       // the file start plus an offset
  Outside = 3,      // one millisecond outside the file
};

struct DecodeCase {
  uint8_t version = kNewestVersion;   // taken modulo 5
  BodyStorage storage = BodyStorage::Gzip;
  uint8_t members = 2;                // gzip members, 2..5
  uint8_t cut = 0;                    // 0: whole; n: keep n/256 of the stored body
  uint8_t frequencyIndex = 0;         // into frequencyCodes()
  uint8_t method = 0;                 // 0..5 meaningful, others passed as is
  uint8_t flags = 0;                  // kUtc | kMilliseconds | ...
  uint8_t floatFormat = 4;            // 0..4 meaningful
  uint8_t columnSeparator = 0;        // ';' ',' tab or the byte itself
  uint8_t decimalSeparator = 0;       // '.' ',' or the byte itself
  uint8_t selection = 0xFF;           // bit i selects variable i
  uint8_t cancelAtStep = 0;           // with kCancel: progress step that cancels
  WindowChoice windowStart = WindowChoice::Whole;
  WindowChoice windowEnd = WindowChoice::Whole;
  uint8_t indexSpacing = 0;           // index points every 1024 << (n % 8) bytes
  uint32_t startOffsetMs = 0;
  uint32_t endOffsetMs = 0;
  int32_t spanMs = static_cast<int32_t>(kFileSpanMs);  // end minus start of the file
  uint8_t storedSizeMode = 0;         // 0 correct, 1 given, 2 correct plus one
  uint32_t storedSize = 0;
  std::array<uint8_t, kVariableCount> types{};
  std::array<uint8_t, kVariableCount> decimals{};
  std::vector<std::pair<uint8_t, std::string>> aliases;  // variable index, alias
  struct Filter {
    uint8_t variable;
    uint8_t kind;  // even: minimum, odd: maximum; 0xFF: a kind nobody knows
    std::string limit;
  };
  std::vector<Filter> filters;
  std::string records;

  static constexpr uint8_t kUtc = 1, kMilliseconds = 2, kUnitLine = 4, kLeaveBlank = 8,
                           kExistingOutput = 16, kCancel = 32, kShortOutputName = 64;

  // The case's catalog types as in kVariables.
  static DecodeCase withSampleTypes(uint32_t version);

  static DecodeCase parse(const uint8_t* data, std::size_t size);
  std::string encode() const;
};

// Frequency codes the window offers (0 = no resampling), then a few it
// does not.
const std::vector<int32_t>& frequencyCodes();

}  // namespace zrlfuzz
