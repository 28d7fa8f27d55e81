// The live page's files, embedded in the program at build time: our own
// HTML/JS/CSS from web/ and the chart library with its licence.
#pragma once

#include <string_view>
#include <vector>

namespace kovra::host {

struct WebAsset {
    std::string_view path;  // as requested, e.g. "/" or "/chart.js"
    std::string_view body;
};

const std::vector<WebAsset>& WebAssets();

}  // namespace kovra::host
