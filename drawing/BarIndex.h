// Bar positions of the drawing geometry: 32-bit floats, turned into the
// record's whole bar indices by the record's saturating conversions.
#pragma once

#include <cmath>

#include "record/WholeNumbers.h"

namespace kovra::drawing {

using record::CeilToInt32;
using record::FloorToInt32;
using record::SaturateToInt16;
using record::TruncateToInt32;

// Whether a bar position falls on a whole bar (its floor equals it).
inline bool IsWholeBar(float position) { return std::floor(position) == position; }

}  // namespace kovra::drawing
