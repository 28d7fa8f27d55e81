// The one font of the picture (DejaVu Sans through cairo), set up the same way
// for measuring and for painting, so laid-out texts fit what gets painted.
#pragma once

#include <cairo.h>

#include <memory>
#include <string_view>

namespace kovra::host {

// Selects the chart font at `pixels` on `cairo`, with fixed hinting so text
// widths do not depend on the target surface.
void SelectChartFont(cairo_t* cairo, double pixels, bool bold);

struct TextMetrics {
    double advance;  // width of the text's run, blanks included
    double ascent, descent, lineHeight;
};

// Frees the font caches cairo and fontconfig keep for the whole process, so
// a leak checker sees a clean exit. Call once, at exit, when no picture is
// being made any more.
void ReleaseFontCaches();

// Measures texts in the chart font, on a private scratch surface.
class TextMeasure {
public:
    TextMeasure();
    TextMetrics Measure(std::string_view text, double pixels, bool bold);

private:
    std::unique_ptr<cairo_surface_t, void (*)(cairo_surface_t*)> surface_;
    std::unique_ptr<cairo_t, void (*)(cairo_t*)> cairo_;
};

}  // namespace kovra::host
