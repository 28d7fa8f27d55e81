// The extremes of a frame window over the two per-bar extreme series.
#pragma once

#include <bit>
#include <cstdint>
#include <span>

namespace kovra::study {

inline constexpr float kNoUpperExtreme = -3.4028235e38f;  // where the upper scan starts
inline constexpr float kNoLowerExtreme = 3.4028235e38f;   // where the lower scan starts

struct WindowExtremes {
    float upper;  // kNoUpperExtreme when no value was taken
    float lower;  // kNoLowerExtreme when no value was taken

    bool BothTaken() const { return upper != kNoUpperExtreme && lower != kNoLowerExtreme; }
};

// Preconditions: none (empty spans are allowed).
// Result: exactly what a front-to-back scan keeps, bit for bit: `upper` starts
// at kNoUpperExtreme and takes a value of `uppers` only when strictly greater,
// `lower` starts at kNoLowerExtreme and takes a value of `lowers` only when
// strictly smaller. Not-a-number never compares, so it is skipped; of equal
// values the first is kept, which decides the sign of a zero result.
WindowExtremes ScanWindowExtremes(std::span<const float> uppers, std::span<const float> lowers);

// The extremes of two windows one bar apart: the window ending at bar b - 1
// and the one ending at bar b.
struct AdjacentWindowExtremes {
    WindowExtremes previous;
    WindowExtremes current;

    // Bit for bit, so +0 and -0 differ: either can reach the levels.
    bool Same() const {
        return std::bit_cast<uint32_t>(previous.upper) == std::bit_cast<uint32_t>(current.upper) &&
               std::bit_cast<uint32_t>(previous.lower) == std::bit_cast<uint32_t>(current.lower);
    }
};

// Preconditions: `uppers` and `lowers` each hold the values of bars
// b - size .. b, size >= 1 (so at least two values each).
// Result: `previous` is exactly ScanWindowExtremes of all but the last value,
// `current` of all but the first, from one scan of the values the two windows
// share and the scan's own rule applied to the bar leaving and the bar entering.
AdjacentWindowExtremes ScanAdjacentWindows(std::span<const float> uppers, std::span<const float> lowers);

}  // namespace kovra::study
