// Diagnostic lines of the value model.
#include "values/ValueMessages.h"

#include <cstdio>

namespace zrl {

void printValueMessage(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace zrl
