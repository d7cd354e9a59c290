// Variable and group registries (see ValueRegistries.h).
#include "values/model/ValueRegistries.h"

#include "values/Diagnostics.h"
#include "values/model/NodeData.h"

namespace zrl {

VariableRegistry& VariableRegistry::global() {
  static VariableRegistry registry;
  return registry;
}

int16_t VariableRegistry::add(const std::string& name, NodeDataValue* value) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (entries_.size() < kMaxVariables) {
      entries_.push_back(Entry{name, value});
      return static_cast<int16_t>(entries_.size() - 1);
    }
  }
  printDiagnosticLine("ERROR: Overall maximum number of variables reached");
  return -1;
}

std::string VariableRegistry::name(int16_t id) const {
  std::lock_guard<std::mutex> guard(lock_);
  if (id < 0 || static_cast<std::size_t>(id) >= entries_.size()) return std::string();
  return entries_[static_cast<std::size_t>(id)].name;
}

NodeDataValue* VariableRegistry::value(int16_t id) const {
  std::lock_guard<std::mutex> guard(lock_);
  if (id < 0 || static_cast<std::size_t>(id) >= entries_.size()) return nullptr;
  return entries_[static_cast<std::size_t>(id)].value;
}

void VariableRegistry::detach(int16_t id, const NodeDataValue* value) {
  std::lock_guard<std::mutex> guard(lock_);
  if (id < 0 || static_cast<std::size_t>(id) >= entries_.size()) return;
  Entry& entry = entries_[static_cast<std::size_t>(id)];
  if (entry.value == value) entry.value = nullptr;
}

std::size_t VariableRegistry::size() const {
  std::lock_guard<std::mutex> guard(lock_);
  return entries_.size();
}

std::vector<NodeDataValue*> VariableRegistry::values() const {
  std::lock_guard<std::mutex> guard(lock_);
  std::vector<NodeDataValue*> out;
  for (const Entry& entry : entries_) {
    if (entry.value != nullptr) out.push_back(entry.value);
  }
  return out;
}

ConnectorRegistry& ConnectorRegistry::global() {
  static ConnectorRegistry registry;
  return registry;
}

int16_t ConnectorRegistry::registerName(const std::string& name) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    const auto it = ids_.find(name);
    if (it != ids_.end()) return it->second;
    if (ids_.size() < kMaxConnectors) {
      const int16_t id = static_cast<int16_t>(ids_.size());
      ids_.emplace(name, id);
      return id;
    }
  }
  printDiagnosticLine(name + ": ERROR, overall maximum number of output connectors reached");
  return -1;
}

int16_t ConnectorRegistry::find(const std::string& name) const {
  std::lock_guard<std::mutex> guard(lock_);
  const auto it = ids_.find(name);
  return it == ids_.end() ? -1 : it->second;
}

std::size_t ConnectorRegistry::size() const {
  std::lock_guard<std::mutex> guard(lock_);
  return ids_.size();
}

}  // namespace zrl
