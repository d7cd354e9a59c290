// Loading fuzzed heads. Each input patches a valid log written by our
// writer (one per format version, with every data type and a short record
// stream) at offsets inside the head's regions, may cut the file, and may
// change or remove it between loading and decoding. The patched bytes are
// put back after every input, so a case never sees the previous one.
//
// Besides crashes, sanitizer reports and hangs: every listed variable has a
// slot, and a failed decode always reports why.
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "decode/Decoder.h"
#include "tests/fuzz/FuzzLog.h"
#include "tests/fuzz/HeadCase.h"

using namespace zrlfuzz;

namespace {

struct LogTemplate {
  std::string path;
  std::string bytes;  // the whole file as written
  int fd = -1;
  std::size_t headSize = 0;
};

LogTemplate templates[kNewestVersion + 1];
std::string outputDir;

void check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "head_fuzz: %s\n", what);
  std::abort();
}

struct Region {
  std::size_t begin;
  std::size_t size;
};

Region regionOf(PatchRegion region, const LogTemplate& log, uint32_t version) {
  using namespace zrlwriter::layout;
  const std::size_t catalog = catalogOffset(version);
  switch (region) {
    case PatchRegion::Header: return {0, catalog};
    case PatchRegion::Descriptors:
      return {catalog + descriptorsOffset(version), kVariableSlots * kDescriptorSize};
    case PatchRegion::GroupNames: return {catalog, groupSlots(version) * kNameSize};
    case PatchRegion::VariableNames:
      return {catalog + variableNamesOffset(version), kVariableSlots * kNameSize};
    case PatchRegion::UnitSymbols: return {catalog + unitSymbolsOffset(version), kUnitSlots * kNameSize};
    case PatchRegion::Records: return {log.headSize, log.bytes.size() - log.headSize};
    case PatchRegion::WholeFile: break;
  }
  return {0, log.bytes.size()};
}

// Applies the patches; returns the ranges to put back.
std::vector<Region> applyPatches(const HeadCase& c, const LogTemplate& log) {
  std::vector<Region> touched;
  for (const HeadPatch& p : c.patches) {
    const Region r = regionOf(p.region, log, c.version);
    if (r.size == 0 || p.bytes.empty()) continue;
    const std::size_t at = r.begin + p.offset % r.size;
    const std::size_t length = std::min(p.bytes.size(), log.bytes.size() - at);
    writeAt(log.fd, at, p.bytes.data(), length);
    touched.push_back({at, length});
  }
  return touched;
}

void alterFile(const HeadCase& c, LogTemplate& log, std::vector<Region>& touched) {
  const std::vector<Region> patched = applyPatches(c, log);
  touched.insert(touched.end(), patched.begin(), patched.end());
  if (c.flags & HeadCase::kCut) {
    const std::size_t keep = c.cutAt % (log.bytes.size() + 1);
    check(::ftruncate(log.fd, static_cast<off_t>(keep)) == 0, "ftruncate");
    touched.push_back({keep, log.bytes.size() - keep});
  }
}

void restore(LogTemplate& log, const std::vector<Region>& touched, bool removed) {
  if (removed) {
    ::close(log.fd);
    log.fd = ::open(log.path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    check(log.fd >= 0, "cannot recreate the log");
    writeAt(log.fd, 0, log.bytes.data(), log.bytes.size());
    return;
  }
  for (const Region& r : touched) writeAt(log.fd, r.begin, log.bytes.data() + r.begin, r.size);
}

void inspect(const zrl::Decoder& d) {
  for (const zrl::VariableListing& v : d.listVariables()) {
    check(v.id < zrl::kMaxVariables, "a listed variable has no slot");
  }
  (void)d.note();
  (void)d.serial();
  (void)d.firmware();
  (void)d.uidText();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  silenceStdout();
  for (uint32_t v = 0; v <= kNewestVersion; ++v) {
    LogTemplate& log = templates[v];
    log.path = scratchSubdir("logs") + "/v" + std::to_string(v) + ".zrl";
    zrlwriter::WriteResult written;
    log.bytes = zrlwriter::buildZrlBytes(templateHead(v), sampleRecords(v, 12), {}, &written);
    log.headSize = written.headSize;
    log.fd = ::open(log.path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    check(log.fd >= 0, "cannot create the log template");
    writeAt(log.fd, 0, log.bytes.data(), log.bytes.size());
  }
  outputDir = scratchSubdir("out");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const HeadCase c = HeadCase::parse(data, size);
  LogTemplate& log = templates[c.version];
  std::vector<Region> touched;
  const bool afterLoad = c.flags & HeadCase::kPatchAfterLoad;
  const bool remove = c.flags & HeadCase::kRemoveAfterLoad;
  if (!afterLoad) alterFile(c, log, touched);

  std::vector<std::string> messages;
  {
    zrl::Decoder decoder(log.path, false,
                    [&](uint64_t, uint64_t, const std::string& m) {
                      if (!m.empty()) messages.push_back(m);
                    });
    inspect(decoder);
    if (afterLoad) alterFile(c, log, touched);
    if (remove) ::unlink(log.path.c_str());
    if (c.flags & HeadCase::kDecode) {
      messages.clear();
      decoder.setOutputPath(outputDir + "/out.csv");
      const bool ok = decoder.run();
      check(ok || !messages.empty(), "a failed decode reported no message");
      inspect(decoder);
    }
  }
  restore(log, touched, remove);
  removeFilesIn(outputDir);
  return 0;
}
