// `quillet render DECK.pptx [-o DIR] [--width PX] [--no-text]`: draws every slide of a
// presentation with our renderer and writes slide-01.png, slide-02.png, ... (thumbnails for users,
// and the pictures the fidelity checks compare with another renderer's or with the movie's).
// --no-text leaves every text out: backgrounds, shapes and pictures alone.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/commands.h"
#include "host/pptx/package.h"
#include "host/pptx/reader.h"
#include "host/pptx/render/renderer.h"

namespace quillet::app {

void addRenderCommand(CLI::App& app, int& exitCode) {
    struct Options {
        std::string deck;
        std::string outDir = ".";
        int width = 960;
        bool noText = false;
    };
    auto options = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand("render", "Draw every slide of a presentation as PNG");
    cmd->add_option("deck", options->deck, "Presentation file (.pptx)")->required();
    cmd->add_option("-o,--output", options->outDir, "Folder for the pictures (default: .)");
    cmd->add_option("--width", options->width, "Picture width in pixels (default 960)")
        ->check(CLI::Range(16, pptx::render::kMaxRenderSide));
    cmd->add_flag("--no-text", options->noText,
                  "Leave texts out (backgrounds, shapes and pictures only)");
    cmd->callback([options, &exitCode] {
        std::shared_ptr<pptx::PresentationData> deck;
        try {
            deck = pptx::openPresentation(options->deck);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "quillet render: %s\n", e.what());
            exitCode = 1;
            return;
        }
        std::error_code ec;
        std::filesystem::create_directories(options->outDir, ec);
        int width = options->width;
        int height = static_cast<int>(std::lround(width * deck->slideHeight / deck->slideWidth));
        height = std::clamp(height, 1, pptx::render::kMaxRenderSide);
        pptx::render::Renderer renderer;
        renderer.setDrawText(!options->noText);
        int index = 0;
        for (const auto& slide : deck->slides) {
            ++index;
            char name[32];
            std::snprintf(name, sizeof name, "slide-%02d.png", index);
            std::string path = (std::filesystem::path(options->outDir) / name).string();
            pptx::render::Surface picture = renderer.renderSlide(*deck, *slide, width, height);
            if (!pptx::render::writePng(picture.get(), path)) {
                std::fprintf(stderr, "quillet render: cannot write %s\n", path.c_str());
                exitCode = 1;
                return;
            }
            std::printf("%s\n", path.c_str());
        }
    });
}

}  // namespace quillet::app
