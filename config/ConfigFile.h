// Reading and writing the decoder configuration file (one JSON object).
#pragma once

#include <QString>
#include <json/json.h>

// Reads and parses `path`. On success the parsed object replaces `config`
// and true is returned. A missing or unreadable file, anything but a
// regular file, a file over kMaxConfigBytes, invalid JSON or a document
// that is not an object leaves `config` untouched and returns false; the
// reason then goes to `failure` when given (an empty file included, which
// is otherwise the silent "nothing chosen yet" of the scratch configuration),
// and is printed only when it is not.
bool parseConfigFile(const QString& path, Json::Value& config, bool verbose, QString* failure = nullptr);

// Far above any real configuration; a path to something huge is a mistake
// that must not exhaust memory.
inline constexpr qint64 kMaxConfigBytes = 16 * 1024 * 1024;

// The text written to a configuration file for `config`.
std::string serializeConfig(const Json::Value& config);

// Writes `config` to `path`, replacing the file. False (with a message) when
// the file cannot be opened or fully written.
bool writeConfigFile(const QString& path, const Json::Value& config);
