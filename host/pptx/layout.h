// Text layout of a shape's text body: where every character, line and bullet of the body stands
// on the slide. The text-range bounds of the host answer from it, and the renderer draws from it,
// so the movie's texts and the rendered pictures put every character at the same place.
//
// Rules (all lengths in points, positions on the slide, y down):
// - Sizes: each run's size times the body's stored autofit font scale (the scale is applied as
//   written, never recomputed). Superscript and subscript runs are drawn at two thirds of their
//   size, their baseline moved by the run's offset times the full size.
// - The box is the shape's box less the body's insets. Lines wrap at its right edge when wrap is
//   on: after spaces, after a hyphen followed by a letter, and between East Asian characters
//   (not before closing or after opening punctuation). A word wider than the line is cut between
//   characters. Spaces at the end of a line hang beyond the edge and count for no alignment.
// - Indents: the first line starts at marL + indent, the others at marL, from the left inset;
//   a start left of the inset is clamped to it. A bullet or number stands at marL + indent and
//   the first line's text then starts at marL; when the label reaches beyond marL, the text
//   follows the label after one space of the label's face if the paragraph has no hanging
//   indent (indent >= 0), else it
//   starts at the next tab stop after the label. A tab moves the text after it to the paragraph's
//   next tab stop: its left edge there, or its centre, right edge or decimal point as the stop
//   says; past the paragraph's own stops come the default ones (every defTabSz, 72 points unless
//   set).
// - A line's natural height is the largest ascent plus the largest descent (the Windows metrics of
//   the face that draws each character: the run's face, its East Asian face or a fallback face)
//   of its characters and bullet; an empty line takes the height of its paragraph mark.
//   Percent line spacing: pitch = natural height × (percent − stored line-spacing reduction,
//   at least 10 %); point spacing: pitch = the points. The baseline lies one descent above the
//   bottom of the pitch, so extra spacing goes above the line.
// - Space before and after: points as given; a percentage is of the largest font size on the
//   paragraph's first (before) or last (after) line. The first paragraph's space before and the
//   last one's space after do not count at the edges of the box.
// - Alignment: left, centre, right; justified lines stretch their inner spaces (not the last line
//   of a paragraph nor one ending at a line break); distributed lines stretch the gaps between
//   all characters, the last line too. A bullet moves with its line.
// - Vertical anchor top, middle or bottom within the insets; text that overflows does so
//   downward, on both sides or upward accordingly. Centred anchoring (anchorCtr) moves the block
//   of lines, as wide as its widest line, to the middle of the box.
// - Shapes that fit themselves to their text (spAutoFit) get the height of their text plus the
//   insets; the top stays for top-anchored text, the middle for middle and the bottom for bottom.
// - Vertical text (vert, eaVert, mongolianVert, wordArtVert: a quarter turn clockwise; vert270:
//   three quarters) is laid out as horizontal text in the text box turned by that much, its
//   insets following the sides they belong to, and turned back for drawing (added to the
//   rotation, about the shape's centre: the laid-out box is placed so that this lands it on the
//   text box). Lines become columns, right to left; mongolianVert and wordArtVert put them left
//   to right. East Asian characters of eaVert and mongolianVert, and every character of
//   wordArtVert, stand upright: turned back about the centre of their cell, a wordArt letter
//   taking its cell's height along the column. Such boxes do not grow to fit their text.
//   Rotation and flips are the shape's and are reported for the renderer.
// - Kerning is not applied; letter spacing (spc) is.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fonts/font_library.h"
#include "fonts/logical_font.h"
#include "host/pptx/model.h"

namespace quillet::pptx {

struct LayoutOptions {
    // The character set of the logical fonts: ANSI (Western stand-ins for missing faces) or the
    // default set (stand-ins of the user's locale), as the conversion setting says.
    bool charsetIsAnsi = true;
};

// How a group of characters is drawn.
struct CharStyle {
    // The platform logical font: height = size + 0.5 truncated (a cell height), weight 700 or
    // 500, italic, underline, character set, face and East Asian face. Draw at `size` as the em
    // size in points (FontLibrary calls with an explicit em size).
    fonts::LogicalFont font;
    double size = 0;  // em size in points, autofit scale and super/subscript applied
    Color color;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    std::string underlineStyle = "none";  // "sng", "dbl", ... as in the file
    Color underlineColor;                 // the run's own underline colour, else its text's
    double underlineWeight = 1;           // the thickness against the face's own: 2 when heavy
    bool underlineDoubled = false;        // a second line under the first, a thickness apart
    int underlineDash = host::dash_style::kSolid;
    bool underlineWavy = false;
    bool underlineWordsOnly = false;  // spaces are not underlined
    std::optional<Color> highlight;   // behind the characters' cells (ascent and descent)
    bool strike = false;
    bool strikeDoubled = false;  // two lines a thickness apart about the single line's place
    bool shadow = false;
    Color outlineColor;       // glyph outline, drawn when outlineWidth > 0
    double outlineWidth = 0;  // points
    // The run's outer shadow, drawn when shadowDrawn: the glyphs moved by (shadowDx, shadowDy)
    // points in shadowColor.
    bool shadowDrawn = false;
    Color shadowColor;
    double shadowDx = 0, shadowDy = 0;
    double ascent = 0;   // cell ascent at `size`
    double descent = 0;  // cell descent at `size`
    bool operator==(const CharStyle&) const = default;
};

// One character of the body's text, in text order: the characters of each paragraph's runs, then
// its paragraph mark U+000D (not after the last paragraph). Index i is the host's character i + 1.
struct LaidChar {
    char32_t code = 0;     // as stored: U+000D mark, U+000B line break, U+0009 tab included
    char32_t glyph = 0;    // the character drawn (capitals applied); 0 when nothing is drawn
    int paragraph = 0;     // index into TextLayout::paragraphs
    int run = -1;          // index of the run in its paragraph; -1 for the paragraph mark
    int line = 0;          // index into TextLayout::lines
    int style = 0;         // index into TextLayout::styles
    double x = 0;          // left of the character
    double advance = 0;    // width it takes (letter spacing and justification included)
    double baseline = 0;   // its baseline (the line's, moved for super/subscript)
    bool upright = false;  // stands up in vertical text: turned back by the layout's turn
};

struct LaidLine {
    int paragraph = 0;
    int firstChar = 0;  // into TextLayout::chars
    int charCount = 0;
    double top = 0;       // top of the line's pitch
    double height = 0;    // the pitch
    double baseline = 0;  // y of the baseline
    double ascent = 0;    // natural ascent and descent of the line
    double descent = 0;
    double left = 0;   // the first character's left (the bullet's for a first line with one)
    double width = 0;  // to the end of the last character that is not a trailing space
};

struct LaidGlyph {
    char32_t code = 0;
    double x = 0;
    double advance = 0;
};

// A paragraph's bullet or number, drawn on its first line's baseline.
struct LaidBullet {
    bool present = false;
    int type = 0;          // host::bullet_type
    std::u32string label;  // the bullet character or the number label
    std::vector<LaidGlyph> glyphs;
    int style = 0;  // into TextLayout::styles: the bullet's face, size and colour
    double x = 0;
    double baseline = 0;
    double width = 0;
    std::shared_ptr<MediaPart> picture;  // picture bullets: drawn as a size × size square at x
};

struct LaidParagraph {
    int firstLine = 0;
    int lineCount = 0;
    int firstChar = 0;
    int charCount = 0;  // its mark included
    double spaceBefore = 0;
    double spaceAfter = 0;
    // Bounds of the text: left of the text after the indent (the leftmost line start), top of its
    // first line, to the right end of its widest line, to the bottom of its last line.
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    LaidBullet bullet;
};

struct TextLayout {
    // The shape's box as laid out (the grown height for shapes that fit their text).
    double boxLeft = 0;
    double boxTop = 0;
    double boxWidth = 0;
    double boxHeight = 0;
    bool grown = false;  // the box was fitted to the text
    double textTop = 0;  // top of the first line
    double textHeight = 0;
    // For drawing: the shape's rotation (degrees clockwise about the box centre) plus the body's
    // own and the turn of vertical text, its flips, and the orientation.
    double rotation = 0;
    bool flipH = false;
    bool flipV = false;
    int orientation = 0;
    double turn = 0;  // the part of rotation that vertical text adds (0, 90 or 270)
    std::vector<CharStyle> styles;
    std::vector<LaidChar> chars;
    std::vector<LaidLine> lines;
    std::vector<LaidParagraph> paragraphs;
};

// Bounds of a range of characters as the host reports them.
struct RangeBounds {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};

// Bounds of the characters [start, start + length) (0-based, in the order of TextLayout::chars):
// - one character: left = its left, width = its advance, height = its style's size and top = its
//   baseline − 0.8 × size, so that a text placed with its baseline at 80 % of its height below
//   the top lands on the layout's baseline;
// - more characters: from the leftmost to the rightmost character drawn (marks when nothing else),
//   from the top of the first line touched to the bottom of the last one; for a whole paragraph
//   these are the paragraph's bounds.
// An empty range at position start gives a zero-width box at that place; all zeros for an empty
// layout.
RangeBounds rangeBounds(const TextLayout& layout, int start, int length);

// Text of a run as the host's text operations count it: one code point per valid UTF-8 sequence,
// U+FFFD for each byte that starts no valid sequence. Layout and text ranges share it so that
// their character positions agree.
std::u32string decodeText(const std::string& s);

// Labels of auto-numbered paragraphs: the label of `number` (1-based) in a numbering style
// (host::numbering_style codes 0..40). Styles this system does not draw fall back to "1." form.
std::u32string numberLabel(int style, int number);

// The run properties a paragraph's bullet or number is drawn with, before the autofit scale: its
// own face and colour, or the first run's; its size relative to the first run's or in points. The
// host's bullet font is built from it, so both report what is drawn.
RunProps bulletProps(const Paragraph& p);

// The body's stored autofit font scale as layout applies it (1 when unset, clamped to 0.01..1):
// drawn sizes, and the sizes the host reports for runs and bullets, are the written sizes times it.
double autofitFontScale(const TextBody& body);

// Lays out the shape's text body. `fonts` may be null (no font system): estimated metrics.
TextLayout layoutText(const Shape& shape, const TextBody& body, fonts::FontLibrary* fonts,
                      const LayoutOptions& options = {});

// Layouts per text body, kept while the body's text and the shape's box stay as they were.
// Holds the font library of the conversion (started on first use).
class LayoutCache {
  public:
    explicit LayoutCache(LayoutOptions options = {});
    ~LayoutCache();
    LayoutCache(const LayoutCache&) = delete;
    LayoutCache& operator=(const LayoutCache&) = delete;

    // The layout of shape.text; null when the shape has no text body.
    std::shared_ptr<const TextLayout> layout(const Shape& shape);
    // The font library; null when FreeType or fontconfig cannot start.
    fonts::FontLibrary* fonts();
    const LayoutOptions& options() const { return options_; }
    void setOptions(const LayoutOptions& options);
    void clear();

  private:
    struct Entry {
        std::weak_ptr<TextBody> body;
        unsigned revision = 0;
        double left = 0, top = 0, width = 0, height = 0, rotation = 0;
        bool flipH = false, flipV = false;
        std::shared_ptr<const TextLayout> layout;
    };
    LayoutOptions options_;
    std::unique_ptr<fonts::FontLibrary> fonts_;
    bool fontsTried_ = false;
    std::map<const TextBody*, Entry> entries_;
    std::size_t sinceSweep_ = 0;
};

// The heights of a table's rows as drawn: each row's stored height is a minimum that grows to
// hold the text of its cells that do not span rows, every paragraph of it (an empty one takes
// the height of its mark).
// Empty when the shape is no table.
std::vector<double> tableRowHeights(const Shape& table, LayoutCache& layouts);

// The table's height as drawn: its grown rows, never less than its stored height.
double tableHeight(const Shape& table, LayoutCache& layouts);

}  // namespace quillet::pptx
