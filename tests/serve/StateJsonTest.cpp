// The state the live page reads: the embedded sample's bars, series and
// drawings, placed by the same code as the picture.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <regex>
#include <set>

#include "host/render/PictureLimits.h"
#include "host/render/PictureLook.h"
#include "host/serve/StateJson.h"
#include "tests/serve/ServeTestSupport.h"

namespace serve_test {
namespace {

// The study on the sample bars after a full recalculation, with the chart at hand for extra drawings.
struct SampleChart {
    StudyLibrary library{std::getenv("KOVRA_STUDY_LIBRARY")};
    Chart chart;
    std::unique_ptr<StudyInstance> study;

    SampleChart() {
        chart.bars = SampleBars().bars;
        InstanceOptions options;
        options.valueFormat = SampleBars().priceDecimals;
        study = std::make_unique<StudyInstance>(chart, library.studyFunction(), 1, options);
        study->CallDefaults();
        for (int32_t bar = 0; bar < chart.bars.size(); ++bar) study->CallBar(bar);
    }

    void Submit(DrawingRequest request, const std::string& text = {}) {
        request.DrawingText = HostText{const_cast<char*>(text.c_str()), static_cast<int32_t>(text.size()),
                                       static_cast<int32_t>(text.size())};
        chart.drawings.Submit(study->studyIdentifier(), request);
    }
};

TEST(StateJson, EveryDrawingOfTheSampleIsPlacedWithItsBarsAndPricesOrOmittedWithItsReason) {
    SampleChart sample;
    DrawingRequest unknown;
    unknown.DrawingId = 99999;
    unknown.DrawingType = 42;
    sample.Submit(unknown);
    const json state = json::parse(FormatStateJson(*sample.study, {}));

    const auto stored = sample.chart.drawings.DrawingsOf(sample.study->studyIdentifier());
    ASSERT_EQ(state["drawings"].size() + state["omitted"].size(), stored.size());
    std::map<int32_t, const StoredDrawing*> byId;
    for (const StoredDrawing* drawing : stored) byId[drawing->request().DrawingId] = drawing;
    const std::map<int32_t, std::set<std::string>> kindsOfType = {{kDrawingLine, {"line"}},
                                                                  {kDrawingText, {"text"}},
                                                                  {kDrawingRectangle, {"rectangle"}},
                                                                  {kDrawingEllipse, {"ellipse"}}};
    std::set<std::string> kindsSeen;
    for (const json& placed : state["drawings"]) {
        const DrawingRequest request = byId.at(placed["id"].get<int32_t>())->request();
        ASSERT_EQ(placed["type"], request.DrawingType);
        EXPECT_EQ(kindsOfType.at(request.DrawingType).count(placed["kind"].get<std::string>()), 1u) << placed;
        kindsSeen.insert(placed["kind"].get<std::string>());
        const bool shape = request.DrawingType == kDrawingRectangle || request.DrawingType == kDrawingEllipse;
        EXPECT_EQ(placed["layer"], shape ? "beneath" : "above") << "the picture's layers: " << placed;
        EXPECT_EQ(static_cast<float>(placed["firstPrice"].get<double>()), request.FirstPrice) << placed;
        if (placed["kind"] == "text") {
            if (placed["anchor"] == "bar" && request.FirstBar != kNotGivenInteger) {
                EXPECT_EQ(placed["firstBar"], request.FirstBar);
            }
            continue;
        }
        EXPECT_EQ(placed["firstBar"], request.FirstBar);
        EXPECT_EQ(placed["secondBar"], request.SecondBar);
        EXPECT_EQ(static_cast<float>(placed["secondPrice"].get<double>()), request.SecondPrice) << placed;
    }
    EXPECT_EQ(kindsSeen, (std::set<std::string>{"line", "text", "rectangle", "ellipse"}));
    ASSERT_EQ(state["omitted"].size(), 1u) << "the default study draws nothing the page cannot show";
    EXPECT_EQ(state["omitted"][0]["id"], 99999);
    EXPECT_EQ(state["omitted"][0]["reason"], "drawing type 42 not drawn");

    const int32_t bars = SampleBars().bars.size();
    EXPECT_EQ(state["barCount"], bars);
    for (const char* column : {"time", "dateTime", "open", "high", "low", "close"})
        EXPECT_EQ(state["bars"][column].size(), bars);
    EXPECT_EQ(state["bars"]["time"][0], 1710149400) << "2024-03-11 09:30:00 read as UTC";
    EXPECT_EQ(state["bars"]["dateTime"][0], "2024-03-11 09:30:00");
    ASSERT_EQ(state["series"].size(), 13u);
    for (const json& series : state["series"]) {
        // Runs of (value, count) give back every bar's value.
        int32_t bar = 0;
        const json& runs = series["values"];
        for (size_t i = 0; i + 1 < runs.size(); i += 2) {
            const float expected = sample.study->SeriesValue(series["subgraph"], bar);
            if (std::isnan(expected)) {
                EXPECT_TRUE(runs[i].is_null()) << "bar " << bar;
            } else {
                EXPECT_EQ(static_cast<float>(runs[i].get<double>()), expected) << "bar " << bar;
            }
            bar += runs[i + 1].get<int32_t>();
        }
        EXPECT_EQ(bar, bars) << series["name"];
        EXPECT_LT(runs.size(), static_cast<size_t>(bars)) << "levels hold for several bars";
    }
    EXPECT_EQ(state["series"][2]["name"], "8/8th");
    EXPECT_TRUE(state["series"][0]["values"][0].is_null()) << "no value before the first full frame";
    EXPECT_EQ(state["buttons"].size(), 17u);
    EXPECT_EQ(state["buttons"][2]["label"], "16");
    EXPECT_TRUE(state["buttons"][2]["pushed"]);
}

TEST(StateJson, TextsCarryTheirLinesAlignmentAndEdgeAnchor) {
    SampleChart sample;
    DrawingRequest text;
    text.DrawingId = 90001;
    text.DrawingType = kDrawingText;
    text.FirstDateTime = kRightEdgeMarker;
    text.FirstPrice = 4750.5f;
    text.TextAlignment = kAlignCentre | kAlignBottom;  // standing on the price
    text.FontSize = 12;
    text.LineColour = 0x00FF0000;
    sample.Submit(text, "first\r\nsecond");
    const json state = json::parse(FormatStateJson(*sample.study, {}));
    const auto placed = std::find_if(state["drawings"].begin(), state["drawings"].end(),
                                     [](const json& d) { return d["id"] == 90001; });
    ASSERT_NE(placed, state["drawings"].end());
    EXPECT_EQ((*placed)["lines"], json::array({"first", "second"}));
    EXPECT_EQ((*placed)["anchor"], "rightEdge");
    EXPECT_EQ((*placed)["horizontal"], "right") << "an edge-anchored text lies inside the window";
    EXPECT_EQ((*placed)["vertical"], "bottom");
    EXPECT_EQ((*placed)["colour"], "#0000FF");
    EXPECT_DOUBLE_EQ((*placed)["fontPixels"].get<double>(), 16.0);
    EXPECT_EQ((*placed)["halo"]["colour"], "#FFFFFF") << "the chart's background";
    EXPECT_GT((*placed)["halo"]["width"].get<double>(), 0);
}

TEST(StateJson, AnUpdateCarriesBarsFromItsFirstBarAndDrawingsOnlyWhenTheyChanged) {
    SampleChart sample;
    sample.chart.bars.dateTimes.back() += 250'000;  // a quarter second: shown as `kovra run` writes it
    StateHeader header;
    header.version = 7;
    header.barsFrom = SampleBars().bars.size() - 2;
    header.seriesFrom = SampleBars().bars.size() - 1;
    header.withDrawings = false;
    header.withLook = false;
    const json update = json::parse(FormatStateJson(*sample.study, header));
    EXPECT_EQ(update["version"], 7);
    EXPECT_EQ(update["barsFrom"], header.barsFrom);
    EXPECT_EQ(update["seriesFrom"], header.seriesFrom);
    EXPECT_EQ(update["bars"]["close"].size(), 2u);
    EXPECT_EQ(update["bars"]["dateTime"], json::array({"2024-03-15 15:58:00", "2024-03-15 15:59:00.250000"}));
    ASSERT_EQ(update["series"][2]["values"].size(), 2u) << "one run: value and count";
    EXPECT_EQ(static_cast<float>(update["series"][2]["values"][0].get<double>()),
              sample.study->SeriesValue(2, header.seriesFrom));
    EXPECT_EQ(update["series"][2]["values"][1], 1);
    EXPECT_FALSE(update.contains("drawings"));
    EXPECT_EQ(update["buttons"].size(), 17u) << "everything but the bars and drawings comes whole";
}

// The page styles itself with the picture's look: the chart's own
// background, the picture's colours as #RRGGBB and the limits it is held to.
TEST(StateJson, TheWholeStateCarriesThePicturesLook) {
    SampleChart sample;
    sample.chart.backgroundColour = Rgb(0x12, 0x34, 0x56);
    const json look = json::parse(FormatStateJson(*sample.study, {}))["look"];
    EXPECT_EQ(look["colours"]["background"], "#123456");
    EXPECT_EQ(look["colours"]["upCandle"], "#26A65B");
    for (const auto& [name, colour] : look["colours"].items())
        EXPECT_TRUE(std::regex_match(colour.get<std::string>(), std::regex("#[0-9A-F]{6}"))) << name << ": " << colour;
    EXPECT_EQ(look["font"], kChartFontFamily);
    EXPECT_EQ(look["axes"]["timeAxisHeight"], axes::kTimeAxisHeight);
    EXPECT_EQ(look["limits"]["minWidth"], kMinImageWidth);
    EXPECT_EQ(look["limits"]["minHeight"], kMinImageHeight);
    EXPECT_EQ(look["limits"]["maxPixels"], kMaxPicturePixels);
}

}  // namespace
}  // namespace serve_test
