// The decode parameters printed before a verbose decode.
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

struct DecodeParameters {
  QString logPath;
  QString outputPath;
  QString serial;
  QDateTime start;
  QDateTime end;
  std::uint64_t uncompressedSize = 0;
  QString resampling;  // the resampling suffix, empty without resampling
  bool leaveBlank = false;
  bool milliseconds = false;
  QString floatFormat;
  QString columnSeparator;
  QString decimalSeparator;
  bool utc = true;
  bool unitLine = false;
  QList<QStringList> aliases;  // [full name, alias]
  QList<QStringList> filters;  // [full name, kind, limit]
};

// Every line ends with a newline.
QString parameterSummaryText(const DecodeParameters& p);
