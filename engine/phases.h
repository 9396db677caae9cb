// The phases of a conversion and their parts, as job operations over the records. Exposed for
// the driver and for tests that check each part on its own.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "engine/records.h"
#include "swf/actions.h"
#include "swf/display_list.h"
#include "swf/shapes.h"

namespace quillet::fonts {
class FontLibrary;
}

namespace quillet::engine {

// ---- sound ----
// Adds the sound file as a stream header, an event sound and its start; a file that cannot be
// read adds nothing. An empty path adds nothing.
void addBackgroundSound(ConversionJob& job, const std::string& soundPath);

// ---- capture ("Catch Slide") ----
void capture(ConversionJob& job);
bool captureMaster(ConversionJob& job, int which);  // -1 title master, -2 slide master
void captureSlide(ConversionJob& job, int index);   // 0-based
BackgroundFill readBackgroundFill(const host::Fill* fill);
// Makes a background drawn in memory a bitmap of the movie and stores it in the record; false
// when the host drew nothing (the record then keeps no bitmap).
bool defineBackgroundBitmap(ConversionJob& job, SlideRecord& record,
                            const host::PixelPicture& picture);

// ---- build ("Build elements") ----
// Every element of every slide, then the embedded glyph fonts and the texts.
void buildElements(ConversionJob& job, fonts::FontLibrary& fonts);

// ---- combine ("Combine elements") ----
void combineElements(ConversionJob& job, fonts::FontLibrary& fonts);
int computeTransitionFrames(const SlideRecord& slide, float frameRate);
int frameCount(ConversionJob& job, SlideRecord& slide);
void buildSlideSprite(ConversionJob& job, SlideRecord& entry);
struct ToolbarIds {
    int backgroundId = 0;
    int barMorphId = 0;
    int linkTextId = 0;
};
void buildTimerClip(ConversionJob& job, SlideRecord& slide, const ToolbarIds& toolbar,
                    fonts::FontLibrary& fonts);
void writeSlideFrame(ConversionJob& job, const SlideRecord& slide);
void writeLastFrame(ConversionJob& job, int endClipId);
// The instance names of the movie's script interface.
std::string instanceName(const char* format, int a);
std::string instanceName(const char* format, int a, int b);

// ---- control script ----
inline constexpr int kKeyboardDepth = 0;
// The first slide's timer clip sits at kTimerDepth; every later slide's at a depth of its own
// above it (see timerDepth), because a player going back a frame rebuilds the stage by depth and
// kept the later slide's timer when all slides shared one depth.
inline constexpr int kTimerDepth = 107;
inline constexpr int kEndScreenDepth = 1000;
int timerDepth(const ConversionJob& job, int slideIndex);
int endScreenDepth(const ConversionJob& job);
// The maker's web address drawn in the toolbar.
inline constexpr const char* kMakerAddress = "www.quillet.example";
inline constexpr const char* kEndScreenText = "Slide show over! Press any key to replay!";

void buildKeyboardClip(ConversionJob& job);
ToolbarIds buildToolbar(ConversionJob& job, fonts::FontLibrary& fonts);
void buildPageCounter(ConversionJob& job, const SlideRecord& slide,
                      transform::FSArray<transform::FSMovieObject>& list,
                      fonts::FontLibrary& fonts);
void writeFrameScript(ConversionJob& job, bool isFirstSlide);
int buildEndScreen(ConversionJob& job, fonts::FontLibrary& fonts);
// The action lists: keys (left arrow back, right arrow or space forward), the timer clip's
// advance at its last frame, and the end screen's replay.
transform::FSArray<transform::FSActionObject> keyboardActions();
transform::FSArray<transform::FSActionObject> advanceActions();
transform::FSArray<transform::FSActionObject> replayActions();

}  // namespace quillet::engine
