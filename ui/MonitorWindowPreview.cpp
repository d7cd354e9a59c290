// The window's side of the preview: what to plot, when, and the time window
// shared between the plot and the start and end edits.
#include <QAction>
#include <QDateTimeEdit>
#include <QDockWidget>
#include <QListWidget>
#include <QTimer>

#include "session/Session.h"
#include "task/DecodeController.h"
#include "ui/MonitorWindow.h"
#include "ui/PreviewPanel.h"
#include "ui/VarItem.h"

namespace {

// Changes come in bursts (a select-all, typing a limit): one computation
// after they have settled.
constexpr int kPreviewDelayMs = 300;

bool isPlottable(unsigned typeCode) { return typeCode >= 1 && typeCode <= 4; }  // Boolean to Double

}  // namespace

void MonitorWindow::setUpPreviewAndRecentLogs() {
  preview_ = new PreviewPanel;
  previewDock_ = new QDockWidget(tr("Preview"), this);
  previewDock_->setObjectName(QStringLiteral("previewDock"));
  previewDock_->setWidget(preview_);
  previewDock_->setAllowedAreas(Qt::BottomDockWidgetArea | Qt::TopDockWidgetArea);
  addDockWidget(Qt::BottomDockWidgetArea, previewDock_);
  previewDock_->hide();

  previewTimer_ = new QTimer(this);
  previewTimer_->setSingleShot(true);
  previewTimer_->setInterval(kPreviewDelayMs);
  connect(previewTimer_, &QTimer::timeout, this, &MonitorWindow::refreshPreview);

  connect(ui->actionPreview, &QAction::toggled, previewDock_, &QDockWidget::setVisible);
  connect(previewDock_, &QDockWidget::visibilityChanged, this, [this](bool visible) {
    ui->actionPreview->setChecked(!previewDock_->isHidden());
    if (visible) schedulePreviewRefresh();
    else preview_->cancel();
  });
  connect(ui->varsView, &QListWidget::itemChanged, this, [this] { schedulePreviewRefresh(); });
  connect(ui->startDateTimeEdit, &QDateTimeEdit::dateTimeChanged, this, [this] { showSelectionInPreview(); });
  connect(ui->endDateTimeEdit, &QDateTimeEdit::dateTimeChanged, this, [this] { showSelectionInPreview(); });
  connect(preview_, &PreviewPanel::selectionDragged, this, &MonitorWindow::applyDraggedSpan);

  updateRecentLogsMenu();
  restoreWindowLayout();
}

void MonitorWindow::schedulePreviewRefresh() {
  if (!preview_) return;
  // A change of file or selection makes a computation in progress useless.
  preview_->cancel();
  if (previewDock_->isHidden()) return;
  previewTimer_->start();
}

void MonitorWindow::refreshPreview() {
  QList<PreviewVariable> variables;
  for (int row = 0; row < ui->varsView->count(); ++row) {
    const auto* item = dynamic_cast<VarItem*>(ui->varsView->item(row));
    if (!item || item->checkState() == Qt::Unchecked) continue;
    for (const CatalogEntry& entry : catalog()) {
      if (entry.id == item->variableId && isPlottable(entry.type)) {
        variables.append({item->variableId, aliasOf(item->fullName())});
        break;
      }
    }
  }
  QList<PreviewLimit> limits;
  for (const ConditionEntry& condition : session_->conditions()) {
    const QString sign = condition.kind == QLatin1String("maximum") ? QStringLiteral(" < ") : QStringLiteral(" > ");
    limits.append({aliasOf(condition.name) + sign + condition.limit, condition.limit.toDouble()});
  }
  preview_->setLog(hasCatalog() ? previewLogPath_ : QString(), fileStartMs, fileEndMs);
  preview_->setVariables(variables);
  preview_->setLimits(limits);
  showSelectionInPreview();
  preview_->refresh();
}

void MonitorWindow::showSelectionInPreview() {
  if (!preview_ || !fileLoaded) return;
  preview_->setSelection(ui->startDateTimeEdit->dateTime().toMSecsSinceEpoch(),
                         ui->endDateTimeEdit->dateTime().toMSecsSinceEpoch());
}

// The edits keep start <= end through their minimum and maximum; the edge
// that moves away from the other is set first so that neither is clamped.
void MonitorWindow::applyDraggedSpan(qint64 startMs, qint64 endMs) {
  if (!fileLoaded || decoding()) return;
  startMs = std::clamp<qint64>(startMs, fileStartMs, fileEndMs);
  endMs = std::clamp<qint64>(endMs, startMs, fileEndMs);
  QDateTimeEdit* startEdit = ui->startDateTimeEdit;
  QDateTimeEdit* endEdit = ui->endDateTimeEdit;
  const auto at = [](qint64 ms, const QDateTimeEdit* edit) {
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toTimeSpec(edit->timeSpec());
  };
  if (startMs > endEdit->dateTime().toMSecsSinceEpoch()) {
    endEdit->setDateTime(at(endMs, endEdit));
    startEdit->setDateTime(at(startMs, startEdit));
  } else {
    startEdit->setDateTime(at(startMs, startEdit));
    endEdit->setDateTime(at(endMs, endEdit));
  }
}
