#include "task/ParameterSummary.h"

namespace {

QString flag(bool value) { return value ? QStringLiteral("1") : QStringLiteral("0"); }

}  // namespace

QString parameterSummaryText(const DecodeParameters& p) {
  QString text;
  auto line = [&text](const char* label, const QString& value) {
    text += QLatin1String(label) + value + QLatin1Char('\n');
  };
  text += QStringLiteral("ZRL decode parameters : \n");
  line("  - ZRL file : ", p.logPath);
  line("  - CSV file : ", p.outputPath);
  line("  - Tarvix Serial num : ", p.serial);
  line("  - Start : ", p.start.toString(Qt::TextDate));
  line("  - End : ", p.end.toString(Qt::TextDate));
  line("  - Uncompressed size : ", QString::number(p.uncompressedSize));
  line("  - Resampling : ", p.resampling);
  line("  - Leave Blank Cell : ", flag(p.leaveBlank));
  line("  - Msec in date : ", flag(p.milliseconds));
  line("  - Float format : ", p.floatFormat);
  line("  - Column separator : ", p.columnSeparator);
  line("  - Decimal separator : ", p.decimalSeparator);
  line("  - UTC : ", flag(p.utc));
  line("  - Unit line : ", flag(p.unitLine));
  if (!p.aliases.isEmpty()) {
    text += QStringLiteral("  - Aliases : \n");
    for (const QStringList& pair : p.aliases) {
      if (pair.size() >= 2) line("    - ", pair[0] + QStringLiteral(" = ") + pair[1]);
    }
  }
  if (!p.filters.isEmpty()) {
    text += QStringLiteral("  - Filters : \n");
    for (const QStringList& filter : p.filters) {
      if (filter.size() >= 2) line("    - ", filter[0] + QStringLiteral(" = ") + filter[1]);
    }
  }
  return text;
}
