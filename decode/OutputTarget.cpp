#include "decode/OutputTarget.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "decode/CsvOutput.h"
#include "decode/FreeOutputName.h"

namespace zrl {

namespace {

const char kOpenFailure[] = "Failed to open output file";

enum class Existing { None, WrittenInPlace, Directory, File };

Existing existingKind(const std::string& path) {
  struct stat status;
  if (::stat(path.c_str(), &status) != 0) return Existing::None;
  if (S_ISCHR(status.st_mode) || S_ISFIFO(status.st_mode)) return Existing::WrittenInPlace;
  if (S_ISDIR(status.st_mode)) return Existing::Directory;
  return Existing::File;
}

}  // namespace

bool OutputTarget::open(const std::string& requestedPath, int descriptor, CsvOutput& output) {
  requested_ = requestedPath;
  path_ = requestedPath;
  failure_.clear();
  number_ = 0;
  if (descriptor != -1) {
    if (output.openDescriptor(descriptor)) return true;
    failure_ = kOpenFailure;
    return false;
  }
  switch (existingKind(requestedPath)) {
    case Existing::WrittenInPlace:
      if (output.openExisting(requestedPath)) return true;
      failure_ = kOpenFailure;
      return false;
    case Existing::Directory:
      failure_ = std::string(kOpenFailure) + ": " + requestedPath + " is a directory";
      return false;
    case Existing::None:
    case Existing::File:
      break;
  }
  number_ = createPartFile(requestedPath, output);
  if (number_ == 0) {
    failure_ = kOpenFailure;
    return false;
  }
  path_ = candidateOutputName(requestedPath, number_);
  return true;
}

std::string OutputTarget::expectedPath(const std::string& requestedPath) {
  const Existing kind = existingKind(requestedPath);
  if (kind == Existing::WrittenInPlace || kind == Existing::Directory) return requestedPath;
  return candidateOutputName(requestedPath, firstFreeOutputNumber(requestedPath));
}

bool OutputTarget::publish() {
  if (!isPending()) return true;
  const unsigned number = number_;
  number_ = 0;
  if (publishPartFile(requested_, number, path_)) return true;
  failure_ = "Failed to create output file " + path_ + ": " + std::strerror(errno);
  return false;
}

void OutputTarget::discard() {
  if (!isPending()) return;
  ::unlink(partFileName(path_).c_str());
  number_ = 0;
}

}  // namespace zrl
