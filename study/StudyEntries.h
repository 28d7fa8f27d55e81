// The inputs and subgraphs the study addresses by position, taken once per
// call through the host array access rule.
#pragma once

#include <cstdint>

#include "record/HostStudyInterface.h"

namespace kovra::study {

// The drawing-settings subgraphs get this line width on the defaults call and
// again on every bar call.
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

}  // namespace kovra::study
