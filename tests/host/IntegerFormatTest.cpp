#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <limits>
#include <string>

#include "host/text/IntegerFormat.h"

namespace {

using kovra::host::FormatIntegers;

// The direct formatter's result ("declined" when it leaves the format to vsnprintf).
std::string Direct(size_t capacity, const char* format, ...) {
    char out[256];
    va_list arguments;
    va_start(arguments, format);
    const int length = FormatIntegers(out, capacity, format, arguments);
    va_end(arguments);
    if (length < 0) return "declined";
    EXPECT_EQ(static_cast<size_t>(length), std::char_traits<char>::length(out)) << format;
    return std::string(out, static_cast<size_t>(length));
}

std::string Printf(const char* format, int first, int second) {
    char out[256];
    std::snprintf(out, sizeof out, format, first, second);
    return out;
}

TEST(IntegerFormat, WritesWhatPrintfWritesForTextAndIntegers) {
    const char* const formats[] = {
        "%i",         "%d",  "+%i/8th", "%i/8th", "%i/8",     "%i/",   "\n%i:", "%02d", "%05i",     "%-5i|",
        "%-05d|%3i|", "%0d", "%00i",    "%1d",    "%%%i%%%d", "plain", "",      "%64d", "%i:%02d!", "%12i"};
    const int values[] = {
        0, 5, -5, 9, 10, -10, 99, -100, 123456, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()};
    for (const char* format : formats)
        for (const int value : values)
            EXPECT_EQ(Direct(128, format, value, -value / 3), Printf(format, value, -value / 3))
                << "format \"" << format << "\" value " << value;
}

// Declined formats leave everything to vsnprintf, which then reads the arguments.
TEST(IntegerFormat, DeclinesAnythingElseAndWhatMightNotFit) {
    const char* const declined[] = {"%s", "%5.2f", "%ld",  "%*d",  "%+d",           "% d",  "%.3d",
                                    "%u", "%x",    "abc%", "%65d", "%99999999999d", "%i %c"};
    for (const char* format : declined) EXPECT_EQ(Direct(128, format, 1, 2), "declined") << format;
    EXPECT_EQ(Direct(128, "%64d%64d", 1, 2), "declined");  // 128 bytes and the end need 129
    EXPECT_EQ(Direct(128, "%64d%63d", 1, 2), Printf("%64d%63d", 1, 2));
    EXPECT_EQ(Direct(11, "%i", 1), "declined");  // room for the longest int but not the end
    EXPECT_EQ(Direct(12, "%i", -1), "-1");
    EXPECT_EQ(Direct(12, "x%i", 1), "declined");
}

}  // namespace
