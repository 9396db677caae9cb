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

// Whether every pixel is opaque.
bool allOpaque(std::span<const uint32_t> argb);

// JPEG bytes of opaque pixels at quality 1..100; empty when they cannot be encoded.
std::vector<uint8_t> encodeJpeg(uint32_t width, uint32_t height, std::span<const uint32_t> argb,
                                int quality);

// What a picture's bitmap holds before it becomes a tag: the JPEG stream of an opaque photograph,
// else the lossless block, not yet compressed: alpha, red, green, blue per pixel, the colours
// divided by alpha again, as the player reads them (see image_loader.h).
struct BitmapContent {
    uint32_t width = 0;
    uint32_t height = 0;
    bool jpeg = false;
    bool opaque = false;         // a lossless block without alpha goes as a 24-bit FSDefineImage
    std::vector<uint8_t> bytes;  // empty when the size does not match the pixels
};

// A photograph goes as JPEG at `jpegQuality` when every pixel is opaque; anything else (or a JPEG
// that cannot be made) is lossless.
BitmapContent pictureContent(uint32_t width, uint32_t height, std::span<const uint32_t> argb,
                             bool photograph, int jpegQuality);

// The tag of a content: FSDefineJPEGImage2, or FSDefineImage (24-bit) or FSDefineImage2 (32-bit)
// with the block compressed. Null for an empty content or one that cannot be compressed.
std::unique_ptr<transform::FSDefineObject> defineBitmap(int identifier,
                                                        const BitmapContent& content);

// Whether a tag made by defineBitmap, under any identifier, holds this content: JPEG streams are
// compared as they are, a lossless block is inflated and compared, so nothing is compressed.
bool holdsContent(const transform::FSDefineObject& tag, const BitmapContent& content);

}  // namespace quillet::media
