#include <gtest/gtest.h>

#include "tests/support/IsolatedEnvironment.h"
#include "tests/tools/WriterTestHelpers.h"

using namespace zrlwriter;
using writertest::gunzipMembers;
using writertest::le;

namespace {

ZrlHead smallHead(uint32_t version = 4) {
  ZrlHead h;
  h.formatVersion = version;
  h.setTimeSpan(1700000000000, 1700000001000);
  h.groups[1] = "G";
  h.addVariable(1, 1, kInteger, "I");
  return h;
}

std::string someBody(size_t rows = 500) {
  RecordEncoder e(4);
  for (size_t i = 0; i < rows; ++i) e.timestamp(i * 10).integer(1, static_cast<int32_t>(i * i));
  return e.bytes();
}

TEST(StoredSize, IsProgressStartPlusBodyModulo32Bits) {
  EXPECT_EQ(correctStoredSize(0), 850805u);
  EXPECT_EQ(correctStoredSize(100), 850905u);
  EXPECT_EQ(correctStoredSize(0xFFFFFFFFull), 850804u);
  EXPECT_EQ(correctStoredSize(0x100000000ull + 5), 850810u);
}

TEST(StoredSize, SameRuleForOldVersionsWithShorterHeads) {
  // The counter the reader compares with starts at 850805 whatever the head length.
  const std::string body = someBody(3);
  WriteResult r;
  const std::string file = buildZrlBytes(smallHead(2), body, {}, &r);
  EXPECT_EQ(r.headSize, 817957u);
  EXPECT_EQ(le(file, 1085, 4), 850805u + body.size());
  EXPECT_EQ(r.storedSize, 850805u + body.size());
}

TEST(WholeFile, GzipBodyInflatesBackToTheRecords) {
  const std::string body = someBody();
  WriteResult r;
  const std::string file = buildZrlBytes(smallHead(), body, {}, &r);
  EXPECT_EQ(file.substr(0, 850805), encodeHead(smallHead(), correctStoredSize(body.size())));
  const auto inflated = gunzipMembers(file.substr(850805));
  EXPECT_EQ(inflated.data, body);
  EXPECT_EQ(inflated.members, 1);
  EXPECT_EQ(inflated.rest, "");
  EXPECT_EQ(r.fileSize, file.size());
  EXPECT_EQ(r.bodyLength, body.size());
}

TEST(WholeFile, BodyOptions) {
  const std::string body = someBody();
  {
    WriteOptions o;
    o.encoding = BodyEncoding::Plain;
    o.trailingGarbage = "tail";
    EXPECT_EQ(buildZrlBytes(smallHead(), body, o).substr(850805), body + "tail");
  }
  {
    WriteOptions o;
    o.gzipMembers = 3;
    o.trailingGarbage = std::string("\0\x01junk", 6);
    const auto inflated = gunzipMembers(buildZrlBytes(smallHead(), body, o).substr(850805));
    EXPECT_EQ(inflated.members, 3);
    EXPECT_EQ(inflated.data, body);
    EXPECT_EQ(inflated.rest, std::string("\0\x01junk", 6));
  }
  {
    WriteOptions o;
    o.gzipMembers = 2;
    const auto inflated = gunzipMembers(buildZrlBytes(smallHead(), "", o).substr(850805));
    EXPECT_EQ(inflated.members, 2);
    EXPECT_EQ(inflated.data, "");
  }
}

TEST(WholeFile, CutsKeepTheStoredSizeOfTheWholeBody) {
  const std::string body = someBody();
  const std::string whole = buildZrlBytes(smallHead(), body);
  for (uint64_t cut : {uint64_t(0), uint64_t(1), uint64_t(10), uint64_t(whole.size() - 850805 - 1)}) {
    WriteOptions o;
    o.truncateBodyAt = cut;
    const std::string file = buildZrlBytes(smallHead(), body, o);
    EXPECT_EQ(file, whole.substr(0, 850805 + cut)) << cut;
    EXPECT_EQ(le(file, 1085, 4), correctStoredSize(body.size()));
    const auto inflated = gunzipMembers(file.substr(850805));
    EXPECT_FALSE(inflated.complete && inflated.data == body) << "cut at " << cut << " still inflates whole";
  }
  for (uint64_t cut : {uint64_t(0), uint64_t(3), uint64_t(1090), uint64_t(850804)}) {
    WriteOptions o;
    o.truncateFileAt = cut;
    EXPECT_EQ(buildZrlBytes(smallHead(), body, o), whole.substr(0, cut)) << cut;
  }
  WriteOptions beyond;
  beyond.truncateFileAt = whole.size() + 100;
  beyond.truncateBodyAt = whole.size();
  EXPECT_EQ(buildZrlBytes(smallHead(), body, beyond), whole);
}

TEST(WholeFile, StoredSizeOverride) {
  ZrlHead h = smallHead();
  h.storedSizeOverride = 7;
  WriteResult r;
  const std::string file = buildZrlBytes(h, someBody(), {}, &r);
  EXPECT_EQ(le(file, 1085, 4), 7u);
  EXPECT_EQ(r.storedSize, 7u);
}

TEST(WholeFile, WritesToDiskAndReportsUnwritablePaths) {
  const std::string dir = zrltest::makeTempSubdir("file-writer");
  const std::string body = someBody();
  const WriteResult r = writeZrlFile(dir + "/a.zrl", smallHead(), body);
  const std::string onDisk = zrltest::readFile(dir + "/a.zrl");
  EXPECT_EQ(onDisk, buildZrlBytes(smallHead(), body));
  EXPECT_EQ(r.fileSize, onDisk.size());
  EXPECT_THROW(writeZrlFile(dir + "/missing/a.zrl", smallHead(), body), ZrlWriteError);
}

}  // namespace
