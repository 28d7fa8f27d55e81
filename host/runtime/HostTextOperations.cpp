#include "host/runtime/HostTextOperations.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

#include "host/text/IntegerFormat.h"

namespace kovra::host {

bool TextAllocator::MayAllocate() {
    if (remainingSuccesses_ == 0) return false;
    if (remainingSuccesses_ > 0) --remainingSuccesses_;
    return true;
}

bool TextAllocator::Grow(HostText& text, int32_t capacity) {
    if (text.Chars != nullptr && text.Capacity >= capacity) return true;
    if (!MayAllocate()) return false;
    char* grown = static_cast<char*>(std::realloc(text.Chars, static_cast<size_t>(capacity)));
    if (grown == nullptr) return false;
    if (text.Chars == nullptr) grown[0] = '\0';
    text.Chars = grown;
    text.Capacity = capacity;
    return true;
}

char* TextAllocator::Scratch(size_t size) { return MayAllocate() ? static_cast<char*>(std::malloc(size)) : nullptr; }

void ReleaseText(HostText& text) {
    std::free(text.Chars);
    text = HostText{nullptr, 0, 0};
}

namespace {

using ScratchText = std::unique_ptr<char, decltype(&std::free)>;

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

// Copies and formatted texts shorter than this stay on the stack: the
// drawing pass makes a few hundred of them, nearly all short. Longer ones
// come from the allocator.
constexpr size_t kShortText = 128;

// A copy of `value`, which may point into the text about to change: in `onStack`
// when short, else from the allocator. Null when memory cannot be had.
const char* CopyOf(TextAllocator& allocator, const char* value, size_t length, char (&onStack)[kShortText],
                   ScratchText& scratch) {
    char* copy = onStack;
    if (length >= kShortText) {
        scratch.reset(allocator.Scratch(length + 1));
        copy = scratch.get();
    }
    if (copy != nullptr) std::memcpy(copy, value, length + 1);
    return copy;
}

}  // namespace

void AssignText(TextAllocator& allocator, HostText& text, const char* value) noexcept {
    if (value == nullptr) {
        ReleaseText(text);
        return;
    }
    const size_t length = std::strlen(value);
    char onStack[kShortText];
    ScratchText scratch(nullptr, &std::free);
    const char* copy = CopyOf(allocator, value, length, onStack, scratch);
    MakeEmpty(text);
    if (copy != nullptr) AppendBytes(allocator, text, copy, length);
}

void AppendText(TextAllocator& allocator, HostText& text, const char* value) noexcept {
    if (value == nullptr) return;
    const size_t length = std::strlen(value);
    char onStack[kShortText];
    ScratchText scratch(nullptr, &std::free);
    const char* copy = CopyOf(allocator, value, length, onStack, scratch);
    if (copy != nullptr) AppendBytes(allocator, text, copy, length);
}

// The arguments are read (formatted) before the text changes, so a format
// into the text itself sees its old contents.
void FormatText(TextAllocator& allocator, HostText& text, bool append, const char* format, va_list arguments) noexcept {
    const auto failed = [&] {
        if (!append) MakeEmpty(text);
    };
    if (format == nullptr) return failed();
    // Plain text and integers are formatted directly. Anything else is formatted
    // once by vsnprintf when short; a longer text is formatted again at its length.
    char onStack[kShortText];
    va_list direct;
    va_copy(direct, arguments);
    int length = FormatIntegers(onStack, sizeof onStack, format, direct);
    va_end(direct);
    ScratchText scratch(nullptr, &std::free);
    const char* formatted = onStack;
    if (length < 0) {
        va_list again;
        va_copy(again, arguments);
        length = std::vsnprintf(onStack, sizeof onStack, format, arguments);
        if (length >= 0 && static_cast<size_t>(length) >= kShortText) {
            scratch.reset(allocator.Scratch(static_cast<size_t>(length) + 1));
            if (scratch) std::vsnprintf(scratch.get(), static_cast<size_t>(length) + 1, format, again);
            formatted = scratch.get();
        }
        va_end(again);
    }
    if (length < 0 || formatted == nullptr) return failed();
    if (!append) MakeEmpty(text);
    AppendBytes(allocator, text, formatted, static_cast<size_t>(length));
}

}  // namespace kovra::host
