#include "fonts/outline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "tests/fonts/installed_fonts.h"

namespace quillet::fonts {
namespace {

using test::cubicAt;
using test::distanceToSegment;
using test::quadAt;

using Kind = Segment::Kind;

OutlinePoint on(double x, double y) {
    return {{x, y}, PointKind::on};
}
OutlinePoint conic(double x, double y) {
    return {{x, y}, PointKind::conic};
}
OutlinePoint cubic(double x, double y) {
    return {{x, y}, PointKind::cubic};
}

Segment line(double x, double y) {
    return {Kind::line, {}, {x, y}};
}
Segment quad(double cx, double cy, double x, double y) {
    return {Kind::quad, {cx, cy}, {x, y}};
}

// Dense polyline through the quadratics, starting at p0.
std::vector<Point> polyline(Point p0, const std::vector<Segment>& quads) {
    std::vector<Point> points{p0};
    Point from = p0;
    for (const Segment& s : quads) {
        for (int k = 1; k <= 200; ++k) points.push_back(quadAt(from, s.control, s.end, k / 200.0));
        from = s.end;
    }
    return points;
}

double distanceToPolyline(Point p, const std::vector<Point>& line) {
    double best = std::numeric_limits<double>::infinity();
    for (std::size_t i = 1; i < line.size(); ++i)
        best = std::min(best, distanceToSegment(p, line[i - 1], line[i]));
    return best;
}

// One contour each: the start point and the segments that close it.
TEST(BuildContours, SingleContours) {
    struct Case {
        const char* label;
        std::vector<OutlinePoint> points;
        Point start;
        std::vector<Segment> segments;
    };
    const Case cases[] = {
        {"lines only close back to the start",
         {on(0, 0), on(10, 0), on(10, 5)},
         {0, 0},
         {line(10, 0), line(10, 5), line(0, 0)}},
        {"a last point on the start gets no extra closing line",
         {on(0, 0), on(10, 0), on(10, 5), on(0, 0)},
         {0, 0},
         {line(10, 0), line(10, 5), line(0, 0)}},
        {"consecutive control points imply the midpoint",
         {on(0, 0), conic(2, 4), conic(6, 4), on(8, 0)},
         {0, 0},
         {quad(2, 4, 4, 4), quad(6, 4, 8, 0), line(0, 0)}},
        {"a contour starting on a control point starts at its last point",
         {conic(0, 10), on(10, 10), on(10, 0), on(0, 0)},
         {0, 0},
         {quad(0, 10, 10, 10), line(10, 0), line(0, 0)}},
        // Four control points on a square give a round shape through the side midpoints.
        {"only control points make a closed round shape",
         {conic(0, 0), conic(10, 0), conic(10, 10), conic(0, 10)},
         {0, 5},
         {quad(0, 0, 5, 0), quad(10, 0, 10, 5), quad(10, 10, 5, 10), quad(0, 10, 0, 5)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::vector<int> ends{static_cast<int>(c.points.size()) - 1};
        auto contours = buildContours(c.points, ends, 0.05);
        ASSERT_EQ(contours.size(), 1u);
        EXPECT_EQ(contours[0].start, c.start);
        EXPECT_EQ(contours[0].segments, c.segments);
    }
}

TEST(BuildContours, SeveralContoursAndCubics) {
    std::vector<OutlinePoint> pts{on(0, 0),  on(4, 0),     on(4, 4),  // triangle
                                  on(10, 0), cubic(10, 8), cubic(20, 8), on(20, 0)};
    std::vector<int> ends{2, 6};
    auto contours = buildContours(pts, ends, 0.05);
    ASSERT_EQ(contours.size(), 2u);
    const Contour& c = contours[1];
    EXPECT_EQ(c.start, (Point{10, 0}));
    ASSERT_GE(c.segments.size(), 2u);
    // The cubic's quadratics end exactly on (20, 0), then a line closes the contour.
    EXPECT_EQ(c.segments[c.segments.size() - 2].end, (Point{20, 0}));
    EXPECT_EQ(c.segments.back(), line(10, 0));
    for (std::size_t i = 0; i + 1 < c.segments.size(); ++i)
        EXPECT_EQ(c.segments[i].kind, Kind::quad);
}

TEST(BuildContours, CubicClosingOnTheStartPoint) {
    std::vector<OutlinePoint> pts{on(0, 0), on(10, 0), cubic(10, 10), cubic(0, 10)};
    std::vector<int> ends{3};
    auto contours = buildContours(pts, ends, 0.05);
    ASSERT_EQ(contours.size(), 1u);
    EXPECT_EQ(contours[0].segments.back().end, (Point{0, 0}));
    EXPECT_EQ(contours[0].segments.back().kind, Kind::quad);
}

TEST(BuildContours, MalformedContoursAreDroppedNotRead) {
    std::vector<OutlinePoint> pts{on(0, 0), cubic(1, 1), on(2, 0),  // lone cubic control point
                                  on(5, 5), on(6, 5),    on(6, 6)};
    std::vector<int> ends{2, 5};
    auto contours = buildContours(pts, ends, 0.05);
    ASSERT_EQ(contours.size(), 1u);
    EXPECT_EQ(contours[0].start, (Point{5, 5}));

    // A contour starting on a cubic control point.
    std::vector<OutlinePoint> cubicFirst{cubic(0, 0), on(1, 1), on(2, 0)};
    std::vector<int> one{2};
    EXPECT_TRUE(buildContours(cubicFirst, one, 0.05).empty());

    // Ends past the points, going backwards or negative stop the walk.
    std::vector<int> past{2, 99};
    EXPECT_EQ(buildContours(pts, past, 0.05).size(), 0u);
    std::vector<OutlinePoint> triangles{on(0, 0), on(4, 0), on(4, 4), on(5, 5), on(6, 5), on(6, 6)};
    std::vector<int> backwards{2, 1, 5};
    EXPECT_EQ(buildContours(triangles, backwards, 0.05).size(), 1u);
    std::vector<int> negative{-1};
    EXPECT_TRUE(buildContours(pts, negative, 0.05).empty());
    EXPECT_TRUE(buildContours({}, {}, 0.05).empty());

    // A one-point contour and a contour of one repeated point draw nothing.
    std::vector<OutlinePoint> dots{on(1, 1), on(2, 2), on(2, 2)};
    std::vector<int> dotEnds{0, 2};
    EXPECT_TRUE(buildContours(dots, dotEnds, 0.05).empty());
}

TEST(CubicToQuadratics, StaysWithinToleranceWhenSampled) {
    struct Case {
        Point p0, p1, p2, p3;
    };
    const std::vector<Case> cases{
        {{0, 0}, {0, 55.2}, {44.8, 100}, {100, 100}},       // quarter circle, radius 100
        {{0, 0}, {100, 200}, {-100, 200}, {0, 0}},          // loop back onto itself
        {{0, 0}, {30, 90}, {70, -90}, {100, 0}},            // S-curve with an inflection
        {{3.25, 1.5}, {3.9, 2.1}, {4.4, 2.0}, {5.0, 1.0}},  // glyph-sized
    };
    for (double tolerance : {0.05, 0.01, 0.5}) {
        for (const Case& c : cases) {
            auto quads = cubicToQuadratics(c.p0, c.p1, c.p2, c.p3, tolerance);
            ASSERT_FALSE(quads.empty());
            EXPECT_EQ(quads.back().end, c.p3);
            for (const Segment& s : quads) EXPECT_EQ(s.kind, Kind::quad);
            // Every point of the cubic lies within the tolerance of the quadratic chain, and
            // every point of the chain within the tolerance of the cubic.
            auto chain = polyline(c.p0, quads);
            std::vector<Point> curve;
            for (int k = 0; k <= 2000; ++k)
                curve.push_back(cubicAt(c.p0, c.p1, c.p2, c.p3, k / 2000.0));
            double worst = 0;
            for (int k = 0; k <= 2000; k += 7)
                worst = std::max(worst, distanceToPolyline(curve[k], chain));
            for (std::size_t k = 0; k < chain.size(); k += 13)
                worst = std::max(worst, distanceToPolyline(chain[k], curve));
            EXPECT_LT(worst, tolerance) << "tolerance " << tolerance << " quads " << quads.size();
        }
    }
}

TEST(CubicToQuadratics, TighterToleranceNeedsMorePieces) {
    Point p0{0, 0}, p1{0, 55.2}, p2{44.8, 100}, p3{100, 100};
    auto coarse = cubicToQuadratics(p0, p1, p2, p3, 1.0);
    auto fine = cubicToQuadratics(p0, p1, p2, p3, 0.01);
    EXPECT_LT(coarse.size(), fine.size());
    // An exact quadratic written as a cubic needs one piece, with the quadratic's own control.
    auto exact = cubicToQuadratics({0, 0}, {80.0 / 3, 40}, {160.0 / 3, 40}, {80, 0}, 0.05);
    ASSERT_EQ(exact.size(), 1u);
    EXPECT_NEAR(exact[0].control.x, 40, 1e-9);
    EXPECT_NEAR(exact[0].control.y, 60, 1e-9);
}

TEST(CubicToQuadratics, AbsurdInputStaysBounded) {
    double nan = std::numeric_limits<double>::quiet_NaN();
    auto a = cubicToQuadratics({0, 0}, {nan, 0}, {1, 1}, {2, 2}, 0.05);
    EXPECT_EQ(a.size(), 1u);
    auto b = cubicToQuadratics({0, 0}, {1e300, 0}, {-1e300, 1}, {2, 2}, 0.05);
    EXPECT_LE(b.size(), 1024u);
    auto c = cubicToQuadratics({0, 0}, {1, 5}, {2, 5}, {3, 0}, -1);  // bad tolerance: default
    EXPECT_GE(c.size(), 1u);
}

TEST(GlyphOutline, BoundsCoverPointsAndControls) {
    GlyphOutline g;
    EXPECT_TRUE(g.bounds().empty);
    Contour c;
    c.start = {1, 1};
    c.segments = {quad(3, 7, 5, 1), line(1, 1)};
    g.contours.push_back(c);
    Box b = g.bounds();
    EXPECT_FALSE(b.empty);
    EXPECT_EQ(b.xMin, 1);
    EXPECT_EQ(b.yMin, 1);
    EXPECT_EQ(b.xMax, 5);
    EXPECT_EQ(b.yMax, 7);
}

}  // namespace
}  // namespace quillet::fonts
