#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

#include "decode/CsvOutput.h"
#include "decode/FreeOutputName.h"
#include "tests/decode/ChildProcess.h"
#include "tests/support/IsolatedEnvironment.h"

using namespace zrl;

namespace {

TEST(CsvOutputTest, KeepsEndedLinesAndDropsTakenBackOnes) {
  const std::string path = zrltest::makeTempSubdir("csvout") + "/a.csv";
  CsvOutput out(16);  // a tiny threshold: every line is written at once
  ASSERT_TRUE(out.createNew(path));
  out.append("head\r\n");
  out.endLine();
  std::size_t start = out.lineStart();
  out.append("dropped\r\n");
  out.dropLine(start);
  start = out.lineStart();
  // A line far longer than the buffer is kept whole.
  const std::string longLine(300000, 'x');
  out.append(longLine);
  out.appendChar(';');
  out.back() = '\n';
  out.endLine();
  ASSERT_TRUE(out.close());
  EXPECT_EQ(zrltest::readFile(path), "head\r\n" + longLine + "\n");
}

TEST(CsvOutputTest, NeverTruncatesAnExistingFile) {
  const std::string path = zrltest::makeTempSubdir("csvkeep") + "/a.csv";
  zrltest::writeFile(path, "precious");
  CsvOutput out;
  EXPECT_FALSE(out.createNew(path));
  EXPECT_EQ(zrltest::readFile(path), "precious");
}

TEST(CsvOutputTest, ReportsAWriteThatTheFileSystemRefuses) {
  const std::string path = zrltest::makeTempSubdir("csvfull") + "/a.csv";
  // A file size limit makes writes fail the way a full disk does.
  const int status = zrltest::inChildWithFileSizeLimit(4096, [&] {
    CsvOutput out(1024);
    if (!out.createNew(path)) return 10;
    for (int i = 0; i < 100; ++i) {
      out.append(std::string(100, 'x'));
      out.endLine();
    }
    if (out.close()) return 11;
    if (!out.failed()) return 12;
    return out.errorText() == "File too large" ? 0 : 13;
  });
  EXPECT_EQ(status, 0);
}

TEST(OutputNamingTest, NumbersGoBeforeTheExtension) {
  EXPECT_EQ(numberedOutputName("a/b.csv", 2), "a/b (2).csv");
  EXPECT_EQ(numberedOutputName("b.csv", 10), "b (10).csv");
  EXPECT_EQ(numberedOutputName(".csv", 3), " (3).csv");
  EXPECT_EQ(numberedOutputName("ab", 2), "ab (2)");
}

TEST(OutputNamingTest, PicksTheFirstFreeName) {
  const std::string dir = zrltest::makeTempSubdir("naming");
  std::string path = dir + "/b.csv";
  CsvOutput out;
  ASSERT_TRUE(createFreeOutputFile(path, out));
  EXPECT_EQ(path, dir + "/b.csv");
  out.close();
  for (int n = 2; n <= 10; ++n) {
    path = dir + "/b.csv";
    ASSERT_TRUE(createFreeOutputFile(path, out));
    EXPECT_EQ(path, dir + "/b (" + std::to_string(n) + ").csv");
    out.append("x");
    ASSERT_TRUE(out.close());
  }
  EXPECT_EQ(zrltest::readFile(dir + "/b.csv"), "");
  EXPECT_EQ(zrltest::readFile(dir + "/b (10).csv"), "x");
  // A directory entry of any kind takes the name.
  ASSERT_EQ(mkdir((dir + "/c.csv").c_str(), 0700), 0);
  path = dir + "/c.csv";
  ASSERT_TRUE(createFreeOutputFile(path, out));
  EXPECT_EQ(path, dir + "/c (2).csv");
  out.close();
}

TEST(OutputNamingTest, MissingDirectoryFails) {
  std::string path = zrltest::tempDir() + "/no/such/dir/b.csv";
  CsvOutput out;
  EXPECT_FALSE(createFreeOutputFile(path, out));
  EXPECT_FALSE(out.isOpen());
}

}  // namespace
