#include "decode/FreeOutputName.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "decode/CsvOutput.h"

namespace zrl {

namespace {

// The bound only guards against a file system that reports every name as
// taken; real directories never get near it.
constexpr unsigned kMaxAttempts = 1000000;

bool entryExists(const std::string& path) {
  struct stat status;
  return ::lstat(path.c_str(), &status) == 0 || errno != ENOENT;
}

bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Where " (n)" goes in `path`.
std::size_t numberPosition(const std::string& path) {
  if (endsWith(path, ".csv")) return path.size() - 4;
  const std::size_t slash = path.rfind('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot <= nameStart) return path.size();
  return dot;
}

// Gives `from` the name `to` unless `to` exists. Hard links are tried first;
// file systems without them get an exclusive rename.
bool linkWithoutReplacing(const std::string& from, const std::string& to) {
  if (::link(from.c_str(), to.c_str()) == 0) return true;
  if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP && errno != ENOSYS) return false;
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  return false;
}

}  // namespace

std::string numberedOutputName(const std::string& path, unsigned n) {
  std::string name = path;
  name.insert(numberPosition(path), " (" + std::to_string(n) + ")");
  return name;
}

std::string candidateOutputName(const std::string& path, unsigned n) {
  return n <= 1 ? path : numberedOutputName(path, n);
}

std::string partFileName(const std::string& finalName) { return finalName + ".part"; }

unsigned firstFreeOutputNumber(const std::string& path, unsigned first) {
  for (unsigned n = first; n < first + kMaxAttempts; ++n) {
    const std::string candidate = candidateOutputName(path, n);
    if (!entryExists(candidate) && !entryExists(partFileName(candidate))) return n;
  }
  return first;
}

unsigned createPartFile(const std::string& path, CsvOutput& output) {
  unsigned n = 1;
  for (unsigned attempt = 0; attempt < kMaxAttempts; ++attempt, ++n) {
    n = firstFreeOutputNumber(path, n);
    if (output.createNew(partFileName(candidateOutputName(path, n)))) return n;
    if (errno != EEXIST) return 0;
  }
  errno = EEXIST;
  return 0;
}

bool publishPartFile(const std::string& path, unsigned number, std::string& finalName) {
  const std::string part = partFileName(candidateOutputName(path, number));
  for (unsigned n = number; n < number + kMaxAttempts; ++n) {
    const std::string candidate = candidateOutputName(path, n);
    if (linkWithoutReplacing(part, candidate)) {
      finalName = candidate;
      // After a rename the ".part" is already gone.
      const int saved = errno;
      ::unlink(part.c_str());
      errno = saved;
      return true;
    }
    if (errno != EEXIST) {
      finalName = candidate;
      return false;
    }
  }
  errno = EEXIST;
  return false;
}

}  // namespace zrl
