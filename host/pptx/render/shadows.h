// Outer shadows of shapes: the shape's silhouette drawn into an alpha mask at the target's
// resolution, moved, scaled and skewed as the shadow says, blurred, and painted in the shadow's
// colour under the shape. Glows, soft edges and reflections are drawn through the same blurred
// masks.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "host/pptx/model.h"
#include "host/pptx/render/geometry.h"

namespace quillet::pptx::render {

// Largest mask a shadow is drawn into (16 MiB of alpha); a larger one is drawn at a lower
// resolution and stretched, which a blurred shadow does not show.
inline constexpr long long kMaxShadowMaskPixels = 16ll << 20;
// Largest blur, in mask pixels, of each of the three box passes.
inline constexpr int kMaxShadowBlurRadius = 256;

// Blurs an A8 or ARGB32 image surface in place: three box blurs of `radius` pixels each way
// along both axes (close to a Gaussian of deviation `radius`); what lies outside counts as
// transparent.
void blurSurface(cairo_surface_t* surface, int radius);

// Draws the silhouette of a shape onto a context whose user space is the shape's unrotated box
// (0,0)..(width,height).
using Silhouette = std::function<void(cairo_t*)>;

struct PatternDeleter {
    void operator()(cairo_pattern_t* p) const { cairo_pattern_destroy(p); }
};
using MaskPattern = std::unique_ptr<cairo_pattern_t, PatternDeleter>;

// The silhouette of `shape` as the shadow `sh` moves, scales and blurs it: an alpha pattern in
// cr's device space, null when nothing of it can show or the values are unusable. Arguments as
// for drawOuterShadow.
MaskPattern silhouetteMask(cairo_t* cr, const Shape& shape, const ShadowData& sh,
                           const std::vector<Outline>& outlines, double margin,
                           const Silhouette& silhouette);

// The same in colour: what `draw` paints, moved and blurred as `sh` says, then `finish` drawn over
// it in the same space (a fade, with its operator). For reflections.
MaskPattern effectImage(cairo_t* cr, const Shape& shape, const ShadowData& sh,
                        const std::vector<Outline>& outlines, double margin, const Silhouette& draw,
                        const Silhouette& finish);

// Draws `shape`'s outer shadow on cr, whose user space is slide points (before the shape's own
// rotation and flips). `outlines` bound the silhouette in box space, `margin` (points) covers
// what the outline's width and arrowheads add around them.
void drawOuterShadow(cairo_t* cr, const Shape& shape, const std::vector<Outline>& outlines,
                     double margin, const Silhouette& silhouette);
// The same with the shadow `sh` in place of the shape's own (a glow is a shadow that stays put).
void drawOuterShadow(cairo_t* cr, const Shape& shape, const ShadowData& sh,
                     const std::vector<Outline>& outlines, double margin,
                     const Silhouette& silhouette);

}  // namespace quillet::pptx::render
