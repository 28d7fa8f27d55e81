#include <algorithm>

#include "host/render/BuildParts.h"

namespace kovra::host {

TextPrimitive LayoutText(TextMeasure& measure, std::string_view text, PixelPoint anchor, HorizontalAlign horizontal,
                         VerticalAlign vertical, const TextStyle& style) {
    return LayoutText(measure, SplitTextLines(text), anchor, horizontal, vertical, style);
}

TextPrimitive LayoutText(TextMeasure& measure, std::vector<std::string> lines, PixelPoint anchor,
                         HorizontalAlign horizontal, VerticalAlign vertical, const TextStyle& style) {
    TextPrimitive laid;
    laid.colour = style.colour;
    laid.fontPixels = style.pixels;
    laid.bold = style.bold;
    laid.lines = std::move(lines);
    if (laid.lines.empty()) laid.lines.emplace_back();
    double width = 0;
    TextMetrics metrics{};
    std::vector<double> advances;
    for (const std::string& line : laid.lines) {
        metrics = measure.Measure(line, style.pixels, style.bold);
        advances.push_back(metrics.advance);
        width = std::max(width, metrics.advance);
    }
    const double height = metrics.lineHeight * static_cast<double>(laid.lines.size());
    const double left = horizontal == HorizontalAlign::kLeft     ? anchor.x
                        : horizontal == HorizontalAlign::kCentre ? anchor.x - width / 2
                                                                 : anchor.x - width;
    const double top = vertical == VerticalAlign::kTop      ? anchor.y
                       : vertical == VerticalAlign::kCentre ? anchor.y - height / 2
                                                            : anchor.y - height;
    laid.box = {left, top, left + width, top + height};
    // Each line aligned within the box the way the whole text is aligned at its anchor.
    for (size_t i = 0; i < laid.lines.size(); ++i) {
        const double slack = width - advances[i];
        const double x = left + (horizontal == HorizontalAlign::kLeft     ? 0
                                 : horizontal == HorizontalAlign::kCentre ? slack / 2
                                                                          : slack);
        laid.baselines.push_back({x, top + metrics.lineHeight * static_cast<double>(i) + metrics.ascent});
    }
    return laid;
}

}  // namespace kovra::host
