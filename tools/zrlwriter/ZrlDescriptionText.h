// A small line-based text description of a whole .zrl file, so that test
// cases can be kept as readable text and turned into files at test time.
// The language is described in tools/README.md.
#pragma once

#include <string>

#include "tools/zrlwriter/ZrlFileWriter.h"
#include "tools/zrlwriter/ZrlHead.h"

namespace zrlwriter {

struct ZrlDescription {
  ZrlHead head;
  std::string body;       // the decompressed record stream
  WriteOptions options;
};

// Throws ZrlWriteError with "line N: ..." on the first bad line.
ZrlDescription parseZrlDescription(const std::string& text);
// Reads and parses a description file; the message names the file.
ZrlDescription parseZrlDescriptionFile(const std::string& path);

}  // namespace zrlwriter
