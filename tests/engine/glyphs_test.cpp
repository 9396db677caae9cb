// The glyph extractor and string drawer: outlines in twips that close, advances, spaces.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/glyphs.h"
#include "fonts/font_library.h"

namespace quillet::enginetest {
namespace {

using namespace transform;

fonts::LogicalFont arial12() {
    fonts::LogicalFont font;
    font.height = -12;
    font.charSet = fonts::charset::defaultSet;
    font.faceName = "Arial";
    return font;
}

struct Walk {
    int contours = 0;
    bool allClosed = true;
    int minY = std::numeric_limits<int>::max();
    int maxY = std::numeric_limits<int>::min();
};

// Follows the records: a move away from the current point starts a contour; each contour must end
// where it started.
Walk walk(const FSShape& shape) {
    Walk w;
    bool open = false;
    int x = 0, y = 0, startX = 0, startY = 0;
    for (const auto& object : shape.getObjects()) {
        if (auto* s = dynamic_cast<const FSShapeStyle*>(object.get())) {
            if (!open || s->getMoveX() != x || s->getMoveY() != y) {
                if (open && (x != startX || y != startY)) w.allClosed = false;
                startX = x = s->getMoveX();
                startY = y = s->getMoveY();
                open = true;
                ++w.contours;
            }
        } else if (auto* l = dynamic_cast<const FSLine*>(object.get())) {
            x += l->getX();
            y += l->getY();
        } else if (auto* c = dynamic_cast<const FSCurve*>(object.get())) {
            x += c->getControlX() + c->getAnchorX();
            y += c->getControlY() + c->getAnchorY();
        }
        w.minY = std::min(w.minY, y);
        w.maxY = std::max(w.maxY, y);
    }
    if (open && (x != startX || y != startY)) w.allClosed = false;
    return w;
}

TEST(Glyphs, OutlinesCloseAndSitAboveTheBaseline) {
    fonts::FontLibrary library;
    FSShape shape;
    const FSShapeStyle style(1, 1, 0, 0, 0);
    const auto extent = engine::extractGlyph(library, U'O', arial12(), 1000, 2000, shape, style);
    EXPECT_GT(extent.width, 5.0);
    EXPECT_GT(extent.height, 10.0);
    const Walk w = walk(shape);
    EXPECT_EQ(w.contours, 2);  // the outer and the inner ring of an O
    EXPECT_TRUE(w.allClosed);
    // About 12 pixels of em, 20 twips each: the O stands above the baseline at y = 2000.
    EXPECT_LT(w.minY, 2000 - 150);
    EXPECT_GT(w.minY, 2000 - 260);
    EXPECT_LE(w.maxY, 2000 + 10);
    for (const auto& object : shape.getObjects()) {
        if (auto* s = dynamic_cast<const FSShapeStyle*>(object.get())) {
            EXPECT_EQ(s->getLineStyle(), 1);
            EXPECT_EQ(s->getFillStyle(), 1);
        }
    }
}

TEST(Glyphs, ACharacterWithoutOutlineAddsNothing) {
    fonts::FontLibrary library;
    FSShape shape;
    const auto extent =
        engine::extractGlyph(library, U' ', arial12(), 0, 0, shape, FSShapeStyle(1, 1, 0, 0, 0));
    EXPECT_EQ(extent.width, 0.0);
    EXPECT_EQ(extent.height, 0.0);
    EXPECT_TRUE(shape.getObjects().empty());
}

TEST(Glyphs, StringAdvancesByGlyphWidthsAndFortyPercentSpaces) {
    fonts::FontLibrary library;
    const auto font = arial12();
    FSShape one;
    const FSShapeStyle style(0, 1, 0, 0, 0);
    const auto i = engine::drawString(library, font, one, 0, 0, "I", style);
    FSShape spaced;
    const auto iSpaceI = engine::drawString(library, font, spaced, 300, 0, "I I", style);
    // A space of a 12-pixel font advances round(4.8) = 5 pixels = 100 twips.
    EXPECT_EQ(iSpaceI.endX, 300 + 2 * i.endX + 100);
    EXPECT_EQ(iSpaceI.height, i.height);
    EXPECT_EQ(walk(spaced).contours, 2);
    EXPECT_TRUE(walk(spaced).allClosed);
    FSShape none;
    const auto empty = engine::drawString(library, font, none, 70, 80, "", style);
    EXPECT_EQ(empty.endX, 70);
    EXPECT_TRUE(none.getObjects().empty());
}

TEST(Glyphs, EndScreenTextIsDrawnWhole) {
    fonts::FontLibrary library;
    FSShape shape;
    const auto extent = engine::drawString(library, arial12(), shape, 0, 0,
                                           "Slide show over! Press any key to replay!",
                                           FSShapeStyle(0, 1, 0, 0, 0));
    const Walk w = walk(shape);
    EXPECT_TRUE(w.allClosed);
    EXPECT_GE(w.contours, 33);  // 34 visible characters, some with several contours
    EXPECT_GT(extent.endX, 200 * 20);
    EXPECT_LT(extent.endX, 300 * 20);
}

}  // namespace
}  // namespace quillet::enginetest
