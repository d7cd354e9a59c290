// Values of the catalog types whose records have a fixed size, decoded from
// their payload bytes: shared by the record reads and by the decode loop,
// which walks records in place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "reader/DataTypes.h"
#include "reader/ZrlLayout.h"
#include "values/DataValue.h"

namespace zrl {

// A decode owns the values it decodes into, so they are filled without
// taking their lock, exactly as the value's own setters fill them: the
// payload is zeroed when the kind changes, then the new bytes are stored.
// Done per record, the lock round trip cost more than the rest of the store.
template <std::size_t N>
inline void storeOwned(DataValue& out, DataValueKind kind, const void* bytes) {
  static_assert(N <= sizeof out.value, "payload too large");
  if (out.type != kind) {
    std::memset(out.value, 0, sizeof out.value);
    out.type = kind;
  }
  std::memcpy(out.value, bytes, N);
}

// The same for a CAN frame, stored field by field: a frame assembled on the
// stack and copied whole is read back before its small stores have landed.
inline void storeCanFrame(DataValue& out, uint32_t id, uint8_t length, const uint8_t* data) {
  static_assert(sizeof(can_frame) <= sizeof out.value, "payload too large");
  if (out.type != DataValueKind::CanFrame) {
    std::memset(out.value, 0, sizeof out.value);
    out.type = DataValueKind::CanFrame;
  }
  std::memcpy(out.value + offsetof(can_frame, can_id), &id, sizeof id);
  out.value[offsetof(can_frame, can_dlc)] = length;
  std::memset(out.value + offsetof(can_frame, reserved), 0, sizeof(can_frame::reserved));
  std::memcpy(out.value + offsetof(can_frame, data), data, sizeof(can_frame::data));
}

// Payload bytes of a record of catalog type `type`; 0 for the types of
// variable size (String, CAN frame) and unknown types.
inline unsigned fixedPayloadSize(uint8_t type) {
  switch (type) {
    case DATALOGGER_BOOLEAN_TYPE: return 1;
    case DATALOGGER_INTEGER_TYPE:
    case DATALOGGER_FLOAT_TYPE: return 4;
    case DATALOGGER_DOUBLE_TYPE:
    case DATALOGGER_TIMESTAMP_TYPE: return 8;
    default: return 0;
  }
}

// Decodes the payload of a fixed-size type into `out`.
inline void storeFixedPayload(uint8_t type, const uint8_t* bytes, DataValue& out) {
  switch (type) {
    case DATALOGGER_BOOLEAN_TYPE: {
      const bool value = bytes[0] != 0;
      storeOwned<1>(out, DataValueKind::Boolean, &value);
      return;
    }
    case DATALOGGER_INTEGER_TYPE: {
      const int32_t value = static_cast<int32_t>(loadLe32(bytes));
      storeOwned<4>(out, DataValueKind::Integer, &value);
      return;
    }
    case DATALOGGER_FLOAT_TYPE: {
      const uint32_t bits = loadLe32(bytes);
      float value;
      std::memcpy(&value, &bits, sizeof value);
      storeOwned<4>(out, DataValueKind::Float, &value);
      return;
    }
    case DATALOGGER_DOUBLE_TYPE: {
      const uint64_t bits = loadLe64(bytes);
      double value;
      std::memcpy(&value, &bits, sizeof value);
      storeOwned<8>(out, DataValueKind::Double, &value);
      return;
    }
    case DATALOGGER_TIMESTAMP_TYPE: {
      const uint64_t microseconds = loadLe64(bytes);
      TimeSpec32 when;
      when.tv_sec = static_cast<int32_t>(static_cast<uint32_t>(microseconds / 1000000));
      when.tv_nsec = static_cast<int32_t>((microseconds % 1000000) * 1000);
      storeOwned<sizeof when>(out, DataValueKind::TimeStamp, &when);
      return;
    }
    default:
      return;
  }
}

// The fixed-size types whose value is their payload bytes as they are
// (Integer, Float, Double) or one flag byte (Boolean) are stored without the
// type switch of storeFixedPayload: the decode loop's most frequent step.
struct PayloadCopy {
  uint64_t mask = 0;       // payload bytes of an 8-byte load
  DataValueKind kind = DataValueKind::UnknownDt;
  bool boolean = false;    // stored as whether the byte is set
  bool usable = false;     // false: decode with storeFixedPayload
};

inline PayloadCopy payloadCopyOf(uint8_t type) {
  PayloadCopy copy;
  switch (type) {
    case DATALOGGER_BOOLEAN_TYPE: copy = {0xFF, DataValueKind::Boolean, true, true}; break;
    case DATALOGGER_INTEGER_TYPE: copy = {0xFFFFFFFF, DataValueKind::Integer, false, true}; break;
    case DATALOGGER_FLOAT_TYPE: copy = {0xFFFFFFFF, DataValueKind::Float, false, true}; break;
    case DATALOGGER_DOUBLE_TYPE: copy = {~uint64_t{0}, DataValueKind::Double, false, true}; break;
    default: break;
  }
  return copy;
}

// Stores as storeFixedPayload does, for a usable copy; eight bytes at
// `bytes` must be readable whatever the payload's size.
inline void storePayloadCopy(const PayloadCopy& copy, const uint8_t* bytes, DataValue& out) {
  static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "payloads are stored as loaded");
  uint64_t value = loadLe64(bytes) & copy.mask;
  if (copy.boolean) value = value != 0 ? 1 : 0;
  if (out.type != copy.kind) {
    std::memset(out.value, 0, sizeof out.value);
    out.type = copy.kind;
  }
  std::memcpy(out.value, &value, sizeof value);
}

}  // namespace zrl
