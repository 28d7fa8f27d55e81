// The level subgraphs' primary colours, gathered afresh by each step that needs
// them, so a colour the user changes shows from the next pass on.
#pragma once

#include <array>
#include <cstdint>

#include "record/HostStudyInterface.h"

namespace kovra::drawing {

// Entry i (0..8) is the colour of level i/8th, i.e. subgraph 10 - i.
std::array<uint32_t, 9> GatherNineLevelColours(HostStudyInterface& host);

// The nine above, then (+1/8th, +2/8th) = subgraphs 1, 0, then (-2/8th, -1/8th) = subgraphs 12, 11.
std::array<uint32_t, 13> GatherExtendedLevelColours(HostStudyInterface& host);

// Entry i (0..12) is subgraph 12 - i: entry 0 the -2/8th line up to entry 12 the +2/8th.
std::array<uint32_t, 13> GatherThirteenLevelColours(HostStudyInterface& host);

}  // namespace kovra::drawing
