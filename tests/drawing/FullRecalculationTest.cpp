// The loaded study over a chart of realistic bars: the driver runs the drawing
// pass once, on the last bar, and every drawing keeps its own identifier.
#include <algorithm>
#include <cstdlib>
#include <set>

#include <gtest/gtest.h>

#include "host/runtime/StudyInstance.h"
#include "host/runtime/StudyLibrary.h"

namespace kovra::testing {
namespace {

// One-minute bars of a seeded random walk on a 0.25 tick, from 2024-01-02 09:30.
void AppendRandomWalk(host::BarColumns& bars, int32_t count) {
    constexpr int64_t kMinute = 60'000'000;
    const int64_t start = 45293LL * 86'400'000'000LL + (9 * 60 + 30) * kMinute;
    uint64_t state = 20240102;
    auto ticks = [&state](int32_t range) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<int32_t>((state >> 33) % static_cast<uint64_t>(2 * range + 1)) - range;
    };
    float close = 4500.0f;
    for (int32_t i = 0; i < count; ++i) {
        const float open = close;
        close = open + 0.25f * static_cast<float>(ticks(6));
        const float high = std::max(open, close) + 0.25f * static_cast<float>(std::abs(ticks(3)));
        const float low = std::min(open, close) - 0.25f * static_cast<float>(std::abs(ticks(3)));
        bars.Append(start + i * kMinute, open, high, low, close);
    }
}

TEST(FullRecalculation, DrawsOnePassOnTheLastBarWithUniqueIdentifiers) {
    constexpr int32_t kBars = 300;
    host::StudyLibrary library(std::getenv("KOVRA_STUDY_LIBRARY"));
    host::Chart chart;
    AppendRandomWalk(chart.bars, kBars);
    host::StudyInstance study(chart, library.studyFunction(), 1);
    study.CallDefaults();
    for (int32_t bar = 0; bar < kBars - 1; ++bar) study.CallBar(bar);
    EXPECT_EQ(chart.drawings.ClearsOf(1), 0);
    EXPECT_EQ(chart.drawings.SubmissionsOf(1), 0);

    study.CallBar(kBars - 1);
    ASSERT_EQ(chart.drawings.ClearsOf(1), 1);
    const std::vector<const host::StoredDrawing*> drawings = chart.drawings.DrawingsOf(1);
    EXPECT_EQ(static_cast<int64_t>(drawings.size()), chart.drawings.SubmissionsOf(1)) << "a drawing was replaced";
    std::set<int32_t> ids;
    size_t shapes = 0;
    const host::StoredDrawing* bottomLine = nullptr;
    const host::StoredDrawing* startLine = nullptr;
    for (const host::StoredDrawing* d : drawings) {
        ids.insert(d->request().DrawingId);
        if (d->request().DrawingType != kDrawingText) ++shapes;
        if (d->request().DrawingId == 1800) bottomLine = d;
        if (d->request().DrawingId == 1900) startLine = d;
    }
    EXPECT_EQ(ids.size(), drawings.size());
    // 27 ellipses, 2 rectangles, 14 speedlines, 13 grid lines and 9 eighth
    // lines (the default 16-bar frame puts every eighth on a whole bar).
    EXPECT_EQ(shapes, 65u);
    // The pass drew the last bar's frame.
    ASSERT_NE(bottomLine, nullptr);
    ASSERT_NE(startLine, nullptr);
    EXPECT_EQ(bottomLine->request().FirstPrice, study.SeriesValue(10, kBars - 1));
    EXPECT_EQ(startLine->request().FirstPrice, study.SeriesValue(2, kBars - 1));
    EXPECT_EQ(startLine->request().FirstBar, study.PersistentValue(1));

    // The host updating the same last bar with unchanged levels draws nothing new.
    study.CallBar(kBars - 1);
    EXPECT_EQ(chart.drawings.ClearsOf(1), 1);
}

}  // namespace
}  // namespace kovra::testing
