// Small string utilities.
#pragma once

#include <string>
#include <vector>

namespace zrl {

// Every space becomes a backslash and a space ("a b" -> "a\ b").
std::string escapeSpaces(const std::string& text);
// Every "," and "." becomes "_" (names used as keys of groups).
std::string replaceCommasAndDots(const std::string& text);
// Removes every space, tab, line feed and carriage return.
std::string removeWhitespace(const std::string& text);
// Tokens separated by any character of `delimiters`; empty tokens skipped.
std::vector<std::string> splitTokens(const std::string& text, const std::string& delimiters);

}  // namespace zrl
