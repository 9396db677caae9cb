// Table styles: the parts of the named style chosen by the table's flags, the cell's own
// properties above them, the package's definitions before the built-in ones, the built-in
// default, the style's text weight and colour reaching the runs the host reports, and the parts
// (cells, then borders) a table is drawn and built from.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "host/pptx/layout.h"
#include "host/pptx/package.h"
#include "host/pptx/pptx_host.h"
#include "host/pptx/reader.h"
#include "host/pptx/render/renderer.h"
#include "host/pptx/tables.h"
#include "host/pptx/theme.h"
#include "host/pptx/xml.h"
#include "test_deck.h"

namespace quillet::pptx {
namespace {

using test::DeckRecipe;
using test::relsXml;
using test::slideXml;

constexpr const char* kMediumStyle2 = "{5C22544A-7EE6-4342-B048-85BDC9FD1C3A}";

std::string cell(const std::string& text, const std::string& runProps = ">",
                 const std::string& tcPr = "") {
    return "<a:tc><a:txBody><a:bodyPr/><a:lstStyle/><a:p><a:r><a:rPr lang=\"en-US\"" + runProps +
           "</a:rPr><a:t>" + text + "</a:t></a:r></a:p></a:txBody><a:tcPr>" + tcPr +
           "</a:tcPr></a:tc>";
}

// A table of rows × columns at 100 × 20 pt cells; cells(r, c) gives each cell's XML.
template <typename F>
std::string tableFrame(const std::string& tblPr, int rows, int columns, F cells) {
    std::string s =
        "<p:graphicFrame><p:nvGraphicFramePr><p:cNvPr id=\"7\" name=\"Table\"/>"
        "<p:cNvGraphicFramePr/><p:nvPr/></p:nvGraphicFramePr><p:xfrm><a:off x=\"254000\" "
        "y=\"254000\"/><a:ext cx=\"" +
        std::to_string(1270000 * columns) + "\" cy=\"" + std::to_string(254000 * rows) +
        "\"/></p:xfrm><a:graphic><a:graphicData "
        "uri=\"http://schemas.openxmlformats.org/drawingml/2006/table\"><a:tbl>" +
        tblPr + "<a:tblGrid>";
    for (int c = 0; c < columns; ++c) s += "<a:gridCol w=\"1270000\"/>";
    s += "</a:tblGrid>";
    for (int r = 0; r < rows; ++r) {
        s += "<a:tr h=\"254000\">";
        for (int c = 0; c < columns; ++c) s += cells(r, c);
        s += "</a:tr>";
    }
    return s + "</a:tbl></a:graphicData></a:graphic></p:graphicFrame>";
}

std::string tblPr(const std::string& flags, const std::string& id) {
    return "<a:tblPr " + flags + "><a:tableStyleId>" + id + "</a:tableStyleId></a:tblPr>";
}

// A deck with one slide holding frame; styles, when given, is the package's table style list.
std::shared_ptr<PresentationData> deckWith(const std::string& frame,
                                           const std::string& styles = "") {
    DeckRecipe recipe;
    recipe.slides.push_back(slideXml(frame));
    if (!styles.empty()) {
        recipe.extra.push_back({"ppt/tableStyles.xml",
                                "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a:tblStyleLst "
                                "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/"
                                "main\" def=\"" +
                                    std::string(kMediumStyle2) + "\">" + styles +
                                    "</a:tblStyleLst>"});
        recipe.replace["ppt/_rels/presentation.xml.rels"] =
            relsXml({{"rId1", "slideMaster", "slideMasters/slideMaster1.xml"},
                     {"rId10", "slide", "slides/slide1.xml"},
                     {"rId3", "tableStyles", "tableStyles.xml"}});
    }
    return readPresentation(Package::openMemory(test::makeDeck(recipe)));
}

const TableData& tableOf(const PresentationData& deck) {
    static const TableData empty;
    if (deck.slides.empty() || deck.slides[0]->shapes->items.empty()) return empty;
    const ShapePtr& s = deck.slides[0]->shapes->items.back();
    return s->table ? *s->table : empty;
}

// A colour written as DrawingML, resolved over the test deck's theme colours.
int colorOf(const std::string& xml) {
    auto doc = parseXml(std::string("<a:x xmlns:a=\"http://schemas.openxmlformats.org/"
                                    "drawingml/2006/main\">") +
                            xml + "</a:x>",
                        "colour");
    Theme theme;
    theme.colors["accent1"] = Color{0xBD814F, 1.0f};  // 4F81BD
    theme.colors["lt1"] = Color{0xFFFFFF, 1.0f};
    theme.colors["dk1"] = Color{0, 1.0f};
    ColorMap map = defaultColorMap();
    return readColorIn(doc->document_element(), ColorContext{&theme, &map, std::nullopt})
        .value_or(Color{-1, 1})
        .rgb;
}

const Run& firstRun(const TableCell& c) {
    static const Run none;
    if (!c.text || c.text->paragraphs.empty() || c.text->paragraphs[0].runs.empty()) return none;
    return c.text->paragraphs[0].runs[0];
}

TEST(TableStyles, BuiltInDefaultByFlags) {
    auto deck = deckWith(
        tableFrame(tblPr("firstRow=\"1\" bandRow=\"1\"", kMediumStyle2), 4, 2,
                   [](int r, int c) { return cell("r" + std::to_string(r) + std::to_string(c)); }));
    const TableData& t = tableOf(*deck);
    ASSERT_EQ(t.rows.size(), 4u);
    const int accent = 0xBD814F;
    const int tint40 =
        colorOf("<a:schemeClr val=\"accent1\"><a:tint val=\"40000\"/></a:schemeClr>");
    const int tint20 =
        colorOf("<a:schemeClr val=\"accent1\"><a:tint val=\"20000\"/></a:schemeClr>");
    ASSERT_NE(tint40, tint20);
    for (int c = 0; c < 2; ++c) {
        const TableCell& head = t.rows[0].cells[c];
        EXPECT_EQ(head.fill.kind, FillKind::Solid);
        EXPECT_EQ(head.fill.color.rgb, accent);
        // The header's white bold text, and its thick white rule below.
        EXPECT_TRUE(firstRun(head).props.bold);
        EXPECT_EQ(firstRun(head).props.fill.color.rgb, 0xFFFFFF);
        EXPECT_TRUE(head.borderBottom.visible);
        EXPECT_FLOAT_EQ(head.borderBottom.weight, 3.0f);
        // Bands start below the header: band 1 (40 %), band 2 (the whole table's 20 %), ...
        EXPECT_EQ(t.rows[1].cells[c].fill.color.rgb, tint40);
        EXPECT_EQ(t.rows[2].cells[c].fill.color.rgb, tint20);
        EXPECT_EQ(t.rows[3].cells[c].fill.color.rgb, tint40);
        EXPECT_FALSE(firstRun(t.rows[1].cells[c]).props.bold);
        EXPECT_EQ(firstRun(t.rows[1].cells[c]).props.fill.color.rgb, 0);
    }
    // Inner lines are thin white rules.
    const TableCell& inner = t.rows[2].cells[0];
    EXPECT_TRUE(inner.borderRight.visible);
    EXPECT_EQ(inner.borderRight.fill.color.rgb, 0xFFFFFF);
    EXPECT_FLOAT_EQ(inner.borderRight.weight, 1.0f);
    EXPECT_FLOAT_EQ(t.rows[2].cells[0].borderTop.weight, 1.0f);
}

TEST(TableStyles, CellPropertiesWin) {
    auto deck = deckWith(
        tableFrame(tblPr("firstRow=\"1\" bandRow=\"1\"", kMediumStyle2), 2, 2, [](int r, int c) {
            if (r == 0 && c == 0) {
                // Own run colour over the header's white; the weight still comes from the style.
                return cell("own", "><a:solidFill><a:srgbClr val=\"00FF00\"/></a:solidFill>");
            }
            if (r == 1 && c == 1) {
                return cell("own", ">",
                            "<a:lnL w=\"50800\"><a:solidFill><a:srgbClr val=\"0000FF\"/>"
                            "</a:solidFill></a:lnL><a:solidFill><a:srgbClr val=\"FF0000\"/>"
                            "</a:solidFill>");
            }
            if (r == 1 && c == 0) return cell("plain", " b=\"1\">");
            return cell("x");
        }));
    const TableData& t = tableOf(*deck);
    ASSERT_EQ(t.rows.size(), 2u);
    EXPECT_EQ(firstRun(t.rows[0].cells[0]).props.fill.color.rgb, 0x00FF00);
    EXPECT_TRUE(firstRun(t.rows[0].cells[0]).props.bold);
    const TableCell& own = t.rows[1].cells[1];
    EXPECT_EQ(own.fill.color.rgb, 0x0000FF);  // FF0000 with red in the low byte
    EXPECT_EQ(own.borderLeft.fill.color.rgb, 0xFF0000);
    EXPECT_FLOAT_EQ(own.borderLeft.weight, 4.0f);
    EXPECT_EQ(own.borderTop.fill.color.rgb, 0xFFFFFF);  // the style's, where the cell is silent
    EXPECT_TRUE(firstRun(t.rows[1].cells[0]).props.bold);
}

TEST(TableStyles, PackageDefinitionsComeFirst) {
    std::string styles =
        "<a:tblStyle styleId=\"{AAAA0000-0000-0000-0000-000000000001}\" styleName=\"T\">"
        "<a:wholeTbl><a:tcStyle><a:tcBdr><a:left><a:ln w=\"25400\"><a:solidFill>"
        "<a:srgbClr val=\"112233\"/></a:solidFill></a:ln></a:left><a:insideV><a:ln "
        "w=\"12700\"><a:solidFill><a:srgbClr val=\"445566\"/></a:solidFill></a:ln></a:insideV>"
        "</a:tcBdr><a:fill><a:solidFill><a:srgbClr val=\"CCCCCC\"/></a:solidFill></a:fill>"
        "</a:tcStyle></a:wholeTbl>"
        "<a:firstCol><a:tcTxStyle i=\"on\"><a:srgbClr val=\"800000\"/></a:tcTxStyle>"
        "<a:tcStyle><a:tcBdr/><a:fill><a:solidFill><a:srgbClr val=\"333333\"/></a:solidFill>"
        "</a:fill></a:tcStyle></a:firstCol>"
        "<a:lastCol><a:tcStyle><a:fill><a:solidFill><a:srgbClr val=\"0000AA\"/></a:solidFill>"
        "</a:fill></a:tcStyle></a:lastCol></a:tblStyle>"
        // The package may redefine a built-in id: its definition is the one used.
        "<a:tblStyle styleId=\"" +
        std::string(kMediumStyle2) +
        "\" styleName=\"M\"><a:wholeTbl><a:tcStyle><a:fill><a:solidFill><a:srgbClr "
        "val=\"00AA00\"/></a:solidFill></a:fill></a:tcStyle></a:wholeTbl></a:tblStyle>";
    auto deck =
        deckWith(tableFrame(tblPr("firstCol=\"1\"", "{AAAA0000-0000-0000-0000-000000000001}"), 2, 3,
                            [](int, int) { return cell("x"); }),
                 styles);
    const TableData& t = tableOf(*deck);
    ASSERT_EQ(t.rows.size(), 2u);
    ASSERT_EQ(t.rows[0].cells.size(), 3u);
    for (int r = 0; r < 2; ++r) {
        const TableCell& first = t.rows[r].cells[0];
        EXPECT_EQ(first.fill.color.rgb, 0x333333);
        EXPECT_TRUE(firstRun(first).props.italic);
        EXPECT_EQ(firstRun(first).props.fill.color.rgb, 0x000080);
        // The first column's empty tcBdr keeps the whole table's lines: the outer left edge
        // and the inside line between columns.
        EXPECT_EQ(first.borderLeft.fill.color.rgb, 0x332211);
        EXPECT_FLOAT_EQ(first.borderLeft.weight, 2.0f);
        EXPECT_EQ(first.borderRight.fill.color.rgb, 0x665544);
        const TableCell& middle = t.rows[r].cells[1];
        EXPECT_EQ(middle.fill.color.rgb, 0xCCCCCC);
        EXPECT_FALSE(firstRun(middle).props.italic);
        EXPECT_EQ(middle.borderLeft.fill.color.rgb, 0x665544);
        // lastCol is not asked for by the flags.
        EXPECT_EQ(t.rows[r].cells[2].fill.color.rgb, 0xCCCCCC);
    }
    auto redefined = deckWith(
        tableFrame(tblPr("", kMediumStyle2), 1, 1, [](int, int) { return cell("x"); }), styles);
    ASSERT_EQ(tableOf(*redefined).rows.size(), 1u);
    EXPECT_EQ(tableOf(*redefined).rows[0].cells[0].fill.color.rgb, 0x00AA00);
}

// Styles that treat every cell alike: flags off leave the whole table's fill; an unknown or
// missing id gives no style; the built-in grid draws black edges only.
TEST(TableStyles, EveryCellAlike) {
    const int tint20 =
        colorOf("<a:schemeClr val=\"accent1\"><a:tint val=\"20000\"/></a:schemeClr>");
    const auto wholeTable = [&](const TableCell& c) {
        EXPECT_EQ(c.fill.color.rgb, tint20);
        EXPECT_FALSE(firstRun(c).props.bold);
    };
    const auto none = [](const TableCell& c) {
        EXPECT_EQ(c.fill.kind, FillKind::None);
        EXPECT_FALSE(c.borderTop.visible);
        EXPECT_FALSE(firstRun(c).props.bold);
    };
    const auto grid = [](const TableCell& c) {
        EXPECT_EQ(c.fill.kind, FillKind::None);
        for (const LineData* l : {&c.borderLeft, &c.borderRight, &c.borderTop, &c.borderBottom}) {
            EXPECT_TRUE(l->visible);
            EXPECT_EQ(l->fill.color.rgb, 0);
        }
    };
    const std::tuple<std::string, std::size_t, std::function<void(const TableCell&)>> cases[] = {
        {tblPr("", kMediumStyle2), 3, wholeTable},
        {tblPr("firstRow=\"1\"", "{01234567-89AB-CDEF-0123-456789ABCDEF}"), 2, none},
        {"<a:tblPr firstRow=\"1\" bandRow=\"1\"/>", 2, none},
        {tblPr("firstRow=\"1\"", "{5940675A-B579-460E-94D1-54222C63F5DA}"), 2, grid},
    };
    for (const auto& [pr, rows, check] : cases) {
        SCOPED_TRACE(pr);
        auto deck =
            deckWith(tableFrame(pr, static_cast<int>(rows), 2, [](int, int) { return cell("x"); }));
        const TableData& t = tableOf(*deck);
        ASSERT_EQ(t.rows.size(), rows);
        for (const TableRow& r : t.rows) {
            ASSERT_EQ(r.cells.size(), 2u);
            for (const TableCell& c : r.cells) check(c);
        }
    }
}

TEST(TableStyles, SpannedCellsTakeTheEdgesTheyReach) {
    // A header cell spanning both columns has the table's outer right edge.
    std::string styles =
        "<a:tblStyle styleId=\"{AAAA0000-0000-0000-0000-000000000002}\" styleName=\"T\">"
        "<a:wholeTbl><a:tcStyle><a:tcBdr><a:right><a:ln w=\"38100\"><a:solidFill><a:srgbClr "
        "val=\"FF0000\"/></a:solidFill></a:ln></a:right><a:insideV><a:ln w=\"12700\">"
        "<a:solidFill><a:srgbClr val=\"00FF00\"/></a:solidFill></a:ln></a:insideV></a:tcBdr>"
        "</a:tcStyle></a:wholeTbl></a:tblStyle>";
    auto deck = deckWith(
        tableFrame(
            tblPr("", "{AAAA0000-0000-0000-0000-000000000002}"), 2, 2,
            [](int r, int c) {
                if (r == 0 && c == 0) {
                    return std::string("<a:tc gridSpan=\"2\">") +
                           "<a:txBody><a:bodyPr/><a:p/></a:txBody>"
                           "<a:tcPr/></a:tc>";
                }
                if (r == 0)
                    return std::string(
                        "<a:tc "
                        "hMerge=\"1\"><a:txBody><a:bodyPr/><a:p/></a:txBody><a:tcPr/></a:tc>");
                return cell("x");
            }),
        styles);
    const TableData& t = tableOf(*deck);
    ASSERT_EQ(t.rows.size(), 2u);
    EXPECT_EQ(t.rows[0].cells[0].borderRight.fill.color.rgb, 0x0000FF);
    EXPECT_FLOAT_EQ(t.rows[0].cells[0].borderRight.weight, 3.0f);
    EXPECT_EQ(t.rows[1].cells[0].borderRight.fill.color.rgb, 0x00FF00);
}

TEST(TableStyles, TextStyleReachesTheHostFonts) {
    auto deck = deckWith(tableFrame(tblPr("firstRow=\"1\"", kMediumStyle2), 2, 1,
                                    [](int r, int) { return cell(r == 0 ? "Head" : "Body"); }));
    const TableData& t = tableOf(*deck);
    ASSERT_EQ(t.rows.size(), 2u);
    // The runs carry the style's properties as their own resolved ones: what a text range over
    // the cell reports.
    const RunProps& head = firstRun(t.rows[0].cells[0]).props;
    EXPECT_TRUE(head.bold);
    EXPECT_EQ(head.fill.kind, FillKind::Solid);
    EXPECT_EQ(head.fill.color.rgb, 0xFFFFFF);
    EXPECT_EQ(head.latin, "Calibri");  // the style's minor font reference
    EXPECT_EQ(t.rows[0].cells[0].text->paragraphs[0].endProps.fill.color.rgb, 0xFFFFFF);
    const RunProps& body = firstRun(t.rows[1].cells[0]).props;
    EXPECT_FALSE(body.bold);
    EXPECT_EQ(body.fill.color.rgb, 0);
}

TEST(TableStyles, HostileStyleParts) {
    // Faces with markup, absurd widths and colours that are not colours: read without harm.
    std::string styles =
        "<a:tblStyle styleId=\"{X}\"><a:wholeTbl><a:tcTxStyle b=\"maybe\"><a:font><a:latin "
        "typeface=\"A&quot;&lt;b&gt;&amp;\"/></a:font><a:schemeClr val=\"nothing\"/>"
        "</a:tcTxStyle><a:tcStyle><a:tcBdr><a:left><a:ln w=\"999999999999999\"/></a:left>"
        "<a:top><a:lnRef idx=\"99\"/></a:top></a:tcBdr><a:fillRef idx=\"-5\"/></a:tcStyle>"
        "</a:wholeTbl><a:firstRow/></a:tblStyle>";
    auto deck = deckWith(
        tableFrame(tblPr("firstRow=\"1\"", "{X}"), 2, 2, [](int, int) { return cell("x"); }),
        styles);
    const TableData& t = tableOf(*deck);
    ASSERT_EQ(t.rows.size(), 2u);
    EXPECT_EQ(firstRun(t.rows[0].cells[0]).props.latin, "A\"<b>&");
    EXPECT_LE(t.rows[0].cells[0].borderLeft.weight, 1000.0f);
}

// A 200-point wide table at (100, 100) with two 20-point rows: red above blue.
render::Surface twoRows(const std::string& firstRowText) {
    std::string frame =
        "<p:graphicFrame><p:nvGraphicFramePr><p:cNvPr id=\"7\" name=\"Table\"/>"
        "<p:cNvGraphicFramePr/><p:nvPr/></p:nvGraphicFramePr><p:xfrm><a:off x=\"1270000\" "
        "y=\"1270000\"/><a:ext cx=\"2540000\" cy=\"508000\"/></p:xfrm><a:graphic>"
        "<a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/table\"><a:tbl>"
        "<a:tblPr/><a:tblGrid><a:gridCol w=\"2540000\"/></a:tblGrid><a:tr h=\"254000\"><a:tc>"
        "<a:txBody><a:bodyPr/><a:lstStyle/>" +
        firstRowText +
        "</a:txBody><a:tcPr><a:solidFill><a:srgbClr val=\"FF0000\"/></a:solidFill></a:tcPr>"
        "</a:tc></a:tr><a:tr h=\"254000\"><a:tc><a:txBody><a:bodyPr/><a:lstStyle/><a:p/>"
        "</a:txBody><a:tcPr><a:solidFill><a:srgbClr val=\"0000FF\"/></a:solidFill></a:tcPr>"
        "</a:tc></a:tr></a:tbl></a:graphicData></a:graphic></p:graphicFrame>";
    auto deck = deckWith(frame);
    render::Renderer renderer;
    return renderer.renderSlide(*deck, *deck->slides.at(0), 720, 540);
}

TEST(TableRows, GrowToHoldTheirText) {
    // Three lines of 18-point text need far more than the row's 20 points: the row grows and
    // pushes the next one down.
    std::string para = "<a:p><a:r><a:rPr lang=\"en-US\" sz=\"1800\"/><a:t>Line</a:t></a:r></a:p>";
    render::Surface grown = twoRows(para + para + para);
    ASSERT_TRUE(grown);
    EXPECT_EQ(render::pixelRgb(grown.get(), 150, 130), 0xFF0000u);
    EXPECT_EQ(render::pixelRgb(grown.get(), 150, 150), 0xFF0000u);
    int blueTop = -1;
    for (int y = 120; y < 260 && blueTop < 0; ++y) {
        if (render::pixelRgb(grown.get(), 150, y) == 0x0000FFu) blueTop = y;
    }
    ASSERT_GT(blueTop, 0) << "the second row is missing";
    EXPECT_GT(blueTop, 100 + 3 * 18);
    EXPECT_LT(blueTop, 100 + 3 * 18 * 1.5 + 12);
    // Text that fits leaves the rows as stored; a trailing empty paragraph counts with the
    // height of its mark, as any other line.
    const std::string small =
        "<a:p><a:r><a:rPr lang=\"en-US\" sz=\"800\"/><a:t>x</a:t></a:r></a:p>";
    struct Case {
        std::string text;
        int blueTop;  // where the second row starts
    };
    for (const Case& c :
         {Case{small, 120}, Case{small + "<a:p><a:endParaRPr lang=\"en-US\" sz=\"4000\"/></a:p>",
                                 100 + 3 + 8 * 6 / 5 + 40 * 6 / 5 + 4}}) {
        SCOPED_TRACE(c.blueTop);
        render::Surface fits = twoRows(c.text);
        ASSERT_TRUE(fits);
        EXPECT_EQ(render::pixelRgb(fits.get(), 150, c.blueTop - 3), 0xFF0000u);
        EXPECT_EQ(render::pixelRgb(fits.get(), 150, c.blueTop + 3), 0x0000FFu);
        EXPECT_EQ(render::pixelRgb(fits.get(), 150, c.blueTop + 25), 0xFFFFFFu);
    }
}

// A 2 × 3 table at (20, 20) of 100 × 20 pt cells: a header spanning both columns, a red dashed
// 2-point line under the first body cell, a black 0.75-point line right of it, vertical text in
// the second, and a last row whose three 18-point lines make it grow.
std::string partsTable() {
    const std::string grownText =
        "<a:p><a:r><a:rPr lang=\"en-US\" sz=\"1800\"/><a:t>0C</a:t></a:r></a:p>";
    return tableFrame("<a:tblPr/>", 3, 2, [&](int r, int c) {
        if (r == 0 && c == 0) {
            std::string head = cell("Head", " sz=\"1000\">", test::solid("FFFF00"));
            return head.insert(5, " gridSpan=\"2\"");
        }
        if (r == 0) {
            return std::string(
                "<a:tc hMerge=\"1\"><a:txBody><a:bodyPr/><a:p/></a:txBody><a:tcPr/>"
                "</a:tc>");
        }
        if (r == 1 && c == 0) {
            return cell("x", " sz=\"1000\">",
                        "<a:lnR w=\"9525\"><a:solidFill><a:srgbClr val=\"000000\"/></a:solidFill>"
                        "</a:lnR><a:lnB w=\"25400\"><a:solidFill><a:srgbClr val=\"FF0000\"/>"
                        "</a:solidFill><a:prstDash val=\"dash\"/></a:lnB>");
        }
        if (r == 1) {
            // Vertical text along the row, which does not make the row grow.
            return std::string(
                "<a:tc><a:txBody><a:bodyPr/><a:p><a:r><a:rPr sz=\"1000\"/><a:t>y y y "
                "y y y y y</a:t></a:r></a:p></a:txBody><a:tcPr vert=\"vert270\"/>"
                "</a:tc>");
        }
        if (r == 2 && c == 0) {
            return "<a:tc><a:txBody><a:bodyPr/><a:lstStyle/>" + grownText + grownText + grownText +
                   "</a:txBody><a:tcPr/></a:tc>";
        }
        return cell("y", " sz=\"1000\">");
    });
}

// A table is drawn from its parts: each cell that no span covers as a box with its fill and
// text (the grown row at its grown height), then each visible border as a line. The host gives
// the same parts as the table's members, and drawing them one by one gives the table's picture.
TEST(TableParts, CellsThenBordersAsDrawn) {
    auto app = openApplication(test::writeFile(test::makeDeck([] {
                                                   DeckRecipe r;
                                                   r.slides.push_back(slideXml(partsTable()));
                                                   return r;
                                               }()),
                                               "table_parts.pptx"));
    ASSERT_TRUE(app);
    auto presentation = app->activePresentation();
    auto deck = modelOf(*presentation);
    const Shape& frame = *deck->slides.at(0)->shapes->items.at(0);
    LayoutCache layouts;
    const std::vector<ShapePtr> parts = render::tableParts(frame, layouts);
    ASSERT_EQ(parts.size(), 7u);  // five cells, two borders

    const std::vector<double> rows = tableRowHeights(frame, layouts);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_DOUBLE_EQ(rows[1], 20.0);
    EXPECT_GT(rows[2], 3 * 18.0);  // grown
    struct Box {
        float left, top, width, height;
        const char* text;
    };
    const float grown = static_cast<float>(rows[2]);
    const Box cells[] = {{20, 20, 200, 20, "Head"},
                         {20, 40, 100, 20, "x"},
                         {120, 40, 100, 20, "y y y y y y y y"},
                         {20, 60, 100, grown, "0C"},
                         {120, 60, 100, grown, "y"}};
    for (std::size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        const Shape& p = *parts[i];
        EXPECT_EQ(p.type, host::shape_type::kAutoShape);
        EXPECT_EQ(p.preset, "rect");
        EXPECT_FALSE(p.line.visible);
        EXPECT_FLOAT_EQ(p.left, cells[i].left);
        EXPECT_FLOAT_EQ(p.top, cells[i].top);
        EXPECT_FLOAT_EQ(p.width, cells[i].width);
        EXPECT_FLOAT_EQ(p.height, cells[i].height);
        ASSERT_TRUE(p.text);
        ASSERT_FALSE(p.text->paragraphs.empty());
        ASSERT_FALSE(p.text->paragraphs[0].runs.empty());
        EXPECT_EQ(p.text->paragraphs[0].runs[0].text, cells[i].text);
    }
    EXPECT_EQ(parts[2]->text->orientation, host::orientation::kUpward);
    EXPECT_EQ(parts[1]->text->orientation, host::orientation::kHorizontal);
    EXPECT_EQ(parts[0]->fill.kind, FillKind::Solid);
    EXPECT_EQ(parts[0]->fill.color.rgb, 0x00FFFF);  // FFFF00 stored as 0xBBGGRR
    // The borders of the first body cell: its bottom (red, dashed, 2 pt), then its right side.
    const Shape& bottom = *parts[5];
    EXPECT_EQ(bottom.type, host::shape_type::kLine);
    EXPECT_EQ(bottom.preset, "line");
    EXPECT_FLOAT_EQ(bottom.left, 20);
    EXPECT_FLOAT_EQ(bottom.top, 60);
    EXPECT_FLOAT_EQ(bottom.width, 100);
    EXPECT_FLOAT_EQ(bottom.height, 0);
    EXPECT_FLOAT_EQ(bottom.line.weight, 2);
    EXPECT_EQ(bottom.line.fill.color.rgb, 0x0000FF);
    EXPECT_EQ(bottom.line.dash, host::dash_style::kDash);
    const Shape& right = *parts[6];
    EXPECT_FLOAT_EQ(right.left, 120);
    EXPECT_FLOAT_EQ(right.top, 40);
    EXPECT_FLOAT_EQ(right.width, 0);
    EXPECT_FLOAT_EQ(right.height, 20);
    EXPECT_FLOAT_EQ(right.line.weight, 0.75f);

    // The host's members are those parts, at their places on the slide.
    auto table = presentation->slides()->item(1)->shapes()->item(1);
    ASSERT_EQ(table->type(), host::shape_type::kTable);
    EXPECT_NEAR(table->height(), 40 + grown, 1e-3);
    auto members = table->groupItems();
    ASSERT_TRUE(members);
    ASSERT_EQ(members->count(), 7);
    auto head = members->item(1);
    EXPECT_EQ(head->type(), host::shape_type::kAutoShape);
    EXPECT_EQ(head->autoShapeType(), host::shape_kind::kRectangle);
    EXPECT_FLOAT_EQ(head->width(), 200);
    EXPECT_EQ(head->textFrame()->textRange()->text(), "Head");
    auto last = members->item(4);
    EXPECT_FLOAT_EQ(last->top(), 60);
    EXPECT_FLOAT_EQ(last->height(), grown);
    auto line = members->item(6);
    EXPECT_EQ(line->type(), host::shape_type::kLine);
    EXPECT_FLOAT_EQ(line->line()->weight(), 2);
    EXPECT_EQ(line->line()->foreColorRgb(), 0x0000FF);
    EXPECT_EQ(line->line()->visible(), host::kTrue);

    // The parts drawn one by one are the table's picture, pixel for pixel.
    ShapeList whole, apart;
    whole.items.push_back(deck->slides[0]->shapes->items[0]);
    apart.items = parts;
    render::Renderer renderer;
    render::Surface a = renderer.renderPage(240, 160, FillData{}, {&whole}, 480, 320);
    render::Surface b = renderer.renderPage(240, 160, FillData{}, {&apart}, 480, 320);
    ASSERT_TRUE(a && b);
    const int stride = cairo_image_surface_get_stride(a.get());
    ASSERT_EQ(
        0, std::memcmp(cairo_image_surface_get_data(a.get()), cairo_image_surface_get_data(b.get()),
                       static_cast<std::size_t>(stride) * 320));
    EXPECT_EQ(render::pixelRgb(a.get(), 100, 50), 0xFFFF00u);  // the header's fill
}

}  // namespace
}  // namespace quillet::pptx
