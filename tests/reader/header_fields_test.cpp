// The small decoding rules of the file head.
#include <gtest/gtest.h>

#include <cstring>

#include "reader/DataTypes.h"
#include "reader/HeaderFields.h"

using namespace zrl;

namespace {

std::array<uint8_t, 12> timeValue(int32_t seconds, int32_t nanoseconds) {
  std::array<uint8_t, 12> bytes;
  bytes.fill(0xEE);  // bytes 4-7 are not part of the value
  std::memcpy(bytes.data(), &seconds, 4);
  std::memcpy(bytes.data() + 8, &nanoseconds, 4);
  return bytes;
}

}  // namespace

TEST(HeaderFields, TimeValueInMilliseconds) {
  EXPECT_EQ(zrl::timeValueMs(timeValue(1600000000, 999999999).data()), 1600000000999);
  EXPECT_EQ(zrl::timeValueMs(timeValue(0, 1999999).data()), 1);
  // Truncation toward zero, in 64 bits.
  EXPECT_EQ(zrl::timeValueMs(timeValue(-1, -1500000).data()), -1001);
  EXPECT_EQ(zrl::timeValueMs(timeValue(2147483647, 0).data()), 2147483647000);
}

TEST(HeaderFields, TextFieldStopsAtFirstNulOrTakesAll) {
  const uint8_t withNul[8] = {'a', 'b', 0, 'c', 'd', 0, 0, 0};
  EXPECT_EQ(zrl::fieldText(withNul, 8), "ab");
  const uint8_t full[4] = {'w', 'x', 'y', 'z'};
  EXPECT_EQ(zrl::fieldText(full, 4), "wxyz");
  const uint8_t empty[4] = {0, 'x', 'y', 'z'};
  EXPECT_EQ(zrl::fieldText(empty, 4), "");
}

TEST(HeaderFields, UidTextGrouping) {
  uint8_t uid[16];
  for (int i = 0; i < 16; ++i) uid[i] = static_cast<uint8_t>(0xF0 + i);
  EXPECT_EQ(zrl::uidText(uid), "f0f1f2f3-f4f5-f6f7-f8f9-fafbfcfdfeff");
}

TEST(HeaderFields, StoredSizeGetsTheLostHighBitBack) {
  struct Case {
    uint32_t stored;
    uint64_t onDisk;
    uint64_t expected;
  } cases[] = {
      {2400000000u, 500000000, 6694967296},  // 2.4e9 < 5 * 5e8
      {2400000000u, 400000000, 2400000000},  // file too small to have wrapped
      {100, 429496729, 100},                 // the limit itself is not above it
      {100, 429496730, 4294967396},
      {2147483650u, 429496730, 2147483650u},  // exactly five times: kept
      {4294967295u, 6000000000, 8589934591},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(zrl::correctedUncompressedSize(c.stored, c.onDisk), c.expected)
        << c.stored << " stored, " << c.onDisk << " on disk";
  }
}

TEST(DataTypes, EnumeratorNames) {
  EXPECT_STREQ(dataTypeName(0), "None");
  EXPECT_STREQ(dataTypeName(DATALOGGER_DOUBLE_TYPE), "DATALOGGER_DOUBLE_TYPE");
  EXPECT_STREQ(dataTypeName(7), "DATALOGGER_TIMESTAMP_TYPE");
  EXPECT_STREQ(dataTypeName(8), "UNKNOWN");
  EXPECT_STREQ(dataTypeName(255), "UNKNOWN");
}
