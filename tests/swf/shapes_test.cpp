#include "swf/shapes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "swf/display_list.h"
#include "swf/movie.h"

#include "tests/swf/swf_test_support.h"

namespace transform {
namespace {

using namespace test;

int bitCount(std::string_view text) {
    int count = 0;
    for (char c : text) count += (c == '0' || c == '1') ? 1 : 0;
    return count;
}

// The context an enclosing tag would set up.
struct Slots {
    int transparent = 0;
    int arrayExtended = 0;
    int fillSize = 0;
    int lineSize = 0;
    int type = 0;

    void apply(FSCoder& coder) const {
        coder.setContext(FSCoder::Transparent, transparent);
        coder.setContext(FSCoder::ArrayExtended, arrayExtended);
        coder.setContext(FSCoder::FillSize, fillSize);
        coder.setContext(FSCoder::LineSize, lineSize);
        coder.setContext(FSCoder::Type, type);
    }
};

constexpr Slots Opaque{};
constexpr Slots Alpha{.transparent = 1};
constexpr Slots Morph{.transparent = 1, .arrayExtended = 1, .type = 46};

// Encodes a shape record at cursor 0 into a stream of exactly the size its length counted, and
// checks that length advanced the cursor by the bits that encode then wrote.
Bytes encodeRecord(FSShapeObject& record, const Slots& slots, int& bits) {
    FSOutputStream sizing;
    slots.apply(sizing);
    bits = record.length(sizing);
    EXPECT_EQ(sizing.getCursor(), static_cast<std::size_t>(bits)) << record.name();
    FSOutputStream out(static_cast<std::size_t>((bits + 7) / 8));
    slots.apply(out);
    record.encode(out);
    EXPECT_EQ(out.getCursor(), static_cast<std::size_t>(bits)) << record.name();
    return out.takeData();
}

// Encodes a byte-sized object into a stream of exactly the size its length returned.
Bytes encodeValue(FSTransformObject& object, const Slots& slots) {
    FSOutputStream sizing;
    slots.apply(sizing);
    const int size = object.length(sizing);
    EXPECT_EQ(sizing.getCursor(), 0u) << object.name() << ": length must leave the cursor";
    FSOutputStream out(static_cast<std::size_t>(size));
    slots.apply(out);
    object.encode(out);
    EXPECT_EQ(out.getCursor(), static_cast<std::size_t>(size) * 8) << object.name();
    return out.takeData();
}

// ---- shape records: bit-exact vectors, run both ways ----

struct RecordVector {
    const char* label;
    std::function<std::unique_ptr<FSShapeObject>()> make;
    Slots slots;
    const char* bits;
};

std::unique_ptr<FSShapeObject> styleWithNewStyles() {
    auto style = std::make_unique<FSShapeStyle>(Default, 1, Default, Default, Default);
    style->addFillStyle(std::make_unique<FSSolidFill>(FSColor(1, 2, 3)));
    return style;
}

// A maker of a B that builds a T from copies of the arguments each time it is called.
template <class B, class T, class... Args>
std::function<std::unique_ptr<B>()> maker(Args... args) {
    return [=] { return std::unique_ptr<B>(std::make_unique<T>(args...)); };
}
template <class T, class... Args>
auto record(Args... args) {
    return maker<FSShapeObject, T>(args...);
}

std::vector<RecordVector> recordVectors() {
    return {
        {"horizontal line, size 8", record<FSLine>(100, 0), Opaque, "1 1 0110 0 0 01100100"},
        {"vertical line, size 4", record<FSLine>(0, -5), Opaque, "1 1 0010 0 1 1011"},
        {"general line, size 4", record<FSLine>(3, 4), Opaque, "1 1 0010 1 0011 0100"},
        {"empty line is horizontal", record<FSLine>(0, 0), Opaque, "1 1 0000 0 0 00"},
        {"widest line, size 17", record<FSLine>(65535, -1), Opaque,
         "1 1 1111 1 01111111111111111 11111111111111111"},
        {"curve at the minimum size", record<FSCurve>(1, 1, 1, 1), Opaque, "1 0 0000 01 01 01 01"},
        {"curve, size 5", record<FSCurve>(-15, 2, 0, 15), Opaque,
         "1 0 0011 10001 00010 00000 01111"},
        {"move to the origin", record<FSShapeStyle>(Default, Default, Default, 0, 0), Opaque,
         "0 0 0 0 0 1 00001 0 0"},
        {"move with one coordinate absent is no move",
         record<FSShapeStyle>(Default, 1, Default, 5, Default), Slots{.fillSize = 1},
         "0 0 0 0 1 0 1"},
        {"indexes in the current sizes", record<FSShapeStyle>(1, 2, 3, -3, 4),
         Slots{.fillSize = 2, .lineSize = 1}, "0 0 1 1 1 1 00100 1101 0100 10 11 1"},
        {"new styles padded after bit 3", styleWithNewStyles, Slots{.fillSize = 5},
         "0 1 0 0 1 0 00001 | 00000 | 00000001 | 00000000 00000001 00000010 00000011 | 00000000 "
         "| 0001 0000"},
        {"new styles after bit 0 need no padding",
         [] {
             auto style = std::make_unique<FSShapeStyle>(Default, 1, Default, Default, Default);
             style->addLineStyle(std::make_unique<FSSolidLine>(20, FSColor(1, 2, 3, 4)));
             return style;
         },
         Slots{.transparent = 1, .fillSize = 2},
         "0 1 0 0 1 0 01 | 00000000 | 00000001 |"
         "00010100 00000000 00000001 00000010 00000011 00000100 | 0000 0001"},
    };
}

TEST(ShapeRecordTest, VectorsEncodeBitExactlyAndDecodeToTheSameRecord) {
    for (const auto& vector : recordVectors()) {
        SCOPED_TRACE(vector.label);
        auto original = vector.make();
        int bits = 0;
        EXPECT_EQ(encodeRecord(*original, vector.slots, bits), bitsToBytes(vector.bits));
        EXPECT_EQ(bits, bitCount(vector.bits));
        FSInputStream in(bitsToBytes(vector.bits));
        vector.slots.apply(in);
        auto decoded = decodeShapeObject(in);
        ASSERT_NE(decoded, nullptr);
        EXPECT_STREQ(decoded->name(), original->name());
        EXPECT_EQ(in.getCursor(), static_cast<std::size_t>(bitCount(vector.bits)));
        EXPECT_EQ(encodeRecord(*decoded, vector.slots, bits), bitsToBytes(vector.bits));
    }
}

TEST(ShapeRecordTest, DecodedFieldsMatchTheEncodedOnes) {
    FSInputStream lineIn(bitsToBytes("1 1 0010 0 1 1011"));
    const FSLine line(lineIn);
    EXPECT_EQ(line.getX(), 0);
    EXPECT_EQ(line.getY(), -5);

    FSInputStream curveIn(bitsToBytes("1 0 0011 10001 00010 00000 01111"));
    const FSCurve curve(curveIn);
    EXPECT_EQ(curve.getControlX(), -15);
    EXPECT_EQ(curve.getControlY(), 2);
    EXPECT_EQ(curve.getAnchorX(), 0);
    EXPECT_EQ(curve.getAnchorY(), 15);

    FSInputStream styleIn(bitsToBytes("0 0 1 0 1 0 10 1"));
    styleIn.setContext(FSCoder::FillSize, 2);
    styleIn.setContext(FSCoder::LineSize, 1);
    const FSShapeStyle style(styleIn);
    EXPECT_EQ(style.getFillStyle(), 2);
    EXPECT_EQ(style.getLineStyle(), 1);
    EXPECT_FALSE(style.containsAltFillStyle());
    EXPECT_FALSE(style.containsMove());
    EXPECT_FALSE(style.containsStyles());
}

TEST(ShapeRecordTest, NewStylesSetTheIndexSizesForLaterRecords) {
    FSShapeStyle style;
    for (int i = 0; i < 4; ++i) style.addFillStyle(std::make_unique<FSSolidFill>(FSColor(i, i, i)));
    for (int i = 0; i < 2; ++i)
        style.addLineStyle(std::make_unique<FSSolidLine>(i, FSColor(0, 0, 0)));

    FSOutputStream sizing;
    sizing.setContext(FSCoder::FillSize, 9);
    style.length(sizing);
    EXPECT_EQ(sizing.getContext(FSCoder::FillSize), 3);
    EXPECT_EQ(sizing.getContext(FSCoder::LineSize), 2);

    int bits = 0;
    const Bytes encoded = encodeRecord(style, Slots{.fillSize = 9}, bits);
    FSInputStream in(encoded);
    in.setContext(FSCoder::FillSize, 9);
    const FSShapeStyle decoded(in);
    EXPECT_EQ(decoded.getFillStyles().size(), 4u);
    EXPECT_EQ(decoded.getLineStyles().size(), 2u);
    EXPECT_EQ(in.getContext(FSCoder::FillSize), 3);
    EXPECT_EQ(in.getContext(FSCoder::LineSize), 2);
}

TEST(ShapeRecordTest, ExtendedCountsEscapeOnlyWhereAllowed) {
    FSShapeStyle style;
    for (int i = 0; i < 255; ++i)
        style.addLineStyle(std::make_unique<FSSolidLine>(i, FSColor(0, 0, 0)));

    int bits = 0;
    const Bytes extended = encodeRecord(style, Slots{.arrayExtended = 1}, bits);
    // 6 flag bits, padding, fill count 0, then the escaped line count.
    EXPECT_EQ(Bytes(extended.begin(), extended.begin() + 5), (Bytes{0x40, 0x00, 0xFF, 0xFF, 0x00}));
    const Bytes plain = encodeRecord(style, Opaque, bits);
    EXPECT_EQ(Bytes(plain.begin(), plain.begin() + 4), (Bytes{0x40, 0x00, 0xFF, 0x00}));
    EXPECT_EQ(extended.size(), plain.size() + 2);

    for (const Slots& slots : {Slots{.arrayExtended = 1}, Opaque}) {
        const Bytes encoded = encodeRecord(style, slots, bits);
        FSInputStream in(encoded);
        slots.apply(in);
        FSShapeStyle decoded(in);
        EXPECT_EQ(decoded.getLineStyles().size(), 255u);
        EXPECT_EQ(encodeRecord(decoded, slots, bits), encoded);
    }

    style.addLineStyle(std::make_unique<FSSolidLine>(1, FSColor(0, 0, 0)));
    EXPECT_THROW(encodeRecord(style, Opaque, bits), FSFormatException);
}

TEST(ShapeRecordTest, MovesAndGradientCountsBeyondTheirFieldsAreRefused) {
    int bits = 0;
    FSShapeStyle move(Default, Default, Default, static_cast<int>(0x80000000), 0);
    EXPECT_THROW(encodeRecord(move, Opaque, bits), FSFormatException);
    std::vector<FSGradient> stops(256, FSGradient(0, FSColor(0, 0, 0)));
    FSGradientFill fill(FSFillStyle::Linear, FSCoordTransform(), stops);
    FSOutputStream sizing;
    EXPECT_THROW(fill.length(sizing), FSFormatException);
}

// An edge record holds a 17-bit signed delta at most: longer edges are written as several
// records that add up exactly to the edge and, for curves, follow it.
TEST(ShapeRecordTest, LongEdgesAreWrittenAsSeveralRecords) {
    struct Case {
        bool curved;
        std::array<int, 4> deltas;  // x, y of a line; control x, y and anchor x, y of a curve
        std::size_t records;
    };
    const Case cases[] = {
        {false, {65535, -65535, 0, 0}, 1},
        {false, {65536, 0, 0, 0}, 2},
        {false, {0, -65537, 0, 0}, 2},
        {false, {-200000, 70000, 0, 0}, 4},
        {false, {2000000000, -2000000000, 0, 0}, 30519},
        {true, {0, 0, 0, -65537}, 2},
        {true, {100000, 100000, 100000, -300000}, 0},
        {true, {-1000000, 3, 7, 2000000}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.deltas));
        FSCurve curve(c.deltas[0], c.deltas[1], c.deltas[2], c.deltas[3]);
        FSLine line(c.deltas[0], c.deltas[1]);
        int bits = 0;
        const Bytes bytes =
            c.curved ? encodeRecord(curve, Opaque, bits) : encodeRecord(line, Opaque, bits);
        FSInputStream in(bytes.data(), bytes.size());
        std::vector<std::array<long long, 2>> points{{0, 0}};  // every anchor, and controls
        std::vector<std::array<long long, 2>> controls;
        while (in.bitsLeft() > 7) {
            const auto [x, y] = points.back();
            const std::size_t at = in.getCursor();
            const bool straight = in.scan(FSCoder::UnsignedBits, 2) == 3;
            in.setCursor(at);
            if (straight) {
                const FSLine line(in);
                points.push_back({x + line.getX(), y + line.getY()});
            } else {
                const FSCurve curve(in);
                controls.push_back({x + curve.getControlX(), y + curve.getControlY()});
                points.push_back({controls.back()[0] + curve.getAnchorX(),
                                  controls.back()[1] + curve.getAnchorY()});
            }
        }
        const long long endX = c.curved ? 0LL + c.deltas[0] + c.deltas[2] : c.deltas[0];
        const long long endY = c.curved ? 0LL + c.deltas[1] + c.deltas[3] : c.deltas[1];
        EXPECT_EQ(points.back(), (std::array<long long, 2>{endX, endY}));
        if (c.records > 0) {
            EXPECT_EQ(points.size() - 1, c.records);
        }
        if (!c.curved) continue;
        EXPECT_GT(points.size(), 2u) << "the curve was not split";
        // Every joint lies on the original curve, within rounding.
        for (const auto& [px, py] : points) {
            double nearest = 1e300;
            for (int i = 0; i <= 200000; ++i) {
                const double t = i / 200000.0;
                const double qx = 2 * (1 - t) * t * c.deltas[0] + t * t * endX;
                const double qy = 2 * (1 - t) * t * c.deltas[1] + t * t * endY;
                nearest = std::min(nearest, std::hypot(qx - px, qy - py));
            }
            EXPECT_LT(nearest, 30.0) << px << "," << py;
        }
    }
}

// ---- FSShape ----

TEST(ShapeTest, RecordsArePackedWithoutAlignment) {
    FSShape shape;
    shape.emplace<FSShapeStyle>(Default, Default, Default, 0, 0);  // 13 bits
    shape.emplace<FSLine>(0, -5);                                  // 12 bits
    shape.emplace<FSLine>(1, 0);                                   // 10 bits

    FSOutputStream sizing;
    EXPECT_EQ(shape.length(sizing), 7);  // 8 + 35 + 6 = 49 bits
    EXPECT_EQ(sizing.getCursor(), 0u);
    EXPECT_EQ(encodeValue(shape, Opaque),
              bitsToBytes("0000 0000 | 0 0 0 0 0 1 00001 0 0 | 1 1 0010 0 1 1011 | 1 1 0000 0 0 01 "
                          "| 000000"));

    // The header carries the owner's index sizes.
    FSShape indexed;
    indexed.emplace<FSShapeStyle>(2, 5, Default, Default, Default);
    EXPECT_EQ(encodeValue(indexed, Slots{.fillSize = 3, .lineSize = 2}),
              bitsToBytes("0011 0010 | 0 0 1 0 1 0 101 10 | 000000"));
}

TEST(ShapeTest, LengthCountsPaddingWhereTheRecordLies) {
    // The style record starts at bit 18, so its new styles are padded by 6 bits.
    FSShape shape;
    shape.emplace<FSLine>(1, 0);
    shape.add(styleWithNewStyles());
    shape.emplace<FSShapeStyle>(Default, 1, Default, Default, Default);
    shape.emplace<FSCurve>(3, -3, 7, 0);

    const Slots slots{.fillSize = 2, .lineSize = 0};
    FSOutputStream sizing;
    slots.apply(sizing);
    // 8 + 10 + (6 + 2 + 6 padding + 8 + 32 + 8 + 8) + 7 + 22 + 6 = 123 bits.
    EXPECT_EQ(shape.length(sizing), 16);
    const Bytes encoded = encodeValue(shape, slots);

    FSInputStream in(encoded);
    FSShape decoded(in);
    EXPECT_EQ(in.getCursor(), encoded.size() * 8);
    ASSERT_EQ(decoded.getObjects().size(), 4u);
    const auto& change = dynamic_cast<const FSShapeStyle&>(decoded.getObjects()[1]);
    EXPECT_EQ(change.getFillStyle(), 1);
    EXPECT_EQ(change.getFillStyles().size(), 1u);
    EXPECT_EQ(dynamic_cast<const FSShapeStyle&>(decoded.getObjects()[2]).getFillStyle(), 1);
    EXPECT_STREQ(decoded.getObjects()[3].name(), "FSCurve");
    EXPECT_EQ(encodeValue(decoded, slots), encoded);
}

TEST(ShapeTest, CopiesAreDeep) {
    FSShape shape;
    shape.add(styleWithNewStyles());
    FSShape copy(shape);
    auto& style = dynamic_cast<FSShapeStyle&>(copy.getObjects()[0]);
    dynamic_cast<FSSolidFill&>(style.getFillStyles()[0]).setColor(FSColor(9, 9, 9));
    const auto& original = dynamic_cast<const FSShapeStyle&>(shape.getObjects()[0]);
    EXPECT_EQ(dynamic_cast<const FSSolidFill&>(original.getFillStyles()[0]).getColor(),
              FSColor(1, 2, 3));
}

// ---- fill and line styles: byte-exact vectors, run both ways ----

struct StyleVector {
    const char* label;
    std::function<std::unique_ptr<FSTransformObject>()> make;
    Slots slots;
    Bytes bytes;
    // How a reader builds it; fill styles come from the fill factory.
    std::function<std::unique_ptr<FSTransformObject>(FSInputStream&)> decode = decodeFillStyle;
};

template <class T>
std::function<std::unique_ptr<FSTransformObject>(FSInputStream&)> construct() {
    return [](FSInputStream& in) { return std::make_unique<T>(in); };
}

template <class T, class... Args>
auto style(Args... args) {
    return maker<FSTransformObject, T>(args...);
}

std::vector<StyleVector> styleVectors() {
    const FSColor red(255, 0, 0, 128);
    const FSColor blue(0, 0, 255, 64);
    using Stops = std::vector<FSGradient>;
    return {
        {"solid fill, opaque", style<FSSolidFill>(red), Opaque, Bytes{0x00, 0xFF, 0x00, 0x00}},
        {"solid fill, with alpha", style<FSSolidFill>(red), Alpha,
         Bytes{0x00, 0xFF, 0x00, 0x00, 0x80}},
        {"radial gradient",
         style<FSGradientFill>(FSFillStyle::Radial, FSCoordTransform(),
                               Stops{FSGradient(0, red), FSGradient(255, blue)}),
         Opaque, Bytes{0x12, 0x00, 0x02, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0x00, 0x00, 0xFF}},
        // Scale flag, size 17, 0x8000 twice; no rotation; translation size 0.
        {"linear gradient with a scaled matrix",
         style<FSGradientFill>(FSFillStyle::Linear, FSCoordTransform(0, 0, 0.5, 0.5),
                               Stops{FSGradient(128, blue)}),
         Alpha,
         bitsToBytes("0001 0000 | 1 10001 01000000000000000 01000000000000000 0 00000 00 |"
                     "00000001 | 10000000 00000000 00000000 11111111 01000000")},
        {"clipped bitmap",
         style<FSBitmapFill>(FSFillStyle::ClippedBitmap, 7, FSCoordTransform(1, 1)), Opaque,
         Bytes{0x41, 0x07, 0x00, 0x04, 0xA0}},
        {"tiled bitmap", style<FSBitmapFill>(FSFillStyle::TiledBitmap, 0x1234, FSCoordTransform()),
         Opaque, Bytes{0x40, 0x34, 0x12, 0x00}},
        {"morph solid fill", style<FSMorphSolidFill>(red, blue), Morph,
         Bytes{0x00, 0xFF, 0x00, 0x00, 0x80, 0x00, 0x00, 0xFF, 0x40}},
        {"morph gradient",
         style<FSMorphGradientFill>(
             FSFillStyle::Linear, FSCoordTransform(), FSCoordTransform(1, 1),
             std::vector<FSMorphGradient>{FSMorphGradient(0, red, 255, blue)}),
         Morph,
         Bytes{0x10, 0x00, 0x04, 0xA0, 0x01, 0x00, 0xFF, 0x00, 0x00, 0x80, 0xFF, 0x00, 0x00, 0xFF,
               0x40}},
        {"morph bitmap",
         style<FSMorphBitmapFill>(FSFillStyle::ClippedBitmap, 3, FSCoordTransform(),
                                  FSCoordTransform()),
         Morph, Bytes{0x41, 0x03, 0x00, 0x00, 0x00}},
        {"gradient stop", style<FSGradient>(200, blue), Alpha, Bytes{0xC8, 0x00, 0x00, 0xFF, 0x40},
         construct<FSGradient>()},
        {"morph gradient stop", style<FSMorphGradient>(1, red, 2, blue), Alpha,
         Bytes{0x01, 0xFF, 0x00, 0x00, 0x80, 0x02, 0x00, 0x00, 0xFF, 0x40},
         construct<FSMorphGradient>()},
        {"solid line", style<FSSolidLine>(20, red), Opaque, Bytes{0x14, 0x00, 0xFF, 0x00, 0x00},
         construct<FSSolidLine>()},
        {"morph line", style<FSMorphSolidLine>(20, 300, red, blue), Morph,
         Bytes{0x14, 0x00, 0x2C, 0x01, 0xFF, 0x00, 0x00, 0x80, 0x00, 0x00, 0xFF, 0x40},
         construct<FSMorphSolidLine>()},
    };
}

TEST(StyleTest, VectorsEncodeByteExactlyAndDecodeToTheSameStyle) {
    for (const auto& vector : styleVectors()) {
        SCOPED_TRACE(vector.label);
        EXPECT_EQ(encodeValue(*vector.make(), vector.slots), vector.bytes);
        FSInputStream in(vector.bytes);
        vector.slots.apply(in);
        auto decoded = vector.decode(in);
        ASSERT_NE(decoded, nullptr);
        EXPECT_STREQ(decoded->name(), vector.make()->name());
        EXPECT_EQ(in.getCursor(), vector.bytes.size() * 8);
        EXPECT_EQ(encodeValue(*decoded, vector.slots), vector.bytes);
        // A clone codes the same bytes.
        EXPECT_EQ(encodeValue(*decoded->clone(), vector.slots), vector.bytes);
    }
}

TEST(StyleTest, FillFactoryBuildsTheFormOfTheEnclosingTag) {
    for (const auto& [type, bytes, name] :
         {std::tuple<int, Bytes, const char*>{32, {0x12, 0x00, 0x00}, "FSGradientFill"},
          {46, {0x12, 0x00, 0x00, 0x00}, "FSMorphGradientFill"}}) {
        FSInputStream in(bytes);
        in.setContext(FSCoder::Type, type);
        const auto fill = decodeFillStyle(in);
        EXPECT_STREQ(fill->name(), name);
        EXPECT_EQ(fill->getType(), FSFillStyle::Radial);
    }
}

// Version 8 added focal gradients, spread and interpolation modes in the stop count's high bits,
// and unsmoothed bitmap fills; before it, those type codes are unknown.
TEST(StyleTest, VersionEightFillsRoundTrip) {
    // focal radial, identity matrix, modes 0x50 with two stops, focal point -0.5
    const Bytes focal = {0x13, 0x00, 0x52, 0x00, 1, 2, 3, 0xFF, 4, 5, 6, 0x80, 0xFF};
    FSInputStream in(focal);
    in.setContext(FSCoder::Version, 8);
    auto fill = decodeFillStyle(in);
    auto& gradient = dynamic_cast<FSGradientFill&>(*fill);
    EXPECT_EQ(gradient.getModes(), 0x50);
    EXPECT_EQ(gradient.getGradients().size(), 2u);
    EXPECT_EQ(gradient.getFocalPoint(), -0.5f);
    EXPECT_EQ(in.getCursor(), focal.size() * 8);
    FSOutputStream out(focal.size());
    out.setContext(FSCoder::Version, 8);
    gradient.length(out);
    gradient.encode(out);
    EXPECT_EQ(out.getData(), focal);

    const Bytes unsmoothed = {0x42, 0x07, 0x00, 0x00};
    FSInputStream bitmap(unsmoothed);
    bitmap.setContext(FSCoder::Version, 8);
    EXPECT_STREQ(decodeFillStyle(bitmap)->name(), "FSBitmapFill");
}

TEST(StyleTest, UnknownFillTypeIsAnAllocationFailure) {
    for (int type : {0x13, 0x01, 0x42, 0xFF}) {
        const Bytes bytes = {static_cast<uint8_t>(type), 0, 0, 0, 0};
        FSInputStream in(bytes);
        try {
            decodeFillStyle(in);
            ADD_FAILURE() << "type " << type << " was accepted";
        } catch (const FSAllocationException& e) {
            EXPECT_EQ(e.getMessage(), "Cannot allocate memory for fill style.");
        }
    }
}

// ---- shape tags ----

FSShape square(int side) {
    FSShape shape;
    shape.emplace<FSShapeStyle>(1, 1, Default, 0, 0);
    shape.emplace<FSLine>(side, 0);
    shape.emplace<FSLine>(0, side);
    shape.emplace<FSCurve>(-side / 2, 0, -side / 2, 0);
    shape.emplace<FSLine>(0, -side);
    return shape;
}

// A shape that uses every record and introduces new styles midway.
FSShape richShape() {
    FSShape shape = square(400);
    auto change = std::make_unique<FSShapeStyle>(1, 2, 1, 1000, -1000);
    change->addFillStyle(std::make_unique<FSSolidFill>(FSColor(0, 128, 0, 200)));
    change->addFillStyle(
        std::make_unique<FSBitmapFill>(FSFillStyle::TiledBitmap, 5, FSCoordTransform(20, 20)));
    change->addLineStyle(std::make_unique<FSSolidLine>(40, FSColor(0, 0, 0, 255)));
    shape.add(std::move(change));
    shape.emplace<FSShapeStyle>(Default, 2, Default, Default, Default);
    shape.emplace<FSLine>(-123, 456);
    shape.emplace<FSCurve>(10, 20, 30, -40);
    return shape;
}

FSArray<FSFillStyle> richFills() {
    FSArray<FSFillStyle> fills;
    fills.emplace<FSSolidFill>(FSColor(255, 0, 0, 128));
    FSCoordTransform matrix(100, 200);
    matrix.scale(0.25, 0.5);
    matrix.rotate(30);
    fills.emplace<FSGradientFill>(FSFillStyle::Radial, matrix,
                                  std::vector<FSGradient>{FSGradient(0, FSColor(1, 2, 3, 4)),
                                                          FSGradient(255, FSColor(5, 6, 7, 8))});
    fills.emplace<FSBitmapFill>(FSFillStyle::ClippedBitmap, 9, FSCoordTransform(0, 0, 20.0, 20.0));
    return fills;
}

FSArray<FSLineStyle> richLines() {
    FSArray<FSLineStyle> lines;
    lines.emplace<FSSolidLine>(20, FSColor(0, 0, 255, 255));
    lines.emplace<FSSolidLine>(1, FSColor(9, 8, 7, 6));
    return lines;
}

FSDefineMorphShape morphShape() {
    FSArray<FSFillStyle> fills;
    fills.emplace<FSMorphSolidFill>(FSColor(255, 0, 0, 255), FSColor(0, 0, 255, 0));
    FSArray<FSLineStyle> lines;
    lines.emplace<FSMorphSolidLine>(20, 40, FSColor(0, 0, 0, 255), FSColor(255, 255, 255, 255));
    FSShape start;
    start.emplace<FSShapeStyle>(1, 1, Default, 0, 0);  // 15 bits with 1-bit indexes
    start.emplace<FSLine>(100, 0);                     // 16 bits
    FSShape end;
    end.emplace<FSShapeStyle>(Default, Default, Default, 0, 0);  // 13 bits
    end.emplace<FSLine>(200, 0);                                 // 17 bits
    return FSDefineMorphShape(4, FSBounds(0, 0, 100, 100), FSBounds(0, 0, 200, 200),
                              std::move(fills), std::move(lines), start, end);
}

// A morph pairs its start and end edges one to one: a long edge and its short partner are cut into
// as many pieces each, and both still add up to their edges.
TEST(ShapeTagTest, MorphEdgesAreCutInPairs) {
    FSShape start;
    start.emplace<FSShapeStyle>(1, 1, Default, 0, 0);
    start.emplace<FSLine>(100, 0);
    start.emplace<FSCurve>(10, 10, 10, -10);
    FSShape end;
    end.emplace<FSShapeStyle>(Default, Default, Default, 0, 0);
    end.emplace<FSLine>(200000, -70000);
    end.emplace<FSCurve>(150000, 150000, 150000, -150000);
    FSArray<FSFillStyle> fills;
    fills.emplace<FSMorphSolidFill>(FSColor(255, 0, 0, 255), FSColor(0, 0, 255, 0));
    FSDefineMorphShape morph(4, FSBounds(0, 0, 100, 100), FSBounds(0, 0, 400000, 400000),
                             std::move(fills), FSArray<FSLineStyle>(), start, end);
    const Bytes encoded = encodeTag(morph);
    const auto decoded = decodeTag(encoded);
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(encodeTag(*decoded), encoded);
    const auto& back = dynamic_cast<const FSDefineMorphShape&>(*decoded);
    const auto edges = [](const FSShape& shape) {
        std::vector<std::string> kinds;
        long long x = 0, y = 0;
        for (const auto& object : shape.getObjects()) {
            if (const auto* line = dynamic_cast<const FSLine*>(object.get())) {
                kinds.emplace_back("line");
                x += line->getX();
                y += line->getY();
            } else if (const auto* curve = dynamic_cast<const FSCurve*>(object.get())) {
                kinds.emplace_back("curve");
                x += curve->getControlX() + curve->getAnchorX();
                y += curve->getControlY() + curve->getAnchorY();
            }
        }
        return std::make_tuple(kinds, x, y);
    };
    const auto [startKinds, startX, startY] = edges(back.getStartShape());
    const auto [endKinds, endX, endY] = edges(back.getEndShape());
    EXPECT_EQ(startKinds, endKinds);
    EXPECT_EQ(std::count(startKinds.begin(), startKinds.end(), "line"), 4);
    EXPECT_GT(std::count(startKinds.begin(), startKinds.end(), "curve"), 1);
    EXPECT_EQ(startX, 100 + 20);
    EXPECT_EQ(startY, 0);
    EXPECT_EQ(endX, 200000 + 300000);
    EXPECT_EQ(endY, -70000);
}

std::vector<std::unique_ptr<FSMovieObject>> everyShapeTag() {
    std::vector<std::unique_ptr<FSMovieObject>> tags;
    tags.push_back(std::make_unique<FSDefineShape>(1, FSBounds(-20, -20, 420, 420), richFills(),
                                                   richLines(), richShape()));
    tags.push_back(std::make_unique<FSDefineShape2>(2, FSBounds(0, 0, 400, 400), richFills(),
                                                    richLines(), richShape()));
    tags.push_back(std::make_unique<FSDefineShape3>(3, FSBounds(0, 0, 400, 400), richFills(),
                                                    richLines(), richShape()));
    tags.push_back(std::make_unique<FSDefineMorphShape>(morphShape()));
    FSArray<FSFillStyle> morphFills;
    morphFills.emplace<FSMorphGradientFill>(FSFillStyle::Linear, FSCoordTransform(1, 2),
                                            FSCoordTransform(3, 4, 2.0, 2.0),
                                            std::vector<FSMorphGradient>{FSMorphGradient(
                                                0, FSColor(1, 1, 1, 1), 10, FSColor(2, 2, 2, 2))});
    morphFills.emplace<FSMorphBitmapFill>(FSFillStyle::TiledBitmap, 12, FSCoordTransform(),
                                          FSCoordTransform(-5, 5));
    tags.push_back(std::make_unique<FSDefineMorphShape>(
        5, FSBounds(0, 0, 400, 400), FSBounds(0, 0, 800, 800), std::move(morphFills),
        FSArray<FSLineStyle>(), square(400), square(800)));
    return tags;
}

TEST(ShapeTagTest, MinimalTagsEncodeByteExactly) {
    FSDefineShape3 empty(1, FSBounds(), {}, {}, FSShape());
    EXPECT_EQ(encodeTag(empty), (Bytes{0x07, 0x08, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));

    FSArray<FSFillStyle> fills;
    fills.emplace<FSSolidFill>(FSColor(255, 0, 0, 128));
    FSShape shape;
    shape.emplace<FSShapeStyle>(Default, 1, Default, Default, Default);
    FSDefineShape filled(1, FSBounds(), std::move(fills), {}, shape);
    // Header 2 << 6 | 12; identifier; bounds; one opaque fill; no lines; sizes 1 and 0, a record
    // selecting fill 1 in one bit, the end record.
    EXPECT_EQ(encodeTag(filled), (Bytes{0x8C, 0x00, 0x01, 0x00, 0x00, 0x01, 0x00, 0xFF, 0x00, 0x00,
                                        0x00, 0x10, 0x0A, 0x00}));
}

TEST(ShapeTagTest, EveryTagRoundTripsByteIdentically) {
    for (const auto& tag : everyShapeTag()) {
        SCOPED_TRACE(tag->name());
        const Bytes encoded = encodeTag(*tag);
        const auto decoded = decodeTag(encoded);
        ASSERT_NE(decoded, nullptr);
        EXPECT_STREQ(decoded->name(), tag->name());
        EXPECT_EQ(encodeTag(*decoded), encoded);
        EXPECT_EQ(encodeTag(*cloneOf(*tag)), encoded);
    }
}

TEST(ShapeTagTest, DecodedTagKeepsItsStylesAndRecords) {
    FSDefineShape3 tag(3, FSBounds(0, 0, 400, 400), richFills(), richLines(), richShape());
    const auto decoded = decodeTag(encodeTag(tag));
    const auto& shape3 = dynamic_cast<const FSDefineShape3&>(*decoded);
    EXPECT_EQ(shape3.getIdentifier(), 3);
    EXPECT_EQ(shape3.getBounds(), FSBounds(0, 0, 400, 400));
    ASSERT_EQ(shape3.getFillStyles().size(), 3u);
    const auto& gradient = dynamic_cast<const FSGradientFill&>(shape3.getFillStyles()[1]);
    EXPECT_EQ(gradient.getType(), FSFillStyle::Radial);
    ASSERT_EQ(gradient.getGradients().size(), 2u);
    EXPECT_EQ(gradient.getGradients()[1].getColor(), FSColor(5, 6, 7, 8));
    EXPECT_EQ(dynamic_cast<const FSSolidLine&>(shape3.getLineStyles()[1]).getColor(),
              FSColor(9, 8, 7, 6));
    const auto& objects = shape3.getShape().getObjects();
    ASSERT_EQ(objects.size(), 9u);
    const auto& change = dynamic_cast<const FSShapeStyle&>(objects[5]);
    EXPECT_EQ(change.getMoveX(), 1000);
    EXPECT_EQ(change.getMoveY(), -1000);
    EXPECT_EQ(change.getAltFillStyle(), 1);
    EXPECT_EQ(dynamic_cast<const FSBitmapFill&>(change.getFillStyles()[1]).getIdentifier(), 5);
    EXPECT_EQ(dynamic_cast<const FSLine&>(objects[7]).getY(), 456);
}

TEST(ShapeTagTest, ColoursCarryAlphaOnlyInShape3AndMorph) {
    auto solidTag = [](auto tag) {
        tag.addFillStyle(std::make_unique<FSSolidFill>(FSColor(1, 2, 3, 4)));
        return encodeTag(tag).size();
    };
    const std::size_t shape1 = solidTag(FSDefineShape(1, FSBounds(), {}, {}, FSShape()));
    const std::size_t shape2 = solidTag(FSDefineShape2(1, FSBounds(), {}, {}, FSShape()));
    const std::size_t shape3 = solidTag(FSDefineShape3(1, FSBounds(), {}, {}, FSShape()));
    EXPECT_EQ(shape1, shape2);
    EXPECT_EQ(shape3, shape2 + 1);
}

TEST(ShapeTagTest, ManyFillStylesUseTheEscapedCount) {
    FSArray<FSFillStyle> fills;
    for (int i = 0; i < 300; ++i) fills.emplace<FSSolidFill>(FSColor(i % 256, 0, 0));
    FSShape shape;
    shape.emplace<FSShapeStyle>(Default, 300, Default, 0, 0);
    FSDefineShape2 tag(1, FSBounds(), fills, {}, shape);
    const Bytes encoded = encodeTag(tag);
    // Long header (6), identifier (2), empty bounds (1), then the count.
    ASSERT_TRUE(tag.usesLongHeader());
    EXPECT_EQ(Bytes(encoded.begin() + 9, encoded.begin() + 12), (Bytes{0xFF, 0x2C, 0x01}));
    const auto decoded = decodeTag(encoded);
    EXPECT_EQ(encodeTag(*decoded), encoded);
    EXPECT_EQ(dynamic_cast<const FSDefineShape2&>(*decoded).getFillStyles().size(), 300u);

    // The first shape tag has no escape: more than 255 styles cannot be written.
    FSDefineShape shape1(1, FSBounds(), fills, {}, shape);
    FSOutputStream sizing;
    EXPECT_THROW(shape1.length(sizing), FSFormatException);
    expectSlotsCleared(sizing, "after a refused length");
}

TEST(ShapeTagTest, MorphOffsetLeadsToTheEndShape) {
    FSDefineMorphShape tag = morphShape();
    const Bytes encoded = encodeTag(tag);
    // Header 2, identifier 2, start bounds 5, end bounds 6, then the offset.
    const std::size_t offsetField = 15;
    const uint32_t offset = encoded[offsetField] | encoded[offsetField + 1] << 8 |
                            encoded[offsetField + 2] << 16 | encoded[offsetField + 3] << 24;
    // Fill count 1 + morph fill 9 + line count 1 + morph line 12 + start shape 6 (8 + 15 + 16 + 6
    // bits).
    EXPECT_EQ(offset, 29u);
    const std::size_t endShape = offsetField + 4 + offset;
    // The end shape: index sizes 0, a move to the origin, a 9-bit line, the end record.
    EXPECT_EQ(Bytes(encoded.begin() + static_cast<std::ptrdiff_t>(endShape), encoded.end()),
              bitsToBytes("0000 0000 | 0 0 0 0 0 1 00001 0 0 | 1 1 0111 0 0 011001000 | 000000"));
}

TEST(ShapeTagTest, MorphEndShapeRecordsCarryNoIndexes) {
    FSDefineMorphShape tag = morphShape();
    tag.getEndShape().emplace<FSShapeStyle>(Default, 1, Default, Default, Default);
    const Bytes encoded = encodeTag(tag);
    const auto decoded = decodeTag(encoded);
    const auto& morph = dynamic_cast<const FSDefineMorphShape&>(*decoded);
    EXPECT_EQ(morph.getStartShape().getObjects().size(), 2u);
    ASSERT_EQ(morph.getEndShape().getObjects().size(), 3u);
    EXPECT_EQ(dynamic_cast<const FSShapeStyle&>(morph.getEndShape().getObjects()[2]).getFillStyle(),
              0);
    EXPECT_EQ(encodeTag(*decoded), encoded);
}

// ---- hostile input ----

// Every cut of every tag, and a shape 2 tag announcing 65535 fill styles with no data behind the
// count (which must cost nothing before the data).
TEST(ShapeTagTest, TruncatedTagsFailWithReadOverflow) {
    std::vector<Bytes> cut = {{0x86, 0x05, 0x01, 0x00, 0x00, 0xFF, 0xFF, 0xFF}};  // 22 << 6 | 6
    for (const auto& tag : everyShapeTag()) {
        const Bytes encoded = encodeTag(*tag);
        for (std::size_t size = 0; size < encoded.size(); ++size)
            cut.emplace_back(encoded.begin(), encoded.begin() + static_cast<std::ptrdiff_t>(size));
    }
    for (const Bytes& bytes : cut) {
        FSInputStream in(bytes);
        EXPECT_EQ(messageOf([&] { FSMovie::decodeObject(in); }), "Read Overflow")
            << hexOf(bytes, 0, 16) << "(" << bytes.size() << " bytes)";
        expectSlotsCleared(in, "after a failed decode");
    }
}

// Damaged bytes anywhere in a body either decode or fail with a library exception; with a
// listener, a bad fill type ends only the tag.
TEST(ShapeTagTest, DamagedBodiesFailCleanly) {
    for (const auto& tag : everyShapeTag()) {
        SCOPED_TRACE(tag->name());
        const Bytes encoded = encodeTag(*tag);
        for (std::size_t at = 2; at < encoded.size(); ++at) {
            for (uint8_t value : {uint8_t{0x00}, uint8_t{0xFF}, uint8_t{0x13},
                                  static_cast<uint8_t>(encoded[at] ^ 0x55)}) {
                Bytes damaged = encoded;
                damaged[at] = value;
                for (bool withListener : {false, true}) {
                    RecordingListener recorder;
                    FSInputStream in(damaged);
                    if (withListener) in.setListener(&recorder);
                    try {
                        FSMovie::decodeObject(in);
                    } catch (const FSDecodingStopped&) {
                        ADD_FAILURE() << "a reported failure escaped the tag at byte " << at;
                    } catch (const FSException&) {
                    }
                    expectSlotsCleared(in, "after a damaged body");
                }
            }
        }
    }
}

// A movie holding a shape 3 tag whose fill type byte (tag-level or inside a style-change record)
// is patched to an unknown code, followed by a frame.
struct BadFillMovie {
    Bytes bytes;

    explicit BadFillMovie(bool insideRecord) {
        FSArray<FSFillStyle> fills;
        fills.emplace<FSSolidFill>(FSColor(1, 2, 3, 4));
        FSShape shape;
        if (insideRecord) shape.add(styleWithNewStyles());
        FSArray<FSMovieObject> objects;
        objects.emplace<FSDefineShape3>(1, FSBounds(), std::move(fills), FSArray<FSLineStyle>(),
                                        shape);
        objects.emplace<FSShowFrame>();
        FSMovie movie("FWS", 7, FSBounds(), 12.0f, std::move(objects));
        bytes = movie.encode();
        // Movie header 13 bytes; tag header 2, identifier 2, bounds 1, fill count 1.
        std::size_t at = 19;
        // The record's fill type: the solid fill (5), line count, then sizes 1 and 0, a
        // 6-bit style flag set and 1-bit index before padding, fill count 1.
        if (insideRecord) at += 5 + 1 + 1 + 1 + 1;
        EXPECT_EQ(bytes.at(at), 0x00);
        bytes.at(at) = 0x13;
    }
};

// Without a listener the whole movie fails; with one, only the tag with the bad fill ends.
TEST(ShapeTagTest, UnknownFillTypeEndsTheMovieOrWithAListenerOnlyThatTag) {
    for (bool insideRecord : {false, true}) {
        SCOPED_TRACE(insideRecord ? "inside a record" : "tag level");
        BadFillMovie bad(insideRecord);
        FSMovie strict;
        try {
            strict.decodeFromData(bad.bytes);
            ADD_FAILURE() << "decoded";
        } catch (const FSAllocationException& e) {
            EXPECT_EQ(e.getMessage(), "Cannot allocate memory for fill style.");
        }
        RecordingListener recorder;
        FSMovie movie;
        movie.decodeFromData(bad.bytes, &recorder);
        ASSERT_FALSE(recorder.errors.empty());
        EXPECT_EQ(recorder.errors[0], "Cannot allocate memory for fill style.");
        const auto error =
            std::find_if(recorder.events.begin(), recorder.events.end(),
                         [](const auto& e) { return e.kind == FSCodingEvent::Error; });
        EXPECT_EQ(error->direction, FSCodingEvent::Decoding);
        ASSERT_EQ(movie.getObjects().size(), 2u);
        EXPECT_STREQ(movie.getObjects()[0].name(), "FSDefineShape3");
        EXPECT_STREQ(movie.getObjects()[1].name(), "FSShowFrame");
    }
}

}  // namespace
}  // namespace transform
