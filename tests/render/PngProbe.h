// Reads a written PNG back for pixel probes.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <memory>
#include <string>

namespace render_test {

class PngProbe {
public:
    explicit PngProbe(const std::string& path)
        : surface_(cairo_image_surface_create_from_png(path.c_str()), cairo_surface_destroy) {}

    bool ok() const { return cairo_surface_status(surface_.get()) == CAIRO_STATUS_SUCCESS; }
    int width() const { return cairo_image_surface_get_width(surface_.get()); }
    int height() const { return cairo_image_surface_get_height(surface_.get()); }

    // The pixel at (x, y) as a 0x00BBGGRR colour, the way the record writes colours.
    uint32_t At(int x, int y) const {
        const unsigned char* row =
            cairo_image_surface_get_data(surface_.get()) +
            static_cast<size_t>(y) * static_cast<size_t>(cairo_image_surface_get_stride(surface_.get()));
        const uint32_t native = reinterpret_cast<const uint32_t*>(row)[x];  // 0xAARRGGBB
        return (native >> 16 & 0xFF) | (native & 0xFF00) | (native & 0xFF) << 16;
    }

private:
    std::unique_ptr<cairo_surface_t, void (*)(cairo_surface_t*)> surface_;
};

}  // namespace render_test
