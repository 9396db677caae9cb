// Time to open a presentation and resolve it fully with the .pptx host: the package, every
// master, layout and slide, then every property the engine reads through the host interface.
// The deck is the largest of the corpus (customGeo.pptx, 1.05 MB, 48 slides) unless
// QUILLET_BENCH_PPTX names another file.
//
//   bench_pptx_open [benchmark flags]
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "host/host.h"
#include "host/pptx/pptx_host.h"

namespace {

using namespace quillet;

std::string deckPath() {
    if (const char* env = std::getenv("QUILLET_BENCH_PPTX")) return env;
    return std::string(QUILLET_CORPUS) + "/pptx/customGeo.pptx";
}

long touchShapes(const host::Shapes& shapes) {
    long n = 0;
    for (int i = 1; i <= shapes.count(); ++i) {
        auto s = shapes.item(i);
        n += s->type() + s->autoShapeType() + s->line()->foreColorRgb() + s->fill()->type();
        n += static_cast<long>(s->nodes().size());
        if (auto frame = s->textFrame()) {
            auto range = frame->textRange();
            for (int p = 1; p <= range->paragraphCount(); ++p) {
                auto para = range->paragraphs(p);
                n += para->paragraphFormat()->bullet()->type();
                for (int r = 1; r <= para->runCount(); ++r) {
                    n += static_cast<long>(para->runs(r)->font()->size());
                }
            }
        }
        if (auto a = s->animationSettings()) n += a->entryEffect();
        if (auto members = s->groupItems()) n += touchShapes(*members);
    }
    return n;
}

void BM_OpenAndResolve(benchmark::State& state) {
    std::string path = deckPath();
    if (!std::filesystem::exists(path)) {
        state.SkipWithError(("deck not found: " + path).c_str());
        return;
    }
    long slides = 0;
    for (auto _ : state) {
        auto app = pptx::openApplication(path);
        auto p = app->activePresentation();
        long n = 0;
        for (const auto& m : {p->slideMaster(), p->titleMaster()}) {
            if (m) n += touchShapes(*m->shapes());
        }
        slides = p->slides()->count();
        for (int i = 1; i <= slides; ++i) {
            auto slide = p->slides()->item(i);
            n += slide->transition()->entryEffect() + slide->background()->foreColorRgb();
            n += touchShapes(*slide->shapes());
        }
        benchmark::DoNotOptimize(n);
    }
    state.counters["slides"] = static_cast<double>(slides);
    state.SetBytesProcessed(state.iterations() *
                            static_cast<int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_OpenAndResolve)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
