// The tagged value that holds every decoded sample.
//
// A value knows its kind, carries its payload inline (32 bytes), and offers
// typed getters and setters, copying, comparison and arithmetic, and its CSV
// cell text. It never throws: a request that does not fit the value's kind
// prints one line on standard output and returns a neutral result, so a bad
// sample never aborts a decode.
//
// Construction, copying, assignment and toText() into a buffer never
// allocate; only the std::string convenience forms do.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>

#include "values/Format.h"

namespace zrl {

class NodeData;
class NodeDataValueAdd;

// Kind codes of a value (32-bit). Scoped because Boolean, Integer, Float and
// String are too generic for global names: write DataValueKind::Float.
enum class DataValueKind : int32_t {
  UnknownDt = 0,
  Boolean = 1,
  Integer = 2,
  Float = 3,
  String = 4,   // at most 31 bytes, NUL-terminated
  CanFrame = 5,
  TimeStamp = 6,
  Double = 7    // a logged double, kept in its 8 bytes
};

// "UnknownDt", "Boolean", ... for 0-7; "Unknown" for any other code.
const char* kindName(int32_t code);
inline const char* kindName(DataValueKind kind) { return kindName(static_cast<int32_t>(kind)); }

// CAN frame record in the SocketCAN layout (16 bytes).
constexpr uint32_t kCanExtendedFlag = 0x80000000U;  // 29-bit identifier
constexpr uint32_t kCanRemoteFlag = 0x40000000U;    // remote transmission request
constexpr uint32_t kCanErrorFlag = 0x20000000U;     // error frame
constexpr uint32_t kCanExtendedMask = 0x1FFFFFFFU;
constexpr uint32_t kCanStandardMask = 0x7FFU;
struct can_frame {
  uint32_t can_id;
  uint8_t can_dlc;  // number of data bytes, normally 0-8
  uint8_t reserved[3];
  alignas(8) uint8_t data[8];
};
static_assert(sizeof(can_frame) == 16, "can_frame must keep its 16-byte layout");

// Longest CAN frame text ("1FFFFFFF#11 22 33 44 55 66 77 88") plus NUL.
constexpr std::size_t kCanFrameTextCapacity = 33;

// Frame text "ID#DD DD ..." (upper-case hex; "R" and the length for remote
// requests) into `buffer` (kCanFrameTextCapacity bytes when separator is a
// single character and maxDataBytes <= 8). Returns the length.
int formatCanFrame(char* buffer, const can_frame& frame, char separator, unsigned maxDataBytes);
// Inverse of formatCanFrame: hex identifier, then up to 8 bytes each preceded
// by one separator character. Returns false (frame zeroed) for an empty text
// or one that does not start with a hex digit.
bool parseCanFrame(can_frame& frame, const char* text);

// Size of a buffer that holds any toText() result, NUL included: the longest
// text is a Double near the double precision maximum (309 integer digits,
// sign, separator and 9 decimals = 320 characters); a Float needs at most 50,
// the extended CAN frame text 32 and a String 31.
constexpr std::size_t kValueTextCapacity = 328;

// The value's lock: tiny, non-recursive, never copied. Values are locked only
// for a few instructions, and in the decoder never by two threads, so a spin
// lock with a yield under contention is enough and keeps values small.
class ValueLock {
 public:
  ValueLock() = default;
  ValueLock(const ValueLock&) = delete;
  ValueLock& operator=(const ValueLock&) = delete;
  void lock() noexcept;
  void unlock() noexcept { locked_.store(false, std::memory_order_release); }

 private:
  std::atomic<bool> locked_{false};
};

class DataValue {
 public:
  DataValue() noexcept;
  DataValue(bool v) noexcept;
  DataValue(uint8_t v) noexcept;
  DataValue(uint16_t v) noexcept;
  DataValue(int32_t v) noexcept;
  DataValue(float v) noexcept;
  DataValue(double v) noexcept;
  DataValue(const std::string& v) noexcept;
  DataValue(const char* v) noexcept;
  DataValue(const can_frame& v) noexcept;
  DataValue(const TimeSpec32& v) noexcept;
  // A fresh value (own lock, id -1, no links) assigned from `other`.
  DataValue(const DataValue& other) noexcept;

  // Copies kind, payload and unit, and the id when this value has none. An
  // UnknownDt source is refused with a message and changes nothing. The
  // group and tracking links are never copied.
  DataValue& operator=(const DataValue& other) noexcept;

  // Raw setters: switch the kind (zeroing the payload) when it differs, then
  // store. Unit, id and links are untouched.
  DataValue& operator=(bool v) noexcept;
  DataValue& operator=(uint8_t v) noexcept;
  DataValue& operator=(uint16_t v) noexcept;
  DataValue& operator=(int32_t v) noexcept;
  DataValue& operator=(float v) noexcept;
  DataValue& operator=(double v) noexcept;
  DataValue& operator=(const std::string& v) noexcept;
  DataValue& operator=(const char* v) noexcept;  // null stores ""
  DataValue& operator=(const can_frame& v) noexcept;
  DataValue& operator=(const TimeSpec32& v) noexcept;

  DataValueKind kind() const noexcept { return type; }

  // Typed getters; a kind that does not fit prints "<fullName> is not ..."
  // and returns the neutral result.
  bool getBool() const;
  int32_t getInt() const;    // Float rounded half away from zero
  float getFloat() const;    // Integer and Double converted to single precision
  double getDouble() const;  // Integer, Float and Double as a double
  std::string getString() const;
  bool getCanFrame(can_frame& out) const;  // out untouched on failure
  std::string getCanFrameText() const;
  TimeSpec32 getTimeStamp() const;         // (0, 0) on failure

  // A Double value (the double constructor and setter give a Float).
  static DataValue ofDouble(double v) noexcept;

  void setUnit(int32_t code) noexcept { unit = code; }

  // Group name, ".", registered variable name; empty without a group.
  std::string fullName() const;

  // CSV cell text into `buffer` (at least kValueTextCapacity bytes; the
  // capacity argument is not used for bounds). Returns the length. UnknownDt
  // writes nothing at all (not even a NUL) and returns 0.
  //   Boolean "true"/"false"; Integer decimal; Float fixed-point with the
  //   decimals of `floatFormat` (0: `decimals`, 1: 1, 2: 3, 3: 5, 4: 7,
  //   other: 8), or "nan" when not finite; Double the same, correctly
  //   rounded from the double; String as stored; CanFrame its frame text;
  //   TimeStamp the count of microseconds since 1970.
  int toText(char* buffer, std::size_t capacity, char decimalSeparator, int floatFormat,
             int decimals) const;
  std::string toText(char decimalSeparator = '.', int floatFormat = 0, int decimals = 6) const;
  // The same text without taking the value's lock, for an owner that no
  // other thread can reach (the decode's own cells).
  int toTextUnlocked(char* buffer, char decimalSeparator, int floatFormat, int decimals) const;

  // Diagnostic stream form (Float with precision 9, TimeStamp in
  // microseconds), optionally followed by a space and the unit symbol.
  void writeTo(std::ostream& out, bool withUnit) const;

  // Arithmetic: scalars (Integer, Float) mix and are computed through single
  // precision; strings concatenate (31 bytes at most). Other combinations
  // print a message and leave the value unchanged.
  DataValue& operator+=(const DataValue& r);
  DataValue& operator-=(const DataValue& r);
  DataValue& operator*=(const DataValue& r);
  DataValue& operator/=(const DataValue& r);
  DataValue& operator++();
  DataValue& operator--();

  // Primary comparisons; the others are their negations (see below).
  bool operator==(const DataValue& r) const;
  bool operator<(const DataValue& r) const;
  bool operator!=(const DataValue& r) const { return !(*this == r); }
  bool operator<=(const DataValue& r) const { return *this < r || *this == r; }
  bool operator>(const DataValue& r) const { return !(*this <= r); }
  bool operator>=(const DataValue& r) const { return !(*this < r); }

  // Fields (kept in this order; the wider value model reads them directly).
  DataValueKind type;
  NodeDataValueAdd* tracker;  // not owned; null for decoder values
  mutable ValueLock mutex;
  int16_t id;                 // variable registry index, -1 = not set
  NodeData* parent;           // not owned; null for decoder values
  alignas(8) unsigned char value[32];
  int32_t unit;               // Unit code, 0 = none

 private:
  enum class ArithOp { Add, Sub, Mul, Div };
  DataValue& arithmetic(ArithOp op, const DataValue& r);
  // Tells the tracking node, if any, that the value changed (see
  // ValueModelHooks.h, where it and fullName() are defined).
  void notifyTracker();
  void clearAs(DataValueKind kind) noexcept;
  void storeString(const char* text, std::size_t length) noexcept;
  // Cell text of a payload of the given kind (toText and toTextUnlocked).
  static int payloadText(DataValueKind kind, const unsigned char* payload, char* buffer,
                         char decimalSeparator, int floatFormat, int decimals);
  // Payload accessors for callers that hold the lock.
  int32_t intUnlocked() const noexcept;
  float floatUnlocked() const noexcept;
};

std::ostream& operator<<(std::ostream& out, const DataValue& v);

// The value type every part of the program creates, stores and copies.
class NodeDataValue : public DataValue {
 public:
  using DataValue::DataValue;
  using DataValue::operator=;
  NodeDataValue() noexcept = default;
  NodeDataValue(const NodeDataValue& other) noexcept = default;
  NodeDataValue(const DataValue& other) noexcept : DataValue(other) {}
  NodeDataValue& operator=(const NodeDataValue& other) noexcept {
    DataValue::operator=(other);
    return *this;
  }
  virtual ~NodeDataValue() = default;

  NodeDataValue& operator+=(const DataValue& r) { DataValue::operator+=(r); return *this; }
  NodeDataValue& operator-=(const DataValue& r) { DataValue::operator-=(r); return *this; }
  NodeDataValue& operator*=(const DataValue& r) { DataValue::operator*=(r); return *this; }
  NodeDataValue& operator/=(const DataValue& r) { DataValue::operator/=(r); return *this; }
  NodeDataValue& operator++() { DataValue::operator++(); return *this; }
  NodeDataValue& operator--() { DataValue::operator--(); return *this; }
  // Postfix: returns a copy taken before the change.
  NodeDataValue operator++(int) { NodeDataValue before(*this); ++*this; return before; }
  NodeDataValue operator--(int) { NodeDataValue before(*this); --*this; return before; }
};

// Binary operators work on a copy of the left operand.
inline NodeDataValue operator+(NodeDataValue l, const DataValue& r) { return l += r; }
inline NodeDataValue operator-(NodeDataValue l, const DataValue& r) { return l -= r; }
inline NodeDataValue operator*(NodeDataValue l, const DataValue& r) { return l *= r; }
inline NodeDataValue operator/(NodeDataValue l, const DataValue& r) { return l /= r; }

}  // namespace zrl
