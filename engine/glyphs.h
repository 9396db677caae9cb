// The glyph extractor and the string drawer: characters of a logical font as outline records of
// a shape, in twips, for the texts the conversion draws itself.
#pragma once

#include <string>

#include "fonts/font_library.h"
#include "swf/shapes.h"

namespace quillet::engine {

struct GlyphExtent {
    double width = 0;   // pixels: the character's advance
    double height = 0;  // pixels: the font's cell height
};

// Appends the outline of one character to shape with its origin (on the baseline) at the pen
// (twips). Every run of straight or curved segments starts with a copy of templateStyle moving to
// its start. A character without an outline appends nothing and measures (0, 0).
GlyphExtent extractGlyph(fonts::FontLibrary& fonts, char32_t code, const fonts::LogicalFont& font,
                         int penX, int penY, transform::FSShape& shape,
                         const transform::FSShapeStyle& templateStyle);

struct StringExtent {
    int endX = 0;    // twips: the pen after the last character
    int height = 0;  // twips: the last character's height
};

// Lays a UTF-8 text out on one line from origin (twips, on the baseline). A space advances
// 40 % of the font's pixel height, rounded; a character without an outline does not advance.
// An empty text returns the origin.
StringExtent drawString(fonts::FontLibrary& fonts, const fonts::LogicalFont& font,
                        transform::FSShape& shape, int originX, int originY,
                        const std::string& text, const transform::FSShapeStyle& templateStyle);

}  // namespace quillet::engine
