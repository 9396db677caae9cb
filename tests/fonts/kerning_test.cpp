// Pair kerning of the font library against HarfBuzz's own full shaping of the same file: the
// positioning table's pairs, their scale, faces without pairs and pairs across faces; and our
// reader of the kerning tables against HarfBuzz shaping pairs with kerning alone (FreeType's
// legacy kerning where that gives nothing), over every installed face.
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>
#include <hb-ot.h>
#include <hb.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <limits>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "fonts/font_library.h"
#include "fonts/kerning.h"
#include "tests/fonts/installed_fonts.h"

namespace quillet::fonts {
namespace {

using test::font;
using test::installed;

FontLibrary& lib() {
    static FontLibrary library(FontLibraryOptions{"en_US.UTF-8", 0.05});
    return library;
}

// A face as the shaper and FreeType see it, and the pair adjustment the font library gave before
// it read the tables itself: the pair shaped with only the kerning feature on, else (shaping
// failed, or gave nothing and the face has no positioning table) FreeType's legacy kerning.
class ShapedFace {
  public:
    ShapedFace(const std::string& file, int index) {
        static FT_Library library = [] {
            FT_Library made = nullptr;
            EXPECT_EQ(FT_Init_FreeType(&made), 0);
            return made;
        }();
        blob_ = hb_blob_create_from_file(file.c_str());
        face_ = hb_face_create(blob_, static_cast<unsigned>(index));
        font_ = hb_font_create(face_);
        buffer_ = hb_buffer_create();
        hasPositioning_ = hb_ot_layout_has_positioning(face_);
        if (FT_New_Face(library, file.c_str(), index, &ft_) != 0) ft_ = nullptr;
        if (ft_ != nullptr && FT_Select_Charmap(ft_, FT_ENCODING_UNICODE) != 0) {
            symbol_ = FT_Select_Charmap(ft_, FT_ENCODING_MS_SYMBOL) == 0;
            if (!symbol_) {
                FT_Done_Face(ft_);
                ft_ = nullptr;
            }
        }
    }
    explicit ShapedFace(const FaceInfo& face) : ShapedFace(face.file, face.index) {}
    ~ShapedFace() {
        if (ft_ != nullptr) FT_Done_Face(ft_);
        hb_buffer_destroy(buffer_);
        hb_font_destroy(font_);
        hb_face_destroy(face_);
        hb_blob_destroy(blob_);
    }
    ShapedFace(const ShapedFace&) = delete;
    ShapedFace& operator=(const ShapedFace&) = delete;

    bool usable() const { return ft_ != nullptr && FT_IS_SCALABLE(ft_); }

    // As the font library finds glyphs: symbol faces keep their characters at U+F000 + the code.
    unsigned glyph(char32_t code) const {
        unsigned index = FT_Get_Char_Index(ft_, code);
        if (index == 0 && symbol_ && code < 0x100) index = FT_Get_Char_Index(ft_, 0xF000 | code);
        return index;
    }

    double advance(unsigned glyph) const {
        FT_Fixed advance = 0;
        FT_Get_Advance(ft_, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP,
                       &advance);
        return static_cast<double>(advance);
    }

    // How far the second character moves when the pair is shaped, in font units, read from the
    // face's file by HarfBuzz alone: with every default feature, or with kerning alone (and then
    // only when the shaper keeps the characters' own glyphs). NaN when it does not give two.
    double shaped(char32_t left, char32_t right, bool kerningOnly) {
        static const std::vector<hb_feature_t> kKerningAlone = [] {
            std::vector<hb_feature_t> features{{HB_TAG('k', 'e', 'r', 'n'), 1, 0, ~0u}};
            for (const char* off : {"liga", "clig", "calt", "dlig", "rlig", "ccmp", "locl", "rclt",
                                    "mark", "mkmk", "curs", "dist"})
                features.push_back({hb_tag_from_string(off, 4), 0, 0, ~0u});
            return features;
        }();
        hb_buffer_clear_contents(buffer_);
        const hb_codepoint_t codes[2] = {left, right};
        hb_buffer_add_codepoints(buffer_, codes, 2, 0, 2);
        hb_buffer_set_direction(buffer_, HB_DIRECTION_LTR);
        hb_buffer_guess_segment_properties(buffer_);
        hb_shape(font_, buffer_, kerningOnly ? kKerningAlone.data() : nullptr,
                 kerningOnly ? kKerningAlone.size() : 0);
        unsigned count = 0;
        const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer_, &count);
        const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buffer_, &count);
        if (count != 2 || (kerningOnly &&
                           (info[0].codepoint != glyph(left) || info[1].codepoint != glyph(right))))
            return std::numeric_limits<double>::quiet_NaN();
        return static_cast<double>(pos[0].x_advance) + pos[1].x_offset - pos[0].x_offset -
               hb_font_get_glyph_h_advance(font_, info[0].codepoint);
    }

    double pair(char32_t left, unsigned leftGlyph, char32_t right, unsigned rightGlyph) {
        const double units = shaped(left, right, true);
        if (!std::isnan(units) && (units != 0 || hasPositioning_)) return units;
        FT_Vector delta{0, 0};
        return FT_HAS_KERNING(ft_) &&
                       FT_Get_Kerning(ft_, leftGlyph, rightGlyph, FT_KERNING_UNSCALED, &delta) == 0
                   ? static_cast<double>(delta.x)
                   : 0;
    }

  private:
    hb_blob_t* blob_ = nullptr;
    hb_face_t* face_ = nullptr;
    hb_font_t* font_ = nullptr;
    hb_buffer_t* buffer_ = nullptr;
    bool hasPositioning_ = false;
    FT_Face ft_ = nullptr;
    bool symbol_ = false;
};

TEST(Kerning, PositioningPairsOfLiberationSans) {
    REQUIRE_FONT("Liberation Sans", "fonts-liberation2");
    LogicalFont f = font("Arial");
    FaceInfo face = lib().primaryFace(f);
    ASSERT_EQ(face.family, "Liberation Sans");
    ShapedFace shaper(face);
    const double upem = face.unitsPerEm;
    ASSERT_GT(upem, 0);
    for (const char* pair : {"AV", "To", " A", "VA"}) {
        SCOPED_TRACE(pair);
        const char32_t left = pair[0], right = pair[1];
        double expected = shaper.shaped(left, right, false);
        ASSERT_TRUE(std::isfinite(expected));
        // At one pixel per font unit the adjustment is the font's value itself.
        double units = lib().kerning(f, left, right, upem);
        EXPECT_NEAR(units, expected, 1e-9);
        EXPECT_LT(units, -0.02 * upem);  // noticeably closer
        EXPECT_GT(units, -0.2 * upem);   // and not absurdly so
        // Scaled with the em, and the same when asked again (from the cache).
        EXPECT_NEAR(lib().kerning(f, left, right, 24), expected * 24 / upem, 1e-9);
        EXPECT_NEAR(lib().kerning(f, left, right, 24), expected * 24 / upem, 1e-9);
    }
    // Large sizes scale too (absurd ones give nothing, as the library test checks for every
    // measure).
    EXPECT_NEAR(lib().kerning(f, U'A', U'V', 1e5), lib().kerning(f, U'A', U'V', 1) * 1e5, 1e-6);
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
    ShapedFace shaper(face);
    for (const char* pair : {"To", "AV", "VA"}) {
        SCOPED_TRACE(pair);
        const char32_t left = pair[0], right = pair[1];
        double expected = shaper.shaped(left, right, false);
        ASSERT_TRUE(std::isfinite(expected));
        EXPECT_LT(expected, 0);
        EXPECT_NEAR(lib().kerning(f, left, right, face.unitsPerEm), expected, 1e-9);
    }
}

TEST(Kerning, FaceWithoutPairsGivesNothing) {
    REQUIRE_FONT("Liberation Mono", "fonts-liberation2");
    LogicalFont f = font("Courier New");
    ASSERT_EQ(lib().primaryFace(f).family, "Liberation Mono");
    for (const char* pair : {"AV", "To", " A", "VA"})
        EXPECT_EQ(lib().kerning(f, pair[0], pair[1], 100), 0) << pair;
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

// --- our reader against a shaper, face by face ---------------------------------------------------

// Every installed outline face: file, face index and whether its family is one decks use most
// (the metric-compatible substitutes and the last resort), whose Latin pairs are all compared.
struct InstalledFace {
    std::string file;
    int index;
    bool common;
    auto operator<=>(const InstalledFace&) const = default;
};

std::vector<InstalledFace> installedFaces() {
    static const std::set<std::string> kCommon = {
        "Carlito", "Caladea", "Liberation Sans", "Liberation Serif", "DejaVu Sans", "Noto Sans"};
    std::set<InstalledFace> faces;
    FcConfig* config = FcInitLoadConfigAndFonts();
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_INDEX, FC_OUTLINE, FC_FAMILY, nullptr);
    FcFontSet* set = config ? FcFontList(config, pattern, objects) : nullptr;
    for (int i = 0; set != nullptr && i < set->nfont; ++i) {
        FcChar8* file = nullptr;
        FcChar8* family = nullptr;
        int index = 0;
        FcBool outline = FcTrue;
        FcPatternGetBool(set->fonts[i], FC_OUTLINE, 0, &outline);
        if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &file) != FcResultMatch || !outline)
            continue;
        FcPatternGetInteger(set->fonts[i], FC_INDEX, 0, &index);
        const bool common =
            FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &family) == FcResultMatch &&
            kCommon.count(reinterpret_cast<const char*>(family)) > 0;
        faces.insert({reinterpret_cast<const char*>(file), index & 0xFFFF, common});
    }
    if (set) FcFontSetDestroy(set);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    if (config) FcConfigDestroy(config);
    return {faces.begin(), faces.end()};
}

std::vector<std::uint8_t> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::u32string range(char32_t first, char32_t last) {
    std::u32string s;
    for (char32_t c = first; c <= last; ++c) s += c;
    return s;
}

// The pairs compared: each group's characters against each other, and the Latin letters and
// punctuation with every group. Characters a face lacks are left out.
struct CharacterGroup {
    const char* name;
    std::u32string characters;
};

const std::vector<CharacterGroup>& groups() {
    static const std::vector<CharacterGroup> all = {
        {"ASCII", range(U' ', U'~')},
        // Without the soft hyphen, which takes no room and never kerns.
        {"Latin-1", range(0xA0, 0xAC) + range(0xAE, 0xFF)},
        {"Latin Extended-A", range(0x100, 0x17F)},
        {"Greek", range(0x386, 0x3CE)},
        {"Cyrillic", range(0x400, 0x45F)},
        {"punctuation", U"\u2013\u2014\u2018\u2019\u201C\u201D\u2026\u2022\u20AC\u2122"},
        {"CJK and kana",
         U"\u3001\u3002\u300C\u300D\u3042\u3044\u304B\u306E\u30A2\u30AB"
         U"\u30C8\u30FC\u4E00\u4EBA\u65E5\u672C\u8A9E\uFF01\uFF08\uFF0C"},
    };
    return all;
}

TEST(Kerning, TablesReadAsTheShaperKernsEveryInstalledFace) {
    const auto faces = installedFaces();
    if (faces.empty()) GTEST_SKIP() << "no fonts are installed (scripts/setup.sh installs them)";
    // The faces decks use most are compared on every pair of ASCII characters, and every face on
    // pairs spread over all groups, different ones in each face.
    constexpr std::size_t kPairsPerFace = 2000;
    std::size_t compared = 0, facesCompared = 0, kerned = 0, differing = 0;
    std::string lastFile;
    std::vector<std::uint8_t> bytes;
    for (const InstalledFace& face : faces) {
        ShapedFace shaped(face.file, face.index);
        if (!shaped.usable()) continue;
        // The faces of a collection follow each other: its file is read once.
        if (face.file != lastFile) {
            bytes = fileBytes(face.file);
            lastFile = face.file;
        }
        PairKerning ours(findKerningTables(Bytes(bytes.data(), bytes.size()), face.index));
        ++facesCompared;
        std::u32string ascii, all;
        for (const CharacterGroup& g : groups()) {
            for (char32_t c : g.characters) {
                if (shaped.glyph(c) == 0) continue;
                all += c;
                if (c < 0x80) ascii += c;
            }
        }
        std::vector<std::pair<char32_t, char32_t>> pairs;
        if (face.common) {
            for (char32_t a : ascii) {
                for (char32_t b : ascii) pairs.emplace_back(a, b);
            }
        }
        const std::size_t every = all.size() * all.size();
        const std::size_t stride = every / kPairsPerFace + 1;
        for (std::size_t k = (facesCompared * 7919) % stride; k < every; k += stride)
            pairs.emplace_back(all[k / all.size()], all[k % all.size()]);
        for (const auto& [a, b] : pairs) {
            const unsigned ga = shaped.glyph(a), gb = shaped.glyph(b);
            const double expected = shaped.pair(a, ga, b, gb);
            const double got = ours.units(a, ga, b, gb, shaped.advance(ga));
            ++compared;
            if (expected != 0) ++kerned;
            if (got != expected && ++differing <= 20) {
                ADD_FAILURE() << face.file << " #" << face.index << ": U+" << std::hex
                              << static_cast<std::uint32_t>(a) << " U+"
                              << static_cast<std::uint32_t>(b) << std::dec << " (glyphs " << ga
                              << ", " << gb << "): ours " << got << ", shaped " << expected;
            }
        }
    }
    EXPECT_EQ(differing, 0u);
    // The sweep means something only if the faces kern many of the pairs.
    EXPECT_GT(kerned, compared / 100);
    std::printf("kerning sweep: %zu faces, %zu pairs (%zu kerned), %zu differing\n", facesCompared,
                compared, kerned, differing);
}

}  // namespace
}  // namespace quillet::fonts
