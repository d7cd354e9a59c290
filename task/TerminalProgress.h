// The one updating progress line a batch decode shows on a terminal:
// percent, throughput and time left, rewritten in place on standard error.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

// " 42%   12.3 MB/s   0:05 left" for `done` of `total` bytes after
// `seconds`; the time left is "--:--" until a rate is known.
std::string progressLineText(uint64_t done, uint64_t total, double seconds);

class TerminalProgress {
 public:
  // Draws nothing unless `enabled`; `stream` is where the line goes.
  TerminalProgress(bool enabled, std::FILE* stream);

  // Starts the clock of a new decode.
  void start();
  // From the decode's thread; redraws at most five times a second, and at 100%.
  void update(uint64_t done, uint64_t total);
  // Wipes the line, so that what follows starts on a clean line.
  void finish();

  // Standard error is a terminal and --quiet was not given.
  static bool wanted(bool quiet);

 private:
  bool enabled_;
  std::FILE* stream_;
  std::chrono::steady_clock::time_point started_;
  std::chrono::steady_clock::time_point lastDrawn_;
  std::size_t drawnWidth_ = 0;
};
