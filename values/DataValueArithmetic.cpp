// Arithmetic and comparison operators of values (see DataValue.h).
#include <cmath>
#include <cstring>
#include <mutex>

#include "values/DataValue.h"
#include "values/Diagnostics.h"

namespace zrl {

namespace {

using Guard = std::lock_guard<ValueLock>;

bool isScalar(DataValueKind kind) {
  return kind == DataValueKind::Integer || kind == DataValueKind::Float;
}

const char* opText(int op) {
  static const char* const kTexts[] = {"+=", "-=", "*=", "/="};
  return kTexts[op];
}

// Truncation toward zero with a defined result for what does not fit:
// NaN gives 0, out-of-range values saturate.
int32_t truncateToInt32(double r) {
  if (std::isnan(r)) return 0;
  if (r >= 2147483647.0) return INT32_MAX;
  if (r <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(r);
}

// Name of the right operand in mismatch lines: its full name when it belongs
// to a group, otherwise "null".
std::string otherName(const DataValue& r) { return r.parent ? r.fullName() : std::string("null"); }

void printMismatch(const char* prefix, const DataValue& l, const DataValue& r) {
  printDiagnosticLine(prefix + l.fullName() + "' and " + kindName(r.type) + " " + otherName(r));
}

}  // namespace

DataValue& DataValue::arithmetic(ArithOp op, const DataValue& r) {
  const int opIndex = static_cast<int>(op);
  const DataValueKind rightKind = r.type;
  if (type == DataValueKind::UnknownDt) {
    Guard guard(mutex);
    clearAs(rightKind);  // starts as 0, 0.0 or the empty text
  }

  if (isScalar(type)) {
    if (!isScalar(rightKind)) {
      printDiagnosticLine(std::string("Cannot perform ") + opText(opIndex) + " with scalar and " +
                        kindName(rightKind));
      return *this;
    }
    const double a = getFloat();
    const double b = r.getFloat();
    double result = 0;
    switch (op) {
      case ArithOp::Add: result = a + b; break;
      case ArithOp::Sub: result = a - b; break;
      case ArithOp::Mul: result = a * b; break;
      case ArithOp::Div: result = a / b; break;
    }
    {
      Guard guard(mutex);
      if (rightKind == DataValueKind::Float || type == DataValueKind::Float) {
        clearAs(DataValueKind::Float);
        const float stored = static_cast<float>(result);
        std::memcpy(value, &stored, sizeof stored);
      } else {
        const int32_t stored = truncateToInt32(result);
        std::memcpy(value, &stored, sizeof stored);
      }
    }
    notifyTracker();
    return *this;
  }

  if (type == DataValueKind::String && op == ArithOp::Add) {
    if (rightKind != DataValueKind::String) {
      printDiagnosticLine(std::string("Cannot perform += with string and ") + kindName(rightKind));
      return *this;
    }
    // Read the right text first: it may be this very value.
    char appended[32];
    std::memcpy(appended, r.value, sizeof appended);
    appended[31] = '\0';
    Guard guard(mutex);
    const std::size_t used = strnlen(reinterpret_cast<const char*>(value), 31);
    const std::size_t room = 31 - used;
    std::size_t n = strnlen(appended, 31);
    if (n > room) n = room;
    std::memcpy(value + used, appended, n);
    value[used + n] = '\0';
    return *this;
  }

  if (op == ArithOp::Add) {
    printDiagnosticLine("+= on unknown or unsupported types");
  } else if (type == DataValueKind::String || rightKind == DataValueKind::String) {
    printDiagnosticLine(std::string("Cannot perform '") + opText(opIndex) + "' on strings");
  } else {
    printDiagnosticLine(std::string(opText(opIndex)) + " on unknown or unsupported types");
  }
  return *this;
}

DataValue& DataValue::operator+=(const DataValue& r) { return arithmetic(ArithOp::Add, r); }
DataValue& DataValue::operator-=(const DataValue& r) { return arithmetic(ArithOp::Sub, r); }
DataValue& DataValue::operator*=(const DataValue& r) { return arithmetic(ArithOp::Mul, r); }
DataValue& DataValue::operator/=(const DataValue& r) { return arithmetic(ArithOp::Div, r); }
DataValue& DataValue::operator++() { return *this += DataValue(static_cast<int32_t>(1)); }
DataValue& DataValue::operator--() { return *this -= DataValue(static_cast<int32_t>(1)); }

bool DataValue::operator==(const DataValue& r) const {
  if (this == &r) return true;
  if (type == DataValueKind::UnknownDt || r.type == DataValueKind::UnknownDt) return false;
  switch (type) {
    case DataValueKind::Integer:
    case DataValueKind::Float:
      if (isScalar(r.type)) return getFloat() == r.getFloat();
      printMismatch("Cannot perform == between Scalar '", *this, r);
      return false;
    case DataValueKind::Boolean:
      if (r.type == DataValueKind::Boolean) {
        Guard guard(mutex);
        return value[0] == r.value[0];
      }
      printMismatch("Cannot perform == between Boolean '", *this, r);
      return false;
    case DataValueKind::String:
      if (r.type == DataValueKind::String) {
        Guard guard(mutex);
        return std::strncmp(reinterpret_cast<const char*>(value),
                            reinterpret_cast<const char*>(r.value), sizeof value) == 0;
      }
      printMismatch("Cannot perform == between String '", *this, r);
      return false;
    case DataValueKind::CanFrame:
      if (r.type == DataValueKind::CanFrame) {
        Guard guard(mutex);
        return std::memcmp(value, r.value, sizeof(can_frame)) == 0;
      }
      printMismatch("Cannot perform == between CanFrame '", *this, r);
      return false;
    case DataValueKind::TimeStamp:
      if (r.type == DataValueKind::TimeStamp) {
        Guard guard(mutex);
        return std::memcmp(value, r.value, sizeof(TimeSpec32)) == 0;
      }
      printMismatch("Cannot perform == between TimeStamp '", *this, r);
      return false;
    default:
      printDiagnosticLine("Cannot perform == on unsupported types");
      return false;
  }
}

bool DataValue::operator<(const DataValue& r) const {
  if (type == DataValueKind::UnknownDt || r.type == DataValueKind::UnknownDt) {
    printDiagnosticLine("Cannot perform < with Unknown type: " + fullName() + ", " + otherName(r));
    return false;
  }
  switch (type) {
    case DataValueKind::Integer:
    case DataValueKind::Float:
      if (isScalar(r.type)) return getFloat() < r.getFloat();
      printMismatch("Cannot perform < between Scalar '", *this, r);
      return false;
    case DataValueKind::String:
      if (r.type == DataValueKind::String) {
        Guard guard(mutex);
        return std::strncmp(reinterpret_cast<const char*>(value),
                            reinterpret_cast<const char*>(r.value), sizeof value) < 0;
      }
      printMismatch("Cannot perform < between String '", *this, r);
      return false;
    default:
      printDiagnosticLine("Cannot perform < on unsupported types");
      return false;
  }
}

}  // namespace zrl
