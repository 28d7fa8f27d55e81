// The host's text operations on HostText: heap texts with an allocation-failure
// rule (Assign and Format leave the text empty, the appends leave it unchanged).
#pragma once

#include <cstdarg>
#include <string_view>

#include "record/HostStudyInterface.h"

namespace kovra::host {

// Where HostText memory comes from. Tests make allocations fail on purpose.
class TextAllocator {
public:
    // Makes the allocation after `successes` more successful ones fail, and
    // every one after it; a negative count never fails.
    void FailAfter(int successes) { remainingSuccesses_ = successes; }
    bool Grow(HostText& text, int32_t capacity);
    // A scratch buffer of `size` bytes (to free with std::free), or null when memory cannot be had.
    char* Scratch(size_t size);

private:
    bool MayAllocate();
    int remainingSuccesses_ = -1;
};

// The operations the record serves. They never throw: when memory cannot be
// had, assign and format leave the text empty and the appends leave it
// unchanged. Values and arguments may point into the text itself.
void AssignText(TextAllocator& allocator, HostText& text, const char* value) noexcept;
void AppendText(TextAllocator& allocator, HostText& text, const char* value) noexcept;
void FormatText(TextAllocator& allocator, HostText& text, bool append, const char* format, va_list arguments) noexcept;
void ReleaseText(HostText& text);

inline std::string_view TextView(const HostText& text) {
    return text.Chars == nullptr ? std::string_view{} : std::string_view{text.Chars, static_cast<size_t>(text.Length)};
}

}  // namespace kovra::host
