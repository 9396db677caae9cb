// Freeform outlines from the host's nodes, the extent of an outline, and the placement of an
// element on its slide.
#include <algorithm>
#include <climits>
#include <cmath>

#include "engine/elements_outlines.h"
#include "engine/records.h"

namespace quillet::engine {

using transform::FSArray;
using transform::FSColor;
using transform::FSCoordTransform;
using transform::FSCurve;
using transform::FSFillStyle;
using transform::FSLine;
using transform::FSLineStyle;
using transform::FSShape;
using transform::FSShapeObject;
using transform::FSShapeStyle;

namespace {

// More nodes than any drawing on a slide has; a larger count is refused rather than encoded.
constexpr std::size_t kMostNodes = 200000;
// A cubic segment is cut in at most this many quadratic pieces (the tolerance holds for any
// segment that fits on a slide).
constexpr int kMostPieces = 64;

// A point on the slide relative to the element's corner, both rounded to twips on the slide so
// that the placed point is the nearest twip to the host's (rounding the difference could add the
// corner's rounding to the point's).
Point fromCorner(double x, double y, float left, float top) {
    return {toTwips(x) - toTwips(left), toTwips(y) - toTwips(top)};
}

Point nodePoint(const host::ShapeNode& node, float left, float top) {
    return fromCorner(node.x, node.y, left, top);
}

}  // namespace

void appendCubic(FSShape& shape, Point from, Point c1, Point c2, Point end) {
    const double x[4] = {static_cast<double>(from.x), static_cast<double>(c1.x),
                         static_cast<double>(c2.x), static_cast<double>(end.x)};
    const double y[4] = {static_cast<double>(from.y), static_cast<double>(c1.y),
                         static_cast<double>(c2.y), static_cast<double>(end.y)};
    // One quadratic with control (3 (P1 + P2) - P0 - P3) / 4 strays from the cubic by at most
    // sqrt(3) / 36 |P3 - 3 P2 + 3 P1 - P0|; a piece of 1/n of the cubic has that third difference
    // divided by n^3.
    const double dx = x[3] - 3 * x[2] + 3 * x[1] - x[0];
    const double dy = y[3] - 3 * y[2] + 3 * y[1] - y[0];
    const double stray = std::sqrt(3.0) / 36 * std::hypot(dx, dy);
    const int pieces =
        std::isfinite(stray)
            ? std::clamp(static_cast<int>(std::ceil(std::cbrt(stray / kCurveTolerance))), 1,
                         kMostPieces)
            : 1;
    auto at = [](const double* v, double t) {
        const double u = 1 - t;
        return u * u * u * v[0] + 3 * u * u * t * v[1] + 3 * u * t * t * v[2] + t * t * t * v[3];
    };
    // The derivative, for the control points of each piece.
    auto slope = [](const double* v, double t) {
        const double u = 1 - t;
        return 3 * (u * u * (v[1] - v[0]) + 2 * u * t * (v[2] - v[1]) + t * t * (v[3] - v[2]));
    };
    auto nearest = [](double v) { return static_cast<int>(std::floor(v + 0.5)); };
    Point start = from;
    for (int k = 0; k < pieces; ++k) {
        const double t0 = static_cast<double>(k) / pieces, t1 = static_cast<double>(k + 1) / pieces;
        const double h = (t1 - t0) / 3;
        const double p0x = at(x, t0), p0y = at(y, t0), p3x = at(x, t1), p3y = at(y, t1);
        const double p1x = p0x + h * slope(x, t0), p1y = p0y + h * slope(y, t0);
        const double p2x = p3x - h * slope(x, t1), p2y = p3y - h * slope(y, t1);
        const Point control{nearest((3 * (p1x + p2x) - p0x - p3x) / 4),
                            nearest((3 * (p1y + p2y) - p0y - p3y) / 4)};
        const Point anchor = k + 1 == pieces ? end : Point{nearest(p3x), nearest(p3y)};
        appendCurve(shape, control.x - start.x, control.y - start.y, anchor.x - control.x,
                    anchor.y - control.y);
        start = anchor;
    }
}

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

namespace {

// How the open figures of a sub-path end: left open (a stroke), closed (a fill), or closed for
// the fill by an edge without the line.
enum class Closing { Open, Close, CloseUnstroked };

bool drawsEdges(const host::SubPath& sub) {
    return std::any_of(sub.segments.begin(), sub.segments.end(), [](const host::PathSegment& s) {
        return s.kind != host::PathSegment::kMove && s.kind != host::PathSegment::kClose;
    });
}

// The figures of a sub-path. `open` (may be null) is the layer's opening style record, which is
// moved to the first figure's start; every later figure starts with a move of its own.
void appendFigures(FSShape& shape, FSShapeStyle* open, const host::SubPath& sub, float left,
                   float top, Closing closing, int lineStyle) {
    auto point = [left, top](const host::PathSegment& s, int i) {
        return fromCorner(s.x[i], s.y[i], left, top);
    };
    Point start, current;
    bool started = false;
    auto moveTo = [&](Point p) {
        if (!started && open) {
            open->setMove(p.x, p.y);
        } else {
            shape.emplace<FSShapeStyle>(transform::Default, transform::Default, transform::Default,
                                        p.x, p.y);
        }
        started = true;
        start = current = p;
    };
    auto lineTo = [&](Point p) {
        appendLine(shape, p.x - current.x, p.y - current.y);
        current = p;
    };
    auto endFigure = [&] {
        if (current.x == start.x && current.y == start.y) return;
        if (closing == Closing::Close) {
            lineTo(start);
        } else if (closing == Closing::CloseUnstroked) {
            shape.emplace<FSShapeStyle>(0, transform::Default, transform::Default,
                                        transform::Default, transform::Default);
            lineTo(start);
            shape.emplace<FSShapeStyle>(lineStyle, transform::Default, transform::Default,
                                        transform::Default, transform::Default);
        }
    };
    for (const host::PathSegment& s : sub.segments) {
        if (s.kind == host::PathSegment::kMove) {
            if (started) endFigure();
            moveTo(point(s, 0));
            continue;
        }
        if (!started) moveTo(current);
        switch (s.kind) {
            case host::PathSegment::kLine:
                lineTo(point(s, 0));
                break;
            case host::PathSegment::kQuad: {
                const Point c = point(s, 0), end = point(s, 1);
                appendCurve(shape, c.x - current.x, c.y - current.y, end.x - c.x, end.y - c.y);
                current = end;
                break;
            }
            case host::PathSegment::kCubic: {
                const Point end = point(s, 2);
                appendCubic(shape, current, point(s, 0), point(s, 1), end);
                current = end;
                break;
            }
            default:  // close: back to the figure's start, drawn
                lineTo(start);
                break;
        }
    }
    if (started) endFigure();
}

// The share of black (darken) or white (lighten) laid over a shaded sub-path's fill.
double shadeOf(int mode, bool& darken) {
    darken = mode == host::path_fill::kDarken || mode == host::path_fill::kDarkenLess;
    switch (mode) {
        case host::path_fill::kDarken:
        case host::path_fill::kLighten:
            return 0.4;
        case host::path_fill::kDarkenLess:
        case host::path_fill::kLightenLess:
            return 0.2;
        default:
            return 0;
    }
}

FSColor shaded(const FSColor& c, double shade, bool darken) {
    // The shade laid over the colour: black or white at `shade`, the colour's own alpha under it.
    const double a = c.getAlpha() / 255.0;
    const double out = shade + a * (1 - shade);
    if (!(out > 0)) return c;
    const double v = darken ? 0 : 255;
    auto mix = [&](int channel) {
        return std::clamp(roundHalf((v * shade + channel * a * (1 - shade)) / out), 0, 255);
    };
    return FSColor(mix(c.getRed()), mix(c.getGreen()), mix(c.getBlue()),
                   std::clamp(roundHalf(out * 255), 0, 255));
}

// The ends of a sub-path's first figure, each with the nearest distinct point before it (control
// points count) for its direction; none for a closed figure.
void pathEnds(const host::SubPath& sub, float left, float top, PathEnd& head, PathEnd& tail) {
    head = tail = {};
    std::vector<std::pair<double, double>> points;
    for (const host::PathSegment& s : sub.segments) {
        if (s.kind == host::PathSegment::kClose) return;
        if (s.kind == host::PathSegment::kMove && !points.empty()) break;
        const int n = s.kind == host::PathSegment::kCubic  ? 3
                      : s.kind == host::PathSegment::kQuad ? 2
                                                           : 1;
        for (int i = 0; i < n; ++i) {
            const Point p = fromCorner(s.x[i], s.y[i], left, top);
            points.emplace_back(p.x, p.y);
        }
    }
    if (points.size() < 2) return;
    auto distinct = [&points](std::size_t i, std::size_t j) { return points[i] != points[j]; };
    for (std::size_t i = 1; i < points.size(); ++i) {
        if (distinct(0, i)) {
            head = {true, points[0].first, points[0].second, points[i].first, points[i].second};
            break;
        }
    }
    const std::size_t last = points.size() - 1;
    for (std::size_t i = last; i-- > 0;) {
        if (distinct(last, i)) {
            tail = {true, points[last].first, points[last].second, points[i].first,
                    points[i].second};
            break;
        }
    }
}

}  // namespace

std::unique_ptr<FSFillStyle> shadedFill(const FSFillStyle& fill, int mode) {
    bool darken = false;
    const double shade = shadeOf(mode, darken);
    if (auto* solid = dynamic_cast<const transform::FSSolidFill*>(&fill)) {
        auto out = std::make_unique<transform::FSSolidFill>(*solid);
        if (shade > 0) out->setColor(shaded(solid->getColor(), shade, darken));
        return out;
    }
    if (auto* gradient = dynamic_cast<const transform::FSGradientFill*>(&fill)) {
        auto out = std::make_unique<transform::FSGradientFill>(*gradient);
        if (shade > 0) {
            for (auto& stop : out->getGradients()) {
                stop.setColor(shaded(stop.getColor(), shade, darken));
            }
        }
        return out;
    }
    // A bitmap keeps its colours: the format cannot lay a shade over it inside one fill.
    auto copy = fill.clone();
    return std::unique_ptr<FSFillStyle>(static_cast<FSFillStyle*>(copy.release()));
}

bool pathOutline(const host::ShapePath& path, float leftPoints, float topPoints,
                 const PathLook& look, FSArray<FSFillStyle>& fills, FSArray<FSLineStyle>& lines,
                 FSShape& shape) {
    std::vector<std::size_t> filled, stroked;
    std::size_t segments = 0;
    for (std::size_t i = 0; i < path.subPaths.size(); ++i) {
        const host::SubPath& sub = path.subPaths[i];
        segments += sub.segments.size();
        if (segments > kMostNodes) return false;
        if (!drawsEdges(sub)) continue;
        if (look.fill && sub.fill != host::path_fill::kNone) filled.push_back(i);
        if (look.line && sub.stroke) stroked.push_back(i);
    }
    if (filled.empty() && stroked.empty()) return false;
    auto copyLine = [&look] {
        auto copy = look.line->clone();
        return std::unique_ptr<FSLineStyle>(static_cast<FSLineStyle*>(copy.release()));
    };

    const std::vector<double> dashes =
        look.line ? dashPattern(look.dashStyle, look.lineWidth) : std::vector<double>{};

    // One sub-path both filled and stroked (or only one of them), its stroke whole: one layer.
    if (filled.size() <= 1 && stroked.size() <= 1 &&
        (filled.empty() || stroked.empty() || filled[0] == stroked[0]) &&
        (stroked.empty() || dashes.empty())) {
        const host::SubPath& sub = path.subPaths[filled.empty() ? stroked[0] : filled[0]];
        const int fillIndex = filled.empty() ? 0 : 1;
        const int lineIndex = stroked.empty() ? 0 : 1;
        if (fillIndex) fills.add(shadedFill(*look.fill, sub.fill));
        if (lineIndex) lines.add(copyLine());
        auto& open = shape.emplace<FSShapeStyle>(lineIndex, fillIndex, 0, transform::Default,
                                                 transform::Default);
        const Closing closing = !fillIndex  ? Closing::Open
                                : lineIndex ? Closing::CloseUnstroked
                                            : Closing::Close;
        appendFigures(shape, &open, sub, leftPoints, topPoints, closing, lineIndex);
    } else {
        // Several: every filled sub-path in a layer over the ones before, as the host fills them
        // one after the other, and the strokes in a last layer over all fills.
        bool first = true;
        for (std::size_t i : filled) {
            const host::SubPath& sub = path.subPaths[i];
            auto fill = shadedFill(*look.fill, sub.fill);
            auto& open =
                shape.emplace<FSShapeStyle>(0, 1, 0, transform::Default, transform::Default);
            if (first) {
                fills.add(std::move(fill));
            } else {
                open.addFillStyle(std::move(fill));
            }
            first = false;
            appendFigures(shape, &open, sub, leftPoints, topPoints, Closing::Close, 0);
        }
        if (!stroked.empty()) {
            FSShape strokes;
            auto& open =
                strokes.emplace<FSShapeStyle>(1, 0, 0, transform::Default, transform::Default);
            for (std::size_t i : stroked) {
                appendFigures(strokes, i == stroked.front() ? &open : nullptr, path.subPaths[i],
                              leftPoints, topPoints, Closing::Open, 1);
            }
            if (!dashes.empty()) strokes = dashOutline(strokes, dashes);
            const auto& records = strokes.getObjects();
            for (std::size_t k = 0; k < records.size(); ++k) {
                auto copy = std::unique_ptr<transform::FSShapeObject>(
                    static_cast<transform::FSShapeObject*>(records[k].clone().release()));
                if (k == 0) {
                    auto& style = static_cast<FSShapeStyle&>(*copy);
                    if (first) {
                        lines.add(copyLine());
                    } else {
                        style.addLineStyle(copyLine());
                    }
                }
                shape.add(std::move(copy));
            }
        }
    }

    // Arrowheads at the ends of the first stroked sub-path, as the host draws them: a layer of
    // their own in the line's colour over everything.
    const bool heads =
        look.line && !stroked.empty() &&
        (look.begin.style > host::arrowhead::kNone || look.end.style > host::arrowhead::kNone);
    if (heads) {
        PathEnd head, tail;
        pathEnds(path.subPaths[stroked.front()], leftPoints, topPoints, head, tail);
        if (head.valid || tail.valid) {
            auto& style = shape.emplace<FSShapeStyle>();
            style.addFillStyle(std::make_unique<transform::FSSolidFill>(look.lineColour));
            style.addLineStyle(copyLine());
            pathArrowhead(shape, head, look.begin, look.lineWidth, 1, 1);
            pathArrowhead(shape, tail, look.end, look.lineWidth, 1, 1);
        }
    }
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
