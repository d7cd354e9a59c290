// MATLAB variable names for the columns of a decode: a valid identifier
// (a letter, then letters, digits and "_", at most 63 characters, no
// keyword) derived from each column's alias or full name.
#pragma once

#include <set>
#include <string>

namespace zrl {

constexpr std::size_t kMatlabNameLength = 63;

// An identifier made of `name`: each character outside [A-Za-z0-9_]
// becomes "_", an "x" goes before a name that does not start with a
// letter, and "_2", "_3", ... after one that is in `taken` or a keyword.
// The result is added to `taken`. Empty when `name` holds no ASCII letter
// or digit: nothing of it could be recognised in the identifier.
std::string matlabIdentifier(const std::string& name, std::set<std::string>& taken);

bool isMatlabKeyword(const std::string& word);

}  // namespace zrl
