// Whole decodes of fuzzed record streams with fuzzed settings. The head is
// our writer's, with the version, the time span, the stored size and the
// variables' types and decimals taken from the input; the records follow it
// plain, as one or several gzip members, with garbage behind them, or cut.
//
// Besides crashes, sanitizer reports and hangs, a run must never report
// success for a failed decode, never touch an existing output file, always
// start the table it creates with the byte order mark, leave no table
// behind when cancelled, never leave a ".part" file, and never write a
// resampled row outside the time window or outside the bin of its data.
// A decode of a time window that starts from a point of the log's index
// (made by a whole decode just before) must give the same result, messages
// and table as one that reads from the first record.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "decode/Decoder.h"
#include "tests/fuzz/DecodeCase.h"
#include "tests/fuzz/FuzzLog.h"
#include "tests/fuzz/ResampledRows.h"

using namespace zrl;

using namespace zrlfuzz;

namespace {

struct LogTemplate {
  std::string path;
  int fd = -1;
  std::size_t headSize = 0;
};

LogTemplate templates[kNewestVersion + 1];
std::string outputDir;

void check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "decode_fuzz: %s\n", what);
  std::abort();
}

void writeTimeValue(int fd, std::size_t offset, int64_t ms) {
  const zrlwriter::TimeValue t = zrlwriter::TimeValue::fromMs(ms);
  uint8_t bytes[12] = {};
  putLe(bytes, static_cast<uint32_t>(t.seconds), 4);
  putLe(bytes + 8, static_cast<uint32_t>(t.nanoseconds), 4);
  writeAt(fd, offset, bytes, sizeof bytes);
}

std::string storedBody(const DecodeCase& c) {
  std::string stored;
  switch (c.storage) {
    case BodyStorage::Plain:
      stored = c.records;
      break;
    case BodyStorage::Gzip:
      stored = zrlwriter::gzipCompress(c.records, 1);
      break;
    case BodyStorage::GzipMembers: {
      const std::size_t step = (c.records.size() + c.members - 1) / c.members;
      for (std::size_t begin = 0; begin < c.records.size() || stored.empty(); begin += step) {
        stored += zrlwriter::gzipCompress(c.records.substr(begin, step), 1);
        if (step == 0) break;
      }
      break;
    }
    case BodyStorage::GzipWithGarbage:
      stored = zrlwriter::gzipCompress(c.records, 1) + std::string("\0\0garbage\x1f\x8b\x08", 12);
      break;
  }
  if (c.cut != 0) stored.resize(stored.size() * c.cut / 256);
  return stored;
}

// Rewrites the template of the case's version into the case's log file.
const std::string& prepareLog(const DecodeCase& c) {
  using namespace zrlwriter::layout;
  const LogTemplate& log = templates[c.version];
  const int64_t endMs = kFileStartMs + c.spanMs;
  writeTimeValue(log.fd, kEndTimeOffset, endMs);
  writeTimeValue(log.fd, kStartCounterOffset, 123456);
  writeTimeValue(log.fd, kEndCounterOffset, 123456 + static_cast<int64_t>(c.spanMs));

  uint32_t storedSize = zrlwriter::correctStoredSize(c.records.size());
  if (c.storedSizeMode == 1) storedSize = c.storedSize;
  if (c.storedSizeMode == 2) storedSize += 1;
  uint8_t size[4];
  putLe(size, storedSize, 4);
  writeAt(log.fd, kStoredSizeOffset, size, sizeof size);

  const std::size_t descriptors = catalogOffset(c.version) + descriptorsOffset(c.version);
  for (int i = 0; i < kVariableCount; ++i) {
    const std::size_t at = descriptors + kVariables[i].slot * zrlwriter::layout::kDescriptorSize;
    writeAt(log.fd, at + 4, &c.types[i], 1);
    writeAt(log.fd, at + 6, &c.decimals[i], 1);
  }

  const std::string body = storedBody(c);
  writeAt(log.fd, log.headSize, body.data(), body.size());
  check(::ftruncate(log.fd, static_cast<off_t>(log.headSize + body.size())) == 0, "ftruncate");
  return log.path;
}

// The separators the window offers, in the order of their choices; any other
// choice is the character of its own code.
char separatorOf(uint8_t choice, const char* offered) {
  const std::size_t count = std::strlen(offered);
  return choice < count ? offered[choice] : static_cast<char>(choice);
}
const char kColumnSeparators[] = ";,\t";
const char kDecimalSeparators[] = ".,";

// Up to `length` bytes from the start of `path`; empty when it cannot be read.
std::string startOf(const std::string& path, std::size_t length) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return "";
  std::string bytes(length, '\0');
  bytes.resize(std::fread(bytes.data(), 1, length, f));
  std::fclose(f);
  return bytes;
}

void applySettings(Decoder& d, const DecodeCase& c) {
  const auto& codes = frequencyCodes();
  d.setFrequency(codes[c.frequencyIndex % codes.size()]);
  // Methods 6 and 7 are unchecked codes, taken as Median.
  d.setMethod(static_cast<AggregationMethod>(c.method % 8));
  d.setFloatFormat(static_cast<FloatFormat>(c.floatFormat < 5 ? c.floatFormat : 4));
  d.setColumnSeparator(separatorOf(c.columnSeparator, kColumnSeparators));
  d.setDecimalSeparator(separatorOf(c.decimalSeparator, kDecimalSeparators));
  d.setUtc(c.flags & DecodeCase::kUtc);
  d.setMilliseconds(c.flags & DecodeCase::kMilliseconds);
  d.setUnitLine(c.flags & DecodeCase::kUnitLine);
  d.setLeaveBlank(c.flags & DecodeCase::kLeaveBlank);
  d.clearSelection();
  for (int i = 0; i < kVariableCount; ++i)
    d.setSelected(kVariables[i].slot, (c.selection >> i) & 1);

  const int64_t fileStart = kFileStartMs;
  const int64_t fileEnd = kFileStartMs + c.spanMs;
  switch (c.windowStart) {
    case WindowChoice::Whole: d.setStartMs(0); break;
    case WindowChoice::FileLimit: d.setStartMs(fileStart); break;
    case WindowChoice::Offset: d.setStartMs(fileStart + c.startOffsetMs); break;
    case WindowChoice::Outside: d.setStartMs(fileStart - 1); break;
  }
  switch (c.windowEnd) {
    case WindowChoice::Whole: d.setEndMs(0); break;
    case WindowChoice::FileLimit: d.setEndMs(fileEnd); break;
    case WindowChoice::Offset: d.setEndMs(fileStart + c.endOffsetMs); break;
    case WindowChoice::Outside: d.setEndMs(fileEnd + 1); break;
  }

  std::vector<AliasEntry> aliases;
  for (const auto& a : c.aliases) aliases.emplace_back(fullName(a.first % (kVariableCount + 1)), a.second);
  d.setAliases(aliases);
  std::vector<RowFilterEntry> filters;
  for (const auto& f : c.filters) {
    const std::string kind = f.kind == 0xFF ? "between" : (f.kind % 2 ? "maximum" : "minimum");
    filters.push_back({fullName(f.variable % (kVariableCount + 1)), kind, f.limit});
  }
  d.setFilters(filters);
}

// Row times are exact only in UTC with milliseconds. A cut stream is left
// out: its last timestamp is still completed with zeros by the reader.
void checkResampledRows(const DecodeCase& c, const std::string& tablePath) {
  const auto& codes = frequencyCodes();
  const int32_t code = codes[c.frequencyIndex % codes.size()];
  const int64_t period = periodFromFrequencyCode(code);
  if (code == 0 || period <= 0 || c.cut != 0) return;
  if (!(c.flags & DecodeCase::kUtc) || !(c.flags & DecodeCase::kMilliseconds)) return;
  const char separator = separatorOf(c.columnSeparator, kColumnSeparators);
  const char decimal = separatorOf(c.decimalSeparator, kDecimalSeparators);
  const uint64_t fileStart = static_cast<uint64_t>(kFileStartMs);
  const uint64_t fileEnd = static_cast<uint64_t>(kFileStartMs + c.spanMs);
  const uint64_t start = c.windowStart == WindowChoice::Offset ? fileStart + c.startOffsetMs : fileStart;
  const uint64_t end = c.windowEnd == WindowChoice::Offset ? fileStart + c.endOffsetMs : fileEnd;
  struct stat info;
  if (::stat(tablePath.c_str(), &info) != 0) return;
  std::vector<int64_t> rows;
  if (!rowTimes(startOf(tablePath, static_cast<std::size_t>(info.st_size)), separator, decimal,
                c.flags & DecodeCase::kUnitLine, rows))
    return;
  const char* problem = misplacedRow(rows, streamTimes(c), period, start, end);
  check(problem == nullptr, problem != nullptr ? problem : "");
}

struct Decoded {
  bool ok = false;
  std::vector<std::string> messages;
  std::string table;
};

Decoded decodeOnce(const DecodeCase& c, const std::string& logPath, bool window, bool useIndex) {
  Decoded result;
  Decoder decoder(logPath, false, [&](uint64_t, uint64_t, const std::string& message) {
    if (!message.empty()) result.messages.push_back(message);
  });
  applySettings(decoder, c);
  if (!window) {
    decoder.setStartMs(0);
    decoder.setEndMs(0);
  }
  decoder.setUseIndex(useIndex);
  const std::string path = outputDir + "/indexed.csv";
  decoder.setOutputPath(path);
  result.ok = decoder.run();
  result.table = startOf(path, 64 << 20);
  ::unlink(path.c_str());
  return result;
}

void checkIndexedWindow(const DecodeCase& c, const std::string& logPath) {
  if (c.flags & (DecodeCase::kCancel | DecodeCase::kExistingOutput)) return;
  if (c.windowStart == WindowChoice::Whole && c.windowEnd == WindowChoice::Whole) return;
  setenv("ZRL_INDEX_SPACING", std::to_string(1024u << (c.indexSpacing % 8)).c_str(), 1);
  decodeOnce(c, logPath, false, true);
  const Decoded seeking = decodeOnce(c, logPath, true, true);
  const Decoded plain = decodeOnce(c, logPath, true, false);
  check(seeking.ok == plain.ok, "a window from the index ended otherwise");
  check(seeking.messages == plain.messages, "a window from the index said something else");
  check(seeking.table == plain.table, "a window from the index wrote another table");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  silenceStdout();
  for (uint32_t v = 0; v <= kNewestVersion; ++v) {
    LogTemplate& log = templates[v];
    log.path = scratchSubdir("logs") + "/v" + std::to_string(v) + ".zrl";
    const std::string head = zrlwriter::encodeHead(templateHead(v), 0);
    log.headSize = head.size();
    log.fd = ::open(log.path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    check(log.fd >= 0, "cannot create the log template");
    writeAt(log.fd, 0, head.data(), head.size());
  }
  outputDir = scratchSubdir("out");
  // Indexes of the fuzzed logs stay in the scratch folder, and few.
  setenv("XDG_CACHE_HOME", scratchSubdir("cache").c_str(), 1);
  setenv("ZRL_INDEX_CACHE_MB", "64", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const DecodeCase c = DecodeCase::parse(data, size);
  const std::string& logPath = prepareLog(c);

  const bool shortName = c.flags & DecodeCase::kShortOutputName;
  const std::string outputPath = outputDir + (shortName ? "/o" : "/out.csv");
  const std::string existing = "an earlier table\r\n";
  if (c.flags & DecodeCase::kExistingOutput) {
    FILE* f = std::fopen(outputPath.c_str(), "wb");
    check(f != nullptr, "cannot create the existing output");
    std::fwrite(existing.data(), 1, existing.size(), f);
    std::fclose(f);
  }

  std::vector<std::string> messages;
  std::string createdOutput;
  bool ok = false;
  bool cancelled = false;
  int steps = 0;
  Decoder* running = nullptr;
  {
    Decoder decoder(logPath, false,
                    [&](uint64_t, uint64_t, const std::string& message) {
                      if (!message.empty()) {
                        messages.push_back(message);
                      } else if (running != nullptr && (c.flags & DecodeCase::kCancel) &&
                                 ++steps == c.cancelAtStep) {
                        running->requestCancel();
                      }
                    });
    applySettings(decoder, c);
    decoder.setOutputPath(outputPath);
    running = &decoder;
    ok = decoder.run();
    running = nullptr;
    check(ok || !messages.empty(), "a failed decode reported no message");
    cancelled = decoder.cancelled();
    const auto opened = [&](const std::string& failure) {
      return std::none_of(messages.begin(), messages.end(),
                          [&](const std::string& m) { return m.compare(0, failure.size(), failure) == 0; });
    };
    if (opened("Failed to open output file") && opened("Failed to open input file"))
      createdOutput = decoder.outputPath();
  }

  if (c.flags & DecodeCase::kExistingOutput)
    check(startOf(outputPath, 64) == existing, "the existing output was changed");
  if (!createdOutput.empty()) {
    if (cancelled) {
      check(::access(createdOutput.c_str(), F_OK) != 0, "a cancelled decode left its table");
    } else if (ok || ::access(createdOutput.c_str(), F_OK) == 0) {
      // A failure before the first row leaves no table.
      check(startOf(createdOutput, 3) == "\xEF\xBB\xBF", "a table without its byte order mark");
      checkResampledRows(c, createdOutput);
    }
  }
  check(!hasFileEndingIn(outputDir, ".part"), "a .part file survived the run");
  removeFilesIn(outputDir);
  checkIndexedWindow(c, logPath);
  return 0;
}
