// The decode options as the configuration file stores them and the window
// offers them: texts from fixed lists of choices, and flags. Only a text
// the list offers is ever taken, so an unknown value in a configuration
// leaves the current choice in place.
#pragma once

#include <QString>
#include <QStringList>

#include "config/ConfigOptions.h"

struct TypeFilters {
  bool floats = true;  // Float and Double
  bool integers = true;
  bool strings = true;
  bool booleans = true;
};

struct DecodeOptions {
  QString floatFormat = QStringLiteral("Tarvik");
  QString columnSeparator = QStringLiteral(";");
  QString decimalSeparator = QStringLiteral(".");
  QString method = QStringLiteral("Median");
  QString frequency = QStringLiteral("None");
  bool milliseconds = false;
  bool utc = true;
  bool unitLine = false;
  bool leaveBlank = false;  // false: "Last known value"
  // The configuration's "timeFormat" as written (empty, or absent: Date
  // and Hour); a text outside timeFormatChoices() refuses the decode, so that
  // a misspelt format never passes for the default.
  QString timeFormat;
  bool bom = true;
  QString lineEnd = QStringLiteral("crlf");  // "crlf" or "lf"; others refuse the decode too
  QString outputFormat = QStringLiteral("csv");  // "csv", "hdf5" or "mat"; others refuse the decode too
  TypeFilters typeFilters;

  bool resampling() const { return frequency != QLatin1String("None"); }
  bool operator==(const DecodeOptions& other) const;
  bool operator!=(const DecodeOptions& other) const { return !(*this == other); }
};

// The choices each option offers, in the order the window lists them.
const QStringList& floatFormatChoices();
const QStringList& columnSeparatorChoices();
const QStringList& decimalSeparatorChoices();
const QStringList& methodChoices();
const QStringList& frequencyChoices();
const QStringList& cellFillingChoices();  // "Last known value", "Leave blank"
const QStringList& timeFormatChoices();   // "iso", "epoch-ms", "seconds"
const QStringList& lineEndChoices();      // "crlf", "lf"
const QStringList& outputFormatChoices(); // "csv", "hdf5", "mat"

// Why `options` cannot be decoded as they are: an unknown "timeFormat",
// "lineEnd" or "outputFormat", named with the allowed values (`key "lineEnd" is "LF": choose
// crlf, lf`); empty when they can.
QString unusableOptionText(const DecodeOptions& options);

// A configuration read over `current`: offered texts replace the current
// ones, flags that are absent take their defaults (milliseconds off, UTC
// on) or stay (units line, cell filling, type filters). The frequency is
// not part of it: it is chosen when a log is loaded (frequencyForLog).
DecodeOptions optionsFromConfig(const LoadedOptions& loaded, DecodeOptions current);

// What a fresh start without a usable configuration shows: `current` with
// milliseconds off and UTC on.
DecodeOptions optionsWithoutConfig(DecodeOptions current);

// A resampling rate the window offers for a log recorded at
// `recordingFrequency`: only rates below it (compared in single precision,
// as the header stores it), and "None" always.
bool frequencyAllowed(const QString& text, float recordingFrequency);

// The frequency once a log is loaded: the configured "frequency" text when
// the configuration has that key and the list offers it (allowed or not:
// the configuration's word counts), else the current choice when the log
// allows it, else "None".
QString frequencyForLog(const QString& current, float recordingFrequency, const std::optional<QString>& configured,
                        bool configHasFrequency);
