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
  const struct {
    const char* path;
    unsigned n;
    const char* numbered;
  } cases[] = {
      {"a/b.csv", 2, "a/b (2).csv"},
      {"b.csv", 10, "b (10).csv"},
      {".csv", 3, " (3).csv"},
      {"ab", 2, "ab (2)"},
      {"results", 2, "results (2)"},
      {"out/adir", 2, "out/adir (2)"},
      {"/dev/null", 2, "/dev/null (2)"},
      {"a.b/res", 2, "a.b/res (2)"},
      {"data.tsv", 2, "data (2).tsv"},
      {"x.tar.gz", 4, "x.tar (4).gz"},
      {"dir/.hidden", 2, "dir/.hidden (2)"},
      {"name.", 2, "name (2)."},
  };
  for (const auto& c : cases) EXPECT_EQ(numberedOutputName(c.path, c.n), c.numbered) << c.path;
}

// Writes `text` through a ".part" and publishes it; returns the name taken.
std::string writeAndPublish(const std::string& path, const std::string& text) {
  CsvOutput out;
  const unsigned number = createPartFile(path, out);
  if (number == 0) return "<not created>";
  out.append(text);
  if (!out.close()) return "<not written>";
  std::string finalName;
  if (!publishPartFile(path, number, finalName)) return "<not published>";
  return finalName;
}

TEST(OutputNamingTest, PublishesUnderTheFirstFreeName) {
  const std::string dir = zrltest::makeTempSubdir("naming");
  EXPECT_EQ(writeAndPublish(dir + "/b.csv", ""), dir + "/b.csv");
  for (int n = 2; n <= 10; ++n)
    EXPECT_EQ(writeAndPublish(dir + "/b.csv", "x"), dir + "/b (" + std::to_string(n) + ").csv");
  EXPECT_EQ(zrltest::readFile(dir + "/b.csv"), "");
  EXPECT_EQ(zrltest::readFile(dir + "/b (10).csv"), "x");
  EXPECT_FALSE(zrltest::fileExists(dir + "/b (10).csv.part"));
  // A directory entry of any kind takes the name, a ".part" of another run too.
  ASSERT_EQ(mkdir((dir + "/c.csv").c_str(), 0700), 0);
  zrltest::writeFile(dir + "/c (2).csv.part", "other run");
  EXPECT_EQ(writeAndPublish(dir + "/c.csv", "y"), dir + "/c (3).csv");
  EXPECT_EQ(zrltest::readFile(dir + "/c (2).csv.part"), "other run");
}

TEST(OutputNamingTest, NameTakenWhileWritingIsNeverReplaced) {
  const std::string dir = zrltest::makeTempSubdir("race");
  const std::string path = dir + "/b.csv";
  CsvOutput out;
  const unsigned number = createPartFile(path, out);
  ASSERT_EQ(number, 1u);
  out.append("mine");
  ASSERT_TRUE(out.close());
  zrltest::writeFile(path, "theirs");
  std::string finalName;
  ASSERT_TRUE(publishPartFile(path, number, finalName));
  EXPECT_EQ(finalName, dir + "/b (2).csv");
  EXPECT_EQ(zrltest::readFile(path), "theirs");
  EXPECT_EQ(zrltest::readFile(finalName), "mine");
  EXPECT_FALSE(zrltest::fileExists(path + ".part"));
}

TEST(OutputNamingTest, MissingDirectoryFails) {
  CsvOutput out;
  EXPECT_EQ(createPartFile(zrltest::tempDir() + "/no/such/dir/b.csv", out), 0u);
  EXPECT_FALSE(out.isOpen());
}

}  // namespace
