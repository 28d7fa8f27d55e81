// The tick grid real-time updates walk on.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "host/bars/PriceStep.h"

namespace {

using kovra::host::BarColumns;

BarColumns BarsOf(const std::vector<float>& closes) {
    BarColumns bars;
    for (size_t i = 0; i < closes.size(); ++i)
        bars.Append(static_cast<int64_t>(i), closes[i], closes[i], closes[i], closes[i]);
    return bars;
}

struct StepCase {
    const char* what;
    std::vector<float> prices;
    int32_t decimals;
    double step;
};

TEST(SmallestPriceStep, IsTheCommonDivisorOfThePriceDistances) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const StepCase cases[] = {
        {"quarters quoted with two decimals", {4800.25f, 4801.0f, 4799.75f}, 2, 0.25},
        {"cents", {1.01f, 1.02f, 1.05f}, 2, 0.01},
        {"whole fives", {100, 105, 125}, 0, 5},
        {"a single tick of the last decimal", {0.123f, 0.125f, 0.124f}, 3, 0.001},
        {"all prices equal: one unit of the last decimal", {7.5f, 7.5f}, 1, 0.1},
        {"no bars: one unit", {}, 2, 0.01},
        {"non-finite prices are ignored", {10.5f, nan, 11.0f}, 1, 0.5},
        {"prices too large to count are ignored", {1.5f, 3e38f, 2.0f}, 9, 0.5},
    };
    for (const StepCase& c : cases) {
        const double step = kovra::host::SmallestPriceStep(BarsOf(c.prices), c.decimals);
        EXPECT_NEAR(step, c.step, c.step * 1e-12) << c.what;
        EXPECT_GT(step, 0) << c.what;
    }
}

}  // namespace
