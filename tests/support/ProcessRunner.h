// Runs a program as a user would from a shell and captures what it says.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace zrltest {

struct ProcessResult {
  int exitStatus = -1;     // exit status, or 128 + signal number when killed
  std::string out;         // everything written to standard output
  std::string err;         // everything written to standard error
  bool timedOut = false;
};

// `program` is run with `args` (argv[0] is `program` itself) in the current
// isolated environment plus `extraEnv` (NAME=value; an empty value unsets).
// Killed after `timeoutSeconds`, so a hang fails the test instead of CI.
// `onStart` gets the child's process id as soon as it runs (to signal it
// from another thread while its output is being collected).
ProcessResult runProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::pair<std::string, std::string>>& extraEnv = {},
                         int timeoutSeconds = 60, const std::string& workingDir = "",
                         const std::function<void(int pid)>& onStart = {});

// build/zrl-decoder and build/zrl-gen.
std::string decoderProgram();
std::string generatorProgram();

}  // namespace zrltest
