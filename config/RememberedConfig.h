// Where the configuration lives: the default file in the user's own
// configuration folder and the last configuration file remembered across runs.
#pragma once

#include <QString>

// The writable temporary directory (honours TMPDIR; /tmp when TMPDIR names
// a directory that does not exist).
QString temporaryDirectory();

// The scratch configuration: "decoderConf.json" in the program's folder
// beside its settings. That folder is private to the user: a predictable
// name in a shared directory could be planted by anyone.
QString defaultConfigPath();

// True for an empty path and for the scratch configuration, which is never
// remembered.
bool isDefaultConfigPath(const QString& path);

// Creates `path` empty, replacing what was there, through "<path>.part" and
// a rename: no link at either name is followed, and the file is readable
// by its owner only. The folder is created (mode 0700) when missing; an
// existing one must be a real folder of the user's own, and is made private.
bool createEmptyFile(const QString& path);

// Remembers `path` as the last configuration unless it is the scratch file
// or lies in the temporary directory. Returns whether it was remembered.
bool rememberConfig(const QString& path, bool verbose);

// The remembered path when that file still exists, else the empty text.
QString findLastConfig(bool verbose);
