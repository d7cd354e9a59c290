#include "tools/zrl-gen/GenOptions.h"

#include <cerrno>
#include <cstdlib>

const char* const kGenUsage =
    "Usage: zrl-gen --preset sample --output PATH [--version N]\n"
    "       zrl-gen --preset big --size-mb N --output PATH [--version N] [--level L] [--threads T] [--quiet]\n"
    "       zrl-gen --preset reference --output PATH [--rows N] [--version N] [--level L] [--threads T] [--quiet]\n"
    "       zrl-gen --description FILE --output PATH\n"
    "Writes a .zrl log file: a realistic three-minute drive (sample), a big file whose\n"
    "body inflates to about N MB (big, streamed), the benchmark log\n"
    "(reference: 800,000 rows of 50 variables) or the file a text description asks for.\n";

namespace {

bool parseNumber(const std::string& text, uint64_t max, uint64_t& value) {
  if (text.empty() || text[0] < '0' || text[0] > '9') return false;
  errno = 0;
  char* end = nullptr;
  const unsigned long long v = std::strtoull(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v > max) return false;
  value = v;
  return true;
}

}  // namespace

bool parseGenOptions(int argc, char** argv, GenOptions& options, std::string& error) {
  bool sizeGiven = false, rowsGiven = false, versionGiven = false, bigOnlyGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) {
        error = "option " + arg + " needs a value";
        return false;
      }
      out = argv[++i];
      return true;
    };
    auto number = [&](uint64_t max, uint64_t& out) {
      std::string text;
      if (!value(text)) return false;
      if (!parseNumber(text, max, out)) {
        error = "option " + arg + " needs a whole number from 0 to " + std::to_string(max) + ", not '" + text + "'";
        return false;
      }
      return true;
    };
    uint64_t n = 0;
    if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--preset") {
      if (!value(options.preset)) return false;
      if (options.preset != "sample" && options.preset != "big" && options.preset != "reference") {
        error = "unknown preset '" + options.preset + "' (known: sample, big, reference)";
        return false;
      }
    } else if (arg == "--description") {
      if (!value(options.descriptionPath)) return false;
    } else if (arg == "--output" || arg == "-o") {
      if (!value(options.outputPath)) return false;
    } else if (arg == "--size-mb") {
      if (!number(1000000, n)) return false;
      options.sizeMb = n;
      sizeGiven = true;
    } else if (arg == "--rows") {
      if (!number(100000000, n)) return false;
      options.rows = n;
      rowsGiven = true;
    } else if (arg == "--version") {
      if (!number(0xFFFFFFFFull, n)) return false;
      options.formatVersion = static_cast<uint32_t>(n);
      versionGiven = true;
    } else if (arg == "--level") {
      if (!number(9, n)) return false;
      options.level = static_cast<int>(n);
      bigOnlyGiven = true;
    } else if (arg == "--threads") {
      if (!number(64, n)) return false;
      options.threads = static_cast<unsigned>(n);
      bigOnlyGiven = true;
    } else if (arg == "--quiet") {
      options.quiet = true;
    } else {
      error = "unknown argument '" + arg + "'";
      return false;
    }
  }
  if (options.help) return true;
  if (options.preset.empty() == options.descriptionPath.empty()) {
    error = "give exactly one of --preset and --description";
    return false;
  }
  if (options.outputPath.empty()) {
    error = "--output PATH is required";
    return false;
  }
  if (!options.descriptionPath.empty() && versionGiven) {
    error = "--version applies to presets; a description sets its own version";
    return false;
  }
  if (options.preset == "big" && !sizeGiven) {
    error = "--preset big needs --size-mb N";
    return false;
  }
  const bool streamed = options.preset == "big" || options.preset == "reference";
  if (!streamed && (sizeGiven || rowsGiven || bigOnlyGiven)) {
    error = "--size-mb, --rows, --level and --threads apply to --preset big or reference only";
    return false;
  }
  if (options.preset == "reference" && sizeGiven) {
    error = "--preset reference takes --rows, not --size-mb";
    return false;
  }
  if (options.preset == "big" && rowsGiven) {
    error = "--preset big takes --size-mb, not --rows";
    return false;
  }
  if (rowsGiven && options.rows == 0) {
    error = "--rows must be at least 1";
    return false;
  }
  if (options.preset == "big" && options.sizeMb == 0) {
    error = "--size-mb must be at least 1";
    return false;
  }
  return true;
}
