// Helpers shared by the reader tests: log files written by our writer, and a
// reader with its protected parts reachable.
#pragma once

#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "reader/LogReader.h"
#include "tests/support/CapturedDiagnostics.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tools/zrlwriter/ZrlWriter.h"

namespace zrl {

namespace readertest {

// Reports received through the progress callback.
struct Report {
  uint64_t bytesRead;
  uint64_t totalBytes;
  std::string message;
};

class ReportLog {
 public:
  ProgressCallback callback() {
    return [this](uint64_t done, uint64_t total, const std::string& message) {
      reports.push_back(Report{done, total, message});
    };
  }
  std::vector<Report> reports;
};

// The reader with the parts a decode run uses made public.
class TestReader : public LogReader {
 public:
  using LogReader::LogReader;
  using LogReader::inputDescriptor;
  using LogReader::resetBytesRead;
  using LogReader::setBytesRead;

  // What a decode run does before its record loop: open, magic, head, stream.
  bool openForRecords() {
    resetBytesRead();
    return openInputFile() && readMagic() && readHeader() && openRecordStream();
  }
};

inline std::string newFilePath(const std::string& name) {
  static int counter = 0;
  return zrltest::tempDir() + "/" + std::to_string(++counter) + "-" + name;
}

// A head with a one-minute span and the given format version.
inline zrlwriter::ZrlHead basicHead(uint32_t version = 4) {
  zrlwriter::ZrlHead head;
  head.formatVersion = version;
  head.setTimeSpan(1600000000000, 1600000060000);
  return head;
}

inline std::string writeLog(const zrlwriter::ZrlHead& head, const std::string& body = "",
                            const zrlwriter::WriteOptions& options = {}) {
  const std::string path = newFilePath("log.zrl");
  zrlwriter::writeZrlFile(path, head, body, options);
  return path;
}

}  // namespace readertest

}  // namespace zrl
