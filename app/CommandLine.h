// Command-line parsing of the decoder executable.
#pragma once

#include <ostream>

#include "common/StartupOptions.h"

struct CommandLineOutcome {
  bool proceed = false;  // false: the process ends now with exitStatus
  int exitStatus = 0;
  StartupOptions options;
};

// Parses argv with getopt_long rules (prefixes, "--opt=value", non-option
// words ignored). The parser's own diagnostics go to the C standard error;
// the usage text goes to `out`, the database refusal to `err`.
CommandLineOutcome parseCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err);

void printUsage(std::ostream& out, const char* programName);
