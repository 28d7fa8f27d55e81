#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "host/runtime/HostTextOperations.h"
#include "host/runtime/StudyInstance.h"

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
    const std::string longer(300, 'y');  // longer than the texts the study formats
    EXPECT_EQ(Format(allocator, text, false, "%s%i", longer.c_str(), 7), longer + "7");
    AssignText(allocator, text, longer.c_str());
    AppendText(allocator, text, text.Chars + 290);
    EXPECT_EQ(TextView(text), longer + std::string(10, 'y'));
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

// The host's price texts are what printf's "%.*f" writes, to the last digit
// and for every kind of value.
TEST(HostText, ValueTextsAreWhatPrintfWrites) {
    Chart chart;
    StudyInstance study(
        chart, [](HostStudyInterface&) {}, 1);
    HostStudyInterface& record = study.record();
    HostText text{nullptr, 0, 0};
    std::mt19937_64 engine(7);
    std::uniform_real_distribution<double> exponent(-12, 12);
    std::vector<double> values = {0.0,
                                  -0.0,
                                  0.125,
                                  0.375,
                                  2.5,
                                  -2.5,
                                  1e300,
                                  -1.7976931348623157e308,
                                  5e-324,
                                  std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity(),
                                  std::numeric_limits<double>::quiet_NaN(),
                                  -std::numeric_limits<double>::quiet_NaN()};
    for (int i = 0; i < 3000; ++i) values.push_back(std::pow(10.0, exponent(engine)) * (i % 2 ? -1 : 1));
    for (int i = 0; i < 1000; ++i) values.push_back(static_cast<float>(i) / 64.0f + 4500.0f);  // ties of few places
    for (const double value : values)
        for (int32_t places = -1; places <= 10; ++places) {
            char expected[400];
            std::snprintf(expected, sizeof expected, "%.*f", std::clamp(places, 0, 9), value);
            record.FormatValueText(&record, value, places, &text);
            ASSERT_EQ(TextView(text), expected) << value << " with " << places << " places";
        }
    ReleaseText(text);
}

}  // namespace
