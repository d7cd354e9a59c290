#include "values/Diagnostics.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace zrl {

namespace {

std::atomic<DiagnosticSink*> installedSink{nullptr};

void write(std::string_view text) {
  const int savedErrno = errno;
  if (DiagnosticSink* sink = installedSink.load(std::memory_order_acquire)) {
    sink->write(text);
  } else {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
  }
  errno = savedErrno;
}

}  // namespace

DiagnosticSink* setDiagnosticSink(DiagnosticSink* sink) {
  return installedSink.exchange(sink, std::memory_order_acq_rel);
}

void printDiagnosticLine(std::string_view line) {
  std::string text;
  text.reserve(line.size() + 1);
  text.append(line);
  text.push_back('\n');
  write(text);
}

void printDiagnosticText(std::string_view text) { write(text); }

std::string systemErrorText(int errorNumber) { return std::strerror(errorNumber); }

}  // namespace zrl
