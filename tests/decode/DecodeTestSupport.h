// Log files written by our writer and decoded by a Decoder, for the decode
// tests: what run() returned, the CSV it wrote, the messages it reported
// and what it printed.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "decode/Decoder.h"
#include "tests/support/CapturedDiagnostics.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tools/zrlwriter/ZrlWriter.h"

namespace zrl {

namespace decodetest {

// 05/03/2026 10:00:00 UTC.
constexpr int64_t kTen = 1772704800000;

// Group "Engine" (id 1) with Speed (id 3, Integer, rpm) and Temp (id 1,
// Float, degC, 2 decimals), group "Bus" (id 0) with Flag (id 2, Boolean).
inline zrlwriter::ZrlHead engineHead(int64_t startMs, int64_t endMs) {
  zrlwriter::ZrlHead head;
  head.setTimeSpan(startMs, endMs, 5000);
  head.groups = {{0, "Bus"}, {1, "Engine"}};
  head.units = {{1, "rpm"}, {2, "degC"}};
  head.addVariable(3, 1, zrlwriter::kInteger, "Speed", 1, 0);
  head.addVariable(1, 1, zrlwriter::kFloat, "Temp", 2, 2);
  head.addVariable(2, 0, zrlwriter::kBoolean, "Flag", 0, 0);
  return head;
}

inline std::string writeLog(const zrlwriter::ZrlHead& head, const std::string& body,
                            const zrlwriter::WriteOptions& options = {}) {
  const std::string path = zrltest::makeTempSubdir("log") + "/LOG1.zrl";
  zrlwriter::writeZrlFile(path, head, body, options);
  return path;
}

struct Outcome {
  bool ok = false;
  std::string csv;       // without the byte order mark
  bool bom = false;
  std::vector<std::string> messages;  // non-empty progress messages
  int progressSteps = 0;
  std::string printed;   // standard output during the run
  std::string outputPath;
};

// Decodes `logPath` into a fresh directory ("out.csv" unless `configure`
// sets another output path). `onProgress` sees every progress step.
inline Outcome decode(const std::string& logPath,
                      const std::function<void(Decoder&)>& configure = {},
                      const std::function<void(Decoder&, int step)>& onProgress = {}) {
  Outcome outcome;
  Decoder* running = nullptr;
  Decoder decoder(logPath, false,
                  [&](uint64_t, uint64_t, const std::string& message) {
                    if (!message.empty()) {
                      outcome.messages.push_back(message);
                      return;
                    }
                    ++outcome.progressSteps;
                    if (running != nullptr && onProgress) onProgress(*running, outcome.progressSteps);
                  });
  decoder.setOutputPath(zrltest::makeTempSubdir("csv") + "/out.csv");
  if (configure) configure(decoder);
  running = &decoder;
  zrltest::CapturedDiagnostics captured;
  outcome.ok = decoder.run();
  outcome.printed = captured.text();
  outcome.outputPath = decoder.outputPath();
  const std::string bytes = zrltest::readFile(outcome.outputPath);
  outcome.bom = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
  outcome.csv = outcome.bom ? bytes.substr(3) : bytes;
  return outcome;
}

}  // namespace decodetest

}  // namespace zrl
