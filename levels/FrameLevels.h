// The MM frame of one trading frame: the prices of its 8/8th and 0/8th lines.
#pragma once

namespace kovra::levels {

// `top` is the 8/8th price, `bottom` the 0/8th price; top - bottom spans eight
// eighths. Both are not-a-number for a frame without defined levels (a flat
// frame, high equal to low).
struct FrameLevels {
    double top;
    double bottom;
};

}  // namespace kovra::levels
