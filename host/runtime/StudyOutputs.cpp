#include "host/runtime/StudyOutputs.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "layout/StudyLayout.h"

namespace kovra::host {
namespace {

constexpr std::array<int32_t, layout::kLevelCount> kLevelSeries = [] {
    std::array<int32_t, layout::kLevelCount> subgraphs{};
    for (int32_t level = layout::kHighestLevel; level >= layout::kLowestLevel; --level)
        subgraphs[static_cast<size_t>(layout::kHighestLevel - level)] = layout::LevelSubgraph(level);
    return subgraphs;
}();

}  // namespace

std::span<const int32_t> LevelSeriesSubgraphs() { return kLevelSeries; }

float EightEighthsAt(const StudyInstance& study, int32_t bar) { return study.SeriesValue(layout::kSubgraphTop, bar); }
float ZeroEighthsAt(const StudyInstance& study, int32_t bar) { return study.SeriesValue(layout::kSubgraphBottom, bar); }

bool HasLevels(const StudyInstance& study, int32_t bar) {
    return !std::isnan(EightEighthsAt(study, bar)) && !std::isnan(ZeroEighthsAt(study, bar));
}

float UpperExtremeAt(const StudyInstance& study, int32_t bar) {
    return study.SeriesValue(layout::kSubgraphUpperExtreme, bar);
}
float LowerExtremeAt(const StudyInstance& study, int32_t bar) {
    return study.SeriesValue(layout::kSubgraphLowerExtreme, bar);
}

FrameWindow FrameWindowOf(const StudyInstance& study) {
    return {study.PersistentValue(layout::kFrameStartKey), study.PersistentValue(layout::kFrameEndKey),
            study.PersistentValue(layout::kLastDrawnKey)};
}

int32_t StudyButtonCount() { return layout::kButtonCount; }

std::vector<LevelLine> LevelLinesAt(const StudyInstance& study, int32_t bar) {
    std::vector<LevelLine> lines;
    for (const int32_t subgraph : kLevelSeries) {
        const float price = study.SeriesValue(subgraph, bar);
        if (!std::isnan(price)) lines.push_back({subgraph, SubgraphName(study, subgraph), price});
    }
    std::stable_sort(lines.begin(), lines.end(),
                     [](const LevelLine& a, const LevelLine& b) { return a.price > b.price; });
    return lines;
}

std::string_view SubgraphName(const StudyInstance& study, int32_t subgraph) {
    if (subgraph < 0 || static_cast<size_t>(subgraph) >= study.subgraphs().size()) return {};
    const HostText& name = study.subgraphs()[static_cast<size_t>(subgraph)].Name;
    return name.Chars == nullptr ? std::string_view{} : std::string_view(name.Chars, static_cast<size_t>(name.Length));
}

}  // namespace kovra::host
