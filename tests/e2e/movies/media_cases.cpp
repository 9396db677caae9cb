#include "tests/e2e/movies/media_cases.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>

#include "media/image_loader.h"
#include "media/sound_loader.h"
#include "swf/display_list.h"
#include "swf/sounds.h"
#include "tests/e2e/movies/movie_parts.h"
#include "tests/media/media_synth.h"

namespace quillet::e2e {

namespace {

using namespace transform;
using namespace quillet::media;
using synth::Bytes;
using synth::Rgb;

constexpr float FrameRate = 20.0f;

FSMovie newMovie(const FSColor& background) {
    return e2e::newMovie(7, background, FrameRate);
}

// Decodes the file, defines its bitmap and a rectangle filled with it, and places the rectangle
// with its top-left corner at (x, y) pixels.
void place(FSMovie& movie, ImageLoader& loader, const Bytes& file, int x, int y, int depth,
           int borderWidth = 0, const FSColor& border = FSColor(0, 0, 0)) {
    if (loader.decodeData(file) != Success)
        throw std::runtime_error("media case picture: " + loader.getProblem());
    const int bitmap = movie.newIdentifier();
    auto image = loader.defineImage(bitmap);
    if (!image) throw std::runtime_error("media case picture: no bitmap");
    movie.add(std::move(image));
    const int shape = movie.newIdentifier();
    movie.add(loader.defineShape(shape, bitmap, 0, 0, borderWidth, border));
    movie.add(std::make_unique<FSPlaceObject2>(shape, depth, x * Twips, y * Twips));
}

MediaMovie imagesMovie() {
    MediaMovie result{"media-images", newMovie(FSColor(255, 255, 255)), {}};
    FSMovie& movie = result.movie;
    auto& samples = result.samples;
    auto loader = createImageLoader();

    // PNG with alpha, 40 x 30: opaque red, red and grey at half alpha, and a clear magenta. The
    // half grey tells how the player reads the colours of a lossless bitmap with alpha: stored
    // as they are it shows 191; multiplied by alpha first it shows 159, too dark.
    Bytes rgba;
    const uint8_t alphas[4] = {255, 128, 128, 0};
    const Rgb colours[4] = {{255, 0, 0}, {255, 0, 0}, {128, 128, 128}, {255, 0, 255}};
    for (uint32_t y = 0; y < 30; ++y) {
        for (uint32_t x = 0; x < 40; ++x) {
            const int q = (y >= 15) * 2 + (x >= 20);
            rgba.insert(rgba.end(), {colours[q].r, colours[q].g, colours[q].b, alphas[q]});
        }
    }
    place(movie, *loader, synth::pngRgba(40, 30, rgba), 10, 10, 1);
    samples.push_back({20, 17, FSColor(255, 0, 0), 4});
    samples.push_back({40, 17, FSColor(255, 128, 128), 3});  // half red over white
    samples.push_back({20, 32, FSColor(191, 191, 191), 3});  // half grey over white
    samples.push_back({40, 32, FSColor(255, 255, 255), 4});  // clear

    // 8-bit palette PNG, 40 x 30, outlined 4 pixels wide in black; its last entry is clear.
    synth::PngParts palette(40, 30, 8, 3);
    palette.palette = {255, 255, 0, 0, 255, 255, 64, 64, 64, 128, 0, 128};
    palette.transparency = {255, 255, 255, 0};
    for (uint32_t y = 0; y < 30; ++y) {
        for (uint32_t x = 0; x < 40; ++x)
            palette.rows.push_back(static_cast<uint8_t>((y >= 15) * 2 + (x >= 20)));
    }
    place(movie, *loader, synth::png(palette), 70, 10, 2, 4 * Twips);
    samples.push_back({80, 17, FSColor(255, 255, 0), 4});
    samples.push_back({100, 17, FSColor(0, 255, 255), 4});
    samples.push_back({80, 32, FSColor(64, 64, 64), 4});
    samples.push_back({100, 32, FSColor(255, 255, 255), 4});  // clear entry
    samples.push_back({69, 25, FSColor(0, 0, 0), 10});        // the outline, outside the left edge
    samples.push_back({90, 41, FSColor(0, 0, 0), 10});        // the outline, below the bottom edge

    // 24-bit BMP of an odd width (rows padded in the file), outlined 2 pixels wide in green.
    const Rgb bands[6] = {{200, 30, 30},  {30, 200, 30},  {30, 30, 200},
                          {200, 200, 30}, {30, 200, 200}, {200, 30, 200}};
    std::vector<Rgb> bmp24;
    for (uint32_t y = 0; y < 21; ++y) {
        for (uint32_t x = 0; x < 33; ++x) bmp24.push_back(bands[(y >= 10) * 3 + x / 11]);
    }
    place(movie, *loader, synth::bmpTrueColour(33, 21, bmp24), 130, 10, 3, 2 * Twips,
          FSColor(0, 128, 0));
    samples.push_back({135, 14, FSColor(200, 30, 30), 4});
    samples.push_back({146, 14, FSColor(30, 200, 30), 4});
    samples.push_back({157, 14, FSColor(30, 30, 200), 4});
    samples.push_back({135, 26, FSColor(200, 200, 30), 4});
    samples.push_back({146, 26, FSColor(30, 200, 200), 4});
    samples.push_back({157, 26, FSColor(200, 30, 200), 4});

    // 32-bit BMP: opaque, so a 24-bit lossless bitmap.
    const Rgb pair[4] = {{10, 20, 30}, {240, 230, 220}, {10, 20, 30}, {240, 230, 220}};
    place(movie, *loader, synth::bmpTrueColour(30, 20, quadrants(30, 20, pair), 32), 180, 10, 4);
    samples.push_back({187, 20, FSColor(10, 20, 30), 4});
    samples.push_back({202, 20, FSColor(240, 230, 220), 4});

    // 16-bit BMP (5-6-5 bit fields).
    synth::BmpParts rgb565(20, 20, 16, 3);
    rgb565.masks = {0xF800, 0x07E0, 0x001F};
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            const uint16_t v = x < 10 ? 0xF800 : 0x07FF;  // red, then cyan
            rgb565.data.insert(rgb565.data.end(),
                               {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)});
        }
    }
    place(movie, *loader, synth::bmp(rgb565), 220, 10, 5);
    samples.push_back({224, 20, FSColor(255, 0, 0), 4});
    samples.push_back({235, 20, FSColor(0, 255, 255), 4});

    // Baseline JPEG, 48 x 32: blocks of two colours.
    const Rgb jpegColours[4] = {{240, 40, 40}, {40, 40, 240}, {40, 200, 40}, {250, 250, 250}};
    place(movie, *loader, synth::jpegBlocks(48, 32, quadrants(48, 32, jpegColours)), 250, 10, 6);
    samples.push_back({260, 18, FSColor(240, 40, 40), 12});
    samples.push_back({285, 18, FSColor(40, 40, 240), 12});
    samples.push_back({260, 34, FSColor(40, 200, 40), 12});
    samples.push_back({285, 34, FSColor(250, 250, 250), 12});

    samples.push_back({350, 200, FSColor(255, 255, 255), 2});  // the stage elsewhere
    movie.add(std::make_unique<FSShowFrame>());
    return result;
}

MediaMovie keyMovie() {
    const FSColor background(30, 60, 90);
    MediaMovie result{"media-key", newMovie(background), {}};
    auto loader = createImageLoader(255, 0, 255);
    // Magenta (the key) beside a colour one step from it, which must stay.
    const Rgb colours[4] = {{255, 0, 255}, {255, 0, 254}, {255, 0, 254}, {255, 0, 255}};
    place(result.movie, *loader, synth::bmpTrueColour(40, 20, quadrants(40, 20, colours)), 20, 20,
          1);
    result.samples.push_back({25, 24, background, 4});
    result.samples.push_back({50, 24, FSColor(255, 0, 254), 4});
    result.samples.push_back({25, 35, FSColor(255, 0, 254), 4});
    result.samples.push_back({50, 35, background, 4});
    // An indexed picture whose magenta entry becomes clear.
    Bytes indices(300, 0);
    std::fill(indices.begin() + 150, indices.end(), 1);  // the lower half
    place(result.movie, *loader,
          synth::bmpIndexed8(30, 10, {{255, 0, 255}, {0, 160, 0}}, indices, 2), 100, 20, 2);
    result.samples.push_back({115, 22, background, 4});
    result.samples.push_back({115, 28, FSColor(0, 160, 0), 4});
    result.movie.add(std::make_unique<FSShowFrame>());
    return result;
}

// Half a second of a 440 Hz tone, stereo.
Bytes wavTone() {
    return synth::wav(2, 22050, 16, tone(440, 8000, 11025, 2));
}

Bytes mp3() {
    Bytes file = synth::id3Tag(64);
    const Bytes frames = synth::mp3Stream({3, 9, 0, 1}, 40);  // about a second, joint stereo
    file.insert(file.end(), frames.begin(), frames.end());
    return file;
}

// An event sound started on the first frame, as a conversion adds a background sound.
MediaMovie eventSoundMovie(const std::string& name, const Bytes& file) {
    MediaMovie result{
        name, newMovie(FSColor(200, 220, 240)), {{10, 10, FSColor(200, 220, 240), 2}}};
    auto loader = createSoundLoader();
    if (loader->decodeData(file) != Success)
        throw std::runtime_error("media case sound: " + loader->getProblem());
    const int sound = result.movie.newIdentifier();
    result.movie.add(loader->defineStreamHeader(0));
    result.movie.add(loader->defineSound(sound));
    result.movie.add(std::make_unique<FSStartSound>(FSSound(sound, FSSound::Start)));
    result.movie.add(std::make_unique<FSShowFrame>());
    return result;
}

// The MP3 streamed over the movie's frames, one block a frame.
MediaMovie streamMovie() {
    MediaMovie result{"media-stream-mp3",
                      newMovie(FSColor(240, 220, 200)),
                      {{10, 10, FSColor(240, 220, 200), 2}}};
    auto loader = createSoundLoader();
    if (loader->decodeData(mp3()) != Success)
        throw std::runtime_error("media case sound: " + loader->getProblem());
    const int perFrame = static_cast<int>(loader->getSampleRate() / FrameRate);
    result.movie.add(loader->defineStreamHeader(perFrame));
    const int frames = static_cast<int>(loader->getSampleCount() / perFrame);
    for (int frame = 0; frame < frames; ++frame) {
        result.movie.add(loader->defineStreamBlock(frame, perFrame));
        result.movie.add(std::make_unique<FSShowFrame>());
    }
    return result;
}

}  // namespace

std::vector<MediaMovie> mediaMovies() {
    std::vector<MediaMovie> movies;
    movies.push_back(imagesMovie());
    movies.push_back(keyMovie());
    movies.push_back(eventSoundMovie("media-sound-mp3", mp3()));
    movies.push_back(eventSoundMovie("media-sound-wav", wavTone()));
    movies.push_back(streamMovie());
    return movies;
}

}  // namespace quillet::e2e
