// The index of one log's record stream: places to start inflating again
// (each with the record and the time in force there) and, after a pass that
// looked at every value, what the whole stream holds per variable and per
// time bucket.
//
// File layout (integers little-endian):
//   "ZRLINDEX", u32 format, u64 inflater layout, the log's identity,
//   u64 spacing;
//   the inflater states of the points, each deflate-compressed, back to back;
//   the point table: u32 count, per point its fixed fields (see IndexPoint);
//   u32 length and the deflate-compressed summary (length 0: none);
//   footer: u64 offset of the point table, u32 CRC-32 of every byte before
//   the footer, "XEDNILRZ".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "index/LogIdentity.h"
#include "reader/ResumePoint.h"

namespace zrl {

struct IndexPoint {
  ResumePoint resume;            // its inflater state is loaded on demand
  uint64_t recordPosition = 0;   // the first whole record at or after the point
  bool timeSeen = false;         // a timestamp came before that record
  int64_t timeMs = 0;            // the timestamp in force there
  int64_t latestMs = 0;          // the latest timestamp before it
  uint64_t stateOffset = 0;      // the compressed state in the file
  uint32_t stateLength = 0;
};

struct IndexedVariable {
  uint16_t id = 0;
  uint64_t samples = 0;
  int64_t firstMs = 0;
  int64_t lastMs = 0;
  bool hasRange = false;
  double minimum = 0;
  double maximum = 0;
};

// Per plottable variable and time bucket: how many values, the smallest and
// the largest.
struct BucketSeries {
  uint16_t id = 0;
  std::vector<uint32_t> counts;
  std::vector<double> minimum;
  std::vector<double> maximum;
};

struct IndexSummary {
  uint64_t records = 0;
  uint64_t timestamps = 0;
  std::vector<IndexedVariable> variables;  // those with samples
  int64_t bucketStartMs = 0;               // buckets divide [start, end] evenly
  int64_t bucketEndMs = 0;
  uint32_t bucketCount = 0;
  std::vector<BucketSeries> series;

  // The bucket a time falls in; times outside go to the edge buckets.
  uint32_t bucketOf(int64_t timeMs) const;
};

class LogIndex {
 public:
  static constexpr uint32_t kFormat = 1;

  // Reads and checks a whole index file made for `identity`; false (and an
  // empty index) for anything else: missing, cut, damaged, stale, foreign.
  bool load(const std::string& path, const LogIdentity& identity);
  // The file's bytes as load() takes them; `states` holds the compressed
  // states the points' stateOffset count into.
  static std::string serialize(const LogIdentity& identity, uint64_t spacing, const std::string& states,
                               const std::vector<IndexPoint>& points, const IndexSummary* summary);
  // The same in pieces, for a file written as it grows: head, the states,
  // tail (states starting at `statesOffset`), footer (`crc` over all before).
  static std::string headBytes(const LogIdentity& identity, uint64_t spacing);
  static std::string tailBytes(const std::vector<IndexPoint>& points, uint64_t statesOffset,
                               const IndexSummary* summary);
  static std::string footerBytes(uint64_t tableOffset, uint32_t crc);

  const LogIdentity& identity() const { return identity_; }
  uint64_t spacing() const { return spacing_; }
  const std::vector<IndexPoint>& points() const { return points_; }
  bool hasSummary() const { return hasSummary_; }
  const IndexSummary& summary() const { return summary_; }

  // The last point from which a decode whose window starts at `startMs`
  // reads exactly what it would read from the stream's start: no timestamp
  // before it reached the window. Null when there is none past the start.
  const IndexPoint* pointBefore(int64_t startMs) const;
  // The point with its inflater state; false when that cannot be had.
  bool resumePoint(const IndexPoint& point, ResumePoint& out) const;

 private:
  LogIdentity identity_;
  uint64_t spacing_ = 0;
  std::string bytes_;
  std::vector<IndexPoint> points_;
  bool hasSummary_ = false;
  IndexSummary summary_;
};

}  // namespace zrl
