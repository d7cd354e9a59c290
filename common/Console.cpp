#include "common/Console.h"

#include <cstdio>

void consoleText(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
  std::fflush(stdout);
}

void consoleLine(const QString& text) { consoleText(text + QLatin1Char('\n')); }
