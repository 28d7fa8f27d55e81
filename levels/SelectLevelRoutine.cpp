#include "levels/SelectLevelRoutine.h"

#include <cstring>

#include "levels/ComputeAcceleratedLevels.h"
#include "levels/ComputeNormalizedLevels.h"
#include "levels/ComputeOptimizedLevels.h"

namespace kovra::levels {

LevelAlgorithm SelectLevelAlgorithm(const char* frameAlgorithmText) {
    if (frameAlgorithmText == nullptr) {
        return LevelAlgorithm::Accelerated;
    }
    if (std::strcmp(frameAlgorithmText, "Normalized") == 0) {
        return LevelAlgorithm::Normalized;
    }
    if (std::strcmp(frameAlgorithmText, "Optimized") == 0) {
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
