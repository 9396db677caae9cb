// Bitmaps of the movie from pictures drawn in memory: pixels 0xAARRGGBB, rows top to bottom,
// colours already multiplied by their alpha (as the drawing library keeps them).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "swf/basic_types.h"
#include "swf/shapes.h"

namespace quillet::media {

// A lossless bitmap: 32-bit with alpha (FSDefineImage2), or 24-bit (FSDefineImage) when every
// pixel is opaque. Its colours are stored divided by alpha again, as the player reads them (see
// image_loader.h). Null when the size does not match the pixels or they cannot be compressed.
std::unique_ptr<transform::FSDefineObject> defineLosslessBitmap(int identifier, uint32_t width,
                                                                uint32_t height,
                                                                std::span<const uint32_t> argb);

// Whether every pixel is opaque.
bool allOpaque(std::span<const uint32_t> argb);

// JPEG bytes of opaque pixels at quality 1..100; empty when they cannot be encoded.
std::vector<uint8_t> encodeJpeg(uint32_t width, uint32_t height, std::span<const uint32_t> argb,
                                int quality);

// The bitmap of a picture: JPEG at `jpegQuality` when it is a photograph and every pixel is
// opaque, lossless otherwise (or when the JPEG cannot be made). Null as defineLosslessBitmap.
std::unique_ptr<transform::FSDefineObject> definePictureBitmap(int identifier, uint32_t width,
                                                               uint32_t height,
                                                               std::span<const uint32_t> argb,
                                                               bool photograph, int jpegQuality);

// Whether two bitmaps of definePictureBitmap show the same picture: the same kind of tag with the
// same size and image bytes, whatever their identifiers.
bool sameBitmap(const transform::FSDefineObject& a, const transform::FSDefineObject& b);

}  // namespace quillet::media
