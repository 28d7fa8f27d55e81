// What vsnprintf writes for the formats studies use on every drawing pass
// (plain text and int conversions such as "%i/8th" or "%02d"), without
// printf's cost.
#pragma once

#include <cstdarg>
#include <cstddef>

namespace kovra::host {

// For a format of plain text, "%%" and int conversions ("d", "i") with the
// flags '-' and '0' and a width, writes into `out` what vsnprintf would, end
// included, and returns its length, provided it fits in `capacity` bytes.
// Otherwise (another conversion, flag, precision or length, a '*', too long)
// returns -1 having read no argument: the caller formats with vsnprintf.
int FormatIntegers(char* out, size_t capacity, const char* format, va_list arguments);

}  // namespace kovra::host
