#include "swf/basic_types.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/swf/swf_test_support.h"

namespace transform {
namespace {

using test::encodeValue;

TEST(BoundsTest, EncodingsAndSizes) {
    EXPECT_EQ(encodeValue(FSBounds()), std::vector<uint8_t>{0x00});
    // 15 bits a value: 5 + 60 bits in 9 bytes.
    const auto stage = encodeValue(FSBounds(0, 0, 14400, 10800));
    ASSERT_EQ(stage.size(), 9u);
    EXPECT_EQ(stage, (std::vector<uint8_t>{0x78, 0x00, 0x07, 0x08, 0x00, 0x00, 0x15, 0x18, 0x00}));
    const FSBounds negative(-20, -40, 300, 7);
    EXPECT_EQ(test::roundTripValue(negative), negative);
}

TEST(ColorTest, AlphaOnlyInTransparentTags) {
    const FSColor color(255, 0, 0, 128);
    EXPECT_EQ(encodeValue(color), (std::vector<uint8_t>{0xFF, 0x00, 0x00}));
    EXPECT_EQ(encodeValue(color, {{FSCoder::Transparent, 1}}),
              (std::vector<uint8_t>{0xFF, 0x00, 0x00, 0x80}));
    EXPECT_EQ(test::roundTripValue(color, {{FSCoder::Transparent, 1}}), color);

    EXPECT_FALSE(FSColor().isSet());
    FSColor partly;
    partly.setBlue(0);
    EXPECT_TRUE(partly.isSet());
}

TEST(CoordTransformTest, EncodingsBySize) {
    EXPECT_EQ(encodeValue(FSCoordTransform()), std::vector<uint8_t>{0x00});
    // translate size 9: 7 + 18 bits in 4 bytes
    const auto moved = encodeValue(FSCoordTransform(100, 200));
    EXPECT_EQ(moved, (std::vector<uint8_t>{0x12, 0x64, 0x64, 0x00}));

    FSCoordTransform scaled(10, -10, 2.0, 0.5);
    scaled.set(0, 1, -0.25f);
    scaled.set(1, 0, 0.75f);
    const FSCoordTransform back = test::roundTripValue(scaled);
    EXPECT_EQ(back, scaled);
    EXPECT_EQ(encodeValue(back), encodeValue(scaled));
}

TEST(CoordTransformTest, Operations) {
    FSCoordTransform rotated;
    rotated.rotate(90);
    EXPECT_NEAR(rotated.get(0, 0), 0.0f, 1e-6);
    EXPECT_NEAR(rotated.get(0, 1), -1.0f, 1e-6);
    EXPECT_NEAR(rotated.get(1, 0), 1.0f, 1e-6);

    FSCoordTransform moved(100, 50);
    moved.rotate(45);
    EXPECT_EQ(moved.get(0, 2), 100.0f);
    EXPECT_EQ(moved.get(1, 2), 50.0f);

    FSCoordTransform matrix;
    matrix.translate(10, 20);
    matrix.scale(2, 3);
    int x = 5;
    int y = 7;
    matrix.transformPoint(x, y);
    EXPECT_EQ(x, 20);
    EXPECT_EQ(y, 41);

    FSCoordTransform sheared;
    sheared.shear(0.5, 0.0);
    x = 10;
    y = 10;
    sheared.transformPoint(x, y);
    EXPECT_EQ(x, 10);
    EXPECT_EQ(y, 15);

    FSCoordTransform left(1, 2);
    left.composite(FSCoordTransform(3, 4, 2.0, 2.0));
    EXPECT_EQ(left.get(0, 2), 4.0f);
    EXPECT_EQ(left.get(1, 1), 2.0f);
    EXPECT_TRUE(FSCoordTransform().isIdentity());
    EXPECT_FALSE(left.isIdentity());
}

TEST(ColorTransformTest, EncodingsByForm) {
    EXPECT_EQ(encodeValue(FSColorTransform()), std::vector<uint8_t>{0x00});
    FSColorTransform add;
    add.setAddRed(10);
    // hasAdd, size 5, three 5-bit terms: 21 bits in 3 bytes.
    EXPECT_EQ(encodeValue(add), (std::vector<uint8_t>{0x95, 0x40, 0x00}));
    // With alpha: four terms, 26 bits in 4 bytes.
    EXPECT_EQ(encodeValue(add, {{FSCoder::Transparent, 1}}).size(), 4u);

    FSColorTransform both(0.5f, 1.0f, 2.0f, 0.25f, -20, 0, 255, -255);
    const auto opaque = test::roundTripValue(both);
    EXPECT_EQ(opaque.getMultiplyBlue(), 2.0f);
    EXPECT_EQ(opaque.getAddAlpha(), 0) << "alpha terms are not coded without transparency";
    EXPECT_EQ(test::roundTripValue(both, {{FSCoder::Transparent, 1}}), both);

    FSColorTransform alphaOnly;
    alphaOnly.setMultiplyAlpha(0.5f);
    FSOutputStream plain(0);
    EXPECT_TRUE(alphaOnly.isUnity(plain));
    plain.setContext(FSCoder::Transparent, 1);
    EXPECT_FALSE(alphaOnly.isUnity(plain));
}

// Other tools may announce wider fields than the values need, or a part whose values are the
// defaults: a decoded record re-encodes as it was read until it is changed.
TEST(BasicTypesTest, FieldWidthsReadFromAFileAreKept) {
    // Bounds (0, 0, 4000, 3000) with 15-bit fields where 13 suffice.
    const std::vector<uint8_t> wide = {0x78, 0x00, 0x01, 0xF4, 0x00, 0x00, 0x05, 0xDC, 0x00};
    FSBounds bounds = test::decodeValue<FSBounds>(wide);
    EXPECT_EQ(bounds, FSBounds(0, 0, 4000, 3000));
    EXPECT_EQ(encodeValue(bounds), wide);
    bounds.setMaxX(4000);
    EXPECT_EQ(encodeValue(bounds).size(), 8u) << "a changed rectangle is written at its smallest";

    // A matrix with a scale part of 1.0 × 1.0 and a 10-bit translation of (1, 2).
    const std::vector<uint8_t> matrixBytes = test::bitsToBytes(
        "1 10010 010000000000000000 010000000000000000 | 0 | 01010 0000000001 0000000010");
    FSCoordTransform matrix = test::decodeValue<FSCoordTransform>(matrixBytes);
    EXPECT_FALSE(matrix.containsScaling());
    EXPECT_EQ(encodeValue(matrix), matrixBytes);
    matrix.translate(0, 0);
    EXPECT_EQ(encodeValue(matrix), encodeValue(FSCoordTransform(1, 2)));

    // A colour transform with a multiply part of 1.0 and 12-bit fields.
    const std::vector<uint8_t> colorBytes =
        test::bitsToBytes("0 1 1100 000100000000 000100000000 000100000000");
    FSColorTransform unity = test::decodeValue<FSColorTransform>(colorBytes);
    EXPECT_TRUE(unity.isIdentity());
    EXPECT_EQ(encodeValue(unity), colorBytes);
    unity.setAddRed(0);
    EXPECT_EQ(encodeValue(unity), std::vector<uint8_t>{0x00});
}

}  // namespace
}  // namespace transform
