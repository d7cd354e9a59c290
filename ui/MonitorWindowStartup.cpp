// Start-up of the window and the load of a log file.
#include "ui/MonitorWindow.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>

#include <cstdio>

#include "common/StartupOptions.h"
#include "config/RecentLogs.h"
#include "session/LoadedLog.h"
#include "session/Session.h"
#include "task/ConsoleDecodeObserver.h"

void MonitorWindow::runStartupSequence() {
  session_->chooseStartupConfig(startupOptions_.confPath);
  loadConfig();
  updateConfigurationLabel();

  if (!startupOptions_.logPath.empty()) {
    const QString logPath = QString::fromStdString(startupOptions_.logPath);
    QStringList files{logPath};
    for (const std::string& more : startupOptions_.moreLogPaths) files << QString::fromStdString(more);
    session_->setInputFiles(files);
    loadLogFile(logPath);
  }
}

bool MonitorWindow::loadLogFile(const QString& path) {
  ui->progressBar->setFormat(QStringLiteral("%p%"));
  ui->inputFileNameLabel->setText(QStringLiteral("file: ") + QFileInfo(path).fileName());

  loadProblem_.clear();
  auto log = std::make_shared<LoadedLog>(
      path, startupOptions_.verbose, [this](std::uint64_t done, std::uint64_t total, const std::string& message) {
        console_->report(done, total, message);
      });
  // A file that cannot be read says so at once instead of loading as an
  // empty log of 01/01/1970; after a good load the bar drops the colour of
  // the previous result.
  QString loadProblem = log->loadError();
  if (loadProblem.isEmpty()) loadProblem = log->readProblem();
  loadProblem_ = loadProblem;
  // The rate chosen for the previous log stays when this one allows it.
  DecodeOptions options = session_->options();
  options.frequency = ui->frequencyComboBox->currentText();
  session_->setOptions(options);
  session_->setLog(log);
  const SelectionResult selection = session_->configuredSelection(*log, startupOptions_.allData);
  for (const QString& name : selection.missingNames)
    std::fprintf(stderr, "Warning: variable %s is not in %s\n", name.toLocal8Bit().constData(),
                 path.toLocal8Bit().constData());
  std::fflush(stderr);
  session_->setSelection(selection.names);

  if (!loadProblem.isEmpty()) setStatus(QStringLiteral("Error while loading: ") + loadProblem, QStringLiteral("error"));
  else setStatus(QStringLiteral("%p%"), QString());

  fileStartMs = log->startMs();
  fileEndMs = log->endMs();
  showFileSummary(path, log->serial(), log->firmware());
  fillPanelsForLoadedFile(log->variables(), log->recordingFrequency());
  // The log's names may have resolved the configured conditions.
  rebuildConditionChips();
  if (loadProblem.isEmpty()) {
    rememberRecentLog(path);
    updateRecentLogsMenu();
  }
  return log->loadError().isEmpty();
}
