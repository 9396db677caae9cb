#include "media/image_loader.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>

#include "media/bmp_decoder.h"
#include "media/file_data.h"
#include "media/jpeg_decoder.h"
#include "media/png_decoder.h"
#include "swf/bitmaps.h"
#include "swf/deflate.h"
#include "swf/exceptions.h"

namespace quillet::media {

namespace {

using namespace transform;

constexpr int Twips = 20;

// Colours are stored as they are, not multiplied by their alpha: the player multiplies them when
// it draws (a half-transparent green stored premultiplied shows too dark there). A clear pixel
// is stored as zeros.
uint8_t colourAt(uint8_t colour, uint8_t alpha) {
    return alpha == 0 ? 0 : colour;
}

std::size_t copyBlock(const std::vector<uint8_t>& block, std::span<uint8_t> buffer) {
    if (block.empty() || buffer.size() < block.size()) return 0;
    std::copy(block.begin(), block.end(), buffer.begin());
    return block.size();
}

// A straight edge holds at most 17 signed bits a coordinate: pictures wider or taller than
// 3276 pixels need their sides drawn in several pieces.
constexpr int MaximumEdge = 65535;

void addEdge(FSShape& shape, int dx, int dy) {
    const int length = std::max(std::abs(dx), std::abs(dy));
    const int pieces = std::max(1, (length + MaximumEdge - 1) / MaximumEdge);
    int doneX = 0;
    int doneY = 0;
    for (int i = 1; i <= pieces; ++i) {
        const int x = static_cast<int>(static_cast<int64_t>(dx) * i / pieces);
        const int y = static_cast<int>(static_cast<int64_t>(dy) * i / pieces);
        shape.add(std::make_unique<FSLine>(x - doneX, y - doneY));
        doneX = x;
        doneY = y;
    }
}

std::vector<uint8_t> compress(const std::vector<uint8_t>& block) {
    try {
        return zlibCompress(block);
    } catch (const FSException&) {
        return {};
    }
}

class Loader : public ImageLoader {
  public:
    Loader(int32_t red, int32_t green, int32_t blue, uint64_t maximumPixels)
        : keyed(red != NoKey && green != NoKey && blue != NoKey),
          key{red, green, blue},
          maximumPixels(maximumPixels) {}

    int decodeFile(const std::string& path) override {
        image.clear();
        std::vector<uint8_t> bytes;
        const int status = readWholeFile(path, bytes, problem);
        if (status != Success) return status;
        return decodeData(bytes);
    }

    int decodeData(std::span<const uint8_t> bytes) override {
        image.clear();
        problem.clear();
        static const BmpDecoder bmp;
        static const PngDecoder png;
        static const JpegDecoder jpeg;
        const ImageDecoder* decoder = nullptr;
        const unsigned signature =
            bytes.size() >= 2 ? static_cast<unsigned>(bytes[0] << 8 | bytes[1]) : 0;
        switch (signature) {
            case 0x424D:
                decoder = &bmp;
                break;
            case 0x8950:
                decoder = &png;
                break;
            case 0xFFD8:
                decoder = &jpeg;
                break;
            default:
                problem = "not a BMP, PNG or JPEG file";
                return BadData;
        }
        try {
            decoder->decode(bytes, image, DecodeContext{maximumPixels, diagnostics});
            return Success;
        } catch (const DecodeError& error) {
            image.clear();
            problem = error.message;
            return error.status;
        }
    }

    int getKind() const override { return image.kind; }
    uint32_t getWidth() const override { return image.width; }
    uint32_t getHeight() const override { return image.height; }
    std::size_t getTableSize() const override { return image.table.size(); }
    std::size_t copyTable(std::span<uint8_t> buffer) const override {
        return copyBlock(image.table, buffer);
    }
    std::size_t copyIndices(std::span<uint8_t> buffer) const override {
        return copyBlock(image.indices, buffer);
    }
    std::size_t copyPixels(std::span<uint8_t> buffer) const override {
        return copyBlock(image.pixels, buffer);
    }
    std::size_t getJPEGSize() const override { return image.jpeg.size(); }
    std::size_t copyJPEG(std::span<uint8_t> buffer) const override {
        return copyBlock(image.jpeg, buffer);
    }

    int setIndexedImage(int kind, uint32_t width, uint32_t height, std::span<const uint8_t> table,
                        std::span<const uint8_t> indices) override {
        if (kind != IndexedImage && kind != IndexedImageSet)
            return refuse("an indexed image is of kind 1 or 2");
        if (!sizeAllowed(width, height)) return BadData;
        if (table.empty() || table.size() % 4 != 0 || table.size() > 256 * 4)
            return refuse("a colour table holds 1 to 256 entries of 4 bytes");
        if (indices.size() != static_cast<std::size_t>(width) * height)
            return refuse("an indexed image needs width x height indices");
        set(kind, width, height);
        image.table.assign(table.begin(), table.end());
        image.indices.assign(indices.begin(), indices.end());
        return Success;
    }

    int setImage(int kind, uint32_t width, uint32_t height,
                 std::span<const uint8_t> pixels) override {
        if (kind != LowColourImage && kind != ColourImage && kind != AlphaColourImage)
            return refuse("a colour image is of kind 3, 4 or 5");
        if (!sizeAllowed(width, height)) return BadData;
        if (pixels.size() != static_cast<std::size_t>(width) * height * 4)
            return refuse("a colour image needs width x height x 4 bytes");
        set(kind, width, height);
        image.pixels.assign(pixels.begin(), pixels.end());
        return Success;
    }

    int setJPEGImage(uint32_t width, uint32_t height, std::span<const uint8_t> bytes) override {
        if (bytes.empty()) return refuse("a JPEG image needs its bytes");
        set(JPEGImage, width, height);
        image.jpeg.assign(bytes.begin(), bytes.end());
        return Success;
    }

    std::unique_ptr<FSDefineObject> defineImage(int identifier) const override {
        const int width = static_cast<int>(image.width);
        const int height = static_cast<int>(image.height);
        switch (image.kind) {
            case JPEGImage:
                return std::make_unique<FSDefineJPEGImage2>(identifier, image.jpeg);
            case IndexedImage:
            case IndexedImageSet: {
                auto data = compress(indexedBlock());
                if (data.empty()) return nullptr;
                return std::make_unique<FSDefineImage2>(identifier, width, height,
                                                        static_cast<int>(image.table.size() / 4),
                                                        std::move(data));
            }
            case LowColourImage:
            case ColourImage:
            case AlphaColourImage: {
                const bool opaque = image.kind == AlphaColourImage && !keyed && allOpaque();
                auto data = compress(colourBlock());
                if (data.empty()) return nullptr;
                if (opaque)
                    return std::make_unique<FSDefineImage>(identifier, width, height,
                                                           std::move(data), 24);
                return std::make_unique<FSDefineImage2>(identifier, width, height, std::move(data));
            }
            default:
                return nullptr;
        }
    }

    std::unique_ptr<FSDefineShape3> defineShape(int identifier, int bitmapIdentifier, int originX,
                                                int originY, int borderWidth,
                                                const FSColor& borderColour) const override {
        return defineBitmapRectangle(identifier, bitmapIdentifier, image.width, image.height,
                                     originX, originY, borderWidth, borderColour);
    }

    const ImageRecord& getImage() const override { return image; }
    ImageRecord takeImage() override {
        ImageRecord out = std::move(image);
        image.clear();
        return out;
    }
    const std::string& getProblem() const override { return problem; }
    void setDiagnostics(std::ostream* stream) override { diagnostics = stream; }

  private:
    int refuse(const std::string& why) {
        problem = why;
        return BadData;
    }

    bool sizeAllowed(uint32_t width, uint32_t height) {
        try {
            checkImageSize("image", width, height, DecodeContext{maximumPixels, nullptr});
            return true;
        } catch (const DecodeError& error) {
            problem = error.message;
            return false;
        }
    }

    void set(int kind, uint32_t width, uint32_t height) {
        image.clear();
        problem.clear();
        image.kind = kind;
        image.width = width;
        image.height = height;
    }

    bool isKey(const uint8_t* rgb) const {
        return keyed && rgb[0] == key[0] && rgb[1] == key[1] && rgb[2] == key[2];
    }

    bool allOpaque() const {
        for (std::size_t i = 3; i < image.pixels.size(); i += 4) {
            if (image.pixels[i] != 255) return false;
        }
        return true;
    }

    // The colour table, then each row of indices padded to a multiple of 4 bytes.
    std::vector<uint8_t> indexedBlock() const {
        const std::size_t rowBytes = (image.width + 3u) / 4 * 4;
        std::vector<uint8_t> block;
        block.reserve(image.table.size() + rowBytes * image.height);
        for (std::size_t i = 0; i + 4 <= image.table.size(); i += 4) {
            const uint8_t* entry = &image.table[i];
            const uint8_t alpha = isKey(entry) ? 0 : entry[3];
            block.insert(block.end(), {colourAt(entry[0], alpha), colourAt(entry[1], alpha),
                                       colourAt(entry[2], alpha), alpha});
        }
        for (uint32_t y = 0; y < image.height; ++y) {
            const auto row = image.indices.begin() + static_cast<std::ptrdiff_t>(y) * image.width;
            block.insert(block.end(), row, row + image.width);
            block.resize(block.size() + rowBytes - image.width, 0);
        }
        return block;
    }

    // Alpha, red, green, blue per pixel; 32-bit pixels need no row padding.
    std::vector<uint8_t> colourBlock() const {
        std::vector<uint8_t> block(image.pixels.size());
        const bool fullAlpha = image.kind == AlphaColourImage;
        for (std::size_t i = 0; i < image.pixels.size(); i += 4) {
            const uint8_t* pixel = &image.pixels[i];
            const uint8_t alpha = isKey(pixel) ? 0 : fullAlpha ? pixel[3] : 255;
            block[i] = alpha;
            block[i + 1] = colourAt(pixel[0], alpha);
            block[i + 2] = colourAt(pixel[1], alpha);
            block[i + 3] = colourAt(pixel[2], alpha);
        }
        return block;
    }

    bool keyed;
    int32_t key[3];
    uint64_t maximumPixels;
    ImageRecord image;
    std::string problem;
    std::ostream* diagnostics = nullptr;  // quiet unless asked: never unprefixed on a terminal
};

}  // namespace

std::unique_ptr<FSDefineShape3> defineBitmapRectangle(int identifier, int bitmapIdentifier,
                                                      uint32_t width, uint32_t height, int originX,
                                                      int originY, int borderWidth,
                                                      const FSColor& borderColour) {
    const int w = static_cast<int>(width) * Twips;
    const int h = static_cast<int>(height) * Twips;
    const int half = borderWidth / 2;
    const int left = -originX * Twips;
    const int top = -originY * Twips;

    FSArray<FSLineStyle> lines;
    if (half > 0) lines.add(std::make_unique<FSSolidLine>(borderWidth, borderColour));
    FSArray<FSFillStyle> fills;
    fills.add(std::make_unique<FSBitmapFill>(FSFillStyle::ClippedBitmap, bitmapIdentifier,
                                             FSCoordTransform(left, top, Twips, Twips)));
    FSShape shape;
    shape.add(std::make_unique<FSShapeStyle>(half > 0 ? 1 : Default, Default, 1, left, top));
    addEdge(shape, w, 0);
    addEdge(shape, 0, h);
    addEdge(shape, -w, 0);
    addEdge(shape, 0, -h);
    // Going once more along the top edge closes the outline with a join instead of two caps.
    addEdge(shape, w, 0);
    const FSBounds bounds(left - half, top - half, left + w + half, top + h + half);
    return std::make_unique<FSDefineShape3>(identifier, bounds, std::move(fills), std::move(lines),
                                            shape);
}

std::unique_ptr<ImageLoader> createImageLoader(int32_t keyRed, int32_t keyGreen, int32_t keyBlue,
                                               uint64_t maximumPixels) {
    return std::make_unique<Loader>(keyRed, keyGreen, keyBlue, maximumPixels);
}

}  // namespace quillet::media
