// Pair kerning of the font library against HarfBuzz's own full shaping of the same file: the
// positioning table's pairs, their scale, faces without pairs and pairs across faces.
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>
#include <hb.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "fonts/font_library.h"
#include "tests/fonts/installed_fonts.h"

namespace quillet::fonts {
namespace {

using test::font;
using test::installed;

FontLibrary& lib() {
    static FontLibrary library(FontLibraryOptions{"en_US.UTF-8", 0.05});
    return library;
}

// How far the second character moves when the word of two is shaped with every default feature,
// in font units, read from the face's file by HarfBuzz alone.
double shapedPairUnits(const FaceInfo& face, const char* pair) {
    hb_blob_t* blob = hb_blob_create_from_file(face.file.c_str());
    hb_face_t* hbFace = hb_face_create(blob, static_cast<unsigned>(face.index));
    hb_font_t* font = hb_font_create(hbFace);
    hb_buffer_t* buffer = hb_buffer_create();
    hb_buffer_add_utf8(buffer, pair, -1, 0, -1);
    hb_buffer_guess_segment_properties(buffer);
    hb_shape(font, buffer, nullptr, 0);
    unsigned count = 0;
    hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &count);
    hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buffer, &count);
    double units = std::numeric_limits<double>::quiet_NaN();
    if (count == 2) {
        units = static_cast<double>(pos[0].x_advance) + pos[1].x_offset - pos[0].x_offset -
                hb_font_get_glyph_h_advance(font, info[0].codepoint);
    }
    hb_buffer_destroy(buffer);
    hb_font_destroy(font);
    hb_face_destroy(hbFace);
    hb_blob_destroy(blob);
    return units;
}

TEST(Kerning, PositioningPairsOfLiberationSans) {
    REQUIRE_FONT("Liberation Sans", "fonts-liberation2");
    LogicalFont f = font("Arial");
    FaceInfo face = lib().primaryFace(f);
    ASSERT_EQ(face.family, "Liberation Sans");
    const double upem = face.unitsPerEm;
    ASSERT_GT(upem, 0);
    struct Pair {
        char32_t left, right;
        const char* text;
    };
    for (const Pair& p : {Pair{U'A', U'V', "AV"}, Pair{U'T', U'o', "To"}, Pair{U' ', U'A', " A"},
                          Pair{U'V', U'A', "VA"}}) {
        SCOPED_TRACE(p.text);
        double expected = shapedPairUnits(face, p.text);
        ASSERT_TRUE(std::isfinite(expected));
        // At one pixel per font unit the adjustment is the font's value itself.
        double units = lib().kerning(f, p.left, p.right, upem);
        EXPECT_NEAR(units, expected, 1e-9);
        EXPECT_LT(units, -0.02 * upem);  // noticeably closer
        EXPECT_GT(units, -0.2 * upem);   // and not absurdly so
        // Scaled with the em, and the same when asked again (from the cache).
        EXPECT_NEAR(lib().kerning(f, p.left, p.right, 24), expected * 24 / upem, 1e-9);
        EXPECT_NEAR(lib().kerning(f, p.left, p.right, 24), expected * 24 / upem, 1e-9);
    }
    // Pairs the table does not list.
    EXPECT_EQ(lib().kerning(f, U'H', U'H', 100), 0);
    EXPECT_EQ(lib().kerning(f, U'o', U'n', 100), 0);
    // A kerned extent is the advances plus each neighbouring pair.
    double plain = lib().textExtent(f, U"AVAV", 100).width;
    double kerned = lib().textExtent(f, U"AVAV", 100, true).width;
    EXPECT_NEAR(kerned - plain,
                2 * lib().kerning(f, U'A', U'V', 100) + lib().kerning(f, U'V', U'A', 100), 1e-9);
}

TEST(Kerning, CalibriSubstituteKernsFromItsPositioningTable) {
    REQUIRE_FONT("Carlito", "fonts-crosextra-carlito");
    LogicalFont f = font("Calibri");
    FaceInfo face = lib().primaryFace(f);
    ASSERT_EQ(face.family, "Carlito");
    for (const char* pair : {"To", "AV", "VA"}) {
        SCOPED_TRACE(pair);
        double expected = shapedPairUnits(face, pair);
        ASSERT_TRUE(std::isfinite(expected));
        EXPECT_LT(expected, 0);
        char32_t left = static_cast<unsigned char>(pair[0]);
        char32_t right = static_cast<unsigned char>(pair[1]);
        EXPECT_NEAR(lib().kerning(f, left, right, face.unitsPerEm), expected, 1e-9);
    }
}

TEST(Kerning, FaceWithoutPairsGivesNothing) {
    REQUIRE_FONT("Liberation Mono", "fonts-liberation2");
    LogicalFont f = font("Courier New");
    ASSERT_EQ(lib().primaryFace(f).family, "Liberation Mono");
    for (const char* pair : {"AV", "To", " A", "VA"}) {
        char32_t left = static_cast<unsigned char>(pair[0]);
        char32_t right = static_cast<unsigned char>(pair[1]);
        EXPECT_EQ(lib().kerning(f, left, right, 100), 0) << pair;
    }
}

TEST(Kerning, CharactersOfDifferentFacesNeverKern) {
    REQUIRE_FONT("Liberation Sans", "fonts-liberation2");
    LogicalFont f = font("Arial");
    // A fallback face draws the ideograph; neither order kerns.
    ASSERT_NE(lib().faceFor(f, U'日').family, "Liberation Sans");
    EXPECT_EQ(lib().kerning(f, U'A', U'日', 100), 0);
    EXPECT_EQ(lib().kerning(f, U'日', U'V', 100), 0);
    // Characters no face has, invisible ones and code points that are not characters.
    for (char32_t odd : {char32_t{0x10FFFD}, char32_t{0xE0001}, char32_t{0x200B}, char32_t{0xD800},
                         char32_t{0x110000}, char32_t{0xFFFFFFFF}, char32_t{0}}) {
        EXPECT_EQ(lib().kerning(f, U'A', odd, 100), 0)
            << std::hex << static_cast<std::uint32_t>(odd);
        EXPECT_EQ(lib().kerning(f, odd, U'V', 100), 0)
            << std::hex << static_cast<std::uint32_t>(odd);
    }
}

// Absurd sizes give nothing (as the library test checks for every measure); large ones scale.
TEST(Kerning, LargeSizesScale) {
    REQUIRE_FONT("Liberation Sans", "fonts-liberation2");
    LogicalFont f = font("Arial");
    double big = lib().kerning(f, U'A', U'V', 1e5);
    EXPECT_NEAR(big, lib().kerning(f, U'A', U'V', 1) * 1e5, 1e-6);
}

}  // namespace
}  // namespace quillet::fonts
