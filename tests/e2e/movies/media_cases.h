// Movies that put the picture and sound loaders in front of the real player: pictures of each
// kind turned into bitmaps and bitmap-filled rectangles, a transparent key, and event and
// streamed sounds. Every input is made in memory, so the movies need nothing from outside.
#pragma once

#include <string>
#include <vector>

#include "swf/basic_types.h"
#include "swf/movie.h"

namespace quillet::e2e {

// A stage pixel (in movie pixels from the top-left corner) and the colour the player must show
// there, within a tolerance per channel.
struct MediaPixel {
    int x;
    int y;
    transform::FSColor color;
    int tolerance;
};

struct MediaMovie {
    std::string name;
    transform::FSMovie movie;
    // Sampled on the first frame.
    std::vector<MediaPixel> samples;
};

// media-images, media-key, media-sound-mp3, media-sound-wav and media-stream-mp3. Throws
// std::runtime_error when a loader refuses one of its own inputs.
std::vector<MediaMovie> mediaMovies();

}  // namespace quillet::e2e
