#include "tools/zrlwriter/ZrlHead.h"

#include <cstring>
#include <set>

namespace zrlwriter {
namespace {

void putLe(std::string& out, size_t offset, uint64_t value, size_t width) {
  for (size_t i = 0; i < width; ++i) out[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void putTime(std::string& out, size_t offset, const TimeValue& t) {
  putLe(out, offset, static_cast<uint32_t>(t.seconds), 4);
  putLe(out, offset + 4, t.unused, 4);
  putLe(out, offset + 8, static_cast<uint32_t>(t.nanoseconds), 4);
}

// Copies `text` into a fixed field; shorter texts are NUL-padded, a text of
// exactly the field size carries no NUL at all.
void putText(std::string& out, size_t offset, const std::string& text, size_t fieldSize, const std::string& what) {
  if (text.size() > fieldSize)
    throw ZrlWriteError(what + " is " + std::to_string(text.size()) + " bytes, the field holds " +
                        std::to_string(fieldSize));
  out.replace(offset, text.size(), text);
}

}  // namespace

TimeValue TimeValue::fromMs(int64_t ms) {
  TimeValue t;
  t.seconds = static_cast<int32_t>(ms / 1000);
  t.nanoseconds = static_cast<int32_t>((ms % 1000) * 1000000);
  return t;
}

int64_t TimeValue::toMs() const { return int64_t(seconds) * 1000 + nanoseconds / 1000000; }

void ZrlHead::setTimeSpan(int64_t startMs, int64_t endMs, int64_t counterStartMs) {
  startTime = TimeValue::fromMs(startMs);
  endTime = TimeValue::fromMs(endMs);
  startCounter = TimeValue::fromMs(counterStartMs);
  endCounter = TimeValue::fromMs(counterStartMs + (endMs - startMs));
}

ZrlVariable& ZrlHead::addVariable(uint16_t slot, uint16_t groupId, uint8_t type, const std::string& name,
                                  uint8_t unitIndex, uint8_t decimals) {
  ZrlVariable v;
  v.slot = slot;
  v.id = slot;
  v.groupId = groupId;
  v.type = type;
  v.unitIndex = unitIndex;
  v.decimals = decimals;
  v.name = name;
  variables.push_back(v);
  return variables.back();
}

uint32_t correctStoredSize(uint64_t bodyLength) {
  return static_cast<uint32_t>(layout::kProgressStart + bodyLength);
}

std::string encodeHead(const ZrlHead& head, uint32_t storedSize) {
  using namespace layout;
  const uint32_t version = head.formatVersion;
  std::string out(headSize(version), '\0');

  putLe(out, 0, kMagic, 4);
  putTime(out, kStartTimeOffset, head.startTime);
  putTime(out, kEndTimeOffset, head.endTime);
  putTime(out, kStartCounterOffset, head.startCounter);
  putTime(out, kEndCounterOffset, head.endCounter);
  putText(out, kNoteOffset, head.note, kNoteSize, "note");
  putLe(out, kReservedOffset, head.reserved, 4);
  uint32_t frequencyBits;
  std::memcpy(&frequencyBits, &head.recordingFrequency, 4);
  putLe(out, kFrequencyOffset, frequencyBits, 4);
  out[kReservedByteOffset] = static_cast<char>(head.reservedByte);
  putLe(out, kStoredSizeOffset, storedSize, 4);
  putLe(out, kVersionOffset, version, 4);

  if (hasExtension(version)) {
    putText(out, kSerialOffset, head.serial, kNameSize, "serial");
    out.replace(kUidOffset, kUidSize, reinterpret_cast<const char*>(head.uid.data()), kUidSize);
    putText(out, kFirmwareOffset, head.firmware, kNameSize, "firmware");
  } else if (!head.serial.empty() || !head.firmware.empty()) {
    throw ZrlWriteError("format version " + std::to_string(version) +
                        " has no header extension for serial or firmware");
  }

  const size_t catalog = catalogOffset(version);
  for (const auto& [groupId, name] : head.groups) {
    if (groupId >= groupSlots(version))
      throw ZrlWriteError("group id " + std::to_string(groupId) + " is past the group-name table (" +
                          std::to_string(groupSlots(version)) + " entries in version " +
                          std::to_string(version) + ")");
    putText(out, catalog + groupId * kNameSize, name, kNameSize, "name of group " + std::to_string(groupId));
  }
  for (const auto& [unitIndex, symbol] : head.units) {
    if (unitIndex >= kUnitSlots)
      throw ZrlWriteError("unit index " + std::to_string(unitIndex) + " is past the unit table (128 entries)");
    putText(out, catalog + unitSymbolsOffset(version) + unitIndex * kNameSize, symbol, kNameSize,
            "unit symbol " + std::to_string(unitIndex));
  }
  std::set<uint16_t> usedSlots;
  for (const ZrlVariable& v : head.variables) {
    if (v.slot >= kVariableSlots)
      throw ZrlWriteError("variable slot " + std::to_string(v.slot) + " is past the catalog (20000 slots)");
    if (!usedSlots.insert(v.slot).second)
      throw ZrlWriteError("variable slot " + std::to_string(v.slot) + " is described twice");
    putText(out, catalog + variableNamesOffset(version) + v.slot * kNameSize, v.name, kNameSize,
            "name of variable " + std::to_string(v.slot));
    const size_t d = catalog + descriptorsOffset(version) + v.slot * kDescriptorSize;
    putLe(out, d, v.id, 2);
    putLe(out, d + 2, v.groupId, 2);
    out[d + 4] = static_cast<char>(v.type);
    out[d + 5] = static_cast<char>(v.unitIndex);
    out[d + 6] = static_cast<char>(v.decimals);
  }
  return out;
}

}  // namespace zrlwriter
