#include "reader/GzBlockReader.h"

namespace zrl {

bool GzBlockReader::open(int fd) {
  close();
  file_ = gzdopen(fd, "rb");
  return file_ != nullptr;
}

void GzBlockReader::close() {
  if (file_ != nullptr) {
    gzclose(file_);
    file_ = nullptr;
  }
}

int GzBlockReader::readThroughZlib(void* buffer, unsigned length) {
  if (file_ == nullptr) return -1;
  return gzread(file_, buffer, length);
}

int GzBlockReader::errorNumber() const {
  int number = Z_OK;
  if (file_ != nullptr) gzerror(file_, &number);
  return number;
}

std::string GzBlockReader::errorMessage() const {
  if (file_ == nullptr) return "no open stream";
  int number = Z_OK;
  const char* message = gzerror(file_, &number);
  return message != nullptr ? message : "";
}

}  // namespace zrl
