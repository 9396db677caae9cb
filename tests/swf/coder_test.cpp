#include "swf/coder.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "tests/swf/swf_test_support.h"

namespace transform {
namespace {

using namespace test;

TEST(CoderTest, BitFieldsPackMostSignificantBitFirst) {
    FSOutputStream out(1);
    out.write(0b10110, FSCoder::UnsignedBits, 5);
    out.write(0b011, FSCoder::UnsignedBits, 3);
    EXPECT_EQ(out.getData(), std::vector<uint8_t>{0xB3});
    EXPECT_EQ(out.getCursor(), 8u);
}

TEST(CoderTest, SignedAndUnsignedReadsOfTheSameBits) {
    const uint8_t bits[] = {0b11100000};
    FSInputStream in(bits, 1);
    EXPECT_EQ(in.read(FSCoder::SignedBits, 4), -2);
    in.setCursor(0);
    EXPECT_EQ(in.read(FSCoder::UnsignedBits, 4), 14);
}

TEST(CoderTest, FieldSizes) {
    EXPECT_EQ(FSCoder::bitsFor(0, true), 0);
    EXPECT_EQ(FSCoder::bitsFor(1, true), 2);
    EXPECT_EQ(FSCoder::bitsFor(-1, true), 2);
    EXPECT_EQ(FSCoder::bitsFor(2, true), 3);
    EXPECT_EQ(FSCoder::bitsFor(-2, true), 3);
    EXPECT_EQ(FSCoder::bitsFor(INT_MIN, true), 32);
    EXPECT_EQ(FSCoder::bitsFor(INT_MAX, true), 32);
    EXPECT_EQ(FSCoder::bitsFor(255, false), 8);
    EXPECT_EQ(FSCoder::bitsFor(0, false), 0);
    EXPECT_EQ(FSCoder::bitsFor(static_cast<int>(0x80000000u), false), 32);
    const int values[] = {3, -100, 7};
    EXPECT_EQ(FSCoder::bitsFor(values, true), 8);
    EXPECT_EQ(FSCoder::bitsFor(std::span<const int>{}, true), 0);
    EXPECT_EQ(FSCoder::fixedBits(1.0, 16), 18);
    EXPECT_EQ(FSCoder::fixedBits(-0.5, 16), 17);
}

TEST(CoderTest, WordsAreLittleEndianAndSignExtended) {
    FSOutputStream out(6);
    out.write(0x1234, FSCoder::UnsignedWord, 16);
    out.write(-2, FSCoder::SignedWord, 32);
    EXPECT_EQ(out.getData(), (std::vector<uint8_t>{0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF}));

    FSInputStream in(out.getData().data(), out.size());
    EXPECT_EQ(in.read(FSCoder::UnsignedWord, 16), 0x1234);
    EXPECT_EQ(in.read(FSCoder::SignedWord, 32), -2);
    in.setCursor(0);
    EXPECT_EQ(in.read(FSCoder::SignedWord, 8), 0x34);
    EXPECT_EQ(in.read(FSCoder::SignedWord, 8), 0x12);
    EXPECT_EQ(in.read(FSCoder::SignedWord, 8), -2);
}

TEST(CoderTest, FixedPointFieldsTruncateTowardZero) {
    FSOutputStream out(5);
    out.writeFixedBits(1.0, 16, 18);
    out.writeFixedBits(-0.5, 16, 17);
    FSInputStream in(out.getData().data(), out.size());
    EXPECT_EQ(in.read(FSCoder::SignedBits, 18), 0x10000);
    EXPECT_EQ(in.read(FSCoder::SignedBits, 17), -32768);
    in.setCursor(0);
    EXPECT_FLOAT_EQ(in.readFixedBits(16, 18), 1.0f);
    EXPECT_FLOAT_EQ(in.readFixedBits(16, 17), -0.5f);

    FSOutputStream truncated(1);
    truncated.writeFixedBits(-1.99, 0, 8);  // toward zero, not floor
    EXPECT_EQ(truncated.getData(), std::vector<uint8_t>{0xFF});
}

TEST(CoderTest, DoubleHasTheMoreSignificantHalfFirst) {
    FSOutputStream out(8);
    out.writeDouble(1.0);
    EXPECT_EQ(out.getData(),
              (std::vector<uint8_t>{0x00, 0x00, 0xF0, 0x3F, 0x00, 0x00, 0x00, 0x00}));
    FSInputStream in(out.getData().data(), out.size());
    EXPECT_EQ(in.readDouble(), 1.0);
}

TEST(CoderTest, RoomIsCheckedToTheBit) {
    FSOutputStream out(2);
    out.write(0, FSCoder::UnsignedBits, 3);
    out.write(0x1FFF, FSCoder::UnsignedBits, 13);  // ends on the last bit
    EXPECT_EQ(out.getCursor(), 16u);

    FSOutputStream full(2);
    full.write(0, FSCoder::UnsignedBits, 3);
    try {
        full.write(0, FSCoder::UnsignedBits, 14);
        FAIL() << "one bit past the end was written";
    } catch (const FSException& e) {
        EXPECT_STREQ(e.what(), "Write Overflow");
    }
    EXPECT_EQ(full.getCursor(), 3u) << "a failed write moved the cursor";

    const uint8_t one[] = {0xFF};
    FSInputStream in(one, 1);
    in.read(FSCoder::UnsignedBits, 7);
    EXPECT_THROW(in.read(FSCoder::UnsignedBits, 2), FSException);
    EXPECT_EQ(in.getCursor(), 7u);
    EXPECT_EQ(in.read(FSCoder::UnsignedBits, 1), 1);
}

TEST(CoderTest, FailureMessages) {
    FSOutputStream out(8);
    EXPECT_EQ(messageOf([&] { out.write(0, FSCoder::UnsignedBits, 33); }), "Value Out Of Range");
    out.write(1, FSCoder::UnsignedBits, 1);
    EXPECT_EQ(messageOf([&] { out.write(1, FSCoder::UnsignedWord, 16); }), "Not Byte Aligned");
    out.alignToByte();
    EXPECT_EQ(messageOf([&] { out.writeBytes(nullptr, 1); }), "Null Object");
    EXPECT_EQ(messageOf([&] { out.writeDouble(1.0); }), "Write Overflow");

    const uint8_t bytes[] = {'a', 'b', 'c'};
    FSInputStream in(bytes, 3);
    EXPECT_EQ(messageOf([&] { in.read(7, 8); }), "Invalid Number Type");
    EXPECT_EQ(messageOf([&] { in.readBytes(-1); }), "Value Negative");
    EXPECT_EQ(messageOf([&] { in.readBytes(4); }), "Read Overflow");
    EXPECT_EQ(messageOf([&] { in.readDouble(); }), "Read Overflow");
    // No terminating zero: the scan stops at the end of the buffer.
    EXPECT_EQ(messageOf([&] { in.readString(); }), "Read Overflow");
    EXPECT_EQ(in.getCursor(), 0u);
    EXPECT_EQ(messageOf([&] { in.getContext(16); }), "Array index out of bounds");
}

TEST(CoderTest, StringsAndBytes) {
    FSOutputStream out(9);
    out.writeString("swf");
    const uint8_t block[] = {1, 2, 3, 4, 5};
    out.writeBytes(block, 5);
    EXPECT_EQ(out.getData(), (std::vector<uint8_t>{'s', 'w', 'f', 0, 1, 2, 3, 4, 5}));

    FSInputStream in(out.getData().data(), out.size());
    EXPECT_EQ(in.readString(), "swf");
    EXPECT_EQ(in.readBytes(5), (std::vector<uint8_t>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(in.eof());
    EXPECT_TRUE(in.readBytes(0).empty());
}

TEST(CoderTest, AlignmentAndPeeking) {
    const uint8_t bytes[] = {0x34, 0x12, 0xFF};
    FSInputStream in(bytes, 3);
    in.alignToByte();
    EXPECT_EQ(in.getCursor(), 0u);
    EXPECT_EQ(in.peekWord(), 0x1234);
    EXPECT_EQ(in.getCursor(), 0u);
    in.setCursor(9);
    in.alignToByte();
    EXPECT_EQ(in.getCursor(), 16u);
    in.moveToEnd();
    EXPECT_TRUE(in.eof());
}

// Every width at every offset within a byte, against a bit-by-bit reference.
TEST(CoderTest, FieldsOfEveryWidthAtEveryOffsetRoundTrip) {
    for (int offset = 0; offset < 8; ++offset) {
        for (int width = 1; width <= 32; ++width) {
            const uint32_t pattern = 0xA5C3F00Fu ^ (static_cast<uint32_t>(width) * 0x9E3779B9u);
            const uint32_t value = width == 32 ? pattern : pattern & ((1u << width) - 1);
            FSOutputStream out(8);
            out.write(0x7F, FSCoder::UnsignedBits, offset);
            out.write(static_cast<int>(value), FSCoder::UnsignedBits, width);
            out.write(1, FSCoder::UnsignedBits, 1);

            std::vector<int> expected;
            for (int i = offset - 1; i >= 0; --i) expected.push_back((0x7F >> i) & 1);
            for (int i = width - 1; i >= 0; --i) expected.push_back((value >> i) & 1);
            expected.push_back(1);
            const auto& data = out.getData();
            for (std::size_t bit = 0; bit < expected.size(); ++bit)
                ASSERT_EQ((data[bit / 8] >> (7 - bit % 8)) & 1, expected[bit])
                    << "offset " << offset << " width " << width << " bit " << bit;

            FSInputStream in(data.data(), data.size());
            in.read(FSCoder::UnsignedBits, offset);
            ASSERT_EQ(static_cast<uint32_t>(in.read(FSCoder::UnsignedBits, width)), value);
            in.setCursor(static_cast<std::size_t>(offset));
            const int extended = in.read(FSCoder::SignedBits, width);
            const int64_t reference = width < 32 && (value >> (width - 1))
                                          ? static_cast<int64_t>(value) - (int64_t{1} << width)
                                          : static_cast<int32_t>(value);
            ASSERT_EQ(extended, reference) << "offset " << offset << " width " << width;
        }
    }
}

TEST(CoderTest, ListenerSeesValuesAndCutsLongNames) {
    RecordingListener listener;
    FSOutputStream out(4);
    out.setListener(&listener);
    out.beginObject(std::string(40, 'n'));
    out.write(5, FSCoder::UnsignedBits, 4);
    out.alignToByte();
    out.write(0x1234, FSCoder::UnsignedWord, 16);
    out.endObject("FSBounds");
    ASSERT_EQ(listener.events.size(), 4u);
    EXPECT_EQ(std::string(listener.events[0].name), std::string(31, 'n'));
    EXPECT_EQ(listener.events[0].kind, FSCodingEvent::Begin);
    EXPECT_EQ(listener.events[1].kind, FSCodingEvent::Value);
    EXPECT_STREQ(listener.events[1].name, "int");
    EXPECT_STREQ(listener.events[1].value, "5");
    EXPECT_EQ(listener.events[1].bits, 4);
    EXPECT_EQ(listener.events[2].location, 8);
    EXPECT_STREQ(listener.events[2].value, "4660");
    EXPECT_EQ(listener.events[3].kind, FSCodingEvent::End);
    EXPECT_EQ(listener.events[3].location, 24);
    EXPECT_EQ(listener.events[3].direction, FSCodingEvent::Encoding);

    const FSCodingEvent longValue(1, 2, 0, 0, "string", std::string(300, 'v'));
    EXPECT_EQ(std::string(longValue.value).size(), 255u);
}

}  // namespace
}  // namespace transform
