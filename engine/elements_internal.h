// What the element builders share between their sources: the element's reading from the host,
// the shape definition they all end with, and the picture route.
#pragma once

#include <memory>

#include "engine/elements_outlines.h"
#include "engine/records.h"
#include "swf/shapes.h"

namespace quillet::engine {

// The picture scale of an element exported as PNG: finer than the slide so its edges stay sharp
// when the movie is scaled up.
inline constexpr float kPngPictureScale = 1.4222f;

// Where the element's own coordinates start: the slide's corner, or a group's top-left corner
// for the group's members (points).
struct Origin {
    float left = 0;
    float top = 0;
};

// A new element for a host shape with its geometry, line and fill read from the host.
std::unique_ptr<Element> readElement(ConversionJob& job, const SlideRecord& record, int shapeIndex,
                                     const std::shared_ptr<host::Shape>& shape);

// Defines the element's character from the outline and its styles: an FSDefineShape, or an
// FSDefineShape3 when a colour is not opaque (the first form has no alpha). The bounds hold both
// the element's frame bounds and the outline with its widest line. Stores characterId.
void defineElementShape(ConversionJob& job, Element& element,
                        transform::FSArray<transform::FSFillStyle> fills,
                        transform::FSArray<transform::FSLineStyle> lines,
                        const transform::FSShape& shape, int widestLine);

// Defines a shape character of the outline and its styles (the first form of shape that holds
// them) within bounds widened to the outline with its widest line; returns its identifier.
int defineShapeCharacter(ConversionJob& job, const transform::FSBounds& bounds,
                         transform::FSArray<transform::FSFillStyle> fills,
                         transform::FSArray<transform::FSLineStyle> lines,
                         const transform::FSShape& shape, int widestLine);

// The styles of a shape recoloured as its shadow: every fill and line in the shadow's colour, at
// the shadow's opacity times the style's own (pictures count as opaque). False when the shadow is
// fully transparent.
bool shadowStyles(transform::FSArray<transform::FSFillStyle>& fills,
                  transform::FSArray<transform::FSLineStyle>& lines, transform::FSShape& shape,
                  const transform::FSColor& shadow);

// Defines the shadow of a vector element from its shape when the host reports a hard shadow:
// sets the element's shadowId and offset.
void defineHardShadow(ConversionJob& job, Element& element,
                      const transform::FSArray<transform::FSFillStyle>& fills,
                      const transform::FSArray<transform::FSLineStyle>& lines,
                      const transform::FSShape& shape, int widestLine);

// Once the element is placed: its character and its shadow become a sprite with the shadow
// under the shape, moved by the offset on the slide; the element then names the sprite.
void placeHardShadow(ConversionJob& job, Element& element);

// Places an element drawn as vector records against the origin.
void placeVectorElement(Element& element, Origin origin, bool withFlips);

// The picture route: the host draws the shape alone on a scratch slide keyed with the record's
// background colour; the picture becomes a bitmap and a bitmap-filled shape of the movie, placed
// where the shape stands (its turn and flips are in the picture). False when the host cannot
// draw it or the picture cannot be read.
bool buildPictureElement(ConversionJob& job, const SlideRecord& record, Element& element,
                         bool asPng, Origin origin);

// A picture, texture or pattern fill of a width × height twip box as a bitmap fill of the
// movie: the host's picture of the fill, clipped when stretched over the box or repeated when
// tiled, placed as the host paints it. Null when the host draws no picture for the fill.
std::unique_ptr<transform::FSFillStyle> bitmapFill(ConversionJob& job, const host::Fill& fill,
                                                   int width, int height);

// PNG for everything but pictures of at least 640 x 480 points, which go as JPEG.
bool pictureAsPng(const Element& element);

}  // namespace quillet::engine
