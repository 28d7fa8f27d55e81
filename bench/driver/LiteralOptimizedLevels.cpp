#include "bench/driver/LiteralOptimizedLevels.h"

#include <cmath>

namespace kovra::bench {

namespace {

constexpr double kLn10 = 2.302585092994046;
constexpr double kLn8 = 2.0794415416798357;
constexpr double kLn2 = 0.6931471805599453;
constexpr double kInvLn2 = 1.4426950408889634;

// floor only below 2^52; larger values, infinities and not-a-number pass.
double Floor(double x) { return std::fabs(x) < 4503599627370496.0 ? std::floor(x) : x; }

}  // namespace

levels::FrameLevels LiteralOptimizedLevels(double high, double low) {
    // 0. A frame below zero is computed on its mirror image.
    double a = high, b = low;
    const bool mirrored = b < 0;
    if (mirrored) {
        a = 0 - low;
        b = (0 - low) - (high - low);
    }
    // 1. Base scale.
    double P;
    if (a > 25) {
        const double t = std::log(0.4 * a) / kLn10;
        double i = Floor(t);
        if (t - i > 0) i = i + 1;
        P = std::exp(i * kLn10);
    } else {
        P = 100 * std::exp(Floor(std::log(0.005 * a) / kLn8) * kLn8);
    }
    // 2. Divisor.
    const double r = a - b;
    const double q = std::log(P / r) / kLn8;
    double k, U;
    if (q <= 0) {
        k = 0;
        U = std::exp(-0.0) * P;
    } else {
        k = Floor(q);
        if (q - Floor(q) != 0) k = k + 1;
        U = std::exp(-k * kLn8) * P;
    }
    // 3. Power of two.
    const double m = Floor(kInvLn2 * std::log(r / U) + 0.0000001);
    // 4. Centre, and 5. the first frame.
    const double mid = (b + a) * 0.5;
    const double e = kLn2 * (m - 1);
    const double expE = std::exp(e);
    const double R = std::round(mid / (expE * U));
    double B = ((R - 1) * U) * expE;
    double T = ((R + 1) * U) * expE;
    // 6. Fit check: replaced once when a price overshoots by more than a quarter span.
    if (a - T > 0.25 * (T - B) || B - b > 0.25 * (T - B)) {
        double mRefit, URefit;
        if (m < 2) {
            mRefit = m + 1;
            URefit = P * std::exp(-k * kLn8);
        } else {
            mRefit = 0;
            URefit = P * std::exp(-(k - 1) * kLn8);
        }
        const double eRefit = (mRefit - 1) * kLn2;
        const double expRefit = std::exp(eRefit);
        const double RRefit = std::round(mid / (expRefit * URefit));
        B = ((RRefit - 1) * URefit) * expRefit;
        T = ((RRefit + 1) * URefit) * expRefit;
    }
    // 7. and 8.
    if (!mirrored) return {T, B};
    return {-B, -T};
}

}  // namespace kovra::bench
