// The window's side of the decode: the controls written to the session, the
// queued files decoded one after another in the background, and the
// progress display from the start of a decode to its end.
#include "ui/MonitorWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFileInfo>
#include <QLCDNumber>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

#include "common/Console.h"
#include "session/DecodeJob.h"
#include "session/LoadedLog.h"
#include "session/Session.h"
#include "task/ConsoleDecodeObserver.h"
#include "task/DecodeController.h"
#include "ui/VarItem.h"

namespace {

void repolish(QWidget* widget) {
  widget->style()->unpolish(widget);
  widget->style()->polish(widget);
}

}  // namespace

void MonitorWindow::connectController() {
  connect(controller_, &DecodeController::started, this, &MonitorWindow::showDecodeStarted);
  connect(controller_, &DecodeController::finished, this, &MonitorWindow::queuedFileEnded);
}

void MonitorWindow::storeControlsInSession() {
  DecodeOptions options = session_->options();
  options.leaveBlank = ui->cellFillComboBox->currentIndex() == 1;
  options.milliseconds = ui->msecsCheckBox->isChecked();
  options.floatFormat = ui->floatFormatBox->currentText();
  options.columnSeparator = ui->columnSeparatorBox->currentText();
  options.decimalSeparator = ui->decimalSeparatorBox->currentText();
  options.utc = ui->utcCheckBox->isChecked();
  options.unitLine = ui->unitLineCheckBox->isChecked();
  options.method = ui->methodComboBox->currentText();
  options.frequency = ui->frequencyComboBox->currentText();
  options.typeFilters = {floatFilter, integerFilter, stringFilter, booleanFilter};
  session_->setOptions(options);

  QSet<QString> selection = session_->selection();
  for (int row = 0; row < ui->varsView->count(); ++row) {
    const auto* item = dynamic_cast<VarItem*>(ui->varsView->item(row));
    if (!item) continue;
    if (item->checkState() != Qt::Unchecked) selection.insert(item->fullName());
    else selection.remove(item->fullName());
  }
  session_->setSelection(selection);
  if (fileLoaded)
    session_->setTimeWindow(ui->startDateTimeEdit->dateTime().toMSecsSinceEpoch(),
                            ui->endDateTimeEdit->dateTime().toMSecsSinceEpoch());
}

void MonitorWindow::on_decodeButton_clicked() {
  if (decoding()) {
    decodeIndex_ = -1;
    controller_->cancelAndWait();
    lastCancelled_ = true;
    clockTimer->stop();
    progressTimer->stop();
    setDecodeButtonFace(QStringLiteral("Decode"), false);
    enableOptionControls();
    setStatus(QString::fromUtf8(kDecodeCancelledText), QStringLiteral("cancelled"));
    return;
  }
  if (!session_->log()) return;
  storeControlsInSession();
  decodeProblems_.clear();
  lastProblem_.clear();
  lastCancelled_ = false;
  decodeIndex_ = 0;
  decodeQueuedFile();
}

void MonitorWindow::decodeQueuedFile() {
  const QStringList files = session_->inputFiles();
  // The ticks of the first file go over by full name to the further ones.
  const QSet<QString> carried = session_->selection();
  while (decodeIndex_ > 0 && decodeIndex_ < files.size()) {
    const QString path = files[decodeIndex_];
    loadLogFile(path);
    QSet<QString> present;
    for (const QString& name : session_->log()->variableNames())
      if (carried.contains(name)) present.insert(name);
    session_->setSelection(carried);
    populateVariableList();
    storeControlsInSession();
    if (!present.isEmpty()) break;
    // An empty table would pass for a decode of this file.
    decodeProblems_ << QFileInfo(path).fileName() + QStringLiteral(": none of the selected variables, skipped");
    consoleLine(QStringLiteral("None of the selected variables in ") + path + QStringLiteral(": skipped"));
    ++decodeIndex_;
  }
  if (decodeIndex_ >= files.size() && decodeIndex_ > 0) {
    finishQueue();
    return;
  }

  // An output named on the command line serves the window's decodes too.
  DecodeRequestOverrides overrides;
  overrides.csvName = QString::fromStdString(startupOptions_.csvName);
  if (startupOptions_.outDir) overrides.outDir = QString::fromStdString(*startupOptions_.outDir);
  const DecodePlan plan = planDecode(*session_, overrides);
  const QString refusal = plan.refusal.isEmpty() ? plan.usageError : plan.refusal;
  if (!refusal.isEmpty() || !plan.job) {
    decodeIndex_ = -1;
    setStatus(refusal, QStringLiteral("error"));
    return;
  }
  controller_->start(*plan.job, console_.get());
}

void MonitorWindow::queuedFileEnded(const DecodeOutcome& outcome) {
  if (!decoding()) return;  // cancelled from the button: already shown
  lastProblem_ = outcome.message;
  lastCancelled_ = outcome.cancelled();
  const QStringList files = session_->inputFiles();
  if (!lastCancelled_ && decodeIndex_ + 1 < files.size()) {
    // The next file's start clears the problem text: keep what went wrong.
    if (!lastProblem_.isEmpty())
      decodeProblems_ << QFileInfo(files[decodeIndex_]).fileName() + QStringLiteral(": ") + lastProblem_;
    ++decodeIndex_;
    decodeQueuedFile();
    return;
  }
  finishQueue();
}

void MonitorWindow::finishQueue() {
  decodeIndex_ = -1;
  jobComplete();
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

void MonitorWindow::showProgress() {
  const QString error = controller_->running() ? controller_->problemText() : lastProblem_;
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

  if (lastCancelled_) {
    setStatus(QString::fromUtf8(kDecodeCancelledText), QStringLiteral("cancelled"));
  } else if (!lastProblem_.isEmpty()) {
    // A failed decode must not end on a plain "Done.": the reason stays.
    setStatus(QStringLiteral("Error while decoding: ") + lastProblem_, QStringLiteral("error"));
  } else if (!decodeProblems_.isEmpty()) {
    setStatus(QString::fromUtf8("⚠️ ") + decodeProblems_.join(QStringLiteral("; ")), QStringLiteral("error"));
  } else {
    setStatus(QString::fromUtf8("✅ Processing completed successfully"), QStringLiteral("success"));
  }
}
