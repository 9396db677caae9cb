#include "swf/fonts_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "swf/movie.h"

#include "tests/swf/swf_test_support.h"
#include "tests/swf/tag_corpus.h"

namespace transform {
namespace {

using namespace test;

namespace fs = std::filesystem;

bool contains(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

// A glyph with a fill, a move and one edge, as the engine draws them.
FSShape lineGlyph(int x, int y) {
    FSShape shape;
    shape.emplace<FSShapeStyle>(Default, 1, Default, 0, 0);
    shape.emplace<FSLine>(x, y);
    return shape;
}

// A glyph whose outline takes 2k + 2 bytes: k horizontal edges of 16 bits each.
FSShape glyphOfBytes(int k) {
    FSShape shape;
    for (int i = 0; i < k; ++i) shape.emplace<FSLine>(100, 0);
    return shape;
}

Bytes glyphBytes(FSShape shape) {
    FSOutputStream sizing;
    sizing.setContext(FSCoder::FillSize, 1);
    const int size = shape.length(sizing);
    FSOutputStream out(static_cast<std::size_t>(size));
    out.setContext(FSCoder::FillSize, 1);
    shape.encode(out);
    return out.takeData();
}

// ---- glyph entries and kerning records ----

TEST(TextRecordTest, GlyphEntriesTakeTheWidthsOfTheSlots) {
    FSCharacter character(5, -3);
    const Slots slots = {{FSCoder::GlyphSize, 3}, {FSCoder::AdvanceSize, 8}};
    FSOutputStream sizing;
    applySlots(sizing, slots);
    EXPECT_EQ(character.length(sizing), 11);

    FSOutputStream out(2);
    applySlots(out, slots);
    character.encode(out);
    EXPECT_EQ(out.getCursor(), 11u);
    EXPECT_EQ(out.getData(), bitsToBytes("101 11111101"));

    FSInputStream in(out.getData());
    applySlots(in, slots);
    EXPECT_EQ(FSCharacter(in), character);
    EXPECT_EQ(in.getCursor(), 11u);

    // No bits at all: the entry is there but takes no room.
    FSOutputStream none(0);
    EXPECT_EQ(FSCharacter(0, 0).length(none), 0);
}

TEST(TextRecordTest, KerningCodesFollowWideCodes) {
    FSKerning narrow(65, 86, -30);
    EXPECT_EQ(encodeValue(narrow), (Bytes{0x41, 0x56, 0xE2, 0xFF}));
    FSKerning wide(0x263A, 0x41, 100);
    EXPECT_EQ(encodeValue(wide, {{FSCoder::WideCodes, 1}}),
              (Bytes{0x3A, 0x26, 0x41, 0x00, 0x64, 0x00}));

    FSInputStream in(Bytes{0x3A, 0x26, 0x41, 0x00, 0x64, 0x00});
    in.setContext(FSCoder::WideCodes, 1);
    EXPECT_EQ(FSKerning(in), wide);

    FSKerning tooWide(300, 65, 0);
    EXPECT_EQ(messageOf([&] { encodeValue(tooWide); }),
              "FSKerning cannot encode character code 300.");
    FSKerning tooFar(65, 66, 40000);
    EXPECT_TRUE(contains(messageOf([&] {
                             encodeValue(tooFar, {{FSCoder::WideCodes, 1}});
                         }),
                         "adjustment 40000"));
}

// ---- text records: vectors run both ways ----

struct TextVector {
    const char* label;
    FSText text;
    int transparent;
    int glyphSize;
    int advanceSize;
    Bytes bytes;
};

std::vector<TextVector> textVectors() {
    return {
        {"glyphs only still carry the flags byte and the count",
         FSText(0, FSColor(), Default, Default, 0, {FSCharacter(2, 10)}), 0, 2, 5,
         concat({{0x80, 0x01}, bitsToBytes("10 01010")})},
        {"font 3, height 240, two glyphs",
         FSText(3, FSColor(), Default, Default, 240, {FSCharacter(1, 100), FSCharacter(5, 120)}), 0,
         3, 8,
         concat({{0x88, 0x03, 0x00, 0xF0, 0x00, 0x02}, bitsToBytes("001 01100100 101 01111000")})},
        {"colour and offsets without alpha", FSText(0, FSColor(1, 2, 3, 4), -20, 300, 0, {}), 0, 0,
         0, Bytes{0x87, 0x01, 0x02, 0x03, 0xEC, 0xFF, 0x2C, 0x01, 0x00}},
        {"colour and offsets with alpha", FSText(0, FSColor(1, 2, 3, 4), -20, 300, 0, {}), 1, 0, 0,
         Bytes{0x87, 0x01, 0x02, 0x03, 0x04, 0xEC, 0xFF, 0x2C, 0x01, 0x00}},
        {"only y", FSText(0, FSColor(), Default, 20, 0, {}), 0, 0, 0,
         Bytes{0x82, 0x14, 0x00, 0x00}},
        {"only x", FSText(0, FSColor(), 20, Default, 0, {}), 0, 0, 0,
         Bytes{0x81, 0x14, 0x00, 0x00}},
        {"a font without height is no font", FSText(3, FSColor(), Default, Default, 0, {}), 0, 0, 0,
         Bytes{0x80, 0x00}},
    };
}

TEST(TextRecordTest, VectorsEncodeAndDecodeExactly) {
    for (auto& vector : textVectors()) {
        SCOPED_TRACE(vector.label);
        const Slots slots = {{FSCoder::Transparent, vector.transparent},
                             {FSCoder::GlyphSize, vector.glyphSize},
                             {FSCoder::AdvanceSize, vector.advanceSize}};
        EXPECT_EQ(vector.text.glyphSize(), vector.glyphSize);
        EXPECT_EQ(vector.text.advanceSize(), vector.advanceSize);
        EXPECT_EQ(encodeValue(vector.text, slots), vector.bytes);

        FSInputStream in(vector.bytes);
        applySlots(in, slots);
        FSText decoded(in);
        EXPECT_EQ(in.getCursor(), vector.bytes.size() * 8);
        EXPECT_EQ(encodeValue(decoded, slots), vector.bytes);
        EXPECT_EQ(decoded.getCharacters(), vector.text.getCharacters());
        EXPECT_EQ(decoded.containsFont(), vector.text.containsFont());
        EXPECT_EQ(decoded.containsColor(), vector.text.containsColor());
        EXPECT_EQ(decoded.containsX(), vector.text.containsX());
        EXPECT_EQ(decoded.containsY(), vector.text.containsY());
    }
}

TEST(TextRecordTest, StyleTests) {
    FSText plain;
    EXPECT_FALSE(plain.containsStyle());
    EXPECT_FALSE(FSText(0, FSColor(), Default, Default, 240, {}).containsFont());
    EXPECT_TRUE(FSText(1, FSColor(), Default, Default, 240, {}).containsStyle());
    EXPECT_TRUE(FSText(0, FSColor(0, 0, 0), Default, Default, 0, {}).containsStyle());
    EXPECT_TRUE(FSText(0, FSColor(), 0, Default, 0, {}).containsStyle());
    EXPECT_TRUE(FSText(0, FSColor(), Default, 0, 0, {}).containsStyle());
}

// Values their fields cannot hold are refused with their reason.
TEST(FontTextCodingTest, ValuesBeyondTheirFieldsAreRefused) {
    FSText crowded(0, FSColor(), Default, Default, 0, std::vector<FSCharacter>(256));
    EXPECT_TRUE(contains(messageOf([&] { encodeValue(crowded); }), "glyph count of 256"));
    FSText narrow(0, FSColor(), Default, Default, 0, {FSCharacter(9, 0)});
    EXPECT_TRUE(contains(messageOf([&] {
                             encodeValue(narrow, {{FSCoder::GlyphSize, 3}});
                         }),
                         "they need 4 and 0"));
    FSText far(0, FSColor(), 40000, Default, 0, {});
    EXPECT_TRUE(contains(messageOf([&] { encodeValue(far); }), "x offset 40000"));
    FSText tall(1, FSColor(), Default, Default, 70000, {});
    EXPECT_TRUE(contains(messageOf([&] { encodeValue(tall); }), "height 70000"));
    FSDefineTextField field(1);
    field.setInitialText(std::string("a\0b", 3));
    EXPECT_TRUE(contains(messageOf([&] { encodeTag(field); }), "initial text holding a zero"));
    // A glyph table past 16-bit offsets, and the largest that fits.
    FSDefineFont font(1, {glyphOfBytes(32766), FSShape()});
    EXPECT_TRUE(contains(messageOf([&] { encodeTag(font); }), "glyph offset of 65538"));
    FSDefineFont fits(1, {glyphOfBytes(32764), FSShape()});
    roundTrip(fits);
    // Glyph entries wider than the coder's 32-bit fields.
    EXPECT_EQ(messageOf([&] {
                  decodeTag(tagBytes(11, {0x01, 0x00, 0x00, 0x00, 0x28, 0x01, 0x80, 0x01, 0xFF,
                                          0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00}));
              }),
              "Value Out Of Range");
}

// ---- tags built from values, and static text tags ----

FSText engineRecord() {
    return FSText(3, FSColor(), Default, Default, 240, {FSCharacter(1, 100), FSCharacter(5, 120)});
}

// Tags built from values encode to exactly these bytes, which decode to the same class, write
// back the same and hold the values checked.
TEST(FontTextTagTest, BuiltTagsEncodeExactly) {
    FSDefineText text(1, FSBounds(), FSCoordTransform(), {engineRecord()});
    FSDefineFont twoEmpty(1, {FSShape(), FSShape()});
    FSDefineFont noGlyphs(9);                  // the identifier alone
    FSDefineFont2 font2(3, "Arial");           // the code offset of an empty table is written
    FSFontInfo unicode(2, "Arial", {0x263A});  // two-byte codes set the wide-codes flag
    unicode.setSmall(true);
    unicode.setBold(true);
    FSFontInfo2 info2(4, "V", {65, 66}, 1);  // the language follows the flags
    info2.setEncoding(FSEncoding::ShiftJIS);
    FSDefineTextField field(1);  // defaults write a black, transparent colour
    EXPECT_TRUE(field.containsColor());
    FSPathsArePostscript marker;
    using Check = std::function<void(std::unique_ptr<FSMovieObject>&)>;
    const std::vector<std::tuple<FSMovieObject*, Bytes, Check>> cases = {
        {&text,
         tagBytes(11, concat({{0x01, 0x00, 0x00, 0x00, 0x03, 0x08},
                              {0x88, 0x03, 0x00, 0xF0, 0x00, 0x02},
                              bitsToBytes("001 01100100 101 01111000"),
                              {0x00}})),
         [](auto& tag) {
             auto& back = as<FSDefineText>(tag);
             ASSERT_EQ(back.getObjects().size(), 1u);
             EXPECT_EQ(back.getObjects()[0].getCharacters(), engineRecord().getCharacters());
             EXPECT_EQ(back.getObjects()[0].getHeight(), 240);
             EXPECT_EQ(back.getIdentifier(), 1);
         }},
        {&twoEmpty, tagBytes(10, {0x01, 0x00, 0x04, 0x00, 0x06, 0x00, 0x10, 0x00, 0x10, 0x00}), {}},
        {&noGlyphs, tagBytes(10, {0x09, 0x00}),
         [](auto& tag) { EXPECT_TRUE(as<FSDefineFont>(tag).getShapes().empty()); }},
        {&font2,
         tagBytes(48,
                  {0x03, 0x00, 0x04, 0x00, 0x05, 'A', 'r', 'i', 'a', 'l', 0x00, 0x00, 0x02, 0x00}),
         {}},
        {&unicode, tagBytes(13, {0x02, 0x00, 0x05, 'A', 'r', 'i', 'a', 'l', 0x23, 0x3A, 0x26}), {}},
        {&info2, tagBytes(62, {0x04, 0x00, 0x01, 'V', 0x11, 0x01, 0x41, 0x00, 0x42, 0x00}),
         [](auto& tag) {
             EXPECT_EQ(as<FSFontInfo2>(tag).getLanguage(), 1);
             EXPECT_EQ(as<FSFontInfo2>(tag).getEncoding(), FSEncoding::ShiftJIS);
         }},
        {&field, tagBytes(37, {0x01, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}),
         [](auto& tag) {
             EXPECT_EQ(as<FSDefineTextField>(tag).getColor(), FSColor(0, 0, 0, 0));
             EXPECT_FALSE(as<FSDefineTextField>(tag).containsText());
         }},
        {&marker, {0x40, 0x06}, [](auto& tag) { EXPECT_EQ(tag->getLength(), 0); }},
    };
    for (const auto& [tag, bytes, check] : cases) {
        SCOPED_TRACE(tag->name());
        EXPECT_EQ(encodeTag(*tag), bytes);
        auto decoded = decodeTag(bytes);
        ASSERT_NE(decoded, nullptr);
        EXPECT_STREQ(decoded->name(), tag->name());
        EXPECT_EQ(encodeTag(*decoded), bytes);
        if (check) check(decoded);
    }
    EXPECT_EQ(text.getLength(), 16);
}

TEST(DefineTextTest, SizesAreTheLargestOverAllRecords) {
    FSText wideGlyphs(0, FSColor(), Default, Default, 0, {FSCharacter(200, 1)});
    FSText wideAdvances(0, FSColor(), Default, Default, 0, {FSCharacter(1, -3000)});
    FSDefineText text(2, FSBounds(0, 0, 100, 100), FSCoordTransform(10, 10),
                      {wideGlyphs, wideAdvances});
    const Bytes bytes = encodeTag(text);
    // header 2, identifier 2, bounds 5 (size 8), matrix 3 (translate size 5)
    ASSERT_GT(bytes.size(), 14u);
    EXPECT_EQ(bytes[12], 8);   // glyph bits for 200
    EXPECT_EQ(bytes[13], 13);  // advance bits for -3000
    roundTrip(text);
}

TEST(DefineTextTest, Text2ColoursCarryAlpha) {
    FSText coloured(0, FSColor(10, 20, 30, 40), Default, Default, 0, {});
    FSDefineText one(1, FSBounds(), FSCoordTransform(), {coloured});
    FSDefineText2 two(1, FSBounds(), FSCoordTransform(), {coloured});
    const Bytes first = encodeTag(one);
    const Bytes second = encodeTag(two);
    EXPECT_EQ(second.size(), first.size() + 1);
    EXPECT_EQ(first[first.size() - 3], 30);    // blue, then the count and the end byte
    EXPECT_EQ(second[second.size() - 3], 40);  // alpha
    auto decoded = roundTrip(two);
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(decoded->getObjects().at(0).getColor(), FSColor(10, 20, 30, 40));
}

// ---- FSDefineFont ----

TEST(DefineFontTest, GlyphTableWithSixteenBitOffsets) {
    // Glyphs take one fill-style bit and no line-style bits.
    const Bytes glyph =
        bitsToBytes("0001 0000 | 0 0 0 0 1 1 00001 0 0 1 | 1 1 0110 0 0 01100100 | 000000");
    EXPECT_EQ(glyphBytes(lineGlyph(100, 0)), glyph);
    FSDefineFont font(7, {lineGlyph(100, 0), FSShape(), lineGlyph(100, 0)});
    const Bytes offsets = {0x06,
                           0x00,
                           static_cast<uint8_t>(6 + glyph.size()),
                           0x00,
                           static_cast<uint8_t>(8 + glyph.size()),
                           0x00};
    const Bytes expected =
        tagBytes(10, concat({{0x07, 0x00}, offsets, glyph, {0x10, 0x00}, glyph}));
    EXPECT_EQ(encodeTag(font), expected);
    auto decoded = decodeAs<FSDefineFont>(expected);
    ASSERT_NE(decoded, nullptr);
    ASSERT_EQ(decoded->getShapes().size(), 3u);
    EXPECT_EQ(decoded->getShapes()[0].getObjects().size(), 2u);
    EXPECT_TRUE(decoded->getShapes()[1].getObjects().empty());
    EXPECT_EQ(encodeTag(*decoded), expected);
}

TEST(DefineFontTest, GlyphsListedOutOfOrderAreReadWhereTheyLie) {
    const Bytes a = glyphBytes(lineGlyph(100, 0));
    const Bytes b = glyphBytes(lineGlyph(0, -5));
    const Bytes c = glyphBytes(FSShape());
    // The table holds glyph 0, then glyph 2, then glyph 1; the first offset still gives the
    // number of glyphs.
    const auto offset = [](std::size_t value) { return static_cast<uint8_t>(value); };
    const Bytes bytes =
        tagBytes(10, concat({Bytes{0x01, 0x00, 0x06, 0x00, offset(6 + a.size() + c.size()), 0x00,
                                   offset(6 + a.size()), 0x00},
                             a, c, b}));
    auto font = decodeAs<FSDefineFont>(bytes);
    ASSERT_NE(font, nullptr);
    ASSERT_EQ(font->getShapes().size(), 3u);
    EXPECT_EQ(glyphBytes(font->getShapes()[0]), a);
    EXPECT_EQ(glyphBytes(font->getShapes()[1]), b);
    EXPECT_EQ(glyphBytes(font->getShapes()[2]), c);
    // Written back in glyph order.
    EXPECT_EQ(encodeTag(*font),
              tagBytes(10, concat({Bytes{0x01, 0x00, 0x06, 0x00, offset(6 + a.size()), 0x00,
                                         offset(6 + a.size() + b.size()), 0x00},
                                   a, b, c})));
}

TEST(DefineFontTest, SharedGlyphsAreReadForEachOffsetWithinTheTable) {
    const Bytes shared = tagBytes(10, {0x01, 0x00, 0x04, 0x00, 0x04, 0x00, 0x10, 0x00});
    auto font = decodeAs<FSDefineFont>(shared);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->getShapes().size(), 2u);
    EXPECT_EQ(encodeTag(*font),
              tagBytes(10, {0x01, 0x00, 0x04, 0x00, 0x06, 0x00, 0x10, 0x00, 0x10, 0x00}));
}

TEST(DefineFontTest, BadFillStyleInAGlyphStopsOnlyThatTag) {
    FSShape glyph;
    auto& style = glyph.emplace<FSShapeStyle>(Default, 1, Default, 0, 0);
    auto fill = std::make_unique<FSSolidFill>(FSColor(1, 2, 3));
    fill->setType(0x13);
    style.addFillStyle(std::move(fill));
    FSDefineFont font(1, {glyph});
    FSMovie movie;
    movie.setSignature("FWS");
    movie.add(std::make_unique<FSDefineFont>(font));
    movie.add(std::make_unique<FSDefineFont>(2, std::vector<FSShape>{FSShape()}));
    const Bytes file = movie.encode();

    RecordingListener recorder;
    FSMovie reported;
    reported.decodeFromData(file, &recorder);
    ASSERT_FALSE(recorder.errors.empty());
    EXPECT_EQ(recorder.errors[0], "Cannot allocate memory for fill style.");
    ASSERT_EQ(reported.getObjects().size(), 2u);
    EXPECT_STREQ(reported.getObjects()[1].name(), "FSDefineFont");

    FSMovie thrown;
    EXPECT_THROW(thrown.decodeFromData(file), FSAllocationException);
}

// ---- FSDefineFont2 ----

TEST(DefineFont2Test, GlyphTableWithCodeOffset) {
    FSDefineFont2 font(1, "A", {FSShape()}, {65});
    const Bytes wide = tagBytes(48, {0x01, 0x00, 0x04, 0x00, 0x01, 0x41, 0x01, 0x00, 0x04, 0x00,
                                     0x06, 0x00, 0x10, 0x00, 0x41, 0x00});
    EXPECT_EQ(encodeTag(font, 6), wide);
    EXPECT_FALSE(font.isWideOffsets());

    font.setEncoding(FSEncoding::ANSI);
    const Bytes narrow = tagBytes(48, {0x01, 0x00, 0x10, 0x00, 0x01, 0x41, 0x01, 0x00, 0x04, 0x00,
                                       0x06, 0x00, 0x10, 0x00, 0x41});
    EXPECT_EQ(encodeTag(font, 5), narrow);

    auto decoded = decodeAs<FSDefineFont2>(narrow, 5);
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(decoded->getName(), "A");
    EXPECT_EQ(decoded->getCodes(), std::vector<int>{65});
    EXPECT_EQ(decoded->getEncoding(), FSEncoding::ANSI);
    EXPECT_EQ(decoded->getShapes().size(), 1u);
}

TEST(DefineFont2Test, WideCodesByVersionAndEncoding) {
    struct Case {
        int version;
        int encoding;
        bool wide;
    };
    for (const Case c : {Case{5, FSEncoding::ANSI, false}, Case{5, FSEncoding::Unicode, true},
                         Case{5, FSEncoding::ShiftJIS, true}, Case{6, FSEncoding::ANSI, true},
                         Case{7, FSEncoding::Unicode, true}}) {
        SCOPED_TRACE("version " + std::to_string(c.version) + ", encoding " +
                     std::to_string(c.encoding));
        FSDefineFont2 font(1, "K", {FSShape(), FSShape()}, {65, 86});
        font.setEncoding(c.encoding);
        font.setAscent(800);
        font.setAdvances({500, 600});
        font.setBounds({FSBounds(), FSBounds(0, -700, 500, 0)});
        font.setKernings({FSKerning(65, 86, -40)});
        EXPECT_EQ(font.wideCodes(c.version), c.wide);
        const Bytes bytes = encodeTag(font, c.version);
        EXPECT_EQ((bytes[4] & 0x04) != 0, c.wide);
        // The kerning record ends the tag: 4 bytes with narrow codes, 6 with wide ones.
        const Bytes kerning =
            c.wide ? Bytes{0x41, 0x00, 0x56, 0x00, 0xD8, 0xFF} : Bytes{0x41, 0x56, 0xD8, 0xFF};
        EXPECT_TRUE(std::equal(kerning.rbegin(), kerning.rend(), bytes.rbegin()));
        auto decoded = roundTrip(font, c.version);
        ASSERT_NE(decoded, nullptr);
        EXPECT_EQ(decoded->getKernings().at(0), FSKerning(65, 86, -40));
        EXPECT_EQ(decoded->getAdvances(), (std::vector<int>{500, 600}));
        EXPECT_EQ(decoded->getBounds().at(1), FSBounds(0, -700, 500, 0));
    }
    // A code beyond one byte needs wide codes whatever the version.
    FSDefineFont2 font(1, "K", {FSShape()}, {0x263A});
    font.setEncoding(FSEncoding::ANSI);
    EXPECT_TRUE(font.wideCodes(5));
}

TEST(DefineFont2Test, FlagsEachHaveTheirBit) {
    struct Case {
        const char* label;
        bool bold, italic, small;
        int encoding;  // -1: left as built
        bool layout;   // a leading of 20
        int flags;
    };
    const Case cases[] = {
        {"none", false, false, false, -1, false, 0x04},
        {"bold", true, false, false, -1, false, 0x05},
        {"italic", false, true, false, -1, false, 0x06},
        {"ANSI", false, false, false, FSEncoding::ANSI, false, 0x14},
        {"small", false, false, true, -1, false, 0x24},
        {"ShiftJIS", false, false, false, FSEncoding::ShiftJIS, false, 0x44},
        {"small ANSI", false, false, true, FSEncoding::ANSI, false, 0x34},
        {"small ShiftJIS", false, false, true, FSEncoding::ShiftJIS, false, 0x64},
        {"layout", false, false, false, -1, true, 0x84},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        FSDefineFont2 font(1, "F", {}, {});
        if (c.bold) font.setBold(true);
        if (c.italic) font.setItalic(true);
        if (c.small) font.setSmall(true);
        if (c.encoding >= 0) font.setEncoding(c.encoding);
        if (c.layout) font.setLeading(20);
        const Bytes bytes = encodeTag(font, 7);
        EXPECT_EQ(bytes[4], c.flags);
        auto decoded = decodeAs<FSDefineFont2>(bytes);
        ASSERT_NE(decoded, nullptr);
        EXPECT_EQ(decoded->getEncoding(), font.getEncoding());
        EXPECT_EQ(decoded->isSmall(), font.isSmall());
        EXPECT_EQ(decoded->isItalic(), font.isItalic());
        EXPECT_EQ(decoded->isBold(), font.isBold());
        EXPECT_EQ(decoded->containsLayout(), font.containsLayout());
        EXPECT_EQ(encodeTag(*decoded, 7), bytes);
    }
}

TEST(DefineFont2Test, ThirtyTwoBitOffsetsIncludingTheCodeOffset) {
    // One glyph of 2k + 2 bytes: the code offset is 4 + 2k + 2.
    FSDefineFont2 narrow(1, "", {glyphOfBytes(32764)}, {65});
    const Bytes narrowBytes = encodeTag(narrow);
    EXPECT_FALSE(narrow.isWideOffsets());
    EXPECT_EQ(narrowBytes[6 + 2], 0x04);  // flags after the long header and identifier
    EXPECT_EQ(narrowBytes[6 + 9] | narrowBytes[6 + 10] << 8, 65534);

    // Two bytes more and the code offset no longer fits 16 bits.
    FSDefineFont2 wide(1, "", {glyphOfBytes(32765)}, {65});
    const Bytes bytes = encodeTag(wide);
    EXPECT_TRUE(wide.isWideOffsets());
    EXPECT_EQ(bytes[6 + 2], 0x0C);
    const std::size_t table = 6 + 7;
    const auto word = [&](std::size_t at) {
        return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24;
    };
    EXPECT_EQ(word(table), 8);
    EXPECT_EQ(word(table + 4), 8 + 2 * 32765 + 2);
    auto decoded = roundTrip(wide);
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(decoded->getShapes().at(0).getObjects().size(), 32765u);
    EXPECT_EQ(decoded->getCodes(), std::vector<int>{65});
}

// Forms of a file that a tag built from the same values would not write are read and kept.
TEST(FontTextDecodingTest, ChoicesOfAFileAreKept) {
    struct Case {
        const char* label;
        int version;
        int type;
        Bytes body;
        std::function<void(std::unique_ptr<FSMovieObject>&)> check = {};
        bool longHeader = false;
    };
    const Bytes records = {0x88, 0x03, 0x00, 0xF0, 0x00, 0x00, 0x00};
    const std::vector<Case> cases = {
        // Sixteen zero bytes before a text's matrix are skipped, and kept.
        {"padding before the matrix", 7, 11,
         concat({{0x05, 0x00, 0x00}, Bytes(16, 0x00), Bytes{0x00, 0x00, 0x00}, records}),
         [](auto& tag) {
             auto& text = as<FSDefineText>(tag);
             ASSERT_EQ(text.getObjects().size(), 1u);
             EXPECT_EQ(text.getObjects()[0].getIdentifier(), 3);
             EXPECT_TRUE(text.getTransform().isIdentity());
         }},
        // Without them the matrix is read directly.
        {"no padding before the matrix", 7, 11,
         concat({{0x05, 0x00, 0x00}, Bytes{0x00, 0x00, 0x00}, records}),
         [](auto& tag) { EXPECT_EQ(as<FSDefineText>(tag).getObjects().size(), 1u); }},
        // A text whose own fields are all zero is not taken for the padding.
        {"text of zeros", 7, 11, Bytes{0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
         [](auto& tag) { EXPECT_TRUE(as<FSDefineText>(tag).getObjects().empty()); }},
        // Glyph entries of 8 and 16 bits where 1 and 2 would do; built from the values, the
        // narrowest fields.
        {"wide glyph entries", 7, 11,
         Bytes{0x01, 0x00, 0x00, 0x00, 0x08, 0x10, 0x80, 0x01, 0x01, 0x00, 0x01, 0x00},
         [](auto& tag) {
             auto& text = as<FSDefineText>(tag);
             ASSERT_EQ(text.getObjects().size(), 1u);
             EXPECT_EQ(text.getObjects()[0].getCharacters().at(0), FSCharacter(1, 1));
             FSDefineText built(1, FSBounds(), FSCoordTransform(), text.getObjects());
             EXPECT_EQ(encodeTag(built),
                       tagBytes(11, concat({Bytes{0x01, 0x00, 0x00, 0x00, 0x01, 0x02, 0x80, 0x01},
                                            bitsToBytes("1 01"), Bytes{0x00}})));
         }},
        // Glyph entries of no bits: a few of them are a text like any other.
        {"glyph entries of no bits", 7, 11,
         Bytes{0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0xFF, 0x00},
         [](auto& tag) {
             EXPECT_EQ(as<FSDefineText>(tag).getObjects().at(0).getCharacters().size(), 255u);
         }},
        // ShiftJIS flagged with narrow codes, as an old authoring tool wrote it.
        {"ShiftJIS with narrow codes", 1, 13, Bytes{0x01, 0x00, 0x01, 'V', 0x10, 0x41, 0x42},
         [](auto& tag) {
             EXPECT_EQ(as<FSFontInfo>(tag).getCodes(), (std::vector<int>{65, 66}));
         }},
        // Without glyphs, 32-bit offsets and a descent of 1, the rest fits a layout read both with
        // and without a code table offset; the format's own reading, with it, wins.
        {"empty table read either way", 7, 48,
         Bytes{0x01, 0x00, 0x88, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01,
               0x00, 0x00, 0x00, 0x00, 0x00},
         [](auto& tag) {
             auto& font = as<FSDefineFont2>(tag);
             EXPECT_EQ(font.getAscent(), 0);
             EXPECT_EQ(font.getDescent(), 1);
             EXPECT_TRUE(font.getKernings().empty());
         }},
        // Narrow codes in a version 8 movie.
        {"narrow codes", 8, 48,
         Bytes{0x01, 0x00, 0x00, 0x00, 0x01, 0x41, 0x01, 0x00, 0x04, 0x00, 0x06, 0x00, 0x10, 0x00,
               0x41}},
        // 32-bit offsets for a small table.
        {"wide offsets", 7, 48,
         Bytes{0x01, 0x00, 0x0C, 0x00, 0x00, 0x01, 0x00, 0x08, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x00,
               0x00, 0x10, 0x00, 0x41, 0x00}},
        // No glyphs and no code table offset.
        {"no code offset", 5, 48,
         Bytes{0x01, 0x00, 0x10, 0x00, 0x05, 0x5F, 0x73, 0x61, 0x6E, 0x73, 0x00, 0x00}},
        // No glyphs, with the code table offset.
        {"empty code offset", 8, 48,
         Bytes{0x01, 0x00, 0x04, 0x01, 0x01, 0x41, 0x00, 0x00, 0x02, 0x00}},
        // A layout of zeros without glyphs or code offset.
        {"zero layout", 8, 48,
         Bytes{0x01, 0x00, 0x84, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
               0x00}},
        // The same with the code offset.
        {"zero layout and code offset", 8, 48,
         Bytes{0x01, 0x00, 0x84, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
               0x00, 0x00, 0x00}},
        // A name that ends in its zero byte, as later writers store it.
        {"name with its zero", 8, 48,
         Bytes{0x01, 0x00, 0x04, 0x01, 0x03, 0x4E, 0x53, 0x00, 0x00, 0x00, 0x02, 0x00}},
        // A text field's font 0 of height 0, maximum length 0, a layout of zeros and an empty
        // initial text.
        {"text field parts of default values", 7, 37,
         concat({{0x01, 0x00, 0x00, 0x83, 0x20}, Bytes(17, 0x00)})},
        {"long header of an empty tag", 7, 25, Bytes{}, {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const Bytes bytes = tagBytes(c.type, c.body, c.longHeader);
        auto tag = decodeTag(bytes, c.version);
        ASSERT_NE(tag, nullptr);
        EXPECT_EQ(tag->getType(), c.type);
        EXPECT_EQ(encodeTag(*tag, c.version), bytes);
        if (c.check) c.check(tag);
    }
}

TEST(DefineFont2Test, GlyphsListedOutOfOrderAreReadWhereTheyLie) {
    const Bytes a = glyphBytes(lineGlyph(100, 0));
    const Bytes b = glyphBytes(lineGlyph(0, -5));
    const auto offset = [](std::size_t value) { return static_cast<uint8_t>(value); };
    // Glyph 1 lies first in the table, glyph 0 after it.
    const Bytes bytes =
        tagBytes(48, concat({Bytes{0x01, 0x00, 0x04, 0x00, 0x00, 0x02, 0x00, offset(6 + b.size()),
                                   0x00, 0x06, 0x00, offset(6 + a.size() + b.size()), 0x00},
                             b, a, Bytes{0x41, 0x00, 0x42, 0x00}}));
    auto font = decodeAs<FSDefineFont2>(bytes);
    ASSERT_NE(font, nullptr);
    ASSERT_EQ(font->getShapes().size(), 2u);
    EXPECT_EQ(glyphBytes(font->getShapes()[0]), a);
    EXPECT_EQ(glyphBytes(font->getShapes()[1]), b);
    EXPECT_EQ(font->getCodes(), (std::vector<int>{65, 66}));
    EXPECT_EQ(encodeTag(*font), tagBytes(48, concat({Bytes{0x01, 0x00, 0x04, 0x00, 0x00, 0x02, 0x00,
                                                           0x06, 0x00, offset(6 + a.size()), 0x00,
                                                           offset(6 + a.size() + b.size()), 0x00},
                                                     a, b, Bytes{0x41, 0x00, 0x42, 0x00}})));
}

TEST(DefineFont2Test, WiderBoundsOfAFileAreKeptWhileUnchanged) {
    // A glyph whose bounds are all zero, announced in fields of one bit (two bytes).
    const Bytes bytes = tagBytes(
        48, {0x01, 0x00, 0x84, 0x00, 0x00, 0x01, 0x00, 0x04, 0x00, 0x06, 0x00, 0x10, 0x00, 0x41,
             0x00, 0x00, 0x04, 0x00, 0x01, 0x00, 0x00, 0x58, 0x02, 0x08, 0x00, 0x00, 0x00});
    auto font = decodeAs<FSDefineFont2>(bytes);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->getBounds(), std::vector<FSBounds>{FSBounds()});
    EXPECT_EQ(encodeTag(*font), bytes);
    // Changed bounds are written in the fewest bits.
    font->setBounds({FSBounds(0, 0, 1, 1)});
    const Bytes changed = encodeTag(*font);
    EXPECT_EQ(changed.size(), bytes.size());
    EXPECT_EQ(changed[changed.size() - 4], 0x10);  // 00010 00 01 00 01: size 2
    roundTrip(*font);
}

TEST(DefineFont2Test, InconsistentListsAreRefused) {
    FSDefineFont2 codes(1, "F", {FSShape(), FSShape()}, {65});
    EXPECT_TRUE(contains(messageOf([&] { encodeTag(codes); }), "code count"));
    FSDefineFont2 advances(1, "F", {FSShape()}, {65});
    advances.setAscent(10);
    EXPECT_TRUE(contains(messageOf([&] { encodeTag(advances); }), "advance count"));
    advances.setAdvances({1});
    EXPECT_TRUE(contains(messageOf([&] { encodeTag(advances); }), "bounds count"));
    advances.setBounds({FSBounds()});
    roundTrip(advances);
    FSDefineFont2 named(1, std::string(256, 'x'));
    EXPECT_TRUE(contains(messageOf([&] { encodeTag(named); }), "name length of 256"));
}

// ---- FSFontInfo, FSFontInfo2 ----

TEST(FontInfoTest, NameFlagsAndCodes) {
    std::vector<int> codes;
    for (int i = 0; i < 10; ++i) codes.push_back('a' + i);
    FSFontInfo info(2, "Arial", codes);
    info.setEncoding(FSEncoding::ANSI);
    info.setItalic(true);
    const Bytes bytes = encodeTag(info);
    EXPECT_EQ(info.getLength(), 19);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 11),
              (Bytes{0x53, 0x03, 0x02, 0x00, 0x05, 'A', 'r', 'i', 'a', 'l', 0x0C}));
    auto decoded = roundTrip(info);
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(decoded->getCodes(), codes);
    EXPECT_EQ(decoded->getName(), "Arial");
    EXPECT_TRUE(decoded->isItalic());
    EXPECT_FALSE(decoded->isBold());
}

// ---- FSDefineTextField ----

TEST(DefineTextFieldTest, EveryOptionalPartAndFlag) {
    FSDefineTextField field(5, FSBounds(-40, -40, 2000, 400));
    field.setWordWrapped(true);
    field.setMultiline(true);
    field.setPassword(true);
    field.setReadOnly(true);
    field.setNotSelectable(true);
    field.setBordered(true);
    field.setHtml(true);
    field.setUseFontGlyphs(true);
    field.setFontIdentifier(3);
    field.setFontHeight(240);
    field.setColor(FSColor(255, 0, 0, 128));
    field.setMaxLength(20);
    field.setAlignment(2);
    field.setLeftMargin(40);
    field.setRightMargin(60);
    field.setIndent(80);
    field.setLeading(-20);
    field.setVariableName("name");
    field.setInitialText("Hello");
    const Bytes bytes = encodeTag(field);
    // header, identifier, bounds of 12 bits per value (7 bytes)
    const std::size_t flags = 2 + 2 + 7;
    EXPECT_EQ(bytes[flags], 0xFF);
    EXPECT_EQ(bytes[flags + 1], 0x3B);
    EXPECT_EQ(Bytes(bytes.begin() + flags + 2, bytes.begin() + flags + 19),
              (Bytes{0x03, 0x00, 0xF0, 0x00, 0xFF, 0x00, 0x00, 0x80, 0x14, 0x00, 0x02, 0x28, 0x00,
                     0x3C, 0x00, 0x50, 0x00}));
    EXPECT_EQ(field.getLength(), 2 + 7 + 2 + 4 + 4 + 2 + 9 + 5 + 6);
    auto decoded = roundTrip(field);
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(decoded->getLeading(), -20);
    EXPECT_EQ(decoded->getInitialText(), "Hello");
    EXPECT_EQ(decoded->getVariableName(), "name");
    EXPECT_TRUE(decoded->isUseFontGlyphs());
    EXPECT_FALSE(decoded->isAutoSize());
}

TEST(DefineTextFieldTest, FieldsOfLaterVersions) {
    FSDefineTextField field(6, FSBounds(0, 0, 100, 100));
    field.setFontClass("Serif");
    field.setFontHeight(300);
    field.setAutoSize(true);
    field.setWasStatic(true);
    field.setColor(FSColor());
    const Bytes bytes = encodeTag(field, 9);
    const std::size_t flags = 2 + 2 + 5;
    EXPECT_EQ(bytes[flags], 0x00);
    EXPECT_EQ(bytes[flags + 1], 0xC4);
    EXPECT_EQ(Bytes(bytes.begin() + flags + 2, bytes.end()),
              (Bytes{'S', 'e', 'r', 'i', 'f', 0x00, 0x2C, 0x01, 0x00}));
    auto decoded = roundTrip(field, 9);
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(decoded->getFontClass(), "Serif");
    EXPECT_EQ(decoded->getFontHeight(), 300);
    EXPECT_TRUE(decoded->isAutoSize());
    EXPECT_TRUE(decoded->isWasStatic());
    EXPECT_FALSE(decoded->containsFont());
}

// ---- hostile tags: refused with their reason, no slot left set ----

// A glyph table of `count` offsets to one glyph of 402 bytes, after the identifier.
Bytes sharedGlyphTable(int count, Bytes offset) {
    Bytes body = {0x01, 0x00};
    for (int i = 0; i < count; ++i) body.insert(body.end(), offset.begin(), offset.end());
    return concat({body, glyphBytes(glyphOfBytes(200))});
}

TEST(FontTextDecodingTest, HostileTagsAreRefusedWithTheirReason) {
    struct Case {
        const char* label;
        Bytes bytes;
        const char* message;
    };
    const auto font = [](Bytes body) { return concat({tagBytes(10, body), Bytes(4, 0x00)}); };
    const auto font2 = [](Bytes body) { return concat({tagBytes(48, body), Bytes(8, 0x00)}); };
    Bytes noBits = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00};
    for (int i = 0; i < 40; ++i) noBits.insert(noBits.end(), {0x80, 0xFF});
    noBits.push_back(0x00);
    const std::vector<Case> cases = {
        // DefineText
        {"text records without their end byte",
         tagBytes(33, Bytes{0x01, 0x00, 0x00, 0x00, 0x08, 0x08, 0x80, 0x01, 0x01, 0x01}),
         "the byte ending the text records runs past the end of the tag"},
        // Entries of no bits: 255 to every two bytes, held to a bound.
        {"glyph entries of no bits", tagBytes(11, noBits), "more glyph entries than the tag holds"},
        // DefineFont
        {"offset beyond the tag", font({0x01, 0x00, 0x04, 0x00, 0x40, 0x00, 0x10, 0x00}),
         "glyph 1 at offset 64 lies outside the glyph table"},
        {"offset inside the offset table", font({0x01, 0x00, 0x04, 0x00, 0x02, 0x00, 0x10, 0x00}),
         "glyph 1 at offset 2 lies outside the glyph table"},
        {"offset table beyond the tag", font({0x01, 0x00, 0x08, 0x00, 0x04, 0x00}),
         "the glyph offset table runs past the end of the tag"},
        {"first offset of no glyphs", font({0x01, 0x00, 0x00, 0x00, 0x10, 0x00}),
         "a glyph table without glyphs"},
        {"glyph running into the next",
         font(concat({{0x01, 0x00, 0x04, 0x00, 0x05, 0x00}, glyphBytes(lineGlyph(100, 0))})),
         "glyph 0 runs into the data after it"},
        {"glyph without an end", font({0x01, 0x00, 0x02, 0x00, 0x10, 0xFF}), "Read Overflow"},
        // A large glyph shared by many offsets would yield more outline than the table holds.
        {"glyph shared by many offsets", font(sharedGlyphTable(64, {128, 0x00})),
         "glyphs shared beyond the table's size"},
        // A thousand offsets to one glyph under a header that claims 2^31 - 1 bytes: the glyphs
        // may take no more than the data holds, not what the header claims.
        {"long header claiming more than the data",
         concat({{0xBF, 0x02, 0xFF, 0xFF, 0xFF, 0x7F}, sharedGlyphTable(1000, Bytes{0xD0, 0x07})}),
         "glyphs shared beyond the table's size"},
        // DefineFont2
        {"glyph count beyond the tag",
         font2({0x01, 0x00, 0x04, 0x00, 0x00, 0xFF, 0xFF, 0x04, 0x00}),
         "the glyph offset table runs past the end of the tag"},
        {"code offset beyond the tag",
         font2({0x01, 0x00, 0x04, 0x00, 0x00, 0x01, 0x00, 0x04, 0x00, 0x60, 0x00, 0x10, 0x00, 0x41,
                0x00}),
         "the code table offset points outside the tag"},
        {"glyph offset past the code table",
         font2({0x01, 0x00, 0x04, 0x00, 0x00, 0x01, 0x00, 0x08, 0x00, 0x06, 0x00, 0x10, 0x00, 0x41,
                0x00}),
         "glyph 0 at offset 8 lies outside the glyph table"},
        {"name beyond the tag", font2({0x01, 0x00, 0x04, 0x00, 0x30, 0x41}),
         "the font name runs past the end of the tag"},
        {"kernings beyond the tag",
         font2({0x01, 0x00, 0x84, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                0x00, 0xFF, 0x7F}),
         "the kerning table runs past the end of the tag"},
        {"body shorter than the identifier", font2({0x01}), "FSDefineFont2 overflowed by 1 bytes."},
        // FontInfo, FontInfo2
        {"codes cut short",
         tagBytes(62, Bytes{0x01, 0x00, 0x01, 'V', 0x01, 0x01, 0x41, 0x00, 0x42}),
         "a code table cut short"},
        {"info name beyond the tag", tagBytes(13, Bytes{0x01, 0x00, 0x09, 'V'}),
         "the font name runs past the end of the tag"},
        // DefineTextField: a variable name whose terminator lies in the next tag.
        {"variable name beyond the tag",
         concat({tagBytes(37, Bytes{0x01, 0x00, 0x00, 0x00, 0x00, 'a', 'b'}),
                 Bytes{0x40, 0x00, 0x00, 0x00}}),
         "the variable name runs past the end of the tag"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        FSInputStream in(c.bytes);
        in.setContext(FSCoder::Version, 7);
        const std::string message = messageOf([&] { FSMovie::decodeObject(in); });
        EXPECT_TRUE(contains(message, c.message)) << message;
        expectSlotsCleared(in, c.label);
    }
}

// ---- every class: round trips, copies, damaged input ----

std::vector<std::unique_ptr<FSMovieObject>> sampleTags() {
    std::vector<std::unique_ptr<FSMovieObject>> tags;
    tags.push_back(std::make_unique<FSDefineFont>(
        1, std::vector<FSShape>{lineGlyph(100, 0), lineGlyph(-30, 40), FSShape()}));
    auto font2 = std::make_unique<FSDefineFont2>(
        2, "Sans", std::vector<FSShape>{lineGlyph(0, 700), lineGlyph(500, -10)},
        std::vector<int>{'I', 0x263A});
    font2->setAscent(900);
    font2->setDescent(200);
    font2->setLeading(-5);
    font2->setAdvances({300, 1000});
    font2->setBounds({FSBounds(0, -700, 40, 0), FSBounds(10, -600, 900, 100)});
    font2->setKernings({FSKerning('I', 0x263A, -25), FSKerning(0x263A, 'I', 10)});
    font2->setItalic(true);
    font2->setLanguage(2);
    tags.push_back(std::move(font2));
    tags.push_back(std::make_unique<FSFontInfo>(1, "Serif", std::vector<int>{65, 66, 67}));
    tags.push_back(std::make_unique<FSFontInfo2>(1, "Serif", std::vector<int>{65, 0x3042}, 3));
    std::vector<FSText> records = {
        FSText(1, FSColor(0, 0, 0), 100, 480, 480, {FSCharacter(0, 0)}),
        FSText(0, FSColor(), 140, Default, 0, {FSCharacter(2, 300), FSCharacter(1, -20)}),
        FSText(2, FSColor(10, 20, 30, 40), Default, 960, 240, {})};
    tags.push_back(std::make_unique<FSDefineText>(3, FSBounds(0, 0, 14400, 10800),
                                                  FSCoordTransform(20, 40, 2.0, 0.5), records));
    tags.push_back(std::make_unique<FSDefineText2>(4, FSBounds(-20, -20, 400, 400),
                                                   FSCoordTransform(), records));
    auto field = std::make_unique<FSDefineTextField>(5, FSBounds(0, 0, 2000, 400));
    field->setFontIdentifier(2);
    field->setFontHeight(240);
    field->setMaxLength(8);
    field->setLeftMargin(20);
    field->setVariableName("v");
    field->setInitialText("text");
    field->setMultiline(true);
    tags.push_back(std::move(field));
    tags.push_back(std::make_unique<FSPathsArePostscript>());
    return tags;
}

TEST(FontTextRoundTripTest, EveryClassReencodesByteForByte) {
    for (int version : {5, 6, 8}) {
        for (auto& tag : sampleTags()) {
            SCOPED_TRACE(std::string(tag->name()) + " version " + std::to_string(version));
            const Bytes first = encodeTag(*tag, version);
            auto decoded = decodeTag(first, version);
            ASSERT_NE(decoded, nullptr);
            EXPECT_STREQ(decoded->name(), tag->name());
            EXPECT_EQ(encodeTag(*decoded, version), first);
            // A copy encodes the same.
            auto copy = tag->clone();
            auto* copied = dynamic_cast<FSMovieObject*>(copy.get());
            ASSERT_NE(copied, nullptr);
            EXPECT_EQ(encodeTag(*copied, version), first);
        }
    }
}

// Damaged copies of a tag: cut at every length (with the header saying so, or still claiming
// the whole body) and with bytes flipped. Each either decodes to an object that re-encodes, or
// fails with an FSException; reported failures never escape the tag.
void expectDamageHandled(const Bytes& tag, int version, std::size_t headerSize) {
    const int type = (tag[0] | tag[1] << 8) >> 6;
    const Bytes body(tag.begin() + static_cast<std::ptrdiff_t>(headerSize), tag.end());
    const auto attempt = [&](const Bytes& bytes, bool withListener) {
        RecordingListener recorder;
        FSInputStream in(bytes);
        in.setContext(FSCoder::Version, version);
        if (withListener) in.setListener(&recorder);
        try {
            auto object = FSMovie::decodeObject(in);
            if (object) encodeTag(*object, version);
        } catch (const FSDecodingStopped&) {
            ADD_FAILURE() << "a reported failure escaped the tag";
        } catch (const FSException&) {
        }
        expectSlotsCleared(in, "after damaged input");
    };
    // Every byte of small bodies; about 60 evenly spread places of large ones.
    const std::size_t step = body.size() > 120 ? body.size() / 60 : 1;
    for (std::size_t cut = 0; cut < body.size(); cut += step) {
        const Bytes shortBody(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(cut));
        attempt(tagBytes(type, shortBody, headerSize == 6), false);
        attempt(Bytes(tag.begin(), tag.begin() + static_cast<std::ptrdiff_t>(headerSize + cut)),
                false);
    }
    for (std::size_t at = 0; at < body.size(); at += step) {
        for (uint8_t mask : {0xFF, 0x80, 0x01}) {
            Bytes flipped = body;
            flipped[at] ^= mask;
            const Bytes bytes = tagBytes(type, flipped, headerSize == 6);
            attempt(bytes, false);
            attempt(bytes, true);
        }
    }
}

TEST(FontTextRoundTripTest, DamagedTagsFailCleanly) {
    for (auto& tag : sampleTags()) {
        SCOPED_TRACE(tag->name());
        const Bytes bytes = encodeTag(*tag, 7);
        expectDamageHandled(bytes, 7, static_cast<std::size_t>(tag->headerLength()));
    }
}

// ---- real movies ----

bool isFontOrTextTag(int type) {
    return type == 10 || type == 11 || type == 13 || type == 25 || type == 33 || type == 37 ||
           type == 48 || type == 62;
}

// The font and text tags of every movie of the corpus that this library can open.
std::vector<CorpusTag> corpusTags() {
    std::vector<CorpusTag> found;
    forEachCorpusTag(isFontOrTextTag, [&](const CorpusTag& tag) { found.push_back(tag); });
    return found;
}

TEST(FontTextCorpusTest, DamagedCopiesOfRealTagsFailCleanly) {
    if (!fs::is_directory(swfCorpus())) GTEST_SKIP() << "corpus absent: " << swfCorpus();
    // One tag of each kind and power-of-two size is enough to reach every path.
    std::map<std::pair<int, int>, int> seen;
    for (const auto& tag : corpusTags()) {
        const int type = (tag.bytes[0] | tag.bytes[1] << 8) >> 6;
        if (seen[{type, std::bit_width(tag.bytes.size())}]++ > 0) continue;
        SCOPED_TRACE(tag.file);
        expectDamageHandled(tag.bytes, tag.version, (tag.bytes[0] & 63) == 63 ? 6u : 2u);
    }
}

}  // namespace
}  // namespace transform
