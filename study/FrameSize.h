// The number of bars one frame calculation covers.
#pragma once

#include <cstdint>

namespace kovra::study {

// Preconditions: none; either text may be null (counts as 0).
// Result: N + trunc(N * P / 100) with N the "Frame Size" text read as a decimal
// integer and P the "Prior Frame Inclusion" text read as a decimal number (a
// trailing "%" ends it); the product in 64-bit floating point, truncated toward
// zero. Unreadable text counts as 0; the result saturates at the 32-bit range.
int32_t FrameSizeOf(const char* frameSizeText, const char* priorInclusionText);

}  // namespace kovra::study
