// The decode options kept in the configuration object, read from and
// written to it as typed values. The window maps them onto its controls.
#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <json/json.h>

#include <optional>

// A name in the display form "alias [Group.Variable]" reduced to the full
// variable name; any other name is returned unchanged.
QString reduceDisplayName(const QString& name);

// A variable named in a configuration: a text that is exactly the full name
// of one of the log's variables (`fullNames`) means that variable, whatever
// brackets it holds; any other text is reduced as a display name.
QString resolveVariableName(const QString& text, const QSet<QString>& fullNames);

// The text under `key`, when present and a text.
std::optional<QString> configText(const Json::Value& config, const char* key);
// The flag under `key`, when present and a bool.
std::optional<bool> configBool(const Json::Value& config, const char* key);

// What a loaded configuration asks of the window. Values of the wrong type
// count as absent; array entries without a partner entry are left out.
struct LoadedOptions {
  std::optional<QString> zrl;
  std::optional<QString> floatFormat;
  std::optional<QString> columnSeparator;
  std::optional<QString> decimalSeparator;
  bool milliseconds = false;
  bool utc = true;
  std::optional<bool> unitLine;
  std::optional<bool> cellFilling;  // true: "Last known value"
  std::optional<QString> timeFormat;  // "iso", "epoch-ms", "seconds"; absent: Date and Hour
  bool bom = true;
  std::optional<QString> lineEnd;     // "crlf", "lf"
  std::optional<QString> outputFormat;  // "csv", "hdf5", "mat"
  bool aliasesGiven = false;        // "aliasVal" present: the alias list is replaced
  QList<QStringList> aliases;       // [full name, alias]; first pair of a name wins
  // [name as written, "maximum"/"minimum", limit]; maxima first. A limit
  // given as a JSON number counts as its text. Only the
  // log's names tell a full name from a display form: see resolveVariableName.
  QList<QStringList> conditions;
  QStringList methodTexts;          // "method" then "aggregation"; the later one wins
  std::optional<bool> typeFilterFloat;
  std::optional<bool> typeFilterInt;
  std::optional<bool> typeFilterString;
  std::optional<bool> typeFilterBool;
};

LoadedOptions readLoadedOptions(const Json::Value& config);

// One warning per known key whose value has the wrong type (such a value is
// ignored), e.g. `key "selected_vars" is not a list of texts`.
QStringList mistypedKeys(const Json::Value& config);

// The full names of "selected_vars", reduced; non-text entries are skipped.
QStringList selectedVariableNames(const Json::Value& config);

// What the window's controls hold when the configuration is saved.
struct SavedOptions {
  QString floatFormat;
  QString columnSeparator;
  QString decimalSeparator;
  QString frequency;
  QString method;
  bool milliseconds = false;
  bool utc = true;
  bool unitLine = false;
  bool cellFilling = true;  // true: "Last known value"
  // Stored only when they differ from the default, which removes the key.
  QString timeFormat;  // empty: Date and Hour
  bool bom = true;
  QString lineEnd = QStringLiteral("crlf");
  QString outputFormat = QStringLiteral("csv");
  bool typeFilterFloat = true;
  bool typeFilterInt = true;
  bool typeFilterString = true;
  bool typeFilterBool = true;
  QList<QStringList> aliases;
  QList<QStringList> conditions;
  QStringList selectedNames;  // names of the checked items, display form allowed
  QSet<QString> variableNames;  // the log's full names, stored as they are
};

// Sets the keys of `options` in `config`; every other key stays as it is.
// Lists without entries are stored as null.
void storeSavedOptions(Json::Value& config, const SavedOptions& options);
