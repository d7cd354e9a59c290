// Ready-made files: a realistic short drive, and big files for benchmarks.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "tools/zrlwriter/ZrlFileWriter.h"
#include "tools/zrlwriter/ZrlHead.h"

namespace zrlwriter {

// A drive of a few minutes at 10 Hz with Engine, GPS, CAN bus and Status
// groups; it starts a quarter of a second past a whole second.
ZrlHead sampleHead(uint32_t formatVersion = 4);
std::string sampleBody(uint32_t formatVersion = 4);
WriteResult writeSampleFile(const std::string& path, uint32_t formatVersion = 4);

// Streams a file whose body inflates to `bodyBytes` bytes or a row more, with the
// sample's catalog and a realistic mix of every data type. `progress` (may
// be empty) is called now and then with the body bytes written so far.
// `threads` 0 means one per processor (at most 8).
WriteResult writeBigFile(const std::string& path, uint64_t bodyBytes, uint32_t formatVersion = 4,
                         int compressionLevel = 1,
                         const std::function<void(uint64_t done, uint64_t total)>& progress = {},
                         unsigned threads = 0);

}  // namespace zrlwriter
