// Decode speed on a generated log file with every variable selected.
//
//   decode_bench                      Google Benchmark runs on a ~32 MB body
//   decode_bench --decode LOG CSV [--resample CODE]
//                                     one whole decode, for timing from a shell
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include <unistd.h>

#include "decode/Decoder.h"
#include "tools/zrlwriter/ZrlWriter.h"

using namespace zrl;

namespace {

// Files go beside the program (build/bench/).
std::string benchDir = ".";

const std::string& benchLog() {
  static const std::string path = [] {
    const std::string p = benchDir + "/decode_bench_input.zrl";
    if (access(p.c_str(), R_OK) != 0) zrlwriter::writeBigFile(p, 32u << 20);
    return p;
  }();
  return path;
}

bool decodeOnce(const std::string& log, const std::string& csv, int32_t frequencyCode,
                std::string& error) {
  Decoder decoder(log, false, DatabaseSettings{},
                  [&](uint64_t, uint64_t, const std::string& message) {
                    if (!message.empty()) error = message;
                  });
  decoder.setOutputPath(csv);
  decoder.setFrequency(frequencyCode);
  decoder.setMethod(MethodMean);
  const bool ok = decoder.run();
  std::remove(decoder.outputPath().c_str());
  return ok;
}

void decodeFile(benchmark::State& state) {
  const std::string& log = benchLog();
  std::string error;
  for (auto _ : state) {
    if (!decodeOnce(log, benchDir + "/decode_bench_output.csv", static_cast<int32_t>(state.range(0)), error)) {
      state.SkipWithError(error.c_str());
      break;
    }
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * (32 << 20));
}
BENCHMARK(decodeFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

int decodeFromCommandLine(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: decode_bench --decode LOG CSV [--resample CODE]\n");
    return 2;
  }
  int32_t code = 0;
  if (argc >= 6 && std::strcmp(argv[4], "--resample") == 0) code = std::atoi(argv[5]);
  Decoder decoder(argv[2], false, DatabaseSettings{},
                  [](uint64_t, uint64_t, const std::string& message) {
                    if (!message.empty()) std::printf("Error while decoding: %s\n", message.c_str());
                  });
  decoder.setOutputPath(argv[3]);
  decoder.setFrequency(code);
  const auto start = std::chrono::steady_clock::now();
  const bool ok = decoder.run();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("decode %s in %.3f s -> %s\n", ok ? "succeeded" : "FAILED", seconds,
              decoder.outputPath().c_str());
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string program = argv[0];
  if (program.find('/') != std::string::npos) benchDir = program.substr(0, program.rfind('/'));
  if (argc >= 2 && std::strcmp(argv[1], "--decode") == 0) return decodeFromCommandLine(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
