// Program identity shown by the command line and the About dialog.
#pragma once

namespace zrl {
inline constexpr const char* kProgramVersion = "1.0.0";
}
