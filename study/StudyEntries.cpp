#include "study/StudyEntries.h"

#include "layout/StudyLayout.h"
#include "record/HostArrayAccess.h"

namespace kovra::study {

StudyEntries TakeStudyEntries(HostStudyInterface& host) {
    using namespace layout;
    auto input = [&host](int32_t position) { return &record::HostArrayAccess(host, host.Inputs, position); };
    auto subgraph = [&host](int32_t position) { return &record::HostArrayAccess(host, host.Subgraphs, position); };
    return StudyEntries{
        input(kInputFrameAlgorithm),       input(kInputFrameSize),
        input(kInputPriorFrameInclusion),  input(kInputPriceExtremes),
        input(kInputShowGrid),             input(kInputShowFrameHistory),
        subgraph(kSubgraphTop),            subgraph(kSubgraphBottom),
        subgraph(kSubgraphUpperExtreme),   subgraph(kSubgraphLowerExtreme),
        subgraph(kCirclesSettings.position),         subgraph(kMajorSpeedlinesSettings.position),
        subgraph(kMinorSpeedlinesSettings.position), subgraph(kPriceLabelSettings.position),
        subgraph(kTimeLabelSettings.position),
    };
}

}  // namespace kovra::study
