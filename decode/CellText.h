// The CSV cell text of a value, as DataValue::toText writes it.
//
// A decode owns its values alone, so the two kinds that fill most cells,
// Integer and Float, are formatted straight from the value's fields without
// taking the value's lock; every other kind goes through toText.
#pragma once

#include <cfloat>
#include <cmath>
#include <cstring>

#include "values/DataValue.h"
#include "values/Format.h"

// `out` needs kValueTextCapacity bytes. Returns the length.
inline int cellText(const DataValue& v, char* out, char decimalSeparator, int floatFormat,
                    int decimals) {
  if (v.type == DataValueKind::Integer) {
    int32_t i;
    std::memcpy(&i, v.value, sizeof i);
    return formatInt(i, out, 0);
  }
  if (v.type == DataValueKind::Float) {
    float x;
    std::memcpy(&x, v.value, sizeof x);
    if (!(std::fabs(x) <= FLT_MAX)) {  // infinities and NaN
      std::memcpy(out, "nan", 4);
      return 3;
    }
    static const int kDecimalsOfFormat[] = {0, 1, 3, 5, 7};
    const int digits = floatFormat == 0                        ? decimals
                       : floatFormat > 0 && floatFormat <= 4 ? kDecimalsOfFormat[floatFormat]
                                                               : 8;
    return formatFixed(x, out, decimalSeparator, digits, 0);
  }
  return v.toText(out, kValueTextCapacity, decimalSeparator, floatFormat, decimals);
}
