// Paints a display list with cairo and writes it atomically.
#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "host/outputs/OutputFiles.h"
#include "host/render/ChartFont.h"
#include "host/render/ChartImage.h"

namespace kovra::host {

namespace {

enum class ImageFormat { kPng, kSvg, kPdf };

ImageFormat FormatOf(const std::string& path) {
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    std::string extension =
        dot == std::string::npos || (slash != std::string::npos && dot < slash) ? "" : path.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".png") return ImageFormat::kPng;
    if (extension == ".svg") return ImageFormat::kSvg;
    if (extension == ".pdf") return ImageFormat::kPdf;
    throw std::invalid_argument("cannot tell the image format of '" + path +
                                "': the file name must end in .png, .svg or .pdf");
}

void SetColour(cairo_t* cairo, uint32_t colour, double alpha = 1) {
    cairo_set_source_rgba(cairo, (colour & 0xFF) / 255.0, (colour >> 8 & 0xFF) / 255.0, (colour >> 16 & 0xFF) / 255.0,
                          alpha);
}

void SetStroke(cairo_t* cairo, const Stroke& stroke) {
    std::vector<double> dashes = DashPattern(stroke.style);
    for (double& length : dashes) length *= std::max(stroke.width, 1.0);
    cairo_set_dash(cairo, dashes.data(), static_cast<int>(dashes.size()), 0);
    cairo_set_line_width(cairo, stroke.width);
    cairo_set_line_cap(cairo, CAIRO_LINE_CAP_BUTT);
    SetColour(cairo, stroke.colour);
}

// A horizontal or vertical line lands on whole pixels, so it stays crisp.
double Snap(double coordinate, double width) {
    return static_cast<int64_t>(std::lround(width)) % 2 == 1 ? std::floor(coordinate) + 0.5 : std::round(coordinate);
}

void PaintPolyline(cairo_t* cairo, const PolylinePrimitive& line) {
    std::vector<PixelPoint> points = line.points;
    if (points.size() == 2 && points[0].y == points[1].y)
        points[0].y = points[1].y = Snap(points[0].y, line.stroke.width);
    if (points.size() == 2 && points[0].x == points[1].x)
        points[0].x = points[1].x = Snap(points[0].x, line.stroke.width);
    cairo_move_to(cairo, points.front().x, points.front().y);
    for (size_t i = 1; i < points.size(); ++i) cairo_line_to(cairo, points[i].x, points[i].y);
    SetStroke(cairo, line.stroke);
    cairo_stroke(cairo);
}

void ShapePath(cairo_t* cairo, const ShapePrimitive& shape) {
    const PixelRect& b = shape.bounds;
    if (!shape.ellipse || b.width() <= 0 || b.height() <= 0) {
        cairo_rectangle(cairo, b.left, b.top, b.width(), b.height());
        return;
    }
    cairo_save(cairo);
    cairo_translate(cairo, (b.left + b.right) / 2, (b.top + b.bottom) / 2);
    cairo_scale(cairo, b.width() / 2, b.height() / 2);
    cairo_new_sub_path(cairo);
    cairo_arc(cairo, 0, 0, 1, 0, 2 * M_PI);
    cairo_close_path(cairo);
    cairo_restore(cairo);
}

void PaintShape(cairo_t* cairo, const ShapePrimitive& shape) {
    if (shape.fillAlpha > 0) {
        ShapePath(cairo, shape);
        SetColour(cairo, shape.fillColour, shape.fillAlpha);
        cairo_fill(cairo);
    }
    if (!shape.hasBorder) return;
    ShapePrimitive outline = shape;
    if (!shape.ellipse) {
        PixelRect& b = outline.bounds;
        b = {Snap(b.left, shape.border.width), Snap(b.top, shape.border.width), Snap(b.right, shape.border.width),
             Snap(b.bottom, shape.border.width)};
    }
    ShapePath(cairo, outline);
    SetStroke(cairo, shape.border);
    cairo_stroke(cairo);
}

// The halo first: every line's outline stroked in its colour, then the glyphs over it.
void PaintText(cairo_t* cairo, const TextPrimitive& text) {
    SelectChartFont(cairo, text.fontPixels, text.bold);
    if (text.halo.width > 0) {
        for (size_t i = 0; i < text.lines.size(); ++i) {
            cairo_move_to(cairo, text.baselines[i].x, text.baselines[i].y);
            cairo_text_path(cairo, text.lines[i].c_str());
        }
        cairo_set_dash(cairo, nullptr, 0, 0);
        cairo_set_line_width(cairo, text.halo.width);
        cairo_set_line_join(cairo, CAIRO_LINE_JOIN_ROUND);
        SetColour(cairo, text.halo.colour);
        cairo_stroke(cairo);
    }
    SetColour(cairo, text.colour);
    for (size_t i = 0; i < text.lines.size(); ++i) {
        cairo_move_to(cairo, text.baselines[i].x, text.baselines[i].y);
        cairo_show_text(cairo, text.lines[i].c_str());
    }
}

void Paint(cairo_t* cairo, const DisplayList& list) {
    const PixelRect& plot = list.mapping.plot;
    for (const Primitive& primitive : list.primitives) {
        cairo_save(cairo);
        if (primitive.clipToPlot) {
            cairo_rectangle(cairo, plot.left, plot.top, plot.width(), plot.height());
            cairo_clip(cairo);
        }
        std::visit(
            [cairo](const auto& shape) {
                using Shape = std::decay_t<decltype(shape)>;
                if constexpr (std::is_same_v<Shape, PolylinePrimitive>) {
                    PaintPolyline(cairo, shape);
                } else if constexpr (std::is_same_v<Shape, ShapePrimitive>) {
                    PaintShape(cairo, shape);
                } else {
                    PaintText(cairo, shape);
                }
            },
            primitive.shape);
        cairo_restore(cairo);
    }
}

cairo_status_t AppendTo(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

using SurfacePointer = std::unique_ptr<cairo_surface_t, void (*)(cairo_surface_t*)>;

void CheckStatus(cairo_status_t status, const std::string& path) {
    if (status != CAIRO_STATUS_SUCCESS) {
        throw std::runtime_error("cannot draw '" + path + "': " + cairo_status_to_string(status));
    }
}

// The whole file in memory, so it can be written in one atomic step.
std::string Encode(const DisplayList& list, ImageFormat format, const std::string& path) {
    std::string bytes;
    SurfacePointer surface(nullptr, cairo_surface_destroy);
    switch (format) {
        case ImageFormat::kPng:
            surface.reset(cairo_image_surface_create(CAIRO_FORMAT_RGB24, list.width, list.height));
            break;
        case ImageFormat::kSvg:
            surface.reset(cairo_svg_surface_create_for_stream(AppendTo, &bytes, list.width, list.height));
            break;
        case ImageFormat::kPdf:
            surface.reset(cairo_pdf_surface_create_for_stream(AppendTo, &bytes, list.width, list.height));
            // A fixed creation date keeps the file the same for the same chart.
            cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_CREATE_DATE, "2000-01-01T00:00:00Z");
            break;
    }
    CheckStatus(cairo_surface_status(surface.get()), path);
    cairo_t* cairo = cairo_create(surface.get());
    Paint(cairo, list);
    const cairo_status_t painted = cairo_status(cairo);
    cairo_destroy(cairo);
    CheckStatus(painted, path);
    if (format == ImageFormat::kPng) {
        CheckStatus(cairo_surface_write_to_png_stream(surface.get(), AppendTo, &bytes), path);
    }
    cairo_surface_finish(surface.get());
    CheckStatus(cairo_surface_status(surface.get()), path);
    return bytes;
}

}  // namespace

void DrawDisplayList(const DisplayList& list, const std::string& path) {
    WriteFileAtomically(path, PaintDisplayList(list, path));
}

std::string PaintDisplayList(const DisplayList& list, const std::string& path) {
    return Encode(list, FormatOf(path), path);
}

std::string RenderChartImage(const StudyInstance& study, const ImageOptions& options, const std::string& path) {
    const ImageFormat format = FormatOf(path);  // an unknown format fails before any work
    return Encode(BuildDisplayList(study, options), format, path);
}

void WriteChartImage(const StudyInstance& study, const ImageOptions& options, const std::string& path) {
    WriteFileAtomically(path, RenderChartImage(study, options, path));
}

void CheckImageFormat(const std::string& path) { (void)FormatOf(path); }

}  // namespace kovra::host
