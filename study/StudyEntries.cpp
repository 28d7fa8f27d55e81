#include "study/StudyEntries.h"

#include "layout/StudyLayout.h"
#include "record/HostArrayAccess.h"

namespace kovra::study {

StudyEntries TakeStudyEntries(HostStudyInterface& host) {
    using namespace layout;
    const record::ResolvedHostArray<StudyInput> inputs(host, host.Inputs);
    const record::ResolvedHostArray<StudySubgraph> subgraphs(host, host.Subgraphs);
    auto input = [&inputs](int32_t position) { return &inputs[position]; };
    auto subgraph = [&subgraphs](int32_t position) { return &subgraphs[position]; };
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
