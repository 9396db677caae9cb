// Builds small .pptx packages in memory for focused tests: a ZIP writer over libzip and a minimal
// deck (theme, one master, one layout, slides) whose parts a test can replace.
#pragma once

#include <gtest/gtest.h>
#include <zip.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/codes.h"

namespace quillet::test {

// The .pptx decks of the shared corpus.
inline std::filesystem::path corpusDecks() {
#ifdef QUILLET_CORPUS
    return std::filesystem::path(QUILLET_CORPUS) / "pptx";
#else
    return "corpus-not-configured";
#endif
}

#define NEED_CORPUS()                                                            \
    if (!std::filesystem::is_directory(::quillet::test::corpusDecks())) {        \
        GTEST_SKIP() << "corpus not found at " << ::quillet::test::corpusDecks() \
                     << " (set QUILLET_CORPUS)";                                 \
    }

// 0xRRGGBB in the host's colour order (red in the low byte).
constexpr int hex(int value) {
    return host::rgb(value >> 16, value >> 8, value);
}

struct ZipEntry {
    std::string name;
    std::string data;
    bool store = false;  // no compression
};

inline std::vector<std::uint8_t> makeZip(const std::vector<ZipEntry>& entries) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (!buffer) throw std::runtime_error("zip buffer");
    zip_source_keep(buffer);
    zip_t* archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    if (!archive) throw std::runtime_error("zip open");
    for (const ZipEntry& e : entries) {
        zip_source_t* s = zip_source_buffer(archive, e.data.data(), e.data.size(), 0);
        zip_int64_t index = zip_file_add(archive, e.name.c_str(), s, ZIP_FL_ENC_UTF_8);
        if (index < 0) throw std::runtime_error("zip add " + e.name);
        if (e.store)
            zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
    }
    if (zip_close(archive) != 0) throw std::runtime_error("zip close");
    std::vector<std::uint8_t> out;
    if (zip_source_open(buffer) != 0) throw std::runtime_error("zip reopen");
    zip_source_seek(buffer, 0, SEEK_END);
    zip_int64_t size = zip_source_tell(buffer);
    zip_source_seek(buffer, 0, SEEK_SET);
    out.resize(static_cast<std::size_t>(size));
    zip_source_read(buffer, out.data(), static_cast<zip_uint64_t>(size));
    zip_source_close(buffer);
    zip_source_free(buffer);
    return out;
}

inline const char* kNamespaces =
    "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
    "xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\"";

inline std::string relsXml(const std::vector<std::vector<std::string>>& rels) {
    std::string s =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
        "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (const auto& r : rels) {
        s += "<Relationship Id=\"" + r[0] +
             "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/" +
             r[1] + "\" Target=\"" + r[2] + "\"/>";
    }
    return s + "</Relationships>";
}

inline std::string spTree(const std::string& shapes) {
    return "<p:spTree><p:nvGrpSpPr><p:cNvPr id=\"1\" name=\"\"/><p:cNvGrpSpPr/><p:nvPr/>"
           "</p:nvGrpSpPr><p:grpSpPr/>" +
           shapes + "</p:spTree>";
}

// A group of `members` whose box (x, y, cx, cy in EMU) is also its members' frame, with extra
// grpSpPr content (effects).
inline std::string group(const std::string& members, long long x, long long y, long long cx,
                         long long cy, const std::string& grpSpPrExtra = "") {
    const auto n = [](long long v) { return std::to_string(v); };
    return "<p:grpSp><p:nvGrpSpPr><p:cNvPr id=\"90\" name=\"Group\"/><p:cNvGrpSpPr/><p:nvPr/>"
           "</p:nvGrpSpPr><p:grpSpPr><a:xfrm><a:off x=\"" +
           n(x) + "\" y=\"" + n(y) + "\"/><a:ext cx=\"" + n(cx) + "\" cy=\"" + n(cy) +
           "\"/><a:chOff x=\"" + n(x) + "\" y=\"" + n(y) + "\"/><a:chExt cx=\"" + n(cx) +
           "\" cy=\"" + n(cy) + "\"/></a:xfrm>" + grpSpPrExtra + "</p:grpSpPr>" + members +
           "</p:grpSp>";
}

inline std::string slideXml(const std::string& shapes, const std::string& after = "",
                            const std::string& cSldExtra = "", const std::string& attrs = "") {
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><p:sld ") + kNamespaces + attrs +
           "><p:cSld>" + cSldExtra + spTree(shapes) + "</p:cSld>" + after + "</p:sld>";
}

constexpr long long kEmu = 12700;  // per point

inline std::string solid(const std::string& rgb) {
    return "<a:solidFill><a:srgbClr val=\"" + rgb + "\"/></a:solidFill>";
}

inline const std::string kNoLine = "<a:ln><a:noFill/></a:ln>";

// An a:xfrm of offset (x, y) and size cx × cy in EMU; attrs go on the element (rot, flips).
inline std::string xfrm(long long x, long long y, long long cx, long long cy,
                        const std::string& attrs = "") {
    return "<a:xfrm" + attrs + "><a:off x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) +
           "\"/><a:ext cx=\"" + std::to_string(cx) + "\" cy=\"" + std::to_string(cy) +
           "\"/></a:xfrm>";
}

// A rectangle with a text body.
inline std::string rect(int id, const std::string& name, long long x, long long y, long long cx,
                        long long cy, const std::string& spPrExtra = "",
                        const std::string& txBody = "", const std::string& geometry = "rect") {
    std::string s = "<p:sp><p:nvSpPr><p:cNvPr id=\"" + std::to_string(id) + "\" name=\"" + name +
                    "\"/><p:cNvSpPr/><p:nvPr/></p:nvSpPr><p:spPr>" + xfrm(x, y, cx, cy) +
                    "<a:prstGeom prst=\"" + geometry + "\"><a:avLst/></a:prstGeom>" + spPrExtra +
                    "</p:spPr>";
    if (!txBody.empty()) s += "<p:txBody><a:bodyPr/><a:lstStyle/>" + txBody + "</p:txBody>";
    return s + "</p:sp>";
}

// A shape without text whose spPr holds the given elements.
inline std::string bareShape(int id, const std::string& name, const std::string& spPr) {
    return "<p:sp><p:nvSpPr><p:cNvPr id=\"" + std::to_string(id) + "\" name=\"" + name +
           "\"/><p:cNvSpPr/><p:nvPr/></p:nvSpPr><p:spPr>" + spPr + "</p:spPr></p:sp>";
}

// A placeholder: ph holds the p:ph attributes; spPr and txBody the content of those elements.
inline std::string placeholderShape(int id, const std::string& name, const std::string& ph,
                                    const std::string& spPr, const std::string& txBody) {
    return "<p:sp><p:nvSpPr><p:cNvPr id=\"" + std::to_string(id) + "\" name=\"" + name +
           "\"/><p:cNvSpPr/><p:nvPr><p:ph " + ph + "/></p:nvPr></p:nvSpPr><p:spPr>" + spPr +
           "</p:spPr><p:txBody>" + txBody + "</p:txBody></p:sp>";
}

// A whole 1 x 1 PNG (one red pixel): pictures a slide shows must decode.
inline std::string onePixelPng() {
    static const unsigned char bytes[] = {
        0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48,
        0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x02, 0x00, 0x00,
        0x00, 0x90, 0x77, 0x53, 0xde, 0x00, 0x00, 0x00, 0x0c, 0x49, 0x44, 0x41, 0x54, 0x78,
        0x9c, 0x63, 0xf8, 0xcf, 0xc0, 0x00, 0x00, 0x03, 0x01, 0x01, 0x00, 0xc9, 0xfe, 0x92,
        0xef, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};
    return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

struct DeckRecipe {
    std::vector<std::string> slides;  // whole slide parts
    std::string masterShapes;
    std::string masterBackground =
        "<p:bg><p:bgPr><a:solidFill><a:srgbClr val=\"FFFFFF\"/></a:solidFill></p:bgPr></p:bg>";
    std::string titleStyle =
        "<a:lvl1pPr algn=\"ctr\"><a:buNone/><a:defRPr sz=\"4400\"><a:solidFill><a:schemeClr "
        "val=\"tx1\"/></a:solidFill><a:latin typeface=\"+mj-lt\"/></a:defRPr></a:lvl1pPr>";
    std::string bodyStyle =
        "<a:lvl1pPr marL=\"342900\" indent=\"-342900\"><a:buFont typeface=\"Arial\"/><a:buChar "
        "char=\"&#8226;\"/><a:defRPr sz=\"3200\"><a:solidFill><a:schemeClr "
        "val=\"tx1\"/></a:solidFill>"
        "<a:latin typeface=\"+mn-lt\"/></a:defRPr></a:lvl1pPr>"
        "<a:lvl2pPr marL=\"742950\" indent=\"-285750\"><a:buFont typeface=\"Arial\"/><a:buChar "
        "char=\"&#8211;\"/><a:defRPr sz=\"2800\"/></a:lvl2pPr>";
    std::string layoutShapes;
    std::string layoutType = "obj";
    std::string layoutAttributes;  // more attributes of the layout's root, e.g. showMasterSp="0"
    std::string layoutBackground;
    std::string clrMap =
        "<p:clrMap bg1=\"lt1\" tx1=\"dk1\" bg2=\"lt2\" tx2=\"dk2\" accent1=\"accent1\" "
        "accent2=\"accent2\" accent3=\"accent3\" accent4=\"accent4\" accent5=\"accent5\" "
        "accent6=\"accent6\" hlink=\"hlink\" folHlink=\"folHlink\"/>";
    std::string slideSize = "<p:sldSz cx=\"9144000\" cy=\"6858000\"/>";
    // The presentation's default text style (its level properties).
    std::string defaultTextStyle =
        "<a:lvl1pPr><a:defRPr sz=\"1800\"><a:solidFill><a:schemeClr val=\"tx1\"/></a:solidFill>"
        "<a:latin typeface=\"+mn-lt\"/><a:ea typeface=\"+mn-ea\"/></a:defRPr></a:lvl1pPr>";
    std::string otherStyle;                      // the master's style for other text
    std::vector<ZipEntry> extra;                 // more parts (media, ...)
    std::map<std::string, std::string> replace;  // part name -> content ("" removes the part)
};

inline std::string themeXml() {
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><a:theme ") + kNamespaces +
           " name=\"Test Theme\"><a:themeElements><a:clrScheme name=\"T\">"
           "<a:dk1><a:sysClr val=\"windowText\" lastClr=\"000000\"/></a:dk1>"
           "<a:lt1><a:sysClr val=\"window\" lastClr=\"FFFFFF\"/></a:lt1>"
           "<a:dk2><a:srgbClr val=\"1F497D\"/></a:dk2><a:lt2><a:srgbClr val=\"EEECE1\"/></a:lt2>"
           "<a:accent1><a:srgbClr val=\"4F81BD\"/></a:accent1>"
           "<a:accent2><a:srgbClr val=\"C0504D\"/></a:accent2>"
           "<a:accent3><a:srgbClr val=\"9BBB59\"/></a:accent3>"
           "<a:accent4><a:srgbClr val=\"8064A2\"/></a:accent4>"
           "<a:accent5><a:srgbClr val=\"4BACC6\"/></a:accent5>"
           "<a:accent6><a:srgbClr val=\"F79646\"/></a:accent6>"
           "<a:hlink><a:srgbClr val=\"0000FF\"/></a:hlink>"
           "<a:folHlink><a:srgbClr val=\"800080\"/></a:folHlink></a:clrScheme>"
           "<a:fontScheme name=\"F\"><a:majorFont><a:latin typeface=\"Cambria\"/><a:ea "
           "typeface=\"\"/><a:cs typeface=\"\"/></a:majorFont><a:minorFont><a:latin "
           "typeface=\"Calibri\"/><a:ea typeface=\"MS Mincho\"/><a:cs typeface=\"\"/>"
           "</a:minorFont></a:fontScheme><a:fmtScheme name=\"S\"><a:fillStyleLst>"
           "<a:solidFill><a:schemeClr val=\"phClr\"/></a:solidFill>"
           "<a:solidFill><a:schemeClr val=\"phClr\"><a:tint "
           "val=\"50000\"/></a:schemeClr></a:solidFill>"
           "<a:gradFill><a:gsLst><a:gs pos=\"0\"><a:schemeClr val=\"phClr\"/></a:gs>"
           "<a:gs pos=\"100000\"><a:srgbClr val=\"FFFFFF\"/></a:gs></a:gsLst>"
           "<a:lin ang=\"5400000\" scaled=\"0\"/></a:gradFill></a:fillStyleLst><a:lnStyleLst>"
           "<a:ln w=\"9525\"><a:solidFill><a:schemeClr val=\"phClr\"><a:shade val=\"50000\"/>"
           "</a:schemeClr></a:solidFill><a:prstDash val=\"solid\"/></a:ln>"
           "<a:ln w=\"25400\"><a:solidFill><a:schemeClr val=\"phClr\"/></a:solidFill></a:ln>"
           "<a:ln w=\"38100\"><a:solidFill><a:schemeClr val=\"phClr\"/></a:solidFill></a:ln>"
           "</a:lnStyleLst><a:effectStyleLst/><a:bgFillStyleLst><a:solidFill><a:schemeClr "
           "val=\"phClr\"/></a:solidFill></a:bgFillStyleLst></a:fmtScheme></a:themeElements>"
           "</a:theme>";
}

// Writes the bytes to the file; gives its path.
inline std::string writeBytesTo(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
}

// Writes the bytes to a file of that name under the test's temporary folder; gives its path.
inline std::string writeFile(const std::vector<std::uint8_t>& bytes, const std::string& name) {
    return writeBytesTo((std::filesystem::path(testing::TempDir()) / name).string(), bytes);
}

// stored: every part uncompressed (fuzz seeds, so that mutations reach the XML).
inline std::vector<std::uint8_t> makeDeck(const DeckRecipe& recipe, bool stored = false) {
    std::vector<ZipEntry> parts;
    std::string types =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types "
        "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" "
        "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Default Extension=\"png\" ContentType=\"image/png\"/>"
        "<Override PartName=\"/ppt/presentation.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.presentationml.presentation."
        "main+xml\"/></Types>";
    parts.push_back({"[Content_Types].xml", types});
    parts.push_back({"_rels/.rels", relsXml({{"rId1", "officeDocument", "ppt/presentation.xml"}})});
    std::string pres = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><p:presentation ") +
                       kNamespaces +
                       "><p:sldMasterIdLst><p:sldMasterId id=\"2147483648\" "
                       "r:id=\"rId1\"/></p:sldMasterIdLst><p:sldIdLst>";
    std::vector<std::vector<std::string>> presRels = {
        {"rId1", "slideMaster", "slideMasters/slideMaster1.xml"}};
    for (std::size_t i = 0; i < recipe.slides.size(); ++i) {
        std::string rid = "rId" + std::to_string(i + 10);
        pres += "<p:sldId id=\"" + std::to_string(256 + i) + "\" r:id=\"" + rid + "\"/>";
        presRels.push_back({rid, "slide", "slides/slide" + std::to_string(i + 1) + ".xml"});
        parts.push_back({"ppt/slides/slide" + std::to_string(i + 1) + ".xml", recipe.slides[i]});
        parts.push_back({"ppt/slides/_rels/slide" + std::to_string(i + 1) + ".xml.rels",
                         relsXml({{"rId1", "slideLayout", "../slideLayouts/slideLayout1.xml"},
                                  {"rId2", "image", "../media/image1.png"}})});
    }
    pres += "</p:sldIdLst>" + recipe.slideSize + "<p:defaultTextStyle>" + recipe.defaultTextStyle +
            "</p:defaultTextStyle></p:presentation>";
    parts.push_back({"ppt/presentation.xml", pres});
    parts.push_back({"ppt/_rels/presentation.xml.rels", relsXml(presRels)});
    std::string master = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><p:sldMaster ") +
                         kNamespaces + "><p:cSld>" + recipe.masterBackground +
                         spTree(recipe.masterShapes) + "</p:cSld>" + recipe.clrMap +
                         "<p:sldLayoutIdLst><p:sldLayoutId id=\"2147483649\" "
                         "r:id=\"rId1\"/></p:sldLayoutIdLst><p:txStyles><p:titleStyle>" +
                         recipe.titleStyle + "</p:titleStyle><p:bodyStyle>" + recipe.bodyStyle +
                         "</p:bodyStyle><p:otherStyle>" + recipe.otherStyle +
                         "</p:otherStyle></p:txStyles></p:sldMaster>";
    parts.push_back({"ppt/slideMasters/slideMaster1.xml", master});
    parts.push_back({"ppt/slideMasters/_rels/slideMaster1.xml.rels",
                     relsXml({{"rId1", "slideLayout", "../slideLayouts/slideLayout1.xml"},
                              {"rId2", "theme", "../theme/theme1.xml"}})});
    std::string layout =
        std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><p:sldLayout ") + kNamespaces +
        " type=\"" + recipe.layoutType + "\" " + recipe.layoutAttributes + "><p:cSld name=\"L\">" +
        recipe.layoutBackground + spTree(recipe.layoutShapes) + "</p:cSld></p:sldLayout>";
    parts.push_back({"ppt/slideLayouts/slideLayout1.xml", layout});
    parts.push_back({"ppt/slideLayouts/_rels/slideLayout1.xml.rels",
                     relsXml({{"rId1", "slideMaster", "../slideMasters/slideMaster1.xml"}})});
    parts.push_back({"ppt/theme/theme1.xml", themeXml()});
    for (const ZipEntry& e : recipe.extra) parts.push_back(e);
    std::vector<ZipEntry> final;
    for (ZipEntry& p : parts) {
        auto it = recipe.replace.find(p.name);
        if (it != recipe.replace.end()) {
            if (it->second.empty()) continue;
            p.data = it->second;
        }
        p.store = p.store || stored;
        final.push_back(p);
    }
    return makeZip(final);
}

}  // namespace quillet::test
