#include "config/ConfigFile.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>

#include "common/Console.h"
#include "common/PathText.h"

namespace {

void reportUnreadable(const QString& path, const char* reason, const QString* failure) {
  // A caller that takes the reason says it itself, once.
  if (failure != nullptr) return;
  consoleLine(QStringLiteral("Error while reading the configuration: ") + path + QLatin1String(reason));
}

}  // namespace

bool parseConfigFile(const QString& path, Json::Value& config, bool verbose, QString* failure) {
  auto fail = [failure](const QString& reason) {
    if (failure) *failure = reason;
    return false;
  };
  // Without O_NONBLOCK, opening a FIFO waits for a writer that may never
  // come; the descriptor is checked before anything is read from it.
  const int fd = ::open(pathBytes(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    if (verbose) reportLine(QStringLiteral("No configuration file"));
    return fail(QString::fromLocal8Bit(std::strerror(error)));
  }
  QFile file;
  if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    if (verbose) reportLine(QStringLiteral("No configuration file"));
    return fail(file.errorString());
  }
  struct stat status;
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    reportUnreadable(path, " is not a regular file", failure);
    return fail(QStringLiteral("not a regular file"));
  }
  if (status.st_size > kMaxConfigBytes) {
    reportUnreadable(path, " is larger than 16 MiB", failure);
    return fail(QStringLiteral("larger than 16 MiB"));
  }
  if (verbose) reportLine(QStringLiteral("Parsing JSON configuration file...") + path);
  // The size may change after fstat; never read more than the limit.
  const QByteArray bytes = file.read(kMaxConfigBytes);
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
    if (failure == nullptr)
      consoleLine(QStringLiteral("Error while parsing the configuration: ") + QString::fromStdString(errors));
    return fail(QStringLiteral("not valid JSON: ") + QString::fromStdString(errors).simplified());
  }
  // Every later step indexes the configuration by key; a bare array or
  // scalar cannot carry options and would make those lookups fail.
  if (!parsed.isObject()) {
    if (failure == nullptr)
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
