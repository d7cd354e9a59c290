#include "reader/DataTypes.h"

namespace zrl {

const char* dataTypeName(uint8_t code) {
  static const char* const kNames[] = {"None",
                                       "DATALOGGER_BOOLEAN_TYPE",
                                       "DATALOGGER_INTEGER_TYPE",
                                       "DATALOGGER_FLOAT_TYPE",
                                       "DATALOGGER_DOUBLE_TYPE",
                                       "DATALOGGER_STRING_TYPE",
                                       "DATALOGGER_CANFRAME_TYPE",
                                       "DATALOGGER_TIMESTAMP_TYPE"};
  return code < sizeof(kNames) / sizeof(kNames[0]) ? kNames[code] : "UNKNOWN";
}

}  // namespace zrl
