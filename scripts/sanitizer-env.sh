# Sourced by the sanitizer and fuzzing scripts: options that make every
# sanitizer report fatal.
#
# LeakSanitizer cannot work while the process is traced (a debugger,
# strace, some sandboxes): it then aborts every program at exit. Leak
# checks are turned off in that case only, and the run says so.
if grep -qE '^TracerPid:[[:space:]]*[1-9]' /proc/self/status 2>/dev/null; then
  echo "note: running under ptrace, so LeakSanitizer is off for this run" >&2
  detect_leaks=0
else
  detect_leaks=1
fi
export ASAN_OPTIONS="detect_leaks=$detect_leaks:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Leaks of system libraries (fontconfig, Qt's offscreen plugin) are not
# ours to fix; the list of them stays quiet so that standard error keeps
# meaning what the program says.
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/tests/lsan.supp:print_suppressions=0"
