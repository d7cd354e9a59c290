#include "config/ProgramSettings.h"

#include <QStandardPaths>

namespace {

const char kOrganisation[] = "Tessaline";
const char kProgram[] = "ZRL_decoder";

}  // namespace

std::unique_ptr<QSettings> openProgramSettings() {
  return std::make_unique<QSettings>(QLatin1String(kOrganisation), QLatin1String(kProgram));
}

QString programConfigDirectory() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') +
         QLatin1String(kOrganisation) + QLatin1Char('/') + QLatin1String(kProgram);
}
