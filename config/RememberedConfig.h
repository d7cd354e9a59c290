// Where the configuration lives: the default file in the temporary
// directory and the last configuration file remembered across runs.
#pragma once

#include <QString>

// The writable temporary directory (honours TMPDIR; /tmp when TMPDIR names
// a directory that does not exist).
QString temporaryDirectory();

// The temporary directory, "/", "decoderConf.json".
QString defaultConfigPath();

// True for an empty path and for a "decoderConf.json" inside the temporary
// directory: such a file is the scratch configuration, never remembered.
bool isDefaultConfigPath(const QString& path);

// Creates `path` empty, truncating it when it exists.
bool createEmptyFile(const QString& path);

// Remembers `path` as the last configuration unless it lies in the
// temporary directory. Returns whether it was remembered.
bool rememberConfig(const QString& path, bool verbose);

// The remembered path when that file still exists, else the empty text.
QString findLastConfig(bool verbose);
