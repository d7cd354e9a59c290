#include "config/ConfigOptions.h"

#include <QLocale>

#include <algorithm>

namespace {

const QString kMaximum = QStringLiteral("maximum");
const QString kMinimum = QStringLiteral("minimum");

QString toQString(const Json::Value& value) { return QString::fromStdString(value.asString()); }

// Entry `index` of the array under `key`, when it exists and is a text.
std::optional<QString> textAt(const Json::Value& config, const char* key, Json::ArrayIndex index) {
  const Json::Value& array = config[key];
  if (!array.isArray() || index >= array.size() || !array[index].isString()) return std::nullopt;
  return toQString(array[index]);
}

Json::ArrayIndex arraySize(const Json::Value& config, const char* key) {
  const Json::Value& array = config[key];
  return array.isArray() ? array.size() : 0;
}

// A limit as the conditions hold it: a text as it is, a number as the text
// that reads back the same (integers without a point, doubles in their
// shortest such form).
std::optional<QString> limitAt(const Json::Value& config, const char* key, Json::ArrayIndex index) {
  const Json::Value& array = config[key];
  if (!array.isArray() || index >= array.size()) return std::nullopt;
  const Json::Value& value = array[index];
  if (value.isString()) return toQString(value);
  if (value.isInt64()) return QString::number(value.asInt64());
  if (value.isUInt64()) return QString::number(value.asUInt64());
  if (value.isDouble()) return QString::number(value.asDouble(), 'g', QLocale::FloatingPointShortest);
  return std::nullopt;
}

void appendConditions(const Json::Value& config, const char* nameKey, const char* limitKey,
                      const QString& kind, QList<QStringList>& conditions) {
  const Json::ArrayIndex count = arraySize(config, nameKey);
  for (Json::ArrayIndex i = 0; i < count; ++i) {
    const auto name = textAt(config, nameKey, i);
    const auto limit = limitAt(config, limitKey, i);
    if (!name || !limit) continue;
    conditions.append({*name, kind, *limit});
  }
}

Json::Value textArray(const QStringList& texts) {
  if (texts.isEmpty()) return Json::Value();
  Json::Value array(Json::arrayValue);
  for (const QString& text : texts) array.append(text.toStdString());
  return array;
}

}  // namespace

QString reduceDisplayName(const QString& name) {
  const QString marker = QStringLiteral(" [");
  const int at = name.lastIndexOf(marker);
  if (at < 0 || !name.endsWith(QLatin1Char(']'))) return name;
  const int start = at + marker.size();
  return name.mid(start, name.size() - start - 1);
}

QString resolveVariableName(const QString& text, const QSet<QString>& fullNames) {
  return fullNames.contains(text) ? text : reduceDisplayName(text);
}

std::optional<QString> configText(const Json::Value& config, const char* key) {
  if (!config.isObject()) return std::nullopt;
  const Json::Value& value = config[key];
  if (!value.isString()) return std::nullopt;
  return toQString(value);
}

std::optional<bool> configBool(const Json::Value& config, const char* key) {
  if (!config.isObject()) return std::nullopt;
  const Json::Value& value = config[key];
  if (!value.isBool()) return std::nullopt;
  return value.asBool();
}

LoadedOptions readLoadedOptions(const Json::Value& config) {
  LoadedOptions options;
  if (!config.isObject()) return options;
  options.zrl = configText(config, "zrl");
  options.floatFormat = configText(config, "floatFormat");
  options.columnSeparator = configText(config, "columnSeparator");
  options.decimalSeparator = configText(config, "decimalSeparator");
  options.milliseconds = configBool(config, "milliseconds").value_or(false);
  options.utc = configBool(config, "utc").value_or(true);
  options.unitLine = configBool(config, "units");
  options.cellFilling = configBool(config, "cell_filling");
  options.timeFormat = configText(config, "timeFormat");
  options.bom = configBool(config, "bom").value_or(true);
  options.lineEnd = configText(config, "lineEnd");
  options.outputFormat = configText(config, "outputFormat");

  options.aliasesGiven = config.isMember("aliasVal");
  const Json::ArrayIndex aliasCount = arraySize(config, "aliasVal");
  for (Json::ArrayIndex i = 0; i < aliasCount; ++i) {
    const auto name = textAt(config, "var", i);
    const auto alias = textAt(config, "aliasVal", i);
    if (!name || !alias) continue;
    const bool known = std::any_of(options.aliases.cbegin(), options.aliases.cend(),
                                   [&](const QStringList& pair) { return pair.first() == *name; });
    if (!known) options.aliases.append({*name, *alias});
  }

  appendConditions(config, "maxVar", "maxVal", kMaximum, options.conditions);
  appendConditions(config, "minVar", "minVal", kMinimum, options.conditions);

  for (const char* key : {"method", "aggregation"}) {
    if (const auto text = configText(config, key)) options.methodTexts.append(*text);
  }
  options.typeFilterFloat = configBool(config, "typeFilter_float");
  options.typeFilterInt = configBool(config, "typeFilter_int");
  options.typeFilterString = configBool(config, "typeFilter_string");
  options.typeFilterBool = configBool(config, "typeFilter_bool");
  return options;
}

QStringList mistypedKeys(const Json::Value& config) {
  struct Key {
    const char* name;
    Json::ValueType type;
  };
  static const Key kKeys[] = {
      {"zrl", Json::stringValue},           {"floatFormat", Json::stringValue},
      {"columnSeparator", Json::stringValue}, {"decimalSeparator", Json::stringValue},
      {"method", Json::stringValue},        {"aggregation", Json::stringValue},
      {"frequency", Json::stringValue},     {"inputDirName", Json::stringValue},
      {"outputDirName", Json::stringValue}, {"milliseconds", Json::booleanValue},
      {"utc", Json::booleanValue},          {"units", Json::booleanValue},
      {"cell_filling", Json::booleanValue}, {"typeFilter_float", Json::booleanValue},
      {"typeFilter_int", Json::booleanValue}, {"typeFilter_string", Json::booleanValue},
      {"typeFilter_bool", Json::booleanValue}, {"var", Json::arrayValue},
      {"aliasVal", Json::arrayValue},       {"maxVar", Json::arrayValue},
      {"maxVal", Json::arrayValue},         {"minVar", Json::arrayValue},
      {"minVal", Json::arrayValue},         {"selected_vars", Json::arrayValue},
      {"timeFormat", Json::stringValue},    {"bom", Json::booleanValue},
      {"lineEnd", Json::stringValue},       {"outputFormat", Json::stringValue},
  };
  QStringList warnings;
  if (!config.isObject()) return warnings;
  for (const Key& key : kKeys) {
    if (!config.isMember(key.name) || config[key.name].type() == key.type) continue;
    const char* expected = key.type == Json::stringValue    ? "a text"
                           : key.type == Json::booleanValue ? "true or false"
                                                            : "a list of texts";
    warnings.append(QStringLiteral("key \"%1\" is not %2; ignored")
                        .arg(QLatin1String(key.name), QLatin1String(expected)));
  }
  return warnings;
}

QStringList selectedVariableNames(const Json::Value& config) {
  QStringList names;
  if (!config.isObject()) return names;
  const Json::ArrayIndex count = arraySize(config, "selected_vars");
  for (Json::ArrayIndex i = 0; i < count; ++i) {
    if (const auto name = textAt(config, "selected_vars", i)) names.append(reduceDisplayName(*name));
  }
  return names;
}

void storeSavedOptions(Json::Value& config, const SavedOptions& options) {
  if (!config.isObject()) config = Json::Value(Json::objectValue);
  config["floatFormat"] = options.floatFormat.toStdString();
  config["columnSeparator"] = options.columnSeparator.toStdString();
  config["decimalSeparator"] = options.decimalSeparator.toStdString();
  config["milliseconds"] = options.milliseconds;
  config["utc"] = options.utc;
  config["units"] = options.unitLine;
  config["cell_filling"] = options.cellFilling;
  config["frequency"] = options.frequency.toStdString();
  config["method"] = options.method.toStdString();
  if (options.timeFormat.isEmpty()) config.removeMember("timeFormat");
  else config["timeFormat"] = options.timeFormat.toStdString();
  if (options.bom) config.removeMember("bom");
  else config["bom"] = false;
  if (options.lineEnd == QLatin1String("crlf")) config.removeMember("lineEnd");
  else config["lineEnd"] = options.lineEnd.toStdString();
  if (options.outputFormat == QLatin1String("csv")) config.removeMember("outputFormat");
  else config["outputFormat"] = options.outputFormat.toStdString();
  config["typeFilter_float"] = options.typeFilterFloat;
  config["typeFilter_int"] = options.typeFilterInt;
  config["typeFilter_string"] = options.typeFilterString;
  config["typeFilter_bool"] = options.typeFilterBool;

  QStringList maxNames, maxLimits, minNames, minLimits;
  for (const QStringList& condition : options.conditions) {
    if (condition.size() < 3) continue;
    if (condition[1] == kMaximum) {
      maxNames.append(condition[0]);
      maxLimits.append(condition[2]);
    } else if (condition[1] == kMinimum) {
      minNames.append(condition[0]);
      minLimits.append(condition[2]);
    }
  }
  config["maxVar"] = textArray(maxNames);
  config["maxVal"] = textArray(maxLimits);
  config["minVar"] = textArray(minNames);
  config["minVal"] = textArray(minLimits);

  QStringList aliasNames, aliasTexts;
  for (const QStringList& pair : options.aliases) {
    if (pair.size() < 2) continue;
    aliasNames.append(pair[0]);
    aliasTexts.append(pair[1]);
  }
  config["var"] = textArray(aliasNames);
  config["aliasVal"] = textArray(aliasTexts);

  QStringList selected;
  for (const QString& name : options.selectedNames)
    selected.append(resolveVariableName(name, options.variableNames));
  config["selected_vars"] = textArray(selected);
}
