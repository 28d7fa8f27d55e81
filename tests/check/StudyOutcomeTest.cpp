// Outcomes compared bit for bit, the first difference told with its bar and
// value, and an outcome handed between processes unchanged.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>

#include "host/check/StudyOutcome.h"

namespace {

using kovra::host::FirstDifference;
using kovra::host::StudyOutcome;

StudyOutcome Sample() {
    StudyOutcome outcome;
    outcome.series = {{1.5f, 2.5f, std::numeric_limits<float>::quiet_NaN()}, {}, {-0.0f, 4.0f, 5.0f}};
    outcome.persistent = {{1, 10}, {3, -1}};
    DrawingRequest line;
    line.DrawingId = 7;
    line.DrawingType = kDrawingLine;
    line.FirstBar = 2;
    line.FirstPrice = 101.25f;
    line.Reserved[5] = 9;  // kept and handed on like every other byte
    outcome.drawings.push_back({1, line, "4/8"});
    return outcome;
}

struct Change {
    const char* name;
    void (*apply)(StudyOutcome&);
    unsigned parts;
    std::string what;  // empty: no difference in those parts
    std::optional<int64_t> bar;
};

TEST(StudyOutcome, TellsTheFirstDifferenceInThePartsAskedFor) {
    const Change changes[] = {
        {"signed zero", [](StudyOutcome& o) { o.series[2][0] = 0.0f; }, kovra::host::kSeriesPart,
         "subgraph 2 at bar 0 is 0 (-0 alone)", 0},
        {"NaN payload", [](StudyOutcome& o) { o.series[0][2] = std::bit_cast<float>(0x7FC00001u); },
         kovra::host::kSeriesPart, "subgraph 0 at bar 2 is nan (bits 0x7FC00001) (nan (bits 0x7FC00000) alone)", 2},
        {"written series",
         [](StudyOutcome& o) {
             o.series[1] = {1, 2, 3};
         },
         kovra::host::kSeriesPart, "subgraph 1 is written (it is never written alone)", std::nullopt},
        {"persistent", [](StudyOutcome& o) { o.persistent[2] = 5; }, kovra::host::kPersistentPart,
         "persistent integer 2 is 5 (0 alone)", std::nullopt},
        {"persistent not asked", [](StudyOutcome& o) { o.persistent[2] = 5; }, kovra::host::kSeriesPart, "",
         std::nullopt},
        {"drawing price",
         [](StudyOutcome& o) {
             DrawingRequest moved = o.drawings[0].request();
             moved.FirstPrice = 101.5f;
             o.drawings[0] = {1, moved, "4/8"};
         },
         kovra::host::kDrawingsPart, "drawing 1 (id 7) has first price 101.5 (101.25 alone)", 2},
        {"drawing text", [](StudyOutcome& o) { o.drawings[0].text = "5/8"; }, kovra::host::kDrawingsPart,
         "drawing 1 (id 7) has text \"5/8\" (\"4/8\" alone)", 2},
        {"drawing gone", [](StudyOutcome& o) { o.drawings.clear(); }, kovra::host::kDrawingsPart,
         "0 drawings in force (1 alone)", std::nullopt},
    };
    const StudyOutcome expected = Sample();
    EXPECT_FALSE(FirstDifference(expected, Sample(), kovra::host::kEveryPart, "alone"));
    for (const Change& change : changes) {
        StudyOutcome found = Sample();
        change.apply(found);
        const auto difference = FirstDifference(found, expected, change.parts, "alone");
        if (change.what.empty()) {
            EXPECT_FALSE(difference) << change.name;
            continue;
        }
        ASSERT_TRUE(difference) << change.name;
        EXPECT_EQ(difference->what, change.what) << change.name;
        EXPECT_EQ(difference->bar, change.bar) << change.name;
    }
}

TEST(StudyOutcome, CrossesBetweenProcessesUnchanged) {
    const StudyOutcome sent = Sample();
    const StudyOutcome received = kovra::host::ParseOutcome(kovra::host::SerialiseOutcome(sent));
    EXPECT_FALSE(FirstDifference(received, sent, kovra::host::kEveryPart, "sent"));
    EXPECT_EQ(received.drawings.at(0).studyIdentifier, 1);
    EXPECT_THROW(kovra::host::ParseOutcome(kovra::host::SerialiseOutcome(sent).substr(0, 20)), std::runtime_error);
}

}  // namespace
