// Reading and writing the decoder configuration file (one JSON object).
#pragma once

#include <QString>
#include <json/json.h>

// Reads and parses `path`. On success the parsed object replaces `config`
// and true is returned. A missing file, invalid JSON or a document that is
// not an object leaves `config` untouched and returns false.
bool parseConfigFile(const QString& path, Json::Value& config, bool verbose);

// The text written to a configuration file for `config`.
std::string serializeConfig(const Json::Value& config);

// Writes `config` to `path`, replacing the file. False (with a message) when
// the file cannot be opened or fully written.
bool writeConfigFile(const QString& path, const Json::Value& config);
