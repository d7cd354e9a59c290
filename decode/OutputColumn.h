// A selected variable as every output sees it: the decode hands the list of
// them, in column order, to the row assembler and to any row sink.
#pragma once

#include <cstdint>
#include <string>

namespace zrl {

struct OutputColumn {
  uint16_t id = 0;
  std::string fullName;        // "Group.Variable": key of aliases and filters
  std::string defaultHeading;  // "Group_Variable"
  std::string unitSymbol;
  uint8_t decimals = 0;        // Float decimals for the "Tarvik" format
  uint8_t type = 0;            // catalog type code (DataloggerType)
};

}  // namespace zrl
