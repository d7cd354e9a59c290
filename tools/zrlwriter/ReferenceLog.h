// The log every performance figure is measured on: 50 variables (30 float,
// 10 int, 5 bool, 5 double), each logged in every row at 50 Hz, the mix a
// many-channel logger produces. Values change at different rates, so some
// cells repeat from row to row and others never do.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "tools/zrlwriter/RecordEncoder.h"
#include "tools/zrlwriter/ZrlFileWriter.h"
#include "tools/zrlwriter/ZrlHead.h"

namespace zrlwriter {

class ReferenceLog {
 public:
  static constexpr uint64_t kDefaultRows = 800000;
  static constexpr int64_t kStartMs = 1773480413250;  // 2026-03-14 09:26:53.250 UTC
  static constexpr uint64_t kRowPeriodMs = 20;

  ZrlHead head(uint32_t formatVersion, uint64_t rows) const;
  void appendRow(RecordEncoder& out, uint64_t row) const;
};

// Streams the reference log of `rows` rows to `path` (flat memory).
WriteResult writeReferenceFile(const std::string& path, uint64_t rows = ReferenceLog::kDefaultRows,
                               uint32_t formatVersion = 4, int compressionLevel = 1,
                               const std::function<void(uint64_t done, uint64_t total)>& progress = {},
                               unsigned threads = 0);

}  // namespace zrlwriter
