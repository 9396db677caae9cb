// Metafiles written here record by record, drawn and checked pixel by pixel; damaged ones are
// refused with a reason; the corpus decks' metafile pictures are drawn.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "fonts/font_library.h"
#include "host/pptx/package.h"
#include "host/pptx/reader.h"
#include "host/pptx/render/metafile.h"
#include "host/pptx/render/picture.h"
#include "host/pptx/render/renderer.h"
#include "test_deck.h"
#include "test_render.h"

namespace quillet::pptx::render {
namespace {

// Functions of the records the tests write.
enum : std::uint16_t {
    kSaveDc = 0x001E,
    kRestoreDc = 0x0127,
    kFillMode = 0x0106,
    kWindowOrg = 0x020B,
    kWindowExt = 0x020C,
    kSelect = 0x012D,
    kDelete = 0x01F0,
    kPen = 0x02FA,
    kBrush = 0x02FC,
    kPolygon = 0x0324,
    kPolyPolygon = 0x0538,
    kRectangle = 0x041B,
    kEllipse = 0x0418,
    kStretchBlt = 0x0B41,
};

constexpr std::uint32_t kSrcCopy = 0x00CC0020, kSrcAnd = 0x008800C6, kSrcInvert = 0x00660046;

class Wmf {
  public:
    Wmf& rec(std::uint16_t fn, const std::vector<int>& words,
             const std::vector<std::uint8_t>& tail = {}) {
        put32(body_, static_cast<std::uint32_t>(3 + words.size() + (tail.size() + 1) / 2));
        put16(body_, fn);
        for (int w : words) put16(body_, static_cast<std::uint16_t>(w));
        body_.insert(body_.end(), tail.begin(), tail.end());
        if (tail.size() % 2) body_.push_back(0);
        ++records_;
        return *this;
    }
    static int lo(std::uint32_t v) { return static_cast<int>(v & 0xFFFF); }
    static int hi(std::uint32_t v) { return static_cast<int>(v >> 16); }
    Wmf& pen(int style, int width, std::uint32_t bgr) {
        return rec(kPen, {style, width, 0, lo(bgr), hi(bgr)});
    }
    Wmf& brush(int style, std::uint32_t bgr) { return rec(kBrush, {style, lo(bgr), hi(bgr), 0}); }
    Wmf& rect(int l, int t, int r, int b) { return rec(kRectangle, {b, r, t, l}); }
    Wmf& blt(std::uint32_t rop, int srcW, int srcH, int x, int y, int w, int h,
             const std::vector<std::uint8_t>& dib) {
        return rec(kStretchBlt, {lo(rop), hi(rop), srcH, srcW, 0, 0, h, w, y, x}, dib);
    }

    // With a placeable header of a 0..size square at 96 units an inch, or a plain header.
    std::vector<std::uint8_t> bytes(int objects, int size = 100, bool placeable = true) const {
        std::vector<std::uint8_t> b;
        if (placeable) {
            put32(b, 0x9AC6CDD7);
            for (int w : {0, 0, 0, size, size, 96, 0, 0}) put16(b, static_cast<std::uint16_t>(w));
            std::uint16_t sum = 0;
            for (std::size_t i = 0; i < 20; i += 2)
                sum ^= static_cast<std::uint16_t>(b[i] | b[i + 1] << 8);
            put16(b, sum);
        }
        const std::size_t total = 9 + body_.size() / 2 + 3;
        for (int w : {1, 9, 0x300}) put16(b, static_cast<std::uint16_t>(w));
        put32(b, static_cast<std::uint32_t>(total));
        put16(b, static_cast<std::uint16_t>(objects));
        put32(b, 16);
        put16(b, 0);
        b.insert(b.end(), body_.begin(), body_.end());
        put32(b, 3);
        put16(b, 0);
        return b;
    }

    static void put16(std::vector<std::uint8_t>& b, std::uint16_t v) {
        b.push_back(static_cast<std::uint8_t>(v));
        b.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    static void put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
        put16(b, static_cast<std::uint16_t>(v));
        put16(b, static_cast<std::uint16_t>(v >> 16));
    }

  private:
    std::vector<std::uint8_t> body_;
    int records_ = 0;
};

// A bottom-up bitmap of one row: 24-bit pixels (BGR) or 1-bit indices into black, white.
std::vector<std::uint8_t> dib(const std::vector<std::uint32_t>& row, int bits) {
    std::vector<std::uint8_t> b;
    Wmf::put32(b, 40);
    Wmf::put32(b, static_cast<std::uint32_t>(row.size()));
    Wmf::put32(b, 1);
    Wmf::put16(b, 1);
    Wmf::put16(b, static_cast<std::uint16_t>(bits));
    for (int i = 0; i < 6; ++i) Wmf::put32(b, 0);
    std::vector<std::uint8_t> bitsRow;
    if (bits == 1) {
        Wmf::put32(b, 0);
        Wmf::put32(b, 0xFFFFFF);
        std::uint8_t packed = 0;
        for (std::size_t i = 0; i < row.size(); ++i)
            packed |= static_cast<std::uint8_t>((row[i] ? 1 : 0) << (7 - i));
        bitsRow.push_back(packed);
    } else {
        for (std::uint32_t rgb : row) {
            bitsRow.push_back(static_cast<std::uint8_t>(rgb));
            bitsRow.push_back(static_cast<std::uint8_t>(rgb >> 8));
            bitsRow.push_back(static_cast<std::uint8_t>(rgb >> 16));
        }
    }
    while (bitsRow.size() % 4) bitsRow.push_back(0);
    b.insert(b.end(), bitsRow.begin(), bitsRow.end());
    return b;
}

// An EMF of bounds 0..99 × 0..99 (100 × 100 pixels), records of 32-bit values.
class Emf {
  public:
    Emf& rec(std::uint32_t type, const std::vector<std::uint32_t>& values) {
        Wmf::put32(body_, type);
        Wmf::put32(body_, static_cast<std::uint32_t>(8 + 4 * values.size()));
        for (std::uint32_t v : values) Wmf::put32(body_, v);
        return *this;
    }
    static std::uint32_t pair16(int x, int y) {
        return static_cast<std::uint16_t>(x) |
               static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16;
    }
    static std::uint32_t real(float f) { return std::bit_cast<std::uint32_t>(f); }
    // A red brush in slot 1 and no pen.
    Emf& redBrush() { return rec(39, {1, 0, 0x0000FF, 0}).rec(37, {1}).rec(37, {0x80000008}); }
    std::vector<std::uint8_t> bytes(std::uint32_t handles = 2) const {
        std::vector<std::uint8_t> b;
        for (std::uint32_t v : {1u,
                                88u,
                                0u,
                                0u,
                                99u,
                                99u,
                                0u,
                                0u,
                                0u,
                                0u,
                                0x464D4520u,
                                0x10000u,
                                static_cast<std::uint32_t>(88 + body_.size() + 20),
                                0u,
                                handles,
                                0u,
                                0u,
                                0u,
                                0u,
                                0u,
                                0u,
                                0u})
            Wmf::put32(b, v);
        b.insert(b.end(), body_.begin(), body_.end());
        for (std::uint32_t v : {14u, 20u, 0u, 0u, 20u}) Wmf::put32(b, v);
        return b;
    }

  private:
    std::vector<std::uint8_t> body_;
};

std::uint32_t argbAt(cairo_surface_t* s, int x, int y) {
    cairo_surface_flush(s);
    const auto* row = reinterpret_cast<const std::uint32_t*>(
        cairo_image_surface_get_data(s) +
        static_cast<std::size_t>(y) * static_cast<std::size_t>(cairo_image_surface_get_stride(s)));
    return row[x];
}

struct Sample {
    int x, y;
    std::uint32_t argb;  // premultiplied; 0 is see-through
};

struct DrawCase {
    const char* name;
    std::function<std::vector<std::uint8_t>()> file;
    std::vector<Sample> samples;
};

constexpr std::uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kGreen = 0xFF00FF00, kClear = 0;

// Two squares, the second inside the first, filled under the fill mode (1 alternate, 2 winding).
std::vector<std::uint8_t> squareWithHole(int mode) {
    Wmf w;
    w.brush(0, 0x0000FF).rec(kSelect, {0}).pen(5, 0, 0).rec(kSelect, {1}).rec(kFillMode, {mode});
    w.rec(kPolyPolygon, {2, 4, 4, 10, 10, 90, 10, 90, 90, 10, 90, 40, 40, 60, 40, 60, 60, 40, 60});
    return w.bytes(2);
}

const DrawCase kDrawCases[] = {
    {"RectangleFilledByTheBrush",
     [] {
         return Wmf()
             .brush(0, 0x0000FF)
             .rec(kSelect, {0})
             .pen(5, 0, 0)
             .rec(kSelect, {1})
             .rect(10, 10, 90, 90)
             .bytes(2);
     },
     {{50, 50, kRed}, {12, 88, kRed}, {5, 5, kClear}, {95, 50, kClear}}},
    {"AlternateFillLeavesTheHole",
     [] { return squareWithHole(1); },
     {{20, 50, kRed}, {50, 50, kClear}}},
    {"WindingFillCoversTheHole",
     [] { return squareWithHole(2); },
     {{20, 50, kRed}, {50, 50, kRed}}},
    {"PenWidthInLogicalUnits",
     [] {
         return Wmf()
             .pen(0, 10, 0xFF0000)
             .rec(kSelect, {0})
             .brush(1, 0)
             .rec(kSelect, {1})
             .rect(20, 20, 80, 80)
             .bytes(2);
     },
     {{20, 50, kBlue}, {23, 50, kBlue}, {17, 50, kBlue}, {28, 50, kClear}, {50, 50, kClear}}},
    {"HairlinePenStaysThin",
     [] {
         return Wmf()
             .pen(0, 0, 0xFF0000)
             .rec(kSelect, {0})
             .brush(1, 0)
             .rec(kSelect, {1})
             .rect(20, 20, 80, 80)
             .bytes(2);
     },
     {{23, 50, kClear}, {17, 50, kClear}}},
    {"EllipseInsideItsBox",
     [] {
         return Wmf()
             .brush(0, 0x00FF00)
             .rec(kSelect, {0})
             .pen(5, 0, 0)
             .rec(kSelect, {1})
             .rec(kEllipse, {100, 100, 0, 0})
             .bytes(2);
     },
     {{50, 50, kGreen}, {50, 2, kGreen}, {4, 4, kClear}, {96, 96, kClear}}},
    {"RestoredStateBringsTheBrushBack",
     [] {
         Wmf w;
         w.brush(0, 0x00FF00).rec(kSelect, {0}).pen(5, 0, 0).rec(kSelect, {1}).rec(kSaveDc, {});
         w.brush(0, 0x0000FF).rec(kSelect, {2}).rec(kRestoreDc, {0xFFFF}).rect(0, 0, 100, 100);
         return w.bytes(3);
     },
     {{50, 50, kGreen}}},
    {"DeletedSlotIsReused",
     [] {
         Wmf w;
         w.pen(5, 0, 0).rec(kSelect, {0}).brush(0, 0x00FF00).rec(kDelete, {1});
         w.brush(0, 0x0000FF).rec(kSelect, {1}).rect(0, 0, 100, 100);
         return w.bytes(2);
     },
     {{50, 50, kRed}}},
    {"WindowFlippedUpwards",
     [] {
         // No placeable header: the window gives the size; y grows upwards.
         Wmf w;
         w.rec(kWindowOrg, {0, 0}).rec(kWindowExt, {-100, 100});
         w.brush(0, 0x0000FF).rec(kSelect, {0}).pen(5, 0, 0).rec(kSelect, {1});
         w.rect(0, -50, 50, -100);
         return w.bytes(2, 0, false);
     },
     {{128, 384, kRed}, {384, 128, kClear}, {128, 128, kClear}}},
    {"BitmapStretchedOverItsBox",
     [] {
         return Wmf().blt(kSrcCopy, 2, 1, 0, 0, 100, 100, dib({0xFF0000, 0x0000FF}, 24)).bytes(0);
     },
     {{10, 50, kRed}, {90, 50, kBlue}}},
    {"MaskedBitmapIsSeeThroughWhereTheMaskIsWhite",
     [] {
         Wmf w;
         w.blt(kSrcAnd, 2, 1, 0, 0, 100, 100, dib({0, 1}, 1));
         w.blt(kSrcInvert, 2, 1, 0, 0, 100, 100, dib({0xFF0000, 0}, 24));
         return w.bytes(0);
     },
     {{10, 50, kRed}, {90, 50, kClear}}},
    {"EmfPolygonOf16BitPoints",
     [] {
         return Emf()
             .redBrush()
             .rec(86,
                  {0, 0, 0, 0, 3, Emf::pair16(10, 10), Emf::pair16(90, 10), Emf::pair16(10, 90)})
             .bytes();
     },
     {{30, 30, kRed}, {80, 80, kClear}}},
    {"EmfWorldTransformMovesTheShape",
     [] {
         Emf e;
         e.redBrush().rec(35, {Emf::real(1), 0, 0, Emf::real(1), Emf::real(50), 0});
         return e.rec(43, {0, 0, 40, 100}).bytes();
     },
     {{70, 50, kRed}, {20, 50, kClear}}},
    {"EmfPathFilled",
     [] {
         Emf e;
         e.redBrush().rec(59, {}).rec(27, {10, 10}).rec(54, {90, 10}).rec(54, {90, 90});
         return e.rec(61, {}).rec(60, {}).rec(62, {0, 0, 0, 0}).bytes();
     },
     {{80, 30, kRed}, {20, 80, kClear}}},
    {"EmfClipResetByAnEmptyRegion",
     [] {
         Emf e;
         e.redBrush().rec(30, {0, 0, 50, 100}).rec(75, {0, 5});
         return e.rec(43, {0, 0, 100, 100}).bytes();
     },
     {{25, 50, kRed}, {75, 50, kRed}}},
    {"EmfClipToARegionsRectangles",
     [] {
         Emf e;
         e.redBrush().rec(75, {48, 5, 32, 1, 1, 16, 0, 0, 50, 100, 0, 0, 50, 100});
         return e.rec(43, {0, 0, 100, 100}).bytes();
     },
     {{25, 50, kRed}, {75, 50, kClear}}},
    {"WmfClipRectangle",
     [] {
         Wmf w;
         w.brush(0, 0x0000FF).rec(kSelect, {0}).pen(5, 0, 0).rec(kSelect, {1});
         return w.rec(0x0416, {100, 50, 0, 0}).rect(0, 0, 100, 100).bytes(2);
     },
     {{25, 50, kRed}, {75, 50, kClear}}},
};

class MetafileDrawing : public testing::TestWithParam<DrawCase> {};

TEST_P(MetafileDrawing, PixelsWhereTheRecordsPutThem) {
    const DrawCase& c = GetParam();
    const std::vector<std::uint8_t> bytes = c.file();
    ASSERT_NE(sniffPicture(bytes), PictureFormat::Unknown);
    DecodedPicture d = decodePicture(bytes);
    ASSERT_TRUE(d.drawable()) << d.problem;
    EXPECT_EQ(d.metafile, bytes);
    cairo_surface_t* pixels = d.pixels();
    ASSERT_TRUE(pixels);
    for (const Sample& s : c.samples) {
        const std::uint32_t got = argbAt(pixels, s.x, s.y);
        for (int shift : {24, 16, 8, 0}) {
            EXPECT_NEAR(static_cast<int>(got >> shift & 0xFF),
                        static_cast<int>(s.argb >> shift & 0xFF), 2)
                << "at " << s.x << "," << s.y << std::hex << ": " << got;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Metafile, MetafileDrawing, testing::ValuesIn(kDrawCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct DamageCase {
    const char* name;
    std::function<std::vector<std::uint8_t>()> file;
    const char* reason;
};

std::vector<std::uint8_t> goodFile() {
    return Wmf().brush(0, 0xFF).rec(kSelect, {0}).rect(0, 0, 50, 50).bytes(1);
}

const DamageCase kDamageCases[] = {
    {"CutInsideARecord",
     [] {
         auto b = goodFile();
         b.resize(b.size() - 10);
         return b;
     },
     "past the end"},
    {"RecordLongerThanTheData",
     [] {
         auto b = goodFile();
         b[22 + 18] = 0xFF, b[22 + 19] = 0xFF, b[22 + 20] = 0xFF, b[22 + 21] = 0x7F;
         return b;
     },
     "past the end"},
    {"RecordOfNoLength",
     [] {
         auto b = goodFile();
         std::fill(b.begin() + 40, b.begin() + 44, 0);
         return b;
     },
     "no length"},
    {"PointCountBeyondTheRecord",
     [] {
         return Wmf().rec(kPolygon, {30000, 1, 1, 2, 2}).bytes(0);
     },
     "past the record"},
    {"PolygonCountBeyondTheRecord",
     [] {
         return Wmf().rec(kPolyPolygon, {0x7FFF, 3}).bytes(0);
     },
     "past the record"},
    {"ObjectIndexPastTheTable", [] { return Wmf().brush(0, 0xFF).rec(kSelect, {40}).bytes(1); },
     "object index"},
    {"EmptyObjectSlotSelected", [] { return Wmf().rec(kSelect, {0}).bytes(2); }, "empty object"},
    {"EndlessSavedStates",
     [] {
         Wmf w;
         for (std::uint32_t i = 0; i <= kMaxMetafileSaves; ++i) w.rec(kSaveDc, {});
         return w.bytes(0);
     },
     "saved states"},
    {"NoHeader", [] { return std::vector<std::uint8_t>{0xD7, 0xCD, 0xC6, 0x9A, 0, 0}; },
     "cut short"},
    {"PlainHeaderWithoutWindow", [] { return goodFile(); }, ""},
    {"EmfRecordOfOddLength",
     [] {
         auto b = Emf().redBrush().bytes();
         b[92] = 13;
         return b;
     },
     "no length"},
    {"EmfPointCountBeyondTheRecord",
     [] {
         return Emf().rec(86, {0, 0, 0, 0, 1u << 30}).bytes();
     },
     "past the record"},
    {"EmfObjectInTheMetafilesOwnSlot",
     [] {
         return Emf().rec(39, {0, 0, 0, 0}).bytes();
     },
     "object index"},
};

class DamagedMetafile : public testing::TestWithParam<DamageCase> {};

TEST_P(DamagedMetafile, RefusedWithAReason) {
    const DamageCase& c = GetParam();
    std::vector<std::uint8_t> bytes = c.file();
    std::string reason = c.reason;
    if (reason.empty()) {
        bytes.erase(bytes.begin(), bytes.begin() + 22);  // the size came from the placeable header
        reason = "states no size";
    }
    DecodedPicture d = decodePicture(bytes);
    EXPECT_FALSE(d.drawable());
    EXPECT_NE(d.problem.find(reason), std::string::npos) << d.problem;
}

INSTANTIATE_TEST_SUITE_P(Metafile, DamagedMetafile, testing::ValuesIn(kDamageCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Text of a font record, placed by the distances the record gives: the second character's ink
// starts those distances after the first's, with nothing between unless the font is underlined or
// struck through (its line then runs from the first character to past the last); without a font
// library the text is left out.
TEST(MetafileText, CharactersAtTheGivenDistances) {
    // A font of em 40 (negative height), "Arial", then "ll" from (20, 10) with distances 50, 50.
    const auto file = [](int underline, int strikeOut) {
        Wmf w;
        std::vector<int> font = {-40, 0, 0, 0, 400, underline << 8, strikeOut, 0, 0};
        for (int pair : {'A' | 'r' << 8, 'i' | 'a' << 8, int{'l'}, 0}) font.push_back(pair);
        w.rec(0x02FB, font).rec(kSelect, {0});
        w.rec(0x0A32, {10, 20, 2, 0, 'l' | 'l' << 8, 50, 50});
        return w.bytes(1, 100);
    };
    // Inked columns, and the rows inked in the columns between the two characters.
    struct Ink {
        std::vector<bool> columns = std::vector<bool>(100, false);
        std::vector<int> rowsBetween;
    };
    const auto inkOf = [](const std::vector<std::uint8_t>& bytes, fonts::FontLibrary* lib,
                          long between) {
        Surface s(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 100, 100));
        cairo_t* cr = cairo_create(s.get());
        EXPECT_EQ(playMetafile(bytes, cr, 100, 100, kMaxPicturePixels, lib), "");
        cairo_destroy(cr);
        Ink ink;
        for (int y = 0; y < 100; ++y) {
            for (int x = 0; x < 100; ++x) {
                if ((argbAt(s.get(), x, y) >> 24) <= 128) continue;
                ink.columns[static_cast<std::size_t>(x)] = true;
                if (x == between) ink.rowsBetween.push_back(y);
            }
        }
        return ink;
    };
    fonts::FontLibrary lib;
    const std::vector<bool> ink = inkOf(file(0, 0), &lib, -1).columns;
    const auto first = std::find(ink.begin(), ink.end(), true) - ink.begin();
    std::string row;
    for (bool b : ink) row += b ? "#" : ".";
    ASSERT_LT(first, 40) << "no text drawn";
    SCOPED_TRACE(row);
    EXPECT_GE(first, 20);
    EXPECT_TRUE(ink[static_cast<std::size_t>(first + 50)] ||
                ink[static_cast<std::size_t>(first + 51)]);
    for (auto x = first + 15; x < first + 35; ++x)
        EXPECT_FALSE(ink[static_cast<std::size_t>(x)]) << x;
    const std::vector<bool> none = inkOf(file(0, 0), nullptr, -1).columns;
    EXPECT_EQ(std::find(none.begin(), none.end(), true), none.end());

    // The 'l' stands from about row 10 to its baseline near 10 + 0.9 em: an underline's rows are
    // under the baseline, a strike-through's well above it, each a few rows thick.
    const long between = first + 25;
    const auto rowsOf = [&](int underline, int strikeOut) {
        return inkOf(file(underline, strikeOut), &lib, between).rowsBetween;
    };
    const std::vector<int> under = rowsOf(1, 0), through = rowsOf(0, 1);
    ASSERT_FALSE(under.empty());
    ASSERT_FALSE(through.empty());
    EXPECT_LE(under.size(), 5u);
    EXPECT_LE(through.size(), 5u);
    EXPECT_GT(under.front(), 10 + 36);
    EXPECT_LT(through.back(), 10 + 32);
    EXPECT_GT(through.front(), 10 + 15);
    EXPECT_EQ(rowsOf(1, 1).size(), under.size() + through.size());
}

// On a slide, a metafile is drawn at the slide's resolution: a triangle of a picture that states
// four pixels keeps a sharp edge when its frame is 200 points wide.
TEST(MetafileOnSlide, DrawnAtTheSlidesResolution) {
    const std::vector<std::uint8_t> wmf = Wmf()
                                              .brush(0, 0x0000FF)
                                              .rec(kSelect, {0})
                                              .pen(5, 0, 0)
                                              .rec(kSelect, {1})
                                              .rec(kPolygon, {3, 0, 0, 4, 0, 0, 4})
                                              .bytes(2, 4);
    test::DeckRecipe recipe;
    recipe.slides = {test::slideXml(
        "<p:pic><p:nvPicPr><p:cNvPr id=\"3\" name=\"P\"/><p:cNvPicPr/><p:nvPr/></p:nvPicPr>"
        "<p:blipFill><a:blip r:embed=\"rId2\"/><a:stretch><a:fillRect/></a:stretch></p:blipFill>"
        "<p:spPr>" +
        test::xfrm(100 * test::kEmu, 100 * test::kEmu, 200 * test::kEmu, 200 * test::kEmu) +
        "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></p:spPr></p:pic>")};
    recipe.extra = {{"ppt/media/image1.png", std::string(wmf.begin(), wmf.end())}};
    auto deck = readPresentation(Package::openMemory(test::makeDeck(recipe)));
    EXPECT_TRUE(deck->warnings.empty()) << deck->warnings.front();
    Renderer renderer;
    Surface drawn = renderer.renderSlide(*deck, *deck->slides.at(0), 720, 540);
    // Four points either side of the diagonal x + y = 200 within the frame.
    test::expectPixels(drawn.get(), {{100 + 96, 100 + 100, 0xFF0000, 8},
                                     {100 + 104, 100 + 100, 0xFFFFFF, 8},
                                     {100 + 20, 100 + 20, 0xFF0000, 0}});
}

}  // namespace
}  // namespace quillet::pptx::render
