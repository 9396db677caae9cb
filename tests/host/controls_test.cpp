// ActiveX controls on a slide show as their stand-in pictures: the picture a newer file writes
// inside the control, or the image and place an older one keeps in the slide's VML drawing.
// Older embedded objects likewise keep their picture in that drawing only.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "host/pptx/package.h"
#include "host/pptx/reader.h"
#include "host/pptx/shapes.h"
#include "tests/host/test_deck.h"

namespace quillet::pptx {
namespace {

using test::DeckRecipe;
using test::relsXml;
using test::slideXml;

// A legacy drawing as the files write it, conditional brackets around the image data included.
std::string vmlDrawing(const std::string& spid, const std::string& style) {
    return "<xml xmlns:v=\"urn:schemas-microsoft-com:vml\" "
           "xmlns:o=\"urn:schemas-microsoft-com:office:office\">\n"
           " <v:shapetype id=\"_x0000_t201\" coordsize=\"21600,21600\"/><v:shape id=\"Player1\" "
           "o:spid=\"" +
           spid + "\" type=\"#_x0000_t201\"\n  style='" + style +
           "'>\n  <![if gte mso 9]><v:imagedata o:relid=\"rId1\" o:title=\"\"/>\n"
           "  <![endif]></v:shape></xml>";
}

std::string legacyControl(const std::string& spid, const std::string& name = "Player1") {
    return "<p:controls><p:control spid=\"" + spid + "\" name=\"" + name +
           "\" r:id=\"rId3\" imgW=\"1\" imgH=\"1\"/></p:controls>";
}

// The newer form: a control with its own picture, behind mc:AlternateContent.
const std::string kControlWithPicture =
    "<p:controls><mc:AlternateContent "
    "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\">"
    "<mc:Choice Requires=\"v\"><p:control spid=\"1025\" name=\"Player1\" r:id=\"rId3\"/>"
    "</mc:Choice><mc:Fallback><p:control name=\"Player1\" r:id=\"rId3\"><p:pic><p:nvPicPr>"
    "<p:cNvPr id=\"5\" name=\"Player1\"/><p:cNvPicPr/><p:nvPr/></p:nvPicPr><p:blipFill>"
    "<a:blip r:embed=\"rId2\"/><a:stretch><a:fillRect/></a:stretch></p:blipFill><p:spPr>"
    "<a:xfrm><a:off x=\"127000\" y=\"254000\"/><a:ext cx=\"1270000\" cy=\"635000\"/></a:xfrm>"
    "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></p:spPr></p:pic></p:control>"
    "</mc:Fallback></mc:AlternateContent></p:controls>";

struct ControlCase {
    const char* name;
    std::string controls;  // the slide's p:controls
    std::string vml;       // the slide's legacy drawing, "" for none
    bool shown;
    float left, top, width, height;  // points
    bool warned;
};

class Controls : public testing::TestWithParam<ControlCase> {};

TEST_P(Controls, ShowTheirStandInPicture) {
    const ControlCase& c = GetParam();
    DeckRecipe recipe;
    std::string slide = slideXml("");
    slide.insert(slide.find("</p:cSld>"), c.controls);
    recipe.slides.push_back(slide);
    std::vector<std::vector<std::string>> rels = {
        {"rId1", "slideLayout", "../slideLayouts/slideLayout1.xml"},
        {"rId2", "image", "../media/image1.png"},
        {"rId3", "control", "../activeX/activeX1.xml"}};
    if (!c.vml.empty()) {
        rels.push_back({"rId4", "vmlDrawing", "../drawings/vmlDrawing1.vml"});
        recipe.extra.push_back({"ppt/drawings/vmlDrawing1.vml", c.vml});
        recipe.extra.push_back({"ppt/drawings/_rels/vmlDrawing1.vml.rels",
                                relsXml({{"rId1", "image", "../media/image2.png"}})});
    }
    recipe.replace["ppt/slides/_rels/slide1.xml.rels"] = relsXml(rels);
    recipe.extra.push_back({"ppt/media/image1.png", test::onePixelPng()});
    recipe.extra.push_back({"ppt/media/image2.png", test::onePixelPng()});
    recipe.extra.push_back({"ppt/activeX/activeX1.xml", "<ax:ocx xmlns:ax=\"urn:x\"/>"});

    auto deck = readPresentation(Package::openMemory(test::makeDeck(recipe)));
    ASSERT_EQ(deck->slides.size(), 1u);
    const auto& items = deck->slides[0]->shapes->items;
    EXPECT_EQ(!deck->warnings.empty(), c.warned);
    if (!c.shown) {
        EXPECT_TRUE(items.empty());
        return;
    }
    ASSERT_EQ(items.size(), 1u);
    const Shape& s = *items[0];
    EXPECT_EQ(s.type, host::shape_type::kOleControlObject);
    EXPECT_EQ(s.name, "Player1");
    ASSERT_NE(s.picture, nullptr);
    // The legacy image resolves against the drawing's relationships, not the slide's.
    EXPECT_EQ(s.picture->name, c.vml.empty() ? "ppt/media/image1.png" : "ppt/media/image2.png");
    EXPECT_NEAR(s.left, c.left, 1e-3);
    EXPECT_NEAR(s.top, c.top, 1e-3);
    EXPECT_NEAR(s.width, c.width, 1e-3);
    EXPECT_NEAR(s.height, c.height, 1e-3);
}

INSTANTIATE_TEST_SUITE_P(
    Slides, Controls,
    testing::Values(
        ControlCase{"LegacyInPoints", legacyControl("2053"),
                    vmlDrawing("_x0000_s2053",
                               "position:absolute;left:309pt;top:156.625pt;width:289.125pt;"
                               "height:266.5pt"),
                    true, 309, 156.625f, 289.125f, 266.5f, false},
        ControlCase{"LegacyInOtherUnits", legacyControl("7"),
                    vmlDrawing("_x0000_s7", "LEFT: 1in; top:2.54cm;width:40px;height:10mm"), true,
                    72, 72, 30, 72 / 25.4f * 10, false},
        ControlCase{"NewerWithItsOwnPicture", kControlWithPicture, "", true, 10, 20, 100, 50,
                    false},
        ControlCase{"LegacyFoundByName", legacyControl("9"),
                    vmlDrawing("_x0000_s2053", "left:1pt;top:2pt;width:3pt;height:4pt"), true, 1, 2,
                    3, 4, false},
        ControlCase{"LegacyWithoutItsShape", legacyControl("9", "Other"),
                    vmlDrawing("_x0000_s2053", "left:1pt;top:1pt;width:1pt;height:1pt"), false, 0,
                    0, 0, 0, false},
        ControlCase{"LegacyWithUnreadablePlace", legacyControl("2053"),
                    vmlDrawing("_x0000_s2053", "left:auto;top:1pt;width:-4pt;height:1pt"), false, 0,
                    0, 0, 0, true},
        ControlCase{"LegacyWithBrokenDrawing", legacyControl("2053"), "<xml><v:shape", false, 0, 0,
                    0, 0, true}),
    [](const testing::TestParamInfo<ControlCase>& info) { return info.param.name; });

// An embedded object frame without a picture of its own shows the legacy drawing's image of the
// shape its spid names.
TEST(EmbeddedObjects, TakeTheirPictureFromTheLegacyDrawing) {
    struct Case {
        const char* spid;
        bool withDrawing;
        bool pictured;
    };
    for (const Case& c : {Case{"_x0000_s2053", true, true}, Case{"_x0000_s9", true, false},
                          Case{"_x0000_s2053", false, false}, Case{"", true, false}}) {
        SCOPED_TRACE(std::string(c.spid) + (c.withDrawing ? " with drawing" : " without"));
        DeckRecipe recipe;
        recipe.slides.push_back(slideXml(
            "<p:graphicFrame><p:nvGraphicFramePr><p:cNvPr id=\"4\" name=\"Sheet\"/>"
            "<p:cNvGraphicFramePr/><p:nvPr/></p:nvGraphicFramePr><p:xfrm><a:off x=\"0\" "
            "y=\"0\"/><a:ext cx=\"127000\" cy=\"127000\"/></p:xfrm><a:graphic><a:graphicData "
            "uri=\"http://schemas.openxmlformats.org/presentationml/2006/ole\"><p:oleObj spid=\"" +
            std::string(c.spid) +
            "\" name=\"Worksheet\" r:id=\"rId3\"><p:embed/></p:oleObj></a:graphicData>"
            "</a:graphic></p:graphicFrame>"));
        std::vector<std::vector<std::string>> rels = {
            {"rId1", "slideLayout", "../slideLayouts/slideLayout1.xml"},
            {"rId3", "oleObject", "../embeddings/oleObject1.bin"}};
        if (c.withDrawing) rels.push_back({"rId4", "vmlDrawing", "../drawings/vmlDrawing1.vml"});
        recipe.replace["ppt/slides/_rels/slide1.xml.rels"] = relsXml(rels);
        recipe.extra.push_back({"ppt/drawings/vmlDrawing1.vml",
                                vmlDrawing("_x0000_s2053", "left:0;top:0;width:1pt;height:1pt")});
        recipe.extra.push_back({"ppt/drawings/_rels/vmlDrawing1.vml.rels",
                                relsXml({{"rId1", "image", "../media/image2.png"}})});
        recipe.extra.push_back({"ppt/media/image2.png", test::onePixelPng()});
        recipe.extra.push_back({"ppt/embeddings/oleObject1.bin", "not an object"});
        auto deck = readPresentation(Package::openMemory(test::makeDeck(recipe)));
        ASSERT_EQ(deck->slides.size(), 1u);
        ASSERT_EQ(deck->slides[0]->shapes->items.size(), 1u);
        const Shape& s = *deck->slides[0]->shapes->items[0];
        EXPECT_EQ(s.type, host::shape_type::kEmbeddedOleObject);
        EXPECT_EQ(s.picture != nullptr, c.pictured);
        if (s.picture) {
            EXPECT_EQ(s.picture->name, "ppt/media/image2.png");
        }
    }
}

TEST(VmlLength, ReadsUnitsAndRefusesTheRest) {
    struct Case {
        const char* text;
        double points;  // NaN: refused
    };
    const double refused = std::nan("");
    for (const Case& c :
         {Case{"12pt", 12}, Case{" 0.5in ", 36}, Case{"8px", 6}, Case{"8", 6}, Case{"-3pt", -3},
          Case{"1pc", 12}, Case{"12700emu", 1}, Case{"auto", refused}, Case{"", refused},
          Case{"3furlong", refused}, Case{"99999999999pt", refused}}) {
        SCOPED_TRACE(c.text);
        double v = vmlLength(c.text);
        if (std::isnan(c.points)) {
            EXPECT_TRUE(std::isnan(v));
        } else {
            EXPECT_NEAR(v, c.points, 1e-9);
        }
    }
}

}  // namespace
}  // namespace quillet::pptx
