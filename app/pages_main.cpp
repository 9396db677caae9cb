// `quillet-pages`: the web pages' server, a program of its own so that the HTTP library and the
// TLS libraries it brings are loaded only by `quillet ui`, `view` and `feedback`, which run it in
// their place with the same arguments.
#include <cstdio>
#include <exception>

#include "app/commands.h"

int main(int argc, char** argv) {
    CLI::App app{"quillet-pages: serves quillet's local web pages"};
    app.set_version_flag("--version", "quillet " QUILLET_VERSION);
    app.require_subcommand(1);

    int exitCode = 0;
    quillet::app::addPageCommands(app, exitCode);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quillet: %s\n", e.what());
        return 1;
    }
    return exitCode;
}
