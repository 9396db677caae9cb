// Faults the movie fuzzer found: values that a file may hold legally but that were re-encoded
// differently, cut, or not at all. Each file read must write back what it read.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "swf/basic_types.h"
#include "swf/display_list.h"
#include "swf/movie.h"
#include "swf/shapes.h"
#include "swf/sprites_buttons.h"
#include "swf_test_support.h"

namespace transform::test {
namespace {

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
    // One more fits no edge field: it is written as two records.
    FSShape tooFar;
    tooFar.emplace<FSLine>(65536, 0);
    FSOutputStream sizer(0);
    EXPECT_EQ(tooFar.length(sizer), 8);  // 8 + 2 x 25 + 6 bits: two horizontal lines of 32768
}

TEST(FuzzFindingsTest, StyleChangeWithEmptyNewListsIsKept) {
    // Index sizes 1 and 1; a style change with only the new-styles flag, padding and empty
    // lists announcing sizes 3 and 2; a general line (1, -1); the end record.
    const Bytes bytes = bitsToBytes(
        "0001 0001 | 010000 00 | 00000000 | 00000000 | 0011 0010 |"
        "11 0000 1 01 11 | 000000");
    FSInputStream in(bytes.data(), bytes.size());
    FSShape shape(in);
    ASSERT_EQ(shape.getObjects().size(), 2u);
    const auto& style = dynamic_cast<const FSShapeStyle&>(shape.getObjects()[0]);
    EXPECT_TRUE(style.containsStyles());

    // Written back it stays a style change, not an end record that would drop the line.
    const auto written = encodeValue(shape, {{FSCoder::FillSize, 1}, {FSCoder::LineSize, 1}});
    FSInputStream again(written.data(), written.size());
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

// ---- clip and button events whose actions run past their tag ----

// The fuzzer's movie (version 11): a key-press event's 64-byte action starts 25 bytes before the
// end of its tag and was read from bytes past the header's length. Events must not depend on
// what follows their tag: they are refused.
const std::vector<uint8_t> clipEventReproducer = {
    0x46, 0x57, 0x53, 0x0b, 0xa3, 0x00, 0x00, 0x00, 0x78, 0x00, 0x05, 0x5f, 0x3f, 0x00, 0x00, 0x00,
    0x00, 0x18, 0x00, 0x01, 0x00, 0x44, 0x11, 0x00, 0x00, 0x00, 0x00, 0x43, 0x02, 0xff, 0xff, 0xff,
    0xbf, 0x00, 0x1c, 0x00, 0x00, 0x00, 0x01, 0x00, 0x48, 0x01, 0x90, 0x00, 0x64, 0x00, 0x01, 0x00,
    0xff, 0x00, 0x00, 0x00, 0x10, 0x15, 0x20, 0x06, 0x47, 0x76, 0x71, 0xb8, 0xc8, 0xdd, 0x64, 0x6e,
    0x4e, 0x00, 0xff, 0x09, 0x10, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01, 0x00, 0x86, 0x06, 0x06, 0x01,
    0x00, 0x01, 0x00, 0x00, 0x40, 0x00, 0x21, 0x00, 0xbf, 0x06, 0x41, 0x00, 0x00, 0x00, 0x86, 0x01,
    0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x02, 0x0c, 0x02, 0x00, 0x00, 0x0c, 0x00, 0x00, 0x08, 0x00,
    0x00, 0x00, 0x96, 0x03, 0x00, 0x00, 0x41, 0x00, 0x26, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x60,
    0xc0, 0x00, 0x03, 0xf0, 0x40, 0x00, 0x00, 0x42, 0x00, 0x26, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08,
    0x00, 0x00, 0x00, 0x96, 0x03, 0x00, 0x00, 0x43, 0x00, 0x26, 0x00, 0x00, 0x00, 0x46, 0x57, 0x53,
    0x0b, 0xa3, 0x00, 0x00, 0x00, 0x78, 0x00, 0x05, 0x5f, 0x3f, 0x00, 0x00, 0x00, 0x00, 0x18, 0x00,
    0x01, 0x00, 0x44, 0x11, 0x00, 0x00, 0x00, 0x00, 0x43, 0x02, 0xff, 0xff, 0xff, 0xbf, 0x00, 0x1c,
    0x00, 0x00, 0x00, 0x01, 0x00, 0x48, 0x01, 0x90, 0x00, 0x64, 0x00, 0x01, 0x00, 0xff, 0x00, 0x00,
    0x00, 0x10, 0x15, 0x20, 0x06, 0x47, 0x76, 0x71, 0xb8, 0xc8, 0xdd, 0x64, 0x6e, 0x4e, 0x00, 0xff,
    0x09, 0x10, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01, 0x00, 0x86, 0x06, 0x06, 0x01, 0x00, 0x01, 0x00,
    0x00, 0x40, 0x00, 0x21, 0x00, 0xbf, 0x06, 0x41, 0x00, 0x00, 0x00, 0x86, 0x01, 0x00, 0x02, 0x00,
    0x00, 0x00, 0x00, 0x02, 0x0c, 0x02, 0x00, 0x00, 0x0c, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x96,
    0x03, 0x00, 0x00, 0x41, 0x00, 0x26, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x60, 0xc0, 0x00, 0x03,
    0xf0, 0x40, 0x00, 0x00, 0x42, 0x00, 0x26, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00,
};

void expectRefusedAsRunningPast(const std::vector<uint8_t>& movie, const char* owner) {
    const std::string expected = std::string(owner) + ": the events run past the end of the tag.";
    FSMovie plain;
    try {
        plain.decodeFromData(movie);
        ADD_FAILURE() << "decoded a movie whose events run past their tag";
    } catch (const FSFormatException& e) {
        EXPECT_EQ(std::string(e.what()), expected);
    }
    // With a listener the fault is reported, the tag is kept as its bytes and decoding goes on
    // at its declared end: the decoder does not read on into the next tag.
    RecordingListener listener;
    FSMovie lenient;
    lenient.decodeFromData(movie, &listener);
    std::string errors;
    for (const auto& error : listener.errors) errors += error + "\n";
    EXPECT_NE(errors.find(std::string(owner) + " (type "), std::string::npos) << errors;
    EXPECT_NE(errors.find(expected), std::string::npos) << errors;
}

TEST(FuzzFindingsTest, ClipEventActionsRunningPastTheTagAreRefusedWhateverFollows) {
    expectRefusedAsRunningPast(clipEventReproducer, "FSPlaceObject2");

    // The same fault made small, in version 5 (16-bit event words) and 6 (32-bit words): a Push
    // that claims 16 bytes where the tag holds 2. Followed by nothing, by more tags, or by bytes
    // past the header's length that would complete the record, the answer is the same.
    for (const int version : {5, 6}) {
        SCOPED_TRACE(version);
        const int word = version >= 6 ? 4 : 2;
        std::vector<uint8_t> body = {0x82, 1, 0, 1, 0, 0, 0};  // events, new; layer 1, id 1
        auto putWord = [&](uint32_t value, int bytes) {
            for (int i = 0; i < bytes; ++i) body.push_back(static_cast<uint8_t>(value >> (8 * i)));
        };
        putWord(FSClipEvent::Load, word);  // all events
        putWord(FSClipEvent::Load, word);  // the event
        putWord(5, 4);                     // offset to the end of its actions
        body.insert(body.end(), {0x96, 0x10, 0x00, 0x00, 0x41});  // Push of 16 bytes, 2 there
        const auto place = tagBytes(26, body);
        const std::vector<uint8_t> filler(40, 0x07);
        expectRefusedAsRunningPast(movieWith(version, place), "FSPlaceObject2");
        expectRefusedAsRunningPast(movieWith(version, place, filler), "FSPlaceObject2");
        std::vector<uint8_t> thenMore = place;
        const auto unknown = tagBytes(255, filler);
        thenMore.insert(thenMore.end(), unknown.begin(), unknown.end());
        expectRefusedAsRunningPast(movieWith(version, thenMore), "FSPlaceObject2");
    }
}

TEST(FuzzFindingsTest, ClipEventsThatFitTheirTagStillRoundTripWithTrailingBytes) {
    // The control case: the same placement with a Push that fits. Bytes past the header's length
    // are not part of the movie: the events are modelled and the movie writes itself back.
    for (const int version : {5, 6}) {
        SCOPED_TRACE(version);
        FSArray<FSActionObject> actions;
        actions.add(std::make_unique<FSAction>(FSAction::Play));
        FSPlaceObject2 place(1, 1, 0, 0);
        place.add(FSClipEvent(FSClipEvent::Load, std::move(actions)));
        auto tags = encodeTag(place, version);
        tags.insert(tags.end(), {0x40, 0x00});  // the frame the header counts
        const auto movie = movieWith(version, tags, std::vector<uint8_t>(40, 0x07));
        FSMovie decoded;
        decoded.decodeFromData(movie);
        ASSERT_EQ(decoded.getObjects().size(), 2u);
        const auto& back = dynamic_cast<const FSPlaceObject2&>(decoded.getObjects()[0]);
        ASSERT_EQ(back.getEvents().size(), 1u);
        EXPECT_TRUE(back.getEncodedEvents().empty());
        EXPECT_EQ(back.getEvents()[0].getActions().size(), 1u);
        const auto written = decoded.encode();
        EXPECT_EQ(written, std::vector<uint8_t>(movie.begin(), movie.end() - 40));
    }
}

TEST(FuzzFindingsTest, ButtonEventActionsRunningPastTheTagAreRefusedWhateverFollows) {
    // A button with one record and one event (its offset 0: the last) whose Push claims 16
    // bytes where the tag holds 2.
    const std::vector<uint8_t> body = {
        2,    0,                                  // identifier
        0,                                        // not a menu
        10,   0,                                  // action offset: past the records
        0x01, 1,    0,    1,    0,   0x00, 0x00,  // up state, character 1, layer 1, matrix, cxform
        0,                                        // end of records
        0,    0,                                  // last event
        0x08, 0x00,                               // over-down to over-up
        0x96, 0x10, 0x00, 0x00, 0x41};            // Push of 16 bytes, 2 there
    const auto button = tagBytes(34, body);
    const std::vector<uint8_t> filler(40, 0x07);
    expectRefusedAsRunningPast(movieWith(6, button), "FSDefineButton2");
    expectRefusedAsRunningPast(movieWith(6, button, filler), "FSDefineButton2");
}

TEST(FuzzFindingsTest, EventsCheckedOnACopyAreReportedOnceToTheListener) {
    // Events are first read from a copy of their bytes to see whether they write back the same;
    // the listener hears only the real reading, once, with each object begun and ended.
    FSArray<FSActionObject> actions;
    actions.add(std::make_unique<FSAction>(FSAction::Play));
    FSPlaceObject2 place(1, 1, 0, 0);
    place.add(FSClipEvent(FSClipEvent::Load, std::move(actions)));
    place.add(FSClipEvent(FSClipEvent::KeyPress, 13, FSArray<FSActionObject>()));
    auto tags = encodeTag(place, 6);
    FSDefineButton2 button(2, {FSButton(FSButton::Up, 1, 1)},
                           {FSButtonEvent(FSButtonEvent::OverDownToOverUp),
                            FSButtonEvent(FSButtonEvent::IdleToOverUp)});
    const auto buttonTag = encodeTag(button, 6);
    tags.insert(tags.end(), buttonTag.begin(), buttonTag.end());
    tags.insert(tags.end(), {0x40, 0x00});

    class Counting : public FSCodingListener {
      public:
        void handleEvent(const FSCodingEvent& event) override {
            const std::string name = event.name;
            if (event.kind == FSCodingEvent::Begin) ++begun[name];
            if (event.kind == FSCodingEvent::End) ++ended[name];
            if (event.kind == FSCodingEvent::Error) ++errors;
        }
        std::map<std::string, int> begun, ended;
        int errors = 0;
    } listener;
    FSMovie movie;
    movie.decodeFromData(movieWith(6, tags), &listener);
    EXPECT_EQ(listener.errors, 0);
    EXPECT_EQ(listener.begun["FSClipEvent"], 2);
    EXPECT_EQ(listener.ended["FSClipEvent"], 2);
    EXPECT_EQ(listener.begun["FSButtonEvent"], 2);
    EXPECT_EQ(listener.ended["FSButtonEvent"], 2);
    EXPECT_EQ(listener.begun, listener.ended);
    ASSERT_EQ(movie.getObjects().size(), 3u);
    const auto& back = dynamic_cast<const FSPlaceObject2&>(movie.getObjects()[0]);
    EXPECT_EQ(back.getEvents().size(), 2u);
    EXPECT_EQ(back.getEvents()[1].getKeyCode(), 13);
    EXPECT_EQ(dynamic_cast<const FSDefineButton2&>(movie.getObjects()[1]).getEvents().size(), 2u);
}

}  // namespace
}  // namespace transform::test
