// The glyph extractor and the string drawer: characters of a logical font as outline records of
// a shape, in twips, for the texts the conversion draws itself.
#pragma once

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "fonts/font_library.h"
#include "swf/shapes.h"

namespace quillet::engine {

class ConversionJob;

struct GlyphExtent {
    double width = 0;   // pixels: the character's advance
    double height = 0;  // pixels: the font's cell height
};

// Appends the outline of one character to shape with its origin (on the baseline) at the pen
// (twips). Every run of straight or curved segments starts with a copy of templateStyle moving to
// its start. A character without an outline appends nothing and measures (0, 0). The outline is
// taken at the font's own height, or at emPixels when that is given.
GlyphExtent extractGlyph(fonts::FontLibrary& fonts, char32_t code, const fonts::LogicalFont& font,
                         int penX, int penY, transform::FSShape& shape,
                         const transform::FSShapeStyle& templateStyle, double emPixels = 0);

// The code point at byte i of a UTF-8 text, moving i past it; a byte that starts no valid
// sequence is U+FFFD, so nothing is skipped.
char32_t nextCode(const std::string& text, std::size_t& i);

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

// Embedded glyph fonts hold this many glyphs each.
inline constexpr int kGlyphsPerFont = 100;
// Glyphs are drawn on the em square of 1024 units that players scale to a text's height: an
// outline taken at 51.2 pixels is 1024 twips high.
inline constexpr double kGlyphEmPixels = 1024.0 / 20.0;

// Every (character, font) pair the slide texts use, once: fonts that differ only in height count
// as one, so a glyph serves its character in every size. Glyph g lives in the embedded font
// baseFontId + g / 100 as its glyph g % 100.
class GlyphTable {
  public:
    struct Entry {
        char32_t code = 0;
        fonts::LogicalFont font;  // the font of the first registration
    };

    // The index of the glyph for code in font, appended when it is new.
    int addGlyph(char32_t code, const fonts::LogicalFont& font);
    const std::vector<Entry>& entries() const { return entries_; }
    int baseFontId() const { return baseFontId_; }
    // The embedded font and the glyph number in it of glyph index g.
    int fontIdOf(int glyph) const { return baseFontId_ + glyph / kGlyphsPerFont; }
    static int glyphCodeOf(int glyph) { return glyph % kGlyphsPerFont; }

    // Writes the glyphs as FSDefineFont tags of at most 100 glyphs with consecutive identifiers
    // and remembers the first one. A glyph without an outline is present but draws nothing.
    void buildFonts(fonts::FontLibrary& fonts, ConversionJob& job);

  private:
    // The font's fields apart from its height, for the search.
    using Key = std::tuple<char32_t, std::string, std::string, std::int32_t, std::int32_t,
                           std::int32_t, std::int32_t, std::uint8_t, std::uint8_t, std::uint8_t,
                           std::uint8_t, std::uint8_t, std::uint8_t, std::uint8_t, std::uint8_t>;
    static Key keyOf(char32_t code, const fonts::LogicalFont& font);

    std::vector<Entry> entries_;
    std::map<Key, int> index_;
    int baseFontId_ = 0;
};

}  // namespace quillet::engine
