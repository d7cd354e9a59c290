// Decodes of a time window that start from a point of the log's index must
// give exactly what a decode from the first record gives: rows, bins, filled
// cells, messages and result. The index must never be trusted when it does
// not belong to the file as it is.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <sys/stat.h>
#include <utime.h>

#include "decode/IndexEnvelope.h"
#include "decode/LogStatistics.h"
#include "index/IndexStore.h"
#include "tests/decode/DecodeTestSupport.h"

namespace zrl {
namespace {

using namespace decodetest;

constexpr int64_t kSpanMs = 600000;

// Points every 4 KiB of inflated records, so that small logs get many.
class SmallSpacing {
 public:
  SmallSpacing() { setenv("ZRL_INDEX_SPACING", "4096", 1); }
  ~SmallSpacing() { unsetenv("ZRL_INDEX_SPACING"); }
};

struct LogShape {
  const char* name;
  uint32_t seed;
  int members;
  bool clockSetBack;
  bool cut;
  bool longGaps;
};

zrlwriter::ZrlHead fullHead() {
  zrlwriter::ZrlHead head = engineHead(kTen, kTen + kSpanMs);
  head.addVariable(4, 0, zrlwriter::kString, "Note", 0, 0);
  head.addVariable(5, 0, zrlwriter::kDouble, "Level", 0, 3);
  return head;
}

// Records over the file's span: values of every type (strings of every
// length, so that records straddle the inflated blocks' edges), gaps, and
// on request a clock set back for a while.
std::string randomBody(const LogShape& shape) {
  std::mt19937 random(shape.seed);
  zrlwriter::RecordEncoder records;
  int64_t offset = 0;
  for (int i = 0; i < 9000; ++i) {
    offset += 1 + random() % 60;
    if (shape.longGaps && random() % 500 == 0) offset += 20000;
    int64_t written = offset;
    if (shape.clockSetBack && i > 3000 && i < 3400) written = offset - 90000;
    if (written >= kSpanMs) break;
    if (random() % 7 != 0) records.timestamp(static_cast<uint64_t>(written));
    const int values = static_cast<int>(random() % 4);
    for (int v = 0; v < values; ++v) {
      switch (random() % 5) {
        case 0: records.integer(3, static_cast<int32_t>(random() % 9000)); break;
        case 1: records.floatValue(1, static_cast<float>(random() % 1000) / 8.0f); break;
        case 2: records.boolean(2, static_cast<uint8_t>(random() % 2)); break;
        case 3: records.string(4, std::string(random() % 33, static_cast<char>('a' + random() % 26))); break;
        default: records.doubleValue(5, static_cast<double>(random() % 100000) / 7.0); break;
      }
    }
  }
  return records.bytes();
}

std::string writeShape(const LogShape& shape) {
  zrlwriter::WriteOptions options;
  options.gzipMembers = shape.members;
  const std::string body = randomBody(shape);
  if (shape.cut) {
    // Compressed size first, to cut it two thirds in.
    zrlwriter::WriteResult result;
    const std::string whole = zrlwriter::buildZrlBytes(fullHead(), body, options, &result);
    options.truncateBodyAt = (whole.size() - result.headSize) * 2 / 3;
  }
  return writeLog(fullHead(), body, options);
}

void expectSame(const Outcome& seeking, const Outcome& plain) {
  EXPECT_EQ(seeking.ok, plain.ok);
  EXPECT_EQ(seeking.messages, plain.messages);
  EXPECT_EQ(seeking.printed, plain.printed);
  EXPECT_TRUE(seeking.csv == plain.csv) << "rows differ";
}

Outcome decodeWindow(const std::string& log, int64_t startMs, int64_t endMs, int32_t frequency,
                     AggregationMethod method, bool useIndex, bool* fromIndex = nullptr) {
  return decode(log, [&](Decoder& d) {
    d.setStartMs(startMs);
    d.setEndMs(endMs);
    d.setFrequency(frequency);
    d.setMethod(method);
    d.setUtc(true);
    d.setMilliseconds(true);
    d.setUseIndex(useIndex);
  }, [&](Decoder& d, int) {
    if (fromIndex != nullptr) *fromIndex = d.startedFromIndex();
  });
}

TEST(IndexSeek, WindowsDecodeTheSameWithAndWithoutTheIndex) {
  SmallSpacing spacing;
  const LogShape shapes[] = {
      {"plain", 1, 1, false, false, false},
      {"several members", 2, 4, false, false, false},
      {"clock set back", 3, 1, true, false, false},
      {"cut stream", 4, 2, false, true, false},
      {"long gaps", 5, 3, false, false, true},
  };
  const struct {
    int32_t frequency;
    AggregationMethod method;
  } modes[] = {{0, AggregationMethod::Median}, {10, AggregationMethod::Mean}, {1, AggregationMethod::Last}};
  for (const LogShape& shape : shapes) {
    SCOPED_TRACE(shape.name);
    const std::string log = writeShape(shape);
    // The whole decode makes the index.
    const Outcome whole = decode(log, [](Decoder& d) { d.setUtc(true); });
    LogIndex index;
    ASSERT_TRUE(loadFreshIndex(log, index));
    ASSERT_GE(index.points().size(), 8u);
    std::mt19937 random(shape.seed * 77);
    int seeks = 0;
    for (int w = 0; w < 12; ++w) {
      const int64_t start = kTen + static_cast<int64_t>(random() % kSpanMs);
      const int64_t end = std::min<int64_t>(kTen + kSpanMs, start + 1 + static_cast<int64_t>(random() % 60000));
      for (const auto& mode : modes) {
        SCOPED_TRACE("window " + std::to_string(start - kTen) + ".." + std::to_string(end - kTen) + " at " +
                     std::to_string(mode.frequency));
        bool fromIndex = false;
        const Outcome seeking = decodeWindow(log, start, end, mode.frequency, mode.method, true, &fromIndex);
        const Outcome plain = decodeWindow(log, start, end, mode.frequency, mode.method, false);
        expectSame(seeking, plain);
        seeks += fromIndex ? 1 : 0;
      }
    }
    EXPECT_GT(seeks, 0) << "no window started from the index";
  }
}

// The first window of a log with a clock set back lies in the stretch the
// clock went back to: a point after the set-back would skip rows.
TEST(IndexSeek, NoPointIsUsedPastATimeAlreadyInsideTheWindow) {
  SmallSpacing spacing;
  const std::string log = writeShape({"set back", 9, 1, true, false, false});
  decode(log);
  LogIndex index;
  ASSERT_TRUE(loadFreshIndex(log, index));
  int chosenOnes = 0;
  for (const IndexPoint& p : index.points()) {
    const IndexPoint* chosen = index.pointBefore(p.latestMs);
    if (chosen == nullptr) continue;
    ++chosenOnes;
    EXPECT_LT(chosen->resume.streamPosition, p.resume.streamPosition);
    EXPECT_LT(chosen->latestMs, p.latestMs);
  }
  EXPECT_GT(chosenOnes, 0);
}

std::string indexFileOf(const std::string& log) {
  LogReader reader(log, {});
  LogIdentity identity;
  EXPECT_TRUE(identifyLog(log, reader.streamStart(), identity));
  return indexPathFor(identity);
}

TEST(IndexSeek, DamagedStaleOrForeignIndexesAreIgnored) {
  SmallSpacing spacing;
  const std::string other = writeShape({"other", 21, 1, false, false, false});
  decode(other);
  const std::string otherIndex = zrltest::readFile(indexFileOf(other));
  const struct {
    const char* name;
    std::function<void(const std::string& log, const std::string& indexPath)> spoil;
  } spoilers[] = {
      {"byte flipped", [](const std::string&, const std::string& path) {
         std::string bytes = zrltest::readFile(path);
         bytes[bytes.size() / 2] ^= 0x40;
         zrltest::writeFile(path, bytes);
       }},
      {"cut short", [](const std::string&, const std::string& path) {
         zrltest::writeFile(path, zrltest::readFile(path).substr(0, zrltest::readFile(path).size() * 2 / 3));
       }},
      {"another log's", [&](const std::string&, const std::string& path) { zrltest::writeFile(path, otherIndex); }},
      {"log changed since", [](const std::string& log, const std::string&) {
         struct utimbuf times = {1000000000, 1000000000};
         ::utime(log.c_str(), &times);
       }},
      {"empty", [](const std::string&, const std::string& path) { zrltest::writeFile(path, ""); }},
  };
  for (const auto& spoiler : spoilers) {
    SCOPED_TRACE(spoiler.name);
    const std::string log = writeShape({"log", 22, 2, false, false, false});
    decode(log);
    const std::string indexPath = indexFileOf(log);
    ASSERT_FALSE(zrltest::readFile(indexPath).empty());
    spoiler.spoil(log, indexPath);
    LogIndex index;
    EXPECT_FALSE(loadFreshIndex(log, index));
    bool fromIndex = true;
    const Outcome seeking = decodeWindow(log, kTen + 400000, kTen + 420000, 0, AggregationMethod::Median, true, &fromIndex);
    const Outcome plain = decodeWindow(log, kTen + 400000, kTen + 420000, 0, AggregationMethod::Median, false);
    expectSame(seeking, plain);
    EXPECT_FALSE(fromIndex);
  }
}

// A point whose inflater state was altered without the file's checksum
// noticing (a file made so on purpose) is caught by its first bytes.
TEST(IndexSeek, APointThatDoesNotReproduceItsBytesIsNotFollowed) {
  SmallSpacing spacing;
  const std::string log = writeShape({"log", 31, 1, false, false, false});
  decode(log);
  LogIndex index;
  ASSERT_TRUE(loadFreshIndex(log, index));
  std::vector<IndexPoint> points = index.points();
  std::string states;
  for (IndexPoint& p : points) {
    ResumePoint resume;
    ASSERT_TRUE(index.resumePoint(p, resume));
    // Every point claims the state of the first one.
    ResumePoint first;
    ASSERT_TRUE(index.resumePoint(index.points().front(), first));
    p.stateOffset = states.size();
    uLongf length = compressBound(static_cast<uLong>(first.inflaterState.size()));
    std::string packed(length, '\0');
    compress2(reinterpret_cast<Bytef*>(&packed[0]), &length, first.inflaterState.data(),
              static_cast<uLong>(first.inflaterState.size()), 1);
    packed.resize(length);
    p.stateLength = static_cast<uint32_t>(length);
    states += packed;
  }
  zrltest::writeFile(indexFileOf(log),
                     LogIndex::serialize(index.identity(), index.spacing(), states, points, nullptr));
  for (int64_t start : {kTen + 300000, kTen + 500000}) {
    const Outcome seeking = decodeWindow(log, start, start + 30000, 0, AggregationMethod::Median, true);
    const Outcome plain = decodeWindow(log, start, start + 30000, 0, AggregationMethod::Median, false);
    expectSame(seeking, plain);
  }
}

// A pass over a damaged stream is not kept: the second pass must find and
// report the damage again.
TEST(IndexSeek, StatisticsFromTheIndexEqualAFreshPass) {
  SmallSpacing spacing;
  for (const LogShape& shape : {LogShape{"plain", 41, 1, false, false, false},
                                LogShape{"cut inside a record", 42, 2, true, true, false}}) {
    SCOPED_TRACE(shape.name);
    const std::string log = writeShape(shape);
    const std::atomic<bool> never{false};
    setIndexesEnabled(false);
    const LogStatistics reference = computeLogStatistics(log, never);
    setIndexesEnabled(true);
    const LogStatistics building = computeLogStatistics(log, never);
    LogIndex index;
    EXPECT_EQ(loadFreshIndex(log, index) && index.hasSummary(), reference.complete);
    for (const LogStatistics* s : {&building, &reference}) {
      const LogStatistics served = computeLogStatistics(log, never);
      ASSERT_EQ(served.complete, s->complete);
      EXPECT_EQ(served.error, s->error);
      EXPECT_EQ(served.records, s->records);
      EXPECT_EQ(served.timestamps, s->timestamps);
      for (std::size_t id = 0; id < s->variables.size(); ++id) {
        const VariableStatistics& a = s->variables[id];
        const VariableStatistics& b = served.variables[id];
        ASSERT_EQ(a.samples, b.samples) << id;
        EXPECT_EQ(a.firstMs, b.firstMs) << id;
        EXPECT_EQ(a.lastMs, b.lastMs) << id;
        EXPECT_EQ(a.hasRange, b.hasRange) << id;
        if (a.hasRange) {
          EXPECT_EQ(a.minimum, b.minimum) << id;
          EXPECT_EQ(a.maximum, b.maximum) << id;
        }
      }
    }
  }
}

TEST(IndexSeek, TurnedOffIndexesAreNeitherReadNorWritten) {
  SmallSpacing spacing;
  const std::string log = writeShape({"log", 51, 1, false, false, false});
  setIndexesEnabled(false);
  decode(log);
  setIndexesEnabled(true);
  struct stat status;
  EXPECT_NE(::stat(indexFileOf(log).c_str(), &status), 0);
}

// The least recently used indexes go first once they outgrow their bound;
// files that are not indexes are neither counted nor touched.
TEST(IndexSeek, TheCacheKeepsToItsBoundLeastRecentlyUsedFirst) {
  const std::string cacheHome = std::getenv("XDG_CACHE_HOME");
  setenv("XDG_CACHE_HOME", zrltest::makeTempSubdir("cache").c_str(), 1);
  const std::string folder = indexCacheDirectory();
  ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
  const std::string kept = folder + "/notes.txt";
  zrltest::writeFile(kept, std::string(700 << 10, 'n'));
  const struct {
    const char* name;
    time_t used;
    bool stays;
  } files[] = {{"a.zrlidx", 1000, false}, {"b.zrlidx", 3000, true}, {"c.zrlidx", 2000, false},
               {"d.zrlidx", 4000, true}};
  for (const auto& f : files) {
    const std::string path = folder + "/" + f.name;
    zrltest::writeFile(path, std::string(400 << 10, 'x'));
    struct utimbuf times = {f.used, f.used};
    ::utime(path.c_str(), &times);
  }
  setenv("ZRL_INDEX_CACHE_MB", "1", 1);
  trimIndexCache();
  unsetenv("ZRL_INDEX_CACHE_MB");
  struct stat status;
  for (const auto& f : files) {
    EXPECT_EQ(::stat((folder + "/" + f.name).c_str(), &status) == 0, f.stays) << f.name;
    ::unlink((folder + "/" + f.name).c_str());
  }
  EXPECT_EQ(::stat(kept.c_str(), &status), 0);
  setenv("XDG_CACHE_HOME", cacheHome.c_str(), 1);
}

}  // namespace
}  // namespace zrl

namespace zrl {
namespace {

bool sameNumbers(const std::vector<double>& a, const std::vector<double>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::isnan(a[i]) != std::isnan(b[i]) || (!std::isnan(a[i]) && a[i] != b[i])) return false;
  }
  return true;
}

// Whenever the index answers for a preview, it answers what a pass over the
// records would.
TEST(IndexEnvelope, AnswersExactlyWhatAPassOverTheRecordsGives) {
  const std::string log = writeShape({"preview", 71, 2, true, false, true});
  const std::atomic<bool> never{false};
  computeLogStatistics(log, never);
  const std::shared_ptr<const LogIndex> index = loadFreshIndex(log);
  ASSERT_NE(index, nullptr);
  ASSERT_TRUE(index->hasSummary());
  const std::vector<uint16_t> ids = {3, 1, 2, 4, 5, 3, 999};
  int answered = 0;
  for (std::size_t columns : {std::size_t{1}, std::size_t{4}, std::size_t{7}, std::size_t{16}, std::size_t{500}}) {
    for (const EnvelopeRange& range : {EnvelopeRange{}, EnvelopeRange{kTen + 150000, kTen + 450000},
                                       EnvelopeRange{kTen, kTen + kSpanMs}}) {
      SCOPED_TRACE(std::to_string(columns) + " columns from " + std::to_string(range.startMs));
      PreviewEnvelope fromIndex;
      if (!envelopeFromIndex(*index, ids, columns, range, fromIndex)) continue;
      ++answered;
      const PreviewResult read = computePreviewEnvelope(log, ids, columns, never, {}, range);
      ASSERT_TRUE(read.complete);
      EXPECT_EQ(fromIndex.startMs, read.envelope.startMs);
      EXPECT_EQ(fromIndex.endMs, read.envelope.endMs);
      ASSERT_EQ(fromIndex.series.size(), read.envelope.series.size());
      for (std::size_t i = 0; i < ids.size(); ++i) {
        EXPECT_EQ(fromIndex.series[i].variableId, read.envelope.series[i].variableId);
        EXPECT_TRUE(sameNumbers(fromIndex.series[i].minimum, read.envelope.series[i].minimum)) << "series " << i;
        EXPECT_TRUE(sameNumbers(fromIndex.series[i].maximum, read.envelope.series[i].maximum)) << "series " << i;
      }
    }
  }
  EXPECT_GE(answered, 3) << "the whole file in a few columns is what buckets are for";
}

}  // namespace
}  // namespace zrl
