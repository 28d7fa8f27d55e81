#include "drawing/FrameGeometry.h"

#include <algorithm>
#include <cmath>

namespace kovra::drawing {

FrameGeometry MakeFrameGeometry(float topPrice, float bottomPrice, int32_t frameStartBar, int32_t frameEndBar) {
    FrameGeometry g{};
    g.priceLow = std::min(topPrice, bottomPrice);
    g.priceHigh = std::max(topPrice, bottomPrice);
    g.priceEighth = std::fabs(g.priceHigh - g.priceLow) * 0.125f;
    g.startBar = std::min(frameStartBar, frameEndBar);
    g.endBar = std::max(frameStartBar, frameEndBar);
    g.barLow = static_cast<float>(g.startBar);
    // The difference of two 32-bit bars may not fit 32 bits.
    const int64_t span = static_cast<int64_t>(g.endBar) - static_cast<int64_t>(g.startBar);
    g.barEighth = static_cast<float>(span) * 0.125f;
    return g;
}

}  // namespace kovra::drawing
