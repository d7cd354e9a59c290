#include "task/DecodeController.h"

#include <QCoreApplication>
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
#include "task/DecodeProgress.h"
#include "task/DecoderRunnable.h"
#include "task/DefaultOutputName.h"
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
int64_t snapToFileEdge(int64_t chosenMs, int64_t fileEdgeMs) {
  const int64_t chosenSecond = chosenMs >= 0 ? chosenMs / 1000 : (chosenMs - 999) / 1000;
  const int64_t edgeSecond = fileEdgeMs >= 0 ? fileEdgeMs / 1000 : (fileEdgeMs - 999) / 1000;
  return chosenSecond == edgeSecond ? fileEdgeMs : chosenMs;
}

}  // namespace

DecodeController::DecodeController(const StartupOptions& options, QObject* parent)
    : QObject(parent), startupOptions_(options), csvName_(QString::fromStdString(options.csvName)) {
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
  if (!parseConfigFile(configPath_, config_, processFlags().verbose)) return std::nullopt;
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

  if (!log.loadError().empty() && flags.batch) {
    consoleLine(QString::fromStdString(log.loadError()));
    endProcess(1);
  }
  if (flags.info) {
    const std::string text = infoJsonText(buildInfoJson());
    std::fwrite(text.data(), 1, text.size(), stdout);
    QCoreApplication::quit();
    endProcess(0);
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
  if (processFlags().verbose && takeVerbosePercent(percent)) consoleText(QString::number(percent) + QStringLiteral("% "));
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

void DecodeController::decodeInputFiles(const std::function<DecodeRequest()>& readControls) {
  DecodeRequest request = readControls();
  if (request.checkedVariables == 0) {
    refuse(QString::fromUtf8(kNoVariablesText));
    return;
  }
  // The same character as column and decimal separator would make every
  // number with decimals split into two columns: refuse before anything runs.
  if (request.columnSeparator == request.decimalSeparator) {
    refuse(QString::fromUtf8(kSameSeparatorsText));
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

  const QString outputPath =
      csvName_.isEmpty()
          ? defaultOutputName(::configText(config_, "outputDirName").value_or(QString()), logPath, request.start,
                              frequencyCode)
          : csvName_;
  d.setOutputPath(outputPath.toStdString());
  d.setOutputDescriptor(outputPath == QLatin1String("-") ? tableDescriptor() : -1);

  if (processFlags().verbose) {
    DecodeParameters p;
    p.logPath = logPath;
    p.outputPath = QString::fromStdString(d.expectedOutputPath());
    p.serial = QString::fromStdString(d.serial());
    p.start = request.start;
    p.end = request.end;
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
    consoleText(parameterSummaryText(p));
  }

  d.setStartMs(snapToFileEdge(request.start.toMSecsSinceEpoch(), d.fileStartMs()));
  d.setEndMs(snapToFileEdge(request.end.toMSecsSinceEpoch(), d.fileEndMs()));

  d.clearCancelRequest();
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
  emit decodeFinished();

  if (processFlags().batch) {
    QThreadPool::globalInstance()->waitForDone();
    if (decodeCancelled()) {
      consoleText(QStringLiteral("\n") + QString::fromUtf8(kDecodeCancelledText) + QStringLiteral("\n"));
      const int signal = zrl::stopSignal.load();
      QCoreApplication::exit(signal != 0 ? 128 + signal : 1);
    } else if (errorText().isEmpty()) {
      consoleText(QStringLiteral("\nCSV written: ") + QString::fromStdString(decoder_->decoder().outputPath()) +
                  QStringLiteral("\nSuccessfully done.\n"));
      QCoreApplication::exit(0);
    } else {
      consoleLine(QStringLiteral("Exit on error."));
      QCoreApplication::exit(1);
    }
  }
}
