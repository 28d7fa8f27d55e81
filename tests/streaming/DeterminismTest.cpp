// The same bars and inputs always give the same output, through the stand-in
// platform's chart session: recalculations repeat bit for bit, and button
// pushes that bring the inputs back bring the output back.
#include <gtest/gtest.h>

#include "host/runtime/ChartSession.h"
#include "tests/streaming/StudyOutput.h"

namespace {

using kovra::host::ChartSession;
using namespace kovra::streaming;

constexpr int32_t kBars = 400;

StudyOutput Output(const ChartSession& session) { return CaptureOutput(session.study()); }

void ExpectSameOutput(const StudyOutput& expected, const StudyOutput& actual) {
    EXPECT_EQ(SeriesDifference(expected, actual), "");
    EXPECT_EQ(DrawingsDifference(expected, actual), "");
    EXPECT_EQ(actual.frameStart, expected.frameStart);
    EXPECT_EQ(actual.frameEnd, expected.frameEnd);
    EXPECT_EQ(actual.lastDrawn, expected.lastDrawn);
}

TEST(Determinism, RepeatedFullRecalculationsGiveIdenticalOutput) {
    for (int32_t algorithm = 0; algorithm < 4; ++algorithm) {
        for (const StudySettings& settings :
             {StudySettings{algorithm, 2, 0, 0, true}, StudySettings{algorithm, 0, 2, 1, true}}) {
            SCOPED_TRACE(Describe(settings));
            ChartSession session(FirstSampleBars(kBars), LoadedStudy());
            session.Start(DialogSettings(settings));
            const StudyOutput first = Output(session);
            ASSERT_FALSE(first.drawings.empty());
            session.FullRecalculation();
            ExpectSameOutput(first, Output(session));

            ChartSession another(FirstSampleBars(kBars), LoadedStudy());
            another.Start(DialogSettings(settings));
            ExpectSameOutput(first, Output(another));
        }
    }
}

struct PushPair {
    int32_t away;  // changes an input from its default
    int32_t back;  // restores it
    const char* what;
};

// Defaults: "Optimized", 16 bars, 0 %, "HL", grid shown.
const PushPair kPushPairs[] = {
    {5, 3, "frame size 64, then 16"},
    {1, 3, "frame size 4, then 16"},
    {10, 8, "prior inclusion 100 %, then 0 %"},
    {12, 11, "price extremes OC, then HL"},
    {13, 14, "algorithm Normalized, then Optimized"},
    {15, 14, "algorithm Accelerated, then Optimized"},
    {17, 17, "grid off, then on"},
};

TEST(Determinism, ButtonPushesThatRestoreTheInputsRestoreTheOutput) {
    ChartSession session(FirstSampleBars(kBars), LoadedStudy());
    session.Start();
    const StudyOutput original = Output(session);
    ASSERT_FALSE(original.drawings.empty());
    for (const PushPair& pair : kPushPairs) {
        SCOPED_TRACE(pair.what);
        session.Push(pair.away, kButtonPushedOn);
        const StudyOutput away = Output(session);
        EXPECT_TRUE(SeriesDifference(original, away) != "" || DrawingsDifference(original, away) != "")
            << "the first push changed nothing";
        session.Push(pair.back, kButtonPushedOn);
        ExpectSameOutput(original, Output(session));
    }
    EXPECT_TRUE(session.warnings().empty());
}

}  // namespace
