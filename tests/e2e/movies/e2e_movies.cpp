// Writes the movies that the end-to-end tests play in the real player, and a manifest that says,
// for each movie, which tags our own decoder reads back from the file and which pixels the
// player must show.
//
//   e2e_movies OUTDIR
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "swf/display_list.h"
#include "swf/movie.h"
#include "swf/shapes.h"
#include "tests/e2e/movies/media_cases.h"
#include "tests/e2e/movies/movie_parts.h"
#include "tests/e2e/movies/swf_cases.h"

namespace {

using namespace transform;
namespace fs = std::filesystem;

using quillet::e2e::MediaPixel;
using quillet::e2e::rectangle;
using quillet::e2e::Step;
using quillet::e2e::Twips;

struct MovieCase {
    std::string name;
    std::function<FSMovie()> build;
    std::vector<Step> steps;  // what the player does with the movie
};

// A circle of eight quadratic curves, clockwise on screen; each control point lies where the
// tangents at the arc's two ends meet.
FSShape circle(int cx, int cy, int r) {
    constexpr double eighth = 3.14159265358979 / 4;
    FSShape shape;
    shape.add(std::make_unique<FSShapeStyle>(1, Default, 1, cx + r, cy));
    int atX = cx + r;
    int atY = cy;
    const double controlRadius = r / std::cos(eighth / 2);
    for (int i = 1; i <= 8; ++i) {
        const double middle = (i - 0.5) * eighth;
        const int controlX = cx + static_cast<int>(std::lround(controlRadius * std::cos(middle)));
        const int controlY = cy + static_cast<int>(std::lround(controlRadius * std::sin(middle)));
        const int anchorX = cx + static_cast<int>(std::lround(r * std::cos(i * eighth)));
        const int anchorY = cy + static_cast<int>(std::lround(r * std::sin(i * eighth)));
        shape.add(std::make_unique<FSCurve>(controlX - atX, controlY - atY, anchorX - controlX,
                                            anchorY - controlY));
        atX = anchorX;
        atY = anchorY;
    }
    return shape;
}

FSBounds boundsOf(int x0, int y0, int x1, int y1, int margin = 0) {
    return FSBounds(x0 - margin, y0 - margin, x1 + margin, y1 + margin);
}

// A gradient square (±16384 twips) mapped onto the given box.
FSCoordTransform gradientBox(int x0, int y0, int x1, int y1) {
    return FSCoordTransform((x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 32768.0, (y1 - y0) / 32768.0);
}

template <class Fill>
FSArray<FSFillStyle> fills(Fill fill) {
    FSArray<FSFillStyle> list;
    list.add(std::make_unique<Fill>(std::move(fill)));
    return list;
}

FSArray<FSLineStyle> lines(int width, const FSColor& color) {
    FSArray<FSLineStyle> list;
    list.add(std::make_unique<FSSolidLine>(width, color));
    return list;
}

// Every shape tag on one stage: a plain rectangle (shape 1), an outlined one (shape 2), linear
// and radial gradients with alpha (shape 3), a curved outline, and a morph shown half way.
FSMovie shapesMovie(const std::string& signature) {
    FSMovie movie(signature, 7, FSBounds(0, 0, 400 * Twips, 300 * Twips), 12.0f, {});
    movie.add(std::make_unique<FSSetBackgroundColor>(FSColor(255, 255, 255)));
    int depth = 1;
    const auto place = [&](int id) {
        movie.add(std::make_unique<FSPlaceObject2>(id, depth++, 0, 0));
    };

    {  // red rectangle, no outline
        const int id = movie.newIdentifier();
        const int x0 = 20 * Twips, y0 = 20 * Twips, x1 = 120 * Twips, y1 = 100 * Twips;
        movie.add(std::make_unique<FSDefineShape>(
            id, boundsOf(x0, y0, x1, y1), fills(FSSolidFill(FSColor(255, 0, 0))),
            FSArray<FSLineStyle>(), rectangle(x0, y0, x1, y1)));
        place(id);
    }
    {  // blue rectangle with a 10-pixel black outline
        const int id = movie.newIdentifier();
        const int x0 = 150 * Twips, y0 = 20 * Twips, x1 = 250 * Twips, y1 = 100 * Twips;
        movie.add(std::make_unique<FSDefineShape2>(
            id, boundsOf(x0, y0, x1, y1, 5 * Twips), fills(FSSolidFill(FSColor(0, 0, 255))),
            lines(10 * Twips, FSColor(0, 0, 0)), rectangle(x0, y0, x1, y1, 1, 1)));
        place(id);
    }
    {  // linear gradient from green to yellow, left to right, with a thin grey outline
        const int id = movie.newIdentifier();
        const int x0 = 280 * Twips, y0 = 20 * Twips, x1 = 380 * Twips, y1 = 100 * Twips;
        FSGradientFill gradient(
            0x10, gradientBox(x0, y0, x1, y1),
            {FSGradient(0, FSColor(0, 255, 0, 255)), FSGradient(255, FSColor(255, 255, 0, 255))});
        movie.add(std::make_unique<FSDefineShape3>(
            id, boundsOf(x0, y0, x1, y1, Twips), fills(std::move(gradient)),
            lines(2 * Twips, FSColor(128, 128, 128, 255)), rectangle(x0, y0, x1, y1, 1, 1)));
        place(id);
    }
    {  // radial gradient from white to black
        const int id = movie.newIdentifier();
        const int x0 = 20 * Twips, y0 = 140 * Twips, x1 = 120 * Twips, y1 = 240 * Twips;
        FSGradientFill gradient(
            0x12, gradientBox(x0, y0, x1, y1),
            {FSGradient(0, FSColor(255, 255, 255, 255)), FSGradient(255, FSColor(0, 0, 0, 255))});
        movie.add(std::make_unique<FSDefineShape3>(
            id, boundsOf(x0, y0, x1, y1), fills(std::move(gradient)), FSArray<FSLineStyle>(),
            rectangle(x0, y0, x1, y1)));
        place(id);
    }
    {  // a magenta disc outlined 4 pixels wide in dark green, drawn with curves
        const int id = movie.newIdentifier();
        const int cx = 190 * Twips, cy = 190 * Twips, r = 50 * Twips;
        movie.add(std::make_unique<FSDefineShape3>(
            id, boundsOf(cx - r, cy - r, cx + r, cy + r, 2 * Twips),
            fills(FSSolidFill(FSColor(255, 0, 255, 255))),
            lines(4 * Twips, FSColor(0, 100, 0, 255)), circle(cx, cy, r)));
        place(id);
    }
    {  // a red square that moves right and turns blue, shown half way
        const int id = movie.newIdentifier();
        const int y0 = 150 * Twips, y1 = 190 * Twips;
        FSArray<FSFillStyle> morphFills;
        morphFills.add(
            std::make_unique<FSMorphSolidFill>(FSColor(255, 0, 0, 255), FSColor(0, 0, 255, 255)));
        FSArray<FSLineStyle> morphLines;
        morphLines.add(std::make_unique<FSMorphSolidLine>(Twips, 5 * Twips, FSColor(0, 0, 0, 255),
                                                          FSColor(0, 0, 0, 255)));
        movie.add(std::make_unique<FSDefineMorphShape>(
            id, boundsOf(250 * Twips, y0, 290 * Twips, y1, Twips),
            boundsOf(330 * Twips, y0, 370 * Twips, y1, 3 * Twips), std::move(morphFills),
            std::move(morphLines), rectangle(250 * Twips, y0, 290 * Twips, y1, 1, 1),
            rectangle(330 * Twips, y0, 370 * Twips, y1, Default)));
        auto morph = std::make_unique<FSPlaceObject2>(id, depth++, 0, 0);
        morph->setRatio(0.5f);
        movie.add(std::move(morph));
    }
    movie.add(std::make_unique<FSShowFrame>());
    return movie;
}

const std::vector<MediaPixel> shapeSamples = {
    {5, 5, FSColor(255, 255, 255), 4},      // background
    {70, 60, FSColor(255, 0, 0), 4},        // shape 1
    {200, 60, FSColor(0, 0, 255), 4},       // shape 2 fill
    {150, 60, FSColor(0, 0, 0), 4},         // shape 2 outline, 10 px wide on the edge
    {283, 60, FSColor(0, 255, 0), 30},      // gradient start
    {377, 60, FSColor(255, 255, 0), 30},    // gradient end
    {330, 60, FSColor(128, 255, 0), 30},    // gradient middle
    {70, 190, FSColor(255, 255, 255), 30},  // radial centre
    {22, 142, FSColor(0, 0, 0), 30},        // radial corner, beyond the last stop
    {190, 190, FSColor(255, 0, 255), 4},    // disc centre
    {145, 145, FSColor(255, 255, 255), 4},  // outside the disc, inside its bounds
    {240, 190, FSColor(0, 100, 0), 20},     // disc outline
    {310, 170, FSColor(127, 0, 128), 8},    // morph at ratio 0.5: moved and half blue
    {260, 170, FSColor(255, 255, 255), 4},  // where the morph started
    {360, 170, FSColor(255, 255, 255), 4},  // where it ends
};

std::string hexColor(const FSColor& c) {
    std::ostringstream text;
    text << "[" << c.getRed() << "," << c.getGreen() << "," << c.getBlue() << "]";
    return text.str();
}

std::string stepJson(const Step& step) {
    std::ostringstream text;
    switch (step.kind) {
        case Step::Sample:
            text << "{\"sample\":[";
            for (std::size_t i = 0; i < step.points.size(); ++i) {
                const auto& p = step.points[i];
                text << (i ? "," : "") << "{\"x\":" << p.x << ",\"y\":" << p.y
                     << ",\"rgb\":" << hexColor(p.color) << ",\"tolerance\":" << p.tolerance << "}";
            }
            text << "]";
            if (step.timeoutMs > 0) text << ",\"timeoutMs\":" << step.timeoutMs;
            text << "}";
            break;
        case Step::Press:
            text << "{\"press\":\"" << step.key << "\"}";
            break;
        case Step::Click:
            text << "{\"click\":true}";
            break;
        case Step::Frames:
            text << "{\"frames\":" << step.frames << "}";
            break;
    }
    return text.str();
}

// The top-level tag codes our decoder reads back from the written file.
std::vector<int> decodedTags(const std::string& path) {
    FSMovie movie(path);
    std::vector<int> codes;
    for (const auto& object : movie.getObjects()) codes.push_back(object->getType());
    return codes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: e2e_movies OUTDIR\n";
        return 2;
    }
    const fs::path out = argv[1];
    fs::create_directories(out);

    std::vector<MovieCase> cases = {
        {"shapes-cws", [] { return shapesMovie("CWS"); }, {Step::sample(shapeSamples)}},
        {"shapes-fws", [] { return shapesMovie("FWS"); }, {Step::sample(shapeSamples)}},
    };
    try {
        for (auto& media : quillet::e2e::mediaMovies())
            cases.push_back({media.name,
                             [movie = std::move(media.movie)] { return movie; },
                             {Step::sample(media.samples)}});
        for (auto& swf : quillet::e2e::swfMovies())
            cases.push_back(
                {swf.name, [movie = std::move(swf.movie)] { return movie; }, swf.steps});
    } catch (const std::exception& e) {
        std::cerr << "e2e_movies: media movies: " << e.what() << "\n";
        return 1;
    }

    std::ostringstream manifest;
    manifest << "{\"movies\":[\n";
    bool first = true;
    for (const auto& movieCase : cases) {
        const std::string file = movieCase.name + ".swf";
        try {
            movieCase.build().encodeToFile((out / file).string());
        } catch (const FSException& e) {
            std::cerr << "e2e_movies: " << movieCase.name << ": " << e.what() << "\n";
            return 1;
        }
        manifest << (first ? "" : ",\n") << "{\"name\":\"" << movieCase.name << "\",\"file\":\""
                 << file << "\",\"tags\":[";
        const auto tags = decodedTags((out / file).string());
        for (std::size_t i = 0; i < tags.size(); ++i) manifest << (i ? "," : "") << tags[i];
        manifest << "],\"steps\":[";
        for (std::size_t i = 0; i < movieCase.steps.size(); ++i)
            manifest << (i ? "," : "") << stepJson(movieCase.steps[i]);
        manifest << "]}";
        first = false;
    }
    manifest << "\n]}\n";
    std::ofstream(out / "manifest.json") << manifest.str();
    return 0;
}
