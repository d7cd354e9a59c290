#include <gtest/gtest.h>

#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/ProcessRunner.h"
#include "tests/tools/WriterTestHelpers.h"

using zrltest::generatorProgram;
using zrltest::runProgram;

namespace {

TEST(ZrlGen, SamplePresetWritesTheLibrarySample) {
  const std::string dir = zrltest::makeTempSubdir("gen");
  const auto r = runProgram(generatorProgram(), {"--preset", "sample", "--version", "3", "--output", dir + "/s.zrl"});
  ASSERT_EQ(r.exitStatus, 0) << r.err;
  EXPECT_EQ(zrltest::readFile(dir + "/s.zrl"),
            zrlwriter::buildZrlBytes(zrlwriter::sampleHead(3), zrlwriter::sampleBody(3)));
  EXPECT_NE(r.out.find("Wrote " + dir + "/s.zrl"), std::string::npos);
}

TEST(ZrlGen, DescriptionWritesTheDescribedFile) {
  const std::string dir = zrltest::makeTempSubdir("gen");
  zrltest::writeFile(dir + "/a.zrldesc", "version 2\ngroup 1 G\nvar 1 1 int I\nts 0\nint 1 5\nbody plain\n");
  const auto r = runProgram(generatorProgram(), {"--description", dir + "/a.zrldesc", "--output", dir + "/a.zrl"});
  ASSERT_EQ(r.exitStatus, 0) << r.err;
  const std::string file = zrltest::readFile(dir + "/a.zrl");
  ASSERT_EQ(file.size(), 817957u + 6 + 6);
  EXPECT_EQ(writertest::hex(file.substr(817957)), "ffff00000000" "010005000000");
}

TEST(ZrlGen, BigPresetStreamsAndReportsItsRate) {
  const std::string dir = zrltest::makeTempSubdir("gen");
  const auto r = runProgram(generatorProgram(), {"--preset", "big", "--size-mb", "2", "--output", dir + "/b.zrl"});
  ASSERT_EQ(r.exitStatus, 0) << r.err;
  EXPECT_NE(r.err.find("2/2 MB"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("MB/s of body"), std::string::npos) << r.out;
}

TEST(ZrlGen, BadCommandLinesAreRefused) {
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* message;
  };
  const std::string out = zrltest::tempDir() + "/never.zrl";
  zrltest::writeFile(zrltest::tempDir() + "/bad.zrldesc", "group 1 G\nvar 1 1 int X\nint 1 x\n");
  const Case cases[] = {
      {{}, 2, "zrl-gen: give exactly one of --preset and --description\n"},
      {{"--preset", "sample"}, 2, "zrl-gen: --output PATH is required\n"},
      {{"--preset", "huge", "--output", out}, 2, "zrl-gen: unknown preset 'huge' (known: sample, big, reference)\n"},
      {{"--preset", "big", "--output", out}, 2, "zrl-gen: --preset big needs --size-mb N\n"},
      {{"--preset", "big", "--size-mb", "lots", "--output", out}, 2,
       "zrl-gen: option --size-mb needs a whole number from 0 to 1000000, not 'lots'\n"},
      {{"--preset", "big", "--size-mb", "0", "--output", out}, 2, "zrl-gen: --size-mb must be at least 1\n"},
      {{"--preset", "sample", "--size-mb", "5", "--output", out}, 2,
       "zrl-gen: --size-mb, --rows, --level and --threads apply to --preset big or reference only\n"},
      {{"--preset", "reference", "--size-mb", "5", "--output", out}, 2,
       "zrl-gen: --preset reference takes --rows, not --size-mb\n"},
      {{"--preset", "sample", "--description", "x", "--output", out}, 2, "zrl-gen: give exactly one of --preset and --description\n"},
      {{"--description", "x", "--version", "3", "--output", out}, 2,
       "zrl-gen: --version applies to presets; a description sets its own version\n"},
      {{"--preset", "sample", "--output"}, 2, "zrl-gen: option --output needs a value\n"},
      {{"--frobnicate"}, 2, "zrl-gen: unknown argument '--frobnicate'\n"},
      {{"--description", zrltest::tempDir() + "/missing.zrldesc", "--output", out}, 1,
       "zrl-gen: cannot read description {tmp}/missing.zrldesc\n"},
      {{"--description", zrltest::tempDir() + "/bad.zrldesc", "--output", out}, 1,
       "zrl-gen: {tmp}/bad.zrldesc: line 3: integer value must be a whole number from -2147483648 to 4294967295, "
       "not 'x'\n"},
      {{"--preset", "sample", "--output", zrltest::tempDir() + "/no/dir.zrl"}, 1,
       "zrl-gen: cannot create {tmp}/no/dir.zrl: No such file or directory\n"},
  };
  for (const Case& c : cases) {
    const auto r = runProgram(generatorProgram(), c.args);
    std::string expected = c.message;
    const size_t at = expected.find("{tmp}");
    if (at != std::string::npos) expected.replace(at, 5, zrltest::tempDir());
    EXPECT_EQ(r.exitStatus, c.status) << expected;
    EXPECT_EQ(r.err.substr(0, expected.size()), expected);
    EXPECT_FALSE(zrltest::fileExists(out));
  }
}

}  // namespace
