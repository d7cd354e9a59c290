// The inline-buffered stream must behave exactly as plain gzread() calls:
// same bytes, same counts, same end-of-stream flag, failure at the same
// point.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <random>
#include <unistd.h>

#include "reader/GzBlockReader.h"
#include "tests/reader/ReaderTestSupport.h"

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
