// Lines: arrowheads, the stroke of a thin line, the filled bands of a wide one, and dashes.
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "engine/elements_outlines.h"
#include "engine/records.h"

namespace quillet::engine {

using transform::FSShape;
using transform::FSShapeStyle;

namespace {

constexpr int kThinLine = 1;
constexpr int kWideLine = 2;
constexpr int kSolidFill = 1;
// From this weight on a line is drawn as filled bands, which keep square ends and compound
// styles that a stroke cannot show.
constexpr float kBandWeight = 3.0f;
// A line cut in more dashes than this is drawn whole: nothing on a slide needs more.
constexpr std::size_t kMostDashes = 4096;

void moveTo(FSShape& shape, int lineStyle, int fillStyle, Point p) {
    shape.emplace<FSShapeStyle>(lineStyle, fillStyle, 0, p.x, p.y);
}

Point sub(Point a, Point b) {
    return {a.x - b.x, a.y - b.y};
}

// The drawn stretches of a line of the given length (twips) as fractions 0..1 of it. A stroke's
// round caps add half the weight at each end of a dash, so for strokes each dash is shortened by
// the weight and each gap lengthened by it.
std::vector<std::pair<double, double>> dashes(double length, double weight, int dashStyle,
                                              bool stroke) {
    const std::vector<double> pattern = host::dash_style::pattern(dashStyle);
    if (pattern.empty() || length <= 0) return {{0.0, 1.0}};
    const double unit = std::max(weight, 20.0);
    double period = 0;
    for (double p : pattern) period += p * unit;
    if (length / period * static_cast<double>(pattern.size()) > kMostDashes) return {{0.0, 1.0}};
    std::vector<std::pair<double, double>> out;
    double at = 0;
    for (std::size_t i = 0; at < length; i = (i + 1) % pattern.size()) {
        const double step = pattern[i] * unit;
        if (i % 2 == 0) {
            double drawn = stroke ? std::max(step - unit, 1.0) : step;
            out.emplace_back(at / length, std::min(at + drawn, length) / length);
        }
        at += step;
    }
    return out;
}

// The bands of a compound line style: (centre offset, width) as fractions of the line's weight.
std::vector<std::pair<double, double>> bands(int lineStyle) {
    using namespace host::line_style;
    switch (lineStyle) {
        case kThinThin:
            return {{-0.4, 0.2}, {0.4, 0.2}};
        case kThinThick:
            return {{-0.4, 0.2}, {0.2, 0.6}};
        case kThickThin:
            return {{-0.2, 0.6}, {0.4, 0.2}};
        case kThickBetweenThin:
            return {{-5.0 / 12, 1.0 / 6}, {0.0, 1.0 / 3}, {5.0 / 12, 1.0 / 6}};
        default:
            return {{0.0, 1.0}};
    }
}

// The nearest twip, the same way on both sides of 0, so bands and dashes stay symmetric.
int nearest(double x) {
    return static_cast<int>(std::floor(x + 0.5));
}

Point at(Point from, double dx, double dy, double t, double nx, double ny, double offset) {
    return {nearest(from.x + dx * t + nx * offset), nearest(from.y + dy * t + ny * offset)};
}

}  // namespace

void addArrowhead(FSShape& shape, Point from, Point& tip, float weightPoints, int thinLineStyle,
                  int fillStyle, int arrowheadStyle) {
    const int L = roundHalf(weightPoints * 60.0);
    const double b =
        std::atan2(static_cast<double>(tip.y - from.y), static_cast<double>(tip.x - from.x));
    const double t1 = b + 0.5235987755983333;
    const double t2 = t1 - 1.0471975511966667;
    const Point p1{tip.x - roundHalf(std::cos(t1) * L), tip.y - roundHalf(std::sin(t1) * L)};
    const Point p2{tip.x - roundHalf(std::cos(t2) * L), tip.y - roundHalf(std::sin(t2) * L)};
    const Point back{roundHalf(std::cos(b) * L * 0.9), roundHalf(std::sin(b) * L * 0.9)};

    switch (arrowheadStyle) {
        case host::arrowhead::kOpen:
            // Two strokes of the line's own width; the line runs on to the tip.
            moveTo(shape, kWideLine, 0, p1);
            appendLine(shape, tip.x - p1.x, tip.y - p1.y);
            appendLine(shape, p2.x - tip.x, p2.y - tip.y);
            return;
        case host::arrowhead::kStealth: {
            // The triangle with its back notched in to half its depth.
            const Point notch{tip.x - nearest(std::cos(b) * L * 0.5),
                              tip.y - nearest(std::sin(b) * L * 0.5)};
            moveTo(shape, thinLineStyle, fillStyle, tip);
            appendLine(shape, p1.x - tip.x, p1.y - tip.y);
            appendLine(shape, notch.x - p1.x, notch.y - p1.y);
            appendLine(shape, p2.x - notch.x, p2.y - notch.y);
            appendLine(shape, tip.x - p2.x, tip.y - p2.y);
            tip = notch;
            return;
        }
        case host::arrowhead::kDiamond: {
            // Centred on the end; the line ends in its middle.
            const int hx = nearest(std::cos(b) * L * 0.5), hy = nearest(std::sin(b) * L * 0.5);
            const Point front{tip.x + hx, tip.y + hy};
            moveTo(shape, thinLineStyle, fillStyle, front);
            appendLine(shape, -hx - hy, -hy + hx);
            appendLine(shape, -hx + hy, -hy - hx);
            appendLine(shape, hx + hy, hy - hx);
            appendLine(shape, hx - hy, hy + hx);
            return;
        }
        case host::arrowhead::kOval: {
            const int r = std::max(1, L / 2);
            moveTo(shape, thinLineStyle, fillStyle, {tip.x + r, tip.y});
            appendCurve(shape, 0, r, -r, 0);
            appendCurve(shape, -r, 0, 0, -r);
            appendCurve(shape, 0, -r, r, 0);
            appendCurve(shape, r, 0, 0, r);
            return;
        }
        default:
            break;
    }
    moveTo(shape, thinLineStyle, fillStyle, tip);
    const Point d1 = sub(p1, tip), d2 = sub(p2, p1), d3 = sub(tip, p2);
    appendLine(shape, d1.x, d1.y);
    appendLine(shape, d2.x, d2.y);
    appendLine(shape, d3.x, d3.y);
    tip.x -= back.x;
    tip.y -= back.y;
}

void lineOutline(Point from, Point to, const LineLook& look, FSShape& shape) {
    auto hasHead = [](int style) {
        return style >= host::arrowhead::kTriangle && style <= host::arrowhead::kOval;
    };
    // Both heads are placed on the line as it was given, before either end is pulled back.
    const Point start0 = from, end0 = to;
    if (hasHead(look.beginArrowhead)) {
        addArrowhead(shape, end0, from, look.weightPoints, kThinLine, kSolidFill,
                     look.beginArrowhead);
    }
    if (hasHead(look.endArrowhead)) {
        addArrowhead(shape, start0, to, look.weightPoints, kThinLine, kSolidFill,
                     look.endArrowhead);
    }

    const double dx = to.x - from.x, dy = to.y - from.y;
    const double length = std::hypot(dx, dy);
    const double weight = look.weightPoints * static_cast<double>(kTwipsPerPoint);

    if (look.weightPoints < kBandWeight || length <= 0) {
        for (auto [t0, t1] : dashes(length, weight, look.dashStyle, true)) {
            const Point a = at(from, dx, dy, t0, 0, 0, 0);
            const Point b = at(from, dx, dy, t1, 0, 0, 0);
            moveTo(shape, kWideLine, 0, a);
            appendLine(shape, b.x - a.x, b.y - a.y);
        }
        return;
    }

    // Filled bands: rectangles along the line, offset across it by the unit normal.
    const double nx = -dy / length, ny = dx / length;
    for (auto [centre, width] : bands(look.lineStyle)) {
        const double near = (centre - width / 2) * weight, far = (centre + width / 2) * weight;
        for (auto [t0, t1] : dashes(length, weight, look.dashStyle, false)) {
            const Point c1 = at(from, dx, dy, t0, nx, ny, near);
            const Point c2 = at(from, dx, dy, t1, nx, ny, near);
            const Point c3 = at(from, dx, dy, t1, nx, ny, far);
            const Point c4 = at(from, dx, dy, t0, nx, ny, far);
            moveTo(shape, kThinLine, kSolidFill, c1);
            appendLine(shape, c2.x - c1.x, c2.y - c1.y);
            appendLine(shape, c3.x - c2.x, c3.y - c2.y);
            appendLine(shape, c4.x - c3.x, c4.y - c3.y);
            appendLine(shape, c1.x - c4.x, c1.y - c4.y);
        }
    }
}

}  // namespace quillet::engine
