#include "config/RememberedConfig.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include "common/Console.h"
#include "config/ProgramSettings.h"

namespace {

const char kLastConfigKey[] = "lastConfigFile";
const char kDefaultName[] = "decoderConf.json";

}  // namespace

QString temporaryDirectory() {
  // Qt answers with an empty path when TMPDIR names a missing directory; the
  // scratch configuration would then land in the root directory and every
  // path would count as temporary.
  const QString dir = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
  return dir.isEmpty() ? QStringLiteral("/tmp") : dir;
}

QString defaultConfigPath() { return temporaryDirectory() + QStringLiteral("/") + QLatin1String(kDefaultName); }

// Inside the directory, not merely sharing its name as a prefix: a
// configuration kept in "/tmpdata" is the user's own, not a scratch file.
bool isInTemporaryDirectory(const QString& path) {
  QString dir = temporaryDirectory();
  if (!dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
  return path.startsWith(dir);
}

bool isDefaultConfigPath(const QString& path) {
  const QString name = QFileInfo(path).fileName();
  if (name.isEmpty()) return true;
  return isInTemporaryDirectory(path) && name == QLatin1String(kDefaultName);
}

bool createEmptyFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  file.close();
  return true;
}

bool rememberConfig(const QString& path, bool verbose) {
  if (isInTemporaryDirectory(path)) return false;
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
