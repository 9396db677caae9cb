// Slide texts: every visible character of a text frame, where the host's layout put it, becomes a
// text record drawn with the embedded glyph fonts. The element builder gathers the characters into
// the text table; once every slide is built, the fonts and then the texts are written.
#pragma once

#include <vector>

#include "engine/glyphs.h"
#include "fonts/logical_font.h"
#include "host/host.h"
#include "swf/basic_types.h"
#include "swf/movie.h"

namespace quillet::engine {

class ConversionJob;
struct Element;

// A character as gathered from the host: its code and font, its size in points (the height of its
// one-character range, which the host makes the font size), its colour (RGB), the top-left of
// that range in twips and whether its run has a shadow.
// Whether a character stands upright in vertical text of that orientation (all of vertical
// WordArt, the East Asian characters of far-east columns but brackets and dashes).
bool standsUpright(int orientation, char32_t code);

// How a character is drawn beyond its glyph, colour and place.
struct GlyphLook {
    bool shadow = false;
    // The glyph's outline (twips, 0: none) and colour (RGB); a hollow glyph shows its outline
    // alone.
    int outlineWidth = 0;
    int outlineColour = 0;
    bool filled = true;
    // The shadow as the host draws it (shadowPlaced): moved by (shadowDx, shadowDy) twips, in its
    // colour (RGB) and opacity (0..255); otherwise one that stands out from the text's colour.
    bool shadowPlaced = false;
    int shadowDx = 0, shadowDy = 0;
    int shadowColour = 0;
    int shadowAlpha = 255;
};

struct GatheredCharacter {
    char32_t code = 0;
    fonts::LogicalFont font;
    float size = 0;
    int colour = 0;
    int x = 0;
    int y = 0;
    GlyphLook look;
};

// An underlined or struck-through character: the line runs along its advance, on its baseline
// (twips on the slide), in its colour (RGB) at the place and thickness its font gives for its size.
struct GatheredLine {
    fonts::LogicalFont font;
    float size = 0;  // points
    int colour = 0;
    int x = 0;
    int baseline = 0;
    int width = 0;
    bool strike = false;                  // strike-through, else underline
    float weight = 1;                     // an underline's thickness against the face's own line
    bool second = false;                  // the lower line of a double underline or strike
    float shift = 0;                      // moved down by so many of its thicknesses
    int dash = host::dash_style::kSolid;  // an underline's dashes (others are solid)
    bool wavy = false;                    // an underline drawn as a wave
    bool highlight = false;               // the colour behind the character's cell
};

struct CharacterRecord {
    int glyph = 0;  // index into the glyph table
    float size = 0;
    int colour = 0;
    int x = 0;  // twips on the slide: the character's left and top
    int y = 0;
    GlyphLook look;
};

struct TextRecord {
    int identifier = 0;  // reserved for the text's FSDefineText when its element was built
    int x = 0;           // the element's origin on the slide (twips)
    int y = 0;
    int colour = 0;  // the text's main colour (RGB): chooses the shadow colour
    std::vector<CharacterRecord> characters;
    // Underlines and strike-throughs, drawn as one shape under the glyphs: the text and that shape
    // then stand in a sprite of their own, which is what the element places.
    std::vector<GatheredLine> lines;
    int spriteIdentifier = 0;
    int linesIdentifier = 0;
    // Outlined characters are drawn as one shape of their glyphs, filled and stroked, above the
    // text in its sprite.
    int outlinedIdentifier = 0;
};

class TextTable {
  public:
    GlyphTable glyphs;

    // Registers a text with its characters, each with its glyph.
    void addText(int identifier, int x, int y, int colour,
                 const std::vector<GatheredCharacter>& characters);
    // A text with lines or outlined characters: identifier names its FSDefineText,
    // linesIdentifier the shape of its lines, outlinedIdentifier the shape of its outlined
    // glyphs and spriteIdentifier the sprite that holds them.
    void addText(int identifier, int x, int y, int colour,
                 const std::vector<GatheredCharacter>& characters, std::vector<GatheredLine> lines,
                 int linesIdentifier, int spriteIdentifier, int outlinedIdentifier = 0);
    int countTexts() const { return static_cast<int>(texts_.size()); }
    const std::vector<TextRecord>& texts() const { return texts_; }

    // The FSDefineText of text index: one FSText per character (a shadow record first when its run
    // has a shadow), each with its own font, colour, position and height, so that nothing depends
    // on glyph advances. A character's height is its size in twips and its baseline lies 80 % of
    // that below its top. bounds: the character's bounds (the frame's, widened to its records).
    // A text with lines is written as the shape of its lines, the text, then the sprite; the
    // lines take the place and thickness of the fonts' own lines from fonts (their usual ones
    // without it), and touching lines of one colour, place and thickness become one rectangle.
    // Outlined characters (with fonts) are glyph outlines in a shape above the text instead of
    // records: filled in their colour unless hollow and stroked with their outline, as drawn
    // glyphs are; their shadow stays a record.
    void buildText(transform::FSMovie& movie, int index, const transform::FSBounds& bounds,
                   fonts::FontLibrary* fonts = nullptr) const;

  private:
    std::vector<TextRecord> texts_;
};

// The text element of a shape with text: gathers every visible character of its frame (spaces and
// control characters add nothing) and its bullet and number labels into the job's text table, and
// reserves the identifier of its FSDefineText. False when the shape has no text to show.
bool buildTextElement(ConversionJob& job, Element& element);

// Whether the shape's text will be drawn by a text element (then pictures of the shape leave it
// out, so it is not drawn twice).
bool hasTextToBuild(const host::Shape& shape);

// The last steps of the build phase: the embedded glyph fonts, then every text, with their
// progress reports.
void buildTexts(ConversionJob& job, fonts::FontLibrary& fonts);

}  // namespace quillet::engine
