#include "common/StartupOptions.h"

ProcessFlags& processFlags() {
  static ProcessFlags flags;
  return flags;
}
