// The index from the command line: --index makes it, later runs use it, and
// nothing a user sees depends on whether they did.
#include <gtest/gtest.h>

#include <cstdlib>
#include <dirent.h>
#include <string>

#include "tests/e2e/DecoderSandbox.h"

namespace {

using zrltest::DecoderSandbox;

int filesIn(const std::string& directory) {
  DIR* dir = opendir(directory.c_str());
  if (dir == nullptr) return 0;
  int count = 0;
  while (const dirent* e = readdir(dir)) count += e->d_name[0] != '.';
  closedir(dir);
  return count;
}

TEST(IndexRun, StatsAndWindowsReadTheSameWithTheIndexAsWithout) {
  setenv("ZRL_INDEX_SPACING", "16384", 1);
  DecoderSandbox box("index-run");
  const std::string log = box.makeSample("drive.zrl");
  ASSERT_FALSE(log.empty());
  const std::string cache = box.cacheHome() + "/zrl-decoder";

  const auto plainStats = box.runDecoder({"--info", "--stats", "--no-index", log});
  ASSERT_EQ(plainStats.exitStatus, 0) << plainStats.err;
  EXPECT_EQ(filesIn(cache), 0) << "--no-index wrote an index";

  const auto made = box.runDecoder({"--index", "--quiet", log});
  ASSERT_EQ(made.exitStatus, 0) << made.err;
  EXPECT_EQ(made.err, "");
  ASSERT_EQ(made.out.rfind(cache + "/", 0), 0u) << made.out;
  EXPECT_EQ(filesIn(cache), 1);

  const auto indexedStats = box.runDecoder({"--info", "--stats", log});
  EXPECT_EQ(indexedStats.exitStatus, 0);
  EXPECT_EQ(indexedStats.out, plainStats.out);
  EXPECT_EQ(indexedStats.err, plainStats.err);

  for (const std::vector<std::string>& window :
       {std::vector<std::string>{"--start", "+100", "--end", "+101"}, {"--start", "+170"}, {"--end", "+5"}}) {
    std::vector<std::string> args = {"--batch", "--alldata", "--quiet", "--csv", "-"};
    args.insert(args.end(), window.begin(), window.end());
    args.push_back(log);
    const auto seeking = box.runDecoder(args);
    args.insert(args.begin(), "--no-index");
    const auto plain = box.runDecoder(args);
    EXPECT_EQ(seeking.exitStatus, plain.exitStatus);
    EXPECT_EQ(seeking.err, plain.err);
    EXPECT_TRUE(seeking.out == plain.out) << window.front() << " " << window[1];
    EXPECT_GT(plain.out.size(), 100u);
  }
  unsetenv("ZRL_INDEX_SPACING");
}

TEST(IndexRun, AWholeDecodeLeavesAnIndexThatALaterWindowUses) {
  setenv("ZRL_INDEX_SPACING", "16384", 1);
  DecoderSandbox box("index-by-decode");
  const std::string log = box.makeSample("drive.zrl");
  ASSERT_FALSE(log.empty());
  const auto whole = box.runDecoder({"--batch", "--alldata", "--quiet", "--csv", "-", log});
  ASSERT_EQ(whole.exitStatus, 0) << whole.err;
  EXPECT_EQ(filesIn(box.cacheHome() + "/zrl-decoder"), 1) << "a whole decode made no index";
  const auto windowed = box.runDecoder({"--batch", "--alldata", "--quiet", "--csv", "-", "--start", "+150", log});
  const auto plain =
      box.runDecoder({"--no-index", "--batch", "--alldata", "--quiet", "--csv", "-", "--start", "+150", log});
  EXPECT_EQ(windowed.exitStatus, plain.exitStatus);
  EXPECT_TRUE(windowed.out == plain.out);
  unsetenv("ZRL_INDEX_SPACING");
}

TEST(IndexRun, ALogThatCannotBeReadIsSaidSoAndFailsTheRun) {
  DecoderSandbox box("index-bad");
  const std::string good = box.makeSample("good.zrl");
  const auto r = box.runDecoder({"--index", "--quiet", box.work + "/missing.zrl", good});
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_NE(r.err.find("missing.zrl"), std::string::npos) << r.err;
  EXPECT_EQ(filesIn(box.cacheHome() + "/zrl-decoder"), 1) << "the readable log is still indexed";
}

}  // namespace
