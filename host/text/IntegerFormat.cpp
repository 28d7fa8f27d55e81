#include "host/text/IntegerFormat.h"

#include <cstdint>
#include <cstring>

namespace kovra::host {

namespace {

struct Conversion {
    bool leftAligned = false;
    bool zeroPadded = false;
    int width = 0;
};

// Widths beyond this are left to vsnprintf.
constexpr int kMaxWidth = 64;
// The longest int: "-2147483648".
constexpr int kMaxIntLength = 11;

// Reads the conversion after a '%' at `format`, moving past it; false when it
// is not one this formatter writes.
bool ReadConversion(const char*& format, Conversion& conversion) {
    for (;; ++format) {
        if (*format == '-')
            conversion.leftAligned = true;
        else if (*format == '0')
            conversion.zeroPadded = true;
        else
            break;
    }
    for (; *format >= '0' && *format <= '9'; ++format) {
        conversion.width = conversion.width * 10 + (*format - '0');
        if (conversion.width > kMaxWidth) return false;
    }
    if (*format != 'd' && *format != 'i') return false;
    ++format;
    return true;
}

// The longest text the format can give, or -1 when it is not one this formatter writes.
int LongestLength(const char* format) {
    int longest = 0;
    while (*format != '\0') {
        if (*format++ != '%') {
            ++longest;
        } else if (*format == '%') {
            ++format;
            ++longest;
        } else {
            Conversion conversion;
            if (!ReadConversion(format, conversion)) return -1;
            longest += conversion.width > kMaxIntLength ? conversion.width : kMaxIntLength;
        }
    }
    return longest;
}

char* WriteInt(char* out, int value, const Conversion& conversion) {
    char digits[kMaxIntLength];
    char* const digitsEnd = digits + sizeof digits;
    char* first = digitsEnd;
    uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    do {
        *--first = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    const int length = static_cast<int>(digitsEnd - first) + (value < 0 ? 1 : 0);
    const int padding = conversion.width > length ? conversion.width - length : 0;
    const bool zeroes = conversion.zeroPadded && !conversion.leftAligned;
    if (!conversion.leftAligned && !zeroes) out = static_cast<char*>(std::memset(out, ' ', padding)) + padding;
    if (value < 0) *out++ = '-';
    if (zeroes) out = static_cast<char*>(std::memset(out, '0', padding)) + padding;
    out = static_cast<char*>(std::memcpy(out, first, digitsEnd - first)) + (digitsEnd - first);
    if (conversion.leftAligned) out = static_cast<char*>(std::memset(out, ' ', padding)) + padding;
    return out;
}

}  // namespace

int FormatIntegers(char* out, size_t capacity, const char* format, va_list arguments) {
    const int longest = LongestLength(format);
    if (longest < 0 || static_cast<size_t>(longest) >= capacity) return -1;
    char* const start = out;
    while (*format != '\0') {
        if (*format != '%') {
            *out++ = *format++;
            continue;
        }
        ++format;
        if (*format == '%') {
            *out++ = *format++;
            continue;
        }
        Conversion conversion;
        ReadConversion(format, conversion);
        out = WriteInt(out, va_arg(arguments, int), conversion);
    }
    *out = '\0';
    return static_cast<int>(out - start);
}

}  // namespace kovra::host
