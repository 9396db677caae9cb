// Host fills as movie fill styles: solid colours, the two-colour linear gradients the host
// describes by style and variant, and bitmaps for the fills the host can only draw.
#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/elements_outlines.h"
#include "engine/records.h"

namespace quillet::engine {

using transform::FSBitmapFill;
using transform::FSColor;
using transform::FSCoordTransform;
using transform::FSFillStyle;
using transform::FSGradient;
using transform::FSGradientFill;
using transform::FSSolidFill;

namespace {

// The side of the format's gradient square.
constexpr double kGradientSquare = 32768.0;
// One pixel of a background picture (0.711 pixels per point) covers 28 twips.
constexpr double kBitmapPixelTwips = 28.0;

}  // namespace

FSColor colourFromRgb(int rgb, int alpha) {
    return FSColor(host::redOf(rgb), host::greenOf(rgb), host::blueOf(rgb),
                   std::clamp(alpha, 0, 255));
}

int alphaFromTransparency(float transparency) {
    if (!std::isfinite(transparency)) return 255;
    const float opacity = std::clamp(1.0f - transparency, 0.0f, 1.0f);
    return roundHalf(opacity * 255.0);
}

std::unique_ptr<FSFillStyle> convertFill(const host::Fill& fill, int width, int height,
                                         int bitmapId) {
    const int alpha = alphaFromTransparency(fill.transparency());
    switch (fill.type()) {
        case host::fill_type::kSolid:
            return std::make_unique<FSSolidFill>(colourFromRgb(fill.foreColorRgb(), alpha));
        case host::fill_type::kPatterned:
        case host::fill_type::kTextured:
        case host::fill_type::kBackground:
        case host::fill_type::kPicture:
            if (bitmapId < 0) return nullptr;
            return std::make_unique<FSBitmapFill>(
                FSFillStyle::ClippedBitmap, bitmapId,
                FSCoordTransform(0, 0, kBitmapPixelTwips, kBitmapPixelTwips));
        case host::fill_type::kGradient:
            break;
        default:
            return nullptr;
    }

    const FSColor colour1 = colourFromRgb(fill.foreColorRgb(), alpha);
    const FSColor colour2 = colourFromRgb(fill.backColorRgb(), alpha);
    std::vector<FSGradient> stops;
    switch (fill.gradientVariant()) {
        case 1:
            stops = {FSGradient(10, colour1), FSGradient(245, colour2)};
            break;
        case 2:
            stops = {FSGradient(10, colour2), FSGradient(245, colour1)};
            break;
        case 3:
            stops = {FSGradient(0, colour1), FSGradient(118, colour2), FSGradient(138, colour2),
                     FSGradient(255, colour1)};
            break;
        case 4:
            stops = {FSGradient(0, colour2), FSGradient(118, colour1), FSGradient(138, colour1),
                     FSGradient(255, colour2)};
            break;
        default:
            // A gradient without stops draws nothing in the player: no movie form.
            return nullptr;
    }

    const auto sx = static_cast<float>(width / kGradientSquare);
    const auto sy = static_cast<float>(height / kGradientSquare);
    const auto cx = static_cast<float>(width / 2);
    const auto cy = static_cast<float>(height / 2);
    float rows[2][2];
    switch (fill.gradientStyle()) {
        case host::gradient_style::kHorizontal:
            rows[0][0] = 0, rows[0][1] = sx, rows[1][0] = sy, rows[1][1] = 0;
            break;
        case host::gradient_style::kVertical:
            rows[0][0] = sx, rows[0][1] = 0, rows[1][0] = 0, rows[1][1] = sy;
            break;
        case host::gradient_style::kDiagonalUp:
            rows[0][0] = sx, rows[0][1] = -sx, rows[1][0] = sy, rows[1][1] = sy;
            break;
        case host::gradient_style::kDiagonalDown:
            rows[0][0] = -sx, rows[0][1] = sx, rows[1][0] = sy, rows[1][1] = sy;
            break;
        default:
            return nullptr;
    }
    const FSCoordTransform::Matrix matrix = {
        {rows[0][0], rows[0][1], cx}, {rows[1][0], rows[1][1], cy}, {0, 0, 1}};
    return std::make_unique<FSGradientFill>(FSFillStyle::Linear, FSCoordTransform(matrix),
                                            std::move(stops));
}

}  // namespace quillet::engine
