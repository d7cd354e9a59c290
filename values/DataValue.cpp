// Construction, copying, getters and text forms of values (see DataValue.h).
#include "values/DataValue.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <mutex>
#include <ostream>
#include <thread>

#include "values/Diagnostics.h"
#include "values/Units.h"

namespace zrl {

namespace {

using Guard = std::lock_guard<ValueLock>;

constexpr std::size_t kStringMax = 31;

const char* const kKindNames[] = {"UnknownDt", "Boolean",  "Integer",   "Float",
                                  "String",    "CanFrame", "TimeStamp", "Double"};

}  // namespace

const char* kindName(int32_t code) {
  if (code < 0 || code > 7) return "Unknown";
  return kKindNames[code];
}

void ValueLock::lock() noexcept {
  while (locked_.exchange(true, std::memory_order_acquire)) {
    while (locked_.load(std::memory_order_relaxed)) std::this_thread::yield();
  }
}

// ---- construction ----

DataValue::DataValue() noexcept
    : type(DataValueKind::UnknownDt), tracker(nullptr), id(-1), parent(nullptr), value{}, unit(0) {}

DataValue::DataValue(bool v) noexcept : DataValue() {
  type = DataValueKind::Boolean;
  std::memcpy(value, &v, 1);
}

DataValue::DataValue(uint8_t v) noexcept : DataValue(static_cast<int32_t>(v)) {}
DataValue::DataValue(uint16_t v) noexcept : DataValue(static_cast<int32_t>(v)) {}

DataValue::DataValue(int32_t v) noexcept : DataValue() {
  type = DataValueKind::Integer;
  std::memcpy(value, &v, sizeof v);
}

DataValue::DataValue(float v) noexcept : DataValue() {
  type = DataValueKind::Float;
  std::memcpy(value, &v, sizeof v);
}

DataValue::DataValue(double v) noexcept : DataValue(static_cast<float>(v)) {}

DataValue DataValue::ofDouble(double v) noexcept {
  DataValue d;
  d.type = DataValueKind::Double;
  std::memcpy(d.value, &v, sizeof v);
  return d;
}

DataValue::DataValue(const std::string& v) noexcept : DataValue() {
  type = DataValueKind::String;
  storeString(v.data(), v.size());
}

DataValue::DataValue(const char* v) noexcept : DataValue() {
  type = DataValueKind::String;
  if (v != nullptr) storeString(v, std::strlen(v));
}

DataValue::DataValue(const can_frame& v) noexcept : DataValue() {
  type = DataValueKind::CanFrame;
  std::memcpy(value, &v, sizeof v);
}

DataValue::DataValue(const TimeSpec32& v) noexcept : DataValue() {
  type = DataValueKind::TimeStamp;
  std::memcpy(value, &v, sizeof v);
}

DataValue::DataValue(const DataValue& other) noexcept : DataValue() { *this = other; }

// ---- assignment ----

DataValue& DataValue::operator=(const DataValue& other) noexcept {
  if (this == &other) return *this;
  if (other.type == DataValueKind::UnknownDt) {
    printDiagnosticLine(fullName() + ": set an unknown type is forbidden, from NdV " + other.fullName());
    return *this;
  }
  Guard guard(mutex);
  unit = other.unit;
  if (id == -1) id = other.id;
  type = other.type;
  // Every setter keeps the bytes a kind does not use at zero, so copying the
  // whole payload copies exactly the used bytes and zeroes the rest.
  std::memcpy(value, other.value, sizeof value);
  return *this;
}

void DataValue::clearAs(DataValueKind kind) noexcept {
  if (type != kind) {
    std::memset(value, 0, sizeof value);
    type = kind;
  }
}

void DataValue::storeString(const char* text, std::size_t length) noexcept {
  if (length > kStringMax) length = kStringMax;
  // Zero-fill the rest so that the unused payload bytes stay zero.
  std::memcpy(value, text, length);
  std::memset(value + length, 0, sizeof value - length);
}

DataValue& DataValue::operator=(bool v) noexcept {
  Guard guard(mutex);
  clearAs(DataValueKind::Boolean);
  std::memcpy(value, &v, 1);
  return *this;
}

DataValue& DataValue::operator=(uint8_t v) noexcept { return *this = static_cast<int32_t>(v); }
DataValue& DataValue::operator=(uint16_t v) noexcept { return *this = static_cast<int32_t>(v); }

DataValue& DataValue::operator=(int32_t v) noexcept {
  Guard guard(mutex);
  clearAs(DataValueKind::Integer);
  std::memcpy(value, &v, sizeof v);
  return *this;
}

DataValue& DataValue::operator=(float v) noexcept {
  Guard guard(mutex);
  clearAs(DataValueKind::Float);
  std::memcpy(value, &v, sizeof v);
  return *this;
}

DataValue& DataValue::operator=(double v) noexcept { return *this = static_cast<float>(v); }

DataValue& DataValue::operator=(const std::string& v) noexcept {
  Guard guard(mutex);
  type = DataValueKind::String;
  storeString(v.data(), v.size());
  return *this;
}

DataValue& DataValue::operator=(const char* v) noexcept {
  Guard guard(mutex);
  type = DataValueKind::String;
  if (v != nullptr) {
    storeString(v, std::strlen(v));
  } else {
    storeString("", 0);
  }
  return *this;
}

DataValue& DataValue::operator=(const can_frame& v) noexcept {
  Guard guard(mutex);
  clearAs(DataValueKind::CanFrame);
  std::memcpy(value, &v, sizeof v);
  return *this;
}

DataValue& DataValue::operator=(const TimeSpec32& v) noexcept {
  Guard guard(mutex);
  clearAs(DataValueKind::TimeStamp);
  std::memcpy(value, &v, sizeof v);
  return *this;
}

// ---- getters ----

int32_t DataValue::intUnlocked() const noexcept {
  int32_t v;
  std::memcpy(&v, value, sizeof v);
  return v;
}

float DataValue::floatUnlocked() const noexcept {
  float v;
  std::memcpy(&v, value, sizeof v);
  return v;
}

bool DataValue::getBool() const {
  {
    Guard guard(mutex);
    if (type == DataValueKind::Boolean) return value[0] != 0;
  }
  printDiagnosticLine(fullName() + " is not boolean");
  return false;
}

int32_t DataValue::getInt() const {
  {
    Guard guard(mutex);
    if (type == DataValueKind::Integer) return intUnlocked();
    if (type == DataValueKind::Float) {
      const double x = floatUnlocked();
      const double rounded = x >= 0 ? std::trunc(x + 0.5) : std::trunc(x - 0.5);
      // Saturate instead of leaving out-of-range conversions undefined.
      if (std::isnan(rounded)) return 0;
      if (rounded >= 2147483647.0) return INT32_MAX;
      if (rounded <= -2147483648.0) return INT32_MIN;
      return static_cast<int32_t>(rounded);
    }
  }
  printDiagnosticLine(fullName() + " is not scalar");
  return 0;
}

float DataValue::getFloat() const {
  {
    Guard guard(mutex);
    if (type == DataValueKind::Float) return floatUnlocked();
    if (type == DataValueKind::Integer) return static_cast<float>(intUnlocked());
    if (type == DataValueKind::Double) {
      double d;
      std::memcpy(&d, value, sizeof d);
      return static_cast<float>(d);
    }
  }
  printDiagnosticLine(fullName() + " is not scalar");
  return 0.0f;
}

double DataValue::getDouble() const {
  {
    Guard guard(mutex);
    if (type == DataValueKind::Double) {
      double d;
      std::memcpy(&d, value, sizeof d);
      return d;
    }
    if (type == DataValueKind::Float) return floatUnlocked();
    if (type == DataValueKind::Integer) return intUnlocked();
  }
  printDiagnosticLine(fullName() + " is not scalar");
  return 0.0;
}

std::string DataValue::getString() const {
  {
    Guard guard(mutex);
    if (type == DataValueKind::String) {
      const char* text = reinterpret_cast<const char*>(value);
      return std::string(text, strnlen(text, kStringMax));
    }
  }
  printDiagnosticLine(fullName() + " is not string");
  return std::string();
}

bool DataValue::getCanFrame(can_frame& out) const {
  {
    Guard guard(mutex);
    if (type == DataValueKind::CanFrame) {
      std::memcpy(&out, value, sizeof out);
      return true;
    }
  }
  printDiagnosticLine(fullName() + " is not can_frame");
  return false;
}

std::string DataValue::getCanFrameText() const {
  can_frame frame;
  if (!getCanFrame(frame)) return std::string();  // same message line
  char text[kCanFrameTextCapacity];
  const int n = formatCanFrame(text, frame, ' ', 8);
  return std::string(text, static_cast<std::size_t>(n));
}

TimeSpec32 DataValue::getTimeStamp() const {
  {
    Guard guard(mutex);
    if (type == DataValueKind::TimeStamp) {
      TimeSpec32 ts;
      std::memcpy(&ts, value, sizeof ts);
      return ts;
    }
  }
  printDiagnosticLine(fullName() + " is not timestamp");
  return TimeSpec32{0, 0};
}

// ---- text forms ----

int DataValue::toText(char* buffer, std::size_t /*capacity*/, char decimalSeparator, int floatFormat,
                      int decimals) const {
  // One short locked snapshot, then formatting from the copy: no lock is
  // held while writing the text.
  DataValueKind kind;
  alignas(8) unsigned char payload[sizeof value];
  {
    Guard guard(mutex);
    kind = type;
    std::memcpy(payload, value, sizeof payload);
  }
  return payloadText(kind, payload, buffer, decimalSeparator, floatFormat, decimals);
}

int DataValue::toTextUnlocked(char* buffer, char decimalSeparator, int floatFormat,
                              int decimals) const {
  return payloadText(type, value, buffer, decimalSeparator, floatFormat, decimals);
}

int DataValue::payloadText(DataValueKind kind, const unsigned char* payload, char* buffer,
                           char decimalSeparator, int floatFormat, int decimals) {
  switch (kind) {
    case DataValueKind::Boolean:
      if (payload[0] != 0) {
        std::memcpy(buffer, "true", 5);
        return 4;
      }
      std::memcpy(buffer, "false", 6);
      return 5;
    case DataValueKind::Integer: {
      int32_t v;
      std::memcpy(&v, payload, sizeof v);
      return formatInt(v, buffer, 0);
    }
    case DataValueKind::Float: {
      float x;
      std::memcpy(&x, payload, sizeof x);
      if (!(std::fabs(x) <= FLT_MAX)) {  // infinities and NaN
        std::memcpy(buffer, "nan", 4);
        return 3;
      }
      return formatFixed(x, buffer, decimalSeparator, floatDigits(floatFormat, decimals), 0);
    }
    case DataValueKind::Double: {
      double x;
      std::memcpy(&x, payload, sizeof x);
      return formatDoubleFixed(x, buffer, decimalSeparator, floatDigits(floatFormat, decimals));
    }
    case DataValueKind::String: {
      const std::size_t n = strnlen(reinterpret_cast<const char*>(payload), kStringMax);
      std::memcpy(buffer, payload, n);
      buffer[n] = '\0';
      return static_cast<int>(n);
    }
    case DataValueKind::CanFrame: {
      can_frame frame;
      std::memcpy(&frame, payload, sizeof frame);
      return formatCanFrame(buffer, frame, ' ', 8);
    }
    case DataValueKind::TimeStamp: {
      TimeSpec32 ts;
      std::memcpy(&ts, payload, sizeof ts);
      const int64_t us = static_cast<int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
      if (us < 0) {
        // Moments before 1970 keep their sign instead of wrapping around.
        buffer[0] = '-';
        return 1 + formatUInt64(0ULL - static_cast<uint64_t>(us), buffer + 1);
      }
      return formatUInt64(static_cast<uint64_t>(us), buffer);
    }
    default:
      return 0;
  }
}

std::string DataValue::toText(char decimalSeparator, int floatFormat, int decimals) const {
  char text[kValueTextCapacity];
  text[0] = '\0';
  const int n = toText(text, sizeof text, decimalSeparator, floatFormat, decimals);
  return std::string(text, static_cast<std::size_t>(n));
}

void DataValue::writeTo(std::ostream& out, bool withUnit) const {
  switch (type) {
    case DataValueKind::Boolean:
      out << (getBool() ? "true" : "false");
      break;
    case DataValueKind::Integer:
      out << getInt();
      break;
    case DataValueKind::Float: {
      const std::ios_base::fmtflags flags = out.flags();
      const std::streamsize precision = out.precision();
      out.unsetf(std::ios_base::floatfield);
      out.precision(9);
      out << getFloat();
      out.flags(flags);
      out.precision(precision);
      break;
    }
    case DataValueKind::Double: {
      const std::ios_base::fmtflags flags = out.flags();
      const std::streamsize precision = out.precision();
      out.unsetf(std::ios_base::floatfield);
      out.precision(17);
      out << getDouble();
      out.flags(flags);
      out.precision(precision);
      break;
    }
    case DataValueKind::String: {
      char text[kValueTextCapacity];
      const int n = toText(text, sizeof text, '.', 0, 0);
      out.write(text, n);
      break;
    }
    case DataValueKind::CanFrame:
      out << getCanFrameText();
      break;
    case DataValueKind::TimeStamp: {
      const TimeSpec32 ts = getTimeStamp();
      out << static_cast<int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
      break;
    }
    default:
      return;  // UnknownDt writes nothing, not even its unit
  }
  if (withUnit && unit != 0) out << ' ' << unitSymbol(unit);
}

std::ostream& operator<<(std::ostream& out, const DataValue& v) {
  v.writeTo(out, false);
  return out;
}

}  // namespace zrl
