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

// A loader that has decoded `file` (the failure is reported, the checks that follow then fail).
std::unique_ptr<ImageLoader> loaded(const Bytes& file) {
    auto loader = createImageLoader();
    EXPECT_EQ(loader->decodeData(file), Success) << loader->getProblem();
    return loader;
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

// Where the JPEG marker 0xFF `code` starts, or the size when there is none.
std::size_t markerAt(const Bytes& jpeg, uint8_t code) {
    for (std::size_t i = 2; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == code) return i;
    return jpeg.size();
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
    auto loader = loaded(synth::bmpTrueColour(2, 2, pixels));
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
                SCOPED_TRACE(testing::Message() << width << " " << topDown << " " << bits);
                auto loader = loaded(
                    synth::bmpTrueColour(static_cast<int32_t>(width), 3, pixels, bits, topDown));
                EXPECT_EQ(loader->getImage().pixels, rgbaOf(pixels));
                EXPECT_EQ(loader->getKind(), bits == 24 ? ColourImage : AlphaColourImage);
            }
        }
    }
}

TEST(ImageLoader, Bmp8HasFullTableAndItsBlockPadsRowsToFourBytes) {
    const std::vector<Rgb> palette = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}};
    const Bytes indices = {0, 1, 2, 1, 0, 2};
    // The file says 3 colours used; the table has 256 all the same.
    auto loader = loaded(synth::bmpIndexed8(3, 2, palette, indices, 3));
    EXPECT_EQ(loader->getKind(), IndexedImage);
    EXPECT_EQ(loader->getTableSize(), 256u * 4);
    const Bytes& table = loader->getImage().table;
    EXPECT_EQ(Bytes(table.begin(), table.begin() + 12),
              Bytes({10, 20, 30, 255, 40, 50, 60, 255, 70, 80, 90, 255}));
    // Entries the file does not have are opaque black, not whatever bytes follow the palette.
    EXPECT_EQ(Bytes(table.begin() + 12, table.begin() + 16), Bytes({0, 0, 0, 255}));
    EXPECT_EQ(loader->getImage().indices, indices);

    auto tag = loader->defineImage(7);
    auto* image = dynamic_cast<FSDefineImage2*>(tag.get());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->getIdentifier(), 7);
    EXPECT_EQ(image->getPixelSize(), 8);
    EXPECT_EQ(image->getTableSize(), 256);
    const Bytes block = inflated(*image, 256 * 4 + 8);
    ASSERT_EQ(block.size(), 256u * 4 + 8);
    EXPECT_EQ(Bytes(block.begin(), block.begin() + 8), Bytes({10, 20, 30, 255, 40, 50, 60, 255}));
    EXPECT_EQ(Bytes(block.begin() + 1024, block.end()), Bytes({0, 1, 2, 0, 1, 0, 2, 0}));
}

// Opaque pictures: colour blocks are alpha, red, green, blue without row padding (odd widths
// must not shift rows: 32-bit rows are whole words already). A 32-bit BMP with no clear pixel
// needs no alpha and gives the 24-bit bitmap without it.
TEST(ImageLoader, OpaqueColourBlocks) {
    auto argbOf = [](const std::vector<Rgb>& pixels) {
        Bytes out;
        for (const Rgb& c : pixels) out.insert(out.end(), {255, c.r, c.g, c.b});
        return out;
    };
    synth::PngParts png(5, 4, 8, 2);
    for (const Rgb& c : gradient(5, 4)) png.rows.insert(png.rows.end(), {c.r, c.g, c.b});
    struct Case {
        const char* what;
        Bytes file;
        std::vector<Rgb> pixels;
        int kind;
        bool withAlpha;
    };
    const std::vector<Rgb> twoByOne = {{1, 2, 3}, {4, 5, 6}};
    const Case cases[] = {
        {"24-bit BMP", synth::bmpTrueColour(3, 3, gradient(3, 3)), gradient(3, 3), ColourImage,
         true},
        {"RGB PNG", synth::png(png), gradient(5, 4), ColourImage, true},
        {"32-bit BMP", synth::bmpTrueColour(2, 1, twoByOne, 32), twoByOne, AlphaColourImage, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto loader = loaded(c.file);
        EXPECT_EQ(loader->getKind(), c.kind);
        EXPECT_EQ(loader->getImage().pixels, rgbaOf(c.pixels));
        auto tag = loader->defineImage(9);
        const auto* image = dynamic_cast<const FSLosslessImage*>(tag.get());
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(dynamic_cast<const FSDefineImage2*>(image) != nullptr, c.withAlpha);
        EXPECT_EQ(image->getPixelSize(), c.withAlpha ? 32 : 24);
        EXPECT_EQ(inflated(*image, c.pixels.size() * 4), argbOf(c.pixels));
    }
}

TEST(ImageLoader, SixteenBitPixels) {
    // 5-5-5 pixels: 31 scales to 255, 16 to 132; rows are whole pixels too.
    synth::BmpParts parts(3, 1, 16);
    parts.data = {0xFF, 0x7F, 0x10, 0x42,
                  0x00, 0x7C, 0,    0};  // white, (16,16,16), red; row padded to 8
    auto loader = loaded(synth::bmp(parts));
    EXPECT_EQ(loader->getKind(), LowColourImage);
    EXPECT_EQ(loader->getImage().pixels,
              Bytes({255, 255, 255, 255, 132, 132, 132, 255, 255, 0, 0, 255}));
    EXPECT_EQ(alphaBlock(*loader, 12),
              Bytes({255, 255, 255, 255, 255, 132, 132, 132, 255, 255, 0, 0}));
    // 5-6-5 bit fields.
    synth::BmpParts fields(2, 1, 16, 3);
    fields.masks = {0xF800, 0x07E0, 0x001F};
    fields.data = {0xFF, 0xFF, 0xE0, 0x07, 0, 0, 0, 0};  // white, pure green
    EXPECT_EQ(loaded(synth::bmp(fields))->getImage().pixels,
              Bytes({255, 255, 255, 255, 0, 255, 0, 255}));
}

TEST(ImageLoader, RleRunsDeltasAndLiterals) {
    // 4 x 3, rows from the bottom: a run of 3 of index 1 then EOL; delta (1 right, 1 up); a
    // literal run of 3 (2, 3, 4) padded; end of bitmap. Pixels skipped keep index 0.
    synth::BmpParts rle8(4, 3, 8, 1);
    rle8.palette = {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}};
    rle8.data = {3, 1, 0, 0, 0, 2, 1, 1, 0, 3, 2, 3, 4, 0, 0, 1};
    EXPECT_EQ(loaded(synth::bmp(rle8))->getImage().indices,
              Bytes({0, 2, 3, 4, 0, 0, 0, 0, 1, 1, 1, 0}));
    // 8 x 1: a run of 3 alternating 1 and 2, then a literal of 5 (3 bytes and a pad byte), end
    // of bitmap.
    synth::BmpParts rle4(8, 1, 4, 2);
    rle4.palette.assign(16, {0, 0, 0});
    rle4.data = {3, 0x12, 0, 5, 0x34, 0x56, 0x70, 0, 0, 1};
    EXPECT_EQ(loaded(synth::bmp(rle4))->getImage().indices, Bytes({1, 2, 1, 3, 4, 5, 6, 7}));
}

TEST(ImageLoader, PngFiltersUndone) {
    const Bytes rgba = rgbaOf(gradient(6, 5));
    for (int filter : {0, 1, 2}) {
        SCOPED_TRACE(filter);
        EXPECT_EQ(loaded(synth::pngRgba(6, 5, rgba, filter))->getImage().pixels, rgba);
    }
}

TEST(ImageLoader, PngPaletteTableHasPlteEntriesAndTrnsAlphas) {
    synth::PngParts parts(4, 1, 8, 3);
    parts.palette = {255, 0, 0, 0, 255, 0, 0, 0, 255};
    parts.transparency = {0, 128};  // entry 0 clear, entry 1 half, entry 2 not covered: opaque
    parts.rows = {0, 1, 2, 1};
    auto loader = loaded(synth::png(parts));
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

// Transparency of PNGs: colour keys, which must match the whole sample (a 16-bit grey key 0x1234
// not only by its high byte), and alpha kept with the colours unmultiplied.
TEST(ImageLoader, PngTransparency) {
    synth::PngParts grey(3, 1, 16, 0);
    grey.rows = {0x12, 0x34, 0x12, 0x35, 0xFF, 0xFF};
    grey.transparency = {0x12, 0x34};
    synth::PngParts rgb(2, 1, 8, 2);
    rgb.rows = {10, 20, 30, 10, 20, 31};
    rgb.transparency = {0, 10, 0, 20, 0, 30};
    const Bytes alpha = {200, 100, 50, 255, 200, 100, 50, 128, 200, 100, 50, 0};
    struct Case {
        const char* what;
        Bytes file, pixels, block;
    };
    const Case cases[] = {
        {"grey key",
         synth::png(grey),
         {0x12, 0x12, 0x12, 0, 0x12, 0x12, 0x12, 255, 255, 255, 255, 255},
         {0, 0, 0, 0, 255, 0x12, 0x12, 0x12, 255, 255, 255, 255}},
        {"rgb key",
         synth::png(rgb),
         {10, 20, 30, 0, 10, 20, 31, 255},
         {0, 0, 0, 0, 255, 10, 20, 31}},
        {"alpha",
         synth::pngRgba(3, 1, alpha),
         alpha,
         {255, 200, 100, 50, 128, 200, 100, 50, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto loader = loaded(c.file);
        EXPECT_EQ(loader->getKind(), AlphaColourImage);
        EXPECT_EQ(loader->getImage().pixels, c.pixels);
        EXPECT_EQ(alphaBlock(*loader, c.block.size()), c.block);
    }
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
    // Fill bytes before a marker are allowed.
    Bytes filled = jpeg;
    filled.insert(filled.begin() + 2, {0xFF, 0xFF});
    EXPECT_EQ(loader->decodeData(filled), Success) << loader->getProblem();
}

TEST(ImageLoader, DefineShape) {
    auto loader = loaded(synth::bmpTrueColour(3, 2, gradient(3, 2)));
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

    // With a border.
    auto bordered = loader->defineShape(1, 2, 0, 0, 41, FSColor(1, 2, 3, 4));
    ASSERT_EQ(bordered->getLineStyles().size(), 1u);
    const auto& border = dynamic_cast<const FSSolidLine&>(bordered->getLineStyles()[0]);
    EXPECT_EQ(border.getWidth(), 41);
    EXPECT_EQ(border.getColor(), FSColor(1, 2, 3, 4));
    EXPECT_EQ(bordered->getBounds(), FSBounds(-20, -20, 80, 60));
    EXPECT_EQ(
        dynamic_cast<const FSShapeStyle&>(bordered->getShape().getObjects()[0]).getLineStyle(), 1);
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

// Each file is refused with the problem named, after a good picture: a failure leaves no picture.
TEST(ImageLoader, MalformedFilesAreRefused) {
    const Bytes good = synth::pngRgba(2, 2, Bytes(16, 100));
    Bytes badCrc = good;
    badCrc[8 + 4 + 4 + 13] ^= 1;  // IHDR's CRC
    Bytes lying = good;
    lying[8 + 33 + 3] = 0xF0;  // IDAT claims far more bytes than the file has
    const Bytes idat = synth::pngChunk("IDAT", synth::zlibCompress(Bytes(100, 0)));
    const Bytes iend = synth::pngChunk("IEND", {});
    const Bytes header = synth::pngHeader(2, 3, 8, 0);
    synth::BmpParts rle(4, 2, 8, 1);
    rle.palette.assign(2, {0, 0, 0});
    rle.data = {5, 1, 0, 1};  // a run of 5 in a row of 4
    synth::BmpParts rleDelta = rle;
    rleDelta.data = {0, 2, 0, 3, 1, 1};   // a delta 3 rows up in a picture of 2
    synth::BmpParts cut(4000, 4000, 24);  // within the limits, but its rows are not in the file
    cut.data.assign(100, 0);
    const Bytes jpeg = synth::jpegBlocks(8, 8, std::vector<Rgb>(64, {1, 2, 3}));
    Bytes noScan(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(markerAt(jpeg, 0xDA)));
    noScan.insert(noScan.end(), {0xFF, 0xD9});
    // A frame header that claims 10000 x 10000 pixels: the player would have to decode them.
    Bytes huge = jpeg;
    const std::size_t frame = markerAt(huge, 0xC0);
    ASSERT_LT(frame + 8, huge.size());
    huge[frame + 5] = huge[frame + 7] = 0x27;  // 0x2710 = 10000
    huge[frame + 6] = huge[frame + 8] = 0x10;
    struct Case {
        const char* what;
        Bytes file;
        const char* problem;  // words the problem reported must contain
    };
    const Case cases[] = {
        {"no known format", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0}, ""},
        {"empty", {}, ""},
        {"RLE run out of the row", synth::bmp(rle), ""},
        {"RLE delta out of the picture", synth::bmp(rleDelta), "delta"},
        {"BMP of 100000 x 100000", synth::bmp(synth::BmpParts(100000, 100000, 24)), ""},
        {"BMP rows missing", synth::bmp(cut), "cut short"},
        {"PNG CRC", badCrc, "CRC"},
        {"PNG chunk longer than the file", lying, ""},
        {"PNG rows missing",
         pngOf({header, synth::pngChunk("IDAT", synth::zlibCompress({0, 1, 2, 0, 3, 4})), iend}),
         "last row"},
        {"PNG unknown critical chunk", pngOf({header, synth::pngChunk("QUIT", {})}), ""},
        {"PNG of 60000 x 60000", pngOf({synth::pngHeader(60000, 60000, 8, 6), idat, iend}),
         "pixels allowed"},
        {"PNG far larger than its data", pngOf({synth::pngHeader(8000, 8000, 8, 6), idat, iend}),
         "cannot hold"},
        {"JPEG without frame", {0xFF, 0xD8, 0xFF, 0xD9}, ""},
        {"JPEG without scan", noScan, "scan"},
        {"JPEG of 10000 x 10000", huge, "pixels allowed"},
    };
    auto loader = createImageLoader();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(loader->decodeData(good), Success);
        EXPECT_EQ(loader->decodeData(c.file), BadData);
        EXPECT_EQ(loader->getKind(), NoImage);
        EXPECT_EQ(loader->defineImage(1), nullptr);
        EXPECT_NE(loader->getProblem().find(c.problem), std::string::npos) << loader->getProblem();
    }
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
