// `quillet render DECK.pptx [-o DIR] [--width PX] [--no-text]`: draws every slide of a
// presentation with our renderer and writes slide-01.png, slide-02.png, ... (thumbnails for users,
// and the pictures the fidelity checks compare with another renderer's or with the movie's).
// --no-text leaves every text out: backgrounds, shapes and pictures alone.
#include <algorithm>
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
        if (ec) {
            std::fprintf(stderr, "quillet render: cannot make the folder %s: %s\n",
                         options->outDir.c_str(), ec.message().c_str());
            exitCode = 1;
            return;
        }
        int width = options->width;
        int height = static_cast<int>(std::lround(width * deck->slideHeight / deck->slideWidth));
        height = std::clamp(height, 1, pptx::render::kMaxRenderSide);
        for (const std::string& warning : deck->warnings)
            std::fprintf(stderr, "quillet render: warning: %s\n", warning.c_str());
        if (!deck->warnings.empty()) exitCode = LeftOutStatus;
        if (deck->slides.empty()) {
            std::fprintf(stderr, "quillet render: %s has no slides: no pictures drawn\n",
                         options->deck.c_str());
            return;
        }
        pptx::render::Renderer renderer;
        renderer.setDrawText(!options->noText);
        // Enough digits for every number, so that name order is slide order.
        const int digits =
            std::max(2, static_cast<int>(std::to_string(deck->slides.size()).size()));
        int index = 0;
        for (const auto& slide : deck->slides) {
            ++index;
            std::string number = std::to_string(index);
            number.insert(
                0, static_cast<std::size_t>(digits) - std::min<std::size_t>(number.size(), digits),
                '0');
            const std::string name = "slide-" + number + ".png";
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
