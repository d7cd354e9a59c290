// `--watch-status [DIR]`: what the journal says of one watched folder, or of
// every folder: counts, then one line per log, failures with their reasons.
#pragma once

#include "common/StartupOptions.h"

// 0, or 1 when the journal cannot be read. Needs a QCoreApplication.
int runWatchStatus(const StartupOptions& options);
