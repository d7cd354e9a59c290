// Entry point: parse the command line, then run the application. On this
// platform standard output and standard error are already connected, so no
// console has to be attached or created.
#include <iostream>

#include "app/Application.h"
#include "app/CommandLine.h"

int main(int argc, char** argv) {
  const CommandLineOutcome parsed = parseCommandLine(argc, argv, std::cout, std::cerr);
  if (!parsed.proceed) return parsed.exitStatus;
  return runApplication(parsed.options, argc, argv);
}
