// The subcommands of the `quillet` command. Each registers its options and its callback on the
// application; the callback sets the process exit code through the given reference.
#pragma once

#include <CLI/CLI.hpp>

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

}  // namespace quillet::app
