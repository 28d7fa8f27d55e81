#include <gtest/gtest.h>

#include <functional>
#include <string>

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

TEST(HostText, FormattingATextIntoItselfReadsItsArgumentsFirst) {
    TextAllocator allocator;
    HostText text{nullptr, 0, 0};
    AssignText(allocator, text, "8/8th");
    EXPECT_EQ(Format(allocator, text, false, "[%s] %s", text.Chars, text.Chars), "[8/8th] 8/8th");
    EXPECT_EQ(Format(allocator, text, true, "+%.5s", text.Chars), "[8/8th] 8/8th+[8/8t");
    AppendText(allocator, text, text.Chars);
    EXPECT_EQ(TextView(text), "[8/8th] 8/8th+[8/8t[8/8th] 8/8th+[8/8t");
    ReleaseText(text);
}

// Memory that cannot be had, for the copy the operation makes first (0 more
// allocations succeed) or for the text's own growth (1 more succeeds): assign
// and format leave the text empty, the appends leave it unchanged; nothing throws.
TEST(HostText, AllocationFailureEmptiesOnAssignAndFormatAndKeepsTheTextOnAppend) {
    const std::string longer(200, 'x');
    struct Row {
        const char* operation;
        std::function<void(TextAllocator&, HostText&)> run;
        const char* expected;
    };
    const Row rows[] = {
        {"assign", [&](TextAllocator& a, HostText& t) { AssignText(a, t, longer.c_str()); }, ""},
        {"append", [&](TextAllocator& a, HostText& t) { AppendText(a, t, longer.c_str()); }, "short"},
        {"format", [&](TextAllocator& a, HostText& t) { Format(a, t, false, "%s", longer.c_str()); }, ""},
        {"append-format", [&](TextAllocator& a, HostText& t) { Format(a, t, true, "%s", longer.c_str()); }, "short"},
    };
    for (const int successes : {0, 1}) {
        for (const Row& row : rows) {
            TextAllocator allocator;
            HostText text{nullptr, 0, 0};
            AssignText(allocator, text, "short");
            allocator.FailAfter(successes);
            row.run(allocator, text);
            EXPECT_EQ(TextView(text), row.expected) << row.operation << " with " << successes << " more allocations";
            ReleaseText(text);
        }
    }
}

}  // namespace
