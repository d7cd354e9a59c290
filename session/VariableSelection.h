// Which of a log's variables a decode takes: the configuration's
// "selected_vars", every variable (--alldata) or the --vars list, always
// resolved against that log's own catalog.
#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

#include "session/SessionTypes.h"

struct SelectionResult {
  QSet<QString> names;        // full names of the log's variables chosen
  QStringList missingNames;   // names asked for that the log lacks, in the order asked
  QList<QStringList> nearest;  // for each missing --vars name: close names of the log, if any
  QStringList unmatchedPatterns;  // --vars patterns that matched none of its names
};

// A "selected_vars" text names a variable by its full name, by its alias, or
// as the list shows it ("alias [full name]"); a full name may itself end in
// a bracketed part.
QString nameFromSelectedText(const QString& text, const QList<AliasEntryText>& aliases, const QSet<QString>& fullNames);

// The configuration's texts resolved against `catalogNames` (the log's full
// names); a text with "*" or "?" that is no full name is a pattern, as in
// --vars. Non-text entries are skipped by the caller.
SelectionResult selectConfiguredNames(const QStringList& selectedTexts, const QList<AliasEntryText>& aliases,
                                      const QStringList& catalogNames);

// Every variable of the log.
SelectionResult selectAll(const QStringList& catalogNames);

// The --vars pieces (names and shell-style patterns) against the log.
SelectionResult selectByList(const std::vector<std::string>& pieces, const QStringList& catalogNames);
