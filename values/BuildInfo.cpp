#include "values/BuildInfo.h"

namespace zrl {

}  // namespace zrl
