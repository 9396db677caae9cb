// The font rasterizer of one conversion: finds the installed faces that draw a logical font and
// each of its characters, and gives their metrics, advances, kerning and glyph outlines.
//
// Faces come from fontconfig; a named face that is missing is replaced by a metric-compatible one
// when this system knows one (Carlito for Calibri, Liberation Sans for Arial, ...), else by a
// stand-in that the record's character set chooses: the ANSI set asks for a Western face, the
// default set for a face of the user's locale. A character that the chosen face lacks is drawn by a
// face that has it, so no text vanishes; East Asian characters are drawn by the run's East Asian
// face when the font names one. When nothing else can be found, DejaVu Sans draws.
//
// Sizes are in pixels. A logical font's height gives its em size as the platform did: a positive
// height is the cell height (ascent + descent), a negative one the em height. The calls that take
// an explicit em size (for layout at fractional sizes) ignore the font's height.
//
// Not thread-safe: one library serves one conversion on one thread. Faces stay loaded while the
// library lives. No call throws once the library is built; what cannot be drawn is empty.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "fonts/logical_font.h"
#include "fonts/matching.h"
#include "fonts/outline.h"

namespace quillet::fonts {

class FontError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct FontLibraryOptions {
    // The user's locale ("ja_JP.UTF-8", "zh_TW"): which faces stand in for a missing face when
    // the record asks for the default character set. Empty: LC_ALL, LC_CTYPE or LANG.
    std::string locale;
    // Largest distance, in pixels, between a cubic outline curve and the quadratics replacing it.
    double curveTolerance = 0.05;
};

// An installed face as matched.
struct FaceInfo {
    std::string family;
    std::string style;
    std::string file;
    int index = 0;     // face in a collection file
    bool cff = false;  // cubic (PostScript) outlines
    int unitsPerEm = 0;
    int weight = 400;     // 100 .. 900
    bool italic = false;  // italic or oblique face
    // Not the face the font names nor one of its known substitutes.
    bool standIn = false;
    bool valid() const { return unitsPerEm > 0; }
};

struct FontMetrics {
    double emPixels = 0;
    // The cell: ascent above and descent below the baseline (both positive, from the face's
    // Windows metrics), and the extra space the face wants between lines.
    double ascent = 0;
    double descent = 0;
    double lineGap = 0;
    double cellHeight = 0;  // ascent + descent
    // Typographic line metrics of the horizontal header (descent positive).
    double hheaAscent = 0;
    double hheaDescent = 0;
    double hheaLineGap = 0;
    double capHeight = 0;
    double xHeight = 0;
    double underlinePosition = 0;  // the line's centre; negative below the baseline
    double underlineThickness = 0;
    double strikeoutPosition = 0;  // the top of the line above the baseline (Windows metrics)
    double strikeoutThickness = 0;
};

// A line drawn with text (underline or strike-through): its top below the baseline (negative
// above it) and its thickness, in the units of the metrics.
struct DecorationLine {
    double top = 0;
    double thickness = 0;
};

// Where the face puts its underline and strike-through for metrics taken at em size `size`. A face
// that leaves them out gets lines at the usual places: an underline a tenth of the size below the
// baseline, a strike-through at half the x-height (0.25 of the size without one), both a
// twentieth of the size thick. A weighted underline keeps its centre and multiplies its thickness.
DecorationLine underlineLine(const FontMetrics& metrics, double size, double weight = 1);
DecorationLine strikeoutLine(const FontMetrics& metrics, double size);

// The filled outlines (closed polygons, y down) that draw `line` from x0 to x1: one rectangle; a
// rectangle per dash when `dashes` (dash, gap, ... in multiples of the thickness) is not empty,
// counted from x0 so that a line drawn in one piece keeps its rhythm; or, when wavy, a band a
// thickness high that swings a thickness above and below the line, six thicknesses per wave.
// A line that would need more than a few thousand pieces is drawn solid.
std::vector<std::vector<Point>> decorationOutlines(double x0, double x1, const DecorationLine& line,
                                                   const std::vector<double>& dashes, bool wavy);

// Characters that draw nothing: control characters (paragraph marks, line breaks, tabs) and
// spaces of every width.
bool drawsNothing(char32_t c);

struct TextExtent {
    double width = 0;   // sum of advances
    double height = 0;  // the cell height
};

class FontLibrary {
  public:
    // Throws FontError when FreeType cannot start, or fontconfig when no answers kept from earlier
    // runs spare it (fonts/font_cache.h). With them, fontconfig starts at the first question they
    // do not answer, as the environment of that moment configures it.
    explicit FontLibrary(FontLibraryOptions options = {});
    ~FontLibrary();
    FontLibrary(const FontLibrary&) = delete;
    FontLibrary& operator=(const FontLibrary&) = delete;
    FontLibrary(FontLibrary&&) noexcept;
    FontLibrary& operator=(FontLibrary&&) noexcept;

    // The face that draws the font's non-East-Asian characters.
    FaceInfo primaryFace(const LogicalFont& font);
    // The face that draws `code`: the East Asian face, the primary face or a fallback face.
    // Invalid when no installed face has the character.
    FaceInfo faceFor(const LogicalFont& font, char32_t code);

    // The em size in pixels for the font's height.
    double emPixels(const LogicalFont& font);

    FontMetrics metrics(const LogicalFont& font);
    FontMetrics metrics(const LogicalFont& font, double emPixels);

    // The glyph of one character at the font's height (what the glyph extractor consumes): its
    // outline, its width (advance) and height (the cell height). A character without an outline
    // (space, control character) has no contours.
    GlyphOutline glyphOutline(const LogicalFont& font, char32_t code);
    GlyphOutline glyphOutline(const LogicalFont& font, char32_t code, double emPixels);

    // Advance width of one character; 0 for control characters.
    double advance(const LogicalFont& font, char32_t code, double emPixels);
    // Kerning between two characters (negative brings them closer); 0 when different faces draw
    // them or the face has no kerning pairs.
    double kerning(const LogicalFont& font, char32_t left, char32_t right, double emPixels);

    // Width (sum of advances, without kerning) and height (cell height) of a text at the font's
    // height, as the platform measured a string.
    TextExtent textExtent(const LogicalFont& font, std::u32string_view text);
    TextExtent textExtent(const LogicalFont& font, std::u32string_view text, double emPixels,
                          bool kern = false);

  private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace quillet::fonts
