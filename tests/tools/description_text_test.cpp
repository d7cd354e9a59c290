#include <gtest/gtest.h>

#include "tests/support/IsolatedEnvironment.h"
#include "tests/tools/WriterTestHelpers.h"

using namespace zrlwriter;
using writertest::hex;

namespace {

const char* const kFullExample = R"(# every statement once
version 3
times 1700000000250 1700000010250 5000
start-time 1 2 3
note "say \"hi\"\x21\t\0end"
frequency 12.5
reserved 0x01020304
reserved-byte 7
serial SN-1
uid 00010203-0405-0607-0809-0a0b0c0d0e0f
firmware "fw 1"
group 1 Engine
group 1023 "two words"
unit 1 rpm
unit 2 "\xC2\xB0C"
var 1 1 int Rpm unit=1
var 2 1 double Temp unit=2 decimals=2
var 3 1 string Status
var 4 3000 can Frame id=9
var 5 1 200 Odd
var 6 1 timestamp Clock
var 7 1 bool On
var 8 1 float F
string 3 early
repeat 2 as row
  ts {row*100}
  repeat 2
    int 1 {1000 + row*10 + i}
  end
end
ts +50
double 2 0.1
float 8 -inf
bool 7 true
bool 7 2
string 3 "ab\0cd"
string 3 "x"*3 len=33
can 4 0x80000123 hex:0102
can 4 0x123 len=9
tsval 6 1500000000123456
int 1 0xFFFFFFFF
id 20000
raw hex:ff-ff*2
stored-size correct+1
body gzip
members 2
level 9
garbage "junk"
truncate-body 1000
truncate-file 2000000
)";

TEST(DescriptionText, FullExampleMatchesTheLibraryCalls) {
  const ZrlDescription description = parseZrlDescription(kFullExample);

  ZrlHead h;
  h.formatVersion = 3;
  h.setTimeSpan(1700000000250, 1700000010250, 5000);
  h.startTime = {1, 3, 2};
  h.note = std::string("say \"hi\"!\t\0end", 14);
  h.recordingFrequency = 12.5f;
  h.reserved = 0x01020304;
  h.reservedByte = 7;
  h.serial = "SN-1";
  for (int i = 0; i < 16; ++i) h.uid[i] = static_cast<uint8_t>(i);
  h.firmware = "fw 1";
  h.groups = {{1, "Engine"}, {1023, "two words"}};
  h.units = {{1, "rpm"}, {2, "\xC2\xB0" "C"}};
  h.addVariable(1, 1, kInteger, "Rpm", 1);
  h.addVariable(2, 1, kDouble, "Temp", 2, 2);
  h.addVariable(3, 1, kString, "Status");
  h.addVariable(4, 3000, kCanFrame, "Frame").id = 9;
  h.addVariable(5, 1, 200, "Odd");
  h.addVariable(6, 1, kTimestamp, "Clock");
  h.addVariable(7, 1, kBoolean, "On");
  h.addVariable(8, 1, kFloat, "F");

  RecordEncoder e(3);
  e.string(3, "early");
  e.timestamp(0).integer(1, 1000).integer(1, 1001);
  e.timestamp(100).integer(1, 1010).integer(1, 1011);
  e.timestamp(150).doubleValue(2, 0.1).floatValue(8, -std::numeric_limits<float>::infinity());
  e.boolean(7, 1).boolean(7, 2);
  e.string(3, std::string("ab\0cd", 5)).string(3, 33, "xxx");
  e.canFrame(4, 2, 0x80000123, "\x01\x02").canFrame(4, 9, 0x123, "");
  e.timestampValue(6, 1500000000123456).integer(1, -1).recordId(20000).raw("\xff\xff\xff\xff");

  EXPECT_EQ(hex(description.body), hex(e.bytes()));
  h.storedSizeOverride = correctStoredSize(e.size()) + 1;
  EXPECT_EQ(encodeHead(description.head, *description.head.storedSizeOverride), encodeHead(h, *h.storedSizeOverride));
  EXPECT_EQ(description.options.encoding, BodyEncoding::Gzip);
  EXPECT_EQ(description.options.gzipMembers, 2);
  EXPECT_EQ(description.options.compressionLevel, 9);
  EXPECT_EQ(description.options.trailingGarbage, "junk");
  EXPECT_EQ(description.options.truncateBodyAt, 1000u);
  EXPECT_EQ(description.options.truncateFileAt, 2000000u);
}

TEST(DescriptionText, DefaultsAndShortForms) {
  const ZrlDescription description = parseZrlDescription("ts 5\nts +7\nstored-size 42\nbody plain\nnote hex:41*3\n");
  EXPECT_EQ(description.head.formatVersion, 4u);
  EXPECT_EQ(hex(description.body), "ffff0500000000000000" "ffff0c00000000000000");
  EXPECT_EQ(description.head.storedSizeOverride, 42u);
  EXPECT_EQ(description.options.encoding, BodyEncoding::Plain);
  EXPECT_EQ(description.head.note, "AAA");
  // A leading zero is still decimal.
  EXPECT_EQ(hex(parseZrlDescription("int 010 010\ntsval 0x10 0X10\n").body), "0a000a000000" "10001000000000000000");
  EXPECT_FALSE(parseZrlDescription("stored-size 42\nstored-size correct\n").head.storedSizeOverride.has_value());
  // correct-N wraps like the 32-bit field does.
  EXPECT_EQ(parseZrlDescription("stored-size correct-850806\n").head.storedSizeOverride, 0xFFFFFFFFu);
}

TEST(DescriptionText, ErrorsNameTheLine) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"frobnicate 1", "line 1: unknown keyword 'frobnicate'"},
      {"\n\nversion", "line 3: use: version N"},
      {"version -1", "line 1: format version must be a whole number from 0 to 4294967295, not '-1'"},
      {"ts 0\nversion 3", "line 2: version must come before the first record"},
      {"var 20000 1 int X", "line 1: variable slot must be a whole number from 0 to 19999, not '20000'"},
      {"var 1 1 int X colour=2", "line 1: unknown option colour= for var"},
      {"var 1 1 text X", "line 1: data type (a number 0-255 or unused, bool, int, float, double, string, can, "
                         "timestamp) must be a whole number from 0 to 255, not 'text'"},
      {"group 5000 G", "group id 5000 is past the group-name table (2048 entries in version 4)"},
      {"note \"abc", "line 1: unterminated quoted string"},
      {"note \"\\q\"", "line 1: unknown escape \\q"},
      {"raw hex:123", "line 1: odd number of hex digits in 'hex:123'"},
      {"int 1 {2*}", "line 1: in {2*}: expected a number or a counter"},
      {"int 1 {j}", "line 1: in {j}: unknown counter 'j'"},
      {"int 1 {1/2}", "line 1: integer value must be a whole number from -2147483648 to 4294967295, not '{1/2}'"},
      {"repeat 2\nts 0", "line 1: repeat without end"},
      {"end", "line 1: end without repeat"},
      {"repeat 2\n  bool 1 300\nend", "line 2: boolean byte must be a whole number from 0 to 255, not '300'"},
      {"uid 0102", "line 1: uid needs 16 bytes (32 hex digits)"},
      {"body zip", "line 1: use: body gzip | plain"},
      {"string 1 \"x\"*300", "line 1: string of 300 bytes does not fit a length byte"},
      {"can 1 5 hex:00*256", "line 1: CAN data longer than 255 bytes needs len="},
      {"note a\"b\"", "line 1: tokens must be separated by spaces near '\"b\"'"},
  };
  for (const Case& c : cases) {
    try {
      parseZrlDescription(c.text);
      ADD_FAILURE() << c.text << ": accepted";
    } catch (const ZrlWriteError& e) {
      EXPECT_EQ(std::string(e.what()), c.message) << c.text;
    }
  }
}

TEST(DescriptionText, FileErrorsNameTheFile) {
  const std::string dir = zrltest::makeTempSubdir("description");
  zrltest::writeFile(dir + "/bad.zrldesc", "version 4\r\nbogus\r\n");
  try {
    parseZrlDescriptionFile(dir + "/bad.zrldesc");
    ADD_FAILURE() << "accepted";
  } catch (const ZrlWriteError& e) {
    EXPECT_EQ(std::string(e.what()), dir + "/bad.zrldesc: line 2: unknown keyword 'bogus'");
  }
  EXPECT_THROW(parseZrlDescriptionFile(dir + "/missing.zrldesc"), ZrlWriteError);
}

}  // namespace
