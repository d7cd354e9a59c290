#include "session/DecodeJob.h"

#include <QDir>

#include "common/PathText.h"
#include "config/ControlTexts.h"
#include "reader/LogReader.h"
#include "session/DefaultOutputName.h"
#include "session/LoadedLog.h"
#include "session/Session.h"

QString DecodeJob::validate() const {
  if (selectedIds.empty()) return QString::fromUtf8(kNoVariablesText);
  // The same character as column and decimal separator would make every
  // number with decimals split into two columns.
  if (settings.columnSeparator == settings.decimalSeparator) return QString::fromUtf8(kSameSeparatorsText);
  return QString();
}

std::int64_t snapToFileEdge(std::int64_t chosenMs, std::int64_t fileEdgeMs) {
  const std::int64_t chosenSecond = chosenMs >= 0 ? chosenMs / 1000 : (chosenMs - 999) / 1000;
  const std::int64_t edgeSecond = fileEdgeMs >= 0 ? fileEdgeMs / 1000 : (fileEdgeMs - 999) / 1000;
  return chosenSecond == edgeSecond ? fileEdgeMs : chosenMs;
}

namespace {

std::vector<zrl::AliasEntry> aliasEntries(const QList<AliasEntryText>& aliases) {
  std::vector<zrl::AliasEntry> entries;
  for (const AliasEntryText& entry : aliases) entries.emplace_back(entry.name.toStdString(), entry.alias.toStdString());
  return entries;
}

std::vector<zrl::RowFilterEntry> filterEntries(const QList<ConditionEntry>& conditions) {
  std::vector<zrl::RowFilterEntry> entries;
  for (const ConditionEntry& entry : conditions)
    entries.push_back({entry.name.toStdString(), entry.kind.toStdString(), entry.limit.toStdString()});
  return entries;
}

}  // namespace

DecodePlan planDecode(const Session& session, const DecodeRequestOverrides& overrides) {
  DecodePlan plan;
  const std::shared_ptr<LoadedLog>& log = session.log();
  if (!log) {
    plan.refusal = QString::fromUtf8(kNoVariablesText);
    return plan;
  }
  const DecodeOptions& options = session.options();
  DecodeJob job;
  job.log = log;
  for (const zrl::VariableListing& variable : log->variables())
    if (session.isSelected(QString::fromStdString(variable.fullName))) job.selectedIds.push_back(variable.id);

  zrl::DecodeSettings& s = job.settings;
  s.leaveBlank = options.leaveBlank;
  s.milliseconds = options.milliseconds;
  s.timeColumns = options.timeFormat == QLatin1String("iso")        ? zrl::TimeColumns::Iso
                  : options.timeFormat == QLatin1String("epoch-ms") ? zrl::TimeColumns::EpochMs
                  : options.timeFormat == QLatin1String("seconds")  ? zrl::TimeColumns::Seconds
                                                                    : zrl::TimeColumns::DateHour;
  s.byteOrderMark = options.bom;
  s.crlf = options.lineEnd != QLatin1String("lf");
  s.floatFormat = zrl::floatFormatFromText(options.floatFormat.toStdString());
  s.columnSeparator = zrl::columnSeparatorFromText(options.columnSeparator.toStdString());
  s.decimalSeparator = zrl::decimalSeparatorFromText(options.decimalSeparator.toStdString());
  s.utc = options.utc;
  s.unitLine = options.unitLine;
  s.aliases = aliasEntries(session.aliases());
  s.filters = filterEntries(session.conditions());
  s.method = zrl::methodFromText(options.method.toStdString());
  s.frequencyCode = zrl::frequencyCodeFromText(options.frequency.toStdString());
  s.periodMs = zrl::periodFromFrequencyCode(s.frequencyCode);
  zrl::outputFormatFromText(options.outputFormat.toStdString(), job.format);

  if (!overrides.selectionFailure.isEmpty()) {
    plan.refusal = overrides.selectionFailure;
    return plan;
  }
  const QString unusable = unusableOptionText(options);
  if (!unusable.isEmpty()) {
    plan.refusal = QStringLiteral("Error: configuration ") + session.configPath() + QStringLiteral(": ") + unusable;
    return plan;
  }
  plan.refusal = job.validate();
  if (!plan.refusal.isEmpty()) return plan;

  // "out/" as a shell completes it must not give "out//name.csv".
  const QString outputDir = overrides.outDir ? QDir::cleanPath(*overrides.outDir) : session.outputDirectory();

  // A window asked for on the command line replaces the session's; its start
  // names the file as the session's start would.
  const Qt::TimeSpec timeBase = options.utc ? Qt::UTC : Qt::LocalTime;
  job.start = QDateTime::fromMSecsSinceEpoch(session.windowStartMs(), Qt::UTC).toTimeSpec(timeBase);
  job.end = QDateTime::fromMSecsSinceEpoch(session.windowEndMs(), Qt::UTC).toTimeSpec(timeBase);
  std::int64_t startMs = snapToFileEdge(session.windowStartMs(), log->startMs());
  std::int64_t endMs = snapToFileEdge(session.windowEndMs(), log->endMs());
  if (overrides.start) {
    startMs = resolveTimeArgument(*overrides.start, log->startMs(), options.utc);
    job.start = QDateTime::fromMSecsSinceEpoch(startMs, Qt::UTC).toTimeSpec(timeBase);
  }
  if (overrides.end) {
    endMs = resolveTimeArgument(*overrides.end, log->startMs(), options.utc);
    job.end = QDateTime::fromMSecsSinceEpoch(endMs, Qt::UTC).toTimeSpec(timeBase);
  }
  if (overrides.start && overrides.end && endMs < startMs) {
    plan.usageError = QStringLiteral("--end ") + QString::fromStdString(overrides.end->text) +
                      QStringLiteral(" is before --start ") + QString::fromStdString(overrides.start->text);
    return plan;
  }
  s.startMs = startMs;
  s.endMs = endMs;

  const QString outputPath = overrides.csvName.isEmpty()
                                 ? defaultOutputName(outputDir, log->path(), job.start, s.frequencyCode,
                                                     QLatin1String(zrl::outputFormatExtension(job.format)))
                                 : overrides.csvName;
  s.outputPath = pathBytes(outputPath);
  s.outputDescriptor = outputPath == QLatin1String("-") ? overrides.outputDescriptor : -1;
  s.replaceOutput = overrides.replaceOutput;
  s.createOutputFolder = overrides.csvName.isEmpty();
  job.database = overrides.database;
  plan.job = std::move(job);
  return plan;
}
