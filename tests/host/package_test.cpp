// The package reader under hostile input: broken archives, missing and broken parts, dangling
// relationships, unsafe entry names, zip bombs, lying sizes, entity tricks and absurd numbers.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>

#include "host/pptx/package.h"
#include "host/pptx/pptx_host.h"
#include "host/pptx/reader.h"
#include "tests/host/test_deck.h"

namespace quillet::pptx {
namespace {

using test::DeckSpec;
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
    DeckSpec recipe;
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

TEST(Package, NotAZipIsRefused) {
    std::string text = "just some text, not a package at all";
    std::string message = errorOf(std::vector<std::uint8_t>(text.begin(), text.end()));
    EXPECT_NE(message.find("not a ZIP archive"), std::string::npos) << message;
}

TEST(Package, CompoundDocumentIsRefusedWithAReason) {
    std::vector<std::uint8_t> bytes = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    bytes.resize(4096, 0);
    std::string message = errorOf(bytes);
    EXPECT_NE(message.find("encrypted"), std::string::npos) << message;
}

TEST(Package, TruncatedArchiveIsRefused) {
    DeckSpec recipe;
    recipe.slides.push_back(slideXml(""));
    std::vector<std::uint8_t> bytes = makeDeck(recipe);
    for (std::size_t keep : {bytes.size() / 2, bytes.size() - 10, std::size_t{30}}) {
        std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(keep));
        EXPECT_NE(errorOf(cut), "") << "kept " << keep << " bytes";
    }
}

TEST(Package, MissingContentTypesIsRefused) {
    DeckSpec recipe;
    recipe.replace["[Content_Types].xml"] = "";
    EXPECT_NE(errorOf(makeDeck(recipe)).find("[Content_Types].xml is missing"), std::string::npos);
}

TEST(Package, MissingMainDocumentIsRefused) {
    DeckSpec recipe;
    recipe.replace["ppt/presentation.xml"] = "";
    EXPECT_NE(errorOf(makeDeck(recipe)).find("is missing"), std::string::npos);
    DeckSpec noRels;
    noRels.replace["_rels/.rels"] = "";
    EXPECT_NE(errorOf(makeDeck(noRels)).find("names no main document"), std::string::npos);
}

TEST(Package, BrokenMainDocumentNamesPartAndOffset) {
    DeckSpec recipe;
    recipe.replace["ppt/presentation.xml"] = "<p:presentation><p:sldIdLst></p:presentation>";
    std::string message = errorOf(makeDeck(recipe));
    EXPECT_NE(message.find("ppt/presentation.xml"), std::string::npos) << message;
    EXPECT_NE(message.find("malformed XML at byte"), std::string::npos) << message;
}

TEST(Package, BrokenSlideIsLeftOutWithAWarning) {
    DeckSpec recipe;
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
    DeckSpec recipe;
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

    DeckSpec missingSlide;
    missingSlide.slides.push_back(slideXml(""));
    missingSlide.replace["ppt/slides/slide1.xml"] = "";
    auto deck2 = readBytes(makeDeck(missingSlide));
    EXPECT_TRUE(deck2->slides.empty());
    ASSERT_FALSE(deck2->warnings.empty());
    EXPECT_NE(deck2->warnings[0].find("missing"), std::string::npos);
}

TEST(Package, MissingLayoutMasterAndThemeStillRead) {
    DeckSpec recipe;
    recipe.slides.push_back(slideXml(rect(2, "A", 0, 0, 100, 100)));
    recipe.replace["ppt/slideLayouts/slideLayout1.xml"] = "";
    recipe.replace["ppt/theme/theme1.xml"] = "";
    auto deck = readBytes(makeDeck(recipe));
    ASSERT_EQ(deck->slides.size(), 1u);
    EXPECT_EQ(deck->slides[0]->masterName, "SlideMaster");

    DeckSpec noMaster;
    noMaster.slides.push_back(slideXml(rect(2, "A", 0, 0, 100, 100)));
    noMaster.replace["ppt/slideMasters/slideMaster1.xml"] = "<broken";
    auto deck2 = readBytes(makeDeck(noMaster));
    ASSERT_EQ(deck2->slides.size(), 1u);
    ASSERT_NE(deck2->slideMaster, nullptr);
    EXPECT_FALSE(deck2->warnings.empty());
}

TEST(Package, UnsafeEntryNamesAreIgnored) {
    DeckSpec recipe;
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
    DeckSpec recipe;
    recipe.slides.push_back(slideXml(""));
    recipe.replace["ppt/_rels/presentation.xml.rels"] =
        test::relsXml({{"rId1", "slideMaster", "slideMasters/slideMaster1.xml"},
                       {"rId10", "slide", "../../../../slide1.xml"}});
    auto deck = readBytes(makeDeck(recipe));
    EXPECT_TRUE(deck->slides.empty());
}

TEST(Package, ZipBombIsRefusedBeforeInflating) {
    DeckSpec recipe;
    recipe.slides.push_back(slideXml(""));
    // 64 MiB of zeros compress to about 64 KiB: over the media cap set here and over the ratio.
    recipe.extra.push_back({"ppt/media/bomb.bin", std::string(64u << 20, '\0')});
    std::vector<std::uint8_t> bytes = makeDeck(recipe);
    PackageLimits limits;
    limits.maxPartSize = 16u << 20;
    auto package = Package::openMemory(bytes, limits);
    try {
        package->readPart("ppt/media/bomb.bin");
        FAIL() << "the bomb inflated";
    } catch (const PackageError& e) {
        EXPECT_NE(std::string(e.what()).find("more than"), std::string::npos) << e.what();
    }
    // Under a generous size cap, the compression ratio still stops it.
    PackageLimits ratio;
    ratio.maxRatio = 200;
    auto package2 = Package::openMemory(bytes, ratio);
    try {
        package2->readPart("ppt/media/bomb.bin");
        FAIL() << "the bomb inflated";
    } catch (const PackageError& e) {
        EXPECT_NE(std::string(e.what()).find("compression ratio"), std::string::npos) << e.what();
    }
    // The deck itself still reads: the bomb is never asked for.
    EXPECT_EQ(readBytes(bytes, limits)->slides.size(), 1u);
}

TEST(Package, TooManyEntriesIsRefused) {
    DeckSpec recipe;
    for (int i = 0; i < 40; ++i) recipe.extra.push_back({"ppt/media/x" + std::to_string(i), "x"});
    PackageLimits limits;
    limits.maxEntries = 30;
    std::string message = errorOf(makeDeck(recipe), limits);
    EXPECT_NE(message.find("entries, more than the 30 allowed"), std::string::npos) << message;
    EXPECT_EQ(errorOf(makeDeck(recipe)), "");
}

TEST(Package, XmlPartBombIsRefused) {
    DeckSpec recipe;
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
    DeckSpec recipe;
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
    DeckSpec recipe;
    recipe.slides.push_back(slideXml(""));
    recipe.extra.push_back({"ppt/media/liar.bin", std::string(100000, 'x')});
    std::vector<std::uint8_t> bytes = makeDeck(recipe);
    patchStoredSize(bytes, "ppt/media/liar.bin", 1000);
    auto package = Package::openMemory(bytes);
    EXPECT_THROW(package->readPart("ppt/media/liar.bin"), PackageError);
}

TEST(Package, EntityTricksAreNotExpanded) {
    DeckSpec recipe;
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
    DeckSpec recipe;
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

TEST(Package, DeeplyNestedGroupsAreCut) {
    std::string tree = rect(2, "Leaf", 0, 0, 10, 10);
    for (int i = 0; i < 200; ++i) {
        tree = "<p:grpSp><p:nvGrpSpPr><p:cNvPr id=\"" + std::to_string(100 + i) +
               "\" name=\"G\"/><p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr><p:grpSpPr/>" + tree +
               "</p:grpSp>";
    }
    DeckSpec recipe;
    recipe.slides.push_back(slideXml(tree));
    auto deck = readBytes(makeDeck(recipe));
    int depth = 0;
    const ShapeList* level = deck->slides[0]->shapes.get();
    while (!level->items.empty() && level->items[0]->children) {
        level = level->items[0]->children.get();
        ++depth;
    }
    EXPECT_GT(depth, 10);
    EXPECT_LE(depth, 40);
}

TEST(Package, HostOpenReportsTheReason) {
    auto app = createApplication();
    auto p = app->presentations()->open("/nonexistent/deck.pptx", 0, 0, -1);
    EXPECT_EQ(p, nullptr);
    EXPECT_NE(app->presentations()->lastError().find("cannot open"), std::string::npos);
    EXPECT_EQ(app->activePresentation(), nullptr);
    EXPECT_THROW(openApplication("/nonexistent/deck.pptx"), PackageError);
}

}  // namespace
}  // namespace quillet::pptx
