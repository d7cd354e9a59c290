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

TEST(InfoJson, NewerVersionsCarryTheExtensionSortedByKey) {
  EXPECT_EQ(infoJsonText(buildInfoJson(engineSummary(4))),
            "{\n"
            "\t\"data\" : \n"
            "\t[\n"
            "\t\t{\n"
            "\t\t\t\"name\" : \"Engine.Rpm\",\n"
            "\t\t\t\"type\" : 2,\n"
            "\t\t\t\"unintsymb\" : \"rpm\"\n"
            "\t\t},\n"
            "\t\t{\n"
            "\t\t\t\"name\" : \"Engine.Speed\",\n"
            "\t\t\t\"type\" : 3,\n"
            "\t\t\t\"unintsymb\" : \"km/h\"\n"
            "\t\t}\n"
            "\t],\n"
            "\t\"end\" : 1700000010250,\n"
            "\t\"firmware\" : \"1.2.3\",\n"
            "\t\"note\" : \"Bench \\\"test\\\"\\n\\u0001\",\n"
            "\t\"serial\" : \"SN-0001\",\n"
            "\t\"start\" : 1700000000250,\n"
            "\t\"uid\" : \"00010203-0405-0607-0809-0a0b0c0d0e0f\",\n"
            "\t\"uncompressedSize\" : 851000,\n"
            "\t\"zrlversion\" : 4\n"
            "}\n");
}

TEST(InfoJson, OlderVersionsAndEmptyCatalog) {
  LogSummary s = engineSummary(2);
  s.variables.clear();
  s.note.clear();
  EXPECT_EQ(infoJsonText(buildInfoJson(s)),
            "{\n"
            "\t\"data\" : [],\n"
            "\t\"end\" : 1700000010250,\n"
            "\t\"note\" : \"\",\n"
            "\t\"start\" : 1700000000250,\n"
            "\t\"uncompressedSize\" : 851000,\n"
            "\t\"zrlversion\" : 2\n"
            "}\n");
  EXPECT_TRUE(buildInfoJson(engineSummary(3)).isMember("uid"));
}

TEST(InfoJson, TimesBefore1970AreSigned) {
  LogSummary s = engineSummary(2);
  s.startMs = -90000;
  s.endMs = -1;
  const std::string text = infoJsonText(buildInfoJson(s));
  EXPECT_NE(text.find("\t\"start\" : -90000,\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\t\"end\" : -1,\n"), std::string::npos) << text;
}

}  // namespace
