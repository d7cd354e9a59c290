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
#include "ui/panels/QueuePanel.h"
#include "ui/panels/VariableListPanel.h"

void MonitorWindow::decodeOrCancel() {
  if (decoding()) {
    cancelDecode();
    return;
  }
  if (!session_->log() || session_->selection().isEmpty()) return;
  decodeProblems_.clear();
  lastProblem_.clear();
  lastCancelled_ = false;
  written_.clear();
  resultCsv_.clear();
  resultFolder_.clear();
  progress_->showOpenButtons(false, false);
  queue_->clearResults();
  decodeIndex_ = 0;
  decodeQueuedFile();
}

void MonitorWindow::cancelDecode() {
  if (!decoding()) return;
  const int index = decodeIndex_;
  decodeIndex_ = -1;
  controller_->cancelAndWait();
  lastCancelled_ = true;
  queue_->setResult(index, tr("cancelled"), true);
  progress_->stopRun();
  decode_->showIdle();
  setOptionControlsEnabled(true);
  progress_->setStatus(QString::fromUtf8(kDecodeCancelledText), QStringLiteral("cancelled"));
}

void MonitorWindow::decodeQueuedFile() {
  const QStringList files = session_->inputFiles();
  // The ticks of the first file go over by full name to the further ones.
  const QSet<QString> carried = session_->selection();
  while (decodeIndex_ > 0 && decodeIndex_ < files.size()) {
    const QString path = files[decodeIndex_];
    QString skipped;
    if (!loadLogFile(path)) {
      skipped = progress_->statusText();
    } else {
      QSet<QString> present;
      for (const QString& name : session_->log()->variableNames())
        if (carried.contains(name)) present.insert(name);
      session_->setSelection(carried);
      variables_->repopulate();
      if (!present.isEmpty()) break;
      skipped = QStringLiteral("none of the selected variables, skipped");
      // An empty table would pass for a decode of this file.
      consoleLine(QStringLiteral("None of the selected variables in ") + path + QStringLiteral(": skipped"));
    }
    decodeProblems_ << QFileInfo(path).fileName() + QStringLiteral(": ") + skipped;
    queue_->setResult(decodeIndex_, skipped, true);
    // The ticks stay those of the first file for the files after this one.
    session_->setSelection(carried);
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
    updateDecodeButton();
    return;
  }
  controller_->start(*plan.job, console_.get());
}

void MonitorWindow::queuedFileEnded(const DecodeOutcome& outcome) {
  if (!decoding()) return;  // cancelled from the button: already shown
  lastProblem_ = outcome.message;
  lastCancelled_ = outcome.cancelled();
  if (outcome.succeeded() && !outcome.outputPath.isEmpty()) {
    written_ << outcome.outputPath;
    // The folder is in the status line; the whole path in the tooltip.
    queue_->setResult(decodeIndex_, QString::fromUtf8("\u2192 ") + QFileInfo(outcome.outputPath).fileName(), false,
                      outcome.outputPath);
  } else if (lastCancelled_) {
    queue_->setResult(decodeIndex_, tr("cancelled"), true);
  } else if (!outcome.succeeded()) {
    queue_->setResult(decodeIndex_, lastProblem_.isEmpty() ? tr("failed") : lastProblem_, true);
  }
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

  // Where the tables went, for the buttons that open them.
  QString folder;
  for (const QString& path : written_) {
    const QString dir = QFileInfo(path).absolutePath();
    folder = folder.isEmpty() || folder == dir ? dir : QStringLiteral("\n");
  }
  resultFolder_ = folder == QStringLiteral("\n") ? QFileInfo(written_.constFirst()).absolutePath() : folder;
  resultCsv_ = written_.size() == 1 ? written_.constFirst() : QString();
  progress_->showOpenButtons(!resultFolder_.isEmpty() && !lastCancelled_, !resultCsv_.isEmpty() && !lastCancelled_);

  if (lastCancelled_) {
    progress_->setStatus(QString::fromUtf8(kDecodeCancelledText), QStringLiteral("cancelled"));
  } else if (!lastProblem_.isEmpty()) {
    // A failed decode must not end on a plain "Done.": the reason stays.
    progress_->setStatus(QStringLiteral("Error while decoding: ") + lastProblem_, QStringLiteral("error"));
  } else if (!decodeProblems_.isEmpty()) {
    progress_->setStatus(QString::fromUtf8("⚠️ ") + decodeProblems_.join(QStringLiteral("; ")),
                         QStringLiteral("error"));
  } else if (written_.size() == 1) {
    progress_->setStatus(QString::fromUtf8("✅ Written: ") + written_.constFirst(), QStringLiteral("success"));
  } else if (!written_.isEmpty()) {
    progress_->setStatus(QString::fromUtf8("✅ %1 files written to %2").arg(written_.size()).arg(resultFolder_),
                         QStringLiteral("success"));
  } else {
    progress_->setStatus(QString::fromUtf8("✅ Processing completed successfully"), QStringLiteral("success"));
  }
}
