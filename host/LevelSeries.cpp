#include "host/LevelSeries.h"

#include <algorithm>
#include <cmath>

#include "layout/StudyLayout.h"

namespace kovra::host {

bool HasLevels(const StudyInstance& study, int32_t bar) {
    return !std::isnan(study.SeriesValue(layout::kSubgraphTop, bar)) &&
           !std::isnan(study.SeriesValue(layout::kSubgraphBottom, bar));
}

std::vector<LevelLine> LevelLinesAt(const StudyInstance& study, int32_t bar) {
    std::vector<LevelLine> lines;
    for (int32_t subgraph = 0; subgraph < layout::kLevelCount; ++subgraph) {
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
