#include "config/ProgramSettings.h"

std::unique_ptr<QSettings> openProgramSettings() {
  return std::make_unique<QSettings>(QStringLiteral("Tessaline"), QStringLiteral("ZRL_decoder"));
}
