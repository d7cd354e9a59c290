// Text of logged strings as the typed formats store it. A logger stores
// bytes; the formats promise UTF-8 (HDF5) or UTF-16 (MATLAB), so a byte
// sequence that is not UTF-8 is stored as U+FFFD instead of making the
// whole column unreadable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zrl {

// Appends `text` (`length` bytes) to `out` as valid UTF-8.
void appendValidUtf8(const char* text, std::size_t length, std::string& out);

// `text` (valid UTF-8) as UTF-16 code units, replacing `out`.
void utf16FromUtf8(const std::string& text, std::vector<uint16_t>& out);

}  // namespace zrl
