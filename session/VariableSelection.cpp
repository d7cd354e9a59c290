#include "session/VariableSelection.h"

#include "common/VariablePatterns.h"

QString nameFromSelectedText(const QString& text, const QList<AliasEntryText>& aliases, const QSet<QString>& fullNames) {
  if (fullNames.contains(text)) return text;
  const QString marker = QStringLiteral(" [");
  if (text.contains(marker) && text.endsWith(QLatin1Char(']'))) {
    QString name = text.split(marker).last();
    name.chop(1);
    return name;
  }
  for (const AliasEntryText& entry : aliases)
    if (entry.alias == text) return entry.name;
  return text;
}

SelectionResult selectConfiguredNames(const QStringList& selectedTexts, const QList<AliasEntryText>& aliases,
                                      const QStringList& catalogNames) {
  const QSet<QString> fullNames(catalogNames.begin(), catalogNames.end());
  SelectionResult result;
  for (const QString& text : selectedTexts) {
    // A pattern, as --print-config --vars writes it: every name it matches.
    if (!fullNames.contains(text) && (text.contains(QLatin1Char('*')) || text.contains(QLatin1Char('?')))) {
      const SelectionResult matched = selectByList({text.toStdString()}, catalogNames);
      result.names.unite(matched.names);
      if (matched.names.isEmpty()) result.missingNames.append(text);
      continue;
    }
    const QString name = nameFromSelectedText(text, aliases, fullNames);
    if (fullNames.contains(name)) result.names.insert(name);
    else result.missingNames.append(name);
  }
  return result;
}

SelectionResult selectAll(const QStringList& catalogNames) {
  SelectionResult result;
  result.names = QSet<QString>(catalogNames.begin(), catalogNames.end());
  return result;
}

SelectionResult selectByList(const std::vector<std::string>& pieces, const QStringList& catalogNames) {
  std::vector<std::string> names;
  names.reserve(static_cast<std::size_t>(catalogNames.size()));
  for (const QString& name : catalogNames) names.push_back(name.toStdString());
  const VariableMatch match = matchVariables(pieces, names);
  SelectionResult result;
  for (const std::string& name : match.selected) result.names.insert(QString::fromStdString(name));
  for (const std::string& name : match.missingNames) result.missingNames.append(QString::fromStdString(name));
  for (const std::vector<std::string>& close : match.nearest) {
    QStringList closeNames;
    for (const std::string& name : close) closeNames.append(QString::fromStdString(name));
    result.nearest.append(closeNames);
  }
  for (const std::string& pattern : match.unmatchedPatterns)
    result.unmatchedPatterns.append(QString::fromStdString(pattern));
  return result;
}
