// The drawings JSON: every request field under its name, null exactly where
// the study left a field "not given", prices that read back to the same float.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstring>
#include <string>

#include "host/outputs/DrawingsJson.h"

namespace {

using kovra::host::BarColumns;
using kovra::host::ChartSession;
using nlohmann::json;

const char* const kRequestFields[] = {"DrawingId",   "DrawingType",   "FirstBar",    "SecondBar",   "FirstPrice",
                                      "SecondPrice", "FirstDateTime", "LineColour",  "FillColour",  "FillTransparency",
                                      "PenWidth",    "PenStyle",      "DrawingText", "FontSize",    "TextAlignment",
                                      "TextOptionA", "TextOptionB",   "TextFlag",    "RequestMode", "TargetChart"};

// On the last bar: clears, writes the frame's persistent integers and levels,
// and submits one text drawing with some fields given.
void OneDrawingStudy(HostStudyInterface& host) {
    if (host.IsDefaultsCall != 0 || host.CurrentBar != host.BarCount - 1) return;
    *host.PersistentInteger(&host, 1) = 10;
    *host.PersistentInteger(&host, 2) = 26;
    *host.PersistentInteger(&host, 3) = host.CurrentBar;
    host.FetchArray(&host, host.Subgraphs.FetchKey);
    for (int32_t subgraph : {2, 10}) {
        HostArray<float>& series = host.Subgraphs.Data[subgraph].Series;
        host.FetchArray(&host, series.FetchKey);
        series.Data[host.CurrentBar] = subgraph == 2 ? 0.1f : 4736.328125f;
    }
    host.ClearStudyDrawings(&host, 0, -1, 0);
    DrawingRequest request;
    request.DrawingId = 77;
    request.DrawingType = 6;
    request.FirstBar = host.CurrentBar;
    request.FirstPrice = 0.1f;
    request.LineColour = 0x00FF0000;
    request.PenWidth = 2;
    host.TextAssign(&host, &request.DrawingText, "8/8th");
    host.SubmitDrawing(&host, &request);
    host.TextAssign(&host, &request.DrawingText, nullptr);
}

bool SameFloat(const json& value, float expected) {
    const float got = static_cast<float>(value.get<double>());
    return std::memcmp(&got, &expected, sizeof got) == 0;
}

TEST(DrawingsJson, NamesEveryFieldAndNullsThoseNotGiven) {
    BarColumns bars;
    for (int i = 0; i < 3; ++i) bars.Append(i, 1, 2, 0, 1);
    kovra::host::SessionOptions options;
    options.studyIdentifier = 4;
    ChartSession session(std::move(bars), &OneDrawingStudy, options);
    session.Start();

    const json document = json::parse(kovra::host::FormatDrawingsJson(session));
    EXPECT_EQ(document["StudyIdentifier"], 4);
    EXPECT_EQ(document["Passes"], 1);
    EXPECT_EQ(document["PersistentIntegers"], (json{{"1", 10}, {"2", 26}, {"3", 2}}));
    EXPECT_EQ(document["LastBar"], 2);
    EXPECT_TRUE(SameFloat(document["LastBarTop"], 0.1f)) << document["LastBarTop"];
    EXPECT_TRUE(SameFloat(document["LastBarBottom"], 4736.328125f));

    ASSERT_EQ(document["Drawings"].size(), 1u);
    const json& drawing = document["Drawings"][0];
    EXPECT_EQ(drawing.size(), std::size(kRequestFields));
    for (const char* field : kRequestFields) EXPECT_TRUE(drawing.contains(field)) << field;
    EXPECT_EQ(drawing["DrawingId"], 77);
    EXPECT_EQ(drawing["DrawingType"], 6);
    EXPECT_EQ(drawing["FirstBar"], 2);
    EXPECT_TRUE(SameFloat(drawing["FirstPrice"], 0.1f)) << drawing["FirstPrice"];
    EXPECT_EQ(drawing["LineColour"], 0x00FF0000);
    EXPECT_EQ(drawing["PenWidth"], 2);
    EXPECT_EQ(drawing["DrawingText"], "8/8th");
    EXPECT_EQ(drawing["TargetChart"], 0) << "TargetChart is always given";
    for (const char* notGiven :
         {"SecondBar", "SecondPrice", "FirstDateTime", "FillColour", "FillTransparency", "PenStyle", "FontSize",
          "TextAlignment", "TextOptionA", "TextOptionB", "TextFlag", "RequestMode"})
        EXPECT_TRUE(drawing[notGiven].is_null()) << notGiven << " = " << drawing[notGiven];
}

TEST(DrawingsJson, AnEmptyChartGivesNullsAndNoDrawings) {
    ChartSession session(BarColumns{}, &OneDrawingStudy);
    session.Start();
    const json document = json::parse(kovra::host::FormatDrawingsJson(session));
    EXPECT_TRUE(document["LastBar"].is_null());
    EXPECT_TRUE(document["LastBarTop"].is_null());
    EXPECT_TRUE(document["LastBarBottom"].is_null());
    EXPECT_TRUE(document["Drawings"].empty());
    EXPECT_EQ(document["Passes"], 0);
}

}  // namespace
