// Speed of the picture and sound loaders on full-size inputs made in memory: decoding and
// defining a 1920 x 1080 PNG and JPEG (the size of a slide picture), and a five-minute MP3 and a
// one-minute WAV (a background sound), with the tags a movie takes from them.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "media/image_loader.h"
#include "media/sound_loader.h"
#include "tests/media/media_synth.h"

namespace {

using namespace quillet::media;
namespace synth = quillet::media::synth;
using synth::Bytes;

constexpr uint32_t Width = 1920;
constexpr uint32_t Height = 1080;

// Smooth gradients with a little noise, compressing about as well as a rendered slide does.
std::vector<synth::Rgb> slidePixels() {
    std::vector<synth::Rgb> pixels(static_cast<std::size_t>(Width) * Height);
    uint32_t noise = 12345;
    for (uint32_t y = 0; y < Height; ++y) {
        for (uint32_t x = 0; x < Width; ++x) {
            noise = noise * 1103515245 + 12345;
            const auto jitter = static_cast<uint8_t>(noise >> 29);
            pixels[static_cast<std::size_t>(y) * Width + x] = {
                static_cast<uint8_t>(x * 255 / Width + jitter),
                static_cast<uint8_t>(y * 255 / Height),
                static_cast<uint8_t>((x + y) / 12 + jitter)};
        }
    }
    return pixels;
}

const Bytes& pngFile() {
    static const Bytes file = [] {
        Bytes rgba;
        rgba.reserve(static_cast<std::size_t>(Width) * Height * 4);
        for (const auto& c : slidePixels()) rgba.insert(rgba.end(), {c.r, c.g, c.b, 255});
        return synth::pngRgba(Width, Height, rgba, 1);
    }();
    return file;
}

const Bytes& jpegFile() {
    static const Bytes file = synth::jpegBlocks(Width, Height, slidePixels());
    return file;
}

// Five minutes of 128 kbit/s stereo MPEG-1 frames at 44100 Hz.
const Bytes& mp3File() {
    static const Bytes file = synth::mp3Stream({3, 9, 0, 1}, 5 * 60 * 44100 / 1152);
    return file;
}

const Bytes& wavFile() {
    static const Bytes file = [] {
        Bytes samples(60 * 44100 * 4);
        for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<uint8_t>(i * 31);
        return synth::wav(2, 44100, 16, samples);
    }();
    return file;
}

void imageDecodeAndDefine(benchmark::State& state, const Bytes& file) {
    auto loader = createImageLoader();
    for (auto _ : state) {
        if (loader->decodeData(file) != Success) state.SkipWithError(loader->getProblem().c_str());
        auto image = loader->defineImage(1);
        auto shape = loader->defineShape(2, 1, 0, 0, 0, transform::FSColor(0, 0, 0));
        benchmark::DoNotOptimize(image);
        benchmark::DoNotOptimize(shape);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
    state.counters["file_bytes"] = static_cast<double>(file.size());
}

void BM_PngDecodeAndDefine(benchmark::State& state) {
    imageDecodeAndDefine(state, pngFile());
}
void BM_JpegDecodeAndDefine(benchmark::State& state) {
    imageDecodeAndDefine(state, jpegFile());
}

void BM_PngDecode(benchmark::State& state) {
    auto loader = createImageLoader();
    for (auto _ : state) {
        if (loader->decodeData(pngFile()) != Success)
            state.SkipWithError(loader->getProblem().c_str());
    }
}

void BM_PngDefineImage(benchmark::State& state) {
    auto loader = createImageLoader();
    if (loader->decodeData(pngFile()) != Success) state.SkipWithError(loader->getProblem().c_str());
    for (auto _ : state) benchmark::DoNotOptimize(loader->defineImage(1));
}

void soundDecodeAndDefine(benchmark::State& state, const Bytes& file) {
    auto loader = createSoundLoader();
    for (auto _ : state) {
        if (loader->decodeData(file) != Success) state.SkipWithError(loader->getProblem().c_str());
        auto head = loader->defineStreamHeader(0);
        auto sound = loader->defineSound(1);
        benchmark::DoNotOptimize(head);
        benchmark::DoNotOptimize(sound);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
    state.counters["file_bytes"] = static_cast<double>(file.size());
    state.counters["samples"] = static_cast<double>(loader->getSampleCount());
}

void BM_Mp3DecodeAndDefine(benchmark::State& state) {
    soundDecodeAndDefine(state, mp3File());
}
void BM_WavDecodeAndDefine(benchmark::State& state) {
    soundDecodeAndDefine(state, wavFile());
}

// Every stream block of the five-minute MP3 at 20 frames a second.
void BM_Mp3StreamBlocks(benchmark::State& state) {
    auto loader = createSoundLoader();
    if (loader->decodeData(mp3File()) != Success) state.SkipWithError(loader->getProblem().c_str());
    const int blocks = static_cast<int>(loader->getSampleCount() / 2205);
    for (auto _ : state) {
        for (int block = 0; block < blocks; ++block)
            benchmark::DoNotOptimize(loader->defineStreamBlock(block, 2205));
    }
    state.counters["blocks"] = blocks;
}

}  // namespace

BENCHMARK(BM_PngDecodeAndDefine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngDefineImage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegDecodeAndDefine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mp3DecodeAndDefine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mp3StreamBlocks)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WavDecodeAndDefine)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
