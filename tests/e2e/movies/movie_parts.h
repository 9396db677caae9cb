// Pieces the end-to-end movie writers share.
#pragma once

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
