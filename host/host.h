// The presentation host as the engine sees it: application, presentations, slides, masters,
// shapes, fills, lines, text ranges, fonts, transitions and animation settings.
//
// Rules that hold for every operation:
// - Objects are shared references (std::shared_ptr). A missing object is null; a number that
//   cannot be read is 0 and a text that cannot be read is empty. No operation throws.
// - Lengths and positions are in points (1/72 inch), measured from the slide's top-left corner.
// - Colours are RGB with red in the low byte (see host/codes.h); truth values are -1 (true),
//   0 (false) and -2 (mixed).
// - Collections are indexed from 1, as the host does.
// - Texts and paths are UTF-8. Positions inside a text count Unicode characters (code points);
//   a paragraph ends with U+000D and a line break inside a paragraph is U+000B.
// The codes themselves live in host/codes.h.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/codes.h"

namespace quillet::host {

class Font;
class Fill;
class LineFormat;
class Shape;
class Shapes;
class Slide;
class Slides;
class Master;
class Presentation;

// A font as a text range or a bullet reports it.
class Font {
  public:
    virtual ~Font() = default;
    virtual int bold() const = 0;
    virtual int italic() const = 0;
    virtual int underline() const = 0;
    // Single or double strike-through.
    virtual int strikeThrough() const = 0;
    // A double strike-through: two lines a thickness apart about the single line's place.
    virtual bool strikeDoubled() const { return false; }
    // Drawn in capitals (all capitals or small capitals): the text keeps its own letters.
    virtual int allCaps() const = 0;
    virtual int shadow() const = 0;
    virtual int colorRgb() const = 0;
    // Point size; 0 when the range mixes sizes is not used: a mixed range reports its first run.
    virtual float size() const = 0;
    // Latin face name with theme fonts resolved; empty when none is set anywhere.
    virtual std::string name() const = 0;
    virtual std::string nameFarEast() const = 0;
    virtual std::string nameComplexScript() const = 0;
    // Baseline shift as a fraction of the size: positive for superscript, negative for subscript.
    virtual float baselineOffset() const = 0;
    // The glyphs' outline (the run's own line): its width in points as drawn (0: none) and its
    // colour (RGB).
    virtual float outlineWidth() const { return 0; }
    virtual int outlineColorRgb() const { return 0; }
    // Whether the glyphs are filled; hollow text shows its outline alone.
    virtual int filled() const { return kTrue; }
    // The run's shadow as its glyphs are drawn: each glyph filled in the shadow's colour (RGB)
    // and opacity (0..1), moved by (dx, dy) points; not drawn when it is not moved. Empty when
    // the host does not say.
    struct TextShadow {
        bool drawn = false;
        float dx = 0, dy = 0;
        int rgb = 0;
        float alpha = 1;
    };
    virtual std::optional<TextShadow> textShadow() const { return std::nullopt; }
    // The underline's own colour (RGB; empty: the text's) and its thickness against the face's
    // own line.
    virtual std::optional<int> underlineColorRgb() const { return std::nullopt; }
    virtual float underlineWeight() const { return 1; }
    // A double underline: a second line under the first, a thickness apart.
    virtual bool underlineDoubled() const { return false; }
    // How the underline runs: dashed (a dash_style), as a wave, and whether it leaves spaces out.
    virtual int underlineDash() const { return dash_style::kSolid; }
    virtual bool underlineWavy() const { return false; }
    virtual bool underlineWordsOnly() const { return false; }
    // The colour (RGB) behind the characters, over the line's cell at single spacing: from a size
    // above the baseline to a fifth of it below. Empty: none.
    virtual std::optional<int> highlightRgb() const { return std::nullopt; }
};

class BulletFormat {
  public:
    virtual ~BulletFormat() = default;
    virtual int visible() const = 0;
    virtual int type() const = 0;   // bullet_type
    virtual int style() const = 0;  // numbering_style, for numbered bullets; 0 otherwise
    virtual char32_t character() const = 0;
    virtual int startValue() const = 0;
    // The bullet's own font: its face, the bullet colour and its size in points.
    virtual std::shared_ptr<Font> font() const = 0;
    virtual int useTextFont() const = 0;
    virtual int useTextColor() const = 0;
    // Bullet size relative to the text size (1.0 = the same).
    virtual float relativeSize() const = 0;
};

class ParagraphFormat {
  public:
    virtual ~ParagraphFormat() = default;
    virtual int alignment() const = 0;
    virtual std::shared_ptr<BulletFormat> bullet() const = 0;
    // Spacing: in lines when the matching lineRule is -1, else in points.
    virtual float spaceBefore() const = 0;
    virtual float spaceAfter() const = 0;
    virtual float spaceWithin() const = 0;
    virtual int lineRuleBefore() const = 0;
    virtual int lineRuleAfter() const = 0;
    virtual int lineRuleWithin() const = 0;
    // Text start relative to the frame's left inset, and the first line's offset from it.
    virtual float leftIndent() const = 0;
    virtual float firstLineIndent() const = 0;
};

// Where the host laid out a paragraph's bullet or number: each label character with the left of
// its box, on the paragraph's first baseline, in the coordinates of the text range bounds (before
// the shape's turn, as those are).
struct BulletGlyph {
    char32_t code = 0;
    float x = 0;
};

struct BulletPlacement {
    // Empty when the paragraph shows no label (none, or a picture the host does not draw).
    std::vector<BulletGlyph> glyphs;
    float baseline = 0;
    // The label's face, weight and colour, and its size in points as drawn.
    std::shared_ptr<Font> font;
};

// A span of a text frame's text. Sub-ranges index from 1 relative to this range; asking for a
// paragraph past the last one returns the last paragraph again, as the host does.
class TextRange {
  public:
    virtual ~TextRange() = default;
    virtual std::string text() const = 0;
    virtual int start() const = 0;  // 1-based position in the frame's text
    virtual int length() const = 0;
    virtual int paragraphCount() const = 0;
    virtual std::shared_ptr<TextRange> paragraphs(int start, int length = 1) const = 0;
    virtual std::shared_ptr<TextRange> characters(int start, int length = 1) const = 0;
    // Runs: spans of equal character formatting; line breaks and fields are runs of their own.
    virtual int runCount() const = 0;
    virtual std::shared_ptr<TextRange> runs(int start, int length = 1) const = 0;
    // Formatting of the range's first character; truth values turn -2 when the range mixes them.
    virtual std::shared_ptr<Font> font() const = 0;
    virtual std::shared_ptr<ParagraphFormat> paragraphFormat() const = 0;
    virtual int indentLevel() const = 0;  // 1 to 9, of the first paragraph
    // Layout bounds in points of the range's laid-out text (the .pptx host's layout is in
    // host/pptx/layout.h).
    virtual float boundLeft() const = 0;
    virtual float boundTop() const = 0;
    virtual float boundWidth() const = 0;
    virtual float boundHeight() const = 0;
    // The bullet or number of the range's first paragraph as laid out; none from a host that
    // leaves placing labels to the engine.
    virtual std::optional<BulletPlacement> laidBullet() const { return std::nullopt; }
    // Removes the range's text (the frame keeps one empty paragraph at least).
    virtual void deleteText() = 0;
};

class TextFrame {
  public:
    virtual ~TextFrame() = default;
    virtual int hasText() const = 0;
    virtual std::shared_ptr<TextRange> textRange() const = 0;
    virtual float marginLeft() const = 0;
    virtual float marginTop() const = 0;
    virtual float marginRight() const = 0;
    virtual float marginBottom() const = 0;
    virtual int verticalAnchor() const = 0;  // anchor
    virtual int wordWrap() const = 0;
    virtual int autoSize() const = 0;  // auto_size
    // Shrink-on-overflow settings stored with the text: font scale and line spacing reduction,
    // fractions (1.0 and 0.0 when the text is not shrunk).
    virtual float fontScale() const = 0;
    virtual float lineSpacingReduction() const = 0;
    virtual int orientation() const = 0;
    // The text's own turn within its shape, degrees clockwise about the shape's centre, on top of
    // the shape's rotation and of the orientation's turn.
    virtual float rotation() const { return 0; }
};

struct GradientStop {
    float position = 0;  // 0..1 along the gradient
    int rgb = 0;
    float transparency = 0;  // 0 opaque .. 1 clear
};

// A picture drawn in memory: width × height pixels, rows top to bottom, each 0xAARRGGBB with its
// colour already multiplied by its alpha. Empty when nothing could be drawn.
struct PixelPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    bool empty() const { return pixels.empty(); }
};

// The effects the host draws around a shape beyond its fill and outline.
struct ShapeEffects {
    // Effects that need pixels (a blurred, scaled or skewed shadow): the movie shows the shape
    // as the host's picture to keep them.
    bool raster = false;
    // A shadow that is the shape's silhouette moved by (shadowDx, shadowDy) points on the slide
    // (turned with the shape when the shadow turns with it), unblurred.
    bool hardShadow = false;
    float shadowDx = 0, shadowDy = 0;
    // How far the effects can reach past the shape's turned box, in points.
    float reach = 0;
    // The shadow's colour (RGB, red in the low byte) and opacity (0..1).
    int shadowRgb = 0;
    float shadowAlpha = 0;
};

// A picture, texture or pattern fill as the host paints a box with it: a picture drawn in memory
// and where its pixels land in the box (points from the box's top-left corner, before the
// shape's flips and turn): x' = xx x + xy y + x0, y' = yx x + yy y + y0.
struct FillPicture {
    PixelPicture picture;
    double xx = 1, yx = 0, xy = 0, yy = 1, x0 = 0, y0 = 0;
    // Repeated over the whole box; otherwise stretched, its edge pixels going on past its edges.
    bool repeat = false;
    bool empty() const { return picture.empty(); }
};

// A picture part of the presentation (a shape's picture or a picture or texture fill).
class Picture {
  public:
    virtual ~Picture() = default;
    virtual std::string name() const = 0;         // part name inside the package
    virtual std::string contentType() const = 0;  // e.g. "image/png"
    // The picture file's bytes; empty when the part cannot be read (too large, broken).
    virtual std::vector<unsigned char> data() const = 0;
};

class Fill {
  public:
    virtual ~Fill() = default;
    virtual int visible() const = 0;
    // fill_type. A fill that is off reports type 1 (solid) with visible 0.
    virtual int type() const = 0;
    virtual int foreColorRgb() const = 0;
    virtual int backColorRgb() const = 0;
    virtual float transparency() const = 0;
    // gradient_style and variant 1..4 where a two-colour form fits the gradient; 0 otherwise.
    virtual int gradientStyle() const = 0;
    virtual int gradientVariant() const = 0;
    // The full gradient: stops and, for a linear gradient, the angle in degrees (clockwise from
    // left-to-right); path gradients report angle 0 and gradientPath() "circle", "rect" or "shape".
    virtual std::vector<GradientStop> gradientStops() const = 0;
    virtual float gradientAngle() const = 0;
    virtual std::string gradientPath() const = 0;
    // Where a path gradient's first stop sits, as fractions of the box (the centre by default).
    virtual std::pair<float, float> gradientFocus() const { return {0.5f, 0.5f}; }
    virtual int pattern() const = 0;  // 1..54 for patterned fills
    // Picture and texture fills: the picture, and whether it is tiled rather than stretched.
    virtual std::shared_ptr<Picture> picture() const = 0;
    virtual int tiled() const = 0;
    virtual void setForeColorRgb(int rgb) = 0;
    virtual void setVisible(int visible) = 0;
    // The fill's picture for a width × height point box: a finer picture is drawn at
    // pixelsPerPoint (a repeated tile only when finer than twice that). Empty for fills drawn
    // without a picture (solid, gradient, none) and from a host that cannot draw in memory.
    virtual FillPicture drawFillPicture(double /*width*/, double /*height*/,
                                        double /*pixelsPerPoint*/) const {
        return {};
    }
};

// Where a path gradient stands in a width × height box: its focus (the first stop) in the box's
// coordinates, held within ten boxes of it, and the radii at which its last stop is reached: a
// circle through the corner farthest from the focus, or for the other paths an ellipse of the
// box's proportions.
struct PathGradientPlace {
    double x = 0, y = 0;
    double radiusX = 0, radiusY = 0;
};
inline PathGradientPlace pathGradientPlace(const std::string& path, std::pair<float, float> focus,
                                           double width, double height) {
    const auto held = [](float f) {
        return std::isfinite(f) ? std::clamp(static_cast<double>(f), -10.0, 10.0) : 0.5;
    };
    const double fx = held(focus.first), fy = held(focus.second);
    const double farX = std::max(fx, 1 - fx) * width, farY = std::max(fy, 1 - fy) * height;
    PathGradientPlace place{fx * width, fy * height, 0, 0};
    if (path == "circle") {
        place.radiusX = place.radiusY = std::hypot(farX, farY);
    } else {
        place.radiusX = farX * std::numbers::sqrt2;
        place.radiusY = farY * std::numbers::sqrt2;
    }
    return place;
}

class LineFormat {
  public:
    virtual ~LineFormat() = default;
    virtual int visible() const = 0;
    virtual float weight() const = 0;  // points
    virtual int foreColorRgb() const = 0;
    virtual float transparency() const = 0;
    // fill_type of the stroke: solid, or a gradient, pattern or picture that no one colour shows.
    virtual int fillType() const { return fill_type::kSolid; }
    virtual int dashStyle() const = 0;  // dash_style
    virtual int style() const = 0;      // line_style
    virtual int beginArrowheadStyle() const = 0;
    virtual int beginArrowheadLength() const = 0;
    virtual int beginArrowheadWidth() const = 0;
    virtual int endArrowheadStyle() const = 0;
    virtual int endArrowheadLength() const = 0;
    virtual int endArrowheadWidth() const = 0;
    virtual void setForeColorRgb(int rgb) = 0;
    virtual void setVisible(int visible) = 0;
};

// Cropping of a picture shape, as fractions of the picture cut off each side.
struct PictureCrop {
    float left = 0;
    float top = 0;
    float right = 0;
    float bottom = 0;
};

// One node of a freeform's outline. Points are in points on the slide. A curved segment is three
// nodes: two control points and the end point.
struct ShapeNode {
    float x = 0;
    float y = 0;
    int segmentType = segment::kLine;
    // True on the first node of every figure after the first: the outline moves there without a
    // stroke.
    bool startsFigure = false;
};

// A shape's outline as the host draws it: sub-paths drawn one over the other in order, each with
// its own fill (path_fill) and stroke. Points are in points on the slide with the shape's flips
// applied; its rotation stays with the shape, as for nodes().
struct PathSegment {
    enum Kind { kMove, kLine, kQuad, kCubic, kClose };
    Kind kind = kMove;
    // Move and line: the point in [0]. Quad: control [0], end [1]. Cubic: controls [0] and [1],
    // end [2]. Close: none (back to the figure's start).
    float x[3] = {0, 0, 0};
    float y[3] = {0, 0, 0};
};

struct SubPath {
    int fill = path_fill::kNormal;
    bool stroke = true;
    std::vector<PathSegment> segments;
};

struct ShapePath {
    std::vector<SubPath> subPaths;
};

class AnimationSettings {
  public:
    virtual ~AnimationSettings() = default;
    virtual int animate() const = 0;
    virtual int entryEffect() const = 0;     // effect
    virtual int advanceMode() const = 0;     // advance_mode
    virtual float advanceTime() const = 0;   // seconds, for advance mode 2
    virtual int animationOrder() const = 0;  // 1-based position in the slide's build order
};

class SlideTransition {
  public:
    virtual ~SlideTransition() = default;
    virtual int entryEffect() const = 0;  // effect; 0 when the slide has none
    virtual int speed() const = 0;        // speed
    virtual float duration() const = 0;   // seconds
    virtual int advanceOnClick() const = 0;
    virtual int advanceOnTime() const = 0;
    virtual float advanceTime() const = 0;  // seconds
    virtual int hidden() const = 0;
};

class Shape {
  public:
    virtual ~Shape() = default;
    virtual int id() const = 0;
    virtual std::string name() const = 0;
    virtual int type() const = 0;           // shape_type
    virtual int autoShapeType() const = 0;  // shape_kind; -2 when the shape has none
    // The kind's adjustment values in the host's units (fractions of the width for offsets
    // along x, of the height along y, unless the kind says otherwise).
    virtual std::vector<float> adjustments() const = 0;
    // The unrotated box on the slide; the shape turns about its centre by rotation() and mirrors
    // by its flips. A group's member reports where it lands: the enclosing groups' scales,
    // flips and turns applied to its centre, its turn and flips combined with theirs.
    virtual float left() const = 0;
    virtual float top() const = 0;
    virtual float width() const = 0;
    virtual float height() const = 0;
    virtual float rotation() const = 0;  // degrees clockwise, 0 <= r < 360
    virtual int horizontalFlip() const = 0;
    virtual int verticalFlip() const = 0;
    virtual int visible() const = 0;
    virtual int zOrderPosition() const = 0;  // 1-based, back to front
    virtual int connector() const = 0;
    virtual std::shared_ptr<LineFormat> line() const = 0;
    virtual std::shared_ptr<Fill> fill() const = 0;
    virtual int hasTextFrame() const = 0;
    virtual std::shared_ptr<TextFrame> textFrame() const = 0;
    // Entrance animation; null when the shape has none.
    virtual std::shared_ptr<AnimationSettings> animationSettings() const = 0;
    // Members of a group (type 6); a table's cells and borders and a chart's recorded drawing as
    // members on the slide; null for every other shape.
    virtual std::shared_ptr<Shapes> groupItems() const = 0;
    virtual std::vector<ShapeNode> nodes() const = 0;
    // Nodes plus one when the outline is closed.
    virtual int vertexCount() const = 0;
    // The outline of the shape's geometry (preset or custom), for every shape drawn by its
    // geometry; empty for groups, tables, charts and pictures, and from a host that draws no
    // outlines itself.
    virtual ShapePath path() const { return {}; }
    // Shadows and other effects the host draws with the shape; none from a host that draws none.
    virtual ShapeEffects effects() const { return {}; }
    virtual int placeholderType() const = 0;  // placeholder; 0 for other shapes
    virtual std::shared_ptr<Picture> picture() const = 0;
    virtual PictureCrop pictureCrop() const = 0;

    virtual void setLeft(float value) = 0;
    virtual void setTop(float value) = 0;
    virtual void setWidth(float value) = 0;
    virtual void setHeight(float value) = 0;
    virtual void setLockAspectRatio(int value) = 0;
    virtual void deleteShape() = 0;
    // Copies the shape to the application's clipboard (Shapes::paste puts it back).
    virtual void copy() = 0;
    // Draws the shape alone (a group with its members), turned and flipped as it stands, on a
    // clear width × height picture whose top-left corner is the slide point (left, top), at
    // pixelsPerPoint; its own text left out when withText is false. Empty when this host cannot
    // draw in memory or the size is out of range.
    virtual PixelPicture drawPicture(double /*left*/, double /*top*/, double /*pixelsPerPoint*/,
                                     int /*width*/, int /*height*/, bool /*withText*/) const {
        return {};
    }
    // The same of a group's own effects alone (effects() says which), without its members: what
    // goes under the members when they are built one by one. Empty for other shapes.
    virtual PixelPicture drawEffects(double /*left*/, double /*top*/, double /*pixelsPerPoint*/,
                                     int /*width*/, int /*height*/) const {
        return {};
    }
};

class Shapes {
  public:
    virtual ~Shapes() = default;
    virtual int count() const = 0;
    virtual std::shared_ptr<Shape> item(int index) const = 0;
    // Adds a copy of the clipboard's shape on top; null when the clipboard is empty.
    virtual std::shared_ptr<Shape> paste() = 0;
};

class Master {
  public:
    virtual ~Master() = default;
    virtual std::string name() const = 0;
    virtual float width() const = 0;
    virtual float height() const = 0;
    virtual std::shared_ptr<Shapes> shapes() const = 0;
    // The fill of the background.
    virtual std::shared_ptr<Fill> background() const = 0;
    // The background alone, without any shape, on an opaque width × height picture at
    // pixelsPerPoint from the page's top-left corner. Empty when this host cannot draw in memory
    // or the size is out of range.
    virtual PixelPicture drawBackground(double /*pixelsPerPoint*/, int /*width*/,
                                        int /*height*/) const {
        return {};
    }
};

class Slide {
  public:
    virtual ~Slide() = default;
    virtual int slideIndex() const = 0;  // 1-based
    virtual int slideId() const = 0;
    virtual std::string name() const = 0;
    virtual int layout() const = 0;  // layout code
    virtual std::shared_ptr<Shapes> shapes() const = 0;
    virtual std::shared_ptr<SlideTransition> transition() const = 0;
    virtual std::shared_ptr<Master> master() const = 0;
    virtual std::shared_ptr<Fill> background() const = 0;
    virtual int displayMasterShapes() const = 0;
    virtual void setDisplayMasterShapes(int value) = 0;
    virtual int followMasterBackground() const = 0;
    virtual void setFollowMasterBackground(int value) = 0;
    // Renders the slide to a picture file ("jpg", ".jpg", "png" filters) of the given pixel size.
    // Returns false when the picture could not be written.
    virtual bool exportPicture(const std::string& path, const std::string& filter, int width,
                               int height) = 0;
    // The background the slide shows (its own or the master's it follows), without any shape,
    // as Master::drawBackground draws it.
    virtual PixelPicture drawBackground(double /*pixelsPerPoint*/, int /*width*/,
                                        int /*height*/) const {
        return {};
    }
};

class Slides {
  public:
    virtual ~Slides() = default;
    virtual int count() const = 0;
    virtual std::shared_ptr<Slide> item(int index) const = 0;
    // Inserts a slide at a 1-based index (count + 1 appends) with a layout code; null on failure.
    virtual std::shared_ptr<Slide> add(int index, int layoutCode) = 0;
};

class PageSetup {
  public:
    virtual ~PageSetup() = default;
    virtual int slideSize() const = 0;
    virtual void setSlideSize(int code) = 0;
    virtual float slideWidth() const = 0;
    virtual float slideHeight() const = 0;
    virtual void setSlideWidth(float points) = 0;
    virtual void setSlideHeight(float points) = 0;
};

class Presentation {
  public:
    virtual ~Presentation() = default;
    virtual int saved() const = 0;
    // Writes the presentation to its file; false when it has none or writing fails. (The .pptx
    // host keeps edits for the file in the application and leaves the package on disk as read;
    // see host/pptx/objects.cpp.)
    virtual bool save() = 0;
    virtual std::string fullName() const = 0;
    virtual std::string name() const = 0;
    virtual std::shared_ptr<Master> slideMaster() const = 0;
    virtual std::shared_ptr<Master> titleMaster() const = 0;
    virtual std::shared_ptr<Slides> slides() const = 0;
    virtual std::shared_ptr<PageSetup> pageSetup() const = 0;
    // Writes a copy to path; the presentation keeps its own name and saved state. Opening the
    // copy through the same application shows the presentation as it was when copied.
    virtual bool saveCopyAs(const std::string& path, int formatCode, int embedFonts) = 0;
    virtual void close() = 0;
};

class Presentations {
  public:
    virtual ~Presentations() = default;
    virtual int count() const = 0;
    virtual std::shared_ptr<Presentation> item(int index) const = 0;
    // Opens a presentation file; null on failure, with the reason in lastError().
    virtual std::shared_ptr<Presentation> open(const std::string& path, int readOnly, int untitled,
                                               int withWindow) = 0;
    // A new empty presentation (one master, no slides).
    virtual std::shared_ptr<Presentation> add(int withWindow) = 0;
    virtual std::string lastError() const = 0;
};

class Application {
  public:
    virtual ~Application() = default;
    virtual std::shared_ptr<Presentation> activePresentation() const = 0;
    virtual std::shared_ptr<Presentations> presentations() const = 0;
};

}  // namespace quillet::host
