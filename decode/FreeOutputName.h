// Choosing the CSV file name and giving a finished file that name.
//
// A decode writes into "<name>.part" and the file takes its name only when
// the decode has ended, so a file under the requested name is never one
// that is still being written or was abandoned. An existing file is never
// overwritten: the finished file takes the first free name among "b.csv",
// "b (2).csv", "b (3).csv", ...
//
// A run holds an exclusive flock on its ".part" until the file has its
// final name. A ".part" whose lock can be taken belongs to no live run (a
// crash or kill -9 left it): it does not hold its name, and is removed when
// a run chooses that name.
#pragma once

#include <functional>
#include <string>

namespace zrl {

class CsvOutput;

// `path` with " (n)" inserted before the extension of its file name (its
// last ".", unless that is the name's first character) or, without one, at
// the end: "a/b.csv" and 2 give "a/b (2).csv", "a.d/res" gives "a.d/res (2)".
// A name ending in ".csv" always keeps ".csv" last.
std::string numberedOutputName(const std::string& path, unsigned n);

// The n-th name tried for `path`: `path` itself for 1, then numbered.
std::string candidateOutputName(const std::string& path, unsigned n);

// Where the decode into `finalName` writes until it ends.
std::string partFileName(const std::string& finalName);

// The first n >= `first` whose candidate name is free: it names no
// directory entry, and its ".part" none either or an abandoned one.
unsigned firstFreeOutputNumber(const std::string& path, unsigned first = 1);

// The ".part" a run writes, while it is the run's.
struct PartFile {
  unsigned number = 0;  // its candidate number; 0 when there is none
  // A descriptor of the file holding its lock; the caller closes it once
  // the file has its final name or was removed.
  int lock = -1;
};

// Creates the ".part" of the first free candidate name exclusively, opens
// it in `output` and locks it. Abandoned ".part" files met on the way are
// removed, and each is named to `removed`. A number of 0, with errno set,
// when the file cannot be created (missing directory, no permission).
// The same without opening it: the caller writes the ".part" by its name
// (partFileName(candidateOutputName(path, number))).
PartFile reservePartFile(const std::string& path,
                         const std::function<void(const std::string& removed)>& removed = {});

PartFile createPartFile(const std::string& path, CsvOutput& output,
                        const std::function<void(const std::string& removed)>& removed = {});

// The calls that give a name without replacing an entry, each -1 with errno
// set on failure. Tests replace them to stand for file systems that lack
// hard links or an exclusive rename.
struct NamingCalls {
  int (*hardLink)(const char* from, const char* to);
  int (*renameNoReplace)(const char* from, const char* to);
};
const NamingCalls& systemNamingCalls();

// Gives the closed ".part" of candidate `number` the first free candidate
// name from `number` on, then removes the ".part". A hard link is tried
// first, then an exclusive rename; where the file system has neither (FAT,
// some network file systems) the name is first taken by creating an empty
// file exclusively, which the ".part" then replaces. None of them ever
// replaces an entry that another run or program made, even a moment ago.
// The name taken is returned in `finalName`. False, with errno set, when no
// name could be given.
bool publishPartFile(const std::string& path, unsigned number, std::string& finalName,
                     const NamingCalls& calls = systemNamingCalls());

}  // namespace zrl
