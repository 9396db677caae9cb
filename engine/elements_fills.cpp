// Host fills as movie fill styles: solid colours, the two-colour linear gradients the host
// describes by style and variant, and bitmaps for the fills the host can only draw.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
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
// Pictures drawn in memory have one pixel a point, as the stage shows them: 20 twips.
constexpr double kBitmapPixelTwips = 20.0;

// Colour stops a gradient of the movie's version (7) may hold.
constexpr std::size_t kMostStops = 8;

FSColor stopColour(const host::GradientStop& stop) {
    return colourFromRgb(stop.rgb, alphaFromTransparency(stop.transparency));
}

// The colour of the gradient at a position, between the stops around it.
FSColor colourAt(const std::vector<host::GradientStop>& stops, float position) {
    if (position <= stops.front().position) return stopColour(stops.front());
    for (std::size_t i = 1; i < stops.size(); ++i) {
        if (position > stops[i].position) continue;
        const host::GradientStop& a = stops[i - 1];
        const host::GradientStop& b = stops[i];
        const double span = b.position - a.position;
        const double t = span > 0 ? (position - a.position) / span : 1.0;
        const FSColor ca = stopColour(a), cb = stopColour(b);
        auto mix = [t](int x, int y) { return roundHalf(x + (y - x) * t); };
        return FSColor(mix(ca.getRed(), cb.getRed()), mix(ca.getGreen(), cb.getGreen()),
                       mix(ca.getBlue(), cb.getBlue()), mix(ca.getAlpha(), cb.getAlpha()));
    }
    return stopColour(stops.back());
}

int ratioOf(float position) {
    return std::clamp(roundHalf(std::clamp(position, 0.0f, 1.0f) * 255.0), 0, 255);
}

}  // namespace

std::vector<FSGradient> gradientStops(std::vector<host::GradientStop> stops) {
    std::erase_if(stops, [](const host::GradientStop& s) { return !std::isfinite(s.position); });
    for (auto& s : stops) s.position = std::clamp(s.position, 0.0f, 1.0f);
    std::stable_sort(stops.begin(), stops.end(),
                     [](const auto& a, const auto& b) { return a.position < b.position; });
    std::vector<FSGradient> out;
    if (stops.size() <= kMostStops) {
        for (const auto& s : stops) out.emplace_back(ratioOf(s.position), stopColour(s));
        return out;
    }
    // More stops than the format holds: the gradient sampled at evenly spaced places from its
    // first stop to its last.
    const float first = stops.front().position, last = stops.back().position;
    for (std::size_t i = 0; i < kMostStops; ++i) {
        const float at = first + (last - first) * static_cast<float>(i) / (kMostStops - 1);
        out.emplace_back(ratioOf(at), colourAt(stops, at));
    }
    return out;
}

FSCoordTransform gradientPlacement(bool linear, float angleDegrees, const std::string& path,
                                   int width, int height, std::pair<float, float> focus) {
    const double w = width, h = height;
    if (linear) {
        // The square's x axis along the angle (clockwise from left to right), its ends where the
        // lines across the box at that angle first and last touch a corner.
        const double a =
            (std::isfinite(angleDegrees) ? angleDegrees : 0.0) * std::numbers::pi / 180;
        const double dx = std::cos(a), dy = std::sin(a);
        const double half = (std::fabs(w * dx) + std::fabs(h * dy)) / 2;
        const double k = std::max(2 * half, 1.0) / kGradientSquare;
        const FSCoordTransform::Matrix m = {
            {static_cast<float>(k * dx), static_cast<float>(-k * dy), static_cast<float>(w / 2)},
            {static_cast<float>(k * dy), static_cast<float>(k * dx), static_cast<float>(h / 2)},
            {0, 0, 1}};
        return FSCoordTransform(m);
    }
    const host::PathGradientPlace at = host::pathGradientPlace(path, focus, w, h);
    const FSCoordTransform::Matrix m = {
        {static_cast<float>(std::max(at.radiusX, 1.0) * 2 / kGradientSquare), 0,
         static_cast<float>(at.x)},
        {0, static_cast<float>(std::max(at.radiusY, 1.0) * 2 / kGradientSquare),
         static_cast<float>(at.y)},
        {0, 0, 1}};
    return FSCoordTransform(m);
}

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
        case host::fill_type::kGradient: {
            // The gradient as the deck states it, when the host gives its stops.
            std::vector<host::GradientStop> given = fill.gradientStops();
            if (given.size() == 1) {
                return std::make_unique<FSSolidFill>(stopColour(given.front()));
            }
            if (given.size() > 1) {
                std::vector<FSGradient> stops = gradientStops(std::move(given));
                const std::string path = fill.gradientPath();
                const bool linear = path.empty();
                return std::make_unique<FSGradientFill>(
                    linear ? FSFillStyle::Linear : FSFillStyle::Radial,
                    gradientPlacement(linear, fill.gradientAngle(), path, width, height,
                                      fill.gradientFocus()),
                    std::move(stops));
            }
            break;
        }
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
