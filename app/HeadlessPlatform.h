// Choice of the Qt platform for runs that never show a window.
#pragma once

#include "common/StartupOptions.h"

// True when the run must work without a display: batch runs, and info runs
// that name a log file (they end before the window would be shown), on a
// machine without X11 or Wayland and without an explicit platform choice.
bool needsOffscreenPlatform(const StartupOptions& options);

// Points Qt at its offscreen platform when needsOffscreenPlatform says so.
// Must run before the application object exists.
void selectHeadlessPlatformIfNeeded(const StartupOptions& options);
