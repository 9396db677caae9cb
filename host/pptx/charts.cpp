#include "host/pptx/charts.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>

#include "host/pptx/fills.h"

namespace quillet::pptx {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Chart text and numbers: strtod on a bounded copy; anything but a finite number is NaN.
double number(const char* text) {
    std::string s(text ? text : "");
    if (s.empty() || s.size() > 64) return kNaN;
    char* end = nullptr;
    double v = std::strtod(s.c_str(), &end);
    while (end && (*end == ' ' || *end == '\t' || *end == '\n' || *end == '\r')) ++end;
    if (!end || *end != '\0' || !std::isfinite(v)) return kNaN;
    return v;
}

std::size_t valAttr(pugi::xml_node n, std::size_t limit, std::size_t fallback) {
    auto v = intAttr(n, "val");
    if (!v) return fallback;
    return static_cast<std::size_t>(
        std::clamp<std::int64_t>(*v, 0, static_cast<std::int64_t>(limit)));
}

float floatVal(pugi::xml_node n, float lo, float hi, float fallback) {
    if (!n) return fallback;
    double v = number(strAttr(n, "val").c_str());
    return std::isfinite(v) ? static_cast<float>(std::clamp<double>(v, lo, hi)) : fallback;
}

// The points of a cache (numCache, strCache, numLit, strLit): texts by index, at most
// kMaxChartPoints; indices past that are dropped.
std::vector<std::string> cachedTexts(pugi::xml_node cache) {
    std::vector<std::string> out;
    if (!cache) return out;
    std::size_t count = valAttr(child(cache, "ptCount"), kMaxChartPoints, 0);
    out.resize(count);
    for (pugi::xml_node pt : cache.children()) {
        if (!is(pt, "pt")) continue;
        auto idx = intAttr(pt, "idx");
        if (!idx || *idx < 0 || *idx >= static_cast<std::int64_t>(kMaxChartPoints)) continue;
        auto i = static_cast<std::size_t>(*idx);
        if (i >= out.size()) out.resize(i + 1);
        out[i] = child(pt, "v").child_value();
    }
    return out;
}

// The cache inside a data source (c:val, c:cat, c:tx): a reference's cache or a literal.
pugi::xml_node cacheOf(pugi::xml_node source) {
    for (const char* ref : {"numRef", "strRef"}) {
        if (pugi::xml_node r = child(source, ref)) {
            return child(r, std::string_view(ref) == "numRef" ? "numCache" : "strCache");
        }
    }
    if (pugi::xml_node r = child(source, "multiLvlStrRef")) {
        // The first level names the categories.
        return child(child(r, "multiLvlStrCache"), "lvl");
    }
    if (pugi::xml_node lit = child(source, "numLit")) return lit;
    return child(source, "strLit");
}

}  // namespace

Color shadedColor(Color c, double k) {
    auto ch = [&](int shift) {
        double v = (c.rgb >> shift) & 0xFF;
        v = k < 0 ? v * (1 + k) : v + (255 - v) * k;
        return std::clamp(static_cast<int>(std::lround(v)), 0, 255) << shift;
    };
    c.rgb = ch(0) | ch(8) | ch(16);
    return c;
}

namespace {

Color accentColor(const ColorContext& colors, std::size_t index) {
    static const char* const kAccents[] = {"accent1", "accent2", "accent3",
                                           "accent4", "accent5", "accent6"};
    Color c{0x7F7F7F, 1.0f};
    if (colors.theme) {
        auto it = colors.theme->colors.find(kAccents[index % 6]);
        if (it != colors.theme->colors.end()) c = it->second;
    }
    // Later rounds of the six accents are darker, then lighter.
    std::size_t round = (index / 6) % 3;
    if (round != 0) {
        double k = round == 1 ? 0.6 : 1.4;
        auto ch = [&](int shift) {
            int v = static_cast<int>(std::lround(((c.rgb >> shift) & 0xFF) * k));
            return std::clamp(v, 0, 255) << shift;
        };
        c.rgb = ch(0) | ch(8) | ch(16);
    }
    return c;
}

// The colour of item `index` of `count` under the chart's style (c:style 1..48): its column of
// eight picks greys, the accents in turn, or shades of one accent from dark to light.
Color styleColor(const ColorContext& colors, int style, std::size_t index, std::size_t count) {
    int column = (std::clamp(style, 1, 48) - 1) % 8;
    if (column == 1) return accentColor(colors, index);
    Color c = column == 0 ? Color{0x808080, 1.0f}
                          : accentColor(colors, static_cast<std::size_t>(column - 2));
    // From a quarter darker to half way to white.
    double f =
        count > 1
            ? static_cast<double>(index % count) / static_cast<double>(count - 1) * 0.75 - 0.25
            : 0.0;
    return shadedColor(c, f);
}

FillData solid(const Color& c) {
    FillData f;
    f.kind = FillKind::Solid;
    f.color = c;
    return f;
}

// Whether data labels show values: nullopt when the element does not say.
std::optional<bool> showValues(pugi::xml_node dLbls) {
    if (!dLbls) return std::nullopt;
    if (strAttr(child(dLbls, "delete"), "val") == "1") return false;
    pugi::xml_node v = child(dLbls, "showVal");
    if (!v) return std::nullopt;
    std::string val = strAttr(v, "val");
    return val.empty() || val == "1" || val == "true";
}

// A boolean element (val defaults to true); nullopt when absent.
std::optional<bool> flag(pugi::xml_node n) {
    if (!n) return std::nullopt;
    std::string v = strAttr(n, "val");
    return v.empty() || v == "1" || v == "true";
}

// The markers series take in turn when the file leaves them automatic.
const char* autoMarker(std::size_t index) {
    static const char* const kSymbols[] = {"diamond", "square", "triangle", "x",   "star",
                                           "circle",  "plus",   "dot",      "dash"};
    return kSymbols[index % 9];
}

bool knownMarker(const std::string& s) {
    for (const char* k :
         {"none", "circle", "square", "diamond", "triangle", "x", "star", "plus", "dash", "dot"}) {
        if (s == k) return true;
    }
    return false;
}

// The series' marker: its own symbol, size and colours, else the automatic one when the plot
// shows markers, in the series' colour.
ChartMarker readMarker(pugi::xml_node marker, bool automatic, std::size_t idx, const Color& base,
                       const ColorContext& colors) {
    ChartMarker out;
    std::string symbol = strAttr(child(marker, "symbol"), "val");
    if (symbol.empty() || symbol == "auto") {
        out.symbol = automatic || symbol == "auto" ? autoMarker(idx) : "none";
    } else {
        out.symbol = knownMarker(symbol) ? symbol : "square";
    }
    out.size = floatVal(child(marker, "size"), 2, 72, 5);
    out.fill = solid(base);
    out.line.visible = true;
    out.line.weight = 0.75f;
    out.line.fill = solid(base);
    pugi::xml_node spPr = child(marker, "spPr");
    if (pugi::xml_node f = findFill(spPr)) out.fill = readFill(f, colors, nullptr);
    if (pugi::xml_node ln = child(spPr, "ln")) out.line = readLine(ln, colors, nullptr, out.line);
    return out;
}

// The numbers of a data source; texts (categories as x values) count as 1, 2, 3, ...
std::vector<double> numbersOf(pugi::xml_node source) {
    std::vector<double> out;
    bool texts = false;
    for (const std::string& v : cachedTexts(cacheOf(source))) {
        out.push_back(number(v.c_str()));
        texts = texts || (!v.empty() && std::isnan(out.back()));
    }
    if (texts) {
        for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<double>(i + 1);
    }
    return out;
}

ChartPlotData readPlot(pugi::xml_node plot, ChartType type, const ColorContext& colors, int style,
                       std::vector<std::string>& categories, std::size_t& seriesBudget) {
    ChartPlotData out;
    out.type = type;
    out.horizontal = strAttr(child(plot, "barDir"), "val") == "bar";
    if (pugi::xml_node g = child(plot, "grouping")) out.grouping = strAttr(g, "val");
    if (type == ChartType::Line || type == ChartType::Area) {
        if (out.grouping.empty() || out.grouping == "clustered") out.grouping = "standard";
    }
    out.gapWidth = floatVal(child(plot, "gapWidth"), 0, 500, 150);
    out.overlap = floatVal(child(plot, "overlap"), -100, 100,
                           out.grouping == "stacked" || out.grouping == "percentStacked" ? 100 : 0);
    out.firstSliceAngle = floatVal(child(plot, "firstSliceAng"), 0, 360, 0);
    out.holeSize = floatVal(child(plot, "holeSize"), 1, 90, 50);
    bool vary = strAttr(child(plot, "varyColors"), "val") != "0" &&
                static_cast<bool>(child(plot, "varyColors"));
    bool pie = type == ChartType::Pie || type == ChartType::Doughnut;
    bool xy = type == ChartType::Scatter || type == ChartType::Bubble;
    std::string scatterStyle = strAttr(child(plot, "scatterStyle"), "val");
    if (pugi::xml_node rs = child(plot, "radarStyle")) out.radarStyle = strAttr(rs, "val");
    out.bubbleScale = floatVal(child(plot, "bubbleScale"), 0, 300, 100);
    out.bubbleSizeIsWidth = strAttr(child(plot, "sizeRepresents"), "val") == "w";
    // Markers the series show unless they say otherwise.
    bool markers =
        type == ChartType::Line    ? flag(child(plot, "marker")).value_or(true)
        : type == ChartType::Radar ? out.radarStyle == "marker"
        : type == ChartType::Scatter
            ? scatterStyle != "line" && scatterStyle != "smooth" && scatterStyle != "none"
            : false;
    bool lines = type == ChartType::Line ||
                 (type == ChartType::Radar && out.radarStyle != "filled") ||
                 (type == ChartType::Scatter && scatterStyle != "marker" && scatterStyle != "none");
    pugi::xml_node plotLabels = child(plot, "dLbls");
    std::optional<bool> plotValues = showValues(plotLabels);
    std::size_t seriesCount = 0;
    for (pugi::xml_node ser : plot.children()) seriesCount += is(ser, "ser") ? 1 : 0;
    for (pugi::xml_node ser : plot.children()) {
        if (!is(ser, "ser")) continue;
        if (seriesBudget == 0) break;
        --seriesBudget;
        ChartSeriesData s;
        std::size_t idx = valAttr(child(ser, "idx"), 1u << 20, out.series.size());
        std::vector<std::string> name = cachedTexts(cacheOf(child(ser, "tx")));
        if (!name.empty()) s.name = name.front();
        if (s.name.empty()) s.name = child(child(ser, "tx"), "v").child_value();
        pugi::xml_node values = child(ser, xy ? "yVal" : "val");
        for (const std::string& v : cachedTexts(cacheOf(values))) {
            s.values.push_back(number(v.c_str()));
        }
        if (xy) {
            s.xValues = numbersOf(child(ser, "xVal"));
            if (type == ChartType::Bubble) {
                for (const std::string& v : cachedTexts(cacheOf(child(ser, "bubbleSize")))) {
                    s.bubbleSizes.push_back(number(v.c_str()));
                }
            }
        } else if (categories.empty()) {
            categories = cachedTexts(cacheOf(child(ser, "cat")));
        }
        Color base = styleColor(colors, style, idx, seriesCount);
        s.fill = solid(base);
        s.line.visible = lines;
        s.line.weight = 2.25f;
        s.line.fill = solid(base);
        s.line.cap = "round";
        if ((type == ChartType::Bar || pie) && style >= 9 && style <= 16) {
            // The second row of styles edges bars and slices with a thin line in the background
            // colour; the series' own outline comes over it.
            s.line.visible = true;
            s.line.weight = 0.75f;
            s.line.fill = solid(schemeColor("bg1", colors));
        }
        pugi::xml_node spPr = child(ser, "spPr");
        if (pugi::xml_node f = findFill(spPr)) {
            s.fill = readFill(f, colors, nullptr);
            if (lines && s.fill.kind == FillKind::Solid) s.line.fill = s.fill;
        }
        if (pugi::xml_node ln = child(spPr, "ln")) s.line = readLine(ln, colors, nullptr, s.line);
        s.smooth = flag(child(ser, "smooth"))
                       .value_or(type == ChartType::Scatter && scatterStyle.find("smooth") == 0);
        if (type == ChartType::Line || type == ChartType::Scatter || type == ChartType::Radar) {
            Color markerBase = base;
            if (s.fill.kind == FillKind::Solid && findFill(spPr)) markerBase = s.fill.color;
            s.marker = readMarker(child(ser, "marker"), markers, idx, markerBase, colors);
        }
        if (pie) {
            // Slices take the accents in turn, and outline in the background colour.
            if (vary || !findFill(spPr)) {
                for (std::size_t i = 0; i < s.values.size(); ++i) {
                    s.pointFills.emplace_back(i,
                                              solid(styleColor(colors, style, i, s.values.size())));
                }
            }
        } else if (vary && seriesCount == 1 && !findFill(spPr)) {
            // One series with varied colours: each point an accent.
            for (std::size_t i = 0; i < s.values.size(); ++i) {
                s.pointFills.emplace_back(i, solid(styleColor(colors, style, i, s.values.size())));
            }
        }
        s.showValues = showValues(child(ser, "dLbls")).value_or(plotValues.value_or(false));
        pugi::xml_node serLabels = child(ser, "dLbls");
        bool labelsDeleted = flag(child(serLabels, "delete")).value_or(false);
        auto labelFlag = [&](const char* name) {
            if (labelsDeleted) return false;
            return flag(child(serLabels, name))
                .value_or(flag(child(plotLabels, name)).value_or(false));
        };
        s.showCategoryNames = labelFlag("showCatName");
        s.showPercent = pie && labelFlag("showPercent");
        s.labelPosition = strAttr(child(serLabels, "dLblPos"), "val");
        if (s.labelPosition.empty()) s.labelPosition = strAttr(child(plotLabels, "dLblPos"), "val");
        // Fixed formats ("0", "0.0", "#,##0.00") give the labels' decimals.
        std::string format = strAttr(child(child(ser, "dLbls"), "numFmt"), "formatCode");
        if (format.empty())
            format = strAttr(
                child(plot, "dLbls") ? child(child(plot, "dLbls"), "numFmt") : pugi::xml_node(),
                "formatCode");
        if (format.empty())
            format = child(child(child(child(ser, "val"), "numRef"), "numCache"), "formatCode")
                         .child_value();
        if (format.find('0') != std::string::npos && format.find('E') == std::string::npos) {
            std::size_t dot = format.find('.');
            int decimals = 0;
            for (std::size_t k = dot == std::string::npos ? format.size() : dot + 1;
                 k < format.size() && format[k] == '0' && decimals < 10; ++k) {
                ++decimals;
            }
            s.labelDecimals = decimals;
        }
        for (pugi::xml_node dpt : ser.children()) {
            if (!is(dpt, "dPt")) continue;
            auto i = intAttr(child(dpt, "idx"), "val");
            if (!i || *i < 0 || *i >= static_cast<std::int64_t>(kMaxChartPoints)) continue;
            pugi::xml_node f = findFill(child(dpt, "spPr"));
            if (!f) continue;
            FillData fill = readFill(f, colors, nullptr);
            auto at = std::find_if(s.pointFills.begin(), s.pointFills.end(), [&](const auto& p) {
                return p.first == static_cast<std::size_t>(*i);
            });
            if (at != s.pointFills.end()) {
                at->second = fill;
            } else {
                s.pointFills.emplace_back(static_cast<std::size_t>(*i), fill);
            }
        }
        out.series.push_back(std::move(s));
    }
    return out;
}

float textSizeOf(pugi::xml_node owner) {
    if (auto sz = intAttr(path(owner, {"txPr", "p", "pPr", "defRPr"}), "sz")) {
        return static_cast<float>(std::clamp<std::int64_t>(*sz, 100, 20000)) / 100.0f;
    }
    return 0;
}

// Whether a chart element's text properties make its text bold; `otherwise` when they do not say.
bool boldOf(pugi::xml_node owner, bool otherwise) {
    return boolAttr(path(owner, {"txPr", "p", "pPr", "defRPr"}), "b").value_or(otherwise);
}

// The face a chart element's text properties name; theme references name the theme's fonts.
std::string fontOf(pugi::xml_node owner, const ColorContext& colors) {
    std::string face =
        strAttr(child(path(owner, {"txPr", "p", "pPr", "defRPr"}), "latin"), "typeface");
    if (face == "+mn-lt") {
        face = colors.theme ? colors.theme->minorLatin : "";
    } else if (face == "+mj-lt") {
        face = colors.theme ? colors.theme->majorLatin : "";
    }
    return face.size() < 256 ? face : "";
}

std::string titleText(pugi::xml_node title);

// The size of a title's text: its paragraph's, its first run's, else its text properties'.
float titleSizeOf(pugi::xml_node title) {
    pugi::xml_node p = child(path(title, {"tx", "rich"}), "p");
    pugi::xml_node sized = path(p, {"pPr", "defRPr"});
    if (!attr(sized, "sz")) sized = path(p, {"r", "rPr"});
    if (!attr(sized, "sz")) sized = path(title, {"txPr", "p", "pPr", "defRPr"});
    if (auto sz = intAttr(sized, "sz")) {
        return static_cast<float>(std::clamp<std::int64_t>(*sz, 100, 20000)) / 100.0f;
    }
    return 0;
}

ChartAxisData readAxis(pugi::xml_node ax, const ColorContext& colors, bool bold) {
    ChartAxisData out;
    if (!ax) return out;
    out.deleted = flag(child(ax, "delete")).value_or(false);
    if (pugi::xml_node grid = child(ax, "majorGridlines")) {
        out.gridlines = true;
        if (pugi::xml_node ln = path(grid, {"spPr", "ln"})) {
            out.gridLine = readLine(ln, colors, nullptr, {});
            out.gridlines = !child(ln, "noFill");
        }
    }
    if (pugi::xml_node ln = path(ax, {"spPr", "ln"})) {
        out.line = readLine(ln, colors, nullptr, {});
        out.shown = !child(ln, "noFill");
    }
    pugi::xml_node scaling = child(ax, "scaling");
    double lo = number(strAttr(child(scaling, "min"), "val").c_str());
    double hi = number(strAttr(child(scaling, "max"), "val").c_str());
    double unit = number(strAttr(child(ax, "majorUnit"), "val").c_str());
    out.hasMinimum = std::isfinite(lo) && std::fabs(lo) < 1e15;
    out.hasMaximum = std::isfinite(hi) && std::fabs(hi) < 1e15;
    if (out.hasMinimum) out.minimum = lo;
    if (out.hasMaximum) out.maximum = hi;
    if (out.hasMinimum && out.hasMaximum && !(hi > lo)) out.hasMinimum = out.hasMaximum = false;
    out.hasMajorUnit = std::isfinite(unit) && unit > 0 && unit < 1e15;
    if (out.hasMajorUnit) out.majorUnit = unit;
    out.labelsShown = strAttr(child(ax, "tickLblPos"), "val") != "none";
    // The tick marks' default is the element's own when the file leaves it out: crossing the
    // axis at each major unit; minor ticks only when asked for.
    auto tickMark = [&](const char* name, const char* fallback) {
        pugi::xml_node n = child(ax, name);
        std::string v = n ? strAttr(n, "val") : fallback;
        if (v.empty()) v = "cross";
        return v == "out" || v == "in" || v == "cross" || v == "none" ? v : std::string(fallback);
    };
    out.majorTickMark = tickMark("majorTickMark", "cross");
    out.minorTickMark = tickMark("minorTickMark", "none");
    // The labels' turn, in 60000ths of a degree; the format's automatic layout when absent.
    if (auto rot = intAttr(path(ax, {"txPr", "bodyPr"}), "rot")) {
        out.hasLabelRotation = true;
        out.labelRotation =
            static_cast<float>(std::clamp<std::int64_t>(*rot, -5400000, 5400000)) / 60000.0f;
    }
    out.labelSkip = valAttr(child(ax, "tickLblSkip"), kMaxChartPoints, 0);
    if (pugi::xml_node title = child(ax, "title")) {
        out.title = titleText(title);
        out.titleSize = titleSizeOf(title);
    }
    out.textSize = textSizeOf(ax);
    out.font = fontOf(ax, colors);
    out.bold = boldOf(ax, bold);
    return out;
}

// The text of a title's rich text, paragraphs joined by spaces.
std::string titleText(pugi::xml_node title) {
    std::string out;
    pugi::xml_node rich = child(child(title, "tx"), "rich");
    for (pugi::xml_node p : rich.children()) {
        if (!is(p, "p")) continue;
        if (!out.empty()) out += ' ';
        for (pugi::xml_node r : p.children()) {
            if (is(r, "r") || is(r, "fld")) out += child(r, "t").child_value();
        }
        if (out.size() > 1000) break;
    }
    if (out.empty()) {
        std::vector<std::string> cached = cachedTexts(cacheOf(child(title, "tx")));
        if (!cached.empty()) out = cached.front();
    }
    return out;
}

}  // namespace

std::shared_ptr<ChartData> readChart(pugi::xml_node chartSpace, const ColorContext& colors) {
    pugi::xml_node chart = child(chartSpace, "chart");
    pugi::xml_node plotArea = child(chart, "plotArea");
    if (!plotArea) return nullptr;
    auto out = std::make_shared<ChartData>();
    std::size_t seriesBudget = kMaxChartSeries;
    // The style's colours; the file's newer style element stands for the same palette.
    int style = 2;
    if (auto v = intAttr(child(chartSpace, "style"), "val")) {
        style = static_cast<int>(std::clamp<std::int64_t>(*v, 1, 48));
    }
    for (pugi::xml_node plot : plotArea.children()) {
        if (out->plots.size() >= kMaxChartPlots) break;
        std::string_view n = localName(plot.name());
        ChartType type;
        if (n == "barChart" || n == "bar3DChart") {
            type = ChartType::Bar;
        } else if (n == "lineChart" || n == "line3DChart") {
            type = ChartType::Line;
        } else if (n == "areaChart" || n == "area3DChart") {
            type = ChartType::Area;
        } else if (n == "pieChart" || n == "pie3DChart" || n == "ofPieChart") {
            type = ChartType::Pie;
        } else if (n == "doughnutChart") {
            type = ChartType::Doughnut;
        } else if (n == "scatterChart") {
            type = ChartType::Scatter;
        } else if (n == "radarChart") {
            type = ChartType::Radar;
        } else if (n == "bubbleChart") {
            type = ChartType::Bubble;
        } else {
            continue;
        }
        out->plots.push_back(readPlot(plot, type, colors, style, out->categories, seriesBudget));
        out->plots.back().threeD = n == "bar3DChart";
    }
    if (out->plots.empty()) return nullptr;

    if (pugi::xml_node view = child(chart, "view3D")) {
        out->rotX = floatVal(child(view, "rotX"), -90, 90, 15);
        out->rotY = floatVal(child(view, "rotY"), 0, 360, 20);
        float depth = floatVal(child(view, "depthPercent"), 20, 2000, 100);
        for (ChartPlotData& p : out->plots) p.depthPercent = depth;
    }
    bool deleted = strAttr(child(chart, "autoTitleDeleted"), "val") == "1" ||
                   strAttr(child(chart, "autoTitleDeleted"), "val") == "true";
    if (pugi::xml_node title = child(chart, "title")) {
        out->title = titleText(title);
        // A title without text of its own shows the only series' name; one whose own text is
        // empty shows nothing.
        if (out->title.empty() && !child(title, "tx") && out->plots.size() == 1 &&
            out->plots[0].series.size() == 1) {
            out->title = out->plots[0].series[0].name;
        }
        out->hasTitle = !out->title.empty();
    } else if (!deleted && out->plots.size() == 1 && out->plots[0].series.size() == 1 &&
               (out->plots[0].type == ChartType::Pie ||
                out->plots[0].type == ChartType::Doughnut)) {
        out->title = out->plots[0].series[0].name;
        out->hasTitle = !out->title.empty();
    }
    if (pugi::xml_node title = child(chart, "title")) out->titleSize = titleSizeOf(title);
    if (pugi::xml_node legend = child(chart, "legend")) {
        out->hasLegend = true;
        std::string pos = strAttr(child(legend, "legendPos"), "val");
        if (!pos.empty()) out->legendPosition = pos;
        if (pugi::xml_node manual = path(legend, {"layout", "manualLayout"})) {
            out->legendX = floatVal(child(manual, "x"), 0, 1, 0);
            out->legendY = floatVal(child(manual, "y"), 0, 1, 0);
            out->legendWidth = floatVal(child(manual, "w"), 0, 1, 0);
            out->legendHeight = floatVal(child(manual, "h"), 0, 1, 0);
            out->legendPlaced = out->legendWidth > 0.02f && out->legendHeight > 0.02f;
        }
        out->legendTextSize = textSizeOf(legend);
        out->legendFont = fontOf(legend, colors);
        out->legendBold = boldOf(legend, boldOf(chartSpace, false));
    }
    out->valueLabelBold = boldOf(chartSpace, false);
    for (pugi::xml_node plot : plotArea.children()) {
        pugi::xml_node dLbls = child(plot, "dLbls");
        if (!dLbls) dLbls = child(child(plot, "ser"), "dLbls");
        if (path(dLbls, {"txPr", "p", "pPr", "defRPr"})) {
            out->valueLabelBold = boldOf(dLbls, out->valueLabelBold);
        }
        if (auto sz = intAttr(path(dLbls, {"txPr", "p", "pPr", "defRPr"}), "sz")) {
            out->valueLabelSize =
                static_cast<float>(std::clamp<std::int64_t>(*sz, 100, 20000)) / 100.0f;
            break;
        }
    }
    // Axes: a category chart's first category and value axes; a scatter or bubble chart's
    // axes by the ids its plot names, x first.
    pugi::xml_node categoryAxis, valueAxis;
    ChartType first = out->plots.front().type;
    if (first == ChartType::Scatter || first == ChartType::Bubble) {
        std::vector<std::string> ids;
        for (pugi::xml_node plot : plotArea.children()) {
            if (localName(plot.name()) != "scatterChart" && localName(plot.name()) != "bubbleChart")
                continue;
            for (pugi::xml_node id : plot.children()) {
                if (is(id, "axId") && ids.size() < 2) ids.push_back(strAttr(id, "val"));
            }
            break;
        }
        std::vector<pugi::xml_node> valueAxes;
        for (pugi::xml_node ax : plotArea.children()) {
            if (is(ax, "valAx") && valueAxes.size() < 64) valueAxes.push_back(ax);
        }
        auto byId = [&](std::size_t k) {
            for (pugi::xml_node ax : valueAxes) {
                if (k < ids.size() && strAttr(child(ax, "axId"), "val") == ids[k]) return ax;
            }
            return k < valueAxes.size() ? valueAxes[k] : pugi::xml_node();
        };
        categoryAxis = byId(0);
        valueAxis = byId(1);
    } else {
        for (pugi::xml_node ax : plotArea.children()) {
            if (!categoryAxis && (is(ax, "catAx") || is(ax, "dateAx"))) categoryAxis = ax;
            if (!valueAxis && is(ax, "valAx")) valueAxis = ax;
        }
    }
    out->categoryAxis = readAxis(categoryAxis, colors, boldOf(chartSpace, false));
    out->valueAxis = readAxis(valueAxis, colors, boldOf(chartSpace, false));
    if (pugi::xml_node manual = path(plotArea, {"layout", "manualLayout"})) {
        auto frac = [&](const char* name, float fallback) {
            return floatVal(child(manual, name), 0, 1, fallback);
        };
        out->plotX = frac("x", 0);
        out->plotY = frac("y", 0);
        out->plotWidth = frac("w", 1);
        out->plotHeight = frac("h", 1);
        out->plotPlaced = child(manual, "w") && child(manual, "h") && out->plotWidth > 0.05f &&
                          out->plotHeight > 0.05f;
    }
    pugi::xml_node plotSpPr = child(plotArea, "spPr");
    if (pugi::xml_node f = findFill(plotSpPr)) out->plotFill = readFill(f, colors, nullptr);
    if (pugi::xml_node ln = child(plotSpPr, "ln"))
        out->plotBorder = readLine(ln, colors, nullptr, {});
    pugi::xml_node spPr = child(chartSpace, "spPr");
    if (pugi::xml_node f = findFill(spPr)) out->background = readFill(f, colors, nullptr);
    if (pugi::xml_node ln = child(spPr, "ln")) out->border = readLine(ln, colors, nullptr, {});
    out->textColor = Color{0x404040, 1.0f};
    if (colors.theme) {
        auto it = colors.theme->colors.find("dk1");
        if (it != colors.theme->colors.end()) out->textColor = it->second;
    }
    if (colors.theme) out->font = colors.theme->minorLatin;
    pugi::xml_node defRPr = path(chartSpace, {"txPr", "p", "pPr", "defRPr"});
    if (float size = textSizeOf(chartSpace); size > 0) out->textSize = size;
    if (std::string face = fontOf(chartSpace, colors); !face.empty()) out->font = face;
    if (pugi::xml_node f = findFill(defRPr); f && is(f, "solidFill")) {
        out->textColor = readFill(f, colors, nullptr).color;
    }
    return out;
}

}  // namespace quillet::pptx
