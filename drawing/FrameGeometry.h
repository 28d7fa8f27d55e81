// The frame quantities every drawing step derives from the pass arguments, in
// 32-bit float arithmetic. Only the minimum and maximum of each pair count, so
// the order in which the two prices or the two bars arrive does not matter.
#pragma once

#include <cmath>
#include <cstdint>

namespace kovra::drawing {

struct FrameGeometry {
    float priceLow;     // the 0/8th line
    float priceHigh;    // the 8/8th line
    float priceEighth;  // one eighth of the price span
    float barLow;       // the frame's first bar
    float barEighth;    // one eighth of the frame's bars
    int32_t startBar;   // the smaller frame bar
    int32_t endBar;     // the larger frame bar

    // Price of level k: 0 is the 0/8th line, 8 the 8/8th, 10 the +2/8th, -2 the -2/8th.
    float LevelPrice(int32_t k) const { return priceLow + static_cast<float>(k) * priceEighth; }
    // Whether every price of the picture stays within the float range: it
    // reaches four eighths beyond the frame, and one eighth more is kept
    // spare for the circles, whose corners are summed in 64 bits first.
    bool PicturePricesFinite() const {
        return std::isfinite(priceEighth) && std::isfinite(LevelPrice(-5)) && std::isfinite(LevelPrice(13));
    }
    // Bar position of time eighth j: 0 is the frame start, 8 the frame end.
    float EighthBar(int32_t j) const { return barLow + static_cast<float>(j) * barEighth; }
};

FrameGeometry MakeFrameGeometry(float topPrice, float bottomPrice, int32_t frameStartBar, int32_t frameEndBar);

}  // namespace kovra::drawing
