#include "decode/FreeOutputName.h"

#include <cerrno>

#include "decode/CsvOutput.h"

namespace zrl {

std::string numberedOutputName(const std::string& path, unsigned n) {
  const std::string number = " (" + std::to_string(n) + ")";
  if (path.size() < 4) return path + number;
  std::string name = path;
  name.insert(path.size() - 4, number);
  return name;
}

bool createFreeOutputFile(std::string& path, CsvOutput& output) {
  // The bound only guards against a file system that reports every name
  // as taken; real directories never get near it.
  constexpr unsigned kMaxAttempts = 1000000;
  for (unsigned n = 1; n <= kMaxAttempts; ++n) {
    const std::string candidate = n == 1 ? path : numberedOutputName(path, n);
    if (output.createNew(candidate)) {
      path = candidate;
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

}  // namespace zrl
