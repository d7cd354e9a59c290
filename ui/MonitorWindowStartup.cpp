// Start-up of the window and the load of a log file.
#include "ui/MonitorWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <cstdio>
#include <cstdlib>

#include "app/Console.h"
#include "app/LogSummary.h"
#include "config/ConfigOptions.h"
#include "config/RecentLogs.h"
#include "config/RememberedConfig.h"
#include "decode/Decoder.h"
#include "decode/task/DecodeProgress.h"
#include "decode/task/DecoderRunnable.h"

using namespace zrl;

namespace {

// The decode's progress channel, called on the worker thread.
void reportDecodeProgress(uint64_t bytesRead, uint64_t totalBytes, const std::string& message) {
  MonitorWindow* window = MonitorWindow::current();
  if (!window) return;
  const int percent = progressPercentFor(bytesRead, totalBytes);
  window->progressPercent.store(percent);
  if (processFlags().verbose && takeVerbosePercent(percent)) consoleText(QString::number(percent) + QStringLiteral("% "));
  if (!message.empty()) {
    const QString text = QString::fromStdString(message);
    {
      QMutexLocker lock(&window->errorTextMutex);
      window->errorText = text;
    }
    consoleText(QStringLiteral("\nError while decoding: ") + text + QStringLiteral("\n"));
  }
}

// Ends the process from inside the window's construction or a load, before
// or outside the event loop.
[[noreturn]] void endProcess(int status) {
  std::fflush(stdout);
  std::fflush(stderr);
  std::exit(status);
}

}  // namespace

void MonitorWindow::runStartupSequence() {
  // The constructor has stored the process-wide flags and the CSV name.
  const ProcessFlags& flags = processFlags();
  if (!startupOptions.confPath.empty()) {
    configPath = QString::fromStdString(startupOptions.confPath);
  } else {
    const QString remembered = findLastConfig(flags.verbose);
    if (!remembered.isEmpty()) {
      configPath = remembered;
      if (flags.verbose) consoleLine(QStringLiteral("Auto-loading last config file: ") + remembered);
    } else {
      // A fresh scratch configuration: whatever an earlier run left there
      // is not this run's choice.
      configPath = defaultConfigPath();
      createEmptyFile(configPath);
    }
  }
  loadConfig();
  updateConfigurationLabel();
  setCompletionReceiver(this);

  if (!startupOptions.logPath.empty()) {
    const QString logPath = QString::fromStdString(startupOptions.logPath);
    inputFiles = QStringList{logPath};
    loadLogFile(logPath);
    if (flags.batch) on_decodeButton_clicked();
  }
}

bool MonitorWindow::loadLogFile(const QString& path) {
  const ProcessFlags& flags = processFlags();
  ui->progressBar->setFormat(QStringLiteral("%p%"));
  config["inputDirName"] = QFileInfo(path).absolutePath().toStdString();
  ui->inputFileNameLabel->setText(QStringLiteral("file: ") + QFileInfo(path).fileName());

  releaseDecoder();
  {
    QMutexLocker lock(&errorTextMutex);
    errorText.clear();  // what the new file's head reading reports, if anything
  }
  auto reader = std::make_unique<Decoder>(path.toStdString(), flags.verbose, DatabaseSettings{},
                                          &reportDecodeProgress);
  decoder = new DecoderRunnable(std::move(reader), &queueJobComplete);
  const Decoder& log = decoder->decoder();

  if (!log.loadError().empty() && flags.batch) {
    consoleLine(QString::fromStdString(log.loadError()));
    endProcess(1);
  }

  // A file that cannot be read says so at once instead of loading as an
  // empty log of 01/01/1970; after a good load the bar drops the colour of
  // the previous result.
  QString loadProblem = QString::fromStdString(log.loadError());
  {
    QMutexLocker lock(&errorTextMutex);
    if (loadProblem.isEmpty()) loadProblem = errorText;
    errorText.clear();
  }
  if (!loadProblem.isEmpty()) setStatus(QStringLiteral("Error while loading: ") + loadProblem, QStringLiteral("error"));
  else setStatus(QStringLiteral("%p%"), QString());

  fileStartMs = log.fileStartMs();
  fileEndMs = log.fileEndMs();
  showFileSummary(path, QString::fromStdString(log.serial()), QString::fromStdString(log.firmware()));

  if (flags.info) {
    const std::string text = infoJsonText(buildInfoJson());
    std::fwrite(text.data(), 1, text.size(), stdout);
    QCoreApplication::quit();
    endProcess(0);
  }

  fillPanelsForLoadedFile(log.listVariables(), log.recordingFrequency());
  if (!flags.batch && log.loadError().empty()) {
    rememberRecentLog(path);
    updateRecentLogsMenu();
  }
  return log.loadError().empty();
}

Json::Value MonitorWindow::buildInfoJson() const {
  LogSummary summary;
  if (decoder) {
    const Decoder& log = decoder->decoder();
    summary.startMs = log.fileStartMs();
    summary.endMs = log.fileEndMs();
    summary.formatVersion = log.formatVersion();
    summary.uncompressedSize = log.uncompressedSize();
    summary.note = log.note();
    summary.firmware = log.firmware();
    summary.uid = log.uidText();
    summary.serial = log.serial();
    for (const VariableListing& variable : log.listVariables())
      summary.variables.push_back({variable.fullName, variable.type, variable.unitSymbol});
  }
  return ::buildInfoJson(summary);
}

void MonitorWindow::requestDecodeCancel() {
  if (decoder) decoder->decoder().requestCancel();
}

void MonitorWindow::releaseDecoder() {
  delete decoder;
  decoder = nullptr;
}
