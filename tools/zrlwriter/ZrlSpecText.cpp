#include "tools/zrlwriter/ZrlSpecText.h"

namespace zrlwriter {

ZrlSpec parseZrlSpec(const std::string&) { throw ZrlWriteError("file descriptions are not supported yet"); }
ZrlSpec parseZrlSpecFile(const std::string&) { throw ZrlWriteError("file descriptions are not supported yet"); }

}  // namespace zrlwriter
