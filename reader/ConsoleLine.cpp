#include "reader/ConsoleLine.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace zrl {

void printConsoleLine(const std::string& line) {
  // Callers print errno texts after this line; writing must not change it.
  const int savedErrno = errno;
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
  errno = savedErrno;
}

std::string systemErrorText(int errorNumber) { return std::strerror(errorNumber); }

}  // namespace zrl
