// The log files loaded last, newest first, for the "Recent logs" menu.
#pragma once

#include <QString>
#include <QStringList>

constexpr int kRecentLogCount = 8;

QStringList recentLogs();
// Puts `path` (made absolute) first, drops an older entry of the same file
// and keeps at most kRecentLogCount.
void rememberRecentLog(const QString& path);
