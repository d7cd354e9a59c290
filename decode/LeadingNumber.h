// Reading the number at the start of a text exactly as the C library's
// strtod/strtof do in the "C" locale, whatever locale the process runs in
// (the GUI switches the process to the user's locale, where the decimal
// point may be a comma).
//
// Accepted, in order: leading white space (space, \t, \n, \v, \f, \r), an
// optional sign, then a decimal number with optional fraction and exponent,
// a hexadecimal number ("0x1.8p3"), "inf"/"infinity" or "nan"/"nan(...)"
// in any case. Whatever follows the longest such prefix is ignored. A text
// without a number reads as 0. Overflow gives an infinity, underflow 0.
#pragma once

#include <cstddef>

namespace zrl {

double readLeadingDouble(const char* text, std::size_t length);
float readLeadingFloat(const char* text, std::size_t length);

}  // namespace zrl
