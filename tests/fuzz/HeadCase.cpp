#include "tests/fuzz/HeadCase.h"

#include "tests/fuzz/InputBytes.h"

namespace zrlfuzz {

HeadCase HeadCase::parse(const uint8_t* data, std::size_t size) {
  InputReader in(data, size);
  HeadCase c;
  c.version = in.u8() % 5;
  c.flags = in.u8();
  c.cutAt = in.u24();
  while (in.remaining() > 0) {
    HeadPatch p;
    p.region = static_cast<PatchRegion>(in.u8() % kPatchRegionCount);
    p.offset = in.u24();
    p.bytes = in.text();
    c.patches.push_back(p);
  }
  return c;
}

std::string HeadCase::encode() const {
  InputWriter out;
  out.u8(version).u8(flags).u24(cutAt);
  for (const HeadPatch& p : patches) out.u8(static_cast<uint8_t>(p.region)).u24(p.offset).text(p.bytes);
  return out.str();
}

}  // namespace zrlfuzz
