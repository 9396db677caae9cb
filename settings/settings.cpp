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

// One NAME=VALUE line of the file, with its number for messages.
struct Line {
    int number;
    std::string name;
    std::string value;
};

bool readLines(const std::filesystem::path& file, std::vector<Line>& lines) {
    std::error_code error;
    const auto size = std::filesystem::file_size(file, error);
    if (error || size > kMaxFileSize) return false;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto equals = line.find('=');
        if (equals == std::string::npos) continue;
        lines.push_back({number, line.substr(0, equals), line.substr(equals + 1)});
    }
    return true;
}

Values readValues(const std::filesystem::path& file) {
    Values values;
    std::vector<Line> lines;
    readLines(file, lines);
    // The first occurrence of a name counts, as a key holds one value of each name.
    for (auto& line : lines) values.emplace(std::move(line.name), std::move(line.value));
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

// The six options: stored name, the name the command line and the README use, and the field.
struct Key {
    std::string_view stored;
    std::string_view field;
    bool ConversionSettings::*flag;
    float ConversionSettings::*delay;
    DelayRange range;
};

constexpr Key kKeys[] = {
    {kCharsetIsAnsi, "charsetIsAnsi", &ConversionSettings::charsetIsAnsi, nullptr, {}},
    {kShowFeedback, "showFeedback", &ConversionSettings::showFeedback, nullptr, {}},
    {kShowToolbar, "showToolbar", &ConversionSettings::showToolbar, nullptr, {}},
    {kConvertTogether, "convertTogether", &ConversionSettings::convertTogether, nullptr, {}},
    {kSlideShowDelay, "slideShowDelay", nullptr, &ConversionSettings::slideShowDelay,
     kSlideShowDelayRange},
    {kShapeAutoDelay, "shapeAutoDelay", nullptr, &ConversionSettings::shapeAutoDelay,
     kShapeAutoDelayRange},
    {kEffects, "effects", &ConversionSettings::effects, nullptr, {}},
};

const Key* keyNamed(std::string_view name) {
    const std::string key = folded(name);
    for (const Key& k : kKeys)
        if (key == folded(k.stored)) return &k;
    return nullptr;
}

std::string numberText(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

}  // namespace

std::filesystem::path defaultSettingsFile() {
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    std::filesystem::path base;
    if (configHome != nullptr && *configHome == '/') {
        base = configHome;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || *home == '\0') return {};
        base = std::filesystem::path(home) / ".config";
    }
    return base / "quillet" / "settings";
}

std::string delayOutOfRange(std::string_view name, double seconds, DelayRange range) {
    if (seconds >= range.lowest && seconds <= range.highest) return {};
    return std::string(name) + " must lie between " + numberText(range.lowest) + " and " +
           numberText(range.highest) + " seconds (" + numberText(seconds) + " was given)";
}

SettingsReading readSettingsChecked(const std::filesystem::path& file) {
    SettingsReading reading;
    std::vector<Line> lines;
    if (file.empty() || !readLines(file, lines)) return reading;
    ConversionSettings& settings = reading.values;
    for (const Key& key : kKeys) {
        // The first occurrence of a name counts, as a key holds one value of each name.
        const auto line = std::find_if(lines.begin(), lines.end(),
                                       [&](const Line& l) { return l.name == key.stored; });
        if (line == lines.end()) continue;
        const auto warn = [&](const std::string& why, const std::string& fallback) {
            reading.warnings.push_back("settings file " + file.string() + ", line " +
                                       std::to_string(line->number) + " \"" + line->name + "=" +
                                       line->value + "\": " + why + "; " + std::string(key.field) +
                                       " keeps its default " + fallback);
        };
        if (key.flag != nullptr) {
            const auto number = parseInteger(line->value);
            if (number) {
                settings.*key.flag = *number == 1;
            } else {
                warn("not a flag (1 or 0)", settings.*key.flag ? "1" : "0");
            }
        } else {
            const auto seconds = parseDelay(line->value);
            if (seconds) {
                settings.*key.delay = *seconds;
            } else {
                warn("not a number of seconds", numberText(settings.*key.delay));
            }
        }
    }
    return reading;
}

ConversionSettings readSettings(const std::filesystem::path& file) {
    return readSettingsChecked(file).values;
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

    if (file.empty()) {
        throw std::runtime_error(
            "Cannot save the settings: neither $XDG_CONFIG_HOME nor $HOME is set, so there is "
            "no configuration folder");
    }
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

namespace {

// The key a name given by the user stands for, and the value's text as the file keeps it.
std::pair<const Key*, std::string> checkedValue(std::string_view name, std::string_view value) {
    const Key* key = keyNamed(name);
    if (key == nullptr) {
        std::string names;
        for (const Key& k : kKeys) names += std::string(k.field) + ", ";
        throw std::invalid_argument("unknown setting \"" + std::string(name) +
                                    "\"; the settings are: " + names.substr(0, names.size() - 2));
    }
    if (key->flag != nullptr) {
        const auto parsed = parseFlagWord(value);
        if (!parsed) {
            throw std::invalid_argument("\"" + std::string(value) +
                                        "\" is not a flag value for \"" + std::string(name) +
                                        "\" (use 1 or 0)");
        }
        return {key, *parsed ? "1" : "0"};
    }
    const auto parsed = parseDelay(value);
    if (!parsed) {
        throw std::invalid_argument("\"" + std::string(value) +
                                    "\" is not a number of seconds for \"" + std::string(name) +
                                    "\"");
    }
    const std::string outside = delayOutOfRange(key->field, *parsed, key->range);
    if (!outside.empty()) throw std::invalid_argument(outside);
    return {key, delayText(*parsed)};
}

}  // namespace

void setNamedValue(ConversionSettings& settings, std::string_view name, std::string_view value) {
    const auto [key, text] = checkedValue(name, value);
    if (key->flag != nullptr) {
        settings.*key->flag = text == "1";
    } else {
        settings.*key->delay = *parseDelay(text);
    }
}

void saveNamedValue(const std::filesystem::path& file, std::string_view name,
                    std::string_view value) {
    const auto [key, text] = checkedValue(name, value);
    replaceValues(file, {{key->stored, text}});
}

}  // namespace quillet::settings
