// `quillet settings` shows the saved conversion options; `quillet settings set NAME VALUE` changes
// one.
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

#include "app/commands.h"
#include "settings/settings.h"

namespace quillet::app {

namespace {

void printSettings(const std::filesystem::path& file) {
    const settings::SettingsReading reading = settings::readSettingsChecked(file);
    for (const std::string& warning : reading.warnings)
        std::fprintf(stderr, "quillet settings: warning: %s\n", warning.c_str());
    const settings::ConversionSettings& values = reading.values;
    if (file.empty()) {
        std::printf(
            "settings file: none, as neither $XDG_CONFIG_HOME nor $HOME is set (defaults)\n");
    } else {
        std::printf("settings file: %s%s\n", file.c_str(),
                    std::filesystem::exists(file) ? "" : " (not saved yet: defaults)");
    }
    const auto flag = [](bool value) { return value ? "1" : "0"; };
    std::printf("  %-18s %-10s (charsetIsAnsi)\n", "charset is Ansi", flag(values.charsetIsAnsi));
    std::printf("  %-18s %-10s (showFeedback)\n", "show feedback", flag(values.showFeedback));
    std::printf("  %-18s %-10s (showToolbar)\n", "show toolbar", flag(values.showToolbar));
    std::printf("  %-18s %-10s (convertTogether)\n", "convert together",
                flag(values.convertTogether));
    std::printf("  %-18s %-10f (slideShowDelay, seconds)\n", "SlideShow Delay",
                static_cast<double>(values.slideShowDelay));
    std::printf("  %-18s %-10f (shapeAutoDelay, seconds)\n", "Shape Auto Delay",
                static_cast<double>(values.shapeAutoDelay));
    std::printf("  %-18s %-10s (effects)\n", "effects", flag(values.effects));
    const std::string address = settings::readFeedbackAddress(file);
    std::printf("  %-18s %s\n", "feedbackAddress", address.empty() ? "(not set)" : address.c_str());
}

}  // namespace

void addSettingsCommand(CLI::App& app, int& exitCode) {
    CLI::App* command =
        app.add_subcommand("settings", "Show the saved conversion options, or change one");
    CLI::App* set =
        command->add_subcommand("set", "Save one option: quillet settings set NAME VALUE");
    auto arguments = std::make_shared<std::pair<std::string, std::string>>();
    set->add_option("NAME", arguments->first,
                    "charsetIsAnsi, showFeedback, showToolbar, convertTogether, "
                    "slideShowDelay, shapeAutoDelay, effects or feedbackAddress")
        ->required();
    set->add_option("VALUE", arguments->second,
                    "1 or 0 for a flag; seconds for a delay; a mail address")
        ->required();

    command->callback([set, arguments, &exitCode] {
        const std::filesystem::path file = settings::defaultSettingsFile();
        if (set->parsed()) {
            try {
                if (arguments->first == settings::kFeedbackAddress) {
                    settings::writeFeedbackAddress(file, arguments->second);
                } else {
                    // Only this value's line changes: values that could not be read are not
                    // replaced by defaults.
                    settings::saveNamedValue(file, arguments->first, arguments->second);
                }
            } catch (const std::exception& e) {
                std::fprintf(stderr, "quillet settings: %s\n", e.what());
                exitCode = 1;
                return;
            }
        }
        printSettings(file);
    });
}

}  // namespace quillet::app
