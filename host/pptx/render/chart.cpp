#include "host/pptx/render/chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "fonts/font_library.h"
#include "fonts/logical_font.h"
#include "fonts/matching.h"
#include "host/pptx/charts.h"
#include "host/pptx/render/canvas.h"
#include "host/pptx/render/picture.h"

namespace quillet::pptx::render {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kAxisGrey = 0x868686;  // RGB with red in the low byte; grey reads the same
constexpr int kGridGrey = 0xD9D9D9;
constexpr std::size_t kMaxLabels = 200;

void setColor(cairo_t* cr, const Color& c) {
    cairo_set_source_rgba(cr, (c.rgb & 0xFF) / 255.0, ((c.rgb >> 8) & 0xFF) / 255.0,
                          ((c.rgb >> 16) & 0xFF) / 255.0, std::clamp<double>(c.alpha, 0, 1));
}

// Series fills are drawn as their colour: solid, a gradient's first stop, a pattern's foreground.
bool fillColor(const FillData& f, Color& out) {
    if (f.kind == FillKind::None) return false;
    out = f.kind == FillKind::Gradient && !f.stops.empty() ? f.stops.front().color : f.color;
    return true;
}

const FillData& pointFill(const ChartSeriesData& s, std::size_t i) {
    for (const auto& [index, fill] : s.pointFills) {
        if (index == i) return fill;
    }
    return s.fill;
}

void fillRect(cairo_t* cr, double x, double y, double w, double h, const FillData& fill) {
    Color c;
    if (!fillColor(fill, c)) return;
    setColor(cr, c);
    cairo_rectangle(cr, x, y, w, h);
    canvasFill(cr);
}

void line(cairo_t* cr, double x0, double y0, double x1, double y1, int rgb, double width) {
    setColor(cr, Color{rgb, 1.0f});
    cairo_set_line_width(cr, width);
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
    canvasStroke(cr);
}

// An axis or gridline: the file's line when it gives one, else a thin grey.
void styledLine(cairo_t* cr, double x0, double y0, double x1, double y1, const LineData& l,
                int fallbackRgb) {
    Color c;
    if (l.visible && fillColor(l.fill, c)) {
        setColor(cr, c);
        cairo_set_line_width(cr, l.weight > 0 ? std::clamp<double>(l.weight, 0.25, 10) : 0.75);
        cairo_move_to(cr, x0, y0);
        cairo_line_to(cr, x1, y1);
        canvasStroke(cr);
        return;
    }
    line(cr, x0, y0, x1, y1, fallbackRgb, 0.75);
}

// A one-line text box.
ShapePtr label(const ChartData& chart, const std::string& text, double x, double y, double w,
               double h, int alignment, double size, bool bold = false,
               const std::string& font = "") {
    auto s = std::make_shared<Shape>();
    s->left = static_cast<float>(x);
    s->top = static_cast<float>(y);
    s->width = static_cast<float>(std::max(w, 1.0));
    s->height = static_cast<float>(std::max(h, 1.0));
    s->preset = "rect";
    s->text = std::make_shared<TextBody>();
    s->text->insetLeft = s->text->insetRight = s->text->insetTop = s->text->insetBottom = 0;
    s->text->anchor = host::anchor::kMiddle;
    s->text->wrap = true;
    Paragraph p;
    p.alignment = alignment;
    Run r;
    r.text = text;
    r.props.size = static_cast<float>(size);
    r.props.bold = bold;
    r.props.latin = font.empty() ? chart.font : font;
    r.props.fill.kind = FillKind::Solid;
    r.props.fill.color = chart.textColor;
    p.endProps = r.props;
    p.runs.push_back(std::move(r));
    s->text->paragraphs.push_back(std::move(p));
    return s;
}

// Widths of lines of chart text, in the face our font matching gives for the name (the face the
// text is drawn in), measured with the font library the slide's texts are laid out with;
// `fallback` ems a character without one.
class TextMeasure {
  public:
    explicit TextMeasure(fonts::FontLibrary* fonts) : fonts_(fonts) {}

    double width(const std::string& text, double size, bool bold, const std::string& face,
                 double fallback = 0.55) const {
        double guess = static_cast<double>(text.size()) * size * fallback;
        if (text.size() > 1000 || fonts_ == nullptr || !(size > 0)) return guess;
        const fonts::LogicalFont font =
            fonts::logicalFontFor(size, bold, false, false, true, face, std::string());
        const double w = fonts_->textExtent(font, fonts::utf8ToCodePoints(text), size).width;
        return std::isfinite(w) && w >= 0 ? w : guess;
    }

  private:
    fonts::FontLibrary* fonts_;
};

// A label turned `angle` degrees clockwise: a text turned upwards ends at (x, y), one turned
// downwards starts there, so that either hangs from the axis.
ShapePtr turnedLabel(const ChartData& chart, const std::string& text, double x, double y,
                     double width, double size, double angle, bool bold, const std::string& font) {
    double h = size * 1.4;
    double c = std::cos(angle * kPi / 180), s = std::sin(angle * kPi / 180);
    bool up = s < 0;
    // The end of the line clears the axis by half its height.
    y += h / 2 * std::fabs(c);
    double along = (up ? -1 : 1) * width / 2;
    ShapePtr out = label(chart, text, x + along * c - width / 2, y + along * s - h / 2, width, h,
                         up ? host::alignment::kRight : host::alignment::kLeft, size, bold, font);
    // Shapes turn by 0 to 360 degrees.
    out->rotation = static_cast<float>(std::fmod(angle + 720, 360.0));
    out->text->wrap = false;
    return out;
}

std::string numberText(double v, int decimals = -1) {
    char buf[64];
    if (decimals >= 0 && std::fabs(v) < 1e15) {
        std::snprintf(buf, sizeof buf, "%.*f", std::min(decimals, 10), v);
    } else {
        std::snprintf(buf, sizeof buf, "%.10g", std::fabs(v) < 1e-12 ? 0.0 : v);
    }
    return buf;
}

// A round step giving about `count` intervals over the span.
double niceStep(double span, int count) {
    if (!(span > 0) || !std::isfinite(span)) return 1;
    double raw = span / count;
    double mag = std::pow(10.0, std::floor(std::log10(raw)));
    double r = raw / mag;
    double k = r <= 1 ? 1 : r <= 2 ? 2 : r <= 5 ? 5 : 10;
    return k * mag;
}

struct Box {
    double x = 0, y = 0, w = 0, h = 0;
};

bool isPie(const ChartPlotData& p) {
    return p.type == ChartType::Pie || p.type == ChartType::Doughnut;
}

bool isXY(const ChartPlotData& p) {
    return p.type == ChartType::Scatter || p.type == ChartType::Bubble;
}

// A line's width; a width of zero is the thinnest line shown, a pixel at 96 dpi.
double clampedWeight(const LineData& l, double most = 20) {
    return l.weight > 0 ? std::clamp<double>(l.weight, 0.25, most) : 0.75;
}

// A marker centred on (x, y), `size` points across.
void drawMarker(cairo_t* cr, const ChartMarker& m, double x, double y, double size) {
    if (m.symbol == "none" || !(size > 0)) return;
    double r = size / 2;
    bool strokeOnly = m.symbol == "x" || m.symbol == "plus" || m.symbol == "star";
    cairo_new_path(cr);
    if (m.symbol == "circle") {
        cairo_arc(cr, x, y, r, 0, 2 * kPi);
    } else if (m.symbol == "dot") {
        cairo_arc(cr, x, y, r / 2.5, 0, 2 * kPi);
    } else if (m.symbol == "diamond") {
        cairo_move_to(cr, x, y - r);
        cairo_line_to(cr, x + r, y);
        cairo_line_to(cr, x, y + r);
        cairo_line_to(cr, x - r, y);
        cairo_close_path(cr);
    } else if (m.symbol == "triangle") {
        cairo_move_to(cr, x, y - r);
        cairo_line_to(cr, x + r, y + r);
        cairo_line_to(cr, x - r, y + r);
        cairo_close_path(cr);
    } else if (m.symbol == "dash") {
        cairo_rectangle(cr, x - r, y - r / 5, size, size / 5);
    } else if (strokeOnly) {
        if (m.symbol != "plus") {
            cairo_move_to(cr, x - r, y - r);
            cairo_line_to(cr, x + r, y + r);
            cairo_move_to(cr, x + r, y - r);
            cairo_line_to(cr, x - r, y + r);
        }
        if (m.symbol != "x") {
            cairo_move_to(cr, x, y - r);
            cairo_line_to(cr, x, y + r);
            if (m.symbol == "plus") {
                cairo_move_to(cr, x - r, y);
                cairo_line_to(cr, x + r, y);
            }
        }
    } else {
        cairo_rectangle(cr, x - r, y - r, size, size);
    }
    Color c;
    if (!strokeOnly && fillColor(m.fill, c)) {
        setColor(cr, c);
        canvasFillPreserve(cr);
    }
    // Crosses and stars are lines alone: in the outline's colour, else the fill's.
    const FillData& stroke = m.line.visible ? m.line.fill : m.fill;
    if ((m.line.visible || strokeOnly) && fillColor(stroke, c)) {
        setColor(cr, c);
        cairo_set_line_width(cr, clampedWeight(m.line, 5));
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
        canvasStroke(cr);
    }
    cairo_new_path(cr);
}

// A path through the points: straight, or a smooth curve through each of them.
void tracePath(cairo_t* cr, const std::vector<std::pair<double, double>>& pts, bool smooth,
               bool closed = false) {
    cairo_new_path(cr);
    if (pts.empty()) return;
    std::size_t n = pts.size();
    cairo_move_to(cr, pts[0].first, pts[0].second);
    std::size_t segments = closed ? n : n - 1;
    for (std::size_t i = 0; i < segments; ++i) {
        const auto& b = pts[i];
        const auto& c = pts[(i + 1) % n];
        if (!smooth || n < 3) {
            cairo_line_to(cr, c.first, c.second);
            continue;
        }
        // Tangents from the neighbours (the ends repeat themselves on an open path).
        const auto& a = closed ? pts[(i + n - 1) % n] : pts[i == 0 ? 0 : i - 1];
        const auto& d = closed ? pts[(i + 2) % n] : pts[std::min(i + 2, n - 1)];
        cairo_curve_to(cr, b.first + (c.first - a.first) / 6, b.second + (c.second - a.second) / 6,
                       c.first - (d.first - b.first) / 6, c.second - (d.second - b.second) / 6,
                       c.first, c.second);
    }
    if (closed) cairo_close_path(cr);
}

void strokeSeriesLine(cairo_t* cr, const ChartSeriesData& s) {
    Color c;
    if (!s.line.visible || !fillColor(s.line.fill, c)) {
        cairo_new_path(cr);
        return;
    }
    setColor(cr, c);
    cairo_set_line_width(cr, clampedWeight(s.line));
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    canvasStroke(cr);
}

// A data label's text: category name and value (or percentage), as the series asks.
std::string labelText(const ChartSeriesData& s, const std::string& category, double value,
                      double percent = NAN) {
    std::string out;
    if (s.showCategoryNames && !category.empty()) out = category;
    auto add = [&](const std::string& t) { out += (out.empty() ? "" : "; ") + t; };
    if (s.showValues && std::isfinite(value)) add(numberText(value, s.labelDecimals));
    if (s.showPercent && std::isfinite(percent)) add(numberText(std::round(percent * 100)) + "%");
    return out;
}

struct Labels {
    const ChartData& chart;
    double size;
    std::vector<ShapePtr>& texts;

    // A data label beside the point (x, y), `gap` away, at the file's position or `fallback`.
    void at(const std::string& text, double x, double y, double gap, const std::string& position,
            const char* fallback) {
        if (text.empty() || texts.size() >= 4 * kMaxLabels) return;
        std::string pos = position.empty() || position == "bestFit" ? fallback : position;
        double w = size * (1.0 + 0.6 * static_cast<double>(std::min<std::size_t>(text.size(), 40)));
        double h = size * 1.4;
        double lx = x - w / 2, ly = y - h / 2;
        int align = host::alignment::kCenter;
        if (pos == "r") {
            lx = x + gap;
            align = host::alignment::kLeft;
        } else if (pos == "l") {
            lx = x - gap - w;
            align = host::alignment::kRight;
        } else if (pos == "t" || pos == "outEnd") {
            ly = y - gap - h;
        } else if (pos == "b") {
            ly = y + gap;
        }
        texts.push_back(label(chart, text, lx, ly, w, h, align, size, chart.valueLabelBold));
    }
};

// How far back 3-D bars reach on the page: to the right and up.
struct Depth {
    double dx = 0, dy = 0;
};

// The outline of a bar or slice along the current path, when its series has one.
void strokeOutline(cairo_t* cr, const LineData& l) {
    Color c;
    if (!l.visible || !fillColor(l.fill, c)) {
        cairo_new_path(cr);
        return;
    }
    setColor(cr, c);
    cairo_set_line_width(cr, clampedWeight(l, 10));
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    canvasStroke(cr);
}

// A bar's front and its outline; a 3-D bar also shows its top in light and its right side in
// shade.
void barBox(cairo_t* cr, double x, double y, double w, double h, const FillData& fill,
            const LineData& outline, const Depth& depth) {
    fillRect(cr, x, y, w, h, fill);
    if (outline.visible) {
        cairo_rectangle(cr, x, y, w, h);
        strokeOutline(cr, outline);
    }
    Color c;
    if ((depth.dx <= 0 && depth.dy <= 0) || !fillColor(fill, c)) return;
    auto face = [&](double x0, double y0, double x1, double y1, double k) {
        setColor(cr, shadedColor(c, k));
        cairo_new_path(cr);
        cairo_move_to(cr, x0, y0);
        cairo_line_to(cr, x1, y1);
        cairo_line_to(cr, x1 + depth.dx, y1 - depth.dy);
        cairo_line_to(cr, x0 + depth.dx, y0 - depth.dy);
        cairo_close_path(cr);
        canvasFill(cr);
    };
    face(x, y, x + w, y, 0.3);
    face(x + w, y, x + w, y + h, -0.3);
}

// A bar's width in a category slot: slot = group + gap × bar; group = bar × (n − (n − 1) ×
// overlap).
double barWidth(const ChartPlotData& plot, double slot) {
    bool stacked = plot.grouping == "stacked" || plot.grouping == "percentStacked";
    double overlap = stacked ? 1.0 : plot.overlap / 100.0;
    auto n = static_cast<double>(std::max<std::size_t>(plot.series.size(), 1));
    return slot / (n - (n - 1) * overlap + plot.gapWidth / 100.0);
}

// Bars, lines and areas over category slots, with the value axis running from lo to hi; 3-D
// bars reach `depth` back from the front plane `area`.
void drawCategoryPlot(cairo_t* cr, const ChartData& chart, const ChartPlotData& plot,
                      const Box& area, std::size_t categories, double lo, double hi, Labels& labels,
                      const Depth& depth) {
    double labelSize = labels.size;
    auto category = [&](std::size_t i) {
        return i < chart.categories.size() ? chart.categories[i] : std::string();
    };
    // A value's label, centred on (x, y).
    auto valueLabel = [&](const ChartSeriesData& s, std::size_t i, double x, double y) {
        if (i >= s.values.size()) return;
        labels.at(labelText(s, category(i), s.values[i]), x, y, 0, "ctr", "ctr");
    };
    if (categories == 0 || !(hi > lo)) return;
    bool stacked = plot.grouping == "stacked" || plot.grouping == "percentStacked";
    bool percent = plot.grouping == "percentStacked";
    bool horizontal = plot.type == ChartType::Bar && plot.horizontal;
    double slot = (horizontal ? area.h : area.w) / static_cast<double>(categories);
    // Position along the value axis, from the value.
    auto at = [&](double v) {
        double t = (std::clamp(v, lo, hi) - lo) / (hi - lo);
        return horizontal ? area.x + t * area.w : area.y + area.h - t * area.h;
    };
    auto totalAt = [&](std::size_t i) {
        double t = 0;
        for (const ChartSeriesData& s : plot.series) {
            if (i < s.values.size() && std::isfinite(s.values[i])) t += std::fabs(s.values[i]);
        }
        return t;
    };
    auto value = [&](const ChartSeriesData& s, std::size_t i) -> double {
        double v = i < s.values.size() ? s.values[i] : NAN;
        if (!std::isfinite(v)) return NAN;
        if (percent) {
            double t = totalAt(i);
            return t > 0 ? v / t * 100 : 0.0;
        }
        return v;
    };
    std::size_t n = plot.series.size();
    if (n == 0) return;
    if (plot.type == ChartType::Bar) {
        double gap = plot.gapWidth / 100.0;
        double overlap = stacked ? 1.0 : plot.overlap / 100.0;
        double bar = barWidth(plot, slot);
        Depth box = plot.threeD ? depth : Depth{};
        std::vector<double> posBase(categories, 0), negBase(categories, 0);
        for (std::size_t k = 0; k < n; ++k) {
            const ChartSeriesData& s = plot.series[k];
            for (std::size_t i = 0; i < categories; ++i) {
                double v = value(s, i);
                if (!std::isfinite(v)) continue;
                double from = 0, to = v;
                if (stacked) {
                    double& base = v >= 0 ? posBase[i] : negBase[i];
                    from = base;
                    to = base + v;
                    base = to;
                }
                double offset = slot * i + gap * bar / 2 +
                                (stacked ? 0 : static_cast<double>(k) * bar * (1 - overlap));
                double a = at(from), b = at(to);
                // Labels sit past the bar's end, or inside a stacked segment.
                double past = stacked ? 0 : (v >= 0 ? 1 : -1) * labelSize * 0.9;
                // A 3-D bar's label stands over the middle of its top.
                double lx = box.dx / 2, ly = -box.dy / 2;
                if (horizontal) {
                    double y = area.y + area.h - offset - bar;
                    barBox(cr, std::min(a, b), y, std::fabs(b - a), bar, pointFill(s, i), s.line,
                           box);
                    valueLabel(s, i, (stacked ? (a + b) / 2 : b + past * 2.5) + lx,
                               y + bar / 2 + ly);
                } else {
                    barBox(cr, area.x + offset, std::min(a, b), bar, std::fabs(b - a),
                           pointFill(s, i), s.line, box);
                    valueLabel(s, i, area.x + offset + bar / 2 + lx,
                               (stacked ? (a + b) / 2 : b - past) + ly);
                }
            }
        }
        return;
    }
    // Lines and areas: points at the slot centres.
    std::vector<double> base(categories, 0);
    for (const ChartSeriesData& s : plot.series) {
        std::vector<std::pair<double, double>> pts;
        std::vector<std::pair<double, double>> floor;
        std::vector<std::size_t> index;
        for (std::size_t i = 0; i < categories; ++i) {
            double v = value(s, i);
            if (!std::isfinite(v)) continue;
            double from = stacked ? base[i] : 0;
            double to = from + v;
            if (stacked) base[i] = to;
            double x = area.x + slot * (static_cast<double>(i) + 0.5);
            pts.emplace_back(x, at(to));
            floor.emplace_back(x, at(from));
            index.push_back(i);
        }
        if (pts.empty()) continue;
        if (plot.type == ChartType::Area) {
            Color c;
            if (!fillColor(s.fill, c)) continue;
            cairo_new_path(cr);
            cairo_move_to(cr, pts.front().first, pts.front().second);
            for (const auto& p : pts) cairo_line_to(cr, p.first, p.second);
            for (auto it = floor.rbegin(); it != floor.rend(); ++it) {
                cairo_line_to(cr, it->first, it->second);
            }
            cairo_close_path(cr);
            setColor(cr, c);
            canvasFill(cr);
            continue;
        }
        tracePath(cr, pts, s.smooth);
        strokeSeriesLine(cr, s);
        for (std::size_t k = 0; k < pts.size(); ++k) {
            drawMarker(cr, s.marker, pts[k].first, pts[k].second, s.marker.size);
            labels.at(labelText(s, category(index[k]), s.values[index[k]]), pts[k].first,
                      pts[k].second, s.marker.size / 2 + labelSize * 0.3, s.labelPosition, "r");
        }
    }
}

// The texts of an axis' ticks.
void tickLabels(const ChartData& chart, const ChartAxisData& axis, const AxisScale& scale,
                double size, bool alongX, double cross, std::vector<ShapePtr>& texts,
                const std::function<double(double)>& pos, const char* suffix = "") {
    for (int i = 0; i <= 1000; ++i) {
        double v = scale.minimum + scale.majorUnit * i;
        if (v > scale.maximum + scale.majorUnit * 1e-9 || texts.size() >= 3 * kMaxLabels) break;
        if (std::fabs(v) < scale.majorUnit * 1e-9) v = 0;
        double p = pos(v);
        if (alongX) {
            texts.push_back(label(chart, numberText(v) + suffix, p - size * 3, cross + size * 0.2,
                                  size * 6, size * 1.4, host::alignment::kCenter, size, axis.bold,
                                  axis.font));
        } else {
            texts.push_back(label(chart, numberText(v) + suffix, cross - size * 7.3, p - size * 0.7,
                                  size * 7, size * 1.4, host::alignment::kRight, size, axis.bold,
                                  axis.font));
        }
    }
}

// Lines across the plot at each major unit: horizontal for a vertical axis, and back.
void gridlines(cairo_t* cr, const AxisScale& scale, const ChartAxisData& axis, bool alongX,
               const Box& plot, const std::function<double(double)>& pos) {
    if (!axis.gridlines) return;
    for (int i = 0; i <= 1000; ++i) {
        double v = scale.minimum + scale.majorUnit * i;
        if (v > scale.maximum + scale.majorUnit * 1e-9) break;
        double p = pos(v);
        if (alongX) {
            styledLine(cr, p, plot.y, p, plot.y + plot.h, axis.gridLine, kGridGrey);
        } else {
            styledLine(cr, plot.x, p, plot.x + plot.w, p, axis.gridLine, kGridGrey);
        }
    }
}

constexpr double kMajorTick = 4, kMinorTick = 2;  // points

// How far an axis' major ticks reach out of the plot.
double tickReach(const ChartAxisData& axis) {
    if (axis.deleted || !axis.shown) return 0;
    return axis.majorTickMark == "out"     ? kMajorTick
           : axis.majorTickMark == "cross" ? kMajorTick / 2
                                           : 0;
}

// Tick marks of `kind` ("out", "in", "cross") `length` long at positions `at` along the axis
// line at `cross`; `out` (+1 or −1) points away from the plot. One stroke in the axis' look.
void tickMarks(cairo_t* cr, const ChartAxisData& axis, const std::string& kind, double length,
               const std::vector<double>& at, bool alongX, double cross, double out) {
    if (axis.deleted || !axis.shown || at.empty() ||
        (kind != "out" && kind != "in" && kind != "cross"))
        return;
    double from = kind == "in" ? -length : kind == "cross" ? -length / 2 : 0;
    double to = kind == "in" ? 0 : kind == "cross" ? length / 2 : length;
    cairo_new_path(cr);
    for (double p : at) {
        if (alongX) {
            cairo_move_to(cr, p, cross + out * from);
            cairo_line_to(cr, p, cross + out * to);
        } else {
            cairo_move_to(cr, cross + out * from, p);
            cairo_line_to(cr, cross + out * to, p);
        }
    }
    Color c{kAxisGrey, 1.0f};
    if (axis.line.visible) fillColor(axis.line.fill, c);
    setColor(cr, c);
    cairo_set_line_width(cr, axis.line.visible ? clampedWeight(axis.line, 10) : 0.75);
    canvasStroke(cr);
}

// A value axis' ticks: major ones at each unit, minor ones at each fifth between them.
void valueTicks(cairo_t* cr, const ChartAxisData& axis, const AxisScale& scale, bool alongX,
                double cross, double out, const std::function<double(double)>& pos) {
    std::vector<double> major, minor;
    for (int i = 0; i <= 1000; ++i) {
        double v = scale.minimum + scale.majorUnit * i;
        if (v > scale.maximum + scale.majorUnit * 1e-9) break;
        major.push_back(pos(v));
        for (int k = 1; k < 5 && axis.minorTickMark != "none"; ++k) {
            double m = v + scale.majorUnit * k / 5;
            if (m < scale.maximum - scale.majorUnit * 1e-9) minor.push_back(pos(m));
        }
    }
    tickMarks(cr, axis, axis.minorTickMark, kMinorTick, minor, alongX, cross, out);
    tickMarks(cr, axis, axis.majorTickMark, kMajorTick, major, alongX, cross, out);
}

// How category names stand along their axis: turned `angle` degrees (clockwise), every
// `step`-th shown, turned ones `width` long; `room` is what they take across the axis.
struct NameLayout {
    double angle = 0;
    std::size_t step = 1;
    double width = 0, room = 0;
};

// Level names wrap at spaces in their slot, on up to five lines (two under 3-D bars); when
// they do not fit so, the names turn (as the file says, else by 45 degrees upwards), and only
// every so many show when even turned they would crowd each other.
NameLayout nameLayout(const ChartData& chart, std::size_t categories, double slot, double size,
                      bool alongX, const TextMeasure& measure) {
    NameLayout out;
    const ChartAxisData& axis = chart.categoryAxis;
    if (axis.deleted || !axis.labelsShown) return out;
    // A level name's box reaches a little past its slot.
    double lineH = size * 1.4, fit = slot + size * 0.5;
    bool deep = std::any_of(chart.plots.begin(), chart.plots.end(),
                            [](const ChartPlotData& p) { return p.threeD; });
    std::size_t maxLines = deep ? 2 : 5;
    const std::string& face = axis.font.empty() ? chart.font : axis.font;
    auto widthOf = [&](const std::string& t) { return measure.width(t, size, axis.bold, face); };
    double space = widthOf(" "), longest = 0, wordW = 0;
    std::size_t mostLines = 1;
    for (std::size_t i = 0; i < chart.categories.size() && i < categories && i < kMaxLabels * 4;
         ++i) {
        const std::string& name = chart.categories[i];
        std::size_t lines = 1;
        double line = 0;
        std::size_t start = 0;
        while (start <= name.size()) {
            std::size_t end = std::min(name.find(' ', start), name.size());
            if (end > start) {
                double w = widthOf(name.substr(start, end - start));
                wordW = std::max(wordW, w);
                // The word on this line, or on the next.
                if (line > 0 && line + space + w > fit) {
                    ++lines;
                    line = 0;
                }
                line += (line > 0 ? space : 0) + w;
            }
            start = end + 1;
        }
        mostLines = std::max(mostLines, lines);
        longest = std::max(longest, widthOf(name.substr(0, 200)));
    }
    auto stepFor = [&](double need, double room) {
        if (!(room > 0)) return kMaxChartPoints;
        return static_cast<std::size_t>(
            std::clamp(std::ceil(need / room - 1e-9), 1.0, static_cast<double>(kMaxChartPoints)));
    };
    if (!alongX) {
        out.step = stepFor(lineH * 0.85, slot);
        out.room = size * 6;
    } else {
        bool turned = axis.hasLabelRotation ? std::fabs(axis.labelRotation) >= 1
                                            : wordW > fit || mostLines > maxLines;
        double angle = axis.hasLabelRotation ? axis.labelRotation : -45;
        double sn = std::fabs(std::sin(angle * kPi / 180)),
               cs = std::fabs(std::cos(angle * kPi / 180));
        if (turned) {
            out.angle = angle;
            out.width = longest + size * 0.5;
            // Neighbours stand slot × sin apart across their lines.
            out.step = stepFor(lineH * 0.9, slot * sn);
            out.room = out.width * sn + lineH * cs + size * 0.2;
        } else {
            out.step = stepFor(wordW, fit);
            out.room = lineH * static_cast<double>(std::min(mostLines, maxLines)) + size * 0.2;
        }
    }
    if (axis.labelSkip > 0) out.step = axis.labelSkip;
    return out;
}

double axisTextSize(const ChartAxisData& axis, double size) {
    return axis.textSize > 0 ? std::clamp<double>(axis.textSize, 4, 72) : size;
}

// The plot area's fill, or its outline.
void plotArea(cairo_t* cr, const ChartData& chart, const Box& plot, bool outline) {
    if (!outline) {
        fillRect(cr, plot.x, plot.y, plot.w, plot.h, chart.plotFill);
        return;
    }
    Color c;
    if (!chart.plotBorder.visible || !fillColor(chart.plotBorder.fill, c)) return;
    setColor(cr, c);
    cairo_set_line_width(cr, clampedWeight(chart.plotBorder, 0.75));
    cairo_rectangle(cr, plot.x, plot.y, plot.w, plot.h);
    canvasStroke(cr);
}

// Room for tick labels at the left and below, unless the file places the plot.
void makeRoom(const ChartData& chart, Box& plot, double leftWidth, double belowHeight) {
    if (chart.plotPlaced) return;
    plot.x += leftWidth;
    plot.w -= leftWidth;
    plot.h -= belowHeight;
}

// Scatter and bubble plots: both axes carry values.
void drawXYChart(cairo_t* cr, const ChartData& chart, Box plot, double size, Labels& labels,
                 std::vector<ShapePtr>& texts) {
    double xlo = INFINITY, xhi = -INFINITY, ylo = INFINITY, yhi = -INFINITY, biggest = 0;
    auto xOf = [](const ChartSeriesData& s, std::size_t i) {
        return i < s.xValues.size() ? s.xValues[i] : static_cast<double>(i + 1);
    };
    for (const ChartPlotData& p : chart.plots) {
        if (!isXY(p)) continue;
        for (const ChartSeriesData& s : p.series) {
            for (std::size_t i = 0; i < s.values.size(); ++i) {
                double x = xOf(s, i), y = s.values[i];
                if (!std::isfinite(x) || !std::isfinite(y)) continue;
                xlo = std::min(xlo, x);
                xhi = std::max(xhi, x);
                ylo = std::min(ylo, y);
                yhi = std::max(yhi, y);
                if (i < s.bubbleSizes.size() && std::isfinite(s.bubbleSizes[i]))
                    biggest = std::max(biggest, s.bubbleSizes[i]);
            }
        }
    }
    if (!std::isfinite(xlo)) return;
    AxisScale xs = axisScale(xlo, xhi, chart.categoryAxis);
    AxisScale ys = axisScale(ylo, yhi, chart.valueAxis);
    double xSize = axisTextSize(chart.categoryAxis, size);
    double ySize = axisTextSize(chart.valueAxis, size);
    std::size_t digits = std::max(numberText(ys.maximum).size(), numberText(ys.minimum).size());
    makeRoom(chart, plot,
             chart.valueAxis.deleted ? 0 : ySize * 0.6 * static_cast<double>(digits) + ySize * 0.6,
             chart.categoryAxis.deleted ? 0 : xSize * 1.6);
    if (plot.w <= 1 || plot.h <= 1) return;
    plotArea(cr, chart, plot, false);
    auto px = [&](double x) {
        return plot.x + (x - xs.minimum) / (xs.maximum - xs.minimum) * plot.w;
    };
    auto py = [&](double y) {
        return plot.y + plot.h - (y - ys.minimum) / (ys.maximum - ys.minimum) * plot.h;
    };
    gridlines(cr, ys, chart.valueAxis, false, plot, py);
    gridlines(cr, xs, chart.categoryAxis, true, plot, px);
    for (const ChartPlotData& p : chart.plots) {
        if (!isXY(p)) continue;
        // The biggest bubble is a quarter of the plot's smaller side across, at scale 100.
        double most = std::min(plot.w, plot.h) * 0.25 * p.bubbleScale / 100.0;
        for (const ChartSeriesData& s : p.series) {
            std::vector<std::pair<double, double>> pts;
            std::vector<std::size_t> index;
            for (std::size_t i = 0; i < s.values.size(); ++i) {
                double x = xOf(s, i), y = s.values[i];
                if (!std::isfinite(x) || !std::isfinite(y)) continue;
                pts.emplace_back(px(std::clamp(x, xs.minimum, xs.maximum)),
                                 py(std::clamp(y, ys.minimum, ys.maximum)));
                index.push_back(i);
            }
            if (p.type == ChartType::Bubble) {
                for (std::size_t k = 0; k < pts.size(); ++k) {
                    std::size_t i = index[k];
                    double b = i < s.bubbleSizes.size() ? s.bubbleSizes[i] : NAN;
                    if (!std::isfinite(b) || b <= 0 || !(biggest > 0)) continue;
                    double ratio = b / biggest;
                    double d = most * (p.bubbleSizeIsWidth ? ratio : std::sqrt(ratio));
                    cairo_new_path(cr);
                    cairo_arc(cr, pts[k].first, pts[k].second, d / 2, 0, 2 * kPi);
                    Color c;
                    if (fillColor(pointFill(s, i), c)) {
                        setColor(cr, c);
                        canvasFillPreserve(cr);
                    }
                    if (s.line.visible && fillColor(s.line.fill, c)) {
                        setColor(cr, c);
                        cairo_set_line_width(cr, clampedWeight(s.line, 5));
                        canvasStroke(cr);
                    }
                    cairo_new_path(cr);
                    labels.at(labelText(s, "", s.values[i]), pts[k].first, pts[k].second, d / 2,
                              s.labelPosition, "ctr");
                }
                continue;
            }
            tracePath(cr, pts, s.smooth);
            strokeSeriesLine(cr, s);
            for (std::size_t k = 0; k < pts.size(); ++k) {
                drawMarker(cr, s.marker, pts[k].first, pts[k].second, s.marker.size);
                labels.at(labelText(s, "", s.values[index[k]]), pts[k].first, pts[k].second,
                          s.marker.size / 2 + labels.size * 0.3, s.labelPosition, "r");
            }
        }
    }
    plotArea(cr, chart, plot, true);
    // The axes cross at zero, or at the end nearer to it.
    double yAt = py(std::clamp(0.0, ys.minimum, ys.maximum));
    double xAt = px(std::clamp(0.0, xs.minimum, xs.maximum));
    if (!chart.categoryAxis.deleted) {
        if (chart.categoryAxis.shown) {
            styledLine(cr, plot.x, yAt, plot.x + plot.w, yAt, chart.categoryAxis.line, kAxisGrey);
            valueTicks(cr, chart.categoryAxis, xs, true, yAt, 1, px);
        }
        if (chart.categoryAxis.labelsShown) {
            tickLabels(chart, chart.categoryAxis, xs, xSize, true,
                       plot.y + plot.h + tickReach(chart.categoryAxis), texts, px);
        }
    }
    if (!chart.valueAxis.deleted) {
        if (chart.valueAxis.shown) {
            styledLine(cr, xAt, plot.y, xAt, plot.y + plot.h, chart.valueAxis.line, kAxisGrey);
            valueTicks(cr, chart.valueAxis, ys, false, xAt, -1, py);
        }
        if (chart.valueAxis.labelsShown) {
            tickLabels(chart, chart.valueAxis, ys, ySize, false,
                       plot.x - tickReach(chart.valueAxis), texts, py);
        }
    }
}

// Radar plots: categories on spokes clockwise from the top, values outwards from the centre.
void drawRadarChart(cairo_t* cr, const ChartData& chart, const Box& plot, double size,
                    Labels& labels, std::vector<ShapePtr>& texts) {
    std::size_t n = chart.categories.size();
    double lo = INFINITY, hi = -INFINITY;
    for (const ChartPlotData& p : chart.plots) {
        if (p.type != ChartType::Radar) continue;
        for (const ChartSeriesData& s : p.series) {
            n = std::max(n, s.values.size());
            for (double v : s.values) {
                if (!std::isfinite(v)) continue;
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
        }
    }
    n = std::min(n, kMaxChartPoints);
    if (n == 0 || !std::isfinite(lo)) return;
    AxisScale scale = axisScale(lo, hi, chart.valueAxis);
    double catSize = axisTextSize(chart.categoryAxis, size);
    double cx = plot.x + plot.w / 2, cy = plot.y + plot.h / 2;
    double radius = std::min(plot.w, plot.h) / 2;
    // Room for the category names around the web, unless the file places the plot.
    if (!chart.plotPlaced && !chart.categoryAxis.deleted) {
        radius = std::min(plot.w / 2 - catSize * 4, plot.h / 2 - catSize * 1.6);
    }
    if (radius <= 1) return;
    auto angle = [&](std::size_t i) {
        return -kPi / 2 + 2 * kPi * static_cast<double>(i) / static_cast<double>(n);
    };
    auto point = [&](std::size_t i, double v) {
        double t = (std::clamp(v, scale.minimum, scale.maximum) - scale.minimum) /
                   (scale.maximum - scale.minimum);
        return std::pair<double, double>(cx + radius * t * std::cos(angle(i)),
                                         cy + radius * t * std::sin(angle(i)));
    };
    // The web: a ring at each major unit, and a spoke for each category.
    if (chart.valueAxis.gridlines) {
        for (int k = 0; k <= 1000; ++k) {
            double v = scale.minimum + scale.majorUnit * k;
            if (v > scale.maximum + scale.majorUnit * 1e-9) break;
            std::vector<std::pair<double, double>> ring;
            for (std::size_t i = 0; i < n; ++i) ring.push_back(point(i, v));
            tracePath(cr, ring, false, true);
            Color c{kGridGrey, 1.0f};
            const LineData& g = chart.valueAxis.gridLine;
            if (g.visible) fillColor(g.fill, c);
            setColor(cr, c);
            cairo_set_line_width(cr, g.visible ? clampedWeight(g, 10) : 0.75);
            canvasStroke(cr);
        }
    }
    if (!chart.categoryAxis.deleted && chart.categoryAxis.shown) {
        for (std::size_t i = 0; i < n; ++i) {
            auto [x, y] = point(i, scale.maximum);
            styledLine(cr, cx, cy, x, y, chart.categoryAxis.line, kGridGrey);
        }
    }
    for (const ChartPlotData& p : chart.plots) {
        if (p.type != ChartType::Radar) continue;
        for (const ChartSeriesData& s : p.series) {
            std::vector<std::pair<double, double>> pts;
            std::vector<std::size_t> index;
            for (std::size_t i = 0; i < s.values.size() && i < n; ++i) {
                if (!std::isfinite(s.values[i])) continue;
                pts.push_back(point(i, s.values[i]));
                index.push_back(i);
            }
            if (pts.empty()) continue;
            tracePath(cr, pts, false, pts.size() == n);
            Color c;
            if (p.radarStyle == "filled" && fillColor(s.fill, c)) {
                setColor(cr, c);
                canvasFillPreserve(cr);
            }
            strokeSeriesLine(cr, s);
            for (std::size_t k = 0; k < pts.size(); ++k) {
                drawMarker(cr, s.marker, pts[k].first, pts[k].second, s.marker.size);
                std::size_t i = index[k];
                labels.at(labelText(s, i < chart.categories.size() ? chart.categories[i] : "",
                                    s.values[i]),
                          pts[k].first, pts[k].second, s.marker.size / 2 + labels.size * 0.3,
                          s.labelPosition, "t");
            }
        }
    }
    if (!chart.valueAxis.deleted) {
        if (chart.valueAxis.shown) {
            styledLine(cr, cx, cy, cx, cy - radius, chart.valueAxis.line, kAxisGrey);
        }
        tickLabels(chart, chart.valueAxis, scale, axisTextSize(chart.valueAxis, size), false, cx,
                   texts, [&](double v) { return point(0, v).second; });
    }
    if (!chart.categoryAxis.deleted && n <= kMaxLabels) {
        for (std::size_t i = 0; i < chart.categories.size() && i < n; ++i) {
            double c = std::cos(angle(i)), sn = std::sin(angle(i));
            double x = cx + (radius + catSize * 0.5) * c, y = cy + (radius + catSize * 0.5) * sn;
            double w = catSize * 8, h = catSize * 1.4;
            // Names on the right start at the web, on the left end there, top and bottom centre.
            double lx = c > 0.2 ? x : c < -0.2 ? x - w : x - w / 2;
            double ly = sn > 0.2 ? y : sn < -0.2 ? y - h : y - h / 2;
            int align = c > 0.2    ? host::alignment::kLeft
                        : c < -0.2 ? host::alignment::kRight
                                   : host::alignment::kCenter;
            texts.push_back(label(chart, chart.categories[i], lx, ly, w, h, align, catSize,
                                  chart.categoryAxis.bold, chart.categoryAxis.font));
        }
    }
}

void drawPie(cairo_t* cr, const ChartData& chart, const ChartPlotData& plot, const Box& area,
             Labels& labels) {
    if (plot.series.empty()) return;
    const ChartSeriesData& s = plot.series.front();
    double total = 0;
    for (double v : s.values) {
        if (std::isfinite(v) && v > 0) total += v;
    }
    if (!(total > 0) || !std::isfinite(total)) return;
    double r = std::min(area.w, area.h) / 2;
    double cx = area.x + area.w / 2, cy = area.y + area.h / 2;
    double hole = plot.type == ChartType::Doughnut ? r * plot.holeSize / 100.0 : 0;
    double angle = (plot.firstSliceAngle - 90) * kPi / 180;
    for (std::size_t i = 0; i < s.values.size(); ++i) {
        double v = s.values[i];
        if (!std::isfinite(v) || v <= 0) continue;
        double sweep = v / total * 2 * kPi;
        Color c;
        if (fillColor(pointFill(s, i), c)) {
            setColor(cr, c);
            cairo_new_path(cr);
            if (hole > 0) {
                cairo_arc(cr, cx, cy, r, angle, angle + sweep);
                cairo_arc_negative(cr, cx, cy, hole, angle + sweep, angle);
            } else {
                cairo_move_to(cr, cx, cy);
                cairo_arc(cr, cx, cy, r, angle, angle + sweep);
            }
            cairo_close_path(cr);
            if (s.line.visible) {
                canvasFillPreserve(cr);
                strokeOutline(cr, s.line);
            } else {
                canvasFill(cr);
            }
        }
        // Labels inside the slice, or just outside it.
        double mid = angle + sweep / 2;
        bool outside = s.labelPosition == "outEnd";
        double at = outside ? r + labels.size : hole > 0 ? (hole + r) / 2 : r * 0.65;
        labels.at(
            labelText(s, i < chart.categories.size() ? chart.categories[i] : "", v, v / total),
            cx + at * std::cos(mid), cy + at * std::sin(mid), 0, "ctr", "ctr");
        angle += sweep;
    }
}

// A legend entry: a series (or a pie's slice) with the look of its mark.
struct Entry {
    std::string text;
    Color color;
    bool swatch = true;  // a square of the fill; else the line and marker
    LineData line;
    ChartMarker marker;
};

// The entry's key in a box lineH high from (x, y), `width` across.
void drawKey(cairo_t* cr, const Entry& e, double x, double y, double width, double lineH) {
    double mid = y + lineH / 2;
    if (e.swatch) {
        FillData f;
        f.kind = FillKind::Solid;
        f.color = e.color;
        double sw = std::min(width, lineH * 0.5);
        fillRect(cr, x + (width - sw) / 2, mid - sw / 2, sw, sw, f);
        return;
    }
    Color c;
    if (e.line.visible && fillColor(e.line.fill, c)) {
        setColor(cr, c);
        cairo_set_line_width(cr, std::min(clampedWeight(e.line), lineH / 3));
        cairo_move_to(cr, x, mid);
        cairo_line_to(cr, x + width, mid);
        canvasStroke(cr);
    }
    drawMarker(cr, e.marker, x + width / 2, mid, std::min<double>(e.marker.size, lineH * 0.8));
}

std::vector<Entry> legendEntries(const ChartData& chart) {
    std::vector<Entry> entries;
    bool pie = !chart.plots.empty() && isPie(chart.plots.front());
    if (pie && !chart.plots.front().series.empty()) {
        const ChartSeriesData& s = chart.plots.front().series.front();
        for (std::size_t i = 0; i < s.values.size() && entries.size() < kMaxLabels; ++i) {
            Entry e;
            fillColor(pointFill(s, i), e.color);
            e.text = i < chart.categories.size() ? chart.categories[i] : "";
            entries.push_back(std::move(e));
        }
        return entries;
    }
    for (const ChartPlotData& p : chart.plots) {
        for (const ChartSeriesData& s : p.series) {
            if (entries.size() >= kMaxLabels) break;
            Entry e;
            e.text = s.name;
            bool lined = p.type == ChartType::Line || p.type == ChartType::Scatter ||
                         (p.type == ChartType::Radar && p.radarStyle != "filled");
            if (lined) {
                e.swatch = false;
                e.line = s.line;
                e.marker = s.marker;
                if (!(s.line.visible && fillColor(s.line.fill, e.color)) &&
                    s.marker.symbol == "none")
                    continue;
            } else if (!fillColor(s.fill, e.color)) {
                continue;
            }
            entries.push_back(std::move(e));
        }
    }
    return entries;
}

// Draws the legend and takes its room from `inner`.
void drawLegend(cairo_t* cr, const ChartData& chart, const Box& box, Box& inner, double size,
                std::vector<ShapePtr>& texts, const TextMeasure& measure) {
    std::vector<Entry> entries = legendEntries(chart);
    if (entries.empty()) return;
    bool lined =
        std::any_of(entries.begin(), entries.end(), [](const Entry& e) { return !e.swatch; });
    double lineH = size * 1.2;
    double key = lined ? size * 2 : size * 0.8;  // the key's width
    std::string face = chart.legendFont.empty() ? chart.font : chart.legendFont;
    auto textWidth = [&](const Entry& e) {
        return measure.width(e.text.substr(0, 200), size, chart.legendBold, face) + size * 0.3;
    };
    auto entryAt = [&](const Entry& e, double x, double y, double w, double h) {
        drawKey(cr, e, x, y, key, h);
        texts.push_back(label(chart, e.text, x + key + size * 0.3, y,
                              std::max(1.0, w - key - size * 0.3) + size * 1.5, h,
                              host::alignment::kLeft, size, chart.legendBold, chart.legendFont));
    };
    if (chart.legendPlaced) {
        double lx = box.x + chart.legendX * box.w, ly = box.y + chart.legendY * box.h;
        double lw = chart.legendWidth * box.w, lh = chart.legendHeight * box.h;
        // One row in a wide box that holds them across.
        double across = 0;
        for (const Entry& e : entries) across += key + size * 0.3 + textWidth(e) + size * 0.5;
        if (across <= lw && lw > 2 * lh) {
            double x = lx + (lw - across) / 2, y = ly + (lh - lineH) / 2;
            for (const Entry& e : entries) {
                double w = key + size * 0.3 + textWidth(e) + size * 0.5;
                entryAt(e, x, y, w, lineH);
                x += w;
            }
            return;
        }
        double h = std::min(lineH, lh / static_cast<double>(entries.size()));
        double top = ly + (lh - h * static_cast<double>(entries.size())) / 2;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            entryAt(entries[i], lx, top + h * static_cast<double>(i), lw, h);
        }
        return;
    }
    const std::string& pos = chart.legendPosition;
    if (pos == "r" || pos == "l" || pos == "tr") {
        double widest = 0;
        for (const Entry& e : entries) widest = std::max(widest, textWidth(e));
        double lw = std::min(inner.w * 0.45, key + size * 0.3 + widest);
        std::size_t fit = static_cast<std::size_t>(std::max(0.0, inner.h / lineH));
        std::size_t count = std::min(entries.size(), fit);
        double total = lineH * static_cast<double>(count);
        double lx = pos == "l" ? inner.x : inner.x + inner.w - lw;
        // Centred on the chart, below the title when it would reach it.
        double ly = pos == "tr" ? inner.y
                                : std::clamp(box.y + (box.h - total) / 2, inner.y,
                                             std::max(inner.y, inner.y + inner.h - total));
        for (std::size_t i = 0; i < count; ++i) {
            entryAt(entries[i], lx, ly + lineH * static_cast<double>(i), lw, lineH);
        }
        if (pos == "l") inner.x += lw + size;
        inner.w -= lw + size;
        return;
    }
    // Rows of entries, centred, over or under the plot.
    std::vector<std::vector<std::size_t>> rows(1);
    std::vector<double> rowWidth(1, 0);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        double w = key + size * 0.3 + textWidth(entries[i]) + size * 0.5;
        if (!rows.back().empty() && rowWidth.back() + w > inner.w) {
            if (rows.size() >= 4) break;
            rows.emplace_back();
            rowWidth.push_back(0);
        }
        rows.back().push_back(i);
        rowWidth.back() += w;
    }
    double height = lineH * static_cast<double>(rows.size());
    double ly = pos == "t" ? inner.y : inner.y + inner.h - height;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        double x = inner.x + std::max(0.0, (inner.w - rowWidth[r]) / 2);
        for (std::size_t i : rows[r]) {
            double w = key + size * 0.3 + textWidth(entries[i]) + size * 0.5;
            entryAt(entries[i], x, ly + lineH * static_cast<double>(r), w, lineH);
            x += w;
        }
    }
    if (pos == "t") inner.y += height + size * 0.5;
    inner.h -= height + size * 0.5;
}

// Bar, line and area plots over the categories.
void drawCategoryChart(cairo_t* cr, const ChartData& chart, Box plotBox, double size,
                       Labels& labels, std::vector<ShapePtr>& texts, const TextMeasure& measure) {
    std::size_t categories = chart.categories.size();
    for (const ChartPlotData& p : chart.plots) {
        for (const ChartSeriesData& s : p.series)
            categories = std::max(categories, s.values.size());
    }
    categories = std::min(categories, kMaxChartPoints);
    // The value range over every plot, stacked where the plot stacks.
    double lo = 0, hi = 0;
    bool horizontal = false, percent = false;
    for (const ChartPlotData& p : chart.plots) {
        if (isPie(p) || isXY(p) || p.type == ChartType::Radar) continue;
        horizontal = horizontal || (p.type == ChartType::Bar && p.horizontal);
        if (p.grouping == "percentStacked") {
            percent = true;
            hi = std::max(hi, 100.0);
            continue;
        }
        bool stacked = p.grouping == "stacked";
        for (std::size_t i = 0; i < categories; ++i) {
            double pos = 0, neg = 0;
            for (const ChartSeriesData& s : p.series) {
                double v = i < s.values.size() ? s.values[i] : NAN;
                if (!std::isfinite(v)) continue;
                if (stacked) {
                    (v >= 0 ? pos : neg) += v;
                } else {
                    pos = std::max(pos, v);
                    neg = std::min(neg, v);
                }
            }
            hi = std::max(hi, pos);
            lo = std::min(lo, neg);
        }
    }
    AxisScale scale = axisScale(lo, hi, chart.valueAxis, percent && hi <= 100);
    lo = scale.minimum;
    hi = scale.maximum;
    double valueSize = axisTextSize(chart.valueAxis, size);
    double catSize = axisTextSize(chart.categoryAxis, size);
    const ChartAxisData& va = chart.valueAxis;
    const ChartAxisData& ca = chart.categoryAxis;
    bool valueNames = !va.deleted && va.labelsShown;
    // The axes' titles: the side one turned up the left edge, the other under the names.
    const ChartAxisData& sideAxis = horizontal ? ca : va;
    const ChartAxisData& lowAxis = horizontal ? va : ca;
    auto titleSize = [&](const ChartAxisData& a) {
        return a.titleSize > 0 ? std::clamp<double>(a.titleSize, 4, 72) : size;
    };
    double sideTitle = sideAxis.title.empty() ? 0 : titleSize(sideAxis) * 1.6;
    double lowTitle = lowAxis.title.empty() ? 0 : titleSize(lowAxis) * 1.6;
    const Box region = plotBox;
    makeRoom(chart, plotBox, sideTitle, lowTitle);
    // Room for the value labels at the side and the category names below.
    std::size_t digits = std::max(numberText(hi).size(), numberText(lo).size());
    double valueW =
        valueNames ? valueSize * 0.6 * static_cast<double>(digits) + valueSize * 0.6 + tickReach(va)
                   : 0;
    double valueH = valueNames ? valueSize * 1.6 + tickReach(va) : 0;
    NameLayout names =
        nameLayout(chart, categories,
                   categories > 0 ? (horizontal ? plotBox.h - valueH : plotBox.w - valueW) /
                                        static_cast<double>(categories)
                                  : 0,
                   catSize, !horizontal, measure);
    // Turned names take at most half the chart's height.
    names.room = std::min(names.room, plotBox.h / 2) + tickReach(ca);
    if (horizontal) {
        makeRoom(chart, plotBox, names.room, valueH);
    } else {
        makeRoom(chart, plotBox, valueW, names.room);
    }
    if (plotBox.w <= 1 || plotBox.h <= 1 || categories == 0) return;
    if (sideTitle > 0) {
        double ts = titleSize(sideAxis);
        double cx = chart.plotPlaced ? plotBox.x - (horizontal ? names.room : valueW) - ts
                                     : region.x + sideTitle / 2;
        double cy = plotBox.y + plotBox.h / 2;
        texts.push_back(label(chart, sideAxis.title, cx - plotBox.h / 2, cy - ts * 0.7, plotBox.h,
                              ts * 1.4, host::alignment::kCenter, ts, true, sideAxis.font));
        texts.back()->rotation = 270;
    }
    if (lowTitle > 0) {
        double ts = titleSize(lowAxis);
        double y = chart.plotPlaced ? plotBox.y + plotBox.h + (horizontal ? valueH : names.room)
                                    : region.y + region.h - lowTitle;
        texts.push_back(label(chart, lowAxis.title, plotBox.x, y, plotBox.w, lowTitle,
                              host::alignment::kCenter, ts, true, lowAxis.font));
    }
    // 3-D bars: the plot is a box whose front plane holds the axes, its floor and back wall
    // reaching as deep as the bars, seen from above and the right.
    Depth depth;
    for (const ChartPlotData& p : chart.plots) {
        if (!p.threeD || p.type != ChartType::Bar || p.series.empty()) continue;
        double dp = p.depthPercent / 100.0;
        double kx = std::fabs(std::sin(chart.rotY * kPi / 180));
        double ky = std::sin(std::max(0.0, static_cast<double>(chart.rotX)) * kPi / 180);
        // A bar's width (and so the depth) goes with the front's length: length + depth =
        // the plot's; the depth is the bar's width × depth percent.
        double cats = static_cast<double>(categories);
        double perBar = barWidth(p, 1.0) / cats;  // a bar's width for a front one point long
        if (horizontal) {
            double front = plotBox.h / (1 + dp * ky * perBar);
            double bar = front * perBar;
            depth = {bar * dp * kx, bar * dp * ky};
        } else {
            double front = plotBox.w / (1 + dp * kx * perBar);
            double bar = front * perBar;
            depth = {bar * dp * kx, bar * dp * ky};
        }
        depth.dx = std::min(depth.dx, plotBox.w / 3);
        depth.dy = std::min(depth.dy, plotBox.h / 3);
        break;
    }
    bool deep = depth.dx > 0 || depth.dy > 0;
    Box back = plotBox;
    if (deep) {
        back = {plotBox.x + depth.dx, plotBox.y, plotBox.w - depth.dx, plotBox.h - depth.dy};
        plotBox = {plotBox.x, plotBox.y + depth.dy, back.w, back.h};
    }
    plotArea(cr, chart, back, false);
    auto valuePos = [&](double v) {
        double t = (v - lo) / (hi - lo);
        return horizontal ? plotBox.x + t * plotBox.w : plotBox.y + plotBox.h - t * plotBox.h;
    };
    double slot = (horizontal ? plotBox.h : plotBox.w) / static_cast<double>(categories);
    if (deep) {
        // Gridlines run across the back wall and down the side wall (the floor for bars).
        std::vector<double> values;
        for (int i = 0; i <= 1000 && va.gridlines; ++i) {
            double v = lo + scale.majorUnit * i;
            if (v > hi + scale.majorUnit * 1e-9) break;
            values.push_back(valuePos(v));
        }
        Color c{kGridGrey, 1.0f};
        if (va.gridLine.visible) fillColor(va.gridLine.fill, c);
        setColor(cr, c);
        cairo_set_line_width(cr, va.gridLine.visible ? clampedWeight(va.gridLine, 10) : 0.75);
        cairo_new_path(cr);
        for (double p : values) {
            if (horizontal) {
                cairo_move_to(cr, p, plotBox.y + plotBox.h);
                cairo_line_to(cr, p + depth.dx, back.y + back.h);
                cairo_line_to(cr, p + depth.dx, back.y);
            } else {
                cairo_move_to(cr, plotBox.x, p);
                cairo_line_to(cr, back.x, p - depth.dy);
                cairo_line_to(cr, back.x + back.w, p - depth.dy);
            }
        }
        // The edges of the walls and the floor.
        double fx = plotBox.x, fy = plotBox.y + plotBox.h;
        cairo_move_to(cr, fx, plotBox.y);
        cairo_line_to(cr, fx, fy);
        cairo_line_to(cr, fx + plotBox.w, fy);
        cairo_line_to(cr, back.x + back.w, back.y + back.h);
        cairo_line_to(cr, back.x + back.w, back.y);
        cairo_line_to(cr, back.x, back.y);
        cairo_line_to(cr, back.x, back.y + back.h);
        cairo_line_to(cr, fx, fy);
        cairo_move_to(cr, back.x, back.y + back.h);
        cairo_line_to(cr, back.x + back.w, back.y + back.h);
        cairo_move_to(cr, fx, plotBox.y);
        cairo_line_to(cr, back.x, back.y);
        canvasStroke(cr);
    } else {
        gridlines(cr, scale, va, horizontal, plotBox, valuePos);
    }
    // The category axis' gridlines part the categories.
    if (ca.gridlines && !deep) {
        for (std::size_t i = 0; i <= categories; ++i) {
            double p = slot * static_cast<double>(i);
            if (horizontal) {
                styledLine(cr, plotBox.x, plotBox.y + p, plotBox.x + plotBox.w, plotBox.y + p,
                           ca.gridLine, kGridGrey);
            } else {
                styledLine(cr, plotBox.x + p, plotBox.y, plotBox.x + p, plotBox.y + plotBox.h,
                           ca.gridLine, kGridGrey);
            }
        }
    }
    if (valueNames) {
        double reach = tickReach(va);
        tickLabels(chart, va, scale, valueSize, horizontal,
                   horizontal ? plotBox.y + plotBox.h + reach : plotBox.x - reach, texts, valuePos,
                   percent ? "%" : "");
    }
    for (const ChartPlotData& p : chart.plots) {
        if (isPie(p) || isXY(p) || p.type == ChartType::Radar) continue;
        drawCategoryPlot(cr, chart, p, plotBox, categories, lo, hi, labels, depth);
    }
    plotArea(cr, chart, deep ? back : plotBox, true);
    double zero = valuePos(std::clamp(0.0, lo, hi));
    // The value axis runs along the plot's edge, the category axis through zero; the ticks
    // point away from the plot.
    double valueLine = horizontal ? plotBox.y + plotBox.h : plotBox.x;
    std::vector<double> slots;
    for (std::size_t i = 0; i <= categories && !ca.deleted && ca.shown; ++i) {
        slots.push_back(horizontal ? plotBox.y + slot * static_cast<double>(i)
                                   : plotBox.x + slot * static_cast<double>(i));
    }
    if (!va.deleted && va.shown) {
        if (horizontal) {
            styledLine(cr, plotBox.x, valueLine, plotBox.x + plotBox.w, valueLine, va.line,
                       kAxisGrey);
        } else {
            styledLine(cr, valueLine, plotBox.y, valueLine, plotBox.y + plotBox.h, va.line,
                       kAxisGrey);
        }
        valueTicks(cr, va, scale, horizontal, valueLine, horizontal ? 1 : -1, valuePos);
    }
    if (!ca.deleted && ca.shown) {
        if (horizontal) {
            styledLine(cr, zero, plotBox.y, zero, plotBox.y + plotBox.h, ca.line, kAxisGrey);
        } else {
            styledLine(cr, plotBox.x, zero, plotBox.x + plotBox.w, zero, ca.line, kAxisGrey);
        }
        tickMarks(cr, ca, ca.majorTickMark, kMajorTick, slots, !horizontal, zero,
                  horizontal ? -1 : 1);
    }
    if (ca.deleted || !ca.labelsShown || categories > kMaxChartPoints) return;
    double reach = tickReach(ca);
    std::size_t shown = 0;
    for (std::size_t i = 0; i < chart.categories.size() && i < categories; i += names.step) {
        if (++shown > kMaxLabels) break;
        const std::string& name = chart.categories[i];
        double mid = slot * (static_cast<double>(i) + 0.5);
        if (horizontal) {
            double y = plotBox.y + plotBox.h - mid;
            double h = std::max(slot, catSize * 1.4);
            texts.push_back(label(chart, name, plotBox.x - catSize * 6 - reach, y - h / 2,
                                  catSize * 5.6, h, host::alignment::kRight, catSize, ca.bold,
                                  ca.font));
        } else if (names.angle != 0) {
            texts.push_back(turnedLabel(chart, name, plotBox.x + mid,
                                        plotBox.y + plotBox.h + reach + catSize * 0.2, names.width,
                                        catSize, names.angle, ca.bold, ca.font));
        } else {
            double w = slot * static_cast<double>(names.step) + catSize * 0.5;
            texts.push_back(label(chart, name, plotBox.x + mid - w / 2,
                                  plotBox.y + plotBox.h + reach + catSize * 0.2, w,
                                  names.room - reach - catSize * 0.2, host::alignment::kCenter,
                                  catSize, ca.bold, ca.font));
            // Wrapped names hang from the axis, however many lines each takes.
            texts.back()->text->anchor = host::anchor::kTop;
        }
    }
}

}  // namespace

AxisScale axisScale(double dataMin, double dataMax, const ChartAxisData& axis, bool exact) {
    if (!std::isfinite(dataMin) || !std::isfinite(dataMax) || dataMin > dataMax) {
        dataMin = 0;
        dataMax = 1;
    }
    // Automatic ends take in zero, and leave a twentieth of the span over the data.
    double lo = axis.hasMinimum ? axis.minimum : std::min(0.0, dataMin);
    double hi = axis.hasMaximum ? axis.maximum : std::max(0.0, dataMax);
    if (!exact) {
        double span = hi - lo;
        if (!axis.hasMaximum && dataMax > 0) hi += span * 0.05;
        if (!axis.hasMinimum && dataMin < 0) lo -= span * 0.05;
    }
    if (!(hi > lo)) {
        if (axis.hasMaximum && !axis.hasMinimum) {
            lo = hi - 1;
        } else {
            hi = lo + 1;
        }
    }
    double step = axis.hasMajorUnit ? axis.majorUnit : niceStep(hi - lo, 10);
    // No more than a thousand steps, whatever the file asks.
    if (!(step > 0) || (hi - lo) / step > 1000) step = niceStep(hi - lo, 10);
    if (!axis.hasMinimum) lo = std::floor(lo / step + 1e-9) * step;
    if (!axis.hasMaximum) hi = std::ceil(hi / step - 1e-9) * step;
    if (!(hi > lo)) hi = lo + step;
    return {lo, hi, step};
}

std::vector<ShapePtr> drawChart(cairo_t* cr, const Shape& frame, fonts::FontLibrary* fonts) {
    std::vector<ShapePtr> texts;
    if (!frame.chart || !(frame.width > 1) || !(frame.height > 1)) return texts;
    const ChartData& chart = *frame.chart;
    const TextMeasure measure(fonts);
    cairo_save(cr);
    Box box{frame.left, frame.top, frame.width, frame.height};
    cairo_rectangle(cr, box.x, box.y, box.w, box.h);
    cairo_clip(cr);
    fillRect(cr, box.x, box.y, box.w, box.h, chart.background);

    // The chart's text at its own size.
    double size = std::clamp<double>(chart.textSize, 4, 72);
    // A margin of about a tenth of an inch, less for small text.
    double margin = std::min(size * 0.7, 7.0);
    Box inner{box.x + margin, box.y + margin, box.w - margin * 2, box.h - margin * 2};
    if (chart.hasTitle) {
        double ts = chart.titleSize > 0 ? std::clamp<double>(chart.titleSize, 4, 72) : size * 1.2;
        // Room for the lines a long title wraps to.
        double lines = std::clamp(
            std::ceil(static_cast<double>(chart.title.size()) * ts * 0.5 / std::max(inner.w, 1.0)),
            1.0, 3.0);
        double th = ts * (0.8 + 1.2 * lines);
        texts.push_back(label(chart, chart.title, inner.x, inner.y, inner.w, th,
                              host::alignment::kCenter, ts, true));
        inner.y += th;
        inner.h -= th;
    }
    if (chart.hasLegend) {
        double legendSize =
            chart.legendTextSize > 0 ? std::clamp<double>(chart.legendTextSize, 4, 72) : size;
        drawLegend(cr, chart, box, inner, legendSize, texts, measure);
    }
    Box plotBox = inner;
    if (chart.plotPlaced) {
        plotBox = {box.x + chart.plotX * box.w, box.y + chart.plotY * box.h,
                   chart.plotWidth * box.w, chart.plotHeight * box.h};
    }
    double labelSize =
        chart.valueLabelSize > 0 ? std::clamp<double>(chart.valueLabelSize, 4, 72) : size;
    Labels labels{chart, labelSize, texts};
    if (plotBox.w > 1 && plotBox.h > 1 && !chart.plots.empty()) {
        const ChartPlotData& first = chart.plots.front();
        if (isPie(first)) {
            for (const ChartPlotData& p : chart.plots) {
                if (isPie(p)) drawPie(cr, chart, p, plotBox, labels);
            }
        } else if (isXY(first)) {
            drawXYChart(cr, chart, plotBox, size, labels, texts);
        } else if (first.type == ChartType::Radar) {
            drawRadarChart(cr, chart, plotBox, size, labels, texts);
        } else {
            drawCategoryChart(cr, chart, plotBox, size, labels, texts, measure);
        }
    }
    cairo_restore(cr);
    return texts;
}

bool chartShapes(const Shape& frame, fonts::FontLibrary* fonts, std::vector<ShapePtr>& out,
                 std::size_t limit) {
    out.clear();
    // Recorded only: nothing is drawn, so the surface holds no pixels.
    Surface nothing(cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, nullptr));
    std::unique_ptr<cairo_t, decltype(&cairo_destroy)> cr(cairo_create(nothing.get()),
                                                          &cairo_destroy);
    DrawingRecorder recorder(false, limit);
    recorder.attach(cr.get());
    std::vector<ShapePtr> texts = drawChart(cr.get(), frame, fonts);
    const bool whole = recorder.complete() && cairo_status(cr.get()) == CAIRO_STATUS_SUCCESS;
    DrawingRecorder::detach(cr.get());
    if (!whole) return false;
    out = recorder.takeShapes();
    out.insert(out.end(), texts.begin(), texts.end());
    return true;
}

}  // namespace quillet::pptx::render
