#include "matlab/MatlabIdentifiers.h"

#include <cctype>

namespace zrl {

namespace {

bool asciiAlnum(unsigned char c) { return c < 0x80 && std::isalnum(c) != 0; }

}  // namespace

bool isMatlabKeyword(const std::string& word) {
  static const std::set<std::string> keywords{
      "break",  "case",      "catch",  "classdef",   "continue", "else",   "elseif", "end",
      "for",    "function",  "global", "if",         "otherwise", "parfor", "persistent",
      "return", "spmd",      "switch", "try",        "while"};
  return keywords.count(word) != 0;
}

std::string matlabIdentifier(const std::string& name, std::set<std::string>& taken) {
  std::string id;
  bool recognisable = false;
  for (std::size_t i = 0; i < name.size();) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (asciiAlnum(c) || c == '_') {
      recognisable = recognisable || c != '_';
      id.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    // One "_" per character, however many bytes its UTF-8 takes.
    id.push_back('_');
    ++i;
    while (i < name.size() && (static_cast<unsigned char>(name[i]) & 0xC0) == 0x80) ++i;
  }
  if (!recognisable) return std::string();
  if (std::isalpha(static_cast<unsigned char>(id[0])) == 0) id.insert(0, "x");
  if (id.size() > kMatlabNameLength) id.resize(kMatlabNameLength);
  std::string candidate = id;
  for (unsigned n = 2; taken.count(candidate) != 0 || isMatlabKeyword(candidate); ++n) {
    const std::string suffix = "_" + std::to_string(n);
    candidate = id.substr(0, kMatlabNameLength - suffix.size()) + suffix;
  }
  taken.insert(candidate);
  return candidate;
}

}  // namespace zrl
