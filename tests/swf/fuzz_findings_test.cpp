// Faults the movie fuzzer found: values that a file may hold legally but that were re-encoded
// differently, cut, or not at all. Each file read must write back what it read.
#include <gtest/gtest.h>

#include <memory>

#include "swf/basic_types.h"
#include "swf/display_list.h"
#include "swf/movie.h"
#include "swf/shapes.h"
#include "swf_test_support.h"

namespace transform::test {
namespace {

// Bits packed most significant first into bytes, for hand-made records.
class BitWriter {
  public:
    void put(int value, int bits) {
        for (int i = bits - 1; i >= 0; --i) {
            if (cursor % 8 == 0) bytes.push_back(0);
            if ((value >> i) & 1) bytes.back() |= static_cast<uint8_t>(0x80 >> (cursor % 8));
            ++cursor;
        }
    }
    std::vector<uint8_t> bytes;

  private:
    int cursor = 0;
};

TEST(FuzzFindingsTest, PlaceRatioReadFromFileWritesTheSameValue) {
    for (int raw = 0; raw <= 65535; raw += 1) {
        std::vector<uint8_t> bytes = {0x85,
                                      0x06,
                                      0x11,
                                      1,
                                      0,
                                      static_cast<uint8_t>(raw & 0xFF),
                                      static_cast<uint8_t>(raw >> 8)};  // flags: ratio; modify
        FSInputStream in(bytes.data(), bytes.size());
        FSPlaceObject2 place(in);
        const auto again = encodeTag(place);
        ASSERT_EQ(again, bytes) << "ratio " << raw;
    }
}

TEST(FuzzFindingsTest, EdgeAtTheMostNegativeValueOfItsFieldReEncodes) {
    // A 17-bit field holds -65536, which the sizing rule counts as 18 bits.
    FSShape shape;
    shape.emplace<FSLine>(-65536, 0);
    shape.emplace<FSCurve>(-65536, 65535, 1, -1);
    const auto bytes = encodeValue(shape);
    FSInputStream in(bytes.data(), bytes.size());
    FSShape back(in);
    ASSERT_EQ(back.getObjects().size(), 2u);
    EXPECT_EQ(dynamic_cast<const FSLine&>(back.getObjects()[0]).getX(), -65536);
    const auto& curve = dynamic_cast<const FSCurve&>(back.getObjects()[1]);
    EXPECT_EQ(curve.getControlX(), -65536);
    EXPECT_EQ(curve.getControlY(), 65535);
    EXPECT_EQ(curve.getAnchorY(), -1);
    // One more does not fit any edge field.
    FSShape tooFar;
    tooFar.emplace<FSLine>(65536, 0);
    FSOutputStream sizer(0);
    EXPECT_THROW(tooFar.length(sizer), FSFormatException);
}

TEST(FuzzFindingsTest, StyleChangeWithEmptyNewListsIsKept) {
    // Shape record: fill/line sizes 1 and 1, a style change with only the new-styles flag and
    // empty lists (sizes 3 and 2 announced), a line whose line index is 3 bits wide, end.
    BitWriter bits;
    bits.put(1, 4);
    bits.put(1, 4);
    bits.put(0b010000, 6);  // not an edge, new styles, nothing else
    bits.put(0, 2);         // padding to the byte
    bits.put(0, 8);         // no fill styles
    bits.put(0, 8);         // no line styles
    bits.put(3, 4);         // fill index size
    bits.put(2, 4);         // line index size
    bits.put(0b11, 2);      // straight edge
    bits.put(0, 4);         // size 2
    bits.put(1, 1);         // general
    bits.put(1, 2);
    bits.put(-1 & 3, 2);
    bits.put(0, 6);  // end
    FSInputStream in(bits.bytes.data(), bits.bytes.size());
    FSShape shape(in);
    ASSERT_EQ(shape.getObjects().size(), 2u);
    const auto& style = dynamic_cast<const FSShapeStyle&>(shape.getObjects()[0]);
    EXPECT_TRUE(style.containsStyles());

    // Written back it stays a style change, not an end record that would drop the line.
    const auto bytes = encodeValue(shape, {{FSCoder::FillSize, 1}, {FSCoder::LineSize, 1}});
    FSInputStream again(bytes.data(), bytes.size());
    FSShape back(again);
    ASSERT_EQ(back.getObjects().size(), 2u);
    EXPECT_EQ(back.getObjects()[1].getType(), FSShapeObject::Line);
}

TEST(FuzzFindingsTest, StyleChangeThatChangesNothingIsLeftOut) {
    FSShape shape;
    shape.emplace<FSLine>(10, 0);
    shape.emplace<FSShapeStyle>();
    shape.emplace<FSLine>(0, 10);
    const auto bytes = encodeValue(shape);
    FSInputStream in(bytes.data(), bytes.size());
    FSShape back(in);
    ASSERT_EQ(back.getObjects().size(), 2u) << "an empty record must not end the shape";
    EXPECT_EQ(dynamic_cast<const FSLine&>(back.getObjects()[1]).getY(), 10);
}

TEST(FuzzFindingsTest, ColorTransformAtItsWidestReEncodes) {
    // 15-bit fields hold -16384, which the sizing rule counts as 16 bits.
    FSColorTransform widest(1.0f, 1.0f, 1.0f, 1.0f, -16384, 16383, 0, 0);
    const auto bytes = encodeValue(widest);
    EXPECT_EQ(bytes[0] >> 2 & 15, 15) << "announced width";
    const auto back = decodeValue<FSColorTransform>(bytes);
    EXPECT_EQ(back.getAddRed(), -16384);
    EXPECT_EQ(back.getAddGreen(), 16383);

    // Beyond what a 4-bit width can announce: refused instead of written with a wrong width.
    FSOutputStream sizer(0);
    FSColorTransform add(1.0f, 1.0f, 1.0f, 1.0f, 20000, 0, 0, 0);
    EXPECT_THROW(add.length(sizer), FSFormatException);
    FSColorTransform multiply(200.0f, 1.0f, 1.0f, 1.0f, 0, 0, 0, 0);
    EXPECT_THROW(multiply.length(sizer), FSFormatException);
}

TEST(FuzzFindingsTest, BoundsAtTheirWidestReEncode) {
    const FSBounds widest(-(1 << 30), 0, (1 << 30) - 1, 0);
    const FSBounds back = roundTripValue(widest);
    EXPECT_EQ(back, widest);
    FSOutputStream sizer(0);
    FSBounds tooWide(0, 0, 1 << 30, 0);
    EXPECT_THROW(tooWide.length(sizer), FSFormatException);
}

TEST(FuzzFindingsTest, MatrixTermsReadAtFullWidthReEncode) {
    // A 31-bit translation read into a float rounds up to 2^30, one past the field.
    FSCoordTransform::Matrix matrix = {{1, 0, 1073741823.0f}, {0, 1, -1073741824.0f}, {0, 0, 1}};
    FSCoordTransform transform(matrix);
    const auto bytes = encodeValue(transform);
    const auto back = decodeValue<FSCoordTransform>(bytes);
    EXPECT_EQ(encodeValue(back), bytes);
    EXPECT_FLOAT_EQ(back.get(1, 2), -1073741824.0f);
}

TEST(FuzzFindingsTest, FontInfoClaimingGigabytesAllocatesOnlyWhatIsThere) {
    // A font information tag (type 13) whose long header claims 2^31 - 1 bytes: the codes that
    // fill "the rest of the body" were reserved for the claim (8 GB) before being read.
    std::vector<uint8_t> bytes = {'F', 'W', 'S', 7, 0, 0, 0, 0, 0x00, 0x00, 20, 0, 0};
    const std::vector<uint8_t> tag = {0x7F, 0x03, 0xFF, 0xFF, 0xFF, 0x7F,  // type 13, long header
                                      1,    0,    0,    0,    'A',  'B',  'C', 'D'};
    bytes.insert(bytes.end(), tag.begin(), tag.end());
    FSMovie movie;
    EXPECT_THROW(movie.decodeFromData(bytes), FSFormatException);
}

}  // namespace
}  // namespace transform::test
