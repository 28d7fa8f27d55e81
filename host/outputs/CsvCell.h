// A text as one CSV cell: quoted, with its quotes doubled, only when it holds
// a separator, a quote or a line end.
#pragma once

#include <string_view>

#include <fmt/format.h>

namespace kovra::host {

inline void AppendCsvCell(fmt::memory_buffer& out, std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        out.append(text);
        return;
    }
    out.push_back('"');
    for (const char c : text) {
        if (c == '"') out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
}

}  // namespace kovra::host
