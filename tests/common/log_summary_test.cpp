// The info JSON exactly as printed.
#include <gtest/gtest.h>

#include "common/LogSummary.h"

namespace {

LogSummary engineSummary(std::uint32_t version) {
  LogSummary s;
  s.startMs = 1700000000250;
  s.endMs = 1700000010250;
  s.formatVersion = version;
  s.uncompressedSize = 851000;
  s.note = "Bench \"test\"\n\x01";
  s.firmware = "1.2.3";
  s.uid = "00010203-0405-0607-0809-0a0b0c0d0e0f";
  s.serial = "SN-0001";
  s.variables = {{"Engine.Rpm", 2, "rpm"}, {"Engine.Speed", 3, "km/h"}};
  return s;
}

// Layout, key order, escapes, signed times and the members of each version
// are pinned byte for byte by the info fixtures; here only what they do not
// reach: control characters in the note, and the version 2 head without
// the extension's members.
TEST(InfoJson, ControlCharactersAndTheVersionTwoHead) {
  const std::string text = infoJsonText(buildInfoJson(engineSummary(4)));
  EXPECT_NE(text.find("\t\"note\" : \"Bench \\\"test\\\"\\n\\u0001\",\n"), std::string::npos) << text;
  for (const char* member : {"firmware", "serial", "uid"}) {
    EXPECT_TRUE(buildInfoJson(engineSummary(3)).isMember(member)) << member;
    EXPECT_FALSE(buildInfoJson(engineSummary(2)).isMember(member)) << member;
  }
}

}  // namespace
