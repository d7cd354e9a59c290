// Damaged and hostile log files through a whole decode: files cut short,
// damaged or replaced under the decoder, record streams the reader cannot
// follow, and outputs that cannot or must not be written. Whatever happens,
// a decode that fails says so, keeps the rows it wrote before the problem
// and never writes anywhere but a new output file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "tests/decode/ChildProcess.h"
#include "tests/decode/DecodeTestSupport.h"

using namespace zrl;

using namespace decodetest;
using zrlwriter::RecordEncoder;
namespace layout = zrlwriter::layout;

namespace {

const char kHeading[] = "Date;Hour;Bus_Flag;Engine_Speed;Engine_Temp\r\n";

std::string rowAt(int second, int speed) {
  char text[64];
  std::snprintf(text, sizeof text, "05/03/2026;10:%02d:%02d;;%d;\r\n", second / 60, second % 60, speed);
  return text;
}

// One timestamp per second, Speed = 100 + second, over `seconds` seconds.
std::string everySecond(int seconds, uint32_t version = 4) {
  RecordEncoder body(version);
  for (int s = 0; s < seconds; ++s) body.timestamp(uint64_t(s) * 1000).integer(3, 100 + s);
  return body.bytes();
}

std::string rowsUpTo(int seconds) {
  std::string rows;
  for (int s = 0; s < seconds; ++s) rows += rowAt(s, 100 + s);
  return rows;
}

zrlwriter::ZrlHead headOf(uint32_t version, int seconds = 20) {
  zrlwriter::ZrlHead head = engineHead(kTen, kTen + seconds * 1000);
  head.formatVersion = version;
  return head;
}

// The rows before the damage stay as they were: apart from its last row,
// which a record cut short may have stamped wrongly, the CSV is a prefix of
// the full table made of whole lines.
void expectRowPrefix(const std::string& csv, const std::string& full) {
  ASSERT_GE(csv.size(), std::string(kHeading).size());
  EXPECT_EQ(csv.substr(csv.size() - 2), "\r\n");
  const std::size_t lastLine = csv.rfind("\r\n", csv.size() - 3);
  const std::string kept = csv.substr(0, lastLine == std::string::npos ? csv.size() : lastLine + 2);
  EXPECT_EQ(full.compare(0, kept.size(), kept), 0) << csv;
}

TEST(HostileHead, CutAtEveryRegionBoundary) {
  for (uint32_t version : {0u, 2u, 3u, 4u}) {
    const std::string bytes = zrlwriter::buildZrlBytes(headOf(version), "", {});
    const std::size_t catalog = layout::catalogOffset(version);
    std::vector<std::size_t> cuts = {0, 3, 4, 5, layout::kVersionOffset, layout::kExtensionOffset,
                                     catalog, catalog + layout::variableNamesOffset(version),
                                     catalog + layout::unitSymbolsOffset(version),
                                     catalog + layout::descriptorsOffset(version),
                                     layout::headSize(version) - 1};
    if (layout::hasExtension(version)) cuts.push_back(layout::kExtensionOffset + 40);
    for (std::size_t keep : cuts) {
      SCOPED_TRACE("version " + std::to_string(version) + ", " + std::to_string(keep) + " bytes");
      const std::string path = zrltest::makeTempSubdir("cut") + "/LOG.zrl";
      zrltest::writeFile(path, bytes.substr(0, keep));
      const Outcome out = decode(path);
      EXPECT_FALSE(out.ok);
      ASSERT_FALSE(out.messages.empty());
      const bool inMagic = keep < 4;
      // The load reports the magic problem; the run reports its own.
      EXPECT_EQ(out.messages.back(),
                inMagic ? "unable to read magic section" : "Decoder: unable to read header");
      EXPECT_EQ(out.messages.size(), inMagic ? 2u : 1u);
      // Before the version is read, the head needs what the decoder's own
      // version's does. Said once by the load and once by the run.
      const std::size_t needs = keep < layout::kVersionOffset + 4 ? layout::headSize(4) : layout::headSize(version);
      const std::string said = "Cannot read the head of " + path + ": the file ends at byte " +
                               std::to_string(keep) + ", the head needs " + std::to_string(needs) + "\n";
      EXPECT_EQ(out.printed, said) << "the run prints, the load is not captured";
      EXPECT_EQ(out.csv, "") << "only the byte order mark is written";
    }
  }
}

TEST(HostileHead, HeadWithoutAnyRecordsIsAnEmptyTable) {
  for (uint32_t version : {2u, 3u, 4u}) {
    SCOPED_TRACE(version);
    const Outcome out = decode(writeLog(headOf(version), ""));
    EXPECT_TRUE(out.ok);
    EXPECT_TRUE(out.messages.empty());
    EXPECT_EQ(out.csv, kHeading);
  }
}

TEST(HostileBody, StorageVariantsGiveTheSameTable) {
  const std::string records = everySecond(20);
  const std::string full = std::string(kHeading) + rowsUpTo(20);
  struct Case {
    const char* what;
    zrlwriter::WriteOptions options;
  };
  std::vector<Case> cases(5);
  cases[0].what = "one gzip member";
  cases[1].what = "plain bytes, not gzip";
  cases[1].options.encoding = zrlwriter::BodyEncoding::Plain;
  cases[2].what = "concatenated gzip members";
  cases[2].options.gzipMembers = 4;
  cases[3].what = "trailing garbage after the gzip stream";
  cases[3].options.trailingGarbage = std::string("\0\0not gzip at all", 17);
  cases[4].what = "stored without compression";
  cases[4].options.compressionLevel = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Outcome out = decode(writeLog(headOf(4), records, c.options));
    EXPECT_TRUE(out.ok);
    EXPECT_TRUE(out.messages.empty()) << out.messages.front();
    EXPECT_EQ(out.csv, full);
  }
}

TEST(HostileBody, GzipStreamCutAtSeveralPoints) {
  const std::string records = everySecond(400);
  const std::string full = std::string(kHeading) + rowsUpTo(400);
  const std::size_t stored = zrlwriter::gzipCompress(records).size();
  for (bool resampling : {false, true}) {
    // Inside the deflate data: records are lost, and the decode says so.
    for (std::size_t keep : {std::size_t{1}, std::size_t{10}, stored / 4, stored / 2, stored - 20}) {
      SCOPED_TRACE(std::to_string(keep) + " of " + std::to_string(stored) + " bytes" +
                   (resampling ? ", resampling" : ""));
      zrlwriter::WriteOptions options;
      options.truncateBodyAt = keep;
      const Outcome out = decode(writeLog(headOf(4, 400), records, options), [&](Decoder& d) {
        if (resampling) d.setFrequency(1);
      });
      EXPECT_TRUE(out.ok);
      ASSERT_EQ(out.messages.size(), 1u);
      // With rows kept the message says how many; without, the bare finding.
      const bool rowsKept = std::count(out.csv.begin(), out.csv.end(), '\n') > 1;
      if (rowsKept) {
        EXPECT_EQ(out.messages[0].rfind("The log ends early (inconsistent file size) after ", 0), 0u) << out.messages[0];
      } else {
        EXPECT_EQ(out.messages[0], "Inconsistent file size");
      }
      if (!resampling) expectRowPrefix(out.csv, full);
      EXPECT_LT(std::count(out.csv.begin(), out.csv.end(), '\n'), 400);
    }
  }
  // Inside the gzip trailer: every record arrived and matches the size the
  // header announces, so the table is whole.
  for (std::size_t keep : {stored - 8, stored - 4, stored - 1}) {
    SCOPED_TRACE(keep);
    zrlwriter::WriteOptions options;
    options.truncateBodyAt = keep;
    const Outcome out = decode(writeLog(headOf(4, 400), records, options));
    EXPECT_TRUE(out.ok);
    EXPECT_TRUE(out.messages.empty());
    EXPECT_EQ(out.csv, full);
  }
}

// A stream that inflates to more bytes than the head announces: every
// record is still decoded, and the decode says the sizes disagree.
TEST(HostileBody, StreamLongerThanItsStoredSize) {
  const std::string records = everySecond(20);
  const std::string full = std::string(kHeading) + rowsUpTo(20);
  const std::string gz = zrlwriter::gzipCompress(records);
  for (std::size_t shortBy : {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{100}, records.size()}) {
    SCOPED_TRACE("stored size " + std::to_string(shortBy) + " bytes short");
    const std::string path = zrltest::makeTempSubdir("longer") + "/LOG.zrl";
    const uint32_t stored = zrlwriter::correctStoredSize(records.size() - shortBy);
    zrltest::writeFile(path, zrlwriter::encodeHead(headOf(4), stored) + gz);
    const Outcome out = decode(path);
    EXPECT_TRUE(out.ok);
    EXPECT_EQ(out.messages, shortBy == 0 ? std::vector<std::string>{}
                                         : std::vector<std::string>{"Inconsistent file size"});
    EXPECT_EQ(out.csv, full);
  }
}

TEST(HostileBody, DamagedGzipDataKeepsTheRowsBeforeIt) {
  const std::string records = everySecond(400);
  const std::string full = std::string(kHeading) + rowsUpTo(400);
  const std::string head = zrlwriter::encodeHead(headOf(4, 400), zrlwriter::correctStoredSize(records.size()));
  const std::string gz = zrlwriter::gzipCompress(records);
  for (std::size_t at : {gz.size() / 3, gz.size() / 2, gz.size() - 6}) {
    SCOPED_TRACE(at);
    std::string damaged = gz;
    for (std::size_t i = at; i < at + 4 && i < damaged.size(); ++i) damaged[i] = static_cast<char>(~damaged[i]);
    const std::string path = zrltest::makeTempSubdir("damaged") + "/LOG.zrl";
    zrltest::writeFile(path, head + damaged);
    const Outcome out = decode(path);
    // Damage before the first row leaves no table at all.
    if (zrltest::fileExists(out.outputPath)) expectRowPrefix(out.csv, full);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.messages.back(), "Failed to read file content");
    EXPECT_NE(out.printed.find("readInputFile, GZ error: ("), std::string::npos) << out.printed;
  }
}

// A log whose third row holds a record the reader cannot get past.
Outcome decodeWithBrokenRecord(const std::string& bad, zrlwriter::ZrlHead head = headOf(4)) {
  head.addVariable(4, 1, zrlwriter::kString, "Text");
  head.addVariable(5, 1, zrlwriter::kCanFrame, "Can");
  const std::string body = everySecond(3) + bad + RecordEncoder().timestamp(5000).integer(3, 9).bytes();
  return decode(writeLog(head, body), [](Decoder& d) {
    d.clearSelection();
    for (uint16_t id : {1, 2, 3}) d.setSelected(id, true);
  });
}

void expectFailedAfterTwoRows(const Outcome& out) {
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.messages, std::vector<std::string>{"Failed to read file content"});
  EXPECT_EQ(out.csv, std::string(kHeading) + rowsUpTo(2));
}

TEST(HostileRecords, StringAndCanLengthsPastTheirLimit) {
  for (int length : {33, 34, 65, 127, 128, 200, 255}) {
    SCOPED_TRACE(length);
    const std::string raw = std::to_string(length);
    Outcome out = decodeWithBrokenRecord(RecordEncoder().string(4, static_cast<uint8_t>(length),
                                                                std::string(length, 's')).bytes());
    expectFailedAfterTwoRows(out);
    EXPECT_NE(out.printed.find("String too long (" + raw + ")\n"), std::string::npos);
  }
  for (int length : {9, 10, 16, 128, 255}) {
    SCOPED_TRACE(length);
    const std::string raw = std::to_string(length);
    Outcome out = decodeWithBrokenRecord(
        RecordEncoder().canFrame(5, static_cast<uint8_t>(length), 0x123, std::string(length, 'd')).bytes());
    expectFailedAfterTwoRows(out);
    EXPECT_NE(out.printed.find("CAN frame too long (" + raw + ")\n"), std::string::npos);
  }
  // The limits themselves are fine.
  const Outcome out = decodeWithBrokenRecord(RecordEncoder().string(4, std::string(32, 's'))
                                                 .canFrame(5, 8, 0x123, std::string(8, 'd'))
                                                 .bytes());
  EXPECT_TRUE(out.ok);
}

TEST(HostileRecords, IdsWithoutACatalogSlot) {
  std::vector<uint32_t> ids = {20000, 20001, 65533, 65534};
  for (uint32_t id = 24567; id < 65533; id += 4567) ids.push_back(id);
  for (uint32_t id : ids) {
    SCOPED_TRACE(id);
    const Outcome out = decodeWithBrokenRecord(RecordEncoder().integer(static_cast<uint16_t>(id), 7).bytes());
    expectFailedAfterTwoRows(out);
    EXPECT_NE(out.printed.find("varId=" + std::to_string(id) + "\n"), std::string::npos);
  }
  const Outcome out = decodeWithBrokenRecord(RecordEncoder().recordId(65534).bytes());
  expectFailedAfterTwoRows(out);
}

TEST(HostileRecords, CatalogTypesThatHaveNoLayout) {
  for (int type : {0, 8, 9, 15, 100, 127, 128, 255}) {
    SCOPED_TRACE(type);
    zrlwriter::ZrlHead head = headOf(4);
    head.addVariable(6, 1, static_cast<uint8_t>(type), "Odd");
    const Outcome out = decodeWithBrokenRecord(RecordEncoder().integer(6, 1).bytes(), head);
    expectFailedAfterTwoRows(out);
    EXPECT_NE(out.printed.find("readVarData() failed: Unknown type=" + std::to_string(type) +
                               ", varName=Odd, varId=6\n"),
              std::string::npos)
        << out.printed;
  }
}

// The file is loaded, then changed on disk before the decode.
TEST(HostileFileChanges, FileChangedBetweenLoadAndDecode) {
  const std::string good = zrlwriter::buildZrlBytes(headOf(4), everySecond(20), {});
  zrlwriter::ZrlHead newer = headOf(4);
  newer.formatVersion = 5;
  zrlwriter::ZrlHead fewer = headOf(4);
  fewer.variables.resize(1);  // only Speed is left
  struct Case {
    const char* what;
    std::function<void(const std::string& path)> change;
    bool ok;
    std::string lastMessage;  // how it starts
  } cases[] = {
      {"vanishes", [](const std::string& p) { ::unlink(p.c_str()); }, false, "Failed to open input file"},
      {"shrinks to its magic", [&](const std::string& p) { zrltest::writeFile(p, good.substr(0, 4)); },
       false, "Decoder: unable to read header"},
      {"shrinks to nothing", [](const std::string& p) { zrltest::writeFile(p, ""); }, false,
       "unable to read magic section"},
      {"becomes a newer format",
       [&](const std::string& p) { zrltest::writeFile(p, zrlwriter::buildZrlBytes(newer, "", {})); }, false,
       "Decoder and zrl file format are not compatible. Decoder format version: 4.zrl file format "
       "version: 5"},
      {"loses its last records",
       [&](const std::string& p) { zrltest::writeFile(p, good.substr(0, good.size() - 20)); }, true,
       "The log ends early (inconsistent file size) after "},
      {"loses variables",
       [&](const std::string& p) { zrltest::writeFile(p, zrlwriter::buildZrlBytes(fewer, everySecond(2), {})); },
       true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = zrltest::makeTempSubdir("changing") + "/LOG.zrl";
    zrltest::writeFile(path, good);
    std::vector<std::string> messages;
    Decoder d(path, false, [&](uint64_t, uint64_t, const std::string& m) {
      if (!m.empty()) messages.push_back(m);
    });
    ASSERT_EQ(d.loadError(), "");
    ASSERT_EQ(d.listVariables().size(), 3u);
    c.change(path);
    d.setOutputPath(zrltest::makeTempSubdir("out") + "/out.csv");
    bool ok = false;
    {
      zrltest::CapturedDiagnostics quiet;
      ok = d.run();
    }
    EXPECT_EQ(ok, c.ok);
    if (c.lastMessage.empty()) {
      EXPECT_TRUE(messages.empty());
    } else {
      ASSERT_FALSE(messages.empty());
      EXPECT_EQ(messages.back().rfind(c.lastMessage, 0), 0u) << messages.back();
    }
  }
}

TEST(HostileFileChanges, APipeInsteadOfALogNeverBlocks) {
  const std::string fifo = zrltest::makeTempSubdir("pipe") + "/LOG.zrl";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // No writer ever opens the pipe: a blocking open or read would wait
  // forever, so the load and the decode run in a child with an alarm.
  const int status = zrltest::inChildWithFileSizeLimit(RLIM_INFINITY, [&] {
    ::alarm(20);
    std::vector<std::string> messages;
    Decoder d(fifo, false, [&](uint64_t, uint64_t, const std::string& m) {
      if (!m.empty()) messages.push_back(m);
    });
    if (d.loadError() != "Unable to read magic section") return 1;
    d.setOutputPath(zrltest::makeTempSubdir("pipe-out") + "/out.csv");
    if (d.run()) return 2;
    return messages.back() == "unable to read magic section" ? 0 : 3;
  });
  EXPECT_EQ(status, 0);
}

TEST(HostileOutput, OutputThatCannotBeCreated) {
  const std::string log = writeLog(headOf(4), everySecond(3));
  const std::string dir = zrltest::makeTempSubdir("blocked");
  zrltest::writeFile(dir + "/plain-file", "not a directory");
  const std::string unwritable = zrltest::makeTempSubdir("read-only");
  ::chmod(unwritable.c_str(), 0500);
  std::vector<std::pair<std::string, std::string>> paths = {
      {dir + "/missing/out.csv", "No such file or directory"},
      {dir + "/plain-file/out.csv", "Not a directory"}};
  // Permissions do not hold back the superuser.
  if (::geteuid() != 0) paths.push_back({unwritable + "/out.csv", "Permission denied"});
  for (const auto& [path, reason] : paths) {
    SCOPED_TRACE(path);
    const Outcome out = decode(log, [&](Decoder& d) { d.setOutputPath(path); });
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.messages, std::vector<std::string>{"Failed to open output file " + path + ": " + reason});
    EXPECT_FALSE(zrltest::fileExists(path));
  }
  ::chmod(unwritable.c_str(), 0700);
}

TEST(HostileOutput, ExistingNamesAreNeverWrittenThrough) {
  const std::string log = writeLog(headOf(4), everySecond(3));
  const std::string dir = zrltest::makeTempSubdir("taken");
  const std::string victim = zrltest::makeTempSubdir("elsewhere") + "/victim.txt";
  zrltest::writeFile(victim, "keep me");
  // out.csv is a link to a file elsewhere, out (2).csv a dangling link,
  // out (3).csv a directory: the table goes to out (4).csv.
  ASSERT_EQ(::symlink(victim.c_str(), (dir + "/out.csv").c_str()), 0);
  ASSERT_EQ(::symlink((dir + "/nowhere").c_str(), (dir + "/out (2).csv").c_str()), 0);
  ASSERT_EQ(::mkdir((dir + "/out (3).csv").c_str(), 0700), 0);
  const Outcome out = decode(log, [&](Decoder& d) { d.setOutputPath(dir + "/out.csv"); });
  EXPECT_TRUE(out.ok);
  EXPECT_EQ(out.outputPath, dir + "/out (4).csv");
  EXPECT_EQ(out.csv, std::string(kHeading) + rowsUpTo(3));
  EXPECT_EQ(zrltest::readFile(victim), "keep me");
  EXPECT_FALSE(zrltest::fileExists(dir + "/nowhere"));
}

}  // namespace
