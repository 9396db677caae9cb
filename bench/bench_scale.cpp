// How time and memory grow with a deck: `quillet inspect` and `quillet convert` in a child
// process on generated decks,
//   - one text box of 10k, 20k and 40k paragraphs (time should grow in proportion: compare the
//     ms_per_1k_paragraphs counter across sizes);
//   - 300, 1000 and 3000 slides of a title and a shape each (peak memory should grow by a small,
//     fixed amount a slide: the KiB_per_slide counter is the peak less that of a one-slide deck,
//     over the other slides).
// Decks are written once per run with examples/pptx_writer.py into a temporary folder.
//
//   bench_scale [--quillet PATH] [benchmark flags]
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

std::string quillet = QUILLET_BINARY;
fs::path folder;

struct Figures {
    bool ok = false;
    double seconds = 0;
    double peakKiB = 0;
};

// Runs the command with its output thrown away; the wall time and the peak resident set.
Figures run(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    Figures f;
    if (spawned != 0) return f;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return f;
    f.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    f.peakKiB = static_cast<double>(usage.ru_maxrss);
    f.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return f;
}

// The deck of the given kind and size, written on first use.
std::string deck(const std::string& kind, int size) {
    static std::map<std::string, std::string> made;
    const std::string name = kind + std::to_string(size);
    if (auto it = made.find(name); it != made.end()) return it->second;
    const std::string path = (folder / (name + ".pptx")).string();
    const std::string script = folder / "make.py";
    const std::string command = "python3 '" + script + "' '" + QUILLET_EXAMPLES + "' " + kind +
                                " " + std::to_string(size) + " '" + path + "'";
    if (std::system(command.c_str()) != 0) return "";
    return made[name] = path;
}

const char* const kMaker = R"(import sys
sys.path.insert(0, sys.argv[1])
from pptx_writer import para, run, shape, slide, solid, text_body, write_deck
kind, size, out = sys.argv[2], int(sys.argv[3]), sys.argv[4]
if kind == 'paragraphs':
    body = text_body(''.join(para(run(f'Line {i} of the box', 12)) for i in range(size)))
    slides = [(slide(shape(2, 'Text', 'rect', (20, 20, 900, 500), body=body)), 'obj', [])]
else:
    slides = [(slide(shape(2, 'Title', 'rect', (40, 40, 880, 100), solid('1F77B4'),
                           body=text_body(para(run(f'Slide {i + 1}', 32)))) +
                     shape(3, 'Box', 'ellipse', (100, 200, 300, 200), solid('FF7F0E'))), 'obj', [])
              for i in range(size)]
write_deck(out, slides)
)";

void measure(benchmark::State& state, const std::string& command, const std::string& kind) {
    const int size = static_cast<int>(state.range(0));
    const std::string path = deck(kind, size);
    if (path.empty()) {
        state.SkipWithError("the deck could not be written (python3?)");
        return;
    }
    std::vector<std::string> arguments{quillet, command, path};
    if (command == "convert") {
        arguments.insert(arguments.end(), {"-o", (folder / (kind + ".swf")).string(), "--quiet"});
    }
    Figures last;
    for (auto _ : state) {
        last = run(arguments);
        if (!last.ok) {
            state.SkipWithError(("quillet " + command + " failed on " + path).c_str());
            return;
        }
        state.SetIterationTime(last.seconds);
    }
    state.counters["peak_MiB"] = last.peakKiB / 1024;
    if (kind == "paragraphs") {
        state.counters["ms_per_1k_paragraphs"] = last.seconds * 1e3 / (size / 1000.0);
    } else {
        // Less the peak of a one-slide deck: what the program needs whatever the deck.
        static std::map<std::string, double> base;
        if (!base.count(command)) {
            std::vector<std::string> one = arguments;
            one[2] = deck(kind, 1);
            base[command] = run(one).peakKiB;
        }
        state.counters["KiB_per_slide"] = (last.peakKiB - base[command]) / (size - 1);
    }
}

void BM_InspectParagraphs(benchmark::State& state) {
    measure(state, "inspect", "paragraphs");
}
void BM_ConvertParagraphs(benchmark::State& state) {
    measure(state, "convert", "paragraphs");
}
void BM_InspectSlides(benchmark::State& state) {
    measure(state, "inspect", "slides");
}
void BM_ConvertSlides(benchmark::State& state) {
    measure(state, "convert", "slides");
}

// One measured run per size: each is a whole command on a deck written for it.
void paragraphCounts(benchmark::internal::Benchmark* b) {
    b->Arg(10000)->Arg(20000)->Arg(40000);
    b->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
}
void slideCounts(benchmark::internal::Benchmark* b) {
    b->Arg(300)->Arg(1000)->Arg(3000);
    b->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_InspectParagraphs)->Apply(paragraphCounts);
BENCHMARK(BM_ConvertParagraphs)->Apply(paragraphCounts);
BENCHMARK(BM_InspectSlides)->Apply(slideCounts);
BENCHMARK(BM_ConvertSlides)->Apply(slideCounts);

}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quillet") == 0 && i + 1 < argc) {
            quillet = argv[++i];
        } else {
            rest.push_back(argv[i]);
        }
    }
    // XDG_CONFIG_HOME in the folder: saved settings do not change the figures.
    char pattern[] = "/tmp/bench_scale_XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    folder = pattern;
    setenv("XDG_CONFIG_HOME", pattern, 1);
    {
        FILE* maker = std::fopen((folder / "make.py").c_str(), "w");
        if (!maker) return 1;
        std::fputs(kMaker, maker);
        std::fclose(maker);
    }
    int count = static_cast<int>(rest.size());
    benchmark::Initialize(&count, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return 0;
}
