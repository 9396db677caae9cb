#include "fonts/font_library.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_BBOX_H
#include FT_TRUETYPE_TABLES_H

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "fonts/matching.h"
#include "tests/fonts/installed_fonts.h"

namespace quillet::fonts {
namespace {

// --- what the machine has ------------------------------------------------------------------------

using test::cubicAt;
using test::distanceToSegment;
using test::font;
using test::installed;
using test::quadAt;

// --- geometry helpers ----------------------------------------------------------------------------

// Edges of a sampled outline, with a grid of one-pixel cells for nearest-edge queries.
struct Polyline {
    std::vector<std::pair<Point, Point>> edges;
    std::vector<Point> samples;
    std::unordered_map<std::int64_t, std::vector<std::size_t>> cells;

    static std::int64_t cellKey(std::int64_t x, std::int64_t y) {
        return (x << 32) ^ (y & 0xFFFFFFFF);
    }

    void add(Point a, Point b) {
        std::size_t index = edges.size();
        edges.emplace_back(a, b);
        // Points along the edge at most a quarter pixel apart.
        int steps = std::max(1, static_cast<int>(std::hypot(b.x - a.x, b.y - a.y) / 0.25));
        for (int k = 1; k <= steps; ++k) {
            double t = static_cast<double>(k) / steps;
            samples.push_back({a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t});
        }
        auto x0 = static_cast<std::int64_t>(std::floor(std::min(a.x, b.x)));
        auto x1 = static_cast<std::int64_t>(std::floor(std::max(a.x, b.x)));
        auto y0 = static_cast<std::int64_t>(std::floor(std::min(a.y, b.y)));
        auto y1 = static_cast<std::int64_t>(std::floor(std::max(a.y, b.y)));
        for (auto x = x0; x <= x1; ++x) {
            for (auto y = y0; y <= y1; ++y) cells[cellKey(x, y)].push_back(index);
        }
    }

    // A quadratic (three points) or cubic (four) curve as chords; curves are sampled every quarter
    // pixel or closer, so that the chords stray from the curve by a tiny fraction of the
    // tolerance under test.
    void addCurve(std::initializer_list<Point> points) {
        const Point* p = points.begin();
        double length = 0;
        for (std::size_t i = 1; i < points.size(); ++i)
            length += std::hypot(p[i].x - p[i - 1].x, p[i].y - p[i - 1].y);
        const int steps = std::clamp(static_cast<int>(length / 0.25), 16, 20000);
        Point prev = p[0];
        for (int k = 1; k <= steps; ++k) {
            const double t = static_cast<double>(k) / steps;
            const Point q = points.size() == 3 ? quadAt(p[0], p[1], p[2], t)
                                               : cubicAt(p[0], p[1], p[2], p[3], t);
            add(prev, q);
            prev = q;
        }
    }

    // Distance to the nearest edge; distances of a pixel or more are reported as 1.
    double distance(Point p) const {
        double best = 1.0;
        auto cx = static_cast<std::int64_t>(std::floor(p.x));
        auto cy = static_cast<std::int64_t>(std::floor(p.y));
        for (auto x = cx - 1; x <= cx + 1; ++x) {
            for (auto y = cy - 1; y <= cy + 1; ++y) {
                auto it = cells.find(cellKey(x, y));
                if (it == cells.end()) continue;
                for (std::size_t i : it->second) {
                    best = std::min(best, distanceToSegment(p, edges[i].first, edges[i].second));
                }
            }
        }
        return best;
    }
};

Polyline sampleOutline(const GlyphOutline& g) {
    Polyline line;
    for (const Contour& c : g.contours) {
        Point from = c.start;
        for (const Segment& s : c.segments) {
            if (s.kind == Segment::Kind::line)
                line.add(from, s.end);
            else
                line.addCurve({from, s.control, s.end});
            from = s.end;
        }
    }
    return line;
}

// The glyph as FreeType itself decomposes it (its own handling of implied points and cubic
// curves), sampled densely, in pixels at `em`.
struct Reference {
    Polyline line;
    int cubics = 0;
    int conics = 0;
    FT_BBox unitsBox{};  // exact box of the outline in font units
};

struct DecomposeState {
    Reference* ref;
    double scale;
    Point cur;
    Point at(const FT_Vector* v) const { return {v->x * scale, v->y * scale}; }
};

// A face's file opened by FreeType alone, closed when done.
struct RawFace {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    explicit RawFace(const FaceInfo& info) {
        EXPECT_EQ(FT_Init_FreeType(&library), 0);
        EXPECT_EQ(FT_New_Face(library, info.file.c_str(), info.index, &face), 0);
    }
    ~RawFace() {
        if (face) FT_Done_Face(face);
        FT_Done_FreeType(library);
    }
};

Reference referenceOutline(const FaceInfo& info, char32_t code, double em) {
    Reference ref;
    RawFace raw(info);
    FT_Face face = raw.face;
    if (face == nullptr) return ref;
    FT_Select_Charmap(face, FT_ENCODING_UNICODE);
    FT_UInt glyph = FT_Get_Char_Index(face, code);
    EXPECT_NE(glyph, 0u);
    // Exact box in font units.
    EXPECT_EQ(FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE), 0);
    FT_Outline_Get_BBox(&face->glyph->outline, &ref.unitsBox);
    // Curves at one pixel per font unit, in 1/64 units.
    EXPECT_EQ(FT_Set_Char_Size(face, 0, face->units_per_EM * 64, 72, 72), 0);
    EXPECT_EQ(FT_Load_Glyph(face, glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP), 0);

    DecomposeState state{&ref, em / face->units_per_EM / 64.0, {}};
    FT_Outline_Funcs funcs{};
    funcs.move_to = [](const FT_Vector* to, void* user) {
        auto* s = static_cast<DecomposeState*>(user);
        s->cur = s->at(to);
        return 0;
    };
    funcs.line_to = [](const FT_Vector* to, void* user) {
        auto* s = static_cast<DecomposeState*>(user);
        s->ref->line.add(s->cur, s->at(to));
        s->cur = s->at(to);
        return 0;
    };
    funcs.conic_to = [](const FT_Vector* c, const FT_Vector* to, void* user) {
        auto* s = static_cast<DecomposeState*>(user);
        s->ref->line.addCurve({s->cur, s->at(c), s->at(to)});
        s->cur = s->at(to);
        ++s->ref->conics;
        return 0;
    };
    funcs.cubic_to = [](const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
        auto* s = static_cast<DecomposeState*>(user);
        s->ref->line.addCurve({s->cur, s->at(c1), s->at(c2), s->at(to)});
        s->cur = s->at(to);
        ++s->ref->cubics;
        return 0;
    };
    EXPECT_EQ(FT_Outline_Decompose(&face->glyph->outline, &funcs, &state), 0);
    return ref;
}

// The largest distance between the two outlines, both ways.
double outlineDistance(const GlyphOutline& ours, const Reference& ref) {
    Polyline mine = sampleOutline(ours);
    double worst = 0;
    for (const Point& p : ref.line.samples) worst = std::max(worst, mine.distance(p));
    for (const Point& p : mine.samples) worst = std::max(worst, ref.line.distance(p));
    return worst;
}

void expectClosed(const GlyphOutline& g) {
    for (const Contour& c : g.contours) {
        ASSERT_FALSE(c.segments.empty());
        EXPECT_EQ(c.segments.back().end, c.start);
    }
}

// Every point of the outline inside the cell above and below the baseline and, give or take a
// small side bearing, between the pen and the advance.
void expectInsideExtents(const GlyphOutline& g, const FontMetrics& m) {
    Box b = g.bounds();
    ASSERT_FALSE(b.empty);
    double slack = 0.03 * m.emPixels;
    EXPECT_GE(b.xMin, -slack);
    EXPECT_LE(b.xMax, g.advance + slack);
    EXPECT_GE(b.yMin, -m.descent - 1e-9);
    EXPECT_LE(b.yMax, m.ascent + 1e-9);
    EXPECT_NEAR(g.height, m.cellHeight, 1e-9);
}

// One library for the tests, as for one conversion.
FontLibrary& lib() {
    static FontLibrary library(FontLibraryOptions{"en_US.UTF-8", 0.05});
    return library;
}

// --- matching ------------------------------------------------------------------------------------

TEST(FontLibraryTest, MetricCompatibleSubstitutesResolve) {
    struct Case {
        const char* face;
        const char* expected;
        const char* package;
    };
    const Case cases[] = {
        {"Calibri", "Carlito", "fonts-crosextra-carlito"},
        {"Cambria", "Caladea", "fonts-crosextra-caladea"},
        {"Arial", "Liberation Sans", "fonts-liberation2"},
        {"Times New Roman", "Liberation Serif", "fonts-liberation2"},
        {"Courier New", "Liberation Mono", "fonts-liberation2"},
        {"Comic Sans MS", "Comic Neue", "fonts-comic-neue"},
        {"ＭＳ Ｐゴシック", "Noto Sans CJK JP", "fonts-noto-cjk"},
        {"宋体", "Noto Serif CJK SC", "fonts-noto-cjk"},
    };
    for (const Case& c : cases) {
        if (!installed(c.expected))
            GTEST_SKIP() << "font \"" << c.expected << "\" is missing: install the Debian package "
                         << c.package << " (scripts/setup.sh does)";
    }
    for (const Case& c : cases) {
        for (std::uint8_t set : {charset::ansi, charset::defaultSet}) {
            FaceInfo info = lib().primaryFace(font(c.face, -20, false, false, set));
            EXPECT_EQ(info.family, c.expected) << c.face;
            EXPECT_FALSE(info.standIn) << c.face;
            EXPECT_TRUE(info.valid());
        }
    }
}

bool isSubstituteOf(const std::string& family, const char* face) {
    const std::vector<std::string> names = substitutesFor(face);
    return std::find(names.begin(), names.end(), family) != names.end();
}

TEST(FontLibraryTest, ClonesKeepTheWidthsOfTheFacesTheyStandFor) {
    REQUIRE_FONT("P052", "fonts-urw-base35");
    // The originals' published advances in thousandths of an em: H, a, e, o and space.
    struct Case {
        const char* face;
        bool bold;
        std::array<double, 5> widths;
    };
    const Case cases[] = {
        {"Palatino Linotype", false, {832, 500, 479, 546, 250}},
        {"Book Antiqua", true, {833, 500, 500, 556, 250}},
        {"Century Gothic", false, {683, 683, 650, 655, 277}},
        {"Century Schoolbook", false, {833, 556, 500, 500, 278}},
        {"Bookman Old Style", false, {800, 580, 520, 560, 320}},
        {"Arial Narrow", false, {592, 456, 456, 456, 228}},  // Arial's widths × 0.82
        {"Zapf Chancery", false, {680, 420, 340, 400, 220}},
        {"Monaco", false, {600, 600, 600, 600, 600}},
        {"Menlo", true, {602, 602, 602, 602, 602}},
        {"Lucida Console", false, {602.5, 602.5, 602.5, 602.5, 602.5}},
    };
    for (const Case& c : cases) {
        LogicalFont f = font(c.face, -1000, c.bold);
        FaceInfo info = lib().primaryFace(f);
        EXPECT_TRUE(isSubstituteOf(info.family, c.face)) << c.face << ": " << info.family;
        EXPECT_FALSE(info.standIn) << c.face;
        EXPECT_EQ(info.weight >= 600, c.bold) << c.face;
        const std::u32string codes = U"Haeo ";
        for (std::size_t i = 0; i < codes.size(); ++i)
            EXPECT_NEAR(lib().advance(f, codes[i], 1000), c.widths[i], 0.5)
                << c.face << " '" << static_cast<char>(codes[i]) << "'";
    }
}

TEST(FontLibraryTest, LookAlikesOfFacesWithoutAClone) {
    REQUIRE_FONT("DejaVu Sans Condensed", "fonts-dejavu-extra");
    REQUIRE_FONT("Noto Sans Display", "fonts-noto-core");
    REQUIRE_FONT("Z003", "fonts-urw-base35");
    REQUIRE_FONT("Carlito", "fonts-crosextra-carlito");
    struct Case {
        const char* face;
        bool bold;
        const char* family;  // as the face file names itself
        const char* style;
    };
    const Case cases[] = {
        {"Tahoma", false, "DejaVu Sans", "Condensed"},
        {"Tahoma", true, "DejaVu Sans", "Condensed Bold"},
        {"Trebuchet MS", false, "DejaVu Sans", "Condensed"},
        {"Segoe UI", false, "Noto Sans Display", "Regular"},
        {"Verdana", false, "DejaVu Sans", "Book"},
        {"Lucida Sans Unicode", false, "Noto Sans", "Regular"},
        {"Corbel", false, "Carlito", "Regular"},
        {"Corbel", true, "Carlito", "Bold"},
        {"Script MT Bold", false, "Z003", "Medium Italic"},
        {"Informal Roman", false, "Z003", "Medium Italic"},
    };
    for (const Case& c : cases) {
        FaceInfo info = lib().primaryFace(font(c.face, -20, c.bold));
        EXPECT_EQ(info.family, c.family) << c.face;
        EXPECT_EQ(info.style, c.style) << c.face;
        EXPECT_FALSE(info.standIn) << c.face;
    }
}

TEST(FontLibraryTest, BoldAndItalicPickTheirFaces) {
    REQUIRE_FONT("Carlito", "fonts-crosextra-carlito");
    // Weight 500, what the conversion writes for text that is not bold, is the regular face.
    std::string files[2][2];
    for (bool bold : {false, true}) {
        for (bool italic : {false, true}) {
            SCOPED_TRACE(testing::Message() << "bold " << bold << ", italic " << italic);
            const FaceInfo face = lib().primaryFace(font("Calibri", -20, bold, italic));
            EXPECT_EQ(face.family, "Carlito");
            EXPECT_EQ(face.weight >= 600, bold);
            EXPECT_EQ(face.italic, italic);
            files[bold][italic] = face.file;
        }
    }
    EXPECT_NE(files[0][0], files[1][0]);
}

TEST(FontLibraryTest, MissingFaceFallsBackAndStillDraws) {
    for (const char* face : {"Quillet No Such Face", "", "\xff\xfe\x01", "Swiss 72 1 BT"}) {
        LogicalFont f = font(face, -40);
        FaceInfo info = lib().primaryFace(f);
        ASSERT_TRUE(info.valid()) << face;
        EXPECT_TRUE(info.standIn) << face;
        GlyphOutline a = lib().glyphOutline(f, U'A');
        EXPECT_FALSE(a.contours.empty()) << face;
        EXPECT_FALSE(a.fallback);
        EXPECT_GT(a.advance, 0);
    }
    // A very long name, and one with characters a face name never has.
    std::string longName(5000, 'Q');
    EXPECT_TRUE(lib().primaryFace(font(longName)).valid());
    EXPECT_FALSE(lib().glyphOutline(font(std::string("Ar\0ial", 6)), U'x').contours.empty());
}

// A folder of the process's own with a "fonts" folder in it, removed when done.
struct ScratchDir {
    std::filesystem::path path;
    explicit ScratchDir(const std::string& name)
        : path(std::filesystem::temp_directory_path() /
               ("quillet-fonts-" + name + "-" + std::to_string(static_cast<long>(getpid())))) {
        std::filesystem::create_directories(path / "fonts");
    }
    ~ScratchDir() { std::filesystem::remove_all(path); }
};

// A library started under a fontconfig configuration of its own in `dir`, which lists only the
// font folders given (fontconfig reads the file's name from the environment at the start).
std::unique_ptr<FontLibrary> libraryWithFolders(const std::filesystem::path& dir,
                                                const std::string& folders) {
    const auto file = dir / "fonts.conf";
    std::ofstream(file) << "<?xml version=\"1.0\"?>\n<fontconfig>" << folders << "<cachedir>"
                        << (dir / "cache").string() << "</cachedir></fontconfig>\n";
    struct Restore {
        std::optional<std::string> previous;
        ~Restore() {
            if (previous)
                setenv("FONTCONFIG_FILE", previous->c_str(), 1);
            else
                unsetenv("FONTCONFIG_FILE");
        }
    } restore;
    if (const char* old = std::getenv("FONTCONFIG_FILE")) restore.previous = old;
    setenv("FONTCONFIG_FILE", file.c_str(), 1);
    return std::make_unique<FontLibrary>(FontLibraryOptions{"en_US.UTF-8", 0.05});
}

TEST(FontLibraryLastResort, WithNoFontsKnownDejaVuSansStillDraws) {
    const char* dejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    if (!std::filesystem::exists(dejaVu))
        GTEST_SKIP() << dejaVu << " is missing: install the Debian package fonts-dejavu-core";
    const ScratchDir scratch("test");
    const auto& dir = scratch.path;
    // A configuration that lists no font folders: fontconfig knows no font at all.
    const std::unique_ptr<FontLibrary> lib = libraryWithFolders(dir, "");
    LogicalFont f = font("Arial", -40);
    FaceInfo info = lib->primaryFace(f);
    EXPECT_EQ(info.family, "DejaVu Sans");
    EXPECT_TRUE(info.standIn);
    GlyphOutline a = lib->glyphOutline(f, U'A');
    EXPECT_FALSE(a.contours.empty());
    expectClosed(a);
    // What DejaVu Sans lacks shows its missing-glyph box, and nothing breaks.
    GlyphOutline han = lib->glyphOutline(f, U'中');
    EXPECT_TRUE(han.missing);
    EXPECT_EQ(lib->primaryFace(font("Calibri")).family, "DejaVu Sans");
}

// Damaged copies of real font files (cut short, bytes overwritten) in a folder of their own: what
// FreeType refuses is skipped, what it loads draws closed outlines or nothing, and nothing breaks.
TEST(FontLibraryDamagedFiles, NeverBreakTheLibrary) {
    const std::vector<std::string> sources{
        "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf",
        "/usr/share/fonts/opentype/comic-neue/ComicNeue-Regular.otf"};
    for (const std::string& source : sources) {
        if (!std::filesystem::exists(source))
            GTEST_SKIP() << source << " is missing: install fonts-liberation2 and fonts-comic-neue";
    }
    const ScratchDir scratch("damaged");
    const auto& dir = scratch.path;
    int made = 0;
    for (const std::string& source : sources) {
        std::ifstream in(source, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_GT(bytes.size(), 1000u);
        for (double cut : {0.3, 0.6, 0.9}) {
            std::ofstream out(dir / "fonts" / ("cut" + std::to_string(made++) + ".ttf"),
                              std::ios::binary);
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size() * cut));
        }
        // Every 97th byte past the table directory overwritten.
        std::string damaged = bytes;
        for (std::size_t i = 400; i < damaged.size(); i += 97)
            damaged[i] = static_cast<char>(0xA5 ^ i);
        std::ofstream out(dir / "fonts" / ("flip" + std::to_string(made++) + ".ttf"),
                          std::ios::binary);
        out.write(damaged.data(), static_cast<std::streamsize>(damaged.size()));
    }
    const std::unique_ptr<FontLibrary> lib =
        libraryWithFolders(dir, "<dir>" + (dir / "fonts").string() + "</dir>");
    std::u32string text;
    for (char32_t c = 0x20; c < 0x250; ++c) text.push_back(c);
    text += U"中あ★";
    for (const char* face : {"Liberation Sans", "Comic Neue", "Arial", "Quillet Missing"}) {
        for (bool bold : {false, true}) {
            LogicalFont f = font(face, 30, bold, bold);
            EXPECT_GE(lib->emPixels(f), 0);
            lib->metrics(f);
            lib->textExtent(f, text, 20, true);
            for (char32_t c : text) {
                GlyphOutline g = lib->glyphOutline(f, c);
                expectClosed(g);
                EXPECT_TRUE(std::isfinite(g.advance));
            }
        }
    }
}

TEST(FontLibraryTest, MissingSerifFaceGetsASerifStandIn) {
    REQUIRE_FONT("DejaVu Serif", "fonts-dejavu-core");
    FaceInfo info = lib().primaryFace(font("Quillet Old Style Roman"));
    EXPECT_TRUE(info.standIn);
    EXPECT_NE(info.family.find("Serif"), std::string::npos) << info.family;
    FaceInfo mono = lib().primaryFace(font("Quillet Typewriter Mono"));
    EXPECT_NE(mono.family.find("Mono"), std::string::npos) << mono.family;
}

TEST(FontLibraryCharset, AnsiAsksForAWesternStandInAndDefaultForTheLocale) {
    REQUIRE_FONT("Noto Sans CJK JP", "fonts-noto-cjk");
    FontLibraryOptions options;
    options.locale = "ja_JP.UTF-8";
    FontLibrary lib(options);
    LogicalFont ansi = font("Quillet Missing Face", -30, false, false, charset::ansi);
    LogicalFont other = font("Quillet Missing Face", -30, false, false, charset::defaultSet);

    // The Western stand-in lacks kana, which then come from a fallback face.
    GlyphOutline ansiKana = lib.glyphOutline(ansi, U'あ');
    EXPECT_FALSE(ansiKana.contours.empty());
    EXPECT_TRUE(ansiKana.fallback);
    // For a Japanese user the stand-in itself is a Japanese face.
    FaceInfo stand = lib.primaryFace(other);
    EXPECT_TRUE(stand.standIn);
    GlyphOutline kana = lib.glyphOutline(other, U'あ');
    EXPECT_FALSE(kana.contours.empty());
    EXPECT_FALSE(kana.fallback) << stand.family;
    EXPECT_NE(lib.primaryFace(ansi).family, stand.family);

    // A named face that is installed is used under either setting.
    if (installed("Liberation Sans")) {
        EXPECT_EQ(lib.primaryFace(font("Arial", -30, false, false, charset::defaultSet)).family,
                  "Liberation Sans");
    }
    // A record that names a character set asks for its language.
    FontLibrary western(FontLibraryOptions{"en_US.UTF-8", 0.05});
    LogicalFont shiftJis = font("Quillet Missing Face", -30, false, false, charset::shiftJis);
    EXPECT_FALSE(western.glyphOutline(shiftJis, U'あ').fallback);
}

TEST(FontLibraryTest, CjkInARunWhoseFaceLacksThemComeFromAFallbackFace) {
    REQUIRE_FONT("Liberation Sans", "fonts-liberation2");
    REQUIRE_FONT("Noto Sans CJK JP", "fonts-noto-cjk");
    for (std::uint8_t set : {charset::ansi, charset::defaultSet}) {
        LogicalFont f = font("Arial", -50, false, false, set);
        FontMetrics m = lib().metrics(f);
        for (char32_t code : std::u32string(U"日本語한국어中文。")) {
            GlyphOutline g = lib().glyphOutline(f, code);
            EXPECT_FALSE(g.contours.empty()) << static_cast<std::uint32_t>(code);
            EXPECT_TRUE(g.fallback);
            EXPECT_FALSE(g.missing);
            EXPECT_NE(g.family, "Liberation Sans");
            EXPECT_GT(g.advance, 0);
            expectClosed(g);
            // The fallback face draws at the font's size: an ideograph is about one em wide.
            EXPECT_NEAR(g.advance, m.emPixels, 0.1 * m.emPixels);
            FaceInfo info = lib().faceFor(f, code);
            EXPECT_TRUE(info.valid());
            EXPECT_TRUE(info.standIn);
        }
        // Latin stays with the run's face.
        EXPECT_EQ(lib().glyphOutline(f, U'a').family, "Liberation Sans");
        EXPECT_EQ(lib().faceFor(f, U'a').family, "Liberation Sans");
    }
}

TEST(FontLibraryTest, EastAsianCharactersUseTheRunsEastAsianFace) {
    REQUIRE_FONT("Liberation Sans", "fonts-liberation2");
    REQUIRE_FONT("Noto Serif CJK SC", "fonts-noto-cjk");
    LogicalFont f = font("Arial", -40);
    f.eastAsianFaceName = "宋体";
    GlyphOutline han = lib().glyphOutline(f, U'中');
    EXPECT_EQ(han.family, "Noto Serif CJK SC");
    EXPECT_FALSE(han.contours.empty());
    EXPECT_EQ(lib().faceFor(f, U'中').family, "Noto Serif CJK SC");
    EXPECT_FALSE(lib().faceFor(f, U'中').standIn);
    EXPECT_EQ(lib().glyphOutline(f, U'Z').family, "Liberation Sans");
    // Full-width forms are East Asian too.
    EXPECT_EQ(lib().glyphOutline(f, U'Ａ').family, "Noto Serif CJK SC");
    // A missing East Asian face leaves East Asian characters to the fallback.
    f.eastAsianFaceName = "Quillet Missing Mincho";
    GlyphOutline other = lib().glyphOutline(f, U'中');
    EXPECT_FALSE(other.contours.empty());
    EXPECT_TRUE(other.fallback);
}

TEST(FontLibraryTest, MissingSymbolFacesKeepTheirBullets) {
    if (installed("Wingdings") || installed("Symbol"))
        GTEST_SKIP() << "the symbol faces are installed here and draw their own signs";
    REQUIRE_FONT("DejaVu Sans", "fonts-dejavu-core");
    struct Case {
        const char* face;
        char32_t code;
        char32_t sign;
    };
    const Case cases[] = {{"Wingdings", 0xF0A7, U'▪'},
                          {"Wingdings", 0xD8, U'➢'},
                          {"Wingdings", U'v', U'❖'},
                          {"Symbol", 0xF0B7, U'•'},
                          {"Symbol", U'p', U'π'}};
    LogicalFont plain = font("DejaVu Sans", -60);
    for (const Case& c : cases) {
        LogicalFont f = font(c.face, -60);
        EXPECT_TRUE(lib().primaryFace(f).standIn);
        GlyphOutline got = lib().glyphOutline(f, c.code);
        // The same as the sign drawn in its own place by the face that draws it.
        FaceInfo drawer = lib().faceFor(f, c.code);
        ASSERT_TRUE(drawer.valid());
        GlyphOutline want = lib().glyphOutline(font(drawer.family, -60), c.sign);
        EXPECT_EQ(want.family, drawer.family);
        ASSERT_FALSE(want.contours.empty()) << c.face;
        EXPECT_FALSE(got.missing);
        EXPECT_EQ(got.contours.size(), want.contours.size()) << c.face;
        Box a = got.bounds(), b = want.bounds();
        EXPECT_NEAR(a.xMax - a.xMin, b.xMax - b.xMin, 1e-9) << c.face;
        EXPECT_NEAR(a.yMax, b.yMax, 1e-9) << c.face;
        EXPECT_NEAR(got.advance, want.advance, 1e-9) << c.face;
    }
    // Letters of a non-symbol face stay letters.
    EXPECT_NE(lib().glyphOutline(font("Arial", -60), U'v').contours.size(),
              lib().glyphOutline(plain, U'❖').contours.size());
}

// --- metrics -------------------------------------------------------------------------------------

TEST(FontLibraryTest, HeightsAsThePlatformReadThem) {
    REQUIRE_FONT("Liberation Sans", "fonts-liberation2");
    // Liberation Sans: 2048 units per em, Windows ascent 1854 and descent 434, as Arial.
    EXPECT_DOUBLE_EQ(lib().emPixels(font("Arial", -20)), 20.0);
    EXPECT_NEAR(lib().emPixels(font("Arial", 20)), 20.0 * 2048 / (1854 + 434), 1e-9);
    EXPECT_DOUBLE_EQ(lib().emPixels(font("Arial", 0)), 12.0);

    FontMetrics m = lib().metrics(font("Arial", 24));
    EXPECT_NEAR(m.cellHeight, 24.0, 1e-9);
    EXPECT_NEAR(m.ascent, 24.0 * 1854 / 2288, 1e-9);
    EXPECT_NEAR(m.descent, 24.0 * 434 / 2288, 1e-9);
    EXPECT_GE(m.lineGap, 0);
    EXPECT_GT(m.capHeight, 0);
    EXPECT_LT(m.capHeight, m.ascent);
    EXPECT_GT(m.xHeight, 0);
    EXPECT_LT(m.xHeight, m.capHeight);
    EXPECT_LT(m.underlinePosition, 0);
    EXPECT_GT(m.underlineThickness, 0);

    // The character's height is the cell height, whatever the character.
    EXPECT_NEAR(lib().glyphOutline(font("Arial", 24), U'x').height, 24.0, 1e-9);
    TextExtent e = lib().textExtent(font("Arial", 24), U"Hello");
    EXPECT_NEAR(e.height, 24.0, 1e-9);
    // The face is found once per conversion, whatever the name's case and the size.
    FaceInfo a = lib().primaryFace(font("Arial", -10));
    FaceInfo b = lib().primaryFace(font("arial", 300));
    EXPECT_EQ(a.file, b.file);
    EXPECT_EQ(a.index, b.index);
}

// Underline and strike-through as the face's own tables give them, read straight from the file:
// the post table's underline top and thickness, the OS/2 table's strike-out top and size.
TEST(FontLibraryTest, TextLinesComeFromTheFacesOwnTables) {
    struct Case {
        const char* family;
        const char* package;
    };
    const double size = 36;
    for (const Case& c :
         {Case{"Liberation Sans", "fonts-liberation2"},
          Case{"Liberation Serif", "fonts-liberation2"}, Case{"DejaVu Sans", "fonts-dejavu-core"},
          Case{"Carlito", "fonts-crosextra-carlito"}}) {
        SCOPED_TRACE(c.family);
        if (!installed(c.family)) {
            ADD_FAILURE() << "font \"" << c.family << "\" is missing: install " << c.package;
            continue;
        }
        const LogicalFont f = font(c.family, 36);
        const RawFace raw(lib().primaryFace(f));
        ASSERT_NE(raw.face, nullptr);
        const auto* post =
            static_cast<const TT_Postscript*>(FT_Get_Sfnt_Table(raw.face, FT_SFNT_POST));
        const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(raw.face, FT_SFNT_OS2));
        ASSERT_NE(post, nullptr);
        ASSERT_NE(os2, nullptr);
        const double scale = size / raw.face->units_per_EM;
        const FontMetrics m = lib().metrics(f, size);
        const DecorationLine under = underlineLine(m, size);
        const DecorationLine strike = strikeoutLine(m, size);
        // FreeType halves the underline's position in units.
        EXPECT_NEAR(under.top, -post->underlinePosition * scale, 0.5 * scale + 1e-9);
        EXPECT_NEAR(under.thickness, post->underlineThickness * scale, 1e-9);
        EXPECT_NEAR(strike.top, -os2->yStrikeoutPosition * scale, 1e-9);
        EXPECT_NEAR(strike.thickness, os2->yStrikeoutSize * scale, 1e-9);
        // The underline below the baseline, the strike-through above it.
        EXPECT_GT(under.top, 0);
        EXPECT_LT(strike.top + strike.thickness, 0);
    }
}

TEST(TextLines, FacesWithoutThemGetTheUsualPlaces) {
    struct Case {
        FontMetrics metrics;
        double underlineTop, strikeTop, thickness;
    };
    FontMetrics none;
    FontMetrics xOnly;
    xOnly.xHeight = 14;
    FontMetrics broken;  // an underline above the baseline and a negative thickness
    broken.underlinePosition = 3;
    broken.underlineThickness = -1;
    broken.strikeoutThickness = std::numeric_limits<double>::quiet_NaN();
    // At 20 points: a tenth below the baseline, a quarter (or half the x-height) above it, a
    // twentieth thick.
    for (const Case& c :
         {Case{none, 2, -5.5, 1}, Case{xOnly, 2, -7.5, 1}, Case{broken, 2, -5.5, 1}}) {
        const DecorationLine u = underlineLine(c.metrics, 20);
        const DecorationLine s = strikeoutLine(c.metrics, 20);
        EXPECT_DOUBLE_EQ(u.top, c.underlineTop);
        EXPECT_DOUBLE_EQ(u.thickness, c.thickness);
        EXPECT_DOUBLE_EQ(s.top, c.strikeTop);
        EXPECT_DOUBLE_EQ(s.thickness, c.thickness);
        // A heavy underline is twice as thick about the same centre; nonsense weights are 1.
        const DecorationLine heavy = underlineLine(c.metrics, 20, 2);
        EXPECT_DOUBLE_EQ(heavy.thickness, 2 * c.thickness);
        EXPECT_DOUBLE_EQ(heavy.top + heavy.thickness / 2, u.top + u.thickness / 2);
        for (double wild : {0.0, -3.0, std::numeric_limits<double>::quiet_NaN()}) {
            EXPECT_DOUBLE_EQ(underlineLine(c.metrics, 20, wild).thickness, c.thickness);
        }
    }
}

// A text line's outlines: one rectangle when solid, a rectangle per dash counted from its start
// and cut at its end, a band swinging a thickness either way when wavy; nonsense draws nothing,
// and a line too long for its dashes is drawn solid.
TEST(TextLines, DashesAndWavesAreTheirOwnOutlines) {
    using Outlines = std::vector<std::vector<Point>>;
    const DecorationLine line{10, 2};  // top 10, 2 thick: dashes in units of 2
    const auto rect = [](double a, double b) {
        return std::vector<Point>{{a, 10}, {b, 10}, {b, 12}, {a, 12}};
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* name;
        double x0, x1;
        DecorationLine line;
        std::vector<double> dashes;
        Outlines expected;
    };
    const Case cases[] = {
        {"solid", 5, 25, line, {}, {rect(5, 25)}},
        {"dotted", 0, 9, line, {1, 1}, {rect(0, 2), rect(4, 6), rect(8, 9)}},
        {"dash-dot",
         100,
         126,
         line,
         {4, 3, 1, 3},
         {rect(100, 108), rect(114, 116), rect(122, 126)}},
        {"one value is no pattern", 0, 9, line, {3}, {rect(0, 9)}},
        {"gaps of nothing", 0, 4, line, {1, 0}, {rect(0, 2), rect(2, 4)}},
        {"too many dashes", 0, 1e9, line, {1, 1}, {rect(0, 1e9)}},
        // Far from the origin a step is below the coordinates' precision: still a few dashes.
        {"far away", 1e20, 1e20 + 65536, {10, 1000}, {1, 1}, {}},
        {"backwards", 9, 0, line, {}, {}},
        {"no thickness", 0, 9, {10, 0}, {}, {}},
        {"not a number", 0, nan, line, {1, 1}, {}},
    };
    for (const Case& c : cases) {
        const Outlines drawn = decorationOutlines(c.x0, c.x1, c.line, c.dashes, false);
        if (c.x0 > 1e19) {
            EXPECT_EQ(drawn.size(), 33u) << c.name;  // 65536 long, a dash and a gap 1000 each
            continue;
        }
        EXPECT_EQ(drawn, c.expected) << c.name;
    }
    // A wave: corners every three thicknesses, up first, the last one cut at the end halfway
    // between; its lower edge a thickness under the upper.
    const Outlines wave = decorationOutlines(0, 15, line, {}, true);
    const std::vector<Point> upper{{0, 8}, {6, 12}, {12, 8}, {15, 10}};
    ASSERT_EQ(wave.size(), 1u);
    ASSERT_EQ(wave[0].size(), 2 * upper.size());
    for (std::size_t i = 0; i < upper.size(); ++i) {
        EXPECT_EQ(wave[0][i], upper[i]) << i;
        const Point& under = wave[0][wave[0].size() - 1 - i];
        EXPECT_EQ(under, (Point{upper[i].x, upper[i].y + 2})) << i;
    }
    // Waves ignore dashes; one too long for its corners is a plain line.
    EXPECT_EQ(decorationOutlines(0, 15, line, {1, 1}, true), wave);
    EXPECT_EQ(decorationOutlines(0, 1e9, line, {}, true), Outlines{rect(0, 1e9)});
}

TEST(FontLibraryTest, AdvancesAreTheMetricCompatibleWidths) {
    REQUIRE_FONT("Liberation Sans", "fonts-liberation2");
    // Arial's widths in font units: H 1479, e 1139, l 455, o 1139, space 569.
    LogicalFont f = font("Arial");
    EXPECT_NEAR(lib().advance(f, U'H', 2048), 1479, 1e-9);
    EXPECT_NEAR(lib().advance(f, U' ', 2048), 569, 1e-9);
    TextExtent e = lib().textExtent(f, U"Hello", 2048);
    EXPECT_NEAR(e.width, 1479 + 1139 + 455 + 455 + 1139, 1e-9);
    EXPECT_NEAR(lib().textExtent(f, U"Hello", 20.48).width, 46.67, 1e-9);
    EXPECT_EQ(lib().textExtent(f, U"", 20).width, 0);
    // The extent at the font's own height.
    EXPECT_NEAR(lib().textExtent(font("Arial", -2048), U"Hello").width, 4667, 1e-9);
}

// --- outlines ------------------------------------------------------------------------------------

void checkOutlines(const LogicalFont& f, const std::u32string& text, bool expectCubic) {
    FontMetrics m = lib().metrics(f);
    ASSERT_GT(m.emPixels, 0);
    int cubics = 0;
    int conics = 0;
    for (char32_t code : text) {
        SCOPED_TRACE(static_cast<std::uint32_t>(code));
        GlyphOutline g = lib().glyphOutline(f, code);
        ASSERT_FALSE(g.contours.empty());
        EXPECT_FALSE(g.fallback);
        expectClosed(g);
        expectInsideExtents(g, m);

        FaceInfo info = lib().faceFor(f, code);
        EXPECT_EQ(info.cff, expectCubic);
        Reference ref = referenceOutline(info, code, m.emPixels);
        cubics += ref.cubics;
        conics += ref.conics;
        // Right scale: the outline's box is the font-unit box scaled to the em. The box of the
        // points encloses the curves, so it may only be larger, and only by a little.
        double scale = m.emPixels / info.unitsPerEm;
        Box b = g.bounds();
        EXPECT_LE(b.xMin, ref.unitsBox.xMin * scale + 1e-6);
        EXPECT_LE(b.yMin, ref.unitsBox.yMin * scale + 1e-6);
        EXPECT_GE(b.xMax, ref.unitsBox.xMax * scale - 1e-6);
        EXPECT_GE(b.yMax, ref.unitsBox.yMax * scale - 1e-6);
        EXPECT_NEAR(b.yMax, ref.unitsBox.yMax * scale, 0.02 * m.emPixels);
        // Same shape as FreeType's own reading of the glyph: quadratic outlines exactly (to
        // FreeType's 1/64-unit rounding), cubic ones within the tolerance of 1/20 pixel.
        double distance = outlineDistance(g, ref);
        EXPECT_LT(distance, expectCubic ? 0.05 : 0.01);
    }
    // The glyphs really had curves of the kind under test.
    EXPECT_EQ(cubics > 0, expectCubic);
    EXPECT_EQ(conics > 0, !expectCubic);
}

TEST(FontLibraryTest, TrueTypeOutlinesAreClosedInsideTheExtentsAndToScale) {
    REQUIRE_FONT("Liberation Sans", "fonts-liberation2");
    REQUIRE_FONT("Carlito", "fonts-crosextra-carlito");
    checkOutlines(font("Arial", -200), U"HOgA&@S8", false);
    checkOutlines(font("Calibri", 150), U"HOgQ", false);

    // 'H' stands the cap height tall: 1409 of 2048 units in Liberation Sans.
    LogicalFont f = font("Arial", -100);
    Box h = lib().glyphOutline(f, U'H').bounds();
    EXPECT_NEAR(h.yMax, 100.0 * 1409 / 2048, 1e-9);
    EXPECT_NEAR(h.yMin, 0, 1e-9);
    EXPECT_NEAR(h.yMax, lib().metrics(f).capHeight, 0.01);
    // Half the size, half the glyph.
    Box half = lib().glyphOutline(font("Arial", -50), U'H').bounds();
    EXPECT_NEAR(half.yMax * 2, h.yMax, 1e-9);
    EXPECT_NEAR(half.xMax * 2, h.xMax, 1e-9);
}

TEST(FontLibraryTest, CffOutlinesAreClosedInsideTheExtentsAndWithinTolerance) {
    REQUIRE_FONT("Comic Neue", "fonts-comic-neue");
    REQUIRE_FONT("Noto Sans CJK JP", "fonts-noto-cjk");
    checkOutlines(font("Comic Sans MS", -200), U"HOgS&8", true);
    checkOutlines(font("Noto Sans CJK JP", -120), U"永口あ", true);

    // 'H' at the cap height of the face.
    LogicalFont f = font("Comic Sans MS", -100);
    Box h = lib().glyphOutline(f, U'H').bounds();
    EXPECT_NEAR(h.yMax, lib().metrics(f).capHeight, 0.02 * 100);
}

TEST(FontLibraryTest, SynthesizedBoldAndItalic) {
    REQUIRE_FONT("Noto Sans Symbols2", "fonts-noto-core");
    REQUIRE_FONT("Noto Sans CJK JP", "fonts-noto-cjk");
    // A face with no bold is thickened; a face with no italic is slanted.
    LogicalFont regular = font("Noto Sans Symbols2", -100);
    LogicalFont bold = font("Noto Sans Symbols2", -100, true);
    EXPECT_LT(lib().faceFor(bold, U'★').weight, 600);
    GlyphOutline r = lib().glyphOutline(regular, U'★');
    GlyphOutline b = lib().glyphOutline(bold, U'★');
    ASSERT_FALSE(b.contours.empty());
    expectClosed(b);
    EXPECT_GT(b.advance, r.advance);
    EXPECT_GT(b.bounds().xMax - b.bounds().xMin, r.bounds().xMax - r.bounds().xMin);

    LogicalFont upright = font("Noto Sans CJK JP", -100);
    LogicalFont slanted = font("Noto Sans CJK JP", -100, false, true);
    EXPECT_FALSE(lib().faceFor(slanted, U'口').italic);
    Box u = lib().glyphOutline(upright, U'口').bounds();
    Box s = lib().glyphOutline(slanted, U'口').bounds();
    EXPECT_NEAR(s.yMax, u.yMax, 1e-9);
    EXPECT_GT(s.xMax, u.xMax + 0.1 * u.yMax);
}

TEST(FontLibraryTest, CharactersWithoutOutlines) {
    REQUIRE_FONT("Liberation Sans", "fonts-liberation2");
    LogicalFont f = font("Arial", -100);
    GlyphOutline space = lib().glyphOutline(f, U' ');
    EXPECT_TRUE(space.contours.empty());
    EXPECT_GT(space.advance, 0);
    EXPECT_FALSE(space.missing);
    for (char32_t code : {U'\t', U'\r', U'\0', U'\u200B', U'\uFEFF', U'\u00AD'}) {
        GlyphOutline g = lib().glyphOutline(f, code);
        EXPECT_TRUE(g.contours.empty());
        EXPECT_EQ(g.advance, 0);
        EXPECT_FALSE(g.missing);
    }
    // A character no face has, and values that are no characters, show the missing-glyph box.
    for (char32_t code :
         {char32_t{0x10FFFD}, char32_t{0xD800}, char32_t{0x110000}, char32_t{0xFFFFFFFF}}) {
        GlyphOutline g = lib().glyphOutline(f, code);
        EXPECT_TRUE(g.missing) << static_cast<std::uint32_t>(code);
        EXPECT_FALSE(lib().faceFor(f, code).valid());
        expectClosed(g);
    }
}

TEST(FontLibraryTest, AbsurdSizesGiveNothingRatherThanFail) {
    REQUIRE_FONT("Liberation Sans", "fonts-liberation2");
    LogicalFont f = font("Arial");
    double nan = std::numeric_limits<double>::quiet_NaN();
    for (double em : {nan, -5.0, 0.0, 1e12, std::numeric_limits<double>::infinity()}) {
        GlyphOutline g = lib().glyphOutline(f, U'A', em);
        EXPECT_TRUE(g.contours.empty());
        EXPECT_EQ(g.advance, 0);
        EXPECT_EQ(lib().advance(f, U'A', em), 0);
        EXPECT_EQ(lib().kerning(f, U'A', U'V', em), 0);
        EXPECT_EQ(lib().textExtent(f, U"AV", em).width, 0);
        EXPECT_EQ(lib().metrics(f, em).cellHeight, 0);
    }
    // The largest heights a record can hold.
    EXPECT_TRUE(lib().glyphOutline(font("Arial", INT_MIN), U'A').contours.empty());
    EXPECT_TRUE(lib().glyphOutline(font("Arial", INT_MAX), U'A').contours.empty());
    // Tiny sizes still give outlines.
    EXPECT_FALSE(lib().glyphOutline(font("Arial", -1), U'A').contours.empty());
}

}  // namespace
}  // namespace quillet::fonts
