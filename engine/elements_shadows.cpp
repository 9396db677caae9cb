// Hard shadows of vector shapes: the shape's own outline again, painted in the shadow's colour,
// moved by the shadow's offset and placed under the shape in a sprite of the two.
#include <algorithm>
#include <cmath>

#include "engine/elements_internal.h"
#include "swf/display_list.h"
#include "swf/sprites_buttons.h"

namespace quillet::engine {

using transform::FSArray;
using transform::FSColor;
using transform::FSFillStyle;
using transform::FSGradientFill;
using transform::FSLineStyle;
using transform::FSShape;
using transform::FSShapeStyle;
using transform::FSSolidFill;
using transform::FSSolidLine;

namespace {

// The shadow's colour at the opacity of what casts it: the host's shadow is a mask of the
// shape's coverage painted in its colour.
FSColor cast(const FSColor& shadow, int alpha) {
    const int a = roundHalf(shadow.getAlpha() * std::clamp(alpha, 0, 255) / 255.0);
    return FSColor(shadow.getRed(), shadow.getGreen(), shadow.getBlue(), a);
}

FSArray<FSFillStyle> shadowFills(const FSArray<FSFillStyle>& fills, const FSColor& shadow) {
    FSArray<FSFillStyle> out;
    for (const auto& fill : fills) {
        if (auto* solid = dynamic_cast<const FSSolidFill*>(fill.get())) {
            out.emplace<FSSolidFill>(cast(shadow, solid->getColor().getAlpha()));
        } else if (auto* gradient = dynamic_cast<const FSGradientFill*>(fill.get())) {
            // The gradient's own opacity shapes the shadow; its colours do not.
            auto& copy = out.emplace<FSGradientFill>(*gradient);
            for (auto& stop : copy.getGradients()) {
                stop.setColor(cast(shadow, stop.getColor().getAlpha()));
            }
        } else {
            // A picture counts as opaque.
            out.emplace<FSSolidFill>(shadow);
        }
    }
    return out;
}

FSArray<FSLineStyle> shadowLines(const FSArray<FSLineStyle>& lines, const FSColor& shadow) {
    FSArray<FSLineStyle> out;
    for (const auto& line : lines) {
        if (auto* solid = dynamic_cast<const FSSolidLine*>(line.get())) {
            out.emplace<FSSolidLine>(solid->getWidth(), cast(shadow, solid->getColor().getAlpha()));
        } else {
            out.emplace<FSSolidLine>(0, shadow);
        }
    }
    return out;
}

}  // namespace

bool shadowStyles(FSArray<FSFillStyle>& fills, FSArray<FSLineStyle>& lines, FSShape& shape,
                  const FSColor& shadow) {
    if (shadow.getAlpha() == 0) return false;
    fills = shadowFills(fills, shadow);
    lines = shadowLines(lines, shadow);
    for (auto& object : shape.getObjects()) {
        if (object->getType() != transform::FSShapeObject::Style) continue;
        auto& style = static_cast<FSShapeStyle&>(*object);
        if (!style.containsStyles()) continue;
        style.getFillStyles() = shadowFills(style.getFillStyles(), shadow);
        style.getLineStyles() = shadowLines(style.getLineStyles(), shadow);
    }
    return true;
}

void defineHardShadow(ConversionJob& job, Element& element, const FSArray<FSFillStyle>& shapeFills,
                      const FSArray<FSLineStyle>& shapeLines, const FSShape& shapeOutline,
                      int widestLine) {
    const host::ShapeEffects effects = element.hostShape->effects();
    if (!effects.hardShadow || effects.raster || !std::isfinite(effects.shadowDx) ||
        !std::isfinite(effects.shadowDy) || !std::isfinite(effects.shadowAlpha)) {
        return;
    }
    const FSColor colour = colourFromRgb(
        effects.shadowRgb, roundHalf(std::clamp(effects.shadowAlpha, 0.0f, 1.0f) * 255.0));
    if (colour.getAlpha() == 0) return;
    // Copied only for a shadow that is drawn: most shapes have none.
    FSArray<FSFillStyle> fills = shapeFills;
    FSArray<FSLineStyle> lines = shapeLines;
    FSShape shape = shapeOutline;
    shadowStyles(fills, lines, shape, colour);
    const double reach = 2000.0 * kTwipsPerPoint;
    element.shadowDx = std::clamp(double{effects.shadowDx} * kTwipsPerPoint, -reach, reach);
    element.shadowDy = std::clamp(double{effects.shadowDy} * kTwipsPerPoint, -reach, reach);
    element.shadowId = defineShapeCharacter(job, element.bounds, std::move(fills), std::move(lines),
                                            shape, widestLine);
}

void placeHardShadow(ConversionJob& job, Element& element) {
    if (element.shadowId == 0 || element.characterId == 0) return;
    // The sprite is placed as the shape was; the shadow's offset on the slide is taken back
    // through the placement's turn, flips and scale.
    const transform::FSCoordTransform& t = element.transform;
    const double a = t.get(0, 0), c = t.get(0, 1), b = t.get(1, 0), d = t.get(1, 1);
    const double det = a * d - b * c;
    if (!std::isfinite(det) || std::fabs(det) < 1e-9) return;
    const double dx = element.shadowDx, dy = element.shadowDy;
    const auto x = std::lround((d * dx - c * dy) / det), y = std::lround((a * dy - b * dx) / det);
    FSArray<transform::FSMovieObject> list;
    list.emplace<transform::FSPlaceObject2>(element.shadowId, 1, static_cast<int>(x),
                                            static_cast<int>(y));
    list.emplace<transform::FSPlaceObject2>(element.characterId, 2, 0, 0);
    list.emplace<transform::FSShowFrame>();
    const int id = job.newIdentifier();
    job.movie.add(std::make_unique<transform::FSDefineMovieClip>(id, std::move(list)));
    element.characterId = id;
}

}  // namespace quillet::engine
