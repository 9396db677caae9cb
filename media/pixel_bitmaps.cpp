#include "media/pixel_bitmaps.h"

#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include "swf/bitmaps.h"
#include "swf/deflate.h"
#include "swf/exceptions.h"

namespace quillet::media {

using namespace transform;

namespace {

std::vector<uint8_t> compress(const std::vector<uint8_t>& block) {
    try {
        return zlibCompress(block);
    } catch (const FSException&) {
        return {};
    }
}

struct JpegError {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

extern "C" void onJpegError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

}  // namespace

bool allOpaque(std::span<const uint32_t> argb) {
    for (const uint32_t p : argb) {
        if ((p >> 24) != 0xFF) return false;
    }
    return true;
}

std::unique_ptr<FSDefineObject> defineLosslessBitmap(int identifier, uint32_t width,
                                                     uint32_t height,
                                                     std::span<const uint32_t> argb) {
    if (width == 0 || height == 0 || width > 65535 || height > 65535 ||
        argb.size() != static_cast<std::size_t>(width) * height) {
        return nullptr;
    }
    // Alpha, red, green, blue per pixel; a clear pixel is four zeros.
    std::vector<uint8_t> block(argb.size() * 4);
    for (std::size_t i = 0; i < argb.size(); ++i) {
        const uint32_t p = argb[i];
        const uint32_t a = p >> 24;
        const auto straight = [a](uint32_t c) {
            return static_cast<uint8_t>(a == 0 ? 0 : std::min(255u, (c * 255 + a / 2) / a));
        };
        block[4 * i] = static_cast<uint8_t>(a);
        block[4 * i + 1] = straight((p >> 16) & 0xFF);
        block[4 * i + 2] = straight((p >> 8) & 0xFF);
        block[4 * i + 3] = straight(p & 0xFF);
    }
    const bool opaque = allOpaque(argb);
    if (opaque) {
        for (std::size_t i = 0; i < block.size(); i += 4) block[i] = 255;
    }
    auto data = compress(block);
    if (data.empty()) return nullptr;
    const int w = static_cast<int>(width), h = static_cast<int>(height);
    if (opaque) return std::make_unique<FSDefineImage>(identifier, w, h, std::move(data), 24);
    return std::make_unique<FSDefineImage2>(identifier, w, h, std::move(data));
}

std::vector<uint8_t> encodeJpeg(uint32_t width, uint32_t height, std::span<const uint32_t> argb,
                                int quality) {
    if (width == 0 || height == 0 || argb.size() != static_cast<std::size_t>(width) * height) {
        return {};
    }
    jpeg_compress_struct info{};
    JpegError error{};
    info.err = jpeg_std_error(&error.base);
    error.base.error_exit = onJpegError;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    std::vector<uint8_t> row(static_cast<std::size_t>(width) * 3);
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        std::free(buffer);
        return {};
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = width;
    info.image_height = height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t p = argb[static_cast<std::size_t>(y) * width + x];
            row[3 * x] = static_cast<uint8_t>(p >> 16);
            row[3 * x + 1] = static_cast<uint8_t>(p >> 8);
            row[3 * x + 2] = static_cast<uint8_t>(p);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

std::unique_ptr<transform::FSDefineObject> definePictureBitmap(int identifier, uint32_t width,
                                                               uint32_t height,
                                                               std::span<const uint32_t> argb,
                                                               bool photograph, int jpegQuality) {
    if (photograph && allOpaque(argb)) {
        auto jpeg = encodeJpeg(width, height, argb, jpegQuality);
        if (!jpeg.empty())
            return std::make_unique<transform::FSDefineJPEGImage2>(identifier, std::move(jpeg));
    }
    return defineLosslessBitmap(identifier, width, height, argb);
}

bool sameBitmap(const FSDefineObject& a, const FSDefineObject& b) {
    if (a.getType() != b.getType()) return false;
    if (const auto* x = dynamic_cast<const FSLosslessImage*>(&a)) {
        const auto* y = dynamic_cast<const FSLosslessImage*>(&b);
        return y && x->getWidth() == y->getWidth() && x->getHeight() == y->getHeight() &&
               x->getPixelSize() == y->getPixelSize() && x->getTableSize() == y->getTableSize() &&
               x->getImage() == y->getImage();
    }
    if (const auto* x = dynamic_cast<const FSDefineJPEGImage2*>(&a)) {
        const auto* y = dynamic_cast<const FSDefineJPEGImage2*>(&b);
        return y && x->getImage() == y->getImage() &&
               x->getEncodingTable() == y->getEncodingTable();
    }
    return false;
}

}  // namespace quillet::media
