// The extremes of a frame window over the two per-bar extreme series.
#pragma once

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

}  // namespace kovra::study
