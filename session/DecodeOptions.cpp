#include "session/DecodeOptions.h"

namespace {

void takeOffered(QString& field, const std::optional<QString>& text, const QStringList& choices) {
  if (text && choices.contains(*text)) field = *text;
}

}  // namespace

bool DecodeOptions::operator==(const DecodeOptions& o) const {
  return floatFormat == o.floatFormat && columnSeparator == o.columnSeparator &&
         decimalSeparator == o.decimalSeparator && method == o.method && frequency == o.frequency &&
         milliseconds == o.milliseconds && timeFormat == o.timeFormat && bom == o.bom &&
         lineEnd == o.lineEnd && outputFormat == o.outputFormat && utc == o.utc && unitLine == o.unitLine && leaveBlank == o.leaveBlank &&
         typeFilters.floats == o.typeFilters.floats && typeFilters.integers == o.typeFilters.integers &&
         typeFilters.strings == o.typeFilters.strings && typeFilters.booleans == o.typeFilters.booleans;
}

const QStringList& floatFormatChoices() {
  static const QStringList choices{QStringLiteral("Tarvik"), QStringLiteral("1 decimal"), QStringLiteral("3 decimals"),
                                   QStringLiteral("5 decimals"), QStringLiteral("7 decimals")};
  return choices;
}

const QStringList& columnSeparatorChoices() {
  static const QStringList choices{QStringLiteral(";"), QStringLiteral(","), QStringLiteral("tab")};
  return choices;
}

const QStringList& decimalSeparatorChoices() {
  static const QStringList choices{QStringLiteral("."), QStringLiteral(",")};
  return choices;
}

const QStringList& methodChoices() {
  static const QStringList choices{QStringLiteral("Median"), QStringLiteral("Mean"), QStringLiteral("Min"),
                                   QStringLiteral("Max"),    QStringLiteral("First"), QStringLiteral("Last")};
  return choices;
}

const QStringList& frequencyChoices() {
  static const QStringList choices{QStringLiteral("None"), QStringLiteral("100"), QStringLiteral("50"),
                                   QStringLiteral("20"),   QStringLiteral("10"),  QStringLiteral("5"),
                                   QStringLiteral("1"),    QStringLiteral("0.1"), QStringLiteral("0.01")};
  return choices;
}

const QStringList& cellFillingChoices() {
  static const QStringList choices{QStringLiteral("Last known value"), QStringLiteral("Leave blank")};
  return choices;
}

const QStringList& timeFormatChoices() {
  static const QStringList choices{QStringLiteral("iso"), QStringLiteral("epoch-ms"), QStringLiteral("seconds")};
  return choices;
}

const QStringList& lineEndChoices() {
  static const QStringList choices{QStringLiteral("crlf"), QStringLiteral("lf")};
  return choices;
}

const QStringList& outputFormatChoices() {
  static const QStringList choices{QStringLiteral("csv"), QStringLiteral("hdf5"), QStringLiteral("mat")};
  return choices;
}

QString unusableOptionText(const DecodeOptions& options) {
  const auto unknown = [](const char* key, const QString& value, const QStringList& choices) {
    return QStringLiteral("key \"%1\" is \"%2\": choose %3")
        .arg(QLatin1String(key), value, choices.join(QStringLiteral(", ")));
  };
  if (!options.timeFormat.isEmpty() && !timeFormatChoices().contains(options.timeFormat))
    return unknown("timeFormat", options.timeFormat, timeFormatChoices());
  if (!lineEndChoices().contains(options.lineEnd)) return unknown("lineEnd", options.lineEnd, lineEndChoices());
  if (!outputFormatChoices().contains(options.outputFormat))
    return unknown("outputFormat", options.outputFormat, outputFormatChoices());
  return QString();
}

DecodeOptions optionsFromConfig(const LoadedOptions& loaded, DecodeOptions current) {
  takeOffered(current.floatFormat, loaded.floatFormat, floatFormatChoices());
  takeOffered(current.columnSeparator, loaded.columnSeparator, columnSeparatorChoices());
  takeOffered(current.decimalSeparator, loaded.decimalSeparator, decimalSeparatorChoices());
  current.milliseconds = loaded.milliseconds;
  current.utc = loaded.utc;
  current.timeFormat = loaded.timeFormat.value_or(QString());
  current.bom = loaded.bom;
  current.lineEnd = loaded.lineEnd.value_or(QStringLiteral("crlf"));
  current.outputFormat = loaded.outputFormat.value_or(QStringLiteral("csv"));
  if (loaded.unitLine) current.unitLine = *loaded.unitLine;
  if (loaded.cellFilling) current.leaveBlank = !*loaded.cellFilling;
  // "method" then "aggregation": the later offered one wins.
  for (const QString& method : loaded.methodTexts) takeOffered(current.method, method, methodChoices());
  if (loaded.typeFilterFloat) current.typeFilters.floats = *loaded.typeFilterFloat;
  if (loaded.typeFilterInt) current.typeFilters.integers = *loaded.typeFilterInt;
  if (loaded.typeFilterString) current.typeFilters.strings = *loaded.typeFilterString;
  if (loaded.typeFilterBool) current.typeFilters.booleans = *loaded.typeFilterBool;
  return current;
}

DecodeOptions optionsWithoutConfig(DecodeOptions current) {
  current.milliseconds = false;
  current.utc = true;
  current.timeFormat.clear();
  current.bom = true;
  current.lineEnd = QStringLiteral("crlf");
  current.outputFormat = QStringLiteral("csv");
  return current;
}

bool frequencyAllowed(const QString& text, float recordingFrequency) {
  if (text == QLatin1String("None")) return true;
  return frequencyChoices().contains(text) && recordingFrequency > text.toFloat();
}

QString frequencyForLog(const QString& current, float recordingFrequency, const std::optional<QString>& configured,
                        bool configHasFrequency) {
  if (configHasFrequency) {
    const QString text = configured.value_or(QString());
    return frequencyChoices().contains(text) ? text : QStringLiteral("None");
  }
  return frequencyAllowed(current, recordingFrequency) ? current : QStringLiteral("None");
}
