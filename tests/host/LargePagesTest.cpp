// A study's series on a long chart live in large pages and keep their values
// as the chart grows and as they shrink back to the heap (the storage given
// back the way it was taken: a sanitizer build reports any mismatch).
#include <gtest/gtest.h>

#include <cstdint>

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

}  // namespace
