#include "tools/zrlwriter/ZrlPresets.h"

#include <algorithm>
#include <thread>

#include "tools/zrlwriter/SampleDrive.h"
#include "tools/zrlwriter/ZrlStreamWriter.h"

namespace zrlwriter {

namespace {

// Big files log at 50 Hz: even 10 GB of body then stays within the 32-bit
// timestamp offsets of versions up to 3 (about 49 days).
constexpr uint64_t kBigRowPeriodMs = 20;

}  // namespace

ZrlHead sampleHead(uint32_t formatVersion) { return SampleDrive().head(formatVersion, SampleDrive::kSampleRows); }

std::string sampleBody(uint32_t formatVersion) {
  const SampleDrive drive;
  RecordEncoder out(formatVersion);
  for (uint64_t row = 0; row < SampleDrive::kSampleRows; ++row) drive.appendRow(out, row);
  return out.bytes();
}

WriteResult writeSampleFile(const std::string& path, uint32_t formatVersion) {
  return writeZrlFile(path, sampleHead(formatVersion), sampleBody(formatVersion));
}

WriteResult writeBigFile(const std::string& path, uint64_t bodyBytes, uint32_t formatVersion, int compressionLevel,
                         const std::function<void(uint64_t, uint64_t)>& progress, unsigned threads) {
  if (threads == 0) threads = std::min(8u, std::max(1u, std::thread::hardware_concurrency()));
  // The number of rows is only known at the end: the head is written with a
  // provisional end time and rewritten by finish().
  const SampleDrive drive(kBigRowPeriodMs);
  ZrlStreamWriter writer(path, drive.head(formatVersion, 0), compressionLevel, threads);
  constexpr size_t kChunk = 4 << 20;
  RecordEncoder chunk(formatVersion);
  uint64_t row = 0;
  uint64_t nextReport = 0;
  while (writer.bodyLength() < bodyBytes) {
    chunk.clear();
    while (chunk.size() < kChunk && writer.bodyLength() + chunk.size() < bodyBytes) drive.appendRow(chunk, row++);
    writer.append(chunk.bytes());
    if (progress && writer.bodyLength() >= nextReport) {
      progress(writer.bodyLength(), bodyBytes);
      nextReport = writer.bodyLength() + (64 << 20);
    }
  }
  ZrlHead head = drive.head(formatVersion, row);
  writer.updateHead(head);
  WriteResult result = writer.finish();
  if (progress) progress(writer.bodyLength(), bodyBytes);
  return result;
}

}  // namespace zrlwriter
