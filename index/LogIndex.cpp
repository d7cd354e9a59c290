#include "index/LogIndex.h"

#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include "reader/GzBlockReader.h"

namespace zrl {

namespace {

const char kMagic[8] = {'Z', 'R', 'L', 'I', 'N', 'D', 'E', 'X'};
const char kEndMagic[8] = {'X', 'E', 'D', 'N', 'I', 'L', 'R', 'Z'};
constexpr std::size_t kFooterSize = 8 + 4 + 8;
// No index of a log this program can read comes near this.
constexpr uint64_t kLargestIndex = uint64_t{1} << 32;

class Writer {
 public:
  explicit Writer(std::string& out) : out_(out) {}
  template <class T>
  void put(T value) {
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    // The files are read back on the machine that wrote them; little-endian
    // hosts are the only ones this program is built for.
    out_.append(bytes, sizeof(T));
  }
  void bytes(const void* data, std::size_t length) { out_.append(static_cast<const char*>(data), length); }

 private:
  std::string& out_;
};

class Reader {
 public:
  Reader(const std::string& data, std::size_t begin, std::size_t end) : data_(data), at_(begin), end_(end) {}
  template <class T>
  bool get(T& value) {
    if (end_ - at_ < sizeof(T)) return fail();
    std::memcpy(&value, data_.data() + at_, sizeof(T));
    at_ += sizeof(T);
    return true;
  }
  bool skip(std::size_t length) {
    if (end_ - at_ < length) return fail();
    at_ += length;
    return true;
  }
  std::size_t at() const { return at_; }
  bool failed() const { return failed_; }

 private:
  bool fail() {
    failed_ = true;
    at_ = end_;
    return false;
  }
  const std::string& data_;
  std::size_t at_;
  std::size_t end_;
  bool failed_ = false;
};

void putIdentity(Writer& w, const LogIdentity& identity) {
  w.put(identity.size);
  w.put(identity.modifiedNs);
  w.put(identity.headDigest);
  w.put(identity.streamDigest);
  w.put(identity.tailDigest);
}

bool getIdentity(Reader& r, LogIdentity& identity) {
  return r.get(identity.size) && r.get(identity.modifiedNs) && r.get(identity.headDigest) &&
         r.get(identity.streamDigest) && r.get(identity.tailDigest);
}

std::string summaryBytes(const IndexSummary& s) {
  std::string out;
  Writer w(out);
  w.put(s.records);
  w.put(s.timestamps);
  w.put(static_cast<uint32_t>(s.variables.size()));
  for (const IndexedVariable& v : s.variables) {
    w.put(v.id);
    w.put(v.samples);
    w.put(v.firstMs);
    w.put(v.lastMs);
    w.put(static_cast<uint8_t>(v.hasRange));
    w.put(v.minimum);
    w.put(v.maximum);
  }
  w.put(s.bucketStartMs);
  w.put(s.bucketEndMs);
  w.put(s.bucketCount);
  w.put(static_cast<uint32_t>(s.series.size()));
  for (const BucketSeries& series : s.series) {
    w.put(series.id);
    for (uint32_t b = 0; b < s.bucketCount; ++b) {
      w.put(series.counts[b]);
      if (series.counts[b] == 0) continue;
      w.put(series.minimum[b]);
      w.put(series.maximum[b]);
    }
  }
  return out;
}

bool parseSummary(const std::string& bytes, IndexSummary& s) {
  Reader r(bytes, 0, bytes.size());
  uint32_t count = 0;
  if (!r.get(s.records) || !r.get(s.timestamps) || !r.get(count)) return false;
  if (count > bytes.size() / 43) return false;
  s.variables.resize(count);
  for (IndexedVariable& v : s.variables) {
    uint8_t hasRange = 0;
    if (!r.get(v.id) || !r.get(v.samples) || !r.get(v.firstMs) || !r.get(v.lastMs) || !r.get(hasRange) ||
        !r.get(v.minimum) || !r.get(v.maximum))
      return false;
    v.hasRange = hasRange != 0;
  }
  uint32_t seriesCount = 0;
  if (!r.get(s.bucketStartMs) || !r.get(s.bucketEndMs) || !r.get(s.bucketCount) || !r.get(seriesCount)) return false;
  if (seriesCount != 0 && s.bucketCount > bytes.size() / 4 / seriesCount) return false;
  s.series.resize(seriesCount);
  for (BucketSeries& series : s.series) {
    if (!r.get(series.id)) return false;
    series.counts.assign(s.bucketCount, 0);
    series.minimum.assign(s.bucketCount, NAN);
    series.maximum.assign(s.bucketCount, NAN);
    for (uint32_t b = 0; b < s.bucketCount; ++b) {
      if (!r.get(series.counts[b])) return false;
      if (series.counts[b] != 0 && (!r.get(series.minimum[b]) || !r.get(series.maximum[b]))) return false;
    }
  }
  return !r.failed() && r.at() == bytes.size();
}

}  // namespace

uint32_t IndexSummary::bucketOf(int64_t timeMs) const {
  if (bucketCount == 0 || timeMs <= bucketStartMs) return 0;
  if (timeMs >= bucketEndMs) return bucketCount - 1;
  const double fraction =
      static_cast<double>(timeMs - bucketStartMs) / static_cast<double>(bucketEndMs - bucketStartMs);
  const double bucket = fraction * static_cast<double>(bucketCount);
  return bucket >= bucketCount - 1 ? bucketCount - 1 : static_cast<uint32_t>(bucket);
}

std::string LogIndex::headBytes(const LogIdentity& identity, uint64_t spacing) {
  std::string out;
  Writer w(out);
  w.bytes(kMagic, sizeof kMagic);
  w.put(kFormat);
  w.put(kInflaterLayout);
  putIdentity(w, identity);
  w.put(spacing);
  return out;
}

std::string LogIndex::tailBytes(const std::vector<IndexPoint>& points, uint64_t statesOffset,
                                const IndexSummary* summary) {
  std::string out;
  Writer w(out);
  w.put(static_cast<uint32_t>(points.size()));
  for (const IndexPoint& p : points) {
    w.put(p.resume.streamPosition);
    w.put(p.resume.inputOffset);
    w.put(p.resume.memberOffset);
    w.put(p.resume.memberPosition);
    w.put(p.resume.checkLength);
    w.put(p.resume.checkCrc);
    w.put(p.recordPosition);
    w.put(static_cast<uint8_t>(p.timeSeen));
    w.put(p.timeMs);
    w.put(p.latestMs);
    w.put(statesOffset + p.stateOffset);
    w.put(p.stateLength);
  }
  if (summary == nullptr) {
    w.put(uint32_t{0});
  } else {
    const std::string raw = summaryBytes(*summary);
    uLongf length = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(length, '\0');
    compress2(reinterpret_cast<Bytef*>(&packed[0]), &length, reinterpret_cast<const Bytef*>(raw.data()),
              static_cast<uLong>(raw.size()), 6);
    packed.resize(length);
    w.put(static_cast<uint32_t>(packed.size() + 4));
    w.put(static_cast<uint32_t>(raw.size()));
    out += packed;
  }
  return out;
}

std::string LogIndex::footerBytes(uint64_t tableOffset, uint32_t crc) {
  std::string out;
  Writer w(out);
  w.put(tableOffset);
  w.put(crc);
  w.bytes(kEndMagic, sizeof kEndMagic);
  return out;
}

std::string LogIndex::serialize(const LogIdentity& identity, uint64_t spacing, const std::string& states,
                                const std::vector<IndexPoint>& points, const IndexSummary* summary) {
  std::string out = headBytes(identity, spacing);
  const uint64_t statesOffset = out.size();
  out += states;
  const uint64_t tableOffset = out.size();
  out += tailBytes(points, statesOffset, summary);
  const uint32_t crc = static_cast<uint32_t>(
      crc32(0L, reinterpret_cast<const Bytef*>(out.data()), static_cast<uInt>(out.size())));
  return out + footerBytes(tableOffset, crc);
}

bool LogIndex::load(const std::string& path, const LogIdentity& identity) {
  *this = LogIndex();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat status;
  std::string bytes;
  bool read = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
              static_cast<uint64_t>(status.st_size) < kLargestIndex;
  if (read) {
    bytes.resize(static_cast<std::size_t>(status.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t got = ::read(fd, &bytes[done], bytes.size() - done);
      if (got <= 0) break;
      done += static_cast<std::size_t>(got);
    }
    read = done == bytes.size();
  }
  ::close(fd);
  if (!read || bytes.size() < sizeof kMagic + kFooterSize) return false;

  const std::size_t footer = bytes.size() - kFooterSize;
  if (std::memcmp(bytes.data() + bytes.size() - 8, kEndMagic, 8) != 0) return false;
  uint64_t tableOffset = 0;
  uint32_t crc = 0;
  std::memcpy(&tableOffset, bytes.data() + footer, 8);
  std::memcpy(&crc, bytes.data() + footer + 8, 4);
  if (crc32(0L, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(footer)) != crc) return false;
  if (tableOffset > footer) return false;

  Reader head(bytes, 0, static_cast<std::size_t>(tableOffset));
  uint32_t format = 0;
  uint64_t layout = 0;
  LogIdentity stored;
  if (!head.skip(sizeof kMagic) || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) return false;
  if (!head.get(format) || format != kFormat || !head.get(layout) || !getIdentity(head, stored) ||
      !head.get(spacing_))
    return false;
  // Another log, the same log changed since, or states of another build.
  if (stored != identity || layout != kInflaterLayout) return false;
  const uint64_t statesBegin = head.at();

  Reader table(bytes, static_cast<std::size_t>(tableOffset), footer);
  uint32_t count = 0;
  if (!table.get(count) || count > (footer - tableOffset) / 60) return false;
  points_.resize(count);
  uint64_t previous = 0;
  for (IndexPoint& p : points_) {
    uint8_t timeSeen = 0;
    if (!table.get(p.resume.streamPosition) || !table.get(p.resume.inputOffset) ||
        !table.get(p.resume.memberOffset) || !table.get(p.resume.memberPosition) ||
        !table.get(p.resume.checkLength) || !table.get(p.resume.checkCrc) || !table.get(p.recordPosition) ||
        !table.get(timeSeen) || !table.get(p.timeMs) || !table.get(p.latestMs) || !table.get(p.stateOffset) ||
        !table.get(p.stateLength))
      return false;
    p.timeSeen = timeSeen != 0;
    if (p.stateOffset < statesBegin || p.stateOffset > tableOffset || p.stateLength > tableOffset - p.stateOffset ||
        p.recordPosition < p.resume.streamPosition || p.resume.streamPosition <= previous ||
        p.resume.memberPosition > p.resume.streamPosition || p.resume.inputOffset > identity.size)
      return false;
    previous = p.resume.streamPosition;
  }
  uint32_t summaryLength = 0;
  if (!table.get(summaryLength)) return false;
  if (summaryLength != 0) {
    uint32_t rawLength = 0;
    if (summaryLength < 4 || !table.get(rawLength) || rawLength > (uint32_t{1} << 30)) return false;
    const std::size_t packedAt = table.at();
    if (!table.skip(summaryLength - 4)) return false;
    std::string raw(rawLength, '\0');
    uLongf length = rawLength;
    if (uncompress(reinterpret_cast<Bytef*>(&raw[0]), &length, reinterpret_cast<const Bytef*>(bytes.data() + packedAt),
                   summaryLength - 4) != Z_OK ||
        length != rawLength || !parseSummary(raw, summary_))
      return false;
    hasSummary_ = true;
  }
  if (table.failed() || table.at() != footer) return false;
  identity_ = identity;
  bytes_ = std::move(bytes);
  return true;
}

const IndexPoint* LogIndex::pointBefore(int64_t startMs) const {
  const IndexPoint* found = nullptr;
  for (const IndexPoint& p : points_) {
    // The latest time only grows along the stream.
    if (p.timeSeen && p.latestMs >= startMs) break;
    found = &p;
  }
  return found;
}

bool LogIndex::resumePoint(const IndexPoint& point, ResumePoint& out) const {
  out = point.resume;
  const std::size_t capacity = GzBlockReader::inflaterStateCapacity();
  out.inflaterState.resize(capacity);
  uLongf length = static_cast<uLongf>(capacity);
  if (uncompress(out.inflaterState.data(), &length, reinterpret_cast<const Bytef*>(bytes_.data() + point.stateOffset),
                 point.stateLength) != Z_OK)
    return false;
  out.inflaterState.resize(length);
  return true;
}

}  // namespace zrl
