#include <cstdio>
#include <exception>

#include "app/commands.h"

int main(int argc, char** argv) {
    CLI::App app{"quillet: turns a presentation into one self-contained SWF movie"};
    app.set_version_flag("--version", "quillet " QUILLET_VERSION);
    app.require_subcommand(1);

    int exitCode = 0;
    quillet::app::addConvertCommand(app, exitCode);
    quillet::app::addDemoCommand(app, exitCode);
    quillet::app::addInfoCommand(app, exitCode);
    quillet::app::addInspectCommand(app, exitCode);
    quillet::app::addPageCommands(app, exitCode);
    quillet::app::addRegisterCommands(app, exitCode);
    quillet::app::addRenderCommand(app, exitCode);
    quillet::app::addSettingsCommand(app, exitCode);

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
