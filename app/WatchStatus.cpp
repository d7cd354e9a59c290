#include "app/WatchStatus.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <map>

#include "common/Console.h"
#include "common/PathText.h"
#include "watch/Journal.h"

namespace {

struct Counts {
  int done = 0;
  int failed = 0;
  int pending = 0;  // decoding included: to a reader they are all still to come
};

QString timeText(std::int64_t ms) {
  return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString lineOf(const JournalEntry& e) {
  const QString path = QDir(e.folder).relativeFilePath(e.identity.path);
  switch (e.state) {
    case LogState::Done: {
      QString line = QStringLiteral("  done     %1  %2 rows  %3").arg(path).arg(e.rows).arg(e.output);
      if (!e.movedTo.isEmpty()) line += QStringLiteral("  (moved to %1)").arg(e.movedTo);
      return line;
    }
    case LogState::Failed: {
      QString line = QStringLiteral("  failed   %1  %2").arg(path, e.reason);
      if (!e.movedTo.isEmpty()) line += QStringLiteral("  (moved to %1)").arg(e.movedTo);
      return line;
    }
    case LogState::Decoding: return QStringLiteral("  decoding %1  since %2").arg(path, timeText(e.startedMs));
    case LogState::Pending:
      if (e.attempts == 0) return QStringLiteral("  pending  %1").arg(path);
      return QStringLiteral("  pending  %1  attempt %2 at %3: %4")
          .arg(path)
          .arg(e.attempts + 1)
          .arg(timeText(e.nextRetryMs), e.reason);
  }
  return QString();
}

}  // namespace

int runWatchStatus(const StartupOptions& options) {
  const QString file = Journal::defaultFile();
  QString folder;
  if (options.watchStatus && !options.watchStatus->empty()) {
    const QString given = pathFromBytes(*options.watchStatus);
    const QFileInfo info(given);
    // A folder that is gone can still be asked about by the name it had.
    folder = info.exists() ? info.canonicalFilePath() : QDir::cleanPath(QDir::current().absoluteFilePath(given));
  }
  if (!QFileInfo::exists(file)) {
    reportLine(QStringLiteral("No folder has been watched yet."));
    return 0;
  }
  Journal journal;
  if (!journal.open(file)) {
    consoleLine(QStringLiteral("Error: journal ") + file + QStringLiteral(": ") + journal.error());
    return 1;
  }
  // Counts first, so the summary leads however long the list.
  std::map<QString, Counts> counts;
  journal.forEach(folder, [&](const JournalEntry& e) {
    Counts& c = counts[e.folder];
    if (e.state == LogState::Done) ++c.done;
    else if (e.state == LogState::Failed) ++c.failed;
    else ++c.pending;
  });
  if (counts.empty()) {
    reportLine(folder.isEmpty() ? QStringLiteral("No folder has been watched yet.")
                                : QStringLiteral("Nothing is known of ") + folder + QStringLiteral("."));
    return 0;
  }
  QString current;
  journal.forEach(folder, [&](const JournalEntry& e) {
    if (e.folder != current) {
      current = e.folder;
      const Counts& c = counts[current];
      reportLine(QStringLiteral("%1: %2 done, %3 failed, %4 pending").arg(current).arg(c.done).arg(c.failed).arg(c.pending));
    }
    reportLine(lineOf(e));
  });
  return 0;
}
