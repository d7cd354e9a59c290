// --print-config: the configuration a run would use, after --conf and the
// options, printed as the JSON the window saves, so that
// `zrl-decoder --print-config --vars 'Engine.*' > c.json` makes one.
#pragma once

#include "common/StartupOptions.h"

// Returns the process exit status. Needs a QCoreApplication.
int runPrintConfig(const StartupOptions& options);
