// Timeline assembly ("Combine elements"): master sprites, content clips, slide sprites, timer
// clips, one main-timeline frame per slide and the closing frame.
#include <algorithm>
#include <cstdio>
#include <memory>

#include "engine/effects.h"
#include "engine/elements.h"
#include "engine/phases.h"
#include "settings/settings.h"
#include "swf/display_list.h"
#include "swf/shapes.h"
#include "swf/sprites_buttons.h"

namespace quillet::engine {

using namespace transform;

namespace {

std::unique_ptr<FSPlaceObject2> place(int identifier, int depth, const FSCoordTransform& at,
                                      const std::string& name = {}) {
    auto placement = std::make_unique<FSPlaceObject2>(FSPlaceObject2::New, identifier, depth, at,
                                                      FSColorTransform());
    if (!name.empty()) placement->setName(name);
    return placement;
}

std::unique_ptr<FSDoAction> stopAction() {
    FSArray<FSActionObject> actions;
    actions.emplace<FSAction>(FSAction::Stop);
    return std::make_unique<FSDoAction>(std::move(actions));
}

void report(ConversionJob& job, const char* format, int i, int n, int step) {
    char text[128];
    std::snprintf(text, sizeof text, format, i, n);
    job.progress.reportProgress(text, step, 0);
}

// The rectangle under a slide: the frame and 10 twips beyond, outlined grey, filled with the
// slide's background when that fill has a movie form.
int defineBackgroundShape(ConversionJob& job, const SlideRecord& slide) {
    const int w = job.frameBounds.getWidth();
    const int h = job.frameBounds.getHeight();
    FSArray<FSFillStyle> fills;
    if (auto fill = convertFill(slide.backgroundFill.get(), w, h, slide.backgroundBitmap)) {
        fills.add(std::move(fill));
    }
    FSArray<FSLineStyle> lines;
    lines.emplace<FSSolidLine>(40, FSColor(128, 128, 128, 255));
    FSShape shape;
    shape.emplace<FSShapeStyle>(1, fills.empty() ? 0 : 1, 0, -10, -10);
    shape.emplace<FSLine>(w + 20, 0);
    shape.emplace<FSLine>(0, h + 20);
    shape.emplace<FSLine>(-(w + 20), 0);
    shape.emplace<FSLine>(0, -(h + 20));
    const int identifier = job.newIdentifier();
    job.movie.add(std::make_unique<FSDefineShape>(identifier, job.frameBounds, std::move(fills),
                                                  std::move(lines), shape));
    return identifier;
}

}  // namespace

std::string instanceName(const char* format, int a) {
    char name[128] = {};
    std::snprintf(name, sizeof name, format, a);
    return name;
}

std::string instanceName(const char* format, int a, int b) {
    char name[128] = {};
    std::snprintf(name, sizeof name, format, a, b);
    return name;
}

int computeTransitionFrames(const SlideRecord& slide, float frameRate) {
    // A slide without a transition effect takes no frames for it.
    if (!slide.transition || slide.transition->entryEffect() == 0) return 0;
    switch (slide.transition->speed()) {
        case 3:
            return static_cast<int>(frameRate * 0.5 + 0.5);
        case 1:
            return static_cast<int>(frameRate * 1.5 + 0.5);
        default:
            return static_cast<int>(frameRate + 0.5);
    }
}

int frameCount(ConversionJob& job, SlideRecord& slide) {
    if (slide.frameCount > 0) return slide.frameCount;
    long long effects = 0;
    for (const auto& [element, effect] : slide.animatedElements) {
        effects += effect.lengthFrames + std::max(effect.delayFrames, 0);
    }
    const float delay = std::clamp(job.settings().slideShowDelay, 0.0f, 20.0f);
    long long frames =
        settings::delayFrames(delay, job.movie.getFrameRate()) + slide.transitionFrames + effects;
    // A sprite's frame count is 16-bit.
    frames = std::min<long long>(frames, 65535);
    if (frames <= 0) frames = 10;
    slide.frameCount = static_cast<int>(frames);
    return slide.frameCount;
}

void buildSlideSprite(ConversionJob& job, SlideRecord& entry) {
    if (entry.index < 0) {
        FSArray<FSMovieObject> list;
        int depth = 1;
        for (const auto& element : entry.elements) {
            if (element->effectClipId == -1) {
                list.add(place(element->characterId, depth++, element->transform,
                               element->named ? instanceName("shape%d_%d", element->slideIndex,
                                                             element->shapeIndex)
                                              : std::string()));
            } else {
                list.add(place(element->effectClipId, depth++, element->transform,
                               instanceName("mc%d_%d", element->slideIndex, element->shapeIndex)));
            }
        }
        list.add(stopAction());
        list.emplace<FSShowFrame>();
        entry.spriteId = job.newIdentifier();
        job.movie.add(std::make_unique<FSDefineMovieClip>(entry.spriteId, std::move(list)));
        return;
    }

    // The content clip: background, master, elements without an entry effect.
    FSArray<FSMovieObject> content;
    content.add(place(defineBackgroundShape(job, entry), 1, FSCoordTransform(0, 0)));
    int depth = 2;
    const SlideRecord* master = job.getMasterRecord(&entry);
    if (entry.displayMasterShapes && master && master != &entry) {
        content.add(place(master->spriteId, depth++, FSCoordTransform(0, 0),
                          instanceName("master_%d", master->index)));
    }
    for (const auto& element : entry.elements) {
        if (element->effectClipId != -1 || element->carriedByEffect) continue;
        content.add(place(element->characterId, depth++, element->transform,
                          element->named
                              ? instanceName("shape%d_%d", element->slideIndex, element->shapeIndex)
                              : std::string()));
    }
    content.emplace<FSShowFrame>();
    const int contentId = job.newIdentifier();
    job.movie.add(std::make_unique<FSDefineMovieClip>(contentId, std::move(content)));

    // The slide sprite: content clip, transition frames, then the effect clips.
    FSArray<FSMovieObject> list;
    list.add(place(contentId, 1, FSCoordTransform(0, 0)));
    buildSlideTransition(job, entry, list, contentId);
    depth = 2;
    for (const auto& element : entry.elements) {
        if (element->effectClipId == -1) continue;
        list.add(place(element->effectClipId, depth++, element->transform,
                       instanceName("mc%d_%d", element->slideIndex, element->shapeIndex)));
    }
    list.add(stopAction());
    list.emplace<FSShowFrame>();
    entry.spriteId = job.newIdentifier();
    job.movie.add(std::make_unique<FSDefineMovieClip>(entry.spriteId, std::move(list)));
}

void buildTimerClip(ConversionJob& job, SlideRecord& slide, const ToolbarIds& toolbar,
                    fonts::FontLibrary& fonts) {
    const int n = frameCount(job, slide);
    if (n == 0) return;
    FSArray<FSMovieObject> list;
    if (job.settings().showToolbar) {
        list.add(place(toolbar.backgroundId, 0, FSCoordTransform(0, 0)));
        list.add(place(toolbar.linkTextId, 1, FSCoordTransform(1400, 250)));
        list.add(place(toolbar.barMorphId, 2, FSCoordTransform(0, 0)));
        buildPageCounter(job, slide, list, fonts);
    } else {
        // Draws nothing; it only carries the ratio.
        const FSBounds bounds(0, 0, job.frameBounds.getWidth(), job.frameBounds.getHeight());
        const int identifier = job.newIdentifier();
        job.movie.add(
            std::make_unique<FSDefineMorphShape>(identifier, bounds, bounds, FSArray<FSFillStyle>(),
                                                 FSArray<FSLineStyle>(), FSShape(), FSShape()));
        list.add(place(identifier, 2, FSCoordTransform(0, 0)));
    }
    for (int k = 1; k <= n; ++k) {
        auto modify = std::make_unique<FSPlaceObject2>(FSPlaceObject2::Modify, 0, 2,
                                                       FSCoordTransform(), FSColorTransform());
        modify->setRatio(static_cast<float>(k) / static_cast<float>(n));
        list.add(std::move(modify));
        if (k == n) list.add(std::make_unique<FSDoAction>(advanceActions()));
        list.emplace<FSShowFrame>();
    }
    slide.timerClipId = job.newIdentifier();
    job.movie.add(std::make_unique<FSDefineMovieClip>(slide.timerClipId, std::move(list)));
}

namespace {

// The depths of the timer clips and of the end screen, from the slide count counted once.
struct TimelineDepths {
    explicit TimelineDepths(const ConversionJob& job) : slides(job.slideCount()) {}
    // Above every slide sprite (slide i sits at depth i + 1).
    int timer(int slideIndex) const { return std::max(kTimerDepth, slides + 2) + slideIndex; }
    int endScreen() const { return std::max(kEndScreenDepth, timer(slides)); }

    int slides;
};

void writeSlideFrame(ConversionJob& job, const SlideRecord& slide, const TimelineDepths& depths) {
    job.movie.add(place(slide.spriteId, slide.index + 1, FSCoordTransform(),
                        instanceName("slide_%d", slide.index + 1)));
    // Only the previous slide stays under the new one (a transition reveals the new slide over
    // it); older slides leave the stage, so the player's work per frame does not grow with the
    // slide number. Going back rebuilds the stage from these frames, so it holds the same two.
    if (slide.index >= 2) job.movie.add(std::make_unique<FSRemoveObject2>(slide.index - 1));
    writeFrameScript(job, slide.index == 0);
    if (slide.index != 0) {
        job.movie.add(std::make_unique<FSRemoveObject2>(depths.timer(slide.index - 1)));
    }
    if (slide.timerClipId != 0) {
        job.movie.add(place(slide.timerClipId, depths.timer(slide.index),
                            FSCoordTransform(100, job.frameBounds.getHeight() - 280),
                            instanceName("mc_progess_%d", slide.index)));
    }
    job.movie.add(std::make_unique<FSShowFrame>());
}

}  // namespace

int timerDepth(const ConversionJob& job, int slideIndex) {
    return TimelineDepths(job).timer(slideIndex);
}

int endScreenDepth(const ConversionJob& job) {
    return TimelineDepths(job).endScreen();
}

void writeSlideFrame(ConversionJob& job, const SlideRecord& slide) {
    writeSlideFrame(job, slide, TimelineDepths(job));
}

void writeLastFrame(ConversionJob& job, int endClipId) {
    const TimelineDepths depths(job);
    const int n = static_cast<int>(job.slides.size());
    for (int depth = 0; depth <= n; ++depth) {
        job.movie.add(std::make_unique<FSRemoveObject2>(depth));
    }
    if (depths.slides > 0) {
        job.movie.add(std::make_unique<FSRemoveObject2>(depths.timer(depths.slides - 1)));
    }
    auto endScreen = place(endClipId, depths.endScreen(), FSCoordTransform(0, 0), "McLast");
    endScreen->add(FSClipEvent(FSClipEvent::KeyDown, replayActions()));
    job.movie.add(std::move(endScreen));
    job.movie.add(std::make_unique<FSShowFrame>());
    job.movie.add(std::make_unique<FSRemoveObject2>(depths.endScreen()));
}

void combineElements(ConversionJob& job, fonts::FontLibrary& fonts) {
    job.progress.reportProgress("Main control script & progress", 20, 0);
    buildKeyboardClip(job);
    const ToolbarIds toolbar = buildToolbar(job, fonts);
    const int n = static_cast<int>(job.slides.size());
    const int divisor = std::max(n, 1);
    int step = roundHalf(20.0 / divisor);
    report(job, "prepare slide%4d/%4d", 0, n, std::max(step, 1));
    for (int i = 1; i <= n; ++i) {
        SlideRecord& entry = *job.slides[i - 1];
        // Static slides (effects off) and masters have no transition.
        entry.transitionFrames = entry.index >= 0 && job.settings().effects
                                     ? computeTransitionFrames(entry, job.movie.getFrameRate())
                                     : 0;
        buildSlideSprite(job, entry);
        if (entry.index >= 0) buildTimerClip(job, entry, toolbar, fonts);
        if (i != n) report(job, "prepare slide%4d/%4d", i, n, std::max(step, 1));
    }
    job.progress.reportProgress("Add last blank frame", 5, 0);
    const int endClipId = buildEndScreen(job, fonts);
    step = roundHalf(60.0 / divisor);
    report(job, "string slide%4d/%4d", 0, n, std::max(step, 1));
    const TimelineDepths depths(job);
    for (int i = 1; i <= n; ++i) {
        const SlideRecord& entry = *job.slides[i - 1];
        if (entry.index < 0) continue;
        writeSlideFrame(job, entry, depths);
        if (i != n) report(job, "string slide%4d/%4d", i, n, std::max(step, 1));
    }
    writeLastFrame(job, endClipId);
}

}  // namespace quillet::engine
