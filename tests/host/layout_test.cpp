// Text layout of the .pptx host: small decks written for one rule each, the host's text-range
// bounds the engine reads, character advances against FreeType read directly, invariants over
// every text body of the corpus decks, and the heights their authoring program stored.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_ADVANCES_H
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

#include "fonts/font_library.h"
#include "fonts/matching.h"
#include "host/pptx/layout.h"
#include "host/pptx/pptx_host.h"
#include "tests/host/test_deck.h"

namespace quillet::pptx {
namespace {

namespace fs = std::filesystem;
using test::DeckRecipe;
using test::slideXml;

using test::kEmu;

fonts::FontLibrary& library() {
    static fonts::FontLibrary lib;
    return lib;
}

// A text box at (x, y) of w × h points with the given bodyPr attributes and children and the
// paragraphs' XML.
std::string textBox(int id, double x, double y, double w, double h, const std::string& bodyPr,
                    const std::string& paragraphs, const std::string& bodyChildren = "") {
    auto emu = [](double v) { return std::to_string(static_cast<long long>(v * kEmu)); };
    return "<p:sp><p:nvSpPr><p:cNvPr id=\"" + std::to_string(id) + "\" name=\"Box " +
           std::to_string(id) +
           "\"/><p:cNvSpPr txBox=\"1\"/><p:nvPr/></p:nvSpPr><p:spPr><a:xfrm><a:off x=\"" + emu(x) +
           "\" y=\"" + emu(y) + "\"/><a:ext cx=\"" + emu(w) + "\" cy=\"" + emu(h) +
           "\"/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></p:spPr><p:txBody>"
           "<a:bodyPr " +
           bodyPr + ">" + bodyChildren + "</a:bodyPr><a:lstStyle/>" + paragraphs +
           "</p:txBody></p:sp>";
}

// A paragraph of one run in a face and size.
std::string para(const std::string& text, const std::string& pPr = "", int size = 2000,
                 const std::string& face = "Liberation Sans") {
    return "<a:p>" + (pPr.empty() ? std::string() : "<a:pPr " + pPr + "/>") + "<a:r><a:rPr sz=\"" +
           std::to_string(size) + "\"><a:latin typeface=\"" + face + "\"/></a:rPr><a:t>" + text +
           "</a:t></a:r></a:p>";
}

// A run in Liberation Sans at size (hundredths of a point) with more rPr attributes and children.
std::string run(const std::string& text, int size = 2000, const std::string& attributes = "",
                const std::string& children = "") {
    return "<a:r><a:rPr sz=\"" + std::to_string(size) + "\"" +
           (attributes.empty() ? "" : " " + attributes) +
           "><a:latin typeface=\"Liberation Sans\"/>" + children + "</a:rPr><a:t>" + text +
           "</a:t></a:r>";
}

// A paragraph of these runs; a pPr of these attributes and children when there are any.
std::string paraOf(const std::string& runs, const std::string& pPrAttributes = "",
                   const std::string& pPrChildren = "") {
    const bool pPr = !pPrAttributes.empty() || !pPrChildren.empty();
    return "<a:p>" +
           (pPr ? "<a:pPr " + pPrAttributes + ">" + pPrChildren + "</a:pPr>" : std::string()) +
           runs + "</a:p>";
}

struct Opened {
    std::shared_ptr<host::Application> app;
    std::shared_ptr<host::Presentation> presentation;
    std::shared_ptr<PresentationData> model;
};

Opened open(const DeckRecipe& recipe, const std::string& name) {
    Opened o;
    o.app = openApplication(test::writeFile(test::makeDeck(recipe), "layout_" + name + ".pptx"));
    o.presentation = o.app->activePresentation();
    o.model = modelOf(*o.presentation);
    return o;
}

Opened openSlide(const std::string& shapes, const std::string& name) {
    DeckRecipe recipe;
    recipe.slides.push_back(slideXml(shapes));
    return open(recipe, name);
}

const Shape& modelShape(const Opened& o, int index) {
    return *o.model->slides.at(0)->shapes->items.at(static_cast<std::size_t>(index));
}

TextLayout lay(const Shape& s) {
    return layoutText(s, *s.text, &library());
}

// The faces these tests measure; they skip when the machine lacks them.
bool haveFace(const std::string& family) {
    fonts::LogicalFont f = fonts::logicalFontFor(20, false, false, false, true, family, "");
    return library().primaryFace(f).family == family;
}

#define NEED_FACE(family) \
    if (!haveFace(family)) GTEST_SKIP() << "font " << family << " is not installed";

std::u32string lineText(const TextLayout& t, const LaidLine& line) {
    std::u32string s;
    for (int i = line.firstChar; i < line.firstChar + line.charCount; ++i) {
        s.push_back(t.chars[static_cast<std::size_t>(i)].code);
    }
    return s;
}

// Right end of a line's last character that is not a space or mark.
double inkRight(const TextLayout& t, const LaidLine& line) {
    double right = line.left;
    for (int i = line.firstChar; i < line.firstChar + line.charCount; ++i) {
        const LaidChar& c = t.chars[static_cast<std::size_t>(i)];
        if (c.code == U' ' || c.code == U'\r' || c.code == 0x0B) continue;
        right = std::max(right, c.x + c.advance);
    }
    return right;
}

double inkLeft(const TextLayout& t, const LaidLine& line) {
    return t.chars[static_cast<std::size_t>(line.firstChar)].x;
}

TEST(Layout, WrapsAtTheBoxEdgeAndNotWhenWrapIsOff) {
    NEED_FACE("Liberation Sans");
    const std::string text = "alpha beta gamma delta epsilon zeta eta theta iota kappa lambda";
    Opened o = openSlide(
        textBox(2, 100, 50, 200, 300, "lIns=\"0\" rIns=\"0\"", para(text)) +
            textBox(3, 100, 400, 200, 50, "lIns=\"0\" rIns=\"0\" wrap=\"none\"", para(text)),
        "wrap");
    TextLayout t = lay(modelShape(o, 0));
    ASSERT_GT(t.lines.size(), 2u);
    std::u32string joined;
    for (std::size_t k = 0; k < t.lines.size(); ++k) {
        const LaidLine& line = t.lines[k];
        std::u32string s = lineText(t, line);
        joined += s;
        EXPECT_NEAR(inkLeft(t, line), 100.0, 1e-6) << "line " << k;
        EXPECT_LE(inkRight(t, line), 300.0 + 1e-6) << "line " << k;
        EXPECT_EQ(s.front() == U' ', false) << "a line begins with a space";
        if (k + 1 == t.lines.size()) continue;
        // The next line's first word would not have fitted on this one.
        const LaidLine& next = t.lines[k + 1];
        double word = 0;
        for (int i = next.firstChar; i < next.firstChar + next.charCount; ++i) {
            const LaidChar& c = t.chars[static_cast<std::size_t>(i)];
            if (c.code == U' ') break;
            word += c.advance;
        }
        double spaceAfter =
            t.chars[static_cast<std::size_t>(line.firstChar + line.charCount - 1)].advance;
        EXPECT_EQ(s.back(), U' ');
        EXPECT_GT(inkRight(t, line) + spaceAfter + word, 300.0) << "line " << k;
        EXPECT_GT(next.top, line.top);
    }
    EXPECT_EQ(joined, fonts::utf8ToCodePoints(text));

    TextLayout unwrapped = lay(modelShape(o, 1));
    ASSERT_EQ(unwrapped.lines.size(), 1u);
    EXPECT_GT(inkRight(unwrapped, unwrapped.lines[0]), 300.0);
}

TEST(Layout, AWordWiderThanTheLineIsCutBetweenCharacters) {
    NEED_FACE("Liberation Sans");
    Opened o = openSlide(textBox(2, 0, 0, 40, 300, "lIns=\"0\" rIns=\"0\"", para("abcdefghijklmn")),
                         "cut");
    TextLayout t = lay(modelShape(o, 0));
    ASSERT_GT(t.lines.size(), 2u);
    std::size_t total = 0;
    for (const LaidLine& line : t.lines) {
        EXPECT_GT(line.charCount, 0);
        if (line.charCount > 1) {
            EXPECT_LE(inkRight(t, line), 40.0 + 1e-6);
        }
        total += static_cast<std::size_t>(line.charCount);
    }
    EXPECT_EQ(total, 14u);
}

TEST(Layout, EachAlignment) {
    NEED_FACE("Liberation Sans");
    const std::string longText = "one two three four five six seven eight nine ten eleven";
    std::string paragraphs = para("left", "algn=\"l\"") + para("centre", "algn=\"ctr\"") +
                             para("right", "algn=\"r\"") + para(longText, "algn=\"just\"") +
                             para(longText, "algn=\"dist\"");
    // Box from x = 50 to 350, insets 10 and 20: text from 60 to 330.
    Opened o = openSlide(textBox(2, 50, 0, 300, 500, "lIns=\"127000\" rIns=\"254000\"", paragraphs),
                         "align");
    TextLayout t = lay(modelShape(o, 0));
    ASSERT_EQ(t.paragraphs.size(), 5u);
    auto line = [&](int p, int k) {
        return t.lines[static_cast<std::size_t>(
            t.paragraphs[static_cast<std::size_t>(p)].firstLine + k)];
    };
    EXPECT_NEAR(inkLeft(t, line(0, 0)), 60.0, 1e-6);
    EXPECT_NEAR(inkLeft(t, line(1, 0)) - 60.0, 330.0 - inkRight(t, line(1, 0)), 1e-6);
    EXPECT_GT(inkLeft(t, line(1, 0)), 100.0);
    EXPECT_NEAR(inkRight(t, line(2, 0)), 330.0, 1e-6);
    // Justified: every line but the last reaches both edges, the last one only the left.
    const LaidParagraph& just = t.paragraphs[3];
    ASSERT_GT(just.lineCount, 1);
    for (int k = 0; k < just.lineCount; ++k) {
        EXPECT_NEAR(inkLeft(t, line(3, k)), 60.0, 1e-6);
        if (k + 1 < just.lineCount) {
            EXPECT_NEAR(inkRight(t, line(3, k)), 330.0, 1e-6) << "line " << k;
        } else {
            EXPECT_LT(inkRight(t, line(3, k)), 320.0);
        }
    }
    // Distributed: the last line too.
    const LaidParagraph& dist = t.paragraphs[4];
    for (int k = 0; k < dist.lineCount; ++k) {
        EXPECT_NEAR(inkLeft(t, line(4, k)), 60.0, 1e-6);
        EXPECT_NEAR(inkRight(t, line(4, k)), 330.0, 1e-6) << "line " << k;
    }
    // Justification widens spaces only: letters keep their advances.
    const LaidChar& o1 = t.chars[static_cast<std::size_t>(just.firstChar)];
    const LaidChar& o2 = t.chars[static_cast<std::size_t>(t.paragraphs[0].firstChar)];
    EXPECT_EQ(o1.code, U'o');
    EXPECT_GT(o1.advance, 0);
    EXPECT_NE(o2.code, 0u);
}

constexpr const char* kBodyPr = "<a:bodyPr/><a:lstStyle/>";

// The slide's body placeholder with these paragraphs.
std::string slideBody(const std::string& paragraphs) {
    return test::placeholderShape(3, "B", "idx=\"1\"", "", kBodyPr + paragraphs);
}

// A body placeholder: master body style 32 pt level 1 (bullet at marL 27 pt, indent -27 pt) and
// 28 pt level 2 (marL 58.5 pt, indent -22.5 pt).
DeckRecipe bodyDeck(const std::string& paragraphs) {
    DeckRecipe recipe;
    recipe.layoutShapes = test::placeholderShape(
        3, "Body", "idx=\"1\"", test::xfrm(254000, 1524000, 6350000, 3810000),
        kBodyPr + std::string("<a:p><a:r><a:t>x</a:t></a:r></a:p>"));
    recipe.slides.push_back(slideXml(slideBody(paragraphs)));
    return recipe;
}

TEST(Layout, HangingBulletsAndTheirText) {
    const std::string words =
        "a bulleted paragraph long enough to wrap onto a second line in the body";
    Opened o = open(bodyDeck("<a:p><a:r><a:t>" + words + "</a:t></a:r></a:p>"), "bullets");
    const Shape& s = modelShape(o, 0);
    TextLayout t = lay(s);
    ASSERT_EQ(t.paragraphs.size(), 1u);
    const LaidParagraph& p = t.paragraphs[0];
    ASSERT_TRUE(p.bullet.present);
    EXPECT_EQ(p.bullet.label, U"\u2022");
    ASSERT_GT(p.lineCount, 1);
    const double inset = s.text->insetLeft;
    // The bullet hangs at marL + indent = 0, every line's text at marL = 27.
    EXPECT_NEAR(p.bullet.x, 20.0 + inset, 1e-4);
    for (int k = 0; k < p.lineCount; ++k) {
        const LaidLine& line = t.lines[static_cast<std::size_t>(p.firstLine + k)];
        EXPECT_NEAR(inkLeft(t, line), 20.0 + inset + 27.0, 1e-4) << "line " << k;
    }
    EXPECT_NEAR(p.bullet.baseline, t.lines[0].baseline, 1e-9);
    // The bullet's face is its own (Arial), its size the text's; the paragraph's host bounds
    // start at the text, after the indent.
    const CharStyle& bs = t.styles[static_cast<std::size_t>(p.bullet.style)];
    EXPECT_EQ(bs.font.faceName, "Arial");
    EXPECT_NEAR(bs.size, 32.0, 1e-9);
    auto range = o.presentation->slides()->item(1)->shapes()->item(1)->textFrame()->textRange();
    auto first = range->paragraphs(1);
    EXPECT_NEAR(first->boundLeft(), 20.0 + inset + 27.0, 1e-3);
    EXPECT_NEAR(first->boundTop(), t.lines[0].top, 1e-3);
    EXPECT_NEAR(first->boundHeight(), p.height, 1e-3);
    EXPECT_GT(first->boundHeight(), 2 * 32.0);
}

// A linked run is drawn in the link colour; its bullet in the colour the run states.
TEST(Layout, LinkedTextKeepsItsOwnColourForTheBullet) {
    Opened o = open(bodyDeck("<a:p><a:r><a:rPr><a:solidFill><a:srgbClr val=\"FF0000\"/>"
                             "</a:solidFill><a:hlinkClick r:id=\"rId9\"/></a:rPr><a:t>link</a:t>"
                             "</a:r></a:p>"),
                    "linked");
    TextLayout t = lay(modelShape(o, 0));
    ASSERT_EQ(t.paragraphs.size(), 1u);
    ASSERT_TRUE(t.paragraphs[0].bullet.present);
    ASSERT_FALSE(t.chars.empty());
    EXPECT_EQ(t.styles[static_cast<std::size_t>(t.chars[0].style)].color.rgb, test::hex(0x0000FF));
    EXPECT_EQ(t.styles[static_cast<std::size_t>(t.paragraphs[0].bullet.style)].color.rgb,
              test::hex(0xFF0000));
}

// No hanging indent (marL = indent = 0): the text follows the bullet after one space instead of
// jumping to the next tab stop; with a hanging indent too narrow for the label it still goes to
// the stop.
TEST(Layout, BulletWithoutHangingIndentIsFollowedByItsText) {
    NEED_FACE("Liberation Sans");
    const std::string bullet = "<a:buFont typeface=\"Liberation Sans\"/><a:buChar char=\"-\"/>";
    auto p = [&](const std::string& pPr) { return paraOf(run("Text"), pPr, bullet); };
    Opened o =
        openSlide(textBox(2, 36, 72, 400, 200, "lIns=\"0\"",
                          p("marL=\"0\" indent=\"0\"") + p("marL=\"25400\" indent=\"-12700\"")),
                  "nohang");
    TextLayout t = lay(modelShape(o, 0));
    ASSERT_EQ(t.paragraphs.size(), 2u);
    const LaidParagraph& flat = t.paragraphs[0];
    ASSERT_TRUE(flat.bullet.present);
    EXPECT_NEAR(flat.bullet.x, 36.0, 1e-6);
    EXPECT_GT(flat.bullet.width, 1.0);
    const LaidChar& first = t.chars[static_cast<std::size_t>(flat.firstChar)];
    EXPECT_EQ(first.code, U'T');
    // The space of Liberation Sans is 569 of 2048 units.
    EXPECT_NEAR(first.x, 36.0 + flat.bullet.width + 20.0 * 569 / 2048, 1e-3);
    // Hanging 1 pt at marL 2 pt: the hyphen (6.7 pt at 20 pt) reaches beyond marL, so the text
    // starts at the tab stop 72 pt from the inset.
    const LaidParagraph& hang = t.paragraphs[1];
    EXPECT_NEAR(hang.bullet.x, 37.0, 1e-6);
    EXPECT_NEAR(t.chars[static_cast<std::size_t>(hang.firstChar)].x, 36.0 + 72.0, 1e-6);
}

// A tab goes to the paragraph's first own stop past the text (stops are measured from the inset
// edge, in any order), else to the next multiple of its default tab size.
TEST(Layout, TabsGoToTheParagraphsOwnStops) {
    NEED_FACE("Liberation Sans");
    struct Case {
        const char* name;
        std::string pPr;  // attributes, then children
        std::string children;
        double tabTo;  // where the text after the tab starts, from the inset edge
    };
    const std::string stops =
        "<a:tabLst><a:tab pos=\"2540000\" algn=\"l\"/><a:tab "
        "pos=\"12700\"/><a:tab pos=\"1270000\"/></a:tabLst>";
    const std::vector<Case> cases = {
        {"default stops", "", "", 72},
        {"own stops past the text", "", stops, 100},
        {"own default size", "defTabSz=\"457200\"", "", 36},
        {"only a stop before the text", "defTabSz=\"635000\"",
         "<a:tabLst><a:tab pos=\"12700\"/></a:tabLst>", 50},
        {"hostile stops are dropped", "",
         "<a:tabLst><a:tab pos=\"-5\"/><a:tab pos=\"99999999999999\"/></a:tabLst>", 72},
    };
    std::string paragraphs;
    for (const Case& c : cases) {
        paragraphs +=
            "<a:p><a:pPr " + c.pPr + ">" + c.children + "</a:pPr>" + run("A\tB") + "</a:p>";
    }
    Opened o =
        openSlide(textBox(2, 36, 72, 400, 300, "lIns=\"9144\" wrap=\"none\"", paragraphs), "tabs");
    TextLayout t = lay(modelShape(o, 0));
    ASSERT_EQ(t.paragraphs.size(), cases.size());
    for (std::size_t k = 0; k < cases.size(); ++k) {
        SCOPED_TRACE(cases[k].name);
        const LaidParagraph& lp = t.paragraphs[k];
        const LaidChar& b = t.chars.at(static_cast<std::size_t>(lp.firstChar + 2));
        ASSERT_EQ(b.code, U'B');
        EXPECT_NEAR(b.x, 36.0 + 0.72 + cases[k].tabTo, 1e-3);
    }
}

// A stop aligns the text after the tab, up to the next tab: its left edge, centre, right edge or
// decimal point stands on the stop; text too wide to end there starts at the tab.
TEST(Layout, TabStopsAlignTheTextAfterTheTab) {
    NEED_FACE("Liberation Sans");
    enum Anchor { kStart, kMiddle, kEnd, kPoint, kAtTab };
    struct Case {
        const char* algn;
        const char* after;  // the text after the tab
        Anchor anchor;      // the part of it that stands on the stop at 100 points
    };
    const std::vector<Case> cases = {
        {"l", "12.50", kStart},
        {"ctr", "12.50", kMiddle},
        {"r", "12.50", kEnd},
        {"dec", "12.50", kPoint},
        {"dec", "1250", kEnd},
        {"r", "12.50\tx", kEnd},
        {"r", "far too wide a text to end on it", kAtTab},
    };
    std::string paragraphs;
    for (const Case& c : cases) {
        paragraphs += std::string("<a:p><a:pPr><a:tabLst><a:tab pos=\"1270000\" algn=\"") + c.algn +
                      "\"/></a:tabLst></a:pPr>" + run(std::string("A\t") + c.after) + "</a:p>";
    }
    Opened o = openSlide(textBox(2, 36, 72, 600, 300, "lIns=\"0\" wrap=\"none\"", paragraphs),
                         "aligned_tabs");
    TextLayout t = lay(modelShape(o, 0));
    ASSERT_EQ(t.paragraphs.size(), cases.size());
    for (std::size_t k = 0; k < cases.size(); ++k) {
        SCOPED_TRACE(std::string(cases[k].algn) + " " + cases[k].after);
        const LaidParagraph& lp = t.paragraphs[k];
        const auto at = [&](int i) -> const LaidChar& {
            return t.chars.at(static_cast<std::size_t>(lp.firstChar + i));
        };
        // The text after the tab: from the third character to the next tab or the mark.
        int end = 2;
        double point = -1;
        while (end < lp.charCount && at(end).code != U'\t' && at(end).code != U'\r') {
            if (at(end).code == U'.' && point < 0) point = at(end).x;
            ++end;
        }
        const double left = at(2).x, right = at(end - 1).x + at(end - 1).advance;
        const double stop = 36 + 100;
        switch (cases[k].anchor) {
            case kStart:
                EXPECT_NEAR(left, stop, 1e-3);
                break;
            case kMiddle:
                EXPECT_NEAR((left + right) / 2, stop, 1e-3);
                break;
            case kEnd:
                EXPECT_NEAR(right, stop, 1e-3);
                break;
            case kPoint:
                EXPECT_NEAR(point, stop, 1e-3);
                break;
            case kAtTab:
                EXPECT_NEAR(left, at(0).x + at(0).advance, 1e-3);
                EXPECT_GT(right, stop);
                break;
        }
    }
}

// The presentation's default text style reaches text boxes, not title or body placeholders,
// which take the master's title and body styles alone. The master's style for other text is for
// the other placeholders (a footer), not for a slide's own text boxes.
TEST(Layout, DefaultTextStyleStaysOutOfPlaceholders) {
    DeckRecipe recipe = bodyDeck("<a:p><a:r><a:t>body</a:t></a:r></a:p>");
    recipe.defaultTextStyle = "<a:lvl1pPr><a:defRPr sz=\"1500\" b=\"1\" i=\"1\"/></a:lvl1pPr>";
    recipe.otherStyle = "<a:lvl1pPr><a:defRPr sz=\"2500\"/></a:lvl1pPr>";
    recipe.slides[0] = slideXml(
        slideBody("<a:p><a:r><a:t>body</a:t></a:r></a:p>") +
        textBox(4, 36, 400, 300, 50, "", "<a:p><a:r><a:t>box</a:t></a:r></a:p>") +
        test::placeholderShape(5, "F", "type=\"ftr\"", "",
                               kBodyPr + std::string("<a:p><a:r><a:t>foot</a:t></a:r></a:p>")));
    Opened o = open(recipe, "defaultstyle");
    const pptx::Run& body = modelShape(o, 0).text->paragraphs.at(0).runs.at(0);
    EXPECT_FALSE(body.props.italic);
    EXPECT_FALSE(body.props.bold);
    EXPECT_FLOAT_EQ(body.props.size, 32.0f);  // the master's body style
    const pptx::Run& box = modelShape(o, 1).text->paragraphs.at(0).runs.at(0);
    EXPECT_TRUE(box.props.italic);
    EXPECT_TRUE(box.props.bold);
    EXPECT_FLOAT_EQ(box.props.size, 15.0f);
    EXPECT_FLOAT_EQ(modelShape(o, 2).text->paragraphs.at(0).runs.at(0).props.size, 25.0f);
}

// Under a stored autofit scale the host reports the drawn sizes: a run's font, a bullet's font
// and a character's bound height all carry the scale (the written 20 pt at 50 % is 10 pt). The
// bullet's font is the one the layout draws: not underlined with its underlined text.
TEST(Layout, AutofitScaleInReportedFontSizes) {
    const std::string paragraph =
        "<a:p><a:pPr marL=\"254000\" indent=\"-254000\"><a:buFont typeface=\"Arial\"/>"
        "<a:buSzPct val=\"50000\"/><a:buChar char=\"o\"/></a:pPr><a:r><a:rPr sz=\"2000\" "
        "u=\"sng\"/>"
        "<a:t>Scaled</a:t></a:r></a:p>";
    Opened o = openSlide(textBox(2, 36, 72, 400, 60, "", paragraph,
                                 "<a:normAutofit fontScale=\"50000\" lnSpcReduction=\"10000\"/>"),
                         "autofitsizes");
    TextLayout t = lay(modelShape(o, 0));
    ASSERT_EQ(t.paragraphs.size(), 1u);
    auto range = o.presentation->slides()->item(1)->shapes()->item(1)->textFrame()->textRange();
    EXPECT_FLOAT_EQ(range->font()->size(), 10.0f);
    EXPECT_FLOAT_EQ(range->characters(1, 1)->font()->size(), 10.0f);
    EXPECT_NEAR(range->characters(1, 1)->boundHeight(), 10.0, 1e-4);
    auto bullet = range->paragraphs(1)->paragraphFormat()->bullet();
    EXPECT_FLOAT_EQ(bullet->font()->size(), 5.0f);
    EXPECT_FLOAT_EQ(bullet->relativeSize(), 0.5f);
    EXPECT_EQ(range->font()->underline(), host::kTrue);
    EXPECT_EQ(bullet->font()->underline(), host::kFalse);
    EXPECT_EQ(bullet->font()->name(), "Arial");
    const LaidParagraph& p = t.paragraphs[0];
    ASSERT_TRUE(p.bullet.present);
    EXPECT_NEAR(t.styles[static_cast<std::size_t>(p.bullet.style)].size, bullet->font()->size(),
                1e-4);
}

TEST(Layout, NumberedParagraphsCountRestartAndNest) {
    auto num = [](const std::string& text, const std::string& type, int level = 0,
                  const std::string& extra = "") {
        return "<a:p><a:pPr lvl=\"" + std::to_string(level) + "\"><a:buAutoNum type=\"" + type +
               "\"" + extra + "/></a:pPr><a:r><a:t>" + text + "</a:t></a:r></a:p>";
    };
    std::string paragraphs =
        num("one", "arabicPeriod") + num("two", "arabicPeriod") + num("sub a", "alphaLcParenR", 1) +
        num("sub b", "alphaLcParenR", 1) + num("three", "arabicPeriod") +
        "<a:p><a:pPr><a:buNone/></a:pPr>"
        "<a:r><a:t>plain</a:t></a:r></a:p>" +
        num("again", "arabicPeriod") +
        "<a:p><a:pPr><a:buAutoNum "
        "type=\"arabicPeriod\"/></a:pPr></a:p>" +
        num("after empty", "arabicPeriod") + num("roman", "romanUcPeriod", 0, " startAt=\"4\"");
    Opened o = open(bodyDeck(paragraphs), "numbers");
    TextLayout t = lay(modelShape(o, 0));
    ASSERT_EQ(t.paragraphs.size(), 10u);
    std::vector<std::u32string> labels;
    for (const LaidParagraph& p : t.paragraphs) labels.push_back(p.bullet.label);
    std::vector<std::u32string> expected = {U"1.", U"2.", U"a)", U"b)", U"3.",
                                            U"",   U"1.", U"",   U"2.", U"IV."};
    EXPECT_EQ(labels, expected);
    EXPECT_FALSE(t.paragraphs[7].bullet.present);  // an empty paragraph shows no number
    // The label stands at the hanging indent; a wide label pushes the text to the next tab stop.
    const LaidParagraph& first = t.paragraphs[0];
    EXPECT_NEAR(first.bullet.glyphs[1].x, first.bullet.x + first.bullet.glyphs[0].advance, 1e-9);
}

TEST(Layout, NumberLabels) {
    EXPECT_EQ(numberLabel(host::numbering_style::kArabicPeriod, 12), U"12.");
    EXPECT_EQ(numberLabel(host::numbering_style::kRomanUpperPeriod, 49), U"XLIX.");
    EXPECT_EQ(numberLabel(host::numbering_style::kRomanLowerParenBoth, 4), U"(iv)");
    EXPECT_EQ(numberLabel(host::numbering_style::kAlphaLowerPeriod, 27), U"aa.");
    EXPECT_EQ(numberLabel(host::numbering_style::kAlphaUpperParenRight, 3), U"C)");
    EXPECT_EQ(numberLabel(16, 11), U"\u5341\u4E00");
    EXPECT_EQ(numberLabel(16, 20), U"\u4E8C\u5341");
    EXPECT_EQ(numberLabel(17, 3), U"\u4E09\u3002");
    EXPECT_EQ(numberLabel(18, 2), U"\u2461");
}

TEST(Layout, SizesAndFacesInheritPerLevel) {
    std::string paragraphs =
        "<a:p><a:r><a:t>Level one</a:t></a:r></a:p><a:p><a:pPr lvl=\"1\"/><a:r><a:t>Level "
        "two</a:t></a:r></a:p><a:p><a:pPr lvl=\"1\"/><a:r><a:rPr sz=\"1000\"/><a:t>own "
        "size</a:t></a:r></a:p>";
    Opened o = open(bodyDeck(paragraphs), "levels");
    TextLayout t = lay(modelShape(o, 0));
    ASSERT_EQ(t.paragraphs.size(), 3u);
    auto styleOf = [&](int p) -> const CharStyle& {
        const LaidChar& c = t.chars[static_cast<std::size_t>(t.paragraphs[p].firstChar)];
        return t.styles[static_cast<std::size_t>(c.style)];
    };
    EXPECT_DOUBLE_EQ(styleOf(0).size, 32.0);
    EXPECT_DOUBLE_EQ(styleOf(1).size, 28.0);
    EXPECT_DOUBLE_EQ(styleOf(2).size, 10.0);
    EXPECT_EQ(styleOf(0).font.faceName, "Calibri");  // the theme's minor font
    EXPECT_EQ(styleOf(1).font.faceName, "Calibri");
    // Level two's text starts at its own marL (742950 EMU = 58.5 pt).
    const Shape& s = modelShape(o, 0);
    EXPECT_NEAR(t.chars[static_cast<std::size_t>(t.paragraphs[1].firstChar)].x,
                20.0 + s.text->insetLeft + 58.5, 1e-3);
    // The host's one-character ranges: height = size, top = baseline - 0.8 size.
    auto range = o.presentation->slides()->item(1)->shapes()->item(1)->textFrame()->textRange();
    auto second = range->paragraphs(2)->characters(1, 1);
    EXPECT_EQ(second->text(), "L");
    EXPECT_FLOAT_EQ(second->boundHeight(), 28.0f);
    const LaidChar& c = t.chars[static_cast<std::size_t>(t.paragraphs[1].firstChar)];
    EXPECT_NEAR(second->boundTop(), c.baseline - 0.8 * 28.0, 1e-3);
    EXPECT_NEAR(second->boundLeft(), c.x, 1e-3);
    EXPECT_NEAR(second->boundWidth(), c.advance, 1e-3);
    EXPECT_EQ(second->font()->name(), "Calibri");
    // Lines of the bigger level are taller.
    EXPECT_GT(t.lines[0].height, t.lines[1].height);
}

TEST(Layout, StoredAutofitIsAppliedAsWritten) {
    NEED_FACE("Liberation Sans");
    std::string two = para("first") + para("second");
    Opened o = openSlide(textBox(2, 0, 0, 400, 20, "", two,
                                 "<a:normAutofit fontScale=\"50000\" "
                                 "lnSpcReduction=\"20000\"/>") +
                             textBox(3, 0, 0, 400, 20, "", two),
                         "autofit");
    TextLayout fitted = lay(modelShape(o, 0));
    TextLayout plain = lay(modelShape(o, 1));
    const CharStyle& small = fitted.styles[static_cast<std::size_t>(fitted.chars[0].style)];
    const CharStyle& full = plain.styles[static_cast<std::size_t>(plain.chars[0].style)];
    EXPECT_DOUBLE_EQ(full.size, 20.0);
    EXPECT_DOUBLE_EQ(small.size, 10.0);
    // Line pitch: natural height × (100 % − 20 %), the natural height at the scaled size.
    EXPECT_NEAR(fitted.lines[0].height, (small.ascent + small.descent) * 0.8, 1e-6);
    EXPECT_NEAR(plain.lines[0].height, full.ascent + full.descent, 1e-9);
    EXPECT_NEAR(fitted.lines[1].top - fitted.lines[0].top, fitted.lines[0].height, 1e-9);
    // Not refitted: the box stays as it is even though the text overflows it.
    EXPECT_DOUBLE_EQ(fitted.boxHeight, 20.0);
    EXPECT_FALSE(fitted.grown);
}

TEST(Layout, LineSpacingAndSpaceBeforeAndAfter) {
    NEED_FACE("Liberation Sans");
    auto p = [](const std::string& children, const std::string& text) {
        return "<a:p><a:pPr>" + children + "</a:pPr>" + run(text) + "</a:p>";
    };
    std::string paragraphs = p("<a:spcBef><a:spcPts val=\"1000\"/></a:spcBef><a:spcAft><a:spcPts "
                               "val=\"600\"/></a:spcAft>",
                               "first") +
                             p("<a:lnSpc><a:spcPct val=\"150000\"/></a:lnSpc><a:spcBef><a:spcPct "
                               "val=\"50000\"/></a:spcBef>",
                               "second") +
                             p("<a:lnSpc><a:spcPts val=\"3000\"/></a:lnSpc><a:spcAft><a:spcPts "
                               "val=\"2400\"/></a:spcAft>",
                               "third");
    Opened o = openSlide(textBox(2, 0, 0, 300, 300, "", paragraphs), "spacing");
    TextLayout t = lay(modelShape(o, 0));
    ASSERT_EQ(t.lines.size(), 3u);
    const LaidLine& a = t.lines[0];
    const LaidLine& b = t.lines[1];
    const LaidLine& c = t.lines[2];
    // The first paragraph's space before does not move the text off the top inset.
    EXPECT_NEAR(a.top, 3.6, 1e-4);
    EXPECT_NEAR(a.height, a.ascent + a.descent, 1e-9);
    // 6 pt after the first, 50 % of 20 pt before the second; 150 % of the natural height.
    EXPECT_NEAR(b.top, a.top + a.height + 6 + 10, 1e-4);
    EXPECT_NEAR(b.height, 1.5 * (b.ascent + b.descent), 1e-6);
    // Baselines stand on the whole point at or just above where the line puts them.
    for (const LaidLine& l : t.lines) {
        EXPECT_EQ(l.baseline, std::floor(l.top + l.height - l.descent + 1e-6));
    }
    EXPECT_GT(b.baseline - b.top, a.baseline - a.top);  // the extra space lies above the text
    // Exactly 30 points; the last space after is not part of the text's height.
    EXPECT_NEAR(c.top, b.top + b.height, 1e-9);
    EXPECT_NEAR(c.height, 30.0, 1e-6);
    EXPECT_NEAR(t.textHeight, c.top + c.height - a.top, 1e-6);
}

TEST(Layout, VerticalAnchorAndShapesThatFitTheirText) {
    NEED_FACE("Liberation Sans");
    std::string text = para("anchored");
    Opened o = openSlide(
        textBox(2, 0, 100, 300, 200, "anchor=\"t\"", text) +
            textBox(3, 0, 100, 300, 200, "anchor=\"ctr\"", text) +
            textBox(4, 0, 100, 300, 200, "anchor=\"b\"", text) +
            textBox(5, 0, 100, 300, 10, "anchor=\"t\"", para("a") + para("b"), "<a:spAutoFit/>") +
            textBox(6, 0, 100, 300, 10, "anchor=\"b\"", para("a") + para("b"), "<a:spAutoFit/>"),
        "anchor");
    TextLayout top = lay(modelShape(o, 0));
    TextLayout middle = lay(modelShape(o, 1));
    TextLayout bottom = lay(modelShape(o, 2));
    // Default insets: 3.6 pt above and below.
    EXPECT_NEAR(top.lines[0].top, 103.6, 1e-4);
    double h = top.textHeight;
    EXPECT_NEAR(middle.lines[0].top - 103.6, 296.4 - (middle.lines[0].top + h), 1e-4);
    EXPECT_NEAR(bottom.lines[0].top + h, 296.4, 1e-4);
    EXPECT_NEAR(middle.chars[0].x, top.chars[0].x, 1e-9);

    // Centred anchoring puts the block of lines in the middle; the lines keep their alignment.
    Opened c = openSlide(textBox(2, 0, 100, 300, 200, "anchorCtr=\"1\" lIns=\"0\" rIns=\"0\"",
                                 para("a short line") + para("a much longer line of text")),
                         "anchor_centre");
    TextLayout centred = lay(modelShape(c, 0));
    ASSERT_EQ(centred.lines.size(), 2u);
    const LaidLine& wide = centred.lines[1];
    EXPECT_NEAR(inkLeft(centred, wide) - 0.0, 300.0 - inkRight(centred, wide), 1e-6);
    EXPECT_NEAR(inkLeft(centred, centred.lines[0]), inkLeft(centred, wide), 1e-6);
    EXPECT_NEAR(centred.paragraphs[0].left, inkLeft(centred, wide), 1e-6);

    TextLayout grown = lay(modelShape(o, 3));
    EXPECT_TRUE(grown.grown);
    // The fitted box holds the lines and insets with the authoring program's slack of 10/1024.
    EXPECT_NEAR(grown.boxHeight, (grown.textHeight + 7.2) * 1034 / 1024, 1e-4);
    EXPECT_GT(grown.boxHeight, 40.0);
    EXPECT_DOUBLE_EQ(grown.boxTop, 100.0);
    EXPECT_NEAR(grown.lines[0].top, 103.6, 1e-4);
    TextLayout grownUp = lay(modelShape(o, 4));
    EXPECT_NEAR(grownUp.boxTop + grownUp.boxHeight, 110.0, 1e-4);  // the bottom stays
    EXPECT_NEAR(grownUp.lines.back().top + grownUp.lines.back().height, 110.0 - 3.6, 1e-4);
}

// A table of two 100-point columns at (10, 20) whose rows are stored 30 points high; each row
// holds the given cell paragraphs (one cell with text, one empty).
std::string table(const std::vector<std::string>& rows) {
    std::string xml =
        "<p:graphicFrame><p:nvGraphicFramePr><p:cNvPr id=\"7\" name=\"Table\"/>"
        "<p:cNvGraphicFramePr/><p:nvPr/></p:nvGraphicFramePr><p:xfrm><a:off x=\"127000\" "
        "y=\"254000\"/><a:ext cx=\"2540000\" cy=\"" +
        std::to_string(30 * kEmu * static_cast<long long>(rows.size())) +
        "\"/></p:xfrm><a:graphic><a:graphicData "
        "uri=\"http://schemas.openxmlformats.org/drawingml/2006/table\"><a:tbl><a:tblGrid>"
        "<a:gridCol w=\"1270000\"/><a:gridCol w=\"1270000\"/></a:tblGrid>";
    for (const std::string& paragraphs : rows) {
        xml += "<a:tr h=\"" + std::to_string(30 * kEmu) +
               "\"><a:tc><a:txBody><a:bodyPr/><a:lstStyle/>" + paragraphs +
               "</a:txBody><a:tcPr/></a:tc><a:tc><a:txBody><a:bodyPr/><a:lstStyle/><a:p/>"
               "</a:txBody><a:tcPr/></a:tc></a:tr>";
    }
    return xml + "</a:tbl></a:graphicData></a:graphic></p:graphicFrame>";
}

// The host reports a table at the height it is drawn at: rows grow to hold their text, so the
// picture of the table and its place in the movie hold every row.
TEST(Layout, TablesReportTheHeightOfTheirGrownRows) {
    NEED_FACE("Liberation Sans");
    const std::string one = para("One line", "", 1000);
    const std::string three = para("First", "", 2000) + para("Second", "", 2000) +
                              para("Third line of a cell that wraps", "", 2000);
    struct Case {
        std::vector<std::string> rows;
        std::vector<bool> grows;
    };
    for (const Case& c :
         {Case{{one, one}, {false, false}}, Case{{one, three, one}, {false, true, false}},
          Case{{three, three}, {true, true}}}) {
        Opened o = openSlide(table(c.rows), "table");
        const Shape& frame = modelShape(o, 0);
        LayoutCache cache;
        const std::vector<double> heights = tableRowHeights(frame, cache);
        ASSERT_EQ(heights.size(), c.rows.size());
        double sum = 0;
        for (std::size_t i = 0; i < heights.size(); ++i) {
            // Three lines of 20 points, one of them wrapped to two, need far more than 30.
            if (c.grows[i]) {
                EXPECT_GT(heights[i], 4 * 20.0) << "row " << i;
            } else {
                EXPECT_DOUBLE_EQ(heights[i], 30.0) << "row " << i;
            }
            sum += heights[i];
        }
        const auto shape = o.presentation->slides()->item(1)->shapes()->item(1);
        EXPECT_NEAR(shape->height(), sum, 1e-3);
        EXPECT_FLOAT_EQ(frame.height, 30.0f * static_cast<float>(c.rows.size()));  // as stored
    }
}

TEST(Layout, EastAsianTextBreaksBetweenCharacters) {
    const std::string text = "日本語の文章を折り返します。括弧「テスト」も正しく扱います。";
    Opened o = openSlide(textBox(2, 0, 0, 80, 400, "lIns=\"0\" rIns=\"0\"",
                                 para(text, "", 2000, "Noto Sans CJK JP")),
                         "cjk");
    TextLayout t = lay(modelShape(o, 0));
    ASSERT_GT(t.lines.size(), 3u);
    std::u32string joined;
    for (const LaidLine& line : t.lines) {
        std::u32string s = lineText(t, line);
        joined += s;
        EXPECT_LE(inkRight(t, line), 80.0 + 1e-6);
        EXPECT_NE(s.front(), U'。') << "a line starts with a closing mark";
        EXPECT_NE(s.front(), U'」');
        EXPECT_NE(s.back(), U'「') << "a line ends with an opening mark";
        EXPECT_GE(s.size(), 2u);
    }
    EXPECT_EQ(joined, fonts::utf8ToCodePoints(text));
}

// Vertical text is laid across the text box turned back by a quarter (three for vert270) about
// the shape's centre; the insets go with their sides, the columns run right to left (left to
// right for mongolianVert and wordArtVert) and the characters that stand upright are marked, the
// ideographic comma and full stop drawn in their vertical forms (upper right of the cell).
TEST(Layout, VerticalTextIsLaidAcrossTheTurnedBox) {
    struct Case {
        const char* vert;
        double turn;
        bool leftToRight;
        std::u32string upright;  // characters of the first paragraph that stand upright
        std::u32string drawn;    // the glyphs drawn for them
    };
    const std::vector<Case> cases = {
        {"vert", 90, false, U"", U""},
        {"vert270", 270, false, U"", U""},
        {"eaVert", 90, false, U"縦書、きか。", U"縦書︑きか︒"},
        {"mongolianVert", 90, true, U"縦書、きか。", U"縦書︑きか︒"},
        {"wordArtVert", 90, true, U"縦書、き「か」。AB", U"縦書︑き「か」︒AB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.vert);
        // Insets 4, 8, 12 and 16 points: left, top, right, bottom.
        const std::string bodyPr = std::string("vert=\"") + c.vert +
                                   "\" lIns=\"50800\" tIns=\"101600\" rIns=\"152400\" "
                                   "bIns=\"203200\" anchor=\"t\"";
        Opened o = openSlide(textBox(2, 50, 20, 100, 300, bodyPr,
                                     para("縦書、き「か」。AB", "", 2000, "Noto Sans CJK JP") +
                                         para("二", "", 2000, "Noto Sans CJK JP")),
                             "vertical");
        TextLayout t = lay(modelShape(o, 0));
        EXPECT_EQ(t.turn, c.turn);
        EXPECT_EQ(t.rotation, c.turn);
        EXPECT_NEAR(t.boxWidth, 300, 1e-9);
        EXPECT_NEAR(t.boxHeight, 100, 1e-9);
        EXPECT_NEAR(t.boxLeft + t.boxWidth / 2, 100, 1e-9) << "about the shape's centre";
        EXPECT_NEAR(t.boxTop + t.boxHeight / 2, 170, 1e-9);
        ASSERT_EQ(t.lines.size(), 2u);
        // A quarter turn takes the text's left side to the top and its top to the right.
        const bool quarter = c.turn == 90;
        EXPECT_NEAR(t.lines[0].left - t.boxLeft, quarter ? 8 : 16, 1e-6);
        const LaidLine& top = c.leftToRight ? t.lines[1] : t.lines[0];
        EXPECT_NEAR(top.top - t.boxTop, quarter ? 12 : 4, 1e-6);
        EXPECT_EQ(t.lines[1].top < t.lines[0].top, c.leftToRight) << "column order";
        std::u32string upright, drawn;
        for (int i = 0; i < t.lines[0].charCount; ++i) {
            const LaidChar& ch = t.chars[static_cast<std::size_t>(t.lines[0].firstChar + i)];
            if (!ch.upright) {
                EXPECT_EQ(ch.glyph, ch.code == U'\r' ? 0 : ch.code);
                continue;
            }
            upright += ch.code;
            drawn += ch.glyph;
            if (std::string(c.vert) == "wordArtVert") {
                EXPECT_NEAR(ch.advance, 24, 1e-6) << "a letter takes its cell's height";
            }
        }
        EXPECT_EQ(upright, c.upright);
        EXPECT_EQ(drawn, c.drawn);
    }
}

TEST(Layout, EmptyParagraphsAndLineBreaks) {
    NEED_FACE("Liberation Sans");
    std::string paragraphs =
        para("A") +
        "<a:p><a:endParaRPr sz=\"4000\"><a:latin typeface=\"Liberation Sans\"/></a:endParaRPr>"
        "</a:p><a:p>" +
        run("B") +
        "<a:br><a:rPr sz=\"2000\"><a:latin typeface=\"Liberation Sans\"/></a:rPr></a:br>" +
        run("C") + "</a:p>";
    Opened o = openSlide(textBox(2, 0, 0, 300, 300, "", paragraphs), "empty");
    TextLayout t = lay(modelShape(o, 0));
    ASSERT_EQ(t.paragraphs.size(), 3u);
    ASSERT_EQ(t.lines.size(), 4u);  // A | (empty) | B | C
    // The empty line takes its mark's 40 pt: twice the 20 pt lines.
    EXPECT_NEAR(t.lines[1].height, 2 * t.lines[0].height, 1e-6);
    EXPECT_NEAR(t.lines[2].height, t.lines[0].height, 1e-6);
    for (std::size_t k = 1; k < t.lines.size(); ++k) {
        EXPECT_NEAR(t.lines[k].top, t.lines[k - 1].top + t.lines[k - 1].height, 1e-9);
    }
    auto range = o.presentation->slides()->item(1)->shapes()->item(1)->textFrame()->textRange();
    ASSERT_EQ(range->text(), "A\r\rB\vC");
    // C sits one line below B, at the left again.
    auto b = range->characters(4, 1);
    auto c = range->characters(6, 1);
    EXPECT_NEAR(c->boundTop() - b->boundTop(), t.lines[3].top - t.lines[2].top, 1e-3);
    EXPECT_NEAR(c->boundLeft(), b->boundLeft(), 1e-3);
    // Paragraph tops go down, and asking past the last paragraph gives the last one's top again.
    float previous = -1;
    for (int p = 1; p <= 3; ++p) {
        float top = range->paragraphs(p)->boundTop();
        EXPECT_GT(top, previous);
        previous = top;
    }
    EXPECT_FLOAT_EQ(range->paragraphs(4)->boundTop(), previous);
    EXPECT_NEAR(range->paragraphs(3)->boundHeight(), t.lines[2].height + t.lines[3].height, 1e-3);
}

// Advances read with FreeType from the face's file, in font units, to points at `size`.
struct FreeTypeFace {
    FT_Library lib = nullptr;
    FT_Face face = nullptr;
    explicit FreeTypeFace(const std::string& file, int index = 0) {
        if (FT_Init_FreeType(&lib) != 0) return;
        if (FT_New_Face(lib, file.c_str(), index, &face) != 0) face = nullptr;
    }
    ~FreeTypeFace() {
        if (face) FT_Done_Face(face);
        if (lib) FT_Done_FreeType(lib);
    }
    double advance(char32_t c, double size) const {
        FT_UInt glyph = FT_Get_Char_Index(face, c);
        FT_Fixed units = 0;
        FT_Get_Advance(face, glyph, FT_LOAD_NO_SCALE, &units);
        return static_cast<double>(units) * size / face->units_per_EM;
    }
};

// Lines keep one pitch whatever face draws them: a CJK fallback face whose own cell is far taller
// than the Latin face's does not push its line down, so substitutes do not move text.
TEST(Layout, LinesKeepOnePitchWhateverFaceDrawsThem) {
    NEED_FACE("Liberation Sans");
    fonts::LogicalFont f =
        fonts::logicalFontFor(20, false, false, false, true, "Liberation Sans", "Noto Sans CJK JP");
    fonts::FaceInfo latin = library().primaryFace(f);
    fonts::FaceInfo cjk = library().faceFor(f, U'\u65E5');
    if (!cjk.valid() || cjk.family == latin.family) GTEST_SKIP() << "no East Asian face installed";
    auto cjkRun = [](const std::string& text, int size) {
        return run(text, size * 100, "", "<a:ea typeface=\"Noto Sans CJK JP\"/>");
    };
    Opened o = openSlide(
        textBox(2, 0, 0, 400, 300, "lIns=\"0\" tIns=\"0\"",
                paraOf(cjkRun("Latin", 20)) + paraOf(cjkRun("日本語", 20)) +
                    paraOf(cjkRun("mixed 日本", 20)) + paraOf(cjkRun("a", 10) + cjkRun("B", 30))),
        "faces");
    TextLayout t = lay(modelShape(o, 0));
    ASSERT_EQ(t.lines.size(), 4u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(t.lines[i].height, 24.0, 1e-6) << "line " << i;
        EXPECT_NEAR(t.lines[i].baseline, 20.0 + 24.0 * i, 1e-6) << "line " << i;
    }
    // A line takes the cell of its largest size.
    EXPECT_NEAR(t.lines[3].height, 36.0, 1e-6);
    EXPECT_NEAR(t.lines[3].baseline, 72.0 + 30.0, 1e-6);
}

void checkAgainstFreeType(const std::string& requested, const std::string& family) {
    fonts::LogicalFont f = fonts::logicalFontFor(24, false, false, false, true, requested, "");
    fonts::FaceInfo info = library().primaryFace(f);
    if (info.family != family) GTEST_SKIP() << family << " is not installed";
    FreeTypeFace ft(info.file);
    ASSERT_NE(ft.face, nullptr) << info.file;
    const std::u32string text = U"Quillet: layout, Wavy AVA!";
    std::string utf8 = "Quillet: layout, Wavy AVA!";
    Opened o = openSlide(
        textBox(2, 36, 72, 600, 100, "lIns=\"0\" tIns=\"0\"", para(utf8, "", 2400, requested)),
        "ft_" + family);
    auto range = o.presentation->slides()->item(1)->shapes()->item(1)->textFrame()->textRange();
    ASSERT_EQ(range->length(), static_cast<int>(text.size()));
    const double baseline = 72 + 24;  // one size below the top
    double pen = 36;
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto ch = range->characters(static_cast<int>(i) + 1, 1);
        double advance = ft.advance(text[i], 24);
        EXPECT_NEAR(ch->boundLeft(), pen, 1e-3) << "character " << i;
        EXPECT_NEAR(ch->boundWidth(), advance, 1e-3) << "character " << i;
        EXPECT_FLOAT_EQ(ch->boundHeight(), 24.0f);
        EXPECT_NEAR(ch->boundTop(), baseline - 0.8 * 24, 1e-3);
        pen += advance;
    }
    // The whole range spans the advance sum.
    EXPECT_NEAR(range->boundLeft(), 36.0, 1e-3);
    EXPECT_NEAR(range->boundWidth(), pen - 36.0, 1e-3);
}

TEST(Layout, CharacterBoundsFollowFreeTypeAdvancesInLiberationSans) {
    checkAgainstFreeType("Arial", "Liberation Sans");
}

TEST(Layout, CharacterBoundsFollowFreeTypeAdvancesInCarlito) {
    checkAgainstFreeType("Calibri", "Carlito");
}

TEST(Layout, CacheKeepsALayoutUntilTheTextOrTheBoxChanges) {
    NEED_FACE("Liberation Sans");
    Opened o = openSlide(textBox(2, 10, 10, 300, 100, "", para("hello world")), "cache");
    LayoutCache cache;
    const Shape& s = modelShape(o, 0);
    auto a = cache.layout(s);
    auto b = cache.layout(s);
    ASSERT_TRUE(a);
    EXPECT_EQ(a.get(), b.get());

    auto shape = o.presentation->slides()->item(1)->shapes()->item(1);
    auto range = shape->textFrame()->textRange();
    float before = range->characters(1, 1)->boundLeft();
    shape->setLeft(50);
    auto moved = cache.layout(s);
    EXPECT_NE(moved.get(), a.get());
    EXPECT_NEAR(moved->chars[0].x - a->chars[0].x, 40.0, 1e-4);
    EXPECT_NEAR(range->characters(1, 1)->boundLeft() - before, 40.0, 1e-3);

    // A narrower box wraps again.
    shape->setWidth(40);
    auto narrow = cache.layout(s);
    EXPECT_GT(narrow->lines.size(), moved->lines.size());
    EXPECT_EQ(moved->lines.size(), 1u);

    range->characters(1, 6)->deleteText();
    auto shorter = cache.layout(s);
    EXPECT_EQ(shorter->chars.size(), 5u);
    EXPECT_EQ(range->text(), "world");
    EXPECT_NEAR(range->characters(1, 1)->boundLeft(), shorter->chars[0].x, 1e-3);
}

TEST(Layout, HostileBodiesStayBounded) {
    // Odd values straight into the model: no crash, finite results.
    Shape s;
    s.width = 0;
    s.height = -5;
    s.left = std::numeric_limits<float>::infinity();
    s.text = std::make_shared<TextBody>();
    s.text->insetLeft = std::numeric_limits<float>::quiet_NaN();
    s.text->fontScale = 0;
    Paragraph p;
    p.indent = -1e9f;
    p.lineSpacing = {true, std::numeric_limits<float>::quiet_NaN()};
    p.bullet.type = host::bullet_type::kNumbered;
    p.bullet.style = 999;
    pptx::Run r;
    r.text = std::string(
                 "\xff\xfe"
                 "abc\t\tdef") +
             std::string(2000, 'x');
    r.props.size = 1e9f;
    p.runs.push_back(r);
    s.text->paragraphs.push_back(p);
    s.text->paragraphs.push_back(Paragraph{});
    TextLayout t = layoutText(s, *s.text, &library());
    EXPECT_EQ(t.chars.size(), 2u + 3u + 2u + 3u + 2000u + 1u);
    for (const LaidChar& c : t.chars) {
        ASSERT_TRUE(std::isfinite(c.x));
        ASSERT_TRUE(std::isfinite(c.baseline));
        ASSERT_TRUE(std::isfinite(c.advance));
    }
    EXPECT_EQ(rangeBounds(t, -5, 100000).height > 0, true);
    RangeBounds none = rangeBounds(TextLayout{}, 0, 3);
    EXPECT_EQ(none.width, 0);
}

// ---- corpus -----------------------------------------------------------------------------------

void forEachShape(const ShapeList& list, const std::function<void(const Shape&)>& f) {
    for (const ShapePtr& s : list.items) {
        f(*s);
        if (s->children) forEachShape(*s->children, f);
    }
}

// Every text body of every slide and master: as many characters as the host's text, finite
// places, lines in order, wrapped lines inside the box, character bounds as the convention says.
TEST(LayoutCorpus, EveryTextBodyOfTheDecks) {
    NEED_CORPUS();
    const char* decks[] = {"layouts.pptx",
                           "aptia.pptx",
                           "bug64693.pptx",
                           "with_japanese.pptx",
                           "txt-font-typeface.pptx",
                           "60810.pptx",
                           "PPTX_ChartBar.pptx",
                           "au.asn.aes.www_conferences_2011_presentations_Fri_20Room4Level4_"
                           "20930_20Maloney.pptx"};
    int bodies = 0, characters = 0;
    for (const char* name : decks) {
        fs::path path = test::corpusDecks() / name;
        if (!fs::exists(path)) continue;
        auto app = openApplication(path.string());
        auto model = modelOf(*app->activePresentation());
        ASSERT_TRUE(model);
        LayoutCache cache;
        auto check = [&](const Shape& s) {
            if (!s.text) return;
            auto t = cache.layout(s);
            ASSERT_TRUE(t);
            ++bodies;
            for (std::size_t k = 1; k < t->lines.size(); ++k) {
                ASSERT_GE(t->lines[k].top, t->lines[k - 1].top - 1e-6) << name << " " << s.name;
            }
            const double right =
                t->boxLeft + std::max<double>(s.text->insetLeft, t->boxWidth - s.text->insetRight);
            for (const LaidLine& line : t->lines) {
                int ink = 0;
                for (int i = line.firstChar; i < line.firstChar + line.charCount; ++i) {
                    const LaidChar& c = t->chars[static_cast<std::size_t>(i)];
                    if (c.glyph != 0 && c.code != U' ') ++ink;
                }
                if (s.text->wrap && ink > 1 &&
                    (s.text->paragraphs[static_cast<std::size_t>(line.paragraph)].alignment ==
                     host::alignment::kLeft)) {
                    EXPECT_LE(inkRight(*t, line), right + 1e-3) << name << " " << s.name;
                }
            }
            for (std::size_t i = 0; i < t->chars.size(); ++i) {
                const LaidChar& c = t->chars[i];
                ASSERT_TRUE(std::isfinite(c.x) && std::isfinite(c.baseline));
                ASSERT_GE(c.advance, 0);
                RangeBounds b = rangeBounds(*t, static_cast<int>(i), 1);
                double size = t->styles[static_cast<std::size_t>(c.style)].size;
                EXPECT_DOUBLE_EQ(b.height, size);
                EXPECT_DOUBLE_EQ(b.top, c.baseline - 0.8 * size);
                ++characters;
            }
        };
        for (const auto& slide : model->slides) forEachShape(*slide->shapes, check);
        if (model->slideMaster) forEachShape(*model->slideMaster->shapes, check);
        // The host's view agrees on the number of characters.
        auto slides = app->activePresentation()->slides();
        for (int i = 1; i <= slides->count(); ++i) {
            auto shapes = slides->item(i)->shapes();
            for (int j = 1; j <= shapes->count(); ++j) {
                auto frame = shapes->item(j)->textFrame();
                if (!frame) continue;
                auto range = frame->textRange();
                const Shape& s = *model->slides[static_cast<std::size_t>(i - 1)]
                                      ->shapes->items[static_cast<std::size_t>(j - 1)];
                EXPECT_EQ(static_cast<int>(cache.layout(s)->chars.size()), range->length())
                    << name << " slide " << i << " shape " << j;
            }
        }
    }
    if (bodies == 0) GTEST_SKIP() << "none of the decks is in the corpus";
    EXPECT_GT(characters, 1000);
}

// The authoring program stores what it drew: a shape that fits its text keeps the height it was
// fitted to, and a table keeps its frame's height after its rows grew to hold their text. Over
// every corpus deck, our layout must arrive at the same heights, independently of any renderer.
// Both depend on the line pitch and on where lines break; the fitted shapes are limited to the
// faces whose stand-ins have the same advances.
template <typename F>
void forEachCorpusSlideShape(F f) {
    for (const auto& entry : fs::directory_iterator(test::corpusDecks())) {
        if (entry.path().extension() != ".pptx") continue;
        std::shared_ptr<host::Application> app;
        try {
            app = openApplication(entry.path().string());
        } catch (const std::exception&) {
            continue;  // the decks that are not packages
        }
        auto model = modelOf(*app->activePresentation());
        for (std::size_t i = 0; i < model->slides.size(); ++i) {
            std::string where =
                entry.path().stem().string().substr(0, 24) + " slide " + std::to_string(i + 1);
            forEachShape(*model->slides[i]->shapes, [&](const Shape& s) { f(s, where); });
        }
    }
}

struct HeightCheck {
    int cases = 0;
    int agreeing = 0;
    std::string others;
    void add(bool agrees, const std::string& where, const Shape& s, double authored, double ours) {
        ++cases;
        if (agrees) {
            ++agreeing;
        } else {
            others += "\n  " + where + " " + s.name + ": authored " + std::to_string(authored) +
                      ", ours " + std::to_string(ours);
        }
    }
};

TEST(LayoutCorpus, ShapesFittedToTheirTextAreAsTallAsTheAuthorsFittedThem) {
    NEED_CORPUS();
    NEED_FACE("Carlito");
    NEED_FACE("Liberation Sans");
    NEED_FACE("Noto Sans");
    NEED_FACE("Z003");
    // A line more or less, or another pitch, is more than 3 %. The faces whose stand-ins have the
    // same advances are checked on every fitted shape; the few others are lines that fill their
    // width to within a fraction of a point, and a deck converted from another format whose stored
    // heights are not fitted ones. Most of them are also exact: the fit's own slack included, to
    // within 0.2 % (the rest were fitted to whole points). The look-alikes these heights chose are
    // checked where their line breaks decide: on shapes of three lines or more.
    struct Group {
        std::set<std::string> faces;
        std::size_t minLines;
        int minCases;
        int percent;       // of the cases that must agree within 3 %
        int exactPercent;  // ... and within 0.2 %
    };
    const Group groups[] = {
        {{"calibri", "arial", "times new roman", "cambria", "courier new"}, 1, 100, 90, 75},
        {{"corbel", "lucida sans unicode", "script mt bold"}, 3, 8, 80, 0},
    };
    HeightCheck checks[std::size(groups)], exact[std::size(groups)];
    LayoutCache cache;
    forEachCorpusSlideShape([&](const Shape& s, const std::string& where) {
        if (!s.text || s.text->autoSize != host::auto_size::kShapeToFitText) return;
        auto t = cache.layout(s);
        if (!t || !t->grown) return;
        for (std::size_t k = 0; k < std::size(groups); ++k) {
            const Group& g = groups[k];
            bool inGroup = t->lines.size() >= g.minLines;
            for (const LaidChar& ch : t->chars) {
                if (!inGroup) break;
                if (ch.code <= U' ') continue;
                const auto& face = t->styles[static_cast<std::size_t>(ch.style)].font.faceName;
                inGroup = g.faces.contains(fonts::normalizeFaceName(face));
            }
            if (inGroup) {
                const double off = std::abs(s.height / t->boxHeight - 1);
                checks[k].add(off <= 0.03, where, s, s.height, t->boxHeight);
                exact[k].add(off <= 0.002, where, s, s.height, t->boxHeight);
            }
        }
    });
    for (std::size_t k = 0; k < std::size(groups); ++k) {
        const HeightCheck& check = checks[k];
        const std::string what = *groups[k].faces.begin() + "...";
        ASSERT_GE(check.cases, groups[k].minCases) << what;
        EXPECT_GE(check.agreeing * 100, check.cases * groups[k].percent)
            << what << ": " << check.agreeing << " of " << check.cases
            << " within 3 %; the others:" << check.others;
        EXPECT_GE(exact[k].agreeing * 100, exact[k].cases * groups[k].exactPercent)
            << what << ": " << exact[k].agreeing << " of " << exact[k].cases
            << " within 0.2 %; the others:" << exact[k].others;
    }
}

TEST(LayoutCorpus, GrownTablesAreAsTallAsTheirFrames) {
    NEED_CORPUS();
    NEED_FACE("Caladea");
    LayoutCache cache;
    HeightCheck check;
    forEachCorpusSlideShape([&](const Shape& s, const std::string& where) {
        if (!s.table) return;
        double stored = 0;
        for (const TableRow& r : s.table->rows) stored += r.height;
        if (s.height <= stored + 0.5) return;  // its rows did not grow when it was last drawn
        double grown = 0;
        for (double h : tableRowHeights(s, cache)) grown += h;
        check.add(std::abs(grown - s.height) <= 1, where, s, s.height, grown);
    });
    ASSERT_GE(check.cases, 10);
    EXPECT_GE(check.agreeing, check.cases * 3 / 4)
        << check.agreeing << " of " << check.cases
        << " within a point; the others:" << check.others;
}

}  // namespace
// Text stands in the text rectangle of its geometry: an ellipse's inscribed box, a rounded
// rectangle's straight part, a triangle's lower middle. A left-aligned 'H' at 20 points in a
// 160-point square with no insets starts at the rectangle's left, its baseline 20 points below the
// rectangle's top.
TEST(Layout, TextStandsInTheGeometrysTextRectangle) {
    NEED_FACE("Liberation Sans");
    struct Case {
        std::string geometry;
        double left, top, width;
    };
    const double inscribed = 80 - 80 * 0.70711;
    const double corner = 160 * 0.5 * 0.29289;  // radius half the side
    std::vector<Case> cases = {
        {"<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom>", 0, 0, 160},
        {"<a:prstGeom prst=\"ellipse\"><a:avLst/></a:prstGeom>", inscribed, inscribed,
         160 - 2 * inscribed},
        {"<a:prstGeom prst=\"roundRect\"><a:avLst><a:gd name=\"adj\" fmla=\"val 50000\"/>"
         "</a:avLst></a:prstGeom>",
         corner, corner, 160 - 2 * corner},
        {"<a:prstGeom prst=\"triangle\"><a:avLst/></a:prstGeom>", 40, 80, 80},
        {"<a:prstGeom prst=\"diamond\"><a:avLst/></a:prstGeom>", 40, 40, 80},
    };
    for (const Case& c : cases) {
        std::string box =
            textBox(2, 100, 50, 160, 160, "lIns=\"0\" tIns=\"0\" rIns=\"0\" bIns=\"0\"",
                    para("H") + para("HHHHHHHHHHHHHHHHHHHH"));
        box.replace(box.find("<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom>"), 46, c.geometry);
        Opened o = openSlide(box, "text-rect");
        TextLayout t = lay(modelShape(o, 0));
        ASSERT_FALSE(t.chars.empty()) << c.geometry;
        EXPECT_NEAR(t.chars[0].x, 100 + c.left, 1e-3) << c.geometry;
        EXPECT_NEAR(t.lines[0].baseline, std::floor(50 + c.top + 20), 1e-3) << c.geometry;
        // The long paragraph wraps at the rectangle's right edge.
        for (const LaidChar& ch : t.chars) {
            if (ch.glyph == U'H') {
                EXPECT_LE(ch.x + ch.advance, 100 + c.left + c.width + 1e-3);
            }
        }
    }
}

namespace {

double lineWidth(const TextLayout& t) {
    return inkRight(t, t.lines.at(0)) - inkLeft(t, t.lines.at(0));
}

// Runs are kerned from their threshold up: "AVAVAV" at 24 points with kern="1200" is narrower
// than without by the sum of its five pairs, each character starting where the previous one's
// reported width ends.
TEST(LayoutKerning, PairsFromTheRunsThresholdUp) {
    NEED_FACE("Liberation Sans");
    const std::string bodyPr = "lIns=\"0\" rIns=\"0\" wrap=\"none\"";
    // The threshold is inherited like the size: from the body's list style here.
    // Boxes 2 to 6 state their own threshold; box 7 has none.
    std::string boxes;
    int id = 2;
    for (const char* kern : {"", "1200", "2500", "0", "2400", ""}) {
        const std::string attributes = *kern ? std::string("kern=\"") + kern + "\"" : "";
        boxes +=
            textBox(id, 0, 60 * (id - 2), 400, 50, bodyPr, paraOf(run("AVAVAV", 2400, attributes)));
        ++id;
    }
    boxes.replace(boxes.rfind("<a:lstStyle/>"), 13,
                  "<a:lstStyle><a:lvl1pPr><a:defRPr kern=\"1200\"/></a:lvl1pPr></a:lstStyle>");
    Opened o = openSlide(boxes, "kern-threshold");
    fonts::LogicalFont f =
        fonts::logicalFontFor(24, false, false, false, true, "Liberation Sans", "");
    const double av = library().kerning(f, U'A', U'V', 24);
    const double va = library().kerning(f, U'V', U'A', 24);
    ASSERT_LT(av, -0.5);  // -152 / 2048 em in the face's positioning table
    ASSERT_LT(va, -0.5);

    TextLayout kerned = lay(modelShape(o, 1));
    double natural = 0;
    for (char32_t c : std::u32string(U"AVAVAV")) natural += library().advance(f, c, 24);
    const double pairs = natural + 3 * av + 2 * va;
    // Below the threshold, or a threshold of 0: not kerned. At the threshold itself: kerned.
    const bool kerns[] = {false, true, false, false, true, true};
    for (int k = 0; k < 6; ++k)
        EXPECT_NEAR(lineWidth(lay(modelShape(o, k))), kerns[k] ? pairs : natural, 1e-6) << k;
    EXPECT_EQ(modelShape(o, 5).text->paragraphs.at(0).runs.at(0).props.kern, 1200);

    // The bounds the engine reads include the pairs: each character starts at the end of the one
    // before it, and the left ones of the pairs are narrower than their advance.
    auto range = o.presentation->slides()->item(1)->shapes()->item(2)->textFrame()->textRange();
    ASSERT_EQ(range->length(), 6);
    for (int i = 1; i <= 6; ++i) {
        auto ch = range->characters(i, 1);
        const LaidChar& c = kerned.chars[static_cast<std::size_t>(i - 1)];
        EXPECT_NEAR(ch->boundLeft(), c.x, 1e-3) << i;
        EXPECT_NEAR(ch->boundWidth(), c.advance, 1e-3) << i;
        char32_t code = i % 2 ? U'A' : U'V';
        double expected = library().advance(f, code, 24) + (i == 6 ? 0 : (i % 2 ? av : va));
        EXPECT_NEAR(c.advance, expected, 1e-6) << i;
        if (i < 6) {
            EXPECT_NEAR(kerned.chars[static_cast<std::size_t>(i)].x, c.x + c.advance, 1e-9) << i;
        }
    }
    EXPECT_NEAR(range->boundWidth(), pairs, 1e-3);
}

// Neighbours of different styles do not kern, nor does a pair split by a line's end: a wrapped
// line's last space keeps its own advance.
TEST(LayoutKerning, OnlyNeighboursOfOneStyleOnOneLine) {
    NEED_FACE("Liberation Sans");
    fonts::LogicalFont f =
        fonts::logicalFontFor(24, false, false, false, true, "Liberation Sans", "");
    const std::string k = "kern=\"1200\"";
    Opened o = openSlide(textBox(2, 0, 0, 400, 50, "lIns=\"0\" rIns=\"0\" wrap=\"none\"",
                                 paraOf(run("A", 2400, k) + run("V", 2400, k + " b=\"1\""))) +
                             textBox(3, 0, 60, 60, 200, "lIns=\"0\" rIns=\"0\"",
                                     paraOf(run("AV AV AV AV", 2400, k))),
                         "kern-styles");
    TextLayout mixed = lay(modelShape(o, 0));
    ASSERT_GE(mixed.chars.size(), 2u);
    EXPECT_NEAR(mixed.chars[0].advance, library().advance(f, U'A', 24), 1e-6);
    EXPECT_NEAR(mixed.chars[1].x - mixed.chars[0].x, library().advance(f, U'A', 24), 1e-6);

    TextLayout wrapped = lay(modelShape(o, 1));
    ASSERT_GT(wrapped.lines.size(), 1u);
    ASSERT_LT(library().kerning(f, U' ', U'A', 24), -0.5);  // the space-A pair exists
    for (std::size_t k2 = 0; k2 + 1 < wrapped.lines.size(); ++k2) {
        const LaidLine& line = wrapped.lines[k2];
        const LaidChar& last =
            wrapped.chars[static_cast<std::size_t>(line.firstChar + line.charCount - 1)];
        ASSERT_EQ(last.code, U' ') << "line " << k2;
        EXPECT_NEAR(last.advance, library().advance(f, U' ', 24), 1e-6) << "line " << k2;
        const LaidChar& first = wrapped.chars[static_cast<std::size_t>(line.firstChar)];
        EXPECT_NEAR(first.advance,
                    library().advance(f, U'A', 24) + library().kerning(f, U'A', U'V', 24), 1e-6);
    }
}

// Odd input with kerning on: empty runs, characters no face has, a fallback face's characters
// between Latin ones, a huge size, a huge threshold.
TEST(LayoutKerning, OddInputStaysFinite) {
    Shape s;
    s.width = 300;
    s.height = 100;
    s.text = std::make_shared<TextBody>();
    Paragraph p;
    for (const char* text : {"", "A\xf4\x8f\xbf\xbdV", "A\xe6\x97\xa5V", "AVAV\t\tAV", "AV"}) {
        pptx::Run r;
        r.text = text;
        r.props.kern = 1;
        r.props.latin = "Liberation Sans";
        p.runs.push_back(r);
    }
    p.runs.back().props.size = 3e9f;
    pptx::Run threshold;
    threshold.text = "AVAV";
    threshold.props.kern = 400000;
    p.runs.push_back(threshold);
    s.text->paragraphs.push_back(p);
    TextLayout t = layoutText(s, *s.text, &library());
    EXPECT_EQ(t.chars.size(), 0u + 3u + 3u + 8u + 2u + 4u);
    for (const LaidChar& c : t.chars) {
        ASSERT_TRUE(std::isfinite(c.x));
        ASSERT_TRUE(std::isfinite(c.advance));
        ASSERT_GE(c.advance, 0);
    }
    // Without a font library nothing kerns and nothing fails.
    TextLayout estimated = layoutText(s, *s.text, nullptr);
    EXPECT_EQ(estimated.chars.size(), t.chars.size());
}

}  // namespace
}  // namespace quillet::pptx
