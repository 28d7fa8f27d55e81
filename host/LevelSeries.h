// The level lines a study instance's series hold at a bar: the thirteen level
// series (+2/8th down to -2/8th) under the names the study gave them, each
// where the study wrote a value. The host reads them; it never computes a
// level itself. With "Show Frame History" off the study writes only the 8/8th
// and 0/8th series, so those two are then the only lines there are.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "host/StudyInstance.h"

namespace kovra::host {

struct LevelLine {
    int32_t subgraph;       // its level series' position (0 the +2/8th .. 12 the -2/8th)
    std::string_view name;  // the subgraph's name, e.g. "6/8th"; valid while the instance lives
    float price;
};

// Whether `bar` has levels: both the 8/8th and the 0/8th series hold a value.
bool HasLevels(const StudyInstance& study, int32_t bar);

// The lines holding a value at `bar`, highest price first (equal prices in
// subgraph order).
std::vector<LevelLine> LevelLinesAt(const StudyInstance& study, int32_t bar);

// A subgraph's name as the study declared it (or the user renamed it); empty
// for a position the record lacks.
std::string_view SubgraphName(const StudyInstance& study, int32_t subgraph);

}  // namespace kovra::host
