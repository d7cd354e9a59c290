// The state a decode is made from, without any widget: the configuration
// file and its contents, the decode options, aliases and conditions, the
// log files and the loaded one, the selection by full name and the time
// window. The window shows it and edits it through this API; batch and
// info runs fill it from the command line.
#pragma once

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>

#include <json/json.h>

#include "session/DecodeOptions.h"
#include "session/SessionTypes.h"
#include "session/VariableSelection.h"

class LoadedLog;

class Session : public QObject {
  Q_OBJECT

 public:
  explicit Session(bool verbose, QObject* parent = nullptr);
  ~Session() override;

  bool verbose() const { return verbose_; }

  // ---- configuration ----
  const QString& configPath() const { return configPath_; }
  // Whether the configuration in use is the scratch file (or none).
  bool usesDefaultConfig() const;
  void setConfigPath(const QString& path);
  const Json::Value& config() const { return config_; }
  // The --conf file when given, else the remembered one, else the scratch
  // file, emptied: whatever an earlier run left there is not this run's
  // choice.
  void chooseStartupConfig(const std::string& namedPath);
  // Reads the configuration file over the default folders and applies it to
  // the options, aliases and conditions. False when the file could not be
  // used (configFailure() says why); the options then fall back.
  bool loadConfig();
  const QString& configFailure() const { return configFailure_; }
  // The configuration with the session's state stored in it, as the file
  // would be saved.
  Json::Value configToSave() const;
  // The session's state stored in the configuration and written to its file.
  bool saveConfig();
  void rememberConfigPath() const;
  // Sets one key of the configuration as a file would.
  void setConfigValue(const char* key, const Json::Value& value);
  // Where generated CSV names go: the configuration's "outputDirName".
  QString outputDirectory() const;
  void setOutputDirectory(const QString& dir);
  // The folder log files are chosen from.
  QString inputDirectory() const;

  // ---- decode options ----
  const DecodeOptions& options() const { return options_; }
  void setOptions(const DecodeOptions& options);

  // ---- aliases and conditions, by full name ----
  const QList<AliasEntryText>& aliases() const { return aliases_; }
  // The alias of `name`, the last entry winning; empty when it has none.
  QString aliasOf(const QString& name) const;
  // Sets or replaces the alias of `name`; an empty alias removes it.
  void setAlias(const QString& name, const QString& alias);
  const QList<ConditionEntry>& conditions() const { return conditions_; }
  void addCondition(const ConditionEntry& condition);
  void removeCondition(int index);
  void clearConditions();
  bool hasCondition(const QString& name) const;

  // ---- log files ----
  const QStringList& inputFiles() const { return inputFiles_; }
  void setInputFiles(const QStringList& files);
  const std::shared_ptr<LoadedLog>& log() const { return log_; }
  // Makes `log` the loaded one: condition names resolve against it, the
  // frequency and the time window follow it, and the selection is taken
  // from the configuration (selectionForLog).
  void setLog(std::shared_ptr<LoadedLog> log);
  void clearLog();

  // The configuration's selection resolved against `log`, or every variable.
  SelectionResult configuredSelection(const LoadedLog& log, bool allData) const;

  // ---- selection, by full name ----
  const QSet<QString>& selection() const { return selection_; }
  bool isSelected(const QString& name) const { return selection_.contains(name); }
  void setSelection(const QSet<QString>& names);
  void setSelected(const QString& name, bool selected);
  // The selected names in the loaded log's catalog order.
  QStringList selectedInCatalogOrder() const;

  // ---- time window, in ms since 1970 UTC ----
  std::int64_t windowStartMs() const { return windowStartMs_; }
  std::int64_t windowEndMs() const { return windowEndMs_; }
  void setTimeWindow(std::int64_t startMs, std::int64_t endMs);

 signals:
  void configurationChanged();
  void optionsChanged();
  void aliasesChanged();
  void conditionsChanged();
  void inputFilesChanged();
  void logChanged();
  void selectionChanged();
  void timeWindowChanged();

 private:
  // Condition names read from a configuration, resolved against the names
  // of the loaded log's variables.
  void resolveConditionNames();

  bool verbose_;
  QString configPath_;
  Json::Value config_{Json::objectValue};
  QString configFailure_;
  DecodeOptions options_;
  QList<AliasEntryText> aliases_;
  QList<ConditionEntry> conditions_;
  QStringList inputFiles_;
  std::shared_ptr<LoadedLog> log_;
  QSet<QString> selection_;
  std::int64_t windowStartMs_ = 0;
  std::int64_t windowEndMs_ = 0;
};
