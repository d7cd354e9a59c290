// What the program tells about a log file in info mode: a JSON document.
#pragma once

#include <json/json.h>

#include <cstdint>
#include <string>
#include <vector>

struct LogVariableSummary {
  std::string fullName;    // group "." variable
  int type = 0;            // catalog data type code
  std::string unitSymbol;
};

struct LogSummary {
  std::int64_t startMs = 0;
  std::int64_t endMs = 0;
  std::uint32_t formatVersion = 0;
  std::uint64_t uncompressedSize = 0;
  std::string note;
  std::string firmware;
  std::string uid;
  std::string serial;
  std::vector<LogVariableSummary> variables;  // in catalog listing order
};

// Firmware, uid and serial exist only from format version 3 on.
Json::Value buildInfoJson(const LogSummary& summary);

// The document as printed: jsoncpp's stream output, then a newline.
// `precision`: significant digits of fractional numbers; 0 keeps the
// stream output's own.
std::string infoJsonText(const Json::Value& info, int precision = 0);

