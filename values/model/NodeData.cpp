// Groups of values and their JSON and text forms (see NodeData.h).
#include "values/model/NodeData.h"

#include <cstdio>
#include <sstream>

#include "values/Diagnostics.h"
#include "values/TextUtils.h"
#include "values/Units.h"
#include "values/model/JsonText.h"
#include "values/model/ValueModelLink.h"
#include "values/model/ValueRegistries.h"

namespace zrl {

NodeData::NodeData(const std::string& groupName) { setName(groupName); }

NodeData::NodeData(const NodeData& other)
    : name(other.name), id(other.id), userWord1(other.userWord1), userWord2(other.userWord2) {
  copyValuesFrom(other);
}

NodeData& NodeData::operator=(const NodeData& other) {
  if (this == &other) return *this;
  releaseValues();
  name = other.name;
  id = other.id;
  userWord1 = other.userWord1;
  userWord2 = other.userWord2;
  copyValuesFrom(other);
  return *this;
}

NodeData::~NodeData() { releaseValues(); }

void NodeData::copyValuesFrom(const NodeData& other) {
  for (const auto& [key, source] : other.values) {
    auto copy = std::make_unique<NodeDataValue>();
    if (source->type != DataValueKind::UnknownDt) {
      *copy = *source;
    } else {
      copy->id = source->id;  // nothing else to copy; no message for a copy
    }
    linkValueModel();
    copy->parent = this;
    values.emplace(key, std::move(copy));
  }
}

void NodeData::releaseValues() {
  trackers_.clear();  // unlinks each tracked value
  for (auto& entry : values) {
    VariableRegistry::global().detach(entry.second->id, entry.second.get());
  }
  values.clear();
}

void NodeData::setName(const std::string& groupName) {
  name = groupName;
  if (!name.empty() && id == -1) id = ConnectorRegistry::global().registerName(name);
}

NodeDataValue* NodeData::insertNew(const std::string& key) {
  auto created = std::make_unique<NodeDataValue>();
  NodeDataValue* value = created.get();
  linkValueModel();
  value->parent = this;
  value->id = VariableRegistry::global().add(key, value);
  trackers_[key] = std::make_unique<NodeDataValueAdd>(value);
  values.emplace(key, std::move(created));
  return value;
}

NodeDataValue& NodeData::value(const std::string& valueName) {
  const std::string key = replaceCommasAndDots(valueName);
  const auto it = values.find(key);
  if (it != values.end()) return *it->second;
  if (values.size() >= kMaxValues) {
    printDiagnosticLine(name + ": ERROR, maximum number of variables reached");
    return *values.begin()->second;
  }
  return *insertNew(key);
}

NodeDataValue* NodeData::find(const std::string& valueName) const {
  const auto it = values.find(valueName);
  return it == values.end() ? nullptr : it->second.get();
}

NodeData& NodeData::operator+=(const NodeData& other) {
  auto mine = values.begin();
  auto theirs = other.values.begin();
  for (; mine != values.end() && theirs != other.values.end(); ++mine, ++theirs) {
    *mine->second += *theirs->second;
  }
  return *this;
}

NodeData& NodeData::operator-=(const NodeData& other) {
  auto mine = values.begin();
  auto theirs = other.values.begin();
  for (; mine != values.end() && theirs != other.values.end(); ++mine, ++theirs) {
    *mine->second -= *theirs->second;
  }
  return *this;
}

NodeData NodeData::operator*(unsigned n) const {
  NodeData result(*this);
  const NodeDataValue factor(static_cast<float>(n));
  for (auto& entry : result.values) *entry.second *= factor;
  return result;
}

NodeData NodeData::operator/(unsigned n) const {
  NodeData result(*this);
  const NodeDataValue divisor(static_cast<float>(n));
  for (auto& entry : result.values) *entry.second /= divisor;
  return result;
}

void NodeData::merge(const NodeData& other) {
  for (const auto& [key, source] : other.values) {
    const auto it = values.find(key);
    if (it != values.end()) {
      *it->second = *source;
      continue;
    }
    if (values.size() >= kMaxValues) {
      // Writing into the group's first value instead would overwrite it.
      printDiagnosticLine(name + ": ERROR, maximum number of variables reached");
      continue;
    }
    *insertNew(key) = *source;
  }
}

std::string NodeData::toJson() const {
  std::ostringstream out;
  out << "{\"id\":" << id << ",\"name\":";
  writeJsonString(out, name);
  out << '}';
  return out.str();
}

std::string NodeData::persistentInfosJson() const {
  std::ostringstream out;
  out << '{';
  bool first = true;
  for (const auto& [key, tracker] : trackers_) {
    if (!tracker->persistentInfoApplied) continue;
    if (!first) out << ',';
    first = false;
    writeJsonString(out, key);
    out << ':' << tracker->info.toJson();
  }
  out << '}';
  return out.str();
}

void NodeData::applyPersistentInfos(const std::string& json) {
  JsonValue root;
  if (!JsonValue::parse(json, root) || !root.isObject()) return;
  for (const auto& [key, member] : root.members()) {
    const auto it = trackers_.find(key);
    if (it == trackers_.end()) continue;
    it->second->applyPersistentInfo(ValuePersistentInfo::fromJson(member));
  }
}

std::string NodeData::toText() const {
  std::ostringstream out;
  out << "{{\"group\":\"" << name << "\"},{\"values\":[";
  bool first = true;
  for (const auto& [key, value] : values) {
    if (!first) out << ',';
    first = false;
    out << "{\"" << key << "\":";
    value->writeTo(out, false);
    out << '}';
  }
  out << "]}";
  return out.str();
}

namespace {

std::string streamText(const NodeDataValue& value) {
  std::ostringstream text;
  value.writeTo(text, false);
  return text.str();
}

void writeBaseMembers(std::ostream& out, const NodeDataValue& value) {
  out << "\"id\":";
  writeJsonString(out, value.fullName());
  out << ",\"value\":";
  writeJsonString(out, streamText(value));
  out << ",\"unit\":";
  writeJsonString(out, unitSymbol(value.unit));
}

}  // namespace

std::string valueToJson(const NodeDataValue& value) {
  if (value.parent == nullptr) return "null";
  std::ostringstream out;
  out << '{';
  writeBaseMembers(out, value);
  out << '}';
  return out.str();
}

std::string valueToRichJson(const NodeDataValue& value) {
  if (value.parent == nullptr) return "null";
  std::ostringstream out;
  out << '{';
  writeBaseMembers(out, value);
  out << ",\"name\":";
  writeJsonString(out, VariableRegistry::global().name(value.id));
  out << ",\"type\":";
  writeJsonString(out, kindName(value.type));
  out << ",\"group\":";
  writeJsonString(out, value.parent->name);
  out << ",\"unitSym\":";
  writeJsonString(out, unitSymbol(value.unit));
  if (value.tracker != nullptr) {
    out << ',';
    value.tracker->info.writeJsonMembers(out);
  }
  out << '}';
  return out.str();
}

std::string valueHistoryJson(const NodeDataValue& value) {
  const int64_t groupId = value.parent != nullptr ? value.parent->id : -1;
  std::ostringstream out;
  out << "{\"id\":" << groupId * 65536 + value.id << ",\"history\":[";
  int64_t oldest = 0;
  const ValuePersistentInfo::History* ring =
      value.tracker != nullptr ? value.tracker->info.history.get() : nullptr;
  if (ring != nullptr) {
    const auto samples = ring->snapshot();
    if (!samples.empty()) oldest = samples.front().timestampMs;
    bool first = true;
    for (const auto& sample : samples) {
      if (!first) out << ',';
      first = false;
      out << '[' << sample.timestampMs << ',';
      writeJsonFloat(out, sample.value);
      out << ']';
    }
  }
  out << "],\"oldestTs\":" << oldest << '}';
  return out.str();
}

std::string extremesText() {
  std::string text = "FullName\tMin\tMax\n";
  for (NodeDataValue* value : VariableRegistry::global().values()) {
    NodeDataValueAdd* tracker = value->tracker;
    if (tracker == nullptr) continue;
    const bool hasMin = tracker->minSet();
    const bool hasMax = tracker->maxSet();
    if (!hasMin && !hasMax) continue;
    const int decimals = tracker->effectiveDecimals();
    float min, max;
    {
      std::lock_guard<std::mutex> guard(tracker->info.lock);
      min = tracker->info.currentMin;
      max = tracker->info.currentMax;
    }
    char number[kFixedTextCapacity];
    text += value->fullName();
    text += '\t';
    if (hasMin) {
      formatFixed(min, number, '.', decimals, 0);
      text += number;
    } else {
      text += "nan";
    }
    text += '\t';
    if (hasMax) {
      formatFixed(max, number, '.', decimals, 0);
      text += number;
    } else {
      text += "nan";
    }
    text += '\n';
  }
  return text;
}

std::string dumpExtremes(const std::string& path) {
  const std::string text = extremesText();
  std::FILE* file = std::fopen(path.c_str(), "w");
  if (file == nullptr) return std::string();
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  if (std::fclose(file) != 0 || !written) return std::string();
  return path;
}

}  // namespace zrl
