#include "app/HeadlessPlatform.h"

#include <cstdlib>

namespace {

bool isSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

}  // namespace

bool needsOffscreenPlatform(const StartupOptions& options) {
  const bool windowNeverShown = options.batch || (options.info && !options.logPath.empty());
  if (!windowNeverShown) return false;
  return !isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY") && !isSet("QT_QPA_PLATFORM");
}

void selectHeadlessPlatformIfNeeded(const StartupOptions& options) {
  if (needsOffscreenPlatform(options)) setenv("QT_QPA_PLATFORM", "offscreen", 1);
}
