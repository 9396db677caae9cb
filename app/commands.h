// The subcommands of the `quillet` command. Each registers its options and its callback on the
// application; the callback sets the process exit code through the given reference.
#pragma once

#include <CLI/CLI.hpp>

#include <cstdio>
#include <exception>

namespace quillet::app {

// The exit status of convert, render and inspect when they did their work but something of the
// deck (a slide, a picture, a part) had to be left out; each item is named in a warning.
inline constexpr int LeftOutStatus = 3;

void addConvertCommand(CLI::App& app, int& exitCode);
void addDemoCommand(CLI::App& app, int& exitCode);
void addInspectCommand(CLI::App& app, int& exitCode);
void addRenderCommand(CLI::App& app, int& exitCode);
void addInfoCommand(CLI::App& app, int& exitCode);
// ui, view and feedback: the local web pages.
void addPageCommands(CLI::App& app, int& exitCode);
// register and unregister: the desktop entry.
void addRegisterCommands(CLI::App& app, int& exitCode);
void addSettingsCommand(CLI::App& app, int& exitCode);

// Parses the command line with its subcommands added and runs the one named (--version answers,
// one subcommand is required). Returns the exit code the subcommand left in exitCode; CLI11's for
// --help and usage errors; 1, with the message on standard error, when the subcommand threw.
inline int runCommandLine(CLI::App& app, int argc, char** argv, const int& exitCode) {
    app.set_version_flag("--version", "quillet " QUILLET_VERSION);
    app.require_subcommand(1);
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

}  // namespace quillet::app
