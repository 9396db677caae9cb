// Time to lay out and draw one slide, for every slide of the largest deck of the corpus
// (customGeo.pptx, 48 slides, unless QUILLET_BENCH_PPTX names another file), at 0.711 pixels per
// point (a 720-point slide becomes 512 pixels wide). Each iteration starts with an empty layout
// cache, so the text layout is timed with the drawing.
//
//   bench_render [benchmark flags]
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "host/pptx/layout.h"
#include "host/pptx/reader.h"
#include "host/pptx/render/renderer.h"

namespace {

using namespace quillet;

constexpr double kPixelsPerPoint = 0.711;

std::string deckPath() {
    if (const char* env = std::getenv("QUILLET_BENCH_PPTX")) return env;
    return std::string(QUILLET_CORPUS) + "/pptx/customGeo.pptx";
}

void renderOne(benchmark::State& state, std::shared_ptr<pptx::PresentationData> deck,
               std::size_t index, std::shared_ptr<pptx::LayoutCache> fonts) {
    int width = static_cast<int>(std::lround(deck->slideWidth * kPixelsPerPoint));
    int height = static_cast<int>(std::lround(deck->slideHeight * kPixelsPerPoint));
    for (auto _ : state) {
        // A fresh layout cache per iteration; the font library (faces loaded once per
        // conversion) is kept by a cache that is cleared instead of rebuilt.
        fonts->clear();
        pptx::render::Renderer renderer(fonts.get());
        pptx::render::Surface s = renderer.renderSlide(*deck, *deck->slides[index], width, height);
        benchmark::DoNotOptimize(s.get());
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::string path = deckPath();
    if (!std::filesystem::exists(path)) {
        std::fprintf(stderr, "bench_render: deck not found: %s\n", path.c_str());
        return 1;
    }
    std::shared_ptr<pptx::PresentationData> deck = pptx::openPresentation(path);
    auto cache = std::make_shared<pptx::LayoutCache>();
    for (std::size_t i = 0; i < deck->slides.size(); ++i) {
        std::string name = "BM_LayoutAndRender/slide-" + std::to_string(i + 1);
        benchmark::RegisterBenchmark(name.c_str(), renderOne, deck, i, cache)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
