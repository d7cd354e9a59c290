// Writes the seed corpus of every fuzz target, made with our writer:
//   fuzz_seeds DIR   ->  DIR/head_fuzz/*, DIR/decode_fuzz/*, DIR/config_fuzz/*
#include <cstdio>
#include <fstream>
#include <string>
#include <sys/stat.h>

#include "tests/fuzz/DecodeCase.h"
#include "tests/fuzz/FuzzLog.h"
#include "tests/fuzz/HeadCase.h"

using namespace zrlfuzz;
using zrlwriter::RecordEncoder;

namespace {

std::string root;
int written = 0;

void seed(const std::string& target, const std::string& name, const std::string& bytes) {
  const std::string dir = root + "/" + target;
  ::mkdir(dir.c_str(), 0755);
  std::ofstream out(dir + "/" + name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ++written;
}

std::string le(uint64_t value, int width) {
  std::string out;
  for (int i = 0; i < width; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
  return out;
}

void decodeSeeds() {
  for (uint32_t v = 0; v <= kNewestVersion; ++v) {
    const std::string tag = "v" + std::to_string(v) + "-";
    DecodeCase base = DecodeCase::withSampleTypes(v);
    base.records = sampleRecords(v, 20);
    seed("decode_fuzz", tag + "all-types", base.encode());

    DecodeCase c = base;
    c.storage = BodyStorage::Plain;
    seed("decode_fuzz", tag + "plain", c.encode());
    c = base;
    c.storage = BodyStorage::GzipMembers;
    c.members = 3;
    seed("decode_fuzz", tag + "members", c.encode());
    c = base;
    c.storage = BodyStorage::GzipWithGarbage;
    seed("decode_fuzz", tag + "garbage", c.encode());
    c = base;
    c.cut = 150;
    seed("decode_fuzz", tag + "cut", c.encode());

    for (uint8_t method = 0; method < 6; ++method) {
      c = base;
      c.frequencyIndex = static_cast<uint8_t>(1 + method % 8);
      c.method = method;
      c.records = sampleRecords(v, 40);
      seed("decode_fuzz", tag + "resample-" + std::to_string(method), c.encode());
    }

    // Resampled rows in UTC with milliseconds are checked against their
    // bins: a window opening late, a gap and a clock set back.
    c = base;
    c.flags = DecodeCase::kUtc | DecodeCase::kMilliseconds;
    c.frequencyIndex = 6;  // 1 Hz
    c.windowStart = WindowChoice::Offset;
    c.startOffsetMs = 1250;
    c.records = sampleRecords(v, 20) + RecordEncoder(v).timestamp(7300).integer(0, 5).timestamp(7400)
                                           .integer(0, 6).timestamp(1800).integer(0, 7).bytes();
    seed("decode_fuzz", tag + "resample-gap-window", c.encode());

    c = base;
    c.flags = DecodeCase::kMilliseconds | DecodeCase::kUnitLine | DecodeCase::kLeaveBlank;
    c.floatFormat = 0;
    c.columnSeparator = 2;
    c.decimalSeparator = 1;
    c.selection = 0x5B;
    c.aliases = {{0, "Engine speed"}, {4, "Text;with;separators"}, {0, "second alias"}};
    c.filters = {{0, 0, "810"}, {1, 1, "5,5"}, {8, 0, "1"}, {2, 0xFF, "x"}};
    seed("decode_fuzz", tag + "formats-aliases-filters", c.encode());

    c = base;
    c.windowStart = WindowChoice::Offset;
    c.windowEnd = WindowChoice::Offset;
    c.startOffsetMs = 300;
    c.endOffsetMs = 1200;
    seed("decode_fuzz", tag + "window", c.encode());
    c.windowStart = WindowChoice::Outside;
    seed("decode_fuzz", tag + "window-before", c.encode());
    c.windowStart = WindowChoice::FileLimit;
    c.windowEnd = WindowChoice::Outside;
    seed("decode_fuzz", tag + "window-after", c.encode());

    c = base;
    c.flags |= DecodeCase::kCancel | DecodeCase::kExistingOutput;
    c.cancelAtStep = 2;
    c.records = sampleRecords(v, 60);
    seed("decode_fuzz", tag + "cancel-existing", c.encode());
    c.flags = DecodeCase::kShortOutputName | DecodeCase::kExistingOutput;
    seed("decode_fuzz", tag + "short-name", c.encode());

    c = base;
    c.storedSizeMode = 1;
    c.storedSize = 0xFFFFFFFF;
    c.spanMs = -5000;
    seed("decode_fuzz", tag + "size-and-backwards-clock", c.encode());

    // Records the stream cannot be followed past.
    const std::string head = RecordEncoder(v).timestamp(0).integer(0, 1).bytes();
    const std::string tail = RecordEncoder(v).timestamp(100).integer(0, 2).bytes();
    const std::pair<const char*, std::string> broken[] = {
        {"string-33", RecordEncoder(v).string(4, 33, std::string(33, 's')).bytes()},
        {"can-9", RecordEncoder(v).canFrame(5, 9, 1, std::string(9, 'd')).bytes()},
        {"id-20000", RecordEncoder(v).integer(20000, 1).bytes()},
        {"id-65534", RecordEncoder(v).recordId(65534).bytes()},
        {"unused-slot", RecordEncoder(v).integer(7, 1).bytes()},
    };
    for (const auto& b : broken) {
      c = base;
      c.records = head + b.second + tail;
      seed("decode_fuzz", tag + b.first, c.encode());
    }
    c = base;
    c.types[0] = 0;
    c.types[1] = 8;
    c.types[2] = 255;
    seed("decode_fuzz", tag + "unknown-types", c.encode());
  }
}

void headSeeds() {
  using namespace zrlwriter::layout;
  for (uint32_t v = 0; v <= kNewestVersion; ++v) {
    const std::string tag = "v" + std::to_string(v) + "-";
    HeadCase base;
    base.version = static_cast<uint8_t>(v);
    seed("head_fuzz", tag + "load", base.encode());
    HeadCase c = base;
    c.flags = HeadCase::kDecode;
    seed("head_fuzz", tag + "decode", c.encode());

    const std::size_t catalog = catalogOffset(v);
    const std::size_t boundaries[] = {0, 2, 4, 5, kVersionOffset, kExtensionOffset, catalog,
                                      catalog + variableNamesOffset(v), catalog + unitSymbolsOffset(v),
                                      catalog + descriptorsOffset(v), headSize(v) - 1, headSize(v),
                                      headSize(v) + 10};
    for (std::size_t at : boundaries) {
      c = base;
      c.flags = HeadCase::kCut | HeadCase::kDecode;
      c.cutAt = static_cast<uint32_t>(at);
      seed("head_fuzz", tag + "cut-" + std::to_string(at), c.encode());
    }

    c = base;
    c.flags = HeadCase::kDecode;
    c.patches = {{PatchRegion::Header, kVersionOffset, le(5, 4)}};
    seed("head_fuzz", tag + "version-5", c.encode());
    c.patches = {{PatchRegion::Header, 0, "XXXX"}};
    seed("head_fuzz", tag + "bad-magic", c.encode());
    c.patches = {{PatchRegion::Header, kStoredSizeOffset, le(1, 4)},
                 {PatchRegion::Header, kEndCounterOffset, le(0x7FFFFFFF, 4)}};
    seed("head_fuzz", tag + "size-and-counter", c.encode());
    c.patches = {{PatchRegion::Descriptors, 7 * 1 + 2, le(2048, 2)}};
    seed("head_fuzz", tag + "group-2048", c.encode());
    c.patches = {{PatchRegion::Descriptors, 7 * 2, le(20000, 2)}};
    seed("head_fuzz", tag + "id-field-20000", c.encode());
    c.patches = {{PatchRegion::Descriptors, 7 * 3 + 4, "\x08"}, {PatchRegion::Descriptors, 7 * 4 + 4, std::string(1, '\0')}};
    seed("head_fuzz", tag + "types-8-and-0", c.encode());
    c.patches = {{PatchRegion::GroupNames, 32, std::string(32, 'G')},
                 {PatchRegion::VariableNames, 0, std::string(32, 'N')},
                 {PatchRegion::UnitSymbols, 32, std::string(32, 'U')},
                 {PatchRegion::Header, kNoteOffset, std::string(255, 'n')}};
    seed("head_fuzz", tag + "full-names", c.encode());
    c.patches = {{PatchRegion::Records, 20, "\xFF\xFF\xFF\xFF"}};
    seed("head_fuzz", tag + "damaged-records", c.encode());

    c = base;
    c.flags = HeadCase::kDecode | HeadCase::kPatchAfterLoad | HeadCase::kCut;
    c.cutAt = static_cast<uint32_t>(catalog + 100);
    seed("head_fuzz", tag + "shrinks-after-load", c.encode());
    c.flags = HeadCase::kDecode | HeadCase::kRemoveAfterLoad;
    seed("head_fuzz", tag + "vanishes-after-load", c.encode());
    c.flags = HeadCase::kDecode | HeadCase::kPatchAfterLoad;
    c.patches = {{PatchRegion::Header, kVersionOffset, le(v == 4 ? 2 : 4, 4)}};
    seed("head_fuzz", tag + "version-changes-after-load", c.encode());
  }
}

void configSeeds() {
  const std::pair<const char*, const char*> seeds[] = {
      {"saved",
       R"({"aliasVal":["Speed alias","Rpm alias"],"cell_filling":true,"columnSeparator":";",)"
       R"("decimalSeparator":".","floatFormat":"Tarvik","frequency":"None","inputDirName":"/home/u",)"
       R"("maxVal":["5000"],"maxVar":["Engine.Rpm"],"method":"Median","milliseconds":false,)"
       R"("minVal":["-1,5"],"minVar":["RPM [Engine.Speed]"],"outputDirName":"/home/u/out",)"
       R"("selected_vars":["Engine.Rpm","alias [Engine.Speed]"],"typeFilter_bool":true,)"
       R"("typeFilter_float":true,"typeFilter_int":true,"typeFilter_string":false,"units":false,)"
       R"("utc":true,"var":["Engine.Speed","Engine.Rpm"],"zrl":"/logs/LOG1.zrl","aggregation":"Max"})"},
      {"empty-lists",
       R"({"aliasVal":null,"var":null,"maxVar":null,"maxVal":null,"minVar":null,"minVal":null,"selected_vars":null})"},
      {"wrong-types",
       R"({"utc":"yes","milliseconds":1,"units":[],"cell_filling":{},"floatFormat":3,)"
       R"("columnSeparator":null,"aliasVal":"x","var":5,"maxVar":{"a":1},"maxVal":[1,2],)"
       R"("minVar":[true,"Engine.Rpm"],"minVal":["1"],"selected_vars":[1,null,["x"]],"zrl":[],)"
       R"("method":7,"aggregation":false,"typeFilter_int":"true","InfluxBatchSize":-1})"},
      {"unequal-arrays",
       R"({"aliasVal":["a","b","c"],"var":["Engine.Rpm"],"maxVar":["A.b","C.d"],"maxVal":["1"],)"
       R"("minVar":["A.b"],"minVal":["1","2","3"]})"},
      {"duplicate-aliases", R"({"aliasVal":["first","second"],"var":["Engine.Rpm","Engine.Rpm"]})"},
      {"not-an-object", R"(["utc", true])"},
      {"scalar", "42"},
      {"invalid", "{\"utc\": tru"},
      {"empty", ""},
      {"nested", "[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]"},
      {"escapes", R"({"var":["A.\u0000b","\ud83d\ude00"],"aliasVal":["\n;\"","x"],"zrl":"\u00e9"})"},
      {"numbers", R"({"utc":true,"maxVal":[1e400,-0.0,12345678901234567890],"x":1.5e-320})"},
  };
  for (const auto& s : seeds) seed("config_fuzz", s.first, s.second);
  // Just past the JSON reader's nesting limit, where it throws instead of
  // failing.
  seed("config_fuzz", "nested-past-the-limit", std::string(1001, '['));
  seed("config_fuzz", "nested-object-past-the-limit", "{\"var\":" + std::string(1001, '['));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
    return 2;
  }
  root = argv[1];
  ::mkdir(root.c_str(), 0755);
  decodeSeeds();
  headSeeds();
  configSeeds();
  std::printf("%d seeds in %s\n", written, root.c_str());
  return 0;
}
