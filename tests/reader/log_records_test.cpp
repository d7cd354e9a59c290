// The record stream: timestamp records, every value type, the messages of
// broken records, the end of the stream and the progress counter.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/reader/ReaderTestSupport.h"

using namespace zrl;

using namespace readertest;
using zrlwriter::RecordEncoder;
using zrlwriter::ZrlHead;

namespace {

enum : uint16_t { kBool = 1, kInt = 2, kFloat = 3, kDouble = 4, kString = 5, kCan = 6, kTime = 7, kUnused = 8, kOdd = 9 };

ZrlHead recordHead(uint32_t version) {
  ZrlHead head = basicHead(version);
  head.groups[0] = "G";
  head.addVariable(kBool, 0, zrlwriter::kBoolean, "bool");
  head.addVariable(kInt, 0, zrlwriter::kInteger, "int");
  head.addVariable(kFloat, 0, zrlwriter::kFloat, "float");
  head.addVariable(kDouble, 0, zrlwriter::kDouble, "double");
  head.addVariable(kString, 0, zrlwriter::kString, "string");
  head.addVariable(kCan, 0, zrlwriter::kCanFrame, "can");
  head.addVariable(kTime, 0, zrlwriter::kTimestamp, "time");
  head.addVariable(kUnused, 0, zrlwriter::kUnused, "unusedName");
  head.addVariable(kOdd, 0, 9, "odd");
  return head;
}

// A reader positioned at the first record of `body`.
struct OpenLog {
  explicit OpenLog(const std::string& body, uint32_t version = 4,
                   zrlwriter::BodyEncoding encoding = zrlwriter::BodyEncoding::Gzip)
      : reader(writeLog(recordHead(version), body, options(encoding)), {}) {
    EXPECT_TRUE(reader.openForRecords());
  }
  static zrlwriter::WriteOptions options(zrlwriter::BodyEncoding encoding) {
    zrlwriter::WriteOptions o;
    o.encoding = encoding;
    return o;
  }
  // One value record: its id, then its payload decoded.
  bool readValue(NodeDataValue& out) {
    uint16_t id = 0;
    if (!reader.readId(id)) return false;
    return reader.readVarData(id, reader.typeOf(id), out);
  }
  TestReader reader;
};

}  // namespace

TEST(LogRecords, TimestampOffsetsByVersion) {
  {
    OpenLog log(RecordEncoder(4).timestamp(1000).timestamp(0x100000000ULL).bytes(), 4);
    uint16_t id = 0;
    int64_t t = 0;
    ASSERT_TRUE(log.reader.readId(id));
    EXPECT_EQ(id, 0xFFFF);
    ASSERT_TRUE(log.reader.readAbsoluteTimestamp(t));
    EXPECT_EQ(t, log.reader.fileStartMs() + 1000);
    ASSERT_TRUE(log.reader.readId(id));
    ASSERT_TRUE(log.reader.readAbsoluteTimestamp(t));
    EXPECT_EQ(t, log.reader.fileStartMs() + 0x100000000LL);
    EXPECT_EQ(log.reader.bytesRead(), 850805u + 20);
  }
  {
    // Four bytes, unsigned: 0xFFFFFFFF is a long way after the start.
    OpenLog log(RecordEncoder(3).timestamp(0xFFFFFFFFULL).bytes(), 3);
    uint16_t id = 0;
    int64_t t = 0;
    ASSERT_TRUE(log.reader.readId(id));
    ASSERT_TRUE(log.reader.readAbsoluteTimestamp(t));
    EXPECT_EQ(t, log.reader.fileStartMs() + 4294967295LL);
    EXPECT_EQ(log.reader.bytesRead(), 850805u + 6);
  }
}

TEST(LogRecords, EveryTypeDecodes) {
  RecordEncoder body(4);
  body.boolean(kBool, 0x02)
      .boolean(kBool, 0x00)
      .integer(kInt, -123456)
      .floatValue(kFloat, 1.5f)
      .doubleValue(kDouble, 0.1)
      .string(kString, "")
      .string(kString, std::string(32, 'x'))
      .string(kString, std::string("ab\0cd", 5))
      .canFrame(kCan, 0, 0x1FFFFFFF, "")
      .canFrame(kCan, 3, 0x123, "\x01\x02\x03")
      .timestampValue(kTime, 1500000000123456ULL);
  OpenLog log(body.bytes());
  NodeDataValue v;
  ASSERT_TRUE(log.readValue(v));
  EXPECT_EQ(v.kind(), DataValueKind::Boolean);
  EXPECT_TRUE(v.getBool());
  ASSERT_TRUE(log.readValue(v));
  EXPECT_FALSE(v.getBool());
  ASSERT_TRUE(log.readValue(v));
  EXPECT_EQ(v.kind(), DataValueKind::Integer);
  EXPECT_EQ(v.getInt(), -123456);
  ASSERT_TRUE(log.readValue(v));
  EXPECT_EQ(v.kind(), DataValueKind::Float);
  EXPECT_EQ(v.getFloat(), 1.5f);
  ASSERT_TRUE(log.readValue(v));
  EXPECT_EQ(v.kind(), DataValueKind::Double);
  EXPECT_EQ(v.getDouble(), 0.1);
  ASSERT_TRUE(log.readValue(v));
  EXPECT_EQ(v.kind(), DataValueKind::String);
  EXPECT_EQ(v.getString(), "");
  ASSERT_TRUE(log.readValue(v));
  EXPECT_EQ(v.getString(), std::string(31, 'x'));
  ASSERT_TRUE(log.readValue(v));
  EXPECT_EQ(v.getString(), "ab");
  can_frame frame;
  ASSERT_TRUE(log.readValue(v));
  ASSERT_TRUE(v.getCanFrame(frame));
  EXPECT_EQ(frame.can_id, 0x1FFFFFFFu);
  EXPECT_EQ(frame.can_dlc, 0);
  ASSERT_TRUE(log.readValue(v));
  ASSERT_TRUE(v.getCanFrame(frame));
  EXPECT_EQ(frame.can_id, 0x123u);
  EXPECT_EQ(frame.can_dlc, 3);
  const uint8_t expectedData[8] = {1, 2, 3, 0, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(frame.data, expectedData, 8), 0);
  ASSERT_TRUE(log.readValue(v));
  EXPECT_EQ(v.kind(), DataValueKind::TimeStamp);
  EXPECT_EQ(v.getTimeStamp().tv_sec, 1500000000);
  EXPECT_EQ(v.getTimeStamp().tv_nsec, 123456000);

  // Exactly at the end: the next id is the normal end, silently.
  zrltest::CapturedDiagnostics capture;
  uint16_t id = 0;
  EXPECT_FALSE(log.reader.atStreamEnd());
  EXPECT_FALSE(log.reader.readId(id));
  EXPECT_TRUE(log.reader.atStreamEnd());
  EXPECT_EQ(capture.text(), "");
  EXPECT_EQ(log.reader.bytesRead(), 850805u + body.size());
}

TEST(LogRecords, PlainBodyIsReadAsIs) {
  const std::string body = RecordEncoder(4).timestamp(5).integer(kInt, 77).bytes();
  OpenLog log(body, 4, zrlwriter::BodyEncoding::Plain);
  uint16_t id = 0;
  int64_t t = 0;
  NodeDataValue v;
  ASSERT_TRUE(log.reader.readId(id));
  ASSERT_TRUE(log.reader.readAbsoluteTimestamp(t));
  EXPECT_EQ(t, log.reader.fileStartMs() + 5);
  ASSERT_TRUE(log.readValue(v));
  EXPECT_EQ(v.getInt(), 77);
  EXPECT_FALSE(log.reader.readId(id));
  EXPECT_TRUE(log.reader.atStreamEnd());
}

TEST(LogRecords, BrokenRecordsPrintTheirMessage) {
  struct Case {
    const char* what;
    std::string body;
    std::string console;
  } cases[] = {
      {"string length A", RecordEncoder(4).string(kString, 0x41, "").bytes(), "String too long (65)\n"},
      {"string length 33", RecordEncoder(4).string(kString, 0x21, std::string(33, 'a')).bytes(),
       "String too long (33)\n"},
      {"CAN length 9", RecordEncoder(4).canFrame(kCan, 9, 1, std::string(9, 'd')).bytes(),
       "CAN frame too long (9)\n"},
      {"unused slot", RecordEncoder(4).integer(kUnused, 1).bytes(),
       "readVarData() failed: Unknown type=0, varName=unusedName, varId=8\n"},
      {"type above 7", RecordEncoder(4).integer(kOdd, 1).bytes(),
       "readVarData() failed: Unknown type=9, varName=odd, varId=9\n"},
      {"slot without a name", RecordEncoder(4).integer(19999, 1).bytes(),
       "readVarData() failed: Unknown type=0, varName=, varId=19999\n"},
      {"id past the catalog", RecordEncoder(4).integer(20000, 1).bytes(),
       "readVarData() failed: Unknown variable, varId=20000\n"},
      {"id 65534", RecordEncoder(4).integer(65534, 1).bytes(),
       "readVarData() failed: Unknown variable, varId=65534\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    OpenLog log(c.body);
    NodeDataValue v = int32_t{5};
    zrltest::CapturedDiagnostics capture;
    EXPECT_FALSE(log.readValue(v));
    EXPECT_EQ(capture.text(), c.console);
    EXPECT_EQ(v.getInt(), 5) << "a failed read leaves the value alone";
  }
}

TEST(LogRecords, StreamEndingInsideARecord) {
  struct Case {
    const char* what;
    std::string body;
    std::string console;
  } cases[] = {
      {"after a value id", RecordEncoder(4).recordId(kInt).bytes(), ""},
      {"after a timestamp id", RecordEncoder(4).recordId(0xFFFF).bytes(),
       "Failed to read absolute timestamp \n"},
      {"after a string length", RecordEncoder(4).recordId(kString).raw("\x03").bytes(),
       "Unable to read string data\n"},
      {"after a CAN length", RecordEncoder(4).recordId(kCan).raw("\x02").bytes(),
       "Unable to read CAN frame ID\n"},
      {"after a CAN identifier", RecordEncoder(4).recordId(kCan).raw(std::string("\x02\x01\0\0\0", 5)).bytes(),
       "Unable to read CAN frame data\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    OpenLog log(c.body);
    zrltest::CapturedDiagnostics capture;
    uint16_t id = 0;
    ASSERT_TRUE(log.reader.readId(id));
    bool ok;
    if (id == 0xFFFF) {
      int64_t t;
      ok = log.reader.readAbsoluteTimestamp(t);
    } else {
      NodeDataValue v;
      ok = log.reader.readVarData(id, log.reader.typeOf(id), v);
    }
    EXPECT_FALSE(ok);
    EXPECT_TRUE(log.reader.atStreamEnd());
    EXPECT_EQ(capture.text(), c.console);
  }
}

TEST(LogRecords, ARecordCutByTheEndIsDroppedAndWhatArrivedCounted) {
  // Two of the four integer bytes: no value (never one completed with
  // zeros), and only the bytes delivered are counted.
  OpenLog log(RecordEncoder(4).recordId(kInt).raw("\x34\x12").bytes());
  NodeDataValue v(int32_t{7});
  EXPECT_FALSE(log.readValue(v));
  EXPECT_EQ(v.getInt(), 7);
  EXPECT_EQ(log.reader.bytesRead(), 850805u + 4);
  EXPECT_TRUE(log.reader.atStreamEnd());

  OpenLog strings(RecordEncoder(4).recordId(kString).raw("\x05xy").bytes());
  EXPECT_FALSE(strings.readValue(v));
  EXPECT_EQ(v.getInt(), 7);
}

TEST(LogRecords, CorruptDataEndsWithTheZlibMessage) {
  RecordEncoder body(4);
  for (int i = 0; i < 50000; ++i) body.timestamp(i * 100).integer(kInt, i * 7919).floatValue(kFloat, i * 0.5f);
  std::string file = zrltest::readFile(writeLog(recordHead(4), body.bytes()));
  file[file.size() - 8] ^= 0x01;  // the member's CRC no longer matches its data
  const std::string path = newFilePath("corrupt.zrl");
  zrltest::writeFile(path, file);

  TestReader reader(path, {});
  ASSERT_TRUE(reader.openForRecords());
  zrltest::CapturedDiagnostics capture;
  int records = 0;
  for (;; ++records) {
    uint16_t id = 0;
    if (!reader.readId(id)) break;
    if (id == 0xFFFF) {
      int64_t t;
      if (!reader.readAbsoluteTimestamp(t)) break;
    } else {
      NodeDataValue v;
      if (!reader.readVarData(id, reader.typeOf(id), v)) break;
    }
  }
  const std::string console = capture.text();
  // zlib's own message names the stream: "<fd:N>: incorrect data check".
  const std::string firstLine = console.substr(0, console.find('\n'));
  EXPECT_EQ(firstLine.rfind("readInputFile, GZ error: (-3) ", 0), 0u) << console;
  EXPECT_NE(firstLine.find("incorrect data check"), std::string::npos) << console;
  EXPECT_FALSE(reader.atStreamEnd());
  EXPECT_GT(records, 1000);
  EXPECT_LT(reader.bytesRead(), 850805u + body.size());
}

TEST(LogRecords, ReusedValueHoldsExactlyWhatItsSetterWouldStore) {
  // One value takes every kind in turn, as the value a resampling decode
  // reuses does: the bytes a kind does not use must not keep an earlier
  // kind's payload.
  can_frame full;
  std::memset(&full, 0, sizeof full);
  full.can_id = 0x80000123;
  full.can_dlc = 8;
  std::memcpy(full.data, "\xFF\xFE\xFD\xFC\xFB\xFA\xF9\xF8", 8);
  can_frame shorter;
  std::memset(&shorter, 0, sizeof shorter);
  shorter.can_id = 0x7;
  shorter.can_dlc = 2;
  shorter.data[0] = 0x11;
  shorter.data[1] = 0x22;
  RecordEncoder body(4);
  body.canFrame(kCan, 8, full.can_id, std::string(reinterpret_cast<const char*>(full.data), 8))
      .floatValue(kFloat, -2.25f)
      .timestampValue(kTime, 1700000000999999ULL)
      .integer(kInt, 7)
      .canFrame(kCan, 8, full.can_id, std::string(reinterpret_cast<const char*>(full.data), 8))
      .canFrame(kCan, 2, 0x7, "\x11\x22")
      .doubleValue(kDouble, 3.5)
      .canFrame(kCan, 8, full.can_id, std::string(reinterpret_cast<const char*>(full.data), 8))
      .boolean(kBool, 1);
  std::vector<NodeDataValue> expected(9);
  expected[0] = full;
  expected[1] = -2.25f;
  expected[2] = TimeSpec32{1700000000, 999999000};
  expected[3] = int32_t{7};
  expected[4] = full;
  expected[5] = shorter;
  expected[6] = DataValue::ofDouble(3.5);
  expected[7] = full;
  expected[8] = true;

  OpenLog log(body.bytes());
  NodeDataValue v;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    ASSERT_TRUE(log.readValue(v)) << i;
    EXPECT_EQ(v.kind(), expected[i].kind()) << i;
    EXPECT_EQ(std::memcmp(v.value, expected[i].value, sizeof v.value), 0) << i;
  }
}
