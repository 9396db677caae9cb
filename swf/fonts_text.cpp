#include "swf/fonts_text.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <initializer_list>
#include <new>

namespace transform {

namespace {

constexpr int GlyphFillSize = 1;
constexpr int GlyphLineSize = 0;
// A text record counts its glyphs in one byte.
constexpr std::size_t MaximumCharacters = 255;
// Glyph entries of zero bits take no room, so a hostile tag could list 255 of them in every
// two bytes; a text tag may hold this many before its entries must take room of their own.
constexpr std::size_t FreeCharacters = 4096;

[[noreturn]] void throwCannotEncode(const char* owner, const char* what, long long value) {
    char message[200];
    std::snprintf(message, sizeof message, "%s cannot encode %s %lld.", owner, what, value);
    throw FSFormatException(message);
}

void checkRange(const char* owner, const char* what, long long value, long long minimum,
                long long maximum) {
    if (value < minimum || value > maximum) throwCannotEncode(owner, what, value);
}

// Strings end at their zero byte, so one inside would cut the text short when read back.
void checkTerminable(const char* owner, const char* what, const std::string& text) {
    if (text.find('\0') == std::string::npos) return;
    char message[200];
    std::snprintf(message, sizeof message, "%s cannot encode a %s holding a zero byte.", owner,
                  what);
    throw FSFormatException(message);
}

[[noreturn]] void throwMalformed(const char* owner, const char* what, std::size_t cursor) {
    char message[240];
    std::snprintf(message, sizeof message, "%s: %s at byte %zu.", owner, what, cursor / 8);
    throw FSFormatException(message);
}

// The cursor at which the body of a tag ends, given the body bytes already read; no further than
// the data, since a long header may claim gigabytes and offsets and budgets are checked here.
std::size_t bodyEnd(const FSInputStream& coder, const FSMovieObject& tag, int consumed) {
    if (tag.getLength() < consumed) {
        char message[160];
        std::snprintf(message, sizeof message, "%s overflowed by %d bytes.", tag.name(),
                      consumed - tag.getLength());
        throw FSFormatException(message);
    }
    const std::size_t end =
        coder.getCursor() + static_cast<std::size_t>(tag.getLength() - consumed) * 8;
    return std::min(end, coder.size() * 8);
}

// Refuses to read a field that would lie beyond the tag's body.
void need(const FSInputStream& coder, std::size_t end, std::size_t bytes, const char* owner,
          const char* what) {
    if (coder.getCursor() + bytes * 8 <= end) return;
    char message[200];
    std::snprintf(message, sizeof message, "%s runs past the end of the tag", what);
    throwMalformed(owner, message, coder.getCursor());
}

// After a field of variable size: it must not have run beyond the tag's body.
void checkInside(const FSInputStream& coder, std::size_t end, const char* owner, const char* what) {
    if (coder.getCursor() <= end) return;
    char message[200];
    std::snprintf(message, sizeof message, "%s runs past the end of the tag", what);
    throwMalformed(owner, message, coder.getCursor());
}

// Bytes up to the tag's declared end, but no further than the data: a long header may claim
// gigabytes, and what is counted here is allocated.
std::size_t bytesLeft(const FSInputStream& coder, std::size_t end) {
    end = std::min(end, coder.size() * 8);
    return end > coder.getCursor() ? (end - coder.getCursor()) / 8 : 0;
}

std::string readText(FSInputStream& coder, std::size_t n, const char* failure) {
    try {
        const std::vector<uint8_t> bytes = coder.readBytes(static_cast<long long>(n));
        return std::string(bytes.begin(), bytes.end());
    } catch (const std::bad_alloc&) {
        throw FSAllocationException(failure);
    }
}

void writeText(FSOutputStream& coder, const std::string& text) {
    coder.writeBytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

int flag(bool value) {
    return value ? 1 : 0;
}

bool readFlag(FSInputStream& coder) {
    return coder.read(FSCoder::UnsignedBits, 1) != 0;
}

// Our own coding of a byte-aligned value.
template <class T>
std::vector<uint8_t> codingOf(T value) {
    FSOutputStream sizing;
    const int size = value.length(sizing);
    FSOutputStream out(static_cast<std::size_t>(size));
    value.encode(out);
    return out.takeData();
}

// The file's bytes from start to the cursor, when they differ from the given coding of the same
// value; empty when they are the same.
std::vector<uint8_t> fileBytesIfDifferent(const FSInputStream& coder, std::size_t start,
                                          const std::vector<uint8_t>& ours) {
    const auto& data = coder.getData();
    const auto from = data.begin() + static_cast<std::ptrdiff_t>(start / 8);
    const auto to = data.begin() + static_cast<std::ptrdiff_t>(coder.getCursor() / 8);
    if (std::equal(from, to, ours.begin(), ours.end())) return {};
    return std::vector<uint8_t>(from, to);
}

// Decodes a bounds or matrix, keeping the file's bytes when they are not ours.
template <class T>
void decodeKeeping(T& value, FSFileCoding<T>& coding, FSInputStream& coder) {
    const std::size_t start = coder.getCursor();
    value.decode(coder);
    coding.keep(value, fileBytesIfDifferent(coder, start, codingOf(value)));
}

template <class T>
int lengthKept(T& value, const FSFileCoding<T>& coding, FSOutputStream& coder) {
    if (const auto* bytes = coding.bytesFor(value)) return static_cast<int>(bytes->size());
    return value.length(coder);
}

template <class T>
void encodeKept(T& value, const FSFileCoding<T>& coding, FSOutputStream& coder) {
    if (const auto* bytes = coding.bytesFor(value)) {
        coder.writeBytes(*bytes);
        return;
    }
    value.encode(coder);
}

// Sets context slots to 0 when the tag that uses them is done, however it ends.
class ClearedSlots {
  public:
    ClearedSlots(FSCoder& coder, std::initializer_list<int> list) : coder(coder) {
        for (int slot : list) slots[count++] = slot;
    }
    ~ClearedSlots() {
        for (std::size_t i = 0; i < count; ++i) coder.setContext(slots[i], 0);
    }
    ClearedSlots(const ClearedSlots&) = delete;
    ClearedSlots& operator=(const ClearedSlots&) = delete;

  private:
    FSCoder& coder;
    std::array<int, 4> slots{};
    std::size_t count = 0;
};

// ---- glyph tables ----

void setGlyphSizes(FSCoder& coder) {
    coder.setContext(FSCoder::FillSize, GlyphFillSize);
    coder.setContext(FSCoder::LineSize, GlyphLineSize);
}

// Glyph shapes are coded with one fill-style bit and no line-style bits; each glyph starts
// afresh, whatever style records the one before it held.
long long glyphsLength(std::vector<FSShape>& shapes, FSOutputStream& coder) {
    long long size = 0;
    for (auto& shape : shapes) {
        setGlyphSizes(coder);
        size += shape.length(coder);
    }
    return size;
}

// Writes a placeholder per glyph (and one for the code table when asked), then each glyph,
// filling in its placeholder with the distance from the start of the table to the glyph.
void encodeGlyphs(std::vector<FSShape>& shapes, int offsetBytes, bool withCodeOffset,
                  FSOutputStream& coder) {
    const std::size_t tableStart = coder.getCursor();
    const int bits = offsetBytes * 8;
    const std::size_t entries = shapes.size() + (withCodeOffset ? 1 : 0);
    coder.beginObject("array");
    for (std::size_t i = 0; i < entries; ++i) coder.write(0, FSCoder::UnsignedWord, bits);
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        const std::size_t glyphStart = coder.getCursor();
        coder.setCursor(tableStart + i * bits);
        coder.write(static_cast<int>((glyphStart - tableStart) / 8), FSCoder::UnsignedWord, bits);
        coder.setCursor(glyphStart);
        setGlyphSizes(coder);
        shapes[i].encode(coder);
    }
    if (withCodeOffset) {
        const std::size_t codeStart = coder.getCursor();
        coder.setCursor(tableStart + shapes.size() * bits);
        coder.write(static_cast<int>((codeStart - tableStart) / 8), FSCoder::UnsignedWord, bits);
        coder.setCursor(codeStart);
    }
    coder.endObject("array");
}

// A glyph table as its offsets describe it: where it starts (cursor), the offset of each glyph
// and the size of the part that holds the glyphs, all offsets in bytes from the start.
struct GlyphTable {
    std::size_t start = 0;
    std::vector<uint32_t> offsets;
    uint32_t size = 0;
    uint32_t offsetsSize = 0;
};

// Reads each glyph where its offset points, so glyphs listed out of order still get their own
// outline. Every glyph must lie after the offsets, inside the table, and end before the next
// glyph begins; glyphs shared by several offsets are read for each, within the table's size in
// all, so a table never yields more outline than it holds. The cursor ends at the table's end.
void decodeGlyphs(FSInputStream& coder, const GlyphTable& table, std::vector<FSShape>& shapes,
                  const char* owner) {
    std::vector<uint32_t> starts(table.offsets);
    starts.push_back(table.size);
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());

    std::size_t decoded = 0;
    for (std::size_t i = 0; i < table.offsets.size(); ++i) {
        const uint32_t offset = table.offsets[i];
        const std::size_t at = table.start + static_cast<std::size_t>(offset) * 8;
        if (offset < table.offsetsSize || offset >= table.size) {
            char what[120];
            std::snprintf(what, sizeof what, "glyph %zu at offset %u lies outside the glyph table",
                          i, offset);
            throwMalformed(owner, what, table.start);
        }
        const uint32_t next = *std::upper_bound(starts.begin(), starts.end(), offset);
        coder.setCursor(at);
        FSShape shape(coder);
        const std::size_t glyphEnd = coder.getCursor();
        if (glyphEnd > table.start + static_cast<std::size_t>(next) * 8) {
            char what[120];
            std::snprintf(what, sizeof what, "glyph %zu runs into the data after it", i);
            throwMalformed(owner, what, at);
        }
        decoded += (glyphEnd - at) / 8;
        if (decoded > table.size)
            throwMalformed(owner, "glyphs shared beyond the table's size", at);
        shapes.push_back(std::move(shape));
    }
    coder.setCursor(table.start + static_cast<std::size_t>(table.size) * 8);
}

std::vector<uint32_t> readOffsets(FSInputStream& coder, std::size_t count, int offsetBytes) {
    std::vector<uint32_t> offsets(count);
    for (auto& offset : offsets)
        offset = static_cast<uint32_t>(coder.read(FSCoder::UnsignedWord, offsetBytes * 8));
    return offsets;
}

}  // namespace

// ---- FSCharacter ----

int FSCharacter::length(FSOutputStream& coder) {
    return coder.getContext(FSCoder::GlyphSize) + coder.getContext(FSCoder::AdvanceSize);
}

void FSCharacter::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    coder.write(glyphIndex, FSCoder::UnsignedBits, coder.getContext(FSCoder::GlyphSize));
    coder.write(advance, FSCoder::SignedBits, coder.getContext(FSCoder::AdvanceSize));
    coder.endObject(name());
}

void FSCharacter::decode(FSInputStream& coder) {
    coder.beginObject(name());
    glyphIndex = coder.read(FSCoder::UnsignedBits, coder.getContext(FSCoder::GlyphSize));
    advance = coder.read(FSCoder::SignedBits, coder.getContext(FSCoder::AdvanceSize));
    coder.endObject(name());
}

// ---- FSKerning ----

int FSKerning::length(FSOutputStream& coder) {
    const bool wide = coder.getContext(FSCoder::WideCodes) != 0;
    const int maximum = wide ? 0xFFFF : 0xFF;
    checkRange(name(), "character code", leftGlyph, 0, maximum);
    checkRange(name(), "character code", rightGlyph, 0, maximum);
    checkRange(name(), "adjustment", adjustment, -32768, 32767);
    return wide ? 6 : 4;
}

void FSKerning::encode(FSOutputStream& coder) {
    const int bits = coder.getContext(FSCoder::WideCodes) != 0 ? 16 : 8;
    coder.beginObject(name());
    coder.write(leftGlyph, FSCoder::UnsignedWord, bits);
    coder.write(rightGlyph, FSCoder::UnsignedWord, bits);
    coder.write(adjustment, FSCoder::SignedWord, 16);
    coder.endObject(name());
}

void FSKerning::decode(FSInputStream& coder) {
    const int bits = coder.getContext(FSCoder::WideCodes) != 0 ? 16 : 8;
    coder.beginObject(name());
    leftGlyph = coder.read(FSCoder::UnsignedWord, bits);
    rightGlyph = coder.read(FSCoder::UnsignedWord, bits);
    adjustment = coder.read(FSCoder::SignedWord, 16);
    coder.endObject(name());
}

// ---- FSText ----

int FSText::glyphSize() const {
    int size = 0;
    for (const auto& character : characters)
        size = std::max(size, FSCoder::bitsFor(character.getGlyphIndex(), false));
    return size;
}

int FSText::advanceSize() const {
    int size = 0;
    for (const auto& character : characters)
        size = std::max(size, FSCoder::bitsFor(character.getAdvance(), true));
    return size;
}

int FSText::length(FSOutputStream& coder) {
    const int glyphBits = coder.getContext(FSCoder::GlyphSize);
    const int advanceBits = coder.getContext(FSCoder::AdvanceSize);
    checkRange(name(), "a glyph count of", static_cast<long long>(characters.size()), 0,
               MaximumCharacters);
    if (glyphSize() > glyphBits || advanceSize() > advanceBits) {
        char message[160];
        std::snprintf(message, sizeof message,
                      "%s cannot encode its glyph entries in %d and %d bits; they need %d and %d.",
                      name(), glyphBits, advanceBits, glyphSize(), advanceSize());
        throw FSFormatException(message);
    }

    int size = 1;
    if (containsFont()) {
        checkRange(name(), "font identifier", identifier, 0, 0xFFFF);
        checkRange(name(), "height", height, 0, 0xFFFF);
        size += 4;
    }
    if (containsColor()) size += color.length(coder);
    if (containsX()) {
        checkRange(name(), "x offset", xOffset, -32768, 32767);
        size += 2;
    }
    if (containsY()) {
        checkRange(name(), "y offset", yOffset, -32768, 32767);
        size += 2;
    }
    const long long entryBits =
        8 + static_cast<long long>(characters.size()) * (glyphBits + advanceBits);
    return size + static_cast<int>((entryBits + 7) / 8);
}

void FSText::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    coder.write(1, FSCoder::UnsignedBits, 1);  // a text record, not the end of the records
    coder.write(0, FSCoder::UnsignedBits, 3);
    coder.write(flag(containsFont()), FSCoder::UnsignedBits, 1);
    coder.write(flag(containsColor()), FSCoder::UnsignedBits, 1);
    coder.write(flag(containsY()), FSCoder::UnsignedBits, 1);
    coder.write(flag(containsX()), FSCoder::UnsignedBits, 1);
    if (containsFont()) coder.write(identifier, FSCoder::UnsignedWord, 16);
    if (containsColor()) color.encode(coder);
    if (containsX()) coder.write(xOffset, FSCoder::SignedWord, 16);
    if (containsY()) coder.write(yOffset, FSCoder::SignedWord, 16);
    if (containsFont()) coder.write(height, FSCoder::UnsignedWord, 16);
    coder.write(static_cast<int>(characters.size()), FSCoder::UnsignedWord, 8);
    coder.beginObject("array");
    for (auto& character : characters) character.encode(coder);
    coder.endObject("array");
    coder.alignToByte();
    coder.endObject(name());
}

void FSText::decode(FSInputStream& coder) {
    coder.beginObject(name());
    *this = FSText();
    coder.read(FSCoder::UnsignedBits, 4);  // the record type and reserved bits
    const bool hasFont = readFlag(coder);
    const bool hasColor = readFlag(coder);
    const bool hasY = readFlag(coder);
    const bool hasX = readFlag(coder);
    if (hasFont) identifier = coder.read(FSCoder::UnsignedWord, 16);
    if (hasColor) color.decode(coder);
    if (hasX) xOffset = coder.read(FSCoder::SignedWord, 16);
    if (hasY) yOffset = coder.read(FSCoder::SignedWord, 16);
    if (hasFont) height = coder.read(FSCoder::UnsignedWord, 16);
    keptFont = hasFont && (identifier == 0 || height == 0);
    const int count = coder.read(FSCoder::UnsignedWord, 8);
    coder.beginObject("array");
    characters.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) characters.emplace_back(coder);
    coder.endObject("array");
    coder.alignToByte();
    coder.endObject(name());
}

// ---- FSDefineFont ----

int FSDefineFont::length(FSOutputStream& coder) {
    FSDefineObject::length(coder);
    const ClearedSlots slots(coder, {FSCoder::FillSize, FSCoder::LineSize});
    checkRange(name(), "a glyph count of", static_cast<long long>(shapes.size()), 0, 0x7FFF);
    const long long tableSize = 2 * static_cast<long long>(shapes.size());
    long long size = tableSize;
    // The last glyph's offset is the largest that the 16-bit table must hold.
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        if (size > 0xFFFF) throwCannotEncode(name(), "a glyph offset of", size);
        setGlyphSizes(coder);
        size += shapes[i].length(coder);
    }
    if (size > INT_MAX - 2) throwCannotEncode(name(), "a glyph table of", size);
    bodyLength = 2 + static_cast<int>(size);
    return bodyLength;
}

void FSDefineFont::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSDefineObject::encode(coder);
    const ClearedSlots slots(coder, {FSCoder::FillSize, FSCoder::LineSize});
    encodeGlyphs(shapes, 2, false, coder);
    coder.endObject(name());
}

void FSDefineFont::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSDefineObject::decode(coder);
    const std::size_t end = bodyEnd(coder, *this, 2);
    const ClearedSlots slots(coder, {FSCoder::FillSize, FSCoder::LineSize});
    shapes.clear();
    try {
        // A font of no glyphs is the identifier alone; otherwise the first offset, which points
        // just past the offsets, gives their number.
        if (coder.getCursor() < end) {
            need(coder, end, 2, name(), "the glyph offset table");
            GlyphTable table;
            table.start = coder.getCursor();
            const int first = coder.scan(FSCoder::UnsignedWord, 16);
            coder.setCursor(table.start);
            if (first < 2) throwMalformed(name(), "a glyph table without glyphs", table.start);
            const std::size_t count = static_cast<std::size_t>(first) / 2;
            need(coder, end, 2 * count, name(), "the glyph offset table");
            table.offsets = readOffsets(coder, count, 2);
            table.offsetsSize = static_cast<uint32_t>(2 * count);
            table.size = static_cast<uint32_t>((end - table.start) / 8);
            shapes.reserve(count);
            decodeGlyphs(coder, table, shapes, name());
        }
    } catch (const FSDecodingStopped&) {
        // Already reported: the tag keeps the glyphs read and the movie moves to the next one.
    }
    coder.endObject(name());
}

// ---- FSDefineFont2 ----

bool FSDefineFont2::containsLayout() const {
    return ascent != 0 || descent != 0 || leading != 0 || !advances.empty() || !bounds.empty() ||
           !kernings.empty() || keptLayout;
}

bool FSDefineFont2::wideCodes(int version) const {
    const auto above = [](int code) { return code < 0 || code > 0xFF; };
    if (std::any_of(codes.begin(), codes.end(), above)) return true;
    for (const auto& kerning : kernings)
        if (above(kerning.getLeftGlyph()) || above(kerning.getRightGlyph())) return true;
    if (keptCodes != KeptNone) return keptCodes == KeptWideCodes;
    return version >= 6 || encoding != FSEncoding::ANSI;
}

int FSDefineFont2::codeWidth(const FSCoder& coder) const {
    return wideCodes(coder.getContext(FSCoder::Version)) ? 2 : 1;
}

void FSDefineFont2::checkCounts() const {
    const std::size_t glyphs = shapes.size();
    checkRange(name(), "a glyph count of", static_cast<long long>(glyphs), 0, 0xFFFF);
    checkRange(name(), "a name length of", static_cast<long long>(fontName.size()), 0, 0xFF);
    checkRange(name(), "encoding", encoding, 0, 3);
    checkRange(name(), "language", language, 0, 0xFF);
    if (codes.size() != glyphs)
        throwCannotEncode(name(), "a code count differing from the glyph count:",
                          static_cast<long long>(codes.size()));
    for (int code : codes) checkRange(name(), "character code", code, 0, 0xFFFF);
    if (!containsLayout()) return;
    checkRange(name(), "ascent", ascent, -32768, 0xFFFF);
    checkRange(name(), "descent", descent, -32768, 0xFFFF);
    checkRange(name(), "leading", leading, -32768, 32767);
    if (advances.size() != glyphs)
        throwCannotEncode(name(), "an advance count differing from the glyph count:",
                          static_cast<long long>(advances.size()));
    if (bounds.size() != glyphs)
        throwCannotEncode(name(), "a bounds count differing from the glyph count:",
                          static_cast<long long>(bounds.size()));
    for (int advance : advances) checkRange(name(), "advance", advance, -32768, 32767);
    checkRange(name(), "a kerning count of", static_cast<long long>(kernings.size()), 0, 0xFFFF);
}

int FSDefineFont2::length(FSOutputStream& coder) {
    FSDefineObject::length(coder);
    const ClearedSlots slots(coder, {FSCoder::WideCodes, FSCoder::FillSize, FSCoder::LineSize});
    checkCounts();
    cachedCodeWidth = codeWidth(coder);
    coder.setContext(FSCoder::WideCodes, flag(cachedCodeWidth == 2));

    const long long glyphs = static_cast<long long>(shapes.size());
    const long long outlines = glyphsLength(shapes, coder);
    const bool codeOffset = !(glyphs == 0 && keptNoCodeOffset);
    const long long entries = glyphs + (codeOffset ? 1 : 0);
    // The largest offset is the last one, where the code table starts.
    wideOffsets = keptWideOffsets || 2 * entries + outlines > 0xFFFF;
    const long long offsetBytes = wideOffsets ? 4 : 2;

    long long size = 2 + 3 + static_cast<long long>(fontName.size()) + 2;
    size += entries * offsetBytes + outlines + glyphs * cachedCodeWidth;
    if (containsLayout()) {
        size += 6 + 2 * glyphs;
        if (const auto* table = boundsCoding.bytesFor(bounds))
            size += static_cast<long long>(table->size());
        else
            for (auto& box : bounds) size += box.length(coder);
        size += 2;
        for (auto& kerning : kernings) size += kerning.length(coder);
    }
    if (size > INT_MAX) throwCannotEncode(name(), "a body of", size);
    bodyLength = static_cast<int>(size);
    return bodyLength;
}

void FSDefineFont2::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSDefineObject::encode(coder);
    const ClearedSlots slots(coder, {FSCoder::WideCodes, FSCoder::FillSize, FSCoder::LineSize});
    const bool codesWide = cachedCodeWidth == 2;
    const bool layout = containsLayout();
    coder.setContext(FSCoder::WideCodes, flag(codesWide));
    coder.write(flag(layout), FSCoder::UnsignedBits, 1);
    coder.write(flag((encoding & FSEncoding::ShiftJIS) != 0), FSCoder::UnsignedBits, 1);
    coder.write(flag(small), FSCoder::UnsignedBits, 1);
    coder.write(flag((encoding & FSEncoding::ANSI) != 0), FSCoder::UnsignedBits, 1);
    coder.write(flag(wideOffsets), FSCoder::UnsignedBits, 1);
    coder.write(flag(codesWide), FSCoder::UnsignedBits, 1);
    coder.write(flag(italic), FSCoder::UnsignedBits, 1);
    coder.write(flag(bold), FSCoder::UnsignedBits, 1);
    coder.write(language, FSCoder::UnsignedWord, 8);
    coder.write(static_cast<int>(fontName.size()), FSCoder::UnsignedWord, 8);
    writeText(coder, fontName);
    coder.write(static_cast<int>(shapes.size()), FSCoder::UnsignedWord, 16);
    const bool codeOffset = !(shapes.empty() && keptNoCodeOffset);
    encodeGlyphs(shapes, wideOffsets ? 4 : 2, codeOffset, coder);
    coder.beginObject("array");
    for (int code : codes) coder.write(code, FSCoder::UnsignedWord, codesWide ? 16 : 8);
    coder.endObject("array");
    if (layout) {
        coder.write(ascent, FSCoder::SignedWord, 16);
        coder.write(descent, FSCoder::SignedWord, 16);
        coder.write(leading, FSCoder::SignedWord, 16);
        coder.beginObject("array");
        for (int advance : advances) coder.write(advance, FSCoder::SignedWord, 16);
        coder.endObject("array");
        coder.beginObject("array");
        if (const auto* table = boundsCoding.bytesFor(bounds))
            coder.writeBytes(*table);
        else
            for (auto& box : bounds) box.encode(coder);
        coder.endObject("array");
        coder.write(static_cast<int>(kernings.size()), FSCoder::UnsignedWord, 16);
        coder.beginObject("array");
        for (auto& kerning : kernings) kerning.encode(coder);
        coder.endObject("array");
    }
    coder.endObject(name());
}

void FSDefineFont2::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSDefineObject::decode(coder);
    const std::size_t end = bodyEnd(coder, *this, 2);
    const ClearedSlots slots(coder, {FSCoder::WideCodes, FSCoder::FillSize, FSCoder::LineSize});
    // Start from the defaults, keeping the header and identifier just read.
    FSDefineFont2 fresh(identifier);
    fresh.bodyLength = bodyLength;
    fresh.extendLength = extendLength;
    *this = std::move(fresh);

    need(coder, end, 3, name(), "the font's flags and name length");
    const bool layout = readFlag(coder);
    const bool shiftJIS = readFlag(coder);
    small = readFlag(coder);
    const bool ansi = readFlag(coder);
    const bool offsetsWide = readFlag(coder);
    const bool codesWide = readFlag(coder);
    italic = readFlag(coder);
    bold = readFlag(coder);
    encoding = (shiftJIS ? FSEncoding::ShiftJIS : 0) | (ansi ? FSEncoding::ANSI : 0);
    keptCodes = codesWide ? KeptWideCodes : KeptNarrowCodes;
    keptWideOffsets = offsetsWide;
    keptLayout = layout;
    coder.setContext(FSCoder::WideCodes, flag(codesWide));

    language = coder.read(FSCoder::UnsignedWord, 8);
    const int nameLength = coder.read(FSCoder::UnsignedWord, 8);
    need(coder, end, static_cast<std::size_t>(nameLength), name(), "the font name");
    fontName = readText(coder, static_cast<std::size_t>(nameLength),
                        "Cannot allocate memory for font name.");
    need(coder, end, 2, name(), "the glyph count");
    const std::size_t count = static_cast<std::size_t>(coder.read(FSCoder::UnsignedWord, 16));
    const int offsetBytes = offsetsWide ? 4 : 2;
    const int codeBytes = codesWide ? 2 : 1;
    const int kerningBytes = codesWide ? 6 : 4;

    try {
        GlyphTable table;
        table.start = coder.getCursor();
        need(coder, end, count * offsetBytes, name(), "the glyph offset table");
        table.offsets = readOffsets(coder, count, offsetBytes);

        // Some writers leave out the code table offset of a font without glyphs; its absence
        // shows in the size of what follows: nothing, or a layout that fills the rest exactly
        // when read from here but not when read after an offset.
        bool codeOffset = count > 0;
        if (count == 0) {
            const std::size_t left = bytesLeft(coder, end);
            const auto layoutFits = [&](std::size_t skip) {
                if (left < skip + 8) return false;
                const std::size_t at = coder.getCursor();
                coder.setCursor(at + (skip + 6) * 8);
                const auto kerningCount =
                    static_cast<std::size_t>(coder.scan(FSCoder::UnsignedWord, 16));
                coder.setCursor(at);
                return left == skip + 8 + kerningCount * kerningBytes;
            };
            codeOffset = layout ? !layoutFits(0) || layoutFits(offsetBytes) : left > 0;
        }
        keptNoCodeOffset = !codeOffset;
        table.offsetsSize = static_cast<uint32_t>((count + (codeOffset ? 1 : 0)) * offsetBytes);
        table.size = table.offsetsSize;
        if (codeOffset) {
            need(coder, end, static_cast<std::size_t>(offsetBytes), name(),
                 "the code table offset");
            const std::size_t at = coder.getCursor();
            table.size = static_cast<uint32_t>(coder.read(FSCoder::UnsignedWord, offsetBytes * 8));
            if (table.size < table.offsetsSize || table.start + std::size_t{table.size} * 8 > end)
                throwMalformed(name(), "the code table offset points outside the tag", at);
        }
        shapes.reserve(count);
        decodeGlyphs(coder, table, shapes, name());

        need(coder, end, count * codeBytes, name(), "the code table");
        codes.reserve(count);
        coder.beginObject("array");
        for (std::size_t i = 0; i < count; ++i)
            codes.push_back(coder.read(FSCoder::UnsignedWord, codeBytes * 8));
        coder.endObject("array");

        if (layout) {
            need(coder, end, 6 + 2 * count, name(), "the font's layout");
            ascent = coder.read(FSCoder::SignedWord, 16);
            descent = coder.read(FSCoder::SignedWord, 16);
            leading = coder.read(FSCoder::SignedWord, 16);
            advances.reserve(count);
            coder.beginObject("array");
            for (std::size_t i = 0; i < count; ++i)
                advances.push_back(coder.read(FSCoder::SignedWord, 16));
            coder.endObject("array");
            // Each bounds takes at least one byte.
            need(coder, end, count, name(), "the glyph bounds");
            bounds.reserve(count);
            const std::size_t boundsStart = coder.getCursor();
            std::vector<uint8_t> ours;
            coder.beginObject("array");
            for (std::size_t i = 0; i < count; ++i) {
                bounds.emplace_back(coder);
                checkInside(coder, end, name(), "the glyph bounds");
                const auto coded = codingOf(bounds.back());
                ours.insert(ours.end(), coded.begin(), coded.end());
            }
            coder.endObject("array");
            boundsCoding.keep(bounds, fileBytesIfDifferent(coder, boundsStart, ours));
            need(coder, end, 2, name(), "the kerning count");
            const std::size_t kerningCount =
                static_cast<std::size_t>(coder.read(FSCoder::UnsignedWord, 16));
            need(coder, end, kerningCount * kerningBytes, name(), "the kerning table");
            kernings.reserve(kerningCount);
            coder.beginObject("array");
            for (std::size_t i = 0; i < kerningCount; ++i) kernings.emplace_back(coder);
            coder.endObject("array");
        }
    } catch (const FSDecodingStopped&) {
        // Already reported: the tag keeps what was read and the movie moves to the next one.
    }
    coder.endObject(name());
}

// ---- FSFontInfo, FSFontInfo2 ----

bool FSFontInfo::wideCodes() const {
    if (std::any_of(codes.begin(), codes.end(), [](int code) { return code < 0 || code > 0xFF; }))
        return true;
    if (keptCodes != 0) return keptCodes == 2;
    return encoding != FSEncoding::ANSI;
}

int FSFontInfo::length(FSOutputStream& coder) {
    FSMovieObject::length(coder);
    checkRange(name(), "font identifier", identifier, 0, 0xFFFF);
    checkRange(name(), "a name length of", static_cast<long long>(fontName.size()), 0, 0xFF);
    checkRange(name(), "encoding", encoding, 0, 3);
    checkRange(name(), "language", language, 0, 0xFF);
    for (int code : codes) checkRange(name(), "character code", code, 0, 0xFFFF);
    const long long size = 3 + static_cast<long long>(fontName.size()) + 1 +
                           (hasLanguage() ? 1 : 0) +
                           static_cast<long long>(codes.size()) * (wideCodes() ? 2 : 1);
    if (size > INT_MAX) throwCannotEncode(name(), "a body of", size);
    bodyLength = static_cast<int>(size);
    return bodyLength;
}

void FSFontInfo::encode(FSOutputStream& coder) {
    const bool wide = wideCodes();
    coder.beginObject(name());
    FSMovieObject::encode(coder);
    coder.write(identifier, FSCoder::UnsignedWord, 16);
    coder.write(static_cast<int>(fontName.size()), FSCoder::UnsignedWord, 8);
    writeText(coder, fontName);
    coder.write(0, FSCoder::UnsignedBits, 2);
    coder.write(flag(small), FSCoder::UnsignedBits, 1);
    coder.write(encoding, FSCoder::UnsignedBits, 2);
    coder.write(flag(italic), FSCoder::UnsignedBits, 1);
    coder.write(flag(bold), FSCoder::UnsignedBits, 1);
    coder.write(flag(wide), FSCoder::UnsignedBits, 1);
    if (hasLanguage()) coder.write(language, FSCoder::UnsignedWord, 8);
    coder.beginObject("array");
    for (int code : codes) coder.write(code, FSCoder::UnsignedWord, wide ? 16 : 8);
    coder.endObject("array");
    coder.endObject(name());
}

void FSFontInfo::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::decode(coder);
    const std::size_t end = bodyEnd(coder, *this, 0);
    need(coder, end, 3, name(), "the font identifier and name length");
    identifier = coder.read(FSCoder::UnsignedWord, 16);
    const int nameLength = coder.read(FSCoder::UnsignedWord, 8);
    need(coder, end, static_cast<std::size_t>(nameLength), name(), "the font name");
    fontName = readText(coder, static_cast<std::size_t>(nameLength),
                        hasLanguage() ? "Cannot allocate memory"
                                      : "Could not allocate memory for the name of a font.");
    need(coder, end, hasLanguage() ? 2 : 1, name(), "the font's flags");
    coder.read(FSCoder::UnsignedBits, 2);
    small = readFlag(coder);
    encoding = coder.read(FSCoder::UnsignedBits, 2);
    italic = readFlag(coder);
    bold = readFlag(coder);
    const bool wide = readFlag(coder);
    keptCodes = wide ? 2 : 1;
    language = hasLanguage() ? coder.read(FSCoder::UnsignedWord, 8) : 0;

    // The codes fill the rest of the body.
    const int codeBytes = wide ? 2 : 1;
    const std::size_t left = bytesLeft(coder, end);
    if (left % codeBytes != 0) throwMalformed(name(), "a code table cut short", end - 8);
    codes.clear();
    codes.reserve(left / codeBytes);
    coder.beginObject("array");
    for (std::size_t i = 0; i < left / codeBytes; ++i)
        codes.push_back(coder.read(FSCoder::UnsignedWord, codeBytes * 8));
    coder.endObject("array");
    coder.endObject(name());
}

// ---- FSDefineText, FSDefineText2 ----

int FSTextDefinition::length(FSOutputStream& coder) {
    FSDefineObject::length(coder);
    const ClearedSlots slots(coder,
                             {FSCoder::Transparent, FSCoder::GlyphSize, FSCoder::AdvanceSize});
    coder.setContext(FSCoder::Transparent, flag(transparentColors()));
    glyphBits = keptGlyphSize;
    advanceBits = keptAdvanceSize;
    for (const auto& text : objects) {
        glyphBits = std::max(glyphBits, text.glyphSize());
        advanceBits = std::max(advanceBits, text.advanceSize());
    }
    // Widths kept from a file may exceed what a bit field can hold; only entries need them.
    const bool entries = std::any_of(objects.begin(), objects.end(), [](const FSText& text) {
        return !text.getCharacters().empty();
    });
    if (entries && glyphBits > 32) throwCannotEncode(name(), "glyph indexes of bits:", glyphBits);
    if (entries && advanceBits > 32) throwCannotEncode(name(), "advances of bits:", advanceBits);
    coder.setContext(FSCoder::GlyphSize, glyphBits);
    coder.setContext(FSCoder::AdvanceSize, advanceBits);

    long long size = 2 + lengthKept(bounds, boundsCoding, coder) + (keptPadding ? 16 : 0) +
                     lengthKept(transform, transformCoding, coder);
    size += 2;
    for (auto& text : objects) size += text.length(coder);
    size += 1;
    if (size > INT_MAX) throwCannotEncode(name(), "a body of", size);
    bodyLength = static_cast<int>(size);
    return bodyLength;
}

void FSTextDefinition::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSDefineObject::encode(coder);
    const ClearedSlots slots(coder,
                             {FSCoder::Transparent, FSCoder::GlyphSize, FSCoder::AdvanceSize});
    coder.setContext(FSCoder::Transparent, flag(transparentColors()));
    encodeKept(bounds, boundsCoding, coder);
    if (keptPadding)
        for (int i = 0; i < 16; ++i) coder.write(0, FSCoder::UnsignedWord, 8);
    encodeKept(transform, transformCoding, coder);
    coder.write(glyphBits, FSCoder::UnsignedWord, 8);
    coder.write(advanceBits, FSCoder::UnsignedWord, 8);
    coder.setContext(FSCoder::GlyphSize, glyphBits);
    coder.setContext(FSCoder::AdvanceSize, advanceBits);
    coder.beginObject("array");
    for (auto& text : objects) text.encode(coder);
    coder.endObject("array");
    coder.write(0, FSCoder::UnsignedWord, 8);
    coder.endObject(name());
}

void FSTextDefinition::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSDefineObject::decode(coder);
    const std::size_t end = bodyEnd(coder, *this, 2);
    const ClearedSlots slots(coder,
                             {FSCoder::Transparent, FSCoder::GlyphSize, FSCoder::AdvanceSize});
    coder.setContext(FSCoder::Transparent, flag(transparentColors()));
    objects.clear();
    keptPadding = false;

    decodeKeeping(bounds, boundsCoding, coder);
    checkInside(coder, end, name(), "the bounds");
    // Some old writers put 16 zero bytes before the matrix; a text needs at least 4 bytes after
    // them (matrix, two sizes and the end of the records), which tells them from a text of its own.
    const std::size_t at = coder.getCursor() / 8;
    const auto& data = coder.getData();
    if (bytesLeft(coder, end) >= 20 && at + 20 <= data.size()) {
        keptPadding = std::all_of(data.begin() + static_cast<std::ptrdiff_t>(at),
                                  data.begin() + static_cast<std::ptrdiff_t>(at + 16),
                                  [](uint8_t byte) { return byte == 0; });
        if (keptPadding) coder.setCursor(coder.getCursor() + 16 * 8);
    }
    decodeKeeping(transform, transformCoding, coder);
    checkInside(coder, end, name(), "the matrix");
    need(coder, end, 2, name(), "the glyph and advance sizes");
    keptGlyphSize = coder.read(FSCoder::UnsignedWord, 8);
    keptAdvanceSize = coder.read(FSCoder::UnsignedWord, 8);
    glyphBits = keptGlyphSize;
    advanceBits = keptAdvanceSize;
    coder.setContext(FSCoder::GlyphSize, keptGlyphSize);
    coder.setContext(FSCoder::AdvanceSize, keptAdvanceSize);

    // Every record takes at least two bytes, and its glyph entries their bits, except entries
    // of no bits at all: those are held to a fixed number per tag.
    const std::size_t characterLimit =
        keptGlyphSize + keptAdvanceSize > 0 ? SIZE_MAX : FreeCharacters;
    std::size_t characters = 0;
    coder.beginObject("array");
    while (true) {
        need(coder, end, 1, name(), "the byte ending the text records");
        if (coder.scan(FSCoder::UnsignedWord, 8) == 0) break;
        coder.setCursor(coder.getCursor() - 8);
        objects.emplace_back(coder);
        checkInside(coder, end, name(), "a text record");
        characters += objects.back().getCharacters().size();
        if (characters > characterLimit)
            throwMalformed(name(), "more glyph entries than the tag holds", coder.getCursor());
    }
    coder.endObject("array");
    coder.endObject(name());
}

// ---- FSDefineTextField ----

void FSDefineTextField::checkFields() const {
    checkRange(name(), "font identifier", fontIdentifier, 0, 0xFFFF);
    checkRange(name(), "font height", fontHeight, 0, 0xFFFF);
    checkRange(name(), "maximum length", maxLength, 0, 0xFFFF);
    checkRange(name(), "alignment", alignment, 0, 0xFF);
    checkRange(name(), "left margin", leftMargin, 0, 0xFFFF);
    checkRange(name(), "right margin", rightMargin, 0, 0xFFFF);
    checkRange(name(), "indent", indent, 0, 0xFFFF);
    checkRange(name(), "leading", leading, -32768, 32767);
    checkTerminable(name(), "font class", fontClass);
    checkTerminable(name(), "variable name", variableName);
    checkTerminable(name(), "initial text", initialText);
}

int FSDefineTextField::length(FSOutputStream& coder) {
    FSDefineObject::length(coder);
    const ClearedSlots slots(coder, {FSCoder::Transparent});
    coder.setContext(FSCoder::Transparent, 1);
    checkFields();
    long long size = 2 + lengthKept(bounds, boundsCoding, coder) + 2;
    if (containsFont()) size += 2;
    if (containsFontClass()) size += static_cast<long long>(fontClass.size()) + 1;
    if (containsFont() || containsFontClass()) size += 2;
    if (containsColor()) size += color.length(coder);
    if (containsMaxLength()) size += 2;
    if (containsLayout()) size += 9;
    size += static_cast<long long>(variableName.size()) + 1;
    if (containsText()) size += static_cast<long long>(initialText.size()) + 1;
    if (size > INT_MAX) throwCannotEncode(name(), "a body of", size);
    bodyLength = static_cast<int>(size);
    return bodyLength;
}

void FSDefineTextField::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSDefineObject::encode(coder);
    const ClearedSlots slots(coder, {FSCoder::Transparent});
    coder.setContext(FSCoder::Transparent, 1);
    encodeKept(bounds, boundsCoding, coder);
    const bool flags[16] = {containsText(),
                            wordWrapped,
                            multiline,
                            password,
                            readOnly,
                            containsColor(),
                            containsMaxLength(),
                            containsFont(),
                            containsFontClass(),
                            autoSize,
                            containsLayout(),
                            notSelectable,
                            bordered,
                            wasStatic,
                            html,
                            useFontGlyphs};
    for (bool value : flags) coder.write(flag(value), FSCoder::UnsignedBits, 1);
    if (containsFont()) coder.write(fontIdentifier, FSCoder::UnsignedWord, 16);
    if (containsFontClass()) coder.writeString(fontClass);
    if (containsFont() || containsFontClass()) coder.write(fontHeight, FSCoder::UnsignedWord, 16);
    if (containsColor()) color.encode(coder);
    if (containsMaxLength()) coder.write(maxLength, FSCoder::UnsignedWord, 16);
    if (containsLayout()) {
        coder.write(alignment, FSCoder::UnsignedWord, 8);
        coder.write(leftMargin, FSCoder::UnsignedWord, 16);
        coder.write(rightMargin, FSCoder::UnsignedWord, 16);
        coder.write(indent, FSCoder::UnsignedWord, 16);
        coder.write(leading, FSCoder::SignedWord, 16);
    }
    coder.writeString(variableName);
    if (containsText()) coder.writeString(initialText);
    coder.endObject(name());
}

void FSDefineTextField::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSDefineObject::decode(coder);
    const std::size_t end = bodyEnd(coder, *this, 2);
    const ClearedSlots slots(coder, {FSCoder::Transparent});
    coder.setContext(FSCoder::Transparent, 1);
    // Start from the defaults, keeping the header and identifier just read.
    FSDefineTextField fresh(identifier);
    fresh.bodyLength = bodyLength;
    fresh.extendLength = extendLength;
    *this = std::move(fresh);

    decodeKeeping(bounds, boundsCoding, coder);
    checkInside(coder, end, name(), "the bounds");
    need(coder, end, 2, name(), "the flags");
    const bool hasText = readFlag(coder);
    wordWrapped = readFlag(coder);
    multiline = readFlag(coder);
    password = readFlag(coder);
    readOnly = readFlag(coder);
    const bool hasColor = readFlag(coder);
    const bool hasMaxLength = readFlag(coder);
    const bool hasFont = readFlag(coder);
    const bool hasFontClass = readFlag(coder);
    autoSize = readFlag(coder);
    const bool hasLayout = readFlag(coder);
    notSelectable = readFlag(coder);
    bordered = readFlag(coder);
    wasStatic = readFlag(coder);
    html = readFlag(coder);
    useFontGlyphs = readFlag(coder);

    if (hasFont) {
        need(coder, end, 2, name(), "the font identifier");
        fontIdentifier = coder.read(FSCoder::UnsignedWord, 16);
    }
    if (hasFontClass) {
        fontClass = coder.readString();
        checkInside(coder, end, name(), "the font class");
    }
    if (hasFont || hasFontClass) {
        need(coder, end, 2, name(), "the font height");
        fontHeight = coder.read(FSCoder::UnsignedWord, 16);
    }
    color = FSColor();
    if (hasColor) {
        need(coder, end, 4, name(), "the colour");
        color.decode(coder);
    }
    if (hasMaxLength) {
        need(coder, end, 2, name(), "the maximum length");
        maxLength = coder.read(FSCoder::UnsignedWord, 16);
    }
    if (hasLayout) {
        need(coder, end, 9, name(), "the layout");
        alignment = coder.read(FSCoder::UnsignedWord, 8);
        leftMargin = coder.read(FSCoder::UnsignedWord, 16);
        rightMargin = coder.read(FSCoder::UnsignedWord, 16);
        indent = coder.read(FSCoder::UnsignedWord, 16);
        leading = coder.read(FSCoder::SignedWord, 16);
    }
    need(coder, end, 1, name(), "the variable name");
    variableName = coder.readString();
    checkInside(coder, end, name(), "the variable name");
    if (hasText) {
        need(coder, end, 1, name(), "the initial text");
        initialText = coder.readString();
        checkInside(coder, end, name(), "the initial text");
    }
    keptFont = hasFont && !(fontIdentifier != 0 && fontHeight != 0);
    keptFontClass = hasFontClass && fontClass.empty();
    keptMaxLength = hasMaxLength && maxLength == 0;
    keptLayout = hasLayout && !containsLayout();
    keptText = hasText && initialText.empty();
    coder.endObject(name());
}

// ---- FSPathsArePostscript ----

int FSPathsArePostscript::length(FSOutputStream& coder) {
    return FSMovieObject::length(coder);
}

void FSPathsArePostscript::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::encode(coder);
    coder.endObject(name());
}

void FSPathsArePostscript::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::decode(coder);
    coder.endObject(name());
}

}  // namespace transform
