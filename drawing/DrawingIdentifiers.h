// Every drawing carries a fixed identifier made from the study instance's
// identifier, so the same drawing keeps its identifier from pass to pass. The
// arithmetic wraps to 32 bits as the platform's integers do, for any identifier.
#pragma once

#include <cstdint>

namespace kovra::drawing {

inline int32_t DrawingIdentifier(int32_t studyIdentifier, int32_t multiplier, int32_t offset) {
    const uint32_t wrapped =
        static_cast<uint32_t>(studyIdentifier) * static_cast<uint32_t>(multiplier) + static_cast<uint32_t>(offset);
    return static_cast<int32_t>(wrapped);
}

// Steps of the grid, speedlines and circles add their offsets to this base.
inline int32_t StepDrawingIdentifier(int32_t studyIdentifier, int32_t offset) {
    return DrawingIdentifier(studyIdentifier, 1000, offset);
}

}  // namespace kovra::drawing
