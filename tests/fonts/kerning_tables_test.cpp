// Our reader of kerning tables on small synthetic fonts whose results are known: the table
// formats installed faces seldom use, and damaged tables.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "fonts/kerning.h"
#include "tests/fonts/synthetic_font.h"

namespace quillet::fonts {
namespace {

using test::fontFile;
using test::kerningGpos;
using test::legacyKern;
using test::markGdef;

constexpr double kAdvance = 500;  // the left glyph's own advance

struct PairCase {
    char32_t left;
    std::uint32_t leftGlyph;
    char32_t right;
    std::uint32_t rightGlyph;
    double units;
};

void expectPairs(const std::vector<std::uint8_t>& file, const std::vector<PairCase>& cases) {
    PairKerning kerning(findKerningTables(Bytes(file.data(), file.size()), 0));
    for (const PairCase& c : cases) {
        EXPECT_EQ(kerning.units(c.left, c.leftGlyph, c.right, c.rightGlyph, kAdvance), c.units)
            << "glyphs " << c.leftGlyph << ", " << c.rightGlyph << " (U+" << std::hex
            << static_cast<std::uint32_t>(c.left) << ", U+" << static_cast<std::uint32_t>(c.right)
            << ")";
    }
}

// Pairs of the positioning table; Latin, kana and digits all find its lookups (under 'latn' or
// the default script), and the legacy table is then left out.
const std::vector<PairCase> kPositioned = {
    {U'A', 1, U'V', 2, -50},      // pairs: the first glyph's advance
    {U'V', 2, U'A', 1, -20},      // ... and the second one's placement
    {U'A', 1, U'x', 5, 0},        // a mark the lookup ignores
    {U'T', 3, U'o', 4, -55},      // class pairs in an extension, then a single adjustment
    {U'o', 4, U'T', 3, 10},       // a single adjustment of the left glyph: advance - placement
    {U'o', 4, U'o', 4, 25},       // of both glyphs
    {U'x', 5, U'o', 4, -485},     // a left mark loses its advance
    {0x3042, 1, 0x3044, 2, -50},  // kana: the default script
    {U'1', 2, U'1', 3, 0},        // a pair only the legacy table has
    {U'1', 6, U'1', 6, 0},
};

TEST(KerningTables, PositioningTable) {
    expectPairs(fontFile({{"GDEF", markGdef()}, {"GPOS", kerningGpos()}}), kPositioned);
    expectPairs(fontFile({{"GDEF", markGdef()}, {"GPOS", kerningGpos()}, {"kern", legacyKern()}}),
                kPositioned);
}

TEST(KerningTables, LegacyTable) {
    expectPairs(fontFile({{"kern", legacyKern()}}),
                {
                    {U'A', 1, U'V', 2, -65},  // summed, without the subtable across the line
                    {U'V', 2, U'1', 3, -10},
                    {U'V', 2, U'x', 5, -33},
                    // A mark on the right: skipped by the shaper's rules, read by the older ones.
                    {U'V', 2, 0x301, 5, -33},
                    {U'A', 3, U'A', 3, 0},
                    {U'A', 0x10001, U'V', 2, 0},  // glyphs past the table's 16 bits
                });
}

// Damaged tables give some kerning or none, never a read outside them: each table cut short at
// every length, and every 16-bit field set to its largest value.
TEST(KerningTables, DamagedTablesAreReadSafely) {
    const std::vector<std::uint8_t> gdef = markGdef(), gpos = kerningGpos(), kern = legacyKern();
    std::vector<std::vector<std::uint8_t>> damaged;
    for (const std::vector<std::uint8_t>* table : {&gdef, &gpos, &kern}) {
        for (std::size_t n = 0; n < table->size(); ++n)
            damaged.emplace_back(table->begin(), table->begin() + static_cast<long>(n));
        for (std::size_t at = 0; at + 1 < table->size(); at += 2) {
            std::vector<std::uint8_t> bytes = *table;
            bytes[at] = bytes[at + 1] = 0xFF;
            damaged.push_back(bytes);
        }
    }
    std::size_t kernedPairs = 0;
    for (std::size_t i = 0; i < damaged.size(); ++i) {
        // Each damaged table with whole ones of the other kinds.
        const std::string tag = i < gdef.size() * 3 / 2                   ? "GDEF"
                                : i < (gdef.size() + gpos.size()) * 3 / 2 ? "GPOS"
                                                                          : "kern";
        std::vector<std::pair<std::string, std::vector<std::uint8_t>>> tables = {
            {"GDEF", gdef}, {"GPOS", gpos}, {"kern", kern}};
        for (auto& [t, bytes] : tables) {
            if (t == tag) bytes = damaged[i];
        }
        const std::vector<std::uint8_t> file = fontFile(tables);
        PairKerning kerning(findKerningTables(Bytes(file.data(), file.size()), 0));
        for (std::uint32_t a = 0; a < 7; ++a) {
            for (std::uint32_t b = 0; b < 7; ++b) {
                const double units = kerning.units(U'A', a, 0x301, b, kAdvance);
                ASSERT_TRUE(std::isfinite(units));
                ASSERT_LE(std::fabs(units), 4 * 32768.0 + kAdvance);
                if (units != 0) ++kernedPairs;
            }
        }
    }
    // Most damage leaves some pairs kerned.
    EXPECT_GT(kernedPairs, damaged.size());
}

TEST(KerningTables, FilesThatAreNoFonts) {
    const std::vector<std::uint8_t> font = fontFile({{"kern", legacyKern()}});
    // The table follows the header and its one record.
    const std::size_t end = 12 + 16 + legacyKern().size();
    for (std::size_t n = 0; n <= font.size(); ++n) {
        // A file cut short loses the table that is no longer whole.
        KerningTables t = findKerningTables(Bytes(font.data(), n), 0);
        EXPECT_EQ(t.kern.empty(), n < end) << n;
    }
    // A face index past the file's one face, and a collection of none.
    EXPECT_TRUE(findKerningTables(Bytes(font.data(), font.size()), 1).kern.empty());
    const std::vector<std::uint8_t> collection = {'t', 't', 'c', 'f', 0, 1, 0, 0, 0, 0, 0, 0};
    EXPECT_TRUE(findKerningTables(Bytes(collection.data(), collection.size()), 0).kern.empty());
}

}  // namespace
}  // namespace quillet::fonts
