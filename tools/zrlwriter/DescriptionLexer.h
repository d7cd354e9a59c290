// Lexical layer of the file-description language: splits a line into
// tokens, decodes byte strings and evaluates numbers and {expressions}.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace zrlwriter {
namespace description {

struct Token {
  enum Kind { Word, Bytes } kind = Word;
  std::string text;   // Word: as written; Bytes: the decoded bytes
};

// Values of the enclosing repeat counters, by name.
using Counters = std::map<std::string, int64_t>;

// Splits one line; a # outside quotes starts a comment. Throws
// ZrlWriteError (without line number) on a malformed token.
std::vector<Token> tokenize(const std::string& line);

// A signed integer in [min, max]: decimal, 0x hexadecimal, or an integral
// {expression}. `what` names the value in error messages.
int64_t integerValue(const Token& token, int64_t min, int64_t max, const Counters& counters, const std::string& what);
// Unsigned 64-bit integer (decimal or 0x; expressions up to 2^53).
uint64_t unsignedValue(const Token& token, const Counters& counters, const std::string& what);
// A real number: decimal, scientific, nan, inf, -inf, or an {expression}.
double realValue(const Token& token, const Counters& counters, const std::string& what);
// Bytes: a quoted string, hex:..., or a bare word taken literally.
std::string bytesValue(const Token& token);

}  // namespace description
}  // namespace zrlwriter
