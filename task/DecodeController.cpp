#include "task/DecodeController.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMetaObject>
#include <QStandardPaths>
#include <QThreadPool>

#include <cstdio>
#include <cstdlib>

#include "common/Console.h"
#include "common/LogSummary.h"
#include "config/ConfigFile.h"
#include "config/RememberedConfig.h"
#include "decode/Decoder.h"
#include "influx/InfluxSink.h"
#include "task/DatabaseOutput.h"
#include "task/DecodeProgress.h"
#include "task/DecoderRunnable.h"
#include "common/VariablePatterns.h"
#include "task/DefaultOutputName.h"
#include "task/OutputDirectory.h"
#include "task/ParameterSummary.h"

using namespace zrl;

namespace {

const char kNoVariablesText[] =
    "⚠️ ERROR: No variables selected for decoding. Please select at least one variable.";
const char kSameSeparatorsText[] = "⚠️ ERROR: Decimal separator and column separator cannot be identical";

// Ends the process from inside a start-up or a load, before or outside the
// event loop.
[[noreturn]] void endProcess(int status) {
  std::fflush(stdout);
  std::fflush(stderr);
  std::exit(status);
}

std::vector<std::pair<std::string, std::string>> toAliasEntries(const QList<QStringList>& aliases) {
  std::vector<std::pair<std::string, std::string>> entries;
  for (const QStringList& pair : aliases) {
    if (pair.size() >= 2) entries.emplace_back(pair[0].toStdString(), pair[1].toStdString());
  }
  return entries;
}

std::vector<RowFilterEntry> toFilterEntries(const QList<QStringList>& conditions) {
  std::vector<RowFilterEntry> entries;
  for (const QStringList& condition : conditions) {
    if (condition.size() >= 3)
      entries.push_back({condition[0].toStdString(), condition[1].toStdString(), condition[2].toStdString()});
  }
  return entries;
}

// The edits show whole seconds; a window edge left in the file's first or
// last second means the file's own edge, not the second it falls in.
DatabaseSettings databaseSettingsOf(const StartupOptions& options) {
  return {options.influxDatabase, options.influxMeasurement, options.influxGateway,
          options.influxUrl};
}

int64_t snapToFileEdge(int64_t chosenMs, int64_t fileEdgeMs) {
  const int64_t chosenSecond = chosenMs >= 0 ? chosenMs / 1000 : (chosenMs - 999) / 1000;
  const int64_t edgeSecond = fileEdgeMs >= 0 ? fileEdgeMs / 1000 : (fileEdgeMs - 999) / 1000;
  return chosenSecond == edgeSecond ? fileEdgeMs : chosenMs;
}

}  // namespace

DecodeController::DecodeController(const StartupOptions& options, QObject* parent)
    : QObject(parent),
      startupOptions_(options),
      csvName_(QString::fromStdString(options.csvName)),
      // --verbose prints its own percentages on standard output; a line
      // redrawn in between would garble both on a terminal.
      terminalProgress_(options.batch && !options.verbose && TerminalProgress::wanted(options.quiet), stderr) {
  ProcessFlags& flags = processFlags();
  flags.allData = options.allData;
  flags.batch = options.batch;
  flags.verbose = options.verbose;
  flags.info = options.info;
}

DecodeController::~DecodeController() {
  stopAndWait();
  releaseDecoder();
}

void DecodeController::chooseStartupConfig() {
  const bool verbose = processFlags().verbose;
  if (!startupOptions_.confPath.empty()) {
    configPath_ = QString::fromStdString(startupOptions_.confPath);
    return;
  }
  const QString remembered = findLastConfig(verbose);
  if (!remembered.isEmpty()) {
    configPath_ = remembered;
    if (verbose) consoleLine(QStringLiteral("Auto-loading last config file: ") + remembered);
  } else {
    // A fresh scratch configuration: whatever an earlier run left there
    // is not this run's choice.
    configPath_ = defaultConfigPath();
    createEmptyFile(configPath_);
  }
}

std::optional<LoadedOptions> DecodeController::readConfig() {
  const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  config_["inputDirName"] = desktop.toStdString();
  config_["outputDirName"] = desktop.toStdString();
  configFailure_.clear();
  if (!parseConfigFile(configPath_, config_, processFlags().verbose, &configFailure_)) {
    // A script that names a configuration must not get a decode made with
    // other settings: the run stops before anything is decoded.
    const ProcessFlags& flags = processFlags();
    const bool named = !startupOptions_.confPath.empty() &&
                       configPath_ == QString::fromStdString(startupOptions_.confPath);
    if ((flags.batch || flags.info) && named) {
      consoleLine(QStringLiteral("Error: configuration ") + configPath_ + QStringLiteral(": ") + configFailure_);
      endProcess(1);
    }
    return std::nullopt;
  }
  // The window relies on both directories; a file without them gets the
  // defaults again instead of empty texts.
  for (const char* key : {"inputDirName", "outputDirName"}) {
    if (!config_[key].isString()) config_[key] = desktop.toStdString();
  }
  LoadedOptions options = readLoadedOptions(config_);
  if (options.zrl) inputFiles_ = QStringList{*options.zrl};
  conditions_.clear();
  if (options.aliasesGiven) aliases_ = options.aliases;
  conditions_ = options.conditions;
  resolveConditionNames();
  return options;
}

bool DecodeController::writeConfig(const SavedOptions& options) {
  storeSavedOptions(config_, options);
  return writeConfigFile(configPath_, config_);
}

void DecodeController::rememberConfigPath() const { rememberConfig(configPath_, processFlags().verbose); }

void DecodeController::openLog(const QString& path) {
  const ProcessFlags& flags = processFlags();
  config_["inputDirName"] = QFileInfo(path).absolutePath().toStdString();
  releaseDecoder();
  setErrorText(QString());  // what reading this file's head reports, if anything
  auto reader = std::make_unique<Decoder>(
      path.toStdString(), flags.verbose, DatabaseSettings{},
      [this](uint64_t bytesRead, uint64_t totalBytes, const std::string& message) {
        reportProgress(bytesRead, totalBytes, message);
      });
  // The task ends on the worker thread; the hand-back is queued to ours.
  decoder_ = new DecoderRunnable(std::move(reader), [this](DecoderRunnable*) {
    QMetaObject::invokeMethod(this, "taskFinished", Qt::QueuedConnection);
  });
  const Decoder& log = decoder_->decoder();
  resolveConditionNames();

  loadFailure_.clear();
  if (!log.loadError().empty() && flags.batch) {
    consoleLine(QString::fromStdString(log.loadError()));
    if (!severalBatchLogs()) endProcess(1);
    loadFailure_ = QString::fromStdString(log.loadError());
  }
  if (flags.info && !log.headRead()) {
    // Zeros and empty texts would pass for a description of an empty log.
    if (!log.loadError().empty()) consoleLine(QString::fromStdString(log.loadError()));
    else if (errorText().isEmpty()) consoleLine(QStringLiteral("Unable to read the head of ") + path);
    endProcess(1);
  }
  if (!flags.info) applyVariableList(log, path);
  if (flags.info) {
    const std::string text = infoJsonText(buildInfoJson());
    std::fwrite(text.data(), 1, text.size(), stdout);
    QCoreApplication::quit();
    endProcess(0);
  }
}

void DecodeController::applyVariableList(const Decoder& log, const QString& path) {
  variableListFailure_.clear();
  if (!startupOptions_.vars) return;
  std::vector<std::string> names;
  for (const VariableListing& variable : log.listVariables()) names.push_back(variable.fullName);
  const VariableMatch match = matchVariables(*startupOptions_.vars, names);
  Json::Value selected(Json::arrayValue);
  for (const std::string& name : match.selected) selected.append(name);
  config_["selected_vars"] = selected;
  for (const std::string& name : match.missingNames)
    std::fprintf(stderr, "Warning: variable %s is not in %s\n", name.c_str(), path.toLocal8Bit().constData());
  std::fflush(stderr);
  if (!match.unmatchedPatterns.empty()) {
    QStringList patterns;
    for (const std::string& pattern : match.unmatchedPatterns) patterns << QString::fromStdString(pattern);
    variableListFailure_ =
        QStringLiteral("Error: no variable of ") + path + QStringLiteral(" matches ") + patterns.join(QStringLiteral(", "));
  }
}

Json::Value DecodeController::buildInfoJson() const {
  LogSummary summary;
  if (decoder_) {
    const Decoder& log = decoder_->decoder();
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

void DecodeController::resolveConditionNames() {
  if (!decoder_) return;
  QSet<QString> names;
  for (const VariableListing& variable : decoder_->decoder().listVariables())
    names.insert(QString::fromStdString(variable.fullName));
  for (QStringList& condition : conditions_)
    if (!condition.isEmpty()) condition[0] = resolveVariableName(condition[0], names);
}

void DecodeController::releaseDecoder() {
  delete decoder_;
  decoder_ = nullptr;
}

// The decode's progress channel, called on the worker thread.
void DecodeController::reportProgress(uint64_t bytesRead, uint64_t totalBytes, const std::string& message) {
  const int percent = progressPercentFor(bytesRead, totalBytes);
  progressPercent_.store(percent);
  if (processFlags().verbose && takeVerbosePercent(percent)) {
    QString text = QString::number(percent) + QStringLiteral("% ");
    if (databaseSink_) {
      text += QStringLiteral("(") + QString::number(databaseSink_->pointsWritten()) +
              QStringLiteral(" points sent) ");
    }
    consoleText(text);
  }
  terminalProgress_.update(bytesRead, totalBytes);
  if (!message.empty()) {
    const QString text = QString::fromStdString(message);
    setErrorText(text);
    consoleText(QStringLiteral("\nError while decoding: ") + text + QStringLiteral("\n"));
  }
}

QString DecodeController::errorText() const {
  QMutexLocker lock(&errorTextMutex_);
  return errorText_;
}

void DecodeController::setErrorText(const QString& text) {
  QMutexLocker lock(&errorTextMutex_);
  errorText_ = text;
}

void DecodeController::refuse(const QString& reason) {
  emit decodeRefused(reason);
  // A batch run whose decode cannot start ends here, once the event loop runs.
  if (processFlags().batch) {
    consoleLine(reason);
    consoleLine(QStringLiteral("Exit on error."));
    QMetaObject::invokeMethod(qApp, [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
  }
}

QString DecodeController::outputDirectory() const {
  // "out/" as a shell completes it must not give "out//name.csv".
  if (startupOptions_.outDir) return QDir::cleanPath(QString::fromStdString(*startupOptions_.outDir));
  return ::configText(config_, "outputDirName").value_or(QString());
}

QString DecodeController::refusalFor(const DecodeRequest& request) const {
  if (!variableListFailure_.isEmpty()) return variableListFailure_;
  if (request.checkedVariables == 0) return QString::fromUtf8(kNoVariablesText);
  // The same character as column and decimal separator would make every
  // number with decimals split into two columns: refuse before anything runs.
  if (request.columnSeparator == request.decimalSeparator) return QString::fromUtf8(kSameSeparatorsText);
  if (csvName_.isEmpty()) {
    const std::string failure = ensureOutputDirectory(outputDirectory().toStdString());
    if (!failure.empty()) return QString::fromStdString(failure);
  }
  return QString();
}

void DecodeController::decodeInputFiles(const std::function<DecodeRequest()>& readControls) {
  if (processFlags().batch && severalBatchLogs()) {
    readControls_ = readControls;
    batchIndex_ = 0;
    decodeBatchFile();
    return;
  }
  DecodeRequest request = readControls();
  const QString refusal = refusalFor(request);
  if (!refusal.isEmpty()) {
    refuse(refusal);
    return;
  }

  const QStringList files = inputFiles_;
  decodeProblems_.clear();
  for (int index = 0; index < files.size(); ++index) {
    if (index > 0) {
      emit loadingNextFile(files[index]);
      request = readControls();
      if (request.selected.empty()) {
        // An empty table would pass for a decode of this file.
        decodeProblems_ << QFileInfo(files[index]).fileName() + QStringLiteral(": none of the selected variables, skipped");
        consoleLine(QStringLiteral("None of the selected variables in ") + files[index] + QStringLiteral(": skipped"));
        continue;
      }
    }
    if (!decoder_) return;
    startDecode(files[index], request, files.size() < 2);
    // The next file's start clears the error text: keep what went wrong.
    const QString error = errorText();
    if (files.size() > 1 && index + 1 < files.size() && !error.isEmpty())
      decodeProblems_ << QFileInfo(files[index]).fileName() + QStringLiteral(": ") + error;
  }
}

void DecodeController::decodeBatchFile() {
  QString refusal = loadFailure_;
  DecodeRequest request;
  if (refusal.isEmpty()) {
    request = readControls_();
    refusal = refusalFor(request);
  }
  if (!refusal.isEmpty()) {
    if (refusal != loadFailure_) consoleLine(refusal);  // the load has said it already
    emit decodeRefused(refusal);
    finishBatchFile(false);
    return;
  }
  startDecode(inputFiles_[batchIndex_], request, true);
}

void DecodeController::finishBatchFile(bool decoded) {
  ++(decoded ? batchDecoded_ : batchFailed_);
  if (!decoded) consoleLine(QStringLiteral("Failed: ") + inputFiles_[batchIndex_]);
  if (++batchIndex_ < inputFiles_.size()) {
    emit loadingNextFile(inputFiles_[batchIndex_]);
    decodeBatchFile();
    return;
  }
  consoleLine(QStringLiteral("%1 decoded, %2 failed").arg(batchDecoded_).arg(batchFailed_));
  const int status = batchFailed_ > 0 ? 1 : 0;
  // Queued: the first logs may all fail before the event loop runs.
  QMetaObject::invokeMethod(qApp, [status] { QCoreApplication::exit(status); }, Qt::QueuedConnection);
}

void DecodeController::startDecode(const QString& logPath, const DecodeRequest& request, bool inBackground) {
  processing_ = true;
  setErrorText(QString());
  emit decodeStarted();

  Decoder& d = decoder_->decoder();
  d.setLeaveBlank(request.leaveBlank);
  d.setMilliseconds(request.milliseconds);
  d.setFloatFormat(request.floatFormat.toStdString());
  d.setColumnSeparator(request.columnSeparator.toStdString());
  d.setDecimalSeparator(request.decimalSeparator.toStdString());
  d.setUtc(request.utc);
  d.setUnitLine(request.unitLine);
  d.setAliases(toAliasEntries(aliases_));
  d.setFilters(toFilterEntries(conditions_));
  d.setMethod(methodFromText(request.method.toStdString()));

  d.clearSelection();
  for (const std::uint16_t id : request.selected) d.setSelected(id, true);

  const int frequencyCode = frequencyCodeFromText(request.frequency.toStdString());
  d.setFrequency(frequencyCode);

  // A window asked for on the command line replaces the controls' one; its
  // start names the file as the controls' start would.
  QDateTime start = request.start;
  QDateTime end = request.end;
  int64_t startMs = snapToFileEdge(start.toMSecsSinceEpoch(), d.fileStartMs());
  int64_t endMs = snapToFileEdge(end.toMSecsSinceEpoch(), d.fileEndMs());
  if (processFlags().batch) {
    const StartupOptions& o = startupOptions_;
    if (o.start) {
      startMs = resolveTimeArgument(*o.start, d.fileStartMs(), request.utc);
      start = QDateTime::fromMSecsSinceEpoch(startMs, start.timeSpec());
    }
    if (o.end) {
      endMs = resolveTimeArgument(*o.end, d.fileStartMs(), request.utc);
      end = QDateTime::fromMSecsSinceEpoch(endMs, end.timeSpec());
    }
    if (o.start && o.end && endMs < startMs) {
      std::fprintf(stderr, "zrl-decoder: --end %s is before --start %s\n", o.end->text.c_str(), o.start->text.c_str());
      endProcess(2);
    }
  }

  const QString outputPath =
      csvName_.isEmpty() ? defaultOutputName(outputDirectory(), logPath, start, frequencyCode) : csvName_;
  d.setOutputPath(outputPath.toStdString());
  // The command line allows database options in batch runs only.
  std::string databaseProblem;
  const std::optional<InfluxOptions> database =
      processFlags().batch
          ? databaseOutputOptions(databaseSettingsOf(startupOptions_), config_, databaseProblem)
          : std::nullopt;
  if (!databaseProblem.empty()) {
    consoleLine(QStringLiteral("Error: configuration ") + configPath_ + QStringLiteral(": ") +
                QString::fromStdString(databaseProblem));
    endProcess(1);
  }
  if (database) {
    databaseSink_ = std::make_shared<InfluxSink>(*database, [&d] { return d.cancelRequested(); });
    d.setRowSink(databaseSink_.get());
  } else {
    d.setRowSink(nullptr);
  }
  d.setOutputDescriptor(outputPath == QLatin1String("-") ? tableDescriptor() : -1);

  if (processFlags().verbose) {
    DecodeParameters p;
    p.logPath = logPath;
    p.outputPath = QString::fromStdString(d.expectedOutputPath());
    p.serial = QString::fromStdString(d.serial());
    p.start = start;
    p.end = end;
    p.uncompressedSize = d.uncompressedSize();
    p.resampling = resamplingSuffix(frequencyCode);
    p.leaveBlank = d.settings().leaveBlank;
    p.milliseconds = d.settings().milliseconds;
    p.floatFormat = request.floatFormat;
    p.columnSeparator = request.columnSeparator;
    p.decimalSeparator = request.decimalSeparator;
    p.utc = d.settings().utc;
    p.unitLine = d.settings().unitLine;
    p.aliases = aliases_;
    p.filters = conditions_;
    if (database) {
      p.database = true;
      p.influxUrl = QString::fromStdString(urlWithoutCredentials(database->url));
      p.influxDatabase = QString::fromStdString(database->database);
      p.influxMeasurement = QString::fromStdString(database->measurement);
      p.influxBatchSize = database->batchSize;
    }
    consoleText(parameterSummaryText(p));
  }

  d.setStartMs(startMs);
  d.setEndMs(endMs);

  d.clearCancelRequest();
  terminalProgress_.start();
  if (inBackground) QThreadPool::globalInstance()->start(decoder_);
  else decoder_->run();
}

void DecodeController::stopAndWait() {
  if (!decoder_) return;
  decoder_->decoder().requestCancel();
  QThreadPool::globalInstance()->waitForDone();
}

void DecodeController::cancelDecode() {
  if (decoder_) decoder_->decoder().requestCancel();
  QThreadPool::globalInstance()->waitForDone();
  processing_ = false;
}

bool DecodeController::decodeCancelled() const {
  return decoder_ && decoder_->decoder().cancelled();
}

void DecodeController::taskFinished() {
  processing_ = false;
  terminalProgress_.finish();
  emit decodeFinished();

  if (processFlags().batch) QThreadPool::globalInstance()->waitForDone();
  // A stop signal ends the whole run, not just the log being decoded.
  if (processFlags().batch && severalBatchLogs() && !decodeCancelled()) {
    const bool decoded = errorText().isEmpty();
    if (decoded) consoleLine(QStringLiteral("CSV written: ") + QString::fromStdString(decoder_->decoder().outputPath()));
    finishBatchFile(decoded);
    return;
  }
  if (processFlags().batch) {
    if (decodeCancelled()) {
      consoleText(QStringLiteral("\n") + QString::fromUtf8(kDecodeCancelledText) + QStringLiteral("\n"));
      const int signal = zrl::stopSignal.load();
      QCoreApplication::exit(signal != 0 ? 128 + signal : 1);
    } else if (errorText().isEmpty()) {
      const QString written =
          databaseSink_ ? QString::number(databaseSink_->pointsWritten()) + QStringLiteral(" points written to InfluxDB")
                        : QStringLiteral("CSV written: ") + QString::fromStdString(decoder_->decoder().outputPath());
      consoleText(QStringLiteral("\n") + written + QStringLiteral("\nSuccessfully done.\n"));
      QCoreApplication::exit(0);
    } else {
      consoleLine(QStringLiteral("Exit on error."));
      QCoreApplication::exit(1);
    }
  }
}
