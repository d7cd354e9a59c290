#include "tools/zrlwriter/DescriptionLexer.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "tools/zrlwriter/WriterLayout.h"

namespace zrlwriter {
namespace description {
namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string decodeHex(const std::string& digits, const std::string& token) {
  std::string out;
  std::string clean;
  for (char c : digits)
    if (c != '-' && c != ':' && c != '_') clean += c;
  if (clean.size() % 2 != 0) throw ZrlWriteError("odd number of hex digits in '" + token + "'");
  for (size_t i = 0; i < clean.size(); i += 2) {
    const int hi = hexDigit(clean[i]), lo = hexDigit(clean[i + 1]);
    if (hi < 0 || lo < 0) throw ZrlWriteError("bad hex digit in '" + token + "'");
    out += static_cast<char>(hi * 16 + lo);
  }
  return out;
}

// Reads an optional *N repetition after a byte string.
size_t repetition(const std::string& line, size_t& pos) {
  if (pos >= line.size() || line[pos] != '*') return 1;
  size_t end = ++pos;
  while (end < line.size() && std::isdigit(static_cast<unsigned char>(line[end]))) ++end;
  if (end == pos) throw ZrlWriteError("'*' after a string needs a count");
  const unsigned long long n = std::strtoull(line.substr(pos, end - pos).c_str(), nullptr, 10);
  if (n > 100000000ull) throw ZrlWriteError("repetition count too large");
  pos = end;
  return static_cast<size_t>(n);
}

std::string repeated(const std::string& bytes, size_t times) {
  std::string out;
  out.reserve(bytes.size() * times);
  for (size_t i = 0; i < times; ++i) out += bytes;
  return out;
}

std::string readQuoted(const std::string& line, size_t& pos) {
  std::string out;
  ++pos;  // opening quote
  while (true) {
    if (pos >= line.size()) throw ZrlWriteError("unterminated quoted string");
    const char c = line[pos++];
    if (c == '"') return out;
    if (c != '\\') {
      out += c;
      continue;
    }
    if (pos >= line.size()) throw ZrlWriteError("unterminated quoted string");
    const char e = line[pos++];
    switch (e) {
      case '\\': out += '\\'; break;
      case '"': out += '"'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case '0': out += '\0'; break;
      case 'x': {
        if (pos + 2 > line.size() || hexDigit(line[pos]) < 0 || hexDigit(line[pos + 1]) < 0)
          throw ZrlWriteError("\\x needs two hex digits");
        out += static_cast<char>(hexDigit(line[pos]) * 16 + hexDigit(line[pos + 1]));
        pos += 2;
        break;
      }
      default: throw ZrlWriteError(std::string("unknown escape \\") + e);
    }
  }
}

// Recursive-descent evaluation of + - * / // % ( ) over numbers and counters.
class Expression {
 public:
  Expression(const std::string& text, const Counters& counters) : s_(text), counters_(counters) {}
  double evaluate() {
    const double v = sum();
    skipSpace();
    if (pos_ != s_.size()) fail("unexpected '" + s_.substr(pos_) + "'");
    return v;
  }

 private:
  [[noreturn]] void fail(const std::string& why) { throw ZrlWriteError("in {" + s_ + "}: " + why); }
  void skipSpace() {
    while (pos_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[pos_]))) ++pos_;
  }
  bool eat(const char* op) {
    skipSpace();
    const std::string o(op);
    if (s_.compare(pos_, o.size(), o) != 0) return false;
    // "/" must not swallow the first half of "//".
    if (o == "/" && s_.compare(pos_, 2, "//") == 0) return false;
    pos_ += o.size();
    return true;
  }
  double sum() {
    double v = product();
    while (true) {
      if (eat("+")) v += product();
      else if (eat("-")) v -= product();
      else return v;
    }
  }
  double product() {
    double v = unary();
    while (true) {
      if (eat("*")) {
        v *= unary();
      } else if (eat("//")) {
        const double d = unary();
        if (d == 0) fail("division by zero");
        v = std::floor(v / d);
      } else if (eat("/")) {
        const double d = unary();
        if (d == 0) fail("division by zero");
        v /= d;
      } else if (eat("%")) {
        const double d = unary();
        if (d == 0) fail("division by zero");
        v = std::fmod(v, d);
      } else {
        return v;
      }
    }
  }
  double unary() {
    if (eat("-")) return -unary();
    if (eat("+")) return unary();
    if (eat("(")) {
      const double v = sum();
      if (!eat(")")) fail("missing ')'");
      return v;
    }
    skipSpace();
    const size_t start = pos_;
    if (pos_ < s_.size() && (std::isalpha(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '_')) {
      while (pos_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '_')) ++pos_;
      const std::string name = s_.substr(start, pos_ - start);
      const auto it = counters_.find(name);
      if (it == counters_.end()) fail("unknown counter '" + name + "'");
      return double(it->second);
    }
    char* end = nullptr;
    const double v = std::strtod(s_.c_str() + pos_, &end);
    if (end == s_.c_str() + pos_) fail("expected a number or a counter");
    pos_ = static_cast<size_t>(end - s_.c_str());
    return v;
  }

  const std::string& s_;
  const Counters& counters_;
  size_t pos_ = 0;
};

// Decimal, or hexadecimal after 0x; a leading zero does not mean octal.
bool parseUnsigned(const std::string& digits, unsigned long long& value) {
  const bool hexadecimal = digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X');
  const std::string body = hexadecimal ? digits.substr(2) : digits;
  if (body.empty() || !std::isxdigit(static_cast<unsigned char>(body[0]))) return false;
  errno = 0;
  char* end = nullptr;
  value = std::strtoull(body.c_str(), &end, hexadecimal ? 16 : 10);
  return errno == 0 && *end == '\0';
}

bool isExpression(const Token& t) { return t.kind == Token::Word && !t.text.empty() && t.text[0] == '{'; }

double evaluate(const Token& t, const Counters& counters) {
  return Expression(t.text.substr(1, t.text.size() - 2), counters).evaluate();
}

}  // namespace

std::vector<Token> tokenize(const std::string& line) {
  std::vector<Token> tokens;
  size_t pos = 0;
  while (true) {
    while (pos < line.size() && std::isspace(static_cast<unsigned char>(line[pos]))) ++pos;
    if (pos >= line.size() || line[pos] == '#') return tokens;
    Token t;
    if (line[pos] == '"') {
      t.kind = Token::Bytes;
      t.text = readQuoted(line, pos);
      t.text = repeated(t.text, repetition(line, pos));
    } else if (line[pos] == '{') {
      const size_t close = line.find('}', pos);
      if (close == std::string::npos) throw ZrlWriteError("missing '}'");
      t.text = line.substr(pos, close + 1 - pos);
      pos = close + 1;
    } else {
      const size_t start = pos;
      while (pos < line.size() && !std::isspace(static_cast<unsigned char>(line[pos])) && line[pos] != '"') ++pos;
      t.text = line.substr(start, pos - start);
      if (t.text.compare(0, 4, "hex:") == 0) {
        // hex:... is bytes; a *N repetition may follow.
        const size_t star = t.text.find('*');
        const std::string digits = t.text.substr(4, star == std::string::npos ? std::string::npos : star - 4);
        t.kind = Token::Bytes;
        std::string bytes = decodeHex(digits, t.text);
        if (star != std::string::npos) {
          size_t p = star;
          const size_t n = repetition(t.text, p);
          if (p != t.text.size()) throw ZrlWriteError("bad repetition in '" + t.text + "'");
          bytes = repeated(bytes, n);
        }
        t.text = bytes;
      }
    }
    if (pos < line.size() && !std::isspace(static_cast<unsigned char>(line[pos])) && line[pos] != '#')
      throw ZrlWriteError("tokens must be separated by spaces near '" + line.substr(pos, 12) + "'");
    tokens.push_back(t);
  }
}

int64_t integerValue(const Token& token, int64_t min, int64_t max, const Counters& counters,
                     const std::string& what) {
  auto range = [&]() {
    return ZrlWriteError(what + " must be a whole number from " + std::to_string(min) + " to " +
                         std::to_string(max) + ", not '" + token.text + "'");
  };
  if (token.kind != Token::Word) throw range();
  int64_t v;
  if (isExpression(token)) {
    const double d = evaluate(token, counters);
    if (!(d >= double(min) && d <= double(max)) || d != std::floor(d)) throw range();
    v = static_cast<int64_t>(d);
  } else {
    const std::string& s = token.text;
    const bool negative = !s.empty() && s[0] == '-';
    const std::string digits = negative ? s.substr(1) : s;
    unsigned long long u = 0;
    if (!parseUnsigned(digits, u)) throw range();
    if (negative) {
      if (u > 9223372036854775808ull) throw range();
      v = u == 9223372036854775808ull ? INT64_MIN : -static_cast<int64_t>(u);
    } else {
      if (u > 9223372036854775807ull) throw range();
      v = static_cast<int64_t>(u);
    }
  }
  if (v < min || v > max) throw range();
  return v;
}

uint64_t unsignedValue(const Token& token, const Counters& counters, const std::string& what) {
  const std::string& s = token.text;
  unsigned long long u = 0;
  if (token.kind == Token::Word && !isExpression(token) && !s.empty() && s[0] != '-' && parseUnsigned(s, u)) return u;
  return static_cast<uint64_t>(integerValue(token, 0, INT64_MAX, counters, what));
}

double realValue(const Token& token, const Counters& counters, const std::string& what) {
  if (token.kind == Token::Word && isExpression(token)) return evaluate(token, counters);
  if (token.kind == Token::Word && !token.text.empty()) {
    char* end = nullptr;
    const double d = std::strtod(token.text.c_str(), &end);
    if (*end == '\0') return d;
  }
  throw ZrlWriteError(what + " must be a number, not '" + token.text + "'");
}

std::string bytesValue(const Token& token) { return token.text; }

}  // namespace description
}  // namespace zrlwriter
