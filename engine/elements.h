// Element building: every shape of a master or slide becomes an element naming one character of
// the movie (a vector outline, a bitmap-filled rectangle from a picture the host renders, a group
// sprite, or a text), ready for the timeline to place.
#pragma once

#include <memory>

#include "engine/records.h"
#include "host/host.h"
#include "swf/shapes.h"

namespace quillet::engine {

// Builds the elements of every shape of one record's shape collection, in host z-order (back to
// front), into the job's movie and the record's elements. Masters skip their placeholders. A
// shape that no builder can turn into a character is left out; the conversion goes on. Throws
// only what must stop the conversion (ConversionError, e.g. identifiers exhausted).
void buildSlideElements(ConversionJob& job, SlideRecord& record);

// One host shape at its 1-based position in the record's shape collection: builds its
// element(s) and appends them to the record's elements (calls itself for group members).
void buildShape(ConversionJob& job, SlideRecord& record, int shapeIndex,
                const std::shared_ptr<host::Shape>& shape);

// A host fill as a fill style of a width x height (twips) shape, bitmapId the background bitmap
// for picture-like fills (-1: none). Null when the fill has no such form. The timeline's background
// rectangle uses it with the slide's background fill and bitmap.
std::unique_ptr<transform::FSFillStyle> convertFill(const host::Fill* fill, int width, int height,
                                                    int bitmapId);

}  // namespace quillet::engine
