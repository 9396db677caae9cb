// The package reader under hostile input: broken archives, missing and broken parts, dangling
// relationships, unsafe entry names, zip bombs, lying sizes, entity tricks and absurd numbers.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

#include "host/pptx/package.h"
#include "host/pptx/pptx_host.h"
#include "host/pptx/reader.h"
#include "host/pptx/xml.h"
#include "tests/host/test_deck.h"

namespace quillet::pptx {
namespace {

using test::DeckRecipe;
using test::makeDeck;
using test::makeZip;
using test::rect;
using test::slideXml;

std::shared_ptr<PresentationData> readBytes(std::vector<std::uint8_t> bytes,
                                            PackageLimits limits = {}) {
    return readPresentation(Package::openMemory(std::move(bytes), limits));
}

std::string errorOf(std::vector<std::uint8_t> bytes, PackageLimits limits = {}) {
    try {
        readBytes(std::move(bytes), limits);
    } catch (const PackageError& e) {
        return e.what();
    }
    return "";
}

TEST(PartNames, ResolveAgainstTheSourcePart) {
    EXPECT_EQ(resolvePartName("ppt/slides/slide1.xml", "../media/image1.png"),
              "ppt/media/image1.png");
    EXPECT_EQ(resolvePartName("ppt/presentation.xml", "slides/slide1.xml"),
              "ppt/slides/slide1.xml");
    EXPECT_EQ(resolvePartName("", "ppt/presentation.xml"), "ppt/presentation.xml");
    EXPECT_EQ(resolvePartName("ppt/slides/slide1.xml", "/ppt/media/a.png"), "ppt/media/a.png");
    EXPECT_EQ(resolvePartName("ppt/slides/slide1.xml", "../../../etc/passwd"), "");
    EXPECT_EQ(resolvePartName("ppt/slides/slide1.xml", "./a%20b.png"), "ppt/slides/a b.png");
    EXPECT_EQ(resolvePartName("ppt/slides/slide1.xml", "C:\\x.png"), "");
    EXPECT_EQ(resolvePartName("ppt/slides/slide1.xml", ""), "");
}

TEST(Package, MinimalDeckReads) {
    DeckRecipe recipe;
    recipe.slides.push_back(slideXml(rect(2, "Box", 12700, 25400, 127000, 254000)));
    auto deck = readBytes(makeDeck(recipe));
    ASSERT_EQ(deck->slides.size(), 1u);
    EXPECT_FLOAT_EQ(deck->slideWidth, 720);
    EXPECT_FLOAT_EQ(deck->slideHeight, 540);
    ASSERT_EQ(deck->slides[0]->shapes->items.size(), 1u);
    const Shape& s = *deck->slides[0]->shapes->items[0];
    EXPECT_FLOAT_EQ(s.left, 1);
    EXPECT_FLOAT_EQ(s.top, 2);
    EXPECT_FLOAT_EQ(s.width, 10);
    EXPECT_FLOAT_EQ(s.height, 20);
    EXPECT_TRUE(deck->warnings.empty());
}

// Packages refused whole, each with a message naming its reason.
TEST(Package, BrokenPackagesAreRefusedWithTheirReason) {
    const std::string text = "just some text, not a package at all";
    std::vector<std::uint8_t> compound = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    compound.resize(4096, 0);
    auto without = [](const std::string& part, const std::string& content = "") {
        DeckRecipe recipe;
        recipe.replace[part] = content;
        return makeDeck(recipe);
    };
    const std::vector<std::pair<std::vector<std::uint8_t>, std::vector<std::string>>> cases = {
        {std::vector<std::uint8_t>(text.begin(), text.end()), {"not a ZIP archive"}},
        {compound, {"encrypted"}},
        {without("[Content_Types].xml"), {"[Content_Types].xml is missing"}},
        {without("ppt/presentation.xml"), {"is missing"}},
        {without("_rels/.rels"), {"names no main document"}},
        {without("ppt/presentation.xml", "<p:presentation><p:sldIdLst></p:presentation>"),
         {"ppt/presentation.xml", "malformed XML at byte"}},
    };
    for (const auto& [bytes, expected] : cases) {
        const std::string message = errorOf(bytes);
        for (const std::string& e : expected) {
            EXPECT_NE(message.find(e), std::string::npos) << e << " in: " << message;
        }
    }
    DeckRecipe recipe;
    recipe.slides.push_back(slideXml(""));
    std::vector<std::uint8_t> bytes = makeDeck(recipe);
    for (std::size_t keep : {bytes.size() / 2, bytes.size() - 10, std::size_t{30}}) {
        std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(keep));
        EXPECT_NE(errorOf(cut), "") << "kept " << keep << " bytes";
    }
}

TEST(Package, BrokenSlideIsLeftOutWithAWarning) {
    DeckRecipe recipe;
    recipe.slides.push_back(slideXml(rect(2, "A", 0, 0, 100, 100)));
    recipe.slides.push_back("<p:sld><unclosed>");
    recipe.slides.push_back(slideXml(rect(3, "C", 0, 0, 100, 100)));
    auto deck = readBytes(makeDeck(recipe));
    ASSERT_EQ(deck->slides.size(), 2u);
    EXPECT_EQ(deck->slides[1]->shapes->items[0]->name, "C");
    ASSERT_FALSE(deck->warnings.empty());
    EXPECT_NE(deck->warnings[0].find("ppt/slides/slide2.xml"), std::string::npos);
}

TEST(Package, DanglingRelationshipsAreSkipped) {
    DeckRecipe recipe;
    // The slide's picture names rId2, which points at a part the package does not have; rId9 is
    // not declared at all.
    std::string pics =
        "<p:pic><p:nvPicPr><p:cNvPr id=\"4\" name=\"P\"/><p:cNvPicPr/><p:nvPr/></p:nvPicPr>"
        "<p:blipFill><a:blip r:embed=\"rId2\"/></p:blipFill><p:spPr><a:xfrm><a:off x=\"0\" "
        "y=\"0\"/><a:ext cx=\"12700\" cy=\"12700\"/></a:xfrm></p:spPr></p:pic>"
        "<p:pic><p:nvPicPr><p:cNvPr id=\"5\" name=\"Q\"/><p:cNvPicPr/><p:nvPr/></p:nvPicPr>"
        "<p:blipFill><a:blip r:embed=\"rId9\"/></p:blipFill><p:spPr/></p:pic>"
        // rId1 is the slide's layout: an XML part is no picture.
        "<p:pic><p:nvPicPr><p:cNvPr id=\"6\" name=\"R\"/><p:cNvPicPr/><p:nvPr/></p:nvPicPr>"
        "<p:blipFill><a:blip r:embed=\"rId1\"/></p:blipFill><p:spPr/></p:pic>";
    recipe.slides.push_back(slideXml(pics));
    // The presentation lists a slide whose relationship target is missing.
    recipe.replace["ppt/_rels/presentation.xml.rels"] =
        test::relsXml({{"rId1", "slideMaster", "slideMasters/slideMaster1.xml"},
                       {"rId10", "slide", "slides/slide1.xml"}});
    std::vector<std::uint8_t> bytes = makeDeck(recipe);
    auto deck = readBytes(bytes);
    ASSERT_EQ(deck->slides.size(), 1u);
    ASSERT_EQ(deck->slides[0]->shapes->items.size(), 3u);
    EXPECT_EQ(deck->slides[0]->shapes->items[0]->picture, nullptr);
    EXPECT_EQ(deck->slides[0]->shapes->items[1]->picture, nullptr);
    EXPECT_EQ(deck->slides[0]->shapes->items[2]->picture, nullptr);
    EXPECT_EQ(deck->slides[0]->shapes->items[0]->type, host::shape_type::kPicture);

    DeckRecipe missingSlide;
    missingSlide.slides.push_back(slideXml(""));
    missingSlide.replace["ppt/slides/slide1.xml"] = "";
    auto deck2 = readBytes(makeDeck(missingSlide));
    EXPECT_TRUE(deck2->slides.empty());
    ASSERT_FALSE(deck2->warnings.empty());
    EXPECT_NE(deck2->warnings[0].find("missing"), std::string::npos);
}

TEST(Package, MissingLayoutMasterAndThemeStillRead) {
    DeckRecipe recipe;
    recipe.slides.push_back(slideXml(rect(2, "A", 0, 0, 100, 100)));
    recipe.replace["ppt/slideLayouts/slideLayout1.xml"] = "";
    recipe.replace["ppt/theme/theme1.xml"] = "";
    auto deck = readBytes(makeDeck(recipe));
    ASSERT_EQ(deck->slides.size(), 1u);
    EXPECT_EQ(deck->slides[0]->masterName, "SlideMaster");

    DeckRecipe noMaster;
    noMaster.slides.push_back(slideXml(rect(2, "A", 0, 0, 100, 100)));
    noMaster.replace["ppt/slideMasters/slideMaster1.xml"] = "<broken";
    auto deck2 = readBytes(makeDeck(noMaster));
    ASSERT_EQ(deck2->slides.size(), 1u);
    ASSERT_NE(deck2->slideMaster, nullptr);
    EXPECT_FALSE(deck2->warnings.empty());
}

TEST(Package, UnsafeEntryNamesAreIgnored) {
    DeckRecipe recipe;
    recipe.slides.push_back(slideXml(""));
    recipe.extra.push_back({"../evil.xml", "<x/>"});
    recipe.extra.push_back({"/etc/evil.xml", "<x/>"});
    recipe.extra.push_back({"ppt/../../evil2.xml", "<x/>"});
    recipe.extra.push_back({"ppt\\win.xml", "<x/>"});
    auto package = Package::openMemory(makeDeck(recipe));
    EXPECT_EQ(package->skippedEntries().size(), 4u);
    EXPECT_FALSE(package->hasPart("../evil.xml"));
    EXPECT_FALSE(package->hasPart("evil.xml"));
    for (const std::string& name : package->partNames()) {
        EXPECT_EQ(name.find(".."), std::string::npos) << name;
        EXPECT_NE(name.front(), '/') << name;
    }
    auto deck = readPresentation(package);
    EXPECT_EQ(deck->slides.size(), 1u);
    EXPECT_EQ(deck->warnings.size(), 4u);
}

TEST(Package, RelationshipThatClimbsOutOfThePackageDangles) {
    DeckRecipe recipe;
    recipe.slides.push_back(slideXml(""));
    recipe.replace["ppt/_rels/presentation.xml.rels"] =
        test::relsXml({{"rId1", "slideMaster", "slideMasters/slideMaster1.xml"},
                       {"rId10", "slide", "../../../../slide1.xml"}});
    auto deck = readBytes(makeDeck(recipe));
    EXPECT_TRUE(deck->slides.empty());
}

TEST(Package, ZipBombIsRefusedBeforeInflating) {
    DeckRecipe recipe;
    recipe.slides.push_back(slideXml(""));
    // 64 MiB of zeros compress to about 64 KiB: over the media cap set here and over the ratio.
    recipe.extra.push_back({"ppt/media/bomb.bin", std::string(64u << 20, '\0')});
    std::vector<std::uint8_t> bytes = makeDeck(recipe);
    PackageLimits limits;
    limits.maxPartSize = 16u << 20;
    // Under a generous size cap, the compression ratio still stops it.
    PackageLimits ratio;
    ratio.maxRatio = 200;
    for (const auto& [cap, reason] :
         {std::pair{limits, "more than"}, {ratio, "compression ratio"}}) {
        auto package = Package::openMemory(bytes, cap);
        try {
            package->readPart("ppt/media/bomb.bin");
            ADD_FAILURE() << "the bomb inflated under the " << reason << " cap";
        } catch (const PackageError& e) {
            EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << e.what();
        }
    }
    // The deck itself still reads: the bomb is never asked for.
    EXPECT_EQ(readBytes(bytes, limits)->slides.size(), 1u);
}

TEST(Package, TooManyEntriesIsRefused) {
    DeckRecipe recipe;
    for (int i = 0; i < 40; ++i) recipe.extra.push_back({"ppt/media/x" + std::to_string(i), "x"});
    PackageLimits limits;
    limits.maxEntries = 30;
    std::string message = errorOf(makeDeck(recipe), limits);
    EXPECT_NE(message.find("entries, more than the 30 allowed"), std::string::npos) << message;
    EXPECT_EQ(errorOf(makeDeck(recipe)), "");
}

TEST(Package, XmlPartBombIsRefused) {
    DeckRecipe recipe;
    std::string huge = slideXml(rect(2, "A", 0, 0, 1, 1) + std::string(3u << 20, ' '));
    recipe.slides.push_back(huge);
    PackageLimits limits;
    limits.maxXmlPartSize = 1u << 20;
    auto deck = readBytes(makeDeck(recipe), limits);
    EXPECT_TRUE(deck->slides.empty());
    ASSERT_FALSE(deck->warnings.empty());
    EXPECT_NE(deck->warnings[0].find("more than"), std::string::npos);
}

TEST(Package, TotalInflatedSizeIsCapped) {
    DeckRecipe recipe;
    for (int i = 0; i < 6; ++i) {
        recipe.slides.push_back(slideXml(rect(2, "A", 0, 0, 1, 1) + std::string(200000, ' ')));
    }
    PackageLimits limits;
    limits.maxTotalInflated = 700000;
    auto deck = readBytes(makeDeck(recipe), limits);
    EXPECT_LT(deck->slides.size(), 6u);
    EXPECT_FALSE(deck->warnings.empty());
}

// Rewrites the uncompressed size of every entry named name in the local and central headers.
void patchStoredSize(std::vector<std::uint8_t>& zip, const std::string& name, std::uint32_t size) {
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            zip[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    for (std::size_t i = 0; i + 46 < zip.size(); ++i) {
        if (zip[i] == 'P' && zip[i + 1] == 'K' && zip[i + 2] == 3 && zip[i + 3] == 4) {
            std::size_t len = zip[i + 26] | (zip[i + 27] << 8);
            if (i + 30 + len <= zip.size() &&
                std::string(zip.begin() + static_cast<long>(i) + 30,
                            zip.begin() + static_cast<long>(i + 30 + len)) == name) {
                put32(i + 22, size);
            }
        }
        if (zip[i] == 'P' && zip[i + 1] == 'K' && zip[i + 2] == 1 && zip[i + 3] == 2) {
            std::size_t len = zip[i + 28] | (zip[i + 29] << 8);
            if (i + 46 + len <= zip.size() &&
                std::string(zip.begin() + static_cast<long>(i) + 46,
                            zip.begin() + static_cast<long>(i + 46 + len)) == name) {
                put32(i + 24, size);
            }
        }
    }
}

TEST(Package, EntryThatInflatesPastItsStoredSizeFails) {
    DeckRecipe recipe;
    recipe.slides.push_back(slideXml(""));
    recipe.extra.push_back({"ppt/media/liar.bin", std::string(100000, 'x')});
    std::vector<std::uint8_t> bytes = makeDeck(recipe);
    patchStoredSize(bytes, "ppt/media/liar.bin", 1000);
    auto package = Package::openMemory(bytes);
    EXPECT_THROW(package->readPart("ppt/media/liar.bin"), PackageError);
}

TEST(Package, EntityTricksAreNotExpanded) {
    DeckRecipe recipe;
    std::string laughs =
        "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\">"
        "<!ENTITY lol2 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">"
        "<!ENTITY lol3 \"&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;\">"
        "<!ENTITY lol9 \"&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;\">"
        "<!ENTITY xxe SYSTEM \"file:///etc/passwd\">]>";
    std::string body = "<a:p><a:r><a:t>&lol9;&xxe;</a:t></a:r></a:p>";
    std::string slide = slideXml(rect(2, "T", 0, 0, 100, 100, "", body));
    slide.replace(0, slide.find("?>") + 2, laughs);
    recipe.slides.push_back(slide);
    auto start = std::chrono::steady_clock::now();
    auto deck = readBytes(makeDeck(recipe));
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::seconds(5));
    ASSERT_EQ(deck->slides.size(), 1u);
    const auto& runs = deck->slides[0]->shapes->items[0]->text->paragraphs[0].runs;
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_LT(runs[0].text.size(), 64u);
    EXPECT_EQ(runs[0].text.find("root:"), std::string::npos);
}

TEST(Package, AbsurdNumbersStayFinite) {
    DeckRecipe recipe;
    recipe.slideSize = "<p:sldSz cx=\"999999999999999999999999\" cy=\"-5\"/>";
    std::string shape =
        "<p:sp><p:nvSpPr><p:cNvPr id=\"99999999999999999\" name=\"X\"/><p:cNvSpPr/><p:nvPr/>"
        "</p:nvSpPr><p:spPr><a:xfrm rot=\"-99999999999999\"><a:off x=\"-99999999999999999999\" "
        "y=\"abc\"/><a:ext cx=\"99999999999999999999\" cy=\"-7\"/></a:xfrm><a:prstGeom "
        "prst=\"parallelogram\"><a:avLst><a:gd name=\"adj\" fmla=\"val 999999999999\"/></a:avLst>"
        "</a:prstGeom><a:ln w=\"99999999999999\"/></p:spPr><p:txBody><a:bodyPr "
        "lIns=\"-99999999999\"/><a:p><a:pPr lvl=\"400\"/><a:r><a:rPr sz=\"999999999\" "
        "baseline=\"99999999999\"/><a:t>x</a:t></a:r></a:p></p:txBody></p:sp>";
    recipe.slides.push_back(slideXml(shape));
    auto deck = readBytes(makeDeck(recipe));
    EXPECT_FLOAT_EQ(deck->slideWidth, 4032);  // the 56-inch cap
    EXPECT_FLOAT_EQ(deck->slideHeight, 72);   // the 1-inch floor
    const Shape& s = *deck->slides[0]->shapes->items[0];
    for (float v : {s.left, s.top, s.width, s.height, s.rotation, s.line.weight}) {
        EXPECT_TRUE(std::isfinite(v)) << v;
    }
    EXPECT_GE(s.rotation, 0);
    EXPECT_LT(s.rotation, 360);
    EXPECT_EQ(s.height, 0);
    ASSERT_EQ(s.adjustments.size(), 1u);
    EXPECT_LE(s.adjustments[0], 1.0f);
    EXPECT_EQ(s.text->paragraphs[0].level, 8);
    EXPECT_LE(s.text->paragraphs[0].runs[0].props.size, 4000);
}

// How deep the first shape of the first slide nests groups.
int groupDepth(const PresentationData& deck) {
    int depth = 0;
    for (const ShapeList* level = deck.slides[0]->shapes.get();
         !level->items.empty() && level->items[0]->children;
         level = level->items[0]->children.get()) {
        ++depth;
    }
    return depth;
}

TEST(Package, DeeplyNestedGroupsAreCut) {
    std::string tree = rect(2, "Leaf", 0, 0, 10, 10);
    for (int i = 0; i < 200; ++i) {
        tree = "<p:grpSp><p:nvGrpSpPr><p:cNvPr id=\"" + std::to_string(100 + i) +
               "\" name=\"G\"/><p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr><p:grpSpPr/>" + tree +
               "</p:grpSp>";
    }
    DeckRecipe recipe;
    recipe.slides.push_back(slideXml(tree));
    auto deck = readBytes(makeDeck(recipe));
    const int depth = groupDepth(*deck);
    EXPECT_GT(depth, 10);
    EXPECT_LE(depth, 40);
}

std::string frame(int id, const std::string& uri, const std::string& data) {
    return "<p:graphicFrame><p:nvGraphicFramePr><p:cNvPr id=\"" + std::to_string(id) +
           "\" name=\"F\"/><p:cNvGraphicFramePr/><p:nvPr/></p:nvGraphicFramePr><p:xfrm><a:off "
           "x=\"127000\" y=\"254000\"/><a:ext cx=\"1270000\" cy=\"635000\"/></p:xfrm><a:graphic>"
           "<a:graphicData uri=\"" +
           uri + "\">" + data + "</a:graphicData></a:graphic></p:graphicFrame>";
}

const char* kTableUri = "http://schemas.openxmlformats.org/drawingml/2006/table";
const char* kDiagramUri = "http://schemas.openxmlformats.org/drawingml/2006/diagram";
const char* kRelIds =
    "<dgm:relIds xmlns:dgm=\"http://schemas.openxmlformats.org/drawingml/2006/diagram\" "
    "r:dm=\"rId3\" r:lo=\"rId9\" r:qs=\"rId9\" r:cs=\"rId9\"/>";

TEST(Package, AbsurdTablesAreCut) {
    std::string grid = "<a:tblGrid>";
    for (int i = 0; i < 1500; ++i) grid += "<a:gridCol w=\"99999999999999999999\"/>";
    grid += "</a:tblGrid>";
    std::string row = "<a:tr h=\"-5\">";
    row +=
        "<a:tc gridSpan=\"999999999\" rowSpan=\"-7\"><a:txBody><a:bodyPr/><a:p><a:r><a:t>x</a:t>"
        "</a:r></a:p></a:txBody><a:tcPr marL=\"-99999999999\" anchor=\"nonsense\"><a:lnL "
        "w=\"99999999999999\"/></a:tcPr></a:tc>";
    for (int i = 0; i < 1500; ++i) row += "<a:tc/>";
    row += "</a:tr>";
    std::string rows;
    for (int i = 0; i < 150; ++i) rows += row;
    DeckRecipe recipe;
    recipe.slides.push_back(slideXml(frame(7, kTableUri, "<a:tbl>" + grid + rows + "</a:tbl>")));
    auto deck = readBytes(makeDeck(recipe));
    const Shape& s = *deck->slides[0]->shapes->items[0];
    ASSERT_NE(s.table, nullptr);
    EXPECT_EQ(s.table->columnWidths.size(), 1000u);
    EXPECT_TRUE(std::isfinite(s.table->columnWidths[0]));
    // 100000 cells at most: 100 rows of 1000.
    std::size_t cells = 0;
    for (const TableRow& r : s.table->rows) {
        EXPECT_LE(r.cells.size(), 1000u);
        EXPECT_GE(r.height, 0);
        cells += r.cells.size();
    }
    EXPECT_LE(cells, 100000u);
    const TableCell& first = s.table->rows.at(0).cells.at(0);
    EXPECT_EQ(first.columnSpan, 1000);
    EXPECT_EQ(first.rowSpan, 1);
    EXPECT_GE(first.text->insetLeft, 0);
    EXPECT_TRUE(std::isfinite(first.borderLeft.weight));
    ASSERT_NE(s.table->rows.at(0).cells.at(1).text, nullptr);
}

std::vector<std::uint8_t> diagramDeck(const std::string& data, const std::string& drawing,
                                      const std::string& drawingRels = "") {
    DeckRecipe recipe;
    recipe.slides.push_back(slideXml(frame(8, kDiagramUri, kRelIds)));
    recipe.replace["ppt/slides/_rels/slide1.xml.rels"] =
        test::relsXml({{"rId1", "slideLayout", "../slideLayouts/slideLayout1.xml"},
                       {"rId3", "diagramData", "../diagrams/data1.xml"},
                       {"rId6", "diagramDrawing", "../diagrams/drawing1.xml"}});
    if (!data.empty()) recipe.extra.push_back({"ppt/diagrams/data1.xml", data});
    if (!drawing.empty()) recipe.extra.push_back({"ppt/diagrams/drawing1.xml", drawing});
    if (!drawingRels.empty()) {
        recipe.extra.push_back({"ppt/diagrams/_rels/drawing1.xml.rels", drawingRels});
    }
    return makeDeck(recipe);
}

std::string drawingXml(const std::string& shapes) {
    return "<dsp:drawing xmlns:dsp=\"http://schemas.microsoft.com/office/drawing/2008/diagram\" " +
           std::string(test::kNamespaces) + "><dsp:spTree><dsp:nvGrpSpPr><dsp:cNvPr id=\"0\" " +
           "name=\"\"/><dsp:cNvGrpSpPr/></dsp:nvGrpSpPr><dsp:grpSpPr/>" + shapes +
           "</dsp:spTree></dsp:drawing>";
}

TEST(Package, SmartArtWithMissingOrBrokenPartsKeepsNoMembers) {
    std::string member = rect(2, "M", 0, 0, 127000, 127000);
    // Broken data part: the drawing of the same number still serves.
    auto deck = readBytes(diagramDeck("<dgm:dataModel", drawingXml(member)));
    const Shape& a = *deck->slides[0]->shapes->items[0];
    EXPECT_EQ(a.type, host::shape_type::kGroup);
    ASSERT_NE(a.children, nullptr);
    ASSERT_EQ(a.children->items.size(), 1u);
    // Placed from the frame's corner (10, 20 pt).
    EXPECT_FLOAT_EQ(a.children->items[0]->left, 10);
    EXPECT_FLOAT_EQ(a.children->items[0]->top, 20);
    // Broken or missing drawing: the frame stays a SmartArt frame without members.
    for (const std::string& drawing : {std::string("<dsp:drawing"), std::string()}) {
        auto d = readBytes(diagramDeck("", drawing));
        const Shape& s = *d->slides[0]->shapes->items[0];
        EXPECT_EQ(s.type, host::shape_type::kSmartArt);
        EXPECT_EQ(s.children, nullptr);
    }
}

TEST(Package, SmartArtDrawingThatNamesItselfIsCut) {
    std::string data =
        "<dgm:dataModel xmlns:dgm=\"http://schemas.openxmlformats.org/drawingml/2006/diagram\">"
        "<dgm:extLst><a:ext xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\">"
        "<dsp:dataModelExt xmlns:dsp=\"http://schemas.microsoft.com/office/drawing/2008/diagram\" "
        "relId=\"rId6\"/></a:ext></dgm:extLst></dgm:dataModel>";
    // The drawing holds a diagram frame whose parts are the same data and drawing.
    std::string rels = test::relsXml(
        {{"rId3", "diagramData", "data1.xml"}, {"rId6", "diagramDrawing", "drawing1.xml"}});
    auto deck = readBytes(diagramDeck(data, drawingXml(frame(9, kDiagramUri, kRelIds)), rels));
    const int depth = groupDepth(*deck);
    EXPECT_GT(depth, 2);
    EXPECT_LE(depth, 40);
}

TEST(Package, NewerGraphicKeepsItsStandInPicture) {
    std::string alternate =
        "<mc:AlternateContent "
        "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\"><mc:Choice "
        "Requires=\"cx1\">" +
        frame(12, "http://schemas.microsoft.com/office/drawing/2014/chartex", "") +
        "</mc:Choice><mc:Fallback><p:pic><p:nvPicPr><p:cNvPr id=\"12\" name=\"P\"/><p:cNvPicPr/>"
        "<p:nvPr/></p:nvPicPr><p:blipFill><a:blip r:embed=\"rId2\"/><a:srcRect l=\"10000\"/>"
        "<a:stretch/></p:blipFill><p:spPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"10\" "
        "cy=\"10\"/></a:xfrm><a:prstGeom prst=\"rect\"/></p:spPr></p:pic></mc:Fallback>"
        "</mc:AlternateContent>";
    DeckRecipe recipe;
    recipe.slides.push_back(slideXml(alternate));
    recipe.extra.push_back({"ppt/media/image1.png", test::onePixelPng()});
    auto deck = readBytes(makeDeck(recipe));
    ASSERT_EQ(deck->slides[0]->shapes->items.size(), 1u);
    const Shape& s = *deck->slides[0]->shapes->items[0];
    EXPECT_EQ(s.type, host::shape_type::kChart);
    ASSERT_NE(s.picture, nullptr);
    EXPECT_EQ(s.picture->name, "ppt/media/image1.png");
    EXPECT_FLOAT_EQ(s.cropLeft, 0.1f);
    EXPECT_FLOAT_EQ(s.left, 10);
}

TEST(Package, HostOpenReportsTheReason) {
    auto app = createApplication();
    auto p = app->presentations()->open("/nonexistent/deck.pptx", 0, 0, -1);
    EXPECT_EQ(p, nullptr);
    EXPECT_NE(app->presentations()->lastError().find("cannot open"), std::string::npos);
    EXPECT_EQ(app->activePresentation(), nullptr);
    EXPECT_THROW(openApplication("/nonexistent/deck.pptx"), PackageError);
}

// A folder, a FIFO or a device is refused at once with what it is (a FIFO would otherwise wait
// for a writer for ever).
TEST(Package, OnlyRegularFilesAreOpened) {
    const std::string fifo = testing::TempDir() + "quillet-deck-fifo-" + std::to_string(::getpid());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::pair<std::string, std::string> cases[] = {
        {testing::TempDir(), "is a directory, not a presentation file"},
        {fifo, "is not a regular file (a FIFO, device or socket)"},
        {"/dev/zero", "is not a regular file (a FIFO, device or socket)"},
    };
    for (const auto& [path, message] : cases) {
        try {
            openApplication(path);
            ADD_FAILURE() << path << " was opened";
        } catch (const PackageError& e) {
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
        }
    }
    ::unlink(fifo.c_str());
}

// Numeric references to no character (0, surrogates, past U+10FFFF) read as U+FFFD and the text
// after them is kept; the others are read as they stand.
TEST(Package, ReferencesToNoCharacterReadAsReplacementCharacters) {
    const std::pair<const char*, const char*> cases[] = {
        {"a&#0;b",
         "a\xEF\xBF\xBD"
         "b"},
        {"a&#x0000;b&#00;c",
         "a\xEF\xBF\xBD"
         "b\xEF\xBF\xBD"
         "c"},
        {"&#xD800;&#57343;x",
         "\xEF\xBF\xBD\xEF\xBF\xBD"
         "x"},
        {"&#x110000;&#99999999999999999999;", "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"&#65;&#x10FFFF;&#xe9;", "A\xF4\x8F\xBF\xBF\xC3\xA9"},
        {"&amp;#0;", "&#0;"},
    };
    for (const auto& [text, expected] : cases) {
        const auto doc = parseXml(std::string("<t>") + text + "</t>", "part.xml");
        const pugi::xml_text read = doc->document_element().text();
        EXPECT_EQ(std::string(read.get()), expected) << text;
    }
}

}  // namespace
}  // namespace quillet::pptx
