// Data type codes of the variable catalog. They are not the value kinds of
// DataValue, whose codes differ (a Double value is kind 7, type code 4).
#pragma once

#include <cstdint>

namespace zrl {

enum DataloggerType : uint8_t {
  DATALOGGER_UNUSED = 0,  // descriptor slot not in use
  DATALOGGER_BOOLEAN_TYPE = 1,
  DATALOGGER_INTEGER_TYPE = 2,
  DATALOGGER_FLOAT_TYPE = 3,
  DATALOGGER_DOUBLE_TYPE = 4,
  DATALOGGER_STRING_TYPE = 5,
  DATALOGGER_CANFRAME_TYPE = 6,
  DATALOGGER_TIMESTAMP_TYPE = 7
};

// Enumerator name of a type code: "None" for 0, "DATALOGGER_..._TYPE" for
// 1-7, "UNKNOWN" above.
const char* dataTypeName(uint8_t code);

}  // namespace zrl
