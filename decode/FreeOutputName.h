// Choosing the CSV file name: an existing file is never overwritten; the
// decode writes to "name (2).csv", "name (3).csv", ... instead.
#pragma once

#include <string>

namespace zrl {

class CsvOutput;

// `path` with " (n)" inserted before its last four characters (before
// ".csv"): "a/b.csv" and 2 give "a/b (2).csv". A path shorter than four
// characters gets the number appended.
std::string numberedOutputName(const std::string& path, unsigned n);

// Creates the first free name among `path`, numberedOutputName(path, 2),
// (path, 3), ... in `output` and returns it in `path`. A name is taken when
// any directory entry of that name exists. False when the file cannot be
// created for another reason (missing directory, no permission).
bool createFreeOutputFile(std::string& path, CsvOutput& output);

}  // namespace zrl
