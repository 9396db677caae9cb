#include "media/pixel_bitmaps.h"

#include <jpeglib.h>
#include <libdeflate.h>

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

struct DecompressorFree {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

}  // namespace

bool allOpaque(std::span<const uint32_t> argb) {
    for (const uint32_t p : argb) {
        if ((p >> 24) != 0xFF) return false;
    }
    return true;
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

BitmapContent pictureContent(uint32_t width, uint32_t height, std::span<const uint32_t> argb,
                             bool photograph, int jpegQuality) {
    BitmapContent content;
    if (width == 0 || height == 0 || width > 65535 || height > 65535 ||
        argb.size() != static_cast<std::size_t>(width) * height) {
        return content;
    }
    content.width = width;
    content.height = height;
    content.opaque = allOpaque(argb);
    if (photograph && content.opaque) {
        content.bytes = encodeJpeg(width, height, argb, jpegQuality);
        content.jpeg = !content.bytes.empty();
        if (content.jpeg) return content;
    }
    // Alpha, red, green, blue per pixel; a clear pixel is four zeros.
    content.bytes.resize(argb.size() * 4);
    uint8_t* block = content.bytes.data();
    for (std::size_t i = 0; i < argb.size(); ++i) {
        const uint32_t p = argb[i];
        const uint32_t a = content.opaque ? 255 : p >> 24;
        const auto straight = [a](uint32_t c) {
            return static_cast<uint8_t>(a == 0 ? 0 : std::min(255u, (c * 255 + a / 2) / a));
        };
        block[4 * i] = static_cast<uint8_t>(a);
        block[4 * i + 1] = straight((p >> 16) & 0xFF);
        block[4 * i + 2] = straight((p >> 8) & 0xFF);
        block[4 * i + 3] = straight(p & 0xFF);
    }
    return content;
}

std::unique_ptr<FSDefineObject> defineBitmap(int identifier, const BitmapContent& content) {
    if (content.bytes.empty()) return nullptr;
    if (content.jpeg) return std::make_unique<FSDefineJPEGImage2>(identifier, content.bytes);
    auto data = compress(content.bytes);
    if (data.empty()) return nullptr;
    const int w = static_cast<int>(content.width), h = static_cast<int>(content.height);
    if (content.opaque)
        return std::make_unique<FSDefineImage>(identifier, w, h, std::move(data), 24);
    return std::make_unique<FSDefineImage2>(identifier, w, h, std::move(data));
}

bool holdsContent(const FSDefineObject& tag, const BitmapContent& content) {
    if (content.bytes.empty()) return false;
    if (content.jpeg) {
        const auto* jpeg = dynamic_cast<const FSDefineJPEGImage2*>(&tag);
        return jpeg && jpeg->getEncodingTable().empty() && jpeg->getImage() == content.bytes;
    }
    const FSLosslessImage* lossless = nullptr;
    if (content.opaque) {
        lossless = dynamic_cast<const FSDefineImage*>(&tag);
    } else {
        lossless = dynamic_cast<const FSDefineImage2*>(&tag);
    }
    if (!lossless || lossless->getPixelSize() != (content.opaque ? 24 : 32) ||
        lossless->getWidth() != static_cast<int>(content.width) ||
        lossless->getHeight() != static_cast<int>(content.height)) {
        return false;
    }
    std::unique_ptr<libdeflate_decompressor, DecompressorFree> inflater(
        libdeflate_alloc_decompressor());
    if (!inflater) return false;
    const std::vector<uint8_t>& stream = lossless->getImage();
    std::vector<uint8_t> block(content.bytes.size());
    return libdeflate_zlib_decompress(inflater.get(), stream.data(), stream.size(), block.data(),
                                      block.size(), nullptr) == LIBDEFLATE_SUCCESS &&
           block == content.bytes;
}

}  // namespace quillet::media
