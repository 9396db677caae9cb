#include "resample.h"

#include <gtest/gtest.h>

#include <cmath>

namespace quillet::fidelity {
namespace {

GreyImage make(int w, int h, std::vector<double> pixels) {
    return {w, h, std::move(pixels)};
}

TEST(Resample, HalvingAveragesEachBlock) {
    GreyImage in = make(4, 2, {0, 100, 10, 30, 200, 100, 50, 70});
    GreyImage out = resizeArea(in, 2, 1);
    ASSERT_EQ(out.width, 2);
    ASSERT_EQ(out.height, 1);
    EXPECT_DOUBLE_EQ(out.at(0, 0), 100.0);  // (0 + 100 + 200 + 100) / 4
    EXPECT_DOUBLE_EQ(out.at(1, 0), 40.0);   // (10 + 30 + 50 + 70) / 4
}

TEST(Resample, FractionalCoverageIsWeighted) {
    // Three pixels into two: each output covers one and a half input pixels.
    GreyImage out = resizeArea(make(3, 1, {0, 90, 180}), 2, 1);
    ASSERT_EQ(out.width, 2);
    EXPECT_NEAR(out.at(0, 0), 30.0, 1e-9);   // (0 * 1 + 90 * 0.5) / 1.5
    EXPECT_NEAR(out.at(1, 0), 150.0, 1e-9);  // (90 * 0.5 + 180 * 1) / 1.5
}

TEST(Resample, EnlargingRepeatsPixels) {
    GreyImage out = resizeArea(make(2, 1, {10, 250}), 4, 2);
    ASSERT_EQ(out.pixels.size(), 8u);
    EXPECT_DOUBLE_EQ(out.at(0, 1), 10.0);
    EXPECT_DOUBLE_EQ(out.at(1, 0), 10.0);
    EXPECT_DOUBLE_EQ(out.at(2, 1), 250.0);
    EXPECT_DOUBLE_EQ(out.at(3, 0), 250.0);
}

TEST(Resample, ScaleToWidthKeepsTheAspectRatio) {
    GreyImage slide = make(720, 540, std::vector<double>(720 * 540, 128));
    GreyImage out = scaleToWidth(slide);
    EXPECT_EQ(out.width, 480);
    EXPECT_EQ(out.height, 360);
    for (double v : out.pixels) ASSERT_NEAR(v, 128.0, 1e-9);
    GreyImage wide = scaleToWidth(make(1000, 563, std::vector<double>(1000 * 563, 0)));
    EXPECT_EQ(wide.width, 480);
    EXPECT_EQ(wide.height, 270);  // 270.24
    GreyImage same = make(480, 10, std::vector<double>(4800, 7));
    EXPECT_EQ(scaleToWidth(same).pixels, same.pixels);
}

TEST(Resample, RefusesSizesOutOfRange) {
    GreyImage in = make(2, 2, {1, 2, 3, 4});
    EXPECT_TRUE(resizeArea(in, 0, 2).pixels.empty());
    EXPECT_TRUE(resizeArea(in, 2, -1).pixels.empty());
    EXPECT_TRUE(resizeArea(in, 20001, 2).pixels.empty());
    EXPECT_TRUE(resizeArea(make(3, 3, {1, 2}), 2, 2).pixels.empty());  // pixels do not fit the size
    EXPECT_TRUE(scaleToWidth(GreyImage{}).pixels.empty());
}

TEST(Resample, CropRowsKeepsTheTopRows) {
    GreyImage in = make(2, 3, {1, 2, 3, 4, 5, 6});
    GreyImage out = cropRows(in, 2);
    EXPECT_EQ(out.width, 2);
    EXPECT_EQ(out.height, 2);
    EXPECT_EQ(out.pixels, (std::vector<double>{1, 2, 3, 4}));
    EXPECT_TRUE(cropRows(in, 0).pixels.empty());
    EXPECT_TRUE(cropRows(in, 4).pixels.empty());
}

// A picture drawn at twice the size and scaled down measures as the same picture.
TEST(Resample, ScaledDoubleSizePictureMatchesTheOriginal) {
    const int w = 480, h = 96;
    GreyImage small = make(w, h, std::vector<double>(static_cast<std::size_t>(w) * h));
    GreyImage big = make(2 * w, 2 * h, std::vector<double>(static_cast<std::size_t>(4) * w * h));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            double v = ((x / 24 + y / 16) % 2) ? 230 : 20;
            small.pixels[static_cast<std::size_t>(y) * w + x] = v;
            for (int j = 0; j < 2; ++j)
                for (int i = 0; i < 2; ++i)
                    big.pixels[static_cast<std::size_t>(2 * y + j) * 2 * w + 2 * x + i] = v;
        }
    }
    GreyImage scaled = scaleToWidth(big);
    ASSERT_EQ(scaled.height, h);
    std::optional<double> s = contentSsim(scaled, small);
    ASSERT_TRUE(s);
    EXPECT_NEAR(*s, 1.0, 1e-9);
    // Shifted by a block, it no longer matches.
    GreyImage shifted = small;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            shifted.pixels[static_cast<std::size_t>(y) * w + x] = small.at((x + 24) % w, y);
    std::optional<double> t = contentSsim(shifted, small);
    ASSERT_TRUE(t);
    EXPECT_LT(*t, 0.5);
}

}  // namespace
}  // namespace quillet::fidelity
