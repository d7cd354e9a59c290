// Whether the window can be shown at all.
#pragma once

// True when there is nowhere to show the window: no X11 or Wayland display
// and no explicit platform choice. Qt would abort.
bool windowCannotBeShown();
