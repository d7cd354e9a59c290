// One variable of the loaded log file in the variable list: the item keeps the
// catalog id that the decode selects by and the full name that aliases,
// conditions and the configuration refer to.
#pragma once

#include <QListWidgetItem>
#include <QString>
#include <cstdint>
#include <string>

class VarItem : public QListWidgetItem {
 public:
  explicit VarItem(const QString& name);
  VarItem(const QString& displayText, const QString& name);
  ~VarItem() override;

  uint16_t variableId = 0;
  std::string fullVariableName;  // UTF-8, group name "." variable name

  QString fullName() const { return QString::fromStdString(fullVariableName); }
};
