#include "host/HostTextOperations.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace kovra::host {

bool TextAllocator::Grow(HostText& text, int32_t capacity) {
    if (text.Chars != nullptr && text.Capacity >= capacity) return true;
    if (remainingSuccesses_ == 0) return false;
    if (remainingSuccesses_ > 0) --remainingSuccesses_;
    char* grown = static_cast<char*>(std::realloc(text.Chars, static_cast<size_t>(capacity)));
    if (grown == nullptr) return false;
    if (text.Chars == nullptr) grown[0] = '\0';
    text.Chars = grown;
    text.Capacity = capacity;
    return true;
}

void ReleaseText(HostText& text) {
    std::free(text.Chars);
    text = HostText{nullptr, 0, 0};
}

namespace {

void MakeEmpty(HostText& text) {
    text.Length = 0;
    if (text.Chars != nullptr) text.Chars[0] = '\0';
}

// Appends `length` bytes; false (text unchanged) when memory cannot be had.
bool AppendBytes(TextAllocator& allocator, HostText& text, const char* bytes, size_t length) {
    const size_t needed = static_cast<size_t>(text.Length) + length + 1;
    if (needed > static_cast<size_t>(std::numeric_limits<int32_t>::max())) return false;
    if (!allocator.Grow(text, static_cast<int32_t>(needed))) return false;
    std::memcpy(text.Chars + text.Length, bytes, length);
    text.Length += static_cast<int32_t>(length);
    text.Chars[text.Length] = '\0';
    return true;
}

}  // namespace

void AssignText(TextAllocator& allocator, HostText& text, const char* value) {
    if (value == nullptr) {
        ReleaseText(text);
        return;
    }
    // The value may point into the text itself; copy before emptying.
    const std::string copy{value};
    MakeEmpty(text);
    AppendBytes(allocator, text, copy.data(), copy.size());
}

void AppendText(TextAllocator& allocator, HostText& text, const char* value) {
    if (value == nullptr) return;
    const std::string copy{value};
    AppendBytes(allocator, text, copy.data(), copy.size());
}

void FormatText(TextAllocator& allocator, HostText& text, bool append, const char* format, va_list arguments) {
    if (!append) MakeEmpty(text);
    if (format == nullptr) return;
    va_list measure;
    va_copy(measure, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length < 0) return;
    std::string formatted(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(formatted.data(), formatted.size(), format, arguments);
    AppendBytes(allocator, text, formatted.data(), static_cast<size_t>(length));
}

}  // namespace kovra::host
