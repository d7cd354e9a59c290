// Choice of the Qt platform for runs that never show a window.
#pragma once

#include "common/StartupOptions.h"

// True when the run must work without a display: batch runs, and info runs
// that name a log file (they end before the window would be shown), on a
// machine without X11 or Wayland and without an explicit platform choice.
bool needsOffscreenPlatform(const StartupOptions& options);

// True when the run would show the window but there is nowhere to show it:
// no X11 or Wayland display and no explicit platform choice. Qt would abort.
bool windowCannotBeShown(const StartupOptions& options);

// Points Qt at its offscreen platform when needsOffscreenPlatform says so.
// Must run before the application object exists.
void selectHeadlessPlatformIfNeeded(const StartupOptions& options);
