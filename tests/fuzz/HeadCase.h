// One input of the head target: which template log to start from, what to
// do with it, and byte patches aimed at the regions of its head.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zrlfuzz {

// Where a patch's offset counts from; the offset is taken modulo the
// region's size, so every patch lands inside the file.
enum class PatchRegion : uint8_t {
  WholeFile = 0,
  Header = 1,       // magic, fixed header and extension
  Descriptors = 2,
  GroupNames = 3,
  VariableNames = 4,
  UnitSymbols = 5,
  Records = 6,      // the stored (compressed) record stream
};
constexpr uint8_t kPatchRegionCount = 7;

struct HeadPatch {
  PatchRegion region = PatchRegion::WholeFile;
  uint32_t offset = 0;  // 24 bits
  std::string bytes;
};

struct HeadCase {
  uint8_t version = 4;  // template, modulo 5
  uint8_t flags = 0;
  uint32_t cutAt = 0;   // with kCut: file length kept, modulo (length + 1)
  std::vector<HeadPatch> patches;

  static constexpr uint8_t kDecode = 1,         // run a whole decode after loading
      kPatchAfterLoad = 2,                      // patch between loading and decoding
      kRemoveAfterLoad = 4,                     // the file vanishes before the decode
      kCut = 8;

  static HeadCase parse(const uint8_t* data, std::size_t size);
  std::string encode() const;
};

}  // namespace zrlfuzz
