// The content SSIM measure on cases whose value is known.
#include <gtest/gtest.h>

#include <cmath>

#include "content_ssim.h"
#include "resample.h"

namespace quillet::fidelity {
namespace {

GreyImage filled(int w, int h, double v) {
    return {w, h, std::vector<double>(static_cast<std::size_t>(w) * h, v)};
}

// Vertical stripes of 0 and 255, `half` pixels each, in columns [from, to).
void stripes(GreyImage& g, int from, int to, int half = 2) {
    for (int y = 0; y < g.height; ++y) {
        for (int x = from; x < to; ++x) {
            g.pixels[static_cast<std::size_t>(y) * g.width + x] = (x / half) % 2 ? 255 : 0;
        }
    }
}

TEST(ContentSsim, GreyLevels) {
    GreyImage g = greyFromRgb(3, 1, {255, 0, 0, 0, 255, 0, 0, 0, 255});
    EXPECT_NEAR(g.at(0, 0), 0.299 * 255, 1e-9);
    EXPECT_NEAR(g.at(1, 0), 0.587 * 255, 1e-9);
    EXPECT_NEAR(g.at(2, 0), 0.114 * 255, 1e-9);
}

TEST(ContentSsim, BlurAveragesTheNeighboursThatExist) {
    GreyImage g = filled(3, 3, 0);
    g.pixels[0] = 90;  // top-left corner
    GreyImage b = boxBlur(g);
    // Corner: horizontal pass (90 + 0) / 2 = 45 at (0,0); vertical (45 + 0) / 2.
    EXPECT_NEAR(b.at(0, 0), 22.5, 1e-9);
    // Centre: 90 / 3 / 3.
    EXPECT_NEAR(b.at(1, 1), 10, 1e-9);
    EXPECT_NEAR(b.at(2, 2), 0, 1e-9);
}

TEST(ContentSsim, IdenticalPicturesScoreOne) {
    GreyImage a = filled(64, 48, 255);
    stripes(a, 10, 50);
    auto s = contentSsim(a, a);
    ASSERT_TRUE(s);
    EXPECT_NEAR(*s, 1.0, 1e-12);
}

TEST(ContentSsim, FlatPicturesUseTheLuminanceTerm) {
    // One window, no content in the reference: the average over all windows, where only the
    // means differ: (2 μa μb + C1) / (μa² + μb² + C1).
    const double c1 = 2.55 * 2.55;
    auto s = contentSsim(filled(8, 8, 100), filled(8, 8, 150));
    ASSERT_TRUE(s);
    EXPECT_NEAR(*s, (2 * 100.0 * 150 + c1) / (100.0 * 100 + 150.0 * 150 + c1), 1e-12);
}

TEST(ContentSsim, BlankAgainstContentIsLow) {
    GreyImage ref = filled(64, 64, 255);
    stripes(ref, 0, 64, 8);
    auto s = contentSsim(filled(64, 64, 255), ref);
    ASSERT_TRUE(s);
    EXPECT_LT(*s, 0.1);
    // Inverted content correlates negatively.
    GreyImage inv = ref;
    for (double& p : inv.pixels) p = 255 - p;
    EXPECT_LT(*contentSsim(inv, ref), 0);
}

TEST(ContentSsim, OnlyWindowsWhereTheReferenceShowsSomethingCount) {
    // The reference is flat in columns 0..19 and striped in 20..31; the candidate differs only in
    // columns 0..3. After blurring, the difference reaches column 5: every window it touches is
    // flat in the reference, so it does not count.
    GreyImage ref = filled(32, 16, 200);
    stripes(ref, 20, 32);
    GreyImage cand = ref;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 4; ++x) cand.pixels[static_cast<std::size_t>(y) * 32 + x] = 0;
    }
    EXPECT_NEAR(*contentSsim(cand, ref), 1.0, 1e-12);
    // The same change where the reference has content lowers the score.
    GreyImage cand2 = ref;
    for (int y = 0; y < 16; ++y) {
        for (int x = 24; x < 28; ++x) cand2.pixels[static_cast<std::size_t>(y) * 32 + x] = 128;
    }
    EXPECT_LT(*contentSsim(cand2, ref), 0.9);
}

TEST(ContentSsim, SizesThatDifferByOnePixelAreCropped) {
    GreyImage a = filled(65, 49, 255);
    stripes(a, 0, 65);
    GreyImage b = filled(64, 48, 255);
    stripes(b, 0, 64);
    auto s = contentSsim(a, b);
    ASSERT_TRUE(s);
    EXPECT_NEAR(*s, 1.0, 1e-12);
    EXPECT_FALSE(contentSsim(filled(66, 48, 0), b));
    EXPECT_FALSE(contentSsim(filled(7, 7, 0), filled(7, 7, 0)));

    // A screenshot of a stage cut at whole pixels against a picture of the same stage one pixel
    // wider: cut before scaling, both scale alike; scaled first, the stripes drift apart.
    GreyImage wide = a, cut = b;
    ASSERT_TRUE(cropToCommonSize(wide, cut));
    EXPECT_EQ(wide.width, 64);
    EXPECT_EQ(wide.height, 48);
    EXPECT_EQ(wide.pixels, cut.pixels);
    EXPECT_NEAR(*contentSsim(scaleToWidth(wide, 240), scaleToWidth(cut, 240)), 1.0, 1e-12);
    EXPECT_LT(*contentSsim(scaleToWidth(a, 240), scaleToWidth(b, 240)), 0.9);
    GreyImage far = filled(66, 48, 0);
    EXPECT_FALSE(cropToCommonSize(far, cut));
    EXPECT_EQ(far.width, 66);
}

}  // namespace
}  // namespace quillet::fidelity
