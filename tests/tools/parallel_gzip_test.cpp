#include <gtest/gtest.h>

#include "tests/tools/WriterTestHelpers.h"
#include "tools/zrlwriter/ParallelGzip.h"

using zrlwriter::ParallelGzip;

namespace {

std::string compress(const std::string& input, unsigned threads, size_t blockSize, size_t writeSize, int level = 1) {
  std::string out;
  ParallelGzip gz(level, threads, [&](const char* d, size_t n) { out.append(d, n); }, blockSize);
  for (size_t pos = 0; pos < input.size(); pos += writeSize)
    gz.write(input.data() + pos, std::min(writeSize, input.size() - pos));
  gz.finish();
  EXPECT_EQ(gz.inputLength(), input.size());
  return out;
}

// Compressible but not trivially so, with repeats far apart to exercise the
// window carried from one block to the next.
std::string testData(size_t size) {
  std::string s;
  s.reserve(size);
  uint32_t x = 12345;
  while (s.size() < size) {
    x = x * 1103515245 + 12345;
    s += (x >> 16) % 5 == 0 ? std::string("record-") + std::to_string(x % 1000) : std::string(1, char(x >> 24));
  }
  s.resize(size);
  return s;
}

TEST(ParallelGzip, BlocksJoinIntoOneValidMember) {
  struct Case {
    size_t size;
    unsigned threads;
    size_t blockSize;
    size_t writeSize;
  };
  const Case cases[] = {
      {0, 1, 1024, 1},          {1, 3, 1024, 1},          {1024, 2, 1024, 1024},   {1025, 2, 1024, 100},
      {5000, 3, 7, 13},         {300000, 4, 10000, 65536}, {300000, 1, 1 << 20, 3}, {200000, 2, 65536, 65536},
  };
  for (const Case& c : cases) {
    const std::string input = testData(c.size);
    const auto inflated = writertest::gunzipMembers(compress(input, c.threads, c.blockSize, c.writeSize));
    EXPECT_TRUE(inflated.complete) << c.size << "/" << c.threads << "/" << c.blockSize;
    EXPECT_EQ(inflated.members, 1);
    EXPECT_TRUE(inflated.data == input) << c.size << "/" << c.threads << "/" << c.blockSize;
    EXPECT_EQ(inflated.rest, "");
  }
}

TEST(ParallelGzip, CompressesAsWellAcrossBlocksAsInOne) {
  // Without the carried window every small block would start from scratch.
  const std::string input = testData(400000);
  const size_t split = compress(input, 2, 4096, 65536, 6).size();
  const size_t whole = zrlwriter::gzipCompress(input, 6).size();
  EXPECT_LT(split, whole + whole / 20);
}

TEST(ParallelGzip, LevelsAndMisuse) {
  for (int level : {0, 9}) {
    const std::string input = testData(50000);
    EXPECT_TRUE(writertest::gunzipMembers(compress(input, 2, 8192, 1000, level)).data == input) << level;
  }
  EXPECT_THROW(ParallelGzip(10, 1, [](const char*, size_t) {}), zrlwriter::ZrlWriteError);
  ParallelGzip gz(1, 1, [](const char*, size_t) {});
  gz.finish();
  EXPECT_THROW(gz.write("x", 1), zrlwriter::ZrlWriteError);
  EXPECT_THROW(gz.finish(), zrlwriter::ZrlWriteError);
}

}  // namespace
