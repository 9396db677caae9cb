#include "swf/control_tags.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "tests/swf/swf_test_support.h"
#include "tests/swf/tag_corpus.h"

namespace transform {
namespace {

using namespace test;

// The tag encodes to the bytes given, decodes back to its class and re-encodes unchanged, and
// every shorter prefix of it fails with an FSException.
template <class Tag>
Tag& checkTag(FSMovieObject& tag, const Bytes& expected, std::unique_ptr<FSMovieObject>& back,
              int version = 7) {
    EXPECT_EQ(test::encodeTag(tag, version), expected) << tag.name();
    back = test::expectTagRoundTrip(tag, version);
    expectEveryPrefixRefused(expected, version);
    return static_cast<Tag&>(*back);
}

TEST(ProtectTest, ThePasswordIsWrittenFromVersionFive) {
    FSProtect open;
    EXPECT_EQ(test::encodeTag(open, 5), (Bytes{0x00, 0x06}));
    FSProtect locked("pw");
    EXPECT_EQ(test::encodeTag(locked, 4), (Bytes{0x00, 0x06})) << "no password before version 5";
    std::unique_ptr<FSMovieObject> back;
    auto& decoded = checkTag<FSProtect>(locked, {0x05, 0x06, 0x00, 0x00, 'p', 'w', 0x00}, back, 5);
    EXPECT_EQ(decoded.getPassword(), "pw");
    // An empty body reads as no password, in any version.
    EXPECT_EQ(static_cast<FSProtect&>(*decodeTag({0x00, 0x06}, 6)).getPassword(), "");
}

TEST(ProtectTest, WhatAFileWroteIsWrittenBack) {
    // An empty password that a file wrote, and a reserved word that is not 0.
    for (const Bytes& tag :
         {Bytes{0x03, 0x06, 0x00, 0x00, 0x00}, Bytes{0x04, 0x06, 0x75, 0x19, 'x', 0x00}}) {
        auto decoded = decodeTag(tag, 8);
        ASSERT_NE(decoded, nullptr);
        EXPECT_EQ(test::encodeTag(*decoded, 8), tag);
    }
}

TEST(EnableDebuggerTest, ReservedWordThenPassword) {
    std::unique_ptr<FSMovieObject> back;
    FSEnableDebugger debugger("pw");
    EXPECT_EQ(checkTag<FSEnableDebugger>(debugger, {0x85, 0x0E, 0x00, 0x00, 'p', 'w', 0x00}, back)
                  .getPassword(),
              "pw");
    FSEnableDebugger2 debugger2("pw");
    EXPECT_EQ(checkTag<FSEnableDebugger2>(debugger2, {0x05, 0x10, 0x00, 0x00, 'p', 'w', 0x00}, back)
                  .getPassword(),
              "pw");
    // Later tools put a value in the reserved word; it is kept.
    const Bytes tag = {0x05, 0x10, 0x75, 0x19, 'A', 'B', 0x00};
    auto decoded = decodeTag(tag);
    EXPECT_EQ(static_cast<FSEnableDebugger2&>(*decoded).getReserved(), 0x1975);
    EXPECT_EQ(test::encodeTag(*decoded), tag);
}

TEST(ExportTest, CountThenIdentifiersAndNames) {
    FSExport exports({{1, "a"}, {2, "bc"}});
    std::unique_ptr<FSMovieObject> back;
    auto& decoded = checkTag<FSExport>(
        exports, tagBytes(56, {0x02, 0x00, 0x01, 0x00, 'a', 0x00, 0x02, 0x00, 'b', 'c', 0x00}),
        back);
    EXPECT_EQ(decoded.getEntries(), (FSAssetList{{1, "a"}, {2, "bc"}}));
    // A count that the tag cannot hold is refused before any entry is made for it.
    EXPECT_THROW(decodeTag(tagBytes(56, {0xFF, 0xFF, 0x01, 0x00, 'a', 0x00})), FSFormatException);
}

TEST(ImportTest, UrlThenEntries) {
    FSImport imports("u.swf", {{3, "x"}});
    std::unique_ptr<FSMovieObject> back;
    auto& decoded = checkTag<FSImport>(
        imports, tagBytes(57, {'u', '.', 's', 'w', 'f', 0x00, 0x01, 0x00, 0x03, 0x00, 'x', 0x00}),
        back);
    EXPECT_EQ(decoded.getUrl(), "u.swf");
    EXPECT_EQ(decoded.getEntries(), (FSAssetList{{3, "x"}}));
    EXPECT_THROW(decodeTag(tagBytes(57, {'u', 0x00, 0x02, 0x00, 0x03, 0x00, 'x', 0x00})),
                 FSFormatException);
}

TEST(InitializeTest, SpriteIdentifierThenActions) {
    FSArray<FSActionObject> actions;
    actions.add(std::make_unique<FSAction>(FSAction::Stop));
    FSInitialize initialize(7, std::move(actions));
    std::unique_ptr<FSMovieObject> back;
    auto& decoded =
        checkTag<FSInitialize>(initialize, tagBytes(59, {0x07, 0x00, 0x07, 0x00}), back);
    EXPECT_EQ(decoded.getIdentifier(), 7);
    ASSERT_EQ(decoded.getActions().size(), 1u);
    EXPECT_EQ(decoded.getActions()[0].getType(), FSAction::Stop);
    // Copies are deep.
    FSInitialize copy = decoded;
    decoded.getActions().clear();
    EXPECT_EQ(copy.getActions().size(), 1u);
}

TEST(SmallTagsTest, FixedLayouts) {
    std::unique_ptr<FSMovieObject> back;
    FSLimitScript limits(1000, 60);
    auto& limit = checkTag<FSLimitScript>(limits, {0x44, 0x10, 0xE8, 0x03, 0x3C, 0x00}, back);
    EXPECT_EQ(limit.getDepth(), 1000);
    EXPECT_EQ(limit.getTimeout(), 60);
    FSTabOrder order(3, 7);
    EXPECT_EQ(checkTag<FSTabOrder>(order, {0x84, 0x10, 0x03, 0x00, 0x07, 0x00}, back).getIndex(),
              7);
    FSFree free(5);
    EXPECT_EQ(checkTag<FSFree>(free, {0xC2, 0x00, 0x05, 0x00}, back).getIdentifier(), 5);
    FSPointer pointer(0x12345678);
    EXPECT_EQ(checkTag<FSPointer>(pointer, {0xC4, 0xFF, 0x78, 0x56, 0x34, 0x12}, back).getAddress(),
              0x12345678);
    FSQuicktimeMovie movie("m.mov");
    EXPECT_EQ(checkTag<FSQuicktimeMovie>(movie, tagBytes(38, {'m', '.', 'm', 'o', 'v', 0x00}), back)
                  .getName(),
              "m.mov");
}

TEST(SerialNumberTest, AStringOrTheBinaryFormOfLaterTools) {
    FSSerialNumber serial("1.0");
    std::unique_ptr<FSMovieObject> back;
    EXPECT_EQ(checkTag<FSSerialNumber>(serial, tagBytes(41, {'1', '.', '0', 0x00}), back)
                  .getSerialNumber(),
              "1.0");
    // Product, edition, version, build and date, as later tools write them.
    const Bytes info = {0x03, 0x00, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00, 0x04,
                        0x10, 0x6B, 0xC9, 0x33, 0x01, 0x00, 0x00, 0x00, 0x00,
                        0xC4, 0x4F, 0xFC, 0xA1, 0x82, 0x01, 0x00, 0x00};
    const Bytes tag = tagBytes(41, info);
    auto decoded = decodeTag(tag);
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(static_cast<FSSerialNumber&>(*decoded).getProductInfo(), info);
    EXPECT_EQ(test::encodeTag(*decoded), tag);
}

TEST(VideoTest, StreamDefinitionAndFrames) {
    FSDefineVideo video(1, 10, 320, 240, 2, true, 2);
    std::unique_ptr<FSMovieObject> back;
    // Five zero bits, deblocking 2 in two bits, smoothing.
    auto& decoded = checkTag<FSDefineVideo>(
        video, tagBytes(60, {0x01, 0x00, 0x0A, 0x00, 0x40, 0x01, 0xF0, 0x00, 0x05, 0x02}), back);
    EXPECT_EQ(decoded.getWidth(), 320);
    EXPECT_EQ(decoded.getDeblocking(), 2);
    EXPECT_TRUE(decoded.getSmoothing());
    EXPECT_EQ(decoded.getCodec(), 2);

    // Later movies use a third deblocking bit; reserved bits are kept as written.
    for (const uint8_t flags : {0x08, 0x80}) {
        const Bytes tag =
            tagBytes(60, {0x01, 0x00, 0x0A, 0x00, 0x40, 0x01, 0xF0, 0x00, flags, 0x04});
        auto read = decodeTag(tag);
        EXPECT_EQ(test::encodeTag(*read), tag);
        if (flags == 0x08) {
            EXPECT_EQ(static_cast<FSDefineVideo&>(*read).getDeblocking(), 4);
        }
    }

    FSVideoFrame frame(1, 2, {0xAA, 0xBB});
    auto& frameBack =
        checkTag<FSVideoFrame>(frame, {0x46, 0x0F, 0x01, 0x00, 0x02, 0x00, 0xAA, 0xBB}, back);
    EXPECT_EQ(frameBack.getFrameNumber(), 2);
    EXPECT_EQ(frameBack.getData(), (Bytes{0xAA, 0xBB}));
}

TEST(ControlTagsTest, TypesAboveTheKnownRangeStayUnknown) {
    const Bytes tag = tagBytes(70, {0x01, 0x02});
    auto decoded = decodeTag(tag);
    EXPECT_STREQ(decoded->name(), "FSUnknownObject");
    EXPECT_EQ(test::encodeTag(*decoded), tag);
    EXPECT_STREQ(decodeTag({0xC4, 0xFF, 0, 0, 0, 0})->name(), "FSPointer");
}

// Control and video tags of the corpus decode to their declared lengths and re-encode byte for
// byte.
TEST(ControlTagsCorpusTest, RealTagsRoundTrip) {
    const auto result =
        test::roundTripCorpusTags({3, 24, 38, 41, 56, 57, 58, 59, 60, 61, 64, 65, 66, 1023});
    if (result.movies == 0) GTEST_SKIP() << "no corpus at " << test::swfCorpus();
    std::cout << "[ corpus ] " << result.tags << " control and video tags in " << result.movies
              << " movies: " << result.identical << " byte for byte\n";
    for (const auto& failure : result.failures) ADD_FAILURE() << failure;
    for (const auto& difference : result.differences) ADD_FAILURE() << difference;
    EXPECT_GT(result.tags, 150);
    EXPECT_EQ(result.identical, result.tags);
}

}  // namespace
}  // namespace transform
