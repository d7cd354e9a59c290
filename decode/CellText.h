// The CSV cell text of a value, as DataValue::toText writes it.
//
// A decode owns its values alone, so cells are formatted straight from the
// value's fields without taking the value's lock.
#pragma once

#include "values/DataValue.h"
#include "values/FixedText.h"
#include "values/Format.h"

namespace zrl {

// `out` needs kValueTextCapacity bytes. Returns the length.
inline int cellText(const DataValue& v, char* out, char decimalSeparator, int floatFormat,
                    int decimals) {
  return v.toTextUnlocked(out, decimalSeparator, floatFormat, decimals);
}

// A Float cell with its digits (0-9): "nan" for infinities and NaN.
inline int formatFloatCell(float x, char* out, char decimalSeparator, int digits) {
  return fixedtext::formatFloat(x, out, decimalSeparator, digits);
}

// A Double cell with its digits (0-9).
inline int formatDoubleCell(double x, char* out, char decimalSeparator, int digits) {
  return fixedtext::formatDouble(x, out, decimalSeparator, digits);
}

}  // namespace zrl
