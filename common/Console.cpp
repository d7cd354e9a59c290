#include "common/Console.h"

#include <string_view>

#include "values/Diagnostics.h"

void consoleText(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  zrl::printDiagnosticText(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

void consoleLine(const QString& text) { consoleText(text + QLatin1Char('\n')); }
