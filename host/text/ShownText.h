// Untrusted text as a one-line message shows it, and lists of choices.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kovra::host {

// Control bytes escaped as \xNN, cut after `maxBytes` bytes with "..." added.
std::string ShownText(std::string_view text, size_t maxBytes = 80);

// Choices as a message lists them: "a", "b", "c".
std::string QuotedList(const std::vector<std::string>& items);

}  // namespace kovra::host
