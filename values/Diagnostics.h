// The program's one diagnostics printer. Errors and warnings go to standard
// error and what a run reports on purpose (results, the verbose account) to
// standard output, each flushed at once, so that messages interleave
// correctly with the decode thread's progress and with output of child
// processes in scripts, and `2>err.log` catches every failure. Tests replace
// the sink to read both without touching the process's file descriptors.
#pragma once

#include <string>
#include <string_view>

namespace zrl {

// Where diagnostics go. write() receives each piece whole (a line with its
// newline) and may be called from several threads at once.
class DiagnosticSink {
 public:
  virtual void write(std::string_view text) = 0;

 protected:
  ~DiagnosticSink() = default;
};

// Installs `sink` (not owned; null restores standard output) and returns the
// one it replaces (null for standard output).
DiagnosticSink* setDiagnosticSink(DiagnosticSink* sink);

// Writes `line` and a newline, then flushes. errno is preserved, because
// callers print errno texts after such a line.
void printDiagnosticLine(std::string_view line);
// Writes `text` as it is (no newline), then flushes; errno is preserved.
void printDiagnosticText(std::string_view text);
// The same for what a run reports on standard output: results and the
// verbose account.
void printReportText(std::string_view text);

// The system's text for an errno value.
std::string systemErrorText(int errorNumber);

}  // namespace zrl
