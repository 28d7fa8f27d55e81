// Compact JSON text written straight into a buffer: the state documents hold
// hundreds of thousands of numbers, too many for a document tree.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>

namespace kovra::host {

class JsonWriter {
public:
    JsonWriter& BeginObject() { return Open('{'); }
    JsonWriter& EndObject() { return Close('}'); }
    JsonWriter& BeginArray() { return Open('['); }
    JsonWriter& EndArray() { return Close(']'); }
    // The name of the next member of the object being written.
    JsonWriter& Key(std::string_view name);

    JsonWriter& String(std::string_view text);
    JsonWriter& Integer(int64_t value);
    JsonWriter& Number(double value);  // shortest text that reads back the same; null when not finite
    JsonWriter& Price(float value);    // shortest text that reads back the same float; null when not finite
    JsonWriter& Bool(bool value);
    JsonWriter& Null();
    // "#RRGGBB" of a 0x00BBGGRR colour.
    JsonWriter& Colour(uint32_t colour);

    std::string Take() { return fmt::to_string(out_); }

private:
    JsonWriter& Open(char bracket);
    JsonWriter& Close(char bracket);
    void Separate();
    template <typename Floating>
    JsonWriter& Shortest(Floating value);

    fmt::memory_buffer out_;
    std::vector<bool> first_;  // per open bracket: nothing written in it yet
    bool afterKey_ = false;
};

}  // namespace kovra::host
