// Movies built straight from the library's tags for the real player: glyph text at two heights,
// a three-frame movie driven by the right arrow through a clip event, a movie clip of several
// frames under a mask, lossless and JPEG bitmaps, and an event sound.
#pragma once

#include <string>
#include <vector>

#include "swf/movie.h"
#include "tests/e2e/movies/media_cases.h"

namespace quillet::e2e {

// One step of what the player does with a movie, as the manifest lists it.
struct Step {
    enum Kind { Sample, Press, Click, Frames };
    Kind kind = Sample;
    std::vector<MediaPixel> points;  // Sample
    int timeoutMs = 0;               // Sample: how long the colours may take to appear; 0: default
    std::string key;                 // Press: a key name of the browser driver, e.g. "ArrowRight"
    int frames = 0;                  // Frames: movie frames to wait

    static Step sample(std::vector<MediaPixel> points, int timeoutMs = 0) {
        Step step;
        step.points = std::move(points);
        step.timeoutMs = timeoutMs;
        return step;
    }
    static Step press(std::string key) {
        Step step;
        step.kind = Press;
        step.key = std::move(key);
        return step;
    }
    static Step click() {
        Step step;
        step.kind = Click;
        return step;
    }
    static Step wait(int frames) {
        Step step;
        step.kind = Frames;
        step.frames = frames;
        return step;
    }
};

struct SwfCase {
    std::string name;
    transform::FSMovie movie;
    std::vector<Step> steps;
};

// swf-text, swf-keys, swf-clip-mask, swf-bitmaps and swf-sound.
std::vector<SwfCase> swfMovies();

}  // namespace quillet::e2e
