#include "decode/task/OutputName.h"

#include <QFileInfo>

int frequencyCodeForText(const QString& text) {
  if (text == QLatin1String("0.01")) return -2;
  if (text == QLatin1String("0.1")) return -1;
  static const int known[] = {1, 2, 5, 10, 20, 25, 50, 100, 200, 250, 500};
  for (int code : known) {
    if (text == QString::number(code)) return code;
  }
  return 0;
}

int methodCodeForText(const QString& text) {
  static const char* const names[] = {"Median", "Mean", "Min", "Max", "First", "Last"};
  for (int code = 0; code < 6; ++code) {
    if (text == QLatin1String(names[code])) return code;
  }
  return 0;
}

QString resamplingSuffix(int frequencyCode) {
  if (frequencyCode == 0) return QString();
  if (frequencyCode == -2) return QStringLiteral("_0.01Hz");
  if (frequencyCode == -1) return QStringLiteral("_0.1Hz");
  return QStringLiteral("_") + QString::number(frequencyCode) + QStringLiteral("Hz");
}

QString defaultOutputName(const QString& outputDir, const QString& logPath, const QDateTime& start,
                          int frequencyCode) {
  const QString prefix = QFileInfo(logPath).completeBaseName().left(4);
  return outputDir + QStringLiteral("/") + prefix + QStringLiteral("-") +
         start.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("-") +
         start.toString(QStringLiteral("hhmmss")) + resamplingSuffix(frequencyCode) + QStringLiteral(".csv");
}
