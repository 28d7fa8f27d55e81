#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include <fmt/format.h>

#include "host/render/BuildParts.h"
#include "host/render/ChartImage.h"

namespace kovra::host {

namespace {

constexpr double kMinTickPixels = 36;

struct RangeBuilder {
    double low = std::numeric_limits<double>::infinity(), high = -std::numeric_limits<double>::infinity();
    void Add(float price) {
        if (!std::isfinite(price)) return;
        low = std::min(low, static_cast<double>(price));
        high = std::max(high, static_cast<double>(price));
    }
};

// What the window shows sets the price scale: its bars, the level series
// drawn there and the drawings placed in it.
PriceRange PriceRangeOf(const StudyInstance& study, const BarWindow& window,
                        const std::vector<PlacedDrawing>& drawings) {
    RangeBuilder range;
    const BarColumns& bars = study.chart().bars;
    const int32_t first = std::max(window.firstBar, 0), last = std::min(window.lastBar, bars.size() - 1);
    for (int32_t bar = first; bar <= last; ++bar) {
        range.Add(bars.high[static_cast<size_t>(bar)]);
        range.Add(bars.low[static_cast<size_t>(bar)]);
        for (const int32_t subgraph : LevelSeriesSubgraphs()) {
            if (SeriesShown(study, subgraph)) range.Add(study.SeriesValue(subgraph, bar));
        }
    }
    for (const PlacedDrawing& placed : drawings) {
        range.Add(placed.firstPrice);
        range.Add(placed.secondPrice);
    }
    if (!(range.low <= range.high)) return {0, 1};
    return {range.low, range.high};
}

}  // namespace

void CheckImageSize(const ImageOptions& options) {
    if (options.width < kMinImageWidth || options.height < kMinImageHeight || options.width > kMaxImageSide ||
        options.height > kMaxImageSide) {
        throw std::invalid_argument(fmt::format("image size {}x{} is out of range ({}x{} to {}x{})", options.width,
                                                options.height, kMinImageWidth, kMinImageHeight, kMaxImageSide,
                                                kMaxImageSide));
    }
    if (options.window) {
        const int64_t slots = static_cast<int64_t>(options.window->lastBar) - options.window->firstBar + 1;
        if (slots < 1 || slots > kMaxWindowSlots)
            throw std::invalid_argument("a picture shows 1 to 1,000,000 bar slots, not " + std::to_string(slots));
    }
}

void AddPrimitive(DisplayList& list, PrimitiveKind kind, int32_t index, bool clipToPlot,
                  std::variant<PolylinePrimitive, ShapePrimitive, TextPrimitive> shape) {
    list.primitives.push_back(Primitive{kind, index, clipToPlot, std::move(shape)});
}

PolylinePrimitive Segment(PixelPoint from, PixelPoint to, const Stroke& stroke) {
    return PolylinePrimitive{{from, to}, stroke};
}

DisplayList BuildDisplayList(const StudyInstance& study, const ImageOptions& options) {
    CheckImageSize(options);
    const ChartLayout layout = LayoutChart(options.width, options.height);
    const BarWindow window = options.window ? *options.window : ChooseBarWindow(study, options.windowBars);
    DrawingPlacement drawings = PlaceDrawings(study, window);

    DisplayList list;
    list.width = options.width;
    list.height = options.height;
    list.background = ColourOf(study.chart().backgroundColour);
    list.mapping = MapChart(layout.plot, window, PriceRangeOf(study, window, drawings.placed));
    list.omitted = std::move(drawings.omitted);

    const ChartMapping& map = list.mapping;
    const PriceTicks ticks = ChoosePriceTicks(map.priceLow, map.priceHigh,
                                              map.plot.height() / (map.priceHigh - map.priceLow), kMinTickPixels);
    const std::vector<TimeMark> marks =
        ChooseTimeMarks(study.chart().bars.dateTimes, map.firstBar, map.lastBar, map.barSpacing, kMinTimeMarkPixels);

    TextMeasure measure;
    BuildContext context{study, layout, list, measure};
    ShapePrimitive background;
    background.bounds = {0, 0, static_cast<double>(options.width), static_cast<double>(options.height)};
    background.fillColour = list.background;
    background.fillAlpha = 1;
    AddPrimitive(list, PrimitiveKind::kBackground, 0, false, background);
    AddGrid(context, ticks, marks);
    AddDrawings(context, drawings.placed, DrawingLayer::kBeneathBars);
    AddCandles(context);
    AddLevelSeries(context);
    AddDrawings(context, drawings.placed, DrawingLayer::kAboveBars);
    AddAxes(context, ticks, marks);
    AddTitle(context);
    AddControlBar(context);
    return list;
}

}  // namespace kovra::host
