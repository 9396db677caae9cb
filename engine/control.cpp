// The movie's own player logic and controls: keyboard clip, frame scripts, toolbar with the
// progress bar and page counter, and the end screen that replays the show.
#include <algorithm>
#include <cstdio>
#include <memory>

#include "engine/glyphs.h"
#include "engine/phases.h"
#include "fonts/font_library.h"
#include "swf/action_values.h"
#include "swf/display_list.h"
#include "swf/shapes.h"
#include "swf/sprites_buttons.h"

namespace quillet::engine {

using namespace transform;

namespace {

std::unique_ptr<FSPush> push(std::initializer_list<FSValue*> values) {
    FSArray<FSValue> list;
    for (FSValue* value : values) list.add(std::unique_ptr<FSValue>(value));
    return std::make_unique<FSPush>(std::move(list));
}

void addAction(FSArray<FSActionObject>& list, int code) {
    list.emplace<FSAction>(code);
}

// `Key.isDown(code)` leaving its result on the stack, through the string table.
void keyIsDown(FSArray<FSActionObject>& list, int code) {
    list.add(push({new FSInteger(code), new FSInteger(1), new FSTableIndex(0)}));
    addAction(list, FSAction::GetVariable);
    list.add(push({new FSTableIndex(1)}));
    addAction(list, FSAction::ExecuteMethod);
}

// `_root.<method>()` through the string table, its result dropped.
void rootCall(FSArray<FSActionObject>& list, int methodIndex) {
    list.add(push({new FSDouble(0.0), new FSTableIndex(2)}));
    addAction(list, FSAction::GetVariable);
    list.add(push({new FSTableIndex(methodIndex)}));
    addAction(list, FSAction::ExecuteMethod);
    addAction(list, FSAction::Pop);
}

fonts::LogicalFont controlFont(const char* face, int height, int weight, bool italic) {
    fonts::LogicalFont font;
    font.height = height;
    font.weight = weight;
    font.italic = italic ? 1 : 0;
    font.charSet = fonts::charset::defaultSet;
    font.faceName = face;
    return font;
}

// The frame's bounds widened to hold what the shape draws, so that no player culls a text that
// stands above its origin.
FSBounds textBounds(const FSBounds& frame, const FSShape& shape, int height) {
    (void)shape;
    return FSBounds(std::min(frame.getMinX(), 0), std::min(frame.getMinY(), -height),
                    frame.getMaxX(), frame.getMaxY());
}

struct DrawnText {
    FSShape shape;
    StringExtent extent;
};

DrawnText drawText(fonts::FontLibrary& fonts, const fonts::LogicalFont& font,
                   const std::string& text, int lineStyle, int fillStyle) {
    DrawnText drawn;
    const FSShapeStyle templateStyle(lineStyle, fillStyle, 0, 0, 0);
    drawn.extent = drawString(fonts, font, drawn.shape, 0, 0, text, templateStyle);
    return drawn;
}

// A box from (x, y) drawn right, down, left and up in fill style 1 and the given line style.
FSShape box(int lineStyle, int x, int y, int width, int height) {
    FSShape shape;
    shape.emplace<FSShapeStyle>(lineStyle, 1, 0, x, y);
    shape.emplace<FSLine>(width, 0);
    shape.emplace<FSLine>(0, height);
    shape.emplace<FSLine>(-width, 0);
    shape.emplace<FSLine>(0, -height);
    return shape;
}

}  // namespace

FSArray<FSActionObject> keyboardActions() {
    FSArray<FSActionObject> list;
    list.emplace<FSTable>(
        std::vector<std::string>{"Key", "isDown", "_root", "prevFrame", "nextFrame"});
    keyIsDown(list, 37);
    addAction(list, FSAction::Not);
    list.emplace<FSIf>(22);
    rootCall(list, 3);
    keyIsDown(list, 39);
    keyIsDown(list, 32);
    addAction(list, FSAction::Or);
    addAction(list, FSAction::Not);
    list.emplace<FSIf>(22);
    rootCall(list, 4);
    return list;
}

FSArray<FSActionObject> advanceActions() {
    FSArray<FSActionObject> list;
    list.add(push({new FSDouble(0.0), new FSString("_root")}));
    addAction(list, FSAction::GetVariable);
    list.add(push({new FSString("nextFrame")}));
    addAction(list, FSAction::ExecuteMethod);
    addAction(list, FSAction::Pop);
    addAction(list, FSAction::Stop);
    return list;
}

FSArray<FSActionObject> replayActions() {
    FSArray<FSActionObject> list;
    list.add(push({new FSInteger(1), new FSInteger(1), new FSString("_root")}));
    addAction(list, FSAction::GetVariable);
    list.add(push({new FSString("gotoAndPlay")}));
    addAction(list, FSAction::ExecuteMethod);
    addAction(list, FSAction::Pop);
    return list;
}

void buildKeyboardClip(ConversionJob& job) {
    FSArray<FSMovieObject> frames;
    frames.emplace<FSShowFrame>();
    const int identifier = job.newIdentifier();
    job.movie.add(std::make_unique<FSDefineMovieClip>(identifier, std::move(frames)));
    auto placement =
        std::make_unique<FSPlaceObject2>(FSPlaceObject2::New, identifier, kKeyboardDepth,
                                         FSCoordTransform(0, 0), FSColorTransform());
    placement->setName("McJet");
    placement->add(FSClipEvent(FSClipEvent::KeyDown, keyboardActions()));
    job.movie.add(std::move(placement));
}

ToolbarIds buildToolbar(ConversionJob& job, fonts::FontLibrary& fonts) {
    ToolbarIds ids;
    const FSBounds frame(0, 0, job.frameBounds.getWidth(), job.frameBounds.getHeight());

    // The maker's address, drawn as outlines.
    DrawnText link =
        drawText(fonts, controlFont("Comic Sans MS", -14, 1, true), kMakerAddress, 1, 1);
    {
        FSArray<FSFillStyle> fills;
        fills.emplace<FSSolidFill>(FSColor(255, 255, 255, 100));
        FSArray<FSLineStyle> lines;
        lines.emplace<FSSolidLine>(0, FSColor(255, 255, 255, 40));
        ids.linkTextId = job.newIdentifier();
        job.movie.add(std::make_unique<FSDefineShape3>(
            ids.linkTextId, textBounds(frame, link.shape, link.extent.height), std::move(fills),
            std::move(lines), link.shape));
    }

    // The toolbar's background.
    {
        FSArray<FSFillStyle> fills;
        fills.emplace<FSSolidFill>(FSColor(255, 255, 255, 100));
        const FSShape shape = box(0, 0, 0, 8000, 240);
        ids.backgroundId = job.newIdentifier();
        job.movie.add(std::make_unique<FSDefineShape3>(ids.backgroundId, FSBounds(0, 0, 8000, 240),
                                                       std::move(fills), FSArray<FSLineStyle>(),
                                                       shape));
    }

    // The progress bar: no width at ratio 0, 7840 twips at ratio 1.
    {
        FSArray<FSFillStyle> fills;
        fills.emplace<FSMorphSolidFill>(FSColor(25, 116, 207, 140), FSColor(25, 116, 207, 100));
        const FSShape start = box(0, 80, 40, 0, 160);
        const FSShape end = box(0, 80, 40, 7840, 160);
        ids.barMorphId = job.newIdentifier();
        job.movie.add(std::make_unique<FSDefineMorphShape>(
            ids.barMorphId, FSBounds(80, 40, 80, 200), FSBounds(80, 40, 7920, 200),
            std::move(fills), FSArray<FSLineStyle>(), start, end));
    }
    return ids;
}

void buildPageCounter(ConversionJob& job, const SlideRecord& slide, FSArray<FSMovieObject>& list,
                      fonts::FontLibrary& fonts) {
    char text[64];
    std::snprintf(text, sizeof text, "%d / %d", slide.index + 1, job.slideCount());
    DrawnText counter = drawText(fonts, controlFont("Times New Roman", -12, 0, false), text, 1, 1);
    FSArray<FSFillStyle> fills;
    fills.emplace<FSSolidFill>(FSColor(255, 0, 0, 255));
    FSArray<FSLineStyle> lines;
    lines.emplace<FSSolidLine>(0, FSColor(255, 0, 0, 255));
    const FSBounds frame(0, 0, job.frameBounds.getWidth(), job.frameBounds.getHeight());
    const int identifier = job.newIdentifier();
    job.movie.add(std::make_unique<FSDefineShape3>(
        identifier, textBounds(frame, counter.shape, counter.extent.height), std::move(fills),
        std::move(lines), counter.shape));
    list.add(std::make_unique<FSPlaceObject2>(FSPlaceObject2::New, identifier, 3,
                                              FSCoordTransform(0, 200), FSColorTransform()));
}

void writeFrameScript(ConversionJob& job, bool isFirstSlide) {
    FSArray<FSActionObject> actions;
    if (isFirstSlide) actions.emplace<FSGetUrl>("FSCommand:fullscreen", "true");
    actions.emplace<FSAction>(FSAction::Stop);
    job.movie.add(std::make_unique<FSDoAction>(std::move(actions)));
}

int buildEndScreen(ConversionJob& job, fonts::FontLibrary& fonts) {
    const int w = job.frameBounds.getWidth();
    const int h = job.frameBounds.getHeight();
    FSArray<FSMovieObject> list;

    FSArray<FSFillStyle> fills;
    fills.emplace<FSSolidFill>(FSColor(0, 0, 0, 255));
    FSArray<FSLineStyle> lines;
    lines.emplace<FSSolidLine>(40, FSColor(128, 128, 128, 255));
    const FSShape rectangle = box(1, -10, -10, w + 20, h + 20);
    const int backgroundId = job.newIdentifier();
    job.movie.add(std::make_unique<FSDefineShape>(backgroundId, FSBounds(-30, -30, w + 30, h + 30),
                                                  std::move(fills), std::move(lines), rectangle));
    list.emplace<FSPlaceObject>(backgroundId, 0, 0, 0);

    DrawnText text = drawText(fonts, controlFont("Arial", -12, 0, false), kEndScreenText, 0, 1);
    FSArray<FSFillStyle> textFills;
    textFills.emplace<FSSolidFill>(FSColor(255, 255, 255, 255));
    const int textId = job.newIdentifier();
    const FSBounds frame(0, 0, w, h);
    job.movie.add(
        std::make_unique<FSDefineShape3>(textId, textBounds(frame, text.shape, text.extent.height),
                                         std::move(textFills), FSArray<FSLineStyle>(), text.shape));
    list.emplace<FSPlaceObject>(textId, 1, (w - text.extent.endX) / 2, text.extent.height + 100);

    list.emplace<FSShowFrame>();
    const int clipId = job.newIdentifier();
    job.movie.add(std::make_unique<FSDefineMovieClip>(clipId, std::move(list)));
    return clipId;
}

}  // namespace quillet::engine
