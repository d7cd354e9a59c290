// Decodes of a time window that start from a point of the log's index must
// give exactly what a decode from the first record gives: rows, bins, filled
// cells, messages and result. The index must never be trusted when it does
// not belong to the file as it is.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <iterator>
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

void expectSameStatistics(const LogStatistics& a, const LogStatistics& b) {
  ASSERT_EQ(a.complete, b.complete);
  EXPECT_EQ(a.records, b.records);
  EXPECT_EQ(a.timestamps, b.timestamps);
  ASSERT_EQ(a.variables.size(), b.variables.size());
  for (std::size_t id = 0; id < a.variables.size(); ++id) {
    const VariableStatistics& x = a.variables[id];
    const VariableStatistics& y = b.variables[id];
    ASSERT_EQ(x.samples, y.samples) << id;
    EXPECT_EQ(x.firstMs, y.firstMs) << id;
    EXPECT_EQ(x.lastMs, y.lastMs) << id;
    ASSERT_EQ(x.hasRange, y.hasRange) << id;
    if (x.hasRange) {
      EXPECT_EQ(x.minimum, y.minimum) << id;
      EXPECT_EQ(x.maximum, y.maximum) << id;
    }
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
      expectSameStatistics(served, *s);
      EXPECT_EQ(served.error, s->error);
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

namespace zrl {
namespace {

bool sameEnvelope(const PreviewEnvelope& a, const PreviewEnvelope& b) {
  if (a.startMs != b.startMs || a.endMs != b.endMs || a.columns != b.columns || a.series.size() != b.series.size())
    return false;
  for (std::size_t i = 0; i < a.series.size(); ++i) {
    if (a.series[i].variableId != b.series[i].variableId || !sameNumbers(a.series[i].minimum, b.series[i].minimum) ||
        !sameNumbers(a.series[i].maximum, b.series[i].maximum))
      return false;
  }
  return true;
}

// A pass that starts at a point reports progress past zero at once.
PreviewResult previewOf(const std::string& log, const std::vector<uint16_t>& ids, std::size_t columns,
                        const EnvelopeRange& range, bool* seeked = nullptr) {
  const std::atomic<bool> never{false};
  int first = -1;
  PreviewResult result = computePreviewEnvelope(log, ids, columns, never, [&](int percent) {
    if (first < 0) first = percent;
  }, range);
  if (seeked != nullptr) *seeked = first > 0;
  return result;
}

const LogShape kPreviewShapes[] = {
    {"plain", 61, 1, false, false, false},
    {"several members", 62, 4, false, false, false},
    {"clock set back", 63, 1, true, false, false},
    {"cut stream", 64, 2, false, true, false},
    {"long gaps", 65, 3, false, false, true},
};

// A zoom that starts at the index's point draws exactly what a pass from
// the first record draws, whichever pass made the index.
TEST(PreviewSeek, ZoomsFromTheIndexDrawWhatAPassFromTheFirstRecordDraws) {
  SmallSpacing spacing;
  const std::vector<uint16_t> ids = {3, 1, 2, 5, 4};
  for (std::size_t s = 0; s < std::size(kPreviewShapes); ++s) {
    const LogShape& shape = kPreviewShapes[s];
    SCOPED_TRACE(shape.name);
    const std::string log = writeShape(shape);
    // A stream cut inside a record is indexed by a decode only.
    if (s % 2 == 1) decode(log, [](Decoder& d) { d.setUtc(true); });
    else previewOf(log, ids, 300, {});
    LogIndex index;
    ASSERT_TRUE(loadFreshIndex(log, index));
    ASSERT_GE(index.points().size(), 8u);
    std::mt19937 random(shape.seed * 31);
    int seeks = 0;
    for (int r = 0; r < 16; ++r) {
      // Some start before the file does, some inside the stretch a clock
      // set back returns to.
      const int64_t start = kTen - 1000 + static_cast<int64_t>(random() % (kSpanMs + 1000));
      const int64_t end = start + 1 + static_cast<int64_t>(random() % (r % 2 == 0 ? 30000 : kSpanMs));
      const std::size_t columns = 1 + random() % 900;
      SCOPED_TRACE("range " + std::to_string(start - kTen) + ".." + std::to_string(end - kTen) + " in " +
                   std::to_string(columns));
      bool seeked = false;
      const PreviewResult seeking = previewOf(log, ids, columns, {start, end}, &seeked);
      setIndexesEnabled(false);
      const PreviewResult plain = previewOf(log, ids, columns, {start, end});
      setIndexesEnabled(true);
      EXPECT_EQ(seeking.complete, plain.complete);
      EXPECT_EQ(seeking.error, plain.error);
      EXPECT_TRUE(sameEnvelope(seeking.envelope, plain.envelope));
      seeks += seeked ? 1 : 0;
    }
    EXPECT_GT(seeks, 3) << "few ranges started from the index";
  }
}

// The whole log drawn from buckets is the pass's envelope at the columns it
// gives, the finest the buckets fall whole into.
TEST(PreviewIndex, TheWholeLogFromBucketsIsThePassAtTheColumnsItGives) {
  const std::vector<uint16_t> ids = {3, 1, 2, 5, 4, 3, 999};
  for (const LogShape& shape : kPreviewShapes) {
    if (shape.cut) continue;
    SCOPED_TRACE(shape.name);
    const std::string log = writeShape(shape);
    previewOf(log, ids, 200, {});
    const std::shared_ptr<const LogIndex> index = loadFreshIndex(log);
    ASSERT_TRUE(index && index->hasSummary());
    const std::size_t buckets = index->summary().bucketCount;
    for (std::size_t columns : std::vector<std::size_t>{1, 3, 5, 8, 16, 200, 4000}) {
      SCOPED_TRACE(std::to_string(columns) + " columns");
      PreviewEnvelope fromBuckets;
      ASSERT_TRUE(wholeEnvelopeFromBuckets(*index, ids, columns, fromBuckets));
      EXPECT_LE(fromBuckets.columns, columns);
      EXPECT_GT(fromBuckets.columns * 2, std::min(columns, buckets));
      const PreviewResult read = previewOf(log, ids, fromBuckets.columns, {});
      ASSERT_TRUE(read.complete);
      EXPECT_TRUE(sameEnvelope(fromBuckets, read.envelope));
    }
  }
}

// What the whole preview pass leaves behind: an index with a summary that
// answers --stats as a pass would, only after it read every record.
TEST(PreviewIndex, AWholePassPublishesItsIndexOnlyWhenItReadEveryRecord) {
  SmallSpacing spacing;
  const std::atomic<bool> never{false};
  const std::atomic<bool> at_once{true};
  zrlwriter::WriteOptions plain;
  plain.encoding = zrlwriter::BodyEncoding::Plain;
  const std::string broken = randomBody({"broken", 83, 1, false, false, false}) +
                             zrlwriter::RecordEncoder().recordId(3).bytes();  // a value without its bytes
  const struct {
    const char* name;
    std::function<std::string()> log;
    std::function<void(const std::string&)> preview;
    bool published;
  } cases[] = {
      {"whole", [] { return writeShape({"whole", 81, 2, true, false, false}); },
       [&](const std::string& log) { computePreviewEnvelope(log, {3}, 300, never); }, true},
      {"replaces one without a summary", [] {
         const std::string log = writeShape({"decoded", 84, 1, false, false, false});
         decode(log);
         return log;
       }, [&](const std::string& log) { computePreviewEnvelope(log, {3}, 300, never); }, true},
      {"cancelled", [] { return writeShape({"cancelled", 85, 1, false, false, false}); },
       [&](const std::string& log) { computePreviewEnvelope(log, {3}, 300, at_once); }, false},
      {"damaged", [&] { return writeLog(fullHead(), broken, plain); },
       [&](const std::string& log) {
         testing::internal::CaptureStdout();
         EXPECT_FALSE(computePreviewEnvelope(log, {3}, 300, never).complete);
         testing::internal::GetCapturedStdout();
       }, false},
      {"a zoom", [] { return writeShape({"zoom", 86, 1, false, false, false}); },
       [&](const std::string& log) { computePreviewEnvelope(log, {3}, 300, never, {}, {kTen, kTen + 9000}); }, false},
      {"indexes off", [] { return writeShape({"off", 87, 1, false, false, false}); },
       [&](const std::string& log) {
         setIndexesEnabled(false);
         computePreviewEnvelope(log, {3}, 300, never);
         setIndexesEnabled(true);
       }, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string log = c.log();
    c.preview(log);
    LogIndex index;
    ASSERT_EQ(loadFreshIndex(log, index) && index.hasSummary(), c.published);
    if (!c.published) continue;
    EXPECT_GE(index.points().size(), 4u);
    setIndexesEnabled(false);
    const LogStatistics reference = computeLogStatistics(log, never);
    setIndexesEnabled(true);
    expectSameStatistics(computeLogStatistics(log, never), reference);
  }
}

// The window's source: the whole log from the index read once, nothing for
// a zoom, a changed log or indexes turned off, and a small log's coarse
// buckets left to the pass.
TEST(PreviewIndex, TheSourceAnswersTheWholeLogOfAnUnchangedLog) {
  const std::vector<uint16_t> ids = {3, 1};
  const std::atomic<bool> never{false};
  const std::string log = writeShape({"source", 91, 1, false, false, false});
  const EnvelopeSource always = indexEnvelopeSource(0);
  PreviewEnvelope out;
  EXPECT_FALSE(always(log, ids, 16, {}, never, out)) << "no index yet";
  computePreviewEnvelope(log, ids, 200, never);
  ASSERT_TRUE(always(log, ids, 16, {}, never, out));
  EXPECT_EQ(out.columns, 16u);
  EXPECT_TRUE(always(log, ids, 200, {}, never, out));
  EXPECT_EQ(out.columns, 16u);
  EXPECT_FALSE(always(log, ids, 16, {kTen, kTen + 60000}, never, out));
  EXPECT_FALSE(indexEnvelopeSource()(log, ids, 200, {}, never, out)) << "a small log is read again";
  EXPECT_TRUE(indexEnvelopeSource()(log, ids, 20, {}, never, out));
  setIndexesEnabled(false);
  EXPECT_FALSE(always(log, ids, 16, {}, never, out));
  setIndexesEnabled(true);
  struct utimbuf times = {1000000000, 1000000000};
  ::utime(log.c_str(), &times);
  EXPECT_FALSE(always(log, ids, 16, {}, never, out)) << "the log changed";
}

}  // namespace
}  // namespace zrl
