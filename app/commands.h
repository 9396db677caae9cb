// The subcommands of the `quillet` command. Each registers its options and its callback on the
// application; the callback sets the process exit code through the given reference.
#pragma once

#include <CLI/CLI.hpp>

namespace quillet::app {

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
