// Outer shadows of shapes: read from the shape's effect list, its style's theme effect or its
// placeholders, and drawn under the shape offset, in colour and alpha, blurred; hostile values
// stay bounded.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

#include "host/pptx/package.h"
#include "host/pptx/pptx_host.h"
#include "host/pptx/reader.h"
#include "host/pptx/render/renderer.h"
#include "host/pptx/render/shadows.h"
#include "test_deck.h"
#include "test_render.h"

namespace quillet::pptx::render {
namespace {

using test::kEmu;
using test::kNoLine;
using test::solid;

std::string shadow(const std::string& attrs, const std::string& color =
                                                 "<a:srgbClr "
                                                 "val=\"FF0000\"/>") {
    return "<a:effectLst><a:outerShdw " + attrs + ">" + color + "</a:outerShdw></a:effectLst>";
}

// A black 100 × 100 point square at (100, 100), without outline, with extra spPr and p:style.
std::string square(const std::string& spPrExtra, const std::string& style = "") {
    std::string s = test::rect(2, "S", 100 * kEmu, 100 * kEmu, 100 * kEmu, 100 * kEmu,
                               solid("000000") + kNoLine + spPrExtra);
    if (!style.empty()) s.insert(s.rfind("</p:sp>"), "<p:style>" + style + "</p:style>");
    return s;
}

// The square turned a quarter clockwise.
std::string turned(const std::string& spPrExtra) {
    std::string s = square(spPrExtra);
    s.replace(s.find("<a:xfrm"), 7, "<a:xfrm rot=\"5400000\"");
    return s;
}

constexpr const char* kHalfGreen = "<a:srgbClr val=\"00FF00\"><a:alpha val=\"50000\"/></a:srgbClr>";

// The test theme with effect styles: 1 none, 2 a blue shadow 8 points down, 3 phClr 6 right.
std::string themeWithEffects() {
    std::string theme = test::themeXml();
    std::string list =
        "<a:effectStyleLst><a:effectStyle><a:effectLst/></a:effectStyle>"
        "<a:effectStyle><a:effectLst><a:outerShdw dist=\"101600\" dir=\"5400000\" "
        "rotWithShape=\"0\"><a:srgbClr val=\"0000FF\"/></a:outerShdw></a:effectLst>"
        "</a:effectStyle><a:effectStyle><a:effectLst><a:outerShdw dist=\"76200\" dir=\"0\">"
        "<a:schemeClr val=\"phClr\"><a:alpha val=\"50000\"/></a:schemeClr></a:outerShdw>"
        "</a:effectLst></a:effectStyle></a:effectStyleLst>";
    theme.replace(theme.find("<a:effectStyleLst/>"), 19, list);
    return theme;
}

struct Rendered {
    std::shared_ptr<PresentationData> deck;
    Surface picture;
    const Shape& shape(std::size_t i = 0) const { return *deck->slides.at(0)->shapes->items.at(i); }
};

// Slides of 720 × 540 points drawn at one pixel per point.
Rendered render(const std::string& shapes, const std::string& layoutShapes = "") {
    test::DeckRecipe recipe;
    recipe.slides = {test::slideXml(shapes)};
    recipe.layoutShapes = layoutShapes;
    recipe.replace["ppt/theme/theme1.xml"] = themeWithEffects();
    Rendered r;
    r.deck = readPresentation(Package::openMemory(test::makeDeck(recipe)));
    Renderer renderer;
    r.picture = renderer.renderSlide(*r.deck, *r.deck->slides.at(0), 720, 540);
    return r;
}

int red(unsigned p) {
    return static_cast<int>((p >> 16) & 0xFF);
}
int green(unsigned p) {
    return static_cast<int>((p >> 8) & 0xFF);
}
int blue(unsigned p) {
    return static_cast<int>(p & 0xFF);
}

TEST(ShadowModel, ReadsEveryAttributeWithColourTransforms) {
    Rendered r =
        render(square(shadow("blurRad=\"50800\" dist=\"38100\" dir=\"2700000\" "
                             "sx=\"90000\" sy=\"-50000\" kx=\"600000\" ky=\"-1200000\" "
                             "algn=\"tl\" rotWithShape=\"0\"",
                             "<a:srgbClr val=\"336699\"><a:alpha val=\"40000\"/>"
                             "</a:srgbClr>")));
    const ShadowData& s = r.shape().shadow;
    ASSERT_TRUE(s.present);
    EXPECT_EQ(s.color.rgb, 0x996633);  // red in the low byte
    EXPECT_NEAR(s.color.alpha, 0.4f, 1e-5);
    EXPECT_NEAR(s.blur, 4.0f, 1e-5);
    EXPECT_NEAR(s.distance, 3.0f, 1e-5);
    EXPECT_NEAR(s.direction, 45.0f, 1e-5);
    EXPECT_NEAR(s.scaleX, 0.9f, 1e-5);
    EXPECT_NEAR(s.scaleY, -0.5f, 1e-5);
    EXPECT_NEAR(s.skewX, 10.0f, 1e-5);
    EXPECT_NEAR(s.skewY, -20.0f, 1e-5);
    EXPECT_EQ(s.align, "tl");
    EXPECT_FALSE(s.rotateWithShape);

    // The defaults: bottom alignment, turning with the shape, no offset, no blur.
    r = render(square(shadow("")));
    ASSERT_TRUE(r.shape().shadow.present);
    EXPECT_EQ(r.shape().shadow.align, "b");
    EXPECT_TRUE(r.shape().shadow.rotateWithShape);
    EXPECT_EQ(r.shape().shadow.distance, 0.0f);
    EXPECT_EQ(r.shape().shadow.scaleX, 1.0f);
    EXPECT_EQ(r.shape().shadow.color.rgb, 0x0000FF);
}

TEST(ShadowModel, PicturesAndConnectorsCarryShadows) {
    std::string pic =
        "<p:pic><p:nvPicPr><p:cNvPr id=\"3\" name=\"P\"/><p:cNvPicPr/><p:nvPr/></p:nvPicPr>"
        "<p:blipFill><a:blip r:embed=\"rId2\"/><a:stretch><a:fillRect/></a:stretch></p:blipFill>"
        "<p:spPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"12700\" cy=\"12700\"/></a:xfrm>"
        "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom>" +
        shadow("dist=\"12700\"") + "</p:spPr></p:pic>";
    std::string cxn =
        "<p:cxnSp><p:nvCxnSpPr><p:cNvPr id=\"4\" name=\"L\"/><p:cNvCxnSpPr/><p:nvPr/>"
        "</p:nvCxnSpPr><p:spPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"127000\" cy=\"0\"/>"
        "</a:xfrm><a:prstGeom prst=\"line\"><a:avLst/></a:prstGeom><a:ln w=\"12700\">" +
        solid("000000") + "</a:ln>" + shadow("dist=\"25400\"") + "</p:spPr></p:cxnSp>";
    Rendered r = render(pic + cxn);
    EXPECT_TRUE(r.shape(0).shadow.present);
    EXPECT_NEAR(r.shape(0).shadow.distance, 1.0f, 1e-5);
    EXPECT_TRUE(r.shape(1).shadow.present);
    EXPECT_NEAR(r.shape(1).shadow.distance, 2.0f, 1e-5);
}

TEST(ShadowModel, ThemeEffectStyleByReference) {
    auto refs = [](int effect) {
        return "<a:lnRef idx=\"0\"><a:schemeClr val=\"accent1\"/></a:lnRef><a:fillRef "
               "idx=\"1\"><a:schemeClr val=\"accent1\"/></a:fillRef><a:effectRef idx=\"" +
               std::to_string(effect) +
               "\"><a:srgbClr val=\"00FF00\"/></a:effectRef><a:fontRef idx=\"minor\"/>";
    };
    Rendered r = render(square("", refs(2)));
    const ShadowData& s = r.shape().shadow;
    ASSERT_TRUE(s.present);
    EXPECT_EQ(s.color.rgb, 0xFF0000);  // 0000FF
    EXPECT_NEAR(s.distance, 8.0f, 1e-5);
    EXPECT_NEAR(s.direction, 90.0f, 1e-5);
    EXPECT_FALSE(s.rotateWithShape);
    // phClr is the reference's colour, with the entry's transforms.
    r = render(square("", refs(3)));
    ASSERT_TRUE(r.shape().shadow.present);
    EXPECT_EQ(r.shape().shadow.color.rgb, 0x00FF00);
    EXPECT_NEAR(r.shape().shadow.color.alpha, 0.5f, 1e-5);
    // idx 0, an entry without a shadow, and an index past the list: none.
    for (int idx : {0, 1, 4, -3, 2000000000}) {
        r = render(square("", refs(idx)));
        EXPECT_FALSE(r.shape().shadow.present) << idx;
    }
    // An explicit effect list, even an empty one, wins over the style.
    r = render(square("<a:effectLst/>", refs(2)));
    EXPECT_FALSE(r.shape().shadow.present);
    r = render(square(shadow("dist=\"12700\""), refs(2)));
    ASSERT_TRUE(r.shape().shadow.present);
    EXPECT_NEAR(r.shape().shadow.distance, 1.0f, 1e-5);
}

TEST(ShadowModel, PlaceholdersInheritTheLayoutsEffects) {
    auto placeholder = [](const std::string& spPr) {
        return "<p:sp><p:nvSpPr><p:cNvPr id=\"2\" name=\"T\"/><p:cNvSpPr/><p:nvPr><p:ph "
               "type=\"title\"/></p:nvPr></p:nvSpPr><p:spPr>" +
               spPr + "</p:spPr></p:sp>";
    };
    std::string layout = placeholder(
        "<a:xfrm><a:off x=\"1270000\" y=\"1270000\"/><a:ext cx=\"1270000\" cy=\"1270000\"/>"
        "</a:xfrm>" +
        solid("000000") + shadow("dist=\"50800\""));
    Rendered r = render(placeholder(""), layout);
    ASSERT_TRUE(r.shape().shadow.present);
    EXPECT_NEAR(r.shape().shadow.distance, 4.0f, 1e-5);
    // The slide's own empty list switches the inherited shadow off.
    r = render(placeholder("<a:effectLst/>"), layout);
    EXPECT_FALSE(r.shape().shadow.present);
}

// Where the shadow shows (red unless said) around a 100 × 100 point shape at (100, 100).
// What the host tells the movie's builder: a blurred or warped shadow needs pixels, a hard one is
// the silhouette moved; the reach holds offset and blur.
TEST(ShadowModel, HostReportsTheEffectsAndTheirReach) {
    test::DeckRecipe recipe;
    recipe.slides = {
        test::slideXml(square(shadow("blurRad=\"50800\" dist=\"38100\" dir=\"5400000\"")) +
                       square(shadow("dist=\"38100\" dir=\"0\"")) +
                       square(shadow("dist=\"38100\" sx=\"150000\"")) + square("") +
                       turned(shadow("dist=\"38100\" dir=\"0\"", kHalfGreen)) +
                       turned(shadow("dist=\"38100\" dir=\"0\" rotWithShape=\"0\"")))};
    recipe.replace["ppt/theme/theme1.xml"] = themeWithEffects();
    auto app = applicationFor(readPresentation(Package::openMemory(test::makeDeck(recipe))),
                              "effects.pptx");
    auto shapes = app->activePresentation()->slides()->item(1)->shapes();
    ASSERT_EQ(shapes->count(), 6);
    const host::ShapeEffects blurred = shapes->item(1)->effects();
    EXPECT_TRUE(blurred.raster);
    EXPECT_FALSE(blurred.hardShadow);
    EXPECT_GE(blurred.reach, 3.0f + 1.5f * 4.0f);  // offset and what the blur spreads
    const host::ShapeEffects hard = shapes->item(2)->effects();
    EXPECT_FALSE(hard.raster);
    EXPECT_TRUE(hard.hardShadow);
    EXPECT_NEAR(hard.shadowDx, 3.0f, 1e-4);
    EXPECT_NEAR(hard.shadowDy, 0.0f, 1e-4);
    EXPECT_GE(hard.reach, 3.0f);
    // Scaled by half as much again about the bottom: it reaches past half the square's side.
    const host::ShapeEffects scaled = shapes->item(3)->effects();
    EXPECT_TRUE(scaled.raster);
    EXPECT_GE(scaled.reach, 50.0f);
    const host::ShapeEffects none = shapes->item(4)->effects();
    EXPECT_FALSE(none.raster || none.hardShadow);
    EXPECT_EQ(none.reach, 0.0f);
    // A shadow that turns with its shape is offset in the turned frame; its colour and opacity
    // go with it.
    const host::ShapeEffects withShape = shapes->item(5)->effects();
    EXPECT_TRUE(withShape.hardShadow);
    EXPECT_NEAR(withShape.shadowDx, 0.0f, 1e-4);
    EXPECT_NEAR(withShape.shadowDy, 3.0f, 1e-4);
    EXPECT_EQ(withShape.shadowRgb, 0x00FF00);
    EXPECT_NEAR(withShape.shadowAlpha, 0.5f, 1e-4);
    const host::ShapeEffects onSlide = shapes->item(6)->effects();
    EXPECT_NEAR(onSlide.shadowDx, 3.0f, 1e-4);
    EXPECT_NEAR(onSlide.shadowDy, 0.0f, 1e-4);
    EXPECT_EQ(onSlide.shadowRgb, 0x0000FF);
    EXPECT_NEAR(onSlide.shadowAlpha, 1.0f, 1e-4);
}

// A glow, soft edges and a reflection are read from the effect list, their values held within
// bounds, and reported as effects that need pixels: a glow and a reflection with their reach,
// soft edges within the shape.
TEST(ShadowModel, GlowSoftEdgesAndReflectionsAreReadAndReported) {
    const auto effects = [](const std::string& list) {
        return square("<a:effectLst>" + list + "</a:effectLst>");
    };
    test::DeckRecipe recipe;
    recipe.slides = {test::slideXml(
        effects("<a:glow rad=\"127000\"><a:srgbClr val=\"FF0000\"><a:alpha val=\"50000\"/>"
                "</a:srgbClr></a:glow>") +
        effects("<a:softEdge rad=\"254000\"/>") +
        effects("<a:glow rad=\"-5\"><a:srgbClr val=\"FF0000\"/></a:glow><a:softEdge "
                "rad=\"99999999999999999\"/>") +
        effects("<a:glow rad=\"127000\"><a:srgbClr val=\"FF0000\"/></a:glow>" +
                std::string("<a:outerShdw dist=\"38100\"><a:srgbClr val=\"000000\"/>"
                            "</a:outerShdw>")) +
        effects("<a:reflection blurRad=\"12700\" stA=\"48000\" endA=\"300\" endPos=\"55000\" "
                "dist=\"25400\" dir=\"5400000\" sy=\"-90000\" algn=\"bl\" "
                "rotWithShape=\"0\"/>") +
        effects("<a:reflection stA=\"-7\" endPos=\"900000\" fadeDir=\"nonsense\" "
                "sy=\"-99999999999\"/>"))};
    auto deck = readPresentation(Package::openMemory(test::makeDeck(recipe)));
    const auto& shapes = deck->slides.at(0)->shapes->items;
    ASSERT_EQ(shapes.size(), 6u);
    EXPECT_TRUE(shapes[0]->glow.present);
    EXPECT_FLOAT_EQ(shapes[0]->glow.radius, 10);
    EXPECT_EQ(shapes[0]->glow.color.rgb, 0x0000FF);  // red in the low byte
    EXPECT_FLOAT_EQ(shapes[0]->glow.color.alpha, 0.5f);
    EXPECT_FALSE(shapes[1]->glow.present);
    EXPECT_FLOAT_EQ(shapes[1]->softEdge, 20);
    EXPECT_FLOAT_EQ(shapes[2]->glow.radius, 0);
    EXPECT_FLOAT_EQ(shapes[2]->softEdge, 7200);
    EXPECT_FALSE(shapes[3]->reflection.present);
    const ReflectionData& mirror = shapes[4]->reflection;
    ASSERT_TRUE(mirror.present);
    EXPECT_FLOAT_EQ(mirror.place.blur, 1);
    EXPECT_FLOAT_EQ(mirror.place.distance, 2);
    EXPECT_FLOAT_EQ(mirror.place.direction, 90);
    EXPECT_FLOAT_EQ(mirror.place.scaleX, 1);
    EXPECT_FLOAT_EQ(mirror.place.scaleY, -0.9f);
    EXPECT_EQ(mirror.place.align, "bl");
    EXPECT_FALSE(mirror.place.rotateWithShape);
    EXPECT_FLOAT_EQ(mirror.startAlpha, 0.48f);
    EXPECT_FLOAT_EQ(mirror.startPos, 0);
    EXPECT_FLOAT_EQ(mirror.endAlpha, 0.003f);
    EXPECT_FLOAT_EQ(mirror.endPos, 0.55f);
    EXPECT_FLOAT_EQ(mirror.fadeDirection, 90);
    // Out-of-range fractions and scales are held; an unreadable direction is the default's.
    const ReflectionData& wild = shapes[5]->reflection;
    EXPECT_FLOAT_EQ(wild.startAlpha, 0);
    EXPECT_FLOAT_EQ(wild.endPos, 1);
    EXPECT_FLOAT_EQ(wild.place.scaleY, -10);
    EXPECT_TRUE(std::isfinite(wild.fadeDirection));

    auto app = applicationFor(deck, "effects.pptx");
    auto hostShapes = app->activePresentation()->slides()->item(1)->shapes();
    const host::ShapeEffects glow = hostShapes->item(1)->effects();
    EXPECT_TRUE(glow.raster);
    EXPECT_GE(glow.reach, 15.0f);
    const host::ShapeEffects soft = hostShapes->item(2)->effects();
    EXPECT_TRUE(soft.raster);
    EXPECT_EQ(soft.reach, 0.0f);
    // A glow of no size shows nothing: the soft edges alone need pixels.
    EXPECT_TRUE(hostShapes->item(3)->effects().raster);
    EXPECT_EQ(hostShapes->item(3)->effects().reach, 0.0f);
    // With a glow, a hard shadow goes into the picture too.
    const host::ShapeEffects both = hostShapes->item(4)->effects();
    EXPECT_TRUE(both.raster);
    EXPECT_FALSE(both.hardShadow);
    EXPECT_GE(both.reach, 15.0f);
    // A reflection reaches past the square by its distance and its scaled side; one that stays
    // clear all along shows nothing.
    const host::ShapeEffects reflected = hostShapes->item(5)->effects();
    EXPECT_TRUE(reflected.raster);
    EXPECT_GE(reflected.reach, 2 + 0.9f * 100);
    EXPECT_FALSE(hostShapes->item(6)->effects().raster);
}

// A glow is a halo in its colour, strongest at the edge and gone past its radius; soft edges
// fade the shape from opaque inside to clear at its outline.
TEST(ShadowRender, GlowHaloAndSoftEdges) {
    std::string soft = square("<a:effectLst><a:softEdge rad=\"254000\"/></a:effectLst>");
    soft.replace(soft.find("<a:off x=\"") + 10, std::to_string(100 * kEmu).size(),
                 std::to_string(400 * kEmu));
    // A line has no area to fade: it keeps its edges.
    const std::string line =
        "<p:cxnSp><p:nvCxnSpPr><p:cNvPr id=\"5\" name=\"L\"/><p:cNvCxnSpPr/><p:nvPr/>"
        "</p:nvCxnSpPr><p:spPr>" +
        test::xfrm(100 * kEmu, 300 * kEmu, 400 * kEmu, 0) +
        "<a:prstGeom prst=\"line\"><a:avLst/></a:prstGeom><a:ln w=\"76200\">" + solid("000000") +
        "</a:ln><a:effectLst><a:softEdge rad=\"254000\"/></a:effectLst></p:spPr></p:cxnSp>";
    Rendered r =
        render(square("<a:effectLst><a:glow rad=\"127000\"><a:srgbClr val=\"FF0000\"/></a:glow>"
                      "</a:effectLst>") +
               soft + line);
    ASSERT_TRUE(r.picture);
    const auto at = [&](int x, int y) { return pixelRgb(r.picture.get(), x, y); };
    EXPECT_EQ(at(150, 150), 0x000000u);
    EXPECT_EQ(red(at(202, 150)), 255);
    EXPECT_LT(green(at(202, 150)), 90);  // most of the glow's colour at the edge
    EXPECT_GT(green(at(206, 150)), green(at(202, 150)));
    EXPECT_EQ(at(214, 150), 0xFFFFFFu);         // gone past the radius
    EXPECT_GT(green(at(401, 150)), 200);        // clear at the outline
    EXPECT_NEAR(green(at(410, 150)), 128, 50);  // half way at half the soft edge
    EXPECT_LT(green(at(430, 150)), 10);         // opaque inside
    EXPECT_EQ(at(450, 150), 0x000000u);
    EXPECT_EQ(at(300, 300), 0x000000u);
}

// A reflection mirrors the shape beyond its distance (the edge nearest the shape first), fades
// from its start to its end opacity along its length, and turns over with a flipped shape.
TEST(ShadowRender, ReflectionMirrorsAndFades) {
    // Red at the top, blue at the bottom.
    const auto split = [](const std::string& reflection, const std::string& flip = "") {
        std::string s =
            test::rect(2, "S", 100 * kEmu, 100 * kEmu, 100 * kEmu, 100 * kEmu,
                       "<a:gradFill><a:gsLst><a:gs pos=\"0\"><a:srgbClr val=\"FF0000\"/>"
                       "</a:gs><a:gs pos=\"100000\"><a:srgbClr val=\"0000FF\"/></a:gs>"
                       "</a:gsLst><a:lin ang=\"5400000\"/></a:gradFill>" +
                           std::string(kNoLine) + "<a:effectLst>" + reflection + "</a:effectLst>");
        if (!flip.empty()) s.replace(s.find("<a:xfrm>"), 8, "<a:xfrm " + flip + ">");
        return s;
    };
    constexpr const char* kMirror =
        "<a:reflection stA=\"100000\" endA=\"100000\" dist=\"127000\" dir=\"5400000\" "
        "sy=\"-100000\" algn=\"bl\"/>";
    struct Case {
        std::string shape;
        std::vector<test::Probe> probes;
        int tolerance;
    };
    const Case cases[] = {
        // Unfaded: blue just below the gap, red at the far end, nothing beyond.
        {split(kMirror),
         {{150, 205, 0xFFFFFF},
          {150, 212, 0x0000FF},
          {150, 308, 0xFF0000},
          {150, 312, 0xFFFFFF},
          {95, 250, 0xFFFFFF}},
         24},
        // Flipped upside down, the shape shows blue on top: its reflection starts red.
        {split(kMirror, "flipV=\"1\""), {{150, 212, 0xFF0000}, {150, 308, 0x0000FF}}, 24},
        // Half the height at half the opacity, gone from the middle on.
        {split("<a:reflection stA=\"50000\" endA=\"0\" endPos=\"50000\" dir=\"5400000\" "
               "sy=\"-100000\" algn=\"b\"/>"),
         {{150, 201, 0x8080FF}, {150, 250, 0xFFFFFF}, {150, 290, 0xFFFFFF}},
         12},
    };
    for (const Case& c : cases) {
        Rendered r = render(c.shape);
        ASSERT_TRUE(r.picture);
        std::vector<test::Probe> probes = c.probes;
        for (test::Probe& p : probes) p.tolerance = c.tolerance;
        test::expectPixels(r.picture.get(), probes);
    }
    // Blurred, the mirror image's edge is soft.
    Rendered blurred = render(
        split("<a:reflection blurRad=\"127000\" stA=\"100000\" endA=\"100000\" dist=\"127000\" "
              "dir=\"5400000\" sy=\"-100000\" algn=\"bl\"/>"));
    const unsigned edge = pixelRgb(blurred.picture.get(), 100, 260);
    EXPECT_GT(green(edge), 40);
    EXPECT_LT(green(edge), 215);
}

// Two black 50 × 100 point squares at x 100 and 250, y 100, in a group with the given effects.
std::string groupOfTwo(const std::string& effects) {
    const auto member = [](int id, int x) {
        return test::rect(id, "M", x * kEmu, 100 * kEmu, 50 * kEmu, 100 * kEmu,
                          solid("000000") + kNoLine);
    };
    return test::group(member(2, 100) + member(3, 250), 100 * kEmu, 100 * kEmu, 200 * kEmu,
                       100 * kEmu, "<a:effectLst>" + effects + "</a:effectLst>");
}

// A group's own effects are of its members drawn together: its shadow falls from each member and
// not from the space between them, its reflection mirrors them all; the host reports them as
// pixels and draws them alone, without the members, for the movie to put under them.
TEST(ShadowRender, GroupEffectsAreOfItsMembersTogether) {
    constexpr unsigned kRed = 0xFF0000, kWhite = 0xFFFFFF, kBlack = 0x000000;
    const std::string both =
        "<a:outerShdw dist=\"127000\" dir=\"0\"><a:srgbClr val=\"FF0000\"/></a:outerShdw>"
        "<a:reflection stA=\"100000\" endA=\"100000\" dir=\"5400000\" sy=\"-100000\" "
        "algn=\"bl\"/>";
    Rendered r = render(groupOfTwo(both));
    ASSERT_TRUE(r.picture);
    test::expectPixels(r.picture.get(), {{125, 150, kBlack},
                                         {155, 150, kRed},
                                         {305, 150, kRed},
                                         {200, 150, kWhite},
                                         {165, 150, kWhite},
                                         {125, 205, kBlack},
                                         {275, 295, kBlack},
                                         {200, 205, kWhite},
                                         {125, 305, kWhite}});
    EXPECT_TRUE(r.shape().reflection.present);

    test::DeckRecipe recipe;
    recipe.slides = {
        test::slideXml(groupOfTwo(both) + groupOfTwo("<a:softEdge rad=\"63500\"/>") + square(""))};
    auto app =
        applicationFor(readPresentation(Package::openMemory(test::makeDeck(recipe))), "group.pptx");
    auto shapes = app->activePresentation()->slides()->item(1)->shapes();
    const host::ShapeEffects effects = shapes->item(1)->effects();
    EXPECT_TRUE(effects.raster);
    EXPECT_FALSE(effects.hardShadow);
    EXPECT_GE(effects.reach, 100.0f);  // the reflection, a group's height below
    EXPECT_FALSE(shapes->item(2)->effects().raster);
    // Alone: the shadow and the reflection, not the members.
    const host::PixelPicture alone = shapes->item(1)->drawEffects(100, 100, 1, 220, 220);
    ASSERT_EQ(alone.pixels.size(), 220u * 220u);
    const auto argb = [&](int x, int y) {
        return alone.pixels[static_cast<std::size_t>(y) * 220 + static_cast<std::size_t>(x)];
    };
    EXPECT_EQ(argb(5, 50) >> 24, 0u);       // a member's place, left of its shadow
    EXPECT_EQ(argb(55, 50), 0xFFFF0000u);   // the shadow past the member
    EXPECT_EQ(argb(25, 105) >> 24, 0xFFu);  // the reflection
    EXPECT_EQ(argb(100, 50) >> 24, 0u);     // between the members
    // A group with no effects it draws (soft edges are not drawn for groups) leaves its picture
    // clear; other shapes draw none.
    const host::PixelPicture none = shapes->item(2)->drawEffects(100, 100, 1, 220, 220);
    EXPECT_TRUE(std::all_of(none.pixels.begin(), none.pixels.end(),
                            [](std::uint32_t p) { return p == 0; }));
    EXPECT_TRUE(shapes->item(3)->drawEffects(100, 100, 1, 220, 220).empty());

    // Groups nested as deep as a deck may go, each with all three effects, draw in a moment
    // (inner groups' effects are not drawn again for each outer one) and still show the members.
    std::string nested = groupOfTwo(both);
    for (int level = 0; level < 30; ++level) {
        nested = test::group(nested, 100 * kEmu, 100 * kEmu, 200 * kEmu, 100 * kEmu,
                             "<a:effectLst>" + both + "</a:effectLst>");
    }
    Rendered deep = render(nested);
    ASSERT_TRUE(deep.picture);
    EXPECT_EQ(pixelRgb(deep.picture.get(), 125, 150), kBlack);
}

TEST(ShadowRender, OffsetTurnedScaledFlippedAndFromTheTheme) {
    constexpr unsigned kRed = 0xFF0000, kWhite = 0xFFFFFF;
    // A shape turned 90 degrees clockwise: a shadow that turns with it moves down, one that
    // does not stays to the right.
    auto turned = [](const std::string& rot) {
        std::string s = square(shadow("dist=\"127000\" dir=\"0\" rotWithShape=\"" + rot + "\""));
        s.replace(s.find("<a:xfrm>"), 8, "<a:xfrm rot=\"5400000\">");
        return s;
    };
    // A right triangle with its right angle at the bottom left; the shadow 10 points left.
    auto triangle = [](bool flip) {
        std::string s =
            test::rect(2, "T", 100 * kEmu, 100 * kEmu, 100 * kEmu, 100 * kEmu,
                       solid("000000") + kNoLine + shadow("dist=\"127000\" dir=\"10800000\""), "",
                       "rtTriangle");
        if (flip) s.replace(s.find("<a:xfrm>"), 8, "<a:xfrm flipH=\"1\">");
        return s;
    };
    auto unfilled = [](const std::string& line) {
        return test::rect(2, "S", 100 * kEmu, 100 * kEmu, 100 * kEmu, 100 * kEmu,
                          "<a:noFill/>" + line + shadow("dist=\"127000\" dir=\"0\""));
    };
    const std::pair<std::string, std::vector<test::Probe>> cases[] = {
        // 10 points to the right, sharp: a band 10 pixels wide right of the square, under it.
        {square(shadow("dist=\"127000\" dir=\"0\"")),
         {{150, 150, 0x000000},
          {205, 150, kRed},
          {209, 150, kRed},
          {211, 150, kWhite},
          {205, 105, kRed},
          {150, 205, kWhite},
          {95, 150, kWhite}}},
        // 90 degrees is down (clockwise, y down); 225 degrees up and to the left.
        {square(shadow("dist=\"127000\" dir=\"5400000\"")),
         {{150, 205, kRed}, {150, 212, kWhite}, {205, 150, kWhite}}},
        {square(shadow("dist=\"179605\" dir=\"13500000\"")),
         {{95, 95, kRed},
          {88, 95, kWhite},
          {185, 95, kRed},
          {195, 95, kWhite},
          {205, 205, kWhite}}},
        {square("<a:effectLst/>"), {{205, 150, kWhite}}},
        // A shadow from the theme through the style: blue, 8 points down.
        {square("",
                "<a:lnRef idx=\"0\"/><a:fillRef idx=\"0\"/><a:effectRef idx=\"2\"/>"
                "<a:fontRef idx=\"minor\"/>"),
         {{150, 204, 0x0000FF}, {150, 210, kWhite}}},
        // Twice as wide about the left edge: it reaches 100 points past the shape's right; about
        // the centre 50 points each side.
        {square(shadow("sx=\"200000\" algn=\"l\"")), {{290, 150, kRed}, {95, 150, kWhite}}},
        {square(shadow("sx=\"200000\" algn=\"ctr\"")),
         {{60, 150, kRed}, {240, 150, kRed}, {255, 150, kWhite}}},
        {turned("1"), {{150, 205, kRed}, {205, 150, kWhite}}},
        {turned("0"), {{205, 150, kRed}, {150, 205, kWhite}}},
        // Mirrored, the slanted side faces left: its shadow shows beside it, the left edge clear.
        {triangle(false), {{95, 150, kRed}, {175, 120, kWhite}}},
        {triangle(true), {{95, 150, kWhite}, {175, 120, kRed}}},
        // No fill, no outline: nothing; an outline alone casts the outline's shadow only.
        {unfilled(kNoLine), {{205, 150, kWhite}}},
        {unfilled("<a:ln w=\"50800\">" + solid("000000") + "</a:ln>"),
         {{209, 150, kRed}, {150, 150, kWhite}}},
    };
    for (const auto& [shapes, probes] : cases) {
        SCOPED_TRACE(shapes);
        Rendered r = render(shapes);
        ASSERT_TRUE(r.picture);
        test::expectPixels(r.picture.get(), probes);
    }
    Rendered r = render(square(shadow(
        "dist=\"127000\"", "<a:srgbClr val=\"0000FF\"><a:alpha val=\"50000\"/></a:srgbClr>")));
    unsigned p = pixelRgb(r.picture.get(), 205, 150);
    EXPECT_NEAR(red(p), 128, 2);
    EXPECT_NEAR(green(p), 128, 2);
    EXPECT_EQ(blue(p), 255);
}

TEST(ShadowRender, BlurSoftensTheEdge) {
    // 20 points of blur, 30 to the right: the band fades out instead of ending sharply.
    Rendered r = render(square(shadow("blurRad=\"254000\" dist=\"381000\" dir=\"0\"")));
    // Along the shadow's right edge (x = 230): half intensity there, rising inside, falling out.
    int inside = 255 - green(pixelRgb(r.picture.get(), 215, 150));
    int edge = 255 - green(pixelRgb(r.picture.get(), 230, 150));
    int outside = 255 - green(pixelRgb(r.picture.get(), 245, 150));
    int far = 255 - green(pixelRgb(r.picture.get(), 270, 150));
    EXPECT_GT(inside, edge + 40);
    EXPECT_NEAR(edge, 128, 20);
    EXPECT_GT(edge, outside + 40);
    EXPECT_GT(outside, 0);
    EXPECT_EQ(far, 0);
    // Every colour in it is the shadow's: red stays full.
    EXPECT_EQ(red(pixelRgb(r.picture.get(), 230, 150)), 255);
}

// A clear width × height picture with an opaque rectangle of one colour.
Surface paintedRectangle(int width, int height, double x, double y, double w, double h, double r,
                         double g, double b) {
    Surface s(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    cairo_t* cr = cairo_create(s.get());
    cairo_set_source_rgb(cr, r, g, b);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
    cairo_destroy(cr);
    return s;
}

// A 40 × 20 picture: the left half opaque green, the right half transparent.
std::string halfTransparentPng() {
    Surface s = paintedRectangle(40, 20, 0, 0, 20, 20, 0, 1, 0);
    std::string out;
    cairo_surface_write_to_png_stream(
        s.get(),
        [](void* closure, const unsigned char* data, unsigned int length) {
            static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
            return CAIRO_STATUS_SUCCESS;
        },
        &out);
    return out;
}

TEST(ShadowRender, PicturesCastTheirAlpha) {
    std::string pic =
        "<p:pic><p:nvPicPr><p:cNvPr id=\"3\" name=\"P\"/><p:cNvPicPr/><p:nvPr/></p:nvPicPr>"
        "<p:blipFill><a:blip r:embed=\"rId2\"/><a:stretch><a:fillRect/></a:stretch></p:blipFill>"
        "<p:spPr><a:xfrm><a:off x=\"1270000\" y=\"1270000\"/><a:ext cx=\"2540000\" "
        "cy=\"1270000\"/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom>" +
        shadow("dist=\"127000\" dir=\"5400000\"", "<a:srgbClr val=\"0000FF\"/>") +
        "</p:spPr></p:pic>";
    test::DeckRecipe recipe;
    recipe.slides = {test::slideXml(pic)};
    recipe.extra = {{"ppt/media/image1.png", halfTransparentPng()}};
    auto deck = readPresentation(Package::openMemory(test::makeDeck(recipe)));
    Renderer renderer;
    Surface picture = renderer.renderSlide(*deck, *deck->slides.at(0), 720, 540);
    ASSERT_TRUE(picture);
    EXPECT_EQ(pixelRgb(picture.get(), 150, 150), 0x00FF00u);
    EXPECT_EQ(pixelRgb(picture.get(), 150, 205), 0x0000FFu);  // under the opaque half
    EXPECT_EQ(pixelRgb(picture.get(), 250, 205), 0xFFFFFFu);  // under the clear half
    EXPECT_EQ(pixelRgb(picture.get(), 250, 150), 0xFFFFFFu);
}

TEST(ShadowRender, HostileValuesStayBounded) {
    const char* hostile[] = {
        "blurRad=\"9223372036854775807\" dist=\"9223372036854775807\"",
        "blurRad=\"-5000000\" dist=\"-99999999999\" dir=\"-99999999999\"",
        "sx=\"0\" sy=\"0\"",
        "sx=\"-9999999999\" sy=\"99999999999\" kx=\"5400000\" ky=\"-5400000\"",
        "kx=\"5399999\" ky=\"5399999\" blurRad=\"127000000\"",
        "blurRad=\"NaN\" dist=\"inf\" dir=\"1e309\" sx=\"nan\" algn=\"zz\"",
        "blurRad=\"91440000\" sx=\"1000000\" sy=\"1000000\" algn=\"br\"",
    };
    for (const char* attrs : hostile) {
        // As a shadow and as a reflection, which stands where a shadow would.
        for (bool mirror : {false, true}) {
            const std::string effect =
                mirror ? "<a:effectLst><a:reflection " + std::string(attrs) +
                             " stA=\"99999999999\" endPos=\"-5\"/></a:effectLst>"
                       : shadow(attrs);
            Rendered r = render(square(effect));
            ASSERT_TRUE(r.picture) << attrs;
            // The shape itself still draws.
            EXPECT_EQ(pixelRgb(r.picture.get(), 150, 150), 0x000000u) << attrs;
            const ShadowData& s = mirror ? r.shape().reflection.place : r.shape().shadow;
            EXPECT_TRUE(std::isfinite(s.blur) && std::isfinite(s.distance) &&
                        std::isfinite(s.direction) && std::isfinite(s.scaleX))
                << attrs;
            EXPECT_GE(s.blur, 0.0f);
            EXPECT_LE(s.blur, 7200.0f);
        }
    }
}

TEST(ShadowRender, DirectDrawRejectsNonFiniteValues) {
    Surface target(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 64, 64));
    cairo_t* cr = cairo_create(target.get());
    Shape s;
    s.left = 8, s.top = 8, s.width = 16, s.height = 16;
    s.shadow.present = true;
    s.shadow.distance = 4;
    int calls = 0;
    auto paint = [&](cairo_t* m) {
        ++calls;
        cairo_rectangle(m, 0, 0, 16, 16);
        cairo_fill(m);
    };
    drawOuterShadow(cr, s, {}, 1, paint);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(cairo_status(cr), CAIRO_STATUS_SUCCESS);
    for (float bad : {NAN, INFINITY, -INFINITY}) {
        Shape t = s;
        t.shadow.blur = bad;
        drawOuterShadow(cr, t, {}, 1, paint);
        t = s;
        t.shadow.scaleX = bad;
        drawOuterShadow(cr, t, {}, 1, paint);
        t = s;
        t.shadow.skewY = bad;
        drawOuterShadow(cr, t, {}, 1, paint);
    }
    EXPECT_EQ(calls, 1);
    // Far off the surface: nothing is drawn at all.
    Shape far = s;
    far.left = 1e9f;
    drawOuterShadow(cr, far, {}, 1, paint);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(cairo_status(cr), CAIRO_STATUS_SUCCESS);
    cairo_destroy(cr);
}

TEST(ShadowBlur, SpreadsEvenlyAndKeepsTheSum) {
    Surface mask(cairo_image_surface_create(CAIRO_FORMAT_A8, 41, 41));
    cairo_surface_flush(mask.get());
    unsigned char* data = cairo_image_surface_get_data(mask.get());
    int stride = cairo_image_surface_get_stride(mask.get());
    for (int y = 15; y < 26; ++y) {
        for (int x = 15; x < 26; ++x) data[y * stride + x] = 255;
    }
    cairo_surface_mark_dirty(mask.get());
    long before = 0;
    for (int y = 0; y < 41; ++y) {
        for (int x = 0; x < 41; ++x) before += data[y * stride + x];
    }
    blurSurface(mask.get(), 2);
    long after = 0;
    for (int y = 0; y < 41; ++y) {
        for (int x = 0; x < 41; ++x) after += data[y * stride + x];
    }
    EXPECT_NEAR(static_cast<double>(after), static_cast<double>(before), before * 0.02);
    // Symmetric about the centre, falling off outwards, reaching 3 × 2 pixels past the edge.
    auto at = [&](int x, int y) { return static_cast<int>(data[y * stride + x]); };
    EXPECT_GE(at(20, 20), 240);
    EXPECT_EQ(at(14, 20), at(26, 20));
    EXPECT_EQ(at(20, 14), at(20, 26));
    EXPECT_GT(at(15, 20), at(13, 20));
    EXPECT_GT(at(13, 20), at(10, 20));
    EXPECT_GT(at(10, 20), 0);
    EXPECT_EQ(at(8, 20), 0);
    // Colour blurs channel by channel: an opaque red square spreads as red, its premultiplied
    // red equal to its alpha and nothing else mixed in.
    Surface argb = paintedRectangle(41, 41, 15, 15, 11, 11, 1, 0, 0);
    blurSurface(argb.get(), 2);
    const unsigned char* pixels = cairo_image_surface_get_data(argb.get());
    const int argbStride = cairo_image_surface_get_stride(argb.get());
    for (int x : {10, 13, 15, 20}) {
        std::uint32_t p;
        std::memcpy(&p, pixels + 20 * argbStride + x * 4, 4);
        EXPECT_EQ(p >> 24, (p >> 16) & 0xFF) << x;
        EXPECT_EQ(p & 0xFFFF, 0u) << x;
        EXPECT_EQ(p >> 24, static_cast<unsigned>(at(x, 20))) << x;  // as the alpha mask spread
    }
    // Surfaces of another format, and radius 0, are left alone.
    Surface rgb(cairo_image_surface_create(CAIRO_FORMAT_RGB24, 4, 4));
    blurSurface(rgb.get(), 3);
    blurSurface(nullptr, 3);
    int centre = at(15, 20);
    blurSurface(mask.get(), 0);
    EXPECT_EQ(at(15, 20), centre);
}

TEST(ShadowCorpus, CustomGeoTitlesCastTheThemesShadow) {
    std::filesystem::path file = test::corpusDecks() / "customGeo.pptx";
    if (!std::filesystem::exists(file)) GTEST_SKIP() << "corpus file missing: " << file;
    auto deck = readPresentation(Package::openFile(file.string()));
    const SlideData* found = nullptr;
    for (const auto& s : deck->slides) {
        if (s->partName.ends_with("/slide2.xml")) found = s.get();
    }
    ASSERT_NE(found, nullptr);
    const SlideData& slide = *found;
    const Shape* title = nullptr;
    for (const ShapePtr& s : slide.shapes->items) {
        if (s && s->name == "Title 2") title = s.get();
    }
    ASSERT_NE(title, nullptr);
    // effectRef idx 1: black at 38 %, 40000 EMU of blur, 20000 down.
    ASSERT_TRUE(title->shadow.present);
    EXPECT_EQ(title->shadow.color.rgb, 0);
    EXPECT_NEAR(title->shadow.color.alpha, 0.38f, 1e-3);
    EXPECT_NEAR(title->shadow.blur, 40000.0f / kEmu, 1e-3);
    EXPECT_NEAR(title->shadow.distance, 20000.0f / kEmu, 1e-3);
    EXPECT_NEAR(title->shadow.direction, 90.0f, 1e-3);
    EXPECT_FALSE(title->shadow.rotateWithShape);
    // Drawn: just under the title box the slide is darker than further down.
    Renderer renderer;
    int w = 960, h = static_cast<int>(std::lround(960 * deck->slideHeight / deck->slideWidth));
    Surface picture = renderer.renderSlide(*deck, slide, w, h);
    ASSERT_TRUE(picture);
    double k = w / deck->slideWidth;
    int x = static_cast<int>((title->left + title->width / 2) * k);
    int below = static_cast<int>((title->top + title->height + 1.5) * k);
    int clear = static_cast<int>((title->top + title->height + 8) * k);
    unsigned shaded = pixelRgb(picture.get(), x, below), plain = pixelRgb(picture.get(), x, clear);
    EXPECT_LT(green(shaded) + 10, green(plain)) << std::hex << shaded << " " << plain;
}

}  // namespace
}  // namespace quillet::pptx::render
