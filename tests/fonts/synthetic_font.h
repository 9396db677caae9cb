// Small font files holding only kerning tables, written byte by byte: the table formats that
// installed faces seldom use (extension lookups, single adjustments, class pairs, mark flags,
// several legacy subtables), with values whose results are known. Shared by the kerning tests and
// the fuzzer's seeds.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace quillet::fonts::test {

class TableWriter {
  public:
    TableWriter& u16(unsigned v) {
        bytes.push_back(static_cast<std::uint8_t>(v >> 8));
        bytes.push_back(static_cast<std::uint8_t>(v));
        return *this;
    }
    TableWriter& s16(int v) {
        return u16(static_cast<std::uint16_t>(static_cast<std::int16_t>(v)));
    }
    TableWriter& u32(std::uint32_t v) { return u16(v >> 16).u16(v & 0xFFFF); }
    TableWriter& tag(const char* t) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(t[i]));
        return *this;
    }
    TableWriter& append(const std::vector<std::uint8_t>& more) {
        bytes.insert(bytes.end(), more.begin(), more.end());
        return *this;
    }
    std::size_t size() const { return bytes.size(); }
    std::vector<std::uint8_t> bytes;
};

// Glyph classes: 5 is a mark; the rest are bases.
inline std::vector<std::uint8_t> markGdef() {
    TableWriter w;
    w.u16(1).u16(0).u16(12).u16(0).u16(0).u16(0);  // version 1.0, glyph classes at 12
    w.u16(1).u16(1).u16(6);                        // class definition, format 1: glyphs 1..6
    for (unsigned c : {1, 1, 1, 1, 3, 1}) w.u16(c);
    return w.bytes;
}

// A positioning table whose 'kern' feature (for the default script and Latin) has three lookups:
//   0: pairs, ignoring marks: (1,2) advance -50; (2,1) advance -30 and the second placed +10;
//      (1,5) -40, never applied as 5 is a mark
//   1: an extension holding class pairs: class 1 = {3}, class 1 = {4}: (3,4) advance -70
//   2: a single adjustment of glyph 4: placed +15, advance +25
inline std::vector<std::uint8_t> kerningGpos() {
    TableWriter script;  // a script table with its default language system
    script.u16(4).u16(0).u16(0).u16(0xFFFF).u16(1).u16(0);
    TableWriter scripts;
    scripts.u16(2).tag("DFLT").u16(14).tag("latn").u16(14).append(script.bytes);
    TableWriter features;
    features.u16(1).tag("kern").u16(8).u16(0).u16(3).u16(0).u16(1).u16(2);

    TableWriter pairs1;  // pair adjustments, format 1
    pairs1.u16(1).u16(0).u16(0x4).u16(0x1).u16(2).u16(0).u16(0);
    const std::size_t coverageAt = pairs1.size();
    pairs1.u16(1).u16(2).u16(1).u16(2);  // coverage of glyphs 1 and 2
    const std::size_t set1 = pairs1.size();
    pairs1.u16(2).u16(2).s16(-50).s16(0).u16(5).s16(-40).s16(0);
    const std::size_t set2 = pairs1.size();
    pairs1.u16(1).u16(1).s16(-30).s16(10);
    auto put = [](TableWriter& w, std::size_t at, std::size_t value) {
        w.bytes[at] = static_cast<std::uint8_t>(value >> 8);
        w.bytes[at + 1] = static_cast<std::uint8_t>(value);
    };
    put(pairs1, 2, coverageAt);
    put(pairs1, 10, set1);
    put(pairs1, 12, set2);

    TableWriter pairs2;  // class pair adjustments, format 2
    pairs2.u16(2).u16(40).u16(0x4).u16(0).u16(46).u16(54).u16(2).u16(2);
    for (int v : {0, 0, 0, -70}) pairs2.s16(v);  // class 1 x class 2 records, from offset 16
    while (pairs2.size() < 40) pairs2.u16(0);
    pairs2.u16(1).u16(1).u16(3);                // coverage: glyph 3
    pairs2.u16(1).u16(3).u16(1).u16(1);         // first classes: glyph 3 -> 1
    pairs2.u16(2).u16(1).u16(4).u16(4).u16(1);  // second classes: glyph 4 -> 1
    TableWriter extension;
    extension.u16(1).u16(2).u32(8).append(pairs2.bytes);

    TableWriter single;  // single adjustment, format 1
    single.u16(1).u16(10).u16(0x5).s16(15).s16(25).u16(1).u16(1).u16(4);

    auto lookup = [](unsigned type, unsigned flag, const std::vector<std::uint8_t>& sub) {
        TableWriter w;
        w.u16(type).u16(flag).u16(1).u16(8).append(sub);
        return w.bytes;
    };
    const auto l0 = lookup(2, 0x8, pairs1.bytes);
    const auto l1 = lookup(9, 0, extension.bytes);
    const auto l2 = lookup(1, 0, single.bytes);
    TableWriter lookups;
    lookups.u16(3).u16(8).u16(8 + l0.size()).u16(8 + l0.size() + l1.size());
    lookups.append(l0).append(l1).append(l2);

    TableWriter gpos;
    const std::size_t scriptsAt = 10, featuresAt = scriptsAt + scripts.size(),
                      lookupsAt = featuresAt + features.size();
    gpos.u16(1).u16(0).u16(scriptsAt).u16(featuresAt).u16(lookupsAt);
    gpos.append(scripts.bytes).append(features.bytes).append(lookups.bytes);
    return gpos.bytes;
}

// A legacy kerning table of three subtables: (1,2) -60, (2,3) -10 and (2,5) -33; across the line
// (1,2) +99, never applied; overriding (1,2) with -5.
inline std::vector<std::uint8_t> legacyKern() {
    auto subtable = [](unsigned coverage,
                       std::initializer_list<std::pair<std::uint32_t, int>> pairs) {
        TableWriter w;
        w.u16(0).u16(14 + 6 * pairs.size()).u16(coverage).u16(pairs.size());
        w.u16(0).u16(0).u16(0);
        for (const auto& [key, value] : pairs) w.u32(key).s16(value);
        return w.bytes;
    };
    TableWriter w;
    w.u16(0).u16(3);
    w.append(subtable(0x0001, {{1u << 16 | 2, -60}, {2u << 16 | 3, -10}, {2u << 16 | 5, -33}}));
    w.append(subtable(0x0005, {{1u << 16 | 2, 99}}));
    w.append(subtable(0x0009, {{1u << 16 | 2, -5}}));
    return w.bytes;
}

// A font file of the tables, tag and bytes each, in tag order.
inline std::vector<std::uint8_t> fontFile(
    const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& tables) {
    TableWriter w;
    w.u32(0x00010000).u16(tables.size()).u16(0).u16(0).u16(0);
    std::size_t at = 12 + 16 * tables.size();
    for (const auto& [tag, bytes] : tables) {
        w.tag(tag.c_str()).u32(0).u32(at).u32(bytes.size());
        at += (bytes.size() + 3) & ~std::size_t{3};
    }
    for (const auto& [tag, bytes] : tables) {
        w.append(bytes);
        while (w.size() % 4) w.bytes.push_back(0);
    }
    return w.bytes;
}

}  // namespace quillet::fonts::test
