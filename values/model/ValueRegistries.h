// Process-wide registries of variable names (by id) and group names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "values/Limits.h"

namespace zrl {

class NodeDataValue;

// Entry i holds the name of the variable whose id is i and its value.
class VariableRegistry {
 public:
  static constexpr std::size_t kMaxVariables = zrl::kMaxVariables;

  // The registry that ids of values refer to.
  static VariableRegistry& global();

  // Registers a variable; returns its id, or -1 (after printing
  // "ERROR: Overall maximum number of variables reached") when full.
  int16_t add(const std::string& name, NodeDataValue* value);
  // Registered name of `id`; empty for an unknown id.
  std::string name(int16_t id) const;
  NodeDataValue* value(int16_t id) const;
  // Forgets the value of `id` (when it is destroyed); the name stays, since
  // ids are never reused.
  void detach(int16_t id, const NodeDataValue* value);
  std::size_t size() const;
  // Values still registered, in id order.
  std::vector<NodeDataValue*> values() const;

 private:
  struct Entry {
    std::string name;
    NodeDataValue* value;
  };
  mutable std::mutex lock_;
  std::vector<Entry> entries_;
};

// Group ("connector") names and their ids.
class ConnectorRegistry {
 public:
  static constexpr std::size_t kMaxConnectors = 2048;

  static ConnectorRegistry& global();

  // Id of `name`, registering it when new; -1 (after printing
  // "<name>: ERROR, overall maximum number of output connectors reached")
  // when the registry is full.
  int16_t registerName(const std::string& name);
  // Id of a known name, or -1.
  int16_t find(const std::string& name) const;
  std::size_t size() const;

 private:
  mutable std::mutex lock_;
  std::map<std::string, int16_t> ids_;
};

}  // namespace zrl
