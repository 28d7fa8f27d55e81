// Drawing identifiers for any study identifier, two study instances on one
// chart, and passes over extreme or non-finite arguments.
#include <cstdlib>
#include <limits>

#include <gtest/gtest.h>

#include "drawing/RunDrawingPass.h"
#include "host/runtime/StudyLibrary.h"
#include "record/HostArrayAccess.h"
#include "tests/drawing/RequestDiff.h"

using namespace kovra::drawing;

namespace kovra::testing {
namespace {

// The identifier a 32-bit platform integer holds: base x 1000 + offset, modulo 2^32.
int32_t Wrapped(int64_t studyIdentifier, int64_t offset) {
    return static_cast<int32_t>(static_cast<uint32_t>((studyIdentifier * 1000 + offset) & 0xFFFFFFFF));
}

TEST(DrawingIdentifiers, WrapToThirtyTwoBitsForAnyStudyIdentifier) {
    RecordingHost reference;
    RunDrawingPass(reference.record(), MakeFrameGeometry(108.0f, 100.0f, 100, 108));
    const std::vector<int32_t> offsets = SubmittedOffsets(reference);
    ASSERT_EQ(offsets.size(), 65u);
    for (int32_t studyIdentifier : {2, 2147483, 2147484, std::numeric_limits<int32_t>::max()}) {
        RecordingHost host;
        host.record().StudyIdentifier = studyIdentifier;
        RunDrawingPass(host.record(), MakeFrameGeometry(108.0f, 100.0f, 100, 108));
        std::vector<int32_t> ids;
        for (const Submission& s : host.submissions)
            if (s.request.DrawingType != kDrawingText) ids.push_back(s.request.DrawingId);
        ASSERT_EQ(ids.size(), offsets.size());
        for (size_t i = 0; i < ids.size(); ++i)
            EXPECT_EQ(ids[i], Wrapped(studyIdentifier, offsets[i])) << studyIdentifier;
    }
}

// Two instances of the study on one chart: identical identifiers under
// different study instances must not replace each other.
TEST(DrawingIdentifiers, TwoInstancesOnOneChartKeepTheirOwnDrawings) {
    host::StudyLibrary library(std::getenv("KOVRA_STUDY_LIBRARY"));
    host::Chart chart;
    host::StudyInstance first(chart, library.studyFunction(), 1);
    host::StudyInstance second(chart, library.studyFunction(), 2);
    for (host::StudyInstance* instance : {&first, &second}) {
        instance->CallDefaults();
        HostStudyInterface& r = instance->record();
        ASSERT_TRUE(kovra::record::ResolveHostArray(r, r.Subgraphs));
    }
    RunDrawingPass(first.record(), MakeFrameGeometry(108.0f, 100.0f, 100, 108));
    const size_t perPass = chart.drawings.DrawingsOf(1).size();
    ASSERT_EQ(perPass, static_cast<size_t>(chart.drawings.SubmissionsOf(1)));
    RunDrawingPass(second.record(), MakeFrameGeometry(208.0f, 200.0f, 100, 108));
    EXPECT_EQ(chart.drawings.DrawingsOf(1).size(), perPass);
    EXPECT_EQ(chart.drawings.DrawingsOf(2).size(), perPass);
    for (const host::StoredDrawing* d : chart.drawings.DrawingsOf(1)) EXPECT_LT(d->request().FirstPrice, 150.0f);

    second.record().ClearStudyDrawings(&second.record(), 0, -1, 0);
    EXPECT_EQ(chart.drawings.DrawingsOf(1).size(), perPass);
    EXPECT_TRUE(chart.drawings.DrawingsOf(2).empty());
}

// Arguments no chart produces must still draw without undefined behaviour;
// bars that do not fit 32 bits saturate.
TEST(DrawingPass, ExtremeArgumentsGiveDefinedDrawings) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float big = std::numeric_limits<float>::max();
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    struct Case {
        float top, bottom;
        int32_t start, end;
        int32_t firstEighthBar, lastEighthBar;  // bars of the vertical lines 900 and 908
    };
    const Case cases[] = {
        {nan, 100.0f, 100, 108, 100, 108},
        {inf, -inf, 100, 108, 100, 108},
        {big, -big, 100, 108, 100, 108},
        {108.0f, 100.0f, kMin, kMax, kMin, kMax},  // 2^31 - 2^31 + 2^32 saturates
        {108.0f, 100.0f, kMax, kMax, kMax, kMax},
        {108.0f, 100.0f, kMin, kMin, kMin, kMin},
    };
    for (const Case& c : cases) {
        RecordingHost host;
        host.subgraph(18).AngleUnit = std::numeric_limits<float>::infinity();
        host.subgraph(19).AngleMax = nan;
        RunDrawingPass(host.record(), MakeFrameGeometry(c.top, c.bottom, c.start, c.end));
        const std::vector<DrawingRequest> first = SubmittedInRange(host, 900, 900);
        const std::vector<DrawingRequest> last = SubmittedInRange(host, 908, 908);
        ASSERT_EQ(first.size(), 1u) << c.start << ".." << c.end;
        ASSERT_EQ(last.size(), 1u) << c.start << ".." << c.end;
        EXPECT_EQ(first[0].FirstBar, c.firstEighthBar);
        EXPECT_EQ(last[0].FirstBar, c.lastEighthBar);
    }
}

}  // namespace
}  // namespace kovra::testing
