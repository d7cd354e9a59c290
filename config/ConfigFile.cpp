#include "config/ConfigFile.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <sstream>

#include <sys/stat.h>

#include "common/Console.h"

bool parseConfigFile(const QString& path, Json::Value& config, bool verbose, QString* failure) {
  auto fail = [failure](const QString& reason) {
    if (failure) *failure = reason;
    return false;
  };
  // Checked before opening: opening a FIFO would wait for a writer, and a
  // device such as /dev/zero never ends.
  struct stat status {};
  if (::stat(QFile::encodeName(path).constData(), &status) != 0) {
    const int error = errno;
    if (verbose) consoleLine(QStringLiteral("No configuration file"));
    return fail(QString::fromLocal8Bit(std::strerror(error)));
  }
  if (!S_ISREG(status.st_mode)) return fail(QStringLiteral("not a regular file"));
  if (status.st_size > kMaxConfigBytes) return fail(QStringLiteral("larger than 16 MiB"));

  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    if (verbose) consoleLine(QStringLiteral("No configuration file"));
    return fail(file.errorString());
  }
  if (verbose) consoleLine(QStringLiteral("Parsing JSON configuration file...") + path);
  const QByteArray bytes = file.read(kMaxConfigBytes + 1);
  if (bytes.size() > kMaxConfigBytes) return fail(QStringLiteral("larger than 16 MiB"));
  // The scratch configuration starts out empty on every start without a
  // configuration; that is "nothing chosen yet", not a broken file, and must
  // not put an error in front of what the run prints.
  if (bytes.trimmed().isEmpty()) return fail(QStringLiteral("empty, not a JSON object"));
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
    return fail(QStringLiteral("not valid JSON: ") + QString::fromStdString(errors).simplified());
  }
  // Every later step indexes the configuration by key; a bare array or
  // scalar cannot carry options and would make those lookups fail.
  if (!parsed.isObject()) {
    consoleLine(QStringLiteral("Error while parsing the configuration: the document is not a JSON object"));
    return fail(QStringLiteral("not a JSON object"));
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
