// Bitmaps of pictures drawn in memory: which tag a picture becomes, and when two of them show the
// same picture (the conversion then writes it once).
#include <gtest/gtest.h>

#include <vector>

#include "media/pixel_bitmaps.h"
#include "swf/bitmaps.h"

namespace quillet::media {
namespace {

using namespace transform;

struct Picture {
    uint32_t width;
    uint32_t height;
    std::vector<uint32_t> pixels;
    bool photograph;
};

std::unique_ptr<FSDefineObject> define(int identifier, const Picture& p) {
    return definePictureBitmap(identifier, p.width, p.height, p.pixels, p.photograph, 90);
}

TEST(PixelBitmaps, SameBitmapIsTheSamePictureUnderAnyIdentifier) {
    const std::vector<uint32_t> opaque = {0xFF102030, 0xFF405060, 0xFF708090, 0xFFA0B0C0};
    std::vector<uint32_t> otherPixel = opaque;
    otherPixel[3] = 0xFF20F010;
    const std::vector<uint32_t> clear = {0x80102030, 0x00000000, 0xFF708090, 0x40202020};
    const Picture base{2, 2, opaque, false};
    struct Case {
        const char* name;
        Picture other;
        const char* tag;  // what the other picture becomes
        bool same;
    } cases[] = {
        {"the same pixels", base, "FSDefineImage", true},
        {"another pixel", {2, 2, otherPixel, false}, "FSDefineImage", false},
        // The same block of pixels, rows of another width.
        {"another shape", {4, 1, opaque, false}, "FSDefineImage", false},
        {"as a photograph", {2, 2, opaque, true}, "FSDefineJPEGImage2", false},
        {"with alpha", {2, 2, clear, false}, "FSDefineImage2", false},
        // A photograph with alpha keeps it, losslessly.
        {"a clear photograph", {2, 2, clear, true}, "FSDefineImage2", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto a = define(1, base);
        const auto b = define(7, c.other);
        ASSERT_TRUE(a && b);
        EXPECT_STREQ(b->name(), c.tag);
        EXPECT_EQ(sameBitmap(*a, *b), c.same);
        EXPECT_EQ(sameBitmap(*b, *a), c.same);
        // Each kind is the same as itself under another identifier.
        EXPECT_TRUE(sameBitmap(*b, *define(9, c.other)));
    }
    // Photographs of other pixels are other pictures too.
    EXPECT_FALSE(sameBitmap(*define(1, {2, 2, opaque, true}), *define(1, {2, 2, otherPixel, true})));
}

}  // namespace
}  // namespace quillet::media
