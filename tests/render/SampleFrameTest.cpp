// The embedded sample's last frame as the real study draws it.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>

#include "host/bars/SampleBars.h"
#include "host/runtime/ChartSession.h"
#include "layout/StudyLayout.h"
#include "tests/render/PngProbe.h"
#include "tests/render/RenderTestSupport.h"

namespace render_test {
namespace {

using namespace kovra::layout;
constexpr int32_t kGridLineIds[] = {1800, 1801, 1802, 1803, 1804, 1805, 1806, 1807, 1808, 1809, 1810, 1851, 1852};

std::unique_ptr<ChartSession> SampleSession(const kovra::host::StudySettings& settings = {}) {
    auto session = std::make_unique<ChartSession>(SampleBars().bars, Library().studyFunction());
    session->Start(settings);
    return session;
}

// The bar a text's date-time names, found the slow way.
int32_t BarOfDateTime(const BarColumns& bars, int64_t dateTime) {
    int32_t found = -1;
    for (int32_t bar = 0; bar < bars.size(); ++bar) {
        if (bars.dateTimes[static_cast<size_t>(bar)] <= dateTime) found = bar;
    }
    return found;
}

void ExpectTextAt(const TextPrimitive& text, const DrawingRequest& r, double x, double y) {
    const PixelRect& box = text.box;
    const double sides[] = {box.left, (box.left + box.right) / 2, box.right};
    const double levels[] = {box.top, (box.top + box.bottom) / 2, box.bottom};
    EXPECT_NEAR(sides[r.TextAlignment % 4], x, 1e-9);
    EXPECT_NEAR(levels[r.TextAlignment / 4 % 4], y, 1e-9);
}

TEST(SampleFrame, EveryDrawingOfThePassAppearsOnceWhereItsBarsAndPricesSay) {
    const auto session = SampleSession();
    const StudyInstance& study = session->study();
    const auto drawings = study.chart().drawings.DrawingsOf(study.studyIdentifier());
    ASSERT_GT(drawings.size(), 100u) << "the drawing pass ran on the last bar";
    const DisplayList list = BuildDisplayList(study, {});
    const ChartMapping& map = list.mapping;
    EXPECT_TRUE(list.omitted.empty()) << "the default window shows the whole frame";

    for (const StoredDrawing* stored : drawings) {
        const DrawingRequest r = stored->request();
        SCOPED_TRACE("drawing " + std::to_string(r.DrawingId));
        ASSERT_EQ(PrimitivesOf(list, PrimitiveKind::kDrawing, r.DrawingId).size(), 1u);
        if (r.DrawingType == kDrawingLine) {
            const auto* line = DrawingShape<PolylinePrimitive>(list, r.DrawingId);
            ASSERT_NE(line, nullptr);
            EXPECT_DOUBLE_EQ(line->points[0].x, map.BarToX(r.FirstBar));
            EXPECT_DOUBLE_EQ(line->points[0].y, map.PriceToY(r.FirstPrice));
            EXPECT_DOUBLE_EQ(line->points[1].x, map.BarToX(r.SecondBar));
            EXPECT_DOUBLE_EQ(line->points[1].y, map.PriceToY(r.SecondPrice));
        } else if (r.DrawingType == kDrawingRectangle || r.DrawingType == kDrawingEllipse) {
            const auto* shape = DrawingShape<ShapePrimitive>(list, r.DrawingId);
            ASSERT_NE(shape, nullptr);
            EXPECT_EQ(shape->ellipse, r.DrawingType == kDrawingEllipse);
            EXPECT_DOUBLE_EQ(shape->bounds.left, map.BarToX(std::min(r.FirstBar, r.SecondBar)));
            EXPECT_DOUBLE_EQ(shape->bounds.top, map.PriceToY(std::max(r.FirstPrice, r.SecondPrice)));
        } else {
            ASSERT_EQ(r.DrawingType, 6);
            const auto* text = DrawingShape<TextPrimitive>(list, r.DrawingId);
            ASSERT_NE(text, nullptr);
            const int32_t bar =
                r.FirstBar != kNotGivenInteger ? r.FirstBar : BarOfDateTime(study.chart().bars, r.FirstDateTime);
            ExpectTextAt(*text, r, map.BarToX(bar), map.PriceToY(r.FirstPrice));
        }
    }
}

TEST(SampleFrame, GridLinesSitOnTheirPricesAndTheFrameEndLineOnItsBar) {
    const auto session = SampleSession();
    const StudyInstance& study = session->study();
    const DisplayList list = BuildDisplayList(study, {});
    const ChartMapping& map = list.mapping;
    for (const int32_t id : kGridLineIds) {
        const auto* line = DrawingShape<PolylinePrimitive>(list, id);
        ASSERT_NE(line, nullptr) << id;
        EXPECT_EQ(line->points[0].y, line->points[1].y) << id;
    }
    const int32_t lastBar = study.chart().bars.size() - 1;
    const auto* top = DrawingShape<PolylinePrimitive>(list, 1808);
    ASSERT_NE(top, nullptr);
    EXPECT_NEAR(top->points[0].y, map.PriceToY(study.SeriesValue(2, lastBar)), 0.01) << "on the 8/8th level";

    const int32_t frameEnd = study.PersistentValue(kFrameEndKey);
    const auto* frameEndLine = DrawingShape<PolylinePrimitive>(list, 1908);
    ASSERT_NE(frameEndLine, nullptr);
    EXPECT_DOUBLE_EQ(frameEndLine->points[0].x, map.BarToX(frameEnd));
    EXPECT_LT(frameEndLine->points[0].x, map.plot.right);
    if (frameEnd > lastBar) {
        EXPECT_GT(frameEndLine->points[0].x, map.BarToX(lastBar));
    }
    const auto* frameStartLine = DrawingShape<PolylinePrimitive>(list, 1900);
    ASSERT_NE(frameStartLine, nullptr);
    EXPECT_DOUBLE_EQ(frameStartLine->points[0].x, map.BarToX(study.PersistentValue(kFrameStartKey)));
    EXPECT_GT(frameStartLine->points[0].x, map.plot.left);
}

TEST(SampleFrame, EdgeMarkerLabelsTouchTheWindowEdges) {
    // Names with no placement row: the left edge marker; values with 'Values Scale': the right one.
    const auto session =
        SampleSession({{}, {{"Price line Labelling", "LabelSettings", "0x4101"}}});  // 0x1 | 0x100 | 0x4000
    const DisplayList list = BuildDisplayList(session->study(), {});
    const ChartMapping& map = list.mapping;
    for (int32_t k = -2; k <= 10; ++k) {
        const auto* name = DrawingShape<TextPrimitive>(list, 10000 + k);
        const auto* value = DrawingShape<TextPrimitive>(list, 20000 + k);
        ASSERT_TRUE(name != nullptr && value != nullptr) << k;
        EXPECT_DOUBLE_EQ(name->box.left, map.plot.left) << k;
        EXPECT_DOUBLE_EQ(value->box.right, map.plot.right) << k;
        EXPECT_NEAR((name->box.top + name->box.bottom) / 2, (value->box.top + value->box.bottom) / 2, 1e-9)
            << "level with the same price";
    }
}

TEST(SampleFrame, TheEighthGridLinePaintsInTheEighthLevelColour) {
    const auto session = SampleSession();
    const StudyInstance& study = session->study();
    const DisplayList list = BuildDisplayList(study, {});
    const std::string path = (std::filesystem::temp_directory_path() / "kovra-render-sample.png").string();
    DrawDisplayList(list, path);
    const PngProbe png(path);
    ASSERT_TRUE(png.ok());
    const auto* line = DrawingShape<PolylinePrimitive>(list, 1808);
    ASSERT_NE(line, nullptr);
    const uint32_t levelColour = study.subgraphs()[2].PrimaryColour;
    const int y = static_cast<int>(std::lround(line->points[0].y));
    // Between the frame's eighth lines, where nothing is drawn after the grid line.
    const double eighth = (line->points[1].x - line->points[0].x) / 8;
    for (const double at : {1.5, 3.5, 5.5}) {
        const int x = static_cast<int>(line->points[0].x + at * eighth);
        EXPECT_EQ(png.At(x, y), levelColour) << "at eighth " << at;
        EXPECT_EQ(png.At(x, y - 1), levelColour) << "at eighth " << at;
    }
    std::filesystem::remove(path);
}

TEST(SampleFrame, ChartsWithoutDrawingsOrWithOneBarRender) {
    const auto noGrid = SampleSession({{{"Show Grid", "no"}}, {}});
    const DisplayList list = BuildDisplayList(noGrid->study(), {});
    for (const Primitive& primitive : list.primitives) EXPECT_NE(primitive.kind, PrimitiveKind::kDrawing);
    EXPECT_FALSE(PrimitivesOf(list, PrimitiveKind::kCandle, noGrid->chart().bars.size() - 1).empty());

    BarColumns oneBar;
    oneBar.Append(kFirstBarTime, 100, 101, 99, 100.5f);
    ChartSession single(oneBar, Library().studyFunction());
    single.Start();
    const DisplayList singleList = BuildDisplayList(single.study(), {});
    EXPECT_EQ(PrimitivesOf(singleList, PrimitiveKind::kCandle, 0).size(), 2u);
    const double x = singleList.mapping.BarToX(0);
    EXPECT_GT(x, singleList.mapping.plot.left);
    EXPECT_LT(x, singleList.mapping.plot.right);

    const std::filesystem::path folder = std::filesystem::temp_directory_path();
    const std::pair<const StudyInstance*, const char*> renders[] = {{&noGrid->study(), "kovra-render-nogrid.png"},
                                                                    {&single.study(), "kovra-render-onebar.svg"}};
    for (const auto& [study, name] : renders) {
        const std::string path = (folder / name).string();
        WriteChartImage(*study, {}, path);
        EXPECT_GT(std::filesystem::file_size(path), 1000u) << name;
        std::filesystem::remove(path);
    }
}

}  // namespace
}  // namespace render_test
