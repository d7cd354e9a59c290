#include "tools/zrlwriter/WriterLayout.h"

namespace zrlwriter {
namespace layout {

bool hasExtension(uint32_t version) { return version >= 3; }
bool hasWideCatalog(uint32_t version) { return version >= 4; }

size_t groupSlots(uint32_t version) { return hasWideCatalog(version) ? 2048 : 1024; }

size_t catalogOffset(uint32_t version) {
  return kMagicSize + kHeaderSize + (hasExtension(version) ? kExtensionSize : 0);
}

size_t variableNamesOffset(uint32_t version) { return groupSlots(version) * kNameSize; }
size_t unitSymbolsOffset(uint32_t version) { return variableNamesOffset(version) + kVariableSlots * kNameSize; }
size_t descriptorsOffset(uint32_t version) { return unitSymbolsOffset(version) + kUnitSlots * kNameSize; }

size_t catalogSize(uint32_t version) {
  return descriptorsOffset(version) + kVariableSlots * kDescriptorSize;
}

size_t headSize(uint32_t version) { return catalogOffset(version) + catalogSize(version); }

size_t timestampWidth(uint32_t version) { return hasWideCatalog(version) ? 8 : 4; }

}  // namespace layout
}  // namespace zrlwriter
