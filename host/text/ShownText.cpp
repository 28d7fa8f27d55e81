#include "host/text/ShownText.h"

#include <fmt/format.h>

namespace kovra::host {

std::string ShownText(std::string_view text, size_t maxBytes) {
    std::string shown;
    for (const char c : text.substr(0, maxBytes)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            shown += fmt::format("\\x{:02X}", byte);
        else
            shown += c;
    }
    if (text.size() > maxBytes) shown += "...";
    return shown;
}

std::string QuotedList(const std::vector<std::string>& items) {
    std::string list;
    for (const std::string& item : items) list += fmt::format("{}\"{}\"", list.empty() ? "" : ", ", item);
    return list;
}

}  // namespace kovra::host
