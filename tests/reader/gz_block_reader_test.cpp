// The inline-buffered stream must behave exactly as plain gzread() calls:
// same bytes, same counts, same end-of-stream flag, failure at the same
// point.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <random>
#include <unistd.h>

#include "reader/GzBlockReader.h"
#include "tests/reader/ReaderTestSupport.h"

using namespace zrl;

namespace {

std::string patternBytes(std::size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  // Compressible but not trivial: runs of small values.
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(random() % 7 + (i / 1000) % 3);
  return bytes;
}

int openFile(const std::string& bytes) {
  const std::string path = readertest::newFilePath("stream.gz");
  zrltest::writeFile(path, bytes);
  return ::open(path.c_str(), O_RDONLY);
}

struct Step {
  int result;
  bool atEnd;
  std::string bytes;
  int errorNumber;
};

// Reads `stream` with the given read sizes (cycled) until a read returns 0
// or less, through the block reader or through gzread() alone.
std::vector<Step> readAll(const std::string& stream, const std::vector<unsigned>& sizes, bool viaBlockReader) {
  std::vector<Step> steps;
  const int fd = openFile(stream);
  zrl::GzBlockReader reader;
  gzFile plain = nullptr;
  if (viaBlockReader) {
    EXPECT_TRUE(reader.open(fd));
  } else {
    plain = gzdopen(fd, "rb");
  }
  char buffer[70000];
  for (std::size_t i = 0;; ++i) {
    const unsigned size = sizes[i % sizes.size()];
    Step step;
    if (viaBlockReader) {
      step.result = reader.read(buffer, size);
      step.atEnd = reader.atEnd();
      step.errorNumber = reader.errorNumber();
    } else {
      step.result = gzread(plain, buffer, size);
      step.atEnd = gzeof(plain) != 0;
      gzerror(plain, &step.errorNumber);
    }
    step.bytes.assign(buffer, step.result > 0 ? step.result : 0);
    steps.push_back(step);
    if (step.result <= 0) break;
  }
  if (plain) gzclose(plain);
  return steps;
}

void expectSameAsGzread(const std::string& stream, const std::vector<unsigned>& sizes) {
  const std::vector<Step> expected = readAll(stream, sizes, false);
  const std::vector<Step> actual = readAll(stream, sizes, true);
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    ASSERT_EQ(actual[i].result, expected[i].result) << "read " << i;
    ASSERT_EQ(actual[i].atEnd, expected[i].atEnd) << "read " << i;
    ASSERT_EQ(actual[i].errorNumber, expected[i].errorNumber) << "read " << i;
    ASSERT_TRUE(actual[i].bytes == expected[i].bytes) << "read " << i;
  }
}

const std::vector<unsigned> kRecordSizes = {2, 8, 2, 1, 2, 4, 2, 1, 5, 2, 1, 4, 33, 2, 8};

}  // namespace

TEST(GzBlockReader, MatchesGzreadOnWholeStreams) {
  const std::string data = patternBytes(300000, 1);
  SCOPED_TRACE("one member");
  expectSameAsGzread(zrlwriter::gzipCompress(data), kRecordSizes);
  expectSameAsGzread(zrlwriter::gzipCompress(data), {3, 16384, 1, 65536, 7});
  SCOPED_TRACE("two members");
  expectSameAsGzread(zrlwriter::gzipCompress(data.substr(0, 100001)) +
                         zrlwriter::gzipCompress(data.substr(100001)),
                     kRecordSizes);
  SCOPED_TRACE("garbage after the member, a second member with reserved flags, a length mismatch");
  const std::string member = zrlwriter::gzipCompress(data);
  expectSameAsGzread(member + "trailing garbage", kRecordSizes);
  std::string flagged = member;
  flagged[3] = '\x20';
  expectSameAsGzread(member + flagged, kRecordSizes);
  std::string wrongLength = member;
  wrongLength[wrongLength.size() - 1] ^= 1;
  expectSameAsGzread(wrongLength, kRecordSizes);
  SCOPED_TRACE("a member ending on a block edge");
  expectSameAsGzread(zrlwriter::gzipCompress(patternBytes(zrl::GzBlockReader::kBlockSize, 2)) + member, kRecordSizes);
  SCOPED_TRACE("plain body");
  expectSameAsGzread(data, kRecordSizes);
  SCOPED_TRACE("empty stream");
  expectSameAsGzread(zrlwriter::gzipCompress(""), kRecordSizes);
  expectSameAsGzread("", kRecordSizes);
}

TEST(GzBlockReader, EndOfStreamOnlyAfterReadingPastIt) {
  const std::string stream = zrlwriter::gzipCompress("abcdef");
  const int fd = openFile(stream);
  zrl::GzBlockReader reader;
  ASSERT_TRUE(reader.open(fd));
  char buffer[8];
  EXPECT_EQ(reader.read(buffer, 2), 2);
  EXPECT_EQ(reader.read(buffer, 4), 4);
  EXPECT_FALSE(reader.atEnd()) << "consumed exactly to the last byte is not the end yet";
  EXPECT_EQ(reader.read(buffer, 2), 0);
  EXPECT_TRUE(reader.atEnd());

  const int fd2 = openFile(stream);
  zrl::GzBlockReader shortRead;
  ASSERT_TRUE(shortRead.open(fd2));
  EXPECT_EQ(shortRead.read(buffer, 5), 5);
  EXPECT_EQ(shortRead.read(buffer, 4), 1) << "a short read at the end delivers what is left";
  EXPECT_TRUE(shortRead.atEnd());
}

TEST(GzBlockReader, TruncatedStreamEndsWithoutError) {
  const std::string data = patternBytes(200000, 2);
  const std::string stream = zrlwriter::gzipCompress(data);
  const std::string cut = stream.substr(0, stream.size() / 2);
  expectSameAsGzread(cut, kRecordSizes);
  const std::vector<Step> steps = readAll(cut, kRecordSizes, true);
  EXPECT_EQ(steps.back().result, 0);
  EXPECT_TRUE(steps.back().atEnd);
}

TEST(GzBlockReader, CorruptStreamFailsWhereGzreadFails) {
  const std::string data = patternBytes(400000, 3);
  std::string stream = zrlwriter::gzipCompress(data);
  for (std::size_t i = stream.size() / 2; i < stream.size() / 2 + 64; ++i) stream[i] = '\x5A';
  expectSameAsGzread(stream, kRecordSizes);
  const std::vector<Step> steps = readAll(stream, kRecordSizes, true);
  EXPECT_EQ(steps.back().result, -1);
  EXPECT_FALSE(steps.back().atEnd);
  EXPECT_EQ(steps.back().errorNumber, Z_DATA_ERROR);
  std::size_t delivered = 0;
  for (const Step& s : steps) delivered += s.bytes.size();
  EXPECT_GT(delivered, 0u);
  EXPECT_LT(delivered, data.size());
}

TEST(GzBlockReader, NotOpenFailsQuietly) {
  zrl::GzBlockReader reader;
  char buffer[4];
  EXPECT_EQ(reader.read(buffer, 4), -1);
  EXPECT_FALSE(reader.atEnd());
}

namespace {

// Mostly record-sized reads with an occasional long one, fixed per seed.
std::vector<unsigned> randomReadSizes(uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<unsigned> sizes(4093);
  for (unsigned& size : sizes) size = random() % 50 == 0 ? 1 + random() % 600 : 1 + random() % 12;
  return sizes;
}

// Several blocks of the read-ahead ring long once inflated.
std::string longData(uint32_t seed) {
  return patternBytes(6 * zrl::GzBlockReader::kBlockSize + 12345, seed);
}

// Reads `stream` through gzread() one byte at a time: the position of the
// first read after which gzerror() shows `errorNumber`.
std::size_t firstPositionShowing(const std::string& stream, int errorNumber) {
  gzFile plain = gzdopen(openFile(stream), "rb");
  std::size_t position = 0;
  char byte;
  for (;; ++position) {
    const int got = gzread(plain, &byte, 1);
    int number = Z_OK;
    gzerror(plain, &number);
    if (number == errorNumber || got <= 0) break;
  }
  gzclose(plain);
  return position;
}

// Reads that end exactly on `position`, then single bytes.
std::vector<unsigned> readsLandingOn(std::size_t position) {
  std::vector<unsigned> sizes(position / 1000, 1000);
  if (position % 1000 != 0) sizes.push_back(position % 1000);
  sizes.insert(sizes.end(), 8, 1);
  return sizes;
}

}  // namespace

TEST(GzBlockReader, FailuresShowFromTheReadThatNeedsTheFailedFill) {
  const std::string stream = zrlwriter::gzipCompress(longData(6));
  std::string corrupt = stream;
  for (std::size_t i = corrupt.size() * 3 / 4; i < corrupt.size() * 3 / 4 + 64; ++i) corrupt[i] = '\x33';
  const std::size_t failsAt = firstPositionShowing(corrupt, Z_DATA_ERROR);
  ASSERT_GT(failsAt, 2 * zrl::GzBlockReader::kBlockSize);
  expectSameAsGzread(corrupt, readsLandingOn(failsAt));
  expectSameAsGzread(corrupt, readsLandingOn(failsAt - 1));

  const std::string cut = stream.substr(0, stream.size() * 3 / 4);
  const std::size_t cutShowsAt = firstPositionShowing(cut, Z_BUF_ERROR);
  ASSERT_GT(cutShowsAt, 2 * zrl::GzBlockReader::kBlockSize);
  expectSameAsGzread(cut, readsLandingOn(cutShowsAt));
  expectSameAsGzread(cut, readsLandingOn(cutShowsAt + 1));
  const std::vector<Step> steps = readAll(cut, readsLandingOn(cutShowsAt), true);
  EXPECT_EQ(steps.back().errorNumber, Z_BUF_ERROR);
  EXPECT_TRUE(steps.back().atEnd);
}

TEST(GzBlockReader, FailuresFarIntoTheStreamSurfaceAtTheSameRead) {
  const std::string data = longData(4);
  const std::string stream = zrlwriter::gzipCompress(data);

  SCOPED_TRACE("corrupt near the end");
  std::string corrupt = stream;
  for (std::size_t i = corrupt.size() * 4 / 5; i < corrupt.size() * 4 / 5 + 64; ++i) corrupt[i] = '\x5A';
  expectSameAsGzread(corrupt, randomReadSizes(11));
  const std::vector<Step> steps = readAll(corrupt, randomReadSizes(11), true);
  EXPECT_EQ(steps.back().result, -1);
  std::size_t delivered = 0;
  for (const Step& s : steps) delivered += s.bytes.size();
  EXPECT_GT(delivered, 3 * zrl::GzBlockReader::kBlockSize) << "the failure lies beyond the first blocks";

  SCOPED_TRACE("cut near the end, and cut inside a second member's header");
  expectSameAsGzread(stream.substr(0, stream.size() * 9 / 10), randomReadSizes(12));
  expectSameAsGzread(stream + stream.substr(0, 5), randomReadSizes(13));

  SCOPED_TRACE("healthy: several members, plain body");
  expectSameAsGzread(stream + zrlwriter::gzipCompress(data.substr(777)), randomReadSizes(14));
  expectSameAsGzread(data, randomReadSizes(15));
}

TEST(GzBlockReader, SystemErrorReachesTheReadingThread) {
  // Reading a directory fails in read() itself: zlib reports Z_ERRNO and
  // the reader needs errno of that failure, which happened on another thread.
  const std::string dir = readertest::newFilePath("not-a-stream");
  ASSERT_EQ(::mkdir(dir.c_str(), 0700), 0);
  zrl::GzBlockReader reader;
  ASSERT_TRUE(reader.open(::open(dir.c_str(), O_RDONLY)));
  char buffer[4];
  errno = 0;
  EXPECT_EQ(reader.read(buffer, 2), -1);
  EXPECT_EQ(errno, EISDIR);
  EXPECT_EQ(reader.errorNumber(), Z_ERRNO);
  EXPECT_NE(reader.errorMessage().find(std::strerror(EISDIR)), std::string::npos) << reader.errorMessage();
  EXPECT_FALSE(reader.atEnd());
  EXPECT_EQ(reader.read(buffer, 2), -1) << "the failure stays";
}

TEST(GzBlockReader, ClosingEarlyStopsTheReadAheadAndAllowsReopening) {
  const std::string data = longData(5);
  const std::string stream = zrlwriter::gzipCompress(data);
  zrl::GzBlockReader reader;
  char buffer[16];
  for (int round = 0; round < 3; ++round) {
    ASSERT_TRUE(reader.open(openFile(stream)));
    ASSERT_EQ(reader.read(buffer, 16), 16);
    EXPECT_EQ(std::string(buffer, 16), data.substr(0, 16));
    // Give the read-ahead time to fill the ring and wait for room.
    ::usleep(20000);
    reader.close();
    EXPECT_FALSE(reader.isOpen());
    EXPECT_EQ(reader.read(buffer, 4), -1);
  }
}

namespace {

// Every point kept while reading `stream` whole with `spacing`, and the
// bytes read.
std::vector<ResumePoint> pointsOf(const std::string& stream, uint64_t spacing, std::string& whole) {
  std::vector<ResumePoint> points;
  zrl::GzBlockReader reader;
  reader.setCaptureSpacing(spacing);
  EXPECT_TRUE(reader.open(openFile(stream)));
  char buffer[3000];
  for (;;) {
    const int got = reader.read(buffer, 1 + static_cast<unsigned>(whole.size() % 2999));
    if (got <= 0) break;
    whole.append(buffer, static_cast<std::size_t>(got));
    ResumePoint point;
    if (reader.pointAtCurrentBlock(point) && (points.empty() || points.back().streamPosition != point.streamPosition))
      points.push_back(point);
  }
  return points;
}

// What a reader opened at `point` delivers to the end, and its final error.
// A null point reads from the start.
std::string readFrom(const std::string& stream, const ResumePoint* point, bool& matched, int& errorNumber) {
  zrl::GzBlockReader reader;
  std::string bytes;
  matched = point == nullptr ? reader.open(openFile(stream))
                             : reader.openAt(openFile(stream), *point) && reader.resumeMatches(*point);
  if (!matched) return bytes;
  char buffer[4096];
  for (;;) {
    const int got = reader.read(buffer, sizeof buffer);
    if (got <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  errorNumber = reader.errorNumber();
  return bytes;
}

}  // namespace

// A stream read from a kept point gives exactly the rest of the stream, at
// every point, across member edges, and with the same ending.
TEST(GzBlockReader, ResumingAtAKeptPointDeliversTheRestExactly) {
  const std::string data = longData(11);
  const std::string members = zrlwriter::gzipCompress(data.substr(0, 700001)) +
                              zrlwriter::gzipCompress(data.substr(700001, 3)) +
                              zrlwriter::gzipCompress(data.substr(700004));
  std::string cut = zrlwriter::gzipCompress(data, 1);
  cut.resize(cut.size() * 3 / 4);
  const struct {
    const char* name;
    std::string stream;
    uint64_t spacing;
  } cases[] = {
      {"one member, small blocks", zrlwriter::gzipCompress(data), 4096},
      {"one member, whole blocks", zrlwriter::gzipCompress(data, 9), zrl::GzBlockReader::kBlockSize},
      {"three members", members, 65536},
      {"cut member", cut, 32768},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string whole;
    const std::vector<ResumePoint> points = pointsOf(c.stream, c.spacing, whole);
    ASSERT_GE(points.size(), 3u);
    bool opened = false;
    int expectedError = 0;
    ASSERT_TRUE(readFrom(c.stream, nullptr, opened, expectedError) == whole);
    for (const ResumePoint& point : points) {
      ASSERT_EQ(point.streamPosition % c.spacing, 0u);
      bool matched = false;
      int errorNumber = 0;
      const std::string rest = readFrom(c.stream, &point, matched, errorNumber);
      ASSERT_TRUE(matched) << "at " << point.streamPosition;
      ASSERT_TRUE(rest == whole.substr(point.streamPosition)) << "at " << point.streamPosition;
      ASSERT_EQ(errorNumber, expectedError) << "at " << point.streamPosition;
    }
  }
}

// A point that does not belong to the stream is refused at its first
// bytes or read the slow way, never delivered wrong.
TEST(GzBlockReader, AForeignOrDamagedPointIsRefused) {
  const std::string stream = zrlwriter::gzipCompress(longData(5));
  const std::string other = zrlwriter::gzipCompress(longData(6));
  std::string whole;
  const std::vector<ResumePoint> points = pointsOf(stream, 65536, whole);
  ASSERT_GE(points.size(), 3u);
  ResumePoint damaged = points[1];
  damaged.inflaterState.resize(damaged.inflaterState.size() / 2);
  ResumePoint wrongCheck = points[1];
  wrongCheck.checkCrc ^= 1;
  bool matched = true;
  int errorNumber = 0;
  EXPECT_FALSE((readFrom(stream, &wrongCheck, matched, errorNumber), matched));
  EXPECT_FALSE((readFrom(other, &points[2], matched, errorNumber), matched));
  // A state this build cannot use reads the member from its start: slow,
  // still right.
  const std::string rest = readFrom(stream, &damaged, matched, errorNumber);
  if (matched) {
    EXPECT_TRUE(rest == whole.substr(damaged.streamPosition));
  }
}
