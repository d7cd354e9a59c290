#include <gtest/gtest.h>

#include "tests/support/IsolatedEnvironment.h"
#include "tests/tools/WriterTestHelpers.h"

using namespace zrlwriter;
using writertest::gunzipMembers;
using writertest::le;

namespace {

ZrlHead head(uint32_t version) {
  ZrlHead h;
  h.formatVersion = version;
  h.setTimeSpan(1000, 2000);
  h.addVariable(1, 0, kDouble, "D");
  return h;
}

TEST(StreamWriter, ChunksBecomeOneGzipMemberAndTheSizeIsPatched) {
  const std::string path = zrltest::makeTempSubdir("stream") + "/s.zrl";
  std::string body;
  {
    ZrlStreamWriter w(path, head(3), 1, 3);
    RecordEncoder e(3);
    for (int chunk = 0; chunk < 20; ++chunk) {
      e.clear();
      for (int i = 0; i < 5000; ++i) e.timestamp(chunk * 5000 + i).doubleValue(1, i * 0.25);
      body += e.bytes();
      w.append(e.bytes());
    }
    const WriteResult r = w.finish();
    EXPECT_EQ(r.bodyLength, body.size());
    EXPECT_EQ(r.storedSize, correctStoredSize(body.size()));
    EXPECT_EQ(r.headSize, 818037u);
  }
  const std::string file = zrltest::readFile(path);
  EXPECT_EQ(file.substr(0, 818037), encodeHead(head(3), correctStoredSize(body.size())));
  const auto inflated = gunzipMembers(file.substr(818037));
  EXPECT_EQ(inflated.members, 1);
  EXPECT_EQ(inflated.data, body);
  EXPECT_EQ(inflated.rest, "");
}

TEST(StreamWriter, UpdatedHeadIsRewrittenAtTheEnd) {
  const std::string path = zrltest::makeTempSubdir("stream") + "/s.zrl";
  ZrlHead later = head(4);
  later.setTimeSpan(1000, 99000);
  later.note = "final";
  later.storedSizeOverride = 12;
  ZrlStreamWriter w(path, head(4));
  w.append("abc");
  w.updateHead(later);
  w.finish();
  const std::string file = zrltest::readFile(path);
  EXPECT_EQ(file.substr(0, 850805), encodeHead(later, 12));
  EXPECT_EQ(gunzipMembers(file.substr(850805)).data, "abc");
}

TEST(StreamWriter, MisuseIsReported) {
  const std::string dir = zrltest::makeTempSubdir("stream");
  EXPECT_THROW(ZrlStreamWriter(dir + "/no/such/dir.zrl", head(4)), ZrlWriteError);
  ZrlStreamWriter w(dir + "/a.zrl", head(4));
  EXPECT_THROW(w.updateHead(head(3)), ZrlWriteError);
  w.finish();
  EXPECT_THROW(w.append("x"), ZrlWriteError);
  EXPECT_THROW(w.finish(), ZrlWriteError);
}

TEST(StreamWriter, UnfinishedFileKeepsStoredSizeZero) {
  const std::string path = zrltest::makeTempSubdir("stream") + "/s.zrl";
  {
    ZrlStreamWriter w(path, head(4));
    w.append(std::string(1000, 'x'));
  }
  EXPECT_EQ(le(zrltest::readFile(path), 1085, 4), 0u);
}

}  // namespace
