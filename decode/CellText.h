// The CSV cell text of a value, as DataValue::toText writes it.
//
// A decode owns its values alone, so cells are formatted straight from the
// value's fields without taking the value's lock.
#pragma once

#include <cfloat>
#include <cmath>
#include <cstring>

#include "values/DataValue.h"
#include "values/Format.h"

namespace zrl {

// `out` needs kValueTextCapacity bytes. Returns the length.
inline int cellText(const DataValue& v, char* out, char decimalSeparator, int floatFormat,
                    int decimals) {
  return v.toTextUnlocked(out, decimalSeparator, floatFormat, decimals);
}

// A Float cell with its digits: "nan" for infinities and NaN.
inline int formatFloatCell(float x, char* out, char decimalSeparator, int digits) {
  if (!(std::fabs(x) <= FLT_MAX)) {
    std::memcpy(out, "nan", 4);
    return 3;
  }
  return formatFixed(x, out, decimalSeparator, digits, 0);
}

}  // namespace zrl
