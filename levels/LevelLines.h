// The thirteen level lines of a frame, from +2/8th down to -2/8th.
#pragma once

#include <array>
#include <cmath>
#include <string_view>

namespace kovra::levels {

inline constexpr int kLevelLineCount = 13;

// Line i is at position i of the level series: 0 is +2/8th, 2 the 8/8th,
// 10 the 0/8th, 12 the -2/8th.
inline constexpr std::array<std::string_view, kLevelLineCount> kLevelLineNames = {
    "+2/8th", "+1/8th", "8/8th", "7/8th", "6/8th",  "5/8th", "4/8th",
    "3/8th",  "2/8th",  "1/8th", "0/8th", "-1/8th", "-2/8th"};

// The lines as the level series hold them, in 32-bit float arithmetic:
// e = |top - bottom| / 8 and line i = top - e * (i - 2). Lines 2 and 10 are
// recomputed by the same formula rather than copied from top and bottom.
inline std::array<float, kLevelLineCount> ComputeLevelLines(float top, float bottom) {
    const float eighth = std::fabs(top - bottom) * 0.125f;
    std::array<float, kLevelLineCount> lines{};
    for (int i = 0; i < kLevelLineCount; ++i) {
        lines[i] = top - eighth * static_cast<float>(i - 2);
    }
    return lines;
}

}  // namespace kovra::levels
