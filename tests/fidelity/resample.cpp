#include "resample.h"

#include <algorithm>
#include <cmath>

namespace quillet::fidelity {

namespace {

constexpr int kMaxSide = 20000;

// One pass along rows (horizontal) or columns: `to` samples from `from`.
GreyImage resizeAxis(const GreyImage& in, int to, bool horizontal) {
    const int from = horizontal ? in.width : in.height;
    GreyImage out;
    out.width = horizontal ? to : in.width;
    out.height = horizontal ? in.height : to;
    out.pixels.assign(static_cast<std::size_t>(out.width) * out.height, 0.0);
    const double scale = static_cast<double>(from) / to;
    const int lines = horizontal ? in.height : in.width;
    for (int k = 0; k < to; ++k) {
        const double start = k * scale, end = (k + 1) * scale;
        const int first = static_cast<int>(std::floor(start));
        const int last = std::min(from - 1, static_cast<int>(std::ceil(end)) - 1);
        for (int line = 0; line < lines; ++line) {
            double sum = 0, weight = 0;
            for (int s = first; s <= last; ++s) {
                const double w = std::min<double>(end, s + 1) - std::max<double>(start, s);
                if (w <= 0) continue;
                sum += w * (horizontal ? in.at(s, line) : in.at(line, s));
                weight += w;
            }
            const int x = horizontal ? k : line, y = horizontal ? line : k;
            out.pixels[static_cast<std::size_t>(y) * out.width + x] = weight > 0 ? sum / weight : 0;
        }
    }
    return out;
}

}  // namespace

GreyImage resizeArea(const GreyImage& in, int width, int height) {
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide || in.width < 1 ||
        in.height < 1 ||
        in.pixels.size() !=
            static_cast<std::size_t>(in.width) * static_cast<std::size_t>(in.height)) {
        return {};
    }
    GreyImage rows = in.width == width ? in : resizeAxis(in, width, true);
    return rows.height == height ? rows : resizeAxis(rows, height, false);
}

GreyImage scaleToWidth(const GreyImage& in, int width) {
    if (in.width == width) return in;
    if (in.width < 1) return {};
    const long height = std::lround(static_cast<double>(in.height) * width / in.width);
    return resizeArea(in, width, static_cast<int>(std::clamp<long>(height, 1, kMaxSide)));
}

GreyImage cropRows(const GreyImage& in, int height) {
    if (height < 1 || height > in.height ||
        in.pixels.size() !=
            static_cast<std::size_t>(in.width) * static_cast<std::size_t>(in.height)) {
        return {};
    }
    GreyImage out = in;
    out.height = height;
    out.pixels.resize(static_cast<std::size_t>(in.width) * height);
    return out;
}

}  // namespace quillet::fidelity
