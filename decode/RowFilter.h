// Row filters of one CSV column: a row is not written when the column's
// cell reads at or below a "minimum" limit, or at or above a "maximum" one.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "decode/DecodeSettings.h"

namespace zrl {

class RowFilter {
 public:
  // Keeps, in list order, the entries of `filters` named exactly `fullName`
  // with kind "minimum" or "maximum" (other kinds never drop a row).
  RowFilter(const std::vector<RowFilterEntry>& filters, const std::string& fullName);
  RowFilter() = default;

  bool empty() const { return rules_.empty(); }

  // True when the cell text drops the row. The cell is read as a C-locale
  // number (an empty or non-numeric text reads as 0); with a decimal
  // separator other than "." its commas are read as points. NaN drops nothing.
  bool dropsRow(const char* cell, std::size_t length, char decimalSeparator) const;

 private:
  struct Rule {
    bool maximum;
    float limit;  // limits are single precision: 0.1 is 0.100000001490116
  };
  std::vector<Rule> rules_;
};

}  // namespace zrl
