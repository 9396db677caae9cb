// Speed of the font rasterizer as a conversion uses it: starting a library (fontconfig's
// configuration and font list), resolving fonts, extracting the glyphs of a Latin and a CJK text
// (the CJK faces have cubic outlines that are split into quadratics), and measuring text for
// layout. Glyphs counts are reported as items per second.
#include <benchmark/benchmark.h>

#include <string>

#include "fonts/font_library.h"

namespace {

using namespace quillet::fonts;

LogicalFont fontNamed(const std::string& face, std::int32_t height) {
    LogicalFont f;
    f.height = height;
    f.weight = weight::medium;
    f.faceName = face;
    return f;
}

const std::u32string kLatin =
    U"The quick brown fox jumps over the lazy dog. PACK MY BOX WITH FIVE DOZEN LIQUOR JUGS! "
    U"0123456789";

// 500 consecutive common ideographs.
std::u32string ideographs() {
    std::u32string text;
    for (char32_t c = 0x4E00; c < 0x4E00 + 500; ++c) text.push_back(c);
    return text;
}

void BM_StartLibrary(benchmark::State& state) {
    for (auto _ : state) {
        FontLibrary lib;
        benchmark::DoNotOptimize(lib.primaryFace(fontNamed("Calibri", 24)));
    }
}
BENCHMARK(BM_StartLibrary)->Unit(benchmark::kMillisecond);

void BM_ResolveFont(benchmark::State& state) {
    // A new face name each time, so that every call matches anew.
    FontLibrary lib;
    int n = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(lib.primaryFace(fontNamed("Missing " + std::to_string(n++), 24)));
    }
}
BENCHMARK(BM_ResolveFont)->Unit(benchmark::kMillisecond);

void BM_LatinOutlines(benchmark::State& state) {
    FontLibrary lib;
    LogicalFont f = fontNamed("Calibri", 24);
    for (auto _ : state) {
        for (char32_t c : kLatin) benchmark::DoNotOptimize(lib.glyphOutline(f, c));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kLatin.size()));
}
BENCHMARK(BM_LatinOutlines);

void BM_CjkOutlines(benchmark::State& state) {
    FontLibrary lib;
    LogicalFont f = fontNamed("Noto Sans CJK JP", 24);
    std::u32string text = ideographs();
    for (auto _ : state) {
        for (char32_t c : text) benchmark::DoNotOptimize(lib.glyphOutline(f, c));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_CjkOutlines)->Unit(benchmark::kMillisecond);

// CJK text in a Western run: each character found once by the per-character fallback, in a new
// library per iteration (its start is not timed).
void BM_CjkFallbackFirstUse(benchmark::State& state) {
    std::u32string text = ideographs();
    for (auto _ : state) {
        state.PauseTiming();
        FontLibrary lib;
        LogicalFont f = fontNamed("Arial", 24);
        benchmark::DoNotOptimize(lib.primaryFace(f));
        state.ResumeTiming();
        for (char32_t c : text) benchmark::DoNotOptimize(lib.advance(f, c, 24));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_CjkFallbackFirstUse)->Unit(benchmark::kMillisecond);

void BM_TextExtent(benchmark::State& state) {
    FontLibrary lib;
    LogicalFont f = fontNamed("Calibri", 24);
    for (auto _ : state) benchmark::DoNotOptimize(lib.textExtent(f, kLatin, 18.5, true));
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kLatin.size()));
}
BENCHMARK(BM_TextExtent);

}  // namespace

BENCHMARK_MAIN();
