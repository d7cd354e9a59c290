#include "decode/OutputDirectory.h"

#include <filesystem>
#include <system_error>

namespace zrl {

std::string ensureOutputDirectory(const std::string& dir) {
  if (dir.empty()) return {};
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  // An existing file of that name is no directory to write into either.
  if (!error && !std::filesystem::is_directory(dir, error)) error = std::make_error_code(std::errc::not_a_directory);
  if (!error) return {};
  return "Cannot create output directory " + dir + ": " + error.message();
}

}  // namespace zrl
