#include "tests/fuzz/DecodeCase.h"

#include "tests/fuzz/InputBytes.h"

namespace zrlfuzz {

namespace {
constexpr std::size_t kMaxListEntries = 4;
}

const std::vector<int32_t>& frequencyCodes() {
  static const std::vector<int32_t> codes = {0, 100, 50, 20, 10, 5, 1, -1, -2, 500, 3, 1000, -3, 7};
  return codes;
}

DecodeCase DecodeCase::withSampleTypes(uint32_t version) {
  DecodeCase c;
  c.version = static_cast<uint8_t>(version);
  for (int i = 0; i < kVariableCount; ++i) {
    c.types[i] = kVariables[i].type;
    c.decimals[i] = kVariables[i].decimals;
  }
  c.flags = kUtc;
  return c;
}

DecodeCase DecodeCase::parse(const uint8_t* data, std::size_t size) {
  InputReader in(data, size);
  DecodeCase c;
  c.version = in.u8() % 5;
  const uint8_t storage = in.u8();
  c.storage = static_cast<BodyStorage>(storage & 3);
  c.members = static_cast<uint8_t>(2 + ((storage >> 2) & 3));
  c.cut = in.u8();
  c.frequencyIndex = in.u8();
  c.method = in.u8();
  c.flags = in.u8();
  c.floatFormat = in.u8();
  c.columnSeparator = in.u8();
  c.decimalSeparator = in.u8();
  c.selection = in.u8();
  c.cancelAtStep = in.u8();
  const uint8_t window = in.u8();
  c.windowStart = static_cast<WindowChoice>(window & 3);
  c.windowEnd = static_cast<WindowChoice>((window >> 2) & 3);
  c.indexSpacing = static_cast<uint8_t>(window >> 4);
  c.startOffsetMs = in.u32();
  c.endOffsetMs = in.u32();
  c.spanMs = static_cast<int32_t>(in.u32());
  c.storedSizeMode = in.u8() % 3;
  c.storedSize = in.u32();
  for (int i = 0; i < kVariableCount; ++i) c.types[i] = in.u8();
  for (int i = 0; i < kVariableCount; ++i) c.decimals[i] = in.u8();
  const std::size_t aliasCount = in.u8() % (kMaxListEntries + 1);
  for (std::size_t i = 0; i < aliasCount; ++i) {
    const uint8_t variable = in.u8();
    c.aliases.emplace_back(variable, in.text());
  }
  const std::size_t filterCount = in.u8() % (kMaxListEntries + 1);
  for (std::size_t i = 0; i < filterCount; ++i) {
    Filter f;
    f.variable = in.u8();
    f.kind = in.u8();
    f.limit = in.text();
    c.filters.push_back(f);
  }
  c.records = in.rest();
  return c;
}

std::string DecodeCase::encode() const {
  InputWriter out;
  out.u8(version)
      .u8(static_cast<uint8_t>(static_cast<uint8_t>(storage) | ((members - 2) & 3) << 2))
      .u8(cut)
      .u8(frequencyIndex)
      .u8(method)
      .u8(flags)
      .u8(floatFormat)
      .u8(columnSeparator)
      .u8(decimalSeparator)
      .u8(selection)
      .u8(cancelAtStep)
      .u8(static_cast<uint8_t>(static_cast<uint8_t>(windowStart) | static_cast<uint8_t>(windowEnd) << 2 |
                               (indexSpacing & 15) << 4))
      .u32(startOffsetMs)
      .u32(endOffsetMs)
      .u32(static_cast<uint32_t>(spanMs))
      .u8(storedSizeMode)
      .u32(storedSize);
  for (uint8_t t : types) out.u8(t);
  for (uint8_t d : decimals) out.u8(d);
  out.u8(static_cast<uint8_t>(aliases.size()));
  for (const auto& a : aliases) out.u8(a.first).text(a.second);
  out.u8(static_cast<uint8_t>(filters.size()));
  for (const Filter& f : filters) out.u8(f.variable).u8(f.kind).text(f.limit);
  out.bytes(records);
  return out.str();
}

}  // namespace zrlfuzz
