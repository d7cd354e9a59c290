// A named group of values, with the JSON and text forms of groups and values.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "values/DataValue.h"
#include "values/model/NodeDataValueAdd.h"

namespace zrl {

class NodeData {
 public:
  static constexpr std::size_t kMaxValues = 1024;

  NodeData() = default;
  explicit NodeData(const std::string& groupName);
  // Copies the name, id, the two user words and every value (values of the
  // copy belong to the copy; tracking nodes are not copied).
  NodeData(const NodeData& other);
  NodeData& operator=(const NodeData& other);
  virtual ~NodeData();

  // Sets the name; a non-empty name of a group without id registers it.
  void setName(const std::string& groupName);

  // The value named `valueName` ("," and "." replaced by "_"), created as an
  // UnknownDt value (registered, with a tracking node) when absent. When the
  // group is full a message is printed and the first value is returned.
  NodeDataValue& value(const std::string& valueName);
  // The value, or null when absent (name used as given).
  NodeDataValue* find(const std::string& valueName) const;
  std::size_t size() const { return values.size(); }

  // Pairwise arithmetic in map order, up to the shorter group.
  NodeData& operator+=(const NodeData& other);
  NodeData& operator-=(const NodeData& other);
  // A copy with every value multiplied / divided by `n` (as a Float).
  NodeData operator*(unsigned n) const;
  NodeData operator/(unsigned n) const;

  // Assigns the values `other` shares with this group and copies the others
  // in; values that no longer fit (1024 limit) are left out, with the message.
  void merge(const NodeData& other);

  // {"id":<group id>,"name":"<name>"}
  std::string toJson() const;
  // One member per value whose tracking node has persistent info applied:
  // {"<value name>":{<persistent info>},...}
  std::string persistentInfosJson() const;
  // Applies the members of such an object to the values of the same names.
  void applyPersistentInfos(const std::string& json);
  // {{"group":"<name>"},{"values":[{"<value name>":<value text>},...]}
  std::string toText() const;

  std::string name;
  int16_t id = -1;
  int32_t userWord1 = 0;
  int32_t userWord2 = 0;
  // Ordered by name, so that every form of a group lists its values in the
  // same, reproducible order.
  std::map<std::string, std::unique_ptr<NodeDataValue>> values;

 private:
  NodeDataValue* insertNew(const std::string& key);
  void copyValuesFrom(const NodeData& other);
  void releaseValues();

  // Tracking nodes of the values this group created.
  std::map<std::string, std::unique_ptr<NodeDataValueAdd>> trackers_;
};

// JSON forms of a value:
//   {"id":"<full name>","value":"<stream text>","unit":"<symbol>"}, or
//   null when the value belongs to no group.
std::string valueToJson(const NodeDataValue& value);
//   The same plus "name", "type", "group", "unitSym" and the persistent
//   info members of its tracking node.
std::string valueToRichJson(const NodeDataValue& value);
//   {"id":<group id * 65536 + id>,"history":[[<ms>,<value>],...],
//    "oldestTs":<ms of the oldest sample, 0 when none>}
std::string valueHistoryJson(const NodeDataValue& value);

// Extremes of every registered tracked value whose minimum or maximum was
// ever set: "FullName\tMin\tMax\n", then one line per value.
std::string extremesText();
// Writes extremesText() to `path` and returns the path; empty when the file
// cannot be written.
constexpr const char* kExtremesPath = "/tmp/CurrentExtremas.csv";
std::string dumpExtremes(const std::string& path = kExtremesPath);

}  // namespace zrl
