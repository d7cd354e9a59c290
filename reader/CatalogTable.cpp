#include "reader/CatalogTable.h"

#include <cstring>

namespace zrl {

CatalogTable::CatalogTable() : bytes_(kWideCatalogSize, 0) {
  setFormatVersion(kFirstVersionWithWideCatalog);
}

std::size_t CatalogTable::catalogSize(uint32_t formatVersion) {
  return formatVersion >= kFirstVersionWithWideCatalog ? kWideCatalogSize : kNarrowCatalogSize;
}

void CatalogTable::setFormatVersion(uint32_t formatVersion) {
  groupCount_ =
      formatVersion >= kFirstVersionWithWideCatalog ? kMaxGroups : kNarrowGroupCount;
  size_ = catalogSize(formatVersion);
  variableNamesOffset_ = groupCount_ * kNameSize;
  unitsOffset_ = variableNamesOffset_ + kMaxVariables * kNameSize;
  descriptorsOffset_ = unitsOffset_ + kUnitCount * kNameSize;
}

std::string_view CatalogTable::nameAt(std::size_t offset) const {
  const char* field = reinterpret_cast<const char*>(bytes_.data() + offset);
  const void* nul = std::memchr(field, 0, kNameSize);
  return std::string_view(field, nul ? static_cast<const char*>(nul) - field : kNameSize);
}

std::string_view CatalogTable::groupNameView(uint16_t groupId) const {
  return groupId < groupCount_ ? nameAt(groupId * kNameSize) : std::string_view();
}

std::string_view CatalogTable::variableNameView(uint16_t id) const {
  return id < kMaxVariables ? nameAt(variableNamesOffset_ + id * kNameSize) : std::string_view();
}

std::string_view CatalogTable::unitSymbolView(unsigned unitIndex) const {
  return unitIndex < kUnitCount ? nameAt(unitsOffset_ + unitIndex * kNameSize)
                                : std::string_view();
}

VariableDescriptor CatalogTable::descriptor(std::size_t index) const {
  const uint8_t* p = bytes_.data() + descriptorsOffset_ + index * kDescriptorSize;
  VariableDescriptor d;
  d.id = loadLe16(p + descriptor::kId);
  d.groupId = loadLe16(p + descriptor::kGroupId);
  d.type = p[descriptor::kType];
  d.unitIndex = p[descriptor::kUnitIndex];
  d.decimals = p[descriptor::kDecimals];
  return d;
}

}  // namespace zrl
