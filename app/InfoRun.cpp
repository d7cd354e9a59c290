#include "app/InfoRun.h"

#include <atomic>
#include <cstdio>

#include "app/HeadlessStart.h"
#include "common/Console.h"
#include "common/PathText.h"
#include "common/LogSummary.h"
#include "decode/Decoder.h"
#include "decode/LogStatistics.h"
#include "session/LoadedLog.h"
#include "session/Session.h"
#include "task/ConsoleDecodeObserver.h"
#include "task/TerminalProgress.h"

namespace {

LogSummary summaryOf(const LoadedLog& log) {
  const zrl::Decoder& d = log.decoder();
  LogSummary summary;
  summary.startMs = d.fileStartMs();
  summary.endMs = d.fileEndMs();
  summary.formatVersion = d.formatVersion();
  summary.uncompressedSize = d.uncompressedSize();
  summary.note = d.note();
  summary.firmware = d.firmware();
  summary.uid = d.uidText();
  summary.serial = d.serial();
  for (const zrl::VariableListing& variable : log.variables())
    summary.variables.push_back({variable.fullName, variable.type, variable.unitSymbol});
  return summary;
}

const char* typeWord(int type) {
  switch (type) {
    case 1: return "Boolean";
    case 2: return "Integer";
    case 3: return "Float";
    case 4: return "Double";
    case 5: return "String";
    case 6: return "CanFrame";
    case 7: return "Timestamp";
    default: return "Unknown";
  }
}

// --stats: the members one pass over the stream adds to the description.
bool addStatistics(Json::Value& info, const LoadedLog& log, TerminalProgress& terminal) {
  const std::atomic<bool> never{false};
  terminal.start();
  const zrl::LogStatistics statistics = zrl::computeLogStatistics(
      log.decoder().inputPath(), never, [&terminal](std::uint64_t done, std::uint64_t total) { terminal.update(done, total); });
  terminal.finish();
  if (!statistics.complete) {
    consoleLine(QStringLiteral("Cannot read the records of ") + log.path() + QStringLiteral(": ") +
                QString::fromStdString(statistics.error));
    return false;
  }
  info["duration"] = static_cast<double>(log.endMs() - log.startMs()) / 1000.0;
  info["records"] = Json::UInt64(statistics.records);
  info["timestamps"] = Json::UInt64(statistics.timestamps);
  Json::Value& data = info["data"];
  for (Json::ArrayIndex i = 0; i < data.size() && i < log.variables().size(); ++i) {
    const zrl::VariableListing& variable = log.variables()[i];
    const zrl::VariableStatistics& s = statistics.variables[variable.id];
    Json::Value& entry = data[i];
    entry["typename"] = typeWord(variable.type);
    entry["samples"] = Json::UInt64(s.samples);
    if (s.samples == 0) continue;
    entry["first"] = Json::Int64(s.firstMs);
    entry["last"] = Json::Int64(s.lastMs);
    // Samples per second between the first and the last.
    entry["rate"] = s.lastMs > s.firstMs ? static_cast<double>(s.samples - 1) * 1000.0 / (s.lastMs - s.firstMs) : 0.0;
    if (s.hasRange) {
      entry["min"] = s.minimum;
      entry["max"] = s.maximum;
    }
  }
  return true;
}

// One log's description on standard output; false (with the reason on
// standard error) when it cannot be given.
bool describe(const QString& path, const StartupOptions& options, TerminalProgress& terminal) {
  ConsoleDecodeObserver console(options.verbose, nullptr, nullptr);
  LoadedLog log(path, options.verbose, [&console](std::uint64_t done, std::uint64_t total, const std::string& message) {
    console.report(done, total, message);
  });
  if (!log.headRead()) {
    // Zeros and empty texts would pass for a description of an empty log.
    if (!log.loadError().isEmpty()) consoleLine(log.loadError());
    else if (log.readProblem().isEmpty() && !log.decoder().headCut())
      consoleLine(QStringLiteral("Unable to read the head of ") + path);
    return false;
  }
  Json::Value info = buildInfoJson(summaryOf(log));
  if (options.stats && !addStatistics(info, log, terminal)) return false;
  const std::string text = infoJsonText(info, options.stats ? 12 : 0);
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
  return true;
}

}  // namespace

int runInfo(const StartupOptions& options) {
  Session session(options.verbose);
  if (!loadRunConfiguration(session, options)) return 1;
  TerminalProgress terminal(TerminalProgress::wanted(options.quiet), stderr);
  // Each log is described in turn, one document each; one that cannot be
  // read does not keep the others from theirs.
  bool allDescribed = describe(pathFromBytes(options.logPath), options, terminal);
  for (const std::string& more : options.moreLogPaths)
    allDescribed = describe(pathFromBytes(more), options, terminal) && allDescribed;
  return allDescribed ? 0 : 1;
}
