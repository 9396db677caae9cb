#include "swf/sounds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "swf/movie.h"
#include "tests/swf/swf_test_support.h"
#include "tests/swf/tag_corpus.h"

namespace transform {
namespace {

using namespace test;

namespace fs = std::filesystem;

using test::tagsOf;

// ---- FSDefineSound ----

TEST(DefineSoundTest, HeaderCodes) {
    struct Case {
        int format, rate, channels, sampleSize;
        uint8_t flags;
    };
    // format (4 bits), rate code (2), sample size - 1 (1), channels - 1 (1).
    const Case cases[] = {
        {0, 5512, 1, 1, 0x00},  {1, 11025, 2, 1, 0x15}, {2, 22050, 1, 2, 0x2A},
        {3, 44100, 2, 2, 0x3F}, {2, 44100, 2, 2, 0x2F}, {15, 5512, 1, 2, 0xF2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        const Bytes samples{1, 2, 3, 4, 5};
        FSDefineSound sound(33, c.format, c.rate, c.channels, c.sampleSize, 0x01020304, samples);
        const Bytes bytes = test::encodeTag(sound);
        EXPECT_EQ(bodyOf(bytes), (Bytes{33, 0, c.flags, 0x04, 0x03, 0x02, 0x01, 1, 2, 3, 4, 5}));
        auto decoded = test::expectTagRoundTrip(sound);
        auto& back = as<FSDefineSound>(decoded);
        EXPECT_EQ(back.getFormat(), c.format);
        EXPECT_EQ(back.getRate(), c.rate);
        EXPECT_EQ(back.getChannelCount(), c.channels);
        EXPECT_EQ(back.getSampleSize(), c.sampleSize);
        EXPECT_EQ(back.getSampleCount(), 0x01020304u);
        EXPECT_EQ(back.getSoundData(), samples);
    }
}

TEST(DefineSoundTest, ValuesWithoutACodeAreRefused) {
    EXPECT_THROW(test::encodeTag(*std::make_unique<FSDefineSound>(1, 2, 8000, 1, 2, 0, Bytes{})),
                 FSFormatException);
    EXPECT_THROW(test::encodeTag(*std::make_unique<FSDefineSound>(1, 2, 44100, 3, 2, 0, Bytes{})),
                 FSFormatException);
    EXPECT_THROW(test::encodeTag(*std::make_unique<FSDefineSound>(1, 2, 44100, 1, 0, 0, Bytes{})),
                 FSFormatException);
    // A sample count with the top bit set is carried as the unsigned number it is.
    FSDefineSound large(1, 2, 44100, 1, 2, 0xFFFFFFF0u, Bytes{});
    auto back = test::expectTagRoundTrip(large);
    EXPECT_EQ(as<FSDefineSound>(back).getSampleCount(), 0xFFFFFFF0u);
}

// ---- FSSound, FSEnvelope, FSStartSound ----

TEST(SoundInfoTest, OptionalFieldsAndFlags) {
    // The shortest record: identifier and flags.
    FSStartSound plain(FSSound(5, FSSound::Stop));
    EXPECT_EQ(test::encodeTag(plain), (Bytes{0xC3, 0x03, 5, 0, 0x20}));
    test::expectTagRoundTrip(plain);

    // An in point of 0 means the start and is not written.
    FSSound zero(5, FSSound::Start);
    zero.setInPoint(0);
    zero.setLoopCount(3);
    EXPECT_EQ(bodyOf(test::encodeTag(*std::make_unique<FSStartSound>(zero))),
              (Bytes{5, 0, 0x04, 3, 0}));

    FSSound full(0x1234, FSSound::NoMultiple);
    full.setInPoint(0x0A0B0C0D);
    full.setOutPoint(0xF0000001u);
    full.setLoopCount(65535);
    full.add(FSEnvelope(0, 32768, 0));
    full.add(FSEnvelope(44100, 0, 32768));
    FSStartSound start(full);
    const Bytes bytes = test::encodeTag(start);
    const Bytes expected{
        0x34, 0x12, 0x1F,                                 // identifier; mode 1, all four flags
        0x0D, 0x0C, 0x0B, 0x0A,                           // in point
        0x01, 0x00, 0x00, 0xF0,                           // out point
        0xFF, 0xFF,                                       // loop count
        2,                                                // envelope count
        0,    0,    0,    0,    0x00, 0x80, 0,    0,      // mark 0: left full, right silent
        0x44, 0xAC, 0,    0,    0,    0,    0x00, 0x80};  // mark 44100: the reverse
    EXPECT_EQ(bodyOf(bytes), expected);
    EXPECT_EQ(start.getLength(), 3 + 4 + 4 + 2 + 1 + 16);

    auto decoded = test::expectTagRoundTrip(start);
    const FSSound& back = as<FSStartSound>(decoded).getSound();
    EXPECT_EQ(back.getIdentifier(), 0x1234);
    EXPECT_EQ(back.getMode(), FSSound::NoMultiple);
    EXPECT_EQ(back.getInPoint(), 0x0A0B0C0Du);
    EXPECT_EQ(back.getOutPoint(), 0xF0000001u);
    EXPECT_EQ(back.getLoopCount(), 65535);
    EXPECT_EQ(back.getEnvelopes(), full.getEnvelopes());
}

TEST(SoundInfoTest, DecodingReplacesWhatWasThere) {
    FSSound first(1, 0);
    first.setLoopCount(9);
    first.add(FSEnvelope(1, 2, 3));
    FSSound second(2, 0);
    second.setInPoint(7);
    const Bytes bytes = test::encodeValue(second);
    FSInputStream in(bytes.data(), bytes.size());
    first.decode(in);
    EXPECT_EQ(first.getIdentifier(), 2);
    EXPECT_EQ(first.getInPoint(), 7u);
    EXPECT_EQ(first.getLoopCount(), 0);
    EXPECT_TRUE(first.getEnvelopes().empty());
}

TEST(SoundInfoTest, MoreEnvelopesThanTheCountByteHoldsAreRefused) {
    FSSound sound(1, 0);
    sound.setEnvelopes(std::vector<FSEnvelope>(256));
    FSStartSound start(sound);
    EXPECT_THROW(test::encodeTag(start), FSFormatException);
    sound.setEnvelopes(std::vector<FSEnvelope>(255));
    start.setSound(sound);
    auto back = test::expectTagRoundTrip(start);
    EXPECT_EQ(as<FSStartSound>(back).getSound().getEnvelopes().size(), 255u);
}

// ---- FSButtonSound ----

TEST(ButtonSoundTest, SlotsAndEmptySlots) {
    FSButtonSound silent(7);
    EXPECT_EQ(bodyOf(test::encodeTag(silent)), (Bytes{7, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    test::expectTagRoundTrip(silent);

    FSSound press(3, 0);
    press.setLoopCount(2);
    FSButtonSound button(7, FSButtonSound::Press, press);
    button.setSound(FSButtonSound::RollOver, FSSound(4, 0));
    button.setSound(8, FSSound(5, 0));
    button.setSound(99, FSSound(6, 0));  // any other code is the last slot too
    EXPECT_EQ(bodyOf(test::encodeTag(button)), (Bytes{7, 0, /* roll out */ 0, 0, /* roll over */ 4,
                                                      0, 0x00, /* press */ 3, 0, 0x04, 2, 0,
                                                      /* release */ 6, 0, 0x00}));
    auto decoded = test::expectTagRoundTrip(button);
    auto& back = as<FSButtonSound>(decoded);
    EXPECT_EQ(back.getButtonIdentifier(), 7);
    EXPECT_EQ(back.getSound(FSButtonSound::RollOut).getIdentifier(), 0);
    EXPECT_EQ(back.getSound(FSButtonSound::RollOver).getIdentifier(), 4);
    EXPECT_EQ(back.getSound(FSButtonSound::Press).getLoopCount(), 2);
    EXPECT_EQ(back.getSound(FSButtonSound::Release).getIdentifier(), 6);
}

// ---- stream head and blocks ----

TEST(SoundStreamHeadTest, LayoutAndLatency) {
    // MP3 at 22050 Hz stereo, 16-bit playback: the latency follows the sample count.
    FSSoundStreamHead2 mp3(2, 22050, 2, 2, 22050, 2, 2, 1152, -500);
    EXPECT_EQ(mp3.getType(), 45);
    const Bytes bytes = test::encodeTag(mp3);
    EXPECT_EQ(bytes, (Bytes{0x46, 0x0B, 0x0B, 0x2B, 0x80, 0x04, 0x0C, 0xFE}));
    auto decoded = test::expectTagRoundTrip(mp3);
    auto& back = as<FSSoundStreamHead2>(decoded);
    EXPECT_EQ(back.getFormat(), 2);
    EXPECT_EQ(back.getPlaybackRate(), 22050);
    EXPECT_EQ(back.getStreamChannels(), 2);
    EXPECT_EQ(back.getStreamSampleSize(), 2);
    EXPECT_EQ(back.getStreamSampleCount(), 1152);
    EXPECT_EQ(back.getLatency(), -500);

    // Other formats have no latency: 4 bytes.
    FSSoundStreamHead adpcm(1, 11025, 1, 2, 5512, 1, 2, 551, 77);
    EXPECT_EQ(adpcm.getType(), 18);
    EXPECT_EQ(test::encodeTag(adpcm), (Bytes{0x84, 0x04, 0x06, 0x12, 0x27, 0x02}));
    auto adpcmBack = test::expectTagRoundTrip(adpcm);
    EXPECT_STREQ(adpcmBack->name(), "FSSoundStreamHead");
    EXPECT_EQ(as<FSSoundStreamHead>(adpcmBack).getLatency(), 0);
    EXPECT_EQ(as<FSSoundStreamHead>(adpcmBack).getStreamRate(), 5512);

    FSSoundStreamHead2 bad(2, 22050, 2, 2, 48000, 2, 2, 1152);
    EXPECT_THROW(test::encodeTag(bad), FSFormatException);
}

TEST(SoundStreamBlockTest, BodyIsTheBlock) {
    Bytes frame(400);
    for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint8_t>(i * 7);
    FSSoundStreamBlock block(frame);
    const Bytes bytes = test::encodeTag(block);
    EXPECT_EQ(slice(bytes, 0, 6), (Bytes{0xFF, 0x04, 0x90, 0x01, 0, 0}));
    auto back = test::expectTagRoundTrip(block);
    EXPECT_EQ(as<FSSoundStreamBlock>(back).getSoundData(), frame);

    FSSoundStreamBlock empty;
    EXPECT_EQ(test::encodeTag(empty), (Bytes{0xC0, 0x04}));
    test::expectTagRoundTrip(empty);
}

// Tags cut from movies made by authoring tools (their byte-exact round trip is the corpus test's).
TEST(SoundCorpusTest, TagsFromAuthoredMovies) {
    const fs::path tagsets = fs::path(QUILLET_CORPUS) / "swf" / "tagsets";
    if (!fs::exists(tagsets)) GTEST_SKIP() << tagsets << " is absent; set QUILLET_CORPUS";
    {
        const auto tags = tagsOf(tagsets / "DefineSound.swf", {45, 14, 15});
        ASSERT_EQ(tags.size(), 3u);
        auto sound = test::decodeTag(tags[1]);
        auto& define = as<FSDefineSound>(sound);
        EXPECT_EQ(define.getIdentifier(), 1);
        EXPECT_EQ(define.getFormat(), 3);
        EXPECT_EQ(define.getRate(), 44100);
        EXPECT_EQ(define.getSampleSize(), 2);
        EXPECT_EQ(define.getChannelCount(), 1);
        EXPECT_EQ(define.getSampleCount(), 10u);
        EXPECT_EQ(define.getSoundData().size(), 20u) << "10 mono 16-bit samples";
        auto start = test::decodeTag(tags[2]);
        EXPECT_EQ(as<FSStartSound>(start).getSound().getIdentifier(), 1);
        EXPECT_EQ(as<FSStartSound>(start).getSound().getMode(), FSSound::NoMultiple);
        EXPECT_EQ(as<FSStartSound>(start).getSound().getLoopCount(), 3);
    }
    {
        const auto tags = tagsOf(tagsets / "SoundStreamHead2.swf", {45, 19});
        ASSERT_GE(tags.size(), 2u);
        auto head = test::decodeTag(tags[0]);
        auto& stream = as<FSSoundStreamHead2>(head);
        EXPECT_EQ(stream.getFormat(), 3);
        EXPECT_EQ(stream.getStreamRate(), 5512);
        EXPECT_EQ(stream.getStreamSampleSize(), 2);
        EXPECT_EQ(stream.getStreamChannels(), 1);
        EXPECT_EQ(stream.getStreamSampleCount(), 229);
    }
    {
        const auto tags = tagsOf(tagsets / "DefineButtonCxformSound-MX.swf", {17});
        ASSERT_EQ(tags.size(), 1u);
        auto decoded = test::decodeTag(tags[0]);
        auto& button = as<FSButtonSound>(decoded);
        EXPECT_EQ(button.getButtonIdentifier(), 3);
        EXPECT_EQ(button.getSound(FSButtonSound::RollOut).getIdentifier(), 0);
        EXPECT_EQ(button.getSound(FSButtonSound::RollOver).getIdentifier(), 2);
        EXPECT_EQ(button.getSound(FSButtonSound::Press).getLoopCount(), 2);
        EXPECT_EQ(button.getSound(FSButtonSound::Release).getIdentifier(), 0);
        EXPECT_EQ(test::encodeTag(*decoded), tags[0]);
    }
}

// ---- hostile input ----

std::vector<Bytes> sampleTags() {
    FSSound sound(2, 0);
    sound.setInPoint(10);
    sound.setOutPoint(20);
    sound.setLoopCount(3);
    sound.add(FSEnvelope(5, 100, 200));
    FSDefineSound define(1, 2, 44100, 2, 2, 1000, Bytes{1, 2, 3});
    FSStartSound start(sound);
    FSButtonSound button(9, FSButtonSound::Press, sound);
    FSSoundStreamHead head(1, 11025, 1, 2, 11025, 1, 2, 500);
    FSSoundStreamHead2 head2(2, 44100, 2, 2, 44100, 2, 2, 1152, 10);
    FSSoundStreamBlock block(Bytes{9, 8, 7});
    return test::encodeTags({&define, &start, &button, &head, &head2, &block});
}

// Cuts, short declared lengths and random damage fail cleanly or write back what they declare.
TEST(SoundHostileTest, DamagedTagsFailCleanly) {
    expectDamageHandled(sampleTags(), 4321);
    // The fixed fields of a sound do not fit a 6-byte body.
    const Bytes shortSound{0x86, 0x03, 1, 0, 0x2F, 0, 0, 0};
    try {
        test::decodeTag(shortSound);
        FAIL() << "decoded a sound shorter than its fields";
    } catch (const FSFormatException& e) {
        EXPECT_STREQ(e.what(), "FSDefineSound overflowed by 1 bytes.");
    }
}

}  // namespace
}  // namespace transform
