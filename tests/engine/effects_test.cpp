// Slide transitions and entry effects: the masks and their 1000-unit box, the frames each handler
// writes and reports, the delays, the chaining script, the random tables with a fixed seed, the
// shared mask table, and whole conversions with and without effects.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <tuple>

#include "elements_test_host.h"
#include "engine/effects.h"
#include "engine/elements_outlines.h"
#include "engine/engine.h"
#include "engine/phases.h"
#include "memory_host.h"
#include "swf/actions.h"
#include "swf/display_list.h"
#include "swf/shapes.h"
#include "swf/sprites_buttons.h"
#include "test_support.h"

namespace quillet::enginetest {
namespace {

using namespace transform;
using engine::MaskRect;
namespace fx = host::effect;

long long area(const std::vector<MaskRect>& rects, int skip = -1) {
    long long sum = 0;
    for (std::size_t i = 0; i < rects.size(); ++i) {
        if (static_cast<int>(i) != skip) sum += static_cast<long long>(rects[i].w) * rects[i].h;
    }
    return sum;
}

void expectInBox(const std::vector<MaskRect>& rects, int code) {
    for (const MaskRect& r : rects) {
        EXPECT_TRUE(r.x >= 0 && r.y >= 0 && r.w >= 0 && r.h >= 0 && r.x + r.w <= 1000 &&
                    r.y + r.h <= 1000)
            << code << ": " << r.x << "," << r.y << " " << r.w << "x" << r.h;
    }
}

// ---- morph masks ----

struct MorphCase {
    int code;
    std::size_t count;
    MaskRect firstStart, firstEnd;
    int holeIndex;
    long long startArea;  // visible area at ratio 0 (a hole pair cancels)
};

class MorphMasks : public ::testing::TestWithParam<MorphCase> {};

TEST_P(MorphMasks, StartCollapsedEndCoversTheBox) {
    const MorphCase& c = GetParam();
    std::mt19937 random(7);
    engine::MorphRects rects;
    ASSERT_TRUE(engine::morphRectangles(c.code, random, rects));
    ASSERT_EQ(rects.start.size(), rects.end.size());
    if (c.count) {
        EXPECT_EQ(rects.start.size(), c.count);
    }
    EXPECT_EQ(rects.start.front(), c.firstStart);
    EXPECT_EQ(rects.end.front(), c.firstEnd);
    EXPECT_EQ(rects.holeIndex, c.holeIndex);
    expectInBox(rects.start, c.code);
    expectInBox(rects.end, c.code);
    // The end shape's filled rectangles tile the whole box; the hole has collapsed to nothing.
    EXPECT_EQ(area(rects.end, rects.holeIndex), 1000LL * 1000);
    if (rects.holeIndex >= 0) {
        EXPECT_EQ(area({rects.end[rects.holeIndex]}), 0);
        EXPECT_EQ(rects.start[0], rects.start[1]);  // two full boxes cancel (even-odd)
    } else {
        EXPECT_EQ(area(rects.start), c.startArea);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Codes, MorphMasks,
    ::testing::Values(MorphCase{769, 5, {0, 0, 1000, 0}, {0, 0, 1000, 200}, -1, 0},
                      MorphCase{770, 5, {0, 0, 1, 1000}, {0, 0, 200, 1000}, -1, 5000},
                      MorphCase{1025, 27, {0, 0, 0, 200}, {0, 0, 200, 200}, -1, 0},
                      MorphCase{1026, 27, {0, 0, 200, 0}, {0, 0, 200, 200}, -1, 0},
                      MorphCase{2305, 0, {0, 0, 1000, 0}, {0, 0, 1000, 30}, -1, 0},
                      MorphCase{2306, 0, {0, 0, 0, 1000}, {0, 0, 30, 1000}, -1, 0},
                      MorphCase{2817, 1, {1000, 0, 0, 1000}, {0, 0, 1000, 1000}, -1, 0},
                      MorphCase{2818, 1, {0, 1000, 1000, 0}, {0, 0, 1000, 1000}, -1, 0},
                      MorphCase{2819, 1, {0, 0, 0, 1000}, {0, 0, 1000, 1000}, -1, 0},
                      MorphCase{2820, 1, {0, 0, 1000, 0}, {0, 0, 1000, 1000}, -1, 0},
                      MorphCase{3073, 1, {500, 500, 0, 0}, {0, 0, 1000, 1000}, -1, 0},
                      MorphCase{3074, 2, {0, 0, 1000, 1000}, {0, 0, 1000, 1000}, 1, 0},
                      MorphCase{3585, 1, {500, 0, 0, 1000}, {0, 0, 1000, 1000}, -1, 0},
                      MorphCase{3586, 2, {0, 0, 1000, 1000}, {0, 0, 1000, 1000}, 1, 0},
                      MorphCase{3587, 1, {0, 500, 1000, 0}, {0, 0, 1000, 1000}, -1, 0},
                      MorphCase{3588, 2, {0, 0, 1000, 1000}, {0, 0, 1000, 1000}, 1, 0}));

TEST(MorphMasksOthers, CodesWithoutAMorphMaskGiveNone) {
    std::mt19937 random(1);
    engine::MorphRects rects;
    for (int code : {0, 257, 513, 1281, 1537, 1793, 3329, 3337, 3845, 99999}) {
        EXPECT_FALSE(engine::morphRectangles(code, random, rects)) << code;
    }
}

// ---- mask sequences ----

class MaskSequences : public ::testing::TestWithParam<int> {};

TEST_P(MaskSequences, TwentyGrowingMasksEndingWithTheFullBox) {
    const auto masks = engine::sequenceRectangles(GetParam());
    ASSERT_EQ(masks.size(), 20u);
    EXPECT_EQ(masks.back(), (std::vector<MaskRect>{{0, 0, 1000, 1000}}));
    long long previous = 0;
    for (const auto& rects : masks) {
        expectInBox(rects, GetParam());
        const long long now = area(rects);
        EXPECT_GT(now, 0);
        EXPECT_GE(now, previous);
        previous = now;
    }
    EXPECT_LT(area(masks.front()), 1000LL * 1000 / 10);
}

INSTANTIATE_TEST_SUITE_P(Codes, MaskSequences, ::testing::Values(1537, 2565, 2566, 2567, 2568));

// A conversion job on a 720 x 540 pt frame, with its settings in a folder of its own.
struct EffectsJob {
    explicit EffectsJob(std::uint32_t seed) : job(silent, settingsIn(dir), seed) {
        job.frameBounds = FSBounds(0, 0, 14400, 10800);
    }
    ScratchDir dir;
    engine::SilentProgress silent;
    engine::ConversionJob job;
};

// ---- handlers: frames written, frames reported, and the closing frame ----

// The frames of a list of tags.
int framesIn(const FSArray<FSMovieObject>& list) {
    int shown = 0;
    for (const auto& object : list) shown += object->getType() == 1 ? 1 : 0;
    return shown;
}

// An element of 200 x 120 points at (100, 80).
engine::Element element200x120() {
    engine::Element element;
    element.left = 100, element.top = 80, element.width = 200, element.height = 120;
    return element;
}

struct HandlerCase {
    int code;
    int frames;
};

class Handlers : public ::testing::TestWithParam<HandlerCase> {};

TEST_P(Handlers, WriteTheFramesTheyReportAndEndWithTheElementInPlace) {
    EffectsJob fixture(3);
    engine::Element element = element200x120();
    FSArray<FSMovieObject> list;
    const int character = 42;
    const int frames = engine::writeEffectFrames(fixture.job, element, GetParam().code, character,
                                                 4000, 2400, list);
    EXPECT_EQ(frames, GetParam().frames);
    EXPECT_EQ(framesIn(list), frames);
    ASSERT_EQ(list[list.size() - 1].getType(), 1);
    // Played through, the display list holds the character alone at depth 1, placed afresh (no
    // offset, scale or colours) and never touched after: no mask is left.
    std::map<int, const FSPlaceObject2*> stage;
    bool modifiedSince = false;
    for (const auto& object : list) {
        if (auto* p = dynamic_cast<const FSPlaceObject2*>(object.get())) {
            if (p->getPlaceType() == FSPlaceObject2::New) {
                stage[p->getLayer()] = p;
                if (p->getLayer() == 1) modifiedSince = false;
            } else if (p->getLayer() == 1) {
                modifiedSince = true;
            }
        } else if (auto* r = dynamic_cast<const FSRemoveObject2*>(object.get())) {
            stage.erase(r->getLayer());
        }
    }
    ASSERT_EQ(stage.size(), 1u);
    const FSPlaceObject2* placed = stage.begin()->second;
    EXPECT_EQ(placed->getLayer(), 1);
    EXPECT_FALSE(modifiedSince);
    EXPECT_EQ(placed->getIdentifier(), character);
    EXPECT_TRUE(placed->getTransform().isIdentity());
    EXPECT_TRUE(placed->getColorTransform().isIdentity());
    // Masks stay within the element's own box.
    for (const auto& object : list) {
        auto* p = dynamic_cast<const FSPlaceObject2*>(object.get());
        if (p && p->getClipDepth() > 0) {
            EXPECT_NEAR(p->getTransform().get(0, 0), 4.0, 1e-3);
            EXPECT_NEAR(p->getTransform().get(1, 1), 2.4, 1e-3);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Codes, Handlers,
    ::testing::Values(HandlerCase{3329, 11}, HandlerCase{3336, 11}, HandlerCase{3357, 11},
                      HandlerCase{3341, 51}, HandlerCase{3344, 51}, HandlerCase{769, 11},
                      HandlerCase{3074, 11}, HandlerCase{1537, 21}, HandlerCase{2566, 21},
                      HandlerCase{257, 20}, HandlerCase{3841, 20}, HandlerCase{3842, 40},
                      HandlerCase{3843, 80}, HandlerCase{3345, 21}, HandlerCase{3354, 21},
                      HandlerCase{3356, 101}, HandlerCase{3337, 21}, HandlerCase{3340, 21},
                      HandlerCase{3849, 11}, HandlerCase{1793, 11}, HandlerCase{12345, 20}));

TEST(HandlersStart, FlyStartsOutsideTheSlideAndRevealsStartHidden) {
    EffectsJob fixture(3);
    engine::Element element = element200x120();
    struct Start {
        int code;
        int x, y;
    };
    // Fly from the left: -(left + width) points, rounded as x + 0.5 truncated; from the bottom:
    // frame height - top; zoom and stretch across about the centre: half the size.
    for (const Start& s :
         {Start{3329, -5999, 0}, Start{3332, 0, 9200}, Start{3341, -5999, 0}, Start{3337, -4000, 0},
          Start{3338, 0, 2400}, Start{3345, 2000, 1200}, Start{3351, 2000, 0}}) {
        FSArray<FSMovieObject> list;
        engine::writeEffectFrames(fixture.job, element, s.code, 42, 4000, 2400, list);
        const FSPlaceObject2* first = nullptr;
        for (const auto* object : frameObjects(list, 0)) {
            auto* p = dynamic_cast<const FSPlaceObject2*>(object);
            if (p && p->getLayer() == 1) first = p;
        }
        ASSERT_NE(first, nullptr) << s.code;
        EXPECT_EQ(first->getTransform().get(0, 2), s.x) << s.code;
        EXPECT_EQ(first->getTransform().get(1, 2), s.y) << s.code;
    }
}

TEST(HandlersStart, AFlyInsideATurnedOrFlippedElementComesFromTheStatedSideOfTheStage) {
    EffectsJob fixture(3);
    engine::Element element = element200x120();
    element.pictureScale = 1.5f;
    struct Turn {
        float degrees;
        bool flipX, flipY;
    };
    // From the left: -(left + width) points on the stage; from the bottom: frame height - top.
    for (const Turn& t : {Turn{90, false, false}, Turn{-30, false, false}, Turn{180, false, false},
                          Turn{0, true, false}, Turn{45, false, true}}) {
        element.transform =
            engine::placement(2000, 1600, 4000, 2400, t.degrees, 1.5f, t.flipX, t.flipY);
        for (const auto& [code, x, y] : {std::tuple{3329, -6000.0, 0.0}, {3332, 0.0, 9200.0}}) {
            FSArray<FSMovieObject> list;
            engine::writeEffectFrames(fixture.job, element, code, 42, 6000, 3600, list);
            ASSERT_AS(FSPlaceObject2, first, frameObjects(list, 0).at(0));
            const auto& m = element.transform.getMatrix();
            const double ox = first->getTransform().get(0, 2), oy = first->getTransform().get(1, 2);
            EXPECT_NEAR(m[0][0] * ox + m[0][1] * oy, x, 2) << t.degrees << " " << code;
            EXPECT_NEAR(m[1][0] * ox + m[1][1] * oy, y, 2) << t.degrees << " " << code;
        }
    }
}

// ---- delays ----

class Animation : public host::AnimationSettings {
  public:
    Animation(int effect, int mode, float time, int order = 1)
        : effect_(effect), mode_(mode), time_(time), order_(order) {}
    int animate() const override { return host::kTrue; }
    int entryEffect() const override { return effect_; }
    int advanceMode() const override { return mode_; }
    float advanceTime() const override { return time_; }
    int animationOrder() const override { return order_; }

  private:
    int effect_, mode_;
    float time_;
    int order_;
};

struct DelayCase {
    int mode;
    float advanceTime;
    float shapeAutoDelay;
    int frames;
};

class Delays : public ::testing::TestWithParam<DelayCase> {};

TEST_P(Delays, FromTheHostOrTheShapeAutoDelay) {
    ScratchDir dir;
    settings::SettingsOverrides o;
    o.shapeAutoDelay = GetParam().shapeAutoDelay;
    engine::SilentProgress silent;
    engine::ConversionJob job(silent, settingsIn(dir, o), 1);
    job.movie.setFrameRate(20.0f);
    engine::EffectRecord record;
    EXPECT_FALSE(engine::computeEffectDelay(job, record));  // no settings in the host
    record.animation = std::make_shared<Animation>(257, GetParam().mode, GetParam().advanceTime);
    ASSERT_TRUE(engine::computeEffectDelay(job, record));
    EXPECT_EQ(record.delayFrames, GetParam().frames);
}

INSTANTIATE_TEST_SUITE_P(Rules, Delays,
                         ::testing::Values(DelayCase{2, 3.0f, 2.0f, 60},    // after 3 s
                                           DelayCase{2, 0.5f, 9.0f, 10},    // the host's time wins
                                           DelayCase{1, 3.0f, 2.0f, 40},    // on click: auto delay
                                           DelayCase{1, 0.0f, 30.0f, 200},  // at most 10 s
                                           DelayCase{1, 0.0f, -4.0f, 0}));

// ---- the chaining script ----

TEST(Chain, StopsAndPlaysTheNextClipInTheSlideSprite) {
    FSDoAction tag(engine::chainActions(1, {"mc1_4"}));
    FSOutputStream sizer(0);
    const int body = tag.length(sizer);
    FSOutputStream out(static_cast<std::size_t>(body + 6));
    tag.length(out);
    tag.encode(out);
    std::vector<uint8_t> bytes(out.getData().begin(), out.getData().begin() + out.getCursor() / 8);
    const std::vector<uint8_t> expected = {
        0x3F & 0, 0,  // header, filled below
        0x07,         // Stop
        0x96,     16,   0,   6,   0,   0,   0,   0,   0,   0,   0,   0,
        0,        '_',  'r', 'o', 'o', 't', 0,                           // 0.0, "_root"
        0x1C,                                                            // GetVariable
        0x96,     9,    0,   0,   's', 'l', 'i', 'd', 'e', '_', '2', 0,  // "slide_2"
        0x4E,                                                            // GetAttribute
        0x96,     7,    0,   0,   'm', 'c', '1', '_', '4', 0,            // "mc1_4"
        0x4E,                                                            // GetAttribute
        0x96,     6,    0,   0,   'p', 'l', 'a', 'y', 0,                 // "play"
        0x52,     0x17,                                                  // call, Pop
        0x00};
    ASSERT_EQ(bytes.size(), expected.size());
    const int length = static_cast<int>(expected.size()) - 2;
    EXPECT_EQ(bytes[0] | bytes[1] << 8, 12 << 6 | length);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 2, bytes.end()),
              std::vector<uint8_t>(expected.begin() + 2, expected.end()));
    // Without a next clip: Stop alone.
    const auto alone = engine::chainActions(0, {});
    ASSERT_EQ(alone.size(), 1u);
    EXPECT_EQ(alone[0].getType(), FSAction::Stop);
}

// ---- slide transitions, random tables and the shared mask table ----

struct Transitioned {
    int frames;
    FSArray<FSMovieObject> list;
};

Transitioned transitionOf(engine::ConversionJob& job, int code) {
    engine::SlideRecord slide;
    slide.transition = std::make_shared<FixedTransition>(code);
    slide.transitionFrames = engine::computeTransitionFrames(slide, 20.0f);
    Transitioned t;
    engine::buildSlideTransition(job, slide, t.list, 5);
    t.frames = slide.transitionFrames;
    return t;
}

struct TransitionCase {
    int code;
    int frames;
};

class Transitions : public ::testing::TestWithParam<TransitionCase> {};

TEST_P(Transitions, FramesByFamily) {
    EffectsJob fixture(1);
    const Transitioned t = transitionOf(fixture.job, GetParam().code);
    EXPECT_EQ(t.frames, GetParam().frames);
    // A morph mask ends with one frame at ratio 1 beyond its steps.
    EXPECT_GE(framesIn(t.list), t.frames);
    EXPECT_LE(framesIn(t.list), t.frames + 2);
    if (t.frames == 0) {
        EXPECT_TRUE(t.list.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Codes, Transitions,
    ::testing::Values(TransitionCase{1281, 20}, TransitionCase{1288, 20}, TransitionCase{2817, 20},
                      TransitionCase{3074, 20}, TransitionCase{1537, 20}, TransitionCase{2568, 20},
                      TransitionCase{1793, 20}, TransitionCase{3853, 20},  // fade, push
                      TransitionCase{3845, 20}, TransitionCase{3860, 20},  // circle, wheel
                      TransitionCase{257, 0}, TransitionCase{3337, 0},     // cut, peek
                      TransitionCase{0, 0}, TransitionCase{4242, 0}));

TEST(RandomTables, DrawFromTheRightTableWithTheJobsGenerator) {
    EXPECT_EQ(engine::randomTransitionCodes().size(), 25u);
    ASSERT_EQ(engine::randomEffectCodes().size(), 58u);
    EXPECT_TRUE(std::equal(engine::randomTransitionCodes().begin(),
                           engine::randomTransitionCodes().end(),
                           engine::randomEffectCodes().begin()));
    EXPECT_EQ(engine::randomEffectCodes().back(), 3356);
    for (const auto* table : {&engine::randomTransitionCodes(), &engine::randomEffectCodes()}) {
        for (std::uint32_t seed : {1u, 2u, 99u}) {
            EffectsJob fixture(seed);
            std::mt19937 reference(seed);
            for (int i = 0; i < 5; ++i) {
                EXPECT_EQ(engine::drawRandomCode(fixture.job, *table),
                          (*table)[reference() % table->size()]);
            }
        }
    }
}

TEST(RandomTables, ARandomSlideTransitionDrawingAPeekGetsNoFrames) {
    bool peekSeen = false, maskSeen = false;
    for (std::uint32_t seed = 1; seed < 200 && !(peekSeen && maskSeen); ++seed) {
        std::mt19937 reference(seed);
        const int drawn = engine::randomTransitionCodes()[reference() % 25];
        EffectsJob fixture(seed);
        const Transitioned t = transitionOf(fixture.job, fx::kRandom);
        if (drawn >= 3337 && drawn <= 3340) {
            peekSeen = true;
            EXPECT_EQ(t.frames, 0) << seed;
            EXPECT_TRUE(t.list.empty());
        } else {
            maskSeen = true;
            EXPECT_EQ(t.frames, 20) << seed << " drew " << drawn;
            EXPECT_EQ(fixture.job.maskTable.count(drawn), 1u) << seed << " drew " << drawn;
        }
    }
    EXPECT_TRUE(peekSeen && maskSeen);
}

TEST(MaskTable, TwoSlidesWithTheSameWipeShareOneMask) {
    EffectsJob fixture(1);
    engine::ConversionJob& job = fixture.job;  // holds the shared mask table
    const std::size_t before = job.movie.getObjects().size();
    const Transitioned a = transitionOf(job, fx::kWipeLeft);
    const Transitioned b = transitionOf(job, fx::kWipeLeft);
    ASSERT_EQ(job.movie.getObjects().size(), before + 1);
    ASSERT_AS(FSDefineMorphShape, mask, &job.movie.getObjects()[before]);
    for (const Transitioned* t : {&a, &b}) {
        ASSERT_AS(FSPlaceObject2, placed, &t->list[0]);
        EXPECT_EQ(placed->getIdentifier(), mask->getIdentifier());
        EXPECT_EQ(placed->getLayer(), 0);
        EXPECT_GT(placed->getClipDepth(), 0);
    }
    transitionOf(job, fx::kWipeUp);  // another wipe: a mask of its own
    EXPECT_EQ(job.movie.getObjects().size(), before + 2);
}

// An element's dissolve writes the sequence first; a slide's dissolve must run it as a sequence
// of 20 masks, not take its first mask for a morph shape.
TEST(MaskTable, ASequenceKeptForAnElementIsNoMorphMaskForASlide) {
    EffectsJob fixture(1);
    engine::ConversionJob& job = fixture.job;
    const int first = engine::maskSequence(job, fx::kDissolve);
    ASSERT_NE(first, 0);
    EXPECT_EQ(engine::morphMask(job, fx::kDissolve), 0);
    EXPECT_EQ(engine::maskSequence(job, fx::kWipeLeft), 0);
    const Transitioned t = transitionOf(job, fx::kDissolve);
    EXPECT_EQ(t.frames, 20);
    int placedMasks = 0;
    for (const auto& object : t.list) {
        if (auto* placed = dynamic_cast<const FSPlaceObject2*>(object.get())) {
            EXPECT_FALSE(placed->getPlaceType() == FSPlaceObject2::Modify &&
                         placed->getLayer() == 0);
            if (placed->getLayer() == 0) ++placedMasks;
        }
    }
    EXPECT_EQ(placedMasks, 20);
}

// ---- whole conversions ----

class AnimatedShape : public elementstest::TShape {
  public:
    std::shared_ptr<host::AnimationSettings> animation_;
    std::shared_ptr<host::AnimationSettings> animationSettings() const override {
        return animation_;
    }
};

std::shared_ptr<testhost::MemApplication> animatedDeck(const ScratchDir& dir, bool animated) {
    auto app = testhost::makeDeck(dir.file("deck.pptx"), 2);
    auto& slides = app->active->slides_->items;
    for (int i = 0; i < 2; ++i) {
        slides[i]->transition_ = std::make_shared<FixedTransition>(i == 0 ? 2817 : 1537);
        // Three shapes; the last enters first, the first is not animated.
        const int effects[3] = {0, 3329, 3074};
        const int orders[3] = {0, 2, 1};
        for (int k = 0; k < 3; ++k) {
            auto shape = std::make_shared<AnimatedShape>();
            shape->left_ = 40.0f + 100 * k, shape->top_ = 50, shape->width_ = 80;
            if (animated && effects[k]) {
                shape->animation_ = std::make_shared<Animation>(effects[k], 1, 0, orders[k]);
            }
            slides[i]->shapes_->items.push_back(shape);
        }
    }
    return app;
}

std::string convertTo(const ScratchDir& dir, const std::shared_ptr<testhost::MemApplication>& app,
                      bool effects, const std::string& name) {
    settings::SettingsOverrides o;
    o.effects = effects;
    RecordingSink sink;
    auto result =
        engine::convertPresentation(app, sink, settingsIn(dir, o), options(5, {}, dir.file(name)));
    if (result.status != 0) throw std::runtime_error(result.message);
    return result.swfPath;
}

const FSDefineMovieClip* clipNamed(const FSMovie& movie, int identifier) {
    return findDefinition<FSDefineMovieClip>(movie.getObjects(), identifier);
}

// The frames a clip runs from its start (a play on its resting first frame, or being shown) to
// its last, summed over the slide, are what the slide's timer counts for its effects.
TEST(Chain, TheSlideCountsEveryFrameItsClipsRun) {
    for (const auto& [mode, seconds] : {std::pair{2, 0.0f}, {2, 0.5f}, {1, 0.0f}}) {
        EffectsJob fixture(3);
        engine::SlideRecord slide;
        for (int k = 0; k < 3; ++k) {
            auto shape = std::make_shared<AnimatedShape>();
            shape->animation_ = std::make_shared<Animation>(k == 1 ? 3345 : 3329, mode, seconds);
            auto element = std::make_unique<engine::Element>();
            element->hostShape = shape;
            element->characterId = 100 + k;
            element->shapeIndex = k;
            element->width = element->height = 50;
            slide.elements.push_back(std::move(element));
        }
        engine::buildSlideEffects(fixture.job, slide);
        ASSERT_EQ(slide.animatedElements.size(), 3u);
        int counted = 0, run = 0;
        for (const auto& [element, record] : slide.animatedElements) {
            counted += record.delayFrames + record.lengthFrames;
            const auto* clip = clipNamed(fixture.job.movie, element->effectClipId);
            ASSERT_NE(clip, nullptr);
            run += framesIn(clip->getObjects()) - 1;
        }
        EXPECT_EQ(counted, run) << mode << " " << seconds;
    }
}

// The elements of the animated deck enter one after another in the host's order.
void expectElementsEnterInTheHostsOrder(const FSMovie& back) {
    // Slide 1's sprite (named slide_1) places the two clips from depth 2 in element order.
    const FSDefineMovieClip* sprite = nullptr;
    for (const auto& object : back.getObjects()) {
        auto* p = dynamic_cast<const FSPlaceObject2*>(object.get());
        if (p && p->getName() == "slide_1") sprite = clipNamed(back, p->getIdentifier());
    }
    ASSERT_NE(sprite, nullptr);
    std::map<std::string, int> clips;
    for (const auto& object : sprite->getObjects()) {
        auto* p = dynamic_cast<const FSPlaceObject2*>(object.get());
        if (p && p->getName().rfind("mc", 0) == 0) clips[p->getName()] = p->getIdentifier();
    }
    ASSERT_EQ(clips.size(), 2u);
    // The box in (order 1) runs at once and then plays the fly-in (order 2), which rests first.
    const auto* first = clipNamed(back, clips.at("mc0_3"));
    const auto* second = clipNamed(back, clips.at("mc0_2"));
    ASSERT_TRUE(first && second);
    auto actionsOf = [](const FSDefineMovieClip* clip, std::size_t which) {
        std::vector<const FSDoAction*> found;
        for (const auto& object : clip->getObjects()) {
            if (auto* d = dynamic_cast<const FSDoAction*>(object.get())) found.push_back(d);
        }
        return which < found.size() ? found[which] : nullptr;
    };
    EXPECT_TRUE(actionsOf(first, 0)->getActions().empty());
    ASSERT_EQ(actionsOf(second, 0)->getActions().size(), 1u);
    EXPECT_EQ(actionsOf(second, 0)->getActions()[0].getType(), FSAction::Stop);
    bool playsNext = false;
    for (const auto& action : actionsOf(first, 1)->getActions()) {
        if (auto* push = dynamic_cast<const FSPush*>(action.get())) {
            for (const auto& value : push->getValues()) {
                auto* text = dynamic_cast<const FSString*>(value.get());
                if (text && text->getString() == "mc0_2") playsNext = true;
            }
        }
    }
    EXPECT_TRUE(playsNext);
    EXPECT_EQ(actionsOf(second, 1)->getActions().size(), 1u);  // the last one rests
}

TEST(Conversion, EffectsOffGivesTheStaticMovieAndElementsEnterInTheHostsOrder) {
    ScratchDir dir;
    auto animated = animatedDeck(dir, true);
    const auto staticMovie = FSMovie::readFile(convertTo(dir, animated, false, "off.swf"));
    const auto withEffects = FSMovie::readFile(convertTo(dir, animated, true, "on.swf"));
    EXPECT_NE(staticMovie, withEffects);
    // Without transitions or animation, effects change nothing.
    auto plain = testhost::makeDeck(dir.file("deck.pptx"), 2);
    EXPECT_EQ(FSMovie::readFile(convertTo(dir, plain, true, "plain-on.swf")),
              FSMovie::readFile(convertTo(dir, plain, false, "plain-off.swf")));
    // Masks (morph shapes) come with the effects only.
    auto masks = [](const FSMovie& movie) {
        return std::count_if(movie.getObjects().begin(), movie.getObjects().end(),
                             [](const auto& object) { return object->getType() == 46; });
    };
    FSMovie off(dir.file("off.swf")), on(dir.file("on.swf"));
    EXPECT_EQ(masks(on), masks(off) + 2);  // the wipe of slide 1 and the box in of the shapes
    expectElementsEnterInTheHostsOrder(on);
    expectParserAccepts(dir.file("on.swf"));
}

}  // namespace
}  // namespace quillet::enginetest
