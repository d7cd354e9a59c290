// Where the indexes of logs are kept, and how one is made.
//
// Indexes live in $XDG_CACHE_HOME/zrl-decoder/ ($HOME/.cache when the
// variable is unset), never beside the log, one file per log named by the
// digest of its identity. A file is written under a temporary name and
// renamed when whole. The folder holds at most ZRL_INDEX_CACHE_MB MiB
// (default 1024): the least recently used indexes go first. Points are kept
// every ZRL_INDEX_SPACING bytes of the inflated stream (default 16 MiB).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "index/LogIdentity.h"
#include "index/LogIndex.h"
#include "reader/ResumePoint.h"

namespace zrl {

// Whether indexes are read and written at all in this process.
void setIndexesEnabled(bool on);
bool indexesEnabled();

std::string indexCacheDirectory();
uint64_t indexCacheLimitBytes();
uint64_t indexSpacingBytes();
std::string indexPathFor(const LogIdentity& identity);

// The index of the log at `logPath` (whose record stream starts at
// `streamStart`), when there is one made for the file as it is now; a use
// counts as recent for the cache's bound.
bool loadFreshIndex(const std::string& logPath, uint64_t streamStart, LogIndex& out);
// The same, reading the log's head to find where its stream starts.
bool loadFreshIndex(const std::string& logPath, LogIndex& out);

// Removes the least recently used indexes until the folder fits its bound.
void trimIndexCache();

class IndexBuilder {
 public:
  IndexBuilder() = default;
  ~IndexBuilder();
  IndexBuilder(const IndexBuilder&) = delete;
  IndexBuilder& operator=(const IndexBuilder&) = delete;

  // Starts the index of the log; false (and nothing is built) when indexes
  // are off or the cache folder cannot be written.
  bool begin(const std::string& logPath, uint64_t streamStart);
  bool active() const { return file_ != nullptr; }
  uint64_t spacing() const { return spacing_; }

  void addPoint(const ResumePoint& point, uint64_t recordPosition, bool timeSeen, int64_t timeMs, int64_t latestMs);
  void setSummary(IndexSummary summary);
  // Publishes the index; false when it could not be written (nothing is).
  bool finish();
  void abandon();
  const std::string& path() const { return path_; }

 private:
  bool append(const std::string& bytes);

  std::FILE* file_ = nullptr;
  std::string path_;
  std::string partPath_;
  uint64_t spacing_ = 0;
  uint64_t written_ = 0;
  uint64_t statesOffset_ = 0;
  uint32_t crc_ = 0;
  bool failed_ = false;
  std::vector<IndexPoint> points_;
  bool hasSummary_ = false;
  IndexSummary summary_;
  std::vector<uint8_t> packed_;
};

}  // namespace zrl
