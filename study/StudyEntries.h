// The inputs and subgraphs the study addresses by position, taken once per
// call through the host array access rule.
#pragma once

#include <cstdint>

#include "study/HostStudyInterface.h"

inline constexpr int32_t kInputFrameAlgorithm = 10;
inline constexpr int32_t kInputFrameSize = 11;
inline constexpr int32_t kInputPriorFrameInclusion = 12;
inline constexpr int32_t kInputPriceExtremes = 13;
inline constexpr int32_t kInputShowGrid = 14;
inline constexpr int32_t kInputShowFrameHistory = 16;

// Level subgraphs 0..12 run from the +2/8th line down to the -2/8th line.
inline constexpr int32_t kLevelSubgraphCount = 13;
inline constexpr int32_t kSubgraphTop = 2;      // 8/8th
inline constexpr int32_t kSubgraphBottom = 10;  // 0/8th
inline constexpr int32_t kSubgraphUpperExtreme = 13;
inline constexpr int32_t kSubgraphLowerExtreme = 14;
inline constexpr int32_t kSubgraphCircles = 15;
inline constexpr int32_t kSubgraphMajorSpeedlines = 18;
inline constexpr int32_t kSubgraphMinorSpeedlines = 19;
inline constexpr int32_t kSubgraphPriceLabels = 20;
inline constexpr int32_t kSubgraphTimeLabels = 21;

// The drawing-settings subgraphs (15, 18 to 21) get this line width on the
// defaults call and again on every bar call.
inline constexpr int16_t kSettingsLineWidth = 99;

struct StudyEntries {
    StudyInput* frameAlgorithm;
    StudyInput* frameSize;
    StudyInput* priorFrameInclusion;
    StudyInput* priceExtremes;
    StudyInput* showGrid;
    StudyInput* showFrameHistory;
    StudySubgraph* top;
    StudySubgraph* bottom;
    StudySubgraph* upperExtreme;
    StudySubgraph* lowerExtreme;
    StudySubgraph* circles;
    StudySubgraph* majorSpeedlines;
    StudySubgraph* minorSpeedlines;
    StudySubgraph* priceLabels;
    StudySubgraph* timeLabels;
};

StudyEntries TakeStudyEntries(HostStudyInterface& host);
