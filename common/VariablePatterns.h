// The --vars list: full variable names and shell-style patterns, matched
// against the names of one log file.
#pragma once

#include <string>
#include <vector>

// The comma-separated pieces of `list`, empty pieces left out.
std::vector<std::string> splitVariableList(const std::string& list);

struct VariableMatch {
  std::vector<std::string> selected;              // names of the file, in the file's order
  std::vector<std::string> missingNames;          // plain names the file does not have
  std::vector<std::vector<std::string>> nearest;  // for each missing name: up to three close names
  std::vector<std::string> unmatchedPatterns;     // patterns that matched no name
};

// The CSV heading form of a full name: "." and "," become "_".
std::string headingFormOf(const std::string& fullName);

// `names` are the file's full variable names. A piece with "*", "?" or "["
// is a pattern (fnmatch rules; "*" also crosses the "." of a full name);
// any other piece must equal a name. A piece also matches a name as the CSV
// heading writes it ("Engine_Rpm"), and one that matches nothing so is tried
// again without regard to case.
VariableMatch matchVariables(const std::vector<std::string>& pieces, const std::vector<std::string>& names);
