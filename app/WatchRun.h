// A watched folder: a process that runs until it is stopped and decodes
// every log that arrives in the folder or below it, each once, with the
// batch run's options. A journal (see watch/Journal.h) carries what it did
// across restarts and crashes.
#pragma once

#include "common/StartupOptions.h"

// SIGTERM and SIGINT end the running decodes (their partial files removed,
// the logs pending again) and the run with 0; SIGHUP reads the
// configuration again. 1 when the run cannot begin (no such folder, an
// unusable configuration, the journal, another run watching the folder).
// Needs a QCoreApplication.
int runWatch(const StartupOptions& options);
