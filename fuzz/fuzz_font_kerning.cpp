// Reads arbitrary bytes as a font file's kerning tables and asks for pairs of the first glyphs,
// with characters of several scripts (which choose the positioning table's script). No kerning is
// an expected outcome; a crash, a sanitizer report, a hang or a value no table can give is a
// finding.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fonts/kerning.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillet::fonts;
    PairKerning kerning(findKerningTables(Bytes(data, size), 0));
    static const char32_t kCharacters[] = {U'A', U'1', 0x3B1, 0x430, 0x5D0, 0x915, 0x3042, 0x301};
    constexpr std::uint32_t kGlyphs = 8;
    for (std::uint32_t left = 0; left < kGlyphs; ++left) {
        for (std::uint32_t right = 0; right < kGlyphs; ++right) {
            const double units =
                kerning.units(kCharacters[left], left, kCharacters[right], right, 500);
            // Every lookup and subtable adds at most a few 16-bit values.
            if (!std::isfinite(units) || std::fabs(units) > 1e9) {
                std::fprintf(stderr, "fuzz_font_kerning: %g for glyphs %u, %u\n", units, left,
                             right);
                std::abort();
            }
        }
    }
    return 0;
}
