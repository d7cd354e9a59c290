#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

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

// Holds an exclusive lock on `path` while alive, as a live run holds its
// ".part".
struct HeldLock {
  explicit HeldLock(const std::string& path) : fd(::open(path.c_str(), O_RDWR | O_CLOEXEC)) {
    locked = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  }
  ~HeldLock() {
    if (fd >= 0) ::close(fd);
  }
  int fd;
  bool locked = false;
};

// Writes `text` through a ".part" and publishes it; returns the name taken.
std::string writeAndPublish(const std::string& path, const std::string& text,
                            const NamingCalls& calls = systemNamingCalls()) {
  CsvOutput out;
  const PartFile part = createPartFile(path, out);
  if (part.number == 0) return "<not created>";
  out.append(text);
  const bool written = out.close();
  std::string finalName;
  const bool published = written && publishPartFile(path, part.number, finalName, calls);
  ::close(part.lock);
  if (!written) return "<not written>";
  return published ? finalName : "<not published>";
}

TEST(OutputNamingTest, PublishesUnderTheFirstFreeName) {
  const std::string dir = zrltest::makeTempSubdir("naming");
  EXPECT_EQ(writeAndPublish(dir + "/b.csv", ""), dir + "/b.csv");
  for (int n = 2; n <= 10; ++n)
    EXPECT_EQ(writeAndPublish(dir + "/b.csv", "x"), dir + "/b (" + std::to_string(n) + ").csv");
  EXPECT_EQ(zrltest::readFile(dir + "/b.csv"), "");
  EXPECT_EQ(zrltest::readFile(dir + "/b (10).csv"), "x");
  EXPECT_FALSE(zrltest::fileExists(dir + "/b (10).csv.part"));
  // A directory entry of any kind takes the name, a ".part" of a live run too.
  ASSERT_EQ(mkdir((dir + "/c.csv").c_str(), 0700), 0);
  zrltest::writeFile(dir + "/c (2).csv.part", "other run");
  const HeldLock otherRun(dir + "/c (2).csv.part");
  ASSERT_TRUE(otherRun.locked);
  EXPECT_EQ(writeAndPublish(dir + "/c.csv", "y"), dir + "/c (3).csv");
  EXPECT_EQ(zrltest::readFile(dir + "/c (2).csv.part"), "other run");
}

// A ".part" that no run holds was left by a crash; it gives its name up,
// unless it plainly is not a table (another program's download).
TEST(OutputNamingTest, AbandonedPartFilesGiveTheirNameUp) {
  const struct {
    const char* name;
    const char* content;
    bool held;
    bool abandoned;
  } cases[] = {
      {"table cut by a crash", "\xEF\xBB\xBF" "Date;Hour\r\n01/0", false, true},
      {"crash before the first write", "", false, true},
      {"a live run's", "\xEF\xBB\xBF" "Date;Hour\r\n", true, false},
      {"another program's", "PK\x03\x04", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = zrltest::makeTempSubdir("abandoned") + "/b.csv";
    zrltest::writeFile(path + ".part", c.content);
    const HeldLock run(path + ".part");
    ASSERT_TRUE(run.locked);
    if (!c.held) ::flock(run.fd, LOCK_UN);
    const std::string expected = c.abandoned ? path : numberedOutputName(path, 2);
    // The prediction agrees with the name then taken, and leaves the file.
    EXPECT_EQ(candidateOutputName(path, firstFreeOutputNumber(path)), expected);
    EXPECT_TRUE(zrltest::fileExists(path + ".part"));
    std::vector<std::string> removed;
    CsvOutput out;
    const PartFile part =
        createPartFile(path, out, [&](const std::string& name) { removed.push_back(name); });
    EXPECT_EQ(candidateOutputName(path, part.number), expected);
    EXPECT_EQ(removed, c.abandoned ? std::vector<std::string>{path + ".part"} : std::vector<std::string>{});
    if (!c.abandoned) {
      EXPECT_EQ(zrltest::readFile(path + ".part"), c.content);
    }
    // The new ".part" is held in turn.
    const HeldLock probe(partFileName(expected));
    EXPECT_FALSE(probe.locked);
    out.close();
    ::close(part.lock);
  }
}

// Each way of naming without replacing, down to a file system that has
// neither hard links nor an exclusive rename (FAT answers EPERM, then
// EINVAL): the name taken meanwhile stays, and the table goes beside it.
TEST(OutputNamingTest, NameTakenWhileWritingIsNeverReplaced) {
  static int linkError = 0, renameError = 0;
  const NamingCalls withoutLinks{
      [](const char*, const char*) {
        errno = linkError;
        return -1;
      },
      [](const char* from, const char* to) {
        return renameError == 0 ? systemNamingCalls().renameNoReplace(from, to) : (errno = renameError, -1);
      }};
  const struct {
    const char* name;
    bool system;
    int link;
    int rename;
  } cases[] = {
      {"hard link", true, 0, 0},
      {"exclusive rename", false, EPERM, 0},
      {"reserved name (FAT)", false, EPERM, EINVAL},
      {"reserved name (no calls)", false, ENOSYS, ENOSYS},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    linkError = c.link;
    renameError = c.rename;
    const std::string dir = zrltest::makeTempSubdir("race");
    const std::string path = dir + "/b.csv";
    CsvOutput out;
    const PartFile part = createPartFile(path, out);
    ASSERT_EQ(part.number, 1u);
    out.append("mine");
    ASSERT_TRUE(out.close());
    zrltest::writeFile(path, "theirs");
    std::string finalName;
    ASSERT_TRUE(publishPartFile(path, part.number, finalName, c.system ? systemNamingCalls() : withoutLinks));
    ::close(part.lock);
    EXPECT_EQ(finalName, dir + "/b (2).csv");
    EXPECT_EQ(zrltest::readFile(path), "theirs");
    EXPECT_EQ(zrltest::readFile(finalName), "mine");
    EXPECT_FALSE(zrltest::fileExists(path + ".part"));
  }
}

TEST(OutputNamingTest, MissingDirectoryFails) {
  CsvOutput out;
  EXPECT_EQ(createPartFile(zrltest::tempDir() + "/no/such/dir/b.csv", out).number, 0u);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_FALSE(out.isOpen());
}

}  // namespace
