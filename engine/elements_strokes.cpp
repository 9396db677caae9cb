// What the format's plain lines cannot draw themselves, built from edges: dashed strokes along any
// outline, and arrowheads at the ends of an open path in the host's shapes and sizes.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "engine/elements_outlines.h"
#include "engine/records.h"

namespace quillet::engine {

using transform::FSCurve;
using transform::FSLine;
using transform::FSShape;
using transform::FSShapeObject;
using transform::FSShapeStyle;

namespace {

// More dashes than any outline on a slide shows; beyond it the stroke stays whole.
constexpr double kMostDashes = 20000;

int nearest(double v) {
    return static_cast<int>(std::floor(v + 0.5));
}

// Walks edges, cutting them at the pattern's changes: drawn stretches become edges, the gaps
// moves.
class DashWalker {
  public:
    DashWalker(FSShape& out, std::vector<double> pattern)
        : out_(out), pattern_(std::move(pattern)) {}

    void moveTo(double x, double y) {
        x_ = x, y_ = y;
        ex_ = nearest(x), ey_ = nearest(y);
        index_ = 0;
        left_ = pattern_[0];
    }

    void line(double dx, double dy) {
        const double length = std::hypot(dx, dy);
        const double x0 = x_, y0 = y_;
        double done = 0;
        while (length - done > 1e-9) {
            const double step = std::min(left_, length - done);
            const double t = (done + step) / length;
            const int px = nearest(x0 + dx * t), py = nearest(y0 + dy * t);
            if (drawing()) {
                appendLine(out_, px - ex_, py - ey_);
            } else {
                jump(px, py);
            }
            ex_ = px, ey_ = py;
            done += step;
            advance(step);
        }
        x_ = x0 + dx, y_ = y0 + dy;
    }

    void curve(double cx, double cy, double ax, double ay) {
        // Arc length along the curve from a table of chords, fine enough for dash ends.
        constexpr int kSteps = 32;
        const double p0x = x_, p0y = y_, p1x = x_ + cx, p1y = y_ + cy, p2x = p1x + ax,
                     p2y = p1y + ay;
        auto at = [&](double t, double& x, double& y) {
            const double u = 1 - t;
            x = u * u * p0x + 2 * u * t * p1x + t * t * p2x;
            y = u * u * p0y + 2 * u * t * p1y + t * t * p2y;
        };
        double lengths[kSteps + 1] = {0};
        double px = p0x, py = p0y;
        for (int i = 1; i <= kSteps; ++i) {
            double x, y;
            at(static_cast<double>(i) / kSteps, x, y);
            lengths[i] = lengths[i - 1] + std::hypot(x - px, y - py);
            px = x, py = y;
        }
        const double length = lengths[kSteps];
        auto paramAt = [&](double s) {
            if (s >= length) return 1.0;
            int i = 1;
            while (i < kSteps && lengths[i] < s) ++i;
            const double span = lengths[i] - lengths[i - 1];
            const double f = span > 0 ? (s - lengths[i - 1]) / span : 0;
            return (i - 1 + f) / kSteps;
        };
        double done = 0, t0 = 0;
        while (length - done > 1e-9) {
            const double step = std::min(left_, length - done);
            const double t1 = done + step >= length - 1e-9 ? 1.0 : paramAt(done + step);
            double ex, ey;
            at(t1, ex, ey);
            const int qx = nearest(ex), qy = nearest(ey);
            if (drawing()) {
                // The piece of the curve from t0 to t1: its control point from the blossom.
                const double ctrlX = p0x * (1 - t0) * (1 - t1) +
                                     p1x * ((1 - t0) * t1 + t0 * (1 - t1)) + p2x * t0 * t1;
                const double ctrlY = p0y * (1 - t0) * (1 - t1) +
                                     p1y * ((1 - t0) * t1 + t0 * (1 - t1)) + p2y * t0 * t1;
                const int kx = nearest(ctrlX), ky = nearest(ctrlY);
                appendCurve(out_, kx - ex_, ky - ey_, qx - kx, qy - ky);
            } else {
                jump(qx, qy);
            }
            ex_ = qx, ey_ = qy;
            done += step;
            t0 = t1;
            advance(step);
        }
        x_ = p2x, y_ = p2y;
    }

  private:
    bool drawing() const { return index_ % 2 == 0; }
    void jump(int x, int y) {
        out_.emplace<FSShapeStyle>(transform::Default, transform::Default, transform::Default, x,
                                   y);
    }
    void advance(double step) {
        left_ -= step;
        if (left_ <= 1e-9) {
            index_ = (index_ + 1) % pattern_.size();
            left_ = pattern_[index_];
        }
    }

    FSShape& out_;
    std::vector<double> pattern_;
    std::size_t index_ = 0;
    double left_ = 0;
    double x_ = 0, y_ = 0;  // where the walk stands on the outline
    int ex_ = 0, ey_ = 0;   // where the last record left the pen
};

double strokeLength(const FSShape& shape) {
    double length = 0;
    const auto& objects = shape.getObjects();
    for (std::size_t i = 0; i < objects.size(); ++i) {
        if (objects[i].getType() == FSShapeObject::Line) {
            const auto& l = static_cast<const FSLine&>(objects[i]);
            length += std::hypot(l.getX(), l.getY());
        } else if (objects[i].getType() == FSShapeObject::Curve) {
            const auto& c = static_cast<const FSCurve&>(objects[i]);
            length += std::hypot(c.getControlX(), c.getControlY()) +
                      std::hypot(c.getAnchorX(), c.getAnchorY());
        }
    }
    return length;
}

}  // namespace

std::vector<double> dashPattern(int dashStyle, int lineWidth) {
    std::vector<double> pattern = host::dash_style::pattern(dashStyle);
    if (pattern.empty()) return pattern;
    // As the host scales them: by the line's width, a hairline's 0.35 points at least. The
    // format's lines end in round caps half a width long, so each dash is drawn shorter by the
    // width and its gap longer by as much.
    const double unit = std::max(lineWidth, 7);
    for (std::size_t i = 0; i + 1 < pattern.size(); i += 2) {
        const double dash = pattern[i] * unit;
        const double drawn = std::max(dash - lineWidth, 1.0);
        pattern[i] = drawn;
        pattern[i + 1] = pattern[i + 1] * unit + (dash - drawn);
    }
    return pattern;
}

FSShape dashOutline(const FSShape& stroke, const std::vector<double>& pattern) {
    double period = 0;
    for (double p : pattern) period += p;
    if (pattern.size() < 2 || !(period > 0) ||
        strokeLength(stroke) / period * static_cast<double>(pattern.size()) > kMostDashes) {
        return stroke;
    }
    FSShape out;
    DashWalker walker(out, pattern);
    const auto& objects = stroke.getObjects();
    for (std::size_t i = 0; i < objects.size(); ++i) {
        const FSShapeObject& object = objects[i];
        switch (object.getType()) {
            case FSShapeObject::Style: {
                const auto& style = static_cast<const FSShapeStyle&>(object);
                out.add(std::unique_ptr<FSShapeObject>(
                    static_cast<FSShapeObject*>(style.clone().release())));
                if (style.containsMove()) walker.moveTo(style.getMoveX(), style.getMoveY());
                break;
            }
            case FSShapeObject::Line: {
                const auto& l = static_cast<const FSLine&>(object);
                walker.line(l.getX(), l.getY());
                break;
            }
            case FSShapeObject::Curve: {
                const auto& c = static_cast<const FSCurve&>(object);
                walker.curve(c.getControlX(), c.getControlY(), c.getAnchorX(), c.getAnchorY());
                break;
            }
            default:
                break;
        }
    }
    return out;
}

void pathArrowhead(FSShape& shape, const PathEnd& end, const ArrowheadLook& look, int lineWidth,
                   int strokeStyle, int fillStyle) {
    using namespace host::arrowhead;
    if (!end.valid || look.style == kNone || look.style == kMixed || look.style < kTriangle ||
        look.style > kOval) {
        return;
    }
    // Sized by the line's width as the host draws them, thin lines with a thin line's heads.
    const double w = std::max(lineWidth, 50);
    const double len = w * (look.length == kShort ? 2 : look.length == kLong ? 5 : 3);
    const double half = w * (look.width == kNarrow ? 2 : look.width == kWide ? 5 : 3) / 2;
    const double angle = std::atan2(end.y - end.fromY, end.x - end.fromX);
    const double c = std::cos(angle), s = std::sin(angle);
    // A point of the head, given along the line (u, negative back from the tip) and across it.
    auto at = [&](double u, double v) {
        return Point{nearest(end.x + u * c - v * s), nearest(end.y + u * s + v * c)};
    };
    auto polygon = [&](std::initializer_list<Point> points, bool closed, int line, int fill) {
        const Point first = *points.begin();
        shape.emplace<FSShapeStyle>(line, fill, 0, first.x, first.y);
        Point current = first;
        for (auto it = points.begin() + 1; it != points.end(); ++it) {
            appendLine(shape, it->x - current.x, it->y - current.y);
            current = *it;
        }
        if (closed) appendLine(shape, first.x - current.x, first.y - current.y);
    };
    switch (look.style) {
        case kOpen:
            polygon({at(-len, -half), at(0, 0), at(-len, half)}, false, strokeStyle, 0);
            return;
        case kStealth:
            polygon({at(0, 0), at(-len, -half), at(-len * 0.6, 0), at(-len, half)}, true, 0,
                    fillStyle);
            return;
        case kDiamond:
            polygon({at(len / 2, 0), at(0, -half), at(-len / 2, 0), at(0, half)}, true, 0,
                    fillStyle);
            return;
        case kOval: {
            // Eight quadratic arcs of 45 degrees, each control where the tangents at its ends
            // meet.
            const double rx = len / 2, ry = half, r = 1 / std::cos(std::numbers::pi / 8);
            const Point e = at(rx, 0);
            shape.emplace<FSShapeStyle>(0, fillStyle, 0, e.x, e.y);
            Point current = e;
            for (int k = 0; k < 8; ++k) {
                const double a1 = (k + 1) * std::numbers::pi / 4;
                const double am = (k + 0.5) * std::numbers::pi / 4;
                const Point control = at(rx * r * std::cos(am), ry * r * std::sin(am));
                const Point stop = at(rx * std::cos(a1), ry * std::sin(a1));
                appendCurve(shape, control.x - current.x, control.y - current.y, stop.x - control.x,
                            stop.y - control.y);
                current = stop;
            }
            return;
        }
        default:
            polygon({at(0, 0), at(-len, -half), at(-len, half)}, true, 0, fillStyle);
            return;
    }
}

}  // namespace quillet::engine
