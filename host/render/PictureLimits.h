// The sizes a picture of the chart may have, for every way of asking for one
// (the command line, the page's server), and the most bar slots one view shows.
#pragma once

#include <cstdint>

namespace kovra::host {

inline constexpr int32_t kMinImageWidth = 200;
inline constexpr int32_t kMinImageHeight = 150;
inline constexpr int32_t kMaxImageSide = 16000;
inline constexpr int32_t kDefaultImageWidth = 1600;
inline constexpr int32_t kDefaultImageHeight = 900;
// The most pixels a picture the page's server paints may have, in any shape:
// a 3840x2160 screen's worth (painting one holds 32 MB while it lasts). Any
// web page can ask for one, so it is bounded well below the largest side.
inline constexpr int32_t kPictureBoundWidth = 3840, kPictureBoundHeight = 2160;
inline constexpr int64_t kMaxPicturePixels = int64_t{kPictureBoundWidth} * kPictureBoundHeight;
// Bar slots a view shows at most: keeps bar arithmetic far from overflow.
inline constexpr int32_t kMaxWindowSlots = 1'000'000;

}  // namespace kovra::host
