// The rows of a synthetic drive: engine, GPS, CAN bus, status and logger
// clock values that change smoothly and cheaply, so the same generator can
// fill a small sample or gigabytes of body.
#pragma once

#include <cstdint>
#include <string>

#include "tools/zrlwriter/RecordEncoder.h"
#include "tools/zrlwriter/ZrlHead.h"

namespace zrlwriter {

class SampleDrive {
 public:
  static constexpr int64_t kStartMs = 1773480413250;   // 2026-03-14 09:26:53.250 UTC
  static constexpr uint64_t kSampleRows = 1800;         // three minutes at 10 Hz

  explicit SampleDrive(uint64_t rowPeriodMs = 100) : rowPeriodMs_(rowPeriodMs) {}

  // The catalog; times cover `rows` rows.
  ZrlHead head(uint32_t formatVersion, uint64_t rows) const;
  // The time offset of row `row` after the file start.
  uint64_t rowOffsetMs(uint64_t row) const;
  // Appends row `row`: its timestamp record and the values due in it.
  void appendRow(RecordEncoder& out, uint64_t row) const;

 private:
  uint64_t rowPeriodMs_;
};

}  // namespace zrlwriter
