// `quillet demo OUT.swf`: writes a small movie with the SWF library alone — a slide-like stage
// with a title band, three discs that grow into place and a progress bar — so that the build
// can be tried before any presentation is at hand.
#include <cmath>
#include <cstdio>
#include <string>

#include "app/commands.h"
#include "swf/display_list.h"
#include "swf/movie.h"
#include "swf/shapes.h"

namespace quillet::app {

namespace {

using namespace transform;

constexpr int Twips = 20;
constexpr int Width = 480;
constexpr int Height = 360;
constexpr int Frames = 24;

FSShape box(int x0, int y0, int x1, int y1) {
    FSShape shape;
    shape.add(std::make_unique<FSShapeStyle>(Default, Default, 1, x0, y0));
    shape.add(std::make_unique<FSLine>(x1 - x0, 0));
    shape.add(std::make_unique<FSLine>(0, y1 - y0));
    shape.add(std::make_unique<FSLine>(x0 - x1, 0));
    shape.add(std::make_unique<FSLine>(0, y0 - y1));
    return shape;
}

// A disc centred on the origin, so that scaling its placement grows it in place.
FSShape disc(int r) {
    constexpr double eighth = 3.14159265358979 / 4;
    FSShape shape;
    shape.add(std::make_unique<FSShapeStyle>(Default, Default, 1, r, 0));
    int atX = r;
    int atY = 0;
    for (int i = 1; i <= 8; ++i) {
        const double reach = r / std::cos(eighth / 2);
        const int controlX = static_cast<int>(std::lround(reach * std::cos((i - 0.5) * eighth)));
        const int controlY = static_cast<int>(std::lround(reach * std::sin((i - 0.5) * eighth)));
        const int anchorX = static_cast<int>(std::lround(r * std::cos(i * eighth)));
        const int anchorY = static_cast<int>(std::lround(r * std::sin(i * eighth)));
        shape.add(std::make_unique<FSCurve>(controlX - atX, controlY - atY, anchorX - controlX, anchorY - controlY));
        atX = anchorX;
        atY = anchorY;
    }
    return shape;
}

FSArray<FSFillStyle> solid(const FSColor& color) {
    FSArray<FSFillStyle> fills;
    fills.add(std::make_unique<FSSolidFill>(color));
    return fills;
}

FSMovie demoMovie() {
    FSMovie movie(FSBounds(0, 0, Width * Twips, Height * Twips), 20.0f);
    movie.add(std::make_unique<FSSetBackgroundColor>(FSColor(24, 32, 48)));

    const int band = movie.newIdentifier();
    FSArray<FSFillStyle> bandFill;
    bandFill.add(std::make_unique<FSGradientFill>(
        0x10, FSCoordTransform(Width * Twips / 2, 40 * Twips, Width * Twips / 32768.0, 1.0),
        std::vector<FSGradient>{FSGradient(0, FSColor(40, 110, 200)), FSGradient(255, FSColor(120, 60, 180))}));
    movie.add(std::make_unique<FSDefineShape2>(band, FSBounds(0, 0, Width * Twips, 80 * Twips), std::move(bandFill),
                                               FSArray<FSLineStyle>(), box(0, 0, Width * Twips, 80 * Twips)));
    movie.add(std::make_unique<FSPlaceObject2>(band, 1, 0, 0));

    const FSColor colors[] = {FSColor(230, 80, 70), FSColor(250, 190, 60), FSColor(80, 190, 120)};
    int discs[3];
    for (int i = 0; i < 3; ++i) {
        discs[i] = movie.newIdentifier();
        const int r = 50 * Twips;
        movie.add(std::make_unique<FSDefineShape>(discs[i], FSBounds(-r, -r, r, r), solid(colors[i]),
                                                  FSArray<FSLineStyle>(), disc(r)));
    }
    const int bar = movie.newIdentifier();
    movie.add(std::make_unique<FSDefineShape>(bar, FSBounds(0, 0, Width * Twips, 6 * Twips),
                                              solid(FSColor(240, 240, 240)), FSArray<FSLineStyle>(),
                                              box(0, 0, Width * Twips, 6 * Twips)));

    for (int frame = 1; frame <= Frames; ++frame) {
        const double grown = static_cast<double>(frame) / Frames;
        for (int i = 0; i < 3; ++i) {
            const FSCoordTransform at((120 + 120 * i) * Twips, 210 * Twips, grown, grown);
            if (frame == 1)
                movie.add(std::make_unique<FSPlaceObject2>(discs[i], 2 + i, at, FSColorTransform()));
            else
                movie.add(std::make_unique<FSPlaceObject2>(2 + i, at, FSColorTransform()));
        }
        const FSCoordTransform progress(0, (Height - 6) * Twips, grown, 1.0);
        if (frame == 1)
            movie.add(std::make_unique<FSPlaceObject2>(bar, 5, progress, FSColorTransform()));
        else
            movie.add(std::make_unique<FSPlaceObject2>(5, progress, FSColorTransform()));
        movie.add(std::make_unique<FSShowFrame>());
    }
    return movie;
}

}  // namespace

void addDemoCommand(CLI::App& app, int& exitCode) {
    auto* command = app.add_subcommand("demo", "Write a small demonstration movie made with the SWF library");
    auto output = std::make_shared<std::string>();
    command->add_option("OUT.swf", *output, "Where to write the movie")->required();
    command->callback([output, &exitCode] {
        try {
            demoMovie().encodeToFile(*output);
            std::printf("wrote %s\n", output->c_str());
        } catch (const FSException& e) {
            std::fprintf(stderr, "quillet demo: cannot write %s: %s\n", output->c_str(), e.what());
            exitCode = 1;
        }
    });
}

}  // namespace quillet::app
