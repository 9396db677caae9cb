#include "host/pptx/render/chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "host/pptx/charts.h"

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
    cairo_fill(cr);
}

void line(cairo_t* cr, double x0, double y0, double x1, double y1, int rgb, double width) {
    setColor(cr, Color{rgb, 1.0f});
    cairo_set_line_width(cr, width);
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
    cairo_stroke(cr);
}

// An axis or gridline: the file's line when it gives one, else a thin grey.
void styledLine(cairo_t* cr, double x0, double y0, double x1, double y1, const LineData& l,
                int fallbackRgb) {
    Color c;
    if (l.visible && fillColor(l.fill, c)) {
        setColor(cr, c);
        cairo_set_line_width(cr, std::clamp<double>(l.weight, 0.25, 10));
        cairo_move_to(cr, x0, y0);
        cairo_line_to(cr, x1, y1);
        cairo_stroke(cr);
        return;
    }
    line(cr, x0, y0, x1, y1, fallbackRgb, 0.75);
}

// A one-line text box.
ShapePtr label(const ChartData& chart, const std::string& text, double x, double y, double w,
               double h, int alignment, double size, bool bold = false) {
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
    r.props.latin = chart.font;
    r.props.fill.kind = FillKind::Solid;
    r.props.fill.color = chart.textColor;
    p.endProps = r.props;
    p.runs.push_back(std::move(r));
    s->text->paragraphs.push_back(std::move(p));
    return s;
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

void drawPie(cairo_t* cr, const ChartPlotData& plot, const Box& area) {
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
            cairo_fill(cr);
        }
        angle += sweep;
    }
}

// Bars, lines and areas over category slots, with the value axis running from lo to hi.
void drawCategoryPlot(cairo_t* cr, const ChartData& chart, const ChartPlotData& plot,
                      const Box& area, std::size_t categories, double lo, double hi,
                      double labelSize, std::vector<ShapePtr>& texts) {
    // A value's label, centred on (x, y).
    auto valueLabel = [&](const ChartSeriesData& s, std::size_t i, double x, double y) {
        if (!s.showValues || texts.size() >= 4 * kMaxLabels || i >= s.values.size()) return;
        double w = labelSize * 5;
        texts.push_back(label(chart, numberText(s.values[i], s.labelDecimals), x - w / 2,
                              y - labelSize * 0.7, w, labelSize * 1.4, host::alignment::kCenter,
                              labelSize, true));
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
        // Slot = group + gap × bar; group = bar × (n − (n − 1) × overlap).
        double units = static_cast<double>(n) - static_cast<double>(n - 1) * overlap;
        double bar = slot / (units + gap);
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
                if (horizontal) {
                    double y = area.y + area.h - offset - bar;
                    fillRect(cr, std::min(a, b), y, std::fabs(b - a), bar, pointFill(s, i));
                    valueLabel(s, i, stacked ? (a + b) / 2 : b + past * 2.5, y + bar / 2);
                } else {
                    fillRect(cr, area.x + offset, std::min(a, b), bar, std::fabs(b - a),
                             pointFill(s, i));
                    valueLabel(s, i, area.x + offset + bar / 2, stacked ? (a + b) / 2 : b - past);
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
        for (std::size_t i = 0; i < categories; ++i) {
            double v = value(s, i);
            if (!std::isfinite(v)) continue;
            double from = stacked ? base[i] : 0;
            double to = from + v;
            if (stacked) base[i] = to;
            double x = area.x + slot * (i + 0.5);
            pts.emplace_back(x, at(to));
            floor.emplace_back(x, at(from));
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
            cairo_fill(cr);
            continue;
        }
        Color c;
        if (!s.line.visible || !fillColor(s.line.fill, c)) continue;
        cairo_new_path(cr);
        cairo_move_to(cr, pts.front().first, pts.front().second);
        for (const auto& p : pts) cairo_line_to(cr, p.first, p.second);
        setColor(cr, c);
        cairo_set_line_width(cr, std::clamp<double>(s.line.weight, 0.25, 20));
        if (s.showValues) {
            std::size_t k = 0;
            for (std::size_t i = 0; i < categories && k < pts.size(); ++i) {
                if (!std::isfinite(value(s, i))) continue;
                valueLabel(s, i, pts[k].first, pts[k].second - labelSize);
                ++k;
            }
        }
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_stroke(cr);
    }
}

}  // namespace

std::vector<ShapePtr> drawChart(cairo_t* cr, const Shape& frame) {
    std::vector<ShapePtr> texts;
    if (!frame.chart || !(frame.width > 1) || !(frame.height > 1)) return texts;
    const ChartData& chart = *frame.chart;
    cairo_save(cr);
    Box box{frame.left, frame.top, frame.width, frame.height};
    cairo_rectangle(cr, box.x, box.y, box.w, box.h);
    cairo_clip(cr);
    fillRect(cr, box.x, box.y, box.w, box.h, chart.background);

    double size = std::clamp<double>(chart.textSize, 6, 24);
    size = std::min(size, std::max(6.0, box.h / 12));
    // Margins, the title above, the legend at its side.
    Box inner{box.x + size * 0.7, box.y + size * 0.7, box.w - size * 1.4, box.h - size * 1.4};
    if (chart.hasTitle) {
        double ts = chart.titleSize > 0 ? std::clamp<double>(chart.titleSize, 6, 40) : size * 1.1;
        double th = ts * 2.2;
        texts.push_back(label(chart, chart.title, inner.x, inner.y, inner.w, th,
                              host::alignment::kCenter, ts, true));
        inner.y += th;
        inner.h -= th;
    }
    bool pie = false;
    std::size_t categories = chart.categories.size();
    for (const ChartPlotData& p : chart.plots) {
        pie = pie || p.type == ChartType::Pie || p.type == ChartType::Doughnut;
        for (const ChartSeriesData& s : p.series)
            categories = std::max(categories, s.values.size());
    }
    categories = std::min(categories, kMaxChartPoints);
    // Legend entries: series, or a pie's categories.
    struct Entry {
        std::string text;
        Color color;
    };
    std::vector<Entry> entries;
    if (chart.hasLegend) {
        if (pie && !chart.plots.empty() && !chart.plots.front().series.empty()) {
            const ChartSeriesData& s = chart.plots.front().series.front();
            for (std::size_t i = 0; i < s.values.size() && entries.size() < kMaxLabels; ++i) {
                Color c;
                fillColor(pointFill(s, i), c);
                entries.push_back({i < chart.categories.size() ? chart.categories[i] : "", c});
            }
        } else {
            for (const ChartPlotData& p : chart.plots) {
                for (const ChartSeriesData& s : p.series) {
                    if (entries.size() >= kMaxLabels) break;
                    Color c;
                    if (!fillColor(p.type == ChartType::Line ? s.line.fill : s.fill, c)) continue;
                    entries.push_back({s.name, c});
                }
            }
        }
    }
    if (!entries.empty() && chart.legendPlaced) {
        // A placed legend: one entry a line, in its box.
        double lx = box.x + chart.legendX * box.w, ly = box.y + chart.legendY * box.h;
        double lw = chart.legendWidth * box.w, lh = chart.legendHeight * box.h;
        double lineH = std::min(size * 1.25, lh / static_cast<double>(entries.size()));
        double sw = std::min(size * 0.6, lineH * 0.8);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            double y = ly + lineH * static_cast<double>(i);
            FillData f;
            f.kind = FillKind::Solid;
            f.color = entries[i].color;
            fillRect(cr, lx, y + (lineH - sw) / 2, sw, sw, f);
            texts.push_back(label(chart, entries[i].text, lx + sw * 1.6, y, lw - sw * 1.6, lineH,
                                  host::alignment::kLeft, std::min(size, lineH / 1.25)));
        }
    } else if (!entries.empty()) {
        double lineH = size * 1.25;
        bool side = chart.legendPosition == "r" || chart.legendPosition == "l" ||
                    chart.legendPosition == "tr";
        if (side) {
            std::size_t longest = 0;
            for (const Entry& e : entries) longest = std::max(longest, e.text.size());
            double lw = std::min(inner.w * 0.4, size * (1.6 + 0.55 * static_cast<double>(longest)));
            double total = lineH * static_cast<double>(entries.size());
            double lx = chart.legendPosition == "l" ? inner.x : inner.x + inner.w - lw;
            double ly = inner.y + std::max(0.0, (inner.h - total) / 2);
            for (std::size_t i = 0; i < entries.size(); ++i) {
                double y = ly + lineH * static_cast<double>(i);
                if (y + lineH > inner.y + inner.h) break;
                FillData f;
                f.kind = FillKind::Solid;
                f.color = entries[i].color;
                double sw = size * 0.6;
                fillRect(cr, lx, y + (lineH - sw) / 2, sw, sw, f);
                texts.push_back(label(chart, entries[i].text, lx + sw * 1.6, y, lw - sw * 1.6,
                                      lineH, host::alignment::kLeft, size));
            }
            if (chart.legendPosition == "l") inner.x += lw + size;
            inner.w -= lw + size;
        } else {
            // One row of entries, under or over the plot.
            double each = inner.w / static_cast<double>(entries.size());
            double ly = chart.legendPosition == "t" ? inner.y : inner.y + inner.h - lineH;
            for (std::size_t i = 0; i < entries.size(); ++i) {
                double x = inner.x + each * static_cast<double>(i);
                FillData f;
                f.kind = FillKind::Solid;
                f.color = entries[i].color;
                double sw = size * 0.6;
                fillRect(cr, x, ly + (lineH - sw) / 2, sw, sw, f);
                texts.push_back(label(chart, entries[i].text, x + sw * 1.6, ly, each - sw * 1.6,
                                      lineH, host::alignment::kLeft, size));
            }
            if (chart.legendPosition == "t") inner.y += lineH + size * 0.5;
            inner.h -= lineH + size * 0.5;
        }
    }
    Box plotBox = inner;
    if (chart.plotPlaced) {
        plotBox = {box.x + chart.plotX * box.w, box.y + chart.plotY * box.h,
                   chart.plotWidth * box.w, chart.plotHeight * box.h};
    }
    if (plotBox.w <= 1 || plotBox.h <= 1) {
        cairo_restore(cr);
        return texts;
    }
    if (pie) {
        for (const ChartPlotData& p : chart.plots) {
            if (p.type == ChartType::Pie || p.type == ChartType::Doughnut) drawPie(cr, p, plotBox);
        }
        cairo_restore(cr);
        return texts;
    }

    // The value range over every plot, stacked where the plot stacks.
    double lo = 0, hi = 0;
    bool horizontal = false;
    for (const ChartPlotData& p : chart.plots) {
        horizontal = horizontal || (p.type == ChartType::Bar && p.horizontal);
        if (p.grouping == "percentStacked") {
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
    if (chart.hasMinimum) lo = chart.minimum;
    if (chart.hasMaximum) hi = chart.maximum;
    if (!(hi > lo)) hi = lo + 1;
    double step = niceStep(hi - lo, 10);
    if (!chart.hasMinimum) lo = std::floor(lo / step) * step;
    if (!chart.hasMaximum) hi = std::ceil(hi / step) * step;
    if (!(hi > lo)) hi = lo + step;
    std::size_t ticks = static_cast<std::size_t>(std::lround((hi - lo) / step));
    if (ticks > 50) ticks = 50;

    // Room for the value labels at the side and the category labels below.
    if (!chart.plotPlaced && chart.axes) {
        std::size_t digits = std::max(numberText(hi).size(), numberText(lo).size());
        double labelW = size * 0.6 * static_cast<double>(digits) + size * 0.5;
        double labelH = size * 1.6;
        if (horizontal) {
            plotBox.x += size * 6;
            plotBox.w -= size * 6;
            plotBox.h -= labelH;
        } else {
            plotBox.x += labelW;
            plotBox.w -= labelW;
            plotBox.h -= labelH;
        }
    }
    if (plotBox.w <= 1 || plotBox.h <= 1 || categories == 0) {
        cairo_restore(cr);
        return texts;
    }
    auto valuePos = [&](double v) {
        double t = (v - lo) / (hi - lo);
        return horizontal ? plotBox.x + t * plotBox.w : plotBox.y + plotBox.h - t * plotBox.h;
    };
    for (std::size_t i = 0; i <= ticks; ++i) {
        double v = std::ceil(lo / step - 1e-9) * step + step * static_cast<double>(i);
        if (v > hi + step * 1e-9) break;
        double p = valuePos(v);
        if (chart.gridlines) {
            if (horizontal) {
                styledLine(cr, p, plotBox.y, p, plotBox.y + plotBox.h, chart.gridLine, kGridGrey);
            } else {
                styledLine(cr, plotBox.x, p, plotBox.x + plotBox.w, p, chart.gridLine, kGridGrey);
            }
        }
        if (chart.axes && texts.size() < 2 * kMaxLabels) {
            if (horizontal) {
                texts.push_back(label(chart, numberText(v), p - size * 2, plotBox.y + plotBox.h,
                                      size * 4, size * 1.4, host::alignment::kCenter, size));
            } else {
                texts.push_back(label(chart, numberText(v), plotBox.x - size * 5, p - size * 0.7,
                                      size * 4.6, size * 1.4, host::alignment::kRight, size));
            }
        }
    }
    double labelSize =
        chart.valueLabelSize > 0 ? std::clamp<double>(chart.valueLabelSize, 6, 24) : size;
    labelSize = std::min(labelSize, size * 1.5);
    for (const ChartPlotData& p : chart.plots) {
        drawCategoryPlot(cr, chart, p, plotBox, categories, lo, hi, labelSize, texts);
    }
    if (chart.axes) {
        double zero = valuePos(std::clamp(0.0, lo, hi));
        const LineData& va = chart.valueAxisLine;
        const LineData& ca = chart.categoryAxisLine;
        if (horizontal) {
            if (chart.valueAxisShown) {
                styledLine(cr, plotBox.x, plotBox.y + plotBox.h, plotBox.x + plotBox.w,
                           plotBox.y + plotBox.h, va, kAxisGrey);
            }
            if (chart.categoryAxisShown) {
                styledLine(cr, zero, plotBox.y, zero, plotBox.y + plotBox.h, ca, kAxisGrey);
            }
        } else {
            if (chart.categoryAxisShown) {
                styledLine(cr, plotBox.x, zero, plotBox.x + plotBox.w, zero, ca, kAxisGrey);
            }
            if (chart.valueAxisShown) {
                styledLine(cr, plotBox.x, plotBox.y, plotBox.x, plotBox.y + plotBox.h, va,
                           kAxisGrey);
            }
        }
        // Category names, when they fit.
        double slot = (horizontal ? plotBox.h : plotBox.w) / static_cast<double>(categories);
        // Names are drawn when their longest word fits the slot (no rotated labels).
        std::size_t longestWord = 0;
        for (const std::string& name : chart.categories) {
            std::size_t word = 0;
            for (char ch : name) {
                word = ch == ' ' ? 0 : word + 1;
                longestWord = std::max(longestWord, word);
            }
        }
        bool fits = horizontal || static_cast<double>(longestWord) * size * 0.55 <= slot;
        if (categories <= kMaxLabels && slot >= size * 1.2 && fits) {
            for (std::size_t i = 0; i < chart.categories.size() && i < categories; ++i) {
                if (horizontal) {
                    double y = plotBox.y + plotBox.h - slot * (static_cast<double>(i) + 1);
                    texts.push_back(label(chart, chart.categories[i], plotBox.x - size * 6, y,
                                          size * 5.6, slot, host::alignment::kRight, size));
                } else {
                    texts.push_back(label(chart, chart.categories[i],
                                          plotBox.x + slot * static_cast<double>(i),
                                          plotBox.y + plotBox.h + size * 0.2, slot, size * 1.4,
                                          host::alignment::kCenter, size));
                }
            }
        }
    }
    cairo_restore(cr);
    return texts;
}

}  // namespace quillet::pptx::render
