// The in-memory picture that the BMP, PNG and JPEG decoders fill and that the image loader turns
// into SWF bitmap tags, and the interface the three decoders share.
#pragma once

#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "media/media_status.h"

namespace quillet::media {

// What a record holds; the numbers are the loader's kinds.
enum ImageKind : int {
    NoImage = -1,
    JPEGImage = 0,
    // A colour table of red, green, blue, alpha entries and one index per pixel.
    IndexedImage = 1,
    // As IndexedImage; set only by ImageLoader::setIndexedImage.
    IndexedImageSet = 2,
    // Red, green, blue and a fourth byte per pixel: from 16-bit BMPs and PNG greyscale below
    // 6 bits; from 24-bit BMPs and opaque PNG greyscale or RGB; and, with the fourth byte an
    // alpha, from 32-bit BMPs (always opaque) and PNGs with transparency.
    LowColourImage = 3,
    ColourImage = 4,
    AlphaColourImage = 5,
};

struct ImageRecord {
    int kind = NoImage;
    uint32_t width = 0;
    uint32_t height = 0;
    // 4 bytes per entry: red, green, blue, alpha (not premultiplied).
    std::vector<uint8_t> table;
    // width × height palette indices, rows top to bottom.
    std::vector<uint8_t> indices;
    // width × height × 4 bytes: red, green, blue, alpha (not premultiplied), rows top to bottom.
    std::vector<uint8_t> pixels;
    // The JPEG file's bytes, unchanged.
    std::vector<uint8_t> jpeg;

    void clear() { *this = ImageRecord(); }
};

// What every decoder is given besides the bytes.
struct DecodeContext {
    // Pictures with more pixels than this are refused before anything is allocated for them.
    uint64_t maximumPixels;
    // Where size mismatches that do not stop decoding are reported; null keeps quiet.
    std::ostream* diagnostics;
};

// One decoder per file format. decode fills the record or throws DecodeError; it never reads
// outside the bytes and checks sizes against the context's limits before allocating.
class ImageDecoder {
  public:
    virtual ~ImageDecoder() = default;
    virtual void decode(std::span<const uint8_t> bytes, ImageRecord& record,
                        const DecodeContext& context) const = 0;
};

// SWF bitmaps hold their width and height in 16 bits.
inline constexpr uint32_t MaximumImageSide = 65535;

// Refuses sizes of 0, sides above MaximumImageSide and more pixels than the context allows.
inline void checkImageSize(const char* format, uint64_t width, uint64_t height,
                           const DecodeContext& context) {
    auto refuse = [&](const std::string& why) {
        throw DecodeError{BadData, std::string(format) + ": " + why + " (" + std::to_string(width) +
                                       " x " + std::to_string(height) + ")"};
    };
    if (width == 0 || height == 0) refuse("the image has no pixels");
    if (width > MaximumImageSide || height > MaximumImageSide)
        refuse("a side is longer than the " + std::to_string(MaximumImageSide) +
               " pixels a bitmap can have");
    if (width * height > context.maximumPixels)
        refuse("the image has more than the " + std::to_string(context.maximumPixels) +
               " pixels allowed");
}

}  // namespace quillet::media
