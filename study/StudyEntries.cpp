#include "study/StudyEntries.h"

#include <algorithm>

#include "layout/StudyLayout.h"
#include "record/HostArrayAccess.h"

namespace kovra::study {

StudyEntries TakeStudyEntries(HostStudyInterface& host) {
    using namespace layout;
    const record::ResolvedHostArray<StudyInput> inputs(host, host.Inputs);
    const record::ResolvedHostArray<StudySubgraph> subgraphs(host, host.Subgraphs);
    auto input = [&inputs](int32_t position) { return &inputs[position]; };
    auto subgraph = [&subgraphs](int32_t position) { return &subgraphs[position]; };
    const auto take = [&] {
        return StudyEntries{
            input(kInputFrameAlgorithm),
            input(kInputFrameSize),
            input(kInputPriorFrameInclusion),
            input(kInputPriceExtremes),
            input(kInputShowGrid),
            input(kInputShowFrameHistory),
            subgraph(kSubgraphTop),
            subgraph(kSubgraphBottom),
            subgraph(kSubgraphUpperExtreme),
            subgraph(kSubgraphLowerExtreme),
            subgraph(kCirclesSettings.position),
            subgraph(kMajorSpeedlinesSettings.position),
            subgraph(kMinorSpeedlinesSettings.position),
            subgraph(kPriceLabelSettings.position),
            subgraph(kTimeLabelSettings.position),
        };
    };
    // Any ordinary record holds every position: the same entries, taken where
    // the compiler knows no position needs clamping (this runs on every call).
    constexpr int32_t kLastInput = std::max({kInputFrameAlgorithm, kInputFrameSize, kInputPriorFrameInclusion,
                                             kInputPriceExtremes, kInputShowGrid, kInputShowFrameHistory});
    constexpr int32_t kLastSubgraph =
        std::max({kSubgraphTop, kSubgraphBottom, kSubgraphUpperExtreme, kSubgraphLowerExtreme,
                  kCirclesSettings.position, kMajorSpeedlinesSettings.position, kMinorSpeedlinesSettings.position,
                  kPriceLabelSettings.position, kTimeLabelSettings.position});
    if (inputs.Holds(kLastInput) && subgraphs.Holds(kLastSubgraph)) return take();
    return take();
}

}  // namespace kovra::study
