// The preset geometries added for the shapes the renderer used to draw as their bounding box:
// each outline's paths (fill mode, stroke, sub-paths), closed fills, staying inside the box, a few
// points the formulas fix, and the presets made by turning another one over.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "host/pptx/render/geometry.h"

namespace quillet::pptx::render {
namespace {

struct Point {
    double x, y;
};

// End points of every segment, and three points along each curve.
std::vector<Point> pointsOf(const Outline& o) {
    std::vector<Point> out;
    Point at{0, 0};
    for (const OutlineSegment& s : o.segments) {
        if (s.kind == OutlineSegment::Close) continue;
        if (s.kind == OutlineSegment::Cubic) {
            for (double t : {0.25, 0.5, 0.75}) {
                double u = 1 - t;
                out.push_back({u * u * u * at.x + 3 * u * u * t * s.x[0] + 3 * u * t * t * s.x[1] +
                                   t * t * t * s.x[2],
                               u * u * u * at.y + 3 * u * u * t * s.y[0] + 3 * u * t * t * s.y[1] +
                                   t * t * t * s.y[2]});
            }
        }
        int i = s.kind == OutlineSegment::Cubic ? 2 : 0;
        at = {s.x[i], s.y[i]};
        out.push_back(at);
    }
    return out;
}

// One letter per path: fill (- none, n norm, l lighten, L lightenLess, d darken, D darkenLess),
// then + when stroked or . when not, then the number of sub-paths; paths separated by spaces.
std::string shapeOf(const std::vector<Outline>& outlines) {
    std::string out;
    for (const Outline& o : outlines) {
        if (!out.empty()) out += ' ';
        out += "-nlLdD"[static_cast<int>(o.fill)];
        out += o.stroke ? '+' : '.';
        out +=
            std::to_string(std::count_if(o.segments.begin(), o.segments.end(), [](const auto& s) {
                return s.kind == OutlineSegment::Move;
            }));
    }
    return out;
}

TEST(PresetShapes, PathsClosedFillsAndBox) {
    const std::pair<const char*, const char*> kShapes[] = {
        {"accentBorderCallout1", "n+1 -+2"},
        {"accentBorderCallout2", "n+1 -+2"},
        {"accentBorderCallout3", "n+1 -+2"},
        {"accentCallout1", "n.1 -+2"},
        {"accentCallout2", "n.1 -+2"},
        {"accentCallout3", "n.1 -+2"},
        {"actionButtonBackPrevious", "n.2 d.1 -+1 -+1"},
        {"actionButtonBeginning", "n.3 d.2 -+2 -+1"},
        {"actionButtonDocument", "n.2 D.1 d.1 -+2 -+1"},
        {"actionButtonEnd", "n.3 d.2 -+2 -+1"},
        {"actionButtonForwardNext", "n.2 d.1 -+1 -+1"},
        {"actionButtonHelp", "n.3 d.2 -+2 -+1"},
        {"actionButtonHome", "n.2 D.2 d.2 -+4 -+1"},
        {"actionButtonInformation", "n.2 d.3 l.2 -+3 -+1"},
        {"actionButtonMovie", "n.2 d.1 -+1 -+1"},
        {"actionButtonReturn", "n.2 d.1 -+1 -+1"},
        {"actionButtonSound", "n.2 d.1 -+4 -+1"},
        {"bentArrow", "n+1"},
        {"bentConnector5", "-+1"},
        {"blockArc", "n+1"},
        {"borderCallout1", "n+1 -+1"},
        {"borderCallout2", "n+1 -+1"},
        {"borderCallout3", "n+1 -+1"},
        {"bracePair", "n.1 -+2"},
        {"bracketPair", "n.1 -+2"},
        {"callout1", "n.1 -+1"},
        {"callout2", "n.1 -+1"},
        {"callout3", "n.1 -+1"},
        {"chartPlus", "n.1 -+2"},
        {"chartStar", "n.1 -+3"},
        {"chartX", "n.1 -+2"},
        {"circularArrow", "n+1"},
        {"cloudCallout", "n+1 n+1 n+1 n+1"},
        {"cornerTabs", "n+4"},
        {"curvedConnector4", "-+1"},
        {"curvedConnector5", "-+1"},
        {"curvedDownArrow", "n.1 D.1 -+1"},
        {"curvedLeftArrow", "n.1 D.1 -+1"},
        {"curvedRightArrow", "n.1 D.1 -+1"},
        {"curvedUpArrow", "n.1 D.1 -+1"},
        {"decagon", "n+1"},
        {"dodecagon", "n+1"},
        {"doubleWave", "n+1"},
        {"downArrowCallout", "n+1"},
        {"ellipseRibbon", "n.1 D.2 -+5"},
        {"ellipseRibbon2", "n.1 D.2 -+5"},
        {"flowChartDisplay", "n+1"},
        {"flowChartInternalStorage", "n.1 -+2 -+1"},
        {"flowChartMagneticDisk", "n.1 -+1 -+1"},
        {"flowChartMagneticDrum", "n.1 -+1 -+1"},
        {"flowChartMagneticTape", "n+1"},
        {"flowChartMultidocument", "n.3 -+3"},
        {"flowChartOfflineStorage", "n.1 -+1 -+1"},
        {"flowChartOnlineStorage", "n+1"},
        {"flowChartOr", "n.1 -+2 -+1"},
        {"flowChartPunchedTape", "n+1"},
        {"flowChartSort", "n.1 -+1 -+1"},
        {"flowChartSummingJunction", "n.1 -+2 -+1"},
        {"funnel", "n+2"},
        {"gear6", "n+1"},
        {"gear9", "n+1"},
        {"heptagon", "n+1"},
        {"horizontalScroll", "n.2 D.2 -+5"},
        {"irregularSeal1", "n+1"},
        {"irregularSeal2", "n+1"},
        {"leftArrowCallout", "n+1"},
        {"leftCircularArrow", "n+1"},
        {"leftRightArrowCallout", "n+1"},
        {"leftRightCircularArrow", "n+1"},
        {"leftRightRibbon", "n.1 D.1 -+3"},
        {"leftRightUpArrow", "n+1"},
        {"leftUpArrow", "n+1"},
        {"lineInv", "-+1"},
        {"mathDivide", "n+3"},
        {"mathEqual", "n+2"},
        {"mathMinus", "n+1"},
        {"mathMultiply", "n+1"},
        {"mathNotEqual", "n+1"},
        {"mathPlus", "n+1"},
        {"moon", "n+1"},
        {"noSmoking", "n+3"},
        {"nonIsoscelesTrapezoid", "n+1"},
        {"pieWedge", "n+1"},
        {"plaqueTabs", "n+4"},
        {"quadArrow", "n+1"},
        {"quadArrowCallout", "n+1"},
        {"ribbon", "n.1 D.2 -+5"},
        {"ribbon2", "n.1 D.2 -+5"},
        {"rightArrowCallout", "n+1"},
        {"snip2DiagRect", "n+1"},
        {"snipRoundRect", "n+1"},
        {"squareTabs", "n+4"},
        {"swooshArrow", "n+1"},
        {"upArrowCallout", "n+1"},
        {"upDownArrowCallout", "n+1"},
        {"uturnArrow", "n+1"},
        {"verticalScroll", "n.2 D.2 -+5"},
    };
    const GeometryData* rect = presetGeometry("rect");
    for (const auto& [name, paths] : kShapes) {
        const GeometryData* g = presetGeometry(name);
        ASSERT_NE(g, nullptr) << name;
        EXPECT_NE(g, rect) << name;
        std::string n = name;
        // Callout leaders and the cloud's bubbles point outside the box by design; the
        // not-equal sign's slash is as thick as its bars, which grow with the height, so in a
        // tall box its ends stand out at the sides.
        bool leaves = n.find("allout") != std::string::npos && n.find("Arrow") == std::string::npos;
        bool wide = n == "mathNotEqual";
        for (auto [w, h] : {std::pair{200.0, 100.0}, std::pair{90.0, 160.0}}) {
            std::vector<Outline> o = evaluateGeometry(*g, w, h);
            EXPECT_EQ(shapeOf(o), paths) << name << " " << w << "x" << h;
            for (const Outline& p : o) {
                // A filled sub-path ends closed.
                for (std::size_t i = 0; i < p.segments.size() && p.fill != PathFill::None; ++i) {
                    bool last = i + 1 == p.segments.size() ||
                                p.segments[i + 1].kind == OutlineSegment::Move;
                    if (last) {
                        EXPECT_EQ(p.segments[i].kind, OutlineSegment::Close) << name << " " << i;
                    }
                }
                if (leaves && (p.fill == PathFill::None || n == "cloudCallout")) continue;
                for (Point q : pointsOf(p)) {
                    double side = wide ? w / 10 : 0.01;
                    EXPECT_TRUE(q.x > -side && q.x < w + side && q.y > -0.01 && q.y < h + 0.01)
                        << name << " " << w << "x" << h << " at " << q.x << ", " << q.y;
                }
            }
        }
    }
}

// Distance from the centre (cx, cy) in units of the ellipse's radii: 1 on the ellipse.
double onEllipse(Point p, double cx, double cy, double rx, double ry) {
    return std::hypot((p.x - cx) / rx, (p.y - cy) / ry);
}

TEST(PresetShapes, PointsTheFormulasFix) {
    // The block arc: the outer edge on the box's ellipse, the inner one adj3 of the shorter side
    // within it; every point is on one of the two.
    for (double adj3 : {25000.0, 10000.0}) {
        std::vector<Outline> o =
            evaluateGeometry(*presetGeometry("blockArc"), 200, 100, {{"adj3", adj3}});
        double dr = 100 * adj3 / 100000;
        int inner = 0, outer = 0;
        for (Point p : pointsOf(o.at(0))) {
            bool onOuter = std::fabs(onEllipse(p, 100, 50, 100, 50) - 1) < 1e-3;
            bool onInner = std::fabs(onEllipse(p, 100, 50, 100 - dr, 50 - dr) - 1) < 1e-3;
            EXPECT_TRUE(onOuter || onInner) << adj3 << ": " << p.x << ", " << p.y;
            outer += onOuter;
            inner += onInner;
            EXPECT_LE(p.y, 50 + 1e-6) << "the default arc is the upper half";
        }
        EXPECT_GT(inner, 4);
        EXPECT_GT(outer, 4);
    }
    // The moon: at mid-height the crescent is adj of the shorter side thick, and its tips are
    // the right-hand corners.
    for (double adj : {50000.0, 25000.0}) {
        std::vector<Outline> o =
            evaluateGeometry(*presetGeometry("moon"), 100, 100, {{"adj", adj}});
        // Segments: the move, the outer half ellipse in two quarters, then the inner arc.
        const std::vector<OutlineSegment>& s = o.at(0).segments;
        ASSERT_GT(s.size(), 4u);
        double inner = 100;
        for (std::size_t k = 3; k < s.size() && s[k].kind == OutlineSegment::Cubic; ++k) {
            double x0 = s[k - 1].x[2];
            for (double t = 0; t <= 1; t += 0.01) {
                double u = 1 - t;
                inner = std::min(inner, u * u * u * x0 + 3 * u * u * t * s[k].x[0] +
                                            3 * u * t * t * s[k].x[1] + t * t * t * s[k].x[2]);
            }
        }
        for (Point p : pointsOf(o[0])) EXPECT_GE(p.x, -1e-6);
        EXPECT_NEAR(inner, adj / 1000, 0.1) << adj;
        EXPECT_NEAR(o[0].segments[0].x[0], 100, 1e-6);
        EXPECT_NEAR(o[0].segments[0].y[0], 100, 1e-6);
    }
    // The circular arrow: its tail starts on the left of the band's outer edge and its tip lies
    // on the band's middle at 0°.
    std::vector<Outline> arrow = evaluateGeometry(*presetGeometry("circularArrow"), 200, 100);
    double thh = 100 * 0.125, th = 100 * 0.125;
    EXPECT_NEAR(arrow[0].segments[0].x[0], 100 - (100 + th / 2 - thh), 1e-6);
    EXPECT_NEAR(arrow[0].segments[0].y[0], 50, 1e-6);
    auto tipAt = [](const Outline& o, double x, double y) {
        return std::any_of(o.segments.begin(), o.segments.end(), [&](const OutlineSegment& s) {
            return s.kind == OutlineSegment::Line && std::hypot(s.x[0] - x, s.y[0] - y) < 1e-6;
        });
    };
    EXPECT_TRUE(tipAt(arrow[0], 200 - thh, 50));
    // With a head at both ends, the other tip mirrors it on the left.
    std::vector<Outline> both =
        evaluateGeometry(*presetGeometry("leftRightCircularArrow"), 200, 100);
    EXPECT_TRUE(tipAt(both.at(0), 200 - thh, 50));
    EXPECT_TRUE(tipAt(both[0], thh, 50));
    // The no-symbol: a ring with two half-disc holes either side of the bar.
    std::vector<Outline> no = evaluateGeometry(*presetGeometry("noSmoking"), 100, 100);
    double dr = 18.75;
    for (Point p : pointsOf(no.at(0))) {
        double d = onEllipse(p, 50, 50, 50, 50);
        bool onInner = std::fabs(onEllipse(p, 50, 50, 50 - dr, 50 - dr) - 1) < 1e-3;
        // Points off both circles are the bar's ends, inside the ring.
        EXPECT_TRUE(std::fabs(d - 1) < 1e-3 || onInner) << p.x << ", " << p.y;
    }
}

// Presets made by turning another one over match it point for point.
TEST(PresetShapes, TurnedPresetsMatchTheirOriginal) {
    enum Turn { MirrorX, MirrorY, Transpose };
    const std::tuple<const char*, const char*, Turn> kTurned[] = {
        {"curvedLeftArrow", "curvedRightArrow", MirrorX},
        {"curvedDownArrow", "curvedRightArrow", Transpose},
        {"curvedUpArrow", "curvedLeftArrow", Transpose},
        {"ribbon2", "ribbon", MirrorY},
        {"ellipseRibbon2", "ellipseRibbon", MirrorY},
        {"horizontalScroll", "verticalScroll", Transpose},
        {"leftArrowCallout", "rightArrowCallout", MirrorX},
        {"downArrowCallout", "rightArrowCallout", Transpose},
        {"upArrowCallout", "leftArrowCallout", Transpose},
        {"upDownArrowCallout", "leftRightArrowCallout", Transpose},
    };
    const double w = 200, h = 120;
    for (const auto& [name, from, turn] : kTurned) {
        // An adjust value off its default shows that the turned copy reads it the same way.
        const std::vector<std::pair<std::string, double>> adjust = {{"adj1", 20000}};
        std::vector<Outline> got = evaluateGeometry(*presetGeometry(name), w, h, adjust);
        std::vector<Outline> base = turn == Transpose
                                        ? evaluateGeometry(*presetGeometry(from), h, w, adjust)
                                        : evaluateGeometry(*presetGeometry(from), w, h, adjust);
        ASSERT_EQ(shapeOf(got), shapeOf(base)) << name;
        for (std::size_t i = 0; i < got.size(); ++i) {
            std::vector<Point> a = pointsOf(got[i]), b = pointsOf(base[i]);
            ASSERT_EQ(a.size(), b.size()) << name;
            for (std::size_t k = 0; k < a.size(); ++k) {
                Point want = turn == MirrorX   ? Point{w - b[k].x, b[k].y}
                             : turn == MirrorY ? Point{b[k].x, h - b[k].y}
                                               : Point{b[k].y, b[k].x};
                EXPECT_NEAR(a[k].x, want.x, 1e-6) << name << " " << i << "/" << k;
                EXPECT_NEAR(a[k].y, want.y, 1e-6) << name << " " << i << "/" << k;
            }
        }
    }
}

}  // namespace
}  // namespace quillet::pptx::render
