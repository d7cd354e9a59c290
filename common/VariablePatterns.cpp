#include "common/VariablePatterns.h"

#include <fnmatch.h>
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <utility>

namespace {

bool isPattern(const std::string& piece) { return piece.find_first_of("*?[") != std::string::npos; }

bool matchesText(const std::string& piece, const std::string& text, bool anyCase) {
  if (isPattern(piece)) return fnmatch(piece.c_str(), text.c_str(), anyCase ? FNM_CASEFOLD : 0) == 0;
  return anyCase ? strcasecmp(piece.c_str(), text.c_str()) == 0 : piece == text;
}

std::string lowered(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Edits (insertions, deletions, substitutions) from one text to the other.
std::size_t editDistance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// Up to three names close to `piece`, nearest first.
std::vector<std::string> nearestNames(const std::string& piece, const std::vector<std::string>& names) {
  const std::string wanted = lowered(piece);
  const std::size_t limit = std::max<std::size_t>(2, wanted.size() / 3);
  std::vector<std::pair<std::size_t, const std::string*>> close;
  for (const std::string& name : names) {
    const std::size_t distance = editDistance(wanted, lowered(name));
    if (distance <= limit) close.emplace_back(distance, &name);
  }
  std::stable_sort(close.begin(), close.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
  std::vector<std::string> nearest;
  for (std::size_t i = 0; i < close.size() && i < 3; ++i) nearest.push_back(*close[i].second);
  return nearest;
}

}  // namespace

std::string headingFormOf(const std::string& fullName) {
  std::string heading = fullName;
  for (char& c : heading)
    if (c == '.' || c == ',') c = '_';
  return heading;
}

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
  std::vector<std::string> headings;
  headings.reserve(names.size());
  for (const std::string& name : names) headings.push_back(headingFormOf(name));
  // Exactly first; a piece that matches nothing so is tried again without
  // regard to case.
  std::vector<bool> pieceMatched(pieces.size(), false);
  std::vector<bool> selected(names.size(), false);
  for (const bool anyCase : {false, true}) {
    for (std::size_t i = 0; i < pieces.size(); ++i) {
      if (pieceMatched[i]) continue;
      for (std::size_t n = 0; n < names.size(); ++n) {
        if (!matchesText(pieces[i], names[n], anyCase) && !matchesText(pieces[i], headings[n], anyCase)) continue;
        selected[n] = true;
        pieceMatched[i] = true;
      }
    }
  }
  VariableMatch result;
  for (std::size_t n = 0; n < names.size(); ++n)
    if (selected[n]) result.selected.push_back(names[n]);
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (pieceMatched[i]) continue;
    if (isPattern(pieces[i])) {
      result.unmatchedPatterns.push_back(pieces[i]);
    } else {
      result.missingNames.push_back(pieces[i]);
      result.nearest.push_back(nearestNames(pieces[i], names));
    }
  }
  return result;
}
