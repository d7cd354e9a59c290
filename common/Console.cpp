#include "common/Console.h"

#include <cstdio>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>

#include "values/Diagnostics.h"
#include "common/PathText.h"

void consoleText(const QString& text) {
  const QByteArray bytes = visibleText(text);
  zrl::printDiagnosticText(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

void consoleLine(const QString& text) { consoleText(text + QLatin1Char('\n')); }

void reportText(const QString& text) {
  const QByteArray bytes = visibleText(text);
  zrl::printReportText(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

void reportLine(const QString& text) { reportText(text + QLatin1Char('\n')); }

namespace {
int reservedTableDescriptor = -1;
}

bool reserveStandardOutputForTable() {
  std::fflush(stdout);
  const int table = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
  if (table < 0) return false;
  if (::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
    ::close(table);
    return false;
  }
  reservedTableDescriptor = table;
  return true;
}

int tableDescriptor() { return reservedTableDescriptor; }
