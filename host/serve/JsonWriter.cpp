#include "host/serve/JsonWriter.h"

#include <charconv>
#include <cmath>

namespace kovra::host {

JsonWriter& JsonWriter::Open(char bracket) {
    Separate();
    out_.push_back(bracket);
    first_.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::Close(char bracket) {
    out_.push_back(bracket);
    first_.pop_back();
    return *this;
}

void JsonWriter::Separate() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (first_.empty()) return;
    if (!first_.back()) out_.push_back(',');
    first_.back() = false;
}

JsonWriter& JsonWriter::Key(std::string_view name) {
    String(name);
    out_.push_back(':');
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::String(std::string_view text) {
    Separate();
    out_.push_back('"');
    for (const char c : text) {
        switch (c) {
            case '"':
                fmt::format_to(std::back_inserter(out_), "\\\"");
                break;
            case '\\':
                fmt::format_to(std::back_inserter(out_), "\\\\");
                break;
            case '\n':
                fmt::format_to(std::back_inserter(out_), "\\n");
                break;
            case '\r':
                fmt::format_to(std::back_inserter(out_), "\\r");
                break;
            case '\t':
                fmt::format_to(std::back_inserter(out_), "\\t");
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    fmt::format_to(std::back_inserter(out_), "\\u{:04x}", static_cast<unsigned>(c));
                } else {
                    out_.push_back(c);
                }
        }
    }
    out_.push_back('"');
    return *this;
}

JsonWriter& JsonWriter::Integer(int64_t value) {
    Separate();
    fmt::format_to(std::back_inserter(out_), "{}", value);
    return *this;
}

// The shortest text that reads back as the same value of its own type.
template <typename Floating>
JsonWriter& JsonWriter::Shortest(Floating value) {
    if (!std::isfinite(value)) return Null();
    Separate();
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out_.append(text, result.ptr);
    return *this;
}

JsonWriter& JsonWriter::Number(double value) { return Shortest(value); }

JsonWriter& JsonWriter::Price(float value) { return Shortest(value); }

JsonWriter& JsonWriter::Bool(bool value) {
    Separate();
    fmt::format_to(std::back_inserter(out_), "{}", value ? "true" : "false");
    return *this;
}

JsonWriter& JsonWriter::Null() {
    Separate();
    fmt::format_to(std::back_inserter(out_), "null");
    return *this;
}

JsonWriter& JsonWriter::Colour(uint32_t colour) {
    Separate();
    fmt::format_to(std::back_inserter(out_), "\"#{:02X}{:02X}{:02X}\"", colour & 0xFF, colour >> 8 & 0xFF,
                   colour >> 16 & 0xFF);
    return *this;
}

}  // namespace kovra::host
