#include "swf/sprites_buttons.h"

#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

#include "swf/display_list.h"
#include "tests/swf/swf_test_support.h"
#include "tests/swf/tag_corpus.h"

namespace transform {
namespace {

using namespace test;

using Actions = FSArray<FSActionObject>;

// ---- movie clips ----

TEST(MovieClipTest, FrameCountIsTheNumberOfShowFrames) {
    FSDefineMovieClip clip(5);
    clip.add(std::make_unique<FSShowFrame>());
    clip.add(std::make_unique<FSRemoveObject2>(1));
    clip.add(std::make_unique<FSShowFrame>());
    clip.add(std::make_unique<FSShowFrame>());
    EXPECT_EQ(clip.frameCount(), 3);
    // identifier; frame count 3; the objects with their headers; the end tag.
    EXPECT_EQ(test::encodeTag(clip),
              tagBytes(39, {0x05, 0x00, 0x03, 0x00, 0x40, 0x00, 0x02, 0x07, 0x01, 0x00, 0x40, 0x00,
                            0x40, 0x00, 0x00, 0x00}));
    auto back = test::expectTagRoundTrip(clip);
    const auto& decoded = static_cast<FSDefineMovieClip&>(*back);
    EXPECT_EQ(decoded.getIdentifier(), 5);
    ASSERT_EQ(decoded.getObjects().size(), 4u);
    EXPECT_STREQ(decoded.getObjects()[1].name(), "FSRemoveObject2");
    EXPECT_EQ(decoded.frameCount(), 3);
}

TEST(MovieClipTest, AFileDeclaredFrameCountIsKeptUntilTheFramesChange) {
    // Declares 5 frames but holds one show frame.
    const Bytes tag = tagBytes(39, {0x01, 0x00, 0x05, 0x00, 0x40, 0x00, 0x00, 0x00});
    auto decoded = decodeTag(tag);
    ASSERT_NE(decoded, nullptr);
    auto& clip = static_cast<FSDefineMovieClip&>(*decoded);
    EXPECT_EQ(clip.frameCount(), 1);
    EXPECT_EQ(test::encodeTag(clip), tag);
    clip.add(std::make_unique<FSRemoveObject2>(1));
    EXPECT_EQ(test::encodeTag(clip)[4], 0x05) << "other tags leave the frames as they were";
    clip.add(std::make_unique<FSShowFrame>());
    EXPECT_EQ(test::encodeTag(clip)[4], 0x02) << "a frame added: the count is the show frames";
}

TEST(MovieClipTest, NestedHeadersAreShortUpTo62BytesAndLongFrom63) {
    FSDefineMovieClip shortClip(1);
    shortClip.add(std::make_unique<FSFrameLabel>(std::string(61, 'x')));  // a 62-byte body
    FSOutputStream sizer(0);
    EXPECT_EQ(shortClip.length(sizer), 6 + 62 + 2);

    FSDefineMovieClip longClip(1);
    longClip.add(std::make_unique<FSFrameLabel>(std::string(62, 'x')));  // a 63-byte body
    EXPECT_EQ(longClip.length(sizer), 6 + 63 + 6);

    FSDefineMovieClip extended(1);
    auto frame = std::make_unique<FSShowFrame>();
    frame->setExtendLength(true);
    extended.add(std::move(frame));
    EXPECT_EQ(extended.length(sizer), 6 + 0 + 6);
    const Bytes bytes = test::encodeTag(extended);
    EXPECT_EQ(bytes, tagBytes(39, {0x01, 0x00, 0x01, 0x00, 0x7F, 0x00, 0, 0, 0, 0, 0x00, 0x00}));

    for (FSDefineMovieClip* clip : {&shortClip, &longClip, &extended}) {
        auto back = test::expectTagRoundTrip(*clip);
        const auto& nested = static_cast<FSDefineMovieClip&>(*back).getObjects()[0];
        EXPECT_EQ(nested.isExtendLength(), clip->getObjects()[0].isExtendLength() ||
                                               clip->getObjects()[0].getLength() >= 63);
    }
}

TEST(MovieClipTest, ClipsInsideClipsRoundTrip) {
    FSDefineMovieClip inner(2);
    inner.add(std::make_unique<FSPlaceObject2>(1, 1, 20, 40));
    inner.add(std::make_unique<FSShowFrame>());
    FSDefineMovieClip outer(3);
    outer.add(cloneOf(inner));
    outer.add(std::make_unique<FSFrameLabel>("start", true));
    outer.add(std::make_unique<FSShowFrame>());
    auto back = test::expectTagRoundTrip(outer);
    const auto& decoded = static_cast<FSDefineMovieClip&>(*back);
    ASSERT_EQ(decoded.getObjects().size(), 3u);
    const auto& nested = static_cast<const FSDefineMovieClip&>(decoded.getObjects()[0]);
    EXPECT_EQ(nested.getIdentifier(), 2);
    EXPECT_EQ(nested.frameCount(), 1);

    // Copies are deep.
    FSDefineMovieClip copy = outer;
    outer.getObjects().clear();
    EXPECT_EQ(copy.getObjects().size(), 3u);
    EXPECT_EQ(test::encodeTag(copy), test::encodeTag(*back));
}

TEST(MovieClipTest, AClipEndsAtItsEndTagOrAtTheEndOfItsTag) {
    // identifier 1, one frame, a show frame and no end tag, then a tag of the enclosing movie.
    const Bytes bytes = concat({tagBytes(39, {0x01, 0x00, 0x01, 0x00, 0x40, 0x00}), {0x40, 0x00}});
    FSInputStream in(bytes.data(), bytes.size());
    auto clip = FSMovie::decodeObject(in);
    ASSERT_NE(clip, nullptr);
    EXPECT_EQ(static_cast<FSDefineMovieClip&>(*clip).getObjects().size(), 1u);
    EXPECT_EQ(in.getCursor(), 8u * 8u);
    auto next = FSMovie::decodeObject(in);
    ASSERT_NE(next, nullptr);
    EXPECT_STREQ(next->name(), "FSShowFrame");

    // Bytes after the end tag are passed over.
    auto empty = decodeTag(tagBytes(39, {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
    ASSERT_NE(empty, nullptr);
    EXPECT_TRUE(static_cast<FSDefineMovieClip&>(*empty).getObjects().empty());
    EXPECT_EQ(test::encodeTag(*empty), tagBytes(39, {0x01, 0x00, 0x00, 0x00, 0x00, 0x00}));
}

// Movie clips nested depth deep, each with the long header: the headers, identifiers and
// frame counts from the outside in, then the end tags.
Bytes nestedClips(int depth) {
    std::vector<uint32_t> bodies(static_cast<std::size_t>(depth));
    uint32_t inner = 0;
    for (int level = depth - 1; level >= 0; --level) {
        bodies[static_cast<std::size_t>(level)] = 4 + inner + 2;
        inner = bodies[static_cast<std::size_t>(level)] + 6;
    }
    Bytes tag;
    for (const uint32_t body : bodies)
        tag.insert(tag.end(), {0xFF, 0x09, static_cast<uint8_t>(body),
                               static_cast<uint8_t>(body >> 8), static_cast<uint8_t>(body >> 16),
                               static_cast<uint8_t>(body >> 24), 0x01, 0x00, 0x00, 0x00});
    for (int level = 0; level < depth; ++level) tag.insert(tag.end(), {0x00, 0x00});
    return tag;
}

TEST(MovieClipTest, NestingIsLimited) {
    auto deepest = decodeTag(nestedClips(MaximumMovieClipDepth));
    ASSERT_NE(deepest, nullptr);
    EXPECT_EQ(test::encodeTag(*deepest), nestedClips(MaximumMovieClipDepth));

    try {
        decodeTag(nestedClips(MaximumMovieClipDepth + 1));
        FAIL() << "a clip nested one level too deep was accepted";
    } catch (const FSFormatException& e) {
        EXPECT_NE(std::string(e.what()).find("nested more than 32"), std::string::npos) << e.what();
    }
}

TEST(MovieClipTest, ANestingBombInAMovieIsRefusedOrReported) {
    // A movie whose only tag is a clip nested 20000 deep.
    const Bytes movie = movieWith(7, nestedClips(20000));

    FSMovie plain;
    EXPECT_THROW(plain.decodeFromData(movie), FSFormatException);
    // With a listener the clip past the limit is reported and kept as its bytes.
    RecordingListener listener;
    FSMovie listened;
    listened.decodeFromData(movie, &listener);
    EXPECT_EQ(listener.errors.size(), 1u);
    EXPECT_EQ(listened.getObjects().size(), 1u);
}

// ---- button records and buttons ----

const test::Slots InButton = {{FSCoder::Type, 7}};
const test::Slots InButton2 = {{FSCoder::Type, 34}, {FSCoder::Transparent, 1}};

TEST(ButtonRecordTest, ColourTransformOnlyInsideTheSecondButton) {
    FSColorTransform fade;
    fade.setMultiplyAlpha(0.5f);
    FSButton record(FSButton::Up | FSButton::Over, 2, 1, FSCoordTransform(), fade);
    // states; identifier; layer; identity matrix.
    EXPECT_EQ(test::encodeValue(record, InButton), (Bytes{0x03, 0x02, 0x00, 0x01, 0x00, 0x00}));
    // With alpha: multiply terms only, size 10, four terms of 10 bits (46 bits); the first
    // byte ends with the top bits of 1.0 (256).
    const Bytes withAlpha = test::encodeValue(record, InButton2);
    ASSERT_EQ(withAlpha.size(), 6u + 6u);
    EXPECT_EQ(withAlpha[6], 0x69);
    FSButton back = test::roundTripValue(record, InButton2);
    EXPECT_EQ(back.getColorTransform().getMultiplyAlpha(), 0.5f);
    EXPECT_EQ(back.getState(), FSButton::Up | FSButton::Over);
    EXPECT_EQ(test::roundTripValue(record, InButton).getColorTransform().getMultiplyAlpha(), 1.0f);
}

TEST(DefineButtonTest, RecordsThenActions) {
    FSDefineButton button(3, {FSButton(FSButton::Up, 2, 1)}, actionsOf({FSAction::Stop}));
    EXPECT_EQ(test::encodeTag(button),
              tagBytes(7, {0x03, 0x00, 0x01, 0x02, 0x00, 0x01, 0x00, 0x00, 0x00, 0x07, 0x00}));
    auto back = test::expectTagRoundTrip(button);
    const auto& decoded = static_cast<FSDefineButton&>(*back);
    ASSERT_EQ(decoded.getButtons().size(), 1u);
    EXPECT_EQ(decoded.getButtons()[0].getIdentifier(), 2);
    EXPECT_EQ(decoded.getActions().size(), 1u);
}

TEST(DefineButton2Test, EventOffsetsCountToTheNextEventAndTheLastIsZero) {
    // No events: an action offset of zero.
    FSDefineButton2 none(4, {FSButton(FSButton::Up, 2, 1)});
    EXPECT_EQ(test::encodeTag(none), tagBytes(34, {0x04, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x00,
                                                   0x01, 0x00, 0x00, 0x00, 0x00}));
    test::expectTagRoundTrip(none);
    FSDefineButton2 button(
        4, {FSButton(FSButton::Up, 2, 1)},
        {FSButtonEvent(FSButtonEvent::OverDownToOverUp, actionsOf({FSAction::Play})),
         FSButtonEvent(FSButtonEvent::IdleToOverUp, actionsOf({FSAction::Stop}))});
    const Bytes expected = tagBytes(34, {0x04, 0x00,                                // identifier
                                         0x00, 0x0A, 0x00,                          // menu; offset
                                         0x01, 0x02, 0x00, 0x01, 0x00, 0x00, 0x00,  // record
                                         0x00,                                  // end of records
                                         0x06, 0x00, 0x08, 0x00, 0x06, 0x00,    // release: Play
                                         0x00, 0x00, 0x01, 0x00, 0x07, 0x00});  // roll over: Stop
    EXPECT_EQ(test::encodeTag(button), expected);
    auto back = test::expectTagRoundTrip(button);
    const auto& decoded = static_cast<FSDefineButton2&>(*back);
    ASSERT_EQ(decoded.getEvents().size(), 2u);
    EXPECT_EQ(decoded.getEvents()[0].getEvent(), FSButtonEvent::OverDownToOverUp);
    EXPECT_EQ(decoded.getEvents()[1].getActions()[0].getType(), FSAction::Stop);
    EXPECT_TRUE(decoded.getEncodedEvents().empty());
}

TEST(DefineButton2Test, KeyConditionsAndTheMenuByteRoundTrip) {
    FSDefineButton2 button(
        9, 0x03, {FSButton(FSButton::HitTest, 2, 1)},
        {FSButtonEvent(FSButtonEvent::keyPress(13), actionsOf({FSAction::Play}))});
    const Bytes bytes = test::encodeTag(button);
    EXPECT_EQ(bytes[4], 0x03) << "the menu byte is written whole";
    auto back = test::expectTagRoundTrip(button);
    const auto& decoded = static_cast<FSDefineButton2&>(*back);
    EXPECT_EQ(decoded.getMenu(), 0x03);
    EXPECT_EQ(decoded.getEvents()[0].getEvent(), 13 << 9);
}

TEST(DefineButton2Test, ARecordWithoutStatesIsLeftOutAndAZeroByteEndsTheRecords) {
    // Its flags byte would be 0, which a reader takes for the end of the records.
    FSDefineButton2 withEmpty(4, {FSButton(0, 9, 9), FSButton(FSButton::Up, 2, 1)});
    FSDefineButton2 without(4, {FSButton(FSButton::Up, 2, 1)});
    EXPECT_EQ(test::encodeTag(withEmpty), test::encodeTag(without));
    FSDefineButton first(4, {FSButton(0, 9, 9)}, actionsOf({FSAction::Stop}));
    auto back = test::expectTagRoundTrip(first);
    EXPECT_TRUE(static_cast<FSDefineButton&>(*back).getButtons().empty());
    EXPECT_EQ(static_cast<FSDefineButton&>(*back).getActions().size(), 1u);
    // The records end at the first zero byte; the offset 0 says there are no events.
    const Bytes tag = tagBytes(34, {0x04, 0x00, 0x00, 0x00, 0x00, 0x00});
    auto decoded = decodeTag(tag);
    ASSERT_NE(decoded, nullptr);
    EXPECT_TRUE(static_cast<FSDefineButton2&>(*decoded).getButtons().empty());
    EXPECT_EQ(test::encodeTag(*decoded), tag);
}

TEST(DefineButton2Test, EncodedEventsFollowTheRecords) {
    FSDefineButton2 button(4, {FSButton(FSButton::Up, 2, 1)});
    const Bytes events = {0x00, 0x00, 0x08, 0x00, 0x06, 0x00};
    button.setEncodedEvents(events);
    const Bytes bytes = test::encodeTag(button);
    EXPECT_EQ(bytes[5] | bytes[6] << 8, 10) << "the action offset points at the block";
    EXPECT_EQ(Bytes(bytes.end() - 6, bytes.end()), events);
    button.addEvents({FSButtonEvent(FSButtonEvent::IdleToOverUp)});
    EXPECT_TRUE(button.getEncodedEvents().empty());
}

// The events of a button with one record, as a tool wrote them.
Bytes buttonWithEvents(const Bytes& events, int actionOffset = 10) {
    return tagBytes(34, concat({{0x04, 0x00, 0x00, static_cast<uint8_t>(actionOffset), 0x00, 0x01,
                                 0x02, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00},
                                events}));
}

TEST(DefineButton2Test, EventsTheListWouldWriteDifferentlyAreKeptAsABlock) {
    // A first offset with two bytes of slack, then the event that it points past.
    const Bytes slack = {0x08, 0x00, 0x08, 0x00, 0x06, 0x00, 0x00,
                         0x00, 0x00, 0x00, 0x01, 0x00, 0x07, 0x00};
    // The last event's actions end before the tag does.
    const Bytes trailing = {0x00, 0x00, 0x08, 0x00, 0x06, 0x00, 0xAA};
    for (const Bytes& events : {slack, trailing}) {
        const Bytes tag = buttonWithEvents(events);
        auto decoded = decodeTag(tag);
        ASSERT_NE(decoded, nullptr);
        const auto& button = static_cast<FSDefineButton2&>(*decoded);
        EXPECT_TRUE(button.getEvents().empty());
        EXPECT_EQ(button.getEncodedEvents(), events);
        EXPECT_EQ(test::encodeTag(*decoded), tag);
    }
}

TEST(DefineButton2Test, OffsetsOutsideTheTagAreRefused) {
    const Bytes event = {0x00, 0x00, 0x08, 0x00, 0x06, 0x00};
    // The action offset points past the end of the tag, or back into the records.
    EXPECT_THROW(decodeTag(buttonWithEvents(event, 40)), FSFormatException);
    EXPECT_THROW(decodeTag(buttonWithEvents(event, 4)), FSFormatException);
    // An event offset that points past the end of the tag.
    EXPECT_THROW(decodeTag(buttonWithEvents({0x40, 0x00, 0x08, 0x00, 0x06, 0x00})),
                 FSFormatException);
    // Records that never end.
    EXPECT_THROW(decodeTag(tagBytes(
                     34, {0x04, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x00, 0x01, 0x00, 0x00, 0x00})),
                 FSException);
}

TEST(SpriteButtonTest, TruncatedClipsAndButtonsFailCleanly) {
    FSDefineMovieClip clip(7);
    clip.add(std::make_unique<FSPlaceObject2>(1, 1, "name", 20, 40));
    clip.add(std::make_unique<FSShowFrame>());
    expectEveryPrefixRefused(encodeTag(clip));
    FSDefineButton2 button(
        4, {FSButton(FSButton::Up, 2, 1, FSCoordTransform(5, 5))},
        {FSButtonEvent(FSButtonEvent::OverDownToOverUp, actionsOf({FSAction::Play})),
         FSButtonEvent(FSButtonEvent::IdleToOverUp, actionsOf({FSAction::Stop}))});
    expectEveryPrefixRefused(encodeTag(button));
}

// A button of a version-8 movie whose first record has a blur filter and a blend mode (flags
// 0x33), then two events.
const Bytes FilteredButton = {
    0x04, 0x00, 0x01, 0x27, 0x00,                                            // id 4; menu; offset
    0x33, 0x02, 0x00, 0x01, 0x00, 0x00, 0xA5, 0x90, 0x00, 0x00, 0x00, 0x00,  // record, add 200
    0x01, 0x01, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x05, 0x00, 0x08,        // one blur filter
    0x07,                                                                    // blend mode
    0x0C, 0x03, 0x00, 0x01, 0x00, 0x00, 0x68, 0x00, 0x40, 0x00, 0x04, 0x00,  // second record
    0x00,                                                                    // end of records
    0x0C, 0x00, 0x08, 0x00, 0x96, 0x03, 0x00, 0x00, 0x41, 0x00, 0x26, 0x00,
    0x00, 0x00, 0x00, 0x06, 0x96, 0x03, 0x00, 0x00, 0x42, 0x00, 0x26, 0x00};

TEST(DefineButton2Test, FiltersAndBlendModesOfLaterMoviesAreKept) {
    const Bytes tag = tagBytes(34, FilteredButton);
    auto decoded = decodeTag(tag, 8);
    ASSERT_NE(decoded, nullptr);
    const auto& button = static_cast<FSDefineButton2&>(*decoded);
    ASSERT_EQ(button.getButtons().size(), 2u);
    EXPECT_EQ(button.getButtons()[0].getEffectFlags(), 0x3);
    EXPECT_EQ(button.getButtons()[0].getEncodedEffects(),
              (Bytes{0x01, 0x01, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x05, 0x00, 0x08, 0x07}));
    EXPECT_EQ(button.getButtons()[0].getColorTransform().getAddRed(), 200);
    EXPECT_EQ(button.getButtons()[1].getState(), FSButton::Down | FSButton::HitTest);
    ASSERT_EQ(button.getEvents().size(), 2u);
    EXPECT_EQ(button.getEvents()[1].getEvent(), FSButtonEvent::keyPress(3));
    EXPECT_EQ(test::encodeTag(*decoded, 8), tag);

    Bytes unknownFilter = FilteredButton;
    unknownFilter[18] = 0x09;
    EXPECT_THROW(decodeTag(tagBytes(34, unknownFilter), 8), FSFormatException);
}

TEST(ButtonColorTransformTest, OneOrMoreTransformsWithoutAlpha) {
    FSColorTransform redder;
    redder.setAddRed(10);
    FSButtonColorTransform tag(3, redder);
    EXPECT_EQ(test::encodeTag(tag), tagBytes(23, {0x03, 0x00, 0x95, 0x40, 0x00}));
    auto back = test::expectTagRoundTrip(tag);
    EXPECT_EQ(static_cast<FSButtonColorTransform&>(*back).getColorTransform().getAddRed(), 10);
    EXPECT_TRUE(static_cast<FSButtonColorTransform&>(*back).getMoreTransforms().empty());

    // Some tools write one transform per record: those after the first are kept in order.
    const Bytes three = tagBytes(23, {0x03, 0x00, 0x95, 0x40, 0x00, 0x00, 0x95, 0x40, 0x00});
    auto decoded = decodeTag(three);
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(static_cast<FSButtonColorTransform&>(*decoded).getMoreTransforms().size(), 2u);
    EXPECT_EQ(test::encodeTag(*decoded), three);
}

TEST(ButtonEventTest, SettersManageTheEncodedBlock) {
    FSButtonEvent event(FSButtonEvent::OverUpToOverDown, Bytes{0x06});
    EXPECT_EQ(test::encodeValue(event), (Bytes{0x04, 0x00, 0x06, 0x00}));
    event.addActions(actionsOf({FSAction::Stop}));
    EXPECT_TRUE(event.getEncodedActions().empty());
    EXPECT_EQ(test::encodeValue(event), (Bytes{0x04, 0x00, 0x07, 0x00}));
    event.setEncodedActions(Bytes{0x06});
    EXPECT_TRUE(event.getActions().empty());
}

// ---- real movies ----

// Where the end tag of a movie clip's body (walked from after its frame count) stands: the
// offset just past it, or 0 when the body has none.
std::size_t endTagEnd(const Bytes& body) {
    std::size_t at = 4;
    while (at + 2 <= body.size()) {
        const int word = body[at] | body[at + 1] << 8;
        std::size_t length = static_cast<std::size_t>(word & 63);
        at += 2;
        if (word >> 6 == 0) return at;
        if (length == 63) {
            if (at + 4 > body.size()) break;
            length = body[at] | body[at + 1] << 8 | body[at + 2] << 16 |
                     static_cast<std::size_t>(body[at + 3]) << 24;
            at += 4;
        }
        at += length;
    }
    return 0;
}

// Button and movie clip tags of the corpus decode to their declared lengths and keep their
// values. What does not come back byte for byte, exactly:
// - first buttons: an action list that stops at the end of the tag gets its closing zero;
// - movie clips: an end tag missing at the end of the body is written, and bytes after the end
//   tag are dropped;
// - second buttons and nested placements: matrices and colour transforms if the basic types
//   write them in another form with the same values (sameContent checks the values).
TEST(SpriteButtonCorpusTest, RealTagsRoundTrip) {
    const auto result = test::roundTripCorpusTags({7, 23, 34, 39});
    if (result.movies == 0) GTEST_SKIP() << "no corpus at " << test::swfCorpus();
    for (const auto& failure : result.failures) ADD_FAILURE() << failure;
    for (const auto& change : result.changed) ADD_FAILURE() << change;

    int closingZeros = 0, endTags = 0, paddings = 0, resized = 0;
    for (const auto& difference : result.differing) {
        const Bytes file = test::bodyOf(difference.file);
        const Bytes ours = test::bodyOf(difference.ours);
        if (difference.type == 7 && ours == concat({file, {0x00}})) {
            ++closingZeros;
            continue;
        }
        if (difference.type == 39) {
            ASSERT_GE(file.size(), 4u);
            EXPECT_EQ(Bytes(file.begin(), file.begin() + 4), Bytes(ours.begin(), ours.begin() + 4))
                << "identifier and frame count";
            const std::size_t end = endTagEnd(file);
            if (end == 0 && ours == concat({file, {0x00, 0x00}})) {
                ++endTags;
                continue;
            }
            if (end != 0 && end < file.size() &&
                ours == Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(end))) {
                ++paddings;
                continue;
            }
        }
        ++resized;  // the same values (sameContent), written in another form
    }
    std::cout << "[ corpus ] " << result.tags << " button and movie clip tags in " << result.movies
              << " movies: " << result.identical << " byte for byte; " << closingZeros
              << " button action lists closed, " << endTags << " clip end tags written, "
              << paddings << " clips with bytes after the end tag, " << resized
              << " with matrices or colour transforms resized\n";
    EXPECT_GT(result.perType.at(39), 100);
    EXPECT_GT(result.perType.at(34), 10);
    EXPECT_GE(result.identical, result.tags * 9 / 10);
}

}  // namespace
}  // namespace transform
