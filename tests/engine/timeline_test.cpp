// The movie's structure: main-timeline frames, depths and instance names, timer clips and their
// ratios, the closing frame, the slide length with its clamped delay, and the control scripts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <tuple>

#include "engine/engine.h"
#include "engine/phases.h"
#include "memory_host.h"
#include "swf/action_values.h"
#include "swf/actions.h"
#include "swf/display_list.h"
#include "swf/movie.h"
#include "swf/shapes.h"
#include "swf/sprites_buttons.h"
#include "test_support.h"

namespace quillet::enginetest {
namespace {

using namespace transform;

settings::SettingsOverrides delay(float seconds) {
    settings::SettingsOverrides o;
    o.slideShowDelay = seconds;
    return o;
}

settings::SettingsOverrides noToolbar() {
    settings::SettingsOverrides o;
    o.showToolbar = false;
    return o;
}

FSMovie convertDeck(const ScratchDir& dir, int slides, bool titleMaster,
                    settings::SettingsOverrides overrides = {}) {
    auto app = testhost::makeDeck(dir.file("deck.pptx"), slides, titleMaster);
    RecordingSink sink;
    auto result = engine::convertPresentation(app, sink, settingsIn(dir, overrides), options(5));
    if (result.status != 0) throw std::runtime_error(result.message);
    return FSMovie(result.swfPath);
}

const FSPlaceObject2* placementAt(const std::vector<const FSMovieObject*>& frame, int depth) {
    for (const auto* object : frame) {
        auto* p = dynamic_cast<const FSPlaceObject2*>(object);
        if (p && p->getLayer() == depth && p->getPlaceType() == FSPlaceObject2::New) return p;
    }
    return nullptr;
}

std::vector<int> removedDepths(const std::vector<const FSMovieObject*>& frame) {
    std::vector<int> depths;
    for (const auto* object : frame) {
        if (auto* r = dynamic_cast<const FSRemoveObject2*>(object)) depths.push_back(r->getLayer());
    }
    return depths;
}

std::vector<int> actionCodes(const FSArray<FSActionObject>& actions) {
    std::vector<int> codes;
    for (const auto& a : actions) codes.push_back(a->getType());
    return codes;
}

// The name of the clip placed afresh at a depth of a frame; "(none)" when there is none.
std::string nameAt(const std::vector<const FSMovieObject*>& frame, int depth) {
    const auto* p = placementAt(frame, depth);
    return p ? p->getName() : "(none)";
}

const FSDoAction* doActionIn(const std::vector<const FSMovieObject*>& frame) {
    for (const auto* object : frame) {
        if (auto* d = dynamic_cast<const FSDoAction*>(object)) return d;
    }
    return nullptr;
}

TEST(Timeline, MainTimelineFramesDepthsAndNames) {
    ScratchDir dir;
    FSMovie movie = convertDeck(dir, 2, /*titleMaster=*/true);
    const auto& tags = movie.getObjects();
    const int h = movie.getFrameSize().getHeight();
    EXPECT_EQ(movie.frameCount(), 3);

    const auto frame1 = frameObjects(tags, 0);
    const auto* keyboard = placementAt(frame1, 0);
    ASSERT_EQ(nameAt(frame1, 0), "McJet");
    ASSERT_EQ(keyboard->getEvents().size(), 1u);
    EXPECT_EQ(keyboard->getEvents()[0].getEvent(), FSClipEvent::KeyDown);
    const auto* slide1 = placementAt(frame1, 1);
    ASSERT_EQ(nameAt(frame1, 1), "slide_1");
    const auto* script1 = doActionIn(frame1);
    ASSERT_NE(script1, nullptr);
    ASSERT_EQ(script1->getActions().size(), 2u);
    ASSERT_AS(FSGetUrl, fullscreen, &script1->getActions()[0]);
    EXPECT_EQ(fullscreen->getUrl(), "FSCommand:fullscreen");
    EXPECT_EQ(fullscreen->getTarget(), "true");
    EXPECT_EQ(script1->getActions()[1].getType(), FSAction::Stop);
    EXPECT_TRUE(removedDepths(frame1).empty());
    const auto* timer0 = placementAt(frame1, 107);
    ASSERT_EQ(nameAt(frame1, 107), "mc_progess_0");
    EXPECT_EQ(timer0->getTransform().get(0, 2), 100);
    EXPECT_EQ(timer0->getTransform().get(1, 2), h - 280);

    const auto frame2 = frameObjects(tags, 1);
    EXPECT_EQ(nameAt(frame2, 2), "slide_2");
    const auto* script2 = doActionIn(frame2);
    ASSERT_NE(script2, nullptr);
    EXPECT_EQ(actionCodes(script2->getActions()), (std::vector<int>{FSAction::Stop}));
    // Each slide's timer takes a depth of its own above the first slide's, so that a player
    // going back a frame rebuilds the earlier slide's timer instead of keeping the later one.
    EXPECT_EQ(removedDepths(frame2), (std::vector<int>{107}));
    EXPECT_EQ(placementAt(frame2, 107), nullptr);
    const auto* timer1 = placementAt(frame2, 108);
    ASSERT_EQ(nameAt(frame2, 108), "mc_progess_1");
    EXPECT_NE(timer1->getIdentifier(), timer0->getIdentifier());
    EXPECT_EQ(placementAt(frame2, 0), nullptr);

    // Closing frame: depths 0..N with N = 4 entries (two masters, two slides), then the last
    // slide's timer.
    const auto frame3 = frameObjects(tags, 2);
    EXPECT_EQ(removedDepths(frame3), (std::vector<int>{0, 1, 2, 3, 4, 108}));
    const auto* last = placementAt(frame3, 1000);
    ASSERT_EQ(nameAt(frame3, 1000), "McLast");
    ASSERT_EQ(last->getEvents().size(), 1u);
    EXPECT_EQ(last->getEvents()[0].getEvent(), FSClipEvent::KeyDown);
    EXPECT_EQ(actionCodes(last->getEvents()[0].getActions()),
              (std::vector<int>{0x96, FSAction::GetVariable, 0x96, FSAction::ExecuteMethod,
                                FSAction::Pop}));
    // After the last frame only the end screen's removal follows.
    const auto after = frameObjects(tags, 3);
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(removedDepths(after), (std::vector<int>{1000}));

    // Masters are sprites of their own; the slides show the slide master at depth 2.
    const auto* sprite1 = findDefinition<FSDefineMovieClip>(tags, slide1->getIdentifier());
    ASSERT_NE(sprite1, nullptr);
    EXPECT_EQ(sprite1->frameCount(), 1);
    ASSERT_AS(FSPlaceObject2, contentPlace, &sprite1->getObjects()[0]);
    EXPECT_EQ(contentPlace->getLayer(), 1);
    const auto* content = findDefinition<FSDefineMovieClip>(tags, contentPlace->getIdentifier());
    ASSERT_NE(content, nullptr);
    std::vector<const FSMovieObject*> contentList;
    for (const auto& o : content->getObjects()) contentList.push_back(o.get());
    const auto* background = placementAt(contentList, 1);
    ASSERT_NE(background, nullptr);
    const auto* backgroundShape = findDefinition<FSDefineShape>(tags, background->getIdentifier());
    ASSERT_NE(backgroundShape, nullptr);
    EXPECT_EQ(backgroundShape->getBounds().getMaxX(), movie.getFrameSize().getMaxX());
    const auto* master = placementAt(contentList, 2);
    ASSERT_EQ(nameAt(contentList, 2), "master_-2");
    const auto* masterSprite = findDefinition<FSDefineMovieClip>(tags, master->getIdentifier());
    ASSERT_NE(masterSprite, nullptr);
    // Defined before the slide's content clip that places it.
    EXPECT_LT(master->getIdentifier(), contentPlace->getIdentifier());
}

TEST(Timeline, LongDecksKeepTheStageSmall) {
    // 110 slides take depths 1..110: the timers move up past them, the end screen above those.
    // Only the shown slide and the one before it stay on the stage, whatever the slide number.
    ScratchDir dir;
    FSMovie movie = convertDeck(dir, 110, /*titleMaster=*/false, noToolbar());
    const auto& tags = movie.getObjects();
    ASSERT_EQ(movie.frameCount(), 111);
    std::set<int> stage;
    std::size_t mostOnStage = 0;
    for (int frame = 0; frame <= 110; ++frame) {
        const auto objects = frameObjects(tags, frame);
        for (const auto* object : objects) {
            if (auto* r = dynamic_cast<const FSRemoveObject2*>(object)) stage.erase(r->getLayer());
            auto* p = dynamic_cast<const FSPlaceObject2*>(object);
            if (p && p->getPlaceType() == FSPlaceObject2::New) {
                EXPECT_TRUE(stage.insert(p->getLayer()).second)
                    << "depth " << p->getLayer() << " taken";
            }
        }
        mostOnStage = std::max(mostOnStage, stage.size());
        if (frame == 110) break;
        ASSERT_NE(placementAt(objects, frame + 1), nullptr) << "frame " << frame;
        ASSERT_EQ(nameAt(objects, 112 + frame), "mc_progess_" + std::to_string(frame));
        std::vector<int> removed;
        if (frame >= 2) removed.push_back(frame - 1);   // the slide before the previous one
        if (frame > 0) removed.push_back(111 + frame);  // the previous slide's timer
        EXPECT_EQ(removedDepths(objects), removed) << "frame " << frame;
        // Keyboard clip, the previous slide, the slide shown and its timer.
        std::set<int> expected{0, frame + 1, 112 + frame};
        if (frame > 0) expected.insert(frame);
        EXPECT_EQ(stage, expected) << "frame " << frame;
    }
    EXPECT_LE(mostOnStage, 4u);
    const auto closing = frameObjects(tags, 110);
    const auto removed = removedDepths(closing);
    ASSERT_FALSE(removed.empty());
    EXPECT_EQ(removed.back(), 112 + 109);
    EXPECT_EQ(stage, (std::set<int>{1000}));
}

// The first slide's timer clip.
const FSDefineMovieClip* timerClip(const FSMovie& movie) {
    const auto* timer = placementAt(frameObjects(movie.getObjects(), 0), 107);
    return timer ? findDefinition<FSDefineMovieClip>(movie.getObjects(), timer->getIdentifier())
                 : nullptr;
}

TEST(Timeline, TimerClipRunsTheDelayAndAdvances) {
    ScratchDir dir;
    FSMovie movie = convertDeck(dir, 1, false);
    const auto& tags = movie.getObjects();
    const auto* clip = timerClip(movie);
    ASSERT_NE(clip, nullptr);
    ASSERT_EQ(clip->frameCount(), 40);  // 2.0 s at 20 frames per second
    for (int k = 1; k <= 40; ++k) {
        const auto frame = frameObjects(clip->getObjects(), k - 1);
        const FSPlaceObject2* modify = nullptr;
        for (const auto* o : frame) {
            auto* p = dynamic_cast<const FSPlaceObject2*>(o);
            if (p && p->getPlaceType() == FSPlaceObject2::Modify) modify = p;
        }
        ASSERT_NE(modify, nullptr) << "frame " << k;
        EXPECT_EQ(modify->getLayer(), 2);
        EXPECT_NEAR(modify->getRatio(), k / 40.0, 1.0 / 65535) << "frame " << k;
        const auto* script = doActionIn(frame);
        if (k < 40) {
            EXPECT_EQ(script, nullptr) << "frame " << k;
        } else {
            ASSERT_NE(script, nullptr);
            EXPECT_EQ(actionCodes(script->getActions()),
                      (std::vector<int>{0x96, FSAction::GetVariable, 0x96, FSAction::ExecuteMethod,
                                        FSAction::Pop, FSAction::Stop}));
        }
    }
    // With the toolbar: background at 0, link text at 1 at (1400, 250), bar at 2, counter at 3.
    const auto first = frameObjects(clip->getObjects(), 0);
    for (int depth = 0; depth < 4; ++depth) ASSERT_NE(placementAt(first, depth), nullptr) << depth;
    EXPECT_EQ(placementAt(first, 1)->getTransform().get(0, 2), 1400);
    EXPECT_EQ(placementAt(first, 1)->getTransform().get(1, 2), 250);
    EXPECT_NE(findDefinition<FSDefineMorphShape>(tags, placementAt(first, 2)->getIdentifier()),
              nullptr);
    EXPECT_EQ(placementAt(first, 3)->getTransform().get(1, 2), 200);
}

TEST(Timeline, WithoutToolbarTheTimerStillAdvancesButShowsNothing) {
    ScratchDir dir;
    FSMovie movie = convertDeck(dir, 1, false, noToolbar());
    const auto& tags = movie.getObjects();
    const auto* clip = timerClip(movie);
    ASSERT_NE(clip, nullptr);
    EXPECT_EQ(clip->frameCount(), 40);
    const auto first = frameObjects(clip->getObjects(), 0);
    for (int depth : {0, 1, 3}) EXPECT_EQ(placementAt(first, depth), nullptr) << depth;
    ASSERT_NE(placementAt(first, 2), nullptr);
    const auto* morph =
        findDefinition<FSDefineMorphShape>(tags, placementAt(first, 2)->getIdentifier());
    ASSERT_NE(morph, nullptr);
    EXPECT_TRUE(morph->getFillStyles().empty());
    EXPECT_EQ(morph->getEndBounds().getMaxX(), movie.getFrameSize().getMaxX());
}

class SlideLength : public ::testing::Test {
  protected:
    // A job at 20 frames a second.
    std::unique_ptr<engine::ConversionJob> job(settings::SettingsOverrides overrides = {}) {
        auto job = std::make_unique<engine::ConversionJob>(silent, settingsIn(dir, overrides), 1);
        job->movie.setFrameRate(20.0f);
        return job;
    }
    int framesFor(settings::SettingsOverrides overrides, int transitionFrames = 0) {
        engine::SlideRecord slide;
        slide.transitionFrames = transitionFrames;
        return engine::frameCount(*job(overrides), slide);
    }
    ScratchDir dir;
    engine::SilentProgress silent;
};

// Clamped to twenty seconds; never under ten frames (the transition's length when longer).
TEST_F(SlideLength, DelayIsClampedAndNeverUnderTenFrames) {
    const std::tuple<float, int, int> cases[] = {{2.0f, 0, 40},  {25.0f, 0, 400}, {30.0f, 0, 400},
                                                 {1.5f, 0, 30},  {-3.0f, 0, 10},  {0.0f, 0, 10},
                                                 {-3.0f, 20, 20}};
    for (const auto& [seconds, transition, frames] : cases) {
        EXPECT_EQ(framesFor(delay(seconds), transition), frames) << seconds << " " << transition;
    }
}

TEST_F(SlideLength, SavedDelayIsReadAtTheTimeOfUse) {
    settings::ConversionSettings saved;
    saved.slideShowDelay = 25.0f;
    settings::writeSettings(dir.path() / "settings", saved);
    EXPECT_EQ(framesFor({}), 400);
    saved.slideShowDelay = 0.5f;
    settings::writeSettings(dir.path() / "settings", saved);
    EXPECT_EQ(framesFor({}), 10);
    EXPECT_EQ(framesFor(delay(3.0f)), 60);  // an override wins for its run
}

TEST_F(SlideLength, EffectsAndTransitionAddTheirFrames) {
    auto job = this->job();
    engine::SlideRecord slide;
    slide.transitionFrames = 20;
    engine::Element a, b;
    slide.animatedElements.push_back({&a, {nullptr, 1, 3, 11}});
    slide.animatedElements.push_back({&b, {nullptr, 0, 40, 51}});
    EXPECT_EQ(engine::frameCount(*job, slide), 40 + 20 + 14 + 91);
    slide.transitionFrames = 0;  // cached once computed
    EXPECT_EQ(engine::frameCount(*job, slide), 165);
}

TEST(Transition, LengthBySpeed) {
    engine::SlideRecord slide;
    EXPECT_EQ(engine::computeTransitionFrames(slide, 20.0f), 0);
    for (auto [effect, speed, frames] :
         {std::tuple{769, 3, 10}, {769, 1, 30}, {769, 2, 20}, {0, 2, 0}}) {
        slide.transition = std::make_shared<FixedTransition>(effect, speed);
        EXPECT_EQ(engine::computeTransitionFrames(slide, 20.0f), frames) << effect << " " << speed;
    }
}

// The encoded size of actions [from, to) of a list.
int encodedSize(FSArray<FSActionObject>& actions, std::size_t from, std::size_t to) {
    FSArray<FSActionObject> block;
    for (std::size_t i = from; i < to; ++i) block.add(cloneOf(actions[i]));
    FSOutputStream coder;
    return actionBlockLength(block, coder);
}

TEST(ControlScript, KeyboardActionsSkipExactlyTheirCalls) {
    auto actions = engine::keyboardActions();
    ASSERT_EQ(actions.size(), 28u);
    ASSERT_AS(FSTable, table, &actions[0]);
    EXPECT_EQ(table->getValues(),
              (std::vector<std::string>{"Key", "isDown", "_root", "prevFrame", "nextFrame"}));
    const auto* firstIf = dynamic_cast<const FSIf*>(&actions[6]);
    const auto* secondIf = dynamic_cast<const FSIf*>(&actions[22]);
    ASSERT_TRUE(firstIf && secondIf);
    // Each branch jumps over exactly the call that follows it (to the next test, or the end).
    EXPECT_EQ(firstIf->getOffset(), encodedSize(actions, 7, 12));
    EXPECT_EQ(secondIf->getOffset(), encodedSize(actions, 23, 28));
    EXPECT_EQ(firstIf->getOffset(), 22);
    EXPECT_EQ(actionCodes(actions),
              (std::vector<int>{0x88, 0x96, 0x1C, 0x96, 0x52, 0x12, 0x9D, 0x96, 0x1C, 0x96,
                                0x52, 0x17, 0x96, 0x1C, 0x96, 0x52, 0x96, 0x1C, 0x96, 0x52,
                                0x11, 0x12, 0x9D, 0x96, 0x1C, 0x96, 0x52, 0x17}));
    // The keys: left arrow, right arrow, space.
    const auto key = [&](std::size_t at) {
        const auto* p = dynamic_cast<const FSPush*>(&actions[at]);
        const auto* v = p ? dynamic_cast<const FSInteger*>(&p->getValues()[0]) : nullptr;
        return v ? v->getValue() : -1;
    };
    EXPECT_EQ(key(1), 37);
    EXPECT_EQ(key(12), 39);
    EXPECT_EQ(key(16), 32);
}

TEST(ControlScript, ReplayGoesToTheFirstFrame) {
    auto actions = engine::replayActions();
    ASSERT_AS(FSPush, p, &actions[0]);
    ASSERT_EQ(p->getValues().size(), 3u);
    EXPECT_EQ(dynamic_cast<const FSInteger&>(p->getValues()[0]).getValue(), 1);
    EXPECT_EQ(dynamic_cast<const FSInteger&>(p->getValues()[1]).getValue(), 1);
    EXPECT_EQ(dynamic_cast<const FSString&>(p->getValues()[2]).getString(), "_root");
    ASSERT_AS(FSPush, method, &actions[2]);
    EXPECT_EQ(dynamic_cast<const FSString&>(method->getValues()[0]).getString(), "gotoAndPlay");
}

}  // namespace
}  // namespace quillet::enginetest
