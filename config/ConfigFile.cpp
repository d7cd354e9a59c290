#include "config/ConfigFile.h"

#include <QFile>
#include <QSaveFile>

#include <sstream>

#include "common/Console.h"

bool parseConfigFile(const QString& path, Json::Value& config, bool verbose) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    if (verbose) consoleLine(QStringLiteral("No configuration file"));
    return false;
  }
  if (verbose) consoleLine(QStringLiteral("Parsing JSON configuration file...") + path);
  const QByteArray bytes = file.readAll();
  // The scratch configuration starts out empty on every start without a
  // configuration; that is "nothing chosen yet", not a broken file, and must
  // not put an error in front of what the run prints.
  if (bytes.trimmed().isEmpty()) return false;
  std::istringstream in(std::string(bytes.constData(), static_cast<size_t>(bytes.size())));

  Json::CharReaderBuilder builder;
  Json::Value parsed;
  std::string errors;
  bool parsedOk = false;
  try {
    parsedOk = Json::parseFromStream(builder, in, &parsed, &errors);
  } catch (const Json::Exception& e) {
    // The reader throws instead of failing for documents nested deeper
    // than its stack limit; such a file is just as unusable as bad JSON.
    errors = e.what();
  }
  if (!parsedOk) {
    consoleLine(QStringLiteral("Error while parsing the configuration: ") + QString::fromStdString(errors));
    return false;
  }
  // Every later step indexes the configuration by key; a bare array or
  // scalar cannot carry options and would make those lookups fail.
  if (!parsed.isObject()) {
    consoleLine(QStringLiteral("Error while parsing the configuration: the document is not a JSON object"));
    return false;
  }
  config = parsed;
  return true;
}

std::string serializeConfig(const Json::Value& config) {
  Json::StreamWriterBuilder builder;
  builder["precision"] = 8;
  return Json::writeString(builder, config);
}

bool writeConfigFile(const QString& path, const Json::Value& config) {
  const std::string text = serializeConfig(config);
  // Written to a temporary file and renamed, so a failed write never leaves
  // a truncated configuration behind.
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    consoleLine(QStringLiteral("Unable to open ") + path);
    return false;
  }
  file.write(text.data(), static_cast<qint64>(text.size()));
  if (!file.commit()) {
    consoleLine(QStringLiteral("Unable to open ") + path);
    return false;
  }
  return true;
}
