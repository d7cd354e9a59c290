// Info mode: the JSON description of a log file, and how bad files end it.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/DecoderSandbox.h"

namespace {

using zrltest::DecoderSandbox;

const char kEngineLog[] = R"(version 4
times 1700000000250 1700000010250
note "Bench \"test\"\ttab"
serial SN-0001
uid 00010203-0405-0607-0809-0a0b0c0d0e0f
firmware 1.2.3
group 1 Engine
unit 1 rpm
unit 2 km/h
var 1 1 float Speed unit=2
var 2 1 int Rpm unit=1
ts 0
int 2 800
)";

TEST(InfoMode, PrintsTheDescriptionAndExitsWithoutAWindow) {
  DecoderSandbox box("info-v4");
  const std::string log = box.makeLog("engine.zrl", kEngineLog);
  ASSERT_FALSE(log.empty());
  // No display at all: the run must not need one.
  auto r = box.runDecoder({"--info", "--zrl", log});
  EXPECT_EQ(r.exitStatus, 0) << r.err;
  const std::string expectedHead =
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
      "\t\"note\" : \"Bench \\\"test\\\"\\ttab\",\n"
      "\t\"serial\" : \"SN-0001\",\n"
      "\t\"start\" : 1700000000250,\n"
      "\t\"uid\" : \"00010203-0405-0607-0809-0a0b0c0d0e0f\",\n"
      "\t\"uncompressedSize\" : ";
  ASSERT_EQ(r.out.substr(0, expectedHead.size()), expectedHead) << r.out;
  EXPECT_NE(r.out.find(",\n\t\"zrlversion\" : 4\n}\n"), std::string::npos) << r.out;
  // Standard error stays quiet on a bare machine (no display, no runtime
  // directory): scripts read it as the channel of real failures.
  EXPECT_EQ(r.err, "");
}

TEST(InfoMode, VersionTwoHasNoExtensionMembers) {
  DecoderSandbox box("info-v2");
  const std::string log = box.makeLog("old.zrl", "version 2\ntimes 1700000000000 1700000001000\n");
  ASSERT_FALSE(log.empty());
  auto r = box.runDecoder({"--info", "--zrl", log, "--batch"});
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.out.find("firmware"), std::string::npos);
  EXPECT_EQ(r.out.find("\"uid\""), std::string::npos);
  EXPECT_EQ(r.out.find("serial"), std::string::npos);
  EXPECT_NE(r.out.find("\t\"data\" : [],\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\t\"zrlversion\" : 2\n}\n"), std::string::npos) << r.out;
}

TEST(InfoMode, RefusedFilesEndBatchRunsBeforeAnyJson) {
  DecoderSandbox box("info-bad");
  const std::string badMagic = box.work + "/bad.zrl";
  zrltest::writeFile(badMagic, std::string(900000, 'x'));
  const std::string newer = box.makeLog("newer.zrl", "version 5\ntimes 1700000000000 1700000001000\n");
  ASSERT_FALSE(newer.empty());

  auto r = box.runDecoder({"--info", "--batch", "--zrl", badMagic});
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_NE(r.err.find("Unable to read magic section\n"), std::string::npos) << r.err;
  EXPECT_EQ(r.out.find('{'), std::string::npos) << r.out;

  r = box.runDecoder({"--info", "--batch", "--zrl", newer});
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_NE(r.err.find("Decoder and zrl file format are not compatible."), std::string::npos) << r.err;
  EXPECT_EQ(r.out.find('{'), std::string::npos) << r.out;

  // Without --batch too: zeros would pass for the description of a log.
  r = box.runDecoder({"--info", "--zrl", badMagic});
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_EQ(r.out.find('{'), std::string::npos) << r.out;
}

}  // namespace
