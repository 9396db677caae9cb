// Writes the seed corpora of the media fuzzers: small pictures into fuzz/corpus/image and small
// sounds into fuzz/corpus/sound, one of each kind the decoders tell apart.
//
//   media_fuzz_seeds REPOSITORY
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "tests/media/media_synth.h"

namespace {

namespace fs = std::filesystem;
namespace synth = quillet::media::synth;
using synth::Bytes;
using synth::Rgb;

void write(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::vector<Rgb> pattern(uint32_t width, uint32_t height) {
    std::vector<Rgb> pixels;
    for (uint32_t i = 0; i < width * height; ++i)
        pixels.push_back({static_cast<uint8_t>(i * 40), static_cast<uint8_t>(255 - i * 9),
                          static_cast<uint8_t>(i)});
    return pixels;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: media_fuzz_seeds REPOSITORY\n";
        return 2;
    }
    const fs::path images = fs::path(argv[1]) / "fuzz/corpus/image";
    const fs::path sounds = fs::path(argv[1]) / "fuzz/corpus/sound";
    fs::create_directories(images);
    fs::create_directories(sounds);

    Bytes rgba;
    for (const Rgb& c : pattern(3, 3))
        rgba.insert(rgba.end(), {c.r, c.g, c.b, static_cast<uint8_t>(c.r ^ 0x5A)});
    write(images / "rgba-sub.png", synth::pngRgba(3, 3, rgba, 1));
    synth::PngParts palette(5, 2, 2, 3);
    palette.palette = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    palette.transparency = {0, 128};
    palette.rows = {0x1B, 0x80, 0xE4, 0x6C, 0x00, 0x40};
    write(images / "palette-2bit.png", synth::png(palette));
    synth::PngParts grey(4, 2, 16, 0);
    grey.rows = Bytes(16, 0x33);
    grey.transparency = {0x33, 0x33};
    grey.filter = 2;
    write(images / "grey16-key.png", synth::png(grey));
    write(images / "rgb24.bmp", synth::bmpTrueColour(3, 2, pattern(3, 2)));
    write(images / "rgb32-topdown.bmp", synth::bmpTrueColour(2, 2, pattern(2, 2), 32, true));
    write(images / "pal8.bmp",
          synth::bmpIndexed8(3, 2, {{1, 2, 3}, {200, 100, 0}}, {0, 1, 0, 1, 1, 0}, 2));
    synth::BmpParts rle8(4, 3, 8, 1);
    rle8.palette = {{0, 0, 0}, {9, 9, 9}, {99, 99, 99}};
    rle8.data = {3, 1, 0, 0, 0, 2, 1, 1, 0, 3, 2, 1, 2, 0, 0, 1};
    write(images / "rle8.bmp", synth::bmp(rle8));
    synth::BmpParts rle4(8, 1, 4, 2);
    rle4.palette.assign(16, {7, 7, 7});
    rle4.data = {3, 0x12, 0, 5, 0x34, 0x56, 0x70, 0, 0, 1};
    write(images / "rle4.bmp", synth::bmp(rle4));
    synth::BmpParts fields(2, 1, 16, 3);
    fields.masks = {0xF800, 0x07E0, 0x001F};
    fields.data = {0xFF, 0xFF, 0xE0, 0x07};
    write(images / "rgb565.bmp", synth::bmp(fields));
    write(images / "blocks.jpg", synth::jpegBlocks(16, 8, pattern(16, 8)));
    write(images / "grey.jpg", synth::jpegBlocks(9, 9, pattern(9, 9), true));

    const synth::Mp3Header stereo{3, 9, 0, 0};
    Bytes tagged = synth::id3Tag(16);
    const Bytes frames = synth::mp3Stream(stereo, 3);
    tagged.insert(tagged.end(), frames.begin(), frames.end());
    write(sounds / "id3-mpeg1.mp3", tagged);
    write(sounds / "mpeg2-mono.mp3", synth::mp3Stream({2, 1, 0, 3}, 3));
    write(sounds / "mpeg25.mp3", synth::mp3Stream({0, 1, 0, 0}, 2));
    write(sounds / "pcm16-stereo.wav", synth::wav(2, 22050, 16, Bytes(16, 0x80)));
    write(sounds / "pcm8-mono.wav",
          synth::riffWave({synth::wavChunk("LIST", Bytes(3, 'x')),
                           synth::wavChunk("fmt ", synth::wavFormat(1, 1, 11025, 8)),
                           synth::wavChunk("data", Bytes(5, 0x80))}));
    write(sounds / "float.wav", synth::wav(1, 44100, 32, Bytes(8), 3));
    std::cout << "media_fuzz_seeds: wrote " << images.string() << " and " << sounds.string()
              << "\n";
    return 0;
}
