// Slide texts: label formatters, bullet and number labels gathered from real decks through the
// .pptx host, logical fonts from host fonts, the glyph table and its embedded fonts, and the text
// records of each text, down to the bytes a player reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "engine/engine.h"
#include "engine/glyphs.h"
#include "engine/records.h"
#include "engine/text_gathering.h"
#include "engine/texts.h"
#include "fonts/font_library.h"
#include "host/pptx/pptx_host.h"
#include "swf/display_list.h"
#include "swf/fonts_text.h"
#include "swf/movie.h"
#include "swf/shapes.h"
#include "swf/sprites_buttons.h"
#include "test_support.h"
#include "tests/host/test_deck.h"

namespace quillet::enginetest {
namespace {

using engine::GatheredCharacter;
using engine::GlyphTable;
using engine::TextTable;

std::u32string label(int style, int n) {
    return engine::numberingLabel(style, n);
}

// Style and index (from 0) against the label; past a formatter's range only the punctuation.
TEST(LabelFormatters, LettersNumbersRomanAndChineseNumerals) {
    std::u32string out;
    EXPECT_EQ(engine::alphaLabel(0, false, out), 1);
    EXPECT_EQ(engine::alphaLabel(25, true, out), 1);
    EXPECT_EQ(engine::alphaLabel(26, false, out), 1);  // the 27th item is a again
    EXPECT_EQ(out, U"aZa");
    out.clear();
    EXPECT_EQ(engine::romanLabel(0, true, out), 0);
    EXPECT_EQ(engine::romanLabel(101, true, out), 0);
    EXPECT_TRUE(out.empty());
    const std::tuple<int, int, std::u32string> cases[] = {
        {3, 0, U"1."},         {3, 9, U"10."},      {3, 11, U"12."},    {3, 99, U"100."},
        {3, 100, U"."},        {2, 4, U"5)"},       {12, 6, U"(7)"},    {13, 41, U"42"},
        {4, 3, U"(iv)"},       {7, 48, U"XLIX."},   {15, 99, U"C)"},    {6, 8, U"ix."},
        {5, 87, U"lxxxviii)"}, {14, 93, U"(XCIV)"}, {0, 2, U"c."},      {1, 27, U"B."},
        {8, 0, U"(a)"},        {9, 1, U"b)"},       {10, 2, U"(C)"},    {11, 3, U"D)"},
        {18, 0, U""},          {-1, 0, U""},        {16, 0, U"一"},     {16, 9, U"十"},
        {16, 10, U"十一"},     {16, 18, U"十九"},   {16, 19, U"二十"},  {16, 20, U"二十一"},
        {16, 54, U"五十五"},   {16, 98, U"九十九"}, {17, 99, U"一百."}, {17, 100, U"."}};
    for (const auto& [style, n, expected] : cases)
        EXPECT_EQ(label(style, n), expected) << style << " " << n;
    // Every label of the range is distinct.
    std::vector<std::u32string> all;
    for (int n = 0; n < 100; ++n) all.push_back(label(16, n));
    std::sort(all.begin(), all.end());
    EXPECT_EQ(std::unique(all.begin(), all.end()), all.end());
}

// ---- gathering from real decks ------------------------------------------------------------

std::string paragraph(const std::string& text, const std::string& pPr, int size = 1800,
                      const std::string& rPrExtra = "") {
    return "<a:p><a:pPr marL=\"342900\" indent=\"-342900\">" + pPr +
           "</a:pPr><a:r><a:rPr lang=\"en-US\" sz=\"" + std::to_string(size) + "\"" + rPrExtra +
           "/><a:t>" + text + "</a:t></a:r></a:p>";
}

// bodyAttributes: more attributes of a:bodyPr (vertical text, a turn).
std::string textBox(int id, long long y, const std::string& paragraphs,
                    const std::string& bodyAttributes = "") {
    return "<p:sp><p:nvSpPr><p:cNvPr id=\"" + std::to_string(id) + "\" name=\"T" +
           std::to_string(id) +
           "\"/><p:cNvSpPr txBox=\"1\"/><p:nvPr/></p:nvSpPr><p:spPr><a:xfrm><a:off x=\"914400\" "
           "y=\"" +
           std::to_string(y) +
           "\"/><a:ext cx=\"6400800\" cy=\"1828800\"/></a:xfrm><a:prstGeom "
           "prst=\"rect\"><a:avLst/></a:prstGeom><a:noFill/></p:spPr><p:txBody><a:bodyPr "
           "wrap=\"square\"" +
           bodyAttributes + "/><a:lstStyle/>" + paragraphs + "</p:txBody></p:sp>";
}

test::DeckRecipe oneSlide(const std::string& shapes) {
    test::DeckRecipe recipe;
    recipe.slides.push_back(test::slideXml(shapes));
    return recipe;
}

// A deck written to a scratch folder and opened through the .pptx host: the recipe's, or one
// slide of one text box of these paragraphs.
struct OpenDeck {
    ScratchDir dir;
    std::string path;
    std::shared_ptr<host::Application> app;

    explicit OpenDeck(const test::DeckRecipe& recipe)
        : path(test::writeBytesTo(dir.file("texts.pptx"), test::makeDeck(recipe))),
          app(pptx::openApplication(path)) {}
    explicit OpenDeck(const std::string& paragraphs, const std::string& bodyAttributes = "")
        : OpenDeck(oneSlide(textBox(2, 457200, paragraphs, bodyAttributes))) {}
    std::shared_ptr<host::Shape> shape(int slide, int index) const {
        return app->activePresentation()->slides()->item(slide)->shapes()->item(index);
    }
    std::shared_ptr<host::TextRange> text(int slide, int index) const {
        return shape(slide, index)->textFrame()->textRange();
    }
    // Converts the deck; gives the movie's path (throws when the conversion fails).
    std::string convert(RecordingSink& sink, std::uint32_t seed = 5) {
        const auto result = engine::convertPresentation(app, sink, settingsIn(dir), options(seed));
        if (result.status != 0) throw std::runtime_error(result.message);
        return result.swfPath;
    }
    std::string convert() {
        RecordingSink sink;
        return convert(sink);
    }
};

std::u32string labelsOf(const engine::BulletLabels& labels) {
    return std::u32string(labels.characters.begin(), labels.characters.end());
}

// A range whose host leaves placing labels to the engine: every range taken from it is wrapped too.
class WithoutLaidBullets : public host::TextRange {
  public:
    explicit WithoutLaidBullets(std::shared_ptr<host::TextRange> r) : r_(std::move(r)) {}
    static std::shared_ptr<host::TextRange> wrap(std::shared_ptr<host::TextRange> r) {
        return r ? std::make_shared<WithoutLaidBullets>(std::move(r)) : nullptr;
    }
    std::string text() const override { return r_->text(); }
    int start() const override { return r_->start(); }
    int length() const override { return r_->length(); }
    int paragraphCount() const override { return r_->paragraphCount(); }
    std::shared_ptr<host::TextRange> paragraphs(int s, int n) const override {
        return wrap(r_->paragraphs(s, n));
    }
    std::shared_ptr<host::TextRange> characters(int s, int n) const override {
        return wrap(r_->characters(s, n));
    }
    int runCount() const override { return r_->runCount(); }
    std::shared_ptr<host::TextRange> runs(int s, int n) const override {
        return wrap(r_->runs(s, n));
    }
    std::shared_ptr<host::Font> font() const override { return r_->font(); }
    std::shared_ptr<host::ParagraphFormat> paragraphFormat() const override {
        return r_->paragraphFormat();
    }
    int indentLevel() const override { return r_->indentLevel(); }
    float boundLeft() const override { return r_->boundLeft(); }
    float boundTop() const override { return r_->boundTop(); }
    float boundWidth() const override { return r_->boundWidth(); }
    float boundHeight() const override { return r_->boundHeight(); }
    void deleteText() override { r_->deleteText(); }

  private:
    std::shared_ptr<host::TextRange> r_;
};

engine::BulletLabels unlaidBullets(const std::shared_ptr<host::TextRange>& range) {
    return engine::gatherBullets(*WithoutLaidBullets::wrap(range), true);
}

TEST(GatherBullets, NumberingRunsOnAndRestartsWhenTheStyleChanges) {
    std::string paragraphs;
    auto numbered = [&](const std::string& text, const std::string& type) {
        paragraphs += paragraph(text, "<a:buAutoNum type=\"" + type + "\"/>");
    };
    for (int i = 1; i <= 12; ++i) numbered("Item " + std::to_string(i), "arabicPeriod");
    for (int i = 1; i <= 3; ++i) numbered("Sub " + std::to_string(i), "alphaLcPeriod");
    // Only a paragraph mark: bulleted, but no label.
    paragraphs +=
        "<a:p><a:pPr marL=\"342900\" indent=\"-342900\"><a:buAutoNum "
        "type=\"alphaLcPeriod\"/></a:pPr></a:p>";
    numbered("Last", "alphaLcPeriod");
    OpenDeck deck(paragraphs);
    const auto labels = unlaidBullets(deck.text(1, 1));
    EXPECT_EQ(labelsOf(labels), U"1.2.3.4.5.6.7.8.9.10.11.12.a.b.c.d.");
    for (std::size_t n :
         {labels.fonts.size(), labels.xs.size(), labels.ys.size(), labels.sizes.size()})
        ASSERT_EQ(n, labels.size());
}

TEST(GatherBullets, StartValueIsNotReadAndOtherTypesGiveNoLabel) {
    const std::string paragraphs =
        paragraph("Five", "<a:buAutoNum type=\"arabicPeriod\" startAt=\"5\"/>") +
        paragraph("None", "<a:buNone/>") + paragraph("Bullet", "<a:buChar char=\"&#8226;\"/>") +
        paragraph("Roman", "<a:buAutoNum type=\"romanUcPeriod\"/>");
    OpenDeck deck(paragraphs);
    // The roman list follows another style: it restarts at I.
    EXPECT_EQ(labelsOf(unlaidBullets(deck.text(1, 1))), U"1.\u2022I.");
    // Laid out by the host, the list starts at its start value.
    EXPECT_EQ(labelsOf(engine::gatherBullets(*deck.text(1, 1), true)), U"5.\u2022I.");
}

TEST(GatherBullets, LabelsStandLeftOfTheParagraphOnItsFirstBaseline) {
    // 8-point text with a bullet in its own colour: placed as if 14 points high.
    const std::string paragraphs =
        paragraph("Small", "<a:buClr><a:srgbClr val=\"FF0000\"/></a:buClr><a:buChar char=\"*\"/>",
                  800) +
        paragraph("Large text", "<a:buAutoNum type=\"arabicParenR\"/>", 2400);
    OpenDeck deck(paragraphs);
    const auto range = deck.text(1, 1);
    const auto labels = unlaidBullets(range);
    ASSERT_EQ(labelsOf(labels), U"*1)");

    const auto first = range->paragraphs(1, 1);
    EXPECT_EQ(labels.xs[0], engine::roundHalf(first->boundLeft() * 20) - 350);
    EXPECT_EQ(labels.colours[0], 0x0000FF);  // red, in the low byte
    // The label's baseline (80 % of its size below its top) is the first character's baseline.
    const auto small = first->characters(1, 1);
    const double baseline = small->boundTop() + 0.8 * small->boundHeight();
    EXPECT_NEAR(labels.ys[0] / 20.0 + 0.8 * labels.sizes[0], baseline, 0.06);
    EXPECT_FLOAT_EQ(labels.sizes[0], small->boundHeight());

    // 24 points: h = 24, "1" then ")" 0.45 h on.
    const auto second = range->paragraphs(2, 1);
    EXPECT_EQ(labels.fonts[1].height, 24);
    EXPECT_EQ(labels.xs[1], engine::roundHalf(second->boundLeft() * 20 - 25 * 24));
    EXPECT_EQ(labels.xs[2] - labels.xs[1], 9 * 24);
    EXPECT_EQ(labels.ys[1], labels.ys[2]);
    const auto large = second->characters(1, 1);
    EXPECT_NEAR(labels.ys[1] / 20.0 + 0.8 * labels.sizes[1],
                large->boundTop() + 0.8 * large->boundHeight(), 0.06);
}

// A list with indents and hanging indents, in a text box at 72 points with the default 7.2-point
// inset: each label where its paragraph's marL + indent puts it.
struct ListItem {
    const char* pPr;
    const char* bullet;
    std::u32string label;
    double x;  // points on the slide
};

const ListItem kList[] = {
    {"marL=\"342900\" indent=\"-342900\"",
     "<a:buFont typeface=\"Liberation Serif\"/><a:buChar "
     "char=\"&#8226;\"/>",
     U"\u2022", 79.2},
    {"marL=\"742950\" lvl=\"1\" indent=\"-285750\"", "<a:buAutoNum type=\"alphaLcParenR\"/>", U"a)",
     115.2},
    {"marL=\"742950\" lvl=\"1\" indent=\"-285750\"", "<a:buAutoNum type=\"alphaLcParenR\"/>", U"b)",
     115.2},
    {"marL=\"457200\" indent=\"0\"", "<a:buAutoNum type=\"arabicPeriod\" startAt=\"3\"/>", U"3.",
     115.2},
    {"marL=\"0\" indent=\"342900\"",
     "<a:buClr><a:srgbClr val=\"00A000\"/></a:buClr><a:buSzPct val=\"150000\"/><a:buChar "
     "char=\"&#8211;\"/>",
     U"\u2013", 106.2},
};

std::string listParagraphs() {
    std::string out;
    for (const ListItem& item : kList) {
        out += std::string("<a:p><a:pPr ") + item.pPr + ">" + item.bullet +
               "</a:pPr><a:r><a:rPr lang=\"en-US\" sz=\"2000\"/><a:t>Item text</a:t></a:r></a:p>";
    }
    return out;
}

TEST(GatherBullets, LaidLabelsStandWhereTheLayoutPutThem) {
    OpenDeck deck(listParagraphs());
    const auto range = deck.text(1, 1);
    const auto labels = engine::gatherBullets(*range, true);
    ASSERT_EQ(labelsOf(labels), U"\u2022a)b)3.\u2013");
    ASSERT_EQ(labels.shadows.size(), labels.size());
    fonts::FontLibrary library;
    std::size_t j = 0;
    for (int p = 1; p <= static_cast<int>(std::size(kList)); ++p) {
        const ListItem& item = kList[p - 1];
        SCOPED_TRACE(p);
        const auto first = range->paragraphs(p, 1)->characters(1, 1);
        const double baseline = first->boundTop() + 0.8 * first->boundHeight();
        const double size = first->boundHeight() * (p == 5 ? 1.5 : 1.0);
        EXPECT_NEAR(labels.xs[j], item.x * 20, 1);
        for (std::size_t k = 0; k < item.label.size(); ++k, ++j) {
            EXPECT_NEAR(labels.sizes[j], size, 1e-3);
            // On the first baseline, each character one advance after the one before.
            EXPECT_NEAR(labels.ys[j] / 20.0 + 0.8 * labels.sizes[j], baseline, 0.06);
            if (k > 0) {
                EXPECT_NEAR(labels.xs[j] - labels.xs[j - 1],
                            library.advance(labels.fonts[j - 1], item.label[k - 1], size) * 20, 1);
            }
            EXPECT_FALSE(labels.shadows[j]);
        }
        // Hanging indents: the text starts at marL, right of its label.
        EXPECT_GT(first->boundLeft() * 20, labels.xs[j - 1]);
    }
    EXPECT_EQ(labels.fonts[0].faceName, "Liberation Serif");
    EXPECT_EQ(labels.colours[j - 1], 0x00A000);
    EXPECT_EQ(labels.colours[0], 0);
}

TEST(FontFromHost, FieldsOfTheLogicalFont) {
    const std::string rich =
        "<a:p><a:r><a:rPr lang=\"en-US\" sz=\"1450\" b=\"1\" i=\"1\" u=\"sng\"><a:solidFill>"
        "<a:srgbClr val=\"102030\"/></a:solidFill><a:latin typeface=\"Liberation Serif\"/>"
        "<a:ea typeface=\"Noto Sans CJK JP\"/></a:rPr><a:t>Bold</a:t></a:r></a:p>"
        "<a:p><a:r><a:rPr lang=\"ja-JP\" sz=\"1000\"><a:ea "
        "typeface=\"Noto Sans CJK JP\"/></a:rPr><a:t>Plain</a:t></a:r></a:p>";
    OpenDeck deck(rich);
    const auto range = deck.text(1, 1);
    // Height, weight, italic, underline and character set.
    auto fields = [](const fonts::LogicalFont& f) {
        return std::tuple<int, int, int, int, int>(f.height, f.weight, f.italic, f.underline,
                                                   f.charSet);
    };
    const auto bold = engine::fontFromHost(*range->characters(1, 1)->font(), true);
    EXPECT_EQ(fields(bold.font), std::tuple(15, 700, 1, 1, 0));  // 14.5 + 0.5
    EXPECT_EQ(bold.font.faceName, "Liberation Serif");
    EXPECT_EQ(bold.font.eastAsianFaceName, "Noto Sans CJK JP");
    EXPECT_EQ(bold.colour, 0x302010);

    const auto plain = engine::fontFromHost(*range->paragraphs(2, 1)->font(), false);
    EXPECT_EQ(fields(plain.font), std::tuple(10, 500, 0, 0, 1));
    // No Latin face set on the run: the theme's, or the East Asian one when there is none.
    EXPECT_FALSE(plain.font.faceName.empty());
}

// ---- glyphs and embedded fonts ------------------------------------------------------------

fonts::LogicalFont font(const std::string& face, int height, int weight = 500) {
    fonts::LogicalFont f;
    f.faceName = face;
    f.height = height;
    f.weight = weight;
    return f;
}

TEST(GlyphTable, OneGlyphPerCharacterAndFontWhateverTheHeight) {
    GlyphTable table;
    EXPECT_EQ(table.addGlyph(U'A', font("Carlito", 12)), 0);
    EXPECT_EQ(table.addGlyph(U'A', font("Carlito", 40)), 0);  // height ignored
    EXPECT_EQ(table.addGlyph(U'A', font("Caladea", 12)), 1);  // another face
    EXPECT_EQ(table.addGlyph(U'A', font("Carlito", 12, 700)), 2);
    auto italic = font("Carlito", 12);
    italic.italic = 1;
    EXPECT_EQ(table.addGlyph(U'A', italic), 3);
    auto ansi = font("Carlito", 12);
    ansi.charSet = 1;
    EXPECT_EQ(table.addGlyph(U'A', ansi), 4);
    EXPECT_EQ(table.addGlyph(U'B', font("Carlito", 30)), 5);
    EXPECT_EQ(table.addGlyph(U'A', font("Carlito", 99)), 0);
    ASSERT_EQ(table.entries().size(), 6u);
    // The glyph keeps the font of its first registration.
    EXPECT_EQ(table.entries()[0].font.height, 12);
    EXPECT_EQ(table.entries()[5].font.height, 30);
}

struct BuiltFonts {
    RecordingSink sink;
    ScratchDir dir;
    engine::ConversionJob job{sink, settingsIn(dir), 1};
};

// The text element of a deck's first shape, built in a job of its own.
struct BuiltText : BuiltFonts {
    engine::Element element;
    bool build(const OpenDeck& deck) {
        element.hostShape = deck.shape(1, 1);
        return engine::buildTextElement(job, element);
    }
};

std::vector<const transform::FSDefineFont*> definedFonts(const transform::FSMovie& movie) {
    std::vector<const transform::FSDefineFont*> out;
    for (const auto& object : movie.getObjects()) {
        if (auto* f = dynamic_cast<const transform::FSDefineFont*>(object.get())) out.push_back(f);
    }
    return out;
}

TEST(GlyphTable, FontsOfAtMostOneHundredGlyphsWithConsecutiveIdentifiers) {
    fonts::FontLibrary library;
    BuiltFonts built;
    TextTable& texts = built.job.texts;
    // 250 distinct characters: Latin letters and CJK ideographs, one of them without any outline.
    for (int i = 0; i < 249; ++i) {
        texts.glyphs.addGlyph(
            static_cast<char32_t>(i < 52 ? (i < 26 ? U'A' + i : U'a' + i - 26) : U'\u4E00' + i),
            font("Carlito", 20));
    }
    texts.glyphs.addGlyph(U'\U000E01EF', font("Carlito", 20));  // a variation selector: no outline
    built.job.newIdentifier();  // something defined before the fonts
    texts.glyphs.buildFonts(library, built.job);

    const auto fonts = definedFonts(built.job.movie);
    ASSERT_EQ(fonts.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(fonts[i]->getShapes().size(), i < 2 ? 100u : 50u) << i;
        EXPECT_EQ(fonts[i]->getIdentifier(), texts.glyphs.baseFontId() + static_cast<int>(i)) << i;
    }
    EXPECT_EQ(texts.glyphs.fontIdOf(150), fonts[1]->getIdentifier());
    EXPECT_EQ(GlyphTable::glyphCodeOf(150), 50);
    // Every glyph is present; the one without an outline is a lone style record.
    const auto& last = fonts[2]->getShapes().back();
    ASSERT_EQ(last.getObjects().size(), 1u);
    EXPECT_NE(dynamic_cast<const transform::FSShapeStyle*>(&last.getObjects()[0]), nullptr);
    EXPECT_GT(fonts[0]->getShapes()[0].getObjects().size(), 3u);
}

// The bounds of a glyph's outline in em units (y down), from its edge records.
struct GlyphBox {
    int minX = 1 << 30, minY = 1 << 30, maxX = -(1 << 30), maxY = -(1 << 30);
};

GlyphBox boxOf(const transform::FSShape& shape) {
    GlyphBox box;
    int x = 0, y = 0;
    auto take = [&] {
        box.minX = std::min(box.minX, x), box.maxX = std::max(box.maxX, x);
        box.minY = std::min(box.minY, y), box.maxY = std::max(box.maxY, y);
    };
    for (const auto& object : shape.getObjects()) {
        if (auto* style = dynamic_cast<const transform::FSShapeStyle*>(object.get())) {
            if (style->containsMove()) x = style->getMoveX(), y = style->getMoveY();
        } else if (auto* line = dynamic_cast<const transform::FSLine*>(object.get())) {
            x += line->getX(), y += line->getY();
        } else if (auto* curve = dynamic_cast<const transform::FSCurve*>(object.get())) {
            x += curve->getControlX() + curve->getAnchorX();
            y += curve->getControlY() + curve->getAnchorY();
        }
        take();
    }
    return box;
}

TEST(GlyphTable, GlyphsLieOnTheEmSquareOf1024WhateverTheSizeTheyWereFirstUsedAt) {
    fonts::FontLibrary library;
    for (int height : {8, 72}) {
        BuiltFonts built;
        built.job.texts.glyphs.addGlyph(U'H', font("Carlito", height));
        built.job.texts.glyphs.buildFonts(library, built.job);
        const auto fonts = definedFonts(built.job.movie);
        ASSERT_EQ(fonts.size(), 1u);
        const GlyphBox box = boxOf(fonts[0]->getShapes()[0]);
        // The capital stands on the baseline and is as tall as the face's cap height.
        const auto metrics = library.metrics(font("Carlito", height), engine::kGlyphEmPixels);
        EXPECT_NEAR(box.maxY, 0, 2) << height;
        EXPECT_NEAR(-box.minY, metrics.capHeight * 20, 6) << height;
        EXPECT_GT(box.maxX - box.minX, 300) << height;
        EXPECT_LT(box.maxX, 1024) << height;
    }
}

// ---- text records -------------------------------------------------------------------------

GatheredCharacter character(char32_t code, float size, int colour, int x, int y,
                            bool shadow = false) {
    return {code, font("Carlito", static_cast<int>(size + 0.5f)), size, colour, x, y, {shadow}};
}

const transform::FSTextDefinition& onlyText(const transform::FSMovie& movie) {
    const transform::FSTextDefinition* found = nullptr;
    for (const auto& object : movie.getObjects()) {
        if (auto* t = dynamic_cast<const transform::FSTextDefinition*>(object.get())) found = t;
    }
    if (!found) throw std::runtime_error("no text definition");
    return *found;
}

// The sprite of three objects whose first two are placements of the definitions `accepts` takes.
const transform::FSDefineMovieClip* spriteOfTwo(const transform::FSMovie& movie,
                                                const std::function<bool(int, int)>& accepts) {
    for (const auto& object : movie.getObjects()) {
        const auto* clip = dynamic_cast<const transform::FSDefineMovieClip*>(object.get());
        if (!clip || clip->getObjects().size() != 3) continue;
        const auto* first = dynamic_cast<const transform::FSPlaceObject2*>(&clip->getObjects()[0]);
        const auto* second = dynamic_cast<const transform::FSPlaceObject2*>(&clip->getObjects()[1]);
        if (first && second && accepts(first->getIdentifier(), second->getIdentifier()))
            return clip;
    }
    return nullptr;
}

// The movie of the table's texts, in a frame of this size (twips).
transform::FSMovie recordsOf(TextTable& table, int width = 100, int height = 100) {
    transform::FSMovie movie;
    table.buildText(movie, 0, transform::FSBounds(0, 0, width, height));
    return movie;
}

TEST(TextRecords, OneRecordPerCharacterWithItsHeightBaselineAndColour) {
    TextTable table;
    std::vector<GatheredCharacter> chars;
    for (int i = 0; i < 12; ++i) {
        chars.push_back(
            character(static_cast<char32_t>(U'a' + i), 24, 0x00FF00, 2000 + 300 * i, 3000));
    }
    table.addText(7, 1000, 2000, 0x00FF00, chars);
    const transform::FSMovie movie = recordsOf(table, 14400, 10800);
    const auto& text = onlyText(movie);
    EXPECT_EQ(text.getIdentifier(), 7);
    const auto& records = text.getObjects();
    ASSERT_EQ(records.size(), 12u);
    for (int i = 0; i < 12; ++i) {
        const auto& r = records[static_cast<std::size_t>(i)];
        EXPECT_EQ(r.getHeight(), 480);
        EXPECT_EQ(r.getXOffset(), 1000 + 300 * i);
        EXPECT_EQ(r.getYOffset(), 1000 + 384);  // top + 80 % of 480 twips
        EXPECT_EQ(r.getColor(), transform::FSColor(0, 255, 0, 255));
        ASSERT_EQ(r.getCharacters().size(), 1u);
        EXPECT_EQ(r.getCharacters()[0].getGlyphIndex(), i);
        EXPECT_EQ(r.getCharacters()[0].getAdvance(), 0);
    }
    // The bounds hold every record, even those left of and above the element's origin.
    EXPECT_LE(text.getBounds().getMinX(), 0);
    EXPECT_GE(text.getBounds().getMaxX(), 14400);
}

TEST(TextRecords, ShadowsComeFirstInAColourThatStandsOutFromTheText) {
    struct Case {
        int textColour;
        transform::FSColor shadow;
    };
    for (const Case& c : {Case{0xFFFFFF, transform::FSColor(128, 128, 128, 255)},
                          Case{0x000000, transform::FSColor(255, 255, 255, 255)},
                          Case{0x123456, transform::FSColor(0, 0, 0, 255)}}) {
        TextTable table;
        std::vector<GatheredCharacter> chars;
        for (int i = 0; i < 12; ++i) {
            chars.push_back(character(U'x', 30, c.textColour, 100 * i, 0, true));
        }
        table.addText(3, 0, 0, c.textColour, chars);
        const transform::FSMovie movie = recordsOf(table);
        const auto& records = onlyText(movie).getObjects();
        ASSERT_EQ(records.size(), 24u);
        for (int i = 0; i < 12; ++i) {
            const auto& shadow = records[static_cast<std::size_t>(2 * i)];
            const auto& ink = records[static_cast<std::size_t>(2 * i + 1)];
            EXPECT_EQ(shadow.getColor(), c.shadow);
            EXPECT_EQ(shadow.getXOffset(), ink.getXOffset() + 15);  // half a twip per point
            EXPECT_EQ(shadow.getYOffset(), ink.getYOffset() + 15);
            EXPECT_EQ(shadow.getHeight(), 600);
        }
    }
}

TEST(TextRecords, GlyphsPastTheHundredthUseTheNextFont) {
    fonts::FontLibrary library;
    BuiltFonts built;
    std::vector<GatheredCharacter> chars;
    for (int i = 0; i < 120; ++i) {
        chars.push_back(character(static_cast<char32_t>(U'\u4E00' + i), 12, 0, 0, 0));
    }
    const int id = built.job.newIdentifier();
    built.job.texts.addText(id, 0, 0, 0, chars);
    built.job.texts.glyphs.buildFonts(library, built.job);
    built.job.texts.buildText(built.job.movie, 0, built.job.frameBounds);
    const auto& records = onlyText(built.job.movie).getObjects();
    ASSERT_EQ(records.size(), 120u);
    const int base = built.job.texts.glyphs.baseFontId();
    EXPECT_EQ(records[99].getIdentifier(), base);
    EXPECT_EQ(records[99].getCharacters()[0].getGlyphIndex(), 99);
    EXPECT_EQ(records[100].getIdentifier(), base + 1);
    EXPECT_EQ(records[100].getCharacters()[0].getGlyphIndex(), 0);
    EXPECT_EQ(records[119].getCharacters()[0].getGlyphIndex(), 19);
}

TEST(TextRecords, CharactersTooFarFromTheirFrameForARecordAreLeftOut) {
    TextTable table;
    table.addText(1, 0, 0, 0,
                  {character(U'a', 20, 0, 100, 100), character(U'b', 20, 0, 100, 40000),
                   character(U'c', 20, 0, -40000, 100)});
    transform::FSMovie movie = recordsOf(table);
    ASSERT_EQ(onlyText(movie).getObjects().size(), 1u);
    // The movie still encodes and reads back.
    const auto bytes = movie.encode();
    transform::FSMovie back;
    back.decodeFromData(bytes);
    EXPECT_EQ(onlyText(back).getObjects().size(), 1u);
}

// Without the fonts to draw them, outlined characters stay records.
TEST(TextRecords, OutlinedCharactersWithoutFontsStayRecords) {
    TextTable table;
    std::vector<GatheredCharacter> chars{character(U'a', 20, 0, 0, 0),
                                         character(U'b', 20, 0, 300, 0)};
    chars[1].look.outlineWidth = 40;
    table.addText(1, 0, 0, 0, chars, {}, 0, 3, 2);
    transform::FSMovie movie = recordsOf(table);
    EXPECT_EQ(onlyText(movie).getObjects().size(), 2u);
    const auto* sprite = findDefinition<transform::FSDefineMovieClip>(movie.getObjects(), 3);
    ASSERT_NE(sprite, nullptr);
    EXPECT_EQ(sprite->getObjects().size(), 2u);  // the text and its frame
    EXPECT_EQ(findDefinition<transform::FSDefineShape>(movie.getObjects(), 2), nullptr);
}

// ---- whole conversions --------------------------------------------------------------------

TEST(SlideTexts, EveryVisibleCharacterLandsWhereTheHostPutsIt) {
    const std::string paragraphs =
        "<a:p><a:r><a:rPr lang=\"en-US\" sz=\"2000\"/><a:t>Hi there</a:t></a:r><a:br><a:rPr "
        "lang=\"en-US\" sz=\"2000\"/></a:br><a:r><a:rPr lang=\"en-US\" sz=\"2000\"><a:effectLst>"
        "<a:outerShdw dist=\"38100\" dir=\"5400000\"><a:srgbClr val=\"204060\"><a:alpha "
        "val=\"50000\"/></a:srgbClr></a:outerShdw></a:effectLst></a:rPr><a:t>x\ty</a:t></a:r>"
        "<a:r><a:rPr lang=\"en-US\" sz=\"2000\"><a:effectLst><a:outerShdw/></a:effectLst></a:rPr>"
        "<a:t>z</a:t></a:r></a:p>" +
        paragraph("One", "<a:buAutoNum type=\"arabicPeriod\"/>", 2000) +
        paragraph("Two", "<a:buAutoNum type=\"arabicPeriod\"/>", 2000);
    OpenDeck deck(paragraphs);
    RecordingSink sink;
    transform::FSMovie movie(deck.convert(sink));

    // "Hithere" + "xy" (shadowed: two records each) + "z" (its shadow is not moved: none) +
    // "OneTwo" + the labels "1." "2.".
    const auto& text = onlyText(movie);
    const auto& records = text.getObjects();
    ASSERT_EQ(records.size(), 7u + 4u + 1u + 6u + 4u);
    // The shadow as glyphs draw it: 3 points down, in its colour at half opacity (which needs the
    // second form of text).
    EXPECT_EQ(text.getType(), 33);
    EXPECT_EQ(records[7].getColor(), transform::FSColor(0x20, 0x40, 0x60, 128));
    EXPECT_EQ(records[7].getXOffset(), records[8].getXOffset());
    EXPECT_EQ(records[7].getYOffset(), records[8].getYOffset() + 60);

    // The first character: its record's top-left is the host's one-character bounds, relative to
    // the shape's top-left (72 points, 36 points).
    const auto range = deck.text(1, 1);
    const auto h = range->characters(1, 1);
    EXPECT_EQ(records[0].getXOffset(), engine::roundHalf(h->boundLeft() * 20) - 1440);
    EXPECT_EQ(records[0].getYOffset(), engine::roundHalf(h->boundTop() * 20) - 720 + 320);
    EXPECT_EQ(records[0].getHeight(), 400);

    // Fonts come before the text that uses them; the text's identifier was reserved before both.
    int textPosition = -1, lastFontPosition = -1, position = 0;
    for (const auto& object : movie.getObjects()) {
        if (dynamic_cast<const transform::FSDefineFont*>(object.get())) lastFontPosition = position;
        if (object.get() == &text) textPosition = position;
        ++position;
    }
    EXPECT_LT(lastFontPosition, textPosition);
    EXPECT_LT(text.getIdentifier(), records[0].getIdentifier());

    // The build phase reports its fonts, then each text.
    auto at = std::find(sink.reports.begin(), sink.reports.end(),
                        Report{"Build glyph of all font", 30, 0});
    ASSERT_NE(at, sink.reports.end());
    ASSERT_GE(std::distance(at, sink.reports.end()), 3);
    EXPECT_EQ(*(at + 1), (Report{"Build string   0/   1 ", 1, 0}));
    EXPECT_EQ(*(at + 2), (Report{"Build Text   1/1", 10, 0}));
}

// Each label's glyph record stands where the layout put the label, within a twip, for the
// list as laid out across and turned into a column.
TEST(SlideTexts, LabelRecordsStandWhereTheLayoutPutTheLabels) {
    for (const std::string vert : {"", " vert=\"vert\""}) {
        SCOPED_TRACE(vert);
        OpenDeck deck(listParagraphs(), vert);
        const std::string swf = deck.convert();
        transform::FSMovie movie(swf);
        const auto& records = onlyText(movie).getObjects();
        // Five times "Itemtext", then the eight label characters.
        ASSERT_EQ(records.size(), 5u * 8u + 8u);
        const auto range = deck.text(1, 1);
        const auto shape = deck.shape(1, 1);
        std::size_t r = 40;
        for (int p = 1; p <= static_cast<int>(std::size(kList)); ++p) {
            const auto laid = range->paragraphs(p, 1)->laidBullet();
            ASSERT_TRUE(laid.has_value());
            ASSERT_EQ(laid->glyphs.size(), kList[p - 1].label.size());
            const double size = laid->font->size();
            for (const host::BulletGlyph& g : laid->glyphs) {
                const auto& record = records[r++];
                EXPECT_NEAR(record.getXOffset(), (g.x - shape->left()) * 20, 1) << p;
                EXPECT_NEAR(record.getYOffset(), (laid->baseline - shape->top()) * 20, 1) << p;
                EXPECT_EQ(record.getHeight(), engine::roundHalf(size * 20)) << p;
            }
        }
        if (vert.empty()) {
            // Across: the first label where marL + indent puts it.
            EXPECT_NEAR(records[40].getXOffset(), (kList[0].x - 72) * 20, 1);
        }
        expectParserAccepts(swf);
    }
}

// The body's own turn (bodyPr rot) adds to the turn of vertical text; the element takes both.
TEST(SlideTexts, TextTurnedWithinItsShapeTurnsWithItsElement) {
    const std::pair<std::string, float> cases[] = {{"", 0.0f},
                                                   {" rot=\"1800000\"", 30.0f},
                                                   {" vert=\"vert\" rot=\"1800000\"", 120.0f},
                                                   {" vert=\"vert270\"", 270.0f},
                                                   {" rot=\"-5400000\"", 270.0f}};
    for (const auto& [attributes, turn] : cases) {
        OpenDeck deck(paragraph("Turned", "<a:buNone/>"), attributes);
        BuiltText built;
        ASSERT_TRUE(built.build(deck)) << attributes;
        EXPECT_FLOAT_EQ(built.element.textTurn, turn) << attributes;
    }
}

// Runs drawn in capitals (all or small) reach the movie as the capitals the host lays out.
TEST(SlideTexts, RunsInCapitalsShowTheirCapitals) {
    struct Case {
        const char* cap;
        std::u32string drawn;
    };
    for (const Case& c : {Case{"none", U"Abcé"}, Case{"all", U"ABCÉ"}, Case{"small", U"ABCÉ"}}) {
        const std::string run = std::string("<a:rPr lang=\"en-US\" sz=\"2000\" cap=\"") + c.cap +
                                "\"/><a:t>Ab cé</a:t>";
        OpenDeck deck("<a:p><a:r>" + run + "</a:r></a:p>");
        BuiltText built;
        ASSERT_TRUE(built.build(deck)) << c.cap;
        std::u32string codes;
        for (const auto& entry : built.job.texts.glyphs.entries()) codes += entry.code;
        EXPECT_EQ(codes, c.drawn) << c.cap;
    }
}

// The lines' shape of a converted deck (the sprite's shape under its text) and its filled outlines
// as corner points, each outline from its move to its last line.
struct TextLines {
    const transform::FSDefineShape* shape = nullptr;
    std::vector<std::vector<std::pair<int, int>>> outlines;
    std::vector<int> fillStyles;  // each outline's

    explicit TextLines(const transform::FSMovie& movie) {
        spriteOfTwo(movie, [&](int first, int second) {
            shape = findDefinition<transform::FSDefineShape>(movie.getObjects(), first);
            return shape && second == onlyText(movie).getIdentifier();
        });
        if (!shape) return;
        int x = 0, y = 0;
        const auto& records = shape->getShape().getObjects();
        for (std::size_t i = 0; i < records.size(); ++i) {
            const auto& record = records[i];
            if (const auto* move = dynamic_cast<const transform::FSShapeStyle*>(&record)) {
                x = move->getMoveX(), y = move->getMoveY();
                outlines.push_back({{x, y}});
                fillStyles.push_back(move->getFillStyle());
            } else if (const auto* line = dynamic_cast<const transform::FSLine*>(&record)) {
                if (outlines.empty()) {
                    ADD_FAILURE() << "a line before the first move";
                    return;
                }
                x += line->getX(), y += line->getY();
                outlines.back().emplace_back(x, y);
            } else {
                ADD_FAILURE() << "a record that is neither a move nor a straight line";
            }
        }
    }
};

// A run of red Liberation Sans at 24 points: its rPr attributes, and children between its fill
// and its face.
std::string linedRun(const std::string& attributes, const std::string& text,
                     const std::string& children = "") {
    return "<a:r><a:rPr lang=\"en-US\" sz=\"2400\" " + attributes +
           "><a:solidFill><a:srgbClr val=\"C00010\"/></a:solidFill>" + children +
           "<a:latin typeface=\"Liberation Sans\"/></a:rPr><a:t>" + text + "</a:t></a:r>";
}

// Underlined and struck-through runs: their lines stand as one shape under the glyphs, in the
// run's colour, at the place and thickness of the face's own lines, along the characters' advances
// (spaces included); a run without lines gets none.
TEST(SlideTexts, UnderlinesAndStrikeThroughsAreShapesUnderTheGlyphs) {
    OpenDeck deck("<a:p>" + linedRun("u=\"sng\" strike=\"sngStrike\"", "Lined text") +
                  linedRun("", " plain") + "</a:p>");
    const std::string swf = deck.convert();
    transform::FSMovie movie(swf);

    const TextLines lines(movie);
    ASSERT_NE(lines.shape, nullptr) << "no sprite of lines under the text";
    ASSERT_EQ(lines.shape->getFillStyles().size(), 1u);
    ASSERT_AS(transform::FSSolidFill, fill, &lines.shape->getFillStyles()[0]);
    const transform::FSColor& ink = fill->getColor();
    EXPECT_EQ(std::tuple(ink.getRed(), ink.getGreen(), ink.getBlue()),
              std::tuple(0xC0, 0x00, 0x10));

    // Rectangles as (left, top, width, height), each drawn right, down, left and up.
    struct Rect {
        int x, y, w, h;
    };
    std::vector<Rect> rects;
    for (const auto& o : lines.outlines) {
        ASSERT_EQ(o.size(), 5u);
        EXPECT_EQ(o[4], o[0]) << "closed";
        EXPECT_EQ(o[1].second, o[0].second);
        EXPECT_EQ(o[2].first, o[1].first);
        rects.push_back(
            {o[0].first, o[0].second, o[1].first - o[0].first, o[2].second - o[1].second});
    }
    // One underline and one strike-through along "Lined text".
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(lines.fillStyles, (std::vector<int>{1, 1}));

    const auto range = deck.text(1, 1);
    const auto first = range->characters(1, 1);
    const auto last = range->characters(10, 1);
    const double size = first->boundHeight();
    const double baseline = first->boundTop() + 0.8 * size;
    fonts::FontLibrary library;
    const fonts::FontMetrics m =
        library.metrics(engine::fontFromHost(*first->font(), true).font, size);
    const int left = engine::roundHalf(first->boundLeft() * 20) - 1440;
    const int right = engine::roundHalf((last->boundLeft() + last->boundWidth()) * 20) - 1440;
    for (const auto& [rect, line] : {std::pair{rects[0], fonts::underlineLine(m, size)},
                                     std::pair{rects[1], fonts::strikeoutLine(m, size)}}) {
        EXPECT_EQ(rect.x, left);
        EXPECT_NEAR(rect.x + rect.w, right, 1);
        EXPECT_NEAR(rect.y, (baseline + line.top) * 20 - 720, 1.5);
        EXPECT_NEAR(rect.h, line.thickness * 20, 1);
    }
    EXPECT_GT(rects[0].y, rects[1].y + rects[1].h);  // under the baseline, through the letters

    expectParserAccepts(swf);
}

// Dotted, dashed and wavy underlines reach the movie as their dashes along the whole run (their
// rhythm unbroken where characters meet) or as one wave swinging about the line; a words-only
// underline leaves the space out.
TEST(SlideTexts, PatternedUnderlinesAreTheirDashesOrWave) {
    struct Case {
        const char* style;
        std::size_t outlines;  // at least this many
        bool wave;
        int weight = 1;
    };
    const auto underlined = [](const std::string& style) {
        OpenDeck deck("<a:p>" + linedRun("u=\"" + style + "\"", "Lined text") + "</a:p>");
        const std::string swf = deck.convert();
        expectParserAccepts(swf);
        return transform::FSMovie(swf);
    };
    const transform::FSMovie solid = underlined("sng");
    const TextLines plain(solid);
    ASSERT_EQ(plain.outlines.size(), 1u);
    const auto [left, top] = plain.outlines[0][0];
    const auto [right, bottom] = plain.outlines[0][2];
    const int thickness = bottom - top;
    for (const Case& c :
         {Case{"dotted", 20, false}, Case{"dash", 8, false}, Case{"dotDotDashHeavy", 4, false, 2},
          Case{"wavy", 1, true}, Case{"wavyDbl", 2, true}, Case{"words", 2, false}}) {
        SCOPED_TRACE(c.style);
        const transform::FSMovie movie = underlined(c.style);
        const TextLines lines(movie);
        ASSERT_NE(lines.shape, nullptr);
        EXPECT_GE(lines.outlines.size(), c.outlines);
        EXPECT_EQ(lines.fillStyles, std::vector<int>(lines.outlines.size(), 1));
        int minX = right, maxX = left, minY = bottom, maxY = top;
        for (const auto& o : lines.outlines) {
            EXPECT_EQ(o.back(), o.front()) << "closed";
            for (const auto& [x, y] : o) {
                minX = std::min(minX, x), maxX = std::max(maxX, x);
                minY = std::min(minY, y), maxY = std::max(maxY, y);
            }
        }
        // From the run's first advance to its last, about the solid line's centre.
        EXPECT_EQ(minX, left);
        EXPECT_NEAR(maxX, right, thickness * (std::string(c.style) == "dotted" ? 2 : 8));
        const double centre = (top + bottom) / 2.0, half = c.weight * thickness / 2.0;
        EXPECT_NEAR(minY, centre - half - (c.wave ? thickness : 0), 2);
        EXPECT_GE(maxY, centre + half + (c.wave ? thickness : 0) - 2);
        if (std::string(c.style) == "words") {
            // "Lined" and "text", with a gap where the space stands.
            ASSERT_EQ(lines.outlines.size(), 2u);
            EXPECT_GT(lines.outlines[1][0].first, lines.outlines[0][1].first + 2 * thickness);
        }
    }
}

// A highlighted run has its colour behind every character's cell (spaces too), from a size above
// the baseline to a fifth of it below, as the first outlines of the lines' shape in their own
// fill style, so that the run's underline stands over it.
TEST(SlideTexts, HighlightsStandUnderTheLines) {
    const std::string blueUnderline =
        "<a:uFill><a:solidFill><a:srgbClr val=\"0000FF\"/></a:solidFill></a:uFill>";
    const std::string yellow = "<a:highlight><a:srgbClr val=\"FFFF00\"/></a:highlight>";
    OpenDeck deck("<a:p>" + linedRun("u=\"sng\"", "Marked text", blueUnderline) + "</a:p>");
    OpenDeck marked("<a:p>" + linedRun("u=\"sng\"", "Marked text", yellow + blueUnderline) +
                    "</a:p>");
    const std::string swf = marked.convert();
    expectParserAccepts(swf);
    const transform::FSMovie movie(swf);
    const TextLines lines(movie);
    ASSERT_NE(lines.shape, nullptr);
    ASSERT_EQ(lines.outlines.size(), 2u);  // the highlight, then the underline
    EXPECT_EQ(lines.fillStyles, (std::vector<int>{1, 2}));
    const auto rgbOf = [&](int style) {
        const auto* fill = dynamic_cast<const transform::FSSolidFill*>(
            &lines.shape->getFillStyles()[static_cast<std::size_t>(style)]);
        return fill ? std::tuple(fill->getColor().getRed(), fill->getColor().getGreen(),
                                 fill->getColor().getBlue())
                    : std::tuple(-1, -1, -1);
    };
    ASSERT_EQ(lines.shape->getFillStyles().size(), 2u);
    EXPECT_EQ(rgbOf(0), std::tuple(0xFF, 0xFF, 0x00));
    EXPECT_EQ(rgbOf(1), std::tuple(0x00, 0x00, 0xFF));

    const auto range = marked.text(1, 1);
    const auto first = range->characters(1, 1);
    const auto last = range->characters(11, 1);
    const double size = first->boundHeight();
    const double baseline = first->boundTop() + 0.8 * size;
    const auto& box = lines.outlines[0];
    ASSERT_EQ(box.size(), 5u);
    EXPECT_EQ(box[0].first, engine::roundHalf(first->boundLeft() * 20) - 1440);
    EXPECT_NEAR(box[1].first,
                engine::roundHalf((last->boundLeft() + last->boundWidth()) * 20) - 1440, 1);
    EXPECT_NEAR(box[0].second, (baseline - size) * 20 - 720, 1.5);
    EXPECT_NEAR(box[2].second - box[0].second, 1.2 * size * 20, 1.5);
    // The underline within it.
    EXPECT_GT(lines.outlines[1][0].second, box[0].second);
    EXPECT_LT(lines.outlines[1][2].second, box[2].second);

    // Without the highlight, only the underline.
    const std::string plain = deck.convert();
    const transform::FSMovie unmarked(plain);
    EXPECT_EQ(TextLines(unmarked).outlines.size(), 1u);
}

// An underline takes its own colour (a:uFill, or its line's a:uLn) when the run gives one, its
// text's after a:uFillTx, twice the face's thickness when heavy, and its dashes or wave; the
// strike-through keeps the text's colour, and a double one stands about the single one's place.
TEST(SlideTexts, UnderlinesTakeTheirOwnColourAndWeight) {
    struct Case {
        const char* name;
        std::string underline;
        int colour;  // host RGB, red in the low byte
        float weight;
        bool doubled = false;
        int dash = host::dash_style::kSolid;
        bool wavy = false;
        bool words = false;
        const char* strike = "sngStrike";
    };
    using namespace host::dash_style;
    const std::string green = "<a:solidFill><a:srgbClr val=\"00B050\"/></a:solidFill>";
    const Case cases[] = {
        {"own fill, heavy", "u=\"heavy\"><a:uFill>" + green + "</a:uFill>", 0x50B000, 2},
        {"own line", "u=\"sng\"><a:uLn w=\"12700\">" + green + "</a:uLn>", 0x50B000, 1},
        {"the text's", "u=\"dashHeavy\"><a:uFillTx/>", 0x1000C0, 2, false, kDash},
        {"double", "u=\"dbl\">", 0x1000C0, 1, true},
        {"dotted", "u=\"dotted\">", 0x1000C0, 1, false, kSysDot},
        {"long dashes", "u=\"dashLongHeavy\">", 0x1000C0, 2, false, kLongDash},
        {"wavy double", "u=\"wavyDbl\">", 0x1000C0, 1, true, kSolid, true},
        {"words", "u=\"words\">", 0x1000C0, 1, false, kSolid, false, true},
        {"double strike", "u=\"sng\">", 0x1000C0, 1, false, kSolid, false, false, "dblStrike"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string run = "<a:r><a:rPr lang=\"en-US\" sz=\"2400\" strike=\"" +
                                std::string(c.strike) + "\" " + c.underline +
                                "<a:solidFill><a:srgbClr val=\"C00010\"/></a:solidFill></a:rPr>"
                                "<a:t>Lin ed</a:t></a:r>";
        OpenDeck deck("<a:p>" + run + "</a:p>");
        BuiltText built;
        ASSERT_TRUE(built.build(deck));
        ASSERT_EQ(built.job.texts.countTexts(), 1);
        const auto& lines = built.job.texts.texts()[0].lines;
        ASSERT_FALSE(lines.empty());
        for (const engine::GatheredLine& l : lines) {
            EXPECT_EQ(l.colour, l.strike ? 0x1000C0 : c.colour);
            EXPECT_EQ(l.weight, l.strike ? 1.0f : c.weight);
            if (!l.strike) {
                EXPECT_EQ(std::pair(l.dash, l.wavy), std::pair(c.dash, c.wavy));
            }
        }
        // Each character its underline (and the lower one of a double, two thicknesses down;
        // the space none when the underline keeps to words) and its strike-through (a double one
        // a thickness up and its lower line a thickness down).
        const auto count = [&](bool strike, bool second, float shift) {
            return std::count_if(lines.begin(), lines.end(), [&](const engine::GatheredLine& l) {
                return l.strike == strike && l.second == second && l.shift == shift;
            });
        };
        const long under = c.words ? 5 : 6;
        const bool twoStrikes = std::string(c.strike) == "dblStrike";
        EXPECT_EQ(count(false, false, 0), under);
        EXPECT_EQ(count(false, true, 2), c.doubled ? under : 0);
        EXPECT_EQ(count(true, false, twoStrikes ? -1 : 0), 6);
        EXPECT_EQ(count(true, true, 1), twoStrikes ? 6 : 0);
        EXPECT_EQ(lines.size(),
                  static_cast<std::size_t>((c.doubled ? 2 : 1) * under + (twoStrikes ? 12 : 6)));
    }
}

// Outlined runs are their glyphs' outlines, filled in the run's colour (a hollow run not at all)
// and stroked with the run's line, in a shape above the text's records of plain characters.
TEST(SlideTexts, OutlinedRunsAreGlyphShapesFilledAndStroked) {
    auto run = [](const std::string& fill, const std::string& line, const std::string& text) {
        return "<a:r><a:rPr lang=\"en-US\" sz=\"2400\"><a:ln w=\"25400\"><a:solidFill>"
               "<a:srgbClr val=\"" +
               line + "\"/></a:solidFill></a:ln>" + fill +
               "<a:latin typeface=\"Liberation Sans\"/></a:rPr><a:t>" + text + "</a:t></a:r>";
    };
    const std::string plain =
        "<a:r><a:rPr lang=\"en-US\" sz=\"2400\"><a:latin typeface=\"Liberation "
        "Sans\"/></a:rPr><a:t> cd</a:t></a:r>";
    OpenDeck deck("<a:p>" +
                  run("<a:solidFill><a:srgbClr val=\"FF0000\"/></a:solidFill>", "0000FF", "AB") +
                  plain + run("<a:noFill/>", "00FF00", "E") + "</a:p>");
    const std::string swf = deck.convert();
    transform::FSMovie movie(swf);

    // Only the plain letters are records.
    EXPECT_EQ(onlyText(movie).getObjects().size(), 2u);
    const transform::FSDefineShape* glyphs = nullptr;
    const auto* sprite = spriteOfTwo(movie, [&](int text, int above) {
        glyphs = findDefinition<transform::FSDefineShape>(movie.getObjects(), above);
        return text == onlyText(movie).getIdentifier();
    });
    ASSERT_NE(sprite, nullptr) << "no sprite of the text and its outlined glyphs";
    ASSERT_NE(glyphs, nullptr);
    ASSERT_EQ(glyphs->getFillStyles().size(), 1u);
    ASSERT_AS(transform::FSSolidFill, fill, &glyphs->getFillStyles()[0]);
    // The first form of shape has no alpha: colours alone.
    auto rgbOf = [](const transform::FSColor& c) {
        return std::tuple(c.getRed(), c.getGreen(), c.getBlue());
    };
    EXPECT_EQ(rgbOf(fill->getColor()), std::tuple(255, 0, 0));
    ASSERT_EQ(glyphs->getLineStyles().size(), 2u);
    const std::tuple<int, int, int> lineColours[] = {{0, 0, 255}, {0, 255, 0}};
    for (std::size_t i = 0; i < 2; ++i) {
        ASSERT_AS(transform::FSSolidLine, line, &glyphs->getLineStyles()[i]);
        EXPECT_EQ(line->getWidth(), 40);  // 2 points
        EXPECT_EQ(rgbOf(line->getColor()), lineColours[i]);
    }
    // A and B filled and stroked blue, E stroked green alone, each where its character stands.
    const auto range = deck.text(1, 1);
    auto left = [&](int character) {
        return engine::roundHalf(range->characters(character, 1)->boundLeft() * 20) - 1440;
    };
    std::vector<std::pair<int, int>> looks;                    // (fill, line), in order
    std::map<std::pair<int, int>, std::pair<int, int>> spans;  // look: leftmost, rightmost x
    std::pair<int, int> look;
    int x = 0;
    for (const auto& record : glyphs->getShape().getObjects()) {
        if (const auto* style = dynamic_cast<const transform::FSShapeStyle*>(record.get())) {
            look = {style->getFillStyle(), style->getLineStyle()};
            if (looks.empty() || looks.back() != look) looks.push_back(look);
            if (style->containsMove()) x = style->getMoveX();
        } else if (const auto* line = dynamic_cast<const transform::FSLine*>(record.get())) {
            x += line->getX();
        } else if (const auto* curve = dynamic_cast<const transform::FSCurve*>(record.get())) {
            x += curve->getControlX() + curve->getAnchorX();
        }
        auto [span, added] = spans.try_emplace(look, x, x);
        span->second.first = std::min(span->second.first, x);
        span->second.second = std::max(span->second.second, x);
    }
    EXPECT_EQ(looks, (std::vector<std::pair<int, int>>{{1, 1}, {0, 2}}));
    const auto filled = spans[{1, 1}], hollow = spans[{0, 2}];
    EXPECT_NEAR(filled.first, left(1), 60);
    EXPECT_NEAR(filled.second, left(3), 60);  // B ends about where the space starts
    EXPECT_NEAR(hollow.first, left(6), 60);
    EXPECT_LT(hollow.second, left(6) + 400);

    expectParserAccepts(swf);
}

// ---- slide-number fields on the master ------------------------------------------------------

// The glyphs of every text reachable from a character, one list per text (a glyph as its font
// and index): sprites are followed through their placements.
using Glyphs = std::vector<std::pair<int, int>>;
void glyphsUnder(const transform::FSMovie& movie, int id, std::set<int>& seen,
                 std::vector<Glyphs>& texts) {
    if (!seen.insert(id).second) return;
    const auto& objects = movie.getObjects();
    if (const auto* clip = findDefinition<transform::FSDefineMovieClip>(objects, id)) {
        for (const auto& object : clip->getObjects()) {
            const auto* p = dynamic_cast<const transform::FSPlaceObject2*>(object.get());
            if (p && p->getIdentifier() > 0) glyphsUnder(movie, p->getIdentifier(), seen, texts);
        }
    } else if (const auto* text = findDefinition<transform::FSTextDefinition>(objects, id)) {
        Glyphs glyphs;
        int font = 0;
        for (const auto& record : text->getObjects()) {
            if (record.getIdentifier() > 0) font = record.getIdentifier();
            for (const auto& c : record.getCharacters())
                glyphs.emplace_back(font, c.getGlyphIndex());
        }
        texts.push_back(std::move(glyphs));
    }
}

// A text box on the master holding a slide-number field: every slide shows its own number, in
// the host's text (what our renderer lays out) and in the movie, whether the slide is shown
// over the shared master record or, on a layout with decoration of its own, carries the
// master's decoration itself. Slides 1 and 2 also say "n" in a text box of their own, so that
// the movie's number can be matched to the glyph of that digit.
TEST(SlideTexts, SlideNumberFieldsOnTheMasterShowEachSlidesNumber) {
    const std::string field =
        "<a:p><a:r><a:rPr lang=\"en-US\" sz=\"2000\"/><a:t>Page </a:t></a:r><a:fld "
        "id=\"{6F2D0B1C-2B4A-4E0F-9C55-1D8F0A3B7E21}\" type=\"slidenum\"><a:rPr lang=\"en-US\" "
        "sz=\"2000\"/><a:t>&#8249;#&#8250;</a:t></a:fld></a:p>";
    for (const bool folded : {false, true}) {
        SCOPED_TRACE(folded ? "carried decoration" : "shared master");
        test::DeckRecipe recipe;
        recipe.masterShapes = test::rect(3, "Bar", 0, 0, 12700, 12700) + textBox(4, 0, field);
        if (folded) recipe.layoutShapes = test::rect(5, "Band", 0, 6000000, 12700, 12700);
        for (const char* n : {"1", "2"}) {
            recipe.slides.push_back(test::slideXml(textBox(2, 3000000, paragraph(n, ""))));
        }
        OpenDeck deck(recipe);
        auto app = deck.app;
        // A slide added on the same layout shows its number too (the movie is checked on the
        // first two).
        ASSERT_NE(app->activePresentation()->slides()->add(3, host::layout::kText), nullptr);
        for (int n = 1; n <= 3; ++n) {
            std::vector<std::string> texts;
            auto shapes = app->activePresentation()->slides()->item(n)->shapes();
            for (int i = 1; i <= shapes->count(); ++i) {
                auto frame = shapes->item(i)->textFrame();
                std::string text = frame ? frame->textRange()->text() : "";
                if (!text.empty()) texts.push_back(text);
            }
            const std::string digit = std::to_string(n);
            const std::vector<std::string> expected =
                n < 3 ? std::vector<std::string>{"Page " + digit, digit}
                      : std::vector<std::string>{"Page 3"};
            EXPECT_EQ(texts, expected);
        }

        RecordingSink sink;
        transform::FSMovie movie(deck.convert(sink, 7));
        // Slide n's sprite stands on layer n of the main timeline.
        std::map<int, std::vector<Glyphs>> shown;
        for (const auto& object : movie.getObjects()) {
            const auto* p = dynamic_cast<const transform::FSPlaceObject2*>(object.get());
            if (!p || p->getIdentifier() <= 0 || p->getLayer() < 1 || p->getLayer() > 2) continue;
            std::set<int> seen;
            glyphsUnder(movie, p->getIdentifier(), seen, shown[p->getLayer()]);
        }
        ASSERT_EQ(shown.size(), 2u);
        for (auto& [n, texts] : shown) {
            // "Page" and the number (spaces draw nothing), then the slide's own digit; nothing
            // from the master.
            ASSERT_EQ(texts.size(), 2u) << n;
            ASSERT_EQ(texts[0].size(), 5u) << n;
            ASSERT_EQ(texts[1].size(), 1u) << n;
            EXPECT_EQ(texts[0].back(), texts[1][0]) << n;
        }
        EXPECT_EQ(Glyphs(shown[1][0].begin(), shown[1][0].end() - 1),
                  Glyphs(shown[2][0].begin(), shown[2][0].end() - 1));
        EXPECT_NE(shown[1][1], shown[2][1]);
    }
}

}  // namespace
}  // namespace quillet::enginetest
