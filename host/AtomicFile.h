// Output files are never left half-written.
#pragma once

#include <string>
#include <string_view>

namespace kovra::host {

// Writes `contents` to `path` atomically: a temporary file in the same folder, then rename. Throws std::runtime_error naming the path on failure.
void WriteFileAtomically(const std::string& path, std::string_view contents);

}  // namespace kovra::host
