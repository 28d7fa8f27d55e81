// A chart with the real study library on it, and the bars and input settings
// the driver and button tests share.
#pragma once

#include <cstdint>
#include <vector>

#include "layout/StudyLayout.h"
#include "levels/SelectLevelRoutine.h"
#include "tests/support/RecordingHost.h"

namespace kovra::testing {

struct Bar {
    float open, high, low, close;
};

// List indices of the inputs, as their item lists order them.
enum FrameSizeIndex { kSize4, kSize8, kSize16, kSize32, kSize64, kSize128, kSize256 };
enum InclusionIndex { kInclusion0, kInclusion50, kInclusion100 };
enum ExtremesIndex { kHighLow, kOpenClose };
enum AlgorithmIndex { kNormalized, kOptimized, kAccelerated, kLegacy };

class DriverHarness : public RecordingHost {
public:
    DriverHarness() = default;

    void Append(const std::vector<Bar>& bars);
    void SetInput(int32_t position, float value) { study->SetInputValue(position, value); }
    // Calls bars first..last in order.
    void Run(int32_t first, int32_t last);
    // Every bar of the chart, as a full recalculation does.
    void RunAll() { Run(0, chart.bars.size() - 1); }

    float Value(int32_t subgraph, int32_t bar) const { return study->SeriesValue(subgraph, bar); }
    int32_t FrameStart() const { return study->PersistentValue(1); }
    int32_t FrameEnd() const { return study->PersistentValue(2); }
    int32_t LastDrawn() const { return study->PersistentValue(3); }
    int64_t Passes() const { return chart.drawings.ClearsOf(study->studyIdentifier()); }
};

// A seeded random walk: every bar's open and close lie within its high and low.
std::vector<Bar> RandomWalk(int32_t count, uint32_t seed, float start = 100.0f);

// What the routine makes of bars first..last: the greatest upper and least
// lower extreme (not-a-number skipped), narrowed to the series' 32 bits.
struct ExpectedLevels {
    float top, bottom;
};
ExpectedLevels RoutineOnWindow(levels::LevelAlgorithm algorithm, const std::vector<Bar>& bars, int32_t first,
                               int32_t last, bool highLow);

}  // namespace kovra::testing
