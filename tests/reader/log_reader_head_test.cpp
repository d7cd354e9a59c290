// Construction of a reader: the container checks, the failure table and the
// header fields of every format version.
#include <gtest/gtest.h>

#include <cstring>
#include <unistd.h>

#include "tests/reader/ReaderTestSupport.h"

using namespace zrl;

using namespace readertest;
using zrlwriter::ZrlHead;

namespace {

struct LoadOutcome {
  std::string console;
  std::vector<Report> reports;
  std::string loadError;
};

LoadOutcome load(const std::string& path) {
  ReportLog log;
  zrltest::CapturedDiagnostics capture;
  TestReader reader(path, log.callback());
  LoadOutcome outcome{capture.text(), log.reports, reader.loadError()};
  EXPECT_EQ(reader.inputDescriptor(), -1) << "construction leaves the file open";
  return outcome;
}

std::string writeBytes(const std::string& bytes) {
  const std::string path = newFilePath("raw.zrl");
  zrltest::writeFile(path, bytes);
  return path;
}

std::string headBytes(const ZrlHead& head) { return zrlwriter::encodeHead(head, 0); }

const char* const kIncompatible5 =
    "Decoder and zrl file format are not compatible. Decoder format version: 4.zrl file "
    "format version: 5";

}  // namespace

TEST(LogReaderLoad, MissingFileIsReportedButLeavesLoadErrorEmpty) {
  const std::string path = zrltest::tempDir() + "/no-such-file.zrl";
  const LoadOutcome out = load(path);
  EXPECT_EQ(out.console, "Decoder: Failed to open " + path + ":No such file or directory\n");
  ASSERT_EQ(out.reports.size(), 1u);
  EXPECT_EQ(out.reports[0].message, "Failed to open file " + path);
  EXPECT_EQ(out.reports[0].bytesRead, 0u);
  EXPECT_EQ(out.reports[0].totalBytes, 0u);
  EXPECT_EQ(out.loadError, "");
}

TEST(LogReaderLoad, BadMagicSectionIsRefused) {
  struct Case {
    const char* what;
    std::string bytes;
    const char* console;
  } cases[] = {
      {"empty file", "", "Cannot read the head of {path}: the file ends at byte 0, the head needs 850805\n"},
      {"two bytes", "OM", "Cannot read the head of {path}: the file ends at byte 2, the head needs 850805\n"},
      {"wrong magic", std::string("LUMO") + std::string(2000, '\0'), "File has a bad magic number\n"},
      {"magic read big-endian", std::string("LUMO", 4), "File has a bad magic number\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = writeBytes(c.bytes);
    const LoadOutcome out = load(path);
    std::string console = c.console;
    if (console.find("{path}") != std::string::npos) console.replace(console.find("{path}"), 6, path);
    EXPECT_EQ(out.console, console);
    ASSERT_EQ(out.reports.size(), 1u);
    EXPECT_EQ(out.reports[0].message, "Unable to read magic section");
    EXPECT_EQ(out.reports[0].bytesRead, 850805u);
    EXPECT_EQ(out.loadError, "Unable to read magic section");
  }
}

TEST(LogReaderLoad, HeadCutShortSaysWhereButReportsNothing) {
  struct Case {
    const char* what;
    uint32_t version;
    std::size_t keep;
    std::size_t needs;  // before the version is read: the decoder's own version's head
  } cases[] = {
      {"inside the header", 4, 600, 850805},
      {"just before the version", 4, 1092, 850805},
      {"inside the extension", 3, 1100, 818037},
      {"inside the version 4 catalog", 4, 1173 + 849631, 850805},
      {"inside the version 2 catalog", 2, 1093 + 816863, 817957},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string bytes = headBytes(basicHead(c.version));
    const std::string path = writeBytes(bytes.substr(0, c.keep));
    const LoadOutcome out = load(path);
    EXPECT_EQ(out.console, "Cannot read the head of " + path + ": the file ends at byte " + std::to_string(c.keep) +
                               ", the head needs " + std::to_string(c.needs) + "\n");
    EXPECT_TRUE(out.reports.empty());
    EXPECT_EQ(out.loadError, "");
  }
}

TEST(LogReaderLoad, NewerFormatIsRefusedWithBothVersions) {
  ZrlHead head = basicHead(4);
  const std::string v4 = headBytes(head);
  std::string v5 = v4;
  v5[1089] = 5;  // the version is the header's last field
  const LoadOutcome out = load(writeBytes(v5));
  EXPECT_EQ(out.console, "");
  ASSERT_EQ(out.reports.size(), 1u);
  EXPECT_EQ(out.reports[0].message, kIncompatible5);
  EXPECT_EQ(out.loadError, kIncompatible5);

  // A version far above ours is compared as unsigned, never as negative.
  std::string huge = v4;
  huge.replace(1089, 4, "\xFF\xFF\xFF\xFF", 4);
  const LoadOutcome hugeOut = load(writeBytes(huge));
  EXPECT_EQ(hugeOut.loadError,
            "Decoder and zrl file format are not compatible. Decoder format version: 4.zrl file "
            "format version: 4294967295");

  // Cut short and newer: the head reader explains the short read, the
  // refusal still names the version.
  const LoadOutcome cut = load(writeBytes(v5.substr(0, 5000)));
  EXPECT_NE(cut.console.find(": the file ends at byte 5000, the head needs 850805\n"), std::string::npos);
  EXPECT_EQ(cut.loadError, kIncompatible5);
}

TEST(LogReaderLoad, DescriptorsOutsideTheCatalogAreRefused) {
  {
    ZrlHead head = basicHead(4);
    head.addVariable(0, 1, zrlwriter::kFloat, "ok");
    head.addVariable(1, 2048, zrlwriter::kFloat, "bad group");
    const LoadOutcome out = load(writeLog(head));
    EXPECT_EQ(out.console, "!!! GROUP_ID above limit: 2048\n");
    EXPECT_TRUE(out.reports.empty());
    EXPECT_EQ(out.loadError, "");
  }
  {
    ZrlHead head = basicHead(4);
    head.addVariable(7, 1, zrlwriter::kFloat, "bad id").id = 20000;
    const LoadOutcome out = load(writeLog(head));
    EXPECT_EQ(out.console, "!!! VAR_ID above limit: 20000\n");
    EXPECT_EQ(out.loadError, "");
  }
  {
    // The group check comes first within one descriptor.
    ZrlHead head = basicHead(4);
    zrlwriter::ZrlVariable& v = head.addVariable(3, 65535, zrlwriter::kInteger, "both");
    v.id = 65535;
    const LoadOutcome out = load(writeLog(head));
    EXPECT_EQ(out.console, "!!! GROUP_ID above limit: 65535\n");
  }
}

TEST(LogReaderLoad, AcceptedFileLeavesNoTrace) {
  ZrlHead head = basicHead(4);
  head.groups[1] = "Engine";
  head.addVariable(0, 1, zrlwriter::kFloat, "rpm");
  const LoadOutcome out = load(writeLog(head));
  EXPECT_EQ(out.console, "");
  EXPECT_TRUE(out.reports.empty());
  EXPECT_EQ(out.loadError, "");
}

// Every version: where the extension, the catalog and the record stream
// start. The written bytes are checked at the literal offsets first, so the
// reader and the writer cannot agree on a wrong layout.
TEST(LogReaderLayout, EachVersionPlacesCatalogAndStream) {
  struct Case {
    uint32_t version;
    std::size_t catalogStart;
    std::size_t variableNames;
    std::size_t unitSymbols;
    std::size_t descriptors;
    off_t streamStart;
  } cases[] = {
      {2, 1093, 32768, 672768, 676864, 817957},
      {3, 1173, 32768, 672768, 676864, 818037},
      {4, 1173, 65536, 705536, 709632, 850805},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("version " + std::to_string(c.version));
    ZrlHead head = basicHead(c.version);
    head.groups[5] = "Gps";
    head.units[9] = "km/h";
    head.addVariable(42, 5, zrlwriter::kDouble, "speed", 9, 3);
    if (c.version > 2) {
      head.serial = "SN-0042";
      head.firmware = "fw 1.2";
    }
    const std::string bytes = headBytes(head);
    ASSERT_EQ(bytes.size(), static_cast<std::size_t>(c.streamStart));
    const std::size_t cat = c.catalogStart;
    EXPECT_EQ(bytes.substr(cat + 5 * 32, 4), std::string("Gps\0", 4));
    EXPECT_EQ(bytes.substr(cat + c.variableNames + 42 * 32, 5), "speed");
    EXPECT_EQ(bytes.substr(cat + c.unitSymbols + 9 * 32, 4), "km/h");
    EXPECT_EQ(bytes.substr(cat + c.descriptors + 42 * 7, 7), std::string("\x2A\0\x05\0\x04\x09\x03", 7));

    const std::string path = writeBytes(bytes + "rest");
    TestReader reader(path, {});
    ASSERT_EQ(reader.loadError(), "");
    EXPECT_EQ(reader.formatVersion(), c.version);
    EXPECT_EQ(reader.fullVariableName(42), "Gps.speed");
    EXPECT_EQ(reader.typeOf(42), 4);
    EXPECT_EQ(reader.serial(), c.version > 2 ? "SN-0042" : "");
    EXPECT_EQ(reader.firmware(), c.version > 2 ? "fw 1.2" : "");
    const std::vector<VariableListing> list = reader.listVariables();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].unitSymbol, "km/h");
    EXPECT_EQ(reader.variableMap().find(42)->decimals, 3);

    // A decode run continues at the first byte of the record stream.
    ASSERT_TRUE(reader.openInputFile());
    ASSERT_TRUE(reader.readMagic());
    ASSERT_TRUE(reader.readHeader());
    EXPECT_EQ(::lseek(reader.inputDescriptor(), 0, SEEK_CUR), c.streamStart);
    reader.closeAll();
    EXPECT_EQ(reader.inputDescriptor(), -1);
  }
}

TEST(LogReaderHeader, FieldsAndDerivedTimes) {
  ZrlHead head = basicHead(4);
  head.startTime = {12345, 0, 0};  // not trusted
  head.endTime = {1600000060, 0, 500000000};
  head.startCounter = {100, 0, 0};
  head.endCounter = {160, 0, 250999999};
  head.recordingFrequency = 25.5f;
  head.reservedByte = 0xA5;
  head.storedSizeOverride = 3000000000u;
  head.uid = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07,
              0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F};
  head.note = std::string(1024, 'n');  // no room for a NUL: taken whole
  head.serial = std::string(32, 's');
  head.firmware = "1.0";
  TestReader reader(writeLog(head), {});
  EXPECT_EQ(reader.fileEndMs(), 1600000060500);
  EXPECT_EQ(reader.fileStartMs(), 1600000060500 - 60250);
  EXPECT_FLOAT_EQ(reader.recordingFrequency(), 25.5f);
  EXPECT_EQ(reader.reservedByte(), 0xA5);
  EXPECT_EQ(reader.uncompressedSize(), 3000000000u);  // small file: no correction
  EXPECT_EQ(reader.uidText(), "00010203-0405-0607-0809-0a0b0c0d0e0f");
  EXPECT_EQ(reader.note(), std::string(1024, 'n'));
  EXPECT_EQ(reader.serial(), std::string(32, 's'));
  EXPECT_EQ(reader.firmware(), "1.0");
  EXPECT_EQ(reader.bytesRead(), 850805u);
}

TEST(LogReaderHeader, CounterRunningBackwardsIsAccepted) {
  ZrlHead head = basicHead(3);
  head.endTime = {1000, 0, 0};
  head.startCounter = {50, 0, 0};
  head.endCounter = {20, 0, 0};
  TestReader reader(writeLog(head), {});
  EXPECT_EQ(reader.loadError(), "");
  EXPECT_EQ(reader.fileStartMs(), 1030000);
  EXPECT_GT(reader.fileStartMs(), reader.fileEndMs());
}

TEST(LogReaderHeader, OldVersionHasNoExtension) {
  ZrlHead head = basicHead(2);
  head.note = "short note";
  TestReader reader(writeLog(head), {});
  EXPECT_EQ(reader.note(), "short note");
  EXPECT_EQ(reader.uidText(), "00000000-0000-0000-0000-000000000000");
}

TEST(LogReaderHeader, ReadStreamWithoutFile) {
  TestReader reader(zrltest::tempDir() + "/missing.zrl", {});
  char buffer[4];
  zrltest::CapturedDiagnostics capture;
  EXPECT_FALSE(reader.readStream(buffer, 4));
  EXPECT_EQ(capture.text(), "Read stream: no open input file\n");
}
