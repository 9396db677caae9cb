// Writes the seed decks of fuzz_pptx_package (fuzz/corpus/pptx): small packages whose parts are
// stored uncompressed, so that the fuzzer's mutations reach the XML.
//
//   pptx_fuzz_seeds OUTPUT_DIR
#include <cstdio>
#include <fstream>
#include <string>

#include "tests/host/test_deck.h"

using namespace quillet::test;

namespace {

void write(const std::string& dir, const std::string& name, DeckRecipe recipe) {
    std::vector<std::uint8_t> bytes = makeDeck(recipe, true);
    std::ofstream out(dir + "/" + name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: pptx_fuzz_seeds OUTPUT_DIR\n");
        return 2;
    }
    std::string dir = argv[1];
    DeckRecipe empty;
    write(dir, "empty.pptx", empty);

    DeckRecipe shapes;
    shapes.slides.push_back(slideXml(
        rect(2, "A", 0, 0, 127000, 127000,
             "<a:solidFill><a:schemeClr val=\"accent1\"><a:lumMod val=\"75000\"/></a:schemeClr>"
             "</a:solidFill><a:ln w=\"12700\"><a:prstDash val=\"dash\"/><a:tailEnd "
             "type=\"triangle\"/></a:ln>",
             "<a:p><a:pPr lvl=\"1\"><a:buAutoNum type=\"romanUcPeriod\"/></a:pPr><a:r><a:rPr "
             "sz=\"2400\" b=\"1\"/><a:t>One</a:t></a:r><a:br/><a:fld type=\"slidenum\"><a:t>1"
             "</a:t></a:fld></a:p>",
             "wedgeRectCallout") +
            "<p:grpSp><p:nvGrpSpPr><p:cNvPr id=\"3\" name=\"G\"/><p:cNvGrpSpPr/><p:nvPr/>"
            "</p:nvGrpSpPr><p:grpSpPr><a:xfrm rot=\"60000\"><a:off x=\"10\" y=\"10\"/><a:ext "
            "cx=\"100\" cy=\"100\"/><a:chOff x=\"0\" y=\"0\"/><a:chExt cx=\"50\" cy=\"50\"/>"
            "</a:xfrm><a:gradFill><a:gsLst><a:gs pos=\"0\"><a:srgbClr val=\"FF0000\"/></a:gs>"
            "<a:gs pos=\"100000\"><a:srgbClr val=\"0000FF\"/></a:gs></a:gsLst><a:lin "
            "ang=\"2700000\"/></a:gradFill></p:grpSpPr>" +
            rect(4, "M", 0, 0, 10, 10, "<a:grpFill/>") + "</p:grpSp>",
        "<p:transition spd=\"med\"><p:wipe dir=\"u\"/></p:transition><p:timing><p:tnLst><p:par>"
        "<p:cTn id=\"1\" nodeType=\"tmRoot\"><p:childTnLst><p:seq><p:cTn id=\"2\" "
        "nodeType=\"mainSeq\"><p:childTnLst><p:par><p:cTn id=\"3\"><p:childTnLst><p:par><p:cTn "
        "id=\"4\" presetID=\"2\" presetClass=\"entr\" presetSubtype=\"8\" "
        "nodeType=\"clickEffect\"><p:childTnLst><p:set><p:cBhvr><p:cTn id=\"5\" dur=\"500\"/>"
        "<p:tgtEl><p:spTgt spid=\"2\"/></p:tgtEl></p:cBhvr></p:set></p:childTnLst></p:cTn>"
        "</p:par></p:childTnLst></p:cTn></p:par></p:childTnLst></p:cTn></p:seq></p:childTnLst>"
        "</p:cTn></p:par></p:tnLst></p:timing>"));
    write(dir, "shapes.pptx", shapes);

    DeckRecipe placeholders;
    placeholders.layoutType = "title";
    placeholders.layoutShapes =
        "<p:sp><p:nvSpPr><p:cNvPr id=\"2\" name=\"T\"/><p:cNvSpPr/><p:nvPr><p:ph "
        "type=\"title\"/></p:nvPr></p:nvSpPr><p:spPr><a:xfrm><a:off x=\"1\" y=\"1\"/><a:ext "
        "cx=\"9\" cy=\"9\"/></a:xfrm></p:spPr></p:sp>" +
        rect(9, "Logo", 0, 0, 5, 5);
    placeholders.slides.push_back(slideXml(
        "<p:sp><p:nvSpPr><p:cNvPr id=\"2\" name=\"T\"/><p:cNvSpPr/><p:nvPr><p:ph "
        "type=\"title\"/></p:nvPr></p:nvSpPr><p:spPr/><p:txBody><a:bodyPr/><a:p><a:r><a:t>T"
        "</a:t></a:r></a:p></p:txBody></p:sp>"
        "<p:sp><p:nvSpPr><p:cNvPr id=\"5\" name=\"F\"/><p:cNvSpPr/><p:nvPr/></p:nvSpPr>"
        "<p:spPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"100\" cy=\"100\"/></a:xfrm>"
        "<a:custGeom><a:pathLst><a:path w=\"10\" h=\"10\"><a:moveTo><a:pt x=\"0\" y=\"0\"/>"
        "</a:moveTo><a:arcTo wR=\"5\" hR=\"5\" stAng=\"0\" swAng=\"5400000\"/><a:quadBezTo>"
        "<a:pt x=\"1\" y=\"1\"/><a:pt x=\"2\" y=\"0\"/></a:quadBezTo><a:close/></a:path>"
        "</a:pathLst></a:custGeom></p:spPr></p:sp>",
        "", "<p:bg><p:bgRef idx=\"1001\"><a:schemeClr val=\"bg2\"/></p:bgRef></p:bg>"));
    write(dir, "placeholders.pptx", placeholders);

    // A table with spans, fills, borders and cell text, and a SmartArt frame with its drawing.
    const std::string table =
        "<p:graphicFrame><p:nvGraphicFramePr><p:cNvPr id=\"6\" name=\"T\"/><p:cNvGraphicFramePr/>"
        "<p:nvPr/></p:nvGraphicFramePr><p:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"200\" "
        "cy=\"100\"/></p:xfrm><a:graphic><a:graphicData "
        "uri=\"http://schemas.openxmlformats.org/drawingml/2006/table\"><a:tbl><a:tblPr "
        "firstRow=\"1\" bandRow=\"1\"><a:tableStyleId>{X}</a:tableStyleId></a:tblPr><a:tblGrid>"
        "<a:gridCol w=\"100\"/><a:gridCol w=\"100\"/></a:tblGrid><a:tr h=\"50\"><a:tc "
        "gridSpan=\"2\"><a:txBody><a:bodyPr/><a:p><a:r><a:t>A</a:t></a:r></a:p></a:txBody><a:tcPr "
        "marL=\"10\" anchor=\"ctr\"><a:lnL w=\"12700\"><a:solidFill><a:srgbClr val=\"FF0000\"/>"
        "</a:solidFill></a:lnL><a:solidFill><a:schemeClr val=\"accent1\"/></a:solidFill></a:tcPr>"
        "</a:tc><a:tc hMerge=\"1\"><a:tcPr/></a:tc></a:tr><a:tr h=\"50\"><a:tc rowSpan=\"1\">"
        "<a:tcPr/></a:tc><a:tc vMerge=\"1\"/></a:tr></a:tbl></a:graphicData></a:graphic>"
        "</p:graphicFrame>";
    const std::string diagram =
        "<p:graphicFrame><p:nvGraphicFramePr><p:cNvPr id=\"7\" name=\"D\"/><p:cNvGraphicFramePr/>"
        "<p:nvPr/></p:nvGraphicFramePr><p:xfrm><a:off x=\"10\" y=\"10\"/><a:ext cx=\"200\" "
        "cy=\"100\"/></p:xfrm><a:graphic><a:graphicData "
        "uri=\"http://schemas.openxmlformats.org/drawingml/2006/diagram\"><dgm:relIds "
        "xmlns:dgm=\"http://schemas.openxmlformats.org/drawingml/2006/diagram\" r:dm=\"rId3\"/>"
        "</a:graphicData></a:graphic></p:graphicFrame>";
    DeckRecipe tables;
    tables.slides.push_back(slideXml(table + diagram));
    tables.replace["ppt/slides/_rels/slide1.xml.rels"] =
        relsXml({{"rId1", "slideLayout", "../slideLayouts/slideLayout1.xml"},
                 {"rId3", "diagramData", "../diagrams/data1.xml"},
                 {"rId6", "diagramDrawing", "../diagrams/drawing1.xml"}});
    tables.extra.push_back(
        {"ppt/diagrams/data1.xml",
         "<dgm:dataModel xmlns:dgm=\"http://schemas.openxmlformats.org/drawingml/2006/diagram\">"
         "<dsp:dataModelExt xmlns:dsp=\"http://schemas.microsoft.com/office/drawing/2008/diagram\""
         " relId=\"rId6\"/></dgm:dataModel>"});
    tables.extra.push_back(
        {"ppt/diagrams/drawing1.xml",
         "<dsp:drawing xmlns:dsp=\"http://schemas.microsoft.com/office/drawing/2008/diagram\" " +
             std::string(kNamespaces) + "><dsp:spTree><dsp:grpSpPr/>" +
             rect(8, "E", 0, 0, 50, 50, "", "<a:p><a:r><a:t>abc</a:t></a:r></a:p>", "ellipse") +
             "</dsp:spTree></dsp:drawing>"});
    write(dir, "tables.pptx", tables);
    {
        std::ofstream xml(dir + "/slide-tables.xml", std::ios::binary);
        xml << tables.slides[0];
    }

    // Slide XML alone: the target packs it into a deck itself.
    for (std::size_t i = 0; i < shapes.slides.size(); ++i) {
        std::ofstream xml(dir + "/slide-shapes.xml", std::ios::binary);
        xml << shapes.slides[i];
    }
    std::ofstream xml(dir + "/slide-placeholders.xml", std::ios::binary);
    xml << placeholders.slides[0];
    return 0;
}
