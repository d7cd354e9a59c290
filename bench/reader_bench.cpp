// Throughput of the record stream: every record of a realistic file read
// and decoded, through the reader and through plain gzread() calls of the
// same sizes for comparison.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <zlib.h>

#include "reader/LogReader.h"
#include "tools/zrlwriter/ZrlWriter.h"

using namespace zrl;

namespace {

class BenchReader : public LogReader {
 public:
  using LogReader::LogReader;
  using LogReader::resetBytesRead;
};

const std::string& benchFile() {
  static const std::string path = [] {
    const char* dir = std::getenv("TMPDIR");
    std::string p = std::string(dir && *dir ? dir : "/tmp") + "/reader_bench_" +
                    std::to_string(::getpid()) + ".zrl";
    zrlwriter::writeBigFile(p, 64ull << 20);
    std::atexit([] { std::remove(benchFile().c_str()); });
    return p;
  }();
  return path;
}

void BM_ReadAllRecords(benchmark::State& state) {
  const std::string& path = benchFile();
  uint64_t bytes = 0;
  for (auto _ : state) {
    BenchReader reader(path, {});
    reader.resetBytesRead();
    if (!reader.openInputFile() || !reader.readMagic() || !reader.readHeader() ||
        !reader.openRecordStream()) {
      state.SkipWithError("cannot open the bench file");
      return;
    }
    NodeDataValue value;
    uint64_t records = 0;
    for (;;) {
      uint16_t id;
      if (!reader.readId(id)) break;
      if (id == 0xFFFF) {
        int64_t t;
        if (!reader.readAbsoluteTimestamp(t)) break;
      } else if (!reader.readVarData(id, reader.typeOf(id), value)) {
        break;
      }
      ++records;
    }
    benchmark::DoNotOptimize(records);
    bytes += reader.bytesRead() - 850805;
    reader.closeAll();
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_ReadAllRecords)->Unit(benchmark::kMillisecond);

// The same stream consumed by gzread() calls of record-field sizes (2, then
// 8), the access pattern the reader replaces.
void BM_GzreadSmallCalls(benchmark::State& state) {
  const std::string& path = benchFile();
  uint64_t bytes = 0;
  for (auto _ : state) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    ::lseek(fd, 850805, SEEK_SET);
    gzFile file = gzdopen(fd, "rb");
    char buffer[8];
    bool idNext = true;
    for (;;) {
      const int n = gzread(file, buffer, idNext ? 2 : 8);
      if (n <= 0) break;
      bytes += static_cast<uint64_t>(n);
      idNext = !idNext;
    }
    gzclose(file);
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_GzreadSmallCalls)->Unit(benchmark::kMillisecond);

// Inflating alone, in large blocks: the floor for any record reader.
void BM_InflateOnly(benchmark::State& state) {
  const std::string& path = benchFile();
  uint64_t bytes = 0;
  static char buffer[1 << 18];
  for (auto _ : state) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    ::lseek(fd, 850805, SEEK_SET);
    gzFile file = gzdopen(fd, "rb");
    for (;;) {
      const int n = gzread(file, buffer, sizeof buffer);
      if (n <= 0) break;
      bytes += static_cast<uint64_t>(n);
    }
    gzclose(file);
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_InflateOnly)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
