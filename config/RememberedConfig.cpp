#include "config/RememberedConfig.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include "app/Console.h"

namespace {

const char kOrganization[] = "Tessaline";
const char kApplication[] = "ZRL_decoder";
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

bool isDefaultConfigPath(const QString& path) {
  const QString name = QFileInfo(path).fileName();
  if (name.isEmpty()) return true;
  return path.startsWith(temporaryDirectory()) && name == QLatin1String(kDefaultName);
}

bool createEmptyFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  file.close();
  return true;
}

bool rememberConfig(const QString& path, bool verbose) {
  if (path.startsWith(temporaryDirectory())) return false;
  QSettings settings{QString::fromLatin1(kOrganization), QString::fromLatin1(kApplication)};
  settings.setValue(QLatin1String(kLastConfigKey), QFileInfo(path).absoluteFilePath());
  settings.sync();
  if (verbose) consoleLine(QStringLiteral("Last config file saved: ") + path);
  return true;
}

QString findLastConfig(bool verbose) {
  QSettings settings{QString::fromLatin1(kOrganization), QString::fromLatin1(kApplication)};
  const QString path = settings.value(QLatin1String(kLastConfigKey), QString()).toString();
  if (path.isEmpty() || !QFileInfo(path).isFile()) return QString();
  if (verbose) consoleLine(QStringLiteral("Found last config file: ") + path);
  return path;
}
