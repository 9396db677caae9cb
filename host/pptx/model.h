// The resolved model of a presentation: what the reader builds from the package, with every
// inherited property (theme colours, style references, placeholder geometry and text styles)
// already resolved. The host objects, the inspect command and the later layout and rendering read
// this model and never the XML. Lengths are points, angles degrees, colours RGB with red in the
// low byte plus an alpha (1 opaque).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/codes.h"

namespace quillet::pptx {

class Package;

// A part holding a picture, read from the package when asked for.
struct MediaPart {
    std::string name;
    std::string contentType;
    std::shared_ptr<const Package> package;
    std::vector<unsigned char> data() const;  // empty when unreadable
};

struct Color {
    int rgb = 0;
    float alpha = 1.0f;
    bool operator==(const Color&) const = default;
};

struct GradientStopData {
    float position = 0;  // 0..1
    Color color;
};

enum class FillKind { None, Solid, Gradient, Picture, Pattern };

// Colour effects on a picture (its blip), applied to the pixels in this order: brightness and
// contrast, grey, duotone, black and white, transparency.
struct PictureEffects {
    float brightness = 0, contrast = 0;  // a:lum, fractions -1..1
    bool grayscale = false;
    bool duotone = false;
    Color duotoneDark, duotoneLight;  // black becomes the first colour, white the second
    float biLevel = -1;               // luminance threshold 0..1; negative: none
    float alpha = 1;                  // a:alphaModFix
    bool any() const {
        return brightness != 0 || contrast != 0 || grayscale || duotone || biLevel >= 0 ||
               alpha < 1;
    }
};

struct FillData {
    FillKind kind = FillKind::None;
    Color color;      // solid colour; first stop; pattern foreground
    Color backColor;  // last stop; pattern background
    std::vector<GradientStopData> stops;
    bool linear = true;
    float angle = 0;   // linear gradients
    std::string path;  // path gradients: "circle", "rect", "shape"
    // Path gradients: where the first stop sits, as fractions of the box (the centre of the
    // focus rectangle, which may lie outside the box).
    float focusX = 0.5f, focusY = 0.5f;
    std::string pattern;  // preset pattern name
    int patternCode = 0;
    std::shared_ptr<MediaPart> picture;
    bool tile = false;
    // Tiling: the tile is the picture at its own resolution times the scales, its origin at
    // the alignment corner of the filled box moved by the offsets; flips mirror every other tile.
    struct Tiling {
        float scaleX = 1, scaleY = 1;
        float offsetX = 0, offsetY = 0;  // points
        std::string align = "tl";        // tl, t, tr, l, ctr, r, bl, b, br
        bool flipX = false, flipY = false;
    } tiling;
    float cropLeft = 0, cropTop = 0, cropRight = 0, cropBottom = 0;  // fractions (srcRect)
    PictureEffects effects;                                          // of the picture
    bool fromBackground = false;  // the shape shows the slide background (useBgFill)
};

// An outer shadow cast by a shape: its silhouette in `color`, offset, scaled about the
// alignment point, skewed and blurred. Lengths in points, angles in degrees (direction clockwise
// from the right, y down).
struct ShadowData {
    bool present = false;
    Color color{0, 1.0f};
    float blur = 0;
    float distance = 0;
    float direction = 0;
    float scaleX = 1, scaleY = 1;
    float skewX = 0, skewY = 0;
    std::string align = "b";  // tl, t, tr, l, ctr, r, bl, b, br
    bool rotateWithShape = true;
};

// A soft halo of a colour around what a shape's fill, picture and outline cover, reaching about
// `radius` points out.
struct GlowData {
    bool present = false;
    Color color{0, 1.0f};
    float radius = 0;
};

// A mirror image of what a shape's fill, picture and outline cover: placed as a shadow is (its
// colour unused), faded along `fadeDirection` (degrees) from `startAlpha` at `startPos` to
// `endAlpha` at `endPos` (fractions of its length, from the edge nearest the shape).
struct ReflectionData {
    bool present = false;
    ShadowData place;
    float startAlpha = 1, startPos = 0, endAlpha = 0, endPos = 1;
    float fadeDirection = 90;
};

struct LineEnd {
    int style = host::arrowhead::kNone;
    int length = host::arrowhead::kMediumLength;
    int width = host::arrowhead::kMediumWidth;
};

struct LineData {
    bool visible = false;
    float weight = 0.75f;
    FillData fill;  // solid, gradient or pattern stroke
    int dash = host::dash_style::kSolid;
    int compound = host::line_style::kSingle;
    std::string cap = "flat";
    std::string join = "round";
    LineEnd head;  // at the start of the path
    LineEnd tail;  // at its end
};

// The thickness of an underline style against the face's own line: the heavy styles draw it twice
// as thick.
inline double underlineWeight(const std::string& style) {
    return style == "heavy" || style.ends_with("Heavy") ? 2 : 1;
}
// Whether an underline style draws two lines.
inline bool underlineDoubled(const std::string& style) {
    return style == "dbl" || style == "wavyDbl";
}
// The dashes of an underline style (a host::dash_style): dotted, dashed, long dashes, dash-dot and
// dash-dot-dot, each also heavy.
inline int underlineDash(const std::string& style) {
    using namespace host::dash_style;
    const std::string kind = style.ends_with("Heavy") ? style.substr(0, style.size() - 5) : style;
    return kind == "dotted"       ? kSysDot
           : kind == "dash"       ? kDash
           : kind == "dashLong"   ? kLongDash
           : kind == "dotDash"    ? kDashDot
           : kind == "dotDotDash" ? kDashDotDot
                                  : kSolid;
}
inline bool underlineWavy(const std::string& style) {
    return style.starts_with("wavy");
}
// Whether an underline style leaves the spaces between words out.
inline bool underlineWordsOnly(const std::string& style) {
    return style == "words";
}

struct RunProps {
    float size = 18;
    bool bold = false;
    bool italic = false;
    std::string underline = "none";       // "none", "sng", "dbl", ...
    std::optional<Color> underlineColor;  // the underline's own colour; empty: the text's
    std::optional<Color> highlight;       // the colour behind the characters; empty: none
    std::string strike = "noStrike";
    bool shadow = false;
    float baseline = 0;  // fraction: 0.3 superscript, -0.25 subscript
    std::string caps = "none";
    float spacing = 0;  // points between characters
    // Pair kerning from this size up, in hundredths of a point; 0 never kerns, -1: not given.
    int kern = -1;
    std::string latin;
    std::string eastAsian;
    std::string complexScript;
    std::string symbol;
    FillData fill;  // usually solid
    // The outline drawn around each glyph (the run's a:ln with a solid fill); none when the width
    // is 0.
    Color outlineColor;
    float outlineWidth = 0;   // points
    ShadowData shadowEffect;  // the run's outer shadow, as drawn
    std::string language;
    // A linked run is drawn in the link colour; a bullet that follows the text keeps the fill the
    // run itself states.
    bool linked = false;
    FillData unlinkedFill;
};

enum class RunKind { Text, LineBreak, Field };

struct Run {
    RunKind kind = RunKind::Text;
    std::string text;  // UTF-8; a line break is "\v"
    std::string fieldType;
    RunProps props;
};

struct BulletData {
    int type = host::bullet_type::kNone;
    char32_t character = 0x2022;
    int style = 0;  // numbering style code
    int startAt = 1;
    std::string font;  // resolved face, when the bullet has its own
    bool fontFollowsText = true;
    Color color;
    bool colorFollowsText = true;
    float relativeSize = 1.0f;  // of the text size
    float pointSize = 0;        // an absolute size, when set instead
    std::shared_ptr<MediaPart> picture;
};

struct Spacing {
    bool inLines = true;  // lines (1.0 = one line) or points
    float value = 0;
};

// Which part of the text after a tab stands on the stop.
enum class TabAlignment { left, centre, right, decimal };

// A tab stop: where the text after a tab lines up, in points from the text box's inner left edge.
struct TabStop {
    float position = 0;
    TabAlignment alignment = TabAlignment::left;
    bool operator==(const TabStop&) const = default;
};

struct Paragraph {
    int level = 0;  // 0..8
    int alignment = host::alignment::kLeft;
    float marginLeft = 0;
    float indent = 0;
    Spacing spaceBefore{false, 0};
    Spacing spaceAfter{false, 0};
    Spacing lineSpacing{true, 1.0f};
    bool rightToLeft = false;
    // Tab stops by ascending position; past the last one, tabs go to the next multiple of
    // defaultTab (left-aligned).
    std::vector<TabStop> tabStops;
    float defaultTab = 72;
    BulletData bullet;
    std::vector<Run> runs;
    RunProps endProps;  // properties of the paragraph mark
};

struct TextBody {
    unsigned revision = 0;  // counts edits, for views that cache the flattened text
    float insetLeft = 7.2f, insetTop = 3.6f, insetRight = 7.2f, insetBottom = 3.6f;
    int anchor = host::anchor::kTop;
    bool anchorCenter = false;
    bool wrap = true;
    int autoSize = host::auto_size::kNone;
    float fontScale = 1.0f;
    float lineSpacingReduction = 0;
    int orientation = host::orientation::kHorizontal;
    bool columnsLeftToRight = false;  // vertical text whose columns follow left to right
    float rotation = 0;
    int columns = 1;
    std::vector<Paragraph> paragraphs;
};

struct Animation {
    int effect = host::effect::kNone;
    int advanceMode = host::advance_mode::kOnClick;
    float advanceTime = 0;
    int order = 0;
    int presetId = 0;
    int presetSubtype = 0;
    float duration = 0;  // seconds, of the effect
};

struct Transition {
    int effect = host::effect::kNone;
    int speed = host::speed::kFast;
    float duration = 0;  // seconds; 0 when the file gives only a speed
    bool advanceOnClick = true;
    bool advanceOnTime = false;
    float advanceTime = 0;
    std::string name;  // the element that named the effect, e.g. "wipe", "p14:vortex"
};

struct PathCommand {
    enum Kind { Move, Line, Cubic, Close } kind = Move;
    float x[3] = {0, 0, 0};  // points on the slide
    float y[3] = {0, 0, 0};
};

struct Shape;
using ShapePtr = std::shared_ptr<Shape>;
struct GeometryData;  // guides and paths of a geometry as written (render/geometry.h)

struct ShapeList {
    std::vector<ShapePtr> items;
};

enum class GraphicKind { None, Table, Chart, Diagram, OleObject, Media, Other };

// A table's cell: its text (never null), fill and borders resolved from the cell's own
// properties. A cell that a neighbour's span covers is kept (with mergedAcross or mergedDown) so
// that every row has one cell per column.
struct TableCell {
    std::shared_ptr<TextBody> text;
    FillData fill;
    LineData borderLeft, borderRight, borderTop, borderBottom;
    LineData borderDiagonalDown, borderDiagonalUp;  // top-left to bottom-right, and back
    int columnSpan = 1;
    int rowSpan = 1;
    bool mergedAcross = false;  // covered by the cell on its left
    bool mergedDown = false;    // covered by the cell above
};

struct TableRow {
    float height = 0;  // points
    std::vector<TableCell> cells;
};

// The grid of a table graphic frame, in points from the frame's top-left corner.
struct TableData {
    std::vector<float> columnWidths;
    std::vector<TableRow> rows;
    std::string styleId;  // the table style named by the file (not applied)
    bool firstRow = false, firstColumn = false, lastRow = false, lastColumn = false;
    bool bandRows = false, bandColumns = false;
};

// A chart as its part keeps it: the cached values of each series, with colours resolved (the
// series' own, else the theme's accents in turn), for drawing charts the file keeps no picture
// of. Values that are missing or not numbers are NaN.
enum class ChartType { Bar, Line, Area, Pie, Doughnut, Scatter, Radar, Bubble };

// A point's marker: "none", "circle", "square", "diamond", "triangle", "x", "star", "plus",
// "dash" or "dot".
struct ChartMarker {
    std::string symbol = "none";
    float size = 5;  // points
    FillData fill;
    LineData line;
};

struct ChartSeriesData {
    std::string name;
    std::vector<double> values;
    std::vector<double> xValues;      // scatter and bubble points; empty: 1, 2, 3, ...
    std::vector<double> bubbleSizes;  // bubbles
    FillData fill;                    // bars, areas, slices, bubbles, filled radars
    LineData line;                    // lines; outlines of bars and slices
    ChartMarker marker;
    bool smooth = false;
    // Points with their own fill (c:dPt), by index; pie slices of a varied chart.
    std::vector<std::pair<std::size_t, FillData>> pointFills;
    bool showValues = false;  // data labels with the values
    bool showCategoryNames = false;
    bool showPercent = false;   // pies
    std::string labelPosition;  // dLblPos ("t", "b", "l", "r", "ctr", "outEnd", ...); "": default
    int labelDecimals = -1;     // digits after the point in labels; -1: as many as needed
};

struct ChartPlotData {
    ChartType type = ChartType::Bar;
    bool horizontal = false;             // bars along the category axis (barDir "bar")
    std::string grouping = "clustered";  // "clustered", "stacked", "percentStacked", "standard"
    float gapWidth = 150;                // percent of a bar's width between categories
    float overlap = 0;                   // percent, -100..100
    float firstSliceAngle = 0;           // degrees clockwise from the top
    float holeSize = 50;                 // doughnuts, percent of the radius
    std::string radarStyle = "marker";   // "standard", "marker", "filled"
    float bubbleScale = 100;             // percent of the default bubble size
    bool bubbleSizeIsWidth = false;      // sizeRepresents "w": sizes give diameters, not areas
    bool threeD = false;                 // bars as boxes seen from above and the right
    float depthPercent = 100;            // 3-D: a bar's depth, percent of its width
    std::vector<ChartSeriesData> series;
};

// An axis: its line, major gridlines and the scale the file fixes (automatic otherwise).
struct ChartAxisData {
    bool deleted = false;
    bool shown = true;  // false: its line has no fill
    LineData line;      // invisible: the default grey
    bool gridlines = false;
    LineData gridLine;  // invisible: the default grey
    bool hasMinimum = false, hasMaximum = false, hasMajorUnit = false;
    double minimum = 0, maximum = 0, majorUnit = 0;
    float textSize = 0;       // points, of its labels; 0: the chart's
    std::string font;         // face of its labels; "": the chart's
    bool bold = false;        // its labels (the chart's when it says nothing)
    bool labelsShown = true;  // tickLblPos other than "none"
    // Tick marks: "out", "in", "cross" or "none".
    std::string majorTickMark = "cross", minorTickMark = "none";
    // Degrees clockwise the labels turn when the file fixes it; else they turn only when they
    // do not fit across.
    bool hasLabelRotation = false;
    float labelRotation = 0;
    std::size_t labelSkip = 0;  // every n-th label shows; 0: as many as fit
    std::string title;          // "": none
    float titleSize = 0;        // points; 0: the chart's
};

struct ChartData {
    std::vector<std::string> categories;
    std::vector<ChartPlotData> plots;
    std::string title;  // text of the title, when one shows
    bool hasTitle = false;
    bool hasLegend = false;
    std::string legendPosition = "r";  // "r", "l", "t", "b", "tr"
    float legendTextSize = 0;          // points; 0: the chart's
    std::string legendFont;            // "": the chart's
    bool legendBold = false;           // the chart's when it says nothing
    // The value axis, and the category axis (the x axis of scatter and bubble charts).
    ChartAxisData valueAxis, categoryAxis;
    float titleSize = 0;       // points; 0: from the label size
    float valueLabelSize = 0;  // points, of data labels; 0: the label size
    bool valueLabelBold = false;
    // The legend as fractions of the frame, when the file places it.
    bool legendPlaced = false;
    float legendX = 0, legendY = 0, legendWidth = 0, legendHeight = 0;
    // The plot area as fractions of the frame, when the file places it.
    bool plotPlaced = false;
    float plotX = 0, plotY = 0, plotWidth = 1, plotHeight = 1;
    FillData background;  // of the chart space
    LineData border;
    FillData plotFill;  // of the plot area
    LineData plotBorder;
    Color textColor;             // of labels
    float rotX = 15, rotY = 20;  // 3-D: degrees the chart tilts forward and turns
    float textSize = 10;         // points, of labels and the legend
    std::string font;            // face of labels
};

struct Shape {
    int id = 0;
    std::string name;
    int type = host::shape_type::kAutoShape;
    int kind = host::shape_kind::kMixed;
    std::string preset;  // preset geometry name, "" for custom geometry or none
    std::vector<float> adjustments;
    // The file's avLst values (100000 = 1.0 for ratios) by guide name, for drawing the preset.
    std::vector<std::pair<std::string, double>> geometryAdjust;
    // Custom geometry as written (guides and paths with their fill and stroke flags); null for
    // presets. `path` holds the same outline evaluated on the slide.
    std::shared_ptr<const GeometryData> geometry;
    float left = 0, top = 0, width = 0, height = 0;
    // A text box of its own (a diagram shape's txXfrm), on the slide; the geometry's text
    // rectangle otherwise.
    bool ownTextBox = false;
    float textLeft = 0, textTop = 0, textWidth = 0, textHeight = 0;
    float textRotation = 0;  // the text box's own turn on top of the shape's (degrees clockwise)
    float rotation = 0;
    bool flipH = false, flipV = false;
    bool hidden = false;
    bool connector = false;
    bool lockAspect = false;
    int placeholderType = host::placeholder::kNone;
    std::string placeholderName;  // the file's ph type ("title", "body", ...)
    int placeholderIndex = -1;
    FillData fill;
    LineData line;
    std::shared_ptr<TextBody> text;       // null when the shape cannot hold text
    std::vector<PathCommand> path;        // custom geometry on the slide; empty for presets
    std::shared_ptr<ShapeList> children;  // group members
    // A chart's own drawing over the chart (lines, boxes and texts the author added to it), in
    // their places on the slide.
    std::shared_ptr<ShapeList> chartOverlay;
    // A picture's image; for a graphic frame (chart, OLE object, ...) the picture the file keeps
    // to stand in for it, when it has one.
    std::shared_ptr<MediaPart> picture;
    float cropLeft = 0, cropTop = 0, cropRight = 0, cropBottom = 0;
    PictureEffects pictureEffects;  // of the picture
    ShadowData shadow;              // outer shadow of the fill, outline or picture
    GlowData glow;                  // glow around them
    float softEdge = 0;             // points over which the edges fade out; 0 none
    ReflectionData reflection;      // mirror image of them
    GraphicKind graphic = GraphicKind::None;
    // Tables (type 19): the grid with cell text, fills and borders. A SmartArt frame whose drawing
    // the file keeps is a group (type 6) whose members are that drawing's shapes.
    std::shared_ptr<TableData> table;
    // Charts (type 3): the data read from the chart part, drawn when there is no picture.
    std::shared_ptr<const ChartData> chart;
    std::shared_ptr<Animation> animation;
};

// A record the engine sees as a master: the package's masters and layouts are folded onto the two
// records "SlideMaster" and "TitleMaster" (see masters.cpp for the mapping).
struct MasterRecord {
    std::string name;
    std::shared_ptr<ShapeList> shapes = std::make_shared<ShapeList>();
    FillData background;
    // Decoration that shows the slide number: one record cannot show every slide's number, so
    // these are not in `shapes`; each slide shown over the record carries numbered copies at the
    // back of its own shapes, just above the record's.
    std::vector<ShapePtr> numbered;
};

struct SlideData {
    int id = 0;
    std::string name;
    std::string partName;
    int layoutCode = host::layout::kCustom;
    std::shared_ptr<ShapeList> shapes = std::make_shared<ShapeList>();
    FillData background;  // resolved: slide, else layout, else master
    bool displayMasterShapes = true;
    bool followMasterBackground = true;
    std::shared_ptr<MasterRecord> master;  // the record the slide is shown over
    std::string masterName;                // the master's name as the engine reads it
    bool hasTransition = false;
    Transition transition;
    bool hidden = false;
};

struct PresentationData {
    float slideWidth = 720;
    float slideHeight = 540;
    int slideSizeCode = host::slide_size::kOnScreen;
    std::vector<std::shared_ptr<SlideData>> slides;
    std::shared_ptr<MasterRecord> slideMaster;
    std::shared_ptr<MasterRecord> titleMaster;
    // Everything needed to add a slide later: the decoration and background of the package's
    // layouts by layout code (blank, title, ...), resolved like a slide's.
    struct LayoutTemplate {
        int code = host::layout::kCustom;
        std::string name;
        std::shared_ptr<ShapeList> placeholders = std::make_shared<ShapeList>();
        std::shared_ptr<ShapeList> decoration = std::make_shared<ShapeList>();
        FillData background;
        std::shared_ptr<MasterRecord> master;
        std::string masterName;
        bool showMasterShapes = true;
        bool folded = false;  // slides on it carry the decoration and their own background
    };
    std::vector<LayoutTemplate> layouts;
    std::shared_ptr<const Package> package;  // null for a new presentation
    std::vector<std::string> warnings;       // parts skipped while reading
};

// Deep copy of a shape (its fills, text, members), for copy and paste and for folding master
// decoration onto slides.
ShapePtr cloneShape(const Shape& shape);

// True when the shape's text (or a member's, or a cell's) holds a slide-number field.
bool showsSlideNumber(const Shape& shape);

// A deep copy whose slide-number fields show `number`.
ShapePtr numberedCopy(const Shape& shape, int number);

}  // namespace quillet::pptx
