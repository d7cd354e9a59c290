#include "common/VariablePatterns.h"

#include <fnmatch.h>

namespace {

bool isPattern(const std::string& piece) { return piece.find_first_of("*?[") != std::string::npos; }

bool matches(const std::string& piece, const std::string& name) {
  return isPattern(piece) ? fnmatch(piece.c_str(), name.c_str(), 0) == 0 : piece == name;
}

}  // namespace

std::vector<std::string> splitVariableList(const std::string& list) {
  std::vector<std::string> pieces;
  std::string::size_type begin = 0;
  while (begin <= list.size()) {
    std::string::size_type end = list.find(',', begin);
    if (end == std::string::npos) end = list.size();
    if (end > begin) pieces.push_back(list.substr(begin, end - begin));
    begin = end + 1;
  }
  return pieces;
}

VariableMatch matchVariables(const std::vector<std::string>& pieces, const std::vector<std::string>& names) {
  VariableMatch result;
  std::vector<bool> pieceUsed(pieces.size(), false);
  for (const std::string& name : names) {
    bool selected = false;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
      if (!matches(pieces[i], name)) continue;
      pieceUsed[i] = true;
      selected = true;
    }
    if (selected) result.selected.push_back(name);
  }
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (pieceUsed[i]) continue;
    (isPattern(pieces[i]) ? result.unmatchedPatterns : result.missingNames).push_back(pieces[i]);
  }
  return result;
}
