// Pictures of a study on its chart, as the platform would show them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "host/render/ChartLayout.h"
#include "host/render/DisplayList.h"
#include "host/render/PictureLimits.h"
#include "host/runtime/StudyInstance.h"

namespace kovra::host {

struct ImageOptions {
    int32_t width = kDefaultImageWidth;    // pixels, kMinImageWidth .. kMaxImageSide
    int32_t height = kDefaultImageHeight;  // pixels, kMinImageHeight .. kMaxImageSide
    int32_t windowBars = 0;                // bars shown; 0: the whole current frame plus room on the right
    std::optional<BarWindow> window;       // these bar slots instead (at most kMaxWindowSlots of them)
};

// Throw std::invalid_argument, with a message for the user, for a size or
// window out of range or a file name that is not .png, .svg or .pdf; so a
// command can refuse a request before doing any work.
void CheckImageSize(const ImageOptions& options);
void CheckImageFormat(const std::string& path);

// The picture as primitives in pixel space. Pure: reads the study and its
// chart, changes nothing. Throws std::invalid_argument for a size or window out of range.
DisplayList BuildDisplayList(const StudyInstance& study, const ImageOptions& options);

// Paints the list with cairo into `path`: PNG, SVG or PDF by the extension
// (any case). Throws std::invalid_argument for another extension and
// std::runtime_error when the file cannot be written; the file appears whole
// or not at all.
void DrawDisplayList(const DisplayList& list, const std::string& path);
// The same painting's bytes, in the format `path`'s extension names; nothing is written.
std::string PaintDisplayList(const DisplayList& list, const std::string& path);

// The picture's bytes in the format `path`'s extension names, and the same written to `path`.
std::string RenderChartImage(const StudyInstance& study, const ImageOptions& options, const std::string& path);
void WriteChartImage(const StudyInstance& study, const ImageOptions& options, const std::string& path);

}  // namespace kovra::host
