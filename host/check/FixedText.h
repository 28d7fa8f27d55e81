// A short text built without allocating, for signal handlers: what does not
// fit is cut off.
#pragma once

#include <string.h>  // sigabbrev_np, sigdescr_np

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kovra::host {

class FixedText {
public:
    FixedText& operator<<(std::string_view text) {
        for (const char c : text)
            if (length_ < sizeof text_) text_[length_++] = c;
        return *this;
    }
    FixedText& operator<<(int64_t number) {
        char digits[24];
        size_t count = 0;
        uint64_t magnitude = number < 0 ? 0 - static_cast<uint64_t>(number) : static_cast<uint64_t>(number);
        do digits[count++] = static_cast<char>('0' + magnitude % 10);
        while ((magnitude /= 10) != 0);
        if (number < 0) *this << "-";
        while (count > 0) *this << std::string_view(&digits[--count], 1);
        return *this;
    }
    // "SIGSEGV (Segmentation fault)"
    FixedText& Signal(int signal) {
        const char* name = ::sigabbrev_np(signal);
        const char* description = ::sigdescr_np(signal);
        if (name == nullptr) return *this << "signal " << int64_t{signal};
        *this << "SIG" << name;
        if (description != nullptr) *this << " (" << description << ")";
        return *this;
    }
    std::string_view view() const { return {text_, length_}; }

private:
    char text_[400];
    size_t length_ = 0;
};

}  // namespace kovra::host
