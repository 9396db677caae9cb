// Freeform outlines from the host's nodes, the extent of an outline, and the placement of an
// element on its slide.
#include <algorithm>
#include <climits>
#include <cmath>

#include "engine/elements_outlines.h"
#include "engine/records.h"

namespace quillet::engine {

using transform::FSCoordTransform;
using transform::FSCurve;
using transform::FSLine;
using transform::FSShape;
using transform::FSShapeObject;
using transform::FSShapeStyle;

namespace {

// More nodes than any drawing on a slide has; a larger count is refused rather than encoded.
constexpr std::size_t kMostNodes = 200000;

Point nodePoint(const host::ShapeNode& node, float left, float top) {
    return {toTwips(static_cast<double>(node.x) - left),
            toTwips(static_cast<double>(node.y) - top)};
}

// How far (twips) the quadratic edges may stray from a cubic segment: a quarter of a pixel.
constexpr double kCurveTolerance = 5.0;
// A bent segment is cut in at most this many pieces.
constexpr int kMostPieces = 16;

// A cubic segment as pairs of quadratic edges that meet halfway between the control points of
// each pair. The pair passes (P0 + P3 - P1 - P2) / 8 away from the cubic's own midpoint; a segment
// that bends further than the tolerance is first cut in n pieces, which divides that by n^2.
void appendCubic(FSShape& shape, Point from, Point c1, Point c2, Point end) {
    auto pair = [&shape](Point p0, Point p1, Point p2, Point p3) {
        const Point mid{roundHalf((p1.x + static_cast<double>(p2.x)) / 2),
                        roundHalf((p1.y + static_cast<double>(p2.y)) / 2)};
        appendCurve(shape, p1.x - p0.x, p1.y - p0.y, mid.x - p1.x, mid.y - p1.y);
        appendCurve(shape, p2.x - mid.x, p2.y - mid.y, p3.x - p2.x, p3.y - p2.y);
    };
    const double dx = static_cast<double>(from.x) + end.x - c1.x - c2.x;
    const double dy = static_cast<double>(from.y) + end.y - c1.y - c2.y;
    const double stray = std::hypot(dx, dy) / 8;
    if (!(stray > kCurveTolerance)) {
        pair(from, c1, c2, end);
        return;
    }
    const int pieces =
        std::clamp(static_cast<int>(std::ceil(std::sqrt(stray / kCurveTolerance))), 2, kMostPieces);
    const double x[4] = {static_cast<double>(from.x), static_cast<double>(c1.x),
                         static_cast<double>(c2.x), static_cast<double>(end.x)};
    const double y[4] = {static_cast<double>(from.y), static_cast<double>(c1.y),
                         static_cast<double>(c2.y), static_cast<double>(end.y)};
    auto at = [](const double* v, double t) {
        const double u = 1 - t;
        return u * u * u * v[0] + 3 * u * u * t * v[1] + 3 * u * t * t * v[2] + t * t * t * v[3];
    };
    auto slope = [](const double* v, double t) {
        const double u = 1 - t;
        return 3 * (u * u * (v[1] - v[0]) + 2 * u * t * (v[2] - v[1]) + t * t * (v[3] - v[2]));
    };
    auto nearest = [](double v) { return static_cast<int>(std::floor(v + 0.5)); };
    Point start = from;
    for (int k = 0; k < pieces; ++k) {
        const double t0 = static_cast<double>(k) / pieces, t1 = static_cast<double>(k + 1) / pieces;
        const double h = (t1 - t0) / 3;
        const Point q3 = k + 1 == pieces ? end : Point{nearest(at(x, t1)), nearest(at(y, t1))};
        const Point q1{nearest(at(x, t0) + h * slope(x, t0)),
                       nearest(at(y, t0) + h * slope(y, t0))};
        const Point q2{nearest(at(x, t1) - h * slope(x, t1)),
                       nearest(at(y, t1) - h * slope(y, t1))};
        pair(start, q1, q2, q3);
        start = q3;
    }
}

}  // namespace

bool freeformOutline(const std::vector<host::ShapeNode>& nodes, int vertexCount, float leftPoints,
                     float topPoints, int lineStyle, int fillStyle, FSShape& shape) {
    if (nodes.empty() || nodes.size() > kMostNodes) return false;
    const bool closed = vertexCount == static_cast<int>(nodes.size()) + 1;

    Point figureStart = nodePoint(nodes[0], leftPoints, topPoints);
    Point current = figureStart;
    shape.emplace<FSShapeStyle>(lineStyle, fillStyle, 0, current.x, current.y);

    auto lineTo = [&shape, &current](Point p) {
        appendLine(shape, p.x - current.x, p.y - current.y);
        current = p;
    };
    // A closed figure gets its closing edge; an open one that is filled is closed for the fill
    // only, without a stroke, as the host fills it.
    auto endFigure = [&]() {
        if (current.x == figureStart.x && current.y == figureStart.y) return;
        if (closed) {
            lineTo(figureStart);
        } else if (fillStyle > 0 && lineStyle > 0) {
            shape.emplace<FSShapeStyle>(0, transform::Default, transform::Default,
                                        transform::Default, transform::Default);
            lineTo(figureStart);
            shape.emplace<FSShapeStyle>(lineStyle, transform::Default, transform::Default,
                                        transform::Default, transform::Default);
        } else if (fillStyle > 0) {
            lineTo(figureStart);
        }
    };

    std::size_t i = 1;
    while (i < nodes.size()) {
        const host::ShapeNode& node = nodes[i];
        if (node.startsFigure) {
            endFigure();
            figureStart = current = nodePoint(node, leftPoints, topPoints);
            shape.emplace<FSShapeStyle>(transform::Default, transform::Default, transform::Default,
                                        current.x, current.y);
            ++i;
            continue;
        }
        if (node.segmentType == host::segment::kCurve && i + 2 < nodes.size() &&
            !nodes[i + 1].startsFigure && !nodes[i + 2].startsFigure) {
            const Point c1 = nodePoint(nodes[i], leftPoints, topPoints);
            const Point c2 = nodePoint(nodes[i + 1], leftPoints, topPoints);
            const Point end = nodePoint(nodes[i + 2], leftPoints, topPoints);
            appendCubic(shape, current, c1, c2, end);
            current = end;
            i += 3;
            continue;
        }
        lineTo(nodePoint(node, leftPoints, topPoints));
        ++i;
    }
    endFigure();
    return true;
}

bool outlineExtent(const FSShape& shape, int lineWidth, transform::FSBounds& bounds) {
    long long x = 0, y = 0;
    long long minX = LLONG_MAX, minY = LLONG_MAX, maxX = LLONG_MIN, maxY = LLONG_MIN;
    bool edges = false;
    auto take = [&](long long px, long long py) {
        minX = std::min(minX, px), maxX = std::max(maxX, px);
        minY = std::min(minY, py), maxY = std::max(maxY, py);
    };
    const auto& objects = shape.getObjects();
    for (std::size_t i = 0; i < objects.size(); ++i) {
        const FSShapeObject& object = objects[i];
        switch (object.getType()) {
            case FSShapeObject::Style: {
                const auto& style = static_cast<const FSShapeStyle&>(object);
                if (style.containsMove()) x = style.getMoveX(), y = style.getMoveY();
                break;
            }
            case FSShapeObject::Line: {
                const auto& line = static_cast<const FSLine&>(object);
                take(x, y);
                x += line.getX(), y += line.getY();
                take(x, y);
                edges = true;
                break;
            }
            case FSShapeObject::Curve: {
                const auto& curve = static_cast<const FSCurve&>(object);
                take(x, y);
                x += curve.getControlX(), y += curve.getControlY();
                take(x, y);
                x += curve.getAnchorX(), y += curve.getAnchorY();
                take(x, y);
                edges = true;
                break;
            }
            default:
                break;
        }
    }
    if (!edges) return false;
    const long long half = std::max(lineWidth, 0) / 2 + std::max(lineWidth, 0) % 2;
    auto clampInt = [](long long v) {
        return static_cast<int>(std::clamp<long long>(v, INT_MIN / 2, INT_MAX / 2));
    };
    bounds = transform::FSBounds(clampInt(minX - half), clampInt(minY - half),
                                 clampInt(maxX + half), clampInt(maxY + half));
    return true;
}

FSCoordTransform placement(int tx, int ty, int width, int height, float rotation,
                           float pictureScale, bool flipX, bool flipY) {
    const double s = pictureScale > 0 && std::isfinite(pictureScale) ? 1.0 / pictureScale : 1.0;
    if (!(rotation >= 0.1f) && !flipX && !flipY) {
        FSCoordTransform t;
        t.translate(tx, ty);
        t.scale(s, s);
        return t;
    }
    const double a =
        std::isfinite(rotation) && rotation >= 0.1f ? rotation * 0.017453333333333335 : 0.0;
    const int cx = width / 2;
    const int cy = height / 2;
    const double fx = flipX ? -1.0 : 1.0, fy = flipY ? -1.0 : 1.0;
    // Turned about the centre of the box; the flip comes first, as the host draws it.
    const FSCoordTransform::Matrix rows = {
        {static_cast<float>(std::cos(a) * fx), static_cast<float>(-std::sin(a) * fy),
         static_cast<float>(cx + tx)},
        {static_cast<float>(std::sin(a) * fx), static_cast<float>(std::cos(a) * fy),
         static_cast<float>(cy + ty)},
        {0, 0, 1}};
    FSCoordTransform t(rows);
    t.translate(-cx, -cy);
    if (s != 1.0) t.scale(s, s);
    return t;
}

}  // namespace quillet::engine
