#include "decode/FreeOutputName.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "decode/CsvOutput.h"

namespace zrl {

namespace {

// The bound only guards against a file system that reports every name as
// taken; real directories never get near it.
constexpr unsigned kMaxAttempts = 1000000;

using RemovedNotice = std::function<void(const std::string&)>;

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

// Whether `path` still names the file open as `fd`.
bool namesFile(const std::string& path, int fd) {
  struct stat open, named;
  return ::fstat(fd, &open) == 0 && ::lstat(path.c_str(), &named) == 0 && open.st_dev == named.st_dev &&
         open.st_ino == named.st_ino;
}

// Every table starts with the byte order mark, an HDF5 file with its
// signature and a MATLAB file with its text head; a ".part" that does not
// (a download in progress, say) is another program's.
bool couldBeOurs(int fd) {
  static const char kBom[] = "\xEF\xBB\xBF";
  static const char kHdf5[] = "\x89HDF\r\n\x1A\n";
  static const char kMatlab[] = "MATLAB 7.3 MAT-file";
  char head[sizeof kMatlab - 1];
  const ssize_t read = ::pread(fd, head, sizeof head, 0);
  if (read < 0) return false;
  const std::size_t n = static_cast<std::size_t>(read);
  const auto startsWith = [&](const char* sign, std::size_t length) {
    return n >= length && std::memcmp(head, sign, length) == 0;
  };
  return n == 0 || startsWith(kBom, 3) || startsWith(kHdf5, 8) || startsWith(kMatlab, sizeof kMatlab - 1);
}

enum class PartState { Missing, Held, Abandoned };

// What stands at `part`: nothing; a file that holds its name (a live run's,
// or anything that is not plainly an abandoned table); or an abandoned
// table, which is removed when `remove` is set.
PartState inspectPart(const std::string& part, bool remove) {
  struct stat status;
  if (::lstat(part.c_str(), &status) != 0) return errno == ENOENT ? PartState::Missing : PartState::Held;
  if (!S_ISREG(status.st_mode)) return PartState::Held;
  // Opened for writing too: network file systems grant an exclusive lock
  // only to a writer. Neither through a link nor blocking on a FIFO.
  const int fd = ::open(part.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? PartState::Missing : PartState::Held;
  PartState state = PartState::Held;
  // Removed while its lock is held, so that no run can take it up meanwhile.
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && namesFile(part, fd) && couldBeOurs(fd)) {
    state = PartState::Abandoned;
    if (remove && ::unlink(part.c_str()) != 0) state = PartState::Held;
  }
  ::close(fd);
  return state;
}

// firstFreeOutputNumber, removing the abandoned ".part" files of the names
// it takes as free when `removed` is given.
unsigned firstFree(const std::string& path, unsigned first, const RemovedNotice* removed) {
  for (unsigned n = first; n < first + kMaxAttempts; ++n) {
    const std::string candidate = candidateOutputName(path, n);
    if (entryExists(candidate)) continue;
    const std::string part = partFileName(candidate);
    switch (inspectPart(part, removed != nullptr)) {
      case PartState::Held:
        continue;
      case PartState::Abandoned:
        if (removed != nullptr && *removed) (*removed)(part);
        return n;
      case PartState::Missing:
        return n;
    }
  }
  return first;
}

// Creates `part` exclusively and locks it; the descriptor, or -1 with errno
// set. A run removing abandoned files may have taken the new file for one
// before it was locked: then the name no longer leads to it, and the
// attempt counts as a name taken (EEXIST).
int createLocked(const std::string& part) {
  const int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  // A file system without locks still gets its table, only unprotected.
  while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
  }
  if (namesFile(part, fd)) return fd;
  ::close(fd);
  errno = EEXIST;
  return -1;
}

// The errors of a file system that lacks the call, rather than refusing
// this name.
bool unsupported(int error) {
  return error == EPERM || error == EINVAL || error == ENOSYS || error == ENOTSUP || error == EOPNOTSUPP;
}

int systemHardLink(const char* from, const char* to) { return ::link(from, to); }

int systemRenameNoReplace(const char* from, const char* to) {
  return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
}

// Takes `to` with an empty file of our own, then moves `from` over it.
int reserveAndReplace(const char* from, const char* to) {
  const int fd = ::open(to, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  ::close(fd);
  if (::rename(from, to) == 0) return 0;
  const int saved = errno;
  ::unlink(to);
  errno = saved;
  return -1;
}

enum class Naming { Failed, Linked, Moved };

// Gives `from` the name `to` unless `to` exists.
Naming nameWithoutReplacing(const std::string& from, const std::string& to, const NamingCalls& calls) {
  if (calls.hardLink(from.c_str(), to.c_str()) == 0) return Naming::Linked;
  if (!unsupported(errno)) return Naming::Failed;
  if (calls.renameNoReplace(from.c_str(), to.c_str()) == 0) return Naming::Moved;
  if (!unsupported(errno)) return Naming::Failed;
  return reserveAndReplace(from.c_str(), to.c_str()) == 0 ? Naming::Moved : Naming::Failed;
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
  return firstFree(path, first, nullptr);
}

PartFile reservePartFile(const std::string& path, const RemovedNotice& removed) {
  unsigned n = 1;
  for (unsigned attempt = 0; attempt < kMaxAttempts; ++attempt) {
    n = firstFree(path, n, &removed);
    const int fd = createLocked(partFileName(candidateOutputName(path, n)));
    if (fd >= 0) return PartFile{n, fd};
    if (errno != EEXIST) return PartFile{};
  }
  errno = EEXIST;
  return PartFile{};
}

PartFile createPartFile(const std::string& path, CsvOutput& output, const RemovedNotice& removed) {
  const PartFile part = reservePartFile(path, removed);
  if (part.number == 0) return part;
  // The lock lives on the file's open description, which the output's copy
  // of the descriptor shares; `lock` keeps it after the output closes.
  if (output.openDescriptor(part.lock)) return part;
  const int saved = errno;
  ::unlink(partFileName(candidateOutputName(path, part.number)).c_str());
  ::close(part.lock);
  errno = saved;
  return PartFile{};
}

const NamingCalls& systemNamingCalls() {
  static const NamingCalls calls{systemHardLink, systemRenameNoReplace};
  return calls;
}

bool publishPartFile(const std::string& path, unsigned number, std::string& finalName,
                     const NamingCalls& calls) {
  const std::string part = partFileName(candidateOutputName(path, number));
  for (unsigned n = number; n < number + kMaxAttempts; ++n) {
    const std::string candidate = candidateOutputName(path, n);
    const Naming naming = nameWithoutReplacing(part, candidate, calls);
    if (naming != Naming::Failed) {
      finalName = candidate;
      // A moved ".part" is gone already, and its name may be another run's
      // by now.
      if (naming == Naming::Linked) ::unlink(part.c_str());
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
