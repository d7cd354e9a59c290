#include "task/TerminalProgress.h"

#include <unistd.h>

#include <algorithm>

namespace {

std::string clockText(double seconds) {
  const long total = static_cast<long>(seconds + 0.5);
  char text[32];
  if (total >= 3600)
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
  else
    std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
  return text;
}

}  // namespace

std::string progressLineText(uint64_t done, uint64_t total, double seconds) {
  const double fraction = total > 0 ? std::min(1.0, static_cast<double>(done) / static_cast<double>(total)) : 0.0;
  const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0.0;
  const uint64_t left = total > done ? total - done : 0;
  char text[96];
  std::snprintf(text, sizeof text, "%3d%%  %7.1f MB/s  %s left", static_cast<int>(fraction * 100.0),
                rate / 1e6, rate > 0 ? clockText(static_cast<double>(left) / rate).c_str() : "--:--");
  return text;
}

TerminalProgress::TerminalProgress(bool enabled, std::FILE* stream) : enabled_(enabled), stream_(stream) {}

void TerminalProgress::start() {
  started_ = std::chrono::steady_clock::now();
  lastDrawn_ = started_ - std::chrono::seconds(1);
}

void TerminalProgress::update(uint64_t done, uint64_t total) {
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - lastDrawn_ < std::chrono::milliseconds(200) && done < total) return;
  lastDrawn_ = now;
  const std::string text = progressLineText(done, total, std::chrono::duration<double>(now - started_).count());
  // Padded to the last width so a shorter line leaves no tail of the longer one.
  std::fprintf(stream_, "\r%-*s", static_cast<int>(drawnWidth_), text.c_str());
  std::fflush(stream_);
  drawnWidth_ = std::max(drawnWidth_, text.size());
}

void TerminalProgress::finish() {
  if (!enabled_ || drawnWidth_ == 0) return;
  std::fprintf(stream_, "\r%*s\r", static_cast<int>(drawnWidth_), "");
  std::fflush(stream_);
  drawnWidth_ = 0;
}

bool TerminalProgress::wanted(bool quiet) { return !quiet && isatty(STDERR_FILENO) == 1; }
