// The window's side of the preview: what to plot, when, and the time window
// shared between the plot and the start and end edits.
#include <QAction>
#include <QCheckBox>
#include <QDockWidget>
#include <QTimer>

#include "decode/IndexEnvelope.h"
#include "session/LoadedLog.h"
#include "session/Session.h"
#include "ui/MonitorWindow.h"
#include "ui/PreviewPanel.h"
#include "ui/VarItem.h"
#include "ui/VariableLook.h"
#include "ui/panels/CsvOptionsPanel.h"
#include "ui/panels/VariableListPanel.h"

namespace {

// Changes come in bursts (a select-all, typing a limit): one computation
// after they have settled.
constexpr int kPreviewDelayMs = 300;

bool isPlottable(unsigned typeCode) { return typeCode >= 1 && typeCode <= 4; }  // Boolean to Double

}  // namespace

void MonitorWindow::buildPreviewDock() {
  preview_ = new PreviewPanel;
  // A log seen before opens from its index at once; the first look makes it.
  preview_->setEnvelopeSource(zrl::indexEnvelopeSource());
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

  connect(previewDock_, &QDockWidget::visibilityChanged, this, [this](bool visible) {
    if (visible) schedulePreviewRefresh();
    else preview_->cancel();
  });
  connect(preview_, &PreviewPanel::selectionDragged, this, [this](qint64 startMs, qint64 endMs) {
    if (!decoding()) csvOptions_->setTimeWindow(startMs, endMs);
  });
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
  for (const VarItem* item : variables_->checkedItems()) {
    for (const CatalogEntry& entry : variables_->catalog()) {
      if (entry.id == item->variableId && isPlottable(entry.type)) {
        variables.append({item->variableId, variablelook::shownName(*session_, item->fullName()),
                          QString::fromStdString(entry.unitSymbol), item->fullName(), entry.type == 1});
        break;
      }
    }
  }
  QList<PreviewLimit> limits;
  for (const ConditionEntry& condition : session_->conditions())
    limits.append({variablelook::conditionText(*session_, condition), condition.limit.toDouble(), condition.name});
  const auto& log = session_->log();
  if (variables_->hasCatalog() && log) preview_->setLog(log->path(), log->startMs(), log->endMs());
  else preview_->setLog(QString(), 0, 0);
  preview_->setVariables(variables);
  preview_->setLimits(limits);
  preview_->setUtc(csvOptions_->utcBox()->isChecked());
  showTimeWindowInPreview();
  preview_->refresh();
}

void MonitorWindow::showTimeWindowInPreview() {
  if (!preview_ || !csvOptions_->hasFileSpan()) return;
  preview_->setSelection(csvOptions_->windowStartMs(), csvOptions_->windowEndMs());
}

void MonitorWindow::clearPreview() {
  previewTimer_->stop();
  preview_->cancel();
  preview_->setLog(QString(), 0, 0);
  preview_->setVariables({});
  preview_->setLimits({});
  preview_->refresh();
}
