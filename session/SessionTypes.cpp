#include "session/SessionTypes.h"

QList<AliasEntryText> aliasesFromLists(const QList<QStringList>& lists) {
  QList<AliasEntryText> aliases;
  for (const QStringList& pair : lists)
    if (pair.size() >= 2) aliases.append({pair[0], pair[1]});
  return aliases;
}

QList<QStringList> aliasesToLists(const QList<AliasEntryText>& aliases) {
  QList<QStringList> lists;
  for (const AliasEntryText& entry : aliases) lists.append({entry.name, entry.alias});
  return lists;
}

QList<ConditionEntry> conditionsFromLists(const QList<QStringList>& lists) {
  QList<ConditionEntry> conditions;
  for (const QStringList& entry : lists)
    if (entry.size() >= 3) conditions.append({entry[0], entry[1], entry[2]});
  return conditions;
}

QList<QStringList> conditionsToLists(const QList<ConditionEntry>& conditions) {
  QList<QStringList> lists;
  for (const ConditionEntry& entry : conditions) lists.append({entry.name, entry.kind, entry.limit});
  return lists;
}
