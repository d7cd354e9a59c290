// One variable of a log file's catalog, as the window lists it.
#pragma once

#include <cstdint>
#include <string>

// Stand-in until the reader's own listing type is available; the window only
// needs these five fields.
namespace zrlui {
struct VariableListing {
  uint16_t id = 0;
  uint16_t groupId = 0;
  std::string fullName;
  std::string unitSymbol;
  uint8_t type = 0;
};
}  // namespace zrlui

using CatalogEntry = zrlui::VariableListing;
