// Element building on a small in-memory host: the vector outlines against hand-computed records,
// encoded byte for byte by an encoder of the format written here apart from the library; fills,
// lines with arrowheads and bands, freeforms, groups as sprites, placement, and the picture route.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <variant>
#include <vector>

#include "elements_test_host.h"
#include "engine/elements.h"
#include "engine/elements_outlines.h"
#include "engine/records.h"
#include "swf/bitmaps.h"
#include "swf/display_list.h"
#include "swf/movie.h"
#include "swf/shapes.h"
#include "swf/sprites_buttons.h"
#include "test_support.h"

namespace quillet::engine {
namespace {

namespace fs = std::filesystem;
using namespace quillet::elementstest;
using transform::FSCoordTransform;
using transform::FSCurve;
using transform::FSDefineMovieClip;
using transform::FSDefineShape;
using transform::FSDefineShape3;
using transform::FSGradientFill;
using transform::FSInputStream;
using transform::FSLine;
using transform::FSMovie;
using transform::FSMovieObject;
using transform::FSOutputStream;
using transform::FSPlaceObject2;
using transform::FSShape;
using transform::FSShapeStyle;
using transform::FSShowFrame;
using transform::FSSolidFill;
using Bytes = std::vector<std::uint8_t>;

// ---- an encoder of the format's shape records, independent of the library ----

class BitWriter {
  public:
    void bits(long long value, int n) {
        for (int i = n - 1; i >= 0; --i) {
            if (bit_ % 8 == 0) bytes_.push_back(0);
            if ((value >> i) & 1) bytes_.back() |= static_cast<std::uint8_t>(0x80 >> (bit_ % 8));
            ++bit_;
        }
    }
    void align() { bit_ = (bit_ + 7) / 8 * 8; }
    void byte(int v) { align(), bits(v & 0xFF, 8); }
    void u16(int v) { byte(v & 0xFF), byte((v >> 8) & 0xFF); }
    const Bytes& bytes() const { return bytes_; }

  private:
    Bytes bytes_;
    long long bit_ = 0;
};

int signedSize(std::initializer_list<long long> values, int least) {
    int n = least;
    for (long long v : values) {
        while (!(v >= -(1LL << (n - 1)) && v < (1LL << (n - 1)))) ++n;
    }
    return n;
}

struct Style {
    int line, fill0, fill1;
    int x, y;
};
struct Edge {
    int dx, dy;
};
struct Bend {
    int cx, cy, ax, ay;
};
using Record = std::variant<Style, Edge, Bend>;

void writeRecords(BitWriter& w, const std::vector<Record>& records, int fillBits, int lineBits) {
    w.bits(fillBits, 4), w.bits(lineBits, 4);
    for (const Record& r : records) {
        if (auto* s = std::get_if<Style>(&r)) {
            // Not an edge; no new styles; line, fill 1, fill 0 and move present.
            w.bits(0, 1), w.bits(0, 1), w.bits(1, 1), w.bits(1, 1), w.bits(1, 1), w.bits(1, 1);
            const int m = signedSize({s->x, s->y}, 1);
            w.bits(m, 5), w.bits(s->x, m), w.bits(s->y, m);
            w.bits(s->fill0, fillBits), w.bits(s->fill1, fillBits), w.bits(s->line, lineBits);
        } else if (auto* e = std::get_if<Edge>(&r)) {
            const int n = signedSize({e->dx, e->dy}, 2);
            w.bits(1, 1), w.bits(1, 1), w.bits(n - 2, 4);
            if (e->dx != 0 && e->dy != 0) {
                w.bits(1, 1), w.bits(e->dx, n), w.bits(e->dy, n);
            } else if (e->dx == 0) {
                w.bits(0, 1), w.bits(1, 1), w.bits(e->dy, n);
            } else {
                w.bits(0, 1), w.bits(0, 1), w.bits(e->dx, n);
            }
        } else {
            const Bend& b = std::get<Bend>(r);
            const int n = signedSize({b.cx, b.cy, b.ax, b.ay}, 2);
            w.bits(1, 1), w.bits(0, 1), w.bits(n - 2, 4);
            w.bits(b.cx, n), w.bits(b.cy, n), w.bits(b.ax, n), w.bits(b.ay, n);
        }
    }
    w.bits(0, 6);
    w.align();
}

struct Rgb {
    int r, g, b;
};

// A whole DefineShape (type 2) tag: solid fills and solid lines given as colours.
Bytes defineShapeTag(int id, int minX, int minY, int maxX, int maxY, const std::vector<Rgb>& fills,
                     const std::vector<std::pair<int, Rgb>>& lines,
                     const std::vector<Record>& records) {
    BitWriter body;
    body.u16(id);
    const int n = signedSize({minX, maxX, minY, maxY}, 1);
    body.bits(n, 5), body.bits(minX, n), body.bits(maxX, n), body.bits(minY, n), body.bits(maxY, n);
    body.byte(static_cast<int>(fills.size()));
    for (const Rgb& c : fills) body.byte(0x00), body.byte(c.r), body.byte(c.g), body.byte(c.b);
    body.byte(static_cast<int>(lines.size()));
    for (const auto& [width, c] : lines)
        body.u16(width), body.byte(c.r), body.byte(c.g), body.byte(c.b);
    auto indexBits = [](std::size_t count) {
        int bits = 0;
        while ((std::size_t{1} << bits) <= count && count > 0) ++bits;
        return bits;
    };
    body.align();
    writeRecords(body, records, indexBits(fills.size()), indexBits(lines.size()));
    const Bytes& b = body.bytes();
    BitWriter tag;
    if (b.size() < 63) {
        tag.u16((2 << 6) | static_cast<int>(b.size()));
    } else {
        tag.u16((2 << 6) | 63);
        tag.u16(static_cast<int>(b.size() & 0xFFFF)), tag.u16(static_cast<int>(b.size() >> 16));
    }
    Bytes out = tag.bytes();
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

Bytes encodeTag(FSMovieObject& tag) {
    FSOutputStream sizing;
    tag.length(sizing);
    FSOutputStream out(static_cast<std::size_t>(tag.getLength() + tag.headerLength()));
    FSMovie::encodeObject(tag, out);
    return out.takeData();
}

// Record i of an outline, taken as the kind it is known to be.
template <class T>
const T& recordAt(const FSShape& shape, std::size_t i) {
    return static_cast<const T&>(shape.getObjects()[i]);
}

// The six entries of a transform, row by row, against the expected ones.
void expectMatrix(const FSCoordTransform& t, const std::array<float, 6>& expected) {
    for (int row = 0; row < 2; ++row) {
        for (int col = 0; col < 3; ++col) {
            EXPECT_FLOAT_EQ(t.get(row, col), expected[static_cast<std::size_t>(row * 3 + col)])
                << row << ", " << col;
        }
    }
}

std::string hex(const Bytes& bytes) {
    std::string s;
    char buf[4];
    for (auto b : bytes) std::snprintf(buf, sizeof buf, "%02x ", b), s += buf;
    return s;
}

// ---- the job around a slide of the in-memory host ----

class ElementsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        app = std::make_shared<TApplication>((dir / "deck.pptx").string());
        job = std::make_unique<ConversionJob>(sink, settings::SettingsSource(dir / "settings"), 1);
        ASSERT_TRUE(job->context.takeActivePresentation(app));
        job->frameBounds = transform::FSBounds(0, 0, 14400, 10800);
        record.index = 0;
        record.job = job.get();
        record.backgroundColour = rgb(255, 255, 255);
        record.shapes = shapes;
        shapes->session = app->session;
    }
    void TearDown() override { job->context.removeWorkingFiles(); }

    std::shared_ptr<TShape> addShape(int type, int kind, float left, float top, float width,
                                     float height) {
        auto s = std::make_shared<TShape>();
        s->session = app->session;
        s->type_ = type, s->kind_ = kind;
        s->left_ = left, s->top_ = top, s->width_ = width, s->height_ = height;
        shapes->items.push_back(s);
        return s;
    }
    // A fresh job and slide, for tables of cases.
    void reset() {
        TearDown();
        shapes->items.clear();
        record.elements.clear();
        SetUp();
    }
    // Builds the slide's elements; gives how many there are.
    std::size_t build() {
        buildSlideElements(*job, record);
        return record.elements.size();
    }
    const FSMovieObject& object(std::size_t i) { return job->movie.getObjects()[i]; }
    Bytes tagBytes(std::size_t i) { return encodeTag(job->movie.getObjects()[i]); }
    // The job's movie as the library encodes it.
    Bytes encodeMovie() {
        FSMovie movie(job->movie);
        movie.setFrameSize(job->frameBounds);
        return movie.encode();
    }

    enginetest::ScratchDir scratch;
    fs::path dir = scratch.path();
    SilentProgress sink;
    std::shared_ptr<TApplication> app;
    std::unique_ptr<ConversionJob> job;
    SlideRecord record;
    std::shared_ptr<TShapes> shapes = std::make_shared<TShapes>();
};

constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kBlue{0, 0, 255};

// Each outline against the tag written by the encoder above, byte for byte.
TEST_F(ElementsTest, OutlinesAreEncodedByteForByte) {
    auto shape = [&](int type, int kind, float left, float top, float width, float height) {
        reset();
        return addShape(type, kind, left, top, width, height);
    };
    // Built alone: one tag of these bounds, fills, lines and records, placed at (x, y).
    auto expect = [&](const char* name, int minX, int minY, const std::vector<Rgb>& fills,
                      const std::vector<std::pair<int, Rgb>>& lines,
                      const std::vector<Record>& records, float x = 0, float y = 0) {
        SCOPED_TRACE(name);
        ASSERT_EQ(build(), 1u);
        ASSERT_EQ(job->movie.getObjects().size(), 1u);
        EXPECT_EQ(record.elements[0]->characterId, 1);
        EXPECT_EQ(hex(tagBytes(0)),
                  hex(defineShapeTag(1, minX, minY, 14400, 10800, fills, lines, records)));
        const auto& t = record.elements[0]->transform;
        EXPECT_FLOAT_EQ(t.get(0, 2), x);
        EXPECT_FLOAT_EQ(t.get(1, 2), y);
        if (x == 0 && y == 0) {
            EXPECT_TRUE(t.isIdentity());
        }
    };
    using namespace shape_type;
    using namespace shape_kind;
    // The 1-point outline reaches 10 twips beyond the box on each side.
    shape(kAutoShape, kRectangle, 0, 0, 100, 50);
    expect("filled rectangle", -10, -10, {kRed}, {{20, kBlue}},
           {Style{1, 1, 0, 0, 0}, Edge{2000, 0}, Edge{0, 1000}, Edge{-2000, 0}, Edge{0, -1000}});
    shape(kAutoShape, kRectangle, 0, 0, 100, 50)->fill_->visible_ = kFalse;
    expect("unfilled rectangle", -10, -10, {}, {{20, kBlue}},
           {Style{1, 0, 0, 0, 0}, Edge{2000, 0}, Edge{0, 1000}, Edge{-2000, 0}, Edge{0, -1000}});
    // The apex is taken from the adjustment.
    auto s = shape(kAutoShape, kIsoscelesTriangle, 0, 0, 100, 50);
    s->adjustments_ = {0.25f}, s->line_->visible_ = kFalse;
    expect("triangle", 0, 0, {kRed}, {{20, kBlue}},
           {Style{0, 1, 0, 500, 0}, Edge{1500, 1000}, Edge{-2000, 0}, Edge{500, -1000}});
    // Tip (500, 1500) below the box; the base runs from 5/12 to 1/6 of the bottom edge.
    s = shape(kAutoShape, kRectangularCallout, 0, 0, 100, 50);
    s->adjustments_ = {0.25f, 1.5f}, s->line_->visible_ = kFalse;
    expect("callout", 0, 0, {kRed}, {{20, kBlue}},
           {Style{0, 1, 0, 0, 0}, Edge{2000, 0}, Edge{0, 1000}, Edge{-1167, 0}, Edge{-333, 500},
            Edge{-167, -500}, Edge{-333, 0}, Edge{0, -1000}});
    // Side 60 twips, a 60-degree point at (2000, 0); the line stops 54 twips short of it.
    const std::vector<ShapeNode> line = {{0, 0, segment::kLine, false},
                                         {100, 0, segment::kLine, false}};
    s = shape(kLine, shape_kind::kMixed, 0, 0, 100, 0);
    s->nodes_ = line, s->line_->end_ = arrowhead::kTriangle;
    expect("arrowhead", -10, -40, {kBlue}, {{1, kBlue}, {20, kBlue}},
           {Style{1, 1, 0, 2000, 0}, Edge{-52, -30}, Edge{0, 59}, Edge{52, -29},
            Style{2, 0, 0, 0, 0}, Edge{1946, 0}});
    // A wide line is a filled band.
    s = shape(kLine, shape_kind::kMixed, 0, 0, 100, 0);
    s->nodes_ = line, s->line_->weight_ = 4;
    expect("wide line", -40, -80, {kBlue}, {{1, kBlue}, {80, kBlue}},
           {Style{1, 1, 0, 0, -40}, Edge{2000, 0}, Edge{0, 80}, Edge{-2000, 0}, Edge{0, -80}});
    // A quadratic from (110, 10) over (110, 160) to (60, 160) raised to a cubic: one quadratic
    // edge draws it, with the quadratic's own control point; the figure is closed.
    s = shape(kFreeform, shape_kind::kMixed, 10, 10, 100, 100);
    s->nodes_ = {{10, 10, segment::kLine, false},
                 {110, 10, segment::kLine, false},
                 {110, 110, segment::kCurve, false},
                 {93.3333f, 160, segment::kCurve, false},
                 {60, 160, segment::kCurve, false}};
    s->vertexCount_ = 6, s->line_->visible_ = kFalse;
    expect("freeform", -200, -200, {kRed}, {{20, kBlue}},
           {Style{0, 1, 0, 0, 0}, Edge{2000, 0}, Bend{0, 3000, -1000, 0}, Edge{-1000, -3000}}, 200,
           200);
}

// The points an outline reaches, one per record, from the origin.
using Points = std::vector<std::pair<int, int>>;
Points absolutePoints(const FSShape& shape) {
    Points points;
    int x = 0, y = 0;
    for (std::size_t i = 0; i < shape.getObjects().size(); ++i) {
        const auto& o = shape.getObjects()[i];
        if (auto* s = dynamic_cast<const FSShapeStyle*>(&o)) {
            x = s->getMoveX(), y = s->getMoveY();
        } else if (auto* l = dynamic_cast<const FSLine*>(&o)) {
            x += l->getX(), y += l->getY();
        } else if (auto* c = dynamic_cast<const FSCurve*>(&o)) {
            x += c->getControlX() + c->getAnchorX(), y += c->getControlY() + c->getAnchorY();
        }
        points.emplace_back(x, y);
    }
    return points;
}

TEST_F(ElementsTest, ParallelogramAndOctagonScaleTheAdjustmentWithTheWidth) {
    auto pointsOf = [](int kind, float adjustment) {
        FSShape shape;
        EXPECT_TRUE(autoShapeOutline(kind, 100, 50, {adjustment}, 1, 1, shape)) << kind;
        return absolutePoints(shape);
    };
    EXPECT_EQ(pointsOf(2, 0.1f), (Points{{200, 0}, {2000, 0}, {1800, 1000}, {0, 1000}, {200, 0}}));
    // The trapezoid keeps its narrow side on top, inset by a = 500 on each side.
    EXPECT_EQ(pointsOf(3, 0.25f), (Points{{500, 0}, {1500, 0}, {2000, 1000}, {0, 1000}, {500, 0}}));
    // Without an adjustment the host's default (0.29289 for the octagon) applies: a = 586.
    FSShape octagon;
    ASSERT_TRUE(autoShapeOutline(6, 100, 100, {}, 1, 1, octagon));
    EXPECT_EQ(recordAt<FSShapeStyle>(octagon, 0).getMoveX(), 586);
    EXPECT_EQ(recordAt<FSLine>(octagon, 1).getX(), 2000 - 2 * 586);
    EXPECT_EQ(octagon.getObjects().size(), 9u);
}

TEST_F(ElementsTest, CanIsDrawnWithCurvesAndPentagonWithRoundedFractions) {
    FSShape can;
    ASSERT_TRUE(autoShapeOutline(13, 100, 200, {0.4f}, 1, 1, can));
    // a = 800: ellipse ends 800 twips high, halves of 400.
    EXPECT_EQ(recordAt<FSShapeStyle>(can, 0).getMoveY(), 400);
    EXPECT_EQ(recordAt<FSCurve>(can, 1).getControlY(), -400);
    EXPECT_EQ(recordAt<FSCurve>(can, 1).getAnchorX(), 1000);
    EXPECT_EQ(recordAt<FSLine>(can, 5).getY(), 4000 - 800);

    FSShape pentagon;
    ASSERT_TRUE(autoShapeOutline(12, 100, 100, {}, 1, 1, pentagon));
    EXPECT_EQ(recordAt<FSLine>(pentagon, 1).getX(), 1000);
    EXPECT_EQ(recordAt<FSLine>(pentagon, 1).getY(), 760);  // round(0.38 x 2000)
    EXPECT_EQ(recordAt<FSLine>(pentagon, 2).getY(), 1240);
}

TEST_F(ElementsTest, KindsWithoutAVectorFormGiveNoOutline) {
    FSShape shape;
    for (int kind : {5, 9, 15, 33, 107, 179, -2}) {
        EXPECT_FALSE(autoShapeOutline(kind, 100, 50, {}, 1, 1, shape)) << kind;
    }
    EXPECT_TRUE(shape.getObjects().empty());
}

TEST_F(ElementsTest, CalloutTipsBeyondCornersAndInsideTheBox) {
    auto pointsOf = [](float x, float y) {
        FSShape shape;
        EXPECT_TRUE(calloutOutline(105, 1200, 1200, {x, y}, 1, 1, shape)) << x << ", " << y;
        return absolutePoints(shape);
    };
    // Up and to the left, steeper than the box's diagonal: the top edge, base on its left half.
    // The tip rounds as the engine rounds: -240 + 0.5 truncated is -239.
    EXPECT_EQ(
        pointsOf(-0.2f, -0.8f),
        (Points{
            {0, 0}, {200, 0}, {-239, -959}, {500, 0}, {1200, 0}, {1200, 1200}, {0, 1200}, {0, 0}}));
    // Left of the box and only a little above it: the left edge, base on its upper half.
    EXPECT_EQ(
        pointsOf(-0.8f, -0.2f),
        (Points{
            {0, 0}, {1200, 0}, {1200, 1200}, {0, 1200}, {0, 500}, {-959, -239}, {0, 200}, {0, 0}}));
    // Inside the box the pointer is hidden: the box alone.
    FSShape inside;
    ASSERT_TRUE(calloutOutline(105, 1200, 600, {0.5f, 0.5f}, 1, 1, inside));
    EXPECT_EQ(inside.getObjects().size(), 5u);
    // A tip that cannot be placed gives no outline; one the host could not read takes the
    // default tip, below the box.
    FSShape broken;
    EXPECT_FALSE(calloutOutline(105, 1200, 600, {1e30f, 0.5f}, 1, 1, broken));
    EXPECT_TRUE(broken.getObjects().empty());
    // A far tip on a very large box stays within what the records can hold.
    FSShape far;
    ASSERT_TRUE(calloutOutline(105, 20000000, 20000000, {999.0f, 0.5f}, 1, 1, far));
    const auto points = absolutePoints(far);
    EXPECT_NE(std::find(points.begin(), points.end(), std::pair<int, int>{20000000, 10000000}),
              points.end());
    EXPECT_EQ(points.back(), (std::pair<int, int>{0, 0}));
    FSShape unread;
    ASSERT_TRUE(calloutOutline(
        105, 1200, 600,
        {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::quiet_NaN()}, 1, 1,
        unread));
    EXPECT_EQ(unread.getObjects().size(), 8u);
}

TEST_F(ElementsTest, RoundedCalloutHasCurvedCornersAndIsClosed) {
    FSShape rounded;
    ASSERT_TRUE(calloutOutline(106, 1200, 600, {0.25f, 1.5f, 0.1f}, 1, 1, rounded));
    int curves = 0;
    for (std::size_t i = 0; i < rounded.getObjects().size(); ++i) {
        curves += dynamic_cast<const FSCurve*>(&rounded.getObjects()[i]) != nullptr;
    }
    EXPECT_EQ(curves, 4);
    const auto p = absolutePoints(rounded);
    EXPECT_EQ(p.front(), p.back());
    EXPECT_EQ(p.front(), (std::pair<int, int>{60, 0}));  // radius 0.1 x 600
}

TEST_F(ElementsTest, GradientFillStopsAndMatrix) {
    TFill fill;
    fill.type_ = fill_type::kGradient;
    fill.fore_ = rgb(10, 20, 30);
    fill.back_ = rgb(200, 210, 220);
    fill.variant_ = 3;
    fill.style_ = gradient_style::kHorizontal;
    auto style = convertFill(fill, 2000, 1000, -1);
    ASSERT_TRUE(style);
    ASSERT_AS(FSGradientFill, gradient, style.get());
    EXPECT_EQ(gradient->getType(), 0x10);
    const auto& stops = gradient->getGradients();
    ASSERT_EQ(stops.size(), 4u);
    const int ratios[] = {0, 118, 138, 255};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(stops[static_cast<std::size_t>(i)].getRatio(), ratios[i]);
    EXPECT_EQ(stops[0].getColor(), transform::FSColor(10, 20, 30, 255));
    EXPECT_EQ(stops[1].getColor(), transform::FSColor(200, 210, 220, 255));
    EXPECT_EQ(stops[3].getColor(), stops[0].getColor());
    // Style 1 turns the gradient square on its side and stretches it over the shape.
    expectMatrix(gradient->getTransform(),
                 {0.0f, 2000.0f / 32768.0f, 1000.0f, 1000.0f / 32768.0f, 0.0f, 500.0f});

    fill.variant_ = 2;
    fill.style_ = gradient_style::kDiagonalDown;
    auto two = convertFill(fill, 2000, 1000, -1);
    ASSERT_AS(FSGradientFill, g2, two.get());
    ASSERT_EQ(g2->getGradients().size(), 2u);
    EXPECT_EQ(g2->getGradients()[0].getRatio(), 10);
    EXPECT_EQ(g2->getGradients()[0].getColor(), transform::FSColor(200, 210, 220, 255));
    EXPECT_EQ(g2->getGradients()[1].getRatio(), 245);
    EXPECT_FLOAT_EQ(g2->getTransform().get(0, 0), -2000.0f / 32768.0f);
    EXPECT_FLOAT_EQ(g2->getTransform().get(1, 1), 1000.0f / 32768.0f);

    // A style from a corner or the centre has no linear form; nor has an unknown variant.
    fill.style_ = gradient_style::kFromCorner;
    EXPECT_EQ(convertFill(fill, 2000, 1000, -1), nullptr);
    fill.style_ = gradient_style::kVertical;
    fill.variant_ = 0;
    EXPECT_EQ(convertFill(fill, 2000, 1000, -1), nullptr);
}

TEST_F(ElementsTest, SolidAndPictureFills) {
    TFill fill;
    fill.fore_ = rgb(1, 2, 3);
    fill.transparency_ = 0.5f;
    auto solid = convertFill(fill, 100, 100, -1);
    ASSERT_AS(FSSolidFill, s, solid.get());
    EXPECT_EQ(s->getColor(), transform::FSColor(1, 2, 3, 128));

    fill.type_ = fill_type::kPicture;
    EXPECT_EQ(convertFill(fill, 100, 100, -1), nullptr);
    auto bitmap = convertFill(fill, 100, 100, 7);
    ASSERT_AS(transform::FSBitmapFill, b, bitmap.get());
    EXPECT_EQ(b->getType(), 0x41);
    EXPECT_EQ(b->getIdentifier(), 7);
    EXPECT_FLOAT_EQ(b->getTransform().get(0, 0), 20.0f);
    EXPECT_FLOAT_EQ(b->getTransform().get(1, 1), 20.0f);
}

// Picture, texture and pattern fills stay vector: the host's picture of the fill becomes a
// bitmap fill inside the outline, clipped when stretched and repeated when tiled, its pixels
// placed in twips as the host places them in points (mirrored with a flipped path), and one
// bitmap for fills that show the same picture.
TEST_F(ElementsTest, PictureTextureAndPatternFillsAreBitmapFills) {
    struct Case {
        const char* name;
        int fillType, width, height;  // pixels
        double place[6];              // xx, yx, xy, yy, x0, y0 in points
        int repeat, flippedPath;      // a path flipped in x
        int type;                     // of the bitmap fill
        float matrix[6];              // twips, row by row
    };
    using namespace fill_type;
    const Case cases[] = {
        {"stretched", kPicture, 4, 2, {25, 0, 0, 25, 0, 0}, 0, 0, 0x41, {500, 0, 0, 0, 500}},
        {"cropped", kPicture, 4, 2, {50, 0, 0, 25, -10, 0}, 0, 0, 0x41, {1000, 0, -200, 0, 500}},
        {"texture tile", kTextured, 3, 3, {2, 0, 0, 2, 5, 7}, 1, 0, 0x40, {40, 0, 100, 0, 40, 140}},
        {"pattern cell", kPatterned, 8, 8, {.75, 0, 0, .75, 0, 0}, 1, 0, 0x40, {15, 0, 0, 0, 15}},
        {"flipped path", kPicture, 4, 2, {25, 0, 0, 25, 0, 0}, 0, 1, 0x41, {-500, 0, 2000, 0, 500}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reset();
        // A rounded rectangle is drawn from the host's path, which has its flips in it.
        auto s = addShape(shape_type::kAutoShape,
                          c.flippedPath ? shape_kind::kRoundedRectangle : shape_kind::kRectangle, 0,
                          0, 100, 50);
        s->line_->visible_ = kFalse;
        s->fill_->type_ = c.fillType;
        FillPicture& p = s->fill_->picture_;
        p.picture.width = c.width, p.picture.height = c.height;
        p.picture.pixels.assign(static_cast<std::size_t>(c.width * c.height), 0xFF336699u);
        p.xx = c.place[0], p.yx = c.place[1], p.xy = c.place[2], p.yy = c.place[3];
        p.x0 = c.place[4], p.y0 = c.place[5];
        p.repeat = c.repeat;
        if (c.flippedPath) {
            s->flipH_ = kTrue;
            SubPath box;
            box.segments = {{PathSegment::kMove, {0}, {0}},
                            {PathSegment::kLine, {100}, {0}},
                            {PathSegment::kLine, {100}, {50}},
                            {PathSegment::kClose}};
            s->path_.subPaths = {box};
        }
        // A second shape with the same picture shares its bitmap.
        auto twin = std::make_shared<TShape>(*s);
        twin->fill_ = std::make_shared<TFill>(*s->fill_);
        shapes->items.push_back(twin);
        ASSERT_EQ(build(), 2u);
        ASSERT_EQ(job->movie.getObjects().size(), 3u);
        ASSERT_AS(transform::FSDefineImage, bitmap, &object(0)) << object(0).name();
        EXPECT_EQ(bitmap->getWidth(), c.width);
        EXPECT_EQ(bitmap->getHeight(), c.height);
        for (std::size_t i : {1u, 2u}) {
            ASSERT_AS(transform::FSShapeDefinition, shape, &object(i)) << object(i).name();
            ASSERT_EQ(shape->getFillStyles().size(), 1u);
            ASSERT_AS(transform::FSBitmapFill, fill, &shape->getFillStyles()[0]);
            EXPECT_EQ(fill->getType(), c.type);
            EXPECT_EQ(fill->getIdentifier(), bitmap->getIdentifier());
            expectMatrix(fill->getTransform(), std::to_array(c.matrix));
        }
    }
}

// A fill the host draws no picture of keeps the picture route.
TEST_F(ElementsTest, AFillWithoutAPictureTakesThePictureRoute) {
    auto s = addShape(shape_type::kAutoShape, shape_kind::kRectangle, 0, 0, 100, 50);
    s->fill_->type_ = fill_type::kPicture;
    ASSERT_EQ(build(), 1u);
    EXPECT_FALSE(app->session->exported.empty()) << "the shape was not drawn as a picture";
}

TEST_F(ElementsTest, TransparentFillIsWrittenWithAlpha) {
    auto s = addShape(shape_type::kAutoShape, shape_kind::kRectangle, 0, 0, 100, 50);
    s->fill_->transparency_ = 0.25f;
    build();
    ASSERT_EQ(job->movie.getObjects().size(), 1u);
    ASSERT_AS(FSDefineShape3, shape, &object(0)) << object(0).name();
    ASSERT_AS(FSSolidFill, fill, &shape->getFillStyles()[0]);
    EXPECT_EQ(fill->getColor().getAlpha(), 191);
}

// Two thin bands, each a fifth of the width, at the line's sides.
TEST_F(ElementsTest, DoubleLinesAreTwoBands) {
    FSShape twin;
    LineLook look;
    look.weightPoints = 5;
    look.lineStyle = line_style::kThinThin;
    lineOutline({0, 0}, {0, 1000}, look, twin);
    ASSERT_EQ(twin.getObjects().size(), 10u);
    // Across a line going down the normal points to -x: bands at x = 50..30 and -30..-50.
    EXPECT_EQ(recordAt<FSShapeStyle>(twin, 0).getMoveX(), 50);
    EXPECT_EQ(recordAt<FSShapeStyle>(twin, 5).getMoveX(), -30);
    EXPECT_EQ(recordAt<FSLine>(twin, 2).getX(), -20);
}

TEST_F(ElementsTest, DashedLinesAreCutInDashes) {
    FSShape dashed;
    LineLook look;
    look.weightPoints = 1;
    look.dashStyle = dash_style::kDash;
    lineOutline({0, 0}, {1400, 0}, look, dashed);
    // Period 7 weights (140 twips): ten dashes, each 4 weights less the round caps' one weight.
    ASSERT_EQ(dashed.getObjects().size(), 20u);
    EXPECT_EQ(recordAt<FSLine>(dashed, 1).getX(), 60);
    EXPECT_EQ(recordAt<FSShapeStyle>(dashed, 2).getMoveX(), 140);
}

TEST_F(ElementsTest, BentCubicSegmentsStayCloseToTheirCurve) {
    // A quarter circle of radius 200 points as one cubic segment.
    const double k = 0.5522847498 * 200;
    const std::vector<ShapeNode> nodes = {{200, 0, segment::kLine, false},
                                          {200, static_cast<float>(k), segment::kCurve, false},
                                          {static_cast<float>(k), 200, segment::kCurve, false},
                                          {0, 200, segment::kCurve, false}};
    FSShape shape;
    ASSERT_TRUE(freeformOutline(nodes, 4, 0, 0, 1, 0, shape));
    // Walk the quadratic edges densely.
    std::vector<std::pair<double, double>> drawn;
    double x = 4000, y = 0;
    int curves = 0;
    for (std::size_t i = 1; i < shape.getObjects().size(); ++i) {
        ASSERT_AS(FSCurve, c, &shape.getObjects()[i]);
        ++curves;
        const double cx = x + c->getControlX(), cy = y + c->getControlY();
        const double ax = cx + c->getAnchorX(), ay = cy + c->getAnchorY();
        for (int j = 0; j <= 50; ++j) {
            const double t = j / 50.0, u = 1 - t;
            drawn.emplace_back(u * u * x + 2 * u * t * cx + t * t * ax,
                               u * u * y + 2 * u * t * cy + t * t * ay);
        }
        x = ax, y = ay;
    }
    // Bent this far, the segment is cut in eight quadratic pieces.
    EXPECT_EQ(curves, 8);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 4000);
    // Every point of the drawn outline lies within a twip of the circle (the cubic itself strays
    // 0.03 % of the radius from it).
    for (auto [px, py] : drawn) EXPECT_NEAR(std::hypot(px, py), 4000.0, 2.2) << px << ", " << py;
}

TEST_F(ElementsTest, OpenFilledFreeformIsClosedForTheFillOnly) {
    FSShape shape;
    const std::vector<ShapeNode> nodes = {{0, 0, segment::kLine, false},
                                          {10, 0, segment::kLine, false},
                                          {10, 10, segment::kLine, false}};
    ASSERT_TRUE(freeformOutline(nodes, 3, 0, 0, 1, 1, shape));
    ASSERT_EQ(shape.getObjects().size(), 6u);
    EXPECT_EQ(recordAt<FSShapeStyle>(shape, 3).getLineStyle(), 0);  // the closing edge, unstroked
    EXPECT_EQ(recordAt<FSLine>(shape, 4).getX(), -200);
    EXPECT_EQ(recordAt<FSLine>(shape, 4).getY(), -200);
    EXPECT_EQ(recordAt<FSShapeStyle>(shape, 5).getLineStyle(), 1);
}

TEST_F(ElementsTest, GroupBecomesASpriteOfItsMembers) {
    auto group = addShape(shape_type::kGroup, shape_kind::kMixed, 100, 100, 200, 200);
    group->members_ = std::make_shared<TShapes>();
    for (auto [x, y] : {std::pair{110.0f, 120.0f}, {200.0f, 150.0f}}) {
        auto m = std::make_shared<TShape>();
        m->session = app->session;
        m->left_ = x, m->top_ = y, m->width_ = 30, m->height_ = 30;
        m->line_->visible_ = kFalse;
        group->members_->items.push_back(m);
    }
    // Members report where they land with the group's turn: the sprite is not turned again.
    group->rotation_ = 30;
    ASSERT_EQ(build(), 1u);
    const Element& element = *record.elements[0];
    EXPECT_FALSE(element.transform.containsRotation());
    ASSERT_EQ(job->movie.getObjects().size(), 3u);
    ASSERT_AS(FSDefineMovieClip, clip, &object(2));
    EXPECT_EQ(clip->getIdentifier(), 3);
    EXPECT_EQ(element.characterId, 3);
    ASSERT_EQ(element.members.size(), 2u);
    ASSERT_EQ(clip->getObjects().size(), 3u);
    const int expected[2][3] = {{1, 200, 400}, {2, 2000, 1000}};
    for (int i = 0; i < 2; ++i) {
        ASSERT_AS(FSPlaceObject2, place, &clip->getObjects()[i]);
        EXPECT_EQ(place->getPlaceType(), FSPlaceObject2::New);
        EXPECT_EQ(place->getLayer(), i + 1);
        EXPECT_EQ(place->getIdentifier(), expected[i][0]);
        EXPECT_FLOAT_EQ(place->getTransform().get(0, 2), static_cast<float>(expected[i][1]));
        EXPECT_FLOAT_EQ(place->getTransform().get(1, 2), static_cast<float>(expected[i][2]));
        EXPECT_TRUE(place->getColorTransform().isIdentity());
    }
    EXPECT_NE(dynamic_cast<const FSShowFrame*>(&clip->getObjects()[2]), nullptr);
    EXPECT_FLOAT_EQ(element.transform.get(0, 2), 2000.0f);
    EXPECT_FLOAT_EQ(element.transform.get(1, 2), 2000.0f);
    // The sprite survives the library's own encoding and decoding.
    const Bytes bytes = encodeMovie();
    FSMovie back{std::span<const std::uint8_t>(bytes)};
    EXPECT_EQ(back.getObjects().size(), 3u);
}

TEST_F(ElementsTest, RotatedElementTurnsAboutTheCentreOfItsBox) {
    auto s = addShape(shape_type::kAutoShape, shape_kind::kRectangle, 100, 100, 100, 50);
    s->rotation_ = 90;
    ASSERT_EQ(build(), 1u);
    const FSCoordTransform& t = record.elements[0]->transform;
    EXPECT_NEAR(t.get(0, 0), 0.0, 1e-4);
    EXPECT_NEAR(t.get(0, 1), -1.0, 1e-4);
    EXPECT_NEAR(t.get(1, 0), 1.0, 1e-4);
    EXPECT_NEAR(t.get(1, 1), 0.0, 1e-4);
    // The box's top-left corner turns clockwise about the centre (3000, 2500) to (3500, 1500).
    EXPECT_NEAR(t.get(0, 2), 3500.0, 0.5);
    EXPECT_NEAR(t.get(1, 2), 1500.0, 0.5);

    // Below a tenth of a degree nothing turns.
    EXPECT_TRUE(placement(0, 0, 100, 100, 0.05f, 1.0f).isIdentity());
    // A flipped shape mirrors about its centre.
    const FSCoordTransform flipped = placement(0, 0, 2000, 1000, 0.0f, 1.0f, true, false);
    int x = 0, y = 0;
    flipped.transformPoint(x, y);
    EXPECT_EQ(x, 2000);
    EXPECT_EQ(y, 0);
}

TEST_F(ElementsTest, ShapesThatShowNothingGiveNoElement) {
    auto box = addShape(shape_type::kTextBox, shape_kind::kRectangle, 0, 0, 100, 50);
    box->fill_->visible_ = kFalse;
    box->line_->visible_ = kFalse;
    auto hidden = addShape(shape_type::kAutoShape, shape_kind::kRectangle, 0, 0, 100, 50);
    hidden->visible_ = kFalse;
    auto line = addShape(shape_type::kLine, shape_kind::kMixed, 0, 0, 100, 0);
    line->line_->visible_ = kFalse;
    EXPECT_EQ(build(), 0u);
    EXPECT_TRUE(job->movie.getObjects().empty());
    EXPECT_TRUE(app->session->exported.empty());
}

TEST_F(ElementsTest, MasterPlaceholdersAreSkipped) {
    record.index = -2;
    addShape(shape_type::kPlaceholder, shape_kind::kRectangle, 0, 0, 100, 50);
    EXPECT_EQ(build(), 0u);
    EXPECT_TRUE(app->session->exported.empty());
}

TEST_F(ElementsTest, OvalTakesThePictureRoute) {
    auto s = addShape(shape_type::kAutoShape, shape_kind::kOval, 100, 100, 100, 50);
    s->line_->weight_ = 2;
    build();
    ASSERT_EQ(app->session->exported.size(), 1u);
    EXPECT_EQ(fs::path(app->session->exported[0]).filename(), "0_1.png");
    EXPECT_EQ(app->session->presentationsClosed, 1);
    ASSERT_EQ(record.elements.size(), 1u);
    const Element& element = *record.elements[0];
    EXPECT_FLOAT_EQ(element.pictureScale, 1.4222f);
    ASSERT_EQ(job->movie.getObjects().size(), 2u);
    // The loader's bitmap keeps an alpha channel for the keyed background.
    EXPECT_NE(dynamic_cast<const transform::FSDefineImage2*>(&object(0)), nullptr)
        << object(0).name();
    ASSERT_AS(FSDefineShape3, filled, &object(1));
    EXPECT_EQ(element.characterId, 2);
    // The picture's shape starts 2 points (the outline) above and left of the box...
    EXPECT_EQ(element.outlineOffsetX, 40);
    EXPECT_EQ(element.outlineOffsetY, 40);
    // ...and the box drawn at 1.4222 times its size lands on the slide where the shape stands.
    int x = 57, y = 57;  // the box's corner in the picture, in twips of its pixels
    element.transform.transformPoint(x, y);
    EXPECT_NEAR(x, 2000, 1);
    EXPECT_NEAR(y, 2000, 1);
    EXPECT_FALSE(element.transform.containsRotation());
}

// Effects the movie cannot draw as vectors (a blurred shadow; a stroke of more than one colour:
// gradient, pattern, picture) send the shape or line to the picture route, with a margin that
// holds them; a hard shadow keeps it vector.
TEST_F(ElementsTest, RasterEffectsAndManyColouredStrokesTakeThePictureRoute) {
    struct Case {
        const char* name;
        int type;
        ShapeEffects effects;
        int lineFill;  // fill_type; 0: no line
        bool picture;
    } cases[] = {
        {"none", shape_type::kAutoShape, {}, 0, false},
        {"hard shadow", shape_type::kAutoShape, {false, true, 3, 4, 7}, 0, false},
        {"blurred shadow", shape_type::kAutoShape, {true, false, 0, 2, 9}, 0, true},
        {"solid stroke", shape_type::kAutoShape, {}, fill_type::kSolid, false},
        {"gradient stroke", shape_type::kAutoShape, {}, fill_type::kGradient, true},
        {"pattern stroke", shape_type::kAutoShape, {}, fill_type::kPatterned, true},
        {"solid line", shape_type::kLine, {}, fill_type::kSolid, false},
        {"gradient line", shape_type::kLine, {}, fill_type::kGradient, true},
        {"line with a blurred shadow",
         shape_type::kLine,
         {true, false, 0, 2, 9},
         fill_type::kSolid,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reset();
        auto s = addShape(c.type, shape_kind::kRectangle, 100, 100, 100, 50);
        s->line_->visible_ = c.lineFill ? kTrue : kFalse;
        if (c.lineFill) s->line_->fillType_ = c.lineFill;
        s->effects_ = c.effects;
        ASSERT_EQ(build(), 1u);
        EXPECT_EQ(app->session->exported.size(), c.picture ? 1u : 0u);
        EXPECT_EQ(dynamic_cast<const FSDefineShape*>(&object(0)) != nullptr, !c.picture)
            << object(0).name();
        // The picture reaches past the box by the effects' reach, else by at least a point.
        if (c.picture) {
            EXPECT_EQ(record.elements[0]->outlineOffsetX, c.effects.raster ? 180 : 20);
        }
    }
}

// A hard shadow is the shape's outline again in the shadow's colour, under the shape in a sprite,
// moved by the offset on the slide whatever the shape's turn and flips.
TEST_F(ElementsTest, HardShadowIsTheOutlineMovedUnderTheShape) {
    struct Case {
        const char* name;
        float rotation;
        int flipH;
        float dx, dy;  // points, on the slide
        int shadowRgb;
        float shadowAlpha, fillTransparency;
        Rgb colour;
        int fillAlpha, lineAlpha;  // 0: no shadow
    } cases[] = {
        {"down and right, half black", 0, kFalse, 3, 4, 0, 0.5f, 0, {0, 0, 0}, 128, 128},
        {"turned a quarter", 90, kFalse, 0, 3, 0x808080, 1, 0, {128, 128, 128}, 255, 255},
        {"flipped", 0, kTrue, 3, -2, 0x00FF00, 1, 0, {0, 255, 0}, 255, 255},
        {"half-clear fill, red", 30, kFalse, -2, 5, 0x0000FF, 1, 0.5f, {255, 0, 0}, 128, 255},
        {"clear shadow", 0, kFalse, 3, 4, 0, 0, 0, {0, 0, 0}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reset();
        auto s = addShape(shape_type::kAutoShape, shape_kind::kRectangle, 100, 100, 100, 50);
        s->rotation_ = c.rotation;
        s->flipH_ = c.flipH;
        s->fill_->transparency_ = c.fillTransparency;
        s->effects_.hardShadow = true;
        s->effects_.shadowDx = c.dx, s->effects_.shadowDy = c.dy;
        s->effects_.shadowRgb = c.shadowRgb, s->effects_.shadowAlpha = c.shadowAlpha;
        ASSERT_EQ(build(), 1u);
        const Element& element = *record.elements[0];
        if (c.fillAlpha == 0) {
            ASSERT_EQ(job->movie.getObjects().size(), 1u);
            EXPECT_EQ(element.characterId, 1);
            continue;
        }
        // The shadow's shape, the shape's own, and the sprite of both.
        ASSERT_EQ(job->movie.getObjects().size(), 3u);
        ASSERT_AS(transform::FSShapeDefinition, shadow, &object(0)) << object(0).name();
        ASSERT_AS(transform::FSShapeDefinition, own, &object(1)) << object(1).name();
        EXPECT_EQ(shadow->getShape().getObjects().size(), own->getShape().getObjects().size());
        ASSERT_AS(FSSolidFill, fill, &shadow->getFillStyles()[0]);
        EXPECT_EQ(fill->getColor(),
                  transform::FSColor(c.colour.r, c.colour.g, c.colour.b, c.fillAlpha));
        ASSERT_AS(transform::FSSolidLine, line, &shadow->getLineStyles()[0]);
        EXPECT_EQ(line->getColor(),
                  transform::FSColor(c.colour.r, c.colour.g, c.colour.b, c.lineAlpha));
        EXPECT_EQ(line->getWidth(), 20);

        ASSERT_AS(FSDefineMovieClip, clip, &object(2));
        EXPECT_EQ(element.characterId, 3);
        ASSERT_EQ(clip->getObjects().size(), 3u);
        auto* under = dynamic_cast<const FSPlaceObject2*>(&clip->getObjects()[0]);
        auto* over = dynamic_cast<const FSPlaceObject2*>(&clip->getObjects()[1]);
        ASSERT_TRUE(under && over);
        EXPECT_EQ(under->getIdentifier(), 1);
        EXPECT_EQ(over->getIdentifier(), 2);
        EXPECT_LT(under->getLayer(), over->getLayer());
        EXPECT_TRUE(over->getTransform().isIdentity());
        // The sprite's placement carries the shadow's offset back onto the slide.
        const FSCoordTransform& t = element.transform;
        const double x = under->getTransform().get(0, 2), y = under->getTransform().get(1, 2);
        EXPECT_NEAR(t.get(0, 0) * x + t.get(0, 1) * y, c.dx * 20, 1.0);
        EXPECT_NEAR(t.get(1, 0) * x + t.get(1, 1) * y, c.dy * 20, 1.0);
    }
}

TEST_F(ElementsTest, TurnedPictureIsDrawnTurnedAndPlacedUnturned) {
    auto s = addShape(shape_type::kAutoShape, shape_kind::kOval, 100, 100, 100, 50);
    s->rotation_ = 90;
    s->line_->visible_ = kFalse;
    ASSERT_EQ(build(), 1u);
    const Element& element = *record.elements[0];
    EXPECT_FALSE(element.transform.containsRotation());
    // The turned box is 50 x 100 points about the centre (150, 125), with a 1-point margin.
    EXPECT_FLOAT_EQ(element.transform.get(0, 2), 2480.0f);
    EXPECT_FLOAT_EQ(element.transform.get(1, 2), 1480.0f);
}

TEST_F(ElementsTest, PictureFormatFollowsTheSize) {
    addShape(shape_type::kPicture, shape_kind::kMixed, 0, 0, 700, 500);
    addShape(shape_type::kPicture, shape_kind::kMixed, 0, 0, 700, 400);
    build();
    ASSERT_EQ(app->session->exported.size(), 2u);
    EXPECT_EQ(fs::path(app->session->exported[0]).filename(), "0_1.jpg");
    EXPECT_EQ(fs::path(app->session->exported[1]).filename(), "0_2.png");
    EXPECT_EQ(record.elements.size(), 2u);
    EXPECT_FLOAT_EQ(record.elements[0]->pictureScale, 1.0f);
}

TEST_F(ElementsTest, PictureThatCannotBeDrawnIsLeftOut) {
    app->session->exportWorks = false;
    addShape(shape_type::kAutoShape, shape_kind::kOval, 0, 0, 100, 50);
    addShape(shape_type::kAutoShape, shape_kind::kRectangle, 0, 0, 100, 50);
    // The oval is missing; the rectangle after it is built all the same.
    ASSERT_EQ(build(), 1u);
    EXPECT_EQ(record.elements[0]->hostShape, shapes->items[1]);
    EXPECT_EQ(app->session->presentationsClosed, 1);
}

TEST_F(ElementsTest, HostileGeometryNeverOverflowsARecord) {
    // A freeform far larger than any slide: its edges are cut to fit and the movie still encodes.
    auto s = addShape(shape_type::kFreeform, shape_kind::kMixed, 0, 0, 1e9f, 10);
    s->nodes_ = {{0, 0, segment::kLine, false},
                 {1e9f, 0, segment::kLine, false},
                 {std::numeric_limits<float>::infinity(), 5, segment::kLine, false},
                 {2e6f, 3e6f, segment::kCurve, false},
                 {-2e6f, 3e6f, segment::kCurve, false},
                 {0, 0, segment::kCurve, false}};
    s->vertexCount_ = 7;
    auto nan = addShape(shape_type::kAutoShape, shape_kind::kRectangle,
                        std::numeric_limits<float>::quiet_NaN(), 0, 100, 50);
    nan->width_ = std::numeric_limits<float>::quiet_NaN();
    // Too many nodes to be a drawing.
    auto many = addShape(shape_type::kFreeform, shape_kind::kMixed, 0, 0, 10, 10);
    many->nodes_.assign(200001, ShapeNode{1, 1, segment::kLine, false});
    ASSERT_EQ(build(), 2u);
    Bytes bytes;
    ASSERT_NO_THROW(bytes = encodeMovie());
    FSMovie back{std::span<const std::uint8_t>(bytes)};
    ASSERT_AS(FSDefineShape, shape, &back.getObjects()[0]);
    // The first edge, 2e7 twips long (clamped), went in pieces that add up to it.
    long long sum = 0;
    std::size_t i = 1;
    for (; i < shape->getShape().getObjects().size(); ++i) {
        auto* line = dynamic_cast<const FSLine*>(&shape->getShape().getObjects()[i]);
        if (!line || line->getX() <= 0 || line->getY() != 0) break;
        EXPECT_LE(std::abs(line->getX()), 65535);
        sum += line->getX();
    }
    EXPECT_EQ(sum, 20000000);
}

}  // namespace
}  // namespace quillet::engine
