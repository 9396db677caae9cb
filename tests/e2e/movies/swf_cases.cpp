#include "tests/e2e/movies/swf_cases.h"

#include <cmath>
#include <memory>

#include "swf/actions.h"
#include "swf/bitmaps.h"
#include "swf/display_list.h"
#include "swf/fonts_text.h"
#include "swf/shapes.h"
#include "swf/sounds.h"
#include "swf/sprites_buttons.h"
#include "tests/e2e/movies/movie_parts.h"
#include "tests/media/media_synth.h"

namespace quillet::e2e {

namespace {

using namespace transform;
namespace synth = quillet::media::synth;
using synth::Bytes;

const FSColor White(255, 255, 255);

// Defines a rectangle of one colour (coordinates in pixels) and returns its identifier.
int solidRectangle(FSMovie& movie, const FSColor& color, int x0, int y0, int x1, int y1) {
    const int id = movie.newIdentifier();
    FSArray<FSFillStyle> fills;
    fills.add(std::make_unique<FSSolidFill>(color));
    movie.add(std::make_unique<FSDefineShape>(
        id, FSBounds(x0 * Twips, y0 * Twips, x1 * Twips, y1 * Twips), std::move(fills),
        FSArray<FSLineStyle>(), rectangle(x0 * Twips, y0 * Twips, x1 * Twips, y1 * Twips)));
    return id;
}

std::unique_ptr<FSDoAction> stop() {
    FSArray<FSActionObject> actions;
    actions.add(std::make_unique<FSAction>(FSAction::Stop));
    return std::make_unique<FSDoAction>(std::move(actions));
}

// ---- glyph text ----

// Two glyphs on the 1024-unit em square, the baseline at 0 and y growing downwards: a bar half
// an em wide and a full em tall, and a slab a full em wide and half an em tall.
SwfCase textMovie() {
    SwfCase result{"swf-text", newMovie(6, White), {}};
    FSMovie& movie = result.movie;
    const int font = movie.newIdentifier();
    movie.add(std::make_unique<FSDefineFont>(
        font, std::vector<FSShape>{rectangle(0, -1024, 512, 0), rectangle(0, -512, 1024, 0)}));

    // 40 pixels high with its baseline at y = 80, then 20 pixels high with its baseline at 150.
    // An em is the text height, so the bar is as tall as the text and half as wide.
    const FSColor ink(0, 0, 160);
    std::vector<FSText> records;
    records.emplace_back(
        font, ink, 20 * Twips, 80 * Twips, 40 * Twips,
        std::vector<FSCharacter>{FSCharacter(0, 30 * Twips), FSCharacter(1, 50 * Twips)});
    records.emplace_back(
        font, ink, 20 * Twips, 150 * Twips, 20 * Twips,
        std::vector<FSCharacter>{FSCharacter(0, 15 * Twips), FSCharacter(1, 25 * Twips)});
    const int text = movie.newIdentifier();
    movie.add(std::make_unique<FSDefineText>(text, FSBounds(0, 0, 400 * Twips, 300 * Twips),
                                             FSCoordTransform(), std::move(records)));
    movie.add(std::make_unique<FSPlaceObject2>(text, 1, 0, 0));
    movie.add(std::make_unique<FSShowFrame>());

    const int t = 8;
    result.steps.push_back(Step::sample({
        // 40 high: the bar covers x 20..40, y 40..80; the slab x 50..90, y 60..80.
        {30, 60, ink, t},
        {30, 36, White, t},
        {45, 70, White, t},
        {70, 70, ink, t},
        {70, 55, White, t},
        {94, 70, White, t},
        // 20 high: the bar covers x 20..30, y 130..150; the slab x 35..55, y 140..150.
        {25, 140, ink, t},
        {25, 126, White, t},
        {45, 146, ink, t},
        {45, 136, White, t},
        {58, 146, White, t},
    }));
    return result;
}

// ---- frames moved on by the right arrow ----

// Key.isDown(39) ? _root.nextFrame() : nothing, for a KeyDown clip event.
FSArray<FSActionObject> nextFrameOnRightArrow(int version) {
    FSArray<FSActionObject> then;
    auto root = std::make_unique<FSPush>();
    root->push<FSInteger>(0).push<FSString>("_root");
    then.add(std::move(root));
    then.add(std::make_unique<FSAction>(FSAction::GetVariable));
    auto method = std::make_unique<FSPush>();
    method->push<FSString>("nextFrame");
    then.add(std::move(method));
    then.add(std::make_unique<FSAction>(FSAction::ExecuteMethod));
    then.add(std::make_unique<FSAction>(FSAction::Pop));
    FSOutputStream sizer(0);
    sizer.setContext(FSCoder::Version, version);
    const int skip = actionBlockLength(then, sizer);

    FSArray<FSActionObject> actions;
    auto key = std::make_unique<FSPush>();
    key->push<FSInteger>(39).push<FSInteger>(1).push<FSString>("Key");
    actions.add(std::move(key));
    actions.add(std::make_unique<FSAction>(FSAction::GetVariable));
    auto isDown = std::make_unique<FSPush>();
    isDown->push<FSString>("isDown");
    actions.add(std::move(isDown));
    actions.add(std::make_unique<FSAction>(FSAction::ExecuteMethod));
    actions.add(std::make_unique<FSAction>(FSAction::Not));
    actions.add(std::make_unique<FSIf>(skip));
    for (auto& action : then) actions.add(std::move(action));
    return actions;
}

// Three frames that each stop, showing a red, a green and a blue square; an empty movie clip
// with a KeyDown event moves the main timeline on when the right arrow is down.
SwfCase keysMovie() {
    constexpr int Version = 6;  // 32-bit clip event flags
    SwfCase result{"swf-keys", newMovie(Version, White), {}};
    FSMovie& movie = result.movie;
    const FSColor red(220, 0, 0), green(0, 180, 0), blue(0, 0, 220);
    const int squares[3] = {solidRectangle(movie, red, 100, 100, 200, 200),
                            solidRectangle(movie, green, 100, 100, 200, 200),
                            solidRectangle(movie, blue, 100, 100, 200, 200)};
    const int listener = movie.newIdentifier();
    FSArray<FSMovieObject> timeline;
    timeline.add(std::make_unique<FSShowFrame>());
    movie.add(std::make_unique<FSDefineMovieClip>(listener, std::move(timeline)));

    movie.add(std::make_unique<FSPlaceObject2>(squares[0], 1, 0, 0));
    auto place = std::make_unique<FSPlaceObject2>(listener, 10, 0, 0);
    place->add(FSClipEvent(FSClipEvent::KeyDown, nextFrameOnRightArrow(Version)));
    movie.add(std::move(place));
    movie.add(stop());
    movie.add(std::make_unique<FSShowFrame>());
    for (int frame = 1; frame < 3; ++frame) {
        movie.add(std::make_unique<FSPlaceObject2>(FSPlaceObject2::Replace, squares[frame], 1,
                                                   FSCoordTransform(), FSColorTransform()));
        movie.add(stop());
        movie.add(std::make_unique<FSShowFrame>());
    }

    const auto square = [](const FSColor& color) {
        return std::vector<MediaPixel>{{150, 150, color, 6}, {50, 50, White, 4}};
    };
    result.steps = {
        Step::sample(square(red)),
        Step::wait(6),
        Step::sample(square(red)),  // it stops on its first frame
        Step::click(),              // the player takes keys once clicked
        Step::press("ArrowRight"),
        Step::sample(square(green), 2000),
        Step::press("ArrowLeft"),  // a key down, but not the right arrow
        Step::wait(3),
        Step::sample(square(green)),
        Step::press("ArrowRight"),
        Step::sample(square(blue), 2000),
        Step::press("ArrowRight"),  // the last frame stays
        Step::wait(3),
        Step::sample(square(blue)),
    };
    return result;
}

// ---- a movie clip of several frames under a mask ----

// The clip places a red, a green and a blue bar on its frames 1, 2 and 3 and stops on the third;
// a mask over the left half of the stage clips it; a yellow square above the mask's layers is
// not clipped.
SwfCase clipMaskMovie() {
    SwfCase result{"swf-clip-mask", newMovie(6, White), {}};
    FSMovie& movie = result.movie;
    const FSColor red(220, 0, 0), green(0, 180, 0), blue(0, 0, 220), yellow(240, 220, 0);
    const int mask = solidRectangle(movie, FSColor(0, 0, 0), 0, 0, 200, 300);
    const int bars[3] = {solidRectangle(movie, red, 150, 20, 250, 80),
                         solidRectangle(movie, green, 150, 100, 250, 160),
                         solidRectangle(movie, blue, 150, 180, 250, 240)};
    const int square = solidRectangle(movie, yellow, 300, 20, 350, 80);

    const int clip = movie.newIdentifier();
    FSArray<FSMovieObject> timeline;
    for (int frame = 0; frame < 3; ++frame) {
        timeline.add(std::make_unique<FSPlaceObject2>(bars[frame], frame + 1, 0, 0));
        if (frame == 2) timeline.add(stop());
        timeline.add(std::make_unique<FSShowFrame>());
    }
    movie.add(std::make_unique<FSDefineMovieClip>(clip, std::move(timeline)));

    // The mask on layer 1 clips layers 2 and 3 (the clip depth is held as the last layer - 1).
    movie.add(std::make_unique<FSPlaceObject2>(mask, 1, 2, 0, 0));
    movie.add(std::make_unique<FSPlaceObject2>(clip, 2, 0, 0));
    movie.add(std::make_unique<FSPlaceObject2>(square, 5, 0, 0));
    movie.add(std::make_unique<FSShowFrame>());

    result.steps.push_back(Step::sample(
        {
            {175, 50, red, 6},
            {225, 50, White, 4},  // masked away
            {175, 130, green, 6},
            {225, 130, White, 4},
            {175, 210, blue, 6},
            {225, 210, White, 4},
            {100, 50, White, 4},  // inside the mask, nothing drawn
            {325, 50, yellow, 6},
        },
        3000));
    return result;
}

// ---- bitmaps ----

struct Pixel {
    uint8_t r, g, b, a;
};

// A rectangle at (x, y) pixels filled with the bitmap at one twentieth scale: one bitmap pixel
// on one stage pixel.
void placeBitmap(FSMovie& movie, int bitmap, int x, int y, int width, int height, int depth) {
    const int shape = movie.newIdentifier();
    FSArray<FSFillStyle> fills;
    fills.add(std::make_unique<FSBitmapFill>(FSFillStyle::ClippedBitmap, bitmap,
                                             FSCoordTransform(0, 0, Twips, Twips)));
    movie.add(std::make_unique<FSDefineShape>(shape, FSBounds(0, 0, width * Twips, height * Twips),
                                              std::move(fills), FSArray<FSLineStyle>(),
                                              rectangle(0, 0, width * Twips, height * Twips)));
    movie.add(std::make_unique<FSPlaceObject2>(shape, depth, x * Twips, y * Twips));
}

// The stage points at the middle of each quadrant of a picture placed at (x, y), with the colour
// the source pixel has there over the white stage.
void sampleQuadrants(std::vector<MediaPixel>& points, const std::vector<Pixel>& source, int width,
                     int height, int x, int y, int tolerance) {
    for (int q = 0; q < 4; ++q) {
        const int px = (q % 2) * (width / 2) + width / 4;
        const int py = (q / 2) * (height / 2) + height / 4;
        const Pixel& p = source[static_cast<std::size_t>(py * width + px)];
        const auto over = [&](uint8_t c) { return (c * p.a + 255 * (255 - p.a) + 127) / 255; };
        points.push_back({x + px, y + py, FSColor(over(p.r), over(p.g), over(p.b)), tolerance});
    }
}

SwfCase bitmapsMovie() {
    SwfCase result{"swf-bitmaps", newMovie(7, White), {}};
    FSMovie& movie = result.movie;
    std::vector<MediaPixel> points;

    {  // 8 bits per pixel with a colour table of four entries; rows padded to 32 bits
        const int width = 30, height = 20;
        const Pixel table[4] = {
            {230, 20, 20, 255}, {20, 200, 40, 255}, {30, 40, 220, 255}, {240, 200, 0, 255}};
        Bytes raw;
        for (const auto& entry : table) raw.insert(raw.end(), {entry.r, entry.g, entry.b});
        const int stride = (width + 3) / 4 * 4;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < stride; ++x)
                raw.push_back(
                    x < width ? static_cast<uint8_t>((y >= height / 2) * 2 + (x >= width / 2)) : 0);
        const int id = movie.newIdentifier();
        movie.add(std::make_unique<FSDefineImage>(id, width, height, 4, synth::zlibCompress(raw)));
        placeBitmap(movie, id, 20, 20, width, height, 1);
        sampleQuadrants(points, quadrants(width, height, table), width, height, 20, 20, 6);
    }
    {  // 32 bits per pixel with alpha (premultiplied ARGB): opaque colours, half-transparent
       // black (the same premultiplied or not) and clear
        const int width = 30, height = 20;
        const Pixel colours[4] = {
            {0, 200, 200, 255}, {200, 0, 200, 255}, {0, 0, 0, 128}, {0, 0, 0, 0}};
        const auto pixels = quadrants(width, height, colours);
        Bytes raw;
        for (const auto& p : pixels) raw.insert(raw.end(), {p.a, p.r, p.g, p.b});
        const int id = movie.newIdentifier();
        movie.add(std::make_unique<FSDefineImage2>(id, width, height, synth::zlibCompress(raw)));
        placeBitmap(movie, id, 80, 20, width, height, 2);
        sampleQuadrants(points, pixels, width, height, 80, 20, 8);
    }
    {  // a JPEG stream with its tables (quantiser 1, so block colours come back exactly)
        const int width = 48, height = 32;
        const Pixel colours[4] = {
            {240, 40, 40, 255}, {40, 40, 240, 255}, {40, 200, 40, 255}, {250, 250, 250, 255}};
        const auto pixels = quadrants(width, height, colours);
        std::vector<synth::Rgb> rgb;
        for (const auto& p : pixels) rgb.push_back({p.r, p.g, p.b});
        const int id = movie.newIdentifier();
        movie.add(std::make_unique<FSDefineJPEGImage2>(id, synth::jpegBlocks(width, height, rgb)));
        placeBitmap(movie, id, 140, 20, width, height, 3);
        sampleQuadrants(points, pixels, width, height, 140, 20, 12);
    }
    points.push_back({300, 200, White, 2});
    movie.add(std::make_unique<FSShowFrame>());
    result.steps.push_back(Step::sample(points));
    return result;
}

// ---- an event sound ----

SwfCase soundMovie() {
    const FSColor background(200, 230, 200);
    SwfCase result{"swf-sound", newMovie(7, background), {}};
    FSMovie& movie = result.movie;
    const int count = 22050 / 4;  // a quarter second of a 660 Hz tone, mono
    const int sound = movie.newIdentifier();
    movie.add(
        std::make_unique<FSDefineSound>(sound, 3, 22050, 1, 2, count, tone(660, 6000, count, 1)));
    movie.add(std::make_unique<FSStartSound>(FSSound(sound, FSSound::Start)));
    movie.add(std::make_unique<FSShowFrame>());
    result.steps = {Step::sample({{10, 10, background, 2}}), Step::wait(6),
                    Step::sample({{200, 150, background, 2}})};
    return result;
}

}  // namespace

std::vector<SwfCase> swfMovies() {
    std::vector<SwfCase> movies;
    movies.push_back(textMovie());
    movies.push_back(keysMovie());
    movies.push_back(clipMaskMovie());
    movies.push_back(bitmapsMovie());
    movies.push_back(soundMovie());
    return movies;
}

}  // namespace quillet::e2e
