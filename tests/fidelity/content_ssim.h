// Content SSIM: how close a picture of a slide is to a reference rendering of it. Grey levels,
// a 3 × 3 box blur applied twice, SSIM over 8 × 8 windows at a stride of 4, averaged over the
// windows where the reference shows something (variance above 100), else over all windows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillet::fidelity {

struct GreyImage {
    int width = 0;
    int height = 0;
    std::vector<double> pixels;  // row by row
    double at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// Grey levels (0.299 R + 0.587 G + 0.114 B) of RGB rows, 3 bytes a pixel.
GreyImage greyFromRgb(int width, int height, const std::vector<std::uint8_t>& rgb);

// The 3 × 3 box blur as two passes (horizontal, vertical); edges average the pixels that exist.
GreyImage boxBlur(const GreyImage& image);

// Cuts both pictures to the smaller one's size when they differ by at most a pixel in each
// dimension (and returns true); leaves them as they are and returns false otherwise.
bool cropToCommonSize(GreyImage& a, GreyImage& b);

// The measure, candidate against reference. Pictures that differ by one pixel in a dimension are
// cropped to the smaller; a larger difference, or a picture smaller than a window, gives nullopt.
std::optional<double> contentSsim(const GreyImage& candidate, const GreyImage& reference);

// A PNG file read with libpng as RGB (alpha composed over white); nullopt when unreadable.
std::optional<GreyImage> readPngGrey(const std::string& path);

}  // namespace quillet::fidelity
