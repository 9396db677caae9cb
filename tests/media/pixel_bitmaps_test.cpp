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

BitmapContent content(const Picture& p) {
    return pictureContent(p.width, p.height, p.pixels, p.photograph, 90);
}

TEST(PixelBitmaps, ATagHoldsTheSamePictureUnderAnyIdentifier) {
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
    const auto baseTag = defineBitmap(1, content(base));
    ASSERT_TRUE(baseTag);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const BitmapContent other = content(c.other);
        const auto otherTag = defineBitmap(7, other);
        ASSERT_TRUE(otherTag);
        EXPECT_STREQ(otherTag->name(), c.tag);
        EXPECT_EQ(holdsContent(*baseTag, other), c.same);
        EXPECT_EQ(holdsContent(*otherTag, content(base)), c.same);
        EXPECT_TRUE(holdsContent(*otherTag, other));
    }
    // Photographs of other pixels are other pictures too.
    EXPECT_FALSE(holdsContent(*defineBitmap(1, content({2, 2, opaque, true})),
                              content({2, 2, otherPixel, true})));
    // Pixels that do not fill their size make nothing.
    EXPECT_TRUE(content({3, 2, opaque, false}).bytes.empty());
    EXPECT_EQ(defineBitmap(1, content({3, 2, opaque, false})), nullptr);
}

TEST(PixelBitmaps, ADamagedStreamHoldsNothing) {
    const Picture p{2, 2, {0x80102030, 0x00000000, 0xFF708090, 0x40202020}, false};
    auto tag = defineBitmap(1, content(p));
    auto* lossless = dynamic_cast<FSDefineImage2*>(tag.get());
    ASSERT_NE(lossless, nullptr);
    const std::vector<uint8_t> stream = lossless->getImage();
    for (const std::size_t keep : {std::size_t{0}, std::size_t{2}, stream.size() - 1}) {
        lossless->setImage({stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(keep)});
        EXPECT_FALSE(holdsContent(*lossless, content(p))) << keep << " bytes";
    }
}

}  // namespace
}  // namespace quillet::media
