// Choosing the CSV file name and giving a finished file that name.
//
// A decode writes into "<name>.part" and the file takes its name only when
// the decode has ended, so a file under the requested name is never one
// that is still being written or was abandoned. An existing file is never
// overwritten: the finished file takes the first free name among "b.csv",
// "b (2).csv", "b (3).csv", ...
#pragma once

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

// The first n >= `first` whose candidate name is free: neither it nor its
// ".part" names a directory entry.
unsigned firstFreeOutputNumber(const std::string& path, unsigned first = 1);

// Creates the ".part" of the first free candidate name exclusively in
// `output` and returns that candidate's number. 0, with errno set, when the
// file cannot be created (missing directory, no permission).
unsigned createPartFile(const std::string& path, CsvOutput& output);

// Gives the closed ".part" of candidate `number` the first free candidate
// name from `number` on, by a hard link (which never replaces an existing
// entry, even one made a moment ago by another run), then removes the
// ".part". The name taken is returned in `finalName`. False, with errno
// set, when no name could be given.
bool publishPartFile(const std::string& path, unsigned number, std::string& finalName);

}  // namespace zrl
