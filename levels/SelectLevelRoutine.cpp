#include "levels/SelectLevelRoutine.h"

#include <string_view>

#include "levels/ComputeAcceleratedLevels.h"
#include "levels/ComputeNormalizedLevels.h"
#include "levels/ComputeOptimizedLevels.h"

namespace kovra::levels {

namespace {

// Whole-text comparison written out: the study chooses its routine on every
// bar, and a call into the C library costs more than the comparison.
bool TextIs(const char* text, std::string_view expected) {
    for (const char c : expected)
        if (*text++ != c) return false;  // stops at the text's end: `expected` holds no '\0'
    return *text == '\0';
}

}  // namespace

LevelAlgorithm SelectLevelAlgorithm(const char* frameAlgorithmText) {
    if (frameAlgorithmText == nullptr) {
        return LevelAlgorithm::Accelerated;
    }
    if (TextIs(frameAlgorithmText, "Normalized")) {
        return LevelAlgorithm::Normalized;
    }
    if (TextIs(frameAlgorithmText, "Optimized")) {
        return LevelAlgorithm::Optimized;
    }
    return LevelAlgorithm::Accelerated;
}

FrameLevels ComputeLevels(LevelAlgorithm algorithm, double high, double low) {
    switch (algorithm) {
        case LevelAlgorithm::Normalized:
            return ComputeNormalizedLevels(static_cast<float>(high), static_cast<float>(low));
        case LevelAlgorithm::Optimized:
            return ComputeOptimizedLevels(high, low);
        case LevelAlgorithm::Accelerated:
            break;
    }
    return ComputeAcceleratedLevels(high, low);
}

}  // namespace kovra::levels
