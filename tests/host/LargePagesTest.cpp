// A study's series on a long chart live in large pages and keep their values
// as the chart grows and as they shrink back to the heap (the storage given
// back the way it was taken: a sanitizer build reports any mismatch); a live
// chart's columns grow close to what their bars need.
#include <gtest/gtest.h>

#include <cstdint>

#include "host/bars/BarColumns.h"
#include "host/memory/LargePages.h"
#include "host/runtime/StudyInstance.h"

namespace {

using kovra::host::kLargePageBytes;
using Series = kovra::host::StudyInstance::SeriesValues;

bool OnCacheLine(const float* values) { return reinterpret_cast<uintptr_t>(values) % 64 == 0; }

TEST(LargePages, LongSeriesKeepTheirValuesAsTheyGrowAndShrink) {
    const size_t onePage = kLargePageBytes / sizeof(float);
    Series series(onePage, 1.5f);
    EXPECT_TRUE(OnCacheLine(series.data()));
    series.resize(3 * onePage + 7, 2.5f);
    EXPECT_TRUE(OnCacheLine(series.data()));
    EXPECT_EQ(series.front(), 1.5f);
    EXPECT_EQ(series[onePage - 1], 1.5f);
    EXPECT_EQ(series[onePage], 2.5f);
    EXPECT_EQ(series.back(), 2.5f);
    series.resize(10);
    series.shrink_to_fit();  // back to the heap
    ASSERT_EQ(series.size(), 10u);
    EXPECT_EQ(series.back(), 1.5f);
}

// Bar by bar, as a followed file gives them: every column holds at most an
// eighth more room than its bars (doubling would hold up to twice as much).
TEST(RecordArrays, ColumnsGrowByAnEighthAsBarsArrive) {
    kovra::host::BarColumns bars;
    for (int32_t bar = 0; bar < 20000; ++bar) {
        bars.Append(bar, 1, 2, 0.5f, 1.5f);
        const size_t room = bars.dateTimes.size() + bars.dateTimes.size() / 8 + 1;
        ASSERT_LE(bars.dateTimes.capacity(), room) << bar;
        ASSERT_LE(bars.volume.capacity(), room) << bar;
    }
    Series series;
    for (size_t count = 1; count <= 20000; count += 997) {
        kovra::host::MakeRoom(series, count);
        series.resize(count);
        ASSERT_LE(series.capacity(), count + count / 8 + 1) << count;
    }
}

}  // namespace
