// Decode speed on a generated log file with every variable selected.
//
//   decode_bench                      Google Benchmark runs on a ~32 MB body
//   decode_bench --decode LOG CSV [--resample CODE] [--method M] [--only ID]... [--format hdf5|mat]
//                                     one whole decode, for timing from a shell
//                                     (--format: an HDF5 or MATLAB file instead)
//                                     (DECODE_BENCH_THREADS=1: CPU per thread)
//   decode_bench --preview LOG [--columns N] [--only ID]... [--range START_S END_S] [--no-index]
//                                     one preview as the window gets it, by
//                                     default of every plottable variable:
//                                     the whole log (or seconds START_S to
//                                     END_S after its start) from the index's
//                                     buckets when it can, else by a pass,
//                                     which starts at the index's point
//                                     before the range; --no-index: a pass
//                                     from the first record, making nothing
//   decode_bench --inflate LOG        zlib's gzread of the record stream alone
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include <atomic>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <thread>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <zlib.h>

#include "decode/Decoder.h"
#include "decode/IndexEnvelope.h"
#include "decode/PreviewEnvelope.h"
#include "index/IndexStore.h"
#include "hdf5/Hdf5Sink.h"
#include "matlab/MatlabSink.h"
#include "reader/DataTypes.h"
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
  Decoder decoder(log, false,
                  [&](uint64_t, uint64_t, const std::string& message) {
                    if (!message.empty()) error = message;
                  });
  decoder.setOutputPath(csv);
  decoder.setFrequency(frequencyCode);
  decoder.setMethod(AggregationMethod::Mean);
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

// Process CPU time (user + system) in seconds.
double processCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long peakRssKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// CPU time per thread, sampled from /proc while the work runs (a thread's
// figures vanish when it ends); summed by thread name.
class ThreadCpuSampler {
 public:
  ThreadCpuSampler() : thread_([this] { loop(); }) {}
  ~ThreadCpuSampler() { stop(); }
  void stop() {
    if (!thread_.joinable()) return;
    stopping_ = true;
    thread_.join();
    sample();
  }
  void print() const {
    std::map<std::string, double> byName;
    for (const auto& entry : threads_) byName[entry.second.first] += entry.second.second;
    for (const auto& entry : byName) std::printf("thread %-16s %.2f s CPU\n", entry.first.c_str(), entry.second);
  }

 private:
  void loop() {
    while (!stopping_) {
      sample();
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  void sample() {
    const long ticks = sysconf(_SC_CLK_TCK);
    DIR* dir = opendir("/proc/self/task");
    if (dir == nullptr) return;
    const pid_t self = static_cast<pid_t>(syscall(SYS_gettid));
    while (dirent* entry = readdir(dir)) {
      if (entry->d_name[0] == '.') continue;
      const pid_t tid = static_cast<pid_t>(std::atoi(entry->d_name));
      if (tid == self) continue;
      std::ifstream in(std::string("/proc/self/task/") + entry->d_name + "/stat");
      std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      const size_t open = text.find('('), close = text.rfind(')');
      if (open == std::string::npos || close == std::string::npos) continue;
      std::istringstream rest(text.substr(close + 2));
      std::string field;
      unsigned long utime = 0, stime = 0;
      for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14) utime = std::stoul(field);
        if (i == 15) stime = std::stoul(field);
      }
      threads_[tid] = {text.substr(open + 1, close - open - 1), double(utime + stime) / double(ticks)};
    }
    closedir(dir);
  }
  std::atomic<bool> stopping_{false};
  std::map<pid_t, std::pair<std::string, double>> threads_;
  std::thread thread_;
};

// Inflates the record stream with zlib alone, in blocks of 128 KiB: the
// yardstick a decode is measured against.
int inflateFromCommandLine(const char* log) {
  const int fd = open(log, O_RDONLY);
  if (fd < 0 || lseek(fd, static_cast<off_t>(kHeadLength), SEEK_SET) < 0) {
    std::fprintf(stderr, "cannot open %s\n", log);
    return 1;
  }
  const double cpuBefore = processCpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  gzFile file = gzdopen(fd, "rb");
  std::vector<char> block(128 << 10);
  unsigned long long total = 0;
  int got;
  while ((got = gzread(file, block.data(), static_cast<unsigned>(block.size()))) > 0) total += unsigned(got);
  gzclose(file);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("inflated %llu bytes: %.3f s wall %.3f s CPU\n", total, seconds, processCpuSeconds() - cpuBefore);
  return got < 0 ? 1 : 0;
}

int decodeFromCommandLine(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr,
                 "usage: decode_bench --decode LOG CSV [--resample CODE] [--method M] [--only ID] [--format hdf5|mat]\n");
    return 2;
  }
  int32_t code = 0;
  AggregationMethod method = AggregationMethod::Median;
  std::vector<uint16_t> only;
  std::unique_ptr<zrl::RowSink> sink;
  for (int i = 4; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--format") == 0 && std::strcmp(argv[i + 1], "hdf5") == 0)
      sink = std::make_unique<zrl::Hdf5Sink>();
    if (std::strcmp(argv[i], "--format") == 0 && std::strcmp(argv[i + 1], "mat") == 0)
      sink = std::make_unique<zrl::MatlabSink>();
    if (std::strcmp(argv[i], "--resample") == 0) code = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--method") == 0)
      method = static_cast<AggregationMethod>(std::atoi(argv[i + 1]));
    if (std::strcmp(argv[i], "--only") == 0) only.push_back(static_cast<uint16_t>(std::atol(argv[i + 1])));
  }
  Decoder decoder(argv[2], false,
                  [](uint64_t, uint64_t, const std::string& message) {
                    if (!message.empty()) std::printf("Error while decoding: %s\n", message.c_str());
                  });
  decoder.setOutputPath(argv[3]);
  decoder.setRowSink(sink.get());
  decoder.setFrequency(code);
  decoder.setMethod(method);
  if (!only.empty()) {
    decoder.clearSelection();
    for (uint16_t id : only) decoder.setSelected(id, true);
  }
  ThreadCpuSampler threads;
  const double cpuBefore = processCpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  const bool ok = decoder.run();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpu = processCpuSeconds() - cpuBefore;
  threads.stop();
  std::printf("decode %s in %.3f s wall %.3f s CPU, peak RSS %ld kB -> %s\n", ok ? "succeeded" : "FAILED", seconds,
              cpu, peakRssKb(), decoder.outputPath().c_str());
  if (getenv("DECODE_BENCH_THREADS") != nullptr) threads.print();
  return ok ? 0 : 1;
}

// One whole-log preview pass, for timing against a decode of the same
// variables (print their ids with --only to pass them to --decode).
int previewFromCommandLine(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: decode_bench --preview LOG [--columns N] [--only ID]... "
                         "[--range START_S END_S] [--no-index]\n");
    return 2;
  }
  std::size_t columns = 2000;
  std::vector<uint16_t> ids;
  double fromSeconds = 0, toSeconds = 0;
  for (int i = 3; i < argc; ++i) {
    if (std::strcmp(argv[i], "--no-index") == 0) {
      setIndexesEnabled(false);
      continue;
    }
    if (i + 1 >= argc) break;
    if (std::strcmp(argv[i], "--columns") == 0) columns = static_cast<std::size_t>(std::atol(argv[++i]));
    else if (std::strcmp(argv[i], "--only") == 0) ids.push_back(static_cast<uint16_t>(std::atol(argv[++i])));
    else if (std::strcmp(argv[i], "--range") == 0 && i + 2 < argc) {
      fromSeconds = std::atof(argv[++i]);
      toSeconds = std::atof(argv[++i]);
    }
  }
  if (ids.empty()) {
    LogReader catalog(argv[2], {});
    for (const VariableListing& v : catalog.listVariables())
      if (v.type == DATALOGGER_BOOLEAN_TYPE || v.type == DATALOGGER_INTEGER_TYPE || v.type == DATALOGGER_FLOAT_TYPE ||
          v.type == DATALOGGER_DOUBLE_TYPE)
        ids.push_back(v.id);
  }
  std::printf("variables:");
  for (uint16_t id : ids) std::printf(" --only %u", unsigned(id));
  std::printf("\n");
  const std::atomic<bool> cancel{false};
  // The window knows the log's span before it asks.
  EnvelopeRange range;
  if (toSeconds > fromSeconds) {
    const LogReader head(argv[2], {});
    range.startMs = head.fileStartMs() + static_cast<int64_t>(fromSeconds * 1000);
    range.endMs = head.fileStartMs() + static_cast<int64_t>(toSeconds * 1000);
  }
  ThreadCpuSampler threads;
  const double cpuBefore = processCpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  PreviewResult result;
  const char* how = "pass";
  if (indexEnvelopeSource()(argv[2], ids, columns, range, cancel, result.envelope)) {
    result.complete = true;
    how = "buckets";
  } else {
    result = computePreviewEnvelope(argv[2], ids, columns, cancel, {}, range);
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  threads.stop();
  std::printf("preview %s from the %s (%zu columns) in %.3f s wall %.3f s CPU, peak RSS %ld kB\n",
              result.complete ? "complete" : "INCOMPLETE", how, result.envelope.columns, seconds,
              processCpuSeconds() - cpuBefore, peakRssKb());
  if (!result.error.empty()) std::printf("error: %s\n", result.error.c_str());
  if (getenv("DECODE_BENCH_THREADS") != nullptr) threads.print();
  return result.complete ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string program = argv[0];
  if (program.find('/') != std::string::npos) benchDir = program.substr(0, program.rfind('/'));
  if (argc >= 2 && std::strcmp(argv[1], "--decode") == 0) return decodeFromCommandLine(argc, argv);
  if (argc >= 2 && std::strcmp(argv[1], "--preview") == 0) return previewFromCommandLine(argc, argv);
  if (argc == 3 && std::strcmp(argv[1], "--inflate") == 0) return inflateFromCommandLine(argv[2]);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
