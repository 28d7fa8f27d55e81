#include <bit>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "host/bars/SplitMix64.h"
#include "host/text/FloatText.h"

namespace kovra::host {
namespace {

std::string FastForm(float value) {
    fmt::memory_buffer out;
    AppendFloatText(out, value);
    return fmt::to_string(out);
}

// The plain form the fast path must reproduce byte for byte.
std::string PrintfForm(float value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

TEST(FloatText, MatchesPrintfOnGridPricesAndEdges) {
    const float edges[] = {0.0f,
                           -0.0f,
                           1.0f,
                           -1.0f,
                           0.5f,
                           0.1f,
                           1e-4f,
                           0.0001220703125f,
                           0.00006103515625f,
                           999999999.0f,
                           1e9f,
                           123456789.0f,
                           16777216.0f,
                           16777217.0f,
                           4512.25f,
                           -4512.25f,
                           4515.625f,
                           0.00390625f,
                           3.0517578125e-05f,
                           1.52587890625e-05f,
                           std::numeric_limits<float>::max(),
                           std::numeric_limits<float>::min(),
                           std::numeric_limits<float>::denorm_min(),
                           INFINITY,
                           -INFINITY};
    for (const float value : edges) EXPECT_EQ(FastForm(value), PrintfForm(value)) << PrintfForm(value);
    // Every multiple of 1/64 from -5000 to 5000: the prices and levels the study writes.
    for (int32_t step = -320000; step <= 320000; ++step) {
        const float value = static_cast<float>(step) / 64.0f;
        ASSERT_EQ(FastForm(value), PrintfForm(value));
    }
}

TEST(FloatText, MatchesPrintfOnRandomFloatsAndReadsBack) {
    SplitMix64 random(2188);
    for (int trial = 0; trial < 1'000'000; ++trial) {
        const auto value = std::bit_cast<float>(static_cast<uint32_t>(random.Next()));
        if (std::isnan(value)) continue;
        const std::string text = FastForm(value);
        ASSERT_EQ(text, PrintfForm(value));
        ASSERT_EQ(std::strtof(text.c_str(), nullptr), value) << text;
    }
}

}  // namespace
}  // namespace kovra::host
