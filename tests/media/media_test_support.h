// Helpers shared by the media tests: corpus paths, reading files, an independent PNG decoder
// (libpng) and reading back the bitmap blocks that the loader compresses.
#pragma once

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "tests/media/media_synth.h"

namespace quillet::media::test {

namespace fs = std::filesystem;
using synth::Bytes;

inline fs::path corpus() {
    return fs::path(QUILLET_CORPUS);
}

// The corpus folder, or an empty path when it is missing (the caller skips).
inline fs::path corpusFolder(const std::string& name) {
    const fs::path folder = corpus() / name;
    return fs::is_directory(folder) ? folder : fs::path();
}

#define QUILLET_REQUIRE_CORPUS(folder, name)                        \
    const auto folder = ::quillet::media::test::corpusFolder(name); \
    if (folder.empty())                                             \
    GTEST_SKIP() << "corpus folder " << name << " not found under " << QUILLET_CORPUS

inline Bytes readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline std::vector<fs::path> filesWithExtension(const fs::path& folder,
                                                const std::string& extension) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.is_regular_file() && entry.path().extension() == extension)
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// A picture as libpng reads it: 8-bit red, green, blue, alpha (palettes, low bit depths and tRNS
// expanded, 16-bit samples cut to their high byte). Empty when libpng refuses the file.
struct RgbaImage {
    uint32_t width = 0;
    uint32_t height = 0;
    Bytes pixels;
};

inline RgbaImage decodeWithLibpng(const fs::path& path) {
    // Everything that changes after setjmp lives on the heap, so a longjmp leaves no automatic
    // variable in an indeterminate state.
    struct State {
        RgbaImage image;
        std::vector<png_bytep> rows;
        bool ok = false;
    };
    const auto state = std::make_unique<State>();
    std::FILE* const file = std::fopen(path.c_str(), "rb");
    if (!file) return {};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_read_info(png, info);
        png_set_expand(png);
        png_set_strip_16(png);
        png_set_gray_to_rgb(png);
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
        png_set_interlace_handling(png);
        png_read_update_info(png, info);
        RgbaImage& image = state->image;
        image.width = png_get_image_width(png, info);
        image.height = png_get_image_height(png, info);
        image.pixels.assign(static_cast<std::size_t>(image.width) * image.height * 4, 0);
        for (uint32_t y = 0; y < image.height; ++y)
            state->rows.push_back(image.pixels.data() + y * image.width * 4);
        png_read_image(png, state->rows.data());
        png_read_end(png, nullptr);
        state->ok = true;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return state->ok ? std::move(state->image) : RgbaImage{};
}

}  // namespace quillet::media::test
