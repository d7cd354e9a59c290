#include "decode/OutputTarget.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "decode/CsvOutput.h"
#include "decode/FreeOutputName.h"

namespace zrl {

namespace {

const char kOpenFailure[] = "Failed to open output file";

std::string openFailure(const std::string& path, int error) {
  return std::string(kOpenFailure) + " " + path + ": " + std::strerror(error);
}

enum class Existing { None, WrittenInPlace, Directory, File };

Existing existingKind(const std::string& path) {
  struct stat status;
  if (::stat(path.c_str(), &status) != 0) return Existing::None;
  if (S_ISCHR(status.st_mode) || S_ISFIFO(status.st_mode)) return Existing::WrittenInPlace;
  if (S_ISDIR(status.st_mode)) return Existing::Directory;
  return Existing::File;
}

// On standard error, so that a table written to standard output stays clean.
void tellRemoved(const std::string& part) {
  std::fprintf(stderr, "Removed the abandoned output of an earlier run: %s\n", part.c_str());
  std::fflush(stderr);
}

}  // namespace

OutputTarget::~OutputTarget() { releaseLock(); }

void OutputTarget::releaseLock() {
  if (lock_ != -1) ::close(lock_);
  lock_ = -1;
}

bool OutputTarget::open(const std::string& requestedPath, int descriptor, bool replace, CsvOutput& output,
                        const std::function<bool()>& stopRequested) {
  requested_ = requestedPath;
  replace_ = replace;
  path_ = requestedPath;
  failure_.clear();
  number_ = 0;
  stopped_ = false;
  releaseLock();
  if (descriptor != -1) {
    if (output.openDescriptor(descriptor)) return true;
    failure_ = openFailure(requestedPath, errno);
    return false;
  }
  switch (existingKind(requestedPath)) {
    case Existing::WrittenInPlace:
      if (output.openExisting(requestedPath, stopRequested)) return true;
      stopped_ = errno == ECANCELED;
      failure_ = openFailure(requestedPath, errno);
      return false;
    case Existing::Directory:
      failure_ = std::string(kOpenFailure) + ": " + requestedPath + " is a directory";
      return false;
    case Existing::None:
    case Existing::File:
      break;
  }
  return holdPart(requestedPath, createPartFile(requestedPath, output, tellRemoved));
}

bool OutputTarget::openFile(const std::string& requestedPath, int descriptor, bool replace) {
  requested_ = requestedPath;
  replace_ = replace;
  path_ = requestedPath;
  failure_.clear();
  number_ = 0;
  stopped_ = false;
  releaseLock();
  const Existing kind = descriptor != -1 ? Existing::WrittenInPlace : existingKind(requestedPath);
  if (kind == Existing::WrittenInPlace) {
    failure_ = std::string(kOpenFailure) + " " + (descriptor != -1 ? std::string("-") : requestedPath) +
               ": this format is written to a regular file only";
    return false;
  }
  if (kind == Existing::Directory) {
    failure_ = std::string(kOpenFailure) + ": " + requestedPath + " is a directory";
    return false;
  }
  return holdPart(requestedPath, reservePartFile(requestedPath, tellRemoved));
}

bool OutputTarget::holdPart(const std::string& requestedPath, const PartFile& part) {
  if (part.number == 0) {
    failure_ = openFailure(requestedPath, errno);
    return false;
  }
  number_ = part.number;
  lock_ = part.lock;
  path_ = candidateOutputName(requestedPath, number_);
  return true;
}

std::string OutputTarget::expectedPath(const std::string& requestedPath, bool replace) {
  const Existing kind = existingKind(requestedPath);
  if (replace || kind == Existing::WrittenInPlace || kind == Existing::Directory) return requestedPath;
  return candidateOutputName(requestedPath, firstFreeOutputNumber(requestedPath));
}

bool OutputTarget::publish() {
  if (!isPending()) return true;
  const unsigned number = number_;
  number_ = 0;
  bool published;
  if (replace_) {
    // rename() replaces atomically: readers see the old table or the new
    // one, never a part of either.
    path_ = requested_;
    published = ::rename(partFileName(candidateOutputName(requested_, number)).c_str(), requested_.c_str()) == 0;
  } else {
    published = publishPartFile(requested_, number, path_);
  }
  const int error = errno;
  releaseLock();
  if (published) return true;
  failure_ = "Failed to create output file " + path_ + ": " + std::strerror(error);
  return false;
}

void OutputTarget::discard() {
  if (!isPending()) return;
  ::unlink(partFileName(path_).c_str());
  releaseLock();
  number_ = 0;
}

}  // namespace zrl
