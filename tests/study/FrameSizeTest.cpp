// The frame size from the two input texts, against its definition: N + trunc(N
// * P / 100) in 64-bit floating point, for the list items, odd texts and
// seeded random numbers of every length.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "study/FrameSize.h"

namespace {

using kovra::study::FrameSizeOf;

int32_t Defined(double bars, double percent) {
    const double product = std::trunc(bars * percent / 100);
    const double prior = std::isnan(product) ? 0 : std::clamp(product, -2147483648.0, 2147483647.0);
    return static_cast<int32_t>(std::clamp(bars + prior, -2147483648.0, 2147483647.0));
}

TEST(FrameSize, ListItemsAndOddTextsFollowTheDefinition) {
    struct Row {
        const char* size;
        const char* inclusion;
        int32_t expected;
    };
    const Row rows[] = {
        {"16", "50%", 24},
        {"4", "100%", 8},
        {"256", "100%", 512},
        {"256", "0%", 256},
        {"8", "50%", 12},
        {"4", "50%", 6},
        {nullptr, "50%", 0},
        {"16", nullptr, 16},
        {"", "", 0},
        {" 16", "+50 %", 24},
        {"16", "50", 24},
        {"16%", "50%", 24},
        {"-16", "50%", -24},
        {"16", "-50%", 8},
        {"16", "12.5%", 18},
        {"16", "1e2%", 32},
        {"9999", "9999%", 1009799},
        {"10000", "50%", 15000},
        {"0016", "050%", 24},
        {"2147483647", "100%", 2147483647},
        {"99999999999", "50%", 0},
        {"16", "50%x", 24},
        {"16x", "50%", 24},
    };
    for (const Row& row : rows)
        EXPECT_EQ(FrameSizeOf(row.size, row.inclusion), row.expected)
            << (row.size ? row.size : "null") << " / " << (row.inclusion ? row.inclusion : "null");
}

// Whole numbers of one to nine digits, with or without "%", against the
// definition computed in 64-bit floating point.
TEST(FrameSize, WholeNumbersOfEveryLengthFollowTheDefinition) {
    std::mt19937 engine(20261211);
    std::uniform_int_distribution<int> digits(1, 9), digit(0, 9);
    const auto number = [&] {
        std::string text;
        for (int i = digits(engine); i > 0; --i) text += static_cast<char>('0' + digit(engine));
        return text;
    };
    for (int i = 0; i < 100000; ++i) {
        const std::string size = number(), inclusion = number() + (i % 2 ? "%" : "");
        ASSERT_EQ(FrameSizeOf(size.c_str(), inclusion.c_str()), Defined(std::stod(size), std::stod(inclusion)))
            << size << " / " << inclusion;
    }
}

}  // namespace
