// The window's side of the decode: the queued files decoded one after
// another in the background, and the progress shown from the start of a
// decode to its end.
#include "ui/MonitorWindow.h"

#include <QFileInfo>
#include <QPushButton>

#include "common/Console.h"
#include "session/DecodeJob.h"
#include "session/LoadedLog.h"
#include "session/Session.h"
#include "task/ConsoleDecodeObserver.h"
#include "task/DecodeController.h"
#include "ui/panels/DecodePanel.h"
#include "ui/panels/ProgressPanel.h"
#include "ui/panels/VariableListPanel.h"

void MonitorWindow::decodeOrCancel() {
  if (decoding()) {
    decodeIndex_ = -1;
    controller_->cancelAndWait();
    lastCancelled_ = true;
    progress_->stopRun();
    decode_->showIdle();
    setOptionControlsEnabled(true);
    progress_->setStatus(QString::fromUtf8(kDecodeCancelledText), QStringLiteral("cancelled"));
    return;
  }
  if (!session_->log()) return;
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
    variables_->repopulate();
    if (!present.isEmpty()) break;
    // An empty table would pass for a decode of this file.
    decodeProblems_ << QFileInfo(path).fileName() + QStringLiteral(": none of the selected variables, skipped");
    consoleLine(QStringLiteral("None of the selected variables in ") + path + QStringLiteral(": skipped"));
    ++decodeIndex_;
  }
  if (decodeIndex_ >= files.size() && decodeIndex_ > 0) {
    decodeIndex_ = -1;
    showDecodeEnded();
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
    progress_->setStatus(refusal, QStringLiteral("error"));
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
  decodeIndex_ = -1;
  showDecodeEnded();
}

void MonitorWindow::showDecodeStarted() {
  decode_->showCancel();
  setOptionControlsEnabled(false);
  progress_->startRun();
}

void MonitorWindow::showDecodeProgress() {
  const QString error = controller_->running() ? controller_->problemText() : lastProblem_;
  if (!error.isEmpty()) {
    const QString warning = QString::fromUtf8("⚠️");
    progress_->setStatus(error.startsWith(warning) ? error : warning + QStringLiteral(" ") + error,
                         QStringLiteral("error"));
  }
  progress_->setPercent(controller_->progressPercent());
}

void MonitorWindow::showDecodeEnded() {
  decode_->showIdle();
  setOptionControlsEnabled(true);
  showDecodeProgress();
  progress_->stopRun();
  progress_->setPercent(0);

  if (lastCancelled_) {
    progress_->setStatus(QString::fromUtf8(kDecodeCancelledText), QStringLiteral("cancelled"));
  } else if (!lastProblem_.isEmpty()) {
    // A failed decode must not end on a plain "Done.": the reason stays.
    progress_->setStatus(QStringLiteral("Error while decoding: ") + lastProblem_, QStringLiteral("error"));
  } else if (!decodeProblems_.isEmpty()) {
    progress_->setStatus(QString::fromUtf8("⚠️ ") + decodeProblems_.join(QStringLiteral("; ")),
                         QStringLiteral("error"));
  } else {
    progress_->setStatus(QString::fromUtf8("✅ Processing completed successfully"), QStringLiteral("success"));
  }
}
