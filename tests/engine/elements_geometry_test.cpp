// Shapes drawn from the host's own outlines: the records of every kind of preset against the
// path the host's renderer draws, holes, shaded sub-paths, the quadratic edges that stand for
// cubic segments, and gradients with all their stops.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <numbers>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "engine/elements.h"
#include "engine/elements_outlines.h"
#include "engine/records.h"
#include "host/pptx/pptx_host.h"
#include "swf/display_list.h"
#include "swf/movie.h"
#include "swf/shapes.h"
#include "test_support.h"
#include "tests/host/test_deck.h"

namespace quillet::engine {
namespace {

namespace fs = std::filesystem;
using transform::FSCurve;
using transform::FSGradientFill;
using transform::FSLine;
using transform::FSShape;
using transform::FSShapeDefinition;
using transform::FSShapeObject;
using transform::FSShapeStyle;
using transform::FSSolidFill;

struct P {
    double x, y;
};
using Polyline = std::vector<P>;

double segmentDistance(P p, P a, P b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len = dx * dx + dy * dy;
    double t = len > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy);
}

// The farthest any point of `from` lies from the lines of `to` (whose pieces are boxed, so that
// only the pieces near a point are measured).
double farthest(const std::vector<Polyline>& from, const std::vector<Polyline>& to) {
    struct Piece {
        const Polyline* line;
        std::size_t first, last;
        double minX, minY, maxX, maxY;
    };
    std::vector<Piece> pieces;
    for (const Polyline& line : to) {
        for (std::size_t i = 0; i < line.size(); i += 32) {
            Piece piece{&line, i, std::min(line.size() - 1, i + 32), 1e300, 1e300, -1e300, -1e300};
            for (std::size_t k = piece.first; k <= piece.last; ++k) {
                piece.minX = std::min(piece.minX, line[k].x),
                piece.maxX = std::max(piece.maxX, line[k].x);
                piece.minY = std::min(piece.minY, line[k].y),
                piece.maxY = std::max(piece.maxY, line[k].y);
            }
            pieces.push_back(piece);
        }
    }
    double worst = 0;
    for (const Polyline& line : from) {
        for (const P& p : line) {
            double best = 1e300;
            for (const Piece& piece : pieces) {
                const double gx = std::max({piece.minX - p.x, 0.0, p.x - piece.maxX});
                const double gy = std::max({piece.minY - p.y, 0.0, p.y - piece.maxY});
                if (std::hypot(gx, gy) >= best) continue;
                const Polyline& l = *piece.line;
                if (piece.first == piece.last)
                    best = std::min(best, std::hypot(p.x - l[0].x, p.y - l[0].y));
                for (std::size_t k = piece.first + 1; k <= piece.last; ++k) {
                    best = std::min(best, segmentDistance(p, l[k - 1], l[k]));
                }
            }
            worst = std::max(worst, best);
        }
    }
    return worst;
}

constexpr int kSamples = 200;

// Points of a quadratic (from a over c to e) and of a cubic (from a over b and c to d) at t.
P quadAt(P a, P c, P e, double t) {
    const double u = 1 - t;
    return {u * u * a.x + 2 * u * t * c.x + t * t * e.x,
            u * u * a.y + 2 * u * t * c.y + t * t * e.y};
}
P cubicAt(P a, P b, P c, P d, double t) {
    const double u = 1 - t;
    return {u * u * u * a.x + 3 * u * u * t * b.x + 3 * u * t * t * c.x + t * t * t * d.x,
            u * u * u * a.y + 3 * u * u * t * b.y + 3 * u * t * t * c.y + t * t * t * d.y};
}

// One layer of a shape's records: the fill colour it selects (when solid) and its figures.
struct Layer {
    bool filled = false, stroked = false;
    transform::FSColor colour;
    std::vector<Polyline> figures;
};

// Walks the records as a player does: style lists (the tag's, then each new layer's), moves, and
// edges flattened finely.
std::vector<Layer> layersOf(const FSShapeDefinition& definition) {
    std::vector<Layer> layers(1);
    const transform::FSArray<transform::FSFillStyle>* fills = &definition.getFillStyles();
    double x = 0, y = 0;
    auto colourOf = [&fills](int index) {
        if (index < 1 || static_cast<std::size_t>(index) > fills->size())
            return transform::FSColor();
        if (auto* solid = dynamic_cast<const FSSolidFill*>(&(*fills)[index - 1])) {
            return solid->getColor();
        }
        return transform::FSColor();
    };
    const auto& objects = definition.getShape().getObjects();
    for (std::size_t n = 0; n < objects.size(); ++n) {
        const FSShapeObject& object = objects[n];
        Layer& layer = layers.back();
        switch (object.getType()) {
            case FSShapeObject::Style: {
                const auto& style = static_cast<const FSShapeStyle&>(object);
                if (style.containsStyles()) {
                    layers.emplace_back();
                    fills = &style.getFillStyles();
                }
                Layer& current = layers.back();
                if (style.containsFillStyle() && style.getFillStyle() > 0) {
                    current.filled = true;
                    current.colour = colourOf(style.getFillStyle());
                }
                if (style.containsLineStyle() && style.getLineStyle() > 0) current.stroked = true;
                if (style.containsMove()) {
                    x = style.getMoveX(), y = style.getMoveY();
                    current.figures.push_back({{x, y}});
                }
                break;
            }
            case FSShapeObject::Line: {
                const auto& line = static_cast<const FSLine&>(object);
                if (layer.figures.empty()) layer.figures.push_back({{x, y}});
                x += line.getX(), y += line.getY();
                layer.figures.back().push_back({x, y});
                break;
            }
            case FSShapeObject::Curve: {
                const auto& curve = static_cast<const FSCurve&>(object);
                if (layer.figures.empty()) layer.figures.push_back({{x, y}});
                const P c{x + curve.getControlX(), y + curve.getControlY()};
                const P a{c.x + curve.getAnchorX(), c.y + curve.getAnchorY()};
                for (int i = 1; i <= kSamples; ++i)
                    layer.figures.back().push_back(quadAt({x, y}, c, a, double(i) / kSamples));
                x = a.x, y = a.y;
                break;
            }
            default:
                break;
        }
    }
    if (layers.front().figures.empty() && layers.size() > 1) layers.erase(layers.begin());
    return layers;
}

std::vector<Polyline> allFigures(const std::vector<Layer>& layers) {
    std::vector<Polyline> out;
    for (const Layer& layer : layers)
        out.insert(out.end(), layer.figures.begin(), layer.figures.end());
    return out;
}

// The host's path flattened in twips from the shape's corner: every sub-path that is drawn, its
// filled figures closed as a fill closes them.
std::vector<Polyline> hostFigures(const host::ShapePath& path, double left, double top) {
    std::vector<Polyline> out;
    for (const host::SubPath& sub : path.subPaths) {
        if (sub.fill == host::path_fill::kNone && !sub.stroke) continue;
        P current{0, 0}, start{0, 0};
        bool started = false;
        auto at = [&](const host::PathSegment& s, int i) {
            return P{(s.x[i] - left) * 20, (s.y[i] - top) * 20};
        };
        auto endFigure = [&] {
            if (started && sub.fill != host::path_fill::kNone && out.back().size() > 1) {
                out.back().push_back(start);
            }
        };
        for (const host::PathSegment& s : sub.segments) {
            switch (s.kind) {
                case host::PathSegment::kMove:
                    endFigure();
                    current = start = at(s, 0);
                    out.push_back({current});
                    started = true;
                    break;
                case host::PathSegment::kLine:
                    current = at(s, 0);
                    out.back().push_back(current);
                    break;
                case host::PathSegment::kCubic: {
                    const P c1 = at(s, 0), c2 = at(s, 1), e = at(s, 2);
                    for (int i = 1; i <= kSamples; ++i)
                        out.back().push_back(cubicAt(current, c1, c2, e, double(i) / kSamples));
                    current = e;
                    break;
                }
                case host::PathSegment::kQuad: {
                    const P c = at(s, 0), e = at(s, 1);
                    for (int i = 1; i <= kSamples; ++i)
                        out.back().push_back(quadAt(current, c, e, double(i) / kSamples));
                    current = e;
                    break;
                }
                case host::PathSegment::kClose:
                    out.back().push_back(start);
                    current = start;
                    break;
            }
        }
        endFigure();
    }
    // Single points (a move that draws nothing) are not outlines.
    std::erase_if(out, [](const Polyline& p) { return p.size() < 2; });
    return out;
}

// Inside by the even-odd rule: crossings of a ray to the right.
bool insideEvenOdd(const std::vector<Polyline>& figures, P p) {
    bool inside = false;
    for (const Polyline& f : figures) {
        for (std::size_t i = 1; i < f.size(); ++i) {
            const P a = f[i - 1], b = f[i];
            if ((a.y > p.y) != (b.y > p.y) && p.x < a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y)) {
                inside = !inside;
            }
        }
    }
    return inside;
}

// ---- a deck of presets, built through the .pptx host ----

// The items of a list written "a, b, c".
std::vector<std::string> listOf(std::string_view text) {
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t next = std::min(text.find(", ", at), text.size());
        out.emplace_back(text.substr(at, next - at));
        at = next + 2;
    }
    return out;
}

// Every arrow family, stars, callouts, arcs, chords, brackets, flowchart shapes, action buttons,
// the shaded ones, shapes with holes, and the kinds with outlines of their own; after a name,
// more of the a:xfrm element's attributes (flips, turn).
const std::vector<std::string> kPresets = listOf(
    "rect, roundRect, ellipse, parallelogram, trapezoid, diamond, triangle flipV=\"1\", "
    "rtTriangle flipH=\"1\", octagon, hexagon, plus, pentagon, rightArrow, leftRightArrow, "
    "upDownArrow, quadArrow, bentArrow flipH=\"1\", uturnArrow, curvedRightArrow, circularArrow, "
    "notchedRightArrow, chevron, homePlate, rightArrowCallout, star5, star24, irregularSeal1, "
    "wedgeRectCallout, wedgeRoundRectCallout, wedgeEllipseCallout, cloudCallout, borderCallout1, "
    "accentCallout2, arc, chord, pie, blockArc, leftBracket, rightBrace, bracketPair, bracePair, "
    "flowChartDecision, flowChartMagneticDisk, flowChartPunchedTape, flowChartDocument, "
    "flowChartSummingJunction, actionButtonHome, actionButtonHelp, actionButtonMovie, can, cube, "
    "bevel, foldedCorner, smileyFace, donut, noSmoking, frame, heart, cloud, lightningBolt, moon, "
    "wave rot=\"1800000\", bentConnector3, curvedConnector3 flipV=\"1\"");

std::string presetShape(int id, std::string_view preset, const std::string& fill) {
    // 1.6 x 1.0 inches, seven to a row.
    const std::string name(preset.substr(0, preset.find(' ')));
    const std::string extra(preset.substr(name.size()));
    const long long x = 300000 + ((id - 2) % 7) * 1250000, y = 300000 + ((id - 2) / 7) * 720000;
    return "<p:sp><p:nvSpPr><p:cNvPr id=\"" + std::to_string(id) + "\" name=\"" + name +
           "\"/><p:cNvSpPr/><p:nvPr/></p:nvSpPr><p:spPr><a:xfrm" + extra + "><a:off x=\"" +
           std::to_string(x) + "\" y=\"" + std::to_string(y) +
           "\"/><a:ext cx=\"1097280\" cy=\"640080\"/></a:xfrm><a:prstGeom prst=\"" + name +
           "\"><a:avLst/></a:prstGeom>" + fill +
           "<a:ln w=\"12700\"><a:solidFill><a:srgbClr val=\"202020\"/></a:solidFill></a:ln>"
           "</p:spPr></p:sp>";
}

const char* kRedFill = "<a:solidFill><a:srgbClr val=\"FF0000\"/></a:solidFill>";

class GeometryDeck : public ::testing::Test {
  protected:
    void TearDown() override {
        if (job) job->context.removeWorkingFiles();
    }

    // Writes a one-slide deck of the shapes, opens it and builds its elements.
    void build(const std::string& shapes) {
        test::DeckRecipe recipe;
        recipe.slides.push_back(test::slideXml(shapes));
        app = pptx::openApplication(
            test::writeBytesTo((dir / "geometry.pptx").string(), test::makeDeck(recipe)));
        ASSERT_TRUE(app);
        job = std::make_unique<ConversionJob>(sink, settings::SettingsSource(dir / "settings"), 1);
        ASSERT_TRUE(job->context.takeActivePresentation(app));
        job->frameBounds = transform::FSBounds(0, 0, 14400, 10800);
        record.index = 0;
        record.job = job.get();
        record.shapes = app->activePresentation()->slides()->item(1)->shapes();
        buildSlideElements(*job, record);
    }

    // Builds a red shape of each preset (a name, then more a:xfrm attributes), in order.
    void buildPresets(const std::vector<std::string>& presets) {
        std::string shapes;
        int id = 2;
        for (const std::string& preset : presets) shapes += presetShape(id++, preset, kRedFill);
        build(shapes);
    }

    const Element& elementOf(int shapeIndex) const {
        for (const auto& element : record.elements) {
            if (element->shapeIndex == shapeIndex) return *element;
        }
        throw std::runtime_error("no element");
    }

    const FSShapeDefinition* definitionOf(int shapeIndex) const {
        for (const auto& element : record.elements) {
            if (element->shapeIndex != shapeIndex) continue;
            const auto& objects = job->movie.getObjects();
            for (std::size_t i = 0; i < objects.size(); ++i) {
                auto* d = dynamic_cast<const FSShapeDefinition*>(&objects[i]);
                if (d && d->getIdentifier() == element->characterId) return d;
            }
        }
        return nullptr;
    }

    // Writes the movie of the built elements and has the independent parser read it.
    void checkWithParser() {
        int depth = 1;
        for (const auto& element : record.elements) {
            job->movie.add(std::make_unique<transform::FSPlaceObject2>(
                transform::FSPlaceObject2::New, element->characterId, depth++, element->transform,
                transform::FSColorTransform()));
        }
        job->movie.add(std::make_unique<transform::FSShowFrame>());
        job->movie.setFrameSize(job->frameBounds);
        job->movie.setFrameRate(kFrameRate);
        const fs::path movie = dir / "geometry.swf";
        ASSERT_NO_THROW(job->movie.encodeToFile(movie.string()));
        enginetest::expectParserAccepts(movie.string());
    }

    enginetest::ScratchDir scratch;
    fs::path dir = scratch.path();
    SilentProgress sink;
    std::shared_ptr<host::Application> app;
    std::unique_ptr<ConversionJob> job;
    SlideRecord record;
};

TEST_F(GeometryDeck, EveryPresetFollowsTheHostsOwnPath) {
    buildPresets(kPresets);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(record.shapes->count(), static_cast<int>(std::size(kPresets)));
    for (int k = 1; k <= record.shapes->count(); ++k) {
        auto shape = record.shapes->item(k);
        SCOPED_TRACE(shape->name());
        const FSShapeDefinition* definition = definitionOf(k);
        ASSERT_NE(definition, nullptr) << "no vector shape";
        const host::ShapePath path = shape->path();
        ASSERT_FALSE(path.subPaths.empty());
        // Both on the slide: ours placed by the element's transform, the host's turned about the
        // centre of its box.
        auto ours = allFigures(layersOf(*definition));
        const auto& m = elementOf(k).transform.getMatrix();
        for (Polyline& f : ours) {
            for (P& p : f) {
                p = {m[0][0] * p.x + m[0][1] * p.y + m[0][2],
                     m[1][0] * p.x + m[1][1] * p.y + m[1][2]};
            }
        }
        auto host = hostFigures(path, 0, 0);
        const double a = shape->rotation() * std::numbers::pi / 180;
        const double cx = (shape->left() + shape->width() / 2) * 20;
        const double cy = (shape->top() + shape->height() / 2) * 20;
        for (Polyline& f : host) {
            for (P& p : f) {
                const double dx = p.x - cx, dy = p.y - cy;
                p = {cx + dx * std::cos(a) - dy * std::sin(a),
                     cy + dx * std::sin(a) + dy * std::cos(a)};
            }
        }
        // Within a twip both ways (the player's flattening is finer than the samples here).
        EXPECT_LE(farthest(host, ours), 1.0);
        EXPECT_LE(farthest(ours, host), 1.0);
    }
    checkWithParser();
}

// The shaded sub-paths: one layer each over the ones before, darker or lighter as the host says,
// and the outline over all of them.
TEST_F(GeometryDeck, ShadedSubPathsAreLayersOfTheirOwnShade) {
    buildPresets(listOf(
        "can, cube, bevel, foldedCorner, smileyFace, ribbon, curvedRightArrow, verticalScroll"));
    ASSERT_FALSE(HasFatalFailure());
    // Red under black or white at 40 % (20 % for the lesser shades).
    const std::map<int, std::array<int, 3>> shade = {
        {host::path_fill::kNormal, {255, 0, 0}},
        {host::path_fill::kDarken, {153, 0, 0}},
        {host::path_fill::kDarkenLess, {204, 0, 0}},
        {host::path_fill::kLighten, {255, 102, 102}},
        {host::path_fill::kLightenLess, {255, 51, 51}}};
    for (int k = 1; k <= record.shapes->count(); ++k) {
        auto shape = record.shapes->item(k);
        SCOPED_TRACE(shape->name());
        const FSShapeDefinition* definition = definitionOf(k);
        ASSERT_NE(definition, nullptr);
        std::vector<int> modes;
        bool shaded = false;
        for (const host::SubPath& sub : shape->path().subPaths) {
            if (sub.fill != host::path_fill::kNone) modes.push_back(sub.fill);
            shaded = shaded ||
                     (sub.fill != host::path_fill::kNone && sub.fill != host::path_fill::kNormal);
        }
        EXPECT_TRUE(shaded) << "the preset has no shaded sub-path";
        const auto layers = layersOf(*definition);
        ASSERT_EQ(layers.size(), modes.size() + 1);
        for (std::size_t i = 0; i < modes.size(); ++i) {
            EXPECT_TRUE(layers[i].filled && !layers[i].stroked) << "layer " << i;
            const auto& c = shade.at(modes[i]);
            EXPECT_EQ(layers[i].colour.getRed(), c[0]) << "layer " << i;
            EXPECT_EQ(layers[i].colour.getGreen(), c[1]) << "layer " << i;
            EXPECT_EQ(layers[i].colour.getBlue(), c[2]) << "layer " << i;
        }
        EXPECT_TRUE(layers.back().stroked && !layers.back().filled);
    }
    checkWithParser();
}

// Holes by the even-odd rule: the middle of a donut, a frame, a no-entry sign or a block arc is
// not filled, its ring is.
TEST_F(GeometryDeck, HolesAreLeftOpenByTheEvenOddRule) {
    struct Probe {
        const char* preset;
        P hole, ring;  // fractions of the box
    };
    // The no-entry sign's holes lie either side of its bar; the block arc's hole is under its
    // band.
    const Probe probes[] = {{"donut", {0.5, 0.5}, {0.08, 0.5}},
                            {"frame", {0.5, 0.5}, {0.04, 0.5}},
                            {"noSmoking", {0.3, 0.5}, {0.04, 0.5}},
                            {"blockArc", {0.5, 0.4}, {0.05, 0.45}}};
    std::vector<std::string> presets;
    for (const Probe& p : probes) presets.push_back(p.preset);
    buildPresets(presets);
    ASSERT_FALSE(HasFatalFailure());
    for (int k = 1; k <= record.shapes->count(); ++k) {
        const Probe& probe = probes[k - 1];
        SCOPED_TRACE(probe.preset);
        const FSShapeDefinition* definition = definitionOf(k);
        ASSERT_NE(definition, nullptr);
        const auto layers = layersOf(*definition);
        ASSERT_TRUE(layers.front().filled);
        const double w = 1097280 / 12700.0 * 20, h = 640080 / 12700.0 * 20;
        std::vector<Polyline> fill = layers.front().figures;
        for (Polyline& f : fill) f.push_back(f.front());  // a fill closes its figures
        EXPECT_FALSE(insideEvenOdd(fill, {w * probe.hole.x, h * probe.hole.y}))
            << "the hole is filled";
        EXPECT_TRUE(insideEvenOdd(fill, {w * probe.ring.x, h * probe.ring.y}))
            << "the ring is empty";
    }
}

// An open freeform 100 points wide with a 2-point line: a straight run to the right, or a bend.
std::string openPath(int id, const std::string& segments, const std::string& line) {
    const long long y = 400000 + (id - 2) * 300000;
    return "<p:sp><p:nvSpPr><p:cNvPr id=\"" + std::to_string(id) + "\" name=\"p" +
           std::to_string(id) + "\"/><p:cNvSpPr/><p:nvPr/></p:nvSpPr><p:spPr><a:xfrm><a:off x=\"" +
           "1270000\" y=\"" + std::to_string(y) +
           "\"/><a:ext cx=\"1270000\" cy=\"254000\"/></a:xfrm><a:custGeom><a:pathLst><a:path "
           "w=\"100\" h=\"20\" fill=\"none\"><a:moveTo><a:pt x=\"0\" y=\"10\"/></a:moveTo>" +
           segments +
           "</a:path></a:pathLst></a:custGeom><a:noFill/><a:ln w=\"25400\">"
           "<a:solidFill><a:srgbClr val=\"0000FF\"/></a:solidFill>" +
           line + "</a:ln></p:spPr></p:sp>";
}

// Every kind and size of arrowhead at the end of a line running to the right: its box around
// the end point, in the line's colour, over the line.
TEST_F(GeometryDeck, ArrowheadsOfEveryKindAndSize) {
    struct Case {
        const char* type;
        const char* width;
        const char* length;
        double back, front, half;  // along the line from the tip, and across it (twips)
        bool filled;
    };
    // A 2-point line draws heads on a 2.5-point unit: 50 twips times 2, 3 or 5.
    const Case cases[] = {
        {"triangle", "med", "med", -150, 0, 75, true},
        {"triangle", "sm", "lg", -250, 0, 50, true},
        {"stealth", "lg", "sm", -100, 0, 125, true},
        {"diamond", "med", "lg", -125, 125, 75, true},
        {"oval", "sm", "sm", -50, 50, 50, true},
        {"oval", "lg", "lg", -125, 125, 125, true},
        {"arrow", "med", "med", -150, 0, 75, false},
    };
    std::string shapes;
    int id = 2;
    for (const Case& c : cases) {
        shapes += openPath(id++, "<a:lnTo><a:pt x=\"100\" y=\"10\"/></a:lnTo>",
                           std::string("<a:tailEnd type=\"") + c.type + "\" w=\"" + c.width +
                               "\" len=\"" + c.length + "\"/>");
    }
    build(shapes);
    ASSERT_FALSE(HasFatalFailure());
    for (int k = 1; k <= record.shapes->count(); ++k) {
        const Case& c = cases[k - 1];
        SCOPED_TRACE(std::string(c.type) + " " + c.width + " " + c.length);
        const FSShapeDefinition* definition = definitionOf(k);
        ASSERT_NE(definition, nullptr);
        const auto layers = layersOf(*definition);
        ASSERT_EQ(layers.size(), 2u) << "the line, then its arrowhead";
        const Layer& head = layers.back();
        EXPECT_EQ(head.filled, c.filled);
        EXPECT_EQ(head.stroked, !c.filled);
        if (c.filled) {
            EXPECT_EQ(head.colour.getBlue(), 255);
        }
        double minU = 1e9, maxU = -1e9, minV = 1e9, maxV = -1e9;
        for (const Polyline& f : head.figures) {
            for (const P& p : f) {
                minU = std::min(minU, p.x - 2000), maxU = std::max(maxU, p.x - 2000);
                minV = std::min(minV, p.y - 200), maxV = std::max(maxV, p.y - 200);
            }
        }
        EXPECT_NEAR(minU, c.back, 2);
        EXPECT_NEAR(maxU, c.front, 2);
        EXPECT_NEAR(minV, -c.half, 2);
        EXPECT_NEAR(maxV, c.half, 2);
    }
    checkWithParser();
}

// A dashed outline: its dashes lie on the host's path, drawn for 3 of every 7 units of the "dash"
// pattern (four widths on, three off, less the round caps' width).
TEST_F(GeometryDeck, DashedOutlinesAreCutAlongTheirCurves) {
    build(openPath(2,
                   "<a:cubicBezTo><a:pt x=\"30\" y=\"-20\"/><a:pt x=\"70\" y=\"40\"/><a:pt "
                   "x=\"100\" y=\"10\"/></a:cubicBezTo>",
                   "<a:prstDash val=\"dash\"/>"));
    ASSERT_FALSE(HasFatalFailure());
    auto shape = record.shapes->item(1);
    const FSShapeDefinition* definition = definitionOf(1);
    ASSERT_NE(definition, nullptr);
    const auto layers = layersOf(*definition);
    ASSERT_EQ(layers.size(), 1u);
    EXPECT_TRUE(layers[0].stroked);
    const auto host = hostFigures(shape->path(), shape->left(), shape->top());
    EXPECT_LE(farthest(layers[0].figures, host), 1.0);
    auto length = [](const std::vector<Polyline>& figures) {
        double sum = 0;
        for (const Polyline& f : figures) {
            for (std::size_t i = 1; i < f.size(); ++i) {
                sum += std::hypot(f[i].x - f[i - 1].x, f[i].y - f[i - 1].y);
            }
        }
        return sum;
    };
    EXPECT_GT(layers[0].figures.size(), 10u) << "too few dashes";
    EXPECT_NEAR(length(layers[0].figures) / length(host), 3.0 / 7, 0.05);
    checkWithParser();
}

// ---- cubic segments as quadratic edges ----

TEST(CubicToQuadratic, EdgesStayWithinATenthOfAPixelAtFullScreen) {
    struct Cubic {
        const char* name;
        Point p0, p1, p2, p3;
        int mostEdges;
    };
    const Cubic cubics[] = {
        // A quarter of a circle of 250 points, as the host writes arcs.
        {"quarter circle", {5000, 0}, {5000, 2761}, {2761, 5000}, {0, 5000}, 24},
        {"s-bend", {0, 0}, {9000, -4000}, {-3000, 9000}, {8000, 6000}, 48},
        {"near cusp", {0, 0}, {6000, 3000}, {0, 3000}, {6000, 0}, 48},
        {"slide-wide sweep", {0, 0}, {0, 10800}, {14400, 10800}, {14400, 0}, 64},
        {"straight", {100, 100}, {200, 200}, {300, 300}, {400, 400}, 1},
        {"tiny", {0, 0}, {3, 1}, {5, 4}, {6, 6}, 2},
    };
    for (const Cubic& c : cubics) {
        SCOPED_TRACE(c.name);
        FSShape shape;
        appendCubic(shape, c.p0, c.p1, c.p2, c.p3);
        const int edges = static_cast<int>(shape.getObjects().size());
        EXPECT_GE(edges, 1);
        EXPECT_LE(edges, c.mostEdges);
        Polyline ours{{double(c.p0.x), double(c.p0.y)}};
        double x = c.p0.x, y = c.p0.y;
        for (std::size_t n = 0; n < shape.getObjects().size(); ++n) {
            const FSShapeObject& object = shape.getObjects()[n];
            ASSERT_EQ(object.getType(), FSShapeObject::Curve);
            const auto& q = static_cast<const FSCurve&>(object);
            const P c{x + q.getControlX(), y + q.getControlY()};
            const P a{c.x + q.getAnchorX(), c.y + q.getAnchorY()};
            for (int i = 1; i <= 64; ++i) ours.push_back(quadAt({x, y}, c, a, i / 64.0));
            x = a.x, y = a.y;
        }
        EXPECT_EQ(x, c.p3.x);
        EXPECT_EQ(y, c.p3.y);
        auto p = [](Point q) { return P{double(q.x), double(q.y)}; };
        Polyline exact;
        for (int i = 0; i <= 512; ++i)
            exact.push_back(cubicAt(p(c.p0), p(c.p1), p(c.p2), p(c.p3), i / 512.0));
        // One twip is a tenth of a pixel at two pixels a point (a 960-point slide on 1920 pixels).
        EXPECT_LE(farthest({exact}, {ours}), 1.0);
        EXPECT_LE(farthest({ours}, {exact}), 1.0);
    }
}

// ---- gradients ----

TEST(GradientStops, AllStopsInOrderAndManyResampled) {
    struct Case {
        const char* name;
        std::vector<host::GradientStop> given;
        std::vector<std::array<int, 5>> expected;  // ratio, red, green, blue, alpha
    };
    const int red = 0x0000FF, green = 0x00FF00, blue = 0xFF0000, white = 0xFFFFFF;
    std::vector<host::GradientStop> ramp;  // 0 .. 1 in 16 stops, black to white
    for (int i = 0; i < 16; ++i) ramp.push_back({i / 15.0f, (i * 17) * 0x010101, 0});
    const Case cases[] = {
        {"three, half clear in the middle",
         {{0, red, 0}, {0.5f, green, 0.5f}, {1, blue, 0}},
         {{0, 255, 0, 0, 255}, {128, 0, 255, 0, 128}, {255, 0, 0, 255, 255}}},
        {"out of order and out of range",
         {{1.2f, white, 0}, {0.25f, blue, 0}, {-0.5f, red, 0}},
         {{0, 255, 0, 0, 255}, {64, 0, 0, 255, 255}, {255, 255, 255, 255, 255}}},
        {"sixteen resampled to eight",
         ramp,
         {{0, 0, 0, 0, 255},
          {36, 36, 36, 36, 255},
          {73, 73, 73, 73, 255},
          {109, 109, 109, 109, 255},
          {146, 146, 146, 146, 255},
          {182, 182, 182, 182, 255},
          {219, 219, 219, 219, 255},
          {255, 255, 255, 255, 255}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto stops = gradientStops(c.given);
        ASSERT_EQ(stops.size(), c.expected.size());
        for (std::size_t i = 0; i < stops.size(); ++i) {
            const auto& e = c.expected[i];
            EXPECT_EQ(stops[i].getRatio(), e[0]) << i;
            EXPECT_NEAR(stops[i].getColor().getRed(), e[1], 1) << i;
            EXPECT_NEAR(stops[i].getColor().getGreen(), e[2], 1) << i;
            EXPECT_NEAR(stops[i].getColor().getBlue(), e[3], 1) << i;
            EXPECT_EQ(stops[i].getColor().getAlpha(), e[4]) << i;
        }
    }
}

// Where the ends of the gradient square land in a 4000 x 2000 twip box.
TEST(GradientPlacement, LinearAtAnyAngleAndRadialToTheCorners) {
    struct Case {
        const char* name;
        bool linear;
        float angle;
        const char* path;
        P start, end;  // images of (-16384, 0) and (16384, 0)
        std::pair<float, float> focus = {0.5f, 0.5f};
    };
    const double d45 = (4000 + 2000) / 2.0 * std::sqrt(0.5);  // half the run at 45 degrees
    const Case cases[] = {
        {"left to right", true, 0, "", {0, 1000}, {4000, 1000}},
        {"top to bottom", true, 90, "", {2000, 0}, {2000, 2000}},
        {"right to left", true, 180, "", {4000, 1000}, {0, 1000}},
        {"down the diagonal",
         true,
         45,
         "",
         {2000 - d45 * std::sqrt(0.5), 1000 - d45 * std::sqrt(0.5)},
         {2000 + d45 * std::sqrt(0.5), 1000 + d45 * std::sqrt(0.5)}},
        {"up at 300 degrees",
         true,
         300,
         "",
         {2000 - 0.5 * 1866.03, 1000 + 0.8660254 * 1866.03},
         {2000 + 0.5 * 1866.03, 1000 - 0.8660254 * 1866.03}},
        {"circle", false, 0, "circle", {2000 - 2236.07, 1000}, {2000 + 2236.07, 1000}},
        {"rectangle", false, 0, "rect", {2000 - 2828.43, 1000}, {2000 + 2828.43, 1000}},
        // From a focus at the top left to the far corner; from one above the box, to a bottom
        // corner.
        {"circle from a corner", false, 0, "circle", {-4472.14, 0}, {4472.14, 0}, {0, 0}},
        {"circle from above",
         false,
         0,
         "circle",
         {2000 - 4118.25, -1600},
         {2000 + 4118.25, -1600},
         {0.5f, -0.8f}},
        {"rectangle from a corner", false, 0, "rect", {-5656.85, 0}, {5656.85, 0}, {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto t = gradientPlacement(c.linear, c.angle, c.path, 4000, 2000, c.focus);
        const auto m = t.getMatrix();
        auto map = [&m](double x, double y) {
            return P{m[0][0] * x + m[0][1] * y + m[0][2], m[1][0] * x + m[1][1] * y + m[1][2]};
        };
        const P s = map(-16384, 0), e = map(16384, 0);
        EXPECT_NEAR(s.x, c.start.x, 2);
        EXPECT_NEAR(s.y, c.start.y, 2);
        EXPECT_NEAR(e.x, c.end.x, 2);
        EXPECT_NEAR(e.y, c.end.y, 2);
    }
}

// A deck's gradients come through whole: every stop, linear or radial as written.
TEST_F(GeometryDeck, GradientFillsKeepTheirStopsAndKind) {
    auto gradient = [](const std::string& stops, const std::string& shade) {
        return "<a:gradFill><a:gsLst>" + stops + "</a:gsLst>" + shade + "</a:gradFill>";
    };
    const std::string three =
        "<a:gs pos=\"0\"><a:srgbClr val=\"FF0000\"/></a:gs><a:gs pos=\"40000\"><a:srgbClr "
        "val=\"00FF00\"><a:alpha val=\"50000\"/></a:srgbClr></a:gs><a:gs pos=\"100000\"><a:srgbClr "
        "val=\"0000FF\"/></a:gs>";
    build(presetShape(2, "ellipse", gradient(three, "<a:lin ang=\"2700000\" scaled=\"0\"/>")) +
          presetShape(5, "star5 flipH=\"1\"", gradient(three, "<a:lin ang=\"0\" scaled=\"0\"/>")) +
          presetShape(3, "star5", gradient(three, "<a:path path=\"circle\"/>")) +
          presetShape(4, "roundRect", gradient(three, "<a:path path=\"rect\"/>")));
    ASSERT_FALSE(HasFatalFailure());
    const int kinds[] = {transform::FSFillStyle::Linear, transform::FSFillStyle::Linear,
                         transform::FSFillStyle::Radial, transform::FSFillStyle::Radial};
    for (int k = 1; k <= 4; ++k) {
        SCOPED_TRACE(k);
        const FSShapeDefinition* definition = definitionOf(k);
        ASSERT_NE(definition, nullptr);
        EXPECT_EQ(definition->getType(), 32) << "alpha needs the third form";
        ASSERT_EQ(definition->getFillStyles().size(), 1u);
        ASSERT_AS(FSGradientFill, fill, &definition->getFillStyles()[0]);
        EXPECT_EQ(fill->getType(), kinds[k - 1]);
        ASSERT_EQ(fill->getGradients().size(), 3u);
        EXPECT_EQ(fill->getGradients()[1].getRatio(), 102);
        EXPECT_EQ(fill->getGradients()[1].getColor().getGreen(), 255);
        EXPECT_EQ(fill->getGradients()[1].getColor().getAlpha(), 128);
    }
    // Mirrored with its shape: the first stop at the right end of the box (86.4 points wide).
    ASSERT_AS(FSGradientFill, flipped, &definitionOf(2)->getFillStyles()[0]);
    const auto& m = flipped->getTransform().getMatrix();
    EXPECT_NEAR(m[0][0] * -16384 + m[0][2], 1728, 2);
    EXPECT_NEAR(m[0][0] * 16384 + m[0][2], 0, 2);
    checkWithParser();
}

// A group's own effects are a picture under its sprite of members; a group without effects is
// its sprite alone.
TEST_F(GeometryDeck, GroupEffectsArePicturedUnderItsMembers) {
    const auto members = [](long long y) {
        std::string out;
        for (long long x : {914400ll, 2743200ll}) {
            out += test::rect(2, "M", x, y, 457200, 914400, kRedFill + std::string(test::kNoLine));
        }
        return out;
    };
    build(test::group(members(914400), 914400, 914400, 2286000, 914400,
                      "<a:effectLst><a:outerShdw blurRad=\"63500\" dist=\"38100\" "
                      "dir=\"2700000\"><a:srgbClr val=\"000000\"/></a:outerShdw></a:effectLst>") +
          test::group(members(2743200), 914400, 2743200, 2286000, 914400));
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(record.elements.size(), 3u);
    const Element& effects = *record.elements[0];
    EXPECT_TRUE(effects.effectsAlone);
    EXPECT_EQ(effects.shapeIndex, 1);
    EXPECT_TRUE(effects.members.empty());
    const FSShapeDefinition* picture = definitionOf(1);
    ASSERT_NE(picture, nullptr);
    ASSERT_EQ(picture->getFillStyles().size(), 1u);
    EXPECT_NE(dynamic_cast<const transform::FSBitmapFill*>(&picture->getFillStyles()[0]), nullptr);
    for (std::size_t i : {1u, 2u}) {
        EXPECT_FALSE(record.elements[i]->effectsAlone);
        EXPECT_EQ(record.elements[i]->members.size(), 2u);
        EXPECT_EQ(record.elements[i]->shapeIndex, static_cast<int>(i));
    }
    checkWithParser();
}

}  // namespace
}  // namespace quillet::engine
