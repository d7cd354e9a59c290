// The variable list: building it from the catalog, the name search, the type
// filters, "Selected Only" and the selection counter.
#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QSet>
#include <QSignalBlocker>

#include <cstdio>

#include "ui/MonitorWindow.h"
#include "session/Session.h"
#include "ui/VarItem.h"

using namespace zrl;

namespace {

const QString kFloat = QStringLiteral("DATALOGGER_FLOAT_TYPE");
const QString kDouble = QStringLiteral("DATALOGGER_DOUBLE_TYPE");
const QString kInteger = QStringLiteral("DATALOGGER_INTEGER_TYPE");
const QString kString = QStringLiteral("DATALOGGER_STRING_TYPE");
const QString kBoolean = QStringLiteral("DATALOGGER_BOOLEAN_TYPE");
const QString kCanFrame = QStringLiteral("DATALOGGER_CANFRAME_TYPE");
const QString kTimeStamp = QStringLiteral("DATALOGGER_TIMESTAMP_TYPE");

struct TypeLook {
  const char* colour;
  const char* word;
};

TypeLook lookOf(const QString& typeName) {
  if (typeName == kFloat) return {"#FF8C00", "Float"};
  if (typeName == kDouble) return {"#005A9E", "Double"};
  if (typeName == kInteger) return {"#28A745", "Integer"};
  if (typeName == kString) return {"#6F42C1", "String"};
  if (typeName == kBoolean) return {"#DC3545", "Boolean"};
  if (typeName == kCanFrame) return {"#007ACC", "CAN Frame"};
  if (typeName == kTimeStamp) return {"#20B2AA", "Timestamp"};
  return {"#777777", "Unknown"};
}

QPixmap typePixmap(const QString& typeName) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const QColor colour(QString::fromLatin1(lookOf(typeName).colour));
  painter.setBrush(colour);
  painter.setPen(QPen(colour.darker(120), 1));
  painter.drawEllipse(QRect(2, 2, 12, 12));
  return pixmap;
}

// The item's full name, as aliases and conditions key it.
QString fullNameOf(const QListWidgetItem* item) {
  const auto* varItem = dynamic_cast<const VarItem*>(item);
  return varItem ? varItem->fullName() : item->text();
}

}  // namespace

QString MonitorWindow::typeNameOfCode(unsigned code) {
  switch (code) {
    case 0: return QStringLiteral("None");
    case 1: return kBoolean;
    case 2: return kInteger;
    case 3: return kFloat;
    case 4: return kDouble;
    case 5: return kString;
    case 6: return kCanFrame;
    case 7: return kTimeStamp;
    default: return QStringLiteral("UNKNOWN");
  }
}

QIcon MonitorWindow::typeIcon(const QString& typeName) { return QIcon(typePixmap(typeName)); }

QString MonitorWindow::funnelImagePath() {
  const QString relative = QStringLiteral("images/funnel-icon.png");
  if (QFileInfo::exists(relative)) return relative;
  const QString besideProgram = QDir(QCoreApplication::applicationDirPath()).filePath(relative);
  if (QFileInfo::exists(besideProgram)) return besideProgram;
  // An installed program has no images folder beside it: the copy compiled
  // into the resources serves then.
  const QString compiledIn = QStringLiteral(":/resources/images/funnel-icon.png");
  if (QFileInfo::exists(compiledIn)) return compiledIn;
  return QString();
}

QIcon MonitorWindow::conditionIcon(const QString& typeName, bool hasCondition) {
  if (!hasCondition) return typeIcon(typeName);
  QPixmap pixmap(24, 16);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawPixmap(0, 0, typePixmap(typeName));
  const QString funnelPath = funnelImagePath();
  if (!funnelPath.isEmpty()) {
    const QPixmap funnel = QPixmap(funnelPath).scaled(8, 16, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (!funnel.isNull()) painter.drawPixmap(16, 0, funnel);
  }
  painter.end();
  return QIcon(pixmap);
}

QString MonitorWindow::variableTooltip(const CatalogEntry& entry) {
  const QString word = QString::fromLatin1(lookOf(typeNameOfCode(entry.type)).word);
  const QString unit = QString::fromStdString(entry.unitSymbol);
  return QStringLiteral("Data type: %1").arg(word) +
         (unit.isEmpty() ? QStringLiteral("\nUnit: (no unit)") : QStringLiteral("\nUnit: %1").arg(unit));
}

void MonitorWindow::rebuildTypeMap() {
  typeByName.clear();
  if (!catalogLoaded) return;
  for (const CatalogEntry& entry : catalogEntries)
    typeByName.insert(QString::fromStdString(entry.fullName), typeNameOfCode(entry.type));
}

QSet<QString> MonitorWindow::catalogNames() const {
  QSet<QString> names;
  for (const CatalogEntry& entry : catalogEntries) names.insert(QString::fromStdString(entry.fullName));
  return names;
}

void MonitorWindow::populateVariableList(const std::vector<CatalogEntry>& catalog) {
  catalogEntries = catalog;
  catalogLoaded = true;
  populateVariableList();
}

void MonitorWindow::populateVariableList() {
  if (!catalogLoaded) return;
  rebuildTypeMap();
  QListWidget* list = ui->varsView;
  // Item changes while building are not user edits: the counter is written
  // once at the end instead of once per item.
  const QSignalBlocker blocker(list);
  list->clear();

  QHash<QString, QString> aliasByName;  // the last alias entry of a name wins
  for (const AliasEntryText& entry : session_->aliases()) aliasByName.insert(entry.name, entry.alias);
  QSet<QString> conditioned;
  for (const ConditionEntry& entry : session_->conditions()) conditioned.insert(entry.name);

  QHash<QString, QIcon> iconCache;
  QHash<QString, QList<VarItem*>> itemsByName;
  for (const CatalogEntry& entry : catalogEntries) {
    const QString typeName = typeNameOfCode(entry.type);
    const QString name = QString::fromStdString(entry.fullName);
    const auto alias = aliasByName.constFind(name);
    const QString display =
        alias == aliasByName.constEnd() ? name : *alias + QStringLiteral(" [") + name + QLatin1Char(']');
    if (!searchText.isEmpty() && !name.contains(searchText, Qt::CaseInsensitive) &&
        !display.contains(searchText, Qt::CaseInsensitive))
      continue;

    auto* item = new VarItem(display, name);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
    item->variableId = entry.id;
    const bool hasCondition = conditioned.contains(name);
    const QString iconKey = typeName + (hasCondition ? QStringLiteral("+") : QString());
    auto icon = iconCache.find(iconKey);
    if (icon == iconCache.end()) icon = iconCache.insert(iconKey, conditionIcon(typeName, hasCondition));
    item->setIcon(*icon);
    item->setToolTip(variableTooltip(entry));
    list->addItem(item);
    itemsByName[name].append(item);
  }

  for (auto named = itemsByName.cbegin(); named != itemsByName.cend(); ++named)
    if (session_->isSelected(named.key()))
      for (VarItem* item : named.value()) item->setCheckState(Qt::Checked);
  updateSelectionCount();
}

bool MonitorWindow::typeFilterAllows(const QString& typeName) const {
  if (typeName == kFloat || typeName == kDouble) return floatFilter;
  if (typeName == kInteger) return integerFilter;
  if (typeName == kString) return stringFilter;
  if (typeName == kBoolean) return booleanFilter;
  if (typeName == kCanFrame) return canFrameFilter;
  if (typeName == kTimeStamp) return timeStampFilter;
  // No check box stands for these: they stay visible rather than vanish.
  return true;
}

void MonitorWindow::applyVariableFilter() {
  QListWidget* list = ui->varsView;
  for (int i = 0; i < list->count(); ++i) {
    QListWidgetItem* item = list->item(i);
    const QString name = fullNameOf(item);
    const bool searchMatch = searchText.isEmpty() || item->text().contains(searchText, Qt::CaseInsensitive) ||
                             name.contains(searchText, Qt::CaseInsensitive);
    const bool selectionMatch = !selectedOnly || item->checkState() == Qt::Checked;
    bool visible = searchMatch && selectionMatch;
    if (visible && catalogLoaded) visible = typeFilterAllows(typeByName.value(name));
    if (item->isHidden() == visible) item->setHidden(!visible);
  }
  updateSelectionCount();
}

void MonitorWindow::updateSelectionCount() {
  QListWidget* list = ui->varsView;
  int checked = 0;
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->checkState() == Qt::Checked) ++checked;
  ui->dataFrameTitle->setText(QStringLiteral("Data (%1/%2 Selected)").arg(checked).arg(list->count()));
}

void MonitorWindow::on_varFilter_textEdited(const QString&) {
  searchText = ui->varFilter->text();
  if (!session_->inputFiles().isEmpty()) applyVariableFilter();
}

void MonitorWindow::on_clearSearchButton_clicked() {
  ui->varFilter->clear();
  ui->varFilter->setFocus();
  on_varFilter_textEdited(ui->varFilter->text());
}

void MonitorWindow::setTypeFilter(bool& field, bool checked) {
  field = checked;
  if (!session_->inputFiles().isEmpty()) applyVariableFilter();
}

void MonitorWindow::on_floatTypeCheckBox_toggled(bool checked) { setTypeFilter(floatFilter, checked); }
void MonitorWindow::on_integerTypeCheckBox_toggled(bool checked) { setTypeFilter(integerFilter, checked); }
void MonitorWindow::on_stringTypeCheckBox_toggled(bool checked) { setTypeFilter(stringFilter, checked); }
void MonitorWindow::on_booleanTypeCheckBox_toggled(bool checked) { setTypeFilter(booleanFilter, checked); }
void MonitorWindow::on_canFrameTypeCheckBox_toggled(bool checked) { setTypeFilter(canFrameFilter, checked); }
void MonitorWindow::on_timeStampTypeCheckBox_toggled(bool checked) { setTypeFilter(timeStampFilter, checked); }

void MonitorWindow::on_selectedOnlyToggle_toggled(bool checked) {
  selectedOnly = checked;
  if (!session_->inputFiles().isEmpty()) applyVariableFilter();
}

void MonitorWindow::onVarItemChanged(QListWidgetItem*) {
  if (selectedOnly && !session_->inputFiles().isEmpty()) applyVariableFilter();
  updateSelectionCount();
}

void MonitorWindow::setItemsCheckState(Qt::CheckState state) {
  QListWidget* list = ui->varsView;
  {
    // One filter pass and one count for the whole batch, not one per item.
    const QSignalBlocker blocker(list);
    for (int i = 0; i < list->count(); ++i) {
      QListWidgetItem* item = list->item(i);
      if (!item->isHidden()) item->setCheckState(state);
    }
  }
  if (selectedOnly && !session_->inputFiles().isEmpty()) applyVariableFilter();
  updateSelectionCount();
  list->viewport()->update();
}

void MonitorWindow::on_selectAllButton_clicked() { setItemsCheckState(Qt::Checked); }

void MonitorWindow::on_unselectAllButton_clicked() { setItemsCheckState(Qt::Unchecked); }

void MonitorWindow::onTypeFilterMenuTriggered(bool checked) {
  const auto* action = qobject_cast<QAction*>(sender());
  if (!action) return;
  const QString which = action->data().toString();
  if (which == QLatin1String("float")) {
    floatFilter = checked;
  } else if (which == QLatin1String("int")) {
    integerFilter = checked;
  } else if (which == QLatin1String("string")) {
    stringFilter = checked;
  } else if (which == QLatin1String("bool")) {
    booleanFilter = checked;
  } else if (which == QLatin1String("selectAll") || which == QLatin1String("unselectAll")) {
    const bool all = which == QLatin1String("selectAll");
    floatFilter = integerFilter = stringFilter = booleanFilter = canFrameFilter = timeStampFilter = all;
  } else {
    return;
  }
  if (!session_->inputFiles().isEmpty()) applyVariableFilter();
}

QList<VarItem*> MonitorWindow::itemsNamed(const QString& name) const {
  QList<VarItem*> found;
  QListWidget* list = ui->varsView;
  for (int i = 0; i < list->count(); ++i) {
    auto* item = dynamic_cast<VarItem*>(list->item(i));
    if (item && item->fullName() == name) found.append(item);
  }
  return found;
}
