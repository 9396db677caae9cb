#include "content_ssim.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

namespace quillet::fidelity {

GreyImage greyFromRgb(int width, int height, const std::vector<std::uint8_t>& rgb) {
    GreyImage g;
    g.width = width;
    g.height = height;
    g.pixels.resize(static_cast<std::size_t>(width) * height);
    for (std::size_t i = 0; i < g.pixels.size(); ++i) {
        g.pixels[i] = 0.299 * rgb[i * 3] + 0.587 * rgb[i * 3 + 1] + 0.114 * rgb[i * 3 + 2];
    }
    return g;
}

namespace {

GreyImage pass(const GreyImage& in, bool horizontal) {
    GreyImage out = in;
    for (int y = 0; y < in.height; ++y) {
        for (int x = 0; x < in.width; ++x) {
            double sum = 0;
            int n = 0;
            for (int d = -1; d <= 1; ++d) {
                int xx = horizontal ? x + d : x, yy = horizontal ? y : y + d;
                if (xx < 0 || yy < 0 || xx >= in.width || yy >= in.height) continue;
                sum += in.at(xx, yy);
                ++n;
            }
            out.pixels[static_cast<std::size_t>(y) * in.width + x] = sum / n;
        }
    }
    return out;
}

GreyImage crop(const GreyImage& in, int width, int height) {
    GreyImage out;
    out.width = width;
    out.height = height;
    out.pixels.reserve(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) out.pixels.push_back(in.at(x, y));
    }
    return out;
}

}  // namespace

GreyImage boxBlur(const GreyImage& image) {
    return pass(pass(image, true), false);
}

bool cropToCommonSize(GreyImage& a, GreyImage& b) {
    if (std::abs(a.width - b.width) > 1 || std::abs(a.height - b.height) > 1) return false;
    const int w = std::min(a.width, b.width), h = std::min(a.height, b.height);
    if (a.width != w || a.height != h) a = crop(a, w, h);
    if (b.width != w || b.height != h) b = crop(b, w, h);
    return true;
}

std::optional<double> contentSsim(const GreyImage& candidate, const GreyImage& reference) {
    GreyImage a = candidate, b = reference;
    if (!cropToCommonSize(a, b)) return std::nullopt;
    const int w = a.width, h = a.height;
    if (w < 8 || h < 8) return std::nullopt;
    a = boxBlur(boxBlur(a));
    b = boxBlur(boxBlur(b));
    const double c1 = (0.01 * 255) * (0.01 * 255), c2 = (0.03 * 255) * (0.03 * 255);
    double sumContent = 0, sumAll = 0;
    int nContent = 0, nAll = 0;
    for (int y = 0; y + 8 <= h; y += 4) {
        for (int x = 0; x + 8 <= w; x += 4) {
            double ma = 0, mb = 0;
            for (int j = 0; j < 8; ++j) {
                for (int i = 0; i < 8; ++i) {
                    ma += a.at(x + i, y + j);
                    mb += b.at(x + i, y + j);
                }
            }
            ma /= 64;
            mb /= 64;
            double va = 0, vb = 0, cov = 0;
            for (int j = 0; j < 8; ++j) {
                for (int i = 0; i < 8; ++i) {
                    double da = a.at(x + i, y + j) - ma, db = b.at(x + i, y + j) - mb;
                    va += da * da;
                    vb += db * db;
                    cov += da * db;
                }
            }
            va /= 63;
            vb /= 63;
            cov /= 63;
            double s =
                ((2 * ma * mb + c1) * (2 * cov + c2)) / ((ma * ma + mb * mb + c1) * (va + vb + c2));
            sumAll += s;
            ++nAll;
            if (vb > 100) {
                sumContent += s;
                ++nContent;
            }
        }
    }
    if (nContent > 0) return sumContent / nContent;
    return sumAll / nAll;
}

std::optional<GreyImage> readPngGrey(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return std::nullopt;
    image.format = PNG_FORMAT_RGB;
    if (image.width == 0 || image.height == 0 || image.width > 20000 || image.height > 20000) {
        png_image_free(&image);
        return std::nullopt;
    }
    std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
    png_color white{255, 255, 255};
    if (!png_image_finish_read(&image, &white, rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        return std::nullopt;
    }
    return greyFromRgb(static_cast<int>(image.width), static_cast<int>(image.height), rgb);
}

}  // namespace quillet::fidelity
