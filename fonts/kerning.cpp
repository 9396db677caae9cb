#include "fonts/kerning.h"

#include <algorithm>
#include <bit>

namespace quillet::fonts {

namespace {

constexpr std::uint32_t tag(const char (&s)[5]) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(s[0])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[2])) << 8 |
           static_cast<unsigned char>(s[3]);
}

struct ScriptRange {
    std::uint32_t first;
    std::uint32_t last;
    std::uint32_t script;
};

struct CodeRange {
    std::uint32_t first;
    std::uint32_t last;
};

#include "fonts/unicode_ranges.inc"

template <typename Range, std::size_t N>
const Range* findRange(const Range (&ranges)[N], char32_t code) {
    auto it = std::upper_bound(std::begin(ranges), std::end(ranges), code,
                               [](char32_t c, const Range& r) { return c < r.first; });
    if (it == std::begin(ranges)) return nullptr;
    --it;
    return code <= it->last ? &*it : nullptr;
}

bool isNonspacingMark(char32_t code) {
    return findRange(kMarkRanges, code) != nullptr;
}

// Reads of big-endian values; whatever lies outside the bytes reads as zero, so a damaged offset or
// count leads to empty tables rather than out of them.
std::uint16_t u16(Bytes b, std::size_t at) {
    if (at > b.size() || b.size() - at < 2) return 0;
    return static_cast<std::uint16_t>(b[at] << 8 | b[at + 1]);
}

std::int16_t s16(Bytes b, std::size_t at) {
    return static_cast<std::int16_t>(u16(b, at));
}

std::uint32_t u32(Bytes b, std::size_t at) {
    return static_cast<std::uint32_t>(u16(b, at)) << 16 | u16(b, at + 2);
}

// The part of `b` from `offset` on; empty past its end or for a null offset.
Bytes from(Bytes b, std::size_t offset) {
    if (offset == 0 || offset >= b.size()) return {};
    return b.subspan(offset);
}

bool fits(Bytes b, std::size_t at, std::size_t count, std::size_t size) {
    return at <= b.size() && count <= (b.size() - at) / size;
}

// Binary search over `count` sorted records of `size` bytes from `at`; `compare(record)` gives the
// key's order against the record. The index found, or -1.
template <typename Compare>
long search(Bytes b, std::size_t at, std::size_t count, std::size_t size, Compare compare) {
    if (size == 0 || !fits(b, at, count, size)) return -1;
    long lo = 0, hi = static_cast<long>(count) - 1;
    while (lo <= hi) {
        const long mid = (lo + hi) / 2;
        const int c = compare(at + static_cast<std::size_t>(mid) * size);
        if (c < 0)
            hi = mid - 1;
        else if (c > 0)
            lo = mid + 1;
        else
            return mid;
    }
    return -1;
}

template <typename T>
int order(T a, T b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

constexpr long kNotCovered = -1;

long coverageIndex(Bytes coverage, std::uint32_t glyph) {
    const std::uint16_t count = u16(coverage, 2);
    switch (u16(coverage, 0)) {
        case 1:
            return search(coverage, 4, count, 2, [&](std::size_t at) {
                return order<std::uint32_t>(glyph, u16(coverage, at));
            });
        case 2: {
            long range = search(coverage, 4, count, 6, [&](std::size_t at) {
                if (glyph < u16(coverage, at)) return -1;
                return glyph > u16(coverage, at + 2) ? 1 : 0;
            });
            if (range < 0) return kNotCovered;
            const std::size_t at = 4 + static_cast<std::size_t>(range) * 6;
            return static_cast<long>(u16(coverage, at + 4)) + (glyph - u16(coverage, at));
        }
        default:
            return kNotCovered;
    }
}

unsigned glyphClass(Bytes classDef, std::uint32_t glyph) {
    switch (u16(classDef, 0)) {
        case 1: {
            const std::uint32_t start = u16(classDef, 2);
            const std::uint32_t count = u16(classDef, 4);
            if (glyph < start || glyph - start >= count) return 0;
            return u16(classDef, 6 + (glyph - start) * 2);
        }
        case 2: {
            long range = search(classDef, 4, u16(classDef, 2), 6, [&](std::size_t at) {
                if (glyph < u16(classDef, at)) return -1;
                return glyph > u16(classDef, at + 2) ? 1 : 0;
            });
            return range < 0 ? 0 : u16(classDef, 4 + static_cast<std::size_t>(range) * 6 + 4);
        }
        default:
            return 0;
    }
}

// The horizontal parts of a value record: where its glyph is drawn and how far the pen moves.
struct Adjustment {
    double placement = 0;
    double advance = 0;
};

unsigned valueSize(std::uint16_t format) {
    return 2 * static_cast<unsigned>(std::popcount(format));
}

Adjustment valueRecord(Bytes b, std::size_t at, std::uint16_t format) {
    Adjustment a;
    if (format & 0x1) a.placement = s16(b, at);
    if (format & 0x1) at += 2;
    if (format & 0x2) at += 2;
    if (format & 0x4) a.advance = s16(b, at);
    return a;
}

// Glyph properties as lookup flags name them.
constexpr unsigned kBase = 0x2;
constexpr unsigned kLigature = 0x4;
constexpr unsigned kMark = 0x8;
constexpr unsigned kIgnoreFlags = 0xE;
constexpr unsigned kUseMarkFilteringSet = 0x10;
constexpr unsigned kMarkAttachmentType = 0xFF00;

// The OpenType script tags of a script, the preferred first.
int scriptTags(std::uint32_t script, std::uint32_t (&tags)[3]) {
    int n = 0;
    if (script == 0) return 0;
    struct Newer {
        std::uint32_t script, tag;
    };
    static constexpr Newer kNewer[] = {
        {tag("Beng"), tag("bng2")}, {tag("Deva"), tag("dev2")}, {tag("Gujr"), tag("gjr2")},
        {tag("Guru"), tag("gur2")}, {tag("Knda"), tag("knd2")}, {tag("Mlym"), tag("mlm2")},
        {tag("Orya"), tag("ory2")}, {tag("Taml"), tag("tml2")}, {tag("Telu"), tag("tel2")},
        {tag("Mymr"), tag("mym2")},
    };
    for (const Newer& n2 : kNewer) {
        if (n2.script != script) continue;
        if (n2.tag != tag("mym2")) tags[n++] = (n2.tag & ~0xFFu) | '3';
        tags[n++] = n2.tag;
    }
    struct Older {
        std::uint32_t script, tag;
    };
    static constexpr Older kOlder[] = {
        {tag("Hira"), tag("kana")}, {tag("Laoo"), tag("lao ")}, {tag("Yiii"), tag("yi  ")},
        {tag("Nkoo"), tag("nko ")}, {tag("Vaii"), tag("vai ")}, {tag("Zmth"), tag("math")},
    };
    std::uint32_t older = script | 0x20000000u;  // the tag in lower case
    for (const Older& o : kOlder) {
        if (o.script == script) older = o.tag;
    }
    tags[n++] = older;
    return n;
}

// The record of `key` in a tag-sorted list of (tag, offset) records.
long findTagged(Bytes list, std::size_t at, std::uint32_t key) {
    return search(list, at, u16(list, at - 2), 6,
                  [&](std::size_t r) { return order(key, u32(list, r)); });
}

}  // namespace

std::uint32_t characterScript(char32_t code) {
    const ScriptRange* r = findRange(kScriptRanges, code);
    return r != nullptr ? r->script : 0;
}

KerningTables findKerningTables(Bytes file, int index) {
    KerningTables t;
    std::size_t face = 0;
    if (u32(file, 0) == tag("ttcf")) {
        const std::uint32_t count = u32(file, 8);
        const auto n = static_cast<std::uint32_t>(index) & 0xFFFF;
        if (n >= count) return t;
        face = u32(file, 12 + static_cast<std::size_t>(n) * 4);
    } else if ((index & 0xFFFF) != 0) {
        return t;
    }
    const std::uint32_t version = u32(file, face);
    if (version != 0x00010000 && version != tag("OTTO") && version != tag("true")) return t;
    const std::uint16_t tables = u16(file, face + 4);
    if (!fits(file, face + 12, tables, 16)) return t;
    for (std::size_t i = 0; i < tables; ++i) {
        const std::size_t at = face + 12 + i * 16;
        const std::uint32_t offset = u32(file, at + 8);
        const std::uint32_t length = u32(file, at + 12);
        if (offset > file.size() || length > file.size() - offset) continue;
        const Bytes table = file.subspan(offset, length);
        switch (u32(file, at)) {
            case tag("GPOS"):
                t.gpos = table;
                break;
            case tag("GDEF"):
                t.gdef = table;
                break;
            case tag("kern"):
                t.kern = table;
                break;
            default:
                break;
        }
    }
    return t;
}

PairKerning::PairKerning(KerningTables tables) : tables_(tables) {
    readLegacyTable();
    const Bytes gpos = tables_.gpos;
    hasPositioning_ = gpos.size() >= 10 && u16(gpos, 0) == 1;
}

const PairKerning::ScriptLookups& PairKerning::lookupsFor(std::uint32_t script) {
    auto found = lookups_.find(script);
    if (found != lookups_.end()) return found->second;
    ScriptLookups& out = lookups_[script];
    std::vector<std::uint16_t>& lookups = out.lookups;
    const Bytes gpos = tables_.gpos;
    const Bytes scripts = from(gpos, u16(gpos, 4));
    // The script of the characters, else the default script, else Latin, as old fonts want.
    std::uint32_t tags[6];
    std::uint32_t own[3];
    int n = scriptTags(script, own);
    std::copy(own, own + n, tags);
    tags[n++] = tag("DFLT");
    tags[n++] = tag("dflt");
    tags[n++] = tag("latn");
    long record = -1;
    for (int i = 0; i < n && record < 0; ++i) record = findTagged(scripts, 2, tags[i]);
    if (record < 0) return out;
    const Bytes table = from(scripts, u16(scripts, 2 + static_cast<std::size_t>(record) * 6 + 4));
    // The language system tagged 'dflt', else the default one.
    Bytes langSys = from(table, u16(table, 0));
    const long dflt = findTagged(table, 4, tag("dflt"));
    if (dflt >= 0) langSys = from(table, u16(table, 4 + static_cast<std::size_t>(dflt) * 6 + 4));

    const Bytes features = from(gpos, u16(gpos, 6));
    const std::uint16_t featureCount = u16(features, 0);
    const std::uint16_t lookupCount = u16(from(gpos, u16(gpos, 8)), 0);
    auto addFeature = [&](std::uint16_t index) {
        if (index >= featureCount) return;
        const Bytes feature = from(features, u16(features, 2 + index * 6u + 4));
        const std::uint16_t count = u16(feature, 2);
        for (std::size_t i = 0; i < count && fits(feature, 4 + i * 2, 1, 2); ++i) {
            const std::uint16_t lookup = u16(feature, 4 + i * 2);
            if (lookup < lookupCount) lookups.push_back(lookup);
        }
    };
    // The required feature applies always; then the language's first 'kern' feature.
    const std::uint16_t required = u16(langSys, 2);
    if (required != 0xFFFF && fits(langSys, 0, 1, 6)) addFeature(required);
    const std::uint16_t indexCount = u16(langSys, 4);
    for (std::size_t i = 0; i < indexCount && fits(langSys, 6 + i * 2, 1, 2); ++i) {
        const std::uint16_t index = u16(langSys, 6 + i * 2);
        if (index < featureCount && u32(features, 2 + index * 6u) == tag("kern")) {
            addFeature(index);
            out.kern = true;
            break;
        }
    }
    std::sort(lookups.begin(), lookups.end());
    lookups.erase(std::unique(lookups.begin(), lookups.end()), lookups.end());
    return out;
}

unsigned PairKerning::glyphProps(char32_t code, std::uint32_t glyph) const {
    const Bytes gdef = tables_.gdef;
    const bool classes = gdef.size() >= 12 && u16(gdef, 0) == 1 && u16(gdef, 4) != 0;
    // Without glyph classes, non-spacing marks are marks and every other glyph a base.
    if (!classes) return isNonspacingMark(code) ? kMark : kBase;
    switch (glyphClass(from(gdef, u16(gdef, 4)), glyph)) {
        case 1:
            return kBase;
        case 2:
            return kLigature;
        case 3:
            return kMark | (glyphClass(from(gdef, u16(gdef, 10)), glyph) & 0xFF) << 8;
        default:
            return 0;
    }
}

double PairKerning::units(char32_t left, std::uint32_t leftGlyph, char32_t right,
                          std::uint32_t rightGlyph, double leftAdvance) {
    double units = 0;
    if (hasPositioning_) {
        // The script of the first character that has one.
        std::uint32_t script = characterScript(left);
        if (script == 0) script = characterScript(right);
        const ScriptLookups& lookups = lookupsFor(script);
        units = positioned(lookups.lookups, left, leftGlyph, right, rightGlyph, leftAdvance);
        // A 'kern' feature for the script leaves the legacy table out.
        if (lookups.kern) return units;
    }
    units += legacyTable(right, leftGlyph, rightGlyph, false);
    // Without a positioning table, the first horizontal pairs stand in for what gave nothing.
    if (units == 0 && !hasPositioning_) units = legacyTable(right, leftGlyph, rightGlyph, true);
    return units;
}

double PairKerning::positioned(const std::vector<std::uint16_t>& lookups, char32_t left,
                               std::uint32_t leftGlyph, char32_t right, std::uint32_t rightGlyph,
                               double leftAdvance) const {
    const Bytes gpos = tables_.gpos;
    const Bytes gdef = tables_.gdef;
    const Bytes lookupList = from(gpos, u16(gpos, 8));
    const unsigned props[2] = {glyphProps(left, leftGlyph), glyphProps(right, rightGlyph)};
    const std::uint32_t glyphs[2] = {leftGlyph, rightGlyph};
    Adjustment first, second;

    // Whether a lookup with these flags sees glyph i.
    auto sees = [&](std::uint32_t flags, int i) {
        if (props[i] & flags & kIgnoreFlags) return false;
        if (!(props[i] & kMark)) return true;
        if (flags & kUseMarkFilteringSet) {
            if (u32(gdef, 0) < 0x00010002) return false;
            const Bytes sets = from(gdef, u16(gdef, 12));
            const std::uint32_t set = flags >> 16;
            if (u16(sets, 0) != 1 || set >= u16(sets, 2)) return false;
            return coverageIndex(from(sets, u32(sets, 4 + set * 4)), glyphs[i]) != kNotCovered;
        }
        if (flags & kMarkAttachmentType)
            return (flags & kMarkAttachmentType) == (props[i] & kMarkAttachmentType);
        return true;
    };

    // One subtable of a single adjustment, on glyph i; whether it applied.
    auto single = [&](Bytes sub, int i, Adjustment& into) {
        const long index = coverageIndex(from(sub, u16(sub, 2)), glyphs[i]);
        if (index == kNotCovered) return false;
        const std::uint16_t format = u16(sub, 4);
        Adjustment a;
        if (u16(sub, 0) == 1) {
            a = valueRecord(sub, 6, format);
        } else if (u16(sub, 0) == 2) {
            if (index >= u16(sub, 6)) return false;
            a = valueRecord(sub, 8 + static_cast<std::size_t>(index) * valueSize(format), format);
        } else {
            return false;
        }
        into.placement += a.placement;
        into.advance += a.advance;
        return true;
    };

    // One subtable of pair adjustments on the two glyphs; whether it applied.
    auto pair = [&](Bytes sub) {
        const long index = coverageIndex(from(sub, u16(sub, 2)), leftGlyph);
        if (index == kNotCovered) return false;
        const std::uint16_t format1 = u16(sub, 4), format2 = u16(sub, 6);
        const unsigned size1 = valueSize(format1), size2 = valueSize(format2);
        std::size_t at = 0;
        Bytes values;
        if (u16(sub, 0) == 1) {
            if (index >= u16(sub, 8)) return false;
            values = from(sub, u16(sub, 10 + static_cast<std::size_t>(index) * 2));
            const std::size_t record = 2 + size1 + size2;
            const long found = search(values, 2, u16(values, 0), record, [&](std::size_t r) {
                return order<std::uint32_t>(rightGlyph, u16(values, r));
            });
            if (found < 0) return false;
            at = 2 + static_cast<std::size_t>(found) * record + 2;
        } else if (u16(sub, 0) == 2) {
            const unsigned class1 = glyphClass(from(sub, u16(sub, 8)), leftGlyph);
            const unsigned class2 = glyphClass(from(sub, u16(sub, 10)), rightGlyph);
            const std::uint16_t count1 = u16(sub, 12), count2 = u16(sub, 14);
            if (class1 >= count1 || class2 >= count2) return false;
            values = sub;
            at = 16 + (static_cast<std::size_t>(class1) * count2 + class2) * (size1 + size2);
        } else {
            return false;
        }
        const Adjustment a = valueRecord(values, at, format1);
        first.placement += a.placement;
        first.advance += a.advance;
        second.placement += valueRecord(values, at + size1, format2).placement;
        return true;
    };

    const std::uint16_t lookupCount = u16(lookupList, 0);
    for (std::uint16_t index : lookups) {
        if (index >= lookupCount) continue;
        const Bytes lookup = from(lookupList, u16(lookupList, 2 + index * 2u));
        const std::uint16_t type = u16(lookup, 0);
        std::uint32_t flags = u16(lookup, 2);
        const std::uint16_t count = u16(lookup, 4);
        if (!fits(lookup, 6, count, 2)) continue;
        if (flags & kUseMarkFilteringSet)
            flags |= static_cast<std::uint32_t>(u16(lookup, 6 + count * 2u)) << 16;
        // A single adjustment applies to each glyph the lookup sees, a pair adjustment to the pair
        // when it sees both; the first subtable that applies is the lookup's result.
        bool done[2] = {false, false};
        bool pairDone = false;
        for (std::size_t s = 0; s < count; ++s) {
            Bytes sub = from(lookup, u16(lookup, 6 + s * 2));
            std::uint16_t subType = type;
            if (type == 9) {
                if (u16(sub, 0) != 1) continue;
                subType = u16(sub, 2);
                sub = from(sub, u32(sub, 4));
            }
            if (subType == 1) {
                for (int i = 0; i < 2; ++i) {
                    if (!done[i] && sees(flags, i))
                        done[i] = single(sub, i, i == 0 ? first : second);
                }
            } else if (subType == 2) {
                if (!pairDone && sees(flags, 0) && sees(flags, 1)) pairDone = pair(sub);
            }
        }
    }
    // The shaper takes a mark's advance away after positioning.
    const double advance = (props[0] & kMark) ? -leftAdvance : first.advance;
    return advance + second.placement - first.placement;
}

// The pair's value in the legacy table's format 0 subtable with `count` pairs from `at`.
bool PairKerning::legacyValue(const LegacySubtable& s, std::uint32_t key, int* out) const {
    const Bytes kern = tables_.kern;
    if (s.sorted) {
        const long found = search(kern, s.pairs, s.count, 6,
                                  [&](std::size_t r) { return order(key, u32(kern, r)); });
        if (found < 0) return false;
        *out = s16(kern, s.pairs + static_cast<std::size_t>(found) * 6 + 4);
        return true;
    }
    for (std::size_t i = 0; i < s.count; ++i) {
        if (u32(kern, s.pairs + i * 6) == key) {
            *out = s16(kern, s.pairs + i * 6 + 4);
            return true;
        }
    }
    return false;
}

// The legacy table's pairs for the two glyphs: summed over its horizontal subtables as a shaper
// applies them (nothing when the right glyph is a mark), or with the rules of the older readers
// (`legacyRules`: only the first 32 subtables, an override replaces the sum).
double PairKerning::legacyTable(char32_t right, std::uint32_t leftGlyph, std::uint32_t rightGlyph,
                                bool legacyRules) const {
    if (leftGlyph > 0xFFFF || rightGlyph > 0xFFFF) return 0;
    const std::uint32_t key = leftGlyph << 16 | rightGlyph;
    double sum = 0;
    int v = 0;
    if (!legacyRules) {
        if (shaperSubtables_.empty() || (glyphProps(right, rightGlyph) & kMark)) return 0;
        for (const LegacySubtable& s : shaperSubtables_) {
            if (legacyValue(s, key, &v)) sum += v;
        }
        return sum;
    }
    for (const LegacySubtable& s : olderSubtables_) {
        if (legacyValue(s, key, &v)) sum = s.override ? v : sum + v;
    }
    return sum;
}

void PairKerning::readLegacyTable() {
    const Bytes kern = tables_.kern;
    if (kern.size() < 4) return;
    const std::size_t count = u16(kern, 2);
    // As a shaper reads it: usable only when every subtable is whole; the last one may reach past
    // its stated length (a 16-bit length cannot hold a large subtable), up to the table's end.
    if (u16(kern, 0) == 0) {
        std::size_t at = 4;
        bool whole = true;
        for (std::size_t i = 0; i < count && whole; ++i) {
            const std::size_t length = u16(kern, at + 2);
            whole = fits(kern, at, 1, 6) && length >= 6 && length <= kern.size() - at;
            if (!whole) break;
            const std::size_t end = i + 1 < count ? at + length : kern.size();
            const std::uint8_t format = kern[at + 4], coverage = kern[at + 5];
            if (format == 0) {
                const std::size_t pairs = u16(kern, at + 6);
                whole = end - at >= 14 && pairs <= (end - at - 14) / 6;
                // Horizontal, not across the line.
                if (whole && (coverage & 0x1) && !(coverage & 0x4))
                    shaperSubtables_.push_back({at + 14, pairs, true, false});
            }
            at += length;
        }
        if (!whole) shaperSubtables_.clear();
    }
    // As older readers do: at most 32 subtables, horizontal ones without minimum values.
    std::size_t at = 4;
    for (std::size_t i = 0; i < std::min<std::size_t>(count, 32); ++i) {
        if (!fits(kern, at, 1, 6)) break;
        const std::size_t length = u16(kern, at + 2);
        const std::uint16_t coverage = u16(kern, at + 4);
        if (length <= 14) break;
        const std::size_t end = std::min(at + length, kern.size());
        if ((coverage & 3) == 1 && at + 14 <= end && (coverage >> 8) == 0) {
            const std::size_t pairs = std::min<std::size_t>(u16(kern, at + 6), (end - at - 14) / 6);
            bool sorted = true;
            for (std::size_t p = 1; p < pairs && sorted; ++p)
                sorted = u32(kern, at + 14 + (p - 1) * 6) < u32(kern, at + 14 + p * 6);
            olderSubtables_.push_back({at + 14, pairs, sorted, (coverage & 8) != 0});
        }
        at = end;
    }
}

}  // namespace quillet::fonts
