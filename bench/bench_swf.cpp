// Encode and decode speed of a large movie: about 200,000 shape records (lines, curves and style
// changes) in 1,000 shape tags with alpha colours, placed over 100 frames. Reports MB/s of the
// uncompressed movie for plain ("FWS") and compressed ("CWS", zlib included) files.
//
//   bench_swf [--write_movie=FILE] [--write_compressed_movie=FILE] [benchmark flags]
//
// --write_movie (or the environment variable QUILLET_BENCH_SWF_MOVIE) writes the plain movie that
// the benchmarks decode, so that another parser can be timed on the very same file
// (bench/swf_parser_time.mjs); --write_compressed_movie writes the compressed one.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "swf/display_list.h"
#include "swf/movie.h"
#include "swf/shapes.h"

namespace {

using namespace transform;

constexpr int ShapeCount = 1000;
constexpr int RecordsPerShape = 200;
constexpr int ShapesPerFrame = 10;

// A fixed sequence, the same on every platform and library, so every run measures the same file.
class Sequence {
  public:
    uint32_t next() {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>(state >> 33);
    }
    // In [low, high].
    int between(int low, int high) {
        return low + static_cast<int>(next() % static_cast<uint32_t>(high - low + 1));
    }

  private:
    uint64_t state = 0x5157494C4C4554ULL;
};

FSColor anyColor(Sequence& random) {
    return FSColor(random.between(0, 255), random.between(0, 255), random.between(0, 255),
                   random.between(0, 255));
}

// Records of a drawing: mostly straight and curved edges of varied sizes, with a style change
// (move, fill or line switch) every few edges and new style lists now and then.
FSShape drawing(Sequence& random) {
    FSShape shape;
    // Indexes stay within the current lists: the tag's 3 fills and 2 lines, then 2 and 1.
    int fillCount = 3;
    int lineCount = 2;
    shape.emplace<FSShapeStyle>(1, 1, 0, random.between(0, 8000), random.between(0, 6000));
    for (int i = 1; i < RecordsPerShape; ++i) {
        const int pick = random.between(0, 99);
        const int reach = 1 << random.between(3, 12);
        if (pick < 40) {
            shape.emplace<FSLine>(random.between(-reach, reach), random.between(-reach, reach));
        } else if (pick < 50) {
            shape.emplace<FSLine>(random.between(-reach, reach), 0);
        } else if (pick < 60) {
            shape.emplace<FSLine>(0, random.between(-reach, reach));
        } else if (pick < 90) {
            shape.emplace<FSCurve>(random.between(-reach, reach), random.between(-reach, reach),
                                   random.between(-reach, reach), random.between(-reach, reach));
        } else if (pick < 98) {
            shape.emplace<FSShapeStyle>(random.between(0, lineCount), random.between(0, fillCount),
                                        random.between(0, fillCount), random.between(0, 8000),
                                        random.between(0, 6000));
        } else {
            auto& restyle = shape.emplace<FSShapeStyle>(1, 2, Default, random.between(0, 8000),
                                                        random.between(0, 6000));
            restyle.addFillStyle(std::make_unique<FSSolidFill>(anyColor(random)));
            restyle.addFillStyle(std::make_unique<FSSolidFill>(anyColor(random)));
            restyle.addLineStyle(
                std::make_unique<FSSolidLine>(random.between(1, 400), anyColor(random)));
            fillCount = 2;
            lineCount = 1;
        }
    }
    return shape;
}

FSMovie largeMovie(const char* signature) {
    Sequence random;
    FSMovie movie(signature, 7, FSBounds(0, 0, 16000, 12000), 20.0f, {});
    movie.add(std::make_unique<FSSetBackgroundColor>(FSColor(0, 0, 0)));
    for (int i = 0; i < ShapeCount; ++i) {
        FSArray<FSFillStyle> fills;
        for (int f = 0; f < 3; ++f) fills.add(std::make_unique<FSSolidFill>(anyColor(random)));
        FSArray<FSLineStyle> lines;
        for (int l = 0; l < 2; ++l)
            lines.add(std::make_unique<FSSolidLine>(random.between(1, 400), anyColor(random)));
        const int id = movie.newIdentifier();
        movie.add(std::make_unique<FSDefineShape3>(
            id, FSBounds(0, 0, 16000, 12000), std::move(fills), std::move(lines), drawing(random)));
        FSCoordTransform place(random.between(-2000, 2000), random.between(-2000, 2000));
        if (i % 3 == 0) place.scale(0.5 + random.between(0, 100) / 100.0, 1.25);
        if (i % 7 == 0) place.rotate(random.between(0, 359));
        auto placement =
            std::make_unique<FSPlaceObject2>(id, i % ShapesPerFrame + 1, place, FSColorTransform());
        if (i >= ShapesPerFrame) placement->setPlaceType(FSPlaceObject2::Replace);
        movie.add(std::move(placement));
        if (i % ShapesPerFrame == ShapesPerFrame - 1) movie.add(std::make_unique<FSShowFrame>());
    }
    return movie;
}

// The movie and its encodings, built once.
struct Fixture {
    FSMovie plain = largeMovie("FWS");
    FSMovie compressed = largeMovie("CWS");
    std::vector<uint8_t> plainBytes = plain.encode();
    std::vector<uint8_t> compressedBytes = compressed.encode();
};

const Fixture& fixture() {
    static const Fixture instance;
    return instance;
}

void report(benchmark::State& state, std::size_t fileBytes) {
    const auto& f = fixture();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(f.plainBytes.size()));
    state.counters["file_bytes"] = static_cast<double>(fileBytes);
    state.counters["records"] = ShapeCount * RecordsPerShape;
}

void encodeMovie(benchmark::State& state, bool compress) {
    const auto& f = fixture();
    FSMovie movie = compress ? f.compressed : f.plain;
    std::size_t size = 0;
    for (auto _ : state) {
        std::vector<uint8_t> bytes = movie.encode();
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.data());
    }
    report(state, size);
}

void decodeMovie(benchmark::State& state, bool compress) {
    const auto& f = fixture();
    const std::vector<uint8_t>& bytes = compress ? f.compressedBytes : f.plainBytes;
    std::size_t objects = 0;
    for (auto _ : state) {
        auto movie = std::make_unique<FSMovie>();
        movie->decodeFromData(bytes);
        objects = movie->getObjects().size();
        benchmark::DoNotOptimize(objects);
        // Freeing the objects is not part of reading them (a garbage-collected parser defers it).
        state.PauseTiming();
        movie.reset();
        state.ResumeTiming();
    }
    if (objects != f.plain.getObjects().size()) state.SkipWithError("decoded a different movie");
    report(state, bytes.size());
}

// MB/s are of the uncompressed movie in every case, so plain and compressed figures compare.
void BM_EncodeFWS(benchmark::State& state) {
    encodeMovie(state, false);
}
void BM_DecodeFWS(benchmark::State& state) {
    decodeMovie(state, false);
}
void BM_EncodeCWS(benchmark::State& state) {
    encodeMovie(state, true);
}
void BM_DecodeCWS(benchmark::State& state) {
    decodeMovie(state, true);
}
BENCHMARK(BM_EncodeFWS)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeFWS)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeCWS)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeCWS)->Unit(benchmark::kMillisecond);

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

// Takes "--name=value" out of the arguments; returns the value or an empty string.
std::string takeFlag(int& argc, char** argv, std::string_view name) {
    std::string value;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.size() > name.size() + 3 && arg.substr(0, 2) == "--" &&
            arg.substr(2, name.size()) == name && arg[name.size() + 2] == '=') {
            value = std::string(arg.substr(name.size() + 3));
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    return value;
}

}  // namespace

int main(int argc, char** argv) {
    std::string plainPath = takeFlag(argc, argv, "write_movie");
    const std::string compressedPath = takeFlag(argc, argv, "write_compressed_movie");
    if (plainPath.empty()) {
        if (const char* env = std::getenv("QUILLET_BENCH_SWF_MOVIE")) plainPath = env;
    }

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    try {
        const auto& f = fixture();
        std::fprintf(stderr, "movie: %zu tags, %d shape records, %zu bytes plain, %zu compressed\n",
                     f.plain.getObjects().size(), ShapeCount * RecordsPerShape, f.plainBytes.size(),
                     f.compressedBytes.size());
        if (!plainPath.empty() && !writeFile(plainPath, f.plainBytes)) {
            std::fprintf(stderr, "cannot write %s\n", plainPath.c_str());
            return 1;
        }
        if (!compressedPath.empty() && !writeFile(compressedPath, f.compressedBytes)) {
            std::fprintf(stderr, "cannot write %s\n", compressedPath.c_str());
            return 1;
        }
    } catch (const FSException& e) {
        std::fprintf(stderr, "cannot build the movie: %s\n", e.what());
        return 1;
    }

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
