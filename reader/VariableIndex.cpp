#include "reader/VariableIndex.h"

#include <algorithm>
#include <exception>
#include <new>
#include <string>
#include <string_view>

#include "values/Diagnostics.h"

namespace zrl {

using zrl::kMaxGroups;
using zrl::kMaxVariables;

VariableIndex::VariableIndex()
    : entries_(new VariableEntry[kMaxVariables]), used_(kMaxVariables, 0) {
  usedIds_.reserve(kMaxVariables);
  order_.reserve(kMaxVariables);
}

void VariableIndex::clear() {
  for (uint16_t id : usedIds_) {
    // A fresh entry: no value, no group, no decimals.
    VariableEntry& entry = entries_[id];
    entry.~VariableEntry();
    new (&entry) VariableEntry();
    used_[id] = 0;
  }
  usedIds_.clear();
  count_ = 0;
  order_.clear();
}

void VariableIndex::markUsed(uint16_t id) {
  used_[id] = 1;
  usedIds_.push_back(id);
  ++count_;
}

bool VariableIndex::addDescriptors(const zrl::CatalogTable& catalog) {
  try {
    for (std::size_t index = 0; index < kMaxVariables; ++index) {
      const zrl::VariableDescriptor d = catalog.descriptor(index);
      if (d.type == 0) continue;
      if (d.groupId >= kMaxGroups) {
        zrl::printDiagnosticLine("!!! GROUP_ID above limit: " + std::to_string(d.groupId));
        return false;
      }
      if (d.id >= kMaxVariables) {
        zrl::printDiagnosticLine("!!! VAR_ID above limit: " + std::to_string(d.id));
        return false;
      }
      VariableEntry* entry = obtain(d.id);
      entry->groupId = d.groupId;
      entry->decimals = d.decimals;
    }
  } catch (const std::exception& e) {
    zrl::printDiagnosticLine(std::string("EXCEPTION:") + e.what());
    return false;
  }
  return true;
}

void VariableIndex::buildOrder(const zrl::CatalogTable& catalog) {
  order_.clear();
  std::vector<uint16_t> ids(usedIds_);
  std::sort(ids.begin(), ids.end());
  auto groupOf = [&](uint16_t id) { return catalog.groupNameView(entries_[id].groupId); };
  std::stable_sort(ids.begin(), ids.end(), [&](uint16_t a, uint16_t b) {
    // string_view compares as unsigned bytes (char_traits<char>::compare),
    // a proper prefix first.
    const int byGroup = groupOf(a).compare(groupOf(b));
    if (byGroup != 0) return byGroup < 0;
    return catalog.variableNameView(a) < catalog.variableNameView(b);
  });
  for (std::size_t runStart = 0; runStart < ids.size();) {
    // One run of variables whose groups share a name: listed under the
    // group of the variable with the lowest id.
    const std::string_view group = groupOf(ids[runStart]);
    std::size_t runEnd = runStart;
    uint16_t firstId = ids[runStart];
    while (runEnd < ids.size() && groupOf(ids[runEnd]) == group) {
      firstId = std::min(firstId, ids[runEnd]);
      ++runEnd;
    }
    const uint16_t groupKey = entries_[firstId].groupId;
    for (std::size_t i = runStart; i < runEnd; ++i) {
      if (i > runStart && catalog.variableNameView(ids[i]) == catalog.variableNameView(ids[i - 1]))
        continue;  // same name in the same group: listed once
      order_.push_back(CatalogPosition{ids[i], groupKey});
    }
    runStart = runEnd;
  }
}

}  // namespace zrl
