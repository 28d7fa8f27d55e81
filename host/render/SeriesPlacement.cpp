#include "host/render/SeriesPlacement.h"

#include <algorithm>

#include "host/render/DrawingPlacement.h"
#include "host/runtime/StudyOutputs.h"

namespace kovra::host {

namespace {

constexpr int16_t kMaxSeriesWidth = 10;

}  // namespace

bool SeriesShown(const StudyInstance& study, int32_t subgraph) {
    if (static_cast<size_t>(subgraph) >= study.subgraphs().size() || !study.SeriesFetched(subgraph)) return false;
    const int16_t style = study.subgraphs()[static_cast<size_t>(subgraph)].DrawStyle;
    return style != kDrawStyleHidden && style != kDrawStyleNotDrawn;
}

std::vector<PlacedSeries> PlaceLevelSeries(const StudyInstance& study) {
    std::vector<PlacedSeries> placed;
    for (const int32_t subgraph : LevelSeriesSubgraphs()) {
        const StudySubgraph settings = static_cast<size_t>(subgraph) < study.subgraphs().size()
                                           ? study.subgraphs()[static_cast<size_t>(subgraph)]
                                           : DefaultSubgraph();
        const Stroke stroke{ColourOf(settings.PrimaryColour),
                            static_cast<double>(std::clamp<int16_t>(settings.LineWidth, 1, kMaxSeriesWidth)),
                            PenStyleOf(settings.LineStyle)};
        placed.push_back(
            PlacedSeries{subgraph, SeriesShown(study, subgraph), settings.DrawStyle != kDrawStyleDashes, stroke});
    }
    return placed;
}

}  // namespace kovra::host
