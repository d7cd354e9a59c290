#include <gtest/gtest.h>

#include <map>
#include <set>

#include "tests/support/IsolatedEnvironment.h"
#include "tests/tools/WriterTestHelpers.h"

using namespace zrlwriter;

namespace {

TEST(SamplePreset, IsAWellFormedDriveForEveryVersion) {
  for (uint32_t version : {0u, 2u, 3u, 4u}) {
    const ZrlHead head = sampleHead(version);
    const std::string body = sampleBody(version);
    const writertest::Walk walk = writertest::walkBody(head, body);
    EXPECT_TRUE(walk.clean) << version << ": " << walk.error;
    EXPECT_EQ(walk.timestamps, 1800u) << version;
    EXPECT_GT(walk.values, 1800u * 4) << version;
    ASSERT_FALSE(walk.offsets.empty());
    EXPECT_EQ(walk.offsets.front(), 0u);
    for (size_t i = 1; i < walk.offsets.size(); ++i) ASSERT_GT(walk.offsets[i], walk.offsets[i - 1]);
    const int64_t start = head.endTime.toMs() - (head.endCounter.toMs() - head.startCounter.toMs());
    EXPECT_EQ(start % 1000, 250) << "starts off a whole second";
    EXPECT_LE(start + int64_t(walk.offsets.back()), head.endTime.toMs());
    EXPECT_EQ(layout::hasExtension(version), !head.serial.empty());
  }
}

TEST(SamplePreset, CoversEveryDataTypeWithUnitsFromTheTable) {
  const ZrlHead head = sampleHead();
  std::set<int> types;
  for (const ZrlVariable& v : head.variables) {
    types.insert(v.type);
    EXPECT_TRUE(head.groups.count(v.groupId)) << v.name;
    EXPECT_TRUE(v.unitIndex == 0 || head.units.count(v.unitIndex)) << v.name;
  }
  EXPECT_EQ(types, (std::set<int>{1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(head.units.at(3), "\xC2\xB0" "C");
  EXPECT_FLOAT_EQ(head.recordingFrequency, 10.0f);
}

TEST(BigPreset, StreamsAWellFormedFileOfTheRequestedSize) {
  const std::string path = zrltest::makeTempSubdir("big") + "/big.zrl";
  uint64_t lastReport = 0;
  const uint64_t wanted = 6 * 1024 * 1024;
  const WriteResult r = writeBigFile(path, wanted, 3, 1, [&](uint64_t done, uint64_t total) {
    EXPECT_EQ(total, wanted);
    lastReport = done;
  });
  EXPECT_EQ(lastReport, r.bodyLength);
  EXPECT_GE(r.bodyLength, wanted);
  EXPECT_LT(r.bodyLength, wanted + 200);
  const std::string file = zrltest::readFile(path);
  EXPECT_EQ(file.size(), r.fileSize);
  EXPECT_EQ(writertest::le(file, 1085, 4), correctStoredSize(r.bodyLength));
  const auto inflated = writertest::gunzipMembers(file.substr(818037));
  ASSERT_EQ(inflated.data.size(), r.bodyLength);
  ZrlHead head = sampleHead(3);
  const writertest::Walk walk = writertest::walkBody(head, inflated.data);
  EXPECT_TRUE(walk.clean) << walk.error;
  for (size_t i = 1; i < walk.offsets.size(); ++i) ASSERT_GT(walk.offsets[i], walk.offsets[i - 1]);
  // The rewritten head spans every row written.
  const int64_t endMs = writertest::le(file, 16, 4) * 1000 + writertest::le(file, 24, 4) / 1000000;
  const int64_t startMs = endMs - (static_cast<int32_t>(writertest::le(file, 40, 4)) * 1000 -
                                   static_cast<int32_t>(writertest::le(file, 28, 4)) * 1000 +
                                   static_cast<int32_t>(writertest::le(file, 48, 4)) / 1000000 -
                                   static_cast<int32_t>(writertest::le(file, 36, 4)) / 1000000);
  EXPECT_EQ(startMs, head.startTime.toMs());
  EXPECT_GE(endMs, startMs + int64_t(walk.offsets.back()));
  EXPECT_LT(endMs, startMs + int64_t(walk.offsets.back()) + 1000);
}

}  // namespace

TEST(ReferencePreset, EveryRowLogsAllFiftyVariables) {
  const std::string path = zrltest::makeTempSubdir("reference") + "/reference.zrl";
  const WriteResult r = writeReferenceFile(path, 300);
  const std::string file = zrltest::readFile(path);
  const auto inflated = writertest::gunzipMembers(file.substr(r.headSize));
  const ZrlHead head = ReferenceLog().head(4, 300);
  std::map<uint8_t, int> types;
  for (const auto& v : head.variables) ++types[v.type];
  EXPECT_EQ(types, (std::map<uint8_t, int>{{kBoolean, 5}, {kInteger, 10}, {kFloat, 30}, {kDouble, 5}}));
  const writertest::Walk walk = writertest::walkBody(head, inflated.data);
  EXPECT_TRUE(walk.clean) << walk.error;
  EXPECT_EQ(walk.timestamps, 300u);
  EXPECT_EQ(walk.values, 300u * 50);
}
