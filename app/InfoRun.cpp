#include "app/InfoRun.h"

#include <cstdio>

#include "app/HeadlessStart.h"
#include "common/Console.h"
#include "common/PathText.h"
#include "common/LogSummary.h"
#include "decode/Decoder.h"
#include "session/LoadedLog.h"
#include "session/Session.h"
#include "task/ConsoleDecodeObserver.h"

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

}  // namespace

int runInfo(const StartupOptions& options) {
  Session session(options.verbose);
  if (!loadRunConfiguration(session, options)) return 1;

  ConsoleDecodeObserver console(options.verbose, nullptr, nullptr);
  const QString path = pathFromBytes(options.logPath);
  LoadedLog log(path, options.verbose, [&console](std::uint64_t done, std::uint64_t total, const std::string& message) {
    console.report(done, total, message);
  });
  if (!log.headRead()) {
    // Zeros and empty texts would pass for a description of an empty log.
    if (!log.loadError().isEmpty()) consoleLine(log.loadError());
    else if (log.readProblem().isEmpty()) consoleLine(QStringLiteral("Unable to read the head of ") + path);
    return 1;
  }
  const std::string text = infoJsonText(buildInfoJson(summaryOf(log)));
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
  return 0;
}
