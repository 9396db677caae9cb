// Pair kerning read from a face's own tables: the 'kern' feature of the positioning table (GPOS)
// for the pair's script, else the legacy 'kern' table, with the results a shaper gives a pair of
// characters shaped with kerning alone.
//
// The bytes are hostile input: every offset and count is checked against its table, and whatever
// does not fit gives no kerning rather than an error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <unordered_map>
#include <vector>

namespace quillet::fonts {

using Bytes = std::span<const std::uint8_t>;

// The tables kerning reads; empty when the face has none.
struct KerningTables {
    Bytes gpos;
    Bytes gdef;
    Bytes kern;
};

// Finds the tables of face `index` in a font file (a single face or a collection). Nothing when the
// file is no OpenType font or the face is missing.
KerningTables findKerningTables(Bytes file, int index);

// The script tag (ISO 15924, "Latn") of a character; 0 for common and inherited characters.
std::uint32_t characterScript(char32_t code);

class PairKerning {
  public:
    // The tables must outlive the reader.
    explicit PairKerning(KerningTables tables);

    // How much wider the pair is in font units (negative: closer) for the characters `left` and
    // `right`, drawn by the glyphs given; `leftAdvance` is the left glyph's natural advance.
    double units(char32_t left, std::uint32_t leftGlyph, char32_t right, std::uint32_t rightGlyph,
                 double leftAdvance);

  private:
    struct ScriptLookups {
        std::vector<std::uint16_t> lookups;  // in lookup-list order
        bool kern = false;                   // the language system has a 'kern' feature
    };
    const ScriptLookups& lookupsFor(std::uint32_t script);
    double positioned(const std::vector<std::uint16_t>& lookups, char32_t left,
                      std::uint32_t leftGlyph, char32_t right, std::uint32_t rightGlyph,
                      double leftAdvance) const;
    double legacyTable(char32_t right, std::uint32_t leftGlyph, std::uint32_t rightGlyph,
                       bool legacyRules) const;
    unsigned glyphProps(char32_t code, std::uint32_t glyph) const;
    // A format 0 subtable of the legacy table: where its pairs are and how to read them.
    struct LegacySubtable {
        std::size_t pairs;
        std::size_t count;
        bool sorted;
        bool override;
    };
    void readLegacyTable();
    bool legacyValue(const LegacySubtable& subtable, std::uint32_t key, int* value) const;

    KerningTables tables_;
    bool hasPositioning_ = false;                  // a positioning table the shaper would use
    std::vector<LegacySubtable> shaperSubtables_;  // as a shaper applies them
    std::vector<LegacySubtable> olderSubtables_;   // as older readers do, for faces without GPOS
    // The kerning lookups of a script, by script tag.
    std::unordered_map<std::uint32_t, ScriptLookups> lookups_;
};

}  // namespace quillet::fonts
