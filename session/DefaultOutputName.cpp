#include "session/DefaultOutputName.h"

#include <QFileInfo>

QString resamplingSuffix(int frequencyCode) {
  if (frequencyCode == 0) return QString();
  if (frequencyCode == -2) return QStringLiteral("_0.01Hz");
  if (frequencyCode == -1) return QStringLiteral("_0.1Hz");
  return QStringLiteral("_") + QString::number(frequencyCode) + QStringLiteral("Hz");
}

QString defaultOutputName(const QString& outputDir, const QString& logPath, const QDateTime& start,
                          int frequencyCode, const QString& extension) {
  const QString prefix = QFileInfo(logPath).completeBaseName().left(4);
  return outputDir + QStringLiteral("/") + prefix + QStringLiteral("-") +
         start.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("-") +
         start.toString(QStringLiteral("hhmmss")) + resamplingSuffix(frequencyCode) + extension;
}
