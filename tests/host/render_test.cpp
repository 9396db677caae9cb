// The renderer: the geometry evaluator (every guide operator, the built-in guides, arcs, path
// scaling), the preset table, picture decoding of hostile data, and pixel checks on small decks.
#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>

#include "host/host.h"
#include "host/pptx/package.h"
#include "host/pptx/pptx_host.h"
#include "host/pptx/reader.h"
#include "host/pptx/render/geometry.h"
#include "host/pptx/render/patterns.h"
#include "host/pptx/render/picture.h"
#include "host/pptx/render/renderer.h"
#include "host/pptx/xml.h"
#include "test_deck.h"
#include "test_render.h"

namespace quillet::pptx::render {
namespace {

constexpr double kPi = 3.14159265358979323846;

TEST(GuideEvaluator, EveryOperatorAndBuiltInGuide) {
    GuideEvaluator g(1000, 500);
    // Division by zero and roots of negatives give 0, never a NaN that spreads.
    const std::pair<const char*, double> exact[] = {
        {"val 42", 42},      {"*/ 10 6 4", 15}, {"+- 10 6 4", 12}, {"+/ 10 6 4", 4},
        {"?: 1 7 9", 7},     {"?: 0 7 9", 9},   {"?: -1 7 9", 9},  {"abs -5", 5},
        {"max 3 8", 8},      {"min 3 8", 3},    {"mod 2 3 6", 7},  {"pin 0 -5 10", 0},
        {"pin 0 15 10", 10}, {"pin 0 5 10", 5}, {"sqrt 49", 7},    {"*/ 1 2 0", 0},
        {"sqrt -4", 0},
    };
    for (const auto& [formula, value] : exact)
        EXPECT_DOUBLE_EQ(g.evaluate(formula), value) << formula;
    const std::tuple<const char*, double, double> near[] = {
        {"at2 1 1", 2700000, 1e-6},     {"at2 -1 0", 10800000, 1e-6},
        {"cat2 10 3 4", 6, 1e-9},       {"sat2 10 3 4", 8, 1e-9},
        {"cos 100 3600000", 50, 1e-9},  {"sin 100 1800000", 50, 1e-9},
        {"tan 100 2700000", 100, 1e-9},
    };
    for (const auto& [formula, value, tolerance] : near) {
        EXPECT_NEAR(g.evaluate(formula), value, tolerance) << formula;
    }
    GuideEvaluator h(1200, 600);
    const std::pair<const char*, double> guides[] = {
        {"w", 1200},      {"h", 600},         {"r", 1200},        {"b", 600},     {"l", 0},
        {"t", 0},         {"hc", 600},        {"vc", 300},        {"wd2", 600},   {"wd8", 150},
        {"hd3", 200},     {"ss", 600},        {"ls", 1200},       {"ssd8", 75},   {"cd2", 10800000},
        {"cd4", 5400000}, {"3cd4", 16200000}, {"7cd8", 18900000}, {"unknown", 0},
    };
    for (const auto& [name, value] : guides) EXPECT_DOUBLE_EQ(h.value(name), value) << name;
    h.define("a", "*/ ss 1 4");
    h.define("b2", "+- a 10 0");
    EXPECT_DOUBLE_EQ(h.value("b2"), 160);
}

GeometryData customFromXml(const std::string& xml) {
    auto doc = parseXml(std::string("<a:custGeom xmlns:a=\"http://schemas.openxmlformats.org/"
                                    "drawingml/2006/main\">") +
                            xml + "</a:custGeom>",
                        "test");
    return readCustomGeometry(doc->document_element());
}

TEST(RenderGeometry, CustomGuidesScaleAndFlags) {
    // A triangle written with guides, in a path of its own size, unfilled and stroked.
    GeometryData g = customFromXml(
        "<a:avLst><a:gd name=\"adj\" fmla=\"val 25000\"/></a:avLst>"
        "<a:gdLst><a:gd name=\"x1\" fmla=\"*/ w adj 100000\"/></a:gdLst>"
        "<a:pathLst><a:path w=\"100\" h=\"200\" fill=\"none\"><a:moveTo><a:pt x=\"0\" "
        "y=\"200\"/></a:moveTo><a:lnTo><a:pt x=\"50\" y=\"0\"/></a:lnTo><a:lnTo><a:pt x=\"100\" "
        "y=\"200\"/></a:lnTo><a:close/></a:path><a:path stroke=\"0\"><a:moveTo><a:pt x=\"x1\" "
        "y=\"t\"/></a:moveTo><a:lnTo><a:pt x=\"r\" y=\"b\"/></a:lnTo></a:path></a:pathLst>");
    std::vector<Outline> o = evaluateGeometry(g, 40, 20);
    ASSERT_EQ(o.size(), 2u);
    EXPECT_EQ(o[0].fill, PathFill::None);
    EXPECT_TRUE(o[0].stroke);
    ASSERT_EQ(o[0].segments.size(), 4u);
    EXPECT_NEAR(o[0].segments[0].x[0], 0, 1e-9);
    EXPECT_NEAR(o[0].segments[0].y[0], 20, 1e-9);
    EXPECT_NEAR(o[0].segments[1].x[0], 20, 1e-9);
    EXPECT_NEAR(o[0].segments[1].y[0], 0, 1e-9);
    EXPECT_EQ(o[0].segments[3].kind, OutlineSegment::Close);
    EXPECT_FALSE(o[1].stroke);
    EXPECT_EQ(o[1].fill, PathFill::Norm);
    EXPECT_NEAR(o[1].segments[0].x[0], 10, 1e-9);  // 25 % of 40
    EXPECT_NEAR(o[1].segments[1].x[0], 40, 1e-9);
    // An override of the adjust value moves the guide.
    o = evaluateGeometry(g, 40, 20, {{"adj", 50000}});
    EXPECT_NEAR(o[1].segments[0].x[0], 20, 1e-9);
}

TEST(RenderGeometry, ArcFollowsTheEllipse) {
    // A quarter arc from the left end of an ellipse of radii 10 × 5 to its top, then the
    // curve points stay on the ellipse.
    GeometryData g = parseGeometryText("P;M 0 5;A 10 5 cd2 cd4");
    std::vector<Outline> o = evaluateGeometry(g, 20, 10);
    ASSERT_EQ(o.size(), 1u);
    ASSERT_GE(o[0].segments.size(), 2u);
    const OutlineSegment& end = o[0].segments.back();
    EXPECT_EQ(end.kind, OutlineSegment::Cubic);
    // Units here are 1/12700 pt in the geometry text, so ends scale the same way.
    double scale = 1.0 / 12700;
    EXPECT_NEAR(end.x[2], 10 * scale, 1e-9);
    EXPECT_NEAR(end.y[2], 0, 1e-9);
    // Visual angles: an arc on a flat ellipse ending at 45° lands on the 45° ray.
    GeometryData h = parseGeometryText("P;M 100 0;A 100 50 0 2700000");
    o = evaluateGeometry(h, 1, 1);
    const OutlineSegment& e = o[0].segments.back();
    double cx = 0, cy = 0;  // centre: start point minus (wR, 0)
    double dx = e.x[2] * 12700 - cx, dy = e.y[2] * 12700 - cy;
    EXPECT_NEAR(std::atan2(dy, dx), kPi / 4, 1e-6);
    EXPECT_NEAR(dx * dx / (100.0 * 100) + dy * dy / (50.0 * 50), 1, 1e-6);
}

TEST(RenderGeometry, HostileCustomGeometryStaysBounded) {
    std::string guides;
    for (int i = 0; i < 6000; ++i) {
        guides += "<a:gd name=\"g" + std::to_string(i) + "\" fmla=\"*/ g" +
                  std::to_string(i > 0 ? i - 1 : 0) + " 1e300 1e-300\"/>";
    }
    GeometryData g = customFromXml("<a:gdLst>" + guides +
                                   "</a:gdLst><a:pathLst><a:path w=\"-5\"><a:moveTo><a:pt "
                                   "x=\"g10\" y=\"nan\"/></a:moveTo><a:arcTo wR=\"1e308\" "
                                   "hR=\"x\" stAng=\"5\" swAng=\"99999999999\"/><a:lnTo/>"
                                   "</a:path></a:pathLst>");
    EXPECT_LE(g.guides.size(), kMaxGuides);
    std::vector<Outline> o = evaluateGeometry(g, 100, 100);
    ASSERT_EQ(o.size(), 1u);
    for (const OutlineSegment& s : o[0].segments) {
        for (int i = 0; i < 3; ++i) {
            EXPECT_TRUE(std::isfinite(s.x[i]));
            EXPECT_TRUE(std::isfinite(s.y[i]));
        }
    }
    EXPECT_THROW(parseGeometryText("P;M 1"), std::invalid_argument);
    EXPECT_THROW(parseGeometryText("M 1 2"), std::invalid_argument);
}

// Every preset stays inside its box (a few reach out by design: callout tails and the like are
// allowed to leave it) and has at least one path.
TEST(RenderGeometry, PresetTable) {
    std::vector<std::string> names = presetNames();
    EXPECT_EQ(names.size(), 187u) << "every preset of the format";
    for (const std::string& name : names) {
        const GeometryData* g = presetGeometry(name);
        ASSERT_NE(g, nullptr) << name;
        std::vector<Outline> o = evaluateGeometry(*g, 200, 100);
        ASSERT_FALSE(o.empty()) << name;
        bool outside = false;
        for (const Outline& p : o) {
            for (const OutlineSegment& s : p.segments) {
                if (s.kind == OutlineSegment::Close) continue;
                // End points only: curve control points may stand outside.
                int i = s.kind == OutlineSegment::Cubic ? 2 : 0;
                if (s.x[i] < -0.01 || s.x[i] > 200.01 || s.y[i] < -0.01 || s.y[i] > 100.01)
                    outside = true;
            }
        }
        bool mayLeave = name.find("allout") != std::string::npos || name == "cloud" ||
                        name == "flowChartDocument" || name == "heart" || name == "wave" ||
                        name == "teardrop";
        if (!mayLeave) {
            EXPECT_FALSE(outside) << name;
        }
    }
    EXPECT_EQ(presetGeometry("noSuchShape"), nullptr);
    EXPECT_NE(presetGeometry("actionButtonHome"), nullptr);
}

// The sun: eight ray triangles with their tips on the box's ellipse and bases just outside the
// disc, and the disc of radius (0.5 - adj) of the box. Distances are in halves of the box from its
// centre, so the ellipse is 1.
TEST(RenderGeometry, SunRaysStandAroundItsDisc) {
    const GeometryData* g = presetGeometry("sun");
    ASSERT_NE(g, nullptr);
    std::vector<Outline> o = evaluateGeometry(*g, 200, 100);
    auto distance = [](double x, double y) { return std::hypot((x - 100) / 100, (y - 50) / 50); };
    int tips = 0, bases = 0, disc = 0;
    for (const Outline& p : o) {
        for (const OutlineSegment& s : p.segments) {
            int i = s.kind == OutlineSegment::Cubic ? 2 : 0;
            if (s.kind == OutlineSegment::Close) continue;
            double d = distance(s.x[i], s.y[i]);
            if (s.kind == OutlineSegment::Move && std::fabs(d - 1) < 1e-3) ++tips;
            if (s.kind == OutlineSegment::Line) {
                EXPECT_NEAR(d, 0.613, 0.01) << "a ray's base corner";
                ++bases;
            }
            if (s.kind == OutlineSegment::Cubic) {
                EXPECT_NEAR(d, 0.5, 1e-3) << "the disc";
                ++disc;
            }
        }
    }
    EXPECT_EQ(tips, 8);
    EXPECT_EQ(bases, 16);
    EXPECT_GE(disc, 4);
}

TEST(RenderGeometry, RoundRectCornersFollowTheAdjustValue) {
    const GeometryData* g = presetGeometry("roundRect");
    ASSERT_NE(g, nullptr);
    // Default 16667: radius = 1/6 of the shorter side; the path starts on the left edge there.
    std::vector<Outline> o = evaluateGeometry(*g, 300, 60);
    EXPECT_NEAR(o[0].segments[0].x[0], 0, 1e-6);
    EXPECT_NEAR(o[0].segments[0].y[0], 10, 1e-3);
    o = evaluateGeometry(*g, 300, 60, {{"adj", 50000}});
    EXPECT_NEAR(o[0].segments[0].y[0], 30, 1e-3);
}

// ---- pictures ----

std::vector<std::uint8_t> pngBytes(cairo_surface_t* s) {
    std::vector<std::uint8_t> out;
    cairo_surface_write_to_png_stream(
        s,
        [](void* closure, const unsigned char* data, unsigned int length) {
            auto* v = static_cast<std::vector<std::uint8_t>*>(closure);
            v->insert(v->end(), data, data + length);
            return CAIRO_STATUS_SUCCESS;
        },
        &out);
    return out;
}

// The bytes of a file the test wrote, which it then removes.
std::vector<std::uint8_t> takeFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    std::filesystem::remove(file);
    return bytes;
}

// A w × h picture painted in one colour.
Surface painted(int w, int h, double r, double g, double b) {
    Surface s(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
    cairo_t* cr = cairo_create(s.get());
    cairo_set_source_rgb(cr, r, g, b);
    cairo_paint(cr);
    cairo_destroy(cr);
    return s;
}

// A 40 × 20 picture: left half red, right half blue.
std::vector<std::uint8_t> twoColourPng() {
    Surface s = painted(40, 20, 1, 0, 0);
    cairo_t* cr = cairo_create(s.get());
    cairo_set_source_rgb(cr, 0, 0, 1);
    cairo_rectangle(cr, 20, 0, 20, 20);
    cairo_fill(cr);
    cairo_destroy(cr);
    return pngBytes(s.get());
}

TEST(Picture, DecodesPngAndRefusesDamagedData) {
    std::vector<std::uint8_t> png = twoColourPng();
    DecodedPicture d = decodePicture(png);
    ASSERT_TRUE(d.surface) << d.problem;
    EXPECT_EQ(cairo_image_surface_get_width(d.surface.get()), 40);
    EXPECT_EQ(pixelRgb(d.surface.get(), 5, 5), 0xFF0000u);
    EXPECT_EQ(pixelRgb(d.surface.get(), 35, 5), 0x0000FFu);
    // Truncated, bit-flipped and foreign data give no picture and a reason.
    for (std::size_t cut : {std::size_t{8}, std::size_t{30}, png.size() / 2}) {
        std::vector<std::uint8_t> part(png.begin(), png.begin() + static_cast<long>(cut));
        DecodedPicture bad = decodePicture(part);
        EXPECT_FALSE(bad.surface) << cut;
        EXPECT_FALSE(bad.problem.empty());
    }
    for (std::vector<std::uint8_t> bytes :
         {std::vector<std::uint8_t>{0xFF, 0xD8, 0xFF, 0xC0, 0, 17, 8, 0xFF, 0xFF, 0xFF, 0xFF, 3},
          std::vector<std::uint8_t>{'G', 'I', 'F', '8', '9', 'a', 0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0,
                                    0},
          std::vector<std::uint8_t>{'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0},
          std::vector<std::uint8_t>{1, 2, 3}}) {
        EXPECT_FALSE(decodePicture(bytes).surface);
    }
}

TEST(Picture, GifAndJpegRoundTrip) {
    // A GIF of 2 × 1 pixels (black, white) written by hand, and a JPEG written by our writer.
    const std::vector<std::uint8_t> gif = {
        'G',  'I', 'F',  '8',  '9', 'a', 2, 0, 1, 0, 0x80, 0, 0,  // screen, 2-entry table
        0,    0,   0,    255,  255, 255,                          // black, white
        0x2C, 0,   0,    0,    0,   2,   0, 1, 0, 0,              // image 2 × 1
        2,    2,   0x44, 0x0A, 0,  // LZW: codes 4 (clear) 0 1 5 (end), 3 bits each
        0x3B};
    DecodedPicture g = decodePicture(gif);
    ASSERT_TRUE(g.surface) << g.problem;
    EXPECT_EQ(pixelRgb(g.surface.get(), 0, 0), 0x000000u);
    EXPECT_EQ(pixelRgb(g.surface.get(), 1, 0), 0xFFFFFFu);

    Surface s = painted(32, 16, 0, 0.5, 0);
    std::string path =
        (std::filesystem::temp_directory_path() / "quillet-render-test.jpg").string();
    ASSERT_TRUE(writeJpeg(s.get(), path, 95));
    std::vector<std::uint8_t> jpeg = takeFile(path);
    DecodedPicture j = decodePicture(jpeg);
    ASSERT_TRUE(j.surface) << j.problem;
    unsigned p = pixelRgb(j.surface.get(), 16, 8);
    EXPECT_LE(std::abs(static_cast<int>((p >> 8) & 0xFF) - 128), 4);
    EXPECT_LE(static_cast<int>(p >> 16), 4);
    // Cut short: no crash, no picture or a partly grey one, never a read past the data.
    std::vector<std::uint8_t> cut(jpeg.begin(), jpeg.begin() + 20);
    EXPECT_FALSE(decodePicture(cut).surface);
}

void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    if (b.size() < at + 4) b.resize(at + 4, 0);
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// An EMF of bounds 100 × 50 that draws a 2 × 1 bitmap (red, blue) over its right half.
std::vector<std::uint8_t> emfWithBitmap() {
    std::vector<std::uint8_t> b(88, 0);
    put32(b, 0, 1);  // header
    put32(b, 4, 88);
    put32(b, 16, 100);
    put32(b, 20, 50);
    b[40] = ' ', b[41] = 'E', b[42] = 'M', b[43] = 'F';
    std::size_t r = b.size();
    put32(b, r, 81);  // EMR_STRETCHDIBITS
    put32(b, r + 4, 128);
    put32(b, r + 24, 50);  // xDest
    put32(b, r + 48, 80);  // offBmiSrc
    put32(b, r + 52, 40);
    put32(b, r + 56, 120);  // offBitsSrc
    put32(b, r + 60, 8);
    put32(b, r + 72, 50);  // cxDest
    put32(b, r + 76, 50);
    put32(b, r + 80, 40);  // BITMAPINFOHEADER: 2 × 1, 24 bits
    put32(b, r + 84, 2);
    put32(b, r + 88, 1);
    put32(b, r + 92, 1 | (24 << 16));
    put32(b, r + 100, 8);
    b.resize(r + 128, 0);
    // Pixels as blue, green, red: a red one, then a blue one, the row padded to 8 bytes.
    b[r + 122] = 0xFF;
    b[r + 123] = 0xFF;
    std::size_t e = b.size();
    put32(b, e, 14);  // EOF
    put32(b, e + 4, 20);
    b.resize(e + 20, 0);
    return b;
}

TEST(Picture, MetafileBitmapAtItsPlace) {
    std::vector<std::uint8_t> emf = emfWithBitmap();
    ASSERT_EQ(sniffPicture(emf), PictureFormat::Emf);
    DecodedPicture d = decodePicture(emf);
    ASSERT_TRUE(d.drawable()) << d.problem;
    // Its pixels are made when asked for, not by the check.
    EXPECT_FALSE(d.surface);
    cairo_surface_t* pixels = d.pixels();
    ASSERT_TRUE(pixels);
    // The bounds are inclusive: 101 × 51 pixels, the bitmap over x 50 to 100 (its source box
    // left at no size: the whole bitmap).
    EXPECT_EQ(cairo_image_surface_get_width(pixels), 101);
    EXPECT_EQ(cairo_image_surface_get_height(pixels), 51);
    EXPECT_EQ(pixelRgb(pixels, 60, 25), 0xFF0000u);
    EXPECT_EQ(pixelRgb(pixels, 90, 25), 0x0000FFu);
    cairo_surface_flush(pixels);
    EXPECT_EQ(cairo_image_surface_get_data(
                  pixels)[25 * cairo_image_surface_get_stride(pixels) + 20 * 4 + 3],
              0);  // see-through left of the bitmap
    // A record that claims more than the data, or a bitmap offset outside its record: nothing.
    std::vector<std::uint8_t> bad = emf;
    put32(bad, 92, 1u << 30);
    EXPECT_FALSE(decodePicture(bad).drawable());
    bad = emf;
    put32(bad, 88 + 56, 1u << 31);
    EXPECT_FALSE(decodePicture(bad).drawable());
    bad.assign(emf.begin(), emf.begin() + 150);
    EXPECT_FALSE(decodePicture(bad).drawable());
}

// ---- pixel checks on small decks ----

using test::kEmu;
using test::kNoLine;
using test::solid;
using test::xfrm;

struct Rendered {
    std::shared_ptr<PresentationData> deck;
    Surface picture;
};

std::shared_ptr<PresentationData> readDeck(const test::DeckRecipe& recipe) {
    return readPresentation(Package::openMemory(test::makeDeck(recipe)));
}

// Slides of 720 × 540 points drawn at 720 × 540 pixels (one pixel per point) unless told.
Rendered render(const std::string& shapes, std::vector<test::ZipEntry> extra = {}, int width = 720,
                int height = 540) {
    test::DeckRecipe recipe;
    recipe.slides = {test::slideXml(shapes)};
    recipe.extra = std::move(extra);
    Rendered r;
    r.deck = readDeck(recipe);
    Renderer renderer;
    r.picture = renderer.renderSlide(*r.deck, *r.deck->slides.at(0), width, height);
    return r;
}

// test::rect with its box in points.
std::string box(int id, const char* name, int x, int y, int w, int h, const std::string& spPr,
                const std::string& txBody = "") {
    return test::rect(id, name, x * kEmu, y * kEmu, w * kEmu, h * kEmu, spPr, txBody);
}

using test::expectPixels;
using test::Probe;

std::string gradient(const std::string& from, const std::string& to, const std::string& how) {
    return "<a:gradFill><a:gsLst><a:gs pos=\"0\"><a:srgbClr val=\"" + from +
           "\"/></a:gs><a:gs pos=\"100000\"><a:srgbClr val=\"" + to + "\"/></a:gs></a:gsLst>" +
           how + "</a:gradFill>" + kNoLine;
}

std::string lineShape(int x0, int y0, int x1, int y1, const std::string& ln) {
    return "<p:cxnSp><p:nvCxnSpPr><p:cNvPr id=\"4\" name=\"L\"/><p:cNvCxnSpPr/><p:nvPr/>"
           "</p:nvCxnSpPr><p:spPr>" +
           xfrm(x0 * kEmu, y0 * kEmu, (x1 - x0) * kEmu, (y1 - y0) * kEmu) +
           "<a:prstGeom prst=\"straightConnector1\"><a:avLst/></a:prstGeom>" + ln +
           "</p:spPr></p:cxnSp>";
}

// The right half of the red | blue picture (l="50000") or all of it fills a 200 × 100 frame.
std::string picture(const std::string& crop) {
    return "<p:pic><p:nvPicPr><p:cNvPr id=\"3\" name=\"P\"/><p:cNvPicPr/><p:nvPr/></p:nvPicPr>"
           "<p:blipFill><a:blip r:embed=\"rId2\"/>" +
           crop + "<a:stretch><a:fillRect/></a:stretch></p:blipFill><p:spPr>" +
           xfrm(100 * kEmu, 100 * kEmu, 200 * kEmu, 100 * kEmu) +
           "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></p:spPr></p:pic>";
}

// A picture shown on two slides, each drawn by its own renderer, is decoded once for the reader's
// check and both drawings; a second deck's part of the same name is its own picture.
TEST(Picture, DecodedOncePerPartAndPackage) {
    auto deckWith = [](const std::vector<std::uint8_t>& png) {
        test::DeckRecipe recipe;
        recipe.slides = {test::slideXml(picture("")), test::slideXml(picture(""))};
        recipe.extra = {{"ppt/media/image1.png", std::string(png.begin(), png.end())}};
        return readDeck(recipe);
    };
    const std::uint64_t before = pictureDecodeCount();
    const auto first = deckWith(twoColourPng());
    for (const auto& slide : first->slides) {
        Renderer renderer;
        Surface drawn = renderer.renderSlide(*first, *slide, 720, 540);
        expectPixels(drawn.get(), {{150, 150, 0xFF0000}, {250, 150, 0x0000FF}});
    }
    EXPECT_EQ(pictureDecodeCount(), before + 1);

    const auto second = deckWith(pngBytes(painted(40, 20, 0, 1, 0).get()));
    Renderer renderer;
    Surface drawn = renderer.renderSlide(*second, *second->slides.at(1), 720, 540);
    expectPixels(drawn.get(), {{150, 150, 0x00FF00}, {250, 150, 0x00FF00}});
    EXPECT_EQ(pictureDecodeCount(), before + 2);
}

TEST(RenderSlide, ShapesFillsAndLinesAtTheirPixels) {
    const std::vector<std::uint8_t> png = twoColourPng();
    const std::vector<test::ZipEntry> media = {
        {"ppt/media/image1.png", std::string(png.begin(), png.end())}};
    // A bar of 300 × 20 points around (360, 270), turned a quarter: it stands upright.
    const std::string bar =
        "<p:sp><p:nvSpPr><p:cNvPr id=\"2\" name=\"Bar\"/><p:cNvSpPr/><p:nvPr/>"
        "</p:nvSpPr><p:spPr>" +
        xfrm(210 * kEmu, 260 * kEmu, 300 * kEmu, 20 * kEmu, " rot=\"5400000\"") +
        "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom>" + solid("008000") + kNoLine +
        "</p:spPr></p:sp>";
    struct Case {
        const char* name;
        std::string shapes;
        std::vector<Probe> probes;
        std::vector<test::ZipEntry> extra = {};
    };
    const Case cases[] = {
        {"filled rectangle",
         box(2, "R", 100, 50, 200, 100, solid("FF8000") + kNoLine),
         {{101, 51, 0xFF8000},
          {298, 148, 0xFF8000},
          {200, 100, 0xFF8000},
          {98, 100, 0xFFFFFF},
          {302, 100, 0xFFFFFF},
          {200, 48, 0xFFFFFF},
          {200, 152, 0xFFFFFF}}},
        {"half transparent black over white",
         box(2, "R", 100, 50, 200, 100,
             "<a:solidFill><a:srgbClr val=\"000000\"><a:alpha val=\"50000\"/></a:srgbClr>"
             "</a:solidFill>" +
                 kNoLine),
         {{200, 100, 0x808080, 2}}},
        {"linear gradient left to right",
         box(2, "G", 0, 0, 400, 100, gradient("FF0000", "0000FF", "<a:lin ang=\"0\"/>")),
         {{1, 50, 0xFF0000, 5}, {398, 50, 0x0000FF, 5}, {200, 50, 0x800080, 4}}},
        {"linear gradient top to bottom at 90 degrees",
         box(2, "G", 0, 0, 100, 400, gradient("00FF00", "000000", "<a:lin ang=\"5400000\"/>")),
         {{50, 1, 0x00FF00, 5}, {50, 398, 0x000000, 5}}},
        {"path gradient from the centre",
         box(2, "G", 100, 100, 200, 200,
             gradient("FF0000", "0000FF",
                      "<a:path path=\"circle\"><a:fillToRect l=\"50000\" t=\"50000\" "
                      "r=\"50000\" b=\"50000\"/></a:path>")),
         {{200, 200, 0xFF0000, 15}, {102, 102, 0x0000FF, 55}}},
        // The focus rectangle's insets put the centre at the top left corner.
        {"path gradient from a corner",
         box(2, "G", 100, 100, 200, 200,
             gradient("FF0000", "0000FF",
                      "<a:path path=\"circle\"><a:fillToRect r=\"100000\" "
                      "b=\"100000\"/></a:path>")),
         {{101, 101, 0xFF0000, 8}, {298, 298, 0x0000FF, 8}, {200, 200, 0x800080, 8}}},
        {"rotated bar",
         bar,
         {{360, 130, 0x008000}, {360, 410, 0x008000}, {230, 270, 0xFFFFFF}, {490, 270, 0xFFFFFF}}},
        {"cropped picture",
         picture("<a:srcRect l=\"50000\"/>"),
         {{120, 150, 0x0000FF}, {295, 150, 0x0000FF}, {95, 150, 0xFFFFFF}},
         media},
        {"uncropped picture", picture(""), {{105, 150, 0xFF0000}, {295, 150, 0x0000FF}}, media},
        // A thin line with a large triangle at its end only: dark a few points above and below
        // the line near its end, not at its start nor far from it.
        {"arrowhead",
         lineShape(100, 200, 500, 200,
                   "<a:ln w=\"12700\">" + solid("000000") +
                       "<a:tailEnd type=\"triangle\" w=\"lg\" len=\"lg\"/></a:ln>"),
         {{490, 203, 0x000000, 99},
          {490, 197, 0x000000, 99},
          {105, 204, 0xFFFFFF},
          {495, 215, 0xFFFFFF},
          {300, 200, 0x000000, 159}}},
        // A gradient stroke runs over the line's box and on into its head; a line that fades in
        // from a transparent first stop still shows.
        {"gradient line fading in",
         lineShape(100, 200, 500, 200,
                   "<a:ln w=\"76200\"><a:gradFill><a:gsLst><a:gs pos=\"0\"><a:srgbClr "
                   "val=\"FF0000\"><a:alpha val=\"0\"/></a:srgbClr></a:gs><a:gs pos=\"50000\">"
                   "<a:srgbClr val=\"0000FF\"/></a:gs></a:gsLst><a:lin ang=\"0\"/></a:gradFill>"
                   "<a:tailEnd type=\"triangle\"/></a:ln>"),
         {{101, 200, 0xFFFFFF, 12},
          {300, 200, 0x0000FF, 3},
          {450, 202, 0x0000FF, 3},
          {485, 206, 0x0000FF, 3}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rendered r = render(c.shapes, c.extra);
        ASSERT_TRUE(r.picture);
        expectPixels(r.picture.get(), c.probes);
    }
}

TEST(RenderSlide, DashedLine) {
    Rendered r = render(
        lineShape(100, 300, 600, 300,
                  "<a:ln w=\"38100\">" + solid("000000") + "<a:prstDash val=\"dash\"/></a:ln>"));
    // Along the line dark and light stretches alternate: count the changes.
    int changes = 0;
    bool dark = (pixelRgb(r.picture.get(), 101, 300) & 0xFF) < 128;
    for (int x = 101; x < 600; ++x) {
        bool d = (pixelRgb(r.picture.get(), x, 300) & 0xFF) < 128;
        if (d != dark) ++changes;
        dark = d;
    }
    // Dashes of 4 and gaps of 3 line widths (3 points): 500 / 21 ≈ 24 dashes.
    EXPECT_GE(changes, 40);
    EXPECT_LE(changes, 56);
    // A solid line has none.
    r = render(lineShape(100, 300, 600, 300, "<a:ln w=\"38100\">" + solid("000000") + "</a:ln>"));
    for (int x = 101; x < 599; x += 7) EXPECT_LT(pixelRgb(r.picture.get(), x, 300) & 0xFF, 20u);
}

// Lines keep at least a pixel's width when the slide is drawn small (a quarter pixel per point):
// the ink across a black line, in pixels, is its width or one pixel, whichever is more.
TEST(RenderSlide, ThinLinesKeepAPixel) {
    const std::pair<int, double> cases[] = {{0, 1}, {6350, 1}, {12700, 1}, {50800, 1}, {101600, 2}};
    for (const auto& [emu, pixels] : cases) {
        SCOPED_TRACE(emu);
        Rendered r = render(
            lineShape(100, 202, 500, 202,
                      "<a:ln w=\"" + std::to_string(emu) + "\">" + solid("000000") + "</a:ln>"),
            {}, 180, 135);
        ASSERT_TRUE(r.picture);
        double ink = 0;
        for (int y = 40; y < 62; ++y)
            ink += (255 - (pixelRgb(r.picture.get(), 75, y) & 0xFF)) / 255.0;
        EXPECT_NEAR(ink, pixels, 0.1);
    }
}

TEST(RenderSlide, TextIsDrawnInItsBox) {
    Rendered r = render(
        box(2, "T", 100, 100, 400, 100, "<a:noFill/>",
            "<a:p><a:r><a:rPr lang=\"en-US\" sz=\"4000\"><a:solidFill><a:srgbClr val=\"000000\"/>"
            "</a:solidFill></a:rPr><a:t>HHHHHHHH</a:t></a:r></a:p>"));
    int dark = 0, outside = 0;
    for (int y = 0; y < 540; y += 2) {
        for (int x = 0; x < 720; x += 2) {
            bool d = (pixelRgb(r.picture.get(), x, y) & 0xFF) < 100;
            bool in = x >= 100 && x < 500 && y >= 100 && y < 200;
            if (d && in) ++dark;
            if (d && !in) ++outside;
        }
    }
    EXPECT_GT(dark, 200);
    EXPECT_EQ(outside, 0);
}

// A box of 400 × 300 points at (100, 100) holding an 'I' of 200 points with those run properties.
std::string bigI(const std::string& runProperties) {
    return box(2, "T", 100, 100, 400, 300, "<a:noFill/>",
               "<a:p><a:r><a:rPr lang=\"en-US\" sz=\"20000\">" + runProperties +
                   "<a:latin typeface=\"Liberation Sans\"/></a:rPr><a:t>I</a:t></a:r></a:p>");
}

// Text with no fill and an outline is drawn hollow: the stems of an 'I' at 200 points are red at
// their edges and white inside; with a fill too, the inside takes the fill. The host reports the
// outline's colour for hollow text, which the movie fills its glyphs with.
TEST(RenderSlide, TextOutlinesAreStroked) {
    auto textBox = [](const std::string& fill) {
        return bigI("<a:ln w=\"38100\">" + solid("FF0000") + "</a:ln>" + fill);
    };
    auto scan = [](const Rendered& r, int& red, int& inner) {
        // Along the middle of the stem's height: runs of red edges around its inside.
        red = inner = 0;
        int y = 100 + 4 + 120;  // inset, then well inside the capital
        int first = -1, last = -1;
        for (int x = 100; x < 500; ++x) {
            unsigned p = pixelRgb(r.picture.get(), x, y);
            if (p == 0xFF0000u) {
                ++red;
                if (first < 0) first = x;
                last = x;
            }
        }
        for (int x = first + 5; x < last - 5; ++x) {
            if (pixelRgb(r.picture.get(), x, y) != 0xFF0000u)
                inner = pixelRgb(r.picture.get(), x, y);
        }
    };
    Rendered hollow = render(textBox("<a:noFill/>"));
    ASSERT_TRUE(hollow.picture);
    int red = 0, inner = 0;
    scan(hollow, red, inner);
    EXPECT_GE(red, 4) << "both edges of the stem";
    EXPECT_EQ(inner, 0xFFFFFF) << "the stem's inside is left unpainted";
    Rendered filled = render(textBox(solid("0000FF")));
    scan(filled, red, inner);
    EXPECT_GE(red, 4);
    EXPECT_EQ(inner, 0x0000FF);

    auto app = applicationFor(hollow.deck, "hollow.pptx");
    auto shape = app->activePresentation()->slides()->item(1)->shapes()->item(1);
    EXPECT_EQ(shape->textFrame()->textRange()->characters(1, 1)->font()->colorRgb(),
              host::rgb(255, 0, 0));
}

// A run's outer shadow: its glyphs again, moved along the shadow's direction by its distance, in
// its colour, under the text. An 'I' stem 10 points right and down shows green beside the black.
TEST(RenderSlide, TextShadowsFollowTheRunsEffect) {
    auto textBox = [](const std::string& effects) { return bigI(solid("000000") + effects); };
    auto greenRun = [](const Rendered& r, int y) {
        int first = -1, count = 0;
        for (int x = 100; x < 500; ++x) {
            if (pixelRgb(r.picture.get(), x, y) == 0x00FF00u) {
                if (first < 0) first = x;
                ++count;
            }
        }
        return std::make_pair(first, count);
    };
    auto blackLeft = [](const Rendered& r, int y) {
        for (int x = 100; x < 500; ++x) {
            if (pixelRgb(r.picture.get(), x, y) == 0x000000u) return x;
        }
        return -1;
    };
    // 10 points along 45 degrees: about 7.07 right and 7.07 down.
    Rendered shadowed = render(textBox(
        "<a:effectLst><a:outerShdw dist=\"127000\" dir=\"2700000\"><a:srgbClr val=\"00FF00\"/>"
        "</a:outerShdw></a:effectLst>"));
    ASSERT_TRUE(shadowed.picture);
    int y = 100 + 4 + 120;
    int stem = blackLeft(shadowed, y);
    ASSERT_GT(stem, 0);
    auto [green, width] = greenRun(shadowed, y);
    EXPECT_GT(width, 3) << "the shadow shows right of the stem";
    EXPECT_GT(green, stem);
    Rendered plain = render(textBox(""));
    EXPECT_EQ(greenRun(plain, y).second, 0);
    EXPECT_EQ(blackLeft(plain, y), stem) << "the shadow does not move the text";
    Rendered empty = render(textBox("<a:effectLst/>"));
    EXPECT_EQ(greenRun(empty, y).second, 0);
}

// An underline is drawn in its own colour when the run gives one, the strike-through in the
// text's; a heavy underline is twice as thick, a double one two lines.
TEST(RenderSlide, UnderlinesInTheirOwnColourAndWeight) {
    const auto underlined = [](const std::string& u, const std::string& own) {
        return box(
            2, "T", 100, 100, 400, 300, "<a:noFill/>",
            "<a:p><a:r><a:rPr lang=\"en-US\" sz=\"6000\" u=\"" + u + "\">" + solid("000000") + own +
                "<a:latin typeface=\"Liberation Sans\"/></a:rPr><a:t>Lined</a:t></a:r></a:p>");
    };
    const auto count = [](const Rendered& r, unsigned rgb) {
        int n = 0;
        for (int y = 100; y < 400; ++y) {
            for (int x = 100; x < 500; ++x) n += pixelRgb(r.picture.get(), x, y) == rgb;
        }
        return n;
    };
    const std::string green = "<a:uFill>" + solid("00B050") + "</a:uFill>";
    Rendered single = render(underlined("sng", green));
    Rendered heavy = render(underlined("heavy", green));
    Rendered doubled = render(underlined("dbl", green));
    Rendered own = render(underlined("sng", "<a:uFillTx/>"));
    ASSERT_TRUE(single.picture && heavy.picture && doubled.picture && own.picture);
    const int thin = count(single, 0x00B050), thick = count(heavy, 0x00B050);
    EXPECT_GT(thin, 100);
    EXPECT_NEAR(static_cast<double>(thick) / thin, 2.0, 0.5);
    EXPECT_NEAR(static_cast<double>(count(doubled, 0x00B050)) / thin, 2.0, 0.5);
    EXPECT_EQ(count(own, 0x00B050), 0);
    // Along its fullest row the underline is one colour from end to end: no seams where the
    // characters meet.
    int fullest = 0, row = 0;
    for (int y = 100; y < 400; ++y) {
        int n = 0;
        for (int x = 100; x < 500; ++x) n += pixelRgb(single.picture.get(), x, y) == 0x00B050u;
        if (n > fullest) fullest = n, row = y;
    }
    int first = 500, last = 0;
    for (int x = 100; x < 500; ++x) {
        if (pixelRgb(single.picture.get(), x, row) == 0x00B050u)
            first = std::min(first, x), last = x;
    }
    EXPECT_EQ(last - first + 1, fullest) << "row " << row;
    EXPECT_GT(count(own, 0x000000), count(single, 0x000000) + thin / 2);

    // Dots and dashes break that row into their pieces; a wave spreads over more than twice the
    // line's rows.
    const auto pieces = [&](const Rendered& r) {
        int n = 0;
        for (int x = 100; x < 500; ++x) {
            n += pixelRgb(r.picture.get(), x, row) == 0x00B050u &&
                 pixelRgb(r.picture.get(), x - 1, row) != 0x00B050u;
        }
        return n;
    };
    const auto rows = [&](const Rendered& r) {
        int n = 0;
        for (int y = 100; y < 400; ++y) {
            bool green = false;
            for (int x = 100; x < 500 && !green; ++x) {
                const unsigned p = pixelRgb(r.picture.get(), x, y);
                green = ((p >> 8) & 0xFF) > ((p >> 16) & 0xFF) + 48;
            }
            n += green;
        }
        return n;
    };
    Rendered dotted = render(underlined("dotted", green));
    Rendered dashed = render(underlined("dash", green));
    Rendered wavy = render(underlined("wavy", green));
    ASSERT_TRUE(dotted.picture && dashed.picture && wavy.picture);
    EXPECT_EQ(pieces(single), 1);
    EXPECT_GT(pieces(dotted), 2 * pieces(dashed));
    EXPECT_GE(pieces(dashed), 4);
    EXPECT_NEAR(static_cast<double>(count(dotted, 0x00B050)) / thin, 0.5, 0.2);
    EXPECT_GT(rows(wavy), 2 * rows(single));

    // A double strike-through is a second line of the text's colour.
    const auto struck = [&](const std::string& strike) {
        return render(box(2, "T", 100, 100, 400, 300, "<a:noFill/>",
                          "<a:p><a:r><a:rPr lang=\"en-US\" sz=\"6000\" strike=\"" + strike + "\">" +
                              solid("000000") +
                              "<a:latin typeface=\"Liberation Sans\"/></a:rPr><a:t>Lined</a:t>"
                              "</a:r></a:p>"));
    };
    const int none = count(struck("noStrike"), 0x000000),
              once = count(struck("sngStrike"), 0x000000),
              twice = count(struck("dblStrike"), 0x000000);
    EXPECT_GT(once, none);
    EXPECT_NEAR(static_cast<double>(twice - once) / (once - none), 1.0, 0.4);
}

// A highlight fills the characters' cells behind them, from a size above the baseline to a fifth
// below, spaces included; the letters stand on it in their own colour.
TEST(RenderSlide, HighlightBehindTheCharacters) {
    const auto marked = [](const std::string& highlight) {
        return box(2, "T", 100, 100, 400, 300, "<a:noFill/>",
                   "<a:p><a:r><a:rPr lang=\"en-US\" sz=\"6000\">" + solid("000000") + highlight +
                       "<a:latin typeface=\"Liberation Sans\"/></a:rPr><a:t>I I</a:t></a:r></a:p>");
    };
    Rendered yellow = render(marked("<a:highlight><a:srgbClr val=\"FFFF00\"/></a:highlight>"));
    Rendered plain = render(marked(""));
    ASSERT_TRUE(yellow.picture && plain.picture);
    // Rows and columns holding the yellow.
    int top = 400, bottom = 0, left = 500, right = 0, black = 0;
    for (int y = 100; y < 400; ++y) {
        for (int x = 100; x < 500; ++x) {
            const unsigned p = pixelRgb(yellow.picture.get(), x, y);
            black += p == 0x000000u;
            if (p != 0xFFFF00u) continue;
            top = std::min(top, y), bottom = std::max(bottom, y);
            left = std::min(left, x), right = std::max(right, x);
        }
    }
    // 60 points: 72 high, over the 60-point letters and the space between them.
    EXPECT_NEAR(bottom - top + 1, 72, 2);
    int plainBlack = 0, stemTop = 400, stemBottom = 0;
    for (int y = 100; y < 400; ++y) {
        for (int x = 100; x < 500; ++x) {
            if (pixelRgb(plain.picture.get(), x, y) != 0x000000u) continue;
            ++plainBlack;
            stemTop = std::min(stemTop, y), stemBottom = std::max(stemBottom, y);
        }
    }
    EXPECT_EQ(black, plainBlack) << "the letters stand over the highlight";
    EXPECT_LT(top, stemTop);
    EXPECT_GT(bottom, stemBottom);
    EXPECT_NEAR(bottom - stemBottom, 12, 2) << "a fifth of the size below the baseline";
    int yellowBetween = 0;
    for (int x = left; x <= right; ++x)
        yellowBetween += pixelRgb(yellow.picture.get(), x, (stemTop + stemBottom) / 2) == 0xFFFF00u;
    EXPECT_GT(yellowBetween, (right - left) / 2) << "the space is highlighted too";
}

// The letters' feet stand on a pixel edge at every size the slide is drawn at: the lowest row of
// an 'I' stem is solid black and the row under it white.
TEST(RenderSlide, TextStandsOnAPixelEdge) {
    for (int width : {720, 480, 355, 250}) {
        const int height = width * 3 / 4;
        Rendered r = render(bigI(solid("000000")), {}, width, height);
        ASSERT_TRUE(r.picture) << width;
        auto grey = [&](int x, int y) { return pixelRgb(r.picture.get(), x, y) & 0xFF; };
        // The stem's middle column, along the row through the middle of the capital.
        const int row = (100 + 4 + 120) * height / 540;
        int left = -1, right = -1;
        for (int x = 0; x < width; ++x) {
            if (grey(x, row) < 128) {
                if (left < 0) left = x;
                right = x;
            }
        }
        ASSERT_GE(left, 0) << width;
        const int column = (left + right) / 2;
        int foot = row;
        while (foot + 1 < height && grey(column, foot + 1) < 250) ++foot;
        EXPECT_LT(grey(column, foot), 30) << width << ": the foot's row is solid";
        EXPECT_GE(foot, row + 1) << width;
    }
}

TEST(RenderSlide, CustomGeometryWithGuides) {
    // A triangle whose apex is a guide (three quarters of the width): the host's outline and the
    // picture both follow the guide.
    std::string sp =
        "<p:sp><p:nvSpPr><p:cNvPr id=\"5\" name=\"F\"/><p:cNvSpPr/><p:nvPr/></p:nvSpPr><p:spPr>" +
        xfrm(100 * kEmu, 100 * kEmu, 400 * kEmu, 200 * kEmu) +
        "<a:custGeom><a:avLst/><a:gdLst><a:gd name=\"apex\" fmla=\"*/ w 3 4\"/>"
        "</a:gdLst><a:pathLst><a:path><a:moveTo><a:pt x=\"l\" y=\"b\"/></a:moveTo><a:lnTo><a:pt "
        "x=\"apex\" y=\"t\"/></a:lnTo><a:lnTo><a:pt x=\"r\" y=\"b\"/></a:lnTo><a:close/>"
        "</a:path></a:pathLst></a:custGeom>" +
        solid("0000FF") + kNoLine + "</p:spPr></p:sp>";
    Rendered r = render(sp);
    const Shape& shape = *r.deck->slides[0]->shapes->items.at(0);
    ASSERT_GE(shape.path.size(), 3u);
    EXPECT_NEAR(shape.path[1].x[0], 400, 1e-3);  // 100 + 3/4 of 400
    EXPECT_NEAR(shape.path[1].y[0], 100, 1e-3);
    ASSERT_TRUE(shape.geometry);
    // Near the apex: filled right of the centre line, empty left of it.
    EXPECT_EQ(pixelRgb(r.picture.get(), 400, 110), 0x0000FFu);
    EXPECT_EQ(pixelRgb(r.picture.get(), 300, 110), 0xFFFFFFu);
    EXPECT_EQ(pixelRgb(r.picture.get(), 120, 295), 0x0000FFu);
}

// Presets that used to fall back to their box: a 400 × 200 shape at (100, 100) leaves empty a
// pixel the box would fill and fills one of its own; an action button's glyph is drawn darker.
TEST(RenderSlide, PresetsAreNoLongerTheirBox) {
    auto shape = [](const char* preset) {
        return std::string(
                   "<p:sp><p:nvSpPr><p:cNvPr id=\"5\" name=\"S\"/><p:cNvSpPr/><p:nvPr/>"
                   "</p:nvSpPr><p:spPr>") +
               xfrm(100 * kEmu, 100 * kEmu, 400 * kEmu, 200 * kEmu) + "<a:prstGeom prst=\"" +
               preset + "\"><a:avLst/></a:prstGeom>" + solid("3060C0") + kNoLine +
               "</p:spPr></p:sp>";
    };
    const std::pair<const char*, std::vector<Probe>> cases[] = {
        // The upper half of a ring 50 thick: its hole and the lower half are empty.
        {"blockArc", {{115, 190, 0x3060C0}, {300, 200, 0xFFFFFF}, {300, 290, 0xFFFFFF}}},
        // A crescent half the width thick at mid-height, open to the right.
        {"moon", {{290, 200, 0x3060C0}, {310, 200, 0xFFFFFF}, {490, 110, 0xFFFFFF}}},
        // The bar through the centre, holes either side of it.
        {"noSmoking", {{300, 200, 0x3060C0}, {200, 200, 0xFFFFFF}, {400, 200, 0xFFFFFF}}},
        // A band over the top, nothing below the centre.
        {"circularArrow", {{300, 125, 0x3060C0}, {300, 250, 0xFFFFFF}}},
        {"quadArrow", {{300, 200, 0x3060C0}, {105, 105, 0xFFFFFF}}},
    };
    for (const auto& [preset, probes] : cases) {
        SCOPED_TRACE(preset);
        Rendered r = render(shape(preset));
        expectPixels(r.picture.get(), probes);
    }
    Rendered home = render(shape("actionButtonHome"));
    EXPECT_EQ(pixelRgb(home.picture.get(), 110, 110), 0x3060C0u);
    unsigned roof = pixelRgb(home.picture.get(), 300, 170);
    EXPECT_LT((roof >> 8) & 0xFF, 0x60u - 0x20) << std::hex << roof;
}

TEST(RenderSlide, ShapeStyleOutranksInheritedPlaceholderFill) {
    // The master's title has no fill; the slide's title names a style whose fill is accent 1.
    // A second title-like shape has its own noFill, which outranks its style.
    auto title = [](int id, const std::string& spPr, const std::string& style) {
        return "<p:sp><p:nvSpPr><p:cNvPr id=\"" + std::to_string(id) +
               "\" name=\"Title\"/><p:cNvSpPr/><p:nvPr><p:ph type=\"title\"/></p:nvPr>"
               "</p:nvSpPr><p:spPr>" +
               spPr + "</p:spPr>" + style + "</p:sp>";
    };
    std::string style =
        "<p:style><a:lnRef idx=\"0\"><a:schemeClr val=\"accent1\"/></a:lnRef><a:fillRef "
        "idx=\"1\"><a:schemeClr val=\"accent1\"/></a:fillRef><a:effectRef idx=\"0\"><a:schemeClr "
        "val=\"accent1\"/></a:effectRef><a:fontRef idx=\"minor\"/></p:style>";
    std::string box = xfrm(100 * kEmu, 100 * kEmu, 200 * kEmu, 100 * kEmu);
    test::DeckRecipe recipe;
    recipe.masterShapes = title(2,
                                box +
                                    "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom>"
                                    "<a:noFill/><a:ln><a:noFill/></a:ln>",
                                "");
    recipe.slides = {test::slideXml(title(3, "", style)),
                     test::slideXml(title(3, "<a:noFill/>", style))};
    auto deck = readDeck(recipe);
    ASSERT_EQ(deck->slides.size(), 2u);
    const Shape& styled = *deck->slides[0]->shapes->items.at(0);
    EXPECT_EQ(styled.fill.kind, FillKind::Solid);
    EXPECT_EQ(styled.fill.color.rgb, 0xBD814F);  // 4F81BD, red in the low byte
    Renderer renderer;
    Surface a = renderer.renderSlide(*deck, *deck->slides[0], 720, 540);
    EXPECT_EQ(pixelRgb(a.get(), 200, 150), 0x4F81BDu);
    EXPECT_EQ(deck->slides[1]->shapes->items.at(0)->fill.kind, FillKind::None);
    Surface b = renderer.renderSlide(*deck, *deck->slides[1], 720, 540);
    EXPECT_EQ(pixelRgb(b.get(), 200, 150), 0xFFFFFFu);
}

TEST(RenderSlide, HostExportsSlidePictures) {
    test::DeckRecipe recipe;
    recipe.slides = {test::slideXml(box(2, "R", 0, 0, 360, 540, solid("00FF00") + kNoLine))};
    auto app = applicationFor(readDeck(recipe), "test.pptx");
    auto slide = app->activePresentation()->slides()->item(1);
    ASSERT_TRUE(slide);
    std::filesystem::path dir = std::filesystem::temp_directory_path();
    for (const char* filter : {"png", ".jpg"}) {
        std::filesystem::path file = dir / (std::string("quillet-export") + filter);
        ASSERT_TRUE(slide->exportPicture(file.string(), filter, 200, 150)) << filter;
        DecodedPicture d = decodePicture(takeFile(file));
        ASSERT_TRUE(d.surface) << filter << ": " << d.problem;
        EXPECT_EQ(cairo_image_surface_get_width(d.surface.get()), 200);
        EXPECT_EQ(cairo_image_surface_get_height(d.surface.get()), 150);
        unsigned left = pixelRgb(d.surface.get(), 50, 75),
                 right = pixelRgb(d.surface.get(), 150, 75);
        EXPECT_GE((left >> 8) & 0xFF, 240u) << filter;
        EXPECT_LE(left >> 16, 15u) << filter;
        EXPECT_GE(right >> 16, 240u) << filter;
    }
    EXPECT_FALSE(slide->exportPicture((dir / "quillet-export.gif").string(), "gif", 200, 150));
    EXPECT_FALSE(slide->exportPicture((dir / "no-such-dir" / "x.png").string(), "png", 200, 150));
}

TEST(RenderSlide, ScratchPresentationShowsOneShape) {
    // The element picture route: a new presentation, a blank slide on the key colour, a pasted
    // copy of one shape; its picture shows that shape alone on the key colour.
    test::DeckRecipe recipe;
    recipe.slides = {test::slideXml(box(2, "Red", 100, 100, 200, 100, solid("FF0000") + kNoLine) +
                                    box(3, "Blue", 400, 300, 200, 100, solid("0000FF") + kNoLine))};
    auto app = applicationFor(readDeck(recipe), "deck.pptx");
    app->activePresentation()->slides()->item(1)->shapes()->item(1)->copy();
    auto scratch = app->presentations()->add(0);
    ASSERT_TRUE(scratch);
    scratch->pageSetup()->setSlideWidth(720);
    scratch->pageSetup()->setSlideHeight(540);
    auto blank = scratch->slides()->add(1, host::layout::kBlank);
    ASSERT_TRUE(blank);
    blank->setFollowMasterBackground(host::kFalse);
    blank->background()->setForeColorRgb(0x00FF00);
    ASSERT_TRUE(blank->shapes()->paste());
    std::filesystem::path file = std::filesystem::temp_directory_path() / "quillet-scratch.png";
    ASSERT_TRUE(blank->exportPicture(file.string(), "png", 720, 540));
    DecodedPicture d = decodePicture(takeFile(file));
    ASSERT_TRUE(d.surface) << d.problem;
    EXPECT_EQ(pixelRgb(d.surface.get(), 200, 150), 0xFF0000u);
    EXPECT_EQ(pixelRgb(d.surface.get(), 500, 350), 0x00FF00u);  // no blue rectangle
    EXPECT_EQ(pixelRgb(d.surface.get(), 50, 50), 0x00FF00u);
}

// One shape drawn alone in memory: its own alpha around it (no key colour), premultiplied
// colours, other shapes absent, at the scale asked for.
TEST(RenderSlide, HostDrawsOneShapeInMemoryWithItsAlpha) {
    test::DeckRecipe recipe;
    recipe.slides = {
        test::slideXml(box(2, "Red", 100, 100, 200, 100, solid("FF0000") + kNoLine) +
                       box(3, "Half", 100, 300, 200, 100,
                           "<a:solidFill><a:srgbClr val=\"FF0000\"><a:alpha val=\"50000\"/>"
                           "</a:srgbClr></a:solidFill>" +
                               kNoLine) +
                       // The colour the old scratch background of a white slide was keyed out with.
                       box(4, "Key", 400, 100, 200, 100, solid("F5FFF5") + kNoLine) +
                       box(5, "Blue", 150, 150, 200, 100, solid("0000FF") + kNoLine))};
    auto app = applicationFor(readDeck(recipe), "deck.pptx");
    auto shapes = app->activePresentation()->slides()->item(1)->shapes();
    struct Case {
        int shape;
        double left, top, scale;
        int width, height;
        std::vector<std::tuple<int, int, std::uint32_t>> pixels;  // x, y, 0xAARRGGBB
    };
    constexpr std::uint32_t kRed = 0xFFFF0000;
    const Case cases[] = {
        // Red alone: clear around it, and the blue shape over it is not drawn.
        {1, 99, 99, 1, 202, 102, {{1, 1, kRed}, {0, 0, 0}, {201, 101, 0}, {150, 80, kRed}}},
        {2, 99, 299, 1, 202, 102, {{100, 50, 0x80800000}, {0, 50, 0}}},
        {3, 399, 99, 1, 202, 102, {{100, 50, 0xFFF5FFF5}, {0, 50, 0}}},
        // Twice the size: 400 × 200 pixels of red from (2, 2).
        {1, 99, 99, 2, 404, 204, {{2, 2, kRed}, {401, 201, kRed}, {1, 1, 0}, {402, 202, 0}}},
    };
    for (const Case& c : cases) {
        const host::PixelPicture p =
            shapes->item(c.shape)->drawPicture(c.left, c.top, c.scale, c.width, c.height, true);
        ASSERT_EQ(p.pixels.size(), static_cast<std::size_t>(c.width * c.height)) << c.shape;
        for (const auto& [x, y, argb] : c.pixels) {
            const std::uint32_t got = p.pixels[static_cast<std::size_t>(y * c.width + x)];
            // Half alpha rounds to 127 or 128 and so does its colour.
            const bool near =
                (got >> 24) == (argb >> 24) || ((argb >> 24) == 0x80 && (got >> 24) == 0x7F);
            EXPECT_TRUE(near && (argb >> 24 != 0x80 || ((got >> 16) & 0xFF) == (got >> 24)) &&
                        (argb >> 24 == 0x80 || got == argb))
                << "shape " << c.shape << " at (" << x << ", " << y << "): " << std::hex << got;
        }
    }
    EXPECT_TRUE(shapes->item(1)->drawPicture(0, 0, 1, 0, 10, true).empty());
    EXPECT_TRUE(shapes->item(1)->drawPicture(0, 0, 1, 20000, 20000, true).empty());
    EXPECT_TRUE(shapes->item(1)->drawPicture(0, 0, std::nan(""), 10, 10, true).empty());
}

// Backgrounds drawn in memory: the fill alone (no shape of the slide or the master), opaque to
// every edge, at the scale asked for; a slide's own background or the master's it follows.
TEST(RenderSlide, HostDrawsBackgroundsInMemory) {
    test::DeckRecipe recipe;
    recipe.masterBackground =
        "<p:bg><p:bgPr><a:gradFill><a:gsLst><a:gs pos=\"0\"><a:srgbClr val=\"FF0000\"/></a:gs>"
        "<a:gs pos=\"100000\"><a:srgbClr val=\"0000FF\"/></a:gs></a:gsLst><a:lin ang=\"0\"/>"
        "</a:gradFill></p:bgPr></p:bg>";
    recipe.masterShapes = box(9, "Deco", 0, 0, 720, 100, solid("00FF00"));
    const std::string shape = box(2, "Black", 0, 200, 720, 100, solid("000000"));
    recipe.slides = {test::slideXml(shape),
                     test::slideXml(shape, "",
                                    "<p:bg><p:bgPr><a:solidFill><a:srgbClr val=\"00FF00\"/>"
                                    "</a:solidFill></p:bgPr></p:bg>")};
    auto app = applicationFor(readDeck(recipe), "deck.pptx");
    auto presentation = app->activePresentation();
    const auto opaque = [](const host::PixelPicture& p) {
        return !p.empty() && std::all_of(p.pixels.begin(), p.pixels.end(),
                                         [](std::uint32_t v) { return (v >> 24) == 0xFF; });
    };
    const auto at = [](const host::PixelPicture& p, int x, int y) {
        return p.pixels[static_cast<std::size_t>(y * p.width + x)] & 0xFFFFFF;
    };
    const host::PixelPicture master = presentation->slideMaster()->drawBackground(1, 720, 540);
    ASSERT_EQ(master.width, 720);
    ASSERT_EQ(master.height, 540);
    EXPECT_TRUE(opaque(master));
    // Red at the left, blue at the right, no decoration band at the top.
    EXPECT_GE(at(master, 2, 50) >> 16, 240u);
    EXPECT_LE(at(master, 2, 50) & 0xFF, 15u);
    EXPECT_GE(at(master, 717, 50) & 0xFF, 240u);
    EXPECT_EQ((at(master, 360, 50) >> 8) & 0xFF, 0u);

    auto slides = presentation->slides();
    const host::PixelPicture follows = slides->item(1)->drawBackground(1, 720, 540);
    ASSERT_EQ(follows.pixels.size(), master.pixels.size());
    EXPECT_EQ(follows.pixels, master.pixels);  // the black shape is not drawn
    // Twice the scale: the same gradient across twice the pixels.
    const host::PixelPicture fine = slides->item(1)->drawBackground(2, 1440, 1080);
    ASSERT_EQ(fine.width, 1440);
    EXPECT_TRUE(opaque(fine));
    EXPECT_NEAR(static_cast<int>(at(fine, 720, 500) >> 16),
                static_cast<int>(at(master, 360, 250) >> 16), 3);
    const host::PixelPicture own = slides->item(2)->drawBackground(1, 720, 540);
    EXPECT_TRUE(opaque(own));
    EXPECT_EQ(at(own, 360, 250), 0x00FF00u);
    EXPECT_TRUE(slides->item(2)->drawBackground(1, 0, 540).empty());
    EXPECT_TRUE(slides->item(2)->drawBackground(1, 20000, 20000).empty());
    EXPECT_TRUE(slides->item(2)->drawBackground(std::nan(""), 10, 10).empty());
}

TEST(RenderSlide, RefusesSizesOutOfRange) {
    test::DeckRecipe recipe;
    recipe.slides = {test::slideXml("")};
    auto deck = readDeck(recipe);
    Renderer renderer;
    EXPECT_FALSE(renderer.renderSlide(*deck, *deck->slides[0], 0, 10));
    EXPECT_FALSE(renderer.renderSlide(*deck, *deck->slides[0], 10, kMaxRenderSide + 1));
    EXPECT_FALSE(renderer.renderSlide(*deck, *deck->slides[0], kMaxRenderSide, kMaxRenderSide));
    EXPECT_TRUE(renderer.renderSlide(*deck, *deck->slides[0], 10, 10));
}

// ---- preset patterns ----

TEST(Patterns, CellsOfThePresetsInTheTwoColours) {
    // Every preset name of the file format has a cell.
    for (const char* name :
         {"pct5",      "pct10",      "pct20",      "pct25",      "pct30",      "pct40",
          "pct50",     "pct60",      "pct70",      "pct75",      "pct80",      "pct90",
          "horz",      "vert",       "ltHorz",     "ltVert",     "dkHorz",     "dkVert",
          "narHorz",   "narVert",    "dashHorz",   "dashVert",   "cross",      "dnDiag",
          "upDiag",    "ltDnDiag",   "ltUpDiag",   "dkDnDiag",   "dkUpDiag",   "wdDnDiag",
          "wdUpDiag",  "dashDnDiag", "dashUpDiag", "diagCross",  "smCheck",    "lgCheck",
          "smGrid",    "lgGrid",     "dotGrid",    "smConfetti", "lgConfetti", "horzBrick",
          "diagBrick", "solidDmnd",  "openDmnd",   "dotDmnd",    "plaid",      "sphere",
          "weave",     "divot",      "shingle",    "wave",       "trellis",    "zigZag"}) {
        EXPECT_TRUE(presetPatternCell(name).has_value()) << name;
    }
    EXPECT_FALSE(presetPatternCell("noSuchPattern").has_value());
    // Percentages set their share of the 64 pixels.
    auto count = [](const PatternCell& c) {
        int n = 0;
        for (std::uint8_t row : c) n += std::popcount(row);
        return n;
    };
    EXPECT_EQ(count(*presetPatternCell("pct50")), 32);
    EXPECT_EQ(count(*presetPatternCell("pct25")), 16);
    EXPECT_EQ(count(*presetPatternCell("pct90")), 58);
    // pct50 is a checkerboard; up diagonals mirror down diagonals.
    EXPECT_EQ(presetPatternCell("pct50")->at(0) ^ presetPatternCell("pct50")->at(1), 0xFF);
    PatternCell dn = *presetPatternCell("ltDnDiag"), up = *presetPatternCell("ltUpDiag");
    EXPECT_EQ(dn[0], 0x88);
    EXPECT_EQ(up[0], 0x11);
    EXPECT_EQ(up[1], 0x22);
    // A cell drawn in the two colours.
    Color fore{host::rgb(0x10, 0x20, 0x30), 1.0f}, back{host::rgb(0xF0, 0xE0, 0xD0), 1.0f};
    Surface s = patternCellSurface("ltVert", fore, back);
    ASSERT_TRUE(s);
    EXPECT_EQ(cairo_image_surface_get_width(s.get()), 8);
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(pixelRgb(s.get(), x, 3), x % 4 == 0 ? 0x102030u : 0xF0E0D0u) << x;
    }
    EXPECT_FALSE(patternCellSurface("bogus", fore, back));
}

// A pattern fill shows the preset's pixels, not a mean colour: at 96 pixels per inch (960 pixels
// for the 720-point slide) each bit of the cell is one pixel.
TEST(RenderSlide, PatternFillDrawsThePresetPixels) {
    auto patt = [](const char* prst) {
        return std::string("<a:pattFill prst=\"") + prst +
               "\"><a:fgClr><a:srgbClr val=\"000000\"/></a:fgClr><a:bgClr><a:srgbClr "
               "val=\"FFFFFF\"/></a:bgClr></a:pattFill><a:ln><a:noFill/></a:ln>";
    };
    Rendered r = render(box(2, "H", 60, 60, 120, 60, patt("narHorz")) +
                            box(3, "V", 300, 60, 120, 60, patt("ltVert")),
                        {}, 960, 720);
    ASSERT_TRUE(r.picture);
    cairo_surface_t* picture = r.picture.get();
    // Rectangle H covers pixels 80..239 × 80..159: rows alternate black and white.
    for (int y = 90; y < 98; ++y) {
        EXPECT_EQ(pixelRgb(picture, 120, y), (y - 80) % 2 == 0 ? 0x000000u : 0xFFFFFFu) << y;
    }
    // Rectangle V from pixel 400: a black column every fourth pixel.
    for (int x = 420; x < 428; ++x) {
        EXPECT_EQ(pixelRgb(picture, x, 100), (x - 400) % 4 == 0 ? 0x000000u : 0xFFFFFFu) << x;
    }
}

// ---- tiled picture fills ----

namespace tiles {

void putBe32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) b.push_back(static_cast<std::uint8_t>(v >> shift));
}

// A PNG with a pHYs chunk of `perMetre` pixels per metre (unit 1) put after its header.
std::vector<std::uint8_t> withPhys(std::vector<std::uint8_t> png, std::uint32_t perMetre,
                                   std::uint8_t unit = 1) {
    std::vector<std::uint8_t> chunk;
    putBe32(chunk, 9);
    const char* type = "pHYs";
    chunk.insert(chunk.end(), type, type + 4);
    putBe32(chunk, perMetre);
    putBe32(chunk, perMetre);
    chunk.push_back(unit);
    putBe32(chunk, static_cast<std::uint32_t>(crc32(0, chunk.data() + 4, 13)));
    png.insert(png.begin() + 33, chunk.begin(), chunk.end());  // signature 8 + IHDR 25
    return png;
}

// The first bytes of a JPEG file: start of image, a JFIF header, start of scan.
std::vector<std::uint8_t> jfifHeader(std::uint8_t units, std::uint16_t x, std::uint16_t y) {
    std::vector<std::uint8_t> b{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1};
    b.push_back(units);
    b.push_back(static_cast<std::uint8_t>(x >> 8));
    b.push_back(static_cast<std::uint8_t>(x));
    b.push_back(static_cast<std::uint8_t>(y >> 8));
    b.push_back(static_cast<std::uint8_t>(y));
    b.insert(b.end(), {0, 0, 0xFF, 0xDA, 0x00, 0x02});
    return b;
}

std::pair<double, double> resolution(const std::vector<std::uint8_t>& b) {
    return statedResolution(std::span<const std::uint8_t>(b.data(), b.size()));
}

}  // namespace tiles

TEST(Picture, StatedResolutionOfPngAndJpeg) {
    using tiles::resolution;
    std::vector<std::uint8_t> png = twoColourPng();
    EXPECT_EQ(resolution(png), std::make_pair(96.0, 96.0)) << "no pHYs";
    auto at72 = resolution(tiles::withPhys(png, 2835));
    EXPECT_NEAR(at72.first, 72.0, 0.01);
    EXPECT_NEAR(at72.second, 72.0, 0.01);
    EXPECT_EQ(resolution(tiles::withPhys(png, 2835, 0)), std::make_pair(96.0, 96.0))
        << "an aspect ratio alone";
    EXPECT_EQ(resolution(tiles::withPhys(png, 1)), std::make_pair(96.0, 96.0)) << "implausible";
    // The chunk still decodes.
    std::vector<std::uint8_t> p72 = tiles::withPhys(png, 2835);
    EXPECT_TRUE(decodePicture(std::span<const std::uint8_t>(p72.data(), p72.size())).surface);

    EXPECT_EQ(resolution(tiles::jfifHeader(1, 75, 150)), std::make_pair(75.0, 150.0));
    auto perCm = resolution(tiles::jfifHeader(2, 40, 40));
    EXPECT_NEAR(perCm.first, 101.6, 1e-9);
    EXPECT_EQ(resolution(tiles::jfifHeader(0, 100, 100)), std::make_pair(96.0, 96.0));
    EXPECT_EQ(resolution(tiles::jfifHeader(1, 0, 0)), std::make_pair(96.0, 96.0));
    // Cut anywhere, the headers give the default, never a read past the end.
    std::vector<std::uint8_t> jpeg = tiles::jfifHeader(1, 75, 75);
    for (std::size_t n = 0; n < jpeg.size(); ++n) {
        std::vector<std::uint8_t> cut(jpeg.begin(), jpeg.begin() + static_cast<long>(n));
        auto r = resolution(cut);
        EXPECT_TRUE(r == std::make_pair(96.0, 96.0) || r == std::make_pair(75.0, 75.0)) << n;
    }
    for (std::size_t n = 0; n < p72.size(); n += 7) {
        std::vector<std::uint8_t> cut(p72.begin(), p72.begin() + static_cast<long>(n));
        resolution(cut);
    }
    // A chunk length running past the end.
    std::vector<std::uint8_t> lying = p72;
    lying[33] = 0x7F;
    EXPECT_EQ(resolution(lying), std::make_pair(96.0, 96.0));
}

// A 400 × 100 rectangle tiled with the red | blue picture stated at 72 pixels per inch, so one
// pixel per point: tiles of 40 × 20 points unless scaled.
Rendered renderTiled(const std::string& tile) {
    std::vector<std::uint8_t> png = tiles::withPhys(twoColourPng(), 2835);
    std::string fill = "<a:blipFill><a:blip r:embed=\"rId2\"/>" + tile + "</a:blipFill>";
    return render(box(2, "T", 100, 100, 400, 100, fill + kNoLine),
                  {{"ppt/media/image1.png", std::string(png.begin(), png.end())}});
}

TEST(RenderSlide, TiledPictureFillFollowsResolutionScaleAlignmentAndFlip) {
    constexpr unsigned kRed = 0xFF0000, kBlue = 0x0000FF;
    const std::pair<std::string, std::vector<Probe>> cases[] = {
        // The second tile and the one below it start red again.
        {"<a:tile/>", {{105, 110, kRed}, {125, 110, kBlue}, {145, 110, kRed}, {145, 130, kRed}}},
        {"<a:tile sx=\"200000\" sy=\"200000\"/>",
         {{125, 110, kRed}, {165, 110, kBlue}, {185, 110, kRed}}},
        // Moved right: the tile to the left shows its blue half.
        {"<a:tile tx=\"" + std::to_string(10 * kEmu) + "\"/>",
         {{105, 110, kBlue}, {115, 110, kRed}}},
        // Aligned right: a tile ends at the box's right edge (x = 500).
        {"<a:tile algn=\"tr\"/>", {{495, 110, kBlue}, {475, 110, kRed}}},
        // Mirrored across x: every second tile runs blue to red.
        {"<a:tile flip=\"x\"/>",
         {{105, 110, kRed}, {145, 110, kBlue}, {165, 110, kRed}, {185, 110, kRed}}},
        // Hostile values stay bounded.
        {"<a:tile sx=\"-999999999999\" sy=\"0\" tx=\"99999999999999999\" algn=\"zz\"/>", {}},
    };
    for (const auto& [tile, probes] : cases) {
        SCOPED_TRACE(tile);
        Rendered r = renderTiled(tile);
        ASSERT_TRUE(r.picture);
        expectPixels(r.picture.get(), probes);
    }
}

// The picture of a picture, texture or pattern fill, as the renderer paints the box with it: the
// source pixels (a tile for a repeated fill) and where they land in the box, in points.
TEST(RenderSlide, HostGivesFillPicturesWithTheirPlacement) {
    std::vector<std::uint8_t> png = tiles::withPhys(twoColourPng(), 2835);  // 72 per inch
    const auto blip = [&](const std::string& how) {
        return "<a:blipFill><a:blip r:embed=\"rId2\"/>" + how + "</a:blipFill>" + kNoLine;
    };
    test::DeckRecipe recipe;
    recipe.slides = {test::slideXml(
        box(2, "Stretched", 0, 0, 400, 100, blip("<a:stretch><a:fillRect/></a:stretch>")) +
        box(3, "Tiled", 0, 0, 400, 100, blip("<a:tile/>")) +
        box(4, "Mirrored", 0, 0, 400, 100, blip("<a:tile flip=\"x\"/>")) +
        box(5, "Small", 0, 0, 32, 16, blip("<a:stretch><a:fillRect/></a:stretch>")) +
        box(6, "Pattern", 0, 0, 400, 100,
            "<a:pattFill prst=\"pct50\"><a:fgClr><a:srgbClr val=\"FF0000\"/></a:fgClr>"
            "<a:bgClr><a:srgbClr val=\"0000FF\"/></a:bgClr></a:pattFill>" +
                kNoLine) +
        box(7, "Solid", 0, 0, 400, 100, solid("00FF00") + kNoLine))};
    recipe.extra = {{"ppt/media/image1.png", std::string(png.begin(), png.end())}};
    auto app = applicationFor(readDeck(recipe), "deck.pptx");
    auto shapes = app->activePresentation()->slides()->item(1)->shapes();
    struct Case {
        int shape, width, height;
        double xx, yy;
        bool repeat;
        std::uint32_t leftPixel, rightPixel;  // first and last pixel of the top row
    };
    constexpr std::uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF;
    const Case cases[] = {
        {1, 40, 20, 10, 5, false, kRed, kBlue}, {2, 40, 20, 1, 1, true, kRed, kBlue},
        {3, 80, 20, 1, 1, true, kRed, kRed},    // the tile and its mirror image
        {4, 32, 16, 1, 1, false, kRed, kBlue},  // 1.25 pixels a point drawn at 1
        {5, 8, 8, 0.75, 0.75, true, 0, 0},
    };
    for (const Case& c : cases) {
        auto shape = shapes->item(c.shape);
        const host::FillPicture p =
            shape->fill()->drawFillPicture(shape->width(), shape->height(), 1.0);
        ASSERT_EQ(p.picture.width, c.width) << c.shape;
        ASSERT_EQ(p.picture.height, c.height) << c.shape;
        ASSERT_EQ(p.picture.pixels.size(), static_cast<std::size_t>(c.width * c.height));
        EXPECT_NEAR(p.xx, c.xx, 1e-3) << c.shape;  // 2835 pixels a metre is 72.009 an inch
        EXPECT_NEAR(p.yy, c.yy, 1e-3) << c.shape;
        EXPECT_EQ(p.xy, 0);
        EXPECT_EQ(p.yx, 0);
        EXPECT_NEAR(p.x0, 0, 1e-9);
        EXPECT_NEAR(p.y0, 0, 1e-9);
        EXPECT_EQ(p.repeat, c.repeat) << c.shape;
        if (c.leftPixel) {
            EXPECT_EQ(p.picture.pixels.front(), c.leftPixel) << c.shape;
            EXPECT_EQ(p.picture.pixels[static_cast<std::size_t>(c.width - 1)], c.rightPixel)
                << c.shape;
        }
    }
    // The pattern's cell: half its pixels red, half blue.
    const host::FillPicture cell = shapes->item(5)->fill()->drawFillPicture(400, 100, 1.0);
    EXPECT_EQ(std::count(cell.picture.pixels.begin(), cell.picture.pixels.end(), kRed), 32);
    EXPECT_EQ(std::count(cell.picture.pixels.begin(), cell.picture.pixels.end(), kBlue), 32);
    EXPECT_TRUE(shapes->item(6)->fill()->drawFillPicture(400, 100, 1.0).empty());
    EXPECT_TRUE(shapes->item(1)->fill()->drawFillPicture(0, 100, 1.0).empty());
    EXPECT_TRUE(shapes->item(1)->fill()->drawFillPicture(400, 100, std::nan("")).empty());
}

}  // namespace
}  // namespace quillet::pptx::render
