// Aliases, row conditions and their chips, and the variable context menu.
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QScrollArea>
#include <QVBoxLayout>

#include "ui/MonitorWindow.h"
#include "session/Session.h"
#include "task/DecodeController.h"
#include "ui/DrawableSigns.h"
#include "ui/VarItem.h"
#include "ui/WidgetStyleSheets.h"

using namespace zrl;

namespace {

const QString kMinimum = QStringLiteral("minimum");
const QString kMaximum = QStringLiteral("maximum");

// "minimum" drops rows under the limit, so the chip reads "name > limit".
QString chipOperator(const QString& kind) {
  return kind == kMaximum ? QStringLiteral(" < ") : QStringLiteral(" > ");
}

}  // namespace

QString MonitorWindow::limitText(double limit) { return QString::number(limit, 'g', 6); }

QString MonitorWindow::aliasOf(const QString& name) const {
  for (const AliasEntryText& entry : session_->aliases())
    if (entry.name == name) return entry.alias;
  return name;
}

QString MonitorWindow::typeNameOf(const QString& name) const {
  if (!catalogLoaded) return QString();
  const std::string key = name.toStdString();
  for (const CatalogEntry& entry : catalogEntries)
    if (entry.fullName == key) return typeNameOfCode(entry.type);
  return QString();
}

void MonitorWindow::on_varsView_customContextMenuRequested(QPoint pos) { ShowContextMenu(pos); }

void MonitorWindow::ShowContextMenu(QPoint pos) {
  QMenu menu(tr("Context menu"), this);
  QAction addAlias(QStringLiteral("Add alias"), &menu);
  QAction removeAlias(QStringLiteral("Remove alias"), &menu);
  QMenu conditionMenu(tr("Add condition"), &menu);
  QAction minimum(QStringLiteral("Minimum value"), &conditionMenu);
  QAction maximum(QStringLiteral("Maximum value"), &conditionMenu);
  connect(&addAlias, &QAction::triggered, this, &MonitorWindow::on_addAlias);
  connect(&removeAlias, &QAction::triggered, this, &MonitorWindow::on_removeAlias);
  connect(&minimum, &QAction::triggered, this, &MonitorWindow::on_minimumVal);
  connect(&maximum, &QAction::triggered, this, &MonitorWindow::on_maximumVal);

  // The position is in the list's viewport, where its items are.
  auto* item = dynamic_cast<VarItem*>(ui->varsView->itemAt(pos));
  if (!item) return;
  contextVariable = item->fullName();
  const QString type = typeNameOf(contextVariable);

  menu.addAction(&addAlias);
  menu.addAction(&removeAlias);
  // Row limits only make sense for numbers that the CSV compares.
  if (type == QLatin1String("DATALOGGER_FLOAT_TYPE") || type == QLatin1String("DATALOGGER_INTEGER_TYPE")) {
    conditionMenu.addAction(&minimum);
    conditionMenu.addAction(&maximum);
    menu.addMenu(&conditionMenu);
  }
  menu.exec(ui->varsView->viewport()->mapToGlobal(pos));
}

void MonitorWindow::on_addAlias() {
  bool ok = false;
  const QString text = QInputDialog::getText(this, QStringLiteral("Allias"), QStringLiteral("New name :"),
                                             QLineEdit::Normal, contextVariable, &ok);
  if (!ok || text.isEmpty()) return;
  setAlias(contextVariable, text);
}

void MonitorWindow::setAlias(const QString& name, const QString& alias) {
  session_->setAlias(name, alias);
  for (VarItem* item : itemsNamed(name)) item->setText(alias + QStringLiteral(" [") + name + QLatin1Char(']'));
  rebuildConditionChips();
}

void MonitorWindow::on_removeAlias() {
  if (session_->aliasOf(contextVariable).isEmpty()) return;
  session_->setAlias(contextVariable, QString());
  for (VarItem* item : itemsNamed(contextVariable)) item->setText(contextVariable);
  rebuildConditionChips();
}

void MonitorWindow::on_minimumVal() {
  addConditionFromDialog(kMinimum, tr("Delete all lines with values under :"));
}

void MonitorWindow::on_maximumVal() {
  addConditionFromDialog(kMaximum, tr("Delete all lines with values above :"));
}

void MonitorWindow::addConditionFromDialog(const QString& kind, const QString& prompt) {
  bool ok = false;
  const double limit =
      QInputDialog::getDouble(this, tr("QInputDialog::getDouble()"), prompt, 0, -10000000, 10000000, 6, &ok);
  if (!ok) return;
  addCondition(contextVariable, kind, limit);
}

void MonitorWindow::addCondition(const QString& name, const QString& kind, double limit) {
  const QString limitString = limitText(limit);
  session_->addCondition({name, kind, limitString});
  addConditionChip(aliasOf(name) + chipOperator(kind) + limitString, name, kind, limitString);
  markConditionIcon(name, true);
  resetConditionsTitle();
  schedulePreviewRefresh();
}

void MonitorWindow::markConditionIcon(const QString& name, bool hasCondition) {
  const QIcon icon = conditionIcon(typeNameOf(name), hasCondition);
  for (VarItem* item : itemsNamed(name)) item->setIcon(icon);
}

void MonitorWindow::addConditionChip(const QString& text, const QString& name, const QString& kind,
                                     const QString& limit) {
  QVBoxLayout* rows = ui->filtersLayout;
  QWidget* container = ui->filtersContainerWidget;
  ui->filtersScrollArea->installEventFilter(this);

  auto* chip = new QWidget(container);
  chip->setObjectName(QStringLiteral("conditionChip"));
  chip->setStyleSheet(widgetstyle::chip());
  chip->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
  chip->setMaximumHeight(26);
  auto* chipLayout = new QHBoxLayout(chip);
  chipLayout->setContentsMargins(8, 3, 6, 3);
  chipLayout->setSpacing(6);

  auto* label = new QLabel(text, chip);
  label->setObjectName(QStringLiteral("conditionChipText"));
  label->setStyleSheet(widgetstyle::chipText());
  chipLayout->addWidget(label, 0, Qt::AlignVCenter);

  auto* deleteLabel = new QLabel(QStringLiteral("\u2715"), chip);
  deleteLabel->setObjectName(QStringLiteral("conditionChipDelete"));
  deleteLabel->setFixedSize(20, 20);
  deleteLabel->setAlignment(Qt::AlignCenter);
  deleteLabel->setToolTip(QStringLiteral("Supprimer cette condition"));
  deleteLabel->setStyleSheet(widgetstyle::chipDeleteLabel());
  deleteLabel->ensurePolished();
  deleteLabel->setText(withDrawableSigns(deleteLabel->text(), deleteLabel->font()));
  deleteLabel->setProperty("isDeleteLabel", true);
  deleteLabel->setProperty("originalVarName", name);
  deleteLabel->setProperty("filterType", kind);
  deleteLabel->setProperty("filterValue", limit);
  deleteLabel->installEventFilter(this);
  chipLayout->addWidget(deleteLabel, 0, Qt::AlignVCenter);

  // Chips flow like words: the last row takes the chip while it fits.
  QHBoxLayout* row = nullptr;
  if (rows->count() > 1) {
    QWidget* candidate = rows->itemAt(rows->count() - 2)->widget();
    if (candidate) row = qobject_cast<QHBoxLayout*>(candidate->layout());
  }
  if (row) {
    int used = 0;
    for (int i = 0; i < row->count(); ++i)
      if (QWidget* widget = row->itemAt(i)->widget()) used += widget->sizeHint().width() + row->spacing();
    chip->ensurePolished();
    label->ensurePolished();
    const int textWidth = QFontMetrics(label->font()).horizontalAdvance(text);
    if (used + textWidth + 80 > ui->filtersScrollArea->width()) row = nullptr;
  }
  if (!row) {
    auto* rowWidget = new QWidget(container);
    rowWidget->setObjectName(QStringLiteral("conditionChipRow"));
    rowWidget->setStyleSheet(widgetstyle::chipRow());
    row = new QHBoxLayout(rowWidget);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    row->addStretch();
    rows->insertWidget(rows->count() - 1, rowWidget);
  }
  row->insertWidget(row->count() - 1, chip);
}

void MonitorWindow::clearConditionChips() {
  QVBoxLayout* rows = ui->filtersLayout;
  while (rows->count() > 1) {
    QLayoutItem* taken = rows->takeAt(0);
    if (QWidget* row = taken->widget()) {
      if (QLayout* rowLayout = row->layout()) {
        while (QLayoutItem* rowItem = rowLayout->takeAt(0)) {
          delete rowItem->widget();
          delete rowItem;
        }
      }
      delete row;  // also deletes its layout
    }
    delete taken;
  }
  resetConditionsTitle();
}

void MonitorWindow::rebuildConditionChips() {
  clearConditionChips();
  for (const ConditionEntry& entry : session_->conditions())
    addConditionChip(aliasOf(entry.name) + chipOperator(entry.kind) + entry.limit, entry.name, entry.kind, entry.limit);
  resetConditionsTitle();
  schedulePreviewRefresh();
}

void MonitorWindow::resetConditionsTitle() { ui->conditionsFrame->setTitle(tr("Conditions")); }

bool MonitorWindow::eventFilter(QObject* watched, QEvent* event) {
  // Chips restored before the window is first laid out were placed for the
  // panel's provisional width, one per row; they flow again at the real one.
  if (watched == ui->filtersScrollArea && event->type() == QEvent::Resize) {
    const auto* resize = static_cast<QResizeEvent*>(event);
    if (resize->oldSize().width() != resize->size().width() && !session_->conditions().isEmpty())
      QMetaObject::invokeMethod(this, [this] { rebuildConditionChips(); }, Qt::QueuedConnection);
    return QMainWindow::eventFilter(watched, event);
  }
  if (watched->property("isDeleteLabel").toBool()) {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
          onFilterDeleteButtonClicked(watched);
          return true;
        }
        break;
      case QEvent::Enter:
        setCursor(Qt::PointingHandCursor);
        return true;
      case QEvent::Leave:
        unsetCursor();
        return true;
      default:
        break;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void MonitorWindow::onFilterDeleteButtonClicked() {
  if (QObject* origin = sender()) onFilterDeleteButtonClicked(origin);
}

void MonitorWindow::onFilterDeleteButtonClicked(QObject* senderObj) {
  if (!senderObj) return;
  const QString name = senderObj->property("originalVarName").toString();
  const QString kind = senderObj->property("filterType").toString();
  const QString limit = senderObj->property("filterValue").toString();

  const QList<ConditionEntry>& conditions = session_->conditions();
  for (int i = conditions.size() - 1; i >= 0; --i) {
    if (conditions[i] == ConditionEntry{name, kind, limit}) {
      session_->removeCondition(i);
      break;
    }
  }

  // The label is inside the event that reached it: its chip (and an emptied
  // row) go away once that event has been handled.
  auto* deleteLabel = qobject_cast<QWidget*>(senderObj);
  QWidget* chip = deleteLabel ? deleteLabel->parentWidget() : nullptr;
  QWidget* row = chip ? chip->parentWidget() : nullptr;
  if (row) {
    if (auto* rowLayout = qobject_cast<QHBoxLayout*>(row->layout())) {
      rowLayout->removeWidget(chip);
      chip->hide();
      chip->deleteLater();
      bool rowHasWidget = false;
      for (int i = 0; i < rowLayout->count() && !rowHasWidget; ++i) rowHasWidget = rowLayout->itemAt(i)->widget();
      if (!rowHasWidget) {
        ui->filtersLayout->removeWidget(row);
        row->hide();
        row->deleteLater();
      }
    }
  }
  // The pointer left with the label, which will not see the mouse leave.
  unsetCursor();

  bool stillConditioned = false;
  stillConditioned = session_->hasCondition(name);
  if (!stillConditioned) markConditionIcon(name, false);
  resetConditionsTitle();
  schedulePreviewRefresh();
}
