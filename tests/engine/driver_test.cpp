// The driver: phases and their progress reports, the movie's first tags, output naming, working
// files on success and on every kind of failure.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string_view>
#include <tuple>

#include "engine/engine.h"
#include "engine/phases.h"
#include "engine/working_folder.h"
#include "memory_host.h"
#include "swf/bitmaps.h"
#include "swf/display_list.h"
#include "swf/movie.h"
#include "swf/sounds.h"
#include "test_support.h"

namespace quillet::enginetest {
namespace {

using engine::ConversionOptions;
using engine::convertPresentation;
using settings::SettingsSource;

SettingsSource noSavedSettings(const ScratchDir& dir, settings::SettingsOverrides o = {}) {
    return SettingsSource(dir.path() / "no-such-settings", o);
}

// A 16-bit mono PCM WAV at 11025 Hz with `samples` samples.
void writeWav(const std::string& path, int samples) {
    std::vector<std::uint8_t> b;
    auto put = [&](std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    auto tag = [&](const char* t) { b.insert(b.end(), t, t + 4); };
    const std::uint32_t data = static_cast<std::uint32_t>(samples) * 2;
    tag("RIFF"), put(36 + data, 4), tag("WAVE"), tag("fmt "), put(16, 4);
    put(1, 2), put(1, 2), put(11025, 4), put(22050, 4), put(2, 2), put(16, 2);  // PCM, mono
    tag("data"), put(data, 4);
    for (int i = 0; i < samples; ++i) put(static_cast<std::uint32_t>(i * 97), 2);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

TEST(OutputNaming, AnyPresentationExtensionInAnyCase) {
    for (const auto& [deck, movie] : {std::pair{"/a/b.ppt", "/a/b.swf"},
                                      {"/a/b.PPT", "/a/b.swf"},
                                      {"/a/b.pptx", "/a/b.swf"},
                                      {"/a/talk.v2.PptM", "/a/talk.v2.swf"},
                                      {"/a/b.ppsx", "/a/b.swf"},
                                      {"/a/b.odp", ""},
                                      {"/a/b", ""},
                                      {"/a.pptx/b", ""}})
        EXPECT_EQ(engine::swfPathFor(deck), movie) << deck;
}

// Points $TMPDIR at a folder of the test's own for a scope.
class TmpdirIn {
  public:
    explicit TmpdirIn(const std::filesystem::path& folder) {
        std::filesystem::create_directories(folder);
        if (const char* old = std::getenv("TMPDIR")) old_ = old;
        ::setenv("TMPDIR", folder.c_str(), 1);
    }
    ~TmpdirIn() {
        if (old_) {
            ::setenv("TMPDIR", old_->c_str(), 1);
        } else {
            ::unsetenv("TMPDIR");
        }
    }

  private:
    std::optional<std::string> old_;
};

TEST(WorkingFiles, InAPrivateFolderUnderTmpdirNeverBesideTheDeck) {
    ScratchDir dir;
    TmpdirIn tmp(dir.path() / "tmp");
    auto app = testhost::makeDeck(dir.file("b.Pptx"), 1);
    engine::PresentationContext context;
    ASSERT_TRUE(context.takeActivePresentation(app));
    EXPECT_EQ(context.swfPath(), dir.file("b.swf"));
    const std::filesystem::path folder = context.workingFolder().path();
    EXPECT_EQ(folder.parent_path(), dir.path() / "tmp");
    EXPECT_TRUE(folder.filename().string().starts_with("quillet-run-")) << folder;
    EXPECT_TRUE(std::filesystem::is_directory(context.pictureFolder()));
    engine::PresentationContext other;
    ASSERT_TRUE(other.takeActivePresentation(app));
    EXPECT_NE(other.workingFolder().path(), folder.string()) << "two runs share a folder";
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"tmp"}));
    context.removeWorkingFiles();
    other.removeWorkingFiles();
    EXPECT_TRUE(std::filesystem::is_empty(dir.path() / "tmp"));
}

// A run that dies without cleaning up (SIGKILL) leaves its folder and partial movie; the next run
// clears both, and nothing that is not a dead run's.
TEST(WorkingFiles, StaleFoldersOfDeadRunsAreClearedOthersKept) {
    ScratchDir dir;
    const std::filesystem::path tmp = dir.path() / "tmp";
    TmpdirIn scope(tmp);
    std::ofstream(dir.file("talk.swf.part")) << "half a movie";
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto* folder = new engine::WorkingFolder(tmp.string());  // never freed: the run is killed
        std::ofstream(folder->path() + "/part") << dir.file("talk.swf.part");
        ::raise(SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    std::filesystem::create_directories(tmp / "quillet-run-notours");  // no lock: not ours
    std::filesystem::create_directories(tmp / "quillet-corpus-x");
    engine::WorkingFolder alive(tmp.string());  // clears the dead run's on the way
    std::vector<std::string> kept = {"quillet-corpus-x", "quillet-run-notours",
                                     std::filesystem::path(alive.path()).filename().string()};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(namesIn(tmp), kept);
    EXPECT_FALSE(std::filesystem::exists(dir.file("talk.swf.part")));
    EXPECT_EQ(engine::clearStaleWorkingFolders(tmp.string()), 0) << "a live run's folder went";
}

TEST(WorkingFiles, AMovieIsWrittenWholeNeverOverAUsersPartFile) {
    ScratchDir dir;
    TmpdirIn tmp(dir.path() / "tmp");
    std::ofstream(dir.file("m.swf.part")) << "mine";
    engine::WorkingFolder folder;
    folder.writeMovie(dir.file("m.swf"), {1, 2, 3});
    EXPECT_EQ(transform::FSMovie::readFile(dir.file("m.swf")),
              (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(transform::FSMovie::readFile(dir.file("m.swf.part")),
              (std::vector<std::uint8_t>{'m', 'i', 'n', 'e'}));
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"m.swf", "m.swf.part", "tmp"}));
}

void expectCleanFailure(const ScratchDir& dir, const RecordingSink& sink,
                        const engine::ConversionResult& result,
                        const std::vector<std::string>& names) {
    EXPECT_EQ(result.status, 2);
    EXPECT_TRUE(result.swfPath.empty());
    EXPECT_FALSE(result.message.empty());
    ASSERT_FALSE(sink.reports.empty());
    EXPECT_EQ(sink.reports.back(), (Report{"Conversion failed: " + result.message, 0, 0}));
    EXPECT_EQ(dir.names(), names);
}

// Conversions of in-memory decks in a scratch folder, with settings that were never saved.
class Driver : public ::testing::Test {
  protected:
    std::shared_ptr<testhost::MemApplication> deck(const std::string& name, int slides,
                                                   bool titleMaster = false) {
        return testhost::makeDeck(dir.file(name), slides, titleMaster);
    }
    engine::ConversionResult convert(const std::shared_ptr<host::Application>& app,
                                     const ConversionOptions& o = options(1)) {
        return convertPresentation(app, sink, noSavedSettings(dir), o);
    }
    void expectCleanFailure(const engine::ConversionResult& result,
                            const std::vector<std::string>& names) {
        enginetest::expectCleanFailure(dir, sink, result, names);
    }
    ScratchDir dir;
    RecordingSink sink;
};

TEST_F(Driver, TakesNoActionWithoutAPresentation) {
    auto app = std::make_shared<testhost::MemApplication>();
    auto result = convert(app, {});
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.swfPath.empty());
    EXPECT_TRUE(sink.reports.empty());
}

TEST_F(Driver, SavesAnUnsavedPresentationFirst) {
    auto app = deck("talk.pptx", 1);
    app->active->saved_ = host::kFalse;
    auto result = convert(app);
    EXPECT_EQ(result.status, 0) << result.message;
    EXPECT_EQ(app->active->saveCalls, 1);
}

TEST_F(Driver, ReportsPhasesAndStepsInOrder) {
    auto app = deck("talk.pptx", 2);
    auto result = convert(app, options(7));
    ASSERT_EQ(result.status, 0) << result.message;
    EXPECT_EQ(result.swfPath, dir.file("talk.swf"));
    // Two slides: the capture step is 90 / 6 = 15; three entries (slide master and two slides).
    const std::vector<Report> expected = {
        {"Catch Slide", 0, 0},
        {"Export background picture", 1, 0},
        {"Export title master", 10, 0},
        {"Export slide master", 30, 0},
        {"Export slide   0/   2", 1, 0},
        {"Export slide   1/   2", 15, 0},
        {"Build elements", 0, 30},
        {"Export shapes of slide   0/   3 ", 20, 0},
        {"Export shapes of slide   1/   3 ", 20, 0},
        {"Export shapes of slide   2/   3 ", 20, 0},
        {"Build glyph of all font", 30, 0},
        {"Build string   0/   0 ", 1, 0},
        {"Combine elements", 0, 20},
        {"Main control script & progress", 20, 0},
        {"prepare slide   0/   3", 7, 0},
        {"prepare slide   1/   3", 7, 0},
        {"prepare slide   2/   3", 7, 0},
        {"Add last blank frame", 5, 0},
        {"string slide   0/   3", 20, 0},
        {"string slide   2/   3", 20, 0},
        {"ClearTemp & save", 0, 10},
        {"Swf file writing...", 0, 35},
        {"", 100, 0},
        {"Convert Success! ", 0, 5},
        {"", 100, 0},
        {"Waiting swf show...", 0, 5},
    };
    EXPECT_EQ(sink.reports, expected);
}

TEST_F(Driver, CaptureStepsForManySlides) {
    auto app = deck("long.pptx", 200);
    auto result = convert(app, options(7));
    ASSERT_EQ(result.status, 0) << result.message;
    // step = 90 / 204 < 1 and k = round(204 / 90) = 2: one step after every second slide.
    int slideSteps = 0;
    for (const Report& r : sink.reports) {
        if (r.text.rfind("Export slide ", 0) == 0 && r.text != "Export slide   0/ 200" &&
            r.text != "Export slide master") {
            EXPECT_EQ(r.phaseStep, 1) << r.text;
            ++slideSteps;
        }
    }
    EXPECT_EQ(slideSteps, 100);  // i = 0, 2, ..., 198
    EXPECT_EQ(sink.reports[2], (Report{"Export title master", 10, 0}));
    EXPECT_EQ(sink.reports[3], (Report{"Export slide master", 1, 0}));
}

TEST_F(Driver, MovieStartsWithSoundMasterBitmapsBackgroundColourThenSlideBitmaps) {
    auto app = deck("pics.pptx", 2, /*titleMaster=*/true);
    auto& p = *app->active;
    p.slideMaster_->background_->type_ = host::fill_type::kPicture;
    p.slideMaster_->background_->fore_ = 0x0000FF;
    p.titleMaster_->background_->type_ = host::fill_type::kTextured;
    // Slide 1 follows the master; slide 2 has a picture background of its own.
    auto& second = *p.slides_->items[1];
    second.followMaster_ = host::kFalse;
    second.background_->type_ = host::fill_type::kPicture;
    second.background_->fore_ = 0x00FF00;
    writeWav(dir.file("music.wav"), 2000);
    auto result = convert(app, options(3, dir.file("music.wav")));
    ASSERT_EQ(result.status, 0) << result.message;

    transform::FSMovie movie(result.swfPath);
    EXPECT_EQ(movie.getSignature(), "CWS");
    EXPECT_EQ(movie.getVersion(), 7);
    EXPECT_FLOAT_EQ(movie.getFrameRate(), 20.0f);
    EXPECT_EQ(movie.getFrameSize().getMaxX(), 14400);
    EXPECT_EQ(movie.getFrameSize().getMaxY(), 10800);
    const auto& tags = movie.getObjects();
    ASSERT_GE(tags.size(), 7u);
    EXPECT_STREQ(tags[0].name(), "FSSoundStreamHead2");
    EXPECT_STREQ(tags[1].name(), "FSDefineSound");
    EXPECT_STREQ(tags[2].name(), "FSStartSound");
    const auto* sound = dynamic_cast<const transform::FSDefineSound*>(&tags[1]);
    const auto* start = dynamic_cast<const transform::FSStartSound*>(&tags[2]);
    ASSERT_TRUE(sound && start);
    EXPECT_EQ(start->getSound().getIdentifier(), sound->getIdentifier());
    // Title master, then slide master background bitmaps: drawn in memory at one pixel a point
    // and opaque, so JPEG.
    const auto bitmapAt = [&tags](std::size_t i) {
        return dynamic_cast<const transform::FSDefineJPEGImage2*>(&tags[i]);
    };
    const auto* titleBitmap = bitmapAt(3);
    const auto* masterBitmap = bitmapAt(4);
    ASSERT_TRUE(titleBitmap && masterBitmap) << tags[3].name() << ", " << tags[4].name();
    ASSERT_AS(transform::FSSetBackgroundColor, colour, &tags[5]) << tags[5].name();
    EXPECT_EQ(std::tuple(colour->getColor().getRed(), colour->getColor().getGreen(),
                         colour->getColor().getBlue()),
              std::tuple(0, 0, 0));
    // Slide 1 follows the master's bitmap; slide 2 brings its own, right after the colour.
    const auto* slideBitmap = bitmapAt(6);
    ASSERT_NE(slideBitmap, nullptr) << tags[6].name();
    EXPECT_EQ(slideBitmap->getIdentifier(), masterBitmap->getIdentifier() + 1);
    for (const auto* bitmap : {titleBitmap, masterBitmap, slideBitmap}) {
        EXPECT_EQ(bitmap->getWidth(), 720);
        EXPECT_EQ(bitmap->getHeight(), 540);
    }
    EXPECT_EQ(bitmapAt(7), nullptr);
    EXPECT_EQ(p.log_->drawn, (std::vector<std::string>{"TitleMaster 720x540", "SlideMaster 720x540",
                                                       "Slide2 720x540"}));
    // Backgrounds come from memory: no copy of the deck, no file.
    EXPECT_TRUE(p.copies.empty());
    EXPECT_TRUE(app->presentations_->opened.empty());
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"music.wav", "pics.swf"}));
}

TEST_F(Driver, UnreadableSoundAddsNothingAndGoesOn) {
    auto app = deck("talk.pptx", 1);
    std::ofstream(dir.file("noise.mp3")) << "this is not a sound";
    auto result = convert(app, options(3, dir.file("noise.mp3")));
    ASSERT_EQ(result.status, 0) << result.message;
    transform::FSMovie movie(result.swfPath);
    for (const auto& tag : movie.getObjects()) {
        EXPECT_EQ(dynamic_cast<const transform::FSDefineSound*>(tag.get()), nullptr);
        EXPECT_EQ(dynamic_cast<const transform::FSStartSound*>(tag.get()), nullptr);
    }
    EXPECT_STREQ(movie.getObjects()[0].name(), "FSSetBackgroundColor");
}

TEST_F(Driver, SuccessLeavesOnlyTheMovieBesideTheDeck) {
    TmpdirIn tmp(dir.path() / "tmp");
    auto app = deck("talk.pptx", 3);
    app->active->slideMaster_->background_->type_ = host::fill_type::kPicture;
    auto result = convert(app);
    ASSERT_EQ(result.status, 0) << result.message;
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"talk.swf", "tmp"}));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path() / "tmp"));
    EXPECT_EQ(app->active->log_->drawn, (std::vector<std::string>{"SlideMaster 720x540"}));
}

// A host that cannot draw in memory: the slides keep no background bitmap and the movie is
// written all the same.
TEST_F(Driver, BackgroundsAHostCannotDrawAreLeftOut) {
    auto app = deck("talk.pptx", 2);
    app->active->slideMaster_->background_->type_ = host::fill_type::kPicture;
    app->active->log_->draws = false;
    auto result = convert(app);
    ASSERT_EQ(result.status, 0) << result.message;
    EXPECT_EQ(app->active->log_->drawn, (std::vector<std::string>{"SlideMaster 720x540"}));
    transform::FSMovie movie(result.swfPath);
    for (const auto& tag : movie.getObjects()) {
        EXPECT_EQ(std::string(tag->name()).find("Image"), std::string::npos) << tag->name();
    }
    EXPECT_TRUE(app->active->copies.empty());
}

TEST_F(Driver, UnwritableMovieLeavesNothingBehind) {
    auto app = deck("talk.pptx", 2);
    app->active->slideMaster_->background_->type_ = host::fill_type::kPicture;
    // The movie's name is taken by a folder.
    std::filesystem::create_directory(dir.file("talk.swf"));
    auto result = convert(app);
    expectCleanFailure(result, {"talk.swf"});
    EXPECT_NE(result.message.find("Cannot write the movie"), std::string::npos) << result.message;
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("talk.swf")));
}

TEST_F(Driver, MovieInAMissingFolderFailsCleanly) {
    auto app = deck("talk.pptx", 1);
    auto result = convert(app, options(1, {}, dir.file("no/such/out.swf")));
    expectCleanFailure(result, {});
    EXPECT_NE(result.message.find("Cannot write the movie"), std::string::npos) << result.message;
}

TEST_F(Driver, APresentationWithoutAKnownExtensionIsRefusedBeforeAnyWork) {
    auto app = deck("talk.odp", 1);
    auto result = convert(app);
    expectCleanFailure(result, {});
    EXPECT_EQ(sink.reports.size(), 1u);
    EXPECT_TRUE(app->active->copies.empty());
}

// The deck itself, a symbolic link to it and a hard link to it: never written over.
TEST_F(Driver, AMovieOverTheDeckIsRefusedAndTheDeckKept) {
    auto app = deck("talk.pptx", 1);
    std::ofstream(dir.file("talk.pptx")) << "the user's deck";
    std::filesystem::create_symlink(dir.file("talk.pptx"), dir.file("soft.swf"));
    std::filesystem::create_hard_link(dir.file("talk.pptx"), dir.file("hard.swf"));
    for (const char* output : {"talk.pptx", "soft.swf", "hard.swf"}) {
        sink.reports.clear();
        auto result = convert(app, options(1, {}, dir.file(output)));
        expectCleanFailure(result, {"hard.swf", "soft.swf", "talk.pptx"});
        EXPECT_NE(result.message.find("would overwrite the presentation"), std::string::npos)
            << output << ": " << result.message;
        EXPECT_EQ(transform::FSMovie::readFile(dir.file("talk.pptx")),
                  std::vector<std::uint8_t>(std::string_view("the user's deck").begin(),
                                            std::string_view("the user's deck").end()));
    }
}

TEST_F(Driver, SameSeedSameMovie) {
    auto app = deck("talk.pptx", 2);
    auto first = convert(app, options(42, {}, dir.file("a.swf")));
    auto second = convert(app, options(42, {}, dir.file("b.swf")));
    ASSERT_EQ(first.status, 0);
    ASSERT_EQ(second.status, 0);
    EXPECT_EQ(transform::FSMovie::readFile(first.swfPath),
              transform::FSMovie::readFile(second.swfPath));
}

// A job of its own, with settings that were never saved.
struct Job : ::testing::Test {
    ScratchDir dir;
    engine::SilentProgress silent;
    engine::ConversionJob job{silent, noSavedSettings(dir), 1};
};

TEST_F(Job, IdentifiersStopAt65535) {
    int last = 0;
    for (int i = 0; i < 65535; ++i) last = job.newIdentifier();
    EXPECT_EQ(last, 65535);
    EXPECT_THROW(job.newIdentifier(), engine::ConversionError);
}

TEST_F(Job, MasterRecordByName) {
    engine::SlideRecord title, master, slide;
    job.titleMasterRecord = &title;
    job.slideMasterRecord = &master;
    slide.masterName = "TitleMaster";
    EXPECT_EQ(job.getMasterRecord(&slide), &title);
    slide.masterName = "SlideMaster";
    EXPECT_EQ(job.getMasterRecord(&slide), &master);
    slide.masterName = "Office Theme";
    EXPECT_EQ(job.getMasterRecord(&slide), nullptr);
    master.masterName = "SlideMaster";
    EXPECT_EQ(job.getMasterRecord(&master), nullptr);
    EXPECT_EQ(job.getMasterRecord(nullptr), nullptr);
}

}  // namespace
}  // namespace quillet::enginetest
