// Decoding of the small fields of the file head.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zrl {

// A 12-byte time value (seconds, 4 unused bytes, nanoseconds) in
// milliseconds since 1970 UTC; the nanoseconds are truncated toward zero.
int64_t timeValueMs(const uint8_t* field);

// The text of a fixed-size field: the bytes before the first NUL, or the
// whole field when it holds none.
std::string fieldText(const uint8_t* field, std::size_t size);

// The 16 uid bytes as lower-case hex in the 8-4-4-4-12 grouping.
std::string uidText(const uint8_t* uid);

// The header stores the uncompressed length in 32 bits. Files large enough to
// have wrapped that counter get 2^32 added back, judged by the size on disk
// (a compression ratio above five is taken as a sign of wrapping).
uint64_t correctedUncompressedSize(uint32_t storedSize, uint64_t fileSizeOnDisk);

}  // namespace zrl
