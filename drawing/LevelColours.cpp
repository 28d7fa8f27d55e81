#include "drawing/LevelColours.h"

#include "study/HostArrayAccess.h"

namespace {

uint32_t PrimaryColourOf(HostStudyInterface& host, int32_t subgraph) {
    return HostArrayAccess(host, host.Subgraphs, subgraph).PrimaryColour;
}

}  // namespace

std::array<uint32_t, 9> GatherNineLevelColours(HostStudyInterface& host) {
    std::array<uint32_t, 9> colours{};
    for (int32_t i = 0; i < 9; ++i) colours[static_cast<size_t>(i)] = PrimaryColourOf(host, 10 - i);
    return colours;
}

std::array<uint32_t, 13> GatherExtendedLevelColours(HostStudyInterface& host) {
    std::array<uint32_t, 13> colours{};
    const std::array<uint32_t, 9> nine = GatherNineLevelColours(host);
    for (size_t i = 0; i < nine.size(); ++i) colours[i] = nine[i];
    colours[9] = PrimaryColourOf(host, 1);
    colours[10] = PrimaryColourOf(host, 0);
    colours[11] = PrimaryColourOf(host, 12);
    colours[12] = PrimaryColourOf(host, 11);
    return colours;
}

std::array<uint32_t, 13> GatherThirteenLevelColours(HostStudyInterface& host) {
    std::array<uint32_t, 13> colours{};
    for (int32_t i = 0; i < 13; ++i) colours[static_cast<size_t>(i)] = PrimaryColourOf(host, 12 - i);
    return colours;
}
