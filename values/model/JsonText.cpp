// Small JSON reader and writer helpers (see JsonText.h).
#include "values/model/JsonText.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zrl {

JsonValue JsonValue::boolean(bool b) {
  JsonValue v;
  v.type_ = Type::Bool;
  v.bool_ = b;
  return v;
}

JsonValue JsonValue::number(double d) {
  JsonValue v;
  v.type_ = Type::Number;
  v.number_ = d;
  return v;
}

JsonValue JsonValue::string(std::string s) {
  JsonValue v;
  v.type_ = Type::String;
  v.string_ = std::move(s);
  return v;
}

const JsonValue* JsonValue::find(const std::string& key) const {
  if (type_ != Type::Object) return nullptr;
  const auto it = members_.find(key);
  return it == members_.end() ? nullptr : &it->second;
}

// Recursive-descent parser over the whole text.
class JsonParser {
 public:
  explicit JsonParser(const std::string& text) : text_(text) {}

  bool parseDocument(JsonValue& out) {
    skipSpace();
    if (!parseValue(out, 0)) return false;
    skipSpace();
    if (pos_ != text_.size()) return fail("unexpected text after the value");
    return true;
  }

  std::string error;

 private:
  // Deep nesting is refused rather than allowed to exhaust the stack.
  static constexpr int kMaxDepth = 200;

  bool fail(const char* what) {
    if (error.empty()) error = std::string(what) + " at offset " + std::to_string(pos_);
    return false;
  }

  void skipSpace() {
    while (pos_ < text_.size() &&
           (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\n' || text_[pos_] == '\r')) {
      ++pos_;
    }
  }

  bool literal(const char* word) {
    const std::size_t n = std::strlen(word);
    if (text_.compare(pos_, n, word) != 0) return fail("invalid literal");
    pos_ += n;
    return true;
  }

  bool parseValue(JsonValue& out, int depth) {
    if (depth > kMaxDepth) return fail("nesting too deep");
    if (pos_ >= text_.size()) return fail("unexpected end of text");
    const char c = text_[pos_];
    switch (c) {
      case '{': return parseObject(out, depth);
      case '[': return parseArray(out, depth);
      case '"':
        out.type_ = JsonValue::Type::String;
        return parseString(out.string_);
      case 't':
        out = JsonValue::boolean(true);
        return literal("true");
      case 'f':
        out = JsonValue::boolean(false);
        return literal("false");
      case 'n':
        out = JsonValue();
        return literal("null");
      default:
        if (c == '-' || (c >= '0' && c <= '9')) return parseNumber(out);
        return fail("unexpected character");
    }
  }

  bool parseObject(JsonValue& out, int depth) {
    out = JsonValue();
    out.type_ = JsonValue::Type::Object;
    ++pos_;  // '{'
    skipSpace();
    if (pos_ < text_.size() && text_[pos_] == '}') {
      ++pos_;
      return true;
    }
    for (;;) {
      skipSpace();
      if (pos_ >= text_.size() || text_[pos_] != '"') return fail("expected a member name");
      std::string key;
      if (!parseString(key)) return false;
      skipSpace();
      if (pos_ >= text_.size() || text_[pos_] != ':') return fail("expected ':'");
      ++pos_;
      skipSpace();
      JsonValue member;
      if (!parseValue(member, depth + 1)) return false;
      out.members_[key] = std::move(member);
      skipSpace();
      if (pos_ < text_.size() && text_[pos_] == ',') {
        ++pos_;
        continue;
      }
      if (pos_ < text_.size() && text_[pos_] == '}') {
        ++pos_;
        return true;
      }
      return fail("expected ',' or '}'");
    }
  }

  bool parseArray(JsonValue& out, int depth) {
    out = JsonValue();
    out.type_ = JsonValue::Type::Array;
    ++pos_;  // '['
    skipSpace();
    if (pos_ < text_.size() && text_[pos_] == ']') {
      ++pos_;
      return true;
    }
    for (;;) {
      skipSpace();
      JsonValue item;
      if (!parseValue(item, depth + 1)) return false;
      out.items_.push_back(std::move(item));
      skipSpace();
      if (pos_ < text_.size() && text_[pos_] == ',') {
        ++pos_;
        continue;
      }
      if (pos_ < text_.size() && text_[pos_] == ']') {
        ++pos_;
        return true;
      }
      return fail("expected ',' or ']'");
    }
  }

  bool parseHex4(unsigned& code) {
    if (pos_ + 4 > text_.size()) return fail("short \\u escape");
    code = 0;
    for (int i = 0; i < 4; ++i) {
      const char h = text_[pos_++];
      code <<= 4;
      if (h >= '0' && h <= '9') code |= static_cast<unsigned>(h - '0');
      else if (h >= 'a' && h <= 'f') code |= static_cast<unsigned>(h - 'a' + 10);
      else if (h >= 'A' && h <= 'F') code |= static_cast<unsigned>(h - 'A' + 10);
      else return fail("invalid \\u escape");
    }
    return true;
  }

  static void appendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  bool parseString(std::string& out) {
    out.clear();
    ++pos_;  // opening quote
    while (pos_ < text_.size()) {
      const char c = text_[pos_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return fail("control character in string");
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= text_.size()) break;
      const char e = text_[pos_++];
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          unsigned code = 0;
          if (!parseHex4(code)) return false;
          if (code >= 0xD800 && code < 0xDC00 && text_.compare(pos_, 2, "\\u") == 0) {
            pos_ += 2;
            unsigned low = 0;
            if (!parseHex4(low)) return false;
            if (low < 0xDC00 || low > 0xDFFF) return fail("invalid surrogate pair");
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          } else if (code >= 0xD800 && code < 0xE000) {
            return fail("lone surrogate");
          }
          appendUtf8(out, code);
          break;
        }
        default:
          return fail("invalid escape");
      }
    }
    return fail("unterminated string");
  }

  bool parseNumber(JsonValue& out) {
    const std::size_t start = pos_;
    if (text_[pos_] == '-') ++pos_;
    auto digits = [&] {
      const std::size_t first = pos_;
      while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_;
      return pos_ > first;
    };
    if (!digits()) return fail("invalid number");
    if (pos_ < text_.size() && text_[pos_] == '.') {
      ++pos_;
      if (!digits()) return fail("invalid number");
    }
    if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
      ++pos_;
      if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) ++pos_;
      if (!digits()) return fail("invalid number");
    }
    // strtod honours the C locale's decimal point; JSON always uses '.', and
    // the program never changes LC_NUMERIC.
    const std::string number = text_.substr(start, pos_ - start);
    out = JsonValue::number(std::strtod(number.c_str(), nullptr));
    return true;
  }

  const std::string& text_;
  std::size_t pos_ = 0;
};

bool JsonValue::parse(const std::string& text, JsonValue& out, std::string* error) {
  JsonParser parser(text);
  JsonValue result;
  if (!parser.parseDocument(result)) {
    if (error) *error = parser.error;
    return false;
  }
  out = std::move(result);
  return true;
}

void writeJsonString(std::ostream& out, const std::string& text) {
  out << '"';
  for (const char c : text) {
    switch (c) {
      case '"': out << "\\\""; break;
      case '\\': out << "\\\\"; break;
      case '\b': out << "\\b"; break;
      case '\f': out << "\\f"; break;
      case '\n': out << "\\n"; break;
      case '\r': out << "\\r"; break;
      case '\t': out << "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
          out << escape;
        } else {
          out << c;
        }
    }
  }
  out << '"';
}

void writeJsonNumber(std::ostream& out, double value) {
  if (std::isnan(value)) {
    out << "null";
  } else if (std::isinf(value)) {
    out << (value > 0 ? "1e+9999" : "-1e+9999");
  } else if (value == std::trunc(value) && std::fabs(value) < 1e15) {
    out << static_cast<long long>(value);
  } else {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    out << text;
  }
}

void writeJsonFloat(std::ostream& out, float value) {
  if (!std::isfinite(value) || (value == std::trunc(value) && std::fabs(value) < 1e15f)) {
    writeJsonNumber(out, value);
    return;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
  out << text;
}

}  // namespace zrl
