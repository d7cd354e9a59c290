// Application start-up: the Qt application object, the main window and the
// event loop.
#pragma once

#include "common/StartupOptions.h"

// Returns the process exit status. `argc`/`argv` go to the application
// object as given.
int runApplication(const StartupOptions& options, int& argc, char** argv);
