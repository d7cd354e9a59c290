// A batch decode without any widget: each log named on the command line is
// loaded, gets its own selection, and is decoded in the background in turn.
#pragma once

#include "common/StartupOptions.h"

// Returns the process exit status: 0 all decoded, 1 a load or decode
// failed, 2 a usage error found once a log is known, 128+N a stop signal.
// Needs a QCoreApplication.
int runBatch(const StartupOptions& options);
