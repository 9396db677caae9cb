// The image loader: decodes BMP, PNG and JPEG files (recognised by their first two bytes) into
// one in-memory picture and builds SWF bitmap definitions from it, and on request a rectangle
// filled with that bitmap.
//
//   auto loader = createImageLoader();           // or (255, 255, 255) to make white see-through
//   if (loader->decodeFile("picture.png") == Success) {
//       const int bitmap = movie.newIdentifier();
//       movie.add(loader->defineImage(bitmap));
//       movie.add(loader->defineShape(movie.newIdentifier(), bitmap, 0, 0, 0, FSColor(0, 0, 0)));
//   }
//
// Limits: files up to MaximumFileSize; pictures up to 65535 pixels a side (a SWF bitmap holds
// 16-bit sizes) and up to MaximumPixels pixels (64 megapixels, a 256 MiB pixel buffer) unless
// the factory is given another limit. Larger pictures are refused with BadData before anything
// is allocated for them.
//
// Bitmaps built:
// - JPEG pictures (kind 0) become an FSDefineJPEGImage2 holding the file's bytes unchanged.
// - Indexed pictures (kinds 1 and 2) become a colour-mapped FSDefineImage2: the colour table as
//   red, green, blue, alpha entries, then rows of indices padded to 4 bytes.
// - Colour pictures (kinds 3, 4 and 5) become a 32-bit FSDefineImage2: alpha, red, green, blue
//   per pixel, width × 4 bytes per row. A kind-5 picture that is fully opaque, when no
//   transparent key is set, becomes a 24-bit FSDefineImage instead.
// - Colours are stored unmultiplied by their alpha, which is how the player draws lossless
//   bitmaps with alpha (checked in the player: premultiplied colours come out too dark); opaque
//   and partly transparent pixels keep their colour exactly, fully transparent ones are four
//   zero bytes.
// - The transparent key makes exactly the pixels and table entries of the key colour fully
//   transparent; every other pixel keeps its own alpha (PNG alpha and tRNS transparency).
//   JPEG pictures are not affected by the key.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <span>
#include <string>

#include "media/image_record.h"
#include "media/media_status.h"
#include "swf/basic_types.h"
#include "swf/shapes.h"

namespace quillet::media {

class ImageLoader {
  public:
    // A key component of -1 (0xFFFFFFFF) means that there is no transparent key.
    static constexpr int32_t NoKey = -1;
    static constexpr uint64_t MaximumPixels = uint64_t{64} << 20;

    virtual ~ImageLoader() = default;

    // Reads the whole file and decodes it: Success, CannotOpen, ReadError or BadData.
    virtual int decodeFile(const std::string& path) = 0;
    // Decodes a BMP ("BM"), PNG (0x89 0x50) or JPEG (0xFF 0xD8) file held in memory. The picture
    // is cleared first; after a failure it is empty.
    virtual int decodeData(std::span<const uint8_t> bytes) = 0;

    // An ImageKind; NoImage before a successful decoding.
    virtual int getKind() const = 0;
    virtual uint32_t getWidth() const = 0;
    virtual uint32_t getHeight() const = 0;
    // In bytes, 4 per entry.
    virtual std::size_t getTableSize() const = 0;
    // Each copies into a buffer at least as large as the block and returns the bytes copied: 0
    // when there is no such block or the buffer is too small.
    virtual std::size_t copyTable(std::span<uint8_t> buffer) const = 0;
    virtual std::size_t copyIndices(std::span<uint8_t> buffer) const = 0;
    virtual std::size_t copyPixels(std::span<uint8_t> buffer) const = 0;
    virtual std::size_t getJPEGSize() const = 0;
    virtual std::size_t copyJPEG(std::span<uint8_t> buffer) const = 0;

    // Store copies. Return Success, or BadData (and change nothing) when the kind or a block's
    // size does not fit: indexed kinds are 1 and 2 with 1 to 256 table entries of 4 bytes and
    // width × height indices; colour kinds are 3 to 5 with width × height × 4 bytes.
    virtual int setIndexedImage(int kind, uint32_t width, uint32_t height,
                                std::span<const uint8_t> table,
                                std::span<const uint8_t> indices) = 0;
    virtual int setImage(int kind, uint32_t width, uint32_t height,
                         std::span<const uint8_t> pixels) = 0;
    virtual int setJPEGImage(uint32_t width, uint32_t height, std::span<const uint8_t> bytes) = 0;

    // A new FSDefineJPEGImage2, FSDefineImage2 or FSDefineImage for the picture; null when there
    // is no picture or the pixels cannot be compressed.
    virtual std::unique_ptr<transform::FSDefineObject> defineImage(int identifier) const = 0;
    // A rectangle of the picture's size filled with the bitmap (clipped), its top-left corner at
    // (-originX, -originY) pixels, outlined borderWidth twips wide when borderWidth is 2 or more.
    virtual std::unique_ptr<transform::FSDefineShape3> defineShape(
        int identifier, int bitmapIdentifier, int originX, int originY, int borderWidth,
        const transform::FSColor& borderColour) const = 0;

    // The decoded picture.
    virtual const ImageRecord& getImage() const = 0;
    // The decoded picture moved out, without a copy of its pixels; the loader is left empty.
    virtual ImageRecord takeImage() = 0;
    // Why the last operation did not succeed, with the byte offset where the data went wrong.
    virtual const std::string& getProblem() const = 0;
    // Where chunk-size mismatches that do not stop decoding are reported; none by default (they
    // change nothing, and a user's terminal is no place for them), null keeps quiet.
    virtual void setDiagnostics(std::ostream* stream) = 0;
};

// The rectangle defineShape draws, for a bitmap of width × height pixels.
std::unique_ptr<transform::FSDefineShape3> defineBitmapRectangle(
    int identifier, int bitmapIdentifier, uint32_t width, uint32_t height, int originX = 0,
    int originY = 0, int borderWidth = 0,
    const transform::FSColor& borderColour = transform::FSColor(0, 0, 0));

std::unique_ptr<ImageLoader> createImageLoader(int32_t keyRed = ImageLoader::NoKey,
                                               int32_t keyGreen = ImageLoader::NoKey,
                                               int32_t keyBlue = ImageLoader::NoKey,
                                               uint64_t maximumPixels = ImageLoader::MaximumPixels);

}  // namespace quillet::media
