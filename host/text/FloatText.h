// A 32-bit float as text that reads back to the same float.
#pragma once

#include <fmt/format.h>

namespace kovra::host {

// Appends `value` exactly as printf's "%.9g" writes it: nine significant digits
// (enough for every float to read back unchanged), trailing zeros dropped.
// Prices and levels on binary grids (4512.25, 4515.625) take a fast exact path;
// everything else goes through the standard library's correctly rounded conversion.
void AppendFloatText(fmt::memory_buffer& out, float value);

}  // namespace kovra::host
