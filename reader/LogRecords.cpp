// Records of the compressed stream: a 16-bit record id, then either a
// timestamp offset (id 0xFFFF) or one value in the layout of the variable's
// catalog type. Records carry no length, so the stream cannot be followed
// past a record whose layout is unknown.
#include <cerrno>
#include <cstring>

#include "reader/ConsoleLine.h"
#include "reader/DataTypes.h"
#include "reader/LogReader.h"

using namespace zrl;

bool LogReader::reportReadFailure() {
  const int systemError = errno;
  if (recordStream_.atEnd()) return false;  // the normal end of the records
  const int number = recordStream_.errorNumber();
  const std::string text =
      number == Z_ERRNO ? systemErrorText(systemError) : recordStream_.errorMessage();
  printConsoleLine("readInputFile, GZ error: (" + std::to_string(number) + ") " + text);
  return false;
}

bool LogReader::readId(uint16_t& recordId) {
  uint8_t bytes[2] = {0, 0};
  if (!readInputFile(bytes, sizeof bytes)) {
    if (!recordStream_.atEnd()) printConsoleLine("Failed to read ID");
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
    printConsoleLine("Failed to read absolute timestamp ");
    return false;
  }
  const uint64_t offset = width == 8 ? loadLe64(bytes) : loadLe32(bytes);
  timeMs = static_cast<int64_t>(static_cast<uint64_t>(fileStartMs_) + offset);
  return true;
}

namespace {

std::string rawCharacter(uint8_t byte) { return std::string(1, static_cast<char>(byte)); }

}  // namespace

bool LogReader::readVarData(uint16_t recordId, uint8_t type, NodeDataValue& out) {
  if (recordId >= kMaxVariables) {
    // No catalog slot, so neither the type nor the payload length is known.
    printConsoleLine("readVarData() failed: Unknown variable, varId=" + std::to_string(recordId));
    return false;
  }
  uint8_t bytes[8] = {0, 0, 0, 0, 0, 0, 0, 0};
  switch (type) {
    case DATALOGGER_BOOLEAN_TYPE:
      if (!readInputFile(bytes, 1)) return false;
      out = bytes[0] != 0;
      return true;
    case DATALOGGER_INTEGER_TYPE:
      if (!readInputFile(bytes, 4)) return false;
      out = static_cast<int32_t>(loadLe32(bytes));
      return true;
    case DATALOGGER_FLOAT_TYPE: {
      if (!readInputFile(bytes, 4)) return false;
      const uint32_t bits = loadLe32(bytes);
      float value;
      std::memcpy(&value, &bits, sizeof value);
      out = value;
      return true;
    }
    case DATALOGGER_DOUBLE_TYPE: {
      if (!readInputFile(bytes, 8)) return false;
      const uint64_t bits = loadLe64(bytes);
      double value;
      std::memcpy(&value, &bits, sizeof value);
      out = static_cast<float>(value);
      return true;
    }
    case DATALOGGER_STRING_TYPE: {
      uint8_t length = 0;
      if (!readInputFile(&length, 1)) return false;
      if (length > kMaxStringLength) {
        printConsoleLine("String too long (" + rawCharacter(length) + ")");
        return false;
      }
      char text[kMaxStringLength + 1] = {};
      if (!readInputFile(text, length)) {
        printConsoleLine("Unable to read string data");
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
        printConsoleLine("CAN frame too long (" + rawCharacter(length) + ")");
        return false;
      }
      if (!readInputFile(bytes, 4)) {
        printConsoleLine("Unable to read CAN frame ID");
        return false;
      }
      can_frame frame;
      std::memset(&frame, 0, sizeof frame);
      frame.can_id = loadLe32(bytes);
      frame.can_dlc = length;
      if (!readInputFile(frame.data, length)) {
        printConsoleLine("Unable to read CAN frame data");
        return false;
      }
      out = frame;
      return true;
    }
    case DATALOGGER_TIMESTAMP_TYPE: {
      if (!readInputFile(bytes, 8)) return false;
      const uint64_t microseconds = loadLe64(bytes);
      TimeSpec32 when;
      when.tv_sec = static_cast<int32_t>(static_cast<uint32_t>(microseconds / 1000000));
      when.tv_nsec = static_cast<int32_t>((microseconds % 1000000) * 1000);
      out = when;
      return true;
    }
    default:
      printConsoleLine("readVarData() failed: Unknown type=" + std::to_string(type) +
                       ", varName=" + variableName(recordId) +
                       ", varId=" + std::to_string(recordId));
      return false;
  }
}
