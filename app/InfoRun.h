// --info: what a log holds, as JSON on standard output, without any widget.
#pragma once

#include "common/StartupOptions.h"

// Returns the process exit status. Needs a QCoreApplication.
int runInfo(const StartupOptions& options);
