#include "swf/movie.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "swf/display_list.h"
#include "tests/swf/swf_test_support.h"

namespace transform {
namespace {

using namespace test;

namespace fs = std::filesystem;

uint32_t lengthField(const std::vector<uint8_t>& bytes) {
    return bytes[4] | bytes[5] << 8 | bytes[6] << 16 | static_cast<uint32_t>(bytes[7]) << 24;
}

TEST(MovieTest, NewMovieDefaultsAndIdentifiers) {
    FSMovie movie;
    EXPECT_EQ(movie.getVersion(), 7);
    EXPECT_EQ(movie.getSignature(), "CWS");
    EXPECT_EQ(movie.getIdentifier(), 0);
    EXPECT_EQ(movie.newIdentifier(), 1);
    EXPECT_EQ(movie.newIdentifier(), 2);
}

TEST(MovieTest, EmptyMovieIsFifteenBytesBeforeCompression) {
    FSMovie plain("FWS", 7, FSBounds(), 12.0f, {});
    const auto bytes = plain.encode();
    EXPECT_EQ(bytes,
              (std::vector<uint8_t>{'F', 'W', 'S', 7, 15, 0, 0, 0, 0x00, 0, 12, 0, 0, 0, 0}));

    FSMovie compressed("CWS", 7, FSBounds(), 12.0f, {});
    const auto packed = compressed.encode();
    EXPECT_EQ(std::vector<uint8_t>(packed.begin(), packed.begin() + 3),
              (std::vector<uint8_t>{'C', 'W', 'S'}));
    EXPECT_EQ(lengthField(packed), 15u) << "the length field holds the uncompressed total";
    std::vector<uint8_t> body(7);
    uLongf size = body.size();
    ASSERT_EQ(uncompress(body.data(), &size, packed.data() + 8, packed.size() - 8), Z_OK);
    EXPECT_EQ(std::vector<uint8_t>(body.begin(), body.begin() + size),
              std::vector<uint8_t>(bytes.begin() + 8, bytes.end()));
}

TEST(MovieTest, FrameRateIsEightDotEight) {
    FSMovie movie("FWS", 6, FSBounds(), 12.5f, {});
    const auto bytes = movie.encode();
    EXPECT_EQ(bytes[9], 128);
    EXPECT_EQ(bytes[10], 12);
    FSMovie back(bytes);
    EXPECT_EQ(back.getFrameRate(), 12.5f);
    EXPECT_EQ(back.getVersion(), 6);
    EXPECT_EQ(back.getSignature(), "FWS");
}

TEST(MovieTest, HeaderFormByBodyLength) {
    FSUnknownObject short62(16, std::vector<uint8_t>(62, 7));
    FSUnknownObject long63(16, std::vector<uint8_t>(63, 7));
    FSUnknownObject extended(16, std::vector<uint8_t>(1, 7));
    extended.setExtendLength(true);
    EXPECT_EQ(test::encodeTag(short62).size(), 64u);
    EXPECT_EQ(test::encodeTag(long63).size(), 69u);
    const auto extendedBytes = test::encodeTag(extended);
    EXPECT_EQ(extendedBytes, (std::vector<uint8_t>{0x3F, 0x04, 1, 0, 0, 0, 7}));
    // Unknown tags, long header included, come back byte for byte.
    auto back = test::expectTagRoundTrip(extended);
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(back->isExtendLength());
    EXPECT_STREQ(back->name(), "FSUnknownObject");
    EXPECT_EQ(back->getType(), 16);
}

TEST(MovieTest, FrameCountAndRoundTripOfAWholeMovie) {
    FSMovie movie("FWS", 7, FSBounds(0, 0, 8000, 6000), 20.0f, {});
    movie.add(std::make_unique<FSSetBackgroundColor>(FSColor(10, 20, 30)));
    movie.add(std::make_unique<FSUnknownObject>(16, std::vector<uint8_t>{1, 0, 0}));
    movie.add(std::make_unique<FSShowFrame>());
    movie.add(std::make_unique<FSShowFrame>());
    EXPECT_EQ(movie.frameCount(), 2);
    const auto bytes = movie.encode();
    EXPECT_EQ(lengthField(bytes), bytes.size());
    EXPECT_EQ(bytes[18] | bytes[19] << 8, 2)
        << "frame count after an 8-byte frame size and the rate";

    FSMovie back(bytes);
    ASSERT_EQ(back.getObjects().size(), 4u);
    EXPECT_STREQ(back.getObjects()[0].name(), "FSSetBackgroundColor");
    EXPECT_EQ(back.getFrameSize(), FSBounds(0, 0, 8000, 6000));
    EXPECT_EQ(back.encode(), bytes);

    FSMovie copy(back);
    EXPECT_EQ(copy.encode(), bytes);
    EXPECT_EQ(back.clone()->encode(), bytes);
}

TEST(MovieTest, DecodingMovesTheIdentifierPastDefinitions) {
    FSMovie movie("FWS", 7, FSBounds(), 12.0f, {});
    // A DefineShape (type 2) body starting with identifier 40, modelled or not.
    movie.add(std::make_unique<FSUnknownObject>(2, std::vector<uint8_t>{40, 0, 0, 0, 0, 0, 0}));
    movie.add(std::make_unique<FSPlaceObject2>(40, 1, 0, 0));
    FSMovie back(movie.encode());
    EXPECT_EQ(back.newIdentifier(), 41);
}

TEST(MovieTest, MisSizedTagsAreReported) {
    // A background colour whose header claims 5 bytes where the body needs 3.
    const std::vector<uint8_t> movie = {'F', 'W',  'S',  7, 0, 0, 0, 0, 0x00, 0,    12,   1,
                                        0,   0x45, 0x02, 1, 2, 3, 9, 9, 0x40, 0x00, 0x00, 0x00};
    EXPECT_EQ(messageOf([&] { FSMovie m(movie); }), "FSSetBackgroundColor underflowed by 2 bytes.");

    RecordingListener listener;
    FSMovie lenient;
    lenient.decodeFromData(movie, &listener);
    ASSERT_EQ(listener.errors,
              std::vector<std::string>{"FSSetBackgroundColor underflowed by 2 bytes."});
    ASSERT_EQ(lenient.getObjects().size(), 2u) << "decoding resumes at the declared end";
    EXPECT_STREQ(lenient.getObjects()[1].name(), "FSShowFrame");

    // One byte too short for its colour: the decoder reads into the next tag.
    const std::vector<uint8_t> overflow = {'F', 'W', 'S',  7,    0, 0, 0,    0,    0x00, 0,   12,
                                           1,   0,   0x42, 0x02, 1, 2, 0x40, 0x00, 0x00, 0x00};
    EXPECT_EQ(messageOf([&] { FSMovie m(overflow); }),
              "FSSetBackgroundColor overflowed by 1 bytes.");
}

TEST(MovieTest, MalformedInputIsRefusedWithAMessage) {
    EXPECT_EQ(messageOf([] {
                  FSMovie m(std::vector<uint8_t>{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0});
              }),
              "Not Flash format");
    EXPECT_EQ(messageOf([] { FSMovie m(std::vector<uint8_t>{'F', 'W'}); }), "Not Flash format");
    RecordingListener listener;
    FSMovie quiet;
    quiet.decodeFromData(std::vector<uint8_t>{'X', 'Y', 'Z'}, &listener);
    EXPECT_EQ(listener.errors, std::vector<std::string>{"Not Flash format"});

    // A compressed body that is not zlib data.
    const std::vector<uint8_t> garbage = {'C', 'W', 'S', 7, 100, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(messageOf([&] { FSMovie m(garbage); }), "Cannot uncompress movie");
}

// Movies that players load although their tag lists are slightly malformed: without a listener
// what cannot be read past throws; with one every fault is reported, decoding goes on at the
// declared end of a tag, and the events stay balanced.
TEST(MovieTest, RealWorldTagListsAreReadToTheirEnd) {
    struct Case {
        const char* what;
        std::vector<uint8_t> tags;  // after a header with an empty frame size
        const char* plainMessage;   // without a listener
        std::vector<std::string> reported;
        std::vector<std::string> objects;
    };
    const std::vector<Case> cases = {
        {"no end tag",
         {0x43, 0x02, 1, 2, 3, 0x40, 0x00},
         "no failure",
         {"The movie has no end tag: its tag list ends with the data."},
         {"FSSetBackgroundColor", "FSShowFrame"}},
        {"a tag two bytes shorter than its fields",
         {0x41, 0x02, 1, 0x40, 0x00, 0x00, 0x00},
         "FSSetBackgroundColor overflowed by 2 bytes.",
         {"FSSetBackgroundColor overflowed by 2 bytes."},
         {"FSUnknownObject", "FSShowFrame"}},
        {"a last tag past the end",
         {0x40, 0x00, 0x4A, 0x02, 1, 2, 3},
         "FSSetBackgroundColor underflowed by 7 bytes.",
         {"The tag of type 9 at byte 15 runs 7 bytes past the end of the data; dropped."},
         {"FSShowFrame"}},
        {"a long header that claims 2 GB",
         {0x40, 0x00, 0x3F, 0x04, 0xFF, 0xFF, 0xFF, 0x7F, 1, 2},
         "Read Overflow",
         {"The tag of type 16 at byte 15 runs 2147483645 bytes past the end of the data; "
          "dropped."},
         {"FSShowFrame"}},
        {"a header cut in two",
         {0x40, 0x00, 0x43},
         "Read Overflow",
         {"The tag header at byte 15 is cut off by the end of the data; dropped."},
         {"FSShowFrame"}},
        {"a label whose text runs past the data",
         {0x40, 0x00, 0xC3, 0x0A, 'a', 'b', 'c'},
         "Read Overflow",
         {"FSFrameLabel (type 43) at byte 15 cannot be decoded: Read Overflow",
          "The movie has no end tag: its tag list ends with the data."},
         {"FSShowFrame", "FSUnknownObject"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes bytes = concat({{'F', 'W', 'S', 7, 0, 0, 0, 0, 0x00, 0, 12, 1, 0}, c.tags});
        EXPECT_EQ(messageOf([&] { FSMovie m(bytes); }), c.plainMessage);

        RecordingListener listener;
        FSMovie movie;
        movie.decodeFromData(bytes, &listener);
        EXPECT_EQ(listener.errors, c.reported);
        EXPECT_EQ(listener.open, 0);
        std::vector<std::string> names;
        for (const auto& object : movie.getObjects()) names.emplace_back(object->name());
        EXPECT_EQ(names, c.objects);
        // What was kept is written back as it was read: another round changes nothing.
        const auto written = movie.encode();
        RecordingListener againListener;
        FSMovie again;
        again.decodeFromData(written, &againListener);
        EXPECT_EQ(again.encode(), written);
    }
}

TEST(MovieTest, ACompressedMovieThatClaimsFourGigabytesAllocatesWhatItHolds) {
    FSMovie movie;
    movie.add(std::make_unique<FSShowFrame>());
    auto bytes = movie.encode();
    bytes[4] = bytes[5] = bytes[6] = bytes[7] = 0xFF;
    FSMovie back(bytes);
    EXPECT_EQ(back.frameCount(), 1);
    const auto inflated = FSMovie::uncompressData(bytes, 0xFFFFFFFFu);
    EXPECT_LT(inflated.size(), 64u);
}

TEST(MovieTest, FilesAreWrittenWholeOrNotAtAll) {
    const fs::path dir =
        fs::temp_directory_path() / ("quillet-movie-test-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string path = (dir / "out.swf").string();
    FSMovie movie(FSBounds(0, 0, 200, 200), 20.0f);
    movie.add(std::make_unique<FSShowFrame>());
    movie.encodeToFile(path);
    FSMovie back(path);
    EXPECT_EQ(back.frameCount(), 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1)
        << "a temporary file was left";

    EXPECT_EQ(messageOf([&] { movie.encodeToFile((dir / "missing" / "out.swf").string()); }),
              "Cannot open file");
    EXPECT_EQ(messageOf([&] { FSMovie m((dir / "absent.swf").string()); }), "Cannot open file");
    RecordingListener listener;
    FSMovie quiet;
    quiet.decodeFromFile((dir / "absent.swf").string(), &listener);
    EXPECT_EQ(listener.errors, std::vector<std::string>{"Cannot open file"});
    movie.encodeToFile((dir / "missing" / "out.swf").string(), &listener);
    EXPECT_EQ(listener.errors.size(), 2u);
    EXPECT_EQ(messageOf([&] { FSMovie m(dir.string()); }), "Cannot read file");
    fs::remove_all(dir);
}

}  // namespace
}  // namespace transform
