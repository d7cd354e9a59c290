#include "app/BatchRun.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>

#include <cstdio>
#include <unistd.h>
#include <memory>

#include "app/HeadlessStart.h"
#include "common/Console.h"
#include "common/PathText.h"
#include "decode/Decoder.h"
#include "influx/HttpBatchPoster.h"
#include "session/DefaultOutputName.h"
#include "session/LoadedLog.h"
#include "session/Session.h"
#include "task/ConsoleDecodeObserver.h"
#include "task/DatabaseOutput.h"
#include "task/DecodeController.h"
#include "task/ParameterSummary.h"
#include "task/TerminalProgress.h"

namespace {

// The verbose parameter summary of `job`, printed just before it runs.
QString summaryOf(const Session& session, const DecodeJob& job, const zrl::Decoder& d) {
  const DecodeOptions& options = session.options();
  DecodeParameters p;
  p.logPath = job.log->path();
  p.outputPath = pathFromBytes(d.expectedOutputPath());
  p.serial = job.log->serial();
  p.start = job.start;
  p.end = job.end;
  p.uncompressedSize = d.uncompressedSize();
  p.resampling = resamplingSuffix(job.settings.frequencyCode);
  p.leaveBlank = job.settings.leaveBlank;
  p.milliseconds = job.settings.milliseconds;
  p.floatFormat = options.floatFormat;
  p.columnSeparator = options.columnSeparator;
  p.decimalSeparator = options.decimalSeparator;
  p.utc = job.settings.utc;
  p.unitLine = job.settings.unitLine;
  p.aliases = aliasesToLists(session.aliases());
  p.filters = conditionsToLists(session.conditions());
  if (job.database) {
    p.database = true;
    p.influxUrl = QString::fromStdString(zrl::urlWithoutCredentials(job.database->url));
    p.influxDatabase = QString::fromStdString(job.database->database);
    p.influxMeasurement = QString::fromStdString(job.database->measurement);
    p.influxBatchSize = job.database->batchSize;
  }
  return parameterSummaryText(p);
}

// What a finished file is called in the run's report.
QString writtenLabel(const QString& outputFormat) {
  if (outputFormat == QLatin1String("hdf5")) return QStringLiteral("HDF5 written: ");
  if (outputFormat == QLatin1String("mat")) return QStringLiteral("MAT written: ");
  return QStringLiteral("CSV written: ");
}

DatabaseChoice databaseChoiceOf(const StartupOptions& options) {
  return {options.influxDatabase, options.influxMeasurement, options.influxGateway, options.influxUrl};
}

void warnMissing(const SelectionResult& selection, const QString& path) {
  for (int i = 0; i < selection.missingNames.size(); ++i) {
    const QStringList nearest = selection.nearest.value(i);
    const QString guess =
        nearest.isEmpty() ? QString() : QStringLiteral(" (did you mean ") + nearest.join(QStringLiteral(", ")) + "?)";
    std::fprintf(stderr, "Warning: variable %s is not in %s%s\n", selection.missingNames[i].toLocal8Bit().constData(),
                 visibleText(path).constData(), guess.toLocal8Bit().constData());
  }
  std::fflush(stderr);
}

}  // namespace

QString selectRunVariables(Session& session, const LoadedLog& log, const StartupOptions& options) {
  QString selectionFailure;
  SelectionResult listed;
  const QString path = log.path();
  if (options.vars) {
    listed = selectByList(*options.vars, log.variableNames());
    warnMissing(listed, path);
    if (!listed.unmatchedPatterns.isEmpty())
      selectionFailure = QStringLiteral("Error: no variable of ") + path + QStringLiteral(" matches ") +
                         listed.unmatchedPatterns.join(QStringLiteral(", "));
  }
  SelectionResult selection;
  if (options.allData) {
    selection = selectAll(log.variableNames());
  } else if (options.vars) {
    selection = listed;
  } else {
    selection = session.configuredSelection(log, false);
    warnMissing(selection, path);
  }
  session.setSelection(selection.names);
  return selectionFailure;
}

DecodeRequestOverrides runOverrides(const StartupOptions& options, const Session& session,
                                    std::string& databaseProblem) {
  DecodeRequestOverrides overrides;
  overrides.start = options.start;
  overrides.end = options.end;
  overrides.csvName = pathFromBytes(options.csvName);
  if (options.outDir) overrides.outDir = pathFromBytes(*options.outDir);
  overrides.outputDescriptor = tableDescriptor();
  overrides.replaceOutput = options.force;
  databaseProblem.clear();
  overrides.database = databaseOutputOptions(databaseChoiceOf(options), session.config(), databaseProblem);
  return overrides;
}

bool applyRunCsvOptions(Session& session, const StartupOptions& options) {
  DecodeOptions csv = session.options();
  if (options.timeFormat) csv.timeFormat = QString::fromStdString(*options.timeFormat);
  if (options.noBom) csv.bom = false;
  if (options.lf) csv.lineEnd = QStringLiteral("lf");
  if (options.format) csv.outputFormat = QString::fromStdString(*options.format);
  session.setOptions(csv);
  const QString unusable = unusableOptionText(csv);
  if (unusable.isEmpty()) return true;
  consoleLine(QStringLiteral("Error: configuration ") + session.configPath() + QStringLiteral(": ") + unusable);
  return false;
}

namespace {

class BatchRun {
 public:
  explicit BatchRun(const StartupOptions& options)
      : options_(options),
        session_(options.verbose),
        // --verbose prints its own percentages on standard output; a line
        // redrawn in between would garble both on a terminal.
        terminal_(!options.verbose && TerminalProgress::wanted(options.quiet), stderr),
        console_(options.verbose, &controller_, &terminal_) {
    console_.setBeforeRun([this](const DecodeJob& job, const zrl::Decoder& d) {
      if (options_.verbose) reportText(summaryOf(session_, job, d));
    });
  }

  int run();

 private:
  struct LogResult {
    enum Kind { Decoded, Failed, Refused, Cancelled, UsageError, Unusable } kind = Failed;
    DecodeOutcome outcome;
  };

  // Loads `path` into the session with its own selection; the reason it
  // cannot be decoded, or empty.
  QString load(const QString& path);
  LogResult decodeLoaded(bool several);
  DecodeOutcome waitFor(DecodeJob job);

  // The command line's CSV choices over the configuration's; false after
  // saying why the options cannot be used.
  bool applyCsvOptions();
  // Ends the run with `status`, after the warning about rows that share
  // their time text, if any did.
  int finish(int status) const;

  const StartupOptions& options_;
  std::uint64_t rowsSharingTime_ = 0;
  bool loading_ = false;      // a log is being loaded
  std::string loadRefusal_;   // the first message of that load
  Session session_;
  DecodeController controller_;
  TerminalProgress terminal_;
  ConsoleDecodeObserver console_;
  QString selectionFailure_;
};

QString BatchRun::load(const QString& path) {
  // The load's refusal is said once, as the load error below, not also as
  // a decode error.
  loadRefusal_.clear();
  loading_ = true;
  auto log = std::make_shared<LoadedLog>(
      path, options_.verbose,
      [this](std::uint64_t done, std::uint64_t total, const std::string& message) {
        if (loading_ && !message.empty() && loadRefusal_.empty()) {
          loadRefusal_ = message;
          console_.report(done, total, std::string());
          return;
        }
        console_.report(done, total, message);
      });
  loading_ = false;
  QString failure = log->loadError();
  if (!failure.isEmpty()) consoleLine(failure);
  if (failure.isEmpty() && !loadRefusal_.empty()) console_.report(0, 0, loadRefusal_);
  session_.setLog(log);
  // A head that could not be read has been explained above or by the
  // reader; there is nothing to select or decode, and nothing more to say.
  if (!log->headRead()) return failure.isEmpty() ? QStringLiteral("unreadable") : failure;

  // Every log is matched on its own: another log's variables are no guide.
  selectionFailure_ = selectRunVariables(session_, *log, options_);
  return failure;
}

DecodeOutcome BatchRun::waitFor(DecodeJob job) {
  DecodeOutcome outcome;
  QEventLoop loop;
  QObject::connect(&controller_, &DecodeController::finished, &loop, [&](const DecodeOutcome& ended) {
    outcome = ended;
    loop.quit();
  });
  if (!controller_.start(std::move(job), &console_)) return outcome;
  loop.exec();
  terminal_.finish();
  return outcome;
}

BatchRun::LogResult BatchRun::decodeLoaded(bool several) {
  LogResult result;
  std::string databaseProblem;
  DecodeRequestOverrides overrides = runOverrides(options_, session_, databaseProblem);
  overrides.selectionFailure = selectionFailure_;

  const DecodePlan plan = planDecode(session_, overrides);
  if (!plan.refusal.isEmpty()) {
    // Someone at a terminal gets the way out; scripts keep the window's words.
    const bool hint = plan.refusal == QString::fromUtf8(kNoVariablesText) && ::isatty(STDERR_FILENO);
    consoleLine(hint ? QStringLiteral("no variable selected: use --vars PATTERNS or --alldata, or a configuration "
                                      "with selected variables")
                     : plan.refusal);
    if (!several) consoleLine(QStringLiteral("Exit on error."));
    result.kind = LogResult::Refused;
    return result;
  }
  if (!plan.usageError.isEmpty()) {
    std::fprintf(stderr, "zrl-decoder: %s\n", plan.usageError.toLocal8Bit().constData());
    std::fflush(stderr);
    result.kind = LogResult::UsageError;
    return result;
  }
  if (!databaseProblem.empty()) {
    consoleLine(QStringLiteral("Error: configuration ") + session_.configPath() + QStringLiteral(": ") +
                QString::fromStdString(databaseProblem));
    result.kind = LogResult::Unusable;
    return result;
  }
  result.outcome = waitFor(*plan.job);
  rowsSharingTime_ += result.outcome.rowsSharingTime;
  if (result.outcome.cancelled()) result.kind = LogResult::Cancelled;
  else result.kind = result.outcome.succeeded() ? LogResult::Decoded : LogResult::Failed;
  return result;
}

bool BatchRun::applyCsvOptions() { return applyRunCsvOptions(session_, options_); }

int BatchRun::finish(int status) const {
  if (rowsSharingTime_ != 0)
    consoleLine(QStringLiteral("Warning: %1 rows share their time with a neighbouring row (milliseconds are off); "
                               "set \"milliseconds\": true in the configuration or use --time iso to tell them apart")
                    .arg(rowsSharingTime_));
  return status;
}

int BatchRun::run() {
  if (!loadRunConfiguration(session_, options_)) return 1;
  if (!applyCsvOptions()) return 1;
  // Names keep their bytes, UTF-8 or not, up to the decoder that opens them.
  QStringList files{pathFromBytes(options_.logPath)};
  for (const std::string& more : options_.moreLogPaths) files << pathFromBytes(more);
  session_.setInputFiles(files);
  const bool several = files.size() > 1;

  int decoded = 0;
  int failed = 0;
  for (const QString& path : files) {
    const QString loadFailure = load(path);
    LogResult result;
    if (loadFailure.isEmpty()) {
      result = decodeLoaded(several);
    } else if (!several) {
      return 1;
    }
    switch (result.kind) {
      case LogResult::UsageError: return 2;
      case LogResult::Unusable: return 1;
      case LogResult::Cancelled: {
        // A stop signal ends the whole run, not just the log being decoded.
        consoleText(QStringLiteral("\n") + QString::fromUtf8(kDecodeCancelledText) + QStringLiteral("\n"));
        const int signal = result.outcome.stopSignal;
        return signal != 0 ? 128 + signal : 1;
      }
      case LogResult::Decoded:
        if (several) {
          reportLine(writtenLabel(session_.options().outputFormat) + result.outcome.outputPath);
        } else if (result.outcome.toDatabase) {
          reportText(QStringLiteral("\n") + QString::number(result.outcome.pointsWritten) +
                      QStringLiteral(" points written to InfluxDB\nSuccessfully done.\n"));
          return finish(0);
        } else {
          // The table itself went to standard output: no file to name.
          const QString written = result.outcome.outputPath == QLatin1String("-")
                                      ? QString()
                                      : QStringLiteral("\n") + writtenLabel(session_.options().outputFormat) +
                                            result.outcome.outputPath;
          reportText(written + QStringLiteral("\nSuccessfully done.\n"));
        }
        if (!several) return finish(0);
        ++decoded;
        break;
      case LogResult::Failed:
      case LogResult::Refused:
        if (!several) {
          if (result.kind == LogResult::Failed) consoleLine(QStringLiteral("Exit on error."));
          return finish(1);
        }
        consoleLine(QStringLiteral("Failed: ") + path);
        ++failed;
        break;
    }
  }
  reportLine(QStringLiteral("%1 decoded, %2 failed").arg(decoded).arg(failed));
  return finish(failed > 0 ? 1 : 0);
}

}  // namespace

int runBatch(const StartupOptions& options) {
  BatchRun run(options);
  return run.run();
}
