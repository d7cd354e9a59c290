// The variable catalog of a log file as stored: group names, variable names,
// unit symbols and one descriptor per variable slot. Its layout depends on
// the format version; lookups past a table give empty results instead of
// reading beyond it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "reader/ZrlLayout.h"

namespace zrl {

struct VariableDescriptor {
  uint16_t id = 0;
  uint16_t groupId = 0;
  uint8_t type = 0;
  uint8_t unitIndex = 0;
  uint8_t decimals = 0;
};

class CatalogTable {
 public:
  CatalogTable();

  // Chooses the layout for a format version; the bytes are kept.
  void setFormatVersion(uint32_t formatVersion);
  static std::size_t catalogSize(uint32_t formatVersion);

  // Storage the catalog is read into: catalogSize() bytes of the layout set.
  uint8_t* data() { return bytes_.data(); }
  std::size_t size() const { return size_; }

  std::size_t groupCount() const { return groupCount_; }

  // Names as stored (up to the first NUL, or all 32 bytes); empty past the
  // end of a table.
  std::string_view groupNameView(uint16_t groupId) const;
  std::string_view variableNameView(uint16_t id) const;
  std::string_view unitSymbolView(unsigned unitIndex) const;

  // Descriptor number `index` (< kMaxVariables).
  VariableDescriptor descriptor(std::size_t index) const;

  // Type byte of descriptor `id`; 0 for ids without a slot.
  uint8_t typeOf(uint16_t id) const {
    return id < kMaxVariables ? bytes_[descriptorsOffset_ + id * kDescriptorSize + descriptor::kType]
                              : 0;
  }

 private:
  std::string_view nameAt(std::size_t offset) const;

  std::vector<uint8_t> bytes_;
  std::size_t size_ = 0;
  std::size_t groupCount_ = 0;
  std::size_t variableNamesOffset_ = 0;
  std::size_t unitsOffset_ = 0;
  std::size_t descriptorsOffset_ = 0;
};

}  // namespace zrl
