#include "host/render/ChartFont.h"

#include <fontconfig/fontconfig.h>

#include <string>

#include "host/render/PictureLook.h"

namespace kovra::host {

void SelectChartFont(cairo_t* cairo, double pixels, bool bold) {
    cairo_select_font_face(cairo, kChartFontFamily, CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cairo, pixels);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_set_font_options(cairo, options);
    cairo_font_options_destroy(options);
}

void ReleaseFontCaches() {
    cairo_debug_reset_static_data();
    FcFini();
}

TextMeasure::TextMeasure()
    : surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1), cairo_surface_destroy),
      cairo_(cairo_create(surface_.get()), cairo_destroy) {}

TextMetrics TextMeasure::Measure(std::string_view text, double pixels, bool bold) {
    cairo_t* cairo = cairo_.get();
    SelectChartFont(cairo, pixels, bold);
    cairo_font_extents_t font{};
    cairo_font_extents(cairo, &font);
    cairo_text_extents_t run{};
    const std::string zeroTerminated(text);
    cairo_text_extents(cairo, zeroTerminated.c_str(), &run);
    return TextMetrics{run.x_advance, font.ascent, font.descent, font.height};
}

}  // namespace kovra::host
