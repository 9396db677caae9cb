// Glyph outlines as the glyph extractor consumes them: closed contours of straight segments and
// quadratic curves, in pixels, y up, with the origin on the baseline at the pen position.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quillet::fonts {

struct Point {
    double x = 0;
    double y = 0;
    bool operator==(const Point&) const = default;
};

struct Segment {
    enum class Kind : std::uint8_t { line, quad };
    Kind kind = Kind::line;
    Point control;  // quad only
    Point end;
    bool operator==(const Segment&) const = default;
};

// A closed contour: the last segment ends exactly at the start point.
struct Contour {
    Point start;
    std::vector<Segment> segments;
};

struct Box {
    double xMin = 0;
    double yMin = 0;
    double xMax = 0;
    double yMax = 0;
    bool empty = true;
};

struct GlyphOutline {
    std::vector<Contour> contours;
    // The character's width: its advance in pixels.
    double advance = 0;
    // The character's height: the cell height (ascent + descent) of the font, in pixels.
    double height = 0;
    // Family of the face that drew the character.
    std::string family;
    // Drawn by a face other than the font's own (East Asian face or per-character fallback).
    bool fallback = false;
    // No installed face has the character: the outline is the font's missing-glyph box.
    bool missing = false;

    // Bounds of the points (control points included, so it encloses the curves).
    Box bounds() const;
};

// A point of a font outline: on the curve, a quadratic control point or a cubic control point.
enum class PointKind : std::uint8_t { on, conic, cubic };

struct OutlinePoint {
    Point p;
    PointKind kind = PointKind::on;
};

// Builds closed contours from a font outline: `contourEnds` holds the index of each contour's last
// point, in increasing order. Consecutive quadratic control points imply the on-curve point
// between them; a contour may start on a control point. Cubic curves become quadratics within
// `tolerance`. A contour that breaks the rules (a lone cubic control point, an end out of order) is
// dropped, never read out of bounds.
std::vector<Contour> buildContours(std::span<const OutlinePoint> points,
                                   std::span<const int> contourEnds, double tolerance);

// Quadratic curves that follow the cubic p0 p1 p2 p3 within `tolerance` (the largest distance
// between points of equal parameter), ending exactly at p3.
std::vector<Segment> cubicToQuadratics(Point p0, Point p1, Point p2, Point p3, double tolerance);

}  // namespace quillet::fonts
