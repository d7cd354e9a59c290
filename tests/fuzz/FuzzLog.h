// What the fuzz targets and the seed program share: the catalog of the
// logs they build, a realistic record stream for it, and a private scratch
// directory per process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/zrlwriter/ZrlWriter.h"

namespace zrlfuzz {

constexpr int kVariableCount = 8;
constexpr uint32_t kNewestVersion = 4;

struct FuzzVariable {
  uint16_t slot;
  uint16_t groupId;
  uint8_t type;
  const char* group;
  const char* name;
  uint8_t unitIndex;
  uint8_t decimals;
};

// Every data type once, a group past the older group-name table, a unit
// index past the unit table and the highest variable slot.
extern const FuzzVariable kVariables[kVariableCount];

// The logs span one minute from this time (ms since 1970 UTC).
constexpr int64_t kFileStartMs = 1772704800250;
constexpr int64_t kFileSpanMs = 60000;

// "Group.Name" of variable `index`; a name the catalog lacks for others.
std::string fullName(int index);

// Header and catalog of the fuzz logs for `version`, types as in kVariables.
zrlwriter::ZrlHead templateHead(uint32_t version);

// `rows` timestamp records 100 ms apart, each followed by a value of every
// variable in the layout of `version`.
std::string sampleRecords(uint32_t version, int rows);

// A directory of this process below TMPDIR (or /tmp), removed at exit.
const std::string& scratchDir();
// A new empty directory below scratchDir().
std::string scratchSubdir(const std::string& name);
// Removes the plain files of `dir`.
void removeFilesIn(const std::string& dir);
// True when a file of `dir` has a name ending in `tail`.
bool hasFileEndingIn(const std::string& dir, const std::string& tail);

// The decoder prints its diagnostics on standard output; fuzzing would
// drown in them.
void silenceStdout();

// Writes all of `size` bytes at `offset`; aborts when the disk refuses, as
// a half-written case would be meaningless.
void writeAt(int fd, uint64_t offset, const void* data, std::size_t size);
void putLe(uint8_t* out, uint64_t value, std::size_t width);

}  // namespace zrlfuzz
