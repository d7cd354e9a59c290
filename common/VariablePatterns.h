// The --vars list: full variable names and shell-style patterns, matched
// against the names of one log file.
#pragma once

#include <string>
#include <vector>

// The comma-separated pieces of `list`, empty pieces left out.
std::vector<std::string> splitVariableList(const std::string& list);

struct VariableMatch {
  std::vector<std::string> selected;           // names of the file, in the file's order
  std::vector<std::string> missingNames;       // plain names the file does not have
  std::vector<std::string> unmatchedPatterns;  // patterns that matched no name
};

// `names` are the file's full variable names. A piece with "*", "?" or "["
// is a pattern (fnmatch rules; "*" also crosses the "." of a full name);
// any other piece must equal a name.
VariableMatch matchVariables(const std::vector<std::string>& pieces, const std::vector<std::string>& names);
