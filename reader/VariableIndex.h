// The two indexes over a file's catalog: the variable map (variable id to
// its entry, holding the value of the row being built) and the catalog
// order (groups by name, within a group variables by name) in which every
// listing, the CSV header and every CSV row visit the variables.
//
// The map is a fixed table of kMaxVariables slots with a used flag: lookups
// never allocate and memory stays constant whatever the file holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "reader/CatalogTable.h"
#include "values/DataValue.h"

namespace zrl {

struct VariableEntry {
  NodeDataValue current;  // value in the row being built; UnknownDt when none
  uint16_t groupId = 0;
  uint8_t decimals = 0;
};

// One variable in catalog order. `groupId` is the group under which the
// variable is listed: groups that share a name are listed once, under the
// id met first.
struct CatalogPosition {
  uint16_t variableId;
  uint16_t groupId;
};

class VariableIndex {
 public:
  VariableIndex();

  // Empties the map and the order.
  void clear();

  // Adds an entry for every used descriptor (type not 0). Fails with a
  // message on a group id or variable id outside the catalog; entries added
  // before the failing descriptor stay.
  bool addDescriptors(const zrl::CatalogTable& catalog);

  // Orders the entries present by group name, then variable name, as byte
  // strings. Of two groups with one name, or two variables with one name in
  // a group, the one with the lower id is kept.
  void buildOrder(const zrl::CatalogTable& catalog);

  // The entry of `id`, or null when the map holds none.
  VariableEntry* find(uint16_t id) {
    return id < zrl::kMaxVariables && used_[id] ? &entries_[id] : nullptr;
  }
  const VariableEntry* find(uint16_t id) const {
    return id < zrl::kMaxVariables && used_[id] ? &entries_[id] : nullptr;
  }
  // The entry of `id`, created when missing; null only for ids that have no
  // slot (kMaxVariables and above).
  VariableEntry* obtain(uint16_t id) {
    if (id >= zrl::kMaxVariables) return nullptr;
    if (!used_[id]) markUsed(id);
    return &entries_[id];
  }

  std::size_t size() const { return count_; }

  // Every entry of the map, in the order the entries were added: f(id, entry).
  template <class F>
  void forEachEntry(F&& f) {
    for (std::size_t i = 0; i < usedIds_.size(); ++i) f(usedIds_[i], entries_[usedIds_[i]]);
  }

  const std::vector<CatalogPosition>& order() const { return order_; }

 private:
  void markUsed(uint16_t id);

  std::unique_ptr<VariableEntry[]> entries_;
  std::vector<uint8_t> used_;
  std::vector<uint16_t> usedIds_;  // in insertion order; capacity reserved up front
  std::size_t count_ = 0;
  std::vector<CatalogPosition> order_;
};

}  // namespace zrl
