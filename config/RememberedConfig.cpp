#include "config/RememberedConfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "common/Console.h"
#include "config/ProgramSettings.h"

namespace {

const char kLastConfigKey[] = "lastConfigFile";
const char kDefaultName[] = "decoderConf.json";

}  // namespace

QString temporaryDirectory() {
  // Qt answers with an empty path when TMPDIR names a missing directory;
  // every path would then count as temporary.
  const QString dir = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
  return dir.isEmpty() ? QStringLiteral("/tmp") : dir;
}

QString defaultConfigPath() { return programConfigDirectory() + QLatin1Char('/') + QLatin1String(kDefaultName); }

// Inside the directory, not merely sharing its name as a prefix: a
// configuration kept in "/tmpdata" is the user's own, not a scratch file.
bool isInTemporaryDirectory(const QString& path) {
  QString dir = temporaryDirectory();
  if (!dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
  return path.startsWith(dir);
}

bool isDefaultConfigPath(const QString& path) {
  if (QFileInfo(path).fileName().isEmpty()) return true;
  return QDir::cleanPath(QFileInfo(path).absoluteFilePath()) == QDir::cleanPath(defaultConfigPath());
}

namespace {

// A folder of the user's own that nobody else may enter: created 0700 when
// missing; an existing one that is a link, not a folder or someone else's
// is refused, and one with wider rights is narrowed.
bool makePrivateDirectory(const QString& dir) {
  const QByteArray name = QFile::encodeName(dir);
  const QString parent = QFileInfo(dir).path();
  if (!QDir().mkpath(parent)) return false;
  if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST) return false;
  struct stat status {};
  if (::lstat(name.constData(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != ::geteuid())
    return false;
  return (status.st_mode & 07777) == 0700 || ::chmod(name.constData(), 0700) == 0;
}

}  // namespace

bool createEmptyFile(const QString& path) {
  if (!makePrivateDirectory(QFileInfo(path).path())) return false;
  const QByteArray name = QFile::encodeName(path);
  const QByteArray part = name + ".part";
  // A ".part" left by an interrupted run is ours to drop; whatever stands
  // there, O_EXCL then creates a new file rather than open it.
  ::unlink(part.constData());
  const int fd = ::open(part.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const bool closed = ::close(fd) == 0;
  // rename replaces a link at `path` itself, never its target.
  if (!closed || std::rename(part.constData(), name.constData()) != 0) {
    ::unlink(part.constData());
    return false;
  }
  return true;
}

bool rememberConfig(const QString& path, bool verbose) {
  if (isInTemporaryDirectory(path) || isDefaultConfigPath(path)) return false;
  auto settings = openProgramSettings();
  settings->setValue(QLatin1String(kLastConfigKey), QFileInfo(path).absoluteFilePath());
  settings->sync();
  if (verbose) reportLine(QStringLiteral("Last config file saved: ") + path);
  return true;
}

QString findLastConfig(bool verbose) {
  const QString path = openProgramSettings()->value(QLatin1String(kLastConfigKey), QString()).toString();
  if (path.isEmpty() || !QFileInfo(path).isFile()) return QString();
  if (verbose) reportLine(QStringLiteral("Found last config file: ") + path);
  return path;
}
