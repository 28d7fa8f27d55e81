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

private:
    int remainingSuccesses_ = -1;
};

void AssignText(TextAllocator& allocator, HostText& text, const char* value);
void AppendText(TextAllocator& allocator, HostText& text, const char* value);
void FormatText(TextAllocator& allocator, HostText& text, bool append, const char* format, va_list arguments);
void ReleaseText(HostText& text);

inline std::string_view TextView(const HostText& text) {
    return text.Chars == nullptr ? std::string_view{} : std::string_view{text.Chars, static_cast<size_t>(text.Length)};
}

}  // namespace kovra::host
