#include <gtest/gtest.h>

#include "tests/tools/WriterTestHelpers.h"

using namespace zrlwriter;
using writertest::le;

namespace {

ZrlHead fullHead(uint32_t version) {
  ZrlHead h;
  h.formatVersion = version;
  h.startTime = {1700000000, 0xAABBCCDD, 250000000};
  h.endTime = {1700000100, 7, 500000000};
  h.startCounter = {12, 0, 1};
  h.endCounter = {-3, 0, -4};
  h.note = "note text";
  h.reserved = 0x01020304;
  h.recordingFrequency = 12.5f;
  h.reservedByte = 0x5A;
  if (version >= 3) {
    h.serial = "SERIAL-1";
    for (size_t i = 0; i < 16; ++i) h.uid[i] = static_cast<uint8_t>(i);
    h.firmware = "fw 2.0";
  }
  h.groups[0] = "Zero";
  h.groups[1023] = "LastOld";
  h.units[0] = "u0";
  h.units[127] = "u127";
  h.addVariable(0, 1023, kInteger, "First", 127, 3);
  ZrlVariable& odd = h.addVariable(19999, 65535, 200, "Last", 255, 9);
  odd.id = 4242;
  return h;
}

struct VersionLayout {
  uint32_t version;
  size_t catalog, varNames, units, descriptors, headSize;
};

class HeadLayout : public testing::TestWithParam<VersionLayout> {};

TEST_P(HeadLayout, FieldsSitAtTheirFileOffsets) {
  const VersionLayout l = GetParam();
  const std::string b = encodeHead(fullHead(l.version), 0xDEADBEEF);
  ASSERT_EQ(b.size(), l.headSize);
  EXPECT_EQ(b.substr(0, 4), "OMUL");
  EXPECT_EQ(le(b, 4, 4), 1700000000u);
  EXPECT_EQ(le(b, 8, 4), 0xAABBCCDDu);
  EXPECT_EQ(le(b, 12, 4), 250000000u);
  EXPECT_EQ(le(b, 16, 4), 1700000100u);
  EXPECT_EQ(le(b, 20, 4), 7u);
  EXPECT_EQ(le(b, 24, 4), 500000000u);
  EXPECT_EQ(le(b, 28, 4), 12u);
  EXPECT_EQ(le(b, 36, 4), 1u);
  EXPECT_EQ(le(b, 40, 4), 0xFFFFFFFDu);
  EXPECT_EQ(le(b, 48, 4), 0xFFFFFFFCu);
  EXPECT_EQ(b.substr(52, 10), std::string("note text\0", 10));
  EXPECT_EQ(le(b, 1076, 4), 0x01020304u);
  EXPECT_EQ(le(b, 1080, 4), 0x41480000u);  // 12.5f
  EXPECT_EQ(le(b, 1084, 1), 0x5Au);
  EXPECT_EQ(le(b, 1085, 4), 0xDEADBEEFu);
  EXPECT_EQ(le(b, 1089, 4), l.version);
  if (l.version >= 3) {
    EXPECT_EQ(b.substr(1093, 9), std::string("SERIAL-1\0", 9));
    EXPECT_EQ(writertest::hex(b.substr(1125, 16)), "000102030405060708090a0b0c0d0e0f");
    EXPECT_EQ(b.substr(1141, 7), std::string("fw 2.0\0", 7));
  }
  const size_t c = l.catalog;
  EXPECT_EQ(b.substr(c, 5), std::string("Zero\0", 5));
  EXPECT_EQ(b.substr(c + 1023 * 32, 8), std::string("LastOld\0", 8));
  EXPECT_EQ(b.substr(c + l.varNames, 6), std::string("First\0", 6));
  EXPECT_EQ(b.substr(c + l.varNames + 19999 * 32, 5), std::string("Last\0", 5));
  EXPECT_EQ(b.substr(c + l.units, 3), std::string("u0\0", 3));
  EXPECT_EQ(b.substr(c + l.units + 127 * 32, 5), std::string("u127\0", 5));
  EXPECT_EQ(writertest::hex(b.substr(c + l.descriptors, 7)), "0000ff03027f03");
  EXPECT_EQ(writertest::hex(b.substr(c + l.descriptors + 19999 * 7, 7)), "9210ffffc8ff09");
  // Nothing else is written: every unset slot stays zero.
  EXPECT_EQ(b.substr(c + l.descriptors + 7, 7), std::string(7, '\0'));
}

INSTANTIATE_TEST_SUITE_P(
    Versions, HeadLayout,
    testing::Values(VersionLayout{2, 1093, 32768, 672768, 676864, 817957},
                    VersionLayout{3, 1173, 32768, 672768, 676864, 818037},
                    VersionLayout{4, 1173, 65536, 705536, 709632, 850805},
                    VersionLayout{5, 1173, 65536, 705536, 709632, 850805}),
    [](const testing::TestParamInfo<VersionLayout>& testCase) { return "v" + std::to_string(testCase.param.version); });

TEST(HeadEncoding, OldVersionsLeaveNoRoomForTheExtension) {
  for (uint32_t version : {0u, 1u, 2u}) {
    ZrlHead h;
    h.formatVersion = version;
    h.groups[1] = "G";
    const std::string b = encodeHead(h, 0);
    EXPECT_EQ(b.size(), 817957u);
    EXPECT_EQ(b.substr(1093 + 32, 2), std::string("G\0", 2)) << version;
  }
}

TEST(HeadEncoding, FullFieldsCarryNoTerminator) {
  ZrlHead h;
  h.note = std::string(1024, 'n');
  h.serial = std::string(32, 's');
  h.firmware = std::string(32, 'f');
  h.groups[2047] = std::string(32, 'g');
  h.units[5] = std::string(32, 'u');
  h.addVariable(7, 1, kFloat, std::string(32, 'v'));
  const std::string b = encodeHead(h, 0);
  EXPECT_EQ(b.substr(52, 1024), std::string(1024, 'n'));
  EXPECT_EQ(le(b, 1076, 4), 0u);
  EXPECT_EQ(b.substr(1093, 32), std::string(32, 's'));
  EXPECT_EQ(b.substr(1141, 32), std::string(32, 'f'));
  EXPECT_EQ(b.substr(1173 + 2047 * 32, 32), std::string(32, 'g'));
  EXPECT_EQ(b.substr(1173 + 65536, 32), std::string(32, '\0'));
  EXPECT_EQ(b.substr(1173 + 65536 + 7 * 32, 32), std::string(32, 'v'));
  EXPECT_EQ(b.substr(1173 + 705536 + 5 * 32, 32), std::string(32, 'u'));
}

TEST(HeadEncoding, RefusesWhatCannotBeLaidOut) {
  struct Case {
    const char* what;
    void (*change)(ZrlHead&);
    const char* message;
  };
  const Case cases[] = {
      {"long note", [](ZrlHead& h) { h.note = std::string(1025, 'x'); }, "note is 1025 bytes, the field holds 1024"},
      {"long name", [](ZrlHead& h) { h.addVariable(3, 0, kInteger, std::string(33, 'x')); },
       "name of variable 3 is 33 bytes, the field holds 32"},
      {"group past old table",
       [](ZrlHead& h) {
         h.formatVersion = 3;
         h.groups[1024] = "G";
       },
       "group id 1024 is past the group-name table (1024 entries in version 3)"},
      {"group past wide table", [](ZrlHead& h) { h.groups[2048] = "G"; },
       "group id 2048 is past the group-name table (2048 entries in version 4)"},
      {"unit past table", [](ZrlHead& h) { h.units[128] = "u"; }, "unit index 128 is past the unit table (128 entries)"},
      {"slot past catalog", [](ZrlHead& h) { h.addVariable(20000, 0, kInteger, "x"); },
       "variable slot 20000 is past the catalog (20000 slots)"},
      {"slot twice",
       [](ZrlHead& h) {
         h.addVariable(4, 0, kInteger, "x");
         h.addVariable(4, 0, kFloat, "y");
       },
       "variable slot 4 is described twice"},
      {"serial in version 2",
       [](ZrlHead& h) {
         h.formatVersion = 2;
         h.serial = "S";
       },
       "format version 2 has no header extension for serial or firmware"},
  };
  for (const Case& c : cases) {
    ZrlHead h;
    c.change(h);
    try {
      encodeHead(h, 0);
      ADD_FAILURE() << c.what << ": accepted";
    } catch (const ZrlWriteError& e) {
      EXPECT_EQ(std::string(e.what()), c.message) << c.what;
    }
  }
}

TEST(HeadEncoding, RawDescriptorFieldsPassUnchecked) {
  ZrlHead h;
  h.formatVersion = 3;
  ZrlVariable& v = h.addVariable(10, 3000, 9, "Raw", 200, 255);
  v.id = 11;
  const std::string b = encodeHead(h, 0);
  EXPECT_EQ(writertest::hex(b.substr(1173 + 676864 + 10 * 7, 7)), "0b00b80b09c8ff");
}

TEST(TimeValues, MillisecondsRoundTripWithTheSignOnBothParts) {
  for (int64_t ms : {int64_t(0), int64_t(1), int64_t(999), int64_t(-1), int64_t(-1500), int64_t(1773480413250)}) {
    const TimeValue t = TimeValue::fromMs(ms);
    EXPECT_EQ(t.toMs(), ms);
    EXPECT_TRUE((t.seconds >= 0 && t.nanoseconds >= 0) || (t.seconds <= 0 && t.nanoseconds <= 0)) << ms;
  }
  EXPECT_EQ(TimeValue::fromMs(-1500).seconds, -1);
  EXPECT_EQ(TimeValue::fromMs(-1500).nanoseconds, -500000000);
}

TEST(TimeValues, TimeSpanIsWhatTheReaderDerives) {
  // The reader takes the end time and subtracts the counter difference.
  ZrlHead h;
  h.setTimeSpan(1700000000250, 1700000180750, 86400123);
  EXPECT_EQ(h.startTime.toMs(), 1700000000250);
  EXPECT_EQ(h.endTime.toMs(), 1700000180750);
  EXPECT_EQ(h.endTime.toMs() - (h.endCounter.toMs() - h.startCounter.toMs()), 1700000000250);
  EXPECT_EQ(h.startCounter.toMs(), 86400123);
}

}  // namespace
