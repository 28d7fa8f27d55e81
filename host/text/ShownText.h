// Untrusted text as a one-line message shows it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kovra::host {

// Control bytes escaped as \xNN, cut after `maxBytes` bytes with "..." added.
std::string ShownText(std::string_view text, size_t maxBytes = 80);

}  // namespace kovra::host
