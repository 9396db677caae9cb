// Slide transitions and element entry effects: the masks of the movie, the frames of a slide's
// transition and the effect clip of every animated element.
#pragma once

#include <string>
#include <vector>

#include "engine/records.h"
#include "swf/actions.h"
#include "swf/display_list.h"

namespace quillet::engine {

// The tables random transitions and random entry effects draw from.
const std::vector<int>& randomTransitionCodes();  // 25 codes
const std::vector<int>& randomEffectCodes();      // 58 codes
// One code of the table, drawn with the job's generator.
int drawRandomCode(ConversionJob& job, const std::vector<int>& table);

// The host's codes that have no generator of their own, with the code of the nearest effect that
// has one. A code missing here keeps its own generator (or none).
struct EffectMapping {
    int from;
    int to;
    const char* why;
};
const std::vector<EffectMapping>& transitionMappings();
const std::vector<EffectMapping>& entryEffectMappings();
int nearestTransition(int code);
int nearestEntryEffect(int code);
// Fades have a generator of their own: alpha raised over the effect's frames.
bool isFade(int code);

// A rectangle of a mask in the 1000-unit box.
struct MaskRect {
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const MaskRect&) const = default;
};
// The start and end rectangles of a morph mask; the end shape's rectangle at holeIndex (or -1)
// cuts a hole.
struct MorphRects {
    std::vector<MaskRect> start;
    std::vector<MaskRect> end;
    int holeIndex = -1;
};
// False for codes without a morph mask. Random bars draw their bands from the job's generator.
bool morphRectangles(int code, std::mt19937& random, MorphRects& out);
// The 20 masks of a dissolve or strips sequence, in showing order; empty for other codes.
std::vector<std::vector<MaskRect>> sequenceRectangles(int code);

inline constexpr int kFullBoxMask = -1;
// The mask's identifier, defined on first use and shared by the whole movie; 0 when the code has
// none. kFullBoxMask gives the plain full-box rectangle.
int morphMask(ConversionJob& job, int code);
// The first of 20 consecutive mask identifiers, or 0.
int maskSequence(ConversionJob& job, int code);

// Appends the slide's transition frames after the content clip (depth 1) and sets its
// transitionFrames; slide.transitionFrames holds the length its speed gives on entry.
void buildSlideTransition(ConversionJob& job, SlideRecord& slide,
                          transform::FSArray<transform::FSMovieObject>& list, int contentId);

// Fills delayFrames from the host's settings; false without them.
bool computeEffectDelay(ConversionJob& job, EffectRecord& record);

// The actions that stop an effect clip and play the named clips in the slide's sprite.
transform::FSArray<transform::FSActionObject> chainActions(int slideIndex,
                                                           const std::vector<std::string>& next);

// The frames of one effect on a character (the part after the start part and before the end
// part); returns the frames written. w and h: the element's size in twips.
int writeEffectFrames(ConversionJob& job, const Element& element, int code, int character, int w,
                      int h, transform::FSArray<transform::FSMovieObject>& list);

// Builds the effect clips of a slide's animated elements, in the host's animation order, and
// fills the slide's animatedElements.
void buildSlideEffects(ConversionJob& job, SlideRecord& slide);

}  // namespace quillet::engine
