// Charts drawn from their parts: series values, categories and colours as read, hostile chart
// XML read within the limits, and bars and slices at their places on a rendered slide.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "host/pptx/charts.h"
#include "host/pptx/package.h"
#include "host/pptx/reader.h"
#include "host/pptx/render/renderer.h"
#include "host/pptx/xml.h"
#include "test_deck.h"

namespace quillet::pptx {
namespace {

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

// A slide with a chart frame of 400 × 300 points at (100, 100).
std::shared_ptr<PresentationData> deckWithChart(const std::string& chart) {
    test::DeckRecipe recipe;
    recipe.slides.push_back(test::slideXml(
        "<p:graphicFrame><p:nvGraphicFramePr><p:cNvPr id=\"4\" name=\"Chart\"/>"
        "<p:cNvGraphicFramePr/><p:nvPr/></p:nvGraphicFramePr><p:xfrm><a:off x=\"1270000\" "
        "y=\"1270000\"/><a:ext cx=\"5080000\" cy=\"3810000\"/></p:xfrm><a:graphic>"
        "<a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/chart\">"
        "<c:chart xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" "
        "r:id=\"rId3\"/></a:graphicData></a:graphic></p:graphicFrame>"));
    recipe.extra.push_back({"ppt/charts/chart1.xml", chart});
    recipe.replace["ppt/slides/_rels/slide1.xml.rels"] =
        test::relsXml({{"rId1", "slideLayout", "../slideLayouts/slideLayout1.xml"},
                       {"rId3", "chart", "../charts/chart1.xml"}});
    return readPresentation(Package::openMemory(test::makeDeck(recipe)));
}

const Shape& frameOf(const PresentationData& deck) {
    return *deck.slides.at(0)->shapes->items.at(0);
}

const char* kColumns =
    "<c:barChart><c:barDir val=\"col\"/><c:grouping val=\"clustered\"/>"
    "<c:varyColors val=\"0\"/>";

TEST(ChartReading, SeriesValuesCategoriesAndColours) {
    auto deck = deckWithChart(chartPart(
        std::string(kColumns) +
            series(0, "First", {"1", "2.5", "x"},
                   "<c:spPr><a:solidFill><a:srgbClr val=\"123456\"/></a:solidFill></c:spPr>") +
            series(1, "Second", {"4", "", "-3"}) + "<c:gapWidth val=\"80\"/></c:barChart>",
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

TEST(ChartReading, ValueLabelsAndTheirFormat) {
    auto deck = deckWithChart(chartPart(
        std::string(kColumns) +
        "<c:dLbls><c:numFmt formatCode=\"0.0\" sourceLinked=\"0\"/><c:showVal val=\"1\"/>"
        "</c:dLbls>" +
        series(0, "On", {"1"}) +
        series(1, "Off", {"2"}).insert(7, "<c:dLbls><c:delete val=\"1\"/></c:dLbls>") +
        "</c:barChart><c:valAx><c:majorGridlines><c:spPr><a:ln><a:noFill/></a:ln></c:spPr>"
        "</c:majorGridlines></c:valAx>"));
    ASSERT_TRUE(frameOf(*deck).chart);
    const ChartData& c = *frameOf(*deck).chart;
    ASSERT_EQ(c.plots.at(0).series.size(), 2u);
    EXPECT_TRUE(c.plots[0].series[0].showValues);
    EXPECT_EQ(c.plots[0].series[0].labelDecimals, 1);
    EXPECT_FALSE(c.plots[0].series[1].showValues);
    EXPECT_FALSE(c.gridlines);  // drawn with no fill
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
    render::Renderer renderer;
    render::Surface picture = renderer.renderSlide(*deck, *deck->slides.at(0), 360, 270);
    ASSERT_TRUE(picture);
    EXPECT_EQ(render::pixelRgb(picture.get(), 10, 10), 0xFFFFFFu);

    // Missing, dangling and malformed chart parts leave a frame without data.
    for (const std::string& part : {std::string("<c:chartSpace ") + kChartNs + "/>",
                                    std::string("<not xml"), chartPart("<c:scatterChart/>")}) {
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
    auto deck = deckWithChart(chartPart(
        std::string(kColumns) +
        series(0, "S", {"1", "2", "4"},
               "<c:spPr><a:solidFill><a:srgbClr val=\"FF0000\"/></a:solidFill></c:spPr>") +
        "</c:barChart><c:catAx><c:axId val=\"1\"/></c:catAx><c:valAx><c:axId val=\"2\"/>"
        "</c:valAx>"));
    render::Renderer renderer;
    render::Surface picture = renderer.renderSlide(*deck, *deck->slides.at(0), 720, 540);
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
    render::Renderer renderer;
    render::Surface picture = renderer.renderSlide(*deck, *deck->slides.at(0), 720, 540);
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
    auto deck = deckWithChart(chartPart(
        std::string(kColumns) +
        series(0, "S", {"1", "2", "4"},
               "<c:spPr><a:solidFill><a:srgbClr val=\"FF0000\"/></a:solidFill></c:spPr>") +
        "</c:barChart>"));
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

}  // namespace
}  // namespace quillet::pptx
