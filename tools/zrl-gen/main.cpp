// zrl-gen: writes .zrl files from presets or from a text description.
#include <chrono>
#include <cstdio>
#include <string>

#include "tools/zrl-gen/GenOptions.h"
#include "tools/zrlwriter/ZrlWriter.h"

namespace {

void reportWritten(const std::string& path, const zrlwriter::WriteResult& r) {
  std::printf("Wrote %s: %llu bytes (head %llu, body %llu bytes uncompressed, stored size %u)\n", path.c_str(),
              static_cast<unsigned long long>(r.fileSize), static_cast<unsigned long long>(r.headSize),
              static_cast<unsigned long long>(r.bodyLength), r.storedSize);
}

int runBig(const GenOptions& options) {
  const uint64_t total = options.sizeMb * 1024 * 1024;
  const auto started = std::chrono::steady_clock::now();
  auto progress = [&](uint64_t done, uint64_t all) {
    if (options.quiet) return;
    std::fprintf(stderr, "%llu/%llu MB\n", static_cast<unsigned long long>(done >> 20),
                 static_cast<unsigned long long>(all >> 20));
  };
  const zrlwriter::WriteResult r =
      zrlwriter::writeBigFile(options.outputPath, total, options.formatVersion, options.level, progress,
                              options.threads);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  reportWritten(options.outputPath, r);
  std::printf("%.1f s, %.0f MB/s of body\n", seconds, seconds > 0 ? double(r.bodyLength) / 1048576.0 / seconds : 0.0);
  return 0;
}

int runReference(const GenOptions& options) {
  auto progress = [&](uint64_t done, uint64_t all) {
    if (!options.quiet)
      std::fprintf(stderr, "%llu/%llu rows\n", static_cast<unsigned long long>(done), static_cast<unsigned long long>(all));
  };
  const zrlwriter::WriteResult r = zrlwriter::writeReferenceFile(options.outputPath, options.rows, options.formatVersion,
                                                                 options.level, progress, options.threads);
  if (!options.quiet) reportWritten(options.outputPath, r);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  GenOptions options;
  std::string error;
  if (!parseGenOptions(argc, argv, options, error)) {
    std::fprintf(stderr, "zrl-gen: %s\n%s", error.c_str(), kGenUsage);
    return 2;
  }
  if (options.help) {
    std::fputs(kGenUsage, stdout);
    return 0;
  }
  try {
    if (options.preset == "big") return runBig(options);
    if (options.preset == "reference") return runReference(options);
    zrlwriter::WriteResult r;
    if (options.preset == "sample") {
      r = zrlwriter::writeSampleFile(options.outputPath, options.formatVersion);
    } else {
      const zrlwriter::ZrlDescription description = zrlwriter::parseZrlDescriptionFile(options.descriptionPath);
      r = zrlwriter::writeZrlFile(options.outputPath, description.head, description.body, description.options);
    }
    if (!options.quiet) reportWritten(options.outputPath, r);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zrl-gen: %s\n", e.what());
    return 1;
  }
}
