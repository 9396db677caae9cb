// The image loader on pictures made here: decoding of each format, the bitmap blocks it builds
// (read back by inflating the tag's data), transparency, the bitmap-filled rectangle, and hostile
// input.
#include <gtest/gtest.h>

#include <sstream>

#include "media/image_loader.h"
#include "swf/bitmaps.h"
#include "swf/movie.h"
#include "tests/media/media_test_support.h"

namespace quillet::media {
namespace {

using namespace transform;
using synth::Bytes;
using synth::Rgb;

// The inflated image block of a lossless bitmap tag.
Bytes inflated(const FSLosslessImage& tag, std::size_t expected) {
    return synth::zlibInflate(tag.getImage(), expected);
}

// The inflated block of the bitmap with alpha that the loader defines; empty for any other tag.
Bytes alphaBlock(ImageLoader& loader, std::size_t expected) {
    const auto tag = loader.defineImage(1);
    const auto* image = dynamic_cast<const FSDefineImage2*>(tag.get());
    return image ? inflated(*image, expected) : Bytes{};
}

Bytes pngOf(std::initializer_list<Bytes> chunks) {
    Bytes out = synth::pngSignature();
    for (const Bytes& chunk : chunks) out.insert(out.end(), chunk.begin(), chunk.end());
    return out;
}

Bytes rgbaOf(const std::vector<Rgb>& pixels) {
    Bytes out;
    for (const Rgb& c : pixels) out.insert(out.end(), {c.r, c.g, c.b, 255});
    return out;
}

std::vector<Rgb> gradient(uint32_t width, uint32_t height) {
    std::vector<Rgb> pixels;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x)
            pixels.push_back({static_cast<uint8_t>(x * 37 + y), static_cast<uint8_t>(y * 51 + 3),
                              static_cast<uint8_t>((x ^ y) * 13)});
    }
    return pixels;
}

TEST(ImageLoader, RefusesDataOfNoKnownFormat) {
    auto loader = createImageLoader();
    const Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0};
    EXPECT_EQ(loader->decodeData(gif), BadData);
    EXPECT_EQ(loader->getKind(), NoImage);
    EXPECT_EQ(loader->decodeData({}), BadData);
    EXPECT_EQ(loader->defineImage(1), nullptr);
}

TEST(ImageLoader, FileStatuses) {
    auto loader = createImageLoader();
    EXPECT_EQ(loader->decodeFile("/nonexistent/picture.png"), CannotOpen);
    // A folder opens but cannot be read.
    EXPECT_EQ(loader->decodeFile(::testing::TempDir()), ReadError);
    const std::string path = ::testing::TempDir() + "/quillet-media-2x1.bmp";
    const Bytes file = synth::bmpTrueColour(2, 1, {{1, 2, 3}, {4, 5, 6}});
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), file.size());
    EXPECT_EQ(loader->decodeFile(path), Success);
    EXPECT_EQ(loader->getWidth(), 2u);
    std::filesystem::remove(path);
}

TEST(ImageLoader, Bmp24TwoByTwoReadsBottomRowFirst) {
    // Rows in the file: bottom (blue, white) then top (red, green).
    const std::vector<Rgb> pixels = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    auto loader = createImageLoader();
    ASSERT_EQ(loader->decodeData(synth::bmpTrueColour(2, 2, pixels)), Success)
        << loader->getProblem();
    EXPECT_EQ(loader->getKind(), ColourImage);
    EXPECT_EQ(loader->getWidth(), 2u);
    EXPECT_EQ(loader->getHeight(), 2u);
    Bytes copied(16);
    EXPECT_EQ(loader->copyPixels(copied), 16u);
    EXPECT_EQ(copied, rgbaOf(pixels));
    EXPECT_EQ(loader->copyTable(copied), 0u);
    Bytes tooSmall(15);
    EXPECT_EQ(loader->copyPixels(tooSmall), 0u);
}

TEST(ImageLoader, BmpTopDownAndOddWidths) {
    for (uint32_t width : {1u, 3u, 5u, 7u}) {
        const auto pixels = gradient(width, 3);
        for (bool topDown : {false, true}) {
            for (int bits : {24, 32}) {
                auto loader = createImageLoader();
                ASSERT_EQ(loader->decodeData(synth::bmpTrueColour(static_cast<int32_t>(width), 3,
                                                                  pixels, bits, topDown)),
                          Success);
                EXPECT_EQ(loader->getImage().pixels, rgbaOf(pixels))
                    << width << " " << topDown << " " << bits;
                EXPECT_EQ(loader->getKind(), bits == 24 ? ColourImage : AlphaColourImage);
            }
        }
    }
}

TEST(ImageLoader, Bmp8HasFullTableWhateverColoursUsedSays) {
    const std::vector<Rgb> palette = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}};
    const Bytes indices = {0, 1, 2, 1, 0, 2};
    auto loader = createImageLoader();
    ASSERT_EQ(loader->decodeData(synth::bmpIndexed8(3, 2, palette, indices, 3)), Success)
        << loader->getProblem();
    EXPECT_EQ(loader->getKind(), IndexedImage);
    EXPECT_EQ(loader->getTableSize(), 256u * 4);
    const Bytes& table = loader->getImage().table;
    EXPECT_EQ(Bytes(table.begin(), table.begin() + 12),
              Bytes({10, 20, 30, 255, 40, 50, 60, 255, 70, 80, 90, 255}));
    // Entries the file does not have are opaque black, not whatever bytes follow the palette.
    EXPECT_EQ(Bytes(table.begin() + 12, table.begin() + 16), Bytes({0, 0, 0, 255}));
    EXPECT_EQ(loader->getImage().indices, indices);
}

TEST(ImageLoader, IndexedBlockPadsRowsToFourBytes) {
    const std::vector<Rgb> palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    const Bytes indices = {0, 1, 2, 2, 1, 0};
    auto loader = createImageLoader();
    ASSERT_EQ(loader->decodeData(synth::bmpIndexed8(3, 2, palette, indices, 3)), Success);
    auto tag = loader->defineImage(7);
    auto* image = dynamic_cast<FSDefineImage2*>(tag.get());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->getIdentifier(), 7);
    EXPECT_EQ(image->getPixelSize(), 8);
    EXPECT_EQ(image->getTableSize(), 256);
    const Bytes block = inflated(*image, 256 * 4 + 8);
    ASSERT_EQ(block.size(), 256u * 4 + 8);
    EXPECT_EQ(Bytes(block.begin(), block.begin() + 8), Bytes({255, 0, 0, 255, 0, 255, 0, 255}));
    EXPECT_EQ(Bytes(block.begin() + 1024, block.end()), Bytes({0, 1, 2, 0, 2, 1, 0, 0}));
}

TEST(ImageLoader, ColourBlockIsAlphaRedGreenBlueWithoutRowPadding) {
    // Odd widths must not shift rows: 32-bit rows are whole words already.
    const auto pixels = gradient(3, 3);
    auto loader = createImageLoader();
    ASSERT_EQ(loader->decodeData(synth::bmpTrueColour(3, 3, pixels)), Success);
    auto tag = loader->defineImage(2);
    auto* image = dynamic_cast<FSDefineImage2*>(tag.get());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->getPixelSize(), 32);
    const Bytes block = inflated(*image, 3 * 3 * 4);
    Bytes expected;
    for (const Rgb& c : pixels) expected.insert(expected.end(), {255, c.r, c.g, c.b});
    EXPECT_EQ(block, expected);
}

TEST(ImageLoader, Kind3RowsAreWholePixelsToo) {
    // 16-bit 5-5-5 pixels: 31 scales to 255, 16 to 132.
    synth::BmpParts parts(3, 1, 16);
    parts.data = {0xFF, 0x7F, 0x10, 0x42,
                  0x00, 0x7C, 0,    0};  // white, (16,16,16), red; row padded to 8
    auto loader = createImageLoader();
    ASSERT_EQ(loader->decodeData(synth::bmp(parts)), Success) << loader->getProblem();
    EXPECT_EQ(loader->getKind(), LowColourImage);
    EXPECT_EQ(loader->getImage().pixels,
              Bytes({255, 255, 255, 255, 132, 132, 132, 255, 255, 0, 0, 255}));
    EXPECT_EQ(alphaBlock(*loader, 12),
              Bytes({255, 255, 255, 255, 255, 132, 132, 132, 255, 255, 0, 0}));
}

TEST(ImageLoader, Bmp16BitFieldsFiveSixFive) {
    synth::BmpParts parts(2, 1, 16, 3);
    parts.masks = {0xF800, 0x07E0, 0x001F};
    parts.data = {0xFF, 0xFF, 0xE0, 0x07, 0, 0, 0, 0};  // white, pure green
    auto loader = createImageLoader();
    ASSERT_EQ(loader->decodeData(synth::bmp(parts)), Success) << loader->getProblem();
    EXPECT_EQ(loader->getImage().pixels, Bytes({255, 255, 255, 255, 0, 255, 0, 255}));
}

TEST(ImageLoader, RleRunsDeltasAndLiterals) {
    auto loader = createImageLoader();
    // 4 x 3, rows from the bottom: a run of 3 of index 1 then EOL; delta (1 right, 1 up); a
    // literal run of 3 (2, 3, 4) padded; end of bitmap. Pixels skipped keep index 0.
    synth::BmpParts rle8(4, 3, 8, 1);
    rle8.palette = {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}};
    rle8.data = {3, 1, 0, 0, 0, 2, 1, 1, 0, 3, 2, 3, 4, 0, 0, 1};
    ASSERT_EQ(loader->decodeData(synth::bmp(rle8)), Success) << loader->getProblem();
    EXPECT_EQ(loader->getImage().indices, Bytes({0, 2, 3, 4, 0, 0, 0, 0, 1, 1, 1, 0}));
    // 8 x 1: a run of 3 alternating 1 and 2, then a literal of 5 (3 bytes and a pad byte), end
    // of bitmap.
    synth::BmpParts rle4(8, 1, 4, 2);
    rle4.palette.assign(16, {0, 0, 0});
    rle4.data = {3, 0x12, 0, 5, 0x34, 0x56, 0x70, 0, 0, 1};
    ASSERT_EQ(loader->decodeData(synth::bmp(rle4)), Success) << loader->getProblem();
    EXPECT_EQ(loader->getImage().indices, Bytes({1, 2, 1, 3, 4, 5, 6, 7}));
}

TEST(ImageLoader, RleThatLeavesTheImageIsMalformed) {
    synth::BmpParts parts(4, 2, 8, 1);
    parts.palette.assign(2, {0, 0, 0});
    parts.data = {5, 1, 0, 1};  // a run of 5 in a row of 4
    auto loader = createImageLoader();
    EXPECT_EQ(loader->decodeData(synth::bmp(parts)), BadData);
    parts.data = {0, 2, 0, 3, 1, 1};  // a delta 3 rows up in a picture of 2
    EXPECT_EQ(loader->decodeData(synth::bmp(parts)), BadData);
    EXPECT_NE(loader->getProblem().find("delta"), std::string::npos) << loader->getProblem();
}

TEST(ImageLoader, PngRgbWithoutTransparencyGivesOpaque32BitBitmap) {
    const auto pixels = gradient(5, 4);
    synth::PngParts parts(5, 4, 8, 2);
    for (const Rgb& c : pixels) parts.rows.insert(parts.rows.end(), {c.r, c.g, c.b});
    auto loader = createImageLoader();
    ASSERT_EQ(loader->decodeData(synth::png(parts)), Success) << loader->getProblem();
    EXPECT_EQ(loader->getKind(), ColourImage);
    EXPECT_EQ(loader->getImage().pixels, rgbaOf(pixels));
    auto tag = loader->defineImage(1);
    auto* image = dynamic_cast<FSDefineImage2*>(tag.get());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->getPixelSize(), 32);
    const Bytes block = inflated(*image, 5 * 4 * 4);
    ASSERT_EQ(block.size(), 80u);
    for (std::size_t i = 0; i < block.size(); i += 4) EXPECT_EQ(block[i], 255);
}

TEST(ImageLoader, PngFiltersUndone) {
    const auto pixels = gradient(6, 5);
    Bytes rgba = rgbaOf(pixels);
    for (int filter : {0, 1, 2}) {
        auto loader = createImageLoader();
        ASSERT_EQ(loader->decodeData(synth::pngRgba(6, 5, rgba, filter)), Success);
        EXPECT_EQ(loader->getImage().pixels, rgba) << "filter " << filter;
    }
}

TEST(ImageLoader, PngPaletteTableHasPlteEntriesAndTrnsAlphas) {
    synth::PngParts parts(4, 1, 8, 3);
    parts.palette = {255, 0, 0, 0, 255, 0, 0, 0, 255};
    parts.transparency = {0, 128};  // entry 0 clear, entry 1 half, entry 2 not covered: opaque
    parts.rows = {0, 1, 2, 1};
    auto loader = createImageLoader();
    ASSERT_EQ(loader->decodeData(synth::png(parts)), Success) << loader->getProblem();
    EXPECT_EQ(loader->getKind(), IndexedImage);
    EXPECT_EQ(loader->getImage().table, Bytes({255, 0, 0, 0, 0, 255, 0, 128, 0, 0, 255, 255}));
    auto tag = loader->defineImage(4);
    auto* image = dynamic_cast<FSDefineImage2*>(tag.get());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->getTableSize(), 3);
    // The clear entry is four zeros; the half one keeps its colour.
    EXPECT_EQ(inflated(*image, 16),
              Bytes({0, 0, 0, 0, 0, 255, 0, 128, 0, 0, 255, 255, 0, 1, 2, 1}));
}

TEST(ImageLoader, PngGreyKeyMakesExactlyMatchingSamplesTransparent) {
    // 16-bit grey: the key 0x1234 must match the whole sample, not only its high byte.
    synth::PngParts parts(3, 1, 16, 0);
    parts.rows = {0x12, 0x34, 0x12, 0x35, 0xFF, 0xFF};
    parts.transparency = {0x12, 0x34};
    auto loader = createImageLoader();
    ASSERT_EQ(loader->decodeData(synth::png(parts)), Success) << loader->getProblem();
    EXPECT_EQ(loader->getKind(), AlphaColourImage);
    EXPECT_EQ(loader->getImage().pixels,
              Bytes({0x12, 0x12, 0x12, 0, 0x12, 0x12, 0x12, 255, 255, 255, 255, 255}));
    EXPECT_EQ(alphaBlock(*loader, 12),
              Bytes({0, 0, 0, 0, 255, 0x12, 0x12, 0x12, 255, 255, 255, 255}));
}

TEST(ImageLoader, PngRgbKey) {
    synth::PngParts parts(2, 1, 8, 2);
    parts.rows = {10, 20, 30, 10, 20, 31};
    parts.transparency = {0, 10, 0, 20, 0, 30};
    auto loader = createImageLoader();
    ASSERT_EQ(loader->decodeData(synth::png(parts)), Success);
    EXPECT_EQ(loader->getImage().pixels, Bytes({10, 20, 30, 0, 10, 20, 31, 255}));
}

TEST(ImageLoader, PngAlphaIsKeptWithColoursUnmultiplied) {
    const Bytes rgba = {200, 100, 50, 255, 200, 100, 50, 128, 200, 100, 50, 0};
    auto loader = createImageLoader();
    ASSERT_EQ(loader->decodeData(synth::pngRgba(3, 1, rgba)), Success);
    EXPECT_EQ(loader->getKind(), AlphaColourImage);
    EXPECT_EQ(alphaBlock(*loader, 12), Bytes({255, 200, 100, 50, 128, 200, 100, 50, 0, 0, 0, 0}))
        << "an image with alpha must keep it";
}

TEST(ImageLoader, OpaqueKind5WithoutKeyIs24BitImage) {
    auto loader = createImageLoader();
    ASSERT_EQ(loader->decodeData(synth::bmpTrueColour(2, 1, {{1, 2, 3}, {4, 5, 6}}, 32)), Success);
    auto tag = loader->defineImage(9);
    auto* image = dynamic_cast<FSDefineImage*>(tag.get());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->getPixelSize(), 24);
    EXPECT_EQ(inflated(*image, 8), Bytes({255, 1, 2, 3, 255, 4, 5, 6}));
}

TEST(ImageLoader, TransparentKeyClearsExactlyTheKeyColour) {
    const std::vector<Rgb> pixels = {{255, 255, 255}, {254, 255, 255}, {0, 0, 0}, {255, 255, 255}};
    auto keyed = createImageLoader(255, 255, 255);
    ASSERT_EQ(keyed->decodeData(synth::bmpTrueColour(2, 2, pixels)), Success);
    EXPECT_EQ(alphaBlock(*keyed, 16),
              Bytes({0, 0, 0, 0, 255, 254, 255, 255, 255, 0, 0, 0, 0, 0, 0, 0}));

    // A white table entry becomes four zeros; the others, including the bottom row's, stay.
    const std::vector<Rgb> palette = {{255, 255, 255}, {1, 2, 3}, {4, 5, 6}};
    ASSERT_EQ(keyed->decodeData(synth::bmpIndexed8(3, 1, palette, {2, 1, 0}, 3)), Success);
    const Bytes block = alphaBlock(*keyed, 1024 + 4);
    ASSERT_EQ(block.size(), 1024u + 4);
    EXPECT_EQ(Bytes(block.begin(), block.begin() + 12),
              Bytes({0, 0, 0, 0, 1, 2, 3, 255, 4, 5, 6, 255}));

    // A key that is partly -1 is no key.
    auto unkeyed = createImageLoader(255, 255, ImageLoader::NoKey);
    ASSERT_EQ(unkeyed->decodeData(synth::bmpTrueColour(2, 2, pixels)), Success);
    EXPECT_EQ(alphaBlock(*unkeyed, 16),
              Bytes({255, 255, 255, 255, 255, 254, 255, 255, 255, 0, 0, 0, 255, 255, 255, 255}));
}

TEST(ImageLoader, JpegKeepsBytesAndReadsFrameSize) {
    const Bytes jpeg = synth::jpegBlocks(33, 17, std::vector<Rgb>(33 * 17, {10, 200, 30}));
    auto loader = createImageLoader(10, 200, 30);
    ASSERT_EQ(loader->decodeData(jpeg), Success) << loader->getProblem();
    EXPECT_EQ(loader->getKind(), JPEGImage);
    EXPECT_EQ(loader->getWidth(), 33u);
    EXPECT_EQ(loader->getHeight(), 17u);
    EXPECT_EQ(loader->getJPEGSize(), jpeg.size());
    Bytes copy(jpeg.size());
    EXPECT_EQ(loader->copyJPEG(copy), jpeg.size());
    EXPECT_EQ(copy, jpeg);
    auto tag = loader->defineImage(5);
    auto* image = dynamic_cast<FSDefineJPEGImage2*>(tag.get());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->getImage(), jpeg);
    EXPECT_TRUE(image->getEncodingTable().empty());
    EXPECT_EQ(image->getWidth(), 33);
    EXPECT_EQ(image->getHeight(), 17);
}

TEST(ImageLoader, JpegWithoutFrameOrScanIsMalformed) {
    auto loader = createImageLoader();
    EXPECT_EQ(loader->decodeData(Bytes{0xFF, 0xD8, 0xFF, 0xD9}), BadData);
    Bytes jpeg = synth::jpegBlocks(8, 8, std::vector<Rgb>(64, {0, 0, 0}));
    // Cut just before the scan header.
    const std::size_t scan = [&] {
        for (std::size_t i = 2; i + 1 < jpeg.size(); ++i)
            if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) return i;
        return jpeg.size();
    }();
    Bytes noScan(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(scan));
    noScan.insert(noScan.end(), {0xFF, 0xD9});
    EXPECT_EQ(loader->decodeData(noScan), BadData);
    EXPECT_NE(loader->getProblem().find("scan"), std::string::npos) << loader->getProblem();
    // Fill bytes before a marker are allowed.
    Bytes filled = jpeg;
    filled.insert(filled.begin() + 2, {0xFF, 0xFF});
    EXPECT_EQ(loader->decodeData(filled), Success) << loader->getProblem();
}

TEST(ImageLoader, DefineShapeWithoutBorder) {
    auto loader = createImageLoader();
    ASSERT_EQ(loader->decodeData(synth::bmpTrueColour(3, 2, gradient(3, 2))), Success);
    auto shape = loader->defineShape(10, 9, 1, 2, 0, FSColor(0, 0, 0));
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ(shape->getIdentifier(), 10);
    EXPECT_EQ(shape->getType(), 32);
    EXPECT_TRUE(shape->getLineStyles().empty());
    EXPECT_EQ(shape->getBounds(), FSBounds(-20, -40, 40, 0));
    ASSERT_EQ(shape->getFillStyles().size(), 1u);
    const auto& fill = dynamic_cast<const FSBitmapFill&>(shape->getFillStyles()[0]);
    EXPECT_EQ(fill.getType(), FSFillStyle::ClippedBitmap);
    EXPECT_EQ(fill.getIdentifier(), 9);
    EXPECT_EQ(fill.getTransform(), FSCoordTransform(-20, -40, 20, 20));
    const auto& objects = shape->getShape().getObjects();
    ASSERT_EQ(objects.size(), 6u);
    const auto& style = dynamic_cast<const FSShapeStyle&>(objects[0]);
    EXPECT_FALSE(style.containsLineStyle());
    EXPECT_EQ(style.getAltFillStyle(), 1);
    EXPECT_EQ(style.getMoveX(), -20);
    EXPECT_EQ(style.getMoveY(), -40);
    const int expected[5][2] = {{60, 0}, {0, 40}, {-60, 0}, {0, -40}, {60, 0}};
    for (int i = 0; i < 5; ++i) {
        const auto& line = dynamic_cast<const FSLine&>(objects[i + 1]);
        EXPECT_EQ(line.getX(), expected[i][0]);
        EXPECT_EQ(line.getY(), expected[i][1]);
    }
}

TEST(ImageLoader, DefineShapeWithBorder) {
    auto loader = createImageLoader();
    ASSERT_EQ(loader->decodeData(synth::bmpTrueColour(3, 2, gradient(3, 2))), Success);
    auto shape = loader->defineShape(1, 2, 0, 0, 41, FSColor(1, 2, 3, 4));
    ASSERT_EQ(shape->getLineStyles().size(), 1u);
    const auto& line = dynamic_cast<const FSSolidLine&>(shape->getLineStyles()[0]);
    EXPECT_EQ(line.getWidth(), 41);
    EXPECT_EQ(line.getColor(), FSColor(1, 2, 3, 4));
    EXPECT_EQ(shape->getBounds(), FSBounds(-20, -20, 80, 60));
    EXPECT_EQ(dynamic_cast<const FSShapeStyle&>(shape->getShape().getObjects()[0]).getLineStyle(),
              1);
}

TEST(ImageLoader, DefineShapeOfAWidePictureEncodes) {
    // 4000 pixels are 80000 twips, more than one straight edge can hold.
    auto loader = createImageLoader();
    ASSERT_EQ(loader->setImage(ColourImage, 4000, 3, Bytes(4000 * 3 * 4, 200)), Success);
    auto shape = loader->defineShape(2, 1, 0, 0, 0, FSColor(0, 0, 0));
    int x = 0, y = 0, furthest = 0;
    for (const auto& object : shape->getShape().getObjects()) {
        const auto* line = dynamic_cast<const FSLine*>(object.get());
        if (!line) continue;
        EXPECT_LE(std::abs(line->getX()), 65535);
        x += line->getX();
        y += line->getY();
        furthest = std::max(furthest, x);
    }
    EXPECT_EQ(furthest, 80000);
    EXPECT_EQ(x, 80000);  // closed, then along the top once more
    EXPECT_EQ(y, 0);
    FSMovie movie(FSBounds(0, 0, 100, 100), 12.0f);
    movie.add(loader->defineImage(1));
    movie.add(std::move(shape));
    EXPECT_NO_THROW(movie.encode());

    // The fuzzer's case: a JPEG frame header of the widest size a bitmap can have.
    ASSERT_EQ(
        loader->setJPEGImage(65535, 16, synth::jpegBlocks(8, 8, std::vector<Rgb>(64, {1, 2, 3}))),
        Success);
    FSMovie widest(FSBounds(0, 0, 100, 100), 12.0f);
    widest.add(loader->defineShape(3, 1, 0, 0, 40, FSColor(0, 0, 0)));
    EXPECT_NO_THROW(widest.encode());
}

TEST(ImageLoader, SettersStoreCopiesAndCheckSizes) {
    auto loader = createImageLoader();
    const Bytes table = {1, 2, 3, 255, 4, 5, 6, 255};
    EXPECT_EQ(loader->setIndexedImage(IndexedImageSet, 2, 2, table, Bytes{0, 1, 1, 0}), Success);
    EXPECT_EQ(loader->getKind(), IndexedImageSet);
    EXPECT_EQ(loader->getTableSize(), 8u);
    EXPECT_NE(loader->defineImage(1), nullptr);
    EXPECT_EQ(loader->setIndexedImage(IndexedImage, 2, 2, table, Bytes{0, 1, 1}), BadData);
    EXPECT_EQ(loader->setIndexedImage(ColourImage, 2, 2, table, Bytes{0, 1, 1, 0}), BadData);
    EXPECT_EQ(loader->setIndexedImage(IndexedImage, 2, 2, Bytes{1, 2, 3}, Bytes{0, 1, 1, 0}),
              BadData);
    EXPECT_EQ(loader->getKind(), IndexedImageSet);  // failures change nothing
    EXPECT_EQ(loader->setImage(ColourImage, 1, 1, Bytes{9, 8, 7, 0}), Success);
    EXPECT_EQ(loader->getImage().pixels, Bytes({9, 8, 7, 0}));
    EXPECT_EQ(loader->setImage(ColourImage, 1, 2, Bytes{9, 8, 7, 0}), BadData);
    EXPECT_EQ(loader->setImage(AlphaColourImage, 70000, 1, Bytes(280000)), BadData);
    const Bytes jpeg = synth::jpegBlocks(8, 8, std::vector<Rgb>(64, {1, 1, 1}));
    EXPECT_EQ(loader->setJPEGImage(8, 8, jpeg), Success);
    EXPECT_EQ(loader->getKind(), JPEGImage);
    EXPECT_EQ(loader->getImage().pixels.size(), 0u);
}

TEST(ImageLoader, ChunkSizeMismatchGoesToTheDiagnosticStream) {
    // An IHDR chunk one byte longer than its fields.
    const Bytes file =
        pngOf({synth::pngChunk("IHDR", {0, 0, 0, 1, 0, 0, 0, 1, 8, 0, 0, 0, 0, 0}),
               synth::pngChunk("IDAT", synth::zlibCompress({0, 77})), synth::pngChunk("IEND", {})});

    std::ostringstream diagnostics;
    auto loader = createImageLoader();
    loader->setDiagnostics(&diagnostics);
    ASSERT_EQ(loader->decodeData(file), Success) << loader->getProblem();
    EXPECT_EQ(diagnostics.str(), "IHDR chunk underflowed by 1 bytes.\n");
    EXPECT_EQ(loader->getImage().pixels, Bytes({77, 77, 77, 255}));
}

TEST(ImageLoader, PngIntegrityChecks) {
    const Bytes good = synth::pngRgba(2, 2, Bytes(16, 100));
    auto loader = createImageLoader();
    ASSERT_EQ(loader->decodeData(good), Success);

    Bytes badCrc = good;
    badCrc[8 + 4 + 4 + 13] ^= 1;  // IHDR's CRC
    EXPECT_EQ(loader->decodeData(badCrc), BadData);
    EXPECT_NE(loader->getProblem().find("CRC"), std::string::npos) << loader->getProblem();

    Bytes lying = good;
    lying[8 + 33 + 3] = 0xF0;  // IDAT claims far more bytes than the file has
    EXPECT_EQ(loader->decodeData(lying), BadData);

    // Image data that inflates to fewer rows than the header promises.
    const Bytes header = synth::pngHeader(2, 3, 8, 0);
    EXPECT_EQ(loader->decodeData(
                  pngOf({header, synth::pngChunk("IDAT", synth::zlibCompress({0, 1, 2, 0, 3, 4})),
                         synth::pngChunk("IEND", {})})),
              BadData);
    EXPECT_NE(loader->getProblem().find("last row"), std::string::npos) << loader->getProblem();

    EXPECT_EQ(loader->decodeData(pngOf({header, synth::pngChunk("QUIT", {})})), BadData);
}

TEST(ImageLoader, AbsurdSizesAreRefusedBeforeAllocating) {
    auto loader = createImageLoader();
    // 60000 x 60000 PNG with a few bytes of image data.
    const Bytes idat = synth::pngChunk("IDAT", synth::zlibCompress(Bytes(100, 0)));
    const Bytes iend = synth::pngChunk("IEND", {});
    EXPECT_EQ(loader->decodeData(pngOf({synth::pngHeader(60000, 60000, 8, 6), idat, iend})),
              BadData);
    EXPECT_NE(loader->getProblem().find("pixels allowed"), std::string::npos)
        << loader->getProblem();

    // Within the pixel limit, but far more than the image data can hold.
    EXPECT_EQ(loader->decodeData(pngOf({synth::pngHeader(8000, 8000, 8, 6), idat, iend})), BadData);
    EXPECT_NE(loader->getProblem().find("cannot hold"), std::string::npos) << loader->getProblem();

    // A BMP claiming 100000 x 100000 pixels.
    synth::BmpParts parts(100000, 100000, 24);
    EXPECT_EQ(loader->decodeData(synth::bmp(parts)), BadData);
    // A BMP within the limits whose rows are not in the file.
    parts = synth::BmpParts(4000, 4000, 24);
    parts.data.assign(100, 0);
    EXPECT_EQ(loader->decodeData(synth::bmp(parts)), BadData);
    EXPECT_NE(loader->getProblem().find("cut short"), std::string::npos) << loader->getProblem();

    // A JPEG whose frame header claims 10000 x 10000 pixels: the player would have to decode them.
    Bytes jpeg = synth::jpegBlocks(8, 8, std::vector<Rgb>(64, {1, 2, 3}));
    for (std::size_t i = 2; i + 8 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = jpeg[i + 7] = 0x27;  // 0x2710 = 10000
            jpeg[i + 6] = jpeg[i + 8] = 0x10;
            break;
        }
    }
    EXPECT_EQ(loader->decodeData(jpeg), BadData);
    EXPECT_NE(loader->getProblem().find("pixels allowed"), std::string::npos)
        << loader->getProblem();

    // A loader with a smaller limit.
    auto small = createImageLoader(-1, -1, -1, 15);
    EXPECT_EQ(small->decodeData(synth::bmpTrueColour(4, 4, gradient(4, 4))), BadData);
    EXPECT_EQ(small->decodeData(synth::bmpTrueColour(3, 5, gradient(3, 5))), Success);
}

TEST(ImageLoader, EveryTruncationFailsCleanly) {
    synth::PngParts palette(5, 3, 4, 3);
    palette.palette = {1, 2, 3, 4, 5, 6};
    palette.rows = {0x01, 0x01, 0x00, 0x10, 0x10, 0x10, 0x00, 0x01, 0x10};
    const std::vector<Bytes> files = {
        synth::pngRgba(3, 2, Bytes(24, 9)),
        synth::png(palette),
        synth::bmpTrueColour(3, 2, gradient(3, 2)),
        synth::bmpIndexed8(3, 2, {{1, 2, 3}}, Bytes(6, 0), 1),
        synth::jpegBlocks(9, 9, std::vector<Rgb>(81, {5, 6, 7})),
    };
    auto loader = createImageLoader();
    for (const Bytes& file : files) {
        ASSERT_EQ(loader->decodeData(file), Success) << loader->getProblem();
        for (std::size_t length = 0; length < file.size(); ++length) {
            const int status = loader->decodeData(std::span(file.data(), length));
            // A JPEG cut inside its scan still has everything the loader reads.
            if (status == Success) {
                EXPECT_EQ(loader->getKind(), JPEGImage) << "length " << length;
                continue;
            }
            EXPECT_EQ(status, BadData) << "length " << length;
            EXPECT_EQ(loader->getKind(), NoImage);
            EXPECT_FALSE(loader->getProblem().empty());
        }
    }
}

}  // namespace
}  // namespace quillet::media
