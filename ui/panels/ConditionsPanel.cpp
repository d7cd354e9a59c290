#include "ui/panels/ConditionsPanel.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QScrollArea>
#include <QVBoxLayout>

#include "session/Session.h"
#include "ui/DrawableSigns.h"
#include "ui/PanelParts.h"
#include "ui/VariableLook.h"
#include "ui/WidgetStyleSheets.h"

ConditionsPanel::ConditionsPanel(Session& session, QWidget* parent) : QGroupBox(parent), session_(session) {
  setObjectName(QStringLiteral("conditionsFrame"));
  setTitle(tr("Conditions"));
  auto* layout = panelparts::boxLayout<QVBoxLayout>("conditionsLayout", 4, 8, 6, 8, 6);
  setLayout(layout);

  chipArea_ = new QScrollArea(this);
  chipArea_->setObjectName(QStringLiteral("filtersScrollArea"));
  chipArea_->setWidgetResizable(true);
  chipArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  chipArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  chipContainer_ = new QWidget;
  chipContainer_->setObjectName(QStringLiteral("filtersContainerWidget"));
  rows_ = panelparts::boxLayout<QVBoxLayout>("filtersLayout", 8, 4, 4, 4, 4);
  chipContainer_->setLayout(rows_);
  rows_->addStretch();
  chipArea_->setWidget(chipContainer_);
  chipArea_->installEventFilter(this);
  layout->addWidget(chipArea_);

  connect(&session_, &Session::conditionsChanged, this, &ConditionsPanel::rebuild);
  connect(&session_, &Session::aliasesChanged, this, &ConditionsPanel::rebuild);
}

int ConditionsPanel::chipRowCount() const { return rows_->count() - 1; }

void ConditionsPanel::rebuild() {
  clearChips();
  const QList<ConditionEntry>& conditions = session_.conditions();
  for (int i = 0; i < conditions.size(); ++i) addChip(i, variablelook::conditionText(session_, conditions[i]));
}

void ConditionsPanel::clearChips() {
  // A chip's own cross may have asked for this: the rows leave the panel at
  // once and are deleted once that click has been handled.
  while (rows_->count() > 1) {
    QLayoutItem* taken = rows_->takeAt(0);
    if (QWidget* row = taken->widget()) {
      row->hide();
      row->setParent(nullptr);
      row->deleteLater();
    }
    delete taken;
  }
}

void ConditionsPanel::addChip(int index, const QString& text) {
  auto* chip = new QWidget(chipContainer_);
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
  deleteLabel->setToolTip(tr("Remove this condition"));
  deleteLabel->setStyleSheet(widgetstyle::chipDeleteLabel());
  deleteLabel->setCursor(Qt::PointingHandCursor);
  deleteLabel->ensurePolished();
  deleteLabel->setText(withDrawableSigns(deleteLabel->text(), deleteLabel->font()));
  deleteLabel->setProperty("isDeleteLabel", true);
  deleteLabel->setProperty("conditionIndex", index);
  const ConditionEntry& condition = session_.conditions().at(index);
  deleteLabel->setProperty("filterValue", condition.limit);
  deleteLabel->installEventFilter(this);
  chipLayout->addWidget(deleteLabel, 0, Qt::AlignVCenter);

  // Chips flow like words: the last row takes the chip while it fits.
  QHBoxLayout* row = nullptr;
  if (rows_->count() > 1) {
    QWidget* candidate = rows_->itemAt(rows_->count() - 2)->widget();
    if (candidate) row = qobject_cast<QHBoxLayout*>(candidate->layout());
  }
  if (row) {
    int used = 0;
    for (int i = 0; i < row->count(); ++i)
      if (QWidget* widget = row->itemAt(i)->widget()) used += widget->sizeHint().width() + row->spacing();
    chip->ensurePolished();
    label->ensurePolished();
    const int textWidth = QFontMetrics(label->font()).horizontalAdvance(text);
    if (used + textWidth + 80 > chipArea_->width()) row = nullptr;
  }
  if (!row) {
    auto* rowWidget = new QWidget(chipContainer_);
    rowWidget->setObjectName(QStringLiteral("conditionChipRow"));
    rowWidget->setStyleSheet(widgetstyle::chipRow());
    row = new QHBoxLayout(rowWidget);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    row->addStretch();
    rows_->insertWidget(rows_->count() - 1, rowWidget);
  }
  row->insertWidget(row->count() - 1, chip);
}

bool ConditionsPanel::eventFilter(QObject* watched, QEvent* event) {
  // Chips restored before the window is first laid out were placed for the
  // panel's provisional width, one per row; they flow again at the real one.
  if (watched == chipArea_ && event->type() == QEvent::Resize) {
    const auto* resize = static_cast<QResizeEvent*>(event);
    if (resize->oldSize().width() != resize->size().width() && !session_.conditions().isEmpty())
      QMetaObject::invokeMethod(this, [this] { rebuild(); }, Qt::QueuedConnection);
  } else if (event->type() == QEvent::MouseButtonPress && watched->property("isDeleteLabel").toBool() &&
             static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    removeConditionOfChip(watched);
    return true;
  }
  return QGroupBox::eventFilter(watched, event);
}

void ConditionsPanel::removeConditionOfChip(QObject* deleteLabel) {
  const int index = deleteLabel->property("conditionIndex").toInt();
  if (index >= 0 && index < session_.conditions().size()) session_.removeCondition(index);
}
