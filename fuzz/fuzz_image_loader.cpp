// Decodes arbitrary bytes as a picture (BMP, PNG or JPEG, chosen by the first two bytes, as the
// loader does). A status is an expected outcome; a crash, a sanitizer report, a hang or an
// allocation beyond the fuzzer's limits is a finding. A picture that decodes must be consistent
// and must give a bitmap and a shape that encode.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "media/image_loader.h"
#include "swf/movie.h"

namespace {

using namespace quillet::media;
using namespace transform;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "fuzz_image_loader: %s\n", what);
    std::abort();
}

// A megapixel keeps each run fast; the limit itself is checked the same way at any size.
constexpr uint64_t FuzzPixels = uint64_t{1} << 20;

void checkRecord(const ImageLoader& loader) {
    const ImageRecord& image = loader.getImage();
    const std::size_t pixels = static_cast<std::size_t>(image.width) * image.height;
    if (pixels == 0 || pixels > FuzzPixels) fail("a decoded picture outside the limits");
    switch (image.kind) {
        case JPEGImage:
            if (image.jpeg.empty()) fail("a JPEG picture without its bytes");
            break;
        case IndexedImage:
            if (image.indices.size() != pixels) fail("indices do not cover the picture");
            if (image.table.empty() || image.table.size() % 4 != 0 || image.table.size() > 1024)
                fail("a bad colour table");
            for (uint8_t index : image.indices) {
                if (index * 4u >= image.table.size()) fail("an index beyond the colour table");
            }
            break;
        case LowColourImage:
        case ColourImage:
        case AlphaColourImage:
            if (image.pixels.size() != pixels * 4) fail("pixels do not cover the picture");
            break;
        default:
            fail("a decoded picture of no kind");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The last byte chooses whether white is the transparent key.
    const bool keyed = size > 0 && (data[size - 1] & 1) != 0;
    const int32_t key = keyed ? 255 : ImageLoader::NoKey;
    auto loader = createImageLoader(key, key, key, FuzzPixels);
    loader->setDiagnostics(nullptr);
    const int status = loader->decodeData(std::span(data, size));
    if (status != Success) {
        if (status != BadData) fail("a status other than Success or BadData");
        if (loader->getKind() != NoImage) fail("a failure that leaves a picture");
        if (loader->getProblem().empty()) fail("a failure without a reason");
        return 0;
    }
    checkRecord(*loader);
    auto image = loader->defineImage(1);
    if (!image) fail("no bitmap for a decoded picture");
    auto shape = loader->defineShape(2, 1, 0, 0, 20, FSColor(0, 0, 0));
    FSMovie movie(FSBounds(0, 0, 2000, 2000), 12.0f);
    movie.setSignature("FWS");
    movie.add(std::move(image));
    movie.add(std::move(shape));
    try {
        movie.encode();
    } catch (const FSException&) {
        fail("a bitmap that does not encode");
    }
    return 0;
}
