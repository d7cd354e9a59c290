// Diagnostics of the reader go to standard output, one flushed line each, so
// that they interleave correctly with everything else the program prints.
#pragma once

#include <string>

namespace zrl {

void printConsoleLine(const std::string& line);

// The system's text for an errno value.
std::string systemErrorText(int errorNumber);

}  // namespace zrl
