// What must hold for the CSV bar loader on arbitrary bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kovra::fuzz {

// The bytes are parsed as a bar file. Either bars come out (every column as
// long as the date-times, decimals 0..9, the bad-range count matching the
// bars), or a BarsLoadError with a one-line message naming the source; no
// other exception. Returns the first property that failed, empty when all held.
std::string CheckBarsCsvInput(const uint8_t* data, size_t size);

}  // namespace kovra::fuzz
