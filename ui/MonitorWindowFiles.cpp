// Log files and configuration files reaching the window: the start-up, the
// open dialog, drops, "Recent logs", the configuration actions, and the
// window's layout between runs.
#include <QAction>
#include <QCloseEvent>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include <cstdio>

#include "config/ProgramSettings.h"
#include "config/RecentLogs.h"
#include "config/RememberedConfig.h"
#include "session/LoadedLog.h"
#include "session/Session.h"
#include "task/ConsoleDecodeObserver.h"
#include "ui/MonitorWindow.h"
#include "ui/panels/ConditionsPanel.h"
#include "ui/panels/CsvOptionsPanel.h"
#include "ui/panels/DecodePanel.h"
#include "ui/panels/FiltersPanel.h"
#include "ui/panels/InformationPanel.h"
#include "ui/panels/ProgressPanel.h"
#include "ui/panels/QueuePanel.h"
#include "ui/panels/ResamplingPanel.h"
#include "ui/panels/VariableListPanel.h"

namespace {

const char kGeometryKey[] = "window/geometry";
const char kStateKey[] = "window/state";

QStringList droppedLogFiles(const QMimeData* data) {
  QStringList files;
  if (!data) return files;
  for (const QUrl& url : data->urls()) {
    const QString path = url.toLocalFile();
    if (!path.isEmpty() && path.endsWith(QLatin1String(".zrl"), Qt::CaseInsensitive)) files << path;
  }
  return files;
}

}  // namespace

void MonitorWindow::runStartupSequence() {
  session_->chooseStartupConfig(startupOptions_.confPath);
  loadConfig();

  if (!startupOptions_.logPath.empty()) {
    const QString logPath = QString::fromStdString(startupOptions_.logPath);
    QStringList files{logPath};
    for (const std::string& more : startupOptions_.moreLogPaths) files << QString::fromStdString(more);
    session_->setInputFiles(files);
    loadLogFile(logPath);
  }
}

bool MonitorWindow::loadLogFile(const QString& path) {
  information_->showLoading(path);
  queue_->showCurrent(path);
  // The ticks go over to the next log by full name; after a log that could
  // not be read, those of the last good one still do.
  if (session_->log()) carriedSelection_ = session_->selection();

  auto log = std::make_shared<LoadedLog>(
      path, startupOptions_.verbose, [this](std::uint64_t done, std::uint64_t total, const std::string& message) {
        console_->report(done, total, message);
      });
  // A log without a readable head would otherwise show as an empty log of
  // 01/01/1970 and be offered for a decode.
  QString loadProblem = log->loadError();
  if (loadProblem.isEmpty()) loadProblem = log->readProblem();
  if (loadProblem.isEmpty() && !log->headRead()) loadProblem = QStringLiteral("the file is cut short");
  if (!loadProblem.isEmpty()) {
    showUnreadableLog(path, loadProblem);
    return false;
  }

  // The rate chosen for the previous log stays when this one allows it.
  DecodeOptions options = session_->options();
  options.frequency = resampling_->frequency();
  session_->setOptions(options);
  session_->setLog(log);
  QStringList missing;
  if (configSelectionPending_ || startupOptions_.allData) {
    const SelectionResult selection = session_->configuredSelection(*log, startupOptions_.allData);
    for (const QString& name : selection.missingNames)
      std::fprintf(stderr, "Warning: variable %s is not in %s\n", name.toLocal8Bit().constData(),
                   path.toLocal8Bit().constData());
    std::fflush(stderr);
    session_->setSelection(selection.names);
    configSelectionPending_ = false;
  } else {
    QSet<QString> kept;
    for (const QString& name : log->variableNames())
      if (carriedSelection_.contains(name)) kept.insert(name);
    for (const QString& name : carriedSelection_)
      if (!kept.contains(name)) missing << name;
    missing.sort();
    session_->setSelection(kept);
  }

  if (!missing.isEmpty())
    progress_->setStatus(QStringLiteral("Not in %1: %2").arg(QFileInfo(path).fileName(), missing.join(QStringLiteral(", "))),
                         QStringLiteral("cancelled"));
  else progress_->setStatus(QStringLiteral("%p%"), QString());

  information_->showFile(path, log->serial(), log->firmware());
  csvOptions_->showFileSpan(log->startMs(), log->endMs());
  variables_->populate(log->variables());
  resampling_->setFrequencyChoices(log->recordingFrequency());
  // The session chose the frequency for this log.
  resampling_->selectFrequency(session_->options().frequency);
  csvOptions_->enableCellFilling();
  resampling_->setEnabled(true);
  updateDecodeButton();
  schedulePreviewRefresh();
  rememberRecentLog(path);
  updateRecentLogsMenu();
  return true;
}

void MonitorWindow::showUnreadableLog(const QString& path, const QString& problem) {
  session_->clearLog();
  information_->showUnreadable(path);
  variables_->clear();
  progress_->setStatus(QStringLiteral("Cannot read %1: %2").arg(QFileInfo(path).fileName(), problem),
                       QStringLiteral("error"));
  clearPreview();
  updateDecodeButton();
}

void MonitorWindow::chooseLogFiles() {
  resampling_->setEnabled(false);
  filters_->searchEdit()->setEnabled(true);
  const QStringList files = QFileDialog::getOpenFileNames(this, tr("Open log file"), session_->inputDirectory(),
                                                          tr("Log Files (*.zrl)"));
  if (files.isEmpty()) return;
  session_->setInputFiles(files);
  loadLogFile(files.first());
}

void MonitorWindow::openLogFiles(const QStringList& files) {
  if (files.isEmpty() || decoding()) return;
  session_->setInputFiles(files);
  loadLogFile(files.first());
}

void MonitorWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (!decoding() && !droppedLogFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MonitorWindow::dropEvent(QDropEvent* event) {
  const QStringList files = droppedLogFiles(event->mimeData());
  if (files.isEmpty() || decoding()) return;
  event->acceptProposedAction();
  // As the open dialog: the search is usable again once a file is chosen.
  filters_->searchEdit()->setEnabled(true);
  openLogFiles(files);
}

void MonitorWindow::updateRecentLogsMenu() {
  recentLogsMenu_->clear();
  const QStringList logs = recentLogs();
  for (const QString& path : logs) {
    QAction* action = recentLogsMenu_->addAction(path);
    action->setEnabled(QFileInfo(path).isFile());
    connect(action, &QAction::triggered, this, [this, path] { openLogFiles({path}); });
  }
  recentLogsMenu_->setEnabled(!logs.isEmpty());
}

void MonitorWindow::chooseOutputDirectory() {
  const QString dir = QFileDialog::getExistingDirectory(this, tr("Choose output directory"),
                                                        session_->outputDirectory(), QFileDialog::ShowDirsOnly);
  if (dir.isEmpty()) return;
  session_->setOutputDirectory(dir);
  information_->showDestination();
}

void MonitorWindow::loadConfig() {
  session_->loadConfig();
  // Its "selected_vars" chooses the ticks of the next log loaded.
  configSelectionPending_ = true;
  conditions_->rebuild();
  information_->showDestination();
  information_->showConfiguration();
  // The scratch file is empty on purpose; any other file the user chose
  // and could not be used is worth a word: the defaults are in force.
  if (!session_->configFailure().isEmpty() && !isDefaultConfigPath(session_->configPath()))
    progress_->setStatus(QString::fromUtf8("⚠️ Configuration ") + session_->configPath() + QStringLiteral(": ") +
                             session_->configFailure() + QStringLiteral(" (defaults apply)"),
                         QStringLiteral("error"));
}

void MonitorWindow::loadConfigFromDialog() {
  const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("Load decoder configuration"),
                                                    QFileInfo(session_->configPath()).absolutePath(),
                                                    QStringLiteral("All Files (*);;Config decoder (*.json)"));
  if (file.isEmpty()) return;
  // The loaded file stays the current configuration: it is the one the
  // window names, so "Save Config" must write it and no other.
  session_->setConfigPath(file);
  loadConfig();
  applyLoadedConfigToOpenLog();
  session_->rememberConfigPath();
}

// A configuration loaded while a log is open acts on it at once, as it would
// at the next log load: the frequency (otherwise "Save Config" right after
// would write "None" over the file's value) and the type filters.
void MonitorWindow::applyLoadedConfigToOpenLog() {
  if (!variables_->hasCatalog() || !session_->log()) return;
  resampling_->selectFrequency(session_->options().frequency);
  session_->setSelection(session_->configuredSelection(*session_->log(), startupOptions_.allData).names);
  configSelectionPending_ = false;
  variables_->repopulate();
  variables_->applyFilter();
}

void MonitorWindow::saveConfigAs() {
  QString file = QFileDialog::getSaveFileName(this, QStringLiteral("Save decoder configuration"),
                                                    QFileInfo(session_->configPath()).absolutePath(),
                                                    QStringLiteral("JSON Files (*.json);;All Files (*)"));
  if (file.isEmpty()) return;
  // A name typed without an extension still makes a file the load dialog's
  // JSON filter shows.
  if (QFileInfo(file).suffix().isEmpty()) file += QStringLiteral(".json");
  session_->setConfigPath(file);
  session_->saveConfig();
  session_->rememberConfigPath();
  information_->showConfiguration();
}

void MonitorWindow::saveCurrentConfig() {
  if (isDefaultConfigPath(session_->configPath())) {
    saveConfigAs();
    return;
  }
  const bool written = session_->saveConfig();
  session_->rememberConfigPath();
  if (written) progress_->setStatus(QString::fromUtf8("✅ Configuration saved successfully"), QStringLiteral("success"));
}

void MonitorWindow::restoreWindowLayout() {
  auto settings = openProgramSettings();
  restoreGeometry(settings->value(QLatin1String(kGeometryKey)).toByteArray());
  restoreState(settings->value(QLatin1String(kStateKey)).toByteArray());
  // The dock's toggle follows its showing, which waits for the window's.
  previewDock_->toggleViewAction()->setChecked(!previewDock_->isHidden());
}

void MonitorWindow::closeEvent(QCloseEvent* event) {
  {
    auto settings = openProgramSettings();
    settings->setValue(QLatin1String(kGeometryKey), saveGeometry());
    settings->setValue(QLatin1String(kStateKey), saveState());
    settings->sync();
  }
  QMainWindow::closeEvent(event);
}
