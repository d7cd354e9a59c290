// The directory generated CSV names go to: created when missing, so a fresh
// account without a Desktop or a new --out-dir does not fail every decode.
#pragma once

#include <string>

namespace zrl {

// Creates `dir` and its missing parents. Empty on success, otherwise
// "Cannot create output directory <dir>: <system error>".
std::string ensureOutputDirectory(const std::string& dir);

}  // namespace zrl
