#include "decode/DecodeSettings.h"

namespace zrl {

int64_t periodFromFrequencyCode(int32_t code) {
  if (code == -2) return 100000;
  if (code == -1) return 10000;
  if (code > 0) return 1000 / code;
  return 0;
}

}  // namespace zrl
