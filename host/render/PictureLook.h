// The picture's own colours and metrics (the study's colours come from its
// record). The picture is drawn with them, and the live page gets them from
// its server, so that both look alike without a second copy.
#pragma once

#include <cstdint>

namespace kovra::host {

inline constexpr const char* kChartFontFamily = "DejaVu Sans";

constexpr uint32_t Rgb(uint32_t red, uint32_t green, uint32_t blue) { return red | green << 8 | blue << 16; }

namespace palette {
inline constexpr uint32_t kText = Rgb(50, 55, 65);
inline constexpr uint32_t kMutedText = Rgb(110, 116, 126);
inline constexpr uint32_t kGrid = Rgb(236, 238, 241);
inline constexpr uint32_t kAxisLine = Rgb(190, 195, 202);
inline constexpr uint32_t kPanel = Rgb(247, 248, 250);
inline constexpr uint32_t kUpCandle = Rgb(38, 166, 91);
inline constexpr uint32_t kDownCandle = Rgb(222, 61, 61);
inline constexpr uint32_t kButtonFace = Rgb(250, 250, 251);
inline constexpr uint32_t kButtonBorder = Rgb(178, 184, 192);
inline constexpr uint32_t kPushedFace = Rgb(196, 210, 228);
inline constexpr uint32_t kPushedBorder = Rgb(80, 96, 120);
}  // namespace palette

// The price scale and the time axis: ticks and their texts. The time axis
// under the plot has room for two lines of text under its ticks.
namespace axes {
inline constexpr double kFontPixels = 11;
inline constexpr double kTickLength = 4;
inline constexpr double kTimeAxisHeight = 38;
inline constexpr double kTimeTextGap = 2;     // between a tick's end and its text
inline constexpr double kTimeTextMargin = 2;  // a text at the left edge is pushed in this far
}  // namespace axes

// The control bar along the top and the title under it.
namespace control_bar {
inline constexpr double kButtonGap = 3;
inline constexpr double kButtonFontPixels = 11;
inline constexpr double kTitleFontPixels = 13;
}  // namespace control_bar

}  // namespace kovra::host
