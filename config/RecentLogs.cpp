#include "config/RecentLogs.h"

#include <QFileInfo>

#include "config/ProgramSettings.h"

namespace {
const char kRecentLogsKey[] = "recentLogs";
}  // namespace

QStringList recentLogs() {
  QStringList logs = openProgramSettings()->value(QLatin1String(kRecentLogsKey)).toStringList();
  logs.removeAll(QString());
  return logs.mid(0, kRecentLogCount);
}

void rememberRecentLog(const QString& path) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  QStringList logs = recentLogs();
  logs.removeAll(absolute);
  logs.prepend(absolute);
  auto settings = openProgramSettings();
  settings->setValue(QLatin1String(kRecentLogsKey), QVariant(logs.mid(0, kRecentLogCount)));
  settings->sync();
}
