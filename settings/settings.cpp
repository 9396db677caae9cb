#include "settings/settings.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <utility>
#include <vector>

namespace quillet::settings {

namespace {

// The file holds six short lines; anything much larger is not ours and is not read.
constexpr std::uintmax_t kMaxFileSize = 64 * 1024;

using Values = std::map<std::string, std::string, std::less<>>;

Values readValues(const std::filesystem::path& file) {
    Values values;
    std::error_code error;
    const auto size = std::filesystem::file_size(file, error);
    if (error || size > kMaxFileSize) return values;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto equals = line.find('=');
        if (equals == std::string::npos) continue;
        // The first occurrence of a name counts, as a key holds one value of each name.
        values.emplace(line.substr(0, equals), line.substr(equals + 1));
    }
    return values;
}

std::optional<long> parseInteger(const std::string& text) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text.front()))) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || end != text.c_str() + text.size()) return std::nullopt;
    return value;
}

std::optional<float> parseDelay(std::string_view text) {
    const std::string copy(text);
    if (copy.empty() || std::isspace(static_cast<unsigned char>(copy.front()))) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (errno != 0 || end != copy.c_str() + copy.size() || !std::isfinite(value) ||
        std::fabs(value) > 1e9) {
        return std::nullopt;
    }
    return static_cast<float>(value);
}

std::string delayText(float seconds) {
    char text[64];
    std::snprintf(text, sizeof text, "%f", static_cast<double>(seconds));
    return text;
}

std::optional<bool> parseFlagWord(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "1" || lower == "true" || lower == "on" || lower == "yes") return true;
    if (lower == "0" || lower == "false" || lower == "off" || lower == "no") return false;
    return std::nullopt;
}

std::string folded(std::string_view name) {
    std::string result;
    for (const char c : name) {
        if (c != ' ' && c != '-' && c != '_') {
            result += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return result;
}

}  // namespace

std::filesystem::path defaultSettingsFile() {
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    std::filesystem::path base;
    if (configHome != nullptr && *configHome == '/') {
        base = configHome;
    } else {
        const char* home = std::getenv("HOME");
        base = std::filesystem::path(home != nullptr && *home != '\0' ? home : ".") / ".config";
    }
    return base / "quillet" / "settings";
}

ConversionSettings readSettings(const std::filesystem::path& file) {
    ConversionSettings settings;
    const Values values = readValues(file);

    // Each step reads one value; the first that fails ends the reading.
    const auto readFlag = [&](std::string_view name, bool& flag) {
        const auto found = values.find(name);
        if (found == values.end()) return false;
        const auto number = parseInteger(found->second);
        if (!number) return false;
        flag = *number == 1;
        return true;
    };
    const auto readDelay = [&](std::string_view name, float& delay) {
        const auto found = values.find(name);
        if (found == values.end()) return false;
        const auto seconds = parseDelay(found->second);
        if (!seconds) return false;
        delay = *seconds;
        return true;
    };
    readFlag(kCharsetIsAnsi, settings.charsetIsAnsi) &&
        readFlag(kShowFeedback, settings.showFeedback) &&
        readFlag(kShowToolbar, settings.showToolbar) &&
        readFlag(kConvertTogether, settings.convertTogether) &&
        readDelay(kSlideShowDelay, settings.slideShowDelay) &&
        readDelay(kShapeAutoDelay, settings.shapeAutoDelay);
    readFlag(kEffects, settings.effects);
    return settings;
}

namespace {

// Replaces the named values in the file (through a temporary file and a rename), keeping every
// other line it holds in its place.
void replaceValues(const std::filesystem::path& file,
                   const std::vector<std::pair<std::string_view, std::string>>& replaced) {
    const auto isReplaced = [&](std::string_view name) {
        return std::any_of(replaced.begin(), replaced.end(),
                           [&](const auto& value) { return value.first == name; });
    };
    std::ostringstream text;
    std::error_code error;
    const auto size = std::filesystem::file_size(file, error);
    if (!error && size <= kMaxFileSize) {
        std::ifstream in(file, std::ios::binary);
        std::string line;
        while (std::getline(in, line)) {
            const auto equals = line.find('=');
            const std::string_view name =
                std::string_view(line).substr(0, equals == std::string::npos ? 0 : equals);
            if (equals != std::string::npos && !isReplaced(name)) text << line << '\n';
        }
    }
    for (const auto& [name, value] : replaced) text << name << '=' << value << '\n';

    const auto failure = [&](const std::string& what) {
        return std::runtime_error("Cannot save the settings to " + file.string() + ": " + what);
    };
    if (file.has_parent_path()) {
        std::filesystem::create_directories(file.parent_path(), error);
        if (error) throw failure(error.message());
    }
    std::filesystem::path temporary = file;
    temporary += ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        const std::string bytes = text.str();
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::filesystem::remove(temporary, error);
            throw failure("cannot write the file");
        }
    }
    std::filesystem::rename(temporary, file, error);
    if (error) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        throw failure(error.message());
    }
}

}  // namespace

void writeSettings(const std::filesystem::path& file, const ConversionSettings& settings) {
    const auto flag = [](bool value) { return std::string(value ? "1" : "0"); };
    replaceValues(file, {{kCharsetIsAnsi, flag(settings.charsetIsAnsi)},
                         {kShowFeedback, flag(settings.showFeedback)},
                         {kShowToolbar, flag(settings.showToolbar)},
                         {kConvertTogether, flag(settings.convertTogether)},
                         {kSlideShowDelay, delayText(settings.slideShowDelay)},
                         {kShapeAutoDelay, delayText(settings.shapeAutoDelay)},
                         {kEffects, flag(settings.effects)}});
}

std::string readFeedbackAddress(const std::filesystem::path& file) {
    const Values values = readValues(file);
    const auto found = values.find(kFeedbackAddress);
    return found == values.end() ? std::string() : found->second;
}

void writeFeedbackAddress(const std::filesystem::path& file, std::string_view address) {
    if (address.size() > 320 || address.find_first_of("\r\n") != std::string_view::npos) {
        throw std::invalid_argument(
            "the feedback address must be one line of at most 320 "
            "characters");
    }
    replaceValues(file, {{kFeedbackAddress, std::string(address)}});
}

SettingsSource::SettingsSource(std::filesystem::path file, SettingsOverrides overrides)
    : file_(std::move(file)), overrides_(overrides) {}

ConversionSettings SettingsSource::read() const {
    ConversionSettings settings = readSettings(file_);
    if (overrides_.charsetIsAnsi) settings.charsetIsAnsi = *overrides_.charsetIsAnsi;
    if (overrides_.showToolbar) settings.showToolbar = *overrides_.showToolbar;
    if (overrides_.slideShowDelay) settings.slideShowDelay = *overrides_.slideShowDelay;
    if (overrides_.shapeAutoDelay) settings.shapeAutoDelay = *overrides_.shapeAutoDelay;
    if (overrides_.effects) settings.effects = *overrides_.effects;
    return settings;
}

int delayFrames(float seconds, float frameRate) {
    return static_cast<int>(seconds * frameRate + 0.5f);
}

void setNamedValue(ConversionSettings& settings, std::string_view name, std::string_view value) {
    const std::string key = folded(name);
    const auto setFlag = [&](bool& flag) {
        const auto parsed = parseFlagWord(value);
        if (!parsed) {
            throw std::invalid_argument("\"" + std::string(value) +
                                        "\" is not a flag value for \"" + std::string(name) +
                                        "\" (use 1 or 0)");
        }
        flag = *parsed;
    };
    const auto setDelay = [&](float& delay) {
        const auto parsed = parseDelay(value);
        if (!parsed) {
            throw std::invalid_argument("\"" + std::string(value) +
                                        "\" is not a number of seconds for \"" + std::string(name) +
                                        "\"");
        }
        delay = *parsed;
    };
    if (key == folded(kCharsetIsAnsi)) {
        setFlag(settings.charsetIsAnsi);
    } else if (key == folded(kShowFeedback)) {
        setFlag(settings.showFeedback);
    } else if (key == folded(kShowToolbar)) {
        setFlag(settings.showToolbar);
    } else if (key == folded(kConvertTogether)) {
        setFlag(settings.convertTogether);
    } else if (key == folded(kSlideShowDelay)) {
        setDelay(settings.slideShowDelay);
    } else if (key == folded(kShapeAutoDelay)) {
        setDelay(settings.shapeAutoDelay);
    } else if (key == folded(kEffects)) {
        setFlag(settings.effects);
    } else {
        throw std::invalid_argument(
            "unknown setting \"" + std::string(name) +
            "\"; the settings are: charsetIsAnsi, showFeedback, showToolbar, "
            "convertTogether, slideShowDelay, shapeAutoDelay, effects");
    }
}

}  // namespace quillet::settings
