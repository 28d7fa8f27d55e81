// The name and price labels beside the thirteen price lines, as the host
// receives them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "drawing/DrawingSteps.h"
#include "tests/labels/LabelTestSupport.h"

using namespace kovra::drawing;
using namespace kovra::layout;

namespace kovra::testing {
namespace {

constexpr int32_t kStart = 10, kEnd = 74;
constexpr int64_t kEndDateTime = kFirstBarDateTime + kEnd * kMicrosecondsPerMinute;

class PriceLineLabels : public ::testing::Test {
protected:
    void SetUp() override {
        host.AppendBars(100);
        GiveLevelsDistinctColours(host);
    }

    StudySubgraph& settings() { return host.subgraph(kPriceLabelSettings.position); }

    std::vector<Submission> Names(float top = 108, float bottom = 100, int32_t start = kStart, int32_t end = kEnd) {
        host.submissions.clear();
        DrawPriceLabels<PriceLabels::Names>(host.record(), MakeFrameGeometry(top, bottom, start, end));
        return host.submissions;
    }

    std::vector<Submission> Values(float top = 108, float bottom = 100, int32_t start = kStart, int32_t end = kEnd) {
        host.submissions.clear();
        DrawPriceLabels<PriceLabels::Values>(host.record(), MakeFrameGeometry(top, bottom, start, end));
        return host.submissions;
    }

    RecordingHost host;
};

TEST_F(PriceLineLabels, DefaultSettingsNameAtTheStartAndPriceAtTheEnd) {
    ASSERT_EQ(settings().LabelSettings, 0x52303u);
    const std::vector<Submission> names = Names();
    const std::vector<Submission> values = Values();
    ASSERT_EQ(names.size(), 13u);
    ASSERT_EQ(values.size(), 13u);
    EXPECT_EQ(TextsOf(names),
              (std::vector<std::string>{"-2/8th ", "-1/8th ", "0/8th ", "1/8th ", "2/8th ", "3/8th ", "4/8th ",
                                        "5/8th ", "6/8th ", "7/8th ", "8/8th ", "+1/8th ", "+2/8th "}));
    EXPECT_EQ(TextsOf(values),
              (std::vector<std::string>{" 98.00", " 99.00", " 100.00", " 101.00", " 102.00", " 103.00", " 104.00",
                                        " 105.00", " 106.00", " 107.00", " 108.00", " 109.00", " 110.00"}));
    for (int32_t k = -2; k <= 10; ++k) {
        SCOPED_TRACE("k = " + std::to_string(k));
        const DrawingRequest& name = names[static_cast<size_t>(k + 2)].request;
        const DrawingRequest& value = values[static_cast<size_t>(k + 2)].request;
        EXPECT_EQ(name.DrawingId, 10000 + k);
        EXPECT_EQ(value.DrawingId, 20000 + k);
        EXPECT_EQ(name.FirstBar, kStart);
        EXPECT_EQ(value.FirstBar, kNotGivenInteger);
        EXPECT_EQ(name.FirstDateTime, kLeftEdgeMarker);
        EXPECT_EQ(value.FirstDateTime, kEndDateTime);
        EXPECT_EQ(name.TextAlignment, kAlignRight | kAlignMiddle);
        EXPECT_EQ(value.TextAlignment, kAlignLeft | kAlignMiddle);
        for (const DrawingRequest* request : {&name, &value}) {
            EXPECT_EQ(request->DrawingType, kDrawingText);
            EXPECT_EQ(request->RequestMode, kRequestAddOrReplace);
            EXPECT_EQ(request->FirstPrice, 100.0f + static_cast<float>(k));
            EXPECT_EQ(request->TextFlag, 1);
            EXPECT_EQ(request->TextOptionA, 0);
            EXPECT_EQ(request->TextOptionB, 0);
            EXPECT_EQ(request->FontSize, 7);
            EXPECT_EQ(request->LineColour, LevelColourOf(10 - k));  // the line's own level subgraph
            EXPECT_EQ(request->TargetChart, 0);
            EXPECT_EQ(request->SecondBar, kNotGivenInteger);
            EXPECT_EQ(request->SecondPrice, kNotGivenPrice);
            EXPECT_EQ(request->FillColour, kNotGivenColour);
            EXPECT_EQ(request->PenWidth, kNotGivenInteger);
        }
    }
}

struct PlacementRow {
    const char* what;
    bool names;  // false: the values family
    uint32_t word;
    int32_t firstBar;
    int64_t firstDateTime;
    int32_t alignment;
    const char* eightEighthText;  // the label of the 8/8th line
    int32_t textFlag;
};

constexpr int32_t kNo = kNotGivenInteger;
constexpr int64_t kLeftEdge = kLeftEdgeMarker, kRightEdge = kRightEdgeMarker;

const PlacementRow kPlacements[] = {
    {"on bit only: left edge, left, centred", true, 0x1, kNo, kLeftEdge, 4, "8/8th", 0},
    {"0x2 is not read", true, 0x3, kNo, kLeftEdge, 4, "8/8th", 0},
    {"row 2", true, 0x10001, kStart, kLeftEdge, 6, "8/8th ", 0},
    {"row 3", true, 0x81, kStart, kLeftEdge, 4, " 8/8th", 0},
    {"rows 2 and 3: later alignment, both blanks", true, 0x10081, kStart, kLeftEdge, 4, " 8/8th ", 0},
    {"row 4", true, 0x100001, kNo, 0, 4, "8/8th", 0},
    {"row 5", true, 0x21, kNo, kEndDateTime, 4, " 8/8th", 0},
    {"row 6", true, 0x5, kNo, kEndDateTime, 6, "8/8th ", 0},
    {"row 7", true, 0x41, kNo, kRightEdge, 6, "8/8th", 0},
    {"rows 7 and 5: right edge, right, blank in front", true, 0x61, kNo, kRightEdge, 6, " 8/8th", 0},
    {"rows 2 and 5: left, blank on both sides", true, 0x10021, kStart, kEndDateTime, 4, " 8/8th ", 0},
    {"row 5 replaces row 4's date-time", true, 0x100021, kNo, kEndDateTime, 4, " 8/8th", 0},
    {"rows 2, 3, 5 and 6: blanks accumulate", true, 0x100A5, kStart, kEndDateTime, 6, "  8/8th  ", 0},
    {"row 8: bottom", true, 0x9, kNo, kLeftEdge, 8, "8/8th", 0},
    {"row 9: top", true, 0x11, kNo, kLeftEdge, 0, "8/8th", 0},
    {"rows 8 and 9: bottom", true, 0x19, kNo, kLeftEdge, 8, "8/8th", 0},
    {"row 6 with row 8: right bottom", true, 0xD, kNo, kEndDateTime, 10, "8/8th ", 0},
    {"row 10 on", true, 0x40001, kNo, kLeftEdge, 4, "8/8th", 1},
    {"value bits play no part in names", true, 0x2AFD01, kNo, kLeftEdge, 4, "8/8th", 0},
    {"values: on bit only", false, 0x100, kNo, kLeftEdge, 4, "108.00", 1},
    {"values: row 2", false, 0x20100, kStart, kLeftEdge, 6, "108.00 ", 1},
    {"values: row 3", false, 0x8100, kStart, kLeftEdge, 4, " 108.00", 1},
    {"values: row 4", false, 0x200100, kNo, 0, 4, "108.00", 1},
    {"values: row 5", false, 0x2100, kNo, kEndDateTime, 4, " 108.00", 1},
    {"values: row 6", false, 0x500, kNo, kEndDateTime, 6, "108.00 ", 1},
    {"values: rows 7 and 5", false, 0x6100, kNo, kRightEdge, 6, " 108.00", 1},
    {"values: rows 8 and 9", false, 0x1900, kNo, kLeftEdge, 8, "108.00", 1},
    {"values: row 9", false, 0x1100, kNo, kLeftEdge, 0, "108.00", 1},
    {"values: row 10 set gives 0", false, 0x80100, kNo, kLeftEdge, 4, "108.00", 0},
    {"name bits play no part in values", false, 0x1501FD, kNo, kLeftEdge, 4, "108.00", 1},
};

TEST_F(PriceLineLabels, RowsApplyInOrderOnTopOfEachOther) {
    for (const PlacementRow& row : kPlacements) {
        SCOPED_TRACE(row.what);
        settings().LabelSettings = row.word;
        const std::vector<Submission> labels = row.names ? Names() : Values();
        ASSERT_EQ(labels.size(), 13u);
        EXPECT_EQ(labels[10].text, row.eightEighthText);
        for (const Submission& label : labels) {
            EXPECT_EQ(label.request.FirstBar, row.firstBar);
            EXPECT_EQ(label.request.FirstDateTime, row.firstDateTime);
            EXPECT_EQ(label.request.TextAlignment, row.alignment);
            EXPECT_EQ(label.request.TextFlag, row.textFlag);
        }
    }
}

TEST(PriceLineLabelRows, EveryBitOfBothColumnsIsExercised) {
    uint32_t nameBits = 0, valueBits = 0;
    for (const PlacementRow& row : kPlacements) (row.names ? nameBits : valueBits) |= row.word;
    const uint32_t nameColumn = 0x1 | 0x10000 | 0x80 | 0x100000 | 0x20 | 0x4 | 0x40 | 0x8 | 0x10 | 0x40000;
    const uint32_t valueColumn =
        0x100 | 0x20000 | 0x8000 | 0x200000 | 0x2000 | 0x400 | 0x4000 | 0x800 | 0x1000 | 0x80000;
    EXPECT_EQ(nameBits & nameColumn, nameColumn);
    EXPECT_EQ(valueBits & valueColumn, valueColumn);
}

TEST_F(PriceLineLabels, DrawStylesFourAndFiveAndClearOnBitsSuppress) {
    struct Row {
        int16_t drawStyle;
        uint32_t word;
        size_t names, values;
    };
    const Row rows[] = {
        {0, 0x52303, 13, 13}, {3, 0x52303, 13, 13}, {4, 0x52303, 0, 0},  {5, 0x52303, 0, 0},
        {6, 0x52303, 13, 13}, {0, 0x52302, 0, 13},  {0, 0x52203, 13, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("draw style " + std::to_string(row.drawStyle) + ", word " + std::to_string(row.word));
        settings().DrawStyle = row.drawStyle;
        settings().LabelSettings = row.word;
        EXPECT_EQ(Names().size(), row.names);
        EXPECT_EQ(Values().size(), row.values);
    }
}

TEST_F(PriceLineLabels, HiddenLevelSeriesStillGetTheirLabels) {
    for (int32_t position = 0; position < kLevelCount; ++position) host.subgraph(position).DrawStyle = kDrawStyleHidden;
    EXPECT_EQ(Names().size(), 13u);
    EXPECT_EQ(Values().size(), 13u);
}

TEST_F(PriceLineLabels, LabelFlagChoosesOneColourPerFamily) {
    settings().PrimaryColour = 0x000000FF;
    settings().SecondaryColour = 0x0000FF00;
    settings().LabelFlag = 1;
    for (const Submission& name : Names()) EXPECT_EQ(name.request.LineColour, 0x000000FFu);
    for (const Submission& value : Values()) EXPECT_EQ(value.request.LineColour, 0x0000FF00u);

    settings().LabelFlag = 0;
    const std::vector<Submission> names = Names();
    EXPECT_EQ(names.front().request.LineColour, LevelColourOf(12));  // -2/8th series
    EXPECT_EQ(names.back().request.LineColour, LevelColourOf(0));    // +2/8th series
    EXPECT_EQ(Values()[10].request.LineColour, LevelColourOf(2));    // 8/8th series
}

TEST_F(PriceLineLabels, FontSizesAreTruncatedForEveryFloat) {
    struct Row {
        float setting;
        int32_t fontSize;
    };
    const Row rows[] = {
        {9.7f, 9},
        {-0.5f, 0},
        {-3.9f, -3},
        {std::numeric_limits<float>::quiet_NaN(), 0},
        {1e20f, std::numeric_limits<int32_t>::max()},
        {-std::numeric_limits<float>::infinity(), std::numeric_limits<int32_t>::min()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.setting);
        settings().AngleUnit = row.setting;
        settings().AngleMax = 12.0f;
        EXPECT_EQ(Names()[0].request.FontSize, row.fontSize);
        EXPECT_EQ(Values()[0].request.FontSize, 12);
        settings().AngleUnit = 12.0f;
        settings().AngleMax = row.setting;
        EXPECT_EQ(Names()[0].request.FontSize, 12);
        EXPECT_EQ(Values()[0].request.FontSize, row.fontSize);
    }
}

TEST_F(PriceLineLabels, EqualPricesKeepThirteenIdentifiersForAnyStudyIdentifier) {
    // 214749 x 20000 and the extremes wrap past 32 bits.
    for (int32_t study : {1, 214749, std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min()}) {
        SCOPED_TRACE(study);
        host.record().StudyIdentifier = study;
        for (const std::vector<Submission>& family : {Names(104, 104), Values(104, 104)}) {
            ASSERT_EQ(family.size(), 13u);
            const std::vector<int32_t> ids = IdentifiersOf(family);
            for (size_t i = 1; i < ids.size(); ++i)
                EXPECT_EQ(static_cast<uint32_t>(ids[i]) - static_cast<uint32_t>(ids[i - 1]), 1u);
            for (const Submission& label : family) EXPECT_EQ(label.request.FirstPrice, 104.0f);
        }
    }
}

TEST_F(PriceLineLabels, OrderOfPricesAndBarsChangesNothing) {
    settings().LabelSettings = 0x52303 | 0x80 | 0x8000;  // both families anchor at the frame start too
    for (bool names : {true, false}) {
        const std::vector<Submission> ordered = names ? Names(108, 100, kStart, kEnd) : Values(108, 100, kStart, kEnd);
        const std::vector<Submission> swapped = names ? Names(100, 108, kEnd, kStart) : Values(100, 108, kEnd, kStart);
        ASSERT_EQ(ordered.size(), swapped.size());
        for (size_t i = 0; i < ordered.size(); ++i) {
            EXPECT_EQ(swapped[i].text, ordered[i].text);
            EXPECT_EQ(swapped[i].request.FirstPrice, ordered[i].request.FirstPrice);
            EXPECT_EQ(swapped[i].request.FirstBar, ordered[i].request.FirstBar);
            EXPECT_EQ(swapped[i].request.FirstDateTime, ordered[i].request.FirstDateTime);
        }
        EXPECT_EQ(ordered[2].request.FirstPrice, 100.0f);  // k = 0 is the lower price
    }
}

TEST_F(PriceLineLabels, ExtensionLinesAreNamedWithTheirSign) {
    settings().LabelSettings = 0x1;  // no blanks
    const std::vector<Submission> names = Names();
    ASSERT_EQ(names.size(), 13u);
    const struct {
        int32_t k;
        const char* text;
    } rows[] = {{-2, "-2/8th"}, {-1, "-1/8th"}, {9, "+1/8th"}, {10, "+2/8th"}};
    for (const auto& row : rows) EXPECT_EQ(names[static_cast<size_t>(row.k + 2)].text, row.text) << row.k;
}

// Records the arguments the study hands the host's price formatting.
struct FormatCapture {
    static inline std::vector<double> values;
    static inline std::vector<int32_t> formats;
    static inline void (*forward)(HostStudyInterface*, double, int32_t, HostText*) = nullptr;

    static void Capture(HostStudyInterface* host, double value, int32_t format, HostText* out) {
        values.push_back(value);
        formats.push_back(format);
        forward(host, value, format, out);
    }
};

TEST_F(PriceLineLabels, PriceReachesTheHostAsTheWidenedFloat) {
    FormatCapture::values.clear();
    FormatCapture::formats.clear();
    FormatCapture::forward = host.record().FormatValueText;
    host.record().FormatValueText = &FormatCapture::Capture;
    host.record().ValueFormat = 7;
    const std::vector<Submission> values = Values(1.1f, 1.1f);
    ASSERT_EQ(FormatCapture::values.size(), 13u);
    for (size_t i = 0; i < 13; ++i) {
        EXPECT_EQ(FormatCapture::values[i], 1.10000002384185791015625);  // the float nearest 1.1, exactly
        EXPECT_EQ(FormatCapture::formats[i], 7);
        EXPECT_EQ(values[i].text, " 1.1000000");
    }
}

TEST_F(PriceLineLabels, PriceOfEachLineIsTheFloatOfKEighthsAboveTheLow) {
    // k x eighth is rounded to float before the low is added; summing in double
    // and rounding once gives a different float for two of these lines.
    const float low = 0.1f, high = 0.4f;
    const float eighth = (high - low) * 0.125f;
    const std::vector<Submission> names = Names(high, low);
    ASSERT_EQ(names.size(), 13u);
    for (int32_t k = -2; k <= 10; ++k) {
        const float scaled = static_cast<float>(k) * eighth;
        EXPECT_EQ(names[static_cast<size_t>(k + 2)].request.FirstPrice, low + scaled) << k;
    }
}

TEST_F(PriceLineLabels, FrameEndDateTimeIsReadThroughTheArrayAccess) {
    settings().LabelSettings = 0x2100;  // values at the frame end's date-time
    const int64_t lastBar = kFirstBarDateTime + 99 * kMicrosecondsPerMinute;
    EXPECT_EQ(Values(108, 100, 90, 154)[0].request.FirstDateTime, lastBar);
    EXPECT_EQ(Values(108, 100, -20, -4)[0].request.FirstDateTime, kFirstBarDateTime);
}

TEST_F(PriceLineLabels, MissingSettingsSubgraphGivesTheFallbacks) {
    // Same words in another case: not the settings subgraph, so none of its settings count.
    Rename(host, kPriceLabelSettings.position, "Price Line Labelling");
    settings().DrawStyle = kDrawStyleHidden;
    settings().LabelFlag = 1;
    settings().LabelSettings = 0;
    settings().AngleUnit = settings().AngleMax = 20.0f;
    const std::vector<Submission> names = Names();
    const std::vector<Submission> values = Values();
    ASSERT_EQ(names.size(), 13u);
    ASSERT_EQ(values.size(), 13u);
    EXPECT_EQ(names[10].text, "8/8th ");
    EXPECT_EQ(values[10].text, " 108.00");
    for (size_t i = 0; i < 13; ++i) {
        EXPECT_EQ(names[i].request.FirstBar, kStart);
        EXPECT_EQ(names[i].request.FirstDateTime, kLeftEdgeMarker);
        EXPECT_EQ(names[i].request.TextAlignment, kAlignRight | kAlignMiddle);
        EXPECT_EQ(values[i].request.FirstDateTime, kEndDateTime);
        EXPECT_EQ(values[i].request.TextAlignment, kAlignLeft | kAlignMiddle);
        for (const Submission* label : {&names[i], &values[i]}) {
            EXPECT_EQ(label->request.TextFlag, 1);
            EXPECT_EQ(label->request.FontSize, 7);
            EXPECT_EQ(label->request.LineColour, LevelColourOf(12 - static_cast<int32_t>(i)));
        }
    }
}

TEST_F(PriceLineLabels, SuppressedDrawingsStillFormatEveryPrice) {
    FormatCapture::values.clear();
    FormatCapture::forward = host.record().FormatValueText;
    host.record().FormatValueText = &FormatCapture::Capture;
    host.record().DrawingsSuppressed = 1;
    EXPECT_TRUE(Names().empty());
    EXPECT_TRUE(Values().empty());
    EXPECT_EQ(FormatCapture::values.size(), 13u);
}

}  // namespace
}  // namespace kovra::testing
