#include "decode/IndexEnvelope.h"

#include <limits>
#include <mutex>
#include <sys/stat.h>

#include "index/IndexStore.h"

namespace zrl {

std::shared_ptr<const LogIndex> loadFreshIndex(const std::string& logPath) {
  auto index = std::make_shared<LogIndex>();
  if (!loadFreshIndex(logPath, *index)) return nullptr;
  return index;
}

namespace {

// The first time that falls in bucket `bucket` or a later one.
int64_t firstTimeOf(const IndexSummary& summary, uint32_t bucket) {
  int64_t low = summary.bucketStartMs;
  int64_t high = summary.bucketEndMs;
  if (summary.bucketOf(high) < bucket) return high + 1;
  while (low < high) {
    const int64_t middle = low + (high - low) / 2;
    if (summary.bucketOf(middle) >= bucket) high = middle;
    else low = middle + 1;
  }
  return low;
}

}  // namespace

bool envelopeFromIndex(const LogIndex& index, const std::vector<uint16_t>& ids, std::size_t columns,
                       const EnvelopeRange& range, int64_t fileStartMs, int64_t fileEndMs, PreviewEnvelope& out) {
  if (!index.hasSummary()) return false;
  const IndexSummary& summary = index.summary();
  if (summary.bucketStartMs != fileStartMs || summary.bucketEndMs != fileEndMs) return false;
  out = PreviewEnvelope();
  out.startMs = range.whole() ? fileStartMs : range.startMs;
  out.endMs = range.whole() ? fileEndMs : range.endMs;
  out.columns = columns;
  const double none = std::numeric_limits<double>::quiet_NaN();
  std::vector<const BucketSeries*> sources;
  for (uint16_t id : ids) {
    EnvelopeSeries series;
    series.variableId = id;
    series.minimum.assign(columns, none);
    series.maximum.assign(columns, none);
    const BucketSeries* source = nullptr;
    for (const BucketSeries& s : summary.series) {
      if (s.id == id) source = &s;
    }
    // A variable asked for twice is drawn once, as a pass over the records
    // draws it.
    for (const BucketSeries* earlier : sources) {
      if (earlier == source) source = nullptr;
    }
    sources.push_back(source);
    out.series.push_back(std::move(series));
  }
  if (columns == 0 || summary.bucketCount == 0) return columns == 0;

  int64_t low = std::numeric_limits<int64_t>::min();  // the edge buckets take every time past them
  for (uint32_t b = 0; b < summary.bucketCount; ++b) {
    const int64_t high = b + 1 == summary.bucketCount ? std::numeric_limits<int64_t>::max()
                                                      : firstTimeOf(summary, b + 1) - 1;
    const int64_t first = low;
    low = high == std::numeric_limits<int64_t>::max() ? high : high + 1;
    if (first > high) continue;  // a bucket no millisecond falls in
    if (!range.whole()) {
      if (high < range.startMs || first > range.endMs) continue;
      if (first < range.startMs || high > range.endMs) return false;
    }
    const std::size_t column = out.columnOf(first);
    if (out.columnOf(high) != column) return false;
    for (std::size_t i = 0; i < sources.size(); ++i) {
      const BucketSeries* source = sources[i];
      if (source == nullptr || source->counts[b] == 0) continue;
      double& lowest = out.series[i].minimum[column];
      double& highest = out.series[i].maximum[column];
      if (!(source->minimum[b] >= lowest)) lowest = source->minimum[b];
      if (!(source->maximum[b] <= highest)) highest = source->maximum[b];
    }
  }
  return true;
}

bool envelopeFromIndex(const LogIndex& index, const std::vector<uint16_t>& ids, std::size_t columns,
                       const EnvelopeRange& range, PreviewEnvelope& out) {
  if (!index.hasSummary()) return false;
  return envelopeFromIndex(index, ids, columns, range, index.summary().bucketStartMs, index.summary().bucketEndMs,
                           out);
}

bool wholeEnvelopeFromBuckets(const LogIndex& index, const std::vector<uint16_t>& ids, std::size_t columns,
                              PreviewEnvelope& out) {
  if (!index.hasSummary()) return false;
  if (envelopeFromIndex(index, ids, columns, {}, out)) return true;
  // Bucket counts are powers of two: halving them keeps each bucket whole
  // in a column.
  std::size_t fewer = index.summary().bucketCount;
  while (fewer > columns && fewer > 1) fewer /= 2;
  return fewer != columns && envelopeFromIndex(index, ids, fewer, {}, out);
}

namespace {

// The file as stat sees it: a change of any of these is another log.
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  int64_t modifiedNs = 0;
  bool operator==(const FileStamp& o) const {
    return device == o.device && inode == o.inode && size == o.size && modifiedNs == o.modifiedNs;
  }
};

bool stampOf(const std::string& path, FileStamp& out) {
  struct stat status;
  if (::stat(path.c_str(), &status) != 0) return false;
  out.device = status.st_dev;
  out.inode = status.st_ino;
  out.size = status.st_size;
  out.modifiedNs = static_cast<int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
  return true;
}

// The last log asked for and its index: the window shows one log at a time.
class IndexMemory {
 public:
  std::shared_ptr<const LogIndex> indexFor(const std::string& path, uint64_t& logBytes) {
    FileStamp stamp;
    if (!indexesEnabled() || !stampOf(path, stamp)) return nullptr;
    logBytes = static_cast<uint64_t>(stamp.size);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (index_ && path == path_ && stamp == stamp_) return index_;
    }
    // An index without a summary is not kept: the next whole pass makes one
    // that has it.
    std::shared_ptr<const LogIndex> index = loadFreshIndex(path);
    FileStamp after;
    if (!index || !index->hasSummary() || !stampOf(path, after) || !(after == stamp)) return nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    path_ = path;
    stamp_ = stamp;
    index_ = index;
    return index;
  }

 private:
  std::mutex mutex_;
  std::string path_;
  FileStamp stamp_;
  std::shared_ptr<const LogIndex> index_;
};

}  // namespace

EnvelopeSource indexEnvelopeSource(uint64_t passCheapBytes) {
  auto memory = std::make_shared<IndexMemory>();
  return [memory, passCheapBytes](const std::string& logPath, const std::vector<uint16_t>& ids, std::size_t columns,
                                  const EnvelopeRange& range, const std::atomic<bool>&, PreviewEnvelope& out) {
    if (!range.whole()) return false;
    uint64_t logBytes = 0;
    const std::shared_ptr<const LogIndex> index = memory->indexFor(logPath, logBytes);
    if (!index || !wholeEnvelopeFromBuckets(*index, ids, columns, out)) return false;
    return out.columns * 2 >= columns || logBytes >= passCheapBytes;
  };
}

}  // namespace zrl
