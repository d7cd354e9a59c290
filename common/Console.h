// Qt text forms of the engine's diagnostics printer (values/Diagnostics.h),
// so that the shell's messages go wherever the engine's go.
#pragma once

#include <QString>

// Writes `text` as UTF-8 followed by a newline, then flushes.
void consoleLine(const QString& text);
// Writes `text` as UTF-8 without a newline, then flushes.
void consoleText(const QString& text);
// The same on standard output, for results and the verbose account; the two
// above are for errors and warnings, on standard error.
void reportLine(const QString& text);
void reportText(const QString& text);

// For "--csv -": the table takes standard output, so from here on every
// message, whoever prints it, goes to standard error (standard output is
// made a copy of it). False when the descriptors cannot be arranged.
bool reserveStandardOutputForTable();
// Where the table goes after that: the original standard output; -1 before.
int tableDescriptor();
