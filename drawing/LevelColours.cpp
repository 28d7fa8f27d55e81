#include "drawing/LevelColours.h"

#include "layout/StudyLayout.h"
#include "record/HostArrayAccess.h"

namespace kovra::drawing {

namespace {

// The primary colour of level k's subgraph (k: 0 the 0/8th line, -2 .. 10).
uint32_t LevelColour(HostStudyInterface& host, int32_t level) {
    return record::HostArrayAccess(host, host.Subgraphs, layout::LevelSubgraph(level)).PrimaryColour;
}

}  // namespace

std::array<uint32_t, 9> GatherNineLevelColours(HostStudyInterface& host) {
    std::array<uint32_t, 9> colours{};
    for (int32_t i = 0; i < 9; ++i) colours[static_cast<size_t>(i)] = LevelColour(host, i);
    return colours;
}

std::array<uint32_t, 13> GatherExtendedLevelColours(HostStudyInterface& host) {
    std::array<uint32_t, 13> colours{};
    const std::array<uint32_t, 9> nine = GatherNineLevelColours(host);
    for (size_t i = 0; i < nine.size(); ++i) colours[i] = nine[i];
    colours[9] = LevelColour(host, 9);
    colours[10] = LevelColour(host, 10);
    colours[11] = LevelColour(host, -2);
    colours[12] = LevelColour(host, -1);
    return colours;
}

std::array<uint32_t, 13> GatherThirteenLevelColours(HostStudyInterface& host) {
    std::array<uint32_t, 13> colours{};
    for (int32_t i = 0; i < 13; ++i) colours[static_cast<size_t>(i)] = LevelColour(host, i + layout::kLowestLevel);
    return colours;
}

}  // namespace kovra::drawing
