#include <gtest/gtest.h>

#include <functional>

#include "tests/tools/WriterTestHelpers.h"

using namespace zrlwriter;
using writertest::hex;

namespace {

TEST(RecordEncoder, EveryRecordKindIsLittleEndianIdThenPayload) {
  struct Case {
    const char* what;
    std::function<void(RecordEncoder&)> write;
    const char* bytes;
  };
  const Case cases[] = {
      {"boolean raw byte", [](RecordEncoder& e) { e.boolean(1, 2); }, "010002"},
      {"integer", [](RecordEncoder& e) { e.integer(0x0102, -2); }, "0201feffffff"},
      {"float", [](RecordEncoder& e) { e.floatValue(3, 1.0f); }, "03000000803f"},
      {"double", [](RecordEncoder& e) { e.doubleValue(4, 0.1); }, "04009a9999999999b93f"},
      {"string", [](RecordEncoder& e) { e.string(5, std::string("ab\0cd", 5)); }, "0500056162006364"},
      {"empty string", [](RecordEncoder& e) { e.string(5, ""); }, "050000"},
      {"string, length byte as given", [](RecordEncoder& e) { e.string(5, 0x41, "xy"); }, "0500417879"},
      {"CAN frame", [](RecordEncoder& e) { e.canFrame(6, 2, 0x80000123, "\x11\x22"); }, "06000223010080" "1122"},
      {"CAN frame without data", [](RecordEncoder& e) { e.canFrame(6, 0, 0x7FF, ""); }, "060000ff070000"},
      {"CAN frame, length byte as given", [](RecordEncoder& e) { e.canFrame(6, 9, 1, ""); }, "06000901000000"},
      {"timestamp value", [](RecordEncoder& e) { e.timestampValue(7, 1500000000123456); }, "070040a22bf73d540500"},
      {"bare id", [](RecordEncoder& e) { e.recordId(20000); }, "204e"},
      {"raw", [](RecordEncoder& e) { e.raw("\xff\xff"); }, "ffff"},
  };
  for (const Case& c : cases) {
    RecordEncoder e(4);
    c.write(e);
    EXPECT_EQ(hex(e.bytes()), c.bytes) << c.what;
  }
}

TEST(RecordEncoder, TimestampWidthFollowsTheVersion) {
  struct Case {
    uint32_t version;
    uint64_t offset;
    const char* bytes;
  };
  const Case cases[] = {
      {4, 1000, "ffffe803000000000000"},
      {5, 0x0102030405060708, "ffff0807060504030201"},
      {3, 0xFFFFFFFF, "ffffffffffff"},
      {2, 1000, "ffffe8030000"},
      {0, 0x100000001, "ffff01000000"},  // only the low half fits
  };
  for (const Case& c : cases) {
    RecordEncoder e(c.version);
    e.timestamp(c.offset);
    EXPECT_EQ(hex(e.bytes()), c.bytes) << "version " << c.version;
  }
}

TEST(RecordEncoder, AppendsInOrderAndClearsForReuse) {
  RecordEncoder e(4);
  e.timestamp(0).integer(1, 5).boolean(2, 1);
  EXPECT_EQ(e.size(), 10u + 6u + 3u);
  e.clear();
  EXPECT_EQ(e.size(), 0u);
  e.boolean(2, 0);
  EXPECT_EQ(hex(e.bytes()), "020000");
}

TEST(RecordEncoder, StringTooLongForItsLengthByteIsRefused) {
  RecordEncoder e(4);
  EXPECT_THROW(e.string(1, std::string(256, 'x')), ZrlWriteError);
  e.string(1, std::string(255, 'x'));
  EXPECT_EQ(e.size(), 2u + 1u + 255u);
}

}  // namespace
