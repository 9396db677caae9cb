// The vector forms of elements, free of any job or movie: autoshape outlines by kind, the box with
// a pointer, fills converted from the host, lines with arrowheads and wide-line bands, freeform
// outlines from the host's nodes, and the placement of an element on its slide. Every length is
// in twips unless a name says points.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/host.h"
#include "swf/basic_types.h"
#include "swf/shapes.h"

namespace quillet::engine {

struct Point {
    int x = 0;
    int y = 0;
};

// Points to twips with the engine's rounding; values that are not finite or lie far beyond any
// slide are clamped so that no outline overflows (a slide side is at most a few thousand points).
int toTwips(double points);

// An RGB with red in the low byte as a movie colour.
transform::FSColor colourFromRgb(int rgb, int alpha = 255);
// The host's transparency (0 opaque .. 1 clear) as an alpha (255 opaque .. 0 clear).
int alphaFromTransparency(float transparency);

// Appends an edge, cut in equal pieces when it is longer than one edge record can hold.
void appendLine(transform::FSShape& shape, int dx, int dy);
// Appends a quadratic edge (control relative to the current point, anchor relative to the
// control), halved until each piece fits an edge record.
void appendCurve(transform::FSShape& shape, int controlX, int controlY, int anchorX, int anchorY);

// Kinds whose outline is drawn as vector records; an unfilled shape of another kind is drawn by
// the host as a picture.
bool isVectorKind(int kind);

// Kinds whose outline above is the host's own geometry, drawn from it rather than from the host's
// path.
bool keepsTableOutline(int kind);

// The outline of an autoshape of the given kind and size (points): one style record that selects
// lineStyle and fillStyle and moves to the start, then relative edges. The first adjustment scales
// with the width; a kind without its adjustment uses the host's default. False for a kind without a
// vector form.
bool autoShapeOutline(int kind, float widthPoints, float heightPoints,
                      const std::vector<float>& adjustments, int lineStyle, int fillStyle,
                      transform::FSShape& shape);

// Kinds 105 (box with a pointer) and 106 (the same with rounded corners, the third adjustment
// giving the corner radius as a fraction of the shorter side). The tip lies at (W x adj1,
// H x adj2) from the box's top-left corner. False when the tip cannot be placed.
bool calloutOutline(int kind, int width, int height, const std::vector<float>& adjustments,
                    int lineStyle, int fillStyle, transform::FSShape& shape);

// A host fill as a movie fill style, for a shape of width x height twips; bitmapId (0 or more)
// paints patterned, textured, background and picture fills. Null when the fill has no movie form.
std::unique_ptr<transform::FSFillStyle> convertFill(const host::Fill& fill, int width, int height,
                                                    int bitmapId);

// A gradient's stops as the movie's colour stops in order: each at its place (0..255) with its
// colour and alpha; more stops than the movie's version holds are resampled to as many as it
// holds, evenly from the first to the last.
std::vector<transform::FSGradient> gradientStops(std::vector<host::GradientStop> stops);

// The transform that lays the format's gradient square over a box of width x height twips:
// linear along angleDegrees (clockwise from left to right) across the whole box, or radial from
// the focus (fractions of the box) to the farthest corner (a circle for path "circle", the box's
// proportions otherwise).
transform::FSCoordTransform gradientPlacement(bool linear, float angleDegrees,
                                              const std::string& path, int width, int height,
                                              std::pair<float, float> focus = {0.5f, 0.5f});

// Adds a filled arrowhead at tip for a line coming from `from`, drawn with the thin line style and
// the solid fill, and pulls tip back along the line so that the line ends inside the arrowhead.
// weight in points.
void addArrowhead(transform::FSShape& shape, Point from, Point& tip, float weightPoints,
                  int thinLineStyle, int fillStyle,
                  int arrowheadStyle = host::arrowhead::kTriangle);

// A straight line of a given look between two points (twips, relative to the shape's corner).
struct LineLook {
    float weightPoints = 0.75f;
    int lineStyle = host::line_style::kSingle;
    int dashStyle = host::dash_style::kSolid;
    int beginArrowhead = host::arrowhead::kNone;
    int endArrowhead = host::arrowhead::kNone;
};

// The records of the generic line drawing: arrowheads, then the line as one stroke of the wide
// line style (below 3 points) or as filled bands along it. Style indexes: 1 thin line, 2 wide line,
// fill 1 solid in the line's colour.
void lineOutline(Point from, Point to, const LineLook& look, transform::FSShape& shape);

// How far (twips) the quadratic edges that stand for a cubic segment may stray from it before
// their points are rounded to whole twips: with the rounding, at most one twip, a tenth of a pixel
// on a full-screen 1920-pixel-wide show of a 960-point slide.
inline constexpr double kCurveTolerance = 0.25;

// A cubic segment (absolute twips) as quadratic edges within kCurveTolerance of it.
void appendCubic(transform::FSShape& shape, Point from, Point c1, Point c2, Point end);

// The outline of a freeform from the host's nodes (points on the slide), relative to the corner
// (left, top) in points. False when there are no nodes or too many to be a drawing.
bool freeformOutline(const std::vector<host::ShapeNode>& nodes, int vertexCount, float leftPoints,
                     float topPoints, int lineStyle, int fillStyle, transform::FSShape& shape);

// An arrowhead as the host describes it (host::arrowhead codes).
struct ArrowheadLook {
    int style = host::arrowhead::kNone;
    int length = host::arrowhead::kMediumLength;
    int width = host::arrowhead::kMediumWidth;
};

// What a shape's path is drawn with: its fill (null: none) and its line (null: none) with the
// line's width in twips, dash style and arrowheads (drawn in the line's colour).
struct PathLook {
    const transform::FSFillStyle* fill = nullptr;
    const transform::FSLineStyle* line = nullptr;
    int lineWidth = 0;
    transform::FSColor lineColour;
    int dashStyle = host::dash_style::kSolid;
    ArrowheadLook begin, end;
};

// An end of an open path in twips: the end point and a point before it that gives its direction.
struct PathEnd {
    bool valid = false;
    double x = 0, y = 0, fromX = 0, fromY = 0;
};

// The lengths of a dash style's dashes and gaps (twips) for a line lineWidth twips wide drawn
// with round caps; empty for a solid line.
std::vector<double> dashPattern(int dashStyle, int lineWidth);

// The edges of a stroke cut in dashes: drawn stretches stay edges, gaps become moves; the pattern
// starts again at every move. The stroke itself when the pattern would give more dashes than any
// slide shows.
transform::FSShape dashOutline(const transform::FSShape& stroke,
                               const std::vector<double>& pattern);

// An arrowhead of the host's kinds and sizes at a path's end, sized by the line's width as the
// host's renderer draws it: filled with fillStyle, or for the open kind stroked with strokeStyle.
void pathArrowhead(transform::FSShape& shape, const PathEnd& end, const ArrowheadLook& look,
                   int lineWidth, int strokeStyle, int fillStyle);

// The host's outline of a shape (points on the slide) as records relative to the corner (left,
// top) in points, with the style lists they select. A single sub-path is one layer; several are
// drawn as the host draws them: each filled one in a layer of its own over the ones before (its
// fill shaded darker or lighter as the sub-path asks), then every stroked one in a last layer
// over all fills. Figures inside a sub-path make holes by the even-odd rule. False when nothing
// would be drawn or the path is larger than any drawing.
bool pathOutline(const host::ShapePath& path, float leftPoints, float topPoints,
                 const PathLook& look, transform::FSArray<transform::FSFillStyle>& fills,
                 transform::FSArray<transform::FSLineStyle>& lines, transform::FSShape& shape);

// A fill with a sub-path's shade (path_fill) laid over it: black or white at 40 % (20 % for the
// lesser forms), alpha included; bitmaps are copied unshaded.
std::unique_ptr<transform::FSFillStyle> shadedFill(const transform::FSFillStyle& fill, int mode);

// The smallest box holding every point an outline passes through (control points included),
// widened by half of lineWidth on each side; false for an outline without edges.
bool outlineExtent(const transform::FSShape& shape, int lineWidth, transform::FSBounds& bounds);

// Where an element stands: translated to (tx, ty) twips, scaled by 1 / pictureScale, and turned
// by rotation degrees clockwise (and flipped when asked) about the centre of its box of
// width x height twips.
transform::FSCoordTransform placement(int tx, int ty, int width, int height, float rotation,
                                      float pictureScale, bool flipX = false, bool flipY = false);

}  // namespace quillet::engine
