#include <gtest/gtest.h>

#include "host/HostTextOperations.h"

namespace {

using namespace kovra::host;

std::string Format(TextAllocator& allocator, HostText& text, bool append, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    FormatText(allocator, text, append, format, arguments);
    va_end(arguments);
    return std::string(TextView(text));
}

TEST(HostText, AssignsAppendsAndFormats) {
    TextAllocator allocator;
    HostText text{nullptr, 0, 0};
    AssignText(allocator, text, "8/8th");
    AppendText(allocator, text, " ");
    EXPECT_EQ(TextView(text), "8/8th ");
    EXPECT_EQ(Format(allocator, text, false, "%i/8th", -2), "-2/8th");
    EXPECT_EQ(Format(allocator, text, true, "\n%i:%02d", 9, 5), "-2/8th\n9:05");
    AssignText(allocator, text, text.Chars + 1);  // from its own storage
    EXPECT_EQ(TextView(text), "2/8th\n9:05");
    AssignText(allocator, text, nullptr);
    EXPECT_EQ(text.Chars, nullptr);
    EXPECT_EQ(text.Length, 0);
}

TEST(HostText, AllocationFailureEmptiesOnAssignAndFormatAndKeepsTheTextOnAppend) {
    TextAllocator allocator;
    HostText text{nullptr, 0, 0};
    AssignText(allocator, text, "short");
    const std::string longer(200, 'x');

    allocator.FailAfter(0);
    AppendText(allocator, text, longer.c_str());
    EXPECT_EQ(TextView(text), "short");
    EXPECT_EQ(Format(allocator, text, true, "%s", longer.c_str()), "short");
    AssignText(allocator, text, longer.c_str());
    EXPECT_EQ(TextView(text), "");
    AssignText(allocator, text, "short");  // fits in the capacity already held
    EXPECT_EQ(Format(allocator, text, false, "%s", longer.c_str()), "");
    allocator.FailAfter(-1);
    ReleaseText(text);
}

}  // namespace
