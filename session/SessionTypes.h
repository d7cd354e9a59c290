// The small value types the session keeps: aliases and row conditions,
// keyed by a variable's full name ("Group.Variable").
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

struct AliasEntryText {
  QString name;
  QString alias;
  bool operator==(const AliasEntryText& o) const { return name == o.name && alias == o.alias; }
};

struct ConditionEntry {
  QString name;
  QString kind;   // "minimum" or "maximum"
  QString limit;  // as written in the configuration or typed
  bool operator==(const ConditionEntry& o) const { return name == o.name && kind == o.kind && limit == o.limit; }
};

// The [name, alias] and [name, kind, limit] lists the configuration code
// exchanges; entries too short to mean anything are left out.
QList<AliasEntryText> aliasesFromLists(const QList<QStringList>& lists);
QList<QStringList> aliasesToLists(const QList<AliasEntryText>& aliases);
QList<ConditionEntry> conditionsFromLists(const QList<QStringList>& lists);
QList<QStringList> conditionsToLists(const QList<ConditionEntry>& conditions);
