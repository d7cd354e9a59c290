// Runs a piece of a test in a forked child whose file size is limited, so
// that writes fail the way they do on a full disk without touching the
// test process itself.
#pragma once

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace zrltest {

// Returns the child's exit status (the value `body` returned), or -1.
template <typename Body>
int inChildWithFileSizeLimit(rlim_t maxBytes, Body&& body) {
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG
    rlimit limit{maxBytes, maxBytes};
    setrlimit(RLIMIT_FSIZE, &limit);
    const int result = body();
    std::fflush(stdout);
    _exit(result);
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace zrltest
