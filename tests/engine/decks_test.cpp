// Whole conversions of the corpus decks through the .pptx host: every readable deck becomes a
// movie that our own reader decodes, with one frame per slide and a closing frame, and nothing
// but the movie is left beside the deck; a picture drawn again (a master's photograph and
// buttons on every slide) is written once. Decks the host refuses fail with a message.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/engine.h"
#include "host/pptx/pptx_host.h"
#include "swf/bitmaps.h"
#include "swf/movie.h"
#include "swf/sprites_buttons.h"
#include "test_support.h"

namespace quillet::enginetest {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> corpusDecks() {
    std::vector<fs::path> decks;
    const fs::path folder = fs::path(corpusDir()) / "pptx";
    if (!fs::is_directory(folder)) return decks;
    for (const auto& e : fs::directory_iterator(folder)) {
        if (e.path().extension() == ".pptx") decks.push_back(e.path());
    }
    std::sort(decks.begin(), decks.end());
    return decks;
}

TEST(CorpusDecks, EveryReadableDeckBecomesAMovie) {
    const auto decks = corpusDecks();
    if (decks.empty()) GTEST_SKIP() << "corpus decks not found under " << corpusDir() << "/pptx";
    int converted = 0;
    for (const fs::path& deck : decks) {
        SCOPED_TRACE(deck.filename().string());
        ScratchDir dir;
        const fs::path copy = dir.path() / deck.filename();
        fs::copy_file(deck, copy);
        std::shared_ptr<host::Application> app;
        try {
            app = pptx::openApplication(copy.string());
        } catch (const std::exception& e) {
            // Only the decks that are not packages at all may be refused.
            const std::string name = deck.filename().string();
            EXPECT_TRUE(name.rfind("clusterfuzz", 0) == 0 || name == "SamplePassword.pptx")
                << e.what();
            continue;
        }
        RecordingSink sink;
        const auto result = engine::convertPresentation(app, sink, settingsIn(dir), options(11));
        ASSERT_EQ(result.status, 0) << result.message;
        const int slides = app->activePresentation()->slides()->count();
        transform::FSMovie movie(result.swfPath);
        EXPECT_EQ(movie.frameCount(), slides + 1);  // no-slides.pptx: the closing frame alone
        EXPECT_EQ(movie.getSignature(), "CWS");
        EXPECT_EQ(dir.names(), (std::vector<std::string>{deck.filename().string(),
                                                         deck.stem().string() + ".swf"}));
        EXPECT_EQ(sink.reports.back(), (Report{"Waiting swf show...", 0, 5}));
        // Bitmaps are written deterministically: one picture gives the same bytes each time.
        std::vector<std::pair<int, const std::vector<uint8_t>*>> bitmaps;
        for (const auto& tag : movie.getObjects()) {
            if (const auto* l = dynamic_cast<const transform::FSLosslessImage*>(tag.get())) {
                bitmaps.emplace_back(l->getWidth(), &l->getImage());
            } else if (const auto* j =
                           dynamic_cast<const transform::FSDefineJPEGImage2*>(tag.get())) {
                bitmaps.emplace_back(-1, &j->getImage());
            }
        }
        int twice = 0;
        for (std::size_t i = 0; i < bitmaps.size(); ++i) {
            for (std::size_t j = i + 1; j < bitmaps.size(); ++j) {
                twice += bitmaps[i].first == bitmaps[j].first &&
                         *bitmaps[i].second == *bitmaps[j].second;
            }
        }
        EXPECT_EQ(twice, 0) << "of " << bitmaps.size() << " bitmaps";
        ++converted;
    }
    EXPECT_GE(converted, 25);
}

}  // namespace
}  // namespace quillet::enginetest
