#include "app/HeadlessPlatform.h"

#include <cstdlib>

namespace {

bool isSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

bool windowNeverShown(const StartupOptions& options) {
  return options.batch || (options.info && !options.logPath.empty());
}

bool noDisplayChosen() { return !isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY") && !isSet("QT_QPA_PLATFORM"); }

}  // namespace

bool needsOffscreenPlatform(const StartupOptions& options) {
  return windowNeverShown(options) && noDisplayChosen();
}

bool windowCannotBeShown(const StartupOptions& options) {
  return !windowNeverShown(options) && noDisplayChosen();
}

void selectHeadlessPlatformIfNeeded(const StartupOptions& options) {
  if (needsOffscreenPlatform(options)) setenv("QT_QPA_PLATFORM", "offscreen", 1);
}
