#include "engine/glyphs.h"

#include <cmath>
#include <cstdlib>
#include <memory>

#include "engine/records.h"

namespace quillet::engine {
namespace {

using transform::FSCurve;
using transform::FSLine;
using transform::FSShapeStyle;

int twips(double pixels) {
    return roundHalf(pixels * 20.0);
}

// Next code point of a UTF-8 text; a malformed byte stands for itself so nothing is skipped.
char32_t nextCode(const std::string& text, std::size_t& i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t extra = lead >= 0xF0 && lead < 0xF8 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    if (i + extra >= text.size()) extra = 0;
    char32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
    for (std::size_t k = 1; k <= extra; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            ++i;
            return lead;
        }
        code = code << 6 | (byte(i + k) & 0x3F);
    }
    i += 1 + extra;
    return code;
}

}  // namespace

GlyphExtent extractGlyph(fonts::FontLibrary& fonts, char32_t code, const fonts::LogicalFont& font,
                         int penX, int penY, transform::FSShape& shape,
                         const FSShapeStyle& templateStyle) {
    const fonts::GlyphOutline glyph = fonts.glyphOutline(font, code);
    if (glyph.contours.empty()) return {};
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

}  // namespace quillet::engine
