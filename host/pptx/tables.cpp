#include "host/pptx/tables.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "host/pptx/xml.h"

namespace quillet::pptx {

namespace {

// Styles that tables name without the package defining them. Files name the default style by id
// alone when the package's list is empty.
constexpr const char* kBuiltInStyles = R"(<a:tblStyleLst
 xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main">
<a:tblStyle styleId="{5C22544A-7EE6-4342-B048-85BDC9FD1C3A}" styleName="Medium Style 2 - Accent 1">
 <a:wholeTbl>
  <a:tcTxStyle><a:fontRef idx="minor"><a:prstClr val="black"/></a:fontRef><a:schemeClr val="dk1"/></a:tcTxStyle>
  <a:tcStyle><a:tcBdr>
   <a:left><a:ln w="12700" cmpd="sng"><a:solidFill><a:schemeClr val="lt1"/></a:solidFill></a:ln></a:left>
   <a:right><a:ln w="12700" cmpd="sng"><a:solidFill><a:schemeClr val="lt1"/></a:solidFill></a:ln></a:right>
   <a:top><a:ln w="12700" cmpd="sng"><a:solidFill><a:schemeClr val="lt1"/></a:solidFill></a:ln></a:top>
   <a:bottom><a:ln w="12700" cmpd="sng"><a:solidFill><a:schemeClr val="lt1"/></a:solidFill></a:ln></a:bottom>
   <a:insideH><a:ln w="12700" cmpd="sng"><a:solidFill><a:schemeClr val="lt1"/></a:solidFill></a:ln></a:insideH>
   <a:insideV><a:ln w="12700" cmpd="sng"><a:solidFill><a:schemeClr val="lt1"/></a:solidFill></a:ln></a:insideV>
  </a:tcBdr>
  <a:fill><a:solidFill><a:schemeClr val="accent1"><a:tint val="20000"/></a:schemeClr></a:solidFill></a:fill></a:tcStyle>
 </a:wholeTbl>
 <a:band1H><a:tcStyle><a:tcBdr/><a:fill><a:solidFill><a:schemeClr val="accent1"><a:tint val="40000"/></a:schemeClr></a:solidFill></a:fill></a:tcStyle></a:band1H>
 <a:band2H><a:tcStyle><a:tcBdr/></a:tcStyle></a:band2H>
 <a:band1V><a:tcStyle><a:tcBdr/><a:fill><a:solidFill><a:schemeClr val="accent1"><a:tint val="40000"/></a:schemeClr></a:solidFill></a:fill></a:tcStyle></a:band1V>
 <a:band2V><a:tcStyle><a:tcBdr/></a:tcStyle></a:band2V>
 <a:lastCol><a:tcTxStyle b="on"><a:fontRef idx="minor"><a:prstClr val="black"/></a:fontRef><a:schemeClr val="lt1"/></a:tcTxStyle>
  <a:tcStyle><a:tcBdr/><a:fill><a:solidFill><a:schemeClr val="accent1"/></a:solidFill></a:fill></a:tcStyle></a:lastCol>
 <a:firstCol><a:tcTxStyle b="on"><a:fontRef idx="minor"><a:prstClr val="black"/></a:fontRef><a:schemeClr val="lt1"/></a:tcTxStyle>
  <a:tcStyle><a:tcBdr/><a:fill><a:solidFill><a:schemeClr val="accent1"/></a:solidFill></a:fill></a:tcStyle></a:firstCol>
 <a:lastRow><a:tcTxStyle b="on"><a:fontRef idx="minor"><a:prstClr val="black"/></a:fontRef><a:schemeClr val="lt1"/></a:tcTxStyle>
  <a:tcStyle><a:tcBdr><a:top><a:ln w="38100" cmpd="sng"><a:solidFill><a:schemeClr val="lt1"/></a:solidFill></a:ln></a:top></a:tcBdr>
   <a:fill><a:solidFill><a:schemeClr val="accent1"/></a:solidFill></a:fill></a:tcStyle></a:lastRow>
 <a:firstRow><a:tcTxStyle b="on"><a:fontRef idx="minor"><a:prstClr val="black"/></a:fontRef><a:schemeClr val="lt1"/></a:tcTxStyle>
  <a:tcStyle><a:tcBdr><a:bottom><a:ln w="38100" cmpd="sng"><a:solidFill><a:schemeClr val="lt1"/></a:solidFill></a:ln></a:bottom></a:tcBdr>
   <a:fill><a:solidFill><a:schemeClr val="accent1"/></a:solidFill></a:fill></a:tcStyle></a:firstRow>
</a:tblStyle>
<a:tblStyle styleId="{5940675A-B579-460E-94D1-54222C63F5DA}" styleName="No Style, Table Grid">
 <a:wholeTbl>
  <a:tcTxStyle><a:fontRef idx="minor"><a:scrgbClr r="0" g="0" b="0"/></a:fontRef><a:schemeClr val="tx1"/></a:tcTxStyle>
  <a:tcStyle><a:tcBdr>
   <a:left><a:ln w="12700" cmpd="sng"><a:solidFill><a:schemeClr val="tx1"/></a:solidFill></a:ln></a:left>
   <a:right><a:ln w="12700" cmpd="sng"><a:solidFill><a:schemeClr val="tx1"/></a:solidFill></a:ln></a:right>
   <a:top><a:ln w="12700" cmpd="sng"><a:solidFill><a:schemeClr val="tx1"/></a:solidFill></a:ln></a:top>
   <a:bottom><a:ln w="12700" cmpd="sng"><a:solidFill><a:schemeClr val="tx1"/></a:solidFill></a:ln></a:bottom>
   <a:insideH><a:ln w="12700" cmpd="sng"><a:solidFill><a:schemeClr val="tx1"/></a:solidFill></a:ln></a:insideH>
   <a:insideV><a:ln w="12700" cmpd="sng"><a:solidFill><a:schemeClr val="tx1"/></a:solidFill></a:ln></a:insideV>
  </a:tcBdr><a:fill><a:noFill/></a:fill></a:tcStyle>
 </a:wholeTbl>
</a:tblStyle>
<a:tblStyle styleId="{2D5ABB26-0587-4C30-8999-92F81FD0307C}" styleName="No Style, No Grid">
 <a:wholeTbl>
  <a:tcTxStyle><a:fontRef idx="minor"><a:scrgbClr r="0" g="0" b="0"/></a:fontRef><a:schemeClr val="tx1"/></a:tcTxStyle>
  <a:tcStyle><a:tcBdr/><a:fill><a:noFill/></a:fill></a:tcStyle>
 </a:wholeTbl>
</a:tblStyle>
</a:tblStyleLst>)";

pugi::xml_node builtInStyles() {
    static const std::shared_ptr<pugi::xml_document> doc =
        parseXml(kBuiltInStyles, "built-in table styles");
    return doc->document_element();
}

pugi::xml_node styleIn(pugi::xml_node list, const std::string& id) {
    for (pugi::xml_node s : list.children()) {
        if (is(s, "tblStyle") && strAttr(s, "styleId") == id) return s;
    }
    return {};
}

// "on", "off" and the usual boolean spellings; "def" and anything else: not set.
std::optional<bool> onOff(pugi::xml_node node, const char* name) {
    std::string v = strAttr(node, name);
    if (v == "on" || v == "1" || v == "true") return true;
    if (v == "off" || v == "0" || v == "false") return false;
    return std::nullopt;
}

// An edge line of tcBdr: a:ln or a theme line reference.
std::optional<LineData> borderLine(pugi::xml_node edge, const ColorContext& colors,
                                   const PartRefs* refs) {
    if (!edge) return std::nullopt;
    if (pugi::xml_node ln = child(edge, "ln")) return readLine(ln, colors, refs, LineData{});
    if (pugi::xml_node ref = child(edge, "lnRef")) return styleLine(ref, colors, refs);
    return std::nullopt;
}

// The region a part covers, in grid rows and columns (inclusive).
struct Region {
    std::size_t top = 0, left = 0, bottom = 0, right = 0;
};

void applyPart(pugi::xml_node part, const Region& region, std::size_t row, std::size_t column,
               std::size_t lastRow, std::size_t lastColumn, const ColorContext& colors,
               const PartRefs* refs, CellStyle& out) {
    if (!part) return;
    if (pugi::xml_node text = child(part, "tcTxStyle")) {
        if (auto b = onOff(text, "b")) out.bold = b;
        if (auto i = onOff(text, "i")) out.italic = i;
        pugi::xml_node fontRef = child(text, "fontRef");
        if (auto c = readColorIn(text, colors)) {
            out.color = c;
        } else if (auto fc = readColorIn(fontRef, colors)) {
            out.color = fc;
        }
        std::string idx = strAttr(fontRef, "idx");
        if (idx == "major") out.latin = "+mj-lt";
        if (idx == "minor") out.latin = "+mn-lt";
        if (pugi::xml_node font = child(text, "font")) {
            std::string face = strAttr(child(font, "latin"), "typeface");
            if (!face.empty()) out.latin = face;
        }
    }
    pugi::xml_node style = child(part, "tcStyle");
    if (!style) return;
    if (pugi::xml_node fill = child(style, "fill")) {
        if (pugi::xml_node f = findFill(fill)) out.fill = readFill(f, colors, refs);
    } else if (pugi::xml_node ref = child(style, "fillRef")) {
        out.fill = styleFill(ref, colors, refs);
    }
    pugi::xml_node bdr = child(style, "tcBdr");
    if (!bdr) return;
    // Each edge of the cell: the part's outer line where it lies on the region's border, its
    // inside line elsewhere.
    auto edge = [&](std::optional<LineData>& target, bool outer, const char* outerName,
                    const char* insideName) {
        if (auto line = borderLine(child(bdr, outer ? outerName : insideName), colors, refs)) {
            target = line;
        }
    };
    edge(out.top, row == region.top, "top", "insideH");
    edge(out.bottom, lastRow == region.bottom, "bottom", "insideH");
    edge(out.left, column == region.left, "left", "insideV");
    edge(out.right, lastColumn == region.right, "right", "insideV");
    if (auto l = borderLine(child(bdr, "tl2br"), colors, refs)) out.diagonalDown = l;
    if (auto l = borderLine(child(bdr, "tr2bl"), colors, refs)) out.diagonalUp = l;
}

void appendHex(std::string& out, const Color& c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X%02X%02X", c.rgb & 0xFF, (c.rgb >> 8) & 0xFF,
                  (c.rgb >> 16) & 0xFF);
    out += buf;
}

}  // namespace

pugi::xml_node findTableStyle(pugi::xml_node styleList, const std::string& id) {
    if (id.empty()) return {};
    if (pugi::xml_node s = styleIn(styleList, id)) return s;
    return styleIn(builtInStyles(), id);
}

CellStyle tableCellStyle(pugi::xml_node style, const TableData& table, std::size_t row,
                         std::size_t column, std::size_t rowSpan, std::size_t columnSpan,
                         std::size_t rows, std::size_t columns, const ColorContext& colors,
                         const PartRefs* refs) {
    CellStyle out;
    if (!style || rows == 0 || columns == 0 || row >= rows || column >= columns) return out;
    std::size_t lastRow = std::min(rows - 1, row + std::max<std::size_t>(rowSpan, 1) - 1);
    std::size_t lastColumn =
        std::min(columns - 1, column + std::max<std::size_t>(columnSpan, 1) - 1);
    const Region whole{0, 0, rows - 1, columns - 1};
    auto apply = [&](const char* name, const Region& region) {
        applyPart(child(style, name), region, row, column, lastRow, lastColumn, colors, refs, out);
    };
    apply("wholeTbl", whole);
    // Bands count from the first row or column that is not a header.
    if (table.bandColumns) {
        std::size_t first = table.firstColumn ? 1 : 0;
        if (column >= first) {
            Region r{0, column, rows - 1, lastColumn};
            apply((column - first) % 2 == 0 ? "band1V" : "band2V", r);
        }
    }
    if (table.bandRows) {
        std::size_t first = table.firstRow ? 1 : 0;
        if (row >= first) {
            Region r{row, 0, lastRow, columns - 1};
            apply((row - first) % 2 == 0 ? "band1H" : "band2H", r);
        }
    }
    bool inLastColumn = table.lastColumn && lastColumn == columns - 1;
    bool inFirstColumn = table.firstColumn && column == 0;
    bool inLastRow = table.lastRow && lastRow == rows - 1;
    bool inFirstRow = table.firstRow && row == 0;
    if (inLastColumn) apply("lastCol", {0, columns - 1, rows - 1, columns - 1});
    if (inFirstColumn) apply("firstCol", {0, 0, rows - 1, 0});
    if (inLastRow) apply("lastRow", {rows - 1, 0, rows - 1, columns - 1});
    if (inFirstRow) apply("firstRow", {0, 0, 0, columns - 1});
    const Region cell{row, column, lastRow, lastColumn};
    if (inLastRow && inLastColumn) apply("seCell", cell);
    if (inLastRow && inFirstColumn) apply("swCell", cell);
    if (inFirstRow && inLastColumn) apply("neCell", cell);
    if (inFirstRow && inFirstColumn) apply("nwCell", cell);
    return out;
}

std::shared_ptr<pugi::xml_document> cellTextStyle(const CellStyle& style) {
    if (!style.bold && !style.italic && !style.color && style.latin.empty()) return nullptr;
    std::string rPr = "<a:defRPr";
    if (style.bold) rPr += *style.bold ? " b=\"1\"" : " b=\"0\"";
    if (style.italic) rPr += *style.italic ? " i=\"1\"" : " i=\"0\"";
    rPr += ">";
    if (style.color) {
        rPr += "<a:solidFill><a:srgbClr val=\"";
        appendHex(rPr, *style.color);
        rPr += "\">";
        if (style.color->alpha < 1.0f) {
            rPr += "<a:alpha val=\"" +
                   std::to_string(static_cast<int>(std::max(0.0f, style.color->alpha) * 100000)) +
                   "\"/>";
        }
        rPr += "</a:srgbClr></a:solidFill>";
    }
    if (!style.latin.empty()) {
        // Typefaces come from the file: escape them for the attribute.
        std::string face;
        for (char c : style.latin) {
            switch (c) {
                case '&':
                    face += "&amp;";
                    break;
                case '<':
                    face += "&lt;";
                    break;
                case '>':
                    face += "&gt;";
                    break;
                case '"':
                    face += "&quot;";
                    break;
                default:
                    face += c;
            }
        }
        rPr += "<a:latin typeface=\"" + face + "\"/>";
    }
    rPr += "</a:defRPr>";
    std::string xml =
        "<a:lstStyle xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\">";
    xml += "<a:defPPr>" + rPr + "</a:defPPr>";
    for (int level = 1; level <= 9; ++level) {
        xml += "<a:lvl" + std::to_string(level) + "pPr>" + rPr + "</a:lvl" + std::to_string(level) +
               "pPr>";
    }
    xml += "</a:lstStyle>";
    try {
        return parseXml(xml, "table cell text style");
    } catch (const std::exception&) {
        return nullptr;  // a face name that is not XML text: the cell keeps its own text
    }
}

}  // namespace quillet::pptx
