// The CSV cell text of a value, as DataValue::toText writes it.
//
// A decode owns its values alone, so cells are formatted straight from the
// value's fields without taking the value's lock.
#pragma once

#include "values/DataValue.h"

namespace zrl {

// `out` needs kValueTextCapacity bytes. Returns the length.
inline int cellText(const DataValue& v, char* out, char decimalSeparator, int floatFormat,
                    int decimals) {
  return v.toTextUnlocked(out, decimalSeparator, floatFormat, decimals);
}

}  // namespace zrl
