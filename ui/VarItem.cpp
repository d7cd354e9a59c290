#include "ui/VarItem.h"

VarItem::VarItem(const QString& name) : VarItem(name, name) {}

VarItem::VarItem(const QString& displayText, const QString& name)
    : QListWidgetItem(displayText, nullptr, QListWidgetItem::Type), fullVariableName(name.toStdString()) {}

VarItem::~VarItem() = default;
