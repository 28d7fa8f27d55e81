// Helpers shared by the level routine tests: tolerances and seeded random frames.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace kovra::levels::test {

// The 64-bit routines build powers as exp(i * ln c), so they meet the exact
// dyadic values only to within a few units in the last place.
inline void ExpectRelativelyNear(double actual, double expected, const char* what, double tolerance = 1e-12) {
    EXPECT_NEAR(actual, expected, tolerance * std::fabs(expected)) << what;
}

struct Frame {
    double high;
    double low;
};

// Frames as the driver hands them over: 32-bit prices widened to 64 bits,
// high > low. Prices are log-uniform over [minPrice, maxPrice], ranges
// log-uniform from 1e-4 to 0.5 of the price.
class RandomFrames {
public:
    RandomFrames(std::uint64_t seed, double minPrice, double maxPrice)
        : engine_(seed),
          logPrice_(std::log(minPrice), std::log(maxPrice)),
          logFraction_(std::log(1e-4), std::log(0.5)) {}

    Frame Next() {
        for (;;) {
            const double price = std::exp(logPrice_(engine_));
            const double range = price * std::exp(logFraction_(engine_));
            const double high = static_cast<float>(price + range * unit_(engine_));
            const double low = static_cast<float>(high - range);
            if (high > low) {
                return {high, low};
            }
        }
    }

private:
    std::mt19937_64 engine_;
    std::uniform_real_distribution<double> logPrice_;
    std::uniform_real_distribution<double> logFraction_;
    std::uniform_real_distribution<double> unit_{0.0, 1.0};
};

inline constexpr int kRandomFrameCount = 200000;

}  // namespace kovra::levels::test
