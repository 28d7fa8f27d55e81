// Painted pictures: pixels where the display list says, the three formats,
// and files written whole or not at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "tests/render/PngProbe.h"
#include "tests/render/RenderTestSupport.h"

namespace render_test {
namespace {

namespace fs = std::filesystem;

class ImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("kovra-render-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }
    std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }
    std::vector<std::string> FilesInFolder() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_)) names.push_back(entry.path().filename().string());
        return names;
    }

    fs::path folder_;
};

DrawingRequest Ellipse(int32_t id, int32_t transparency) {
    // Above the bars (which stay below 104), clear of candles.
    DrawingRequest r = Line(id, 16, 112, 30, 108);
    r.DrawingType = 13;
    r.LineColour = 0x00000000;
    r.FillColour = 0x0000A5FF;  // orange
    r.FillTransparency = transparency;
    return r;
}

TEST_F(ImageTest, AGridLineCarriesItsColourAtItsPixels) {
    TestChart test(60);
    test.SetFrame(8, 40);
    DrawingRequest grid = Line(1808, 8, 103.5f, 40, 103.5f);
    grid.LineColour = 0x00FF0000;
    grid.PenWidth = 2;
    test.Submit(grid);
    const DisplayList list = BuildDisplayList(test.study, {});
    DrawDisplayList(list, PathOf("chart.png"));
    const PngProbe png(PathOf("chart.png"));
    ASSERT_TRUE(png.ok());
    ASSERT_EQ(png.width(), 1600);
    ASSERT_EQ(png.height(), 900);
    const int y = static_cast<int>(std::lround(list.mapping.PriceToY(103.5)));
    for (const int32_t bar : {9, 20, 33, 39}) {
        const int x = static_cast<int>(list.mapping.BarToX(bar));
        EXPECT_EQ(png.At(x, y), 0x00FF0000u) << "bar " << bar;
        EXPECT_EQ(png.At(x, y - 1), 0x00FF0000u) << "bar " << bar << ": two pixels wide";
    }
    // Beyond its last bar the line stops.
    EXPECT_NE(png.At(static_cast<int>(list.mapping.BarToX(45)), y), 0x00FF0000u);
}

TEST_F(ImageTest, FillTransparencyRunsFromOpaqueToHollow) {
    TestChart bare(60), solid(60), half(60), hollow(60);
    for (TestChart* test : {&bare, &solid, &half, &hollow}) test->SetFrame(8, 40);
    // Two empty texts give the bare chart the ellipse's price range, so all four share one scale.
    for (const float price : {108.0f, 112.0f}) {
        DrawingRequest text = Text(static_cast<int32_t>(price), price, 0);
        text.FirstBar = 16;
        bare.Submit(text);
    }
    solid.Submit(Ellipse(1, 0));
    half.Submit(Ellipse(1, 50));
    hollow.Submit(Ellipse(1, 100));
    const DisplayList list = BuildDisplayList(bare.study, {});
    DrawDisplayList(list, PathOf("bare.png"));
    WriteChartImage(solid.study, {}, PathOf("solid.png"));
    WriteChartImage(half.study, {}, PathOf("half.png"));
    WriteChartImage(hollow.study, {}, PathOf("hollow.png"));
    const PngProbe bareImage(PathOf("bare.png")), solidImage(PathOf("solid.png")), halfImage(PathOf("half.png")),
        hollowImage(PathOf("hollow.png"));
    ASSERT_TRUE(bareImage.ok() && solidImage.ok() && halfImage.ok() && hollowImage.ok());

    const ChartMapping& map = list.mapping;
    const double centreX = map.BarToX(23), centreY = map.PriceToY(110);
    const double halfWidth = (map.BarToX(30) - map.BarToX(16)) / 2,
                 halfHeight = (map.PriceToY(108) - map.PriceToY(112)) / 2;
    int inside = 0;
    for (int y = static_cast<int>(centreY - halfHeight); y <= static_cast<int>(centreY + halfHeight); ++y) {
        for (int x = static_cast<int>(centreX - halfWidth); x <= static_cast<int>(centreX + halfWidth); ++x) {
            const double u = (x + 0.5 - centreX) / halfWidth, v = (y + 0.5 - centreY) / halfHeight;
            if (u * u + v * v > 0.8) continue;  // well inside the border
            ++inside;
            ASSERT_EQ(hollowImage.At(x, y), bareImage.At(x, y)) << x << "," << y;
            ASSERT_EQ(solidImage.At(x, y), 0x0000A5FFu) << x << "," << y;
        }
    }
    EXPECT_GT(inside, 1000);
    // Half transparent: each channel halfway between what lies below and the fill.
    const int x = static_cast<int>(centreX), y = static_cast<int>(centreY);
    const uint32_t below = bareImage.At(x, y), blended = halfImage.At(x, y);
    for (const int shift : {0, 8, 16}) {
        const int expected =
            (static_cast<int>(below >> shift & 0xFF) + static_cast<int>(0x0000A5FFu >> shift & 0xFF)) / 2;
        EXPECT_NEAR(static_cast<int>(blended >> shift & 0xFF), expected, 2) << "channel at bit " << shift;
    }
}

// The longest run of pixels along row `y` in the line's colour, and whether any gap lies between x0 and x1.
struct RowRuns {
    int longest = 0;
    int gaps = 0;
};
RowRuns RunsAlong(const PngProbe& png, int y, int x0, int x1, uint32_t colour) {
    RowRuns runs;
    int current = 0;
    for (int x = x0; x <= x1; ++x) {
        if (png.At(x, y) == colour) {
            runs.longest = std::max(runs.longest, ++current);
        } else {
            if (current > 0) ++runs.gaps;
            current = 0;
        }
    }
    return runs;
}

TEST_F(ImageTest, PenStylesDrawTheirDashes) {
    TestChart test(60);
    test.SetFrame(8, 40);
    for (int16_t style = 0; style <= 4; ++style) {
        DrawingRequest line = Line(style, 10, 105.0f + style, 40, 105.0f + style);
        line.PenStyle = style;
        test.Submit(line);
    }
    const DisplayList list = BuildDisplayList(test.study, {});
    DrawDisplayList(list, PathOf("pens.png"));
    const PngProbe png(PathOf("pens.png"));
    ASSERT_TRUE(png.ok());
    RowRuns runs[5];
    for (int style = 0; style <= 4; ++style) {
        const auto* line = DrawingShape<PolylinePrimitive>(list, style);
        ASSERT_NE(line, nullptr);
        const int y = static_cast<int>(std::floor(line->points[0].y));
        runs[style] = RunsAlong(png, y, static_cast<int>(line->points[0].x) + 2,
                                static_cast<int>(line->points[1].x) - 2, 0x00000080);
    }
    EXPECT_EQ(runs[0].gaps, 0) << "solid";
    EXPECT_GT(runs[0].longest, 500);
    for (int style = 1; style <= 4; ++style) EXPECT_GT(runs[style].gaps, 50) << "style " << style;
    EXPECT_GE(runs[1].longest, 5) << "dashes are long";
    EXPECT_LE(runs[2].longest, 2) << "dots are short";
    EXPECT_GE(runs[3].longest, 5) << "dash-dot has dashes";
    EXPECT_GE(runs[4].longest, 5) << "dash-dot-dot has dashes";
}

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_F(ImageTest, ExtensionChoosesTheFormat) {
    TestChart test(30);
    DrawingRequest text = Text(1, 100, 0);
    text.FirstBar = 5;
    test.Submit(text, "8/8th");
    WriteChartImage(test.study, {}, PathOf("chart.svg"));
    WriteChartImage(test.study, {}, PathOf("chart.PDF"));
    WriteChartImage(test.study, {}, PathOf("chart.Png"));
    const std::string svg = Contents(PathOf("chart.svg"));
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("width=\"1600"), std::string::npos);
    EXPECT_EQ(Contents(PathOf("chart.PDF")).rfind("%PDF-", 0), 0u);
    EXPECT_EQ(Contents(PathOf("chart.Png")).rfind("\x89PNG", 0), 0u);
    std::vector<std::string> files = FilesInFolder();
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"chart.PDF", "chart.Png", "chart.svg"})) << "no temporary file left";
}

TEST_F(ImageTest, UnknownFormatOrUnwritablePlaceFailsWithoutAFile) {
    TestChart test(30);
    for (const char* name : {"chart.jpg", "chart", "chart.png.txt", "png"}) {
        try {
            WriteChartImage(test.study, {}, PathOf(name));
            ADD_FAILURE() << name << " was accepted";
        } catch (const std::invalid_argument& error) {
            EXPECT_NE(std::string(error.what()).find(".png, .svg or .pdf"), std::string::npos) << error.what();
        }
    }
    EXPECT_THROW(WriteChartImage(test.study, {}, PathOf("missing/chart.png")), std::runtime_error);
    EXPECT_TRUE(FilesInFolder().empty());
}

TEST_F(ImageTest, AnExistingFileIsReplacedWhole) {
    TestChart test(30);
    std::ofstream(PathOf("chart.png")) << "old contents";
    WriteChartImage(test.study, {}, PathOf("chart.png"));
    EXPECT_TRUE(PngProbe(PathOf("chart.png")).ok());
}

}  // namespace
}  // namespace render_test
