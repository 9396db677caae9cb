// Pieces the end-to-end movie writers share.
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "swf/display_list.h"
#include "swf/movie.h"
#include "swf/shapes.h"

namespace quillet::e2e {

constexpr int Twips = 20;

// A compressed movie with a 400 x 300 pixel stage of one colour.
inline transform::FSMovie newMovie(int version, const transform::FSColor& background,
                                   float rate = 12.0f) {
    using namespace transform;
    FSMovie movie("CWS", version, FSBounds(0, 0, 400 * Twips, 300 * Twips), rate, {});
    movie.add(std::make_unique<FSSetBackgroundColor>(background));
    return movie;
}

// A closed rectangle drawn clockwise on screen, fill style `fill` on its inside (Default for
// none, as a morph's end shape has) and line style `line`.
inline transform::FSShape rectangle(int x0, int y0, int x1, int y1, int fill = 1,
                                    int line = transform::Default) {
    using namespace transform;
    FSShape shape;
    shape.add(std::make_unique<FSShapeStyle>(line, Default, fill, x0, y0));
    shape.add(std::make_unique<FSLine>(x1 - x0, 0));
    shape.add(std::make_unique<FSLine>(0, y1 - y0));
    shape.add(std::make_unique<FSLine>(x0 - x1, 0));
    shape.add(std::make_unique<FSLine>(0, y0 - y1));
    return shape;
}

// `count` samples of a tone at 22050 Hz, 16-bit little-endian, the same on each channel.
inline std::vector<uint8_t> tone(int hertz, int amplitude, int count, int channels) {
    std::vector<uint8_t> samples;
    for (int i = 0; i < count; ++i) {
        const auto value =
            static_cast<int16_t>(amplitude * std::sin(2 * 3.14159265358979 * hertz * i / 22050));
        for (int channel = 0; channel < channels; ++channel)
            samples.insert(samples.end(),
                           {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)});
    }
    return samples;
}

// A picture of four quadrants, each of one colour (top-left, top-right, bottom-left, bottom-right).
template <class Pixel>
std::vector<Pixel> quadrants(int width, int height, const Pixel (&colours)[4]) {
    std::vector<Pixel> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels.push_back(colours[(y >= height / 2) * 2 + (x >= width / 2)]);
    return pixels;
}

}  // namespace quillet::e2e
