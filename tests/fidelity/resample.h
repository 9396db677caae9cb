// Scaling a grey picture to the size the fidelity measure compares at (480 pixels wide), so that
// a player's screenshot or a picture of any size can be set against the reference renderings.
#pragma once

#include "content_ssim.h"

namespace quillet::fidelity {

// Width the measure compares at.
inline constexpr int kCompareWidth = 480;

// Each output pixel is the mean of the input area it covers (fractional pixels weighted by their
// share). Sizes out of 1..20000 give an empty picture.
GreyImage resizeArea(const GreyImage& in, int width, int height);

// The picture scaled to `width` pixels wide, the height keeping its aspect ratio (rounded);
// returned unchanged when it already has that width.
GreyImage scaleToWidth(const GreyImage& in, int width = kCompareWidth);

// The top `height` rows of the picture; an empty picture when height is not in 1..in.height.
GreyImage cropRows(const GreyImage& in, int height);

}  // namespace quillet::fidelity
