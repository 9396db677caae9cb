#include "swf/display_list.h"

#include <gtest/gtest.h>

#include <iostream>
#include <vector>

#include "tests/swf/swf_test_support.h"
#include "tests/swf/tag_corpus.h"

namespace transform {
namespace {

using namespace test;

using Actions = FSArray<FSActionObject>;

const test::Slots Version5 = {{FSCoder::Version, 5}};
const test::Slots Version6 = {{FSCoder::Version, 6}};
const test::Slots Version7 = {{FSCoder::Version, 7}};

test::Slots version(int v) {
    return v == 5 ? Version5 : v == 6 ? Version6 : Version7;
}

// Tags of fixed layout: the exact bytes, and a byte-identical round trip.
TEST(DisplayListTest, SmallTagsEncodeExactly) {
    FSShowFrame frame;
    FSSetBackgroundColor background(FSColor(0x11, 0x22, 0x33, 0x44));  // no alpha in this tag
    FSPlaceObject2 place(3, 1, 100, 200);  // has-transform, type 2; layer 1; id 3; (100, 200)
    FSRemoveObject remove(3, 2);
    FSRemoveObject2 remove2(5);
    FSFrameLabel label("a");
    FSFrameLabel anchor("a", true);  // an anchor adds one byte
    const std::pair<FSMovieObject*, Bytes> cases[] = {
        {&frame, {0x40, 0x00}},
        {&background, {0x43, 0x02, 0x11, 0x22, 0x33}},
        {&place, {0x89, 0x06, 0x06, 0x01, 0x00, 0x03, 0x00, 0x12, 0x64, 0x64, 0x00}},
        {&remove, {0x44, 0x01, 0x03, 0x00, 0x02, 0x00}},
        {&remove2, {0x02, 0x07, 0x05, 0x00}},
        {&label, {0xC2, 0x0A, 0x61, 0x00}},
        {&anchor, {0xC3, 0x0A, 0x61, 0x00, 0x01}},
    };
    for (const auto& [tag, bytes] : cases) {
        SCOPED_TRACE(tag->name());
        EXPECT_EQ(test::encodeTag(*tag), bytes);
        test::expectTagRoundTrip(*tag);
    }
    auto back = decodeAs<FSSetBackgroundColor>(cases[1].second);
    auto removed = decodeAs<FSRemoveObject>(cases[3].second);
    auto removed2 = decodeAs<FSRemoveObject2>(cases[4].second);
    auto plainLabel = decodeAs<FSFrameLabel>(cases[5].second);
    auto anchorLabel = decodeAs<FSFrameLabel>(cases[6].second);
    ASSERT_TRUE(back && removed && removed2 && plainLabel && anchorLabel);
    EXPECT_EQ(back->getColor().getBlue(), 0x33);
    EXPECT_EQ(removed->getIdentifier(), 3);
    EXPECT_EQ(removed->getLayer(), 2);
    EXPECT_EQ(removed2->getLayer(), 5);
    EXPECT_FALSE(plainLabel->isAnchor());
    EXPECT_TRUE(anchorLabel->isAnchor());
    EXPECT_EQ(anchorLabel->getLabel(), "a");
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
    EXPECT_EQ(bytes[bytes.size() - 2] | bytes[bytes.size() - 1] << 8, 6)
        << "clip depth 5 is written as 6";

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
    // The block is one that the event list writes back as it stands, so it is read as events.
    const auto& decoded = static_cast<FSPlaceObject2&>(*back);
    ASSERT_EQ(decoded.getEvents().size(), 1u);
    EXPECT_EQ(decoded.getEvents()[0].getEvent(), FSClipEvent::Load);
    EXPECT_TRUE(decoded.getEvents()[0].getActions().empty());
    EXPECT_TRUE(decoded.getEncodedEvents().empty());
}

// ---- clip events ----

TEST(ClipEventTest, FlagsAreSixteenBitsBeforeVersionSixAndThirtyTwoFrom) {
    FSClipEvent load(FSClipEvent::Load, actionsOf({FSAction::Stop}));
    // flags; offset to the next event = actions + closing zero; Stop; zero.
    EXPECT_EQ(test::encodeValue(load, version(5)), (Bytes{0x01, 0x00, 0x02, 0, 0, 0, 0x07, 0x00}));
    EXPECT_EQ(test::encodeValue(load, version(6)),
              (Bytes{0x01, 0, 0, 0, 0x02, 0, 0, 0, 0x07, 0x00}));
    for (const int v : {5, 6}) {
        FSClipEvent back = test::roundTripValue(load, version(v));
        EXPECT_EQ(back.getEvent(), FSClipEvent::Load);
        ASSERT_EQ(back.getActions().size(), 1u);
        EXPECT_EQ(back.getActions()[0].getType(), FSAction::Stop);
    }
}

TEST(ClipEventTest, KeyCodeIsWrittenOnlyForKeyPressFromVersionSix) {
    FSClipEvent press(FSClipEvent::KeyPress, 13, Actions());
    // The offset counts the key code byte.
    EXPECT_EQ(test::encodeValue(press, version(6)),
              (Bytes{0x00, 0x00, 0x02, 0x00, 0x02, 0, 0, 0, 0x0D, 0x00}));
    EXPECT_EQ(test::roundTripValue(press, version(6)).getKeyCode(), 13);
    // Below version 6 the flags word cannot hold the key-press bit and no key code is written.
    EXPECT_EQ(test::encodeValue(press, version(5)), (Bytes{0x00, 0x00, 0x01, 0, 0, 0, 0x00}));
    // Other events never carry a key code.
    FSClipEvent keyDown(FSClipEvent::KeyDown, 13, Actions());
    EXPECT_EQ(test::encodeValue(keyDown, version(7)), (Bytes{0x40, 0, 0, 0, 0x01, 0, 0, 0, 0x00}));
}

TEST(ClipEventTest, EncodedActionsAreWrittenWithTheClosingZero) {
    FSClipEvent event(FSClipEvent::EnterFrame, Bytes{0x06});
    EXPECT_EQ(test::encodeValue(event, version(6)),
              (Bytes{0x02, 0, 0, 0, 0x02, 0, 0, 0, 0x06, 0x00}));
    // Setting actions drops the block; adding appends and also drops it.
    event.setActions(actionsOf({FSAction::Stop}));
    EXPECT_TRUE(event.getEncodedActions().empty());
    event.setEncodedActions(Bytes{0x07});
    EXPECT_TRUE(event.getActions().empty());
    event.addActions(actionsOf({FSAction::Play, FSAction::Stop}));
    EXPECT_TRUE(event.getEncodedActions().empty());
    EXPECT_EQ(event.getActions().size(), 2u);
}

// Two events, Load with Stop and Unload with nothing, on a new character without a matrix.
FSPlaceObject2 placementWithEvents() {
    FSPlaceObject2 place(1, 1, 0, 0);
    place.add(FSClipEvent(FSClipEvent::Load, actionsOf({FSAction::Stop})));
    place.add(FSClipEvent(FSClipEvent::Unload));
    return place;
}

const Bytes placementFields = {0x82, 0x01, 0x00, 0x01, 0x00};  // has-events, type 2; layer; id

// Flags and offsets of 32 bits from version 6, of 16 bits before it.
TEST(PlaceObject2Test, ClipEventsInVersionFiveAndSixMovies) {
    const std::pair<int, Bytes> cases[] = {
        {6, {0x00, 0x00, 0x05, 0, 0,    0,                    // reserved; all events
             0x01, 0,    0,    0, 0x02, 0, 0, 0, 0x07, 0x00,  // Load: Stop
             0x04, 0,    0,    0, 0x01, 0, 0, 0, 0x00,        // Unload
             0,    0,    0,    0}},                           // end marker
        {5, {0x00, 0x00, 0x05, 0x00,                          // reserved; all events
             0x01, 0x00, 0x02, 0,    0, 0, 0x07, 0x00,        // Load: Stop
             0x04, 0x00, 0x01, 0,    0, 0, 0x00,              // Unload
             0x00, 0x00}},                                    // end marker
    };
    for (const auto& [v, events] : cases) {
        SCOPED_TRACE(v);
        FSPlaceObject2 place = placementWithEvents();
        EXPECT_EQ(test::encodeTag(place, v), tagBytes(26, concat({placementFields, events})));
        auto back = test::expectTagRoundTrip(place, v);
        const auto& decoded = static_cast<FSPlaceObject2&>(*back);
        ASSERT_EQ(decoded.getEvents().size(), 2u);
        EXPECT_EQ(decoded.getEvents()[0].getEvent(), FSClipEvent::Load);
        EXPECT_EQ(decoded.getEvents()[0].getActions().size(), 1u);
        EXPECT_EQ(decoded.getEvents()[1].getEvent(), FSClipEvent::Unload);
        EXPECT_TRUE(decoded.getEncodedEvents().empty());
    }
}

TEST(PlaceObject2Test, AllEventsWordIsTheUnionOfTheEvents) {
    FSPlaceObject2 place(1, 1, 0, 0);
    place.add(FSClipEvent(FSClipEvent::DragOut));
    place.add(FSClipEvent(FSClipEvent::EnterFrame));
    const Bytes bytes = test::encodeTag(place, 7);
    const std::size_t at = 2 + placementFields.size() + 2;
    EXPECT_EQ(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24,
              FSClipEvent::DragOut | FSClipEvent::EnterFrame);
}

TEST(PlaceObject2Test, EventsTheListWouldWriteDifferentlyAreKeptAsABlock) {
    const Bytes good = test::encodeTag(*std::make_unique<FSPlaceObject2>(placementWithEvents()), 6);
    const Bytes body(good.begin() + 2, good.end());
    const Bytes goodEvents(body.begin() + 5, body.end());

    Bytes wrongUnion = goodEvents;  // the all-events word is not the union of the events
    wrongUnion[2] = 0x07;
    Bytes padded = goodEvents;  // bytes after the end marker
    padded.insert(padded.end(), {0xAA, 0xBB});
    Bytes farOffset = goodEvents;  // an offset that points past the tag
    farOffset[10] = 0xFF;
    farOffset[11] = 0xFF;
    Bytes noEnd(goodEvents.begin(), goodEvents.end() - 4);  // no end marker
    Bytes stray = goodEvents;  // an offset one short: the next event starts inside the actions
    stray[10] = 0x01;

    for (const Bytes& events : {wrongUnion, padded, farOffset, noEnd, stray}) {
        const Bytes tag = tagBytes(26, concat({placementFields, events}));
        auto decoded = test::decodeTag(tag, 6);
        ASSERT_NE(decoded, nullptr);
        const auto& place = static_cast<FSPlaceObject2&>(*decoded);
        EXPECT_TRUE(place.getEvents().empty());
        EXPECT_EQ(place.getEncodedEvents(), events);
        EXPECT_EQ(test::encodeTag(*decoded, 6), tag) << "the block is written back as read";
    }
}

TEST(PlaceObject2Test, AddingEventsDropsABlockAndSettingABlockDropsEvents) {
    FSPlaceObject2 place(1, 1, 0, 0);
    place.setEncodedEvents(Bytes{0, 0, 1, 0, 0, 0});
    place.addEvents({FSClipEvent(FSClipEvent::Load), FSClipEvent(FSClipEvent::Unload)});
    EXPECT_TRUE(place.getEncodedEvents().empty());
    EXPECT_EQ(place.getEvents().size(), 2u);
    place.setEncodedEvents(Bytes{0, 0, 1, 0, 0, 0});
    EXPECT_TRUE(place.getEvents().empty());
}

TEST(PlaceObject2Test, TruncatedTagsFailCleanly) {
    FSPlaceObject2 named(3, 1, "a-long-instance-name", 100, 200);
    expectEveryPrefixRefused(encodeTag(named));
    const Bytes good = test::encodeTag(*std::make_unique<FSPlaceObject2>(placementWithEvents()), 6);
    expectEveryPrefixRefused(good, 6, 3);
}

// An event whose action list holds a record running past the tag, and a label without its zero:
// refused, not read on.
TEST(PlaceObject2Test, AnActionOrALabelRunningPastTheTagIsRefused) {
    const Bytes events = {0x00, 0x00, 0x01, 0,    0,    0,    0x01, 0, 0, 0, 0x05,
                          0,    0,    0,    0x96, 0x40, 0x00, 0x00, 0, 0, 0, 0};
    for (const Bytes& tag :
         {tagBytes(26, concat({placementFields, events})), Bytes{0xC2, 0x0A, 0x61, 0x62}}) {
        FSInputStream in(tag.data(), tag.size());
        in.setContext(FSCoder::Version, 6);
        EXPECT_THROW(FSMovie::decodeObject(in), FSException);
    }
}

// Modify layer 4 with an identity matrix: it resets the character's matrix, so it stays. An empty
// colour transform read from a file is kept too.
TEST(PlaceObject2Test, AnExplicitIdentityMatrixOrEmptyColourTransformOfAFileIsKept) {
    for (const Bytes& tag : {tagBytes(26, {0x05, 0x04, 0x00, 0x00}),
                             tagBytes(4, {0x03, 0x00, 0x01, 0x00, 0x00, 0x00})}) {
        auto decoded = test::decodeTag(tag);
        ASSERT_NE(decoded, nullptr);
        EXPECT_EQ(test::encodeTag(*decoded), tag);
    }
    auto modify = test::decodeTag(tagBytes(26, {0x05, 0x04, 0x00, 0x00}));
    EXPECT_TRUE(static_cast<FSPlaceObject2&>(*modify).getTransform().isIdentity());
    // A new placement built in code leaves the identity matrix out.
    FSPlaceObject2 fresh(FSPlaceObject2::Modify, 0, 4, FSCoordTransform(), FSColorTransform());
    EXPECT_EQ(test::encodeTag(fresh), tagBytes(26, {0x01, 0x04, 0x00}));
}

// ---- the first placement, removal and labels ----

TEST(PlaceObjectTest, ColourTransformOnlyWhenItChangesColours) {
    FSPlaceObject place(3, 1, 100, 200);
    EXPECT_EQ(test::encodeTag(place),
              tagBytes(4, {0x03, 0x00, 0x01, 0x00, 0x12, 0x64, 0x64, 0x00}));
    auto back = test::expectTagRoundTrip(place);
    EXPECT_EQ(static_cast<FSPlaceObject&>(*back).getTransform(), FSCoordTransform(100, 200));

    FSColorTransform redder;
    redder.setAddRed(10);
    place.setColorTransform(redder);
    // No alpha in this tag: hasAdd, size 5, three terms.
    EXPECT_EQ(test::encodeTag(place),
              tagBytes(4, {0x03, 0x00, 0x01, 0x00, 0x12, 0x64, 0x64, 0x00, 0x95, 0x40, 0x00}));
    back = test::expectTagRoundTrip(place);
    EXPECT_EQ(static_cast<FSPlaceObject&>(*back).getColorTransform().getAddRed(), 10);

    FSColorTransform fade;  // alpha is not part of this tag's colour transform
    fade.setMultiplyAlpha(0.5f);
    place.setColorTransform(fade);
    EXPECT_EQ(test::encodeTag(place).size(), 2u + 8u);
}

TEST(DisplayListTest, CopiesAreDeep) {
    FSPlaceObject2 place = placementWithEvents();
    FSPlaceObject2 copy = place;
    place.getEvents()[0].getActions().clear();
    EXPECT_EQ(copy.getEvents()[0].getActions().size(), 1u);
    auto clone = place.clone();
    EXPECT_EQ(test::encodeTag(static_cast<FSPlaceObject2&>(*clone)), test::encodeTag(place));
}

// ---- real movies ----

// Placement, removal and label tags of the corpus decode to their declared lengths and re-encode
// byte for byte, except placements whose matrix or colour transform the basic types write in
// another form with the same values (the same parts present, values checked by sameContent).
TEST(DisplayListCorpusTest, RealTagsRoundTrip) {
    const auto result = test::roundTripCorpusTags({4, 5, 26, 28, 43});
    if (result.movies == 0) GTEST_SKIP() << "no corpus at " << test::swfCorpus();
    std::cout << "[ corpus ] " << result.tags << " placement, removal and label tags in "
              << result.movies << " movies: " << result.identical << " byte for byte, "
              << result.tags - result.identical << " with matrices or colour transforms resized\n";
    for (const auto& failure : result.failures) ADD_FAILURE() << failure;
    for (const auto& change : result.changed) ADD_FAILURE() << change;
    for (const auto& [type, count] : result.differingPerType)
        EXPECT_EQ(type, 26) << count << " tags of type " << type << " differ";
    // The same parts are present (same flags byte) and none is longer than the file's.
    for (const auto& difference : result.differing) {
        const Bytes file = test::bodyOf(difference.file);
        const Bytes ours = test::bodyOf(difference.ours);
        ASSERT_FALSE(file.empty() || ours.empty());
        EXPECT_EQ(file[0], ours[0]);
        EXPECT_LE(ours.size(), file.size());
    }
    EXPECT_GT(result.perType.at(26), 1000);
    EXPECT_GE(result.identical, result.tags - result.tags / 50);
}

}  // namespace
}  // namespace transform
