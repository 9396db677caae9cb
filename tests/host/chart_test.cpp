// Charts drawn from their parts: series values, categories and colours as read, hostile chart
// XML read within the limits, and bars and slices at their places on a rendered slide.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "fonts/font_library.h"
#include "host/pptx/charts.h"
#include "host/pptx/package.h"
#include "host/pptx/reader.h"
#include "host/pptx/render/canvas.h"
#include "host/pptx/render/chart.h"
#include "host/pptx/render/renderer.h"
#include "host/pptx/xml.h"
#include "test_deck.h"
#include "test_render.h"

namespace quillet::pptx {
namespace {

// The library chart texts are measured with, as a renderer's layouts hold one.
fonts::FontLibrary* chartFonts() {
    static fonts::FontLibrary library;
    return &library;
}

constexpr const char* kChartNs =
    "xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" "
    "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"";

std::string numCache(const std::vector<std::string>& values) {
    std::string s =
        "<c:numRef><c:f>S!$B$2</c:f><c:numCache><c:formatCode>General</c:formatCode>"
        "<c:ptCount val=\"" +
        std::to_string(values.size()) + "\"/>";
    for (std::size_t i = 0; i < values.size(); ++i) {
        s += "<c:pt idx=\"" + std::to_string(i) + "\"><c:v>" + values[i] + "</c:v></c:pt>";
    }
    return s + "</c:numCache></c:numRef>";
}

std::string series(int idx, const std::string& name, const std::vector<std::string>& values,
                   const std::string& spPr = "") {
    return "<c:ser><c:idx val=\"" + std::to_string(idx) + "\"/><c:order val=\"" +
           std::to_string(idx) +
           "\"/><c:tx><c:strRef><c:f>S!$B$1</c:f><c:strCache><c:ptCount val=\"1\"/><c:pt "
           "idx=\"0\"><c:v>" +
           name + "</c:v></c:pt></c:strCache></c:strRef></c:tx>" + spPr +
           "<c:cat><c:strRef><c:f>S!$A$2</c:f><c:strCache><c:ptCount val=\"3\"/>"
           "<c:pt idx=\"0\"><c:v>A</c:v></c:pt><c:pt idx=\"1\"><c:v>B</c:v></c:pt>"
           "<c:pt idx=\"2\"><c:v>C</c:v></c:pt></c:strCache></c:strRef></c:cat><c:val>" +
           numCache(values) + "</c:val></c:ser>";
}

std::string chartPart(const std::string& plots, const std::string& afterPlot = "",
                      const std::string& before = "<c:autoTitleDeleted val=\"1\"/>") {
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><c:chartSpace ") + kChartNs +
           "><c:chart>" + before + "<c:plotArea><c:layout/>" + plots + "</c:plotArea>" + afterPlot +
           "</c:chart></c:chartSpace>";
}

// A slide with a chart frame of 400 × 300 points at (100, 100); the chart part's relationships
// and further parts when given.
std::shared_ptr<PresentationData> deckWithChart(
    const std::string& chart, const std::string& chartRels = "",
    const std::vector<std::pair<std::string, std::string>>& parts = {}) {
    test::DeckRecipe recipe;
    recipe.slides.push_back(test::slideXml(
        "<p:graphicFrame><p:nvGraphicFramePr><p:cNvPr id=\"4\" name=\"Chart\"/>"
        "<p:cNvGraphicFramePr/><p:nvPr/></p:nvGraphicFramePr><p:xfrm><a:off x=\"1270000\" "
        "y=\"1270000\"/><a:ext cx=\"5080000\" cy=\"3810000\"/></p:xfrm><a:graphic>"
        "<a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/chart\">"
        "<c:chart xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" "
        "r:id=\"rId3\"/></a:graphicData></a:graphic></p:graphicFrame>"));
    recipe.extra.push_back({"ppt/charts/chart1.xml", chart});
    if (!chartRels.empty()) recipe.extra.push_back({"ppt/charts/_rels/chart1.xml.rels", chartRels});
    for (const auto& [name, xml] : parts) recipe.extra.push_back({name, xml});
    recipe.replace["ppt/slides/_rels/slide1.xml.rels"] =
        test::relsXml({{"rId1", "slideLayout", "../slideLayouts/slideLayout1.xml"},
                       {"rId3", "chart", "../charts/chart1.xml"}});
    return readPresentation(Package::openMemory(test::makeDeck(recipe)));
}

const Shape& frameOf(const PresentationData& deck) {
    return *deck.slides.at(0)->shapes->items.at(0);
}

// The deck's first slide as the renderer draws it.
render::Surface drawSlide(const PresentationData& deck, int width = 720, int height = 540) {
    render::Renderer renderer;
    return renderer.renderSlide(deck, *deck.slides.at(0), width, height);
}

// A series' shape properties: filled in one colour.
std::string fillLook(const std::string& rgb) {
    return "<c:spPr>" + test::solid(rgb) + "</c:spPr>";
}

const char* kColumns =
    "<c:barChart><c:barDir val=\"col\"/><c:grouping val=\"clustered\"/>"
    "<c:varyColors val=\"0\"/>";

// A clustered column plot of these series.
std::string columns(const std::string& series) {
    return kColumns + series + "</c:barChart>";
}

TEST(ChartReading, SeriesValuesCategoriesAndColours) {
    auto deck = deckWithChart(
        chartPart(columns(series(0, "First", {"1", "2.5", "x"}, fillLook("123456")) +
                          series(1, "Second", {"4", "", "-3"}) + "<c:gapWidth val=\"80\"/>"),
                  "<c:legend><c:legendPos val=\"b\"/></c:legend>"));
    const Shape& frame = frameOf(*deck);
    EXPECT_EQ(frame.graphic, GraphicKind::Chart);
    ASSERT_TRUE(frame.chart);
    const ChartData& c = *frame.chart;
    ASSERT_EQ(c.plots.size(), 1u);
    const ChartPlotData& p = c.plots[0];
    EXPECT_EQ(p.type, ChartType::Bar);
    EXPECT_FALSE(p.horizontal);
    EXPECT_FLOAT_EQ(p.gapWidth, 80);
    ASSERT_EQ(p.series.size(), 2u);
    EXPECT_EQ(p.series[0].name, "First");
    ASSERT_EQ(p.series[0].values.size(), 3u);
    EXPECT_DOUBLE_EQ(p.series[0].values[0], 1);
    EXPECT_DOUBLE_EQ(p.series[0].values[1], 2.5);
    EXPECT_TRUE(std::isnan(p.series[0].values[2]));
    EXPECT_TRUE(std::isnan(p.series[1].values[1]));
    EXPECT_DOUBLE_EQ(p.series[1].values[2], -3);
    EXPECT_EQ(p.series[0].fill.color.rgb, 0x563412);
    EXPECT_EQ(p.series[1].fill.color.rgb, 0x4D50C0);  // accent2 C0504D, the series' c:idx
    EXPECT_EQ(c.categories, (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_TRUE(c.hasLegend);
    EXPECT_EQ(c.legendPosition, "b");
    EXPECT_FALSE(c.hasTitle);
}

// A title of its own text shows it; one without text of its own shows the only series' name;
// one whose own text is empty shows nothing.
TEST(ChartReading, TitleOfItsOwnTextElseTheOnlySeriesName) {
    const std::string plot = columns(series(0, "S", {"1"}));
    const auto rich = [](const std::string& runs) {
        return "<c:title><c:tx><c:rich><a:bodyPr/><a:p>" + runs +
               "<a:endParaRPr lang=\"en-US\"/></a:p></c:rich></c:tx></c:title>";
    };
    struct Case {
        const char* name;
        std::string before;
        const char* title;
    };
    for (const Case& c : {Case{"deleted", "<c:autoTitleDeleted val=\"1\"/>", ""},
                          Case{"automatic", "<c:title/>", "S"},
                          Case{"own text", rich("<a:r><a:t>Own</a:t></a:r>"), "Own"},
                          Case{"own text empty", rich(""), ""}}) {
        SCOPED_TRACE(c.name);
        auto deck = deckWithChart(chartPart(plot, "", c.before));
        ASSERT_TRUE(frameOf(*deck).chart);
        EXPECT_EQ(frameOf(*deck).chart->title, c.title);
        EXPECT_EQ(frameOf(*deck).chart->hasTitle, *c.title != '\0');
    }
}

// The chart part's own drawing (lines, boxes, texts the author put on the chart) stands at its
// anchors in the frame: corners as fractions of the frame, or a corner and a size in EMU,
// whatever the shapes' own transforms say; fractions out of range are held to the frame. The
// renderer draws it over the chart.
TEST(ChartReading, TheChartsOwnDrawingStandsAtItsAnchors) {
    const auto sp = [](int id, const std::string& own, const std::string& rgb) {
        return "<cdr:sp><cdr:nvSpPr><cdr:cNvPr id=\"" + std::to_string(id) +
               "\" name=\"S\"/><cdr:cNvSpPr/></cdr:nvSpPr><cdr:spPr>" + own +
               "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom>" + test::solid(rgb) +
               "</cdr:spPr></cdr:sp>";
    };
    const auto marker = [](const char* which, const char* x, const char* y) {
        return std::string("<cdr:") + which + "><cdr:x>" + x + "</cdr:x><cdr:y>" + y +
               "</cdr:y></cdr:" + which + ">";
    };
    const std::string drawing =
        "<?xml version=\"1.0\"?><c:userShapes "
        "xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" "
        "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
        "xmlns:cdr=\"http://schemas.openxmlformats.org/drawingml/2006/chartDrawing\">"
        "<cdr:relSizeAnchor>" +
        marker("from", "0.5", "0.5") + marker("to", "1", "0.9") +
        sp(2, test::xfrm(7, 9, 100, 100), "FF0000") + "</cdr:relSizeAnchor><cdr:absSizeAnchor>" +
        marker("from", "0.25", "0") + "<cdr:ext cx=\"1270000\" cy=\"635000\"/>" +
        sp(3, test::xfrm(0, 0, 10, 10), "0000FF") + "</cdr:absSizeAnchor><cdr:relSizeAnchor>" +
        marker("from", "nonsense", "0.9") + marker("to", "1e308", "7") +
        sp(4, test::xfrm(5, 5, 1, 1), "00FF00") + "</cdr:relSizeAnchor></c:userShapes>";
    auto deck =
        deckWithChart(chartPart(columns(series(0, "S", {"1"}))),
                      test::relsXml({{"rId1", "chartUserShapes", "../drawings/drawing1.xml"}}),
                      {{"ppt/drawings/drawing1.xml", drawing}});
    const Shape& frame = frameOf(*deck);
    ASSERT_TRUE(frame.chart && frame.chartOverlay);
    const auto& overlay = frame.chartOverlay->items;
    ASSERT_EQ(overlay.size(), 3u);
    const float boxes[3][4] = {{300, 250, 200, 120}, {200, 100, 100, 50}, {100, 370, 400, 30}};
    for (std::size_t i = 0; i < overlay.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(overlay[i]->left, boxes[i][0], 1e-3);
        EXPECT_NEAR(overlay[i]->top, boxes[i][1], 1e-3);
        EXPECT_NEAR(overlay[i]->width, boxes[i][2], 1e-3);
        EXPECT_NEAR(overlay[i]->height, boxes[i][3], 1e-3);
    }
    render::Surface picture = drawSlide(*deck);
    ASSERT_TRUE(picture);
    EXPECT_EQ(render::pixelRgb(picture.get(), 400, 300), 0xFF0000u);
    EXPECT_EQ(render::pixelRgb(picture.get(), 250, 125), 0x0000FFu);
    EXPECT_EQ(render::pixelRgb(picture.get(), 150, 385), 0x00FF00u);
}

TEST(ChartReading, ValueLabelsAndTheirFormat) {
    auto deck = deckWithChart(chartPart(
        columns("<c:dLbls><c:numFmt formatCode=\"0.0\" sourceLinked=\"0\"/><c:showVal val=\"1\"/>"
                "</c:dLbls>" +
                series(0, "On", {"1"}) +
                series(1, "Off", {"2"}).insert(7, "<c:dLbls><c:delete val=\"1\"/></c:dLbls>")) +
        "<c:valAx><c:majorGridlines><c:spPr><a:ln><a:noFill/></a:ln></c:spPr>"
        "</c:majorGridlines></c:valAx>"));
    ASSERT_TRUE(frameOf(*deck).chart);
    const ChartData& c = *frameOf(*deck).chart;
    ASSERT_EQ(c.plots.at(0).series.size(), 2u);
    EXPECT_TRUE(c.plots[0].series[0].showValues);
    EXPECT_EQ(c.plots[0].series[0].labelDecimals, 1);
    EXPECT_FALSE(c.plots[0].series[1].showValues);
    EXPECT_FALSE(c.valueAxis.gridlines);  // drawn with no fill
}

TEST(ChartReading, PieSlicesTakeTheAccents) {
    auto deck = deckWithChart(chartPart("<c:pieChart><c:varyColors val=\"1\"/>" +
                                            series(0, "Sales", {"3", "1"}) +
                                            "<c:firstSliceAng val=\"90\"/></c:pieChart>",
                                        "", ""));
    ASSERT_TRUE(frameOf(*deck).chart);
    const ChartData& c = *frameOf(*deck).chart;
    ASSERT_EQ(c.plots.size(), 1u);
    EXPECT_EQ(c.plots[0].type, ChartType::Pie);
    EXPECT_FLOAT_EQ(c.plots[0].firstSliceAngle, 90);
    const auto& fills = c.plots[0].series.at(0).pointFills;
    ASSERT_EQ(fills.size(), 2u);
    EXPECT_EQ(fills[0].second.color.rgb, 0xBD814F);  // accent1
    EXPECT_EQ(fills[1].second.color.rgb, 0x4D50C0);  // accent2
    // A lone pie's series names the chart.
    EXPECT_TRUE(c.hasTitle);
    EXPECT_EQ(c.title, "Sales");
}

TEST(ChartReading, TheStylesColours) {
    // Style 12 shades accent2 (C0504D) from darker to lighter; style 2 takes the accents.
    auto colourOf = [](int style, int index) {
        std::string all;
        for (int i = 0; i < 3; ++i) all += series(i, "S", {"1"});
        std::string part = chartPart(columns(all));
        part.insert(part.find("<c:chart>"), "<c:style val=\"" + std::to_string(style) + "\"/>");
        auto deck = deckWithChart(part);
        return frameOf(*deck)
            .chart->plots.at(0)
            .series.at(static_cast<std::size_t>(index))
            .fill.color.rgb;
    };
    auto red = [](int rgb) { return rgb & 0xFF; };
    EXPECT_LT(red(colourOf(12, 0)), 0xC0);
    EXPECT_EQ(colourOf(12, 1), 0x6366C8);  // an eighth of the way to white
    EXPECT_GT(red(colourOf(12, 2)), 0xD0);
    EXPECT_EQ(colourOf(2, 1), 0x4D50C0);
    EXPECT_EQ(colourOf(2, 2), 0x59BB9B);  // accent3 9BBB59
}

// A chart kept with its own look names a theme override: its colours and fonts replace the
// slide theme's; an override that is missing or is no override leaves the slide theme.
TEST(ChartReading, ThemeOverrideColoursAndFonts) {
    const std::string plot = columns(series(0, "S", {"1"}) + series(1, "T", {"2"}));
    const std::string rels =
        test::relsXml({{"rId1", "themeOverride", "../theme/themeOverride1.xml"}});
    const std::string override_ =
        "<?xml version=\"1.0\"?><a:themeOverride "
        "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"><a:clrScheme "
        "name=\"O\"><a:accent1><a:srgbClr val=\"112233\"/></a:accent1></a:clrScheme>"
        "<a:fontScheme name=\"O\"><a:majorFont><a:latin typeface=\"Major Face\"/></a:majorFont>"
        "<a:minorFont><a:latin typeface=\"Minor Face\"/></a:minorFont></a:fontScheme>"
        "</a:themeOverride>";
    const std::string notOverride =
        "<?xml version=\"1.0\"?><a:theme "
        "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"><a:themeElements>"
        "<a:clrScheme name=\"O\"><a:accent1><a:srgbClr val=\"112233\"/></a:accent1>"
        "</a:clrScheme></a:themeElements></a:theme>";
    struct Case {
        const char* name;
        std::string rels, part;
        int accent1;
        std::string font;
    };
    for (const Case& c : {Case{"override", rels, override_, 0x332211, "Minor Face"},
                          Case{"dangling", rels, "", 0xBD814F, "Calibri"},
                          Case{"a whole theme", rels, notOverride, 0xBD814F, "Calibri"},
                          Case{"none", "", "", 0xBD814F, "Calibri"}}) {
        std::vector<std::pair<std::string, std::string>> parts;
        if (!c.part.empty()) parts.push_back({"ppt/theme/themeOverride1.xml", c.part});
        auto deck = deckWithChart(chartPart(plot), c.rels, parts);
        ASSERT_TRUE(frameOf(*deck).chart) << c.name;
        const ChartData& chart = *frameOf(*deck).chart;
        const auto& s = chart.plots.at(0).series;
        ASSERT_EQ(s.size(), 2u) << c.name;
        EXPECT_EQ(s[0].fill.color.rgb, c.accent1) << c.name;
        EXPECT_EQ(s[1].fill.color.rgb, 0x4D50C0) << c.name;  // accent2 as the slide's theme has it
        EXPECT_EQ(chart.font, c.font) << c.name;
    }
}

TEST(ChartReading, HostileParts) {
    // Counts far beyond the caps, indices out of range, numbers that are not numbers.
    std::string pts =
        "<c:ptCount val=\"4294967295\"/><c:pt idx=\"-1\"><c:v>1</c:v></c:pt>"
        "<c:pt idx=\"99999999999\"><c:v>1</c:v></c:pt>"
        "<c:pt idx=\"2\"><c:v>1e400</c:v></c:pt><c:pt idx=\"3\"><c:v>nan</c:v>"
        "</c:pt><c:pt idx=\"4\"><c:v>inf</c:v></c:pt><c:pt idx=\"5\"><c:v>" +
        std::string(100, '9') + "</c:v></c:pt><c:pt idx=\"6\"><c:v>7</c:v></c:pt>";
    std::string many;
    for (int i = 0; i < 300; ++i) {
        many += "<c:ser><c:idx val=\"" + std::to_string(i * 1000000) + "\"/><c:val><c:numLit>" +
                pts + "</c:numLit></c:val></c:ser>";
    }
    std::string plots;
    for (int i = 0; i < 20; ++i) {
        plots += "<c:lineChart><c:grouping val=\"bogus\"/><c:gapWidth val=\"-1e30\"/>" +
                 std::string(i == 0 ? many : "") + "</c:lineChart>";
    }
    auto deck = deckWithChart(chartPart(plots));
    const Shape& frame = frameOf(*deck);
    ASSERT_TRUE(frame.chart);
    const ChartData& c = *frame.chart;
    EXPECT_LE(c.plots.size(), kMaxChartPlots);
    std::size_t seriesCount = 0;
    for (const ChartPlotData& p : c.plots) {
        seriesCount += p.series.size();
        for (const ChartSeriesData& s : p.series) {
            EXPECT_LE(s.values.size(), kMaxChartPoints);
            ASSERT_GE(s.values.size(), 7u);
            for (std::size_t i = 0; i < 6; ++i) EXPECT_TRUE(std::isnan(s.values[i])) << i;
            EXPECT_DOUBLE_EQ(s.values[6], 7);
        }
    }
    EXPECT_EQ(seriesCount, kMaxChartSeries);
    // Drawing it stays within the frame and returns.
    render::Surface picture = drawSlide(*deck, 360, 270);
    ASSERT_TRUE(picture);
    EXPECT_EQ(render::pixelRgb(picture.get(), 10, 10), 0xFFFFFFu);

    // Missing, dangling and malformed chart parts leave a frame without data.
    for (const std::string& part : {std::string("<c:chartSpace ") + kChartNs + "/>",
                                    std::string("<not xml"), chartPart("<c:surfaceChart/>")}) {
        auto other = deckWithChart(part);
        ASSERT_EQ(other->slides.size(), 1u);
        EXPECT_FALSE(frameOf(*other).chart);
    }
}

// Rows of pixels from the bottom: the height of the run of colour rgb above (x, y).
int heightAt(cairo_surface_t* s, int x, int y, unsigned rgb) {
    int h = 0;
    while (y - h >= 0 && render::pixelRgb(s, x, y - h) == rgb) ++h;
    return h;
}

TEST(ChartDrawing, ColumnsStandAtTheirValues) {
    auto deck =
        deckWithChart(chartPart(columns(series(0, "S", {"1", "2", "4"}, fillLook("FF0000"))) +
                                "<c:catAx><c:axId val=\"1\"/></c:catAx><c:valAx><c:axId val=\"2\"/>"
                                "</c:valAx>"));
    render::Surface picture = drawSlide(*deck);
    ASSERT_TRUE(picture);
    // Outside the frame: the slide; the frame's lower part: three red runs along a row.
    EXPECT_EQ(render::pixelRgb(picture.get(), 50, 50), 0xFFFFFFu);
    int row = 0;
    std::vector<std::pair<int, int>> runs;  // [start, end) of red along the row
    for (int y = 395; y > 300 && runs.empty(); --y) {
        int start = -1;
        for (int x = 100; x <= 500; ++x) {
            bool red = render::pixelRgb(picture.get(), x, y) == 0xFF0000u;
            if (red && start < 0) start = x;
            if (!red && start >= 0) {
                runs.emplace_back(start, x);
                start = -1;
            }
        }
        if (runs.size() != 3) runs.clear();
        row = y;
    }
    ASSERT_EQ(runs.size(), 3u) << "no row with three columns";
    int heights[3];
    for (int i = 0; i < 3; ++i) {
        int x = (runs[i].first + runs[i].second) / 2;
        heights[i] = heightAt(picture.get(), x, row, 0xFF0000u);
        EXPECT_GT(runs[i].second - runs[i].first, 20);
    }
    // The bars share their base: heights in the ratio of the values.
    ASSERT_GT(heights[0], 10);
    EXPECT_NEAR(static_cast<double>(heights[1]) / heights[0], 2.0, 0.15);
    EXPECT_NEAR(static_cast<double>(heights[2]) / heights[0], 4.0, 0.3);
    // Columns are spread evenly over the categories.
    EXPECT_NEAR(runs[1].first - runs[0].first, runs[2].first - runs[1].first, 2);
}

TEST(ChartDrawing, PieSlicesClockwiseFromTheTop) {
    auto deck = deckWithChart(chartPart("<c:pieChart><c:varyColors val=\"1\"/>" +
                                        series(0, "S", {"3", "1"}) +
                                        "<c:firstSliceAng val=\"0\"/></c:pieChart>"));
    render::Surface picture = drawSlide(*deck);
    ASSERT_TRUE(picture);
    // The frame's centre is the pie's: (300, 250); the first slice (three quarters, accent1)
    // runs clockwise from twelve to nine o'clock, the second (accent2) fills the last quarter.
    const unsigned accent1 = 0x4F81BD, accent2 = 0xC0504D;
    EXPECT_EQ(render::pixelRgb(picture.get(), 340, 250), accent1);  // three o'clock
    EXPECT_EQ(render::pixelRgb(picture.get(), 300, 290), accent1);  // six o'clock
    EXPECT_EQ(render::pixelRgb(picture.get(), 330, 220), accent1);  // half past one
    EXPECT_EQ(render::pixelRgb(picture.get(), 270, 220), accent2);  // half past ten
    EXPECT_EQ(render::pixelRgb(picture.get(), 270, 280), accent1);  // half past seven
}

TEST(ChartDrawing, AFramesPictureWinsOverItsData) {
    // A chart frame with its own picture (a later kind of chart's stand-in) draws the picture.
    auto deck =
        deckWithChart(chartPart(columns(series(0, "S", {"1", "2", "4"}, fillLook("FF0000")))));
    auto slide = deck->slides.at(0);
    auto frame = slide->shapes->items.at(0);
    ASSERT_TRUE(frame->chart);
    frame->picture = std::make_shared<MediaPart>();  // unreadable: the neutral placeholder
    render::Renderer renderer;
    render::Surface picture = renderer.renderSlide(*deck, *slide, 720, 540);
    ASSERT_TRUE(picture);
    for (int y = 110; y < 400; y += 7) {
        for (int x = 110; x < 500; x += 7) {
            ASSERT_NE(render::pixelRgb(picture.get(), x, y), 0xFF0000u) << x << "," << y;
        }
    }
}

// Charts whose plot the file places at (140, 130), 320 × 240 points, on a slide drawn at one
// pixel a point.
std::string placedChart(const std::string& plots, const std::string& axes,
                        const std::string& after = "", const std::string& spaceTail = "") {
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><c:chartSpace ") + kChartNs +
           "><c:chart><c:autoTitleDeleted val=\"1\"/><c:plotArea><c:layout><c:manualLayout>"
           "<c:layoutTarget val=\"inner\"/><c:x val=\"0.1\"/><c:y val=\"0.1\"/><c:w "
           "val=\"0.8\"/><c:h val=\"0.8\"/></c:manualLayout></c:layout>" +
           plots + axes + "</c:plotArea>" + after + "</c:chart>" + spaceTail + "</c:chartSpace>";
}

std::string valAx(int id, const std::string& pos, const std::string& scaling,
                  const std::string& extra = "") {
    return "<c:valAx><c:axId val=\"" + std::to_string(id) + "\"/><c:scaling>" + scaling +
           "</c:scaling><c:axPos val=\"" + pos + "\"/>" + extra + "</c:valAx>";
}

const std::string k0to4 = "<c:max val=\"4\"/><c:min val=\"0\"/>";
const std::string kXYAxes = valAx(1, "b", k0to4) + valAx(2, "l", k0to4);
const std::string kCatAxes =
    "<c:catAx><c:axId val=\"1\"/><c:axPos val=\"b\"/></c:catAx>" + valAx(2, "l", k0to4);

std::string xySeries(const std::vector<std::string>& xs, const std::vector<std::string>& ys,
                     const std::string& look, const std::vector<std::string>& sizes = {}) {
    std::string s = "<c:ser><c:idx val=\"0\"/><c:order val=\"0\"/>" + look + "<c:xVal>" +
                    numCache(xs) + "</c:xVal><c:yVal>" + numCache(ys) + "</c:yVal>";
    if (!sizes.empty()) s += "<c:bubbleSize>" + numCache(sizes) + "</c:bubbleSize>";
    return s + "</c:ser>";
}

std::string lineLook(const std::string& rgb, int emu) {
    return "<c:spPr><a:ln w=\"" + std::to_string(emu) + "\">" + test::solid(rgb) +
           "</a:ln></c:spPr>";
}

std::string marker(const std::string& symbol, int size, const std::string& rgb) {
    return "<c:marker><c:symbol val=\"" + symbol + "\"/><c:size val=\"" + std::to_string(size) +
           "\"/><c:spPr><a:solidFill><a:srgbClr val=\"" + rgb +
           "\"/></a:solidFill></c:spPr></c:marker>";
}

const std::string kNoLine = "<c:spPr><a:ln><a:noFill/></a:ln></c:spPr>";
constexpr unsigned kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

struct DrawingCase {
    const char* name;
    std::string chart;
    std::vector<test::Probe> samples;  // where a point, marker or line must be, or white
};

TEST(ChartDrawing, KindsAndFeaturesAtTheirPlaces) {
    // Axes from 0 to 4 over the placed plot: x = 140 + 80·v, y = 370 − 60·v. Three categories
    // centre at 193, 300 and 407.
    std::string line131 = series(0, "S", {"1", "3", "1"},
                                 lineLook("FF0000", 76200) +
                                     "<c:marker><c:symbol val=\"none\"/>"
                                     "</c:marker>");
    std::string smooth131 = line131;
    smooth131.insert(smooth131.size() - 8, "<c:smooth val=\"1\"/>");
    const std::vector<DrawingCase> cases = {
        {"scatter markers without a line",
         placedChart("<c:scatterChart><c:scatterStyle val=\"lineMarker\"/>" +
                         xySeries({"1", "2", "3"}, {"1", "3", "2"},
                                  kNoLine + marker("square", 12, "00FF00")) +
                         "<c:axId val=\"1\"/><c:axId val=\"2\"/></c:scatterChart>",
                     kXYAxes),
         {{220, 310, kGreen}, {300, 190, kGreen}, {380, 250, kGreen}, {260, 250, kWhite}}},
        {"scatter line between the points",
         placedChart("<c:scatterChart><c:scatterStyle val=\"lineMarker\"/>" +
                         xySeries({"1", "2", "3"}, {"1", "3", "2"},
                                  lineLook("FF0000", 76200) + marker("none", 5, "00FF00")) +
                         "<c:axId val=\"1\"/><c:axId val=\"2\"/></c:scatterChart>",
                     kXYAxes),
         {{260, 250, kRed}, {340, 220, kRed}, {220, 310, kRed}, {260, 300, kWhite}}},
        {"straight line",
         placedChart("<c:lineChart><c:grouping val=\"standard\"/>" + line131 + "</c:lineChart>",
                     kCatAxes),
         {{240, 258, kRed}, {240, 242, kWhite}}},
        // The smooth curve bows out over the chord: at x = 240 it passes 242.5, not 257.5.
        {"smooth line",
         placedChart("<c:lineChart><c:grouping val=\"standard\"/>" + smooth131 + "</c:lineChart>",
                     kCatAxes),
         {{240, 242, kRed}, {240, 258, kWhite}}},
        {"line markers",
         placedChart("<c:lineChart><c:grouping val=\"standard\"/>" +
                         series(0, "S", {"1", "3", "1"},
                                lineLook("FF0000", 12700) + marker("circle", 14, "0000FF")) +
                         "<c:marker val=\"1\"/></c:lineChart>",
                     kCatAxes),
         {{193, 310, kBlue}, {300, 190, kBlue}, {407, 310, kBlue}, {300, 250, kWhite}}},
        // Centre (300, 250), radius 120; spokes up, right, down, left.
        {"radar with markers",
         placedChart("<c:radarChart><c:radarStyle val=\"marker\"/>" +
                         series(0, "S", {"4", "2", "4", "2"},
                                lineLook("FF0000", 76200) + marker("square", 12, "00FF00")) +
                         "</c:radarChart>",
                     kCatAxes),
         {{304, 133, kGreen},
          {360, 250, kGreen},
          {304, 367, kGreen},
          {240, 250, kGreen},
          {330, 190, kRed},
          {270, 310, kRed},
          {280, 240, kWhite}}},
        {"filled radar",
         placedChart("<c:radarChart><c:radarStyle val=\"filled\"/>" +
                         series(0, "S", {"4", "2", "4", "2"}, fillLook("0000FF")) +
                         "</c:radarChart>",
                     kCatAxes),
         {{305, 250, kBlue}, {305, 160, kBlue}, {350, 180, kWhite}, {250, 320, kWhite}}},
        // The biggest bubble is 60 across (a quarter of 240); areas go with the sizes.
        {"bubbles",
         placedChart("<c:bubbleChart>" +
                         xySeries({"1", "3"}, {"1", "3"}, fillLook("0000FF"), {"1", "4"}) +
                         "<c:axId val=\"1\"/><c:axId val=\"2\"/></c:bubbleChart>",
                     kXYAxes),
         {{220, 310, kBlue},
          {232, 310, kBlue},
          {238, 310, kWhite},
          {380, 190, kBlue},
          {404, 190, kBlue},
          {380, 214, kBlue},
          {414, 190, kWhite}}},
        // Gridlines of both axes in the file's colours; the value axis' every 1.5.
        {"vertical and horizontal gridlines",
         placedChart("<c:lineChart><c:grouping val=\"standard\"/>" +
                         series(0, "S", {"4", "4", "4"}, kNoLine) + "</c:lineChart>",
                     "<c:catAx><c:axId val=\"1\"/><c:majorGridlines>" + lineLook("00FF00", 25400) +
                         "</c:majorGridlines></c:catAx>" +
                         valAx(2, "l", k0to4,
                               "<c:majorGridlines>" + lineLook("0000FF", 25400) +
                                   "</c:majorGridlines><c:majorUnit val=\"1.5\"/>")),
         {{246, 200, kGreen},
          {353, 200, kGreen},
          {200, 200, kWhite},
          {200, 280, kBlue},
          {200, 190, kBlue},
          {200, 250, kWhite},
          {200, 220, kWhite}}},
    };
    for (const DrawingCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto deck = deckWithChart(c.chart);
        ASSERT_TRUE(frameOf(*deck).chart);
        render::Surface picture = drawSlide(*deck);
        ASSERT_TRUE(picture);
        test::expectPixels(picture.get(), c.samples);
    }
}

TEST(ChartAxis, TheFilesScaleElseANiceOne) {
    struct Case {
        double lo, hi;
        const char* scaling;
        const char* unit;
        bool exact;
        double minimum, maximum, majorUnit;
    };
    const Case cases[] = {
        {0, 4, "", "", false, 0, 4.5, 0.5},  // a twentieth over the data, then a round step
        {0, 100, "", "", false, 0, 120, 20},
        {1, 9.5, "", "", false, 0, 10, 1},
        {-3, 7, "", "", false, -4, 8, 2},
        {0, 100, "", "", true, 0, 100, 10},  // percentages keep their ends
        {0, 10, "", "3", false, 0, 12, 3},   // the file's unit, the maximum rounded to it
        {0, 50, "<c:max val=\"40\"/><c:min val=\"10\"/>", "", false, 10, 40, 5},
        {0, 50, "<c:max val=\"10\"/>", "2.5", false, 0, 10, 2.5},
        {0, 5, "", "0.000001", false, 0, 6, 1},  // a million steps are too many
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.hi) + " " + c.scaling + " " + c.unit);
        std::string unit = *c.unit ? std::string("<c:majorUnit val=\"") + c.unit + "\"/>" : "";
        auto deck = deckWithChart(
            placedChart("<c:lineChart>" + series(0, "S", {"1"}) + "</c:lineChart>",
                        "<c:catAx><c:axId val=\"1\"/></c:catAx>" + valAx(2, "l", c.scaling, unit)));
        ASSERT_TRUE(frameOf(*deck).chart);
        render::AxisScale s =
            render::axisScale(c.lo, c.hi, frameOf(*deck).chart->valueAxis, c.exact);
        EXPECT_DOUBLE_EQ(s.minimum, c.minimum);
        EXPECT_DOUBLE_EQ(s.maximum, c.maximum);
        EXPECT_DOUBLE_EQ(s.majorUnit, c.majorUnit);
    }
}

// The chart drawn alone on a 720 × 540 picture; its texts.
struct DrawnChart {
    render::Surface picture;
    std::vector<ShapePtr> texts;
    const Shape* find(const std::string& text) const {
        for (const ShapePtr& t : texts) {
            if (t->text && !t->text->paragraphs.empty() && !t->text->paragraphs[0].runs.empty() &&
                t->text->paragraphs[0].runs[0].text == text)
                return t.get();
        }
        return nullptr;
    }
};

DrawnChart drawAlone(const PresentationData& deck) {
    DrawnChart out;
    out.picture.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 720, 540));
    cairo_t* cr = cairo_create(out.picture.get());
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    out.texts = render::drawChart(cr, frameOf(deck), chartFonts());
    cairo_destroy(cr);
    return out;
}

TEST(ChartDrawing, LegendAtItsPositionWithTheSeriesMarker) {
    // The frame spans (100, 100) to (500, 400).
    struct Case {
        const char* position;
        bool (*where)(double x, double y);
    };
    const Case cases[] = {
        {"r", [](double x, double y) { return x > 400 && y > 220 && y < 280; }},
        {"l", [](double x, double y) { return x < 200 && y > 220 && y < 280; }},
        {"t", [](double x, double y) { return y < 130 && x > 250 && x < 350; }},
        {"b", [](double x, double y) { return y > 370 && x > 250 && x < 350; }},
        {"tr", [](double x, double y) { return x > 400 && y < 130; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        auto deck = deckWithChart(chartPart(
            "<c:lineChart><c:grouping val=\"standard\"/>" +
                series(0, "Sales", {"1", "3", "2"},
                       lineLook("FF0000", 38100) + marker("square", 8, "00FF00")) +
                "</c:lineChart>" + kCatAxes,
            std::string("<c:legend><c:legendPos val=\"") + c.position + "\"/></c:legend>"));
        DrawnChart drawn = drawAlone(*deck);
        const Shape* entry = drawn.find("Sales");
        ASSERT_NE(entry, nullptr);
        double cy = entry->top + entry->height / 2;
        EXPECT_TRUE(c.where(entry->left + 10, cy)) << entry->left << "," << cy;
        // The key left of the name: the series' line through its marker.
        int keyX = static_cast<int>(std::lround(entry->left - 3 - 10));
        EXPECT_EQ(render::pixelRgb(drawn.picture.get(), keyX, static_cast<int>(cy)), kGreen);
        EXPECT_EQ(render::pixelRgb(drawn.picture.get(), keyX - 8, static_cast<int>(cy)), kRed);
    }
}

// Labels at the chart's size, face and weight; an axis or the legend may make its own bold.
TEST(ChartDrawing, TextAtTheChartsSizeAndFont) {
    const std::string plot = columns(series(0, "S", {"1", "2", "4"})) + kCatAxes;
    const std::string legend = "<c:legend><c:legendPos val=\"r\"/></c:legend>";
    const std::string boldText =
        "<c:txPr><a:bodyPr/><a:p><a:pPr><a:defRPr b=\"1\"/></a:pPr></a:p></c:txPr>";
    struct Case {
        std::string chart;
        float size;
        const char* font;
        std::vector<bool> bold;  // legend entry, category names, value axis' numbers
    };
    std::string own = chartPart(plot, legend);
    own.insert(own.rfind("</c:chartSpace>"),
               "<c:txPr><a:bodyPr/><a:p><a:pPr><a:defRPr sz=\"1400\" b=\"1\"><a:latin "
               "typeface=\"DejaVu Serif\"/></a:defRPr></a:pPr></a:p></c:txPr>");
    // The category axis and the legend bold of their own, the value axis not.
    std::string parts = plot;
    parts.insert(parts.find("</c:catAx>"), boldText);
    parts = chartPart(parts, "<c:legend><c:legendPos val=\"r\"/>" + boldText + "</c:legend>");
    const Case cases[] = {
        {chartPart(plot, legend), 10, "Calibri", {false, false, false, false, false}},
        {own, 14, "DejaVu Serif", {true, true, true, true, true}},
        {parts, 10, "Calibri", {true, true, true, false, false}}};
    // The legend in the face its own text properties name.
    {
        auto deck = deckWithChart(
            chartPart(plot,
                      "<c:legend><c:legendPos val=\"r\"/><c:txPr><a:bodyPr/><a:p><a:pPr><a:defRPr>"
                      "<a:latin typeface=\"DejaVu Serif\"/></a:defRPr></a:pPr></a:p></c:txPr>"
                      "</c:legend>"));
        DrawnChart drawn = drawAlone(*deck);
        const Shape* entry = drawn.find("S");
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->text->paragraphs[0].runs[0].props.latin, "DejaVu Serif");
        const Shape* name = drawn.find("A");  // a category keeps the chart's face
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(name->text->paragraphs[0].runs[0].props.latin, "Calibri");
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chart);
        auto deck = deckWithChart(c.chart);
        ASSERT_TRUE(frameOf(*deck).chart);
        DrawnChart drawn = drawAlone(*deck);
        const char* texts[] = {"S", "A", "C", "0", "4"};
        for (std::size_t i = 0; i < std::size(texts); ++i) {
            const Shape* t = drawn.find(texts[i]);
            ASSERT_NE(t, nullptr) << texts[i];
            const RunProps& props = t->text->paragraphs[0].runs[0].props;
            EXPECT_FLOAT_EQ(props.size, c.size) << texts[i];
            EXPECT_EQ(props.latin, c.font) << texts[i];
            EXPECT_EQ(props.bold, c.bold[i]) << texts[i];
        }
    }
}

TEST(ChartDrawing, DataLabelsByTheirPoints) {
    const std::string labels =
        "<c:dLbls><c:showVal val=\"1\"/><c:showCatName val=\"0\"/></c:dLbls>";
    auto scatter =
        deckWithChart(placedChart("<c:scatterChart><c:scatterStyle val=\"lineMarker\"/>" +
                                      xySeries({"1", "2", "3"}, {"1", "3", "2"},
                                               kNoLine + marker("square", 10, "00FF00") + labels) +
                                      "<c:axId val=\"1\"/><c:axId val=\"2\"/></c:scatterChart>",
                                  kXYAxes));
    DrawnChart drawn = drawAlone(*scatter);
    // At the right of each point, level with it.
    for (auto [text, x, y] :
         {std::tuple{"1", 220.0, 310.0}, {"3", 300.0, 190.0}, {"2", 380.0, 250.0}}) {
        SCOPED_TRACE(text);
        const Shape* t = nullptr;
        for (const ShapePtr& s : drawn.texts) {
            if (s->text->paragraphs[0].runs[0].text == text && s->left > x && s->left < x + 15)
                t = s.get();
        }
        ASSERT_NE(t, nullptr);
        EXPECT_NEAR(t->top + t->height / 2, y, 1);
        EXPECT_FALSE(t->text->paragraphs[0].runs[0].props.bold);
    }
    // A pie's labels give the slices' shares, bold as their text properties say.
    auto pie = deckWithChart(chartPart(
        "<c:pieChart><c:varyColors val=\"1\"/>" + series(0, "S", {"3", "1"}) +
        "<c:dLbls><c:txPr><a:bodyPr/><a:p><a:pPr><a:defRPr b=\"1\"/></a:pPr></a:p></c:txPr>"
        "<c:showPercent val=\"1\"/></c:dLbls></c:pieChart>"));
    DrawnChart slices = drawAlone(*pie);
    for (const char* share : {"75%", "25%"}) {
        const Shape* t = slices.find(share);
        ASSERT_NE(t, nullptr) << share;
        EXPECT_TRUE(t->text->paragraphs[0].runs[0].props.bold) << share;
    }
    // A percent-stacked chart's axis counts in percent.
    auto stacked = deckWithChart(
        chartPart("<c:barChart><c:grouping val=\"percentStacked\"/>" + series(0, "S", {"3", "1"}) +
                  "</c:barChart><c:catAx><c:axId val=\"1\"/></c:catAx>" + valAx(2, "l", "")));
    DrawnChart shares = drawAlone(*stacked);
    EXPECT_NE(shares.find("100%"), nullptr);
    EXPECT_NE(shares.find("50%"), nullptr);
}

TEST(ChartReading, ScatterRadarAndBubbleSeries) {
    auto deck = deckWithChart(placedChart(
        "<c:bubbleChart><c:bubbleScale val=\"50\"/><c:sizeRepresents val=\"w\"/>" +
            xySeries({"a", "b"}, {"5", "6"}, "", {"2", "x"}) +
            "<c:axId val=\"7\"/><c:axId val=\"9\"/></c:bubbleChart>",
        valAx(9, "l", "<c:max val=\"8\"/>") + valAx(7, "b", "", "<c:majorUnit val=\"2\"/>")));
    ASSERT_TRUE(frameOf(*deck).chart);
    const ChartData& c = *frameOf(*deck).chart;
    const ChartPlotData& p = c.plots.at(0);
    EXPECT_EQ(p.type, ChartType::Bubble);
    EXPECT_FLOAT_EQ(p.bubbleScale, 50);
    EXPECT_TRUE(p.bubbleSizeIsWidth);
    const ChartSeriesData& s = p.series.at(0);
    EXPECT_EQ(s.xValues, (std::vector<double>{1, 2}));  // texts count from one
    EXPECT_EQ(s.values, (std::vector<double>{5, 6}));
    ASSERT_EQ(s.bubbleSizes.size(), 2u);
    EXPECT_TRUE(std::isnan(s.bubbleSizes[1]));
    // The plot's first axis is x, wherever it stands in the part.
    EXPECT_TRUE(c.categoryAxis.hasMajorUnit);
    EXPECT_DOUBLE_EQ(c.categoryAxis.majorUnit, 2);
    EXPECT_TRUE(c.valueAxis.hasMaximum);
    EXPECT_DOUBLE_EQ(c.valueAxis.maximum, 8);

    // Line series without markers of their own take the automatic ones in turn, unless the
    // plot has none; scatter styles decide lines and smoothing.
    auto lines = deckWithChart(
        chartPart("<c:lineChart>" + series(0, "A", {"1"}) +
                  series(1, "B", {"1"}, marker("star", 9, "00FF00")) +
                  "</c:lineChart><c:lineChart><c:marker val=\"0\"/>" + series(2, "C", {"1"}) +
                  "</c:lineChart><c:scatterChart><c:scatterStyle val=\"smoothMarker\"/>" +
                  xySeries({"1"}, {"1"}, "") +
                  "</c:scatterChart><c:radarChart><c:radarStyle "
                  "val=\"filled\"/>" +
                  series(0, "R", {"1"}) + "</c:radarChart>"));
    ASSERT_TRUE(frameOf(*lines).chart);
    const auto& plots = frameOf(*lines).chart->plots;
    ASSERT_EQ(plots.size(), 4u);
    EXPECT_EQ(plots[0].series.at(0).marker.symbol, "diamond");
    EXPECT_EQ(plots[0].series.at(1).marker.symbol, "star");
    EXPECT_FLOAT_EQ(plots[0].series.at(1).marker.size, 9);
    EXPECT_EQ(plots[0].series.at(1).marker.fill.color.rgb, 0x00FF00);
    EXPECT_EQ(plots[1].series.at(0).marker.symbol, "none");
    EXPECT_TRUE(plots[2].series.at(0).smooth);
    EXPECT_TRUE(plots[2].series.at(0).line.visible);
    EXPECT_EQ(plots[3].radarStyle, "filled");
    EXPECT_FALSE(plots[3].series.at(0).line.visible);
    EXPECT_EQ(plots[3].series.at(0).marker.symbol, "none");
}

// ---- axes: ticks and turned names; 3-D bars ----

// A series over the given category names.
std::string namedSeries(const std::vector<std::string>& names, const std::string& look = "",
                        std::vector<std::string> values = {}) {
    std::string cats = "<c:cat><c:strRef><c:f>S!$A$2</c:f><c:strCache><c:ptCount val=\"" +
                       std::to_string(names.size()) + "\"/>";
    values.resize(names.size(), "1");
    for (std::size_t i = 0; i < names.size(); ++i) {
        cats += "<c:pt idx=\"" + std::to_string(i) + "\"><c:v>" + names[i] + "</c:v></c:pt>";
    }
    return "<c:ser><c:idx val=\"0\"/><c:order val=\"0\"/>" + look + cats +
           "</c:strCache></c:strRef></c:cat><c:val>" + numCache(values) + "</c:val></c:ser>";
}

TEST(ChartReading, TickMarksNameTurnsAndThreeD) {
    struct Case {
        const char* name;
        std::string axis;  // inside c:catAx
        const char *major, *minor;
        bool turned;
        float rotation;
        std::size_t skip;
        bool labels;
    };
    const Case cases[] = {
        {"the format's defaults", "", "cross", "none", false, 0, 0, true},
        {"as the file says",
         "<c:majorTickMark val=\"out\"/><c:minorTickMark val=\"in\"/><c:tickLblPos "
         "val=\"none\"/><c:txPr><a:bodyPr rot=\"-2700000\"/></c:txPr><c:tickLblSkip val=\"3\"/>",
         "out", "in", true, -45, 3, false},
        {"unknown kinds and a turn past a right angle",
         "<c:majorTickMark val=\"sideways\"/><c:minorTickMark/><c:txPr><a:bodyPr "
         "rot=\"-99000000\"/></c:txPr>",
         "cross", "cross", true, -90, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto deck = deckWithChart(chartPart(columns(series(0, "S", {"1"})) +
                                            "<c:catAx><c:axId val=\"1\"/>" + c.axis + "</c:catAx>" +
                                            valAx(2, "l", "")));
        ASSERT_TRUE(frameOf(*deck).chart);
        const ChartAxisData& a = frameOf(*deck).chart->categoryAxis;
        EXPECT_EQ(a.majorTickMark, c.major);
        EXPECT_EQ(a.minorTickMark, c.minor);
        EXPECT_EQ(a.hasLabelRotation, c.turned);
        EXPECT_FLOAT_EQ(a.labelRotation, c.rotation);
        EXPECT_EQ(a.labelSkip, c.skip);
        EXPECT_EQ(a.labelsShown, c.labels);
    }
    // A 3-D bar plot and the view it is seen from.
    std::string part = chartPart(
        "<c:bar3DChart><c:barDir val=\"col\"/>" + series(0, "S", {"1"}) + "</c:bar3DChart>", "",
        "<c:view3D><c:rotX val=\"30\"/><c:rotY val=\"40\"/><c:depthPercent val=\"5000\"/>"
        "</c:view3D>");
    auto deck = deckWithChart(part);
    ASSERT_TRUE(frameOf(*deck).chart);
    const ChartData& c = *frameOf(*deck).chart;
    EXPECT_TRUE(c.plots.at(0).threeD);
    EXPECT_FLOAT_EQ(c.plots.at(0).depthPercent, 2000);  // at most twenty widths deep
    EXPECT_FLOAT_EQ(c.rotX, 30);
    EXPECT_FLOAT_EQ(c.rotY, 40);
}

TEST(ChartDrawing, TickMarksOutInAcrossOrNone) {
    // The placed plot's axes in 2-point lines: the category axis (blue) along y = 370 with
    // ticks between the three slots (x = 246.7, 353.3), the value axis (green) along x = 140
    // with major ticks every unit (y = 310, 250, ...) and minor ones every fifth (y = 358).
    const std::string blue = lineLook("0000FF", 25400), green = lineLook("00FF00", 25400);
    // Per kind: where ink or white must be. Across the line: beyond the 2-point axis line by a
    // point on either side.
    const std::pair<std::string, test::Probe> samples[] = {
        {"out", {246, 373, kBlue}},    {"out", {246, 367, kWhite}},   {"out", {137, 310, kGreen}},
        {"out", {142, 310, kWhite}},   {"out", {138, 358, kGreen}},   {"out", {142, 358, kWhite}},
        {"in", {246, 373, kWhite}},    {"in", {246, 367, kBlue}},     {"in", {137, 310, kWhite}},
        {"in", {142, 310, kGreen}},    {"in", {138, 358, kWhite}},    {"in", {141, 358, kGreen}},
        {"cross", {246, 371, kBlue}},  {"cross", {246, 368, kBlue}},  {"cross", {246, 373, kWhite}},
        {"cross", {138, 310, kGreen}}, {"cross", {141, 310, kGreen}}, {"cross", {137, 310, kWhite}},
        {"none", {246, 373, kWhite}},  {"none", {246, 367, kWhite}},  {"none", {137, 310, kWhite}},
        {"none", {142, 310, kWhite}},  {"none", {138, 358, kWhite}},  {"none", {142, 358, kWhite}},
    };
    for (const std::string kind : {"out", "in", "cross", "none"}) {
        SCOPED_TRACE(kind);
        std::vector<test::Probe> probes;
        for (const auto& [k, probe] : samples)
            if (k == kind) probes.push_back(probe);
        ASSERT_EQ(probes.size(), 6u);
        std::string ticks =
            "<c:majorTickMark val=\"" + kind + "\"/><c:minorTickMark val=\"" + kind + "\"/>";
        auto deck = deckWithChart(
            placedChart("<c:lineChart><c:grouping val=\"standard\"/>" +
                            series(0, "S", {"1", "1", "1"}, kNoLine) + "</c:lineChart>",
                        "<c:catAx><c:axId val=\"1\"/>" + ticks + blue + "</c:catAx>" +
                            valAx(2, "l", k0to4, ticks + green)));
        ASSERT_TRUE(frameOf(*deck).chart);
        DrawnChart drawn = drawAlone(*deck);
        test::expectPixels(drawn.picture.get(), probes);
    }
}

TEST(ChartDrawing, CategoryNamesTurnWhenTheyDoNotFit) {
    // The placed plot is 320 points wide with its category axis along y = 370.
    auto names = [](std::size_t count, const std::string& stem) {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < count; ++i) out.push_back(stem + std::to_string(i + 1));
        return out;
    };
    struct Case {
        const char* name;
        std::vector<std::string> categories;
        std::string axis;  // inside c:catAx
        double rotation;
        std::size_t step;  // every step-th name shows
    };
    const Case cases[] = {
        {"short names stand level", names(3, "N"), "", 0, 1},
        {"long names turn upwards", names(12, "Category number "), "", -45, 1},
        {"crowded names turn and thin out", names(60, "N"), "", -45, 4},
        {"the file's turn", names(3, "N"), "<c:txPr><a:bodyPr rot=\"-5400000\"/></c:txPr>", -90, 1},
        {"the file's level names", names(12, "Category number "),
         "<c:txPr><a:bodyPr rot=\"0\"/></c:txPr>", 0, 2},
        {"the file's skip", names(3, "N"), "<c:tickLblSkip val=\"2\"/>", 0, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto deck = deckWithChart(placedChart(
            columns(namedSeries(c.categories)),
            "<c:catAx><c:axId val=\"1\"/>" + c.axis + "</c:catAx>" + valAx(2, "l", k0to4)));
        ASSERT_TRUE(frameOf(*deck).chart);
        // As the movie gets them: the recorded shapes, texts last.
        std::vector<ShapePtr> shapes;
        ASSERT_TRUE(render::chartShapes(frameOf(*deck), chartFonts(), shapes));
        std::vector<const Shape*> shown;
        for (const ShapePtr& s : shapes) {
            if (s->text &&
                std::find(c.categories.begin(), c.categories.end(),
                          s->text->paragraphs.at(0).runs.at(0).text) != c.categories.end())
                shown.push_back(s.get());
        }
        std::size_t expected = (c.categories.size() + c.step - 1) / c.step;
        ASSERT_EQ(shown.size(), expected);
        const double slot = 320.0 / static_cast<double>(c.categories.size());
        for (std::size_t k = 0; k < shown.size(); ++k) {
            const Shape& t = *shown[k];
            EXPECT_EQ(t.text->paragraphs[0].runs[0].text, c.categories[k * c.step]);
            EXPECT_NEAR(t.rotation, std::fmod(c.rotation + 360, 360), 1e-3);
            // The name hangs from its slot's middle: a turned one by the end of its line.
            double mid = 140 + slot * (static_cast<double>(k * c.step) + 0.5);
            double a = t.rotation * 3.14159265358979 / 180;
            double cx = t.left + t.width / 2, cy = t.top + t.height / 2;
            double endX = c.rotation == 0 ? cx : cx + std::cos(a) * t.width / 2;
            double endY = c.rotation == 0 ? t.top : cy + std::sin(a) * t.width / 2;
            EXPECT_NEAR(endX, mid, 0.5);
            EXPECT_GT(endY, 370);
            EXPECT_LT(endY, 385);
        }
    }
}

// Axis titles: the value axis' turned up the left edge, the category axis' under the names.
TEST(ChartDrawing, AxisTitlesBesideTheirAxes) {
    auto title = [](const std::string& text, const std::string& size) {
        return "<c:title><c:tx><c:rich><a:bodyPr/><a:p><a:pPr><a:defRPr sz=\"" + size +
               "\"/></a:pPr><a:r><a:t>" + text + "</a:t></a:r></a:p></c:rich></c:tx></c:title>";
    };
    struct Case {
        const char* name;
        bool horizontal;
    };
    for (const Case& c : {Case{"columns", false}, Case{"bars", true}}) {
        SCOPED_TRACE(c.name);
        std::string plot =
            std::string("<c:barChart><c:barDir val=\"") + (c.horizontal ? "bar" : "col") + "\"/>" +
            series(0, "S", {"1", "2", "4"}) + "</c:barChart><c:catAx><c:axId val=\"1\"/>" +
            title("Year", "1200") + "</c:catAx>" + valAx(2, "l", k0to4, title("Millions", "1400"));
        auto deck = deckWithChart(chartPart(plot));
        ASSERT_TRUE(frameOf(*deck).chart);
        EXPECT_EQ(frameOf(*deck).chart->valueAxis.title, "Millions");
        EXPECT_FLOAT_EQ(frameOf(*deck).chart->valueAxis.titleSize, 14);
        DrawnChart drawn = drawAlone(*deck);
        const Shape* side = drawn.find(c.horizontal ? "Year" : "Millions");
        const Shape* low = drawn.find(c.horizontal ? "Millions" : "Year");
        const Shape* name = drawn.find("A");
        const Shape* zero = drawn.find("0");
        ASSERT_TRUE(side && low && name && zero);
        EXPECT_FLOAT_EQ(side->text->paragraphs[0].runs[0].props.size, c.horizontal ? 12 : 14);
        EXPECT_FLOAT_EQ(side->rotation, 270);
        EXPECT_FLOAT_EQ(low->rotation, 0);
        // Turned, the side title stands in the frame's left margin, left of the axis' labels
        // (one-character texts at the right of their boxes).
        const Shape* sideLabel = c.horizontal ? name : zero;
        const Shape* lowLabel = c.horizontal ? zero : name;
        double sideX = side->left + side->width / 2;
        EXPECT_GT(sideX, 100);
        EXPECT_LT(sideX, 130);
        EXPECT_LT(sideX + side->height / 2, sideLabel->left + sideLabel->width - 10);
        // The other under the labels, inside the frame.
        EXPECT_GE(low->top, lowLabel->top + lowLabel->height - 1);
        EXPECT_LE(low->top + low->height, 400.5);
    }
}

TEST(ChartDrawing, ThreeDBarsShowTheirTopAndSide) {
    // Two categories over the placed plot, values 2 and 4 on an axis to 4, seen from 15 degrees
    // above and 20 to the right: the front plane runs 299.5 points wide from x = 140, the
    // depth 20.5 right and 15.5 up; the second bar's front spans x 334.7 to 394.6 from
    // y = 145.5 down, its top rises to y = 130 and its side reaches x = 415.1.
    auto chart = [](const std::string& kind, const std::string& view) {
        std::string part = placedChart("<c:" + kind + "><c:barDir val=\"col\"/>" +
                                           namedSeries({"A", "B"}, fillLook("FF0000"), {"2", "4"}) +
                                           "</c:" + kind + ">",
                                       kCatAxes);
        return part.insert(part.find("<c:autoTitleDeleted"), view);
    };
    const unsigned lit = 0xFF4D4D, shade = 0xB30000;
    struct Case {
        const char* name;
        std::string chart;
        std::vector<test::Probe> samples;
    };
    const Case cases[] = {
        {"flat", chart("barChart", ""), {{365, 300, kRed}, {370, 140, kRed}, {420, 300, kWhite}}},
        {"3-D",
         chart("bar3DChart", "<c:view3D><c:rotX val=\"15\"/><c:rotY val=\"20\"/></c:view3D>"),
         {{365, 300, kRed},
          {370, 140, lit},
          {405, 300, shade},
          {420, 300, kWhite},
          {345, 133, kWhite}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto deck = deckWithChart(c.chart);
        ASSERT_TRUE(frameOf(*deck).chart);
        DrawnChart drawn = drawAlone(*deck);
        test::expectPixels(drawn.picture.get(), c.samples);
    }
}

// ---- charts recorded as shapes ----

// The recorded shapes filled with, or stroked in, one colour.
std::vector<ShapePtr> painted(const std::vector<ShapePtr>& shapes, int rgb, bool filled) {
    std::vector<ShapePtr> out;
    for (const ShapePtr& s : shapes) {
        if (s->text) continue;
        if (filled ? s->fill.kind == FillKind::Solid && s->fill.color.rgb == rgb
                   : s->line.visible && s->line.fill.color.rgb == rgb) {
            out.push_back(s);
        }
    }
    return out;
}

void expectBox(const Shape& s, double left, double top, double width, double height,
               double tolerance = 0.01) {
    EXPECT_NEAR(s.left, left, tolerance);
    EXPECT_NEAR(s.top, top, tolerance);
    EXPECT_NEAR(s.width, width, tolerance);
    EXPECT_NEAR(s.height, height, tolerance);
}

TEST(ChartShapes, BarsAndLinesAsTheRendererDrawsThem) {
    // Model colours keep red in the low byte.
    constexpr int kModelRed = 0x0000FF, kModelBlue = 0xFF0000;
    const std::string bars =
        placedChart(columns(series(0, "S", {"1", "2", "4"}, fillLook("FF0000"))), kCatAxes);
    const std::string lines =
        placedChart("<c:lineChart><c:grouping val=\"standard\"/>" +
                        series(0, "S", {"1", "3", "1"},
                               lineLook("FF0000", 12700) + marker("circle", 14, "0000FF")) +
                        "<c:marker val=\"1\"/></c:lineChart>",
                    kCatAxes);
    std::vector<ShapePtr> shapes;
    // Columns: one red rectangle each; the highest (4 of 4) fills the plot's height in the
    // third slot: 320 / 3 across, the bar 1 / 2.5 of it, a gap of 0.75 bar before it.
    {
        auto deck = deckWithChart(bars);
        ASSERT_TRUE(render::chartShapes(frameOf(*deck), chartFonts(), shapes));
        auto red = painted(shapes, kModelRed, true);
        ASSERT_EQ(red.size(), 3u);
        const double slot = 320.0 / 3, bar = slot / 2.5;
        expectBox(*red[2], 140 + 2 * slot + 0.75 * bar, 130, bar, 240);
        EXPECT_EQ(red[2]->type, host::shape_type::kFreeform);
        EXPECT_FALSE(red[2]->line.visible);
        // Tick and category labels come last, as text boxes.
        ASSERT_FALSE(shapes.empty());
        EXPECT_TRUE(shapes.back()->text);
    }
    // A line with markers: one open red stroke through the points, then a blue circle at each.
    {
        auto deck = deckWithChart(lines);
        ASSERT_TRUE(render::chartShapes(frameOf(*deck), chartFonts(), shapes));
        auto red = painted(shapes, kModelRed, false);
        ASSERT_EQ(red.size(), 1u);
        EXPECT_NEAR(red[0]->line.weight, 1, 1e-4);
        EXPECT_EQ(red[0]->fill.kind, FillKind::None);
        ASSERT_EQ(red[0]->path.size(), 3u);
        EXPECT_NEAR(red[0]->path[1].x[0], 300, 0.01);
        EXPECT_NEAR(red[0]->path[1].y[0], 190, 0.01);
        auto blue = painted(shapes, kModelBlue, true);
        ASSERT_EQ(blue.size(), 3u);
        expectBox(*blue[1], 293, 183, 14, 14, 0.05);  // the curves' control points
        EXPECT_EQ(blue[1]->path.back().kind, PathCommand::Close);
    }
    // Beyond the limit the chart is left to its picture.
    auto deck = deckWithChart(bars);
    EXPECT_FALSE(render::chartShapes(frameOf(*deck), chartFonts(), shapes, 3));
    EXPECT_TRUE(shapes.empty());
}

// Bars and slices are edged by the series' own outline, else by the chart style's: a thin line
// in the background colour for the second row of styles (9 to 16), none for the others.
TEST(ChartShapes, BarsAndSlicesOutlinedAsTheSeriesAndStyleSay) {
    constexpr int kModelBlue = 0xFF0000;
    const std::string red = "<a:solidFill><a:srgbClr val=\"FF0000\"/></a:solidFill>";
    const std::string blueLine =
        "<a:ln w=\"12700\"><a:solidFill><a:srgbClr val=\"0000FF\"/></a:solidFill></a:ln>";
    const std::string pie = "<c:pieChart><c:varyColors val=\"1\"/>";
    struct Case {
        const char* name;
        std::string plot;  // the plot's opening and the series' shape properties
        int style;         // 0: none given
        int outlineRgb;    // -1: no outline
        double weight;
    };
    const Case cases[] = {
        {"PlainStyle", kColumns + red, 0, -1, 0},
        {"SecondRowStyle", kColumns + red, 12, int{kWhite}, 0.75},
        {"SeriesOutline", kColumns + red + blueLine, 2, kModelBlue, 1},
        {"SeriesWithoutOutline", kColumns + red + "<a:ln><a:noFill/></a:ln>", 12, -1, 0},
        {"SlicesOfSecondRowStyle", pie, 10, int{kWhite}, 0.75},
        {"SlicesOfPlainStyle", pie, 2, -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t open = c.plot.find("<a:");
        const std::string plot = c.plot.substr(0, open);
        const std::string look =
            open == std::string::npos ? "" : "<c:spPr>" + c.plot.substr(open) + "</c:spPr>";
        const bool bars = plot.find("barChart") != std::string::npos;
        std::string chart = placedChart(plot + series(0, "S", {"1", "2", "4"}, look) +
                                            (bars ? "</c:barChart>" : "</c:pieChart>"),
                                        bars ? kCatAxes : "");
        if (c.style) {
            const std::string at = "><c:chart>";
            chart.replace(chart.find(at), at.size(),
                          "><c:style val=\"" + std::to_string(c.style) + "\"/><c:chart>");
        }
        auto deck = deckWithChart(chart);
        std::vector<ShapePtr> shapes;
        ASSERT_TRUE(render::chartShapes(frameOf(*deck), chartFonts(), shapes));
        // An outline comes as the line of the bar or slice it edges.
        std::vector<ShapePtr> outlines;
        for (const ShapePtr& s : shapes) {
            if (!s->text && s->fill.kind == FillKind::Solid && s->line.visible)
                outlines.push_back(s);
        }
        if (c.outlineRgb < 0) {
            EXPECT_TRUE(outlines.empty());
            continue;
        }
        ASSERT_EQ(outlines.size(), 3u);
        for (const ShapePtr& o : outlines) {
            EXPECT_EQ(o->line.fill.color.rgb, c.outlineRgb);
            EXPECT_NEAR(o->line.weight, c.weight, 1e-4);
        }
        if (bars)
            expectBox(*outlines[2], 140 + 2 * 320.0 / 3 + 0.75 * 320.0 / 7.5, 130, 320.0 / 7.5,
                      240);
    }
}

TEST(ChartShapes, DrawnAgainTheyGiveTheRenderersPicture) {
    const std::vector<std::string> charts = {
        placedChart(columns(series(0, "S", {"1", "2", "4"}) + series(1, "T", {"3", "1", "2"})),
                    kCatAxes, "<c:legend><c:legendPos val=\"b\"/></c:legend>"),
        placedChart("<c:lineChart><c:grouping val=\"standard\"/>" +
                        series(0, "S", {"1", "3", "1"},
                               lineLook("FF0000", 38100) + marker("diamond", 10, "0000FF")) +
                        "<c:smooth val=\"1\"/></c:lineChart>",
                    kCatAxes),
        chartPart("<c:doughnutChart><c:varyColors val=\"1\"/>" + series(0, "S", {"3", "1", "2"}) +
                  "<c:holeSize val=\"40\"/></c:doughnutChart>"),
        placedChart("<c:bubbleChart>" +
                        xySeries({"1", "3"}, {"1", "3"}, lineLook("00FF00", 25400), {"1", "4"}) +
                        "</c:bubbleChart>",
                    kXYAxes),
    };
    render::Renderer renderer;
    for (const std::string& chart : charts) {
        auto deck = deckWithChart(chart);
        const Shape& frame = frameOf(*deck);
        ShapeList drawn;
        ASSERT_TRUE(render::chartShapes(frame, chartFonts(), drawn.items));
        render::Surface want = renderer.renderSlide(*deck, *deck->slides.at(0), 720, 540);
        render::Surface got =
            renderer.renderPage(720, 540, deck->slides.at(0)->background, {&drawn}, 720, 540);
        ASSERT_TRUE(want && got);
        // Pixels off by more than a little over the frame: hardly any.
        int off = 0;
        for (int y = 100; y < 400; ++y) {
            for (int x = 100; x < 500; ++x) {
                unsigned a = render::pixelRgb(want.get(), x, y),
                         b = render::pixelRgb(got.get(), x, y);
                for (int shift : {16, 8, 0}) {
                    if (std::abs(static_cast<int>((a >> shift) & 0xFF) -
                                 static_cast<int>((b >> shift) & 0xFF)) > 48) {
                        ++off;
                        break;
                    }
                }
            }
        }
        EXPECT_LE(off, 40) << chart;
    }
}

TEST(ChartShapes, RecorderMapsCutsAndRefuses) {
    render::Surface target(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 200, 200));
    std::unique_ptr<cairo_t, decltype(&cairo_destroy)> cr(cairo_create(target.get()),
                                                          &cairo_destroy);
    cairo_scale(cr.get(), 2, 2);  // two pixels a point
    render::DrawingRecorder recorder(true, 3);
    recorder.attach(cr.get());
    cairo_rectangle(cr.get(), 0, 0, 60, 60);
    cairo_clip(cr.get());
    cairo_set_source_rgba(cr.get(), 1, 0, 0, 0.5);
    cairo_rectangle(cr.get(), 40, 50, 40, 40);  // half outside the clip
    render::canvasFill(cr.get());
    cairo_set_source_rgb(cr.get(), 0, 0, 1);
    cairo_scale(cr.get(), 2, 2);  // user units of four pixels: a width of 1.5 is 3 points
    cairo_set_line_width(cr.get(), 1.5);
    cairo_move_to(cr.get(), -10, 5);
    cairo_line_to(cr.get(), 10, 5);
    render::canvasStroke(cr.get());
    ASSERT_TRUE(recorder.complete());
    ASSERT_EQ(recorder.shapes().size(), 2u);
    const Shape& square = *recorder.shapes()[0];
    expectBox(square, 40, 50, 20, 10);
    EXPECT_EQ(square.fill.color.rgb, 0x0000FF);
    EXPECT_FLOAT_EQ(square.fill.color.alpha, 0.5f);
    const Shape& line = *recorder.shapes()[1];
    expectBox(line, 0, 10, 20, 0);
    EXPECT_NEAR(line.line.weight, 3, 1e-4);
    EXPECT_EQ(line.line.cap, "flat");
    // Still drawn: the square's corner in the picture.
    EXPECT_NE(render::pixelRgb(target.get(), 100, 110), 0u);
    // A gradient has no shape here; the limit of three is passed on the fourth.
    cairo_pattern_t* ramp = cairo_pattern_create_linear(0, 0, 10, 0);
    cairo_set_source(cr.get(), ramp);
    cairo_pattern_destroy(ramp);
    cairo_rectangle(cr.get(), 0, 0, 5, 5);
    render::canvasFill(cr.get());
    EXPECT_FALSE(recorder.complete());
    render::DrawingRecorder few(false, 3);
    few.attach(cr.get());
    cairo_set_source_rgb(cr.get(), 0, 0, 0);
    for (int i = 0; i < 4; ++i) {
        cairo_rectangle(cr.get(), i, i, 1, 1);
        render::canvasFill(cr.get());
    }
    EXPECT_FALSE(few.complete());
    EXPECT_TRUE(few.shapes().empty());
}

}  // namespace
}  // namespace quillet::pptx
