// A small JSON reader and writer helpers for the value model's JSON forms.
// (The engine stays free of external JSON libraries.)
#pragma once

#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace zrl {

class JsonValue {
 public:
  enum class Type { Null, Bool, Number, String, Array, Object };

  JsonValue() = default;
  static JsonValue boolean(bool b);
  static JsonValue number(double d);
  static JsonValue string(std::string s);

  Type type() const { return type_; }
  bool isNull() const { return type_ == Type::Null; }
  bool isBool() const { return type_ == Type::Bool; }
  bool isNumber() const { return type_ == Type::Number; }
  bool isString() const { return type_ == Type::String; }
  bool isArray() const { return type_ == Type::Array; }
  bool isObject() const { return type_ == Type::Object; }

  bool asBool() const { return bool_; }
  double asNumber() const { return number_; }
  const std::string& asString() const { return string_; }
  const std::vector<JsonValue>& items() const { return items_; }
  const std::map<std::string, JsonValue>& members() const { return members_; }

  // Member of an object, or null when absent (or not an object).
  const JsonValue* find(const std::string& key) const;

  // Parses a complete JSON text (RFC 8259; surrounding white space allowed).
  // On failure returns false and describes the problem in `error`.
  static bool parse(const std::string& text, JsonValue& out, std::string* error = nullptr);

 private:
  friend class JsonParser;
  Type type_ = Type::Null;
  bool bool_ = false;
  double number_ = 0;
  std::string string_;
  std::vector<JsonValue> items_;
  std::map<std::string, JsonValue> members_;
};

// Writes `text` as a JSON string literal (quotes and escapes).
void writeJsonString(std::ostream& out, const std::string& text);
// Writes a number: integers without a fraction, others with up to 17
// significant digits; infinities as 1e+9999 / -1e+9999 (which read back as
// infinities) and NaN as null.
void writeJsonNumber(std::ostream& out, double value);
// A single precision number with the 9 significant digits that read back
// to the same float; infinities and NaN as for writeJsonNumber.
void writeJsonFloat(std::ostream& out, float value);

}  // namespace zrl
