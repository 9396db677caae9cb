#include "engine/glyphs.h"

#include <cmath>
#include <cstdlib>
#include <memory>
#include <numbers>

#include "engine/records.h"
#include "fonts/matching.h"
#include "swf/fonts_text.h"
#include "text/utf8.h"

namespace quillet::engine {
namespace {

using transform::FSCurve;
using transform::FSLine;
using transform::FSShapeStyle;

int twips(double pixels) {
    return roundHalf(pixels * 20.0);
}

// A glyph of vertical text that stands upright: turned counter-clockwise by the font's
// orientation (tenths of a degree) about the centre of its cell, which then lies on the origin's
// vertical (the text places it at the middle of the character's advance).
void standUpright(fonts::GlyphOutline& glyph, int orientation, double emPixels) {
    const double angle = orientation / 10.0 * std::numbers::pi / 180.0;
    const double c = std::cos(angle), s = std::sin(angle);
    const double cx = glyph.advance / 2, cy = fonts::kUprightCentre * emPixels;
    auto turn = [&](fonts::Point& p) {
        const double x = p.x - cx, y = p.y - cy;
        p.x = x * c - y * s;
        p.y = x * s + y * c + cy;
    };
    for (fonts::Contour& contour : glyph.contours) {
        turn(contour.start);
        for (fonts::Segment& segment : contour.segments) {
            turn(segment.control);
            turn(segment.end);
        }
    }
}

}  // namespace

char32_t nextCode(const std::string& text, std::size_t& i) {
    return utf8::next(text, i);
}

GlyphExtent extractGlyph(fonts::FontLibrary& fonts, char32_t code, const fonts::LogicalFont& font,
                         int penX, int penY, transform::FSShape& shape,
                         const FSShapeStyle& templateStyle, double emPixels) {
    fonts::GlyphOutline glyph =
        emPixels > 0 ? fonts.glyphOutline(font, code, emPixels) : fonts.glyphOutline(font, code);
    if (glyph.contours.empty()) return {};
    if (font.orientation != 0 && emPixels > 0) standUpright(glyph, font.orientation, emPixels);
    for (const fonts::Contour& contour : glyph.contours) {
        const auto& segments = contour.segments;
        int curX = twips(contour.start.x);
        int curY = twips(contour.start.y);
        std::size_t i = 0;
        while (i < segments.size()) {
            // A run of segments of one kind, starting with its own move.
            auto style = std::make_unique<FSShapeStyle>(templateStyle);
            style->setMove(penX + curX, penY - curY);
            shape.add(std::move(style));
            const auto kind = segments[i].kind;
            for (; i < segments.size() && segments[i].kind == kind; ++i) {
                const fonts::Segment& s = segments[i];
                const int ax = twips(s.end.x);
                const int ay = twips(s.end.y);
                if (kind == fonts::Segment::Kind::line) {
                    shape.add(std::make_unique<FSLine>(ax - curX, curY - ay));
                } else {
                    const int cx = twips(s.control.x);
                    const int cy = twips(s.control.y);
                    shape.add(std::make_unique<FSCurve>(cx - curX, curY - cy, ax - cx, cy - ay));
                }
                curX = ax;
                curY = ay;
            }
        }
    }
    return {glyph.advance, glyph.height};
}

StringExtent drawString(fonts::FontLibrary& fonts, const fonts::LogicalFont& font,
                        transform::FSShape& shape, int originX, int originY,
                        const std::string& text, const FSShapeStyle& templateStyle) {
    StringExtent extent{originX, 0};
    int penX = originX;
    std::size_t i = 0;
    while (i < text.size()) {
        const char32_t code = nextCode(text, i);
        const GlyphExtent glyph =
            extractGlyph(fonts, code, font, penX, originY, shape, templateStyle);
        const double advance =
            code == U' ' ? static_cast<int>(std::abs(font.height) * 0.4 + 0.5) : glyph.width;
        penX += twips(advance);
        extent.height = twips(glyph.height);
    }
    extent.endX = penX;
    return extent;
}

GlyphTable::Key GlyphTable::keyOf(char32_t code, const fonts::LogicalFont& f) {
    return {code,
            f.faceName,
            f.eastAsianFaceName,
            f.width,
            f.escapement,
            f.orientation,
            f.weight,
            f.italic,
            f.underline,
            f.strikeOut,
            f.charSet,
            f.outPrecision,
            f.clipPrecision,
            f.quality,
            f.pitchAndFamily};
}

int GlyphTable::addGlyph(char32_t code, const fonts::LogicalFont& font) {
    const auto [it, added] =
        index_.try_emplace(keyOf(code, font), static_cast<int>(entries_.size()));
    if (added) entries_.push_back({code, font});
    return it->second;
}

void GlyphTable::buildFonts(fonts::FontLibrary& fonts, ConversionJob& job) {
    const FSShapeStyle templateStyle(1, 1, 0, 0, 0);
    std::vector<transform::FSShape> glyphs;
    auto writeFont = [&] {
        const int id = job.newIdentifier();
        if (baseFontId_ == 0) baseFontId_ = id;
        job.movie.add(std::make_unique<transform::FSDefineFont>(id, std::move(glyphs)));
        glyphs.clear();
    };
    for (const Entry& entry : entries_) {
        transform::FSShape shape;
        extractGlyph(fonts, entry.code, entry.font, 0, 0, shape, templateStyle, kGlyphEmPixels);
        if (shape.getObjects().empty()) {
            shape.add(std::make_unique<FSShapeStyle>(templateStyle));
        }
        glyphs.push_back(std::move(shape));
        if (glyphs.size() == kGlyphsPerFont) writeFont();
    }
    if (!glyphs.empty()) writeFont();
}

}  // namespace quillet::engine
