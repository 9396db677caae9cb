#include "fonts/outline.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace quillet::fonts {

namespace {

// A cubic may be split into at most this many quadratics; the error shrinks with the cube of the
// count, so this is never reached by real outlines and bounds the work of absurd ones.
constexpr int kMaxQuadsPerCubic = 1024;

Point mid(Point a, Point b) {
    return {(a.x + b.x) / 2, (a.y + b.y) / 2};
}

Point lerp(Point a, Point b, double t) {
    return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
}

// The blossom of the cubic: f(t, t, t) is the curve point; f(a, a, b) and f(a, b, b) are the inner
// control points of the part of the curve between a and b.
Point blossom(const Point (&p)[4], double t1, double t2, double t3) {
    Point a = lerp(p[0], p[1], t1);
    Point b = lerp(p[1], p[2], t1);
    Point c = lerp(p[2], p[3], t1);
    Point d = lerp(a, b, t2);
    Point e = lerp(b, c, t2);
    return lerp(d, e, t3);
}

void addBox(Box& box, Point p) {
    if (box.empty) {
        box = {p.x, p.y, p.x, p.y, false};
        return;
    }
    box.xMin = std::min(box.xMin, p.x);
    box.yMin = std::min(box.yMin, p.y);
    box.xMax = std::max(box.xMax, p.x);
    box.yMax = std::max(box.yMax, p.y);
}

std::optional<Contour> buildContour(std::span<const OutlinePoint> pts, double tolerance) {
    const std::size_t n = pts.size();
    if (n < 2) return std::nullopt;

    // Where the contour starts: its first on-curve point, or the point implied between two
    // control points when it starts and ends on control points.
    Point start;
    std::vector<OutlinePoint> seq;
    seq.reserve(n + 1);
    if (pts[0].kind == PointKind::on) {
        start = pts[0].p;
        seq.assign(pts.begin() + 1, pts.end());
    } else if (pts[0].kind == PointKind::conic && pts[n - 1].kind == PointKind::on) {
        start = pts[n - 1].p;
        seq.assign(pts.begin(), pts.end() - 1);
    } else if (pts[0].kind == PointKind::conic && pts[n - 1].kind == PointKind::conic) {
        start = mid(pts[0].p, pts[n - 1].p);
        seq.assign(pts.begin(), pts.end());
    } else {
        return std::nullopt;
    }
    // The contour returns to its start.
    seq.push_back({start, PointKind::on});

    Contour contour;
    contour.start = start;
    Point cur = start;
    auto lineTo = [&](Point p) {
        if (p == cur) return;
        contour.segments.push_back({Segment::Kind::line, {}, p});
        cur = p;
    };
    auto quadTo = [&](Point c, Point p) {
        if (p == cur && c == cur) return;
        contour.segments.push_back({Segment::Kind::quad, c, p});
        cur = p;
    };

    std::size_t i = 0;
    while (i < seq.size()) {
        const OutlinePoint& pt = seq[i];
        if (pt.kind == PointKind::on) {
            lineTo(pt.p);
            ++i;
            continue;
        }
        if (pt.kind == PointKind::conic) {
            Point control = pt.p;
            ++i;
            // Consecutive control points imply the on-curve point halfway between them.
            while (i < seq.size() && seq[i].kind == PointKind::conic) {
                Point implied = mid(control, seq[i].p);
                quadTo(control, implied);
                control = seq[i].p;
                ++i;
            }
            if (i >= seq.size() || seq[i].kind != PointKind::on) return std::nullopt;
            quadTo(control, seq[i].p);
            ++i;
            continue;
        }
        // Cubic: two control points, then an on-curve point.
        if (i + 2 >= seq.size() || seq[i + 1].kind != PointKind::cubic ||
            seq[i + 2].kind != PointKind::on) {
            return std::nullopt;
        }
        Point p3 = seq[i + 2].p;
        for (const Segment& s : cubicToQuadratics(cur, pt.p, seq[i + 1].p, p3, tolerance)) {
            contour.segments.push_back(s);
        }
        cur = p3;
        i += 3;
    }
    if (contour.segments.empty()) return std::nullopt;
    return contour;
}

}  // namespace

Box GlyphOutline::bounds() const {
    Box box;
    for (const Contour& c : contours) {
        addBox(box, c.start);
        for (const Segment& s : c.segments) {
            if (s.kind == Segment::Kind::quad) addBox(box, s.control);
            addBox(box, s.end);
        }
    }
    return box;
}

std::vector<Segment> cubicToQuadratics(Point p0, Point p1, Point p2, Point p3, double tolerance) {
    const Point p[4] = {p0, p1, p2, p3};
    if (!(tolerance > 0) || !std::isfinite(tolerance)) tolerance = 0.05;
    // The quadratic with control (3 (p1 + p2) - (p0 + p3)) / 4 strays from the cubic by at most
    // |p3 - 3 p2 + 3 p1 - p0| * sqrt(3) / 36; a part of 1/n of the parameter range strays n^3
    // times less.
    double dx = p3.x - 3 * p2.x + 3 * p1.x - p0.x;
    double dy = p3.y - 3 * p2.y + 3 * p1.y - p0.y;
    double error = std::hypot(dx, dy) * std::sqrt(3.0) / 36;
    int count = 1;
    if (std::isfinite(error) && error > tolerance) {
        double wanted = std::ceil(std::cbrt(error / tolerance) * (1 + 1e-9));
        count = static_cast<int>(std::min<double>(wanted, kMaxQuadsPerCubic));
    }

    std::vector<Segment> out;
    out.reserve(count);
    Point from = p0;
    for (int k = 0; k < count; ++k) {
        double a = static_cast<double>(k) / count;
        double b = static_cast<double>(k + 1) / count;
        Point q1 = blossom(p, a, a, b);
        Point q2 = blossom(p, a, b, b);
        Point to = (k + 1 == count) ? p3 : blossom(p, b, b, b);
        Point control{(3 * (q1.x + q2.x) - (from.x + to.x)) / 4,
                      (3 * (q1.y + q2.y) - (from.y + to.y)) / 4};
        out.push_back({Segment::Kind::quad, control, to});
        from = to;
    }
    return out;
}

std::vector<Contour> buildContours(std::span<const OutlinePoint> points,
                                   std::span<const int> contourEnds, double tolerance) {
    std::vector<Contour> contours;
    std::size_t first = 0;
    for (int end : contourEnds) {
        if (end < 0 || static_cast<std::size_t>(end) < first ||
            static_cast<std::size_t>(end) >= points.size()) {
            break;
        }
        auto contour = buildContour(points.subspan(first, end - first + 1), tolerance);
        if (contour) contours.push_back(std::move(*contour));
        first = static_cast<std::size_t>(end) + 1;
    }
    return contours;
}

}  // namespace quillet::fonts
