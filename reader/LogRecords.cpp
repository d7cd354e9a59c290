// Records of the compressed stream: a 16-bit record id, then either a
// timestamp offset (id 0xFFFF) or one value in the layout of the variable's
// catalog type. Records carry no length, so the stream cannot be followed
// past a record whose layout is unknown.
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <string>

#include "values/Diagnostics.h"
#include "reader/DataTypes.h"
#include "reader/FixedPayload.h"
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
  uint8_t bytes[8] = {0, 0, 0, 0, 0, 0, 0, 0};
  if (!readInputFile(bytes, timestampWidth())) {
    printDiagnosticLine("Failed to read absolute timestamp ");
    return false;
  }
  timeMs = timestampAt(bytes);
  return true;
}

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
    case DATALOGGER_BOOLEAN_TYPE:
    case DATALOGGER_INTEGER_TYPE:
    case DATALOGGER_FLOAT_TYPE:
    case DATALOGGER_DOUBLE_TYPE: {
      const unsigned size = fixedPayloadSize(type);
      if (!readInputFile(bytes, size)) return false;
      storeFixedPayload(type, bytes, out);
      return true;
    }
    case DATALOGGER_STRING_TYPE: {
      uint8_t length = 0;
      if (!readInputFile(&length, 1)) return false;
      if (length > kMaxStringLength) {
        printDiagnosticLine("String too long (" + std::to_string(length) + ")");
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
        printDiagnosticLine("CAN frame too long (" + std::to_string(length) + ")");
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
      storeFixedPayload(type, bytes, out);
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
