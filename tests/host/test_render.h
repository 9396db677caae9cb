// Pixel probes on drawn slides, shared by the renderer's tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "host/pptx/render/renderer.h"

namespace quillet::test {

// A pixel expected within `tolerance` of `rgb` in each channel.
struct Probe {
    int x, y;
    unsigned rgb;
    int tolerance = 0;
};

inline void expectPixels(cairo_surface_t* s, const std::vector<Probe>& probes) {
    for (const Probe& p : probes) {
        const unsigned got = pptx::render::pixelRgb(s, p.x, p.y);
        for (int shift : {16, 8, 0}) {
            EXPECT_LE(std::abs(static_cast<int>((got >> shift) & 0xFF) -
                               static_cast<int>((p.rgb >> shift) & 0xFF)),
                      p.tolerance)
                << "at (" << p.x << ", " << p.y << "): " << std::hex << got;
        }
    }
}

}  // namespace quillet::test
