// `quillet ui [DECK]`, `quillet view MOVIE.swf` and `quillet feedback [FILE]`: the convert page,
// the movie viewer and the feedback page in the user's browser, served on 127.0.0.1 by
// quillet-pages (which these commands become) until the page is closed or Ctrl-C.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/data_files.h"
#include "app/desktop_tools.h"
#include "app/page_server.h"
#include "engine/engine.h"
#include "settings/settings.h"

namespace quillet::app {

namespace fs = std::filesystem;

namespace {

struct PageArguments {
    std::string file;
    bool noBrowser = false;
};

#ifndef QUILLET_PAGES_IN_PROCESS
// The server is the program quillet-pages beside this one; it replaces this process (same
// process id, output and signals) and is given the command with the file already resolved.
int servePages(const char* command, PageServerOptions options, bool noBrowser) {
    const fs::path helper = currentExecutable().parent_path() / "quillet-pages";
    std::vector<std::string> args{helper.string(), command};
    if (noBrowser) args.emplace_back("--no-browser");
    const fs::path& file = options.firstPage == "convert" ? options.deck : options.movie;
    if (!file.empty()) {
        args.emplace_back("--");
        args.push_back(file.string());
    }
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::fflush(stdout);
    ::execv(helper.c_str(), argv.data());
    std::fprintf(stderr, "quillet %s: cannot start the page server %s: %s\n", command,
                 helper.c_str(), std::strerror(errno));
    return 1;
}
#else
int servePages(const char* command, PageServerOptions options, bool noBrowser) {
    options.settingsFile = settings::defaultSettingsFile();
    PageServer server(std::move(options));
    std::string address;
    try {
        address = server.start();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quillet %s: %s\n", command, e.what());
        return 1;
    }
    std::printf("Quillet's page: %s\n", address.c_str());
    std::fflush(stdout);
    if (!noBrowser && !openWithDesktop(address)) {
        std::fprintf(stderr, "quillet %s: cannot start a browser; open the address above\n",
                     command);
    }
    if (server.run()) {
        // The engine cannot be interrupted: leave at once; the movie is only ever renamed into
        // place, and the next run clears the working folder left behind.
        std::fprintf(stderr, "quillet %s: stopped during a conversion\n", command);
        std::fflush(stderr);
        ::_exit(130);
    }
    return 0;
}
#endif

// A deck's movie, or the movie itself; empty when it has not been written.
fs::path movieOf(const std::string& file) {
    if (file.empty()) return {};
    fs::path movie =
        fs::path(file).extension() == ".swf" ? fs::path(file) : fs::path(engine::swfPathFor(file));
    std::error_code error;
    if (movie.empty() || !fs::is_regular_file(movie, error)) return {};
    return fs::absolute(movie, error);
}

CLI::App* addPageCommand(CLI::App& app, const char* name, const char* description,
                         const std::shared_ptr<PageArguments>& a) {
    CLI::App* command = app.add_subcommand(name, description);
    command->add_flag("--no-browser", a->noBrowser,
                      "Only print the page's address instead of opening a browser");
    return command;
}

}  // namespace

void addPageCommands(CLI::App& app, int& exitCode) {
    auto convert = std::make_shared<PageArguments>();
    addPageCommand(app, "ui", "Open the convert page (options, progress, viewer, feedback)",
                   convert)
        ->callback([convert, &exitCode] {
            PageServerOptions options;
            std::error_code error;
            if (!convert->file.empty()) {
                if (!fs::is_regular_file(convert->file, error)) {
                    std::fprintf(stderr, "quillet ui: there is no presentation at %s\n",
                                 convert->file.c_str());
                    exitCode = 1;
                    return;
                }
                options.deck = fs::absolute(convert->file, error);
            }
            exitCode = servePages("ui", std::move(options), convert->noBrowser);
        })
        ->add_option("DECK", convert->file, "The presentation to convert (.pptx, .pptm, .ppsx)");

    auto view = std::make_shared<PageArguments>();
    addPageCommand(app, "view", "Play a movie in the viewer page", view)
        ->callback([view, &exitCode] {
            PageServerOptions options;
            options.firstPage = "viewer";
            options.movie = movieOf(view->file);
            if (options.movie.empty()) {
                std::fprintf(stderr, "quillet view: Can't find swf file %s\n", view->file.c_str());
                exitCode = 1;
                return;
            }
            exitCode = servePages("view", std::move(options), view->noBrowser);
        })
        ->add_option("MOVIE", view->file, "The movie (.swf)")
        ->required();

    auto feedback = std::make_shared<PageArguments>();
    addPageCommand(app, "feedback", "Open the feedback page for a presentation's movie", feedback)
        ->callback([feedback, &exitCode] {
            PageServerOptions options;
            options.firstPage = "feedback";
            options.movie = movieOf(feedback->file);
            exitCode = servePages("feedback", std::move(options), feedback->noBrowser);
        })
        ->add_option("FILE", feedback->file,
                     "The presentation or its movie (none: the page opens without a movie)");
}

}  // namespace quillet::app
