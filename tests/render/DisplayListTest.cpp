// The display list: where the picture puts bars, prices and the study's drawings.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <stdexcept>

#include "tests/render/RenderTestSupport.h"

namespace render_test {
namespace {

constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();

TEST(DisplayList, DefaultWindowShowsTheWholeFrameWithRoomOnBothSides) {
    TestChart test(80);
    test.SetFrame(30, 62);  // 32 bars: half of that before it, an eighth of room after
    const DisplayList list = BuildDisplayList(test.study, {});
    EXPECT_EQ(list.mapping.firstBar, 14);
    EXPECT_EQ(list.mapping.lastBar, 83);  // the last bar (79) is later than the frame end
    const ChartMapping& map = list.mapping;
    // Bar centres sit at half-slot offsets, one slot per bar across the plot.
    EXPECT_DOUBLE_EQ(map.barSpacing, map.plot.width() / 70);
    EXPECT_DOUBLE_EQ(map.BarToX(14), map.plot.left + map.barSpacing / 2);
    EXPECT_DOUBLE_EQ(map.BarToX(83), map.plot.right - map.barSpacing / 2);
    EXPECT_DOUBLE_EQ(map.PriceToY(map.priceHigh), map.plot.top);
    EXPECT_DOUBLE_EQ(map.PriceToY(map.priceLow), map.plot.bottom);
}

TEST(DisplayList, DefaultWindowReachesAFrameEndBeyondTheLastBar) {
    TestChart test(40);
    test.SetFrame(30, 62);
    test.Submit(Line(908, 62, 98, 62, 102));
    const DisplayList list = BuildDisplayList(test.study, {});
    EXPECT_EQ(list.mapping.lastBar, 66);
    const auto* line = DrawingShape<PolylinePrimitive>(list, 908);
    ASSERT_NE(line, nullptr);
    // Extrapolated on the same scale: 23 slots after the last bar's centre.
    const double lastBarX = list.mapping.BarToX(39);
    EXPECT_DOUBLE_EQ(line->points[0].x, lastBarX + 23 * list.mapping.barSpacing);
    EXPECT_LT(line->points[0].x, list.mapping.plot.right);
}

TEST(DisplayList, WindowOfNBarsShowsTheLastBarsAndRoom) {
    TestChart test(200);
    test.SetFrame(150, 182);
    ImageOptions options;
    options.windowBars = 50;
    const DisplayList list = BuildDisplayList(test.study, options);
    EXPECT_EQ(list.mapping.firstBar, 150);
    EXPECT_EQ(list.mapping.lastBar, 199 + 7);
    EXPECT_EQ(PrimitivesOf(list, PrimitiveKind::kCandle, 149).size(), 0u);
    EXPECT_EQ(PrimitivesOf(list, PrimitiveKind::kCandle, 150).size(), 2u);  // wick and body
}

TEST(DisplayList, WithoutAFrameTheLastHundredBarsAreShown) {
    TestChart test(300);
    const DisplayList list = BuildDisplayList(test.study, {});
    EXPECT_EQ(list.mapping.firstBar, 200);
    EXPECT_GE(list.mapping.lastBar, 301);
}

TEST(DisplayList, AChartWithoutBarsStillGetsScaleTitleAndButtons) {
    TestChart test(0);
    const DisplayList list = BuildDisplayList(test.study, {});
    size_t candles = 0, titles = 0, buttons = 0;
    for (const Primitive& primitive : list.primitives) {
        candles += primitive.kind == PrimitiveKind::kCandle;
        titles += primitive.kind == PrimitiveKind::kTitle;
        buttons += primitive.kind == PrimitiveKind::kControlBar && primitive.index == 17;
    }
    EXPECT_EQ(candles, 0u);
    EXPECT_EQ(titles, 1u);
    EXPECT_GT(buttons, 0u);
    EXPECT_LT(list.mapping.priceLow, list.mapping.priceHigh);
}

TEST(DisplayList, LinesAndShapesFollowTheirBarsAndPrices) {
    TestChart test(60);
    test.SetFrame(8, 40);
    DrawingRequest rectangle = Line(12, 30, 104, 10, 106);
    rectangle.DrawingType = kDrawingRectangle;
    DrawingRequest ellipse = Line(13, 20, 95, 28, 97.5f);
    ellipse.DrawingType = kDrawingEllipse;
    test.Submit(Line(1, 10, 99, 30, 101));
    test.Submit(rectangle);
    test.Submit(ellipse);
    const DisplayList list = BuildDisplayList(test.study, {});
    const ChartMapping& map = list.mapping;

    const auto* line = DrawingShape<PolylinePrimitive>(list, 1);
    ASSERT_NE(line, nullptr);
    ASSERT_EQ(line->points.size(), 2u);
    EXPECT_DOUBLE_EQ(line->points[0].x, map.BarToX(10));
    EXPECT_DOUBLE_EQ(line->points[0].y, map.PriceToY(99));
    EXPECT_DOUBLE_EQ(line->points[1].x, map.BarToX(30));
    EXPECT_DOUBLE_EQ(line->points[1].y, map.PriceToY(101));
    EXPECT_GT(line->points[0].y, line->points[1].y) << "a higher price lies higher up";

    const auto* box = DrawingShape<ShapePrimitive>(list, 12);
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->ellipse);
    EXPECT_DOUBLE_EQ(box->bounds.left, map.BarToX(10));
    EXPECT_DOUBLE_EQ(box->bounds.right, map.BarToX(30));
    EXPECT_DOUBLE_EQ(box->bounds.top, map.PriceToY(106));
    EXPECT_DOUBLE_EQ(box->bounds.bottom, map.PriceToY(104));

    const auto* oval = DrawingShape<ShapePrimitive>(list, 13);
    ASSERT_NE(oval, nullptr);
    EXPECT_TRUE(oval->ellipse);
    EXPECT_DOUBLE_EQ(oval->bounds.left, map.BarToX(20));
    EXPECT_DOUBLE_EQ(oval->bounds.bottom, map.PriceToY(95));
    // The drawings' prices widen the price scale beyond the bars.
    EXPECT_GT(map.priceHigh, 106);
    EXPECT_LT(map.priceLow, 95);
}

// Shapes are painted over the grid but beneath the candles and level series,
// so bars read through them; lines and texts above, each layer in the order
// submitted.
// Texts stand on a halo of the chart's background colour.
TEST(DisplayList, ShapesLieBeneathTheBarsAndLinesAndTextsAboveThem) {
    TestChart test(60);
    test.SetFrame(8, 40);
    test.chart.backgroundColour = 0x00102030;
    std::vector<float> values(60, 100.5f);
    test.SetSeries(2, values);
    DrawingRequest rectangle = Line(2, 10, 99, 30, 101);
    rectangle.DrawingType = 12;
    DrawingRequest ellipse = Line(4, 12, 99, 28, 101);
    ellipse.DrawingType = 13;
    DrawingRequest text = Text(5, 100, 0);
    text.FirstBar = 20;
    test.Submit(Line(1, 10, 99, 30, 101));
    test.Submit(rectangle);
    test.Submit(text, "label");
    test.Submit(ellipse);
    const DisplayList list = BuildDisplayList(test.study, {});

    std::vector<int32_t> drawingOrder;
    size_t lastGrid = 0, firstBars = list.primitives.size(), lastBars = 0;
    for (size_t i = 0; i < list.primitives.size(); ++i) {
        const Primitive& primitive = list.primitives[i];
        if (primitive.kind == PrimitiveKind::kDrawing) drawingOrder.push_back(primitive.index);
        const bool grid = primitive.kind == PrimitiveKind::kPriceGrid || primitive.kind == PrimitiveKind::kTimeGrid;
        const bool bars = primitive.kind == PrimitiveKind::kCandle || primitive.kind == PrimitiveKind::kSeries;
        if (grid) lastGrid = i;
        if (bars) firstBars = std::min(firstBars, i), lastBars = i;
    }
    ASSERT_LT(lastGrid, firstBars);
    ASSERT_LT(firstBars, lastBars);
    EXPECT_EQ(drawingOrder, (std::vector<int32_t>{2, 4, 1, 5})) << "shapes, then lines and texts, each as submitted";
    for (size_t i = 0; i < list.primitives.size(); ++i) {
        const Primitive& primitive = list.primitives[i];
        if (primitive.kind != PrimitiveKind::kDrawing) continue;
        const bool shape = std::holds_alternative<ShapePrimitive>(primitive.shape);
        EXPECT_TRUE(shape ? lastGrid < i && i < firstBars : i > lastBars)
            << "drawing " << primitive.index << " at " << i;
    }
    const auto* label = DrawingShape<TextPrimitive>(list, 5);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->halo.colour, 0x00102030u);
    EXPECT_GT(label->halo.width, 0);
}

TEST(DisplayList, PenAndFillFollowTheRequest) {
    struct Row {
        uint32_t fillColour;
        int32_t transparency;
        double alpha;
    };
    const Row rows[] = {
        {0x00123456, 0, 1.0},      {0x00123456, 30, 0.7},
        {0x00123456, 100, 0.0},    {0x00123456, kNotGivenInteger, 1.0},  // no transparency given: solid
        {kNotGivenColour, 0, 0.0},                                       // no fill colour: hollow
        {0x00123456, 250, 0.0},                                          // beyond 100: hollow
    };
    TestChart test(60);
    test.SetFrame(8, 40);
    int32_t id = 0;
    for (const Row& row : rows) {
        DrawingRequest ellipse = Line(++id, 20, 98, 24, 99);
        ellipse.DrawingType = kDrawingEllipse;
        ellipse.FillColour = row.fillColour;
        ellipse.FillTransparency = row.transparency;
        test.Submit(ellipse);
    }
    DrawingRequest hairline = Line(++id, 10, 100, 20, 100);
    hairline.PenWidth = 0;
    hairline.PenStyle = kLineStyleDashDot;
    test.Submit(hairline);
    DrawingRequest borderless = Line(++id, 10, 100, 20, 101);
    borderless.DrawingType = kDrawingRectangle;
    borderless.LineColour = kNotGivenColour;
    test.Submit(borderless);

    const DisplayList list = BuildDisplayList(test.study, {});
    for (int32_t i = 0; i < static_cast<int32_t>(std::size(rows)); ++i) {
        const auto* shape = DrawingShape<ShapePrimitive>(list, i + 1);
        ASSERT_NE(shape, nullptr);
        EXPECT_NEAR(shape->fillAlpha, rows[i].alpha, 1e-12) << "row " << i;
        if (rows[i].alpha > 0) {
            EXPECT_EQ(shape->fillColour, 0x00123456u);
        }
        EXPECT_TRUE(shape->hasBorder);
        EXPECT_EQ(shape->border.colour, 0x00000080u);
    }
    const auto* line = DrawingShape<PolylinePrimitive>(list, id - 1);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->stroke.width, 1) << "a pen of width 0 draws one pixel wide";
    EXPECT_EQ(line->stroke.style, PenStyle::kDashDot);
    const auto* rectangle = DrawingShape<ShapePrimitive>(list, id);
    ASSERT_NE(rectangle, nullptr);
    EXPECT_FALSE(rectangle->hasBorder);
}

TEST(DisplayList, TextAlignmentPutsTheAnchorOnTheNamedSide) {
    TestChart test(60);
    test.SetFrame(8, 40);
    const int32_t alignments[] = {0, 1, 2, 4, 5, 6, 8, 9, 10};
    for (const int32_t alignment : alignments) {
        DrawingRequest text = Text(100 + alignment, 100, alignment);
        text.FirstBar = 25;
        test.Submit(text, "8/8th");
    }
    const DisplayList list = BuildDisplayList(test.study, {});
    const double x = list.mapping.BarToX(25), y = list.mapping.PriceToY(100);
    for (const int32_t alignment : alignments) {
        SCOPED_TRACE("alignment " + std::to_string(alignment));
        const auto* text = DrawingShape<TextPrimitive>(list, 100 + alignment);
        ASSERT_NE(text, nullptr);
        const PixelRect& box = text->box;
        EXPECT_GT(box.width(), 10);
        EXPECT_GT(box.height(), 5);
        const double anchorSide[] = {box.left, (box.left + box.right) / 2, box.right};
        EXPECT_NEAR(anchorSide[alignment % 4], x, 1e-9);
        const double anchorLevel[] = {box.top, (box.top + box.bottom) / 2, box.bottom};
        EXPECT_NEAR(anchorLevel[alignment / 4], y, 1e-9);
        EXPECT_NEAR(text->fontPixels, 9 * 96.0 / 72, 1e-12);
        EXPECT_EQ(text->colour, 0x00336699u);
    }
}

TEST(DisplayList, MultiLineTextsStackTheirLines) {
    TestChart test(60);
    test.SetFrame(8, 40);
    DrawingRequest date = Text(7, 100, 1);  // centred, hanging from its price
    date.FirstBar = 20;
    test.Submit(date, "3/15\n9:30");
    const DisplayList list = BuildDisplayList(test.study, {});
    const auto* text = DrawingShape<TextPrimitive>(list, 7);
    ASSERT_NE(text, nullptr);
    ASSERT_EQ(text->lines, (std::vector<std::string>{"3/15", "9:30"}));
    ASSERT_EQ(text->baselines.size(), 2u);
    const double lineHeight = text->baselines[1].y - text->baselines[0].y;
    EXPECT_GT(lineHeight, 5);
    EXPECT_NEAR(text->box.height(), 2 * lineHeight, 1e-9);
    EXPECT_GT(text->baselines[0].y, text->box.top);
    EXPECT_LT(text->baselines[1].y, text->box.bottom);
}

TEST(DisplayList, TextsAnchorAtTheirBarDateTimeOrEdge) {
    struct Row {
        const char* what;
        int32_t firstBar;
        int64_t firstDateTime;
        int32_t alignment;
        int32_t expectedBar;  // -1: left edge, -2: right edge
    };
    const Row rows[] = {
        {"bar", 20, kNotGivenInteger, 0, 20},
        {"date-time of a bar", kNotGivenInteger, kFirstBarTime + 25 * kMinute, 0, 25},
        {"date-time between bars", kNotGivenInteger, kFirstBarTime + 25 * kMinute + 30 * kMicrosecondsPerSecond, 0, 25},
        {"date-time after the last bar", kNotGivenInteger, kFirstBarTime + 500 * kMinute, 0, 59},
        {"bar given with the left edge marker", 20, kLeftEdgeMarker, 2, 20},
        {"left edge marker", kNotGivenInteger, kLeftEdgeMarker, 2, -1},
        {"right edge marker", kNotGivenInteger, kRightEdgeMarker, 0, -2},
    };
    TestChart test(60);
    test.SetFrame(8, 40);
    for (int32_t i = 0; i < static_cast<int32_t>(std::size(rows)); ++i) {
        DrawingRequest text = Text(i, 101, rows[i].alignment + 4);
        text.FirstBar = rows[i].firstBar;
        text.FirstDateTime = rows[i].firstDateTime;
        test.Submit(text, " 101.00 ");
    }
    const DisplayList list = BuildDisplayList(test.study, {});
    const ChartMapping& map = list.mapping;
    EXPECT_TRUE(list.omitted.empty());
    for (int32_t i = 0; i < static_cast<int32_t>(std::size(rows)); ++i) {
        SCOPED_TRACE(rows[i].what);
        const auto* text = DrawingShape<TextPrimitive>(list, i);
        ASSERT_NE(text, nullptr);
        EXPECT_NEAR((text->box.top + text->box.bottom) / 2, map.PriceToY(101), 1e-9);
        if (rows[i].expectedBar == -1) {
            EXPECT_DOUBLE_EQ(text->box.left, map.plot.left);
        } else if (rows[i].expectedBar == -2) {
            EXPECT_DOUBLE_EQ(text->box.right, map.plot.right);
        } else {
            const double side = rows[i].alignment == 2 ? text->box.right : text->box.left;
            EXPECT_DOUBLE_EQ(side, map.BarToX(rows[i].expectedBar));
        }
    }
}

TEST(DisplayList, EveryDrawingIsShownOnceOrReportedOutside) {
    TestChart test(100);
    ImageOptions options;
    options.windowBars = 40;  // bars 60 .. 99 and room up to 104
    DrawingRequest early = Text(4, 100, 0);
    early.FirstDateTime = kFirstBarTime - kMinute;
    DrawingRequest noSecondPrice = Line(5, 70, 100, 80, kNotGivenPrice);
    DrawingRequest unknownType = Line(6, 70, 100, 80, 100);
    unknownType.DrawingType = 3;
    DrawingRequest text = Text(7, 100, 0);
    text.FirstBar = 10;
    test.Submit(Line(1, 0, 100, 5, 100));      // before the window
    test.Submit(Line(2, 50, 100, 70, 101));    // reaches into it
    test.Submit(Line(3, 104, 100, 120, 101));  // starts in the room on the right
    test.Submit(early, "too early");
    test.Submit(noSecondPrice);
    test.Submit(unknownType);
    test.Submit(text, "at bar 10");
    test.Submit(Line(8, 105, 100, 120, 101));  // after the window
    const DisplayList list = BuildDisplayList(test.study, options);

    std::set<int32_t> omitted;
    for (const OmittedDrawing& drawing : list.omitted) {
        EXPECT_FALSE(drawing.reason.empty());
        EXPECT_TRUE(omitted.insert(drawing.drawingId).second) << "reported twice: " << drawing.drawingId;
    }
    EXPECT_EQ(omitted, (std::set<int32_t>{1, 4, 5, 6, 7, 8}));
    for (int32_t id = 1; id <= 8; ++id) {
        EXPECT_EQ(PrimitivesOf(list, PrimitiveKind::kDrawing, id).size(), omitted.count(id) ? 0u : 1u) << id;
    }
}

TEST(DisplayList, LevelSeriesFollowTheirDrawStyles) {
    TestChart test(40);
    test.SetFrame(8, 24);
    std::vector<float> values(40, kNoValue);
    for (int32_t bar = 10; bar < 20; ++bar) values[static_cast<size_t>(bar)] = bar < 15 ? 101.0f : 102.0f;
    values[17] = kNoValue;
    const int16_t styles[] = {0, 3, 4, 5};  // subgraphs 2, 3, 4, 5
    for (int32_t i = 0; i < 4; ++i) {
        test.study.subgraphs()[static_cast<size_t>(2 + i)].DrawStyle = styles[i];
        test.SetSeries(2 + i, values);
    }
    test.study.subgraphs()[3].LineWidth = 99;
    const DisplayList list = BuildDisplayList(test.study, {});
    const ChartMapping& map = list.mapping;

    // Style 0: one line through bars 10 .. 16, another through 18 .. 19.
    const auto lines = PrimitivesOf(list, PrimitiveKind::kSeries, 2);
    ASSERT_EQ(lines.size(), 2u);
    const auto& first = std::get<PolylinePrimitive>(lines[0]->shape);
    ASSERT_EQ(first.points.size(), 7u);
    EXPECT_DOUBLE_EQ(first.points[0].x, map.BarToX(10));
    EXPECT_DOUBLE_EQ(first.points[4].y, map.PriceToY(101));
    EXPECT_DOUBLE_EQ(first.points[5].y, map.PriceToY(102));
    EXPECT_EQ(first.stroke.colour, 0x00FF0000u);
    EXPECT_EQ(std::get<PolylinePrimitive>(lines[1]->shape).points.size(), 2u);

    // Style 3: a level dash per bar with a value, centred on its bar, narrower than the bar.
    const auto dashes = PrimitivesOf(list, PrimitiveKind::kSeries, 3);
    ASSERT_EQ(dashes.size(), 9u);
    std::set<int32_t> dashedBars;
    for (const Primitive* primitive : dashes) {
        const auto& dash = std::get<PolylinePrimitive>(primitive->shape);
        ASSERT_EQ(dash.points.size(), 2u);
        EXPECT_EQ(dash.points[0].y, dash.points[1].y);
        const double centre = (dash.points[0].x + dash.points[1].x) / 2;
        const double length = dash.points[1].x - dash.points[0].x;
        EXPECT_GT(length, 0);
        EXPECT_LT(length, map.barSpacing);
        dashedBars.insert(static_cast<int32_t>(std::lround((centre - map.plot.left) / map.barSpacing - 0.5)) +
                          map.firstBar);
        EXPECT_LE(dash.stroke.width, 10) << "an absurd line width is clamped";
    }
    EXPECT_EQ(dashedBars, (std::set<int32_t>{10, 11, 12, 13, 14, 15, 16, 18, 19}));

    EXPECT_TRUE(PrimitivesOf(list, PrimitiveKind::kSeries, 4).empty()) << "style 4 is hidden";
    EXPECT_TRUE(PrimitivesOf(list, PrimitiveKind::kSeries, 5).empty()) << "style 5 is not drawn";
}

TEST(DisplayList, TitleNamesTheStudyAndTheInputsInForce) {
    TestChart test(30);
    test.study.SetInputValue(11, 4);  // Frame Size 64
    test.study.SetInputValue(14, 0);  // Show Grid no
    const DisplayList list = BuildDisplayList(test.study, {});
    const auto titles = PrimitivesOf(list, PrimitiveKind::kTitle, 0);
    ASSERT_EQ(titles.size(), 1u);
    EXPECT_EQ(std::get<TextPrimitive>(titles[0]->shape).lines.front(),
              "Kovra Math RT Intraday \u2014 Frame Algorithm: Optimized, Frame Size: 64, Prior Frame Inclusion: 0%, "
              "Price Extremes: HL, Show Grid: No, Show Frame History: Yes");
}

TEST(DisplayList, ControlBarShowsSeventeenButtonsWithLabelsAndPushedState) {
    TestChart test(30);
    auto& buttons = test.chart.controlBar.buttons();
    AssignText(test.chart.texts, buttons[3].Label, "16");
    buttons[3].Pushed = 1;
    AssignText(test.chart.texts, buttons[4].Label, "32");
    AssignText(test.chart.texts, buttons[18].Label, "not shown");
    const DisplayList list = BuildDisplayList(test.study, {});

    const auto labelOf = [&](int32_t number) {
        for (const Primitive* primitive : PrimitivesOf(list, PrimitiveKind::kControlBar, number)) {
            if (const auto* text = std::get_if<TextPrimitive>(&primitive->shape)) return text->lines.front();
        }
        return std::string("(none)");
    };
    const auto faceOf = [&](int32_t number) {
        return std::get<ShapePrimitive>(PrimitivesOf(list, PrimitiveKind::kControlBar, number).front()->shape);
    };
    EXPECT_EQ(labelOf(3), "16");
    EXPECT_EQ(labelOf(4), "32");
    EXPECT_EQ(labelOf(5), "5") << "a button without a label shows its number";
    EXPECT_EQ(labelOf(17), "17");
    EXPECT_EQ(labelOf(18), "(none)");
    EXPECT_NE(faceOf(3).fillColour, faceOf(4).fillColour);
    EXPECT_EQ(faceOf(4).fillColour, faceOf(5).fillColour);
    EXPECT_LT(faceOf(3).bounds.right, faceOf(4).bounds.left) << "buttons side by side, 3 before 4";
}

TEST(DisplayList, RejectsAnImageSizeOutOfRange) {
    TestChart test(10);
    for (const auto& [width, height] : {std::pair{199, 900}, {1600, 149}, {16001, 900}, {0, 0}}) {
        ImageOptions options;
        options.width = width;
        options.height = height;
        EXPECT_THROW(BuildDisplayList(test.study, options), std::invalid_argument) << width << "x" << height;
    }
}

}  // namespace
}  // namespace render_test
