#include "app/IndexRun.h"

#include <atomic>

#include "common/Console.h"
#include "common/PathText.h"
#include "decode/LogStatistics.h"
#include "index/IndexStore.h"
#include "reader/LogReader.h"
#include "task/TerminalProgress.h"

namespace {

// The index's path on standard output once it is there; false (with the
// reason on standard error) otherwise.
bool indexLog(const std::string& logPath, TerminalProgress& terminal) {
  const QString shown = pathFromBytes(logPath);
  const std::atomic<bool> never{false};
  terminal.start();
  // One pass over the records makes the whole index, its summary included;
  // a fresh one is taken as it is.
  const zrl::LogStatistics statistics = zrl::computeLogStatistics(
      logPath, never, [&terminal](std::uint64_t done, std::uint64_t total) { terminal.update(done, total); });
  terminal.finish();
  if (!statistics.complete) {
    consoleLine(QStringLiteral("Cannot read the records of ") + shown + QStringLiteral(": ") +
                QString::fromStdString(statistics.error));
    return false;
  }
  zrl::LogReader reader(logPath, {});
  zrl::LogIdentity identity;
  zrl::LogIndex index;
  if (!reader.headRead() || !zrl::identifyLog(logPath, reader.streamStart(), identity) ||
      !index.load(zrl::indexPathFor(identity), identity)) {
    consoleLine(QStringLiteral("Cannot write the index of ") + shown + QStringLiteral(" to ") +
                pathFromBytes(zrl::indexCacheDirectory()));
    return false;
  }
  reportLine(pathFromBytes(zrl::indexPathFor(identity)));
  return true;
}

}  // namespace

int runIndex(const StartupOptions& options) {
  TerminalProgress terminal(TerminalProgress::wanted(options.quiet), stderr);
  bool allIndexed = indexLog(options.logPath, terminal);
  for (const std::string& more : options.moreLogPaths) allIndexed = indexLog(more, terminal) && allIndexed;
  return allIndexed ? 0 : 1;
}
