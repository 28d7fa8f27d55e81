// What the defaults call declares, through the real library loaded as the
// platform loads it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "host/runtime/StudyInstance.h"
#include "host/runtime/StudyLibrary.h"

namespace {

using kovra::host::Chart;
using kovra::host::InstanceOptions;
using kovra::host::StudyInstance;
using kovra::host::StudyLibrary;
using kovra::host::TextView;

const StudyLibrary& Library() {
    static const StudyLibrary library(std::getenv("KOVRA_STUDY_LIBRARY"));
    return library;
}

// Values the host's fresh subgraph holds, for settings the study leaves alone.
const StudySubgraph kFresh = kovra::host::DefaultSubgraph();

class DefaultsCall : public ::testing::Test {
protected:
    DefaultsCall() : study(chart, Library().studyFunction(), 3) {
        chart.bars.Append(0, 1, 2, 0.5f, 1.5f);
        study.CallDefaults();
    }
    Chart chart;
    StudyInstance study;
};

TEST_F(DefaultsCall, DeclaresTheStudyName) {
    EXPECT_EQ(TextView(study.record().StudyName), "Kovra Math RT Intraday");
    EXPECT_EQ(TextView(study.record().StudyName), Library().name());
}

// What the study declares is compared with the golden `kovra describe`
// output; here, that it leaves the positions it does not declare alone.
TEST_F(DefaultsCall, LeavesUndeclaredInputsAndSubgraphsAsTheHostGaveThem) {
    for (int undeclared : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 15, 17}) {
        const StudyInput& input = study.inputs()[static_cast<size_t>(undeclared)];
        EXPECT_EQ(input.Name.Length, 0) << undeclared;
        EXPECT_EQ(input.TypeCode, kInputTypeNotDeclared) << undeclared;
    }
    for (int untouched : {16, 17, 22, 31}) {
        const StudySubgraph& s = study.subgraphs()[static_cast<size_t>(untouched)];
        EXPECT_EQ(s.Name.Length, 0) << untouched;
        EXPECT_EQ(s.DrawStyle, kFresh.DrawStyle) << untouched;
        EXPECT_EQ(s.LineWidth, kFresh.LineWidth) << untouched;
    }
}

TEST_F(DefaultsCall, SetsTheHostSettingsOurHostIgnores) {
    const HostStudyInterface& r = study.record();
    EXPECT_EQ(std::vector<int32_t>(r.IgnoredStudySettings, r.IgnoredStudySettings + 6),
              (std::vector<int32_t>{1, 1, 1, 1, 0, 0}));
    EXPECT_EQ(r.IgnoredStudySetting16, 3);
    for (int position : {15, 18, 19, 20, 21}) {
        EXPECT_EQ(study.subgraphs()[static_cast<size_t>(position)].IgnoredDisplayFlagA, 0) << position;
        EXPECT_EQ(study.subgraphs()[static_cast<size_t>(position)].IgnoredDisplayFlagB, 4) << position;
    }
}

TEST_F(DefaultsCall, TouchesNoSeriesPersistentIntegerButtonOrDrawing) {
    for (int32_t subgraph = 0; subgraph < 32; ++subgraph) EXPECT_FALSE(study.SeriesFetched(subgraph)) << subgraph;
    EXPECT_TRUE(study.persistentIntegers().empty());
    for (const ControlBarButton& button : chart.controlBar.buttons()) {
        EXPECT_EQ(button.Label.Length, 0);
        EXPECT_EQ(button.Hover.Length, 0);
        EXPECT_EQ(button.Pushed, 0);
    }
    EXPECT_TRUE(chart.drawings.all().empty());
    EXPECT_EQ(chart.drawings.ClearsOf(3), 0);
    EXPECT_EQ(study.record().RecalculationRequested, 0);
}

TEST_F(DefaultsCall, AppendsTheDescriptionAfterWhatTheHostHolds) {
    Chart otherChart;
    StudyInstance other(otherChart, Library().studyFunction(), 1);
    other.record().TextAssign(&other.record(), &other.record().StudyDescription, "Host text. ");
    other.CallDefaults();
    ASSERT_GT(study.record().StudyDescription.Length, 0);
    EXPECT_EQ(TextView(other.record().StudyDescription),
              std::string("Host text. ") + std::string(TextView(study.record().StudyDescription)));
}

TEST(DefaultsCallOnAHostWithText, SkipsOperationsTheHostDoesNotOffer) {
    Chart chart;
    InstanceOptions options;
    options.offerListItems = false;
    options.offerDescription = false;
    StudyInstance study(chart, Library().studyFunction(), 1, options);
    study.CallDefaults();
    const StudyInput& frameSize = study.inputs()[11];
    EXPECT_EQ(TextView(frameSize.Name), "Frame Size");
    EXPECT_EQ(frameSize.ListItems.Length, 0);
    EXPECT_EQ(frameSize.Description.Length, 0);
    EXPECT_EQ(frameSize.Value, 2.0f);
}

// Hosts that offer fewer entries than the study's positions: the access rule hands
// out the spare or the last element, and the study still runs every bar.
TEST(SmallHosts, StudyRunsToCompletionWithFewerInputsAndSubgraphs) {
    for (const int count : {0, 1, 5, 12, 17}) {
        SCOPED_TRACE(count);
        Chart chart;
        for (int bar = 0; bar < 40; ++bar)
            chart.bars.Append(bar * 60'000'000LL, 100.0f + static_cast<float>(bar % 7),
                              103.0f + static_cast<float>(bar % 5), 98.0f - static_cast<float>(bar % 3), 101.0f);
        InstanceOptions options;
        options.inputCount = count;
        options.subgraphCount = count;
        StudyInstance study(chart, Library().studyFunction(), 1, options);
        study.CallDefaults();
        for (int32_t bar = 0; bar < chart.bars.size(); ++bar) study.CallBar(bar);
        study.CallBar(chart.bars.size() - 1);
        if (count == 0) {
            EXPECT_EQ(study.record().Subgraphs.Count, 0);
        }
    }
}

// An allocation failure on the host affects only the text concerned.
TEST(DefaultsCallUnderAllocationFailure, GoesOnAndLeavesFailedTextsEmpty) {
    Chart chart;
    StudyInstance study(chart, Library().studyFunction(), 1);
    chart.texts.FailAfter(0);
    study.CallDefaults();
    chart.texts.FailAfter(-1);
    EXPECT_EQ(study.record().StudyName.Length, 0);
    EXPECT_EQ(study.inputs()[11].Value, 2.0f);
    EXPECT_EQ(study.subgraphs()[18].LineWidth, 99);
}

}  // namespace
