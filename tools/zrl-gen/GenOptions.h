// Command line of zrl-gen.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct GenOptions {
  std::string preset;          // "sample", "big" or "reference"; empty with --description
  std::string descriptionPath;        // --description FILE
  std::string outputPath;
  uint64_t sizeMb = 0;         // --size-mb, big preset only
  uint64_t rows = 800000;      // --rows, reference preset only
  uint32_t formatVersion = 4;  // --version, presets only
  int level = 1;               // --level, big and reference presets
  unsigned threads = 0;        // --threads, big preset only; 0 = one per processor
  bool quiet = false;
  bool help = false;
};

// Fills `options` from argv; on a bad command line returns false and sets
// `error` to a one-line explanation.
bool parseGenOptions(int argc, char** argv, GenOptions& options, std::string& error);

extern const char* const kGenUsage;
