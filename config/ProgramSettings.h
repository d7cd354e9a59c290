// The program's own settings, kept between runs (under XDG_CONFIG_HOME): the
// last configuration file, the recent logs and the window's layout.
#pragma once

#include <QSettings>

#include <memory>

std::unique_ptr<QSettings> openProgramSettings();

// The folder of the program's own files beside those settings
// (XDG_CONFIG_HOME/<organisation>/<program>), not created here.
QString programConfigDirectory();
