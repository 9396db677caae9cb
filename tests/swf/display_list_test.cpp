#include "swf/display_list.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/swf/swf_test_support.h"

namespace transform {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(ShowFrameTest, IsAnEmptyTagOfTypeOne) {
    FSShowFrame frame;
    EXPECT_EQ(test::encodeTag(frame), (Bytes{0x40, 0x00}));
    test::expectTagRoundTrip(frame);
}

TEST(SetBackgroundColorTest, HasNoAlpha) {
    FSSetBackgroundColor background(FSColor(0x11, 0x22, 0x33, 0x44));
    EXPECT_EQ(test::encodeTag(background), (Bytes{0x43, 0x02, 0x11, 0x22, 0x33}));
    auto back = test::expectTagRoundTrip(background);
    EXPECT_EQ(static_cast<FSSetBackgroundColor&>(*back).getColor().getBlue(), 0x33);
}

TEST(PlaceObject2Test, NewCharacterAtATranslation) {
    FSPlaceObject2 place(3, 1, 100, 200);
    // flags: has-transform, place type 2; layer 1; identifier 3; matrix (100, 200).
    EXPECT_EQ(test::encodeTag(place), (Bytes{0x89, 0x06, 0x06, 0x01, 0x00, 0x03, 0x00, 0x12, 0x64, 0x64, 0x00}));
    test::expectTagRoundTrip(place);
}

TEST(PlaceObject2Test, OptionalFieldsAndTheirCodings) {
    FSPlaceObject2 place(7, 2, 5, 0, 0);
    place.setRatio(0.5f);
    place.setName("shape1_2");
    FSColorTransform fade;
    fade.setMultiplyAlpha(0.5f);
    place.setColorTransform(fade);
    const Bytes bytes = test::encodeTag(place);
    // flags: clip depth, name, ratio, colour transform; no transform; place type 2.
    EXPECT_EQ(bytes[2], 0x7A);
    // The colour transform carries alpha in this tag: multiply only, size 10, four terms.
    EXPECT_EQ(bytes[7], 0x69);
    const std::size_t ratioAt = 2 + 1 + 2 + 2 + 6;
    EXPECT_EQ(bytes[ratioAt] | bytes[ratioAt + 1] << 8, 32767) << "0.5 × 65535 truncated";
    EXPECT_EQ(bytes[bytes.size() - 2] | bytes[bytes.size() - 1] << 8, 6) << "clip depth 5 is written as 6";

    auto back = test::expectTagRoundTrip(place);
    auto& decoded = static_cast<FSPlaceObject2&>(*back);
    EXPECT_EQ(decoded.getClipDepth(), 5);
    EXPECT_EQ(decoded.getName(), "shape1_2");
    EXPECT_NEAR(decoded.getRatio(), 0.5f, 1.0f / 65535);
    EXPECT_EQ(decoded.getColorTransform().getMultiplyAlpha(), 0.5f);
}

TEST(PlaceObject2Test, ModifyWritesNoIdentifier) {
    FSPlaceObject2 modify(4, FSCoordTransform(20, 0), FSColorTransform());
    modify.setIdentifier(99);
    const Bytes bytes = test::encodeTag(modify);
    EXPECT_EQ(bytes[2], 0x05);  // has-transform, place type 1
    EXPECT_EQ(bytes.size(), 2u + 3u + 3u);
    auto back = test::expectTagRoundTrip(modify);
    EXPECT_EQ(static_cast<FSPlaceObject2&>(*back).getIdentifier(), 0);
}

TEST(PlaceObject2Test, EventsFromOtherToolsAreKeptByteForByte) {
    // Events for a version-6 movie: reserved word, all-events 0x00000001, one event with an
    // offset of 1 and an empty action list, the end marker.
    const Bytes events = {0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0};
    FSPlaceObject2 place(1, 1, 0, 0);
    place.setEncodedEvents(events);
    const Bytes bytes = test::encodeTag(place, 6);
    EXPECT_EQ(bytes[2] & 0x80, 0x80);
    auto back = test::expectTagRoundTrip(place, 6);
    EXPECT_EQ(static_cast<FSPlaceObject2&>(*back).getEncodedEvents(), events);
}

TEST(PlaceObject2Test, TransparentSlotIsClearedAfterTheTag) {
    FSPlaceObject2 place(1, 1, 0, 0);
    FSOutputStream sizer(0);
    place.length(sizer);
    EXPECT_EQ(sizer.getContext(FSCoder::Transparent), 0);
    const Bytes bytes = test::encodeTag(place);
    FSInputStream in(bytes.data(), bytes.size());
    FSPlaceObject2 back(in);
    EXPECT_EQ(in.getContext(FSCoder::Transparent), 0);
}

TEST(PlaceObject2Test, TruncatedTagFailsCleanly) {
    FSPlaceObject2 place(3, 1, "a-long-instance-name", 100, 200);
    Bytes bytes = test::encodeTag(place);
    bytes.resize(bytes.size() - 4);
    FSInputStream in(bytes.data(), bytes.size());
    EXPECT_THROW(FSMovie::decodeObject(in), FSException);
}

}  // namespace
}  // namespace transform
