// Focused decks built in the test, read through the host interface the engine uses: colours after
// scheme mapping and transforms, style references, placeholder inheritance, fonts, bullets,
// transitions, entrance animations, groups, freeforms, lines, and the operations with side effects.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "host/pptx/pptx_host.h"
#include "host/pptx/timing.h"
#include "tests/host/test_deck.h"

namespace quillet::pptx {
namespace {

using test::bareShape;
using test::DeckRecipe;
using test::hex;
using test::placeholderShape;
using test::rect;
using test::slideXml;
using test::xfrm;

std::string writeDeck(const DeckRecipe& recipe, const std::string& name) {
    return test::writeFile(test::makeDeck(recipe), name + ".pptx");
}

std::shared_ptr<host::Presentation> open(const DeckRecipe& recipe, const std::string& name) {
    auto app = openApplication(writeDeck(recipe, name));
    return app->activePresentation();
}

std::shared_ptr<host::Shape> shapeOf(host::Presentation& p, int slide, int shape) {
    return p.slides()->item(slide)->shapes()->item(shape);
}

constexpr const char* kSwapMap =
    "<p:clrMapOvr><a:overrideClrMapping bg1=\"dk1\" tx1=\"lt1\" bg2=\"dk2\" tx2=\"lt2\" "
    "accent1=\"accent2\" accent2=\"accent2\" accent3=\"accent3\" accent4=\"accent4\" "
    "accent5=\"accent5\" accent6=\"accent6\" hlink=\"hlink\" folHlink=\"folHlink\"/>"
    "</p:clrMapOvr>";

TEST(Colours, SchemePresetAndSystemColoursThroughTheMapAndTransforms) {
    // Values worked out by hand: accent1 4F81BD at 75 % luminance is 376092, lightened 40 % it is
    // 95B3D7; shaded to half in linear light 385D8A; black tinted 75 % is 898989. Aliceblue
    // F0F8FF has hue 208, saturation 1, luminance 0.97; halved to 0.485 it is 0084F8.
    const std::pair<const char*, int> cases[] = {
        {"<a:schemeClr val=\"accent1\"><a:lumMod val=\"75000\"/></a:schemeClr>", 0x376092},
        {"<a:schemeClr val=\"accent1\"><a:lumMod val=\"60000\"/><a:lumOff val=\"40000\"/>"
         "</a:schemeClr>",
         0x95B3D7},
        {"<a:schemeClr val=\"accent1\"><a:shade val=\"50000\"/></a:schemeClr>", 0x385D8A},
        {"<a:schemeClr val=\"tx1\"><a:tint val=\"75000\"/></a:schemeClr>", 0x898989},
        {"<a:schemeClr val=\"bg2\"/>", 0xEEECE1},
        {"<a:srgbClr val=\"FF0000\"><a:alpha val=\"40000\"/></a:srgbClr>", 0xFF0000},
        {"<a:prstClr val=\"white\"/>", 0xFFFFFF},
        {"<a:scrgbClr r=\"100000\" g=\"50000\" b=\"0\"/>", 0xFFBC00},  // linear 0.5 is 188
        {"<a:prstClr val=\"dkSlateGray\"/>", 0x2F4F4F},
        {"<a:prstClr val=\"mediumVioletRed\"/>", 0xC71585},
        {"<a:prstClr val=\"ltGoldenrodYellow\"/>", 0xFAFAD2},
        {"<a:prstClr val=\"aliceBlue\"><a:lumMod val=\"50000\"/></a:prstClr>", 0x0084F8},
        {"<a:prstClr val=\"noSuchColour\"/>", 0},
        {"<a:sysClr val=\"highlight\"/>", 0x0078D7},
        {"<a:sysClr val=\"highlight\" lastClr=\"123456\"/>", 0x123456},
        {"<a:sysClr val=\"infoBk\"/>", 0xFFFFE1},
        {"<a:sysClr val=\"bogus\"/>", 0},
    };
    std::string shapes;
    int id = 2;
    for (const auto& [colour, rgb] : cases)
        shapes += rect(id++, "S", 0, 0, 100, 100,
                       "<a:solidFill>" + std::string(colour) + "</a:solidFill>");
    DeckRecipe recipe;
    recipe.slides.push_back(slideXml(shapes));
    // The slide maps tx1 and bg2 to other theme colours.
    recipe.slides.push_back(slideXml(shapes, kSwapMap));
    auto p = open(recipe, "colours");
    auto fore = [&](int slide, int shape) {
        return shapeOf(*p, slide, shape)->fill()->foreColorRgb();
    };
    for (int i = 0; i < static_cast<int>(std::size(cases)); ++i)
        EXPECT_EQ(fore(1, i + 1), hex(cases[i].second)) << cases[i].first;
    EXPECT_NEAR(shapeOf(*p, 1, 6)->fill()->transparency(), 0.6f, 1e-6);
    // With the override: accent1 reads accent2 (C0504D), tx1 reads white, bg2 reads dk2.
    EXPECT_EQ(fore(2, 4), hex(0xFFFFFF));
    EXPECT_EQ(fore(2, 5), hex(0x1F497D));
    EXPECT_NE(fore(2, 1), fore(1, 1));
}

TEST(Fills, StyleReferencesGradientsPatternsAndPictures) {
    DeckRecipe recipe;
    std::string styled =
        "<p:sp><p:nvSpPr><p:cNvPr id=\"2\" name=\"Styled\"/><p:cNvSpPr/><p:nvPr/></p:nvSpPr>"
        "<p:spPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"100\" cy=\"100\"/></a:xfrm>"
        "<a:prstGeom prst=\"ellipse\"><a:avLst/></a:prstGeom></p:spPr><p:style>"
        "<a:lnRef idx=\"1\"><a:schemeClr val=\"accent1\"/></a:lnRef><a:fillRef idx=\"2\">"
        "<a:schemeClr val=\"accent1\"/></a:fillRef><a:effectRef idx=\"0\"><a:schemeClr "
        "val=\"accent1\"/></a:effectRef><a:fontRef idx=\"minor\"><a:schemeClr val=\"lt1\"/>"
        "</a:fontRef></p:style><p:txBody><a:bodyPr/><a:p><a:r><a:t>x</a:t></a:r></a:p>"
        "</p:txBody></p:sp>";
    std::string gradient =
        "<a:gradFill><a:gsLst><a:gs pos=\"0\"><a:srgbClr val=\"FF0000\"/></a:gs><a:gs "
        "pos=\"100000\"><a:srgbClr val=\"0000FF\"/></a:gs></a:gsLst><a:lin ang=\"5400000\"/>"
        "</a:gradFill>";
    std::string mirrored =
        "<a:gradFill><a:gsLst><a:gs pos=\"0\"><a:srgbClr val=\"FF0000\"/></a:gs><a:gs "
        "pos=\"50000\"><a:srgbClr val=\"00FF00\"/></a:gs><a:gs pos=\"100000\"><a:srgbClr "
        "val=\"FF0000\"/></a:gs></a:gsLst><a:lin ang=\"10800000\"/></a:gradFill>";
    std::string pattern =
        "<a:pattFill prst=\"dkHorz\"><a:fgClr><a:srgbClr val=\"112233\"/></a:fgClr><a:bgClr>"
        "<a:srgbClr val=\"445566\"/></a:bgClr></a:pattFill>";
    std::string picture = "<a:blipFill><a:blip r:embed=\"rId2\"/><a:tile/></a:blipFill>";
    std::string noFill =
        "<a:noFill/><a:ln w=\"38100\"><a:solidFill><a:srgbClr val=\"00FF00\"/>"
        "</a:solidFill><a:prstDash val=\"lgDash\"/><a:headEnd type=\"triangle\"/>"
        "<a:tailEnd type=\"arrow\" w=\"lg\" len=\"sm\"/></a:ln>";
    recipe.slides.push_back(
        slideXml(styled + rect(3, "G", 0, 0, 1, 1, gradient) + rect(4, "M", 0, 0, 1, 1, mirrored) +
                 rect(5, "P", 0, 0, 1, 1, pattern) + rect(6, "I", 0, 0, 1, 1, picture) +
                 rect(7, "N", 0, 0, 1, 1, noFill)));
    recipe.extra.push_back({"ppt/media/image1.png", "\x89PNG not really"});
    auto p = open(recipe, "fills");
    auto styledShape = shapeOf(*p, 1, 1);
    EXPECT_EQ(styledShape->autoShapeType(), host::shape_kind::kOval);
    // fillRef 2 is the tinted phClr entry: accent1 tinted to half.
    EXPECT_EQ(styledShape->fill()->type(), host::fill_type::kSolid);
    EXPECT_EQ(styledShape->fill()->foreColorRgb(), hex(0xC2CDE1));
    // lnRef 1: 0.75 pt, phClr shaded to half.
    EXPECT_EQ(styledShape->line()->visible(), host::kTrue);
    EXPECT_FLOAT_EQ(styledShape->line()->weight(), 0.75f);
    EXPECT_EQ(styledShape->line()->foreColorRgb(), hex(0x385D8A));
    // fontRef minor with lt1: white Calibri.
    auto font = styledShape->textFrame()->textRange()->font();
    EXPECT_EQ(font->colorRgb(), hex(0xFFFFFF));
    EXPECT_EQ(font->name(), "Calibri");

    auto g = shapeOf(*p, 1, 2)->fill();
    EXPECT_EQ(g->type(), host::fill_type::kGradient);
    EXPECT_EQ(g->gradientStyle(), host::gradient_style::kHorizontal);  // top to bottom
    EXPECT_EQ(g->gradientVariant(), 1);
    EXPECT_EQ(g->foreColorRgb(), hex(0xFF0000));
    EXPECT_EQ(g->backColorRgb(), hex(0x0000FF));
    EXPECT_FLOAT_EQ(g->gradientAngle(), 90);
    ASSERT_EQ(g->gradientStops().size(), 2u);
    auto m = shapeOf(*p, 1, 3)->fill();
    EXPECT_EQ(m->gradientStyle(), host::gradient_style::kVertical);
    EXPECT_EQ(m->gradientVariant(), 3);

    auto pat = shapeOf(*p, 1, 4)->fill();
    EXPECT_EQ(pat->type(), host::fill_type::kPatterned);
    EXPECT_EQ(pat->pattern(), 13);
    EXPECT_EQ(pat->foreColorRgb(), hex(0x112233));
    EXPECT_EQ(pat->backColorRgb(), hex(0x445566));

    auto pic = shapeOf(*p, 1, 5)->fill();
    EXPECT_EQ(pic->type(), host::fill_type::kTextured);
    ASSERT_NE(pic->picture(), nullptr);
    EXPECT_EQ(pic->picture()->name(), "ppt/media/image1.png");
    EXPECT_EQ(pic->picture()->contentType(), "image/png");
    EXPECT_EQ(pic->picture()->data().size(), 15u);

    auto n = shapeOf(*p, 1, 6);
    EXPECT_EQ(n->fill()->visible(), host::kFalse);
    auto line = n->line();
    EXPECT_EQ(line->visible(), host::kTrue);
    EXPECT_FLOAT_EQ(line->weight(), 3);
    EXPECT_EQ(line->foreColorRgb(), hex(0x00FF00));
    EXPECT_EQ(line->dashStyle(), host::dash_style::kLongDash);
    EXPECT_EQ(line->beginArrowheadStyle(), host::arrowhead::kTriangle);
    EXPECT_EQ(line->endArrowheadStyle(), host::arrowhead::kOpen);
    EXPECT_EQ(line->endArrowheadWidth(), host::arrowhead::kWide);
    EXPECT_EQ(line->endArrowheadLength(), host::arrowhead::kShort);
}

TEST(Text, PlaceholdersInheritPlaceFontsAndBullets) {
    DeckRecipe recipe;
    recipe.layoutShapes =
        placeholderShape(2, "Title", "type=\"title\"", xfrm(254000, 127000, 6350000, 1270000),
                         "<a:bodyPr anchor=\"b\"/><a:lstStyle><a:lvl1pPr><a:defRPr sz=\"4000\" "
                         "b=\"1\"/></a:lvl1pPr></a:lstStyle><a:p><a:r><a:t>Layout title</a:t>"
                         "</a:r></a:p>") +
        placeholderShape(3, "Body", "idx=\"1\"", xfrm(254000, 1524000, 6350000, 3810000),
                         "<a:bodyPr/><a:lstStyle/><a:p><a:r><a:t>x</a:t></a:r></a:p>");
    std::string title = placeholderShape(
        2, "T", "type=\"title\"", "",
        "<a:bodyPr/><a:lstStyle/><a:p><a:r><a:rPr lang=\"en-US\"/><a:t>Hello</a:t></a:r><a:r>"
        "<a:rPr i=\"1\" sz=\"2000\">" +
            test::solid("FF0000") + "</a:rPr><a:t> world</a:t></a:r></a:p>");
    std::string body = placeholderShape(
        3, "B", "idx=\"1\"", "",
        "<a:bodyPr/><a:lstStyle/><a:p><a:r><a:t>First</a:t></a:r></a:p>"
        "<a:p><a:pPr lvl=\"1\"/><a:r><a:t>Second</a:t></a:r><a:br/><a:r><a:t>line</a:t></a:r></a:p>"
        "<a:p><a:pPr><a:buFont typeface=\"+mj-lt\"/><a:buClr><a:srgbClr val=\"00FF00\"/></a:buClr>"
        "<a:buSzPct val=\"50000\"/><a:buAutoNum type=\"romanUcPeriod\" startAt=\"3\"/></a:pPr>"
        "<a:r><a:t>Third</a:t></a:r></a:p>"
        "<a:p><a:pPr><a:buNone/></a:pPr><a:r><a:t>Plain</a:t></a:r></a:p>");
    std::string box =
        "<p:sp><p:nvSpPr><p:cNvPr id=\"4\" name=\"Box\"/><p:cNvSpPr txBox=\"1\"/><p:nvPr/>"
        "</p:nvSpPr><p:spPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"12700\" "
        "cy=\"12700\"/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></p:spPr>"
        "<p:txBody><a:bodyPr lIns=\"0\" wrap=\"none\"><a:normAutofit fontScale=\"62500\" "
        "lnSpcReduction=\"20000\"/></a:bodyPr><a:lstStyle/><a:p><a:r><a:rPr><a:latin "
        "typeface=\"Arial\"/><a:effectLst><a:outerShdw/></a:effectLst></a:rPr><a:t>text box"
        "</a:t></a:r></a:p></p:txBody></p:sp>";
    recipe.slides.push_back(slideXml(title + body + box));
    auto p = open(recipe, "text");
    auto t = shapeOf(*p, 1, 1);
    EXPECT_EQ(t->type(), host::shape_type::kPlaceholder);
    EXPECT_EQ(t->placeholderType(), host::placeholder::kTitle);
    // Place from the layout: 254000 EMU = 20 pt, 127000 = 10 pt, 6350000 = 500 pt, 1270000 = 100.
    EXPECT_FLOAT_EQ(t->left(), 20);
    EXPECT_FLOAT_EQ(t->top(), 10);
    EXPECT_FLOAT_EQ(t->width(), 500);
    EXPECT_FLOAT_EQ(t->height(), 100);
    auto frame = t->textFrame();
    EXPECT_EQ(frame->verticalAnchor(), host::anchor::kBottom);  // the layout's bodyPr
    auto range = frame->textRange();
    EXPECT_EQ(range->text(), "Hello world");
    EXPECT_EQ(range->runCount(), 2);
    // Run 1: the layout's 40 pt bold over the master's 44 pt, the theme's major font (Cambria)
    // and tx1 (black); run 2 its own size, italic and colour.
    auto f1 = range->runs(1)->font();
    EXPECT_FLOAT_EQ(f1->size(), 40);
    EXPECT_EQ(f1->bold(), host::kTrue);
    EXPECT_EQ(f1->italic(), host::kFalse);
    EXPECT_EQ(f1->name(), "Cambria");
    EXPECT_EQ(f1->colorRgb(), hex(0x000000));
    auto f2 = range->runs(2)->font();
    EXPECT_FLOAT_EQ(f2->size(), 20);
    EXPECT_EQ(f2->italic(), host::kTrue);
    EXPECT_EQ(f2->colorRgb(), hex(0xFF0000));
    EXPECT_EQ(range->font()->italic(), host::kMixed);
    EXPECT_EQ(range->paragraphFormat()->alignment(), host::alignment::kCenter);
    EXPECT_EQ(range->characters(7, 1)->text(), "w");
    EXPECT_EQ(range->characters(7, 1)->font()->italic(), host::kTrue);

    auto b = shapeOf(*p, 1, 2);
    EXPECT_FLOAT_EQ(b->top(), 120);
    auto br = b->textFrame()->textRange();
    EXPECT_EQ(br->text(), "First\rSecond\vline\rThird\rPlain");
    EXPECT_EQ(br->length(), 29);
    EXPECT_EQ(br->paragraphCount(), 4);
    auto p1 = br->paragraphs(1);
    EXPECT_EQ(p1->text(), "First\r");
    EXPECT_EQ(p1->indentLevel(), 1);
    EXPECT_FLOAT_EQ(p1->font()->size(), 32);
    EXPECT_EQ(p1->font()->name(), "Calibri");
    auto bullet1 = p1->paragraphFormat()->bullet();
    EXPECT_EQ(bullet1->type(), host::bullet_type::kUnnumbered);
    EXPECT_EQ(bullet1->character(), U'\u2022');
    EXPECT_EQ(bullet1->useTextFont(), host::kFalse);
    EXPECT_EQ(bullet1->font()->name(), "Arial");
    EXPECT_EQ(bullet1->useTextColor(), host::kTrue);
    EXPECT_FLOAT_EQ(p1->paragraphFormat()->leftIndent(), 27);
    EXPECT_FLOAT_EQ(p1->paragraphFormat()->firstLineIndent(), -27);
    auto p2 = br->paragraphs(2);
    EXPECT_EQ(p2->indentLevel(), 2);
    EXPECT_FLOAT_EQ(p2->font()->size(), 28);
    EXPECT_EQ(p2->paragraphFormat()->bullet()->character(), U'\u2013');
    EXPECT_EQ(p2->runCount(), 3);  // text, line break, text
    auto p3 = br->paragraphs(3);
    auto bullet3 = p3->paragraphFormat()->bullet();
    EXPECT_EQ(bullet3->type(), host::bullet_type::kNumbered);
    EXPECT_EQ(bullet3->style(), host::numbering_style::kRomanUpperPeriod);
    EXPECT_EQ(bullet3->startValue(), 3);
    EXPECT_EQ(bullet3->useTextColor(), host::kFalse);
    EXPECT_EQ(bullet3->font()->colorRgb(), hex(0x00FF00));
    EXPECT_EQ(bullet3->font()->name(), "Cambria");
    EXPECT_FLOAT_EQ(bullet3->font()->size(), 16);
    EXPECT_EQ(br->paragraphs(4)->paragraphFormat()->bullet()->type(), host::bullet_type::kNone);
    // Past the last paragraph the host gives the last one again.
    EXPECT_EQ(br->paragraphs(9)->text(), "Plain");

    auto x = shapeOf(*p, 1, 3);
    EXPECT_EQ(x->type(), host::shape_type::kTextBox);
    auto xf = x->textFrame();
    EXPECT_FLOAT_EQ(xf->marginLeft(), 0);
    EXPECT_FLOAT_EQ(xf->marginRight(), 7.2f);
    EXPECT_EQ(xf->wordWrap(), host::kFalse);
    EXPECT_EQ(xf->autoSize(), host::auto_size::kTextToFitShape);
    EXPECT_FLOAT_EQ(xf->fontScale(), 0.625f);
    EXPECT_FLOAT_EQ(xf->lineSpacingReduction(), 0.2f);
    auto xfont = xf->textRange()->font();
    EXPECT_EQ(xfont->name(), "Arial");
    EXPECT_EQ(xfont->nameFarEast(), "MS Mincho");  // presentation default: +mn-ea
    EXPECT_FLOAT_EQ(xfont->size(), 18 * 0.625f);   // presentation default, as drawn (autofit)
    EXPECT_EQ(xfont->shadow(), host::kTrue);
}

TEST(Text, LinkedRunsTakeTheLinkColourAndAnUnderline) {
    struct Case {
        const char* rPr;
        int colour;
        bool underlined;
        int bulletColour;  // the bullet follows the colour the run states
    };
    const Case cases[] = {
        // A plain run, then links: to a slide, over the run's own colour, one that keeps the
        // text's colour, and one that does nothing.
        {"<a:rPr/>", 0x000000, false, 0x000000},
        {"<a:rPr><a:hlinkClick r:id=\"\" action=\"ppaction://hlinkshowjump?jump=nextslide\"/>"
         "</a:rPr>",
         0x0000FF, true, 0x000000},
        {"<a:rPr u=\"dbl\"><a:solidFill><a:srgbClr val=\"FF0000\"/></a:solidFill>"
         "<a:hlinkClick r:id=\"rId99\"/></a:rPr>",
         0x0000FF, true, 0xFF0000},
        {"<a:rPr><a:solidFill><a:srgbClr val=\"FF0000\"/></a:solidFill><a:hlinkClick r:id=\"\" "
         "action=\"ppaction://hlinkshowjump?jump=firstslide\"><a:extLst><a:ext "
         "uri=\"{A12FA001-AC4F-418D-AE19-62706E023703}\"><ahyp:hlinkClr "
         "xmlns:ahyp=\"http://schemas.microsoft.com/office/drawing/2018/hyperlinkcolor\" "
         "val=\"tx\"/></a:ext></a:extLst></a:hlinkClick></a:rPr>",
         0xFF0000, true, 0xFF0000},
        {"<a:rPr><a:hlinkClick r:id=\"\" action=\"ppaction://noaction\"/></a:rPr>", 0x000000, false,
         0x000000},
    };
    std::string paragraphs;
    for (const Case& c : cases) {
        paragraphs += std::string("<a:p><a:pPr><a:buChar char=\"-\"/></a:pPr><a:r>") + c.rPr +
                      "<a:t>x</a:t></a:r></a:p>";
    }
    DeckRecipe recipe;
    recipe.slides.push_back(slideXml(rect(2, "Links", 0, 0, 254000, 254000, "", paragraphs)));
    auto p = open(recipe, "links");
    auto range = shapeOf(*p, 1, 1)->textFrame()->textRange();
    ASSERT_EQ(range->paragraphCount(), static_cast<int>(std::size(cases)));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].rPr);
        auto paragraph = range->paragraphs(static_cast<int>(i) + 1);
        auto font = paragraph->runs(1)->font();
        EXPECT_EQ(font->colorRgb(), hex(cases[i].colour));
        EXPECT_EQ(font->underline(), cases[i].underlined ? host::kTrue : host::kFalse);
        EXPECT_EQ(paragraph->paragraphFormat()->bullet()->font()->colorRgb(),
                  hex(cases[i].bulletColour));
    }
}

TEST(Timing, TransitionsMapToEntryEffects) {
    struct Case {
        std::string xml;
        int effect;
        int speed;
    };
    std::vector<Case> cases = {
        {"<p:transition spd=\"slow\"><p:wipe dir=\"u\"/></p:transition>", 2818, 1},
        {"<p:transition spd=\"med\"><p:blinds dir=\"vert\"/></p:transition>", 770, 2},
        {"<p:transition><p:cover dir=\"rd\"/></p:transition>", 1288, 3},
        {"<p:transition><p:split orient=\"vert\" dir=\"in\"/></p:transition>", 3588, 3},
        {"<p:transition><p:zoom dir=\"in\"/></p:transition>", 3074, 3},
        {"<p:transition><p:strips dir=\"ld\"/></p:transition>", 2567, 3},
        {"<p:transition><p:checker/></p:transition>", 1025, 3},
        {"<p:transition><p:random/></p:transition>", 513, 3},
        {"<p:transition><p:fade/></p:transition>", 3849, 3},
        {"<p:transition><p:wheel spokes=\"8\"/></p:transition>", 3861, 3},
        {"<p:transition><p:wheel spokes=\"5\"/></p:transition>", 3860, 3},
        {"<mc:AlternateContent xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/"
         "2006\" xmlns:p14=\"http://schemas.microsoft.com/office/powerpoint/2010/main\">"
         "<mc:Choice Requires=\"p14\"><p:transition spd=\"slow\" p14:dur=\"1600\"><p14:vortex "
         "dir=\"r\"/></p:transition></mc:Choice><mc:Fallback><p:transition spd=\"slow\">"
         "<p:dissolve/></p:transition></mc:Fallback></mc:AlternateContent>",
         1537, 1},
        {"<mc:AlternateContent xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/"
         "2006\" xmlns:p14=\"http://schemas.microsoft.com/office/powerpoint/2010/main\">"
         "<mc:Choice Requires=\"p14\"><p:transition spd=\"slow\" p14:dur=\"500\"><p14:prism/>"
         "</p:transition></mc:Choice></mc:AlternateContent>",
         0, 3},
    };
    DeckRecipe recipe;
    for (const Case& c : cases) recipe.slides.push_back(slideXml("", c.xml));
    recipe.slides.push_back(slideXml("", "", "", " show=\"0\""));
    auto p = open(recipe, "transitions");
    for (std::size_t i = 0; i < cases.size(); ++i) {
        auto t = p->slides()->item(static_cast<int>(i) + 1)->transition();
        EXPECT_EQ(t->entryEffect(), cases[i].effect) << cases[i].xml;
        EXPECT_EQ(t->speed(), cases[i].speed) << cases[i].xml;
        EXPECT_EQ(t->hidden(), host::kFalse);
    }
    auto last = p->slides()->item(static_cast<int>(cases.size()) + 1)->transition();
    EXPECT_EQ(last->entryEffect(), host::effect::kNone);
    EXPECT_EQ(last->hidden(), host::kTrue);
}

std::string effect(int id, int presetId, int subtype, const std::string& nodeType, int spid,
                   int delay) {
    return "<p:par><p:cTn id=\"" + std::to_string(id) + "\" presetID=\"" +
           std::to_string(presetId) + "\" presetClass=\"entr\" presetSubtype=\"" +
           std::to_string(subtype) + "\" fill=\"hold\" nodeType=\"" + nodeType +
           "\"><p:stCondLst><p:cond delay=\"" + std::to_string(delay) +
           "\"/></p:stCondLst><p:childTnLst><p:set><p:cBhvr><p:cTn id=\"" +
           std::to_string(id + 100) + "\" dur=\"1\"/><p:tgtEl><p:spTgt spid=\"" +
           std::to_string(spid) + "\"/></p:tgtEl></p:cBhvr></p:set></p:childTnLst></p:cTn></p:par>";
}

std::string group(const std::string& nodeType, const std::string& delay, const std::string& inner) {
    return "<p:par><p:cTn id=\"90\" fill=\"hold\" nodeType=\"" + nodeType +
           "\"><p:stCondLst><p:cond delay=\"" + delay + "\"/></p:stCondLst><p:childTnLst>" + inner +
           "</p:childTnLst></p:cTn></p:par>";
}

TEST(Timing, NewerEntrancesTakeTheNearestClassicEffect) {
    namespace fx = host::effect;
    const std::pair<int, int> cases[] = {
        {10, fx::kFadeSmoothly},  {42, fx::kFadeSmoothly},  {31, fx::kZoomIn},
        {53, fx::kZoomIn},        {55, fx::kStretchAcross}, {26, fx::kFlyFromTop},
        {37, fx::kFlyFromBottom}, {25, fx::kSwivel},        {999, fx::kAppear}};
    for (const auto& [preset, code] : cases) {
        EXPECT_EQ(pptx::entranceEffectCode(preset, 0), code) << preset;
    }
}

TEST(Timing, EntranceAnimationsGiveEffectModeTimeAndOrder) {
    std::string shapes = rect(2, "A", 0, 0, 1, 1) + rect(3, "B", 0, 0, 1, 1) +
                         rect(4, "C", 0, 0, 1, 1) + rect(5, "D", 0, 0, 1, 1) +
                         rect(6, "E", 0, 0, 1, 1);
    std::string sequence =
        group("clickPar", "indefinite",
              group("withGroup", "0", effect(10, 2, 8, "clickEffect", 3, 0))) +
        group("clickPar", "indefinite",
              group("withGroup", "0",
                    effect(11, 22, 1, "clickEffect", 2, 0) +
                        effect(12, 10, 0, "withEffect", 4, 500)) +
                  group("afterGroup", "1000", effect(13, 1, 0, "afterEffect", 5, 250))) +
        // An exit effect and a second entrance of B are not entrances of their own.
        "<p:par><p:cTn id=\"20\" presetID=\"10\" presetClass=\"exit\" nodeType=\"clickEffect\">"
        "<p:childTnLst><p:set><p:cBhvr><p:cTn id=\"21\"/><p:tgtEl><p:spTgt spid=\"6\"/></p:tgtEl>"
        "</p:cBhvr></p:set></p:childTnLst></p:cTn></p:par>" +
        group("clickPar", "indefinite",
              group("withGroup", "0", effect(14, 9, 0, "clickEffect", 3, 0)));
    std::string timing =
        "<p:timing><p:tnLst><p:par><p:cTn id=\"1\" dur=\"indefinite\" nodeType=\"tmRoot\">"
        "<p:childTnLst><p:seq concurrent=\"1\" nextAc=\"seek\"><p:cTn id=\"2\" "
        "dur=\"indefinite\" nodeType=\"mainSeq\"><p:childTnLst>" +
        sequence +
        "</p:childTnLst></p:cTn></p:seq></p:childTnLst></p:cTn></p:par></p:tnLst></p:timing>";
    DeckRecipe recipe;
    recipe.slides.push_back(slideXml(shapes, timing));
    auto p = open(recipe, "animations");
    auto anim = [&](int shape) { return shapeOf(*p, 1, shape)->animationSettings(); };
    auto b = anim(2);  // shape id 3: fly in from the left, on click, first
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->entryEffect(), host::effect::kFlyFromLeft);
    EXPECT_EQ(b->advanceMode(), host::advance_mode::kOnClick);
    EXPECT_EQ(b->animationOrder(), 1);
    auto a = anim(1);  // id 2: wipe from the top, on click, second
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->entryEffect(), host::effect::kWipeDown);
    EXPECT_EQ(a->animationOrder(), 2);
    auto c = anim(3);  // id 4: fade with the previous after 0.5 s
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->entryEffect(), host::effect::kFadeSmoothly);
    EXPECT_EQ(c->advanceMode(), host::advance_mode::kOnTime);
    EXPECT_FLOAT_EQ(c->advanceTime(), 0.5f);
    EXPECT_EQ(c->animationOrder(), 3);
    // id 5: appear after the previous: its own 0.25 s (the 1 s group offset is the time of the
    // effects before it, which the show waits for anyway)
    auto d = anim(4);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->entryEffect(), host::effect::kAppear);
    EXPECT_EQ(d->advanceMode(), host::advance_mode::kOnTime);
    EXPECT_FLOAT_EQ(d->advanceTime(), 0.25f);
    EXPECT_EQ(anim(5), nullptr);  // only an exit
}

TEST(Geometry, GroupsFreeformsLinesAndAdjustments) {
    std::string groupXml =
        "<p:grpSp><p:nvGrpSpPr><p:cNvPr id=\"10\" name=\"Group\"/><p:cNvGrpSpPr/><p:nvPr/>"
        "</p:nvGrpSpPr><p:grpSpPr><a:xfrm rot=\"5400000\"><a:off x=\"1270000\" y=\"635000\"/>"
        "<a:ext cx=\"2540000\" cy=\"1270000\"/><a:chOff x=\"0\" y=\"0\"/><a:chExt "
        "cx=\"1270000\" cy=\"1270000\"/></a:xfrm></p:grpSpPr>" +
        rect(11, "Member", 127000, 254000, 635000, 127000) + "</p:grpSp>";
    std::string freeform = bareShape(
        20, "Free",
        xfrm(0, 0, 1270000, 1270000) +
            "<a:custGeom><a:pathLst><a:path w=\"100\" h=\"100\"><a:moveTo><a:pt x=\"0\" y=\"0\"/>"
            "</a:moveTo><a:lnTo><a:pt x=\"100\" y=\"0\"/></a:lnTo><a:cubicBezTo><a:pt x=\"100\" "
            "y=\"50\"/><a:pt x=\"50\" y=\"100\"/><a:pt x=\"0\" y=\"100\"/></a:cubicBezTo><a:close/>"
            "</a:path></a:pathLst></a:custGeom>");
    std::string line =
        "<p:cxnSp><p:nvCxnSpPr><p:cNvPr id=\"30\" name=\"Line\"/><p:cNvCxnSpPr/><p:nvPr/>"
        "</p:nvCxnSpPr><p:spPr><a:xfrm flipH=\"1\"><a:off x=\"127000\" y=\"127000\"/><a:ext "
        "cx=\"254000\" cy=\"127000\"/></a:xfrm><a:prstGeom prst=\"straightConnector1\">"
        "<a:avLst/></a:prstGeom><a:ln w=\"12700\"><a:solidFill><a:srgbClr val=\"000000\"/>"
        "</a:solidFill><a:tailEnd type=\"triangle\"/></a:ln></p:spPr></p:cxnSp>";
    std::string para = rect(40, "Para", 0, 0, 2540000, 1270000, "", "",
                            "parallelogram");  // 200 x 100 pt, default adj 25000
    std::string callout = bareShape(
        50, "Callout",
        xfrm(0, 0, 1270000, 635000) +
            "<a:prstGeom prst=\"wedgeRectCallout\"><a:avLst><a:gd name=\"adj1\" fmla=\"val "
            "-70000\"/><a:gd name=\"adj2\" fmla=\"val 80000\"/></a:avLst></a:prstGeom>");
    std::string table =
        "<p:graphicFrame><p:nvGraphicFramePr><p:cNvPr id=\"60\" name=\"Table\"/>"
        "<p:cNvGraphicFramePr/><p:nvPr/></p:nvGraphicFramePr><p:xfrm><a:off x=\"0\" y=\"0\"/>"
        "<a:ext cx=\"12700\" cy=\"12700\"/></p:xfrm><a:graphic><a:graphicData "
        "uri=\"http://schemas.openxmlformats.org/drawingml/2006/table\"><a:tbl/></a:graphicData>"
        "</a:graphic></p:graphicFrame>";
    DeckRecipe recipe;
    recipe.slides.push_back(
        slideXml(groupXml + freeform + line + para + callout + table +
                 rect(70, "Hidden", 0, 0, 1, 1).replace(std::string("<p:sp>").size() + 40, 0, "")));
    auto p = open(recipe, "geometry");
    auto g = shapeOf(*p, 1, 1);
    EXPECT_EQ(g->type(), host::shape_type::kGroup);
    EXPECT_FLOAT_EQ(g->rotation(), 90);
    EXPECT_FLOAT_EQ(g->left(), 100);
    EXPECT_FLOAT_EQ(g->width(), 200);
    auto members = g->groupItems();
    ASSERT_NE(members, nullptr);
    ASSERT_EQ(members->count(), 1);
    auto m = members->item(1);
    // Child space is stretched twice across: unrotated the member spans x 120..220, y 70..80,
    // centre (170, 75), which is (-30, -25) from the group's centre (200, 100). A quarter turn
    // clockwise takes that to (25, -30): centre (225, 70), and the member turns with the group.
    EXPECT_FLOAT_EQ(m->left(), 175);
    EXPECT_FLOAT_EQ(m->top(), 65);
    EXPECT_FLOAT_EQ(m->width(), 100);
    EXPECT_FLOAT_EQ(m->height(), 10);
    EXPECT_FLOAT_EQ(m->rotation(), 90);
    EXPECT_EQ(m->horizontalFlip(), host::kFalse);

    auto f = shapeOf(*p, 1, 2);
    EXPECT_EQ(f->type(), host::shape_type::kFreeform);
    auto nodes = f->nodes();
    ASSERT_EQ(nodes.size(), 5u);
    EXPECT_FLOAT_EQ(nodes[1].x, 100);
    EXPECT_EQ(nodes[1].segmentType, host::segment::kLine);
    EXPECT_EQ(nodes[2].segmentType, host::segment::kCurve);
    EXPECT_FLOAT_EQ(nodes[3].x, 50);
    EXPECT_FLOAT_EQ(nodes[3].y, 100);
    EXPECT_EQ(f->vertexCount(), 6);

    auto l = shapeOf(*p, 1, 3);
    EXPECT_EQ(l->type(), host::shape_type::kLine);
    EXPECT_EQ(l->connector(), host::kTrue);
    auto ln = l->nodes();
    ASSERT_EQ(ln.size(), 2u);
    EXPECT_FLOAT_EQ(ln[0].x, 30);  // flipped: runs from the right end to the left
    EXPECT_FLOAT_EQ(ln[0].y, 10);
    EXPECT_FLOAT_EQ(ln[1].x, 10);
    EXPECT_FLOAT_EQ(ln[1].y, 20);
    EXPECT_EQ(l->line()->endArrowheadStyle(), host::arrowhead::kTriangle);
    EXPECT_EQ(l->hasTextFrame(), host::kFalse);

    auto para2 = shapeOf(*p, 1, 4);
    EXPECT_EQ(para2->autoShapeType(), host::shape_kind::kParallelogram);
    ASSERT_EQ(para2->adjustments().size(), 1u);
    // 25 % of the shorter side (100 pt) is 25 pt, an eighth of the 200 pt width.
    EXPECT_FLOAT_EQ(para2->adjustments()[0], 0.125f);

    auto c = shapeOf(*p, 1, 5);
    EXPECT_EQ(c->autoShapeType(), host::shape_kind::kRectangularCallout);
    ASSERT_EQ(c->adjustments().size(), 2u);
    EXPECT_FLOAT_EQ(c->adjustments()[0], -0.2f);
    EXPECT_FLOAT_EQ(c->adjustments()[1], 1.3f);

    auto t = shapeOf(*p, 1, 6);
    EXPECT_EQ(t->type(), host::shape_type::kTable);
    // A table without rows or columns has no parts to show.
    ASSERT_NE(t->groupItems(), nullptr);
    EXPECT_EQ(t->groupItems()->count(), 0);
    EXPECT_EQ(t->hasTextFrame(), host::kFalse);
}

TEST(Geometry, FlippedGroupMirrorsItsMembers) {
    // A 200 x 100 pt group flipped across, child space 1:1; its member is 50 x 20 pt at the
    // group's top-left corner, turned 30 degrees.
    std::string member = bareShape(11, "M",
                                   xfrm(0, 0, 635000, 254000, " rot=\"1800000\"") +
                                       "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom>");
    std::string group =
        "<p:grpSp><p:nvGrpSpPr><p:cNvPr id=\"10\" name=\"G\"/><p:cNvGrpSpPr/><p:nvPr/>"
        "</p:nvGrpSpPr><p:grpSpPr><a:xfrm flipH=\"1\"><a:off x=\"0\" y=\"0\"/><a:ext "
        "cx=\"2540000\" cy=\"1270000\"/><a:chOff x=\"0\" y=\"0\"/><a:chExt cx=\"2540000\" "
        "cy=\"1270000\"/></a:xfrm></p:grpSpPr>" +
        member + "</p:grpSp>";
    DeckRecipe recipe;
    recipe.slides.push_back(slideXml(group));
    auto p = open(recipe, "flipped-group");
    auto g = shapeOf(*p, 1, 1);
    ASSERT_NE(g->groupItems(), nullptr);
    auto m = g->groupItems()->item(1);
    // The centre (25, 10) mirrors about x = 100 to (175, 10); the turn mirrors to -30.
    EXPECT_FLOAT_EQ(m->left(), 150);
    EXPECT_FLOAT_EQ(m->top(), 0);
    EXPECT_FLOAT_EQ(m->width(), 50);
    EXPECT_FLOAT_EQ(m->height(), 20);
    EXPECT_FLOAT_EQ(m->rotation(), 330);
    EXPECT_EQ(m->horizontalFlip(), host::kTrue);
    EXPECT_EQ(m->verticalFlip(), host::kFalse);
}

// A diagram shape's own text box turns with the shape and then by its own rot about its centre:
// a hexagon turned a quarter with its text turned back reads across. The 100 pt square shape
// stands at the slide's corner; its text box (40 x 20 pt) is centred at (cx, 50).
TEST(Geometry, DiagramTextBoxTurnsOnTopOfItsShape) {
    struct Case {
        int shapeRot, textRot;  // 60000ths of a degree
        double cx;              // the text box centre across, points
        float turn;             // the text's own turn reported with its frame
        double drawnX, drawnY;  // the laid-out text centre, to be turned about (50, 50)
    };
    const Case cases[] = {
        {5400000, -5400000, 50, 270, 50, 50},  // concentric: back to upright
        {0, 5400000, 80, 90, 50, 20},          // off centre: (80, 50) turned back to (50, 20)
        {1800000, 0, 80, 0, 80, 50},           // no own turn: the box as written
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "rot " << c.shapeRot << " text " << c.textRot);
        const long long offX = std::llround((c.cx - 20) * 12700);
        std::string drawing =
            "<dsp:drawing xmlns:dsp=\"http://schemas.microsoft.com/office/drawing/2008/diagram\" " +
            std::string(test::kNamespaces) +
            "><dsp:spTree><dsp:nvGrpSpPr><dsp:cNvPr id=\"0\" name=\"\"/><dsp:cNvGrpSpPr/>"
            "</dsp:nvGrpSpPr><dsp:grpSpPr/><dsp:sp modelId=\"{1}\"><dsp:nvSpPr><dsp:cNvPr "
            "id=\"0\" name=\"\"/><dsp:cNvSpPr/></dsp:nvSpPr><dsp:spPr><a:xfrm rot=\"" +
            std::to_string(c.shapeRot) +
            "\"><a:off x=\"0\" y=\"0\"/><a:ext cx=\"1270000\" cy=\"1270000\"/></a:xfrm>"
            "<a:prstGeom prst=\"hexagon\"><a:avLst/></a:prstGeom></dsp:spPr><dsp:txBody>"
            "<a:bodyPr lIns=\"0\" tIns=\"0\" rIns=\"0\" bIns=\"0\" anchor=\"ctr\"/><a:p><a:pPr "
            "algn=\"ctr\"/><a:r><a:rPr sz=\"1000\"/><a:t>ab</a:t></a:r></a:p></dsp:txBody>"
            "<dsp:txXfrm rot=\"" +
            std::to_string(c.textRot) + "\"><a:off x=\"" + std::to_string(offX) +
            "\" y=\"508000\"/><a:ext cx=\"508000\" cy=\"254000\"/></dsp:txXfrm></dsp:sp>"
            "</dsp:spTree></dsp:drawing>";
        std::string frame =
            "<p:graphicFrame><p:nvGraphicFramePr><p:cNvPr id=\"8\" name=\"D\"/>"
            "<p:cNvGraphicFramePr/><p:nvPr/></p:nvGraphicFramePr><p:xfrm><a:off x=\"0\" "
            "y=\"0\"/><a:ext cx=\"1270000\" cy=\"1270000\"/></p:xfrm><a:graphic><a:graphicData "
            "uri=\"http://schemas.openxmlformats.org/drawingml/2006/diagram\"><dgm:relIds "
            "xmlns:dgm=\"http://schemas.openxmlformats.org/drawingml/2006/diagram\" r:dm=\"rId3\" "
            "r:lo=\"rId9\" r:qs=\"rId9\" r:cs=\"rId9\"/></a:graphicData></a:graphic>"
            "</p:graphicFrame>";
        DeckRecipe recipe;
        recipe.slides.push_back(slideXml(frame));
        recipe.replace["ppt/slides/_rels/slide1.xml.rels"] =
            test::relsXml({{"rId1", "slideLayout", "../slideLayouts/slideLayout1.xml"},
                           {"rId6", "diagramDrawing", "../diagrams/drawing1.xml"}});
        recipe.extra.push_back({"ppt/diagrams/drawing1.xml", drawing});
        auto p = open(recipe, "diagram-text-turn");
        auto g = shapeOf(*p, 1, 1);
        ASSERT_NE(g->groupItems(), nullptr);
        auto m = g->groupItems()->item(1);
        ASSERT_NE(m, nullptr);
        auto frameOfText = m->textFrame();
        ASSERT_NE(frameOfText, nullptr);
        EXPECT_NEAR(frameOfText->rotation(), c.turn, 1e-3);
        auto range = frameOfText->textRange();
        ASSERT_NE(range, nullptr);
        EXPECT_NEAR(range->boundLeft() + range->boundWidth() / 2, c.drawnX, 0.5);
        EXPECT_NEAR(range->boundTop() + range->boundHeight() / 2, c.drawnY, 0.5);
    }
}

TEST(Geometry, PresetsWithoutAvLstReportTheirDefaultAdjustments) {
    // 200 x 100 pt shapes without adjustments of their own.
    std::vector<std::string> presets = {"rightArrow",
                                        "arc",
                                        "blockArc",
                                        "star5",
                                        "hexagon",
                                        "flowChartProcess",
                                        "wedgeRoundRectCallout",
                                        "uturnArrow",
                                        "can"};
    std::string shapes;
    for (std::size_t i = 0; i < presets.size(); ++i) {
        shapes +=
            rect(static_cast<int>(i) + 2, presets[i], 0, 0, 2540000, 1270000, "", "", presets[i]);
    }
    // One with an avLst that sets only the second guide.
    shapes += bareShape(40, "Pie",
                        xfrm(0, 0, 1270000, 1270000) +
                            "<a:prstGeom prst=\"pie\"><a:avLst><a:gd name=\"adj2\" fmla=\"val "
                            "5400000\"/></a:avLst></a:prstGeom>");
    DeckRecipe recipe;
    recipe.slides.push_back(slideXml(shapes));
    auto p = open(recipe, "preset-defaults");
    auto adj = [&](int shape) { return shapeOf(*p, 1, shape)->adjustments(); };
    using V = std::vector<float>;
    EXPECT_EQ(adj(1), (V{0.5f, 0.5f}));
    // arc: 16200000 and 0 sixty-thousandths of a degree.
    EXPECT_EQ(adj(2), (V{-90.0f, 0.0f}));
    EXPECT_EQ(adj(3), (V{180.0f, 0.0f, 0.25f}));
    EXPECT_EQ(adj(4), (V{0.19098f}));
    // hexagon 25000 of the shorter side (100 pt) is 25 pt, an eighth of the width.
    EXPECT_EQ(adj(5), (V{0.125f}));
    EXPECT_TRUE(adj(6).empty());
    // Tip -20833, 62500 from the centre; corner 16667.
    auto callout = adj(7);
    ASSERT_EQ(callout.size(), 3u);
    EXPECT_NEAR(callout[0], 0.29167f, 1e-5);
    EXPECT_NEAR(callout[1], 1.125f, 1e-5);
    EXPECT_NEAR(callout[2], 0.16667f, 1e-5);
    EXPECT_EQ(adj(8), (V{0.25f, 0.25f, 0.25f, 0.4375f, 0.75f}));
    // can: 25000 of 100 pt on a 200 pt width.
    EXPECT_EQ(adj(9), (V{0.125f}));
    EXPECT_EQ(adj(10), (V{0.0f, 90.0f}));
}

TEST(Geometry, HiddenShapesAreLeftOut) {
    std::string hidden =
        "<p:sp><p:nvSpPr><p:cNvPr id=\"2\" name=\"H\" hidden=\"1\"/><p:cNvSpPr/><p:nvPr/>"
        "</p:nvSpPr><p:spPr/></p:sp>";
    DeckRecipe recipe;
    recipe.slides.push_back(slideXml(hidden + rect(3, "V", 0, 0, 1, 1)));
    auto p = open(recipe, "hidden");
    ASSERT_EQ(p->slides()->item(1)->shapes()->count(), 1);
    EXPECT_EQ(shapeOf(*p, 1, 1)->name(), "V");
}

// A picture's blipFill may sit inside mc:AlternateContent; the Fallback is read before the Choice.
TEST(Geometry, PictureFillInsideAlternateContent) {
    auto alternate = [](const std::string& branches) {
        return "<mc:AlternateContent "
               "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\">" +
               branches + "</mc:AlternateContent>";
    };
    auto fill = [](const char* rid) {
        return std::string("<p:blipFill><a:blip r:embed=\"") + rid +
               "\"/><a:stretch/></p:blipFill>";
    };
    struct Case {
        std::string fill;
        bool drawn;
    };
    const Case cases[] = {
        {alternate("<mc:Choice Requires=\"x\">" + fill("rId9") + "</mc:Choice><mc:Fallback>" +
                   fill("rId2") + "</mc:Fallback>"),
         true},
        {alternate("<mc:Choice Requires=\"x\">" + fill("rId2") + "</mc:Choice>"), true},
        {alternate("<mc:Choice Requires=\"x\">" + fill("rId2") + "</mc:Choice><mc:Fallback/>"),
         false},
    };
    DeckRecipe recipe;
    for (const Case& c : cases) {
        recipe.slides.push_back(slideXml(
            "<p:pic><p:nvPicPr><p:cNvPr id=\"5\" name=\"P\"/><p:cNvPicPr/><p:nvPr/></p:nvPicPr>" +
            c.fill + "<p:spPr>" + test::xfrm(0, 0, 254000, 127000) +
            "<a:prstGeom prst=\"rect\"/></p:spPr></p:pic>"));
    }
    recipe.extra.push_back({"ppt/media/image1.png", test::onePixelPng()});
    auto p = open(recipe, "alternate-picture");
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        auto picture = shapeOf(*p, static_cast<int>(i) + 1, 1)->picture();
        EXPECT_EQ(picture != nullptr, cases[i].drawn) << "case " << i;
        if (picture) {
            EXPECT_EQ(picture->name(), "ppt/media/image1.png") << "case " << i;
        }
    }
}

TEST(Masters, DecoratedLayoutsAreFoldedOntoTheSlide) {
    DeckRecipe recipe;
    recipe.masterShapes = rect(5, "MasterBar", 0, 0, 12700, 12700,
                               "<a:solidFill><a:srgbClr val=\"0000FF\"/></a:solidFill>");
    recipe.layoutShapes = rect(6, "LayoutLogo", 0, 0, 12700, 12700);
    recipe.layoutBackground =
        "<p:bg><p:bgPr><a:solidFill><a:srgbClr val=\"00FF00\"/></a:solidFill></p:bgPr></p:bg>";
    recipe.slides.push_back(slideXml(rect(2, "Own", 0, 0, 1, 1)));
    recipe.slides.push_back(slideXml(rect(2, "Own", 0, 0, 1, 1), "", "", " showMasterSp=\"0\""));
    auto p = open(recipe, "folded");
    ASSERT_NE(p->slideMaster(), nullptr);
    EXPECT_EQ(p->slideMaster()->name(), "SlideMaster");
    EXPECT_EQ(p->slideMaster()->shapes()->count(), 1);
    EXPECT_EQ(p->titleMaster(), nullptr);  // the layout is not a title layout
    auto s = p->slides()->item(1);
    EXPECT_EQ(s->displayMasterShapes(), host::kFalse);
    EXPECT_EQ(s->followMasterBackground(), host::kFalse);
    EXPECT_NE(s->master()->name(), "SlideMaster");
    EXPECT_EQ(s->background()->foreColorRgb(), hex(0x00FF00));
    ASSERT_EQ(s->shapes()->count(), 3);
    EXPECT_EQ(s->shapes()->item(1)->name(), "MasterBar");
    EXPECT_EQ(s->shapes()->item(2)->name(), "LayoutLogo");
    EXPECT_EQ(s->shapes()->item(3)->name(), "Own");
    // A slide that hides master shapes gets no decoration copies.
    EXPECT_EQ(p->slides()->item(2)->shapes()->count(), 1);
}

TEST(Masters, ColourMapOverrideRecoloursMasterDecorationAndBackground) {
    DeckRecipe recipe;
    recipe.masterBackground =
        "<p:bg><p:bgPr><a:solidFill><a:schemeClr val=\"bg1\"/></a:solidFill></p:bgPr></p:bg>";
    recipe.masterShapes = rect(5, "Band", 0, 0, 100, 100,
                               "<a:solidFill><a:schemeClr val=\"accent1\"/></a:solidFill>");
    recipe.slides.push_back(slideXml(""));
    recipe.slides.push_back(slideXml("", kSwapMap));
    // An override that maps exactly as the master does changes nothing.
    std::string identity = recipe.clrMap;
    identity.replace(0, std::string("<p:clrMap").size(), "<a:overrideClrMapping");
    recipe.slides.push_back(slideXml("", "<p:clrMapOvr>" + identity + "</p:clrMapOvr>"));
    auto p = open(recipe, "colour-map-override");
    auto plain = p->slides()->item(1);
    EXPECT_EQ(plain->displayMasterShapes(), host::kTrue);
    EXPECT_EQ(plain->followMasterBackground(), host::kTrue);
    EXPECT_EQ(plain->shapes()->count(), 0);
    EXPECT_EQ(p->slideMaster()->shapes()->item(1)->fill()->foreColorRgb(), hex(0x4F81BD));
    EXPECT_EQ(plain->background()->foreColorRgb(), hex(0xFFFFFF));

    // The theme's accent2 is C0504D and dk1 is black: the slide shows the band and the
    // background in those, so it carries them itself.
    auto swapped = p->slides()->item(2);
    EXPECT_EQ(swapped->displayMasterShapes(), host::kFalse);
    EXPECT_EQ(swapped->followMasterBackground(), host::kFalse);
    ASSERT_EQ(swapped->shapes()->count(), 1);
    EXPECT_EQ(swapped->shapes()->item(1)->name(), "Band");
    EXPECT_EQ(swapped->shapes()->item(1)->fill()->foreColorRgb(), hex(0xC0504D));
    EXPECT_EQ(swapped->background()->foreColorRgb(), 0);
    // The master itself keeps its colours.
    EXPECT_EQ(p->slideMaster()->shapes()->item(1)->fill()->foreColorRgb(), hex(0x4F81BD));

    auto same = p->slides()->item(3);
    EXPECT_EQ(same->displayMasterShapes(), host::kTrue);
    EXPECT_EQ(same->shapes()->count(), 0);
}

TEST(Masters, ColourMapOverrideRecoloursFoldedLayoutDecoration) {
    DeckRecipe recipe;
    recipe.layoutShapes = rect(7, "Stripe", 0, 0, 100, 100,
                               "<a:solidFill><a:schemeClr val=\"accent1\"/></a:solidFill>");
    recipe.layoutBackground =
        "<p:bg><p:bgPr><a:solidFill><a:schemeClr val=\"tx2\"/></a:solidFill></p:bgPr></p:bg>";
    recipe.slides.push_back(slideXml(""));
    recipe.slides.push_back(slideXml("", kSwapMap));
    auto p = open(recipe, "colour-map-override-layout");
    auto plain = p->slides()->item(1);
    ASSERT_EQ(plain->shapes()->count(), 1);
    EXPECT_EQ(plain->shapes()->item(1)->fill()->foreColorRgb(), hex(0x4F81BD));
    EXPECT_EQ(plain->background()->foreColorRgb(), hex(0x1F497D));  // tx2 -> dk2
    auto swapped = p->slides()->item(2);
    ASSERT_EQ(swapped->shapes()->count(), 1);
    EXPECT_EQ(swapped->shapes()->item(1)->fill()->foreColorRgb(), hex(0xC0504D));
    EXPECT_EQ(swapped->background()->foreColorRgb(), hex(0xEEECE1));  // tx2 -> lt2
}

TEST(Masters, TitleLayoutBecomesTheTitleMaster) {
    DeckRecipe recipe;
    recipe.layoutType = "title";
    recipe.masterShapes = rect(5, "MasterBar", 0, 0, 12700, 12700);
    recipe.layoutShapes = rect(6, "TitleArt", 0, 0, 12700, 12700);
    recipe.slides.push_back(slideXml(rect(2, "Own", 0, 0, 1, 1)));
    recipe.slides.push_back(slideXml(
        rect(2, "Own", 0, 0, 1, 1), "",
        "<p:bg><p:bgPr><a:solidFill><a:srgbClr val=\"123456\"/></a:solidFill></p:bgPr></p:bg>"));
    auto p = open(recipe, "titlemaster");
    auto tm = p->titleMaster();
    ASSERT_NE(tm, nullptr);
    EXPECT_EQ(tm->name(), "TitleMaster");
    ASSERT_EQ(tm->shapes()->count(), 2);
    EXPECT_EQ(tm->shapes()->item(1)->name(), "MasterBar");
    EXPECT_EQ(tm->shapes()->item(2)->name(), "TitleArt");
    EXPECT_FLOAT_EQ(tm->width(), 720);
    auto s = p->slides()->item(1);
    EXPECT_EQ(s->master()->name(), "TitleMaster");
    EXPECT_EQ(s->displayMasterShapes(), host::kTrue);
    EXPECT_EQ(s->followMasterBackground(), host::kTrue);
    EXPECT_EQ(s->shapes()->count(), 1);
    auto s2 = p->slides()->item(2);
    EXPECT_EQ(s2->followMasterBackground(), host::kFalse);
    EXPECT_EQ(s2->background()->foreColorRgb(), hex(0x123456));
}

// A title layout that hides the master's shapes still shows its own: the title record holds
// them without the master's, and its slides display it.
TEST(Masters, TitleLayoutHidingTheMasterShowsItsOwnShapes) {
    DeckRecipe recipe;
    recipe.layoutType = "title";
    recipe.layoutAttributes = "showMasterSp=\"0\"";
    recipe.masterShapes = rect(5, "MasterBar", 0, 0, 12700, 12700);
    recipe.layoutShapes = rect(6, "TitleArt", 0, 0, 12700, 12700);
    recipe.slides.push_back(slideXml(rect(2, "Own", 0, 0, 1, 1)));
    recipe.slides.push_back(slideXml(rect(2, "Own", 0, 0, 1, 1), "", "", " showMasterSp=\"0\""));
    auto p = open(recipe, "titlemaster-hiding");
    auto tm = p->titleMaster();
    ASSERT_NE(tm, nullptr);
    ASSERT_EQ(tm->shapes()->count(), 1);
    EXPECT_EQ(tm->shapes()->item(1)->name(), "TitleArt");
    EXPECT_EQ(p->slides()->item(1)->displayMasterShapes(), host::kTrue);
    EXPECT_EQ(p->slides()->item(2)->displayMasterShapes(), host::kFalse)
        << "the slide's own choice";
}

TEST(Operations, EditCopyPasteAddSlidesAndSave) {
    DeckRecipe recipe;
    recipe.slides.push_back(
        slideXml(rect(2, "A", 0, 0, 1270000, 635000, "<a:noFill/>",
                      "<a:p><a:r><a:t>one</a:t></a:r></a:p><a:p><a:r><a:t>two</a:t></a:r></a:p>") +
                 rect(3, "B", 0, 0, 12700, 12700)));
    std::string path = writeDeck(recipe, "operations");
    auto app = openApplication(path);
    auto p = app->activePresentation();
    EXPECT_EQ(p->saved(), host::kTrue);
    EXPECT_EQ(p->name(), "operations.pptx");
    auto slide = p->slides()->item(1);
    auto a = slide->shapes()->item(1);

    // Delete text: "e", the paragraph mark and "t" go, and the two paragraphs join.
    auto whole = a->textFrame()->textRange();
    EXPECT_EQ(whole->characters(4, 1)->text(), "\r");
    whole->characters(3, 3)->deleteText();
    EXPECT_EQ(a->textFrame()->textRange()->text(), "onwo");
    // Ranges taken before the edit see the new text too.
    EXPECT_EQ(whole->characters(3, 1)->text(), "w");
    EXPECT_EQ(a->textFrame()->textRange()->paragraphCount(), 1);
    EXPECT_EQ(p->saved(), host::kFalse);
    a->textFrame()->textRange()->deleteText();
    EXPECT_EQ(a->textFrame()->hasText(), host::kFalse);

    // Colours: setting the fill colour of a shape without fill keeps it without fill.
    a->fill()->setForeColorRgb(hex(0xABCDEF));
    EXPECT_EQ(a->fill()->visible(), host::kFalse);
    EXPECT_EQ(a->fill()->foreColorRgb(), hex(0xABCDEF));
    a->line()->setForeColorRgb(hex(0x010203));
    EXPECT_EQ(a->line()->foreColorRgb(), hex(0x010203));

    // Position and size.
    a->setLeft(50);
    a->setTop(60);
    a->setLockAspectRatio(host::kFalse);
    a->setWidth(300);
    a->setHeight(40);
    EXPECT_FLOAT_EQ(a->left(), 50);
    EXPECT_FLOAT_EQ(a->top(), 60);
    EXPECT_FLOAT_EQ(a->width(), 300);
    EXPECT_FLOAT_EQ(a->height(), 40);

    // Copy onto a new presentation's blank slide.
    a->copy();
    auto scratch = app->presentations()->add(host::kFalse);
    ASSERT_NE(scratch, nullptr);
    EXPECT_EQ(scratch->slides()->count(), 0);
    scratch->pageSetup()->setSlideSize(host::slide_size::kCustom);
    scratch->pageSetup()->setSlideWidth(82);
    scratch->pageSetup()->setSlideHeight(82);
    auto blank = scratch->slides()->add(1, host::layout::kBlank);
    ASSERT_NE(blank, nullptr);
    EXPECT_FLOAT_EQ(scratch->slideMaster()->width(), 82);
    blank->setFollowMasterBackground(host::kFalse);
    blank->background()->setForeColorRgb(hex(0x05FA76));
    EXPECT_EQ(blank->background()->foreColorRgb(), hex(0x05FA76));
    EXPECT_EQ(scratch->slideMaster()->background()->foreColorRgb(), hex(0xFFFFFF));
    auto pasted = blank->shapes()->paste();
    ASSERT_NE(pasted, nullptr);
    EXPECT_EQ(blank->shapes()->count(), 1);
    EXPECT_FLOAT_EQ(pasted->width(), 300);
    pasted->setWidth(10);
    EXPECT_FLOAT_EQ(a->width(), 300);  // the copy is its own
    EXPECT_EQ(app->activePresentation(), p);
    scratch->close();
    EXPECT_EQ(app->presentations()->count(), 1);

    // Delete shapes from the last to the first; follow-master flags.
    for (int i = slide->shapes()->count(); i >= 1; --i) slide->shapes()->item(i)->deleteShape();
    EXPECT_EQ(slide->shapes()->count(), 0);
    slide->setDisplayMasterShapes(host::kFalse);
    EXPECT_EQ(slide->displayMasterShapes(), host::kFalse);
    auto added = p->slides()->add(2, host::layout::kTitle);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(p->slides()->count(), 2);
    EXPECT_EQ(added->slideIndex(), 2);
    EXPECT_EQ(added->followMasterBackground(), host::kTrue);

    // A copy of the changed presentation: the file is written, and opening it in this
    // application shows the edits; the copy and the original then change apart.
    std::string copyPath = testing::TempDir() + "/operations_quillet_tmp.pptx";
    std::filesystem::remove(copyPath);
    ASSERT_TRUE(p->saveCopyAs(copyPath, host::save_format::kPresentation, -2));
    EXPECT_TRUE(std::filesystem::exists(copyPath));
    EXPECT_EQ(p->saved(), host::kFalse);
    EXPECT_EQ(p->fullName(), std::filesystem::absolute(path).lexically_normal().string());
    auto copy = app->presentations()->open(copyPath, 0, 0, host::kTrue);
    ASSERT_NE(copy, nullptr) << app->presentations()->lastError();
    EXPECT_EQ(copy->saved(), host::kTrue);
    ASSERT_EQ(copy->slides()->count(), 2);
    EXPECT_EQ(copy->slides()->item(1)->shapes()->count(), 0);
    EXPECT_EQ(copy->slides()->item(1)->displayMasterShapes(), host::kFalse);
    copy->slides()->add(3, host::layout::kBlank);
    EXPECT_EQ(copy->slides()->count(), 3);
    EXPECT_EQ(p->slides()->count(), 2);
    copy->close();
    // The file itself holds the package as it was read: another application sees that.
    auto other = openApplication(copyPath)->activePresentation();
    EXPECT_EQ(other->slides()->count(), 1);
    EXPECT_EQ(other->slides()->item(1)->shapes()->count(), 2);
    // Once the file is replaced, this application reads it from disk again.
    std::filesystem::remove(copyPath);
    std::filesystem::copy_file(path, copyPath);
    auto fresh = app->presentations()->open(copyPath, 0, 0, host::kTrue);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->slides()->count(), 1);
    fresh->close();
    std::filesystem::remove(copyPath);

    // Saving keeps the edits for the file in this application.
    EXPECT_TRUE(p->save());
    EXPECT_EQ(p->saved(), host::kTrue);
    auto again = app->presentations()->open(path, 0, 0, host::kTrue);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->slides()->count(), 2);
}

TEST(Operations, NewPresentationSavesAReadablePackage) {
    auto app = createApplication();
    auto scratch = app->presentations()->add(host::kFalse);
    EXPECT_EQ(scratch->saved(), host::kFalse);
    EXPECT_FALSE(scratch->save());  // no file yet
    scratch->pageSetup()->setSlideSize(host::slide_size::kCustom);
    scratch->pageSetup()->setSlideWidth(82);
    scratch->pageSetup()->setSlideHeight(100);
    scratch->slides()->add(1, host::layout::kBlank);
    std::string path = testing::TempDir() + "/scratch_quillet_tmp.pptx";
    std::filesystem::remove(path);
    ASSERT_TRUE(scratch->saveCopyAs(path, host::save_format::kPresentation, -2));
    // Any reader sees an empty presentation of that size.
    auto plain = openApplication(path)->activePresentation();
    EXPECT_FLOAT_EQ(plain->pageSetup()->slideWidth(), 82);
    EXPECT_FLOAT_EQ(plain->pageSetup()->slideHeight(), 100);
    EXPECT_EQ(plain->slides()->count(), 0);
    // This application sees the slide it added.
    auto mine = app->presentations()->open(path, 0, 0, host::kFalse);
    ASSERT_NE(mine, nullptr);
    EXPECT_EQ(mine->slides()->count(), 1);
    std::filesystem::remove(path);
}

TEST(Operations, CopyAndPasteBetweenOpenedPresentationsKeepsThePicture) {
    DeckRecipe recipe;
    std::string pic =
        "<p:pic><p:nvPicPr><p:cNvPr id=\"5\" name=\"P\"/><p:cNvPicPr/><p:nvPr/></p:nvPicPr>"
        "<p:blipFill><a:blip r:embed=\"rId2\"/><a:stretch/></p:blipFill><p:spPr><a:xfrm><a:off "
        "x=\"0\" y=\"0\"/><a:ext cx=\"254000\" cy=\"127000\"/></a:xfrm><a:prstGeom "
        "prst=\"rect\"/></p:spPr></p:pic>";
    recipe.slides.push_back(slideXml(pic));
    recipe.extra.push_back({"ppt/media/image1.png", test::onePixelPng()});
    auto app = openApplication(writeDeck(recipe, "paste-source"));
    auto source = app->activePresentation();
    DeckRecipe empty;
    empty.slides.push_back(slideXml(""));
    auto target = app->presentations()->open(writeDeck(empty, "paste-target"), 0, 0, host::kTrue);
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->slides()->item(1)->shapes()->paste(), nullptr);  // nothing copied yet
    source->slides()->item(1)->shapes()->item(1)->copy();
    auto pasted = target->slides()->item(1)->shapes()->paste();
    ASSERT_NE(pasted, nullptr);
    EXPECT_EQ(pasted->type(), host::shape_type::kPicture);
    ASSERT_NE(pasted->picture(), nullptr);
    auto bytes = pasted->picture()->data();
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), test::onePixelPng());
    EXPECT_FLOAT_EQ(pasted->width(), 20);
    EXPECT_EQ(target->saved(), host::kFalse);
    EXPECT_EQ(source->saved(), host::kTrue);
    // Deleting the pasted shape leaves the source alone.
    pasted->deleteShape();
    EXPECT_EQ(target->slides()->item(1)->shapes()->count(), 0);
    EXPECT_EQ(source->slides()->item(1)->shapes()->count(), 1);
}

TEST(Operations, SaveCopyOfAnUnchangedPresentationOpensAgain) {
    DeckRecipe recipe;
    recipe.slides.push_back(slideXml(rect(2, "A", 0, 0, 12700, 12700)));
    auto app = openApplication(writeDeck(recipe, "savecopy"));
    auto p = app->activePresentation();
    std::string copy = testing::TempDir() + "/savecopy_quillet_tmp.pptx";
    ASSERT_TRUE(p->saveCopyAs(copy, host::save_format::kPresentation, -2));
    auto opened = app->presentations()->open(copy, 0, 0, host::kTrue);
    ASSERT_NE(opened, nullptr) << app->presentations()->lastError();
    EXPECT_EQ(opened->slides()->count(), 1);
    EXPECT_EQ(app->activePresentation(), opened);
    EXPECT_EQ(p->saved(), host::kTrue);
    opened->close();
    std::filesystem::remove(copy);
}

}  // namespace
}  // namespace quillet::pptx
