#include "tools/zrlwriter/ReferenceLog.h"

#include <algorithm>
#include <cmath>
#include <thread>

#include "tools/zrlwriter/RecordEncoder.h"
#include "tools/zrlwriter/ZrlStreamWriter.h"

namespace zrlwriter {

namespace {

constexpr uint16_t kFloats = 30, kInts = 10, kBools = 5, kDoubles = 5;
// Ids by type, in blocks: floats 1-30, ints 101-110, bools 201-205, doubles 301-305.
constexpr uint16_t kFirstFloat = 1, kFirstInt = 101, kFirstBool = 201, kFirstDouble = 301;

// A cheap smooth signal: a triangle wave of `period` rows between -1 and 1.
double triangle(uint64_t row, uint64_t period) {
  const double phase = double(row % period) / double(period);
  return phase < 0.5 ? 4.0 * phase - 1.0 : 3.0 - 4.0 * phase;
}

}  // namespace

ZrlHead ReferenceLog::head(uint32_t formatVersion, uint64_t rows) const {
  ZrlHead h;
  h.formatVersion = formatVersion;
  h.setTimeSpan(kStartMs, kStartMs + static_cast<int64_t>(rows * kRowPeriodMs), 5000);
  h.note = "Reference log: 50 channels at 50 Hz";
  h.recordingFrequency = 1000.0f / float(kRowPeriodMs);
  if (layout::hasExtension(formatVersion)) {
    h.serial = "ZL-REF-0050";
    h.firmware = "3.12.7";
  }
  h.groups = {{1, "Chassis"}, {2, "Powertrain"}, {3, "Position"}};
  h.units = {{1, "mm"}, {2, "bar"}, {3, "deg"}};
  for (uint16_t i = 0; i < kFloats; ++i)
    h.addVariable(kFirstFloat + i, i < 15 ? 1 : 2, kFloat, "F" + std::to_string(i + 1), i % 3 == 0 ? 1 : 2,
                  static_cast<uint8_t>(i % 4));
  for (uint16_t i = 0; i < kInts; ++i) h.addVariable(kFirstInt + i, 2, kInteger, "I" + std::to_string(i + 1));
  for (uint16_t i = 0; i < kBools; ++i) h.addVariable(kFirstBool + i, 2, kBoolean, "B" + std::to_string(i + 1));
  for (uint16_t i = 0; i < kDoubles; ++i)
    h.addVariable(kFirstDouble + i, 3, kDouble, "D" + std::to_string(i + 1), 3, 7);
  return h;
}

void ReferenceLog::appendRow(RecordEncoder& out, uint64_t row) const {
  out.timestamp(row * kRowPeriodMs + (row * 7) % 3);
  for (uint16_t i = 0; i < kFloats; ++i) {
    // Quantised like sensor readings; slow channels repeat for many rows.
    const double steps = i < 10 ? 1000.0 : i < 20 ? 100.0 : 10.0;
    const double v = 50.0 * (i + 1) * triangle(row + 37u * i, 500u + 211u * i);
    out.floatValue(kFirstFloat + i, float(std::floor(v * steps) / steps));
  }
  for (uint16_t i = 0; i < kInts; ++i)
    out.integer(kFirstInt + i, static_cast<int32_t>(1000.0 * (i + 1) * triangle(row, 3000u + 977u * i)) / (i + 1));
  for (uint16_t i = 0; i < kBools; ++i) out.boolean(kFirstBool + i, ((row >> (4 + 2 * i)) & 1) != 0);
  for (uint16_t i = 0; i < kDoubles; ++i)
    out.doubleValue(kFirstDouble + i, 45.7640123 + 0.25 * i + 0.01 * triangle(row, 9000u + 1009u * i) +
                                          double(row % 100000) * 1.3e-8);
}

WriteResult writeReferenceFile(const std::string& path, uint64_t rows, uint32_t formatVersion,
                               int compressionLevel, const std::function<void(uint64_t, uint64_t)>& progress,
                               unsigned threads) {
  if (threads == 0) threads = std::min(8u, std::max(1u, std::thread::hardware_concurrency()));
  const ReferenceLog log;
  ZrlStreamWriter writer(path, log.head(formatVersion, rows), compressionLevel, threads);
  constexpr uint64_t kRowsPerChunk = 8192;
  RecordEncoder chunk(formatVersion);
  for (uint64_t row = 0; row < rows;) {
    chunk.clear();
    const uint64_t end = std::min(rows, row + kRowsPerChunk);
    for (; row < end; ++row) log.appendRow(chunk, row);
    writer.append(chunk.bytes());
    if (progress && (row % (kRowsPerChunk * 16) == 0 || row == rows)) progress(row, rows);
  }
  return writer.finish();
}

}  // namespace zrlwriter
