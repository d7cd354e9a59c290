// Start-up of the window and the load of a log file.
#include "ui/MonitorWindow.h"

#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>

#include "common/StartupOptions.h"
#include "config/RecentLogs.h"
#include "decode/Decoder.h"
#include "task/DecodeController.h"
#include "task/DecoderRunnable.h"

using namespace zrl;

void MonitorWindow::runStartupSequence() {
  controller_->chooseStartupConfig();
  loadConfig();
  updateConfigurationLabel();

  const StartupOptions& options = controller_->startupOptions();
  if (!options.logPath.empty()) {
    const QString logPath = QString::fromStdString(options.logPath);
    QStringList files{logPath};
    for (const std::string& more : options.moreLogPaths) files << QString::fromStdString(more);
    controller_->setInputFiles(files);
    loadLogFile(logPath);
    if (processFlags().batch) on_decodeButton_clicked();
  }
}

bool MonitorWindow::loadLogFile(const QString& path) {
  ui->progressBar->setFormat(QStringLiteral("%p%"));
  ui->inputFileNameLabel->setText(QStringLiteral("file: ") + QFileInfo(path).fileName());

  controller_->openLog(path);
  const Decoder& log = controller_->decoder()->decoder();
  // A file that cannot be read says so at once instead of loading as an
  // empty log of 01/01/1970; after a good load the bar drops the colour of
  // the previous result.
  QString loadProblem = QString::fromStdString(log.loadError());
  if (loadProblem.isEmpty()) loadProblem = controller_->errorText();
  if (!loadProblem.isEmpty()) setStatus(QStringLiteral("Error while loading: ") + loadProblem, QStringLiteral("error"));
  else setStatus(QStringLiteral("%p%"), QString());

  fileStartMs = log.fileStartMs();
  fileEndMs = log.fileEndMs();
  showFileSummary(path, QString::fromStdString(log.serial()), QString::fromStdString(log.firmware()));
  fillPanelsForLoadedFile(log.listVariables(), log.recordingFrequency());
  // The log's names may have resolved the configured conditions.
  rebuildConditionChips();
  if (!processFlags().batch && loadProblem.isEmpty()) {
    rememberRecentLog(path);
    updateRecentLogsMenu();
  }
  return log.loadError().empty();
}
