#include "session/Session.h"

#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>

#include "common/Console.h"
#include "common/PathText.h"
#include "config/ConfigFile.h"
#include "config/ConfigOptions.h"
#include "config/RememberedConfig.h"
#include "reader/LogReader.h"
#include "session/LoadedLog.h"

Session::Session(bool verbose, QObject* parent) : QObject(parent), verbose_(verbose) {}

Session::~Session() = default;

void Session::setConfigPath(const QString& path) {
  configPath_ = path;
  emit configurationChanged();
}

void Session::chooseStartupConfig(const std::string& namedPath) {
  if (!namedPath.empty()) {
    setConfigPath(pathFromBytes(namedPath));
    return;
  }
  const QString remembered = findLastConfig(verbose_);
  if (!remembered.isEmpty()) {
    if (verbose_) reportLine(QStringLiteral("Auto-loading last config file: ") + remembered);
    setConfigPath(remembered);
    return;
  }
  const QString scratch = defaultConfigPath();
  createEmptyFile(scratch);
  setConfigPath(scratch);
}

bool Session::loadConfig() {
  const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  config_["inputDirName"] = desktop.toStdString();
  config_["outputDirName"] = desktop.toStdString();
  configFailure_.clear();
  options_.frequency = QStringLiteral("None");
  if (!parseConfigFile(configPath_, config_, verbose_, &configFailure_)) {
    options_ = optionsWithoutConfig(options_);
    emit optionsChanged();
    emit configurationChanged();
    return false;
  }
  // A value of the wrong type is ignored, but not silently.
  for (const QString& warning : mistypedKeys(config_)) {
    std::fprintf(stderr, "Warning: configuration %s: %s\n", visibleText(configPath_).constData(),
                 warning.toUtf8().constData());
  }
  std::fflush(stderr);
  // The window relies on both directories; a file without them gets the
  // defaults again instead of empty texts.
  for (const char* key : {"inputDirName", "outputDirName"}) {
    if (!config_[key].isString()) config_[key] = desktop.toStdString();
  }
  const LoadedOptions loaded = readLoadedOptions(config_);
  if (loaded.zrl) inputFiles_ = QStringList{*loaded.zrl};
  if (loaded.aliasesGiven) aliases_ = aliasesFromLists(loaded.aliases);
  conditions_ = conditionsFromLists(loaded.conditions);
  resolveConditionNames();
  options_ = optionsFromConfig(loaded, options_);
  // A configuration loaded while a log is open acts on it at once.
  if (log_ && config_.isMember("frequency"))
    options_.frequency = frequencyForLog(options_.frequency, log_->recordingFrequency(),
                                         configText(config_, "frequency"), true);
  emit optionsChanged();
  emit aliasesChanged();
  emit conditionsChanged();
  emit configurationChanged();
  return true;
}

Json::Value Session::configToSave() const {
  SavedOptions saved;
  saved.floatFormat = options_.floatFormat;
  saved.columnSeparator = options_.columnSeparator;
  saved.decimalSeparator = options_.decimalSeparator;
  saved.frequency = options_.frequency;
  saved.method = options_.method;
  saved.milliseconds = options_.milliseconds;
  saved.utc = options_.utc;
  saved.unitLine = options_.unitLine;
  saved.cellFilling = !options_.leaveBlank;
  saved.timeFormat = options_.timeFormat;
  saved.bom = options_.bom;
  saved.lineEnd = options_.lineEnd;
  saved.outputFormat = options_.outputFormat;
  saved.typeFilterFloat = options_.typeFilters.floats;
  saved.typeFilterInt = options_.typeFilters.integers;
  saved.typeFilterString = options_.typeFilters.strings;
  saved.typeFilterBool = options_.typeFilters.booleans;
  saved.aliases = aliasesToLists(aliases_);
  saved.conditions = conditionsToLists(conditions_);
  saved.selectedNames = selectedInCatalogOrder();
  if (log_) saved.variableNames = QSet<QString>(log_->variableNames().begin(), log_->variableNames().end());
  Json::Value config = config_;
  storeSavedOptions(config, saved);
  // Without a log there is no ticked list: the configured selection stands.
  if (!log_) config["selected_vars"] = config_.isObject() ? config_["selected_vars"] : Json::Value();
  return config;
}

bool Session::saveConfig() {
  config_ = configToSave();
  return writeConfigFile(configPath_, config_);
}

bool Session::usesDefaultConfig() const { return isDefaultConfigPath(configPath_); }

void Session::rememberConfigPath() const { rememberConfig(configPath_, verbose_); }

void Session::setConfigValue(const char* key, const Json::Value& value) {
  if (!config_.isObject()) config_ = Json::Value(Json::objectValue);
  config_[key] = value;
  emit configurationChanged();
}

QString Session::outputDirectory() const { return configText(config_, "outputDirName").value_or(QString()); }

void Session::setOutputDirectory(const QString& dir) {
  if (!config_.isObject()) config_ = Json::Value(Json::objectValue);
  config_["outputDirName"] = dir.toStdString();
  emit configurationChanged();
}

QString Session::inputDirectory() const { return configText(config_, "inputDirName").value_or(QString()); }

void Session::setOptions(const DecodeOptions& options) {
  if (options == options_) return;
  options_ = options;
  emit optionsChanged();
}

QString Session::aliasOf(const QString& name) const {
  QString alias;
  for (const AliasEntryText& entry : aliases_)
    if (entry.name == name) alias = entry.alias;
  return alias;
}

void Session::setAlias(const QString& name, const QString& alias) {
  if (alias.isEmpty()) {
    for (int i = aliases_.size() - 1; i >= 0; --i)
      if (aliases_[i].name == name) aliases_.removeAt(i);
  } else {
    bool replaced = false;
    for (AliasEntryText& entry : aliases_) {
      if (entry.name != name) continue;
      entry.alias = alias;
      replaced = true;
    }
    if (!replaced) aliases_.append({name, alias});
  }
  emit aliasesChanged();
}

void Session::addCondition(const ConditionEntry& condition) {
  conditions_.append(condition);
  emit conditionsChanged();
}

void Session::removeCondition(int index) {
  if (index < 0 || index >= conditions_.size()) return;
  conditions_.removeAt(index);
  emit conditionsChanged();
}

void Session::clearConditions() {
  conditions_.clear();
  emit conditionsChanged();
}

bool Session::hasCondition(const QString& name) const {
  for (const ConditionEntry& entry : conditions_)
    if (entry.name == name) return true;
  return false;
}

void Session::setInputFiles(const QStringList& files) {
  inputFiles_ = files;
  emit inputFilesChanged();
}

void Session::resolveConditionNames() {
  if (!log_) return;
  const QSet<QString> names(log_->variableNames().begin(), log_->variableNames().end());
  for (ConditionEntry& condition : conditions_) condition.name = resolveVariableName(condition.name, names);
}

SelectionResult Session::configuredSelection(const LoadedLog& log, bool allData) const {
  if (allData) return selectAll(log.variableNames());
  QStringList texts;
  const Json::Value& selected = config_.isObject() ? config_["selected_vars"] : Json::Value::nullSingleton();
  if (selected.isArray())
    for (const Json::Value& value : selected)
      if (value.isString()) texts.append(QString::fromStdString(value.asString()));
  return selectConfiguredNames(texts, aliases_, log.variableNames());
}

void Session::setLog(std::shared_ptr<LoadedLog> log) {
  log_ = std::move(log);
  if (log_) {
    config_["inputDirName"] = QFileInfo(log_->path()).absolutePath().toStdString();
    resolveConditionNames();
    options_.frequency = frequencyForLog(options_.frequency, log_->recordingFrequency(),
                                         configText(config_, "frequency"), config_.isMember("frequency"));
    windowStartMs_ = log_->startMs();
    windowEndMs_ = log_->endMs();
  }
  emit logChanged();
  emit conditionsChanged();
  emit optionsChanged();
  emit timeWindowChanged();
}

void Session::clearLog() {
  log_.reset();
  selection_.clear();
  emit logChanged();
  emit selectionChanged();
}

void Session::setSelection(const QSet<QString>& names) {
  if (names == selection_) return;
  selection_ = names;
  emit selectionChanged();
}

void Session::setSelected(const QString& name, bool selected) {
  if (selection_.contains(name) == selected) return;
  if (selected) selection_.insert(name);
  else selection_.remove(name);
  emit selectionChanged();
}

QStringList Session::selectedInCatalogOrder() const {
  QStringList names;
  if (!log_) return names;
  for (const QString& name : log_->variableNames())
    if (selection_.contains(name)) names.append(name);
  return names;
}

void Session::setTimeWindow(std::int64_t startMs, std::int64_t endMs) {
  if (startMs == windowStartMs_ && endMs == windowEndMs_) return;
  windowStartMs_ = startMs;
  windowEndMs_ = endMs;
  emit timeWindowChanged();
}
