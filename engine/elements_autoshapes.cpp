// Autoshape outlines by kind, the box with a pointer (kinds 105 and 106), and the edge helpers
// that keep every edge within what one record can hold.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "engine/elements_outlines.h"
#include "engine/records.h"

namespace quillet::engine {

using transform::FSCurve;
using transform::FSLine;
using transform::FSShape;
using transform::FSShapeStyle;

namespace {

// An edge record holds 17-bit signed deltas.
constexpr int kLongestEdge = 65535;
// Far beyond any slide (about 27 metres): clamping there keeps every sum of coordinates in range.
constexpr double kFarthestTwips = 20000000.0;

bool fits(long long value) {
    return value >= -kLongestEdge && value <= kLongestEdge;
}

void curveInPieces(FSShape& shape, long long cx, long long cy, long long ax, long long ay,
                   int depth) {
    if (fits(cx) && fits(cy) && fits(ax) && fits(ay)) {
        shape.emplace<FSCurve>(static_cast<int>(cx), static_cast<int>(cy), static_cast<int>(ax),
                               static_cast<int>(ay));
        return;
    }
    if (depth > 24) {
        appendLine(shape, static_cast<int>(cx + ax), static_cast<int>(cy + ay));
        return;
    }
    // Halve at t = 0.5: with P0 = 0, P1 = c, P2 = c + a the halves meet at (P0 + 2 P1 + P2) / 4.
    const long long p1x = cx, p1y = cy, p2x = cx + ax, p2y = cy + ay;
    const long long q1x = p1x / 2, q1y = p1y / 2;
    const long long mx = (2 * p1x + p2x) / 4, my = (2 * p1y + p2y) / 4;
    const long long r1x = (p1x + p2x) / 2, r1y = (p1y + p2y) / 2;
    curveInPieces(shape, q1x, q1y, mx - q1x, my - q1y, depth + 1);
    curveInPieces(shape, r1x - mx, r1y - my, p2x - r1x, p2y - r1y, depth + 1);
}

float adjustment(const std::vector<float>& values, std::size_t index, float fallback) {
    if (index >= values.size() || !std::isfinite(values[index])) return fallback;
    return values[index];
}

// The host's default first adjustment of the kinds drawn here.
float defaultAdjustment(int kind) {
    switch (kind) {
        case host::shape_kind::kOctagon:
            return 0.29289f;
        case host::shape_kind::kIsoscelesTriangle:
            return 0.5f;
        default:
            return 0.25f;
    }
}

void start(FSShape& shape, int lineStyle, int fillStyle, int x, int y) {
    shape.emplace<FSShapeStyle>(lineStyle, fillStyle, 0, x, y);
}

}  // namespace

int toTwips(double points) {
    double twips = points * kTwipsPerPoint;
    if (!std::isfinite(twips)) return 0;
    twips = std::clamp(twips, -kFarthestTwips, kFarthestTwips);
    // x + 0.5 rounded down: the engine's rounding for positive values, and the nearest twip for
    // negative ones too (truncating would move every negative coordinate a twip towards 0).
    return static_cast<int>(std::floor(twips + 0.5));
}

void appendLine(FSShape& shape, int dx, int dy) {
    const int pieces =
        std::max(1, static_cast<int>((std::max(std::llabs(dx), std::llabs(dy)) + kLongestEdge - 1) /
                                     kLongestEdge));
    if (pieces == 1) {
        shape.emplace<FSLine>(dx, dy);
        return;
    }
    // Each piece ends on the exact fraction so that the pieces add up to the whole edge.
    long long doneX = 0, doneY = 0;
    for (int i = 1; i <= pieces; ++i) {
        const long long x = static_cast<long long>(dx) * i / pieces;
        const long long y = static_cast<long long>(dy) * i / pieces;
        shape.emplace<FSLine>(static_cast<int>(x - doneX), static_cast<int>(y - doneY));
        doneX = x;
        doneY = y;
    }
}

void appendCurve(FSShape& shape, int controlX, int controlY, int anchorX, int anchorY) {
    curveInPieces(shape, controlX, controlY, anchorX, anchorY, 0);
}

bool isVectorKind(int kind) {
    switch (kind) {
        case 1:
        case 2:
        case 3:
        case 4:
        case 6:
        case 7:
        case 8:
        case 10:
        case 11:
        case 12:
        case 13:
        case 14:
        case 105:
            return true;
        default:
            return false;
    }
}

bool keepsTableOutline(int kind) {
    switch (kind) {
        case host::shape_kind::kRectangle:
        case host::shape_kind::kParallelogram:
        case host::shape_kind::kDiamond:
        case host::shape_kind::kIsoscelesTriangle:
        case host::shape_kind::kRightTriangle:
            return true;
        default:
            return false;
    }
}

bool autoShapeOutline(int kind, float widthPoints, float heightPoints,
                      const std::vector<float>& adjustments, int lineStyle, int fillStyle,
                      FSShape& shape) {
    const int W = toTwips(widthPoints);
    const int H = toTwips(heightPoints);
    if (kind == host::shape_kind::kRectangularCallout ||
        kind == host::shape_kind::kRoundedRectangularCallout) {
        return calloutOutline(kind, W, H, adjustments, lineStyle, fillStyle, shape);
    }
    const float adj = adjustment(adjustments, 0, defaultAdjustment(kind));
    const int a = toTwips(static_cast<double>(adj) * widthPoints);
    auto L = [&shape](int dx, int dy) { appendLine(shape, dx, dy); };
    auto C = [&shape](int cx, int cy, int ax, int ay) { appendCurve(shape, cx, cy, ax, ay); };
    switch (kind) {
        case 1:
            start(shape, lineStyle, fillStyle, 0, 0);
            L(W, 0), L(0, H), L(-W, 0), L(0, -H);
            return true;
        case 2:
            start(shape, lineStyle, fillStyle, a, 0);
            L(W - a, 0), L(-a, H), L(a - W, 0), L(a, -H);
            return true;
        case 3:
            // Narrow side on top, as the presentation files draw their trapezoid (the older
            // outline, wide side on top, would show it upside down).
            start(shape, lineStyle, fillStyle, a, 0);
            L(W - 2 * a, 0), L(a, H), L(-W, 0), L(a, -H);
            return true;
        case 4:
            start(shape, lineStyle, fillStyle, W / 2, 0);
            L(W / 2, H / 2), L(-W / 2, H / 2), L(-W / 2, -H / 2), L(W / 2, -H / 2);
            return true;
        case 6:
            start(shape, lineStyle, fillStyle, a, 0);
            L(W - 2 * a, 0), L(a, a), L(0, H - 2 * a), L(-a, a), L(2 * a - W, 0), L(-a, -a),
                L(0, 2 * a - H), L(a, -a);
            return true;
        case 7:
            start(shape, lineStyle, fillStyle, a, 0);
            L(W - a, H), L(-W, 0), L(a, -H);
            return true;
        case 8:
            start(shape, lineStyle, fillStyle, 0, 0);
            L(W, H), L(-W, 0), L(0, -H);
            return true;
        case 10:
            start(shape, lineStyle, fillStyle, a, 0);
            L(W - 2 * a, 0), L(a, H / 2), L(-a, H / 2), L(2 * a - W, 0), L(-a, -H / 2),
                L(a, -H / 2);
            return true;
        case 11:
            start(shape, lineStyle, fillStyle, a, 0);
            L(W - 2 * a, 0), L(0, a), L(a, 0), L(0, H - 2 * a), L(-a, 0), L(0, a), L(2 * a - W, 0),
                L(0, -a), L(-a, 0), L(0, 2 * a - H), L(a, 0), L(0, -a);
            return true;
        case 12: {
            const int upper = roundHalf(0.38 * H);
            const int lower = roundHalf(0.62 * H);
            start(shape, lineStyle, fillStyle, W / 2, 0);
            L(W / 2, upper), L(-W / 4, lower), L(-W / 2, 0), L(-W / 4, -lower), L(W / 2, -upper);
            return true;
        }
        case 13:
            start(shape, lineStyle, fillStyle, 0, a / 2);
            C(0, -a / 2, W / 2, 0), C(W / 2, 0, 0, a / 2), C(0, a / 2, -W / 2, 0),
                C(-W / 2, 0, 0, -a / 2), L(0, H - a), C(0, a / 2, W / 2, 0), C(W / 2, 0, 0, -a / 2),
                L(0, a - H), C(0, a / 2, -W / 2, 0), C(-W / 2, 0, 0, -a / 2);
            return true;
        case 14:
            start(shape, lineStyle, fillStyle, a, 0);
            L(W - a, 0), L(-a, a), L(a - W, 0), L(a, -a);
            shape.emplace<FSShapeStyle>(transform::Default, transform::Default, transform::Default,
                                        0, a);
            L(0, H - a), L(W - a, 0), L(0, a - H), L(a - W, 0);
            shape.emplace<FSShapeStyle>(transform::Default, transform::Default, transform::Default,
                                        W - a, a);
            L(a, -a), L(0, H - a), L(-a, a), L(0, a - H);
            return true;
        default:
            return false;
    }
}

namespace {

// Where the pointer leaves the box: the edge facing the tip, walked clockwise from (0, 0).
enum class Edge { None, Top, Right, Bottom, Left };

// The region of the tip around the box by the adjustments (0 and 1 are the box's sides); a tip
// beyond a corner faces the edge its direction from the box's centre crosses first.
Edge facingEdge(float adj1, float adj2, float aspect) {
    if (!std::isfinite(adj1) || !std::isfinite(adj2)) return Edge::None;
    const int column = adj1 < 0 ? 0 : adj1 > 1 ? 2 : 1;
    const int row = adj2 < 0 ? 0 : adj2 > 1 ? 2 : 1;
    if (column == 1 && row == 0) return Edge::Top;
    if (column == 1 && row == 2) return Edge::Bottom;
    if (row == 1 && column == 0) return Edge::Left;
    if (row == 1 && column == 2) return Edge::Right;
    if (row == 1 && column == 1) return Edge::None;  // inside: the box alone
    // Beyond a corner: compare the slope from the centre with the box's own diagonal.
    const double dx = (adj1 - 0.5) * aspect;
    const double dy = adj2 - 0.5;
    if (std::fabs(dy) * aspect >= std::fabs(dx)) return row == 0 ? Edge::Top : Edge::Bottom;
    return column == 0 ? Edge::Left : Edge::Right;
}

}  // namespace

bool calloutOutline(int kind, int W, int H, const std::vector<float>& adjustments, int lineStyle,
                    int fillStyle, FSShape& shape) {
    const float adj1 = adjustment(adjustments, 0, -0.20833f + 0.5f);
    const float adj2 = adjustment(adjustments, 1, 0.625f + 0.5f);
    if (W <= 0 || H <= 0) return false;
    if (!std::isfinite(adj1) || !std::isfinite(adj2) || std::fabs(adj1) > 1000 ||
        std::fabs(adj2) > 1000) {
        return false;
    }
    // Held within the drawable range, so a far tip cannot overflow.
    auto far = [](double v) { return std::clamp(v, -kFarthestTwips, kFarthestTwips); };
    const Point tip{roundHalf(far(W * static_cast<double>(adj1))),
                    roundHalf(far(H * static_cast<double>(adj2)))};
    const Edge edge = facingEdge(adj1, adj2, static_cast<float>(W) / static_cast<float>(H));

    // The pointer's base on the facing edge: from 1/6 to 5/12 of the edge on the half where the
    // tip is, mirrored on the other half.
    auto base = [](int length, float along) {
        const int near = roundHalf(length / 6.0);
        const int far = roundHalf(length * 5.0 / 12.0);
        if (along < 0.5f) return std::pair<int, int>(near, far);
        return std::pair<int, int>(length - far, length - near);
    };

    int radius = 0;
    if (kind == host::shape_kind::kRoundedRectangularCallout) {
        const float r = adjustment(adjustments, 2, 0.16667f);
        // Kept below a sixth of the shorter side so the corners never reach the pointer's base.
        radius = std::clamp(roundHalf(std::min(W, H) * static_cast<double>(std::max(r, 0.0f))), 0,
                            std::min(W, H) / 6);
    }

    // The outline as absolute points with curve markers at the rounded corners.
    struct Node {
        Point p;
        bool curve = false;
        Point control;
    };
    std::vector<Node> nodes;
    auto lineTo = [&nodes](int x, int y) { nodes.push_back({{x, y}, false, {}}); };
    auto cornerTo = [&nodes, radius](int cx, int cy, int x, int y) {
        if (radius > 0) nodes.push_back({{x, y}, true, {cx, cy}});
    };

    // Top edge, left to right.
    if (edge == Edge::Top) {
        auto [b1, b2] = base(W, adj1);
        lineTo(b1, 0), lineTo(tip.x, tip.y), lineTo(b2, 0);
    }
    lineTo(W - radius, 0);
    cornerTo(W, 0, W, radius);
    if (edge == Edge::Right) {
        auto [b1, b2] = base(H, adj2);
        lineTo(W, b1), lineTo(tip.x, tip.y), lineTo(W, b2);
    }
    lineTo(W, H - radius);
    cornerTo(W, H, W - radius, H);
    if (edge == Edge::Bottom) {
        auto [b1, b2] = base(W, adj1);
        lineTo(b2, H), lineTo(tip.x, tip.y), lineTo(b1, H);
    }
    lineTo(radius, H);
    cornerTo(0, H, 0, H - radius);
    if (edge == Edge::Left) {
        auto [b1, b2] = base(H, adj2);
        lineTo(0, b2), lineTo(tip.x, tip.y), lineTo(0, b1);
    }
    lineTo(0, radius);
    cornerTo(0, 0, radius, 0);

    shape.emplace<FSShapeStyle>(lineStyle, fillStyle, 0, radius, 0);
    Point at{radius, 0};
    for (const Node& n : nodes) {
        if (n.curve) {
            appendCurve(shape, n.control.x - at.x, n.control.y - at.y, n.p.x - n.control.x,
                        n.p.y - n.control.y);
        } else if (n.p.x != at.x || n.p.y != at.y) {
            appendLine(shape, n.p.x - at.x, n.p.y - at.y);
        }
        at = n.p;
    }
    return true;
}

}  // namespace quillet::engine
