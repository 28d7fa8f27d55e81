#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "host/bars/SampleBars.h"
#include "host/outputs/OutputFiles.h"
#include "host/text/DateTimes.h"

namespace kovra::host {
namespace {

std::string SampleFilePath() {
    const char* source = std::getenv("KOVRA_SOURCE_DIR");
    return std::string(source != nullptr ? source : ".") + "/data/sample-bars.csv";
}

// The committed file is the generator's output. After a deliberate change to
// the generator, run this test with KOVRA_UPDATE_SAMPLE_BARS=1 to rewrite it.
TEST(SampleBars, CommittedFileIsTheEmbeddedSampleAndLoadsBackToIt) {
    const std::string path = SampleFilePath();
    const std::string expected = FormatBarsCsv(SampleBars());
    if (std::getenv("KOVRA_UPDATE_SAMPLE_BARS") != nullptr) WriteFileAtomically(path, expected);

    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    EXPECT_TRUE(text.str() == expected) << path << " differs from the generator's output";

    const LoadedBars loaded = LoadBarsCsv(path);
    const LoadedBars& sample = SampleBars();
    EXPECT_EQ(loaded.bars.dateTimes, sample.bars.dateTimes);
    EXPECT_EQ(loaded.bars.open, sample.bars.open);
    EXPECT_EQ(loaded.bars.high, sample.bars.high);
    EXPECT_EQ(loaded.bars.low, sample.bars.low);
    EXPECT_EQ(loaded.bars.close, sample.bars.close);
    EXPECT_EQ(loaded.bars.volume, sample.bars.volume);
    EXPECT_EQ(loaded.priceDecimals, sample.priceDecimals);
}

TEST(SampleBars, FiveWeekdaySessionsOfOneMinuteBarsFrom0930To1600) {
    const BarColumns& bars = SampleBars().bars;
    ASSERT_EQ(bars.size(), 5 * 390);
    for (int32_t bar = 0; bar < bars.size(); ++bar) {
        const CivilDateTime time = CivilFromMicroseconds(bars.dateTimes[static_cast<size_t>(bar)]);
        const int64_t weekday = (DaysSince18991230(time.date) + 5) % 7;  // 1899-12-30 was a Saturday; 0 = Monday
        ASSERT_EQ(weekday, bar / 390) << bar;
        ASSERT_EQ(time.hour * 60 + time.minute, 9 * 60 + 30 + bar % 390) << bar;
        ASSERT_EQ(time.second + time.microsecond, 0) << bar;
    }
}

TEST(SampleBars, PricesAreOnTheTickGridWithSoundBarsAndQuietAndTrendingStretches) {
    const BarColumns& bars = SampleBars().bars;
    constexpr int32_t kWindow = 30;
    float quietestRange = INFINITY, largestMove = 0;
    for (size_t bar = 0; bar < bars.dateTimes.size(); ++bar) {
        for (const float price : {bars.open[bar], bars.high[bar], bars.low[bar], bars.close[bar]}) {
            ASSERT_EQ(price * 4, std::round(price * 4)) << "bar " << bar;
            ASSERT_TRUE(price > 4500 && price < 5000) << "bar " << bar;
        }
        ASSERT_GE(bars.high[bar], std::max(bars.open[bar], bars.close[bar])) << "bar " << bar;
        ASSERT_LE(bars.low[bar], std::min(bars.open[bar], bars.close[bar])) << "bar " << bar;
        ASSERT_GT(bars.volume[bar], 0) << "bar " << bar;
        if (bar + kWindow > bars.dateTimes.size()) continue;
        float high = bars.high[bar], low = bars.low[bar];
        for (size_t i = bar; i < bar + kWindow; ++i)
            high = std::max(high, bars.high[i]), low = std::min(low, bars.low[i]);
        quietestRange = std::min(quietestRange, high - low);
        largestMove = std::max(largestMove, std::fabs(bars.close[bar + kWindow - 1] - bars.open[bar]));
    }
    // Half an hour inside three points somewhere, and a half-hour run of ten points or more somewhere else.
    EXPECT_LE(quietestRange, 3.0f);
    EXPECT_GE(largestMove, 10.0f);
}

}  // namespace
}  // namespace kovra::host
