// The session with the real study library: button pushes and real-time
// updates must leave the chart as a fresh full recalculation would.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "host/bars/SampleBars.h"
#include "host/runtime/ChartSession.h"
#include "host/runtime/StudyLibrary.h"

namespace {

using kovra::host::BarColumns;
using kovra::host::ChartSession;
using kovra::host::StudyInstance;
using kovra::host::TextView;

constexpr int32_t kFrameSizeInput = 11;
constexpr int32_t kShowGridInput = 14;
constexpr int32_t kSeriesCount = 15;  // thirteen levels and the two extremes

const kovra::host::StudyLibrary& Library() {
    static const kovra::host::StudyLibrary library(std::getenv("KOVRA_STUDY_LIBRARY"));
    return library;
}

std::unique_ptr<ChartSession> Started(BarColumns bars, const kovra::host::StudySettings& settings = {}) {
    auto session = std::make_unique<ChartSession>(std::move(bars), Library().studyFunction());
    session->Start(settings);
    return session;
}

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Every series value of every bar, bit for bit (NaN "no value" included).
void ExpectSameSeries(const StudyInstance& actual, const StudyInstance& expected) {
    ASSERT_EQ(actual.chart().bars.size(), expected.chart().bars.size());
    int reported = 0;
    for (int32_t subgraph = 0; subgraph < kSeriesCount; ++subgraph)
        for (int32_t bar = 0; bar < expected.chart().bars.size() && reported < 10; ++bar) {
            const float got = actual.SeriesValue(subgraph, bar), want = expected.SeriesValue(subgraph, bar);
            if (!SameBits(got, want)) {
                ADD_FAILURE() << "subgraph " << subgraph << " bar " << bar << ": got " << got << ", fresh "
                              << "recalculation gives " << want;
                ++reported;
            }
        }
}

TEST(RealStudySession, PushingAFrameSizeButtonRecalculatesWithTheNewInput) {
    auto pushed = Started(kovra::host::SampleBars().bars);
    pushed->Push(5, kButtonPushedOn);

    EXPECT_EQ(pushed->study().SelectedTextOf(kFrameSizeInput), "64");
    EXPECT_EQ(pushed->fullRecalculations(), 2);
    EXPECT_NE(pushed->chart().controlBar.buttons()[5].Pushed, 0);
    // Bars 16..63 had levels under the old frame size; they must show none now.
    EXPECT_TRUE(std::isnan(pushed->study().SeriesValue(2, 63)));
    EXPECT_FALSE(std::isnan(pushed->study().SeriesValue(2, 64)));

    auto fresh = Started(kovra::host::SampleBars().bars, {{{"Frame Size", "64"}}, {}});
    ExpectSameSeries(pushed->study(), fresh->study());
}

// A click on the pushed button of the frame size in force releases it; the
// study changes nothing, and marks it again at its next recalculation.
TEST(RealStudySession, AnOffEventReleasesTheButtonAndChangesNothing) {
    auto session = Started(kovra::host::SampleBars().bars);
    const auto pushed = [&](int32_t button) { return session->chart().controlBar.buttons()[button].Pushed != 0; };
    ASSERT_TRUE(pushed(3)) << "16 bars";
    session->Push(5, kButtonPushedOff);
    session->Push(3, kButtonPushedOff);
    EXPECT_FALSE(pushed(3));
    EXPECT_EQ(session->study().SelectedTextOf(kFrameSizeInput), "16");
    EXPECT_EQ(session->fullRecalculations(), 1);
    session->Push(3, kButtonPushedOn);
    EXPECT_TRUE(pushed(3));
    EXPECT_EQ(session->study().SelectedTextOf(kFrameSizeInput), "16");
}

TEST(RealStudySession, TheGridButtonHidesAndShowsTheDrawings) {
    auto session = Started(kovra::host::SampleBars().bars);
    const int32_t id = session->study().studyIdentifier();
    const size_t shown = session->chart().drawings.DrawingsOf(id).size();
    if (shown == 0) GTEST_SKIP() << "the drawing pass submits nothing yet";

    session->Push(17, kButtonPushedOn);
    EXPECT_EQ(session->study().inputs()[kShowGridInput].Value, 0.0f);
    EXPECT_TRUE(session->chart().drawings.DrawingsOf(id).empty()) << "a hidden grid must leave no drawing behind";

    session->Push(17, kButtonPushedOn);
    EXPECT_EQ(session->chart().drawings.DrawingsOf(id).size(), shown);
    EXPECT_EQ(session->drawingPasses(), 2) << "the host's own clearing is not a drawing pass";
}

TEST(RealStudySession, HeldChartUpdatesKeepAPushPending) {
    auto session = Started(kovra::host::SampleBars().bars);
    session->SetHoldChartUpdates(true);
    session->Push(5, kButtonPushedOn);
    EXPECT_EQ(session->study().SelectedTextOf(kFrameSizeInput), "16");
    EXPECT_EQ(session->fullRecalculations(), 1);

    session->SetHoldChartUpdates(false);
    session->PlayTicks(1, 1);  // the next update delivers the waiting event
    EXPECT_EQ(session->study().SelectedTextOf(kFrameSizeInput), "64");
}

TEST(RealStudySession, ReleasedButtonsAreBlankAfterARecalculation) {
    auto session = Started(kovra::host::SampleBars().bars);
    ASSERT_EQ(TextView(session->chart().controlBar.buttons()[1].Label), " 4 ");
    session->SetReleaseButtons(true);
    session->FullRecalculation();
    for (int button = 1; button <= 17; ++button) {
        EXPECT_EQ(TextView(session->chart().controlBar.buttons()[button].Label), "") << "button " << button;
        EXPECT_EQ(TextView(session->chart().controlBar.buttons()[button].Hover), "") << "button " << button;
    }
}

// Bar by bar in real time against the full history: once the updates are
// over, the series must be what a recalculation of the final bars gives.
TEST(RealStudySession, RealTimeUpdatesMatchAFullRecalculationOfTheFinalBars) {
    for (const uint64_t seed : {1u, 2u, 77u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        auto live = Started(kovra::host::SampleBars().bars);
        live->PlayTicks(800, seed);
        ASSERT_GT(live->chart().bars.size(), kovra::host::SampleBars().bars.size());

        auto fresh = Started(live->chart().bars);
        ExpectSameSeries(live->study(), fresh->study());
        EXPECT_EQ(live->study().PersistentValue(1), fresh->study().PersistentValue(1));
        EXPECT_EQ(live->study().PersistentValue(2), fresh->study().PersistentValue(2));
    }
}

}  // namespace

// With "OC" a live bar's close moves its levels away and back. After the
// updates the picture must show the last bar's levels, whatever path they
// took (seed 33 once left the picture on a passing frame).
TEST(RealStudySession, AfterRealTimeUpdatesThePictureShowsTheLastBarsLevels) {
    constexpr int32_t kGridTop = 1808, kGridBottom = 1800;  // the 8/8th and 0/8th grid lines of study 1
    for (const uint64_t seed : {31u, 32u, 33u, 34u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        auto session = Started(kovra::host::SampleBars().bars, {{{"Price Extremes", "OC"}, {"Frame Size", "4"}}, {}});
        session->PlayTicks(400, seed);
        const int32_t last = session->chart().bars.size() - 1;
        float top = std::nanf(""), bottom = std::nanf("");
        for (const kovra::host::StoredDrawing* drawing : session->chart().drawings.DrawingsOf(1)) {
            if (drawing->request().DrawingId == kGridTop) top = drawing->request().FirstPrice;
            if (drawing->request().DrawingId == kGridBottom) bottom = drawing->request().FirstPrice;
        }
        EXPECT_EQ(top, session->study().SeriesValue(2, last));
        EXPECT_EQ(bottom, session->study().SeriesValue(10, last));
    }
}
