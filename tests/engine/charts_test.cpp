// Charts through the .pptx host: a chart the file keeps no picture of (in a frame of its own or in
// a placeholder) becomes a sprite of vector shapes and texts (its drawing, recorded), with no
// bitmap in the movie.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "engine/engine.h"
#include "host/pptx/pptx_host.h"
#include "swf/movie.h"
#include "swf/sprites_buttons.h"
#include "test_support.h"

namespace quillet::enginetest {
namespace {

namespace fs = std::filesystem;

// DefineBits, JPEGTables, DefineBitsLossless, DefineBitsJPEG2, DefineBitsJPEG3,
// DefineBitsLossless2, DefineBitsJPEG4.
const std::set<int> kBitmapTags = {6, 8, 20, 21, 35, 36, 90};

TEST(ChartElements, ChartsAreSpritesOfShapesWithoutBitmaps) {
    ScratchDir dir;
    struct Deck {
        fs::path file;
        int charts;
    };
    std::vector<Deck> decks;
    const std::string written = dir.file("charts.pptx");
    const std::string make =
        "python3 '" + (fs::path(QUILLET_SOURCE_DIR) / "tests/decks/make_chart_deck.py").string() +
        "' '" + written + "'";
    ASSERT_EQ(std::system(make.c_str()), 0) << make;
    decks.push_back({written, 4});
    const fs::path pie = fs::path(corpusDir()) / "pptx" / "pie-chart.pptx";
    if (fs::exists(pie)) {
        fs::copy_file(pie, dir.path() / pie.filename());
        decks.push_back({dir.path() / pie.filename(), 1});
    } else {
        std::cout << "corpus deck " << pie << " not found: the written deck alone\n";
    }
    for (const Deck& deck : decks) {
        SCOPED_TRACE(deck.file.filename().string());
        auto app = pptx::openApplication(deck.file.string());
        RecordingSink sink;
        const auto result = engine::convertPresentation(app, sink, settingsIn(dir), options(5));
        ASSERT_EQ(result.status, 0) << result.message;
        transform::FSMovie movie(result.swfPath);
        int drawings = 0;
        for (const auto& object : movie.getObjects()) {
            EXPECT_FALSE(kBitmapTags.count(object->getType())) << "tag " << object->getType();
            auto* clip = dynamic_cast<const transform::FSDefineMovieClip*>(object.get());
            if (!clip) continue;
            int placed = 0;
            for (const auto& inner : clip->getObjects()) placed += inner->getType() == 26;
            drawings += placed >= 10;  // bars, slices, lines and labels
        }
        EXPECT_GE(drawings, deck.charts);
        const std::string verdict = independentParserVerdict(result.swfPath);
        if (verdict.rfind("skip: ", 0) == 0) {
            std::cout << verdict << '\n';
            continue;
        }
        EXPECT_EQ(verdict, "");
    }
}

}  // namespace
}  // namespace quillet::enginetest
