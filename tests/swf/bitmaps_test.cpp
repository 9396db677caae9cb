#include "swf/bitmaps.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "swf/movie.h"
#include "tests/swf/swf_test_support.h"
#include "tests/swf/tag_corpus.h"

namespace transform {
namespace {

using namespace test;

namespace fs = std::filesystem;

fs::path corpus() {
    return fs::path(QUILLET_CORPUS);
}

// A marker segment: 0xFF, the code, the big-endian length (counting itself) and the payload.
Bytes segment(uint8_t code, const Bytes& payload) {
    const std::size_t size = payload.size() + 2;
    return concat(
        {{0xFF, code, static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size)}, payload});
}

const Bytes SOI{0xFF, 0xD8};
const Bytes EOI{0xFF, 0xD9};

// A frame header for one component: precision, height, width, components, id, sampling, table.
Bytes frameHeader(uint8_t code, int width, int height) {
    return segment(code,
                   {8, static_cast<uint8_t>(height >> 8), static_cast<uint8_t>(height),
                    static_cast<uint8_t>(width >> 8), static_cast<uint8_t>(width), 1, 1, 0x11, 0});
}

// A quantisation table whose values include the bytes of an end marker, as 255 and 217 may be.
Bytes quantisationTable() {
    Bytes payload{0x00};
    for (int i = 0; i < 64; ++i)
        payload.push_back(static_cast<uint8_t>(i == 10 ? 0xFF : i == 11 ? 0xD9 : 16 + i));
    return segment(0xDB, payload);
}

Bytes huffmanTable() {
    return segment(0xC4, {0x00, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x05});
}

// Scan header and entropy-coded data holding a stuffed 0xFF and a restart marker.
Bytes scan() {
    return concat(
        {segment(0xDA, {1, 1, 0x00, 0, 63, 0}), {0x12, 0xFF, 0x00, 0x34, 0xFF, 0xD0, 0x56}});
}

Bytes tablesOnly() {
    return concat({SOI, quantisationTable(), huffmanTable(), EOI});
}
Bytes imageOnly(int width, int height) {
    return concat({SOI, frameHeader(0xC0, width, height), scan(), EOI});
}
Bytes completeImage(int width, int height) {
    return concat(
        {SOI, quantisationTable(), frameHeader(0xC0, width, height), huffmanTable(), scan(), EOI});
}

Bytes readCorpus(const fs::path& path) {
    return FSMovie::readFile(path.string());
}

#define SKIP_WITHOUT(path) \
    if (!fs::exists(path)) \
    GTEST_SKIP() << "corpus file " << (path) << " is absent; set QUILLET_CORPUS"

using test::tagsOf;

// ---- JPEG marker and frame-header scans ----

struct CorpusJPEG {
    const char* file;
    int width;
    int height;
};

// Sizes as an independent tool reports them: baseline, extended (SOF1) and progressive (SOF2)
// frames, Exif and ICC segments before the frame, restart markers, a stream cut off mid-scan.
const CorpusJPEG CorpusSizes[] = {
    {"hopper.jpg", 128, 128},
    {"jpg-size-33x33.jpg", 33, 33},
    {"jpg-size-1x1.jpg", 1, 1},
    {"jpg-progressive.jpg", 32, 32},
    {"jpg-gray.jpg", 32, 32},
    {"grayscale_24x16_sampling2x2.jpg", 24, 16},
    {"jpg-cmyk-1.jpg", 32, 32},
    {"pil_sample_cmyk.jpg", 100, 100},
    {"exif_gps.jpg", 8, 8},
    {"hopper_orientation_6.jpg", 128, 128},
    {"16bit-qtables.jpg", 1, 1},
    {"restarts.jpg", 33, 33},
    {"non-interleaved-mcu.jpg", 64, 16},
    {"jpg-srgb-icc.jpg", 1, 1},
    {"partial_progressive.jpg", 4, 4},
    {"truncated_jpeg.jpg", 100, 100},
    {"missing-sos.jpg", 8, 8},
};

TEST(JPEGScanTest, CorpusImagesAsDefineJPEGImage2) {
    for (const auto& entry : CorpusSizes) {
        const fs::path path = corpus() / "jpeg" / entry.file;
        SKIP_WITHOUT(path);
        SCOPED_TRACE(entry.file);
        const Bytes jpeg = readCorpus(path);

        FSDefineJPEGImage2 built(1, jpeg);
        EXPECT_EQ(built.getWidth(), entry.width);
        EXPECT_EQ(built.getHeight(), entry.height);

        // A whole file is one stream: decoding finds no separate table, whatever end markers the
        // Exif thumbnail or the photo-editor segments hold, and however the stream ends.
        auto decoded = test::expectTagRoundTrip(built);
        auto& image = as<FSDefineJPEGImage2>(decoded);
        EXPECT_TRUE(image.getEncodingTable().empty());
        EXPECT_EQ(image.getImage(), jpeg);
        EXPECT_EQ(image.getWidth(), entry.width);
        EXPECT_EQ(image.getHeight(), entry.height);
    }
}

TEST(JPEGScanTest, MissingFrameHeaderLeavesTheSizeAsItWas) {
    const fs::path path = corpus() / "jpeg" / "missing-sof.jpg";
    SKIP_WITHOUT(path);
    FSDefineJPEGImage image(1, readCorpus(path));
    EXPECT_EQ(image.getWidth(), 0);
    EXPECT_EQ(image.getHeight(), 0);

    image.setImage(imageOnly(40, 30));
    image.setImage(Bytes{0x89, 'P', 'N', 'G'});
    EXPECT_EQ(image.getWidth(), 40) << "bytes that are not JPEG keep the last size";
    EXPECT_EQ(image.getHeight(), 30);
    image.setImage(readCorpus(path));
    EXPECT_EQ(image.getWidth(), 40);
}

TEST(JPEGScanTest, FrameHeaderCodes) {
    // SOF0 to SOF15 are frame headers except DHT (C4), JPG (C8) and DAC (CC), whose segments
    // carry no size and may come first.
    for (int code = 0xC0; code <= 0xCF; ++code) {
        SCOPED_TRACE(code);
        const Bytes stream =
            concat({SOI, segment(static_cast<uint8_t>(code), {8, 0, 7, 0, 9, 1, 1, 0x11, 0}),
                    frameHeader(0xC2, 300, 200), EOI});
        const auto size = jpeg::frameSize(stream);
        const bool isFrame = code != 0xC4 && code != 0xC8 && code != 0xCC;
        EXPECT_TRUE(size.found);
        EXPECT_EQ(size.width, isFrame ? 9 : 300);
        EXPECT_EQ(size.height, isFrame ? 7 : 200);
    }
}

TEST(JPEGScanTest, FrameScanStaysInsideTheBytes) {
    const Bytes stream = completeImage(513, 257);
    ASSERT_TRUE(jpeg::frameSize(stream).found);
    const std::size_t frameEnd = 2 + quantisationTable().size() + frameHeader(0xC0, 1, 1).size();
    for (std::size_t cut = 0; cut < stream.size(); ++cut) {
        const Bytes prefix = slice(stream, 0, cut);
        const auto size = jpeg::frameSize(prefix);
        EXPECT_EQ(size.found, cut >= frameEnd) << "cut at " << cut;
        if (size.found) {
            EXPECT_EQ(size.width, 513);
        }
        EXPECT_LE(jpeg::tableLength(prefix), cut);
    }
    // A segment length that points far past the end, and lengths below 2.
    for (const Bytes& bad : {Bytes{0xFF, 0xE0, 0xFF, 0xFF, 0, 0}, Bytes{0xFF, 0xE0, 0x00, 0x00},
                             Bytes{0xFF, 0xE0, 0x00, 0x01}})
        EXPECT_FALSE(jpeg::frameSize(concat({SOI, bad, frameHeader(0xC0, 5, 5)})).found)
            << hexOf(bad);
    // Fill bytes before a marker are allowed.
    EXPECT_EQ(jpeg::frameSize(concat({SOI, {0xFF, 0xFF}, frameHeader(0xC0, 5, 6)})).height, 6);
}

TEST(JPEGScanTest, TableLengthOfEachKindOfBlock) {
    const Bytes tables = tablesOnly();
    const Bytes image = imageOnly(64, 48);
    // Tables then image: the table runs through its end marker, the 0xFF 0xD9 inside the
    // quantisation table notwithstanding.
    EXPECT_EQ(jpeg::tableLength(concat({tables, image})), tables.size());
    // One complete image: no separate table.
    EXPECT_EQ(jpeg::tableLength(completeImage(64, 48)), 0u);
    // The stray end/start pair in front of an image is measured to the next start marker.
    EXPECT_EQ(jpeg::tableLength(concat({EOI, SOI, image})), 4u);
    // Bytes that do not parse as segments fall back to the first end marker.
    EXPECT_EQ(jpeg::tableLength(concat({SOI, {0x01, 0x02}, EOI, image})), 6u);
    // No end marker at all, other image formats, and blocks too short to say.
    EXPECT_EQ(jpeg::tableLength(concat({SOI, quantisationTable()})), 0u);
    EXPECT_EQ(jpeg::tableLength(Bytes{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}), 0u);
    EXPECT_EQ(jpeg::tableLength(Bytes{0xFF}), 0u);
    EXPECT_EQ(jpeg::tableLength(Bytes{}), 0u);
}

// ---- JPEG tags ----

TEST(DefineJPEGImageTest, ImageIsTheRestOfTheTag) {
    const Bytes image = imageOnly(320, 240);
    FSDefineJPEGImage tag(7, image);
    EXPECT_EQ(tag.getWidth(), 320);
    EXPECT_EQ(tag.getHeight(), 240);
    const Bytes bytes = test::encodeTag(tag);
    EXPECT_EQ(slice(bytes, 0, 4),
              (Bytes{static_cast<uint8_t>(6 << 6 | (image.size() + 2)), 0x01, 7, 0}));
    EXPECT_EQ(slice(bytes, 4, bytes.size()), image);
    auto decoded = test::expectTagRoundTrip(tag);
    EXPECT_EQ(as<FSDefineJPEGImage>(decoded).getWidth(), 320);
    EXPECT_EQ(as<FSDefineJPEGImage>(decoded).getIdentifier(), 7);
}

TEST(DefineJPEGImage2Test, EncodingTableSplit) {
    const Bytes tables = tablesOnly();
    const Bytes image = imageOnly(1000, 2);
    FSDefineJPEGImage2 tag(3, image, tables);
    const Bytes bytes = test::encodeTag(tag);
    EXPECT_EQ(slice(bytes, 8, bytes.size()), concat({tables, image})) << "the table comes first";

    auto decoded = test::expectTagRoundTrip(tag);
    auto& back = as<FSDefineJPEGImage2>(decoded);
    EXPECT_EQ(back.getEncodingTable(), tables);
    EXPECT_EQ(back.getImage(), image);
    EXPECT_EQ(back.getWidth(), 1000);
    EXPECT_EQ(back.getHeight(), 2);

    // Without a table only the image is written.
    FSDefineJPEGImage2 bare(3, image);
    EXPECT_EQ(test::encodeTag(bare).size(), 2 + 2 + image.size())
        << "short header, identifier, image";
    EXPECT_EQ(bare.getLength(), static_cast<int>(2 + image.size()));
    test::expectTagRoundTrip(bare);

    // The stray end/start pair becomes a 4-byte table and the image keeps its size.
    FSDefineJPEGImage2 stray(3, image, concat({EOI, SOI}));
    auto strayBack = test::expectTagRoundTrip(stray);
    EXPECT_EQ(as<FSDefineJPEGImage2>(strayBack).getEncodingTable(), concat({EOI, SOI}));
    EXPECT_EQ(as<FSDefineJPEGImage2>(strayBack).getWidth(), 1000);
}

TEST(DefineJPEGImage2Test, OtherImageFormatsAreKeptWhole) {
    const fs::path path = corpus() / "png" / "basn6a08.png";
    SKIP_WITHOUT(path);
    const Bytes png = readCorpus(path);
    FSDefineJPEGImage2 tag(9, png);
    auto decoded = test::expectTagRoundTrip(tag);
    auto& back = as<FSDefineJPEGImage2>(decoded);
    EXPECT_TRUE(back.getEncodingTable().empty());
    EXPECT_EQ(back.getImage(), png);
    EXPECT_EQ(back.getWidth(), 0);
}

TEST(DefineJPEGImage3Test, AlphaFollowsTheOffset) {
    const Bytes tables = tablesOnly();
    const Bytes image = imageOnly(16, 8);
    const Bytes alpha{0x78, 0x9C, 0x63, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01};
    FSDefineJPEGImage3 tag(12, image, tables, alpha);
    const Bytes bytes = test::encodeTag(tag);
    const std::size_t offset = tables.size() + image.size();
    EXPECT_EQ(slice(bytes, 8, 12),
              (Bytes{static_cast<uint8_t>(offset), static_cast<uint8_t>(offset >> 8), 0, 0}));
    EXPECT_EQ(slice(bytes, 12 + offset, bytes.size()), alpha);

    auto decoded = test::expectTagRoundTrip(tag);
    auto& back = as<FSDefineJPEGImage3>(decoded);
    EXPECT_EQ(back.getEncodingTable(), tables);
    EXPECT_EQ(back.getImage(), image);
    EXPECT_EQ(back.getAlphaData(), alpha);
    EXPECT_EQ(back.getWidth(), 16);

    back.setAlphaData({1, 2, 3});
    EXPECT_EQ(back.getEncodingTable(), tables) << "only the alpha block is replaced";
    EXPECT_EQ(back.getAlphaData(), (Bytes{1, 2, 3}));

    FSDefineJPEGImage3 opaque(12, completeImage(5, 5), {}, {});
    EXPECT_EQ(test::encodeTag(opaque).size(), 6 + 2 + 4 + completeImage(5, 5).size());
    auto opaqueBack = test::expectTagRoundTrip(opaque);
    EXPECT_TRUE(as<FSDefineJPEGImage3>(opaqueBack).getAlphaData().empty());
}

TEST(DefineJPEGImage3Test, OffsetBeyondTheTagIsRefused) {
    FSDefineJPEGImage3 tag(1, imageOnly(4, 4), {}, {9, 9});
    Bytes bytes = test::encodeTag(tag);
    const std::size_t header = (bytes[0] & 63) == 63 ? 6 : 2;
    const std::size_t room = bytes.size() - header - 6;
    const std::size_t at = header + 2;
    bytes[at] = static_cast<uint8_t>(room + 1);  // one past the room the body leaves
    bytes[at + 1] = static_cast<uint8_t>((room + 1) >> 8);
    try {
        test::decodeTag(bytes);
        FAIL() << "decoded an image that runs past its tag";
    } catch (const FSFormatException& e) {
        EXPECT_STREQ(e.what(), "FSDefineJPEGImage3 overflowed by 1 bytes.");
    }
    bytes[at] = bytes[at + 1] = bytes[at + 2] = bytes[at + 3] = 0xFF;
    EXPECT_THROW(test::decodeTag(bytes), FSFormatException);
}

TEST(JPEGEncodingTableTest, AbsentEmptyAndPresent) {
    FSJPEGEncodingTable absent;
    EXPECT_TRUE(absent.isAbsent());
    EXPECT_EQ(test::encodeTag(absent), (Bytes{0x02, 0x02, 0xFF, 0xD9}));
    auto absentBack = test::expectTagRoundTrip(absent);
    EXPECT_EQ(as<FSJPEGEncodingTable>(absentBack).getEncodingTable(), EOI);

    // An empty table read from a file is written back empty, not as the absent table.
    auto empty = test::decodeTag(Bytes{0x00, 0x02});
    EXPECT_FALSE(as<FSJPEGEncodingTable>(empty).isAbsent());
    EXPECT_EQ(test::encodeTag(*empty), (Bytes{0x00, 0x02}));

    const Bytes tables = tablesOnly();
    FSJPEGEncodingTable present(tables);
    auto back = test::expectTagRoundTrip(present);
    EXPECT_EQ(as<FSJPEGEncodingTable>(back).getEncodingTable(), tables);
    present.setEncodingTable({});
    EXPECT_TRUE(present.isAbsent());
}

// Tags cut from movies made by authoring tools.
TEST(JPEGCorpusTest, TagsFromAuthoredMovies) {
    const fs::path tagsets = corpus() / "swf" / "tagsets";
    SKIP_WITHOUT(tagsets);
    // The tags of the given types in a movie, decoded: each writes back byte for byte.
    const auto read = [&](const char* file, std::initializer_list<int> types) {
        std::vector<std::unique_ptr<FSMovieObject>> decoded;
        for (const auto& tag : tagsOf(tagsets / file, types)) {
            decoded.push_back(test::decodeTag(tag));
            EXPECT_EQ(test::encodeTag(*decoded.back()), tag) << file;
        }
        return decoded;
    };
    auto tables = read("DefineBits-JpegTables-MX.swf", {8, 6});
    ASSERT_EQ(tables.size(), 2u);
    const Bytes& table = as<FSJPEGEncodingTable>(tables[0]).getEncodingTable();
    EXPECT_EQ(table.size(), 574u);
    EXPECT_EQ(jpeg::tableLength(table), 574u);
    EXPECT_EQ(as<FSDefineJPEGImage>(tables[1]).getWidth(), 6);
    EXPECT_EQ(as<FSDefineJPEGImage>(tables[1]).getHeight(), 5);

    // Tables and image as two streams.
    auto two = read("DefineBitsJpeg2-MX.swf", {21});
    ASSERT_EQ(two.size(), 1u);
    auto& jpeg2 = as<FSDefineJPEGImage2>(two[0]);
    EXPECT_EQ(jpeg2.getEncodingTable().size(), 574u);
    EXPECT_EQ(jpeg2.getImage().size(), 640u - 574u);
    EXPECT_EQ(jpeg2.getWidth(), 5);
    EXPECT_EQ(jpeg2.getHeight(), 5);

    auto three = read("DefineBitsJpeg3.swf", {35});
    ASSERT_EQ(three.size(), 1u);
    auto& jpeg3 = as<FSDefineJPEGImage3>(three[0]);
    EXPECT_TRUE(jpeg3.getEncodingTable().empty()) << "one complete stream";
    EXPECT_EQ(jpeg3.getImage().size(), 288u);
    EXPECT_EQ(jpeg3.getAlphaData().size(), 12u);
    EXPECT_EQ(jpeg3.getWidth(), 8);
    EXPECT_EQ(jpeg3.getHeight(), 8);

    // An empty shared table before a full image.
    auto placed = read("PlaceObject3-Image.swf", {8, 6});
    ASSERT_EQ(placed.size(), 2u);
    EXPECT_EQ(as<FSDefineJPEGImage>(placed[1]).getWidth(), 398);
    EXPECT_EQ(as<FSDefineJPEGImage>(placed[1]).getHeight(), 391);
}

// ---- lossless images ----

Bytes deflate(const Bytes& raw) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    Bytes packed(size);
    EXPECT_EQ(compress(packed.data(), &size, raw.data(), static_cast<uLong>(raw.size())), Z_OK);
    packed.resize(size);
    return packed;
}

Bytes inflate(const Bytes& packed, std::size_t size) {
    Bytes raw(size);
    uLongf length = size;
    EXPECT_EQ(uncompress(raw.data(), &length, packed.data(), static_cast<uLong>(packed.size())),
              Z_OK);
    EXPECT_EQ(length, size);
    return raw;
}

TEST(DefineImageTest, ColourMappedImageWithPaddedRows) {
    // 3 × 2 pixels with a 3-entry RGB table; each row of 3 indexes is padded to 4 bytes.
    const Bytes raw{255, 0, 0, 0, 255, 0, 0, 0, 255, /* rows */ 0, 1, 2, 0, 2, 1, 0, 0};
    FSDefineImage image(5, 3, 2, 3, deflate(raw));
    EXPECT_EQ(image.getPixelSize(), 8);
    const Bytes bytes = test::encodeTag(image);
    // Long header although the body is short, identifier, format 3, width, height, table size - 1.
    EXPECT_EQ(slice(bytes, 0, 2), (Bytes{0x3F, 0x05}));
    EXPECT_EQ(slice(bytes, 6, 14), (Bytes{5, 0, 3, 3, 0, 2, 0, 2}));

    auto decoded = test::expectTagRoundTrip(image);
    auto& back = as<FSDefineImage>(decoded);
    EXPECT_EQ(back.getTableSize(), 3);
    EXPECT_EQ(back.getWidth(), 3);
    EXPECT_EQ(back.getHeight(), 2);
    EXPECT_EQ(inflate(back.getImage(), raw.size()), raw);
}

TEST(DefineImageTest, TableSizeLimits) {
    FSDefineImage2 full(1, 1, 1, 256, Bytes{0x78, 0x9C});
    const Bytes bytes = test::encodeTag(full);
    EXPECT_EQ(bytes[2 + 2 + 5], 255);
    auto back = test::expectTagRoundTrip(full);
    EXPECT_EQ(as<FSDefineImage2>(back).getTableSize(), 256);

    for (int size : {0, 257, -1}) {
        FSDefineImage2 bad(1, 1, 1, size, Bytes{0x78, 0x9C});
        EXPECT_THROW(test::encodeTag(bad), FSFormatException) << size;
    }
}

TEST(DefineImageTest, FormatCodesByPixelSize) {
    struct Case {
        int pixelSize;
        bool alpha;
        int format;
    };
    for (const Case& c : {Case{16, false, 4}, Case{24, false, 5}, Case{32, true, 5}}) {
        SCOPED_TRACE(c.pixelSize);
        const Bytes data{0x78, 0x9C, 1, 2, 3};
        std::unique_ptr<FSLosslessImage> image;
        if (c.alpha)
            image = std::make_unique<FSDefineImage2>(2, 640, 480, data);
        else
            image = std::make_unique<FSDefineImage>(2, 640, 480, data, c.pixelSize);
        const Bytes bytes = test::encodeTag(*image);
        const std::size_t header = c.alpha ? 2 : 6;
        EXPECT_EQ(bytes.size(), header + 2 + 5 + data.size()) << "no table byte";
        EXPECT_EQ(bytes[header + 2], c.format);
        EXPECT_EQ(slice(bytes, header + 3, header + 7), (Bytes{0x80, 0x02, 0xE0, 0x01}));
        auto back = test::expectTagRoundTrip(*image);
        EXPECT_EQ(static_cast<FSLosslessImage&>(*back).getPixelSize(), c.pixelSize);
        EXPECT_EQ(static_cast<FSLosslessImage&>(*back).getImage(), data);
    }
    // Pixel sizes that the tag has no code for.
    FSDefineImage wide(2, 1, 1, Bytes{1}, 32);
    EXPECT_THROW(test::encodeTag(wide), FSFormatException);
    FSDefineImage2 narrow(2, 1, 1, Bytes{1});
    narrow.setPixelSize(24);
    EXPECT_THROW(test::encodeTag(narrow), FSFormatException);
}

TEST(DefineImageTest, HeaderFormsAndUnmappedFormats) {
    // Built images take the long header; ones read from a file keep the form they came in.
    const Bytes shortImage{0x0C, 0x05, 1, 0, 5, 8, 0, 8, 0, 0x78, 0x9C, 0x03, 0x00, 0x00};
    auto image = test::decodeTag(shortImage);
    EXPECT_EQ(as<FSDefineImage>(image).getPixelSize(), 24);
    EXPECT_EQ(test::encodeTag(*image), shortImage);

    FSDefineImage2 built(1, 8, 8, Bytes{0x78, 0x9C, 0x03, 0x00, 0x00});
    EXPECT_EQ(test::encodeTag(built)[0] & 63, 12) << "the alpha image keeps the short header";

    // A format byte this library does not map (15-bit) is carried through unchanged.
    const Bytes unmapped{0x09, 0x09, 1, 0, 4, 2, 0, 2, 0, 0xAA, 0xBB};
    auto odd = test::decodeTag(unmapped);
    EXPECT_EQ(as<FSDefineImage2>(odd).getPixelSize(), 0);
    EXPECT_EQ(as<FSDefineImage2>(odd).getImage(), (Bytes{0xAA, 0xBB}));
    EXPECT_EQ(test::encodeTag(*odd), unmapped);
}

TEST(DefineImageTest, TagsFromAuthoredMovies) {
    const fs::path tagsets = corpus() / "swf" / "tagsets";
    SKIP_WITHOUT(tagsets);
    struct Case {
        const char* file;
        int width;
        int height;
        int pixelSize;
    };
    for (const Case& c :
         {Case{"DefineBitsLossless.swf", 8, 8, 24}, Case{"DefineBitsLossless2.swf", 8, 8, 32},
          Case{"BitmapLineStyle.swf", 180, 180, 32}}) {
        SCOPED_TRACE(c.file);
        const auto tags = tagsOf(tagsets / c.file, {20, 36});
        ASSERT_EQ(tags.size(), 1u);
        auto image = test::decodeTag(tags[0]);
        auto& lossless = static_cast<FSLosslessImage&>(*image);
        EXPECT_EQ(lossless.getWidth(), c.width);
        EXPECT_EQ(lossless.getHeight(), c.height);
        EXPECT_EQ(lossless.getPixelSize(), c.pixelSize);
        // Rows of 32-bit pixels need no padding: the data inflates to exactly width × height × 4.
        inflate(lossless.getImage(), static_cast<std::size_t>(c.width * c.height * 4));
        EXPECT_EQ(test::encodeTag(*image), tags[0]);
    }
}

// ---- hostile input ----

std::vector<Bytes> sampleTags() {
    FSJPEGEncodingTable table(tablesOnly());
    FSDefineJPEGImage jpeg(1, imageOnly(8, 8));
    FSDefineJPEGImage2 jpeg2(2, imageOnly(8, 8), tablesOnly());
    FSDefineJPEGImage3 jpeg3(3, imageOnly(8, 8), tablesOnly(), {1, 2, 3});
    FSDefineImage mapped(4, 2, 2, 2, Bytes{0x78, 0x9C, 1, 2});
    FSDefineImage2 argb(5, 2, 2, Bytes{0x78, 0x9C, 1, 2});
    return test::encodeTags({&table, &jpeg, &jpeg2, &jpeg3, &mapped, &argb});
}

// Cuts, short declared lengths and random damage fail cleanly or write back what they declare.
TEST(BitmapHostileTest, DamagedTagsFailCleanly) {
    expectDamageHandled(sampleTags(), 1234);
}

}  // namespace
}  // namespace transform
