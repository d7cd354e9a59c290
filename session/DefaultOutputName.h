// The CSV name the decode action generates when none was given.
#pragma once

#include <QDateTime>
#include <QString>

// "" without resampling, "_0.01Hz", "_0.1Hz", or "_<n>Hz".
QString resamplingSuffix(int frequencyCode);

// outputDir "/" first four characters of the log file's base name "-"
// yyyyMMdd "-" hhmmss of the window start, the resampling suffix, then
// `extension` (".csv", ".h5", ".mat").
QString defaultOutputName(const QString& outputDir, const QString& logPath, const QDateTime& start,
                          int frequencyCode, const QString& extension = QStringLiteral(".csv"));
