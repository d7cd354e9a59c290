// The window's side of the decode: the controls read into a decode request,
// and the progress display from the start of a decode to its end.
#include "ui/MonitorWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QHash>
#include <QLCDNumber>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

#include "task/DecodeController.h"
#include "ui/VarItem.h"

namespace {

void repolish(QWidget* widget) {
  widget->style()->unpolish(widget);
  widget->style()->polish(widget);
}

}  // namespace

void MonitorWindow::connectController() {
  // Loading a further file rebuilds the list, which drops the ticks: the
  // selection goes over by full name.
  connect(controller_, &DecodeController::loadingNextFile, this, [this](const QString& path) {
    loadLogFile(path);
    restoreCheckedItems(decodeSelection_);
  });
  connect(controller_, &DecodeController::decodeRefused, this,
          [this](const QString& reason) { setStatus(reason, QStringLiteral("error")); });
  connect(controller_, &DecodeController::decodeStarted, this, &MonitorWindow::showDecodeStarted);
  connect(controller_, &DecodeController::decodeFinished, this, &MonitorWindow::jobComplete);
}

DecodeRequest MonitorWindow::readDecodeRequest() const {
  DecodeRequest request;
  for (int row = 0; row < ui->varsView->count(); ++row) {
    QListWidgetItem* item = ui->varsView->item(row);
    if (item->checkState() == Qt::Checked) ++request.checkedVariables;
    const auto* variable = dynamic_cast<VarItem*>(item);
    if (variable && item->checkState() != Qt::Unchecked) request.selected.push_back(variable->variableId);
  }
  request.leaveBlank = ui->cellFillComboBox->currentIndex() == 1;
  request.milliseconds = ui->msecsCheckBox->checkState() == Qt::Checked;
  request.floatFormat = ui->floatFormatBox->currentText();
  request.columnSeparator = ui->columnSeparatorBox->currentText();
  request.decimalSeparator = ui->decimalSeparatorBox->currentText();
  request.utc = ui->utcCheckBox->checkState() == Qt::Checked;
  request.unitLine = ui->unitLineCheckBox->checkState() == Qt::Checked;
  request.method = ui->methodComboBox->currentText();
  request.frequency = ui->frequencyComboBox->currentText();
  request.start = ui->startDateTimeEdit->dateTime();
  request.end = ui->endDateTimeEdit->dateTime();
  return request;
}

void MonitorWindow::on_decodeButton_clicked() {
  if (controller_->processing()) {
    controller_->cancelDecode();
    clockTimer->stop();
    progressTimer->stop();
    setDecodeButtonFace(QStringLiteral("Decode"), false);
    enableOptionControls();
    setStatus(QString::fromUtf8(kDecodeCancelledText), QStringLiteral("cancelled"));
    return;
  }
  decodeSelection_ = checkedItemStates();
  controller_->decodeInputFiles([this] { return readDecodeRequest(); });
}

void MonitorWindow::showDecodeStarted() {
  setStatus(QStringLiteral("Processing..."), QStringLiteral("processing"));
  setDecodeButtonFace(QStringLiteral("Cancel"), true);
  disableOptionControls();

  ui->progressBar->setFormat(QStringLiteral("%p%"));
  ui->progressBar->setProperty("state", QString());
  repolish(ui->progressBar);
  clockTimer->start(1000);
  progressTimer->start(100);
  elapsed = QTime(0, 0, 0);
  // The clock would show the previous run until its first tick.
  ui->lcdNumber->display(elapsed.toString(QStringLiteral("mm:ss")));
  ui->progressBar->setRange(0, 100);
}

QHash<QString, Qt::CheckState> MonitorWindow::checkedItemStates() const {
  QHash<QString, Qt::CheckState> states;
  for (int row = 0; row < ui->varsView->count(); ++row) {
    const auto* item = dynamic_cast<VarItem*>(ui->varsView->item(row));
    if (item && item->checkState() != Qt::Unchecked) states.insert(item->fullName(), item->checkState());
  }
  return states;
}

bool MonitorWindow::restoreCheckedItems(const QHash<QString, Qt::CheckState>& states) {
  bool any = false;
  for (int row = 0; row < ui->varsView->count(); ++row) {
    auto* item = dynamic_cast<VarItem*>(ui->varsView->item(row));
    if (!item) continue;
    const auto state = states.constFind(item->fullName());
    item->setCheckState(state == states.constEnd() ? Qt::Unchecked : *state);
    any = any || state != states.constEnd();
  }
  return any;
}

void MonitorWindow::showProgress() {
  const QString error = controller_->errorText();
  if (!error.isEmpty()) {
    const QString warning = QString::fromUtf8("⚠️");
    setStatus(error.startsWith(warning) ? error : warning + QStringLiteral(" ") + error, QStringLiteral("error"));
  }
  ui->progressBar->setValue(controller_->progressPercent());
}

void MonitorWindow::jobComplete() {
  setDecodeButtonFace(QStringLiteral("Decode"), false);
  enableOptionControls();
  showProgress();
  clockTimer->stop();
  ui->progressBar->setValue(0);
  ui->progressBar->setFormat(QStringLiteral("Done."));
  progressTimer->stop();

  const QString error = controller_->errorText();
  const QStringList problems = controller_->decodeProblems();
  if (controller_->decodeCancelled()) {
    setStatus(QString::fromUtf8(kDecodeCancelledText), QStringLiteral("cancelled"));
  } else if (!error.isEmpty()) {
    // A failed decode must not end on a plain "Done.": the reason stays.
    setStatus(QStringLiteral("Error while decoding: ") + error, QStringLiteral("error"));
  } else if (!problems.isEmpty()) {
    setStatus(QString::fromUtf8("⚠️ ") + problems.join(QStringLiteral("; ")), QStringLiteral("error"));
  } else {
    setStatus(QString::fromUtf8("✅ Processing completed successfully"), QStringLiteral("success"));
  }
}
