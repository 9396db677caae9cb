// The image loader over the public suites in the corpus: PngSuite against libpng's pixels, BMP
// Suite against its reference renderings, and JPEG frame sizes against ffprobe's (recorded).
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <set>

#include "media/image_loader.h"
#include "tests/media/media_test_support.h"

namespace quillet::media {
namespace {

using namespace test;

// The loader's picture as 8-bit red, green, blue, alpha, palettes expanded.
Bytes rgbaOf(const ImageLoader& loader) {
    const ImageRecord& image = loader.getImage();
    if (image.kind != IndexedImage && image.kind != IndexedImageSet) return image.pixels;
    Bytes out;
    out.reserve(image.indices.size() * 4);
    for (uint8_t index : image.indices) {
        const auto entry = image.table.begin() + index * 4;
        out.insert(out.end(), entry, entry + 4);
    }
    return out;
}

// The first differing pixel, or an empty string when the pictures agree.
std::string firstDifference(const ImageLoader& loader, const RgbaImage& reference,
                            bool compareAlpha) {
    if (loader.getWidth() != reference.width || loader.getHeight() != reference.height)
        return "size " + std::to_string(loader.getWidth()) + "x" +
               std::to_string(loader.getHeight()) + " vs " + std::to_string(reference.width) + "x" +
               std::to_string(reference.height);
    const Bytes ours = rgbaOf(loader);
    for (std::size_t i = 0; i < ours.size(); i += 4) {
        for (std::size_t c = 0; c < (compareAlpha ? 4u : 3u); ++c) {
            if (ours[i + c] != reference.pixels[i + c]) {
                const std::size_t pixel = i / 4;
                return "pixel (" + std::to_string(pixel % reference.width) + ", " +
                       std::to_string(pixel / reference.width) + ") channel " + std::to_string(c) +
                       ": " + std::to_string(ours[i + c]) + " vs " +
                       std::to_string(reference.pixels[i + c]);
            }
        }
    }
    return "";
}

TEST(PngSuite, ValidFilesMatchLibpngAndCorruptOnesAreRefused) {
    QUILLET_REQUIRE_CORPUS(folder, "png");
    int valid = 0, corrupt = 0;
    for (const auto& path : filesWithExtension(folder, ".png")) {
        SCOPED_TRACE(path.filename().string());
        auto loader = createImageLoader();
        std::ostringstream diagnostics;
        loader->setDiagnostics(&diagnostics);
        const int status = loader->decodeFile(path.string());
        if (path.filename().string()[0] == 'x') {
            EXPECT_EQ(status, BadData);
            EXPECT_TRUE(decodeWithLibpng(path).pixels.empty()) << "libpng reads it too";
            ++corrupt;
            continue;
        }
        ASSERT_EQ(status, Success) << loader->getProblem();
        const RgbaImage reference = decodeWithLibpng(path);
        ASSERT_FALSE(reference.pixels.empty()) << "libpng cannot read it";
        EXPECT_EQ(firstDifference(*loader, reference, true), "");
        EXPECT_EQ(diagnostics.str(), "");
        EXPECT_NE(loader->defineImage(1), nullptr);
        ++valid;
    }
    std::cout << "PngSuite: " << valid << " valid files equal to libpng's pixels, " << corrupt
              << " corrupt files refused" << std::endl;
    EXPECT_EQ(valid, 162);
    EXPECT_EQ(corrupt, 14);
}

// The reference renderings (bmpsuite.html) of the files that are not named after them.
const std::map<std::string, std::vector<std::string>> bmpRenderings = {
    {"pal1.png", {"g/pal1wb.bmp"}},
    {"pal4.png", {"g/pal4rle.bmp"}},
    {"pal8.png",
     {"g/pal8-0.bmp", "g/pal8rle.bmp", "g/pal8topdown.bmp", "g/pal8os2.bmp", "g/pal8v4.bmp",
      "g/pal8v5.bmp", "q/pal8offs.bmp", "q/pal8oversizepal.bmp", "q/pal8os2-sz.bmp",
      "q/pal8os2-hs.bmp", "q/pal8os2sp.bmp", "q/pal8os2v2.bmp", "q/pal8os2v2-16.bmp",
      "q/pal8os2v2-sz.bmp", "q/pal8os2v2-40sz.bmp"}},
    {"pal8nonsquare-e.png", {"g/pal8nonsquare.bmp"}},
    {"rgb16.png", {"g/rgb16bfdef.bmp", "q/rgb16faketrns.bmp"}},
    {"rgb16-565.png", {"g/rgb16-565pal.bmp"}},
    {"rgb24.png",
     {"g/rgb24pal.bmp", "g/rgb32.bmp", "g/rgb32bfdef.bmp", "g/rgb32bf.bmp", "q/rgb24largepal.bmp",
      "q/rgb24prof.bmp", "q/rgb24prof2.bmp", "q/rgb24lprof.bmp", "q/rgb32h52.bmp",
      "q/rgb32-xbgr.bmp", "q/rgb32fakealpha.bmp", "q/rgb32-111110.bmp"}},
    {"rgba32.png", {"q/rgba32-1.bmp", "q/rgba32-2.bmp", "q/rgba32abf.bmp", "q/rgba32h56.bmp"}},
    {"pal4rletrns-0.png", {"q/pal4rletrns.bmp"}},
    {"pal4rlecut-0.png", {"q/pal4rlecut.bmp"}},
    {"pal8rletrns-0.png", {"q/pal8rletrns.bmp"}},
    {"pal8rlecut-0.png", {"q/pal8rlecut.bmp"}},
};

// The reference rendering of a file ("g/pal8.bmp"), as a picture libpng reads.
RgbaImage bmpReference(const fs::path& folder, const std::string& name) {
    std::string rendering = fs::path(name).stem().string() + ".png";
    for (const auto& [png, files] : bmpRenderings) {
        if (std::find(files.begin(), files.end(), name) != files.end()) rendering = png;
    }
    return decodeWithLibpng(folder / "html" / rendering);
}

TEST(BmpSuite, GoodFilesMatchTheReferenceRenderings) {
    QUILLET_REQUIRE_CORPUS(folder, "bmp");
    int matched = 0;
    for (const auto& path : filesWithExtension(folder / "g", ".bmp")) {
        const std::string name = "g/" + path.filename().string();
        SCOPED_TRACE(name);
        auto loader = createImageLoader();
        ASSERT_EQ(loader->decodeFile(path.string()), Success) << loader->getProblem();
        const RgbaImage expected = bmpReference(folder, name);
        ASSERT_FALSE(expected.pixels.empty()) << "no reference rendering";
        EXPECT_EQ(firstDifference(*loader, expected, false), "");
        EXPECT_NE(loader->defineImage(1), nullptr);
        ++matched;
    }
    std::cout << "BMP Suite g/: " << matched << " files equal to their reference renderings"
              << std::endl;
    EXPECT_EQ(matched, 27);
}

// The largest difference of a red, green or blue sample between our picture and a reference,
// over every pixel or only over the reference's opaque ones; -1 when the sizes differ.
int largestDifference(const ImageLoader& loader, const RgbaImage& reference, bool opaqueOnly,
                      bool swapRedGreen) {
    if (loader.getWidth() != reference.width || loader.getHeight() != reference.height) return -1;
    const Bytes ours = rgbaOf(loader);
    int largest = 0;
    for (std::size_t i = 0; i < ours.size(); i += 4) {
        if (opaqueOnly && reference.pixels[i + 3] != 255) continue;
        for (std::size_t c = 0; c < 3; ++c) {
            const std::size_t theirs = swapRedGreen && c < 2 ? 1 - c : c;
            largest = std::max(largest, std::abs(ours[i + c] - reference.pixels[i + theirs]));
        }
    }
    return largest;
}

// Questionable files. Most must equal their reference; the exceptions are listed with what is
// expected of them instead.
TEST(BmpSuite, QuestionableFilesDecodeRightOrAreRefused) {
    QUILLET_REQUIRE_CORPUS(folder, "bmp");
    struct Expectation {
        bool refused = false;
        int tolerance = 0;
        bool opaqueOnly = false;
        bool swapRedGreen = false;
    };
    const Expectation refused{true};
    // Channels wider than 8 bits: the suite's references round some values the other way.
    const Expectation wide{false, 1};
    // Alpha bit fields are not read (every pixel is opaque), so only opaque pixels are compared.
    const Expectation alpha{false, 1, true};
    std::map<std::string, Expectation> exceptions = {
        // Red and green are stored swapped, with a colour profile (not applied) that swaps them
        // back.
        {"q/rgb24prof2.bmp", {false, 0, false, true}},
    };
    // OS/2 Huffman and RLE24 compression, embedded JPEG and PNG streams, 64-bit pixels.
    for (const char* name : {"q/pal1huffmsb.bmp", "q/rgb24rle24.bmp", "q/rgb24jpeg.bmp",
                             "q/rgb24png.bmp", "q/rgba64.bmp"})
        exceptions[name] = refused;
    for (const char* name : {"q/rgb32-111110.bmp", "q/rgb32-7187.bmp"}) exceptions[name] = wide;
    for (const char* name :
         {"q/rgba16-1924.bmp", "q/rgba16-4444.bmp", "q/rgba16-5551.bmp", "q/rgba32-1.bmp",
          "q/rgba32-2.bmp", "q/rgba32-1010102.bmp", "q/rgba32-61754.bmp", "q/rgba32-81284.bmp",
          "q/rgba32h56.bmp", "q/rgba32abf.bmp"})
        exceptions[name] = alpha;
    int same = 0, close = 0, refusedCount = 0;
    for (const auto& path : filesWithExtension(folder / "q", ".bmp")) {
        const std::string name = "q/" + path.filename().string();
        SCOPED_TRACE(name);
        const auto exception = exceptions.find(name);
        const Expectation expected =
            exception == exceptions.end() ? Expectation{} : exception->second;
        auto loader = createImageLoader();
        const int status = loader->decodeFile(path.string());
        if (expected.refused) {
            EXPECT_EQ(status, BadData);
            ++refusedCount;
            continue;
        }
        ASSERT_EQ(status, Success) << loader->getProblem();
        const int difference = largestDifference(*loader, bmpReference(folder, name),
                                                 expected.opaqueOnly, expected.swapRedGreen);
        EXPECT_GE(difference, 0) << "sizes differ";
        EXPECT_LE(difference, expected.tolerance);
        ++(difference == 0 ? same : close);
    }
    std::cout << "BMP Suite q/: " << same << " equal to their reference, " << close
              << " within 1 of it (alpha not read, or wide channels), " << refusedCount
              << " refused" << std::endl;
    EXPECT_EQ(same + close + refusedCount, 43);
}

TEST(BmpSuite, BadFilesFailCleanly) {
    QUILLET_REQUIRE_CORPUS(folder, "bmp");
    // Files that are plainly broken. The others carry lies that do no harm here and decode:
    // densities, file and image sizes that are not used, a colours-used count beyond the table
    // (capped), indices beyond the palette (black), and a zero-width channel (0).
    const std::set<std::string> malformed = {
        "badbitcount.bmp", "badheadersize.bmp", "badplanes.bmp", "badrle.bmp",    "badrle4.bmp",
        "badrle4bis.bmp",  "badrle4ter.bmp",    "badrlebis.bmp", "badrleter.bmp", "badwidth.bmp",
        "reallybig.bmp",   "rletopdown.bmp",    "shortfile.bmp"};
    int refused = 0, decoded = 0;
    for (const auto& path : filesWithExtension(folder / "b", ".bmp")) {
        const std::string name = path.filename().string();
        SCOPED_TRACE(name);
        auto loader = createImageLoader();
        const int status = loader->decodeFile(path.string());
        if (malformed.count(name)) {
            EXPECT_EQ(status, BadData);
            EXPECT_FALSE(loader->getProblem().empty());
            ++refused;
        } else {
            EXPECT_EQ(status, Success) << loader->getProblem();
            ++decoded;
            if (name == "rgb16-880.bmp") {
                EXPECT_EQ(firstDifference(*loader, bmpReference(folder, "b/" + name), false), "");
            }
        }
        std::cout << "  b/" << name << ": "
                  << (status == Success ? "decoded" : loader->getProblem()) << std::endl;
    }
    std::cout << "BMP Suite b/: " << refused << " refused, " << decoded << " decoded" << std::endl;
    EXPECT_EQ(refused, 13);
    EXPECT_EQ(decoded, 7);
}

TEST(JpegCorpus, FrameSizesOfBaselineProgressiveAndGreyscaleFiles) {
    QUILLET_REQUIRE_CORPUS(folder, "jpeg");
    // Width and height as ffprobe reads them.
    const std::map<std::string, std::pair<uint32_t, uint32_t>> sizes = {
        {"16bit-qtables.jpg", {1, 1}},
        {"exif_gps.jpg", {8, 8}},
        {"extraneous-data.jpg", {16, 16}},
        {"grayscale_24x16_sampling2x2.jpg", {24, 16}},
        {"hopper.jpg", {128, 128}},
        {"hopper_gray.jpg", {128, 128}},
        {"hopper_orientation_6.jpg", {128, 128}},
        {"jpg-cmyk-1.jpg", {32, 32}},
        {"jpg-gray.jpg", {32, 32}},
        {"jpg-progressive.jpg", {32, 32}},
        {"jpg-size-1x1.jpg", {1, 1}},
        {"jpg-size-33x33.jpg", {33, 33}},
        {"jpg-srgb-icc.jpg", {1, 1}},
        {"non-interleaved-mcu.jpg", {64, 16}},
        {"partial_progressive.jpg", {4, 4}},
        {"pil_sample_cmyk.jpg", {100, 100}},
        {"progressive-missing-dc.jpg", {8, 8}},
        {"restarts.jpg", {33, 33}},
        {"truncated_jpeg.jpg", {100, 100}}};
    int checked = 0, refused = 0;
    for (const auto& path : filesWithExtension(folder, ".jpg")) {
        const std::string name = path.filename().string();
        SCOPED_TRACE(name);
        auto loader = createImageLoader();
        const int status = loader->decodeFile(path.string());
        const auto size = sizes.find(name);
        if (size == sizes.end()) {
            // missing-sof.jpg has no frame header, missing-sos.jpg no scan to show.
            EXPECT_EQ(status, BadData);
            ++refused;
            continue;
        }
        ASSERT_EQ(status, Success) << loader->getProblem();
        EXPECT_EQ(loader->getKind(), JPEGImage);
        EXPECT_EQ(loader->getWidth(), size->second.first);
        EXPECT_EQ(loader->getHeight(), size->second.second);
        EXPECT_EQ(loader->getImage().jpeg, readBytes(path));
        // The reference renderings agree on the size too.
        const fs::path reference = folder / (path.stem().string() + ".ref.png");
        if (fs::exists(reference)) {
            const RgbaImage image = decodeWithLibpng(reference);
            EXPECT_EQ(image.width, loader->getWidth());
            EXPECT_EQ(image.height, loader->getHeight());
        }
        ++checked;
    }
    std::cout << "JPEG corpus: " << checked << " frame sizes right, " << refused << " refused"
              << std::endl;
    EXPECT_EQ(checked, 19);
    EXPECT_EQ(refused, 2);
}

}  // namespace
}  // namespace quillet::media
