#include "decode/RowFilter.h"

#include <algorithm>
#include <cstring>

#include "decode/LeadingNumber.h"

namespace zrl {

RowFilter::RowFilter(const std::vector<RowFilterEntry>& filters, const std::string& fullName) {
  for (const RowFilterEntry& entry : filters) {
    if (entry.name != fullName) continue;
    const bool maximum = entry.kind == "maximum";
    if (!maximum && entry.kind != "minimum") continue;
    rules_.push_back({maximum, readLeadingFloat(entry.limitText.data(), entry.limitText.size())});
  }
}

bool RowFilter::dropsRow(const char* cell, std::size_t length, char decimalSeparator) const {
  if (rules_.empty()) return false;
  double number;
  if (decimalSeparator != '.') {
    // Cells are short (value texts), so a fixed copy is enough; longer texts
    // only matter for their leading number anyway.
    char copy[128];
    const std::size_t n = std::min(length, sizeof copy);
    std::memcpy(copy, cell, n);
    std::replace(copy, copy + n, ',', '.');
    number = readLeadingDouble(copy, n);
  } else {
    number = readLeadingDouble(cell, length);
  }
  for (const Rule& rule : rules_) {
    const double limit = rule.limit;
    if (rule.maximum ? number >= limit : number <= limit) return true;
  }
  return false;
}

}  // namespace zrl
