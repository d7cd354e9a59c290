#include "index/IndexStore.h"

#include <algorithm>
#include <ctime>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>
#include <zlib.h>

#include "reader/GzBlockReader.h"
#include "reader/LogReader.h"

namespace zrl {

namespace {

std::atomic<bool> enabled{true};
// Two passes over the same log at once (a preview and a decode) each write
// their own temporary file.
std::atomic<unsigned> builders{0};
const char kSuffix[] = ".zrlidx";

uint64_t environmentNumber(const char* name, uint64_t fallback) {
  const char* text = std::getenv(name);
  if (text == nullptr || *text == '\0') return fallback;
  char* end = nullptr;
  errno = 0;
  const unsigned long long value = std::strtoull(text, &end, 10);
  if (errno != 0 || *end != '\0') return fallback;
  return value;
}

bool makeDirectories(const std::string& path) {
  std::size_t at = 0;
  while (at != std::string::npos) {
    at = path.find('/', at + 1);
    const std::string part = path.substr(0, at);
    if (part.empty()) continue;
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat status;
  return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool endsWith(const std::string& text, const char* suffix) {
  const std::size_t n = std::char_traits<char>::length(suffix);
  return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

}  // namespace

void setIndexesEnabled(bool on) { enabled.store(on); }
bool indexesEnabled() { return enabled.load(); }

std::string indexCacheDirectory() {
  const char* cache = std::getenv("XDG_CACHE_HOME");
  // A relative value is ignored, as the base-directory convention asks.
  if (cache != nullptr && cache[0] == '/') return std::string(cache) + "/zrl-decoder";
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] != '/') return std::string();
  return std::string(home) + "/.cache/zrl-decoder";
}

uint64_t indexCacheLimitBytes() { return environmentNumber("ZRL_INDEX_CACHE_MB", 1024) << 20; }

uint64_t indexSpacingBytes() {
  const uint64_t spacing = environmentNumber("ZRL_INDEX_SPACING", uint64_t{16} << 20);
  // Points closer than this cost more to keep than they save.
  return std::max<uint64_t>(spacing, 1024);
}

std::string indexPathFor(const LogIdentity& identity) {
  const std::string directory = indexCacheDirectory();
  if (directory.empty()) return std::string();
  return directory + "/" + identity.key() + kSuffix;
}

bool loadFreshIndex(const std::string& logPath, uint64_t streamStart, LogIndex& out) {
  if (!indexesEnabled()) return false;
  LogIdentity identity;
  if (!identifyLog(logPath, streamStart, identity)) return false;
  const std::string path = indexPathFor(identity);
  if (path.empty() || !out.load(path, identity)) return false;
  ::utime(path.c_str(), nullptr);
  return true;
}

bool loadFreshIndex(const std::string& logPath, LogIndex& out) {
  if (!indexesEnabled()) return false;
  LogReader reader(logPath, {});
  return reader.headRead() && loadFreshIndex(logPath, reader.streamStart(), out);
}

void trimIndexCache() {
  const std::string directory = indexCacheDirectory();
  DIR* dir = directory.empty() ? nullptr : ::opendir(directory.c_str());
  if (dir == nullptr) return;
  struct Entry {
    std::string path;
    int64_t usedNs;
    uint64_t size;
  };
  std::vector<Entry> entries;
  uint64_t total = 0;
  const int64_t dayAgoNs = (static_cast<int64_t>(::time(nullptr)) - 86400) * 1000000000;
  while (const dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    const std::string path = directory + "/" + name;
    struct stat status;
    if (endsWith(name, ".part")) {
      // Left by a run that was killed while writing.
      if (::lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
          static_cast<int64_t>(status.st_mtim.tv_sec) * 1000000000 < dayAgoNs)
        ::unlink(path.c_str());
      continue;
    }
    if (!endsWith(name, kSuffix)) continue;
    if (::lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) continue;
    entries.push_back({path, static_cast<int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec,
                       static_cast<uint64_t>(status.st_size)});
    total += static_cast<uint64_t>(status.st_size);
  }
  ::closedir(dir);
  const uint64_t limit = indexCacheLimitBytes();
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.usedNs < b.usedNs; });
  for (const Entry& entry : entries) {
    if (total <= limit) break;
    if (::unlink(entry.path.c_str()) == 0) total -= entry.size;
  }
}

IndexBuilder::~IndexBuilder() { abandon(); }

bool IndexBuilder::begin(const std::string& logPath, uint64_t streamStart) {
  abandon();
  if (!indexesEnabled()) return false;
  LogIdentity identity;
  if (!identifyLog(logPath, streamStart, identity)) return false;
  path_ = indexPathFor(identity);
  if (path_.empty() || !makeDirectories(indexCacheDirectory())) return false;
  partPath_ = path_ + "." + std::to_string(::getpid()) + "-" + std::to_string(builders.fetch_add(1)) + ".part";
  file_ = std::fopen(partPath_.c_str(), "wbe");
  if (file_ == nullptr) return false;
  spacing_ = indexSpacingBytes();
  written_ = 0;
  crc_ = 0;
  failed_ = false;
  points_.clear();
  hasSummary_ = false;
  append(LogIndex::headBytes(identity, spacing_));
  statesOffset_ = written_;
  packed_.resize(compressBound(static_cast<uLong>(GzBlockReader::inflaterStateCapacity())));
  return !failed_;
}

bool IndexBuilder::append(const std::string& bytes) {
  if (failed_ || file_ == nullptr) return false;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
    failed_ = true;
    return false;
  }
  crc_ = static_cast<uint32_t>(crc32(crc_, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
  written_ += bytes.size();
  return true;
}

void IndexBuilder::addPoint(const ResumePoint& point, uint64_t recordPosition, bool timeSeen, int64_t timeMs,
                            int64_t latestMs) {
  if (!active() || failed_) return;
  if (!points_.empty() && points_.back().resume.streamPosition >= point.streamPosition) return;
  uLongf length = static_cast<uLongf>(packed_.size());
  // Fast rather than small: a point is kept while a decode runs.
  if (compress2(packed_.data(), &length, point.inflaterState.data(), static_cast<uLong>(point.inflaterState.size()),
                1) != Z_OK) {
    failed_ = true;
    return;
  }
  IndexPoint entry;
  entry.resume = point;
  entry.resume.inflaterState.clear();
  entry.recordPosition = recordPosition;
  entry.timeSeen = timeSeen;
  entry.timeMs = timeMs;
  entry.latestMs = latestMs;
  entry.stateOffset = written_ - statesOffset_;
  entry.stateLength = static_cast<uint32_t>(length);
  if (append(std::string(reinterpret_cast<const char*>(packed_.data()), length))) points_.push_back(entry);
}

void IndexBuilder::setSummary(IndexSummary summary) {
  summary_ = std::move(summary);
  hasSummary_ = true;
}

bool IndexBuilder::finish() {
  if (!active()) return false;
  const uint64_t tableOffset = written_;
  append(LogIndex::tailBytes(points_, statesOffset_, hasSummary_ ? &summary_ : nullptr));
  append(LogIndex::footerBytes(tableOffset, crc_));
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (failed_ || !closed || std::rename(partPath_.c_str(), path_.c_str()) != 0) {
    ::unlink(partPath_.c_str());
    return false;
  }
  trimIndexCache();
  return true;
}

void IndexBuilder::abandon() {
  if (file_ == nullptr) return;
  std::fclose(file_);
  file_ = nullptr;
  ::unlink(partPath_.c_str());
}

}  // namespace zrl
