// Texts of the decode action that do not depend on widgets: control texts
// turned into codes, and the generated CSV name.
#pragma once

#include <QDateTime>
#include <QString>

// "None" 0, "0.01" -2, "0.1" -1, "1" ... "500" for the frequencies the
// resampler knows; any other text 0 (no resampling).
int frequencyCodeForText(const QString& text);

// "Median" 0, "Mean" 1, "Min" 2, "Max" 3, "First" 4, "Last" 5; else 0.
int methodCodeForText(const QString& text);

// "" without resampling, "_0.01Hz", "_0.1Hz", or "_<n>Hz".
QString resamplingSuffix(int frequencyCode);

// outputDir "/" first four characters of the log file's base name "-"
// yyyyMMdd "-" hhmmss of the window start, the resampling suffix, ".csv".
QString defaultOutputName(const QString& outputDir, const QString& logPath, const QDateTime& start,
                          int frequencyCode);
