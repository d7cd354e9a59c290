// --index: makes the index of each log given, so that later decodes of a
// time window, previews and --info --stats need not inflate the whole log.
#pragma once

#include "common/StartupOptions.h"

// Returns the process exit status. Needs a QCoreApplication.
int runIndex(const StartupOptions& options);
