#include "values/Diagnostics.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace zrl {

namespace {

std::atomic<DiagnosticSink*> installedSink{nullptr};

void write(std::string_view text, std::FILE* stream) {
  const int savedErrno = errno;
  if (DiagnosticSink* sink = installedSink.load(std::memory_order_acquire)) {
    sink->write(text);
  } else {
    // What went to the other stream before must show first.
    std::fflush(stream == stderr ? stdout : stderr);
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
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
  write(text, stderr);
}

void printDiagnosticText(std::string_view text) { write(text, stderr); }

void printReportText(std::string_view text) { write(text, stdout); }

std::string systemErrorText(int errorNumber) { return std::strerror(errorNumber); }

}  // namespace zrl
