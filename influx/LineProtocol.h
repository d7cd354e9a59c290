// Rows as lines of the time-series server's text protocol:
//   measurement,tag=value,... field=value,... timestamp-in-ms
//
// Names are escaped where the protocol gives a character a meaning (comma
// and space everywhere, the equals sign in tags and field keys); string
// values are quoted. Numbers always use "." whatever the CSV's decimal
// separator, with the digits of the CSV's float format, so the server holds
// the values the CSV file shows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "values/DataValue.h"

namespace zrl {

// `text` escaped as a measurement name (comma, space).
std::string escapeMeasurement(std::string_view text);
// `text` escaped as a tag key, tag value or field key (comma, equals, space).
std::string escapeKey(std::string_view text);
// `text` as a quoted string field value (backslash and double quote escaped).
void appendQuoted(std::string& out, std::string_view text);

// Why the server could not keep `name` as given ("" when it can). The
// protocol has no escape for a backslash itself: one at the end of a name,
// or before a character escaped in that place, is read differently by the
// server's parts (lines refused, or points kept under another name where
// no query finds them). Any other backslash is kept as it is.
std::string measurementNameProblem(std::string_view name);
// The same for a tag key, tag value or field key.
std::string keyNameProblem(std::string_view name);

struct PointField {
  std::string name;      // field key, not escaped
  uint8_t decimals = 0;  // Float decimals for the "Tarvik" float format
};

class PointEncoder {
 public:
  // Tags with an empty value are left out: the protocol has no empty tag.
  PointEncoder(const std::string& measurement,
               const std::vector<std::pair<std::string, std::string>>& tags,
               const std::vector<PointField>& fields, int32_t floatFormat);

  // Appends the line of one row (with its newline) to `out`. An empty cell,
  // or a number that is not finite, gives no field; a row without any field
  // gives no line and returns false.
  bool append(std::string& out, uint64_t rowMs, const DataValue* const* cells) const;

 private:
  std::string prefix_;            // escaped measurement and tags
  std::vector<std::string> keys_;  // escaped field keys followed by '='
  std::vector<uint8_t> decimals_;
  int32_t floatFormat_;
};

}  // namespace zrl
