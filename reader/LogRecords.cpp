// Records of the compressed stream: a 16-bit record id, then either a
// timestamp offset (id 0xFFFF) or one value in the layout of the variable's
// catalog type. Records carry no length, so the stream cannot be followed
// past a record whose layout is unknown.
#include <cerrno>
#include <cstddef>
#include <cstring>

#include "values/Diagnostics.h"
#include "reader/DataTypes.h"
#include "reader/LogReader.h"

namespace zrl {

using namespace zrl;

bool LogReader::reportReadFailure() {
  const int systemError = errno;
  if (recordStream_.atEnd()) return false;  // the normal end of the records
  const int number = recordStream_.errorNumber();
  const std::string text =
      number == Z_ERRNO ? systemErrorText(systemError) : recordStream_.errorMessage();
  printDiagnosticLine("readInputFile, GZ error: (" + std::to_string(number) + ") " + text);
  return false;
}

bool LogReader::readId(uint16_t& recordId) {
  uint8_t bytes[2] = {0, 0};
  if (!readInputFile(bytes, sizeof bytes)) {
    if (!recordStream_.atEnd()) printDiagnosticLine("Failed to read ID");
    return false;
  }
  recordId = loadLe16(bytes);
  return true;
}

bool LogReader::readAbsoluteTimestamp(int64_t& timeMs) {
  // Missing bytes of a short read at the very end stay zero.
  uint8_t bytes[8] = {0, 0, 0, 0, 0, 0, 0, 0};
  const unsigned width = formatVersion_ >= kFirstVersionWithWideCatalog ? 8 : 4;
  if (!readInputFile(bytes, width)) {
    printDiagnosticLine("Failed to read absolute timestamp ");
    return false;
  }
  const uint64_t offset = width == 8 ? loadLe64(bytes) : loadLe32(bytes);
  timeMs = static_cast<int64_t>(static_cast<uint64_t>(fileStartMs_) + offset);
  return true;
}

namespace {

std::string rawCharacter(uint8_t byte) { return std::string(1, static_cast<char>(byte)); }

// A decode owns the values it decodes into, so they are filled without
// taking their lock, exactly as the value's own setters fill them: the
// payload is zeroed when the kind changes, then the new bytes are stored.
// Done per record, the lock round trip cost more than the rest of the store.
template <std::size_t N>
void storeOwned(DataValue& out, DataValueKind kind, const void* bytes) {
  static_assert(N <= sizeof out.value, "payload too large");
  if (out.type != kind) {
    std::memset(out.value, 0, sizeof out.value);
    out.type = kind;
  }
  std::memcpy(out.value, bytes, N);
}

// The same for a CAN frame, stored field by field: a frame assembled on the
// stack and copied whole is read back before its small stores have landed.
void storeCanFrame(DataValue& out, uint32_t id, uint8_t length, const uint8_t* data) {
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

}  // namespace

// The payloads of variable length are at most 8 bytes; one fixed-size read
// per length keeps every copy a plain move, where a copy of unknown length
// costs more than the whole record.
bool LogReader::readShortPayload(uint8_t* out, unsigned length) {
  switch (length) {
    case 0: return true;
    case 1: return readInputFile(out, 1);
    case 2: return readInputFile(out, 2);
    case 3: return readInputFile(out, 3);
    case 4: return readInputFile(out, 4);
    case 5: return readInputFile(out, 5);
    case 6: return readInputFile(out, 6);
    case 7: return readInputFile(out, 7);
    case 8: return readInputFile(out, 8);
    default: return readInputFile(out, length);
  }
}

bool LogReader::readVarData(uint16_t recordId, uint8_t type, NodeDataValue& out) {
  if (recordId >= kMaxVariables) {
    // No catalog slot, so neither the type nor the payload length is known.
    printDiagnosticLine("readVarData() failed: Unknown variable, varId=" + std::to_string(recordId));
    return false;
  }
  uint8_t bytes[8] = {0, 0, 0, 0, 0, 0, 0, 0};
  switch (type) {
    case DATALOGGER_BOOLEAN_TYPE: {
      if (!readInputFile(bytes, 1)) return false;
      const bool value = bytes[0] != 0;
      storeOwned<1>(out, DataValueKind::Boolean, &value);
      return true;
    }
    case DATALOGGER_INTEGER_TYPE: {
      if (!readInputFile(bytes, 4)) return false;
      const int32_t value = static_cast<int32_t>(loadLe32(bytes));
      storeOwned<4>(out, DataValueKind::Integer, &value);
      return true;
    }
    case DATALOGGER_FLOAT_TYPE: {
      if (!readInputFile(bytes, 4)) return false;
      const uint32_t bits = loadLe32(bytes);
      float value;
      std::memcpy(&value, &bits, sizeof value);
      storeOwned<4>(out, DataValueKind::Float, &value);
      return true;
    }
    case DATALOGGER_DOUBLE_TYPE: {
      if (!readInputFile(bytes, 8)) return false;
      const uint64_t bits = loadLe64(bytes);
      double value;
      std::memcpy(&value, &bits, sizeof value);
      const float single = static_cast<float>(value);
      storeOwned<4>(out, DataValueKind::Float, &single);
      return true;
    }
    case DATALOGGER_STRING_TYPE: {
      uint8_t length = 0;
      if (!readInputFile(&length, 1)) return false;
      if (length > kMaxStringLength) {
        printDiagnosticLine("String too long (" + rawCharacter(length) + ")");
        return false;
      }
      char text[kMaxStringLength + 1] = {};
      if (!readInputFile(text, length)) {
        printDiagnosticLine("Unable to read string data");
        return false;
      }
      text[length] = '\0';
      out = static_cast<const char*>(text);
      return true;
    }
    case DATALOGGER_CANFRAME_TYPE: {
      uint8_t length = 0;
      if (!readInputFile(&length, 1)) return false;
      if (length > kMaxCanDataLength) {
        printDiagnosticLine("CAN frame too long (" + rawCharacter(length) + ")");
        return false;
      }
      if (!readInputFile(bytes, 4)) {
        printDiagnosticLine("Unable to read CAN frame ID");
        return false;
      }
      uint8_t data[sizeof(can_frame::data)] = {};
      if (!readShortPayload(data, length)) {
        printDiagnosticLine("Unable to read CAN frame data");
        return false;
      }
      storeCanFrame(out, loadLe32(bytes), length, data);
      return true;
    }
    case DATALOGGER_TIMESTAMP_TYPE: {
      if (!readInputFile(bytes, 8)) return false;
      const uint64_t microseconds = loadLe64(bytes);
      TimeSpec32 when;
      when.tv_sec = static_cast<int32_t>(static_cast<uint32_t>(microseconds / 1000000));
      when.tv_nsec = static_cast<int32_t>((microseconds % 1000000) * 1000);
      storeOwned<sizeof when>(out, DataValueKind::TimeStamp, &when);
      return true;
    }
    default:
      printDiagnosticLine("readVarData() failed: Unknown type=" + std::to_string(type) +
                       ", varName=" + variableName(recordId) +
                       ", varId=" + std::to_string(recordId));
      return false;
  }
}

}  // namespace zrl
