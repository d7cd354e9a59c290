// What a resampled table may hold, checked against the record stream it
// came from: every row lies in a bin of the period that holds a timestamp
// of the stream inside the time window, and is stamped at that bin's
// middle. The decode target aborts on a row that breaks this.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/fuzz/DecodeCase.h"

namespace zrlfuzz {

// The times of the stream's timestamp records, read as the decoder reads
// them, up to the first record it could not follow.
std::vector<int64_t> streamTimes(const DecodeCase& c);

// The row times of a table written with UTC times and milliseconds; false
// when the table cannot be split into rows (a separator that quoting cannot
// protect) or a row does not start with a date and time.
bool rowTimes(const std::string& table, char columnSeparator, char decimalSeparator,
              bool unitLine, std::vector<int64_t>& times);

// Null when every row time fits a bin of `periodMs` holding one of the
// stream times in [windowStart, windowEnd]; otherwise what is wrong.
const char* misplacedRow(const std::vector<int64_t>& rows, const std::vector<int64_t>& stream,
                         int64_t periodMs, uint64_t windowStart, uint64_t windowEnd);

}  // namespace zrlfuzz
