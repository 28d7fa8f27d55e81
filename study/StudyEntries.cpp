#include "study/StudyEntries.h"

#include "study/HostArrayAccess.h"

StudyEntries TakeStudyEntries(HostStudyInterface& host) {
    auto input = [&host](int32_t position) { return &HostArrayAccess(host, host.Inputs, position); };
    auto subgraph = [&host](int32_t position) { return &HostArrayAccess(host, host.Subgraphs, position); };
    return StudyEntries{
        input(kInputFrameAlgorithm),       input(kInputFrameSize),
        input(kInputPriorFrameInclusion),  input(kInputPriceExtremes),
        input(kInputShowGrid),             input(kInputShowFrameHistory),
        subgraph(kSubgraphTop),            subgraph(kSubgraphBottom),
        subgraph(kSubgraphUpperExtreme),   subgraph(kSubgraphLowerExtreme),
        subgraph(kSubgraphCircles),        subgraph(kSubgraphMajorSpeedlines),
        subgraph(kSubgraphMinorSpeedlines), subgraph(kSubgraphPriceLabels),
        subgraph(kSubgraphTimeLabels),
    };
}
