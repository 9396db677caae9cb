// The six conversion options, kept in a small text file of their own under the user's
// configuration folder. Every consumer reads them where it needs a value (nothing is cached), so a
// value saved just before a conversion governs all of it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::settings {

struct ConversionSettings {
    bool charsetIsAnsi = true;
    bool showFeedback = true;
    bool showToolbar = true;
    bool convertTogether = true;
    float slideShowDelay = 2.0f;  // seconds; its consumer clamps to 0..20
    float shapeAutoDelay = 2.0f;  // seconds; its consumer clamps to 0..10
    // Slide transitions and entry effects; off builds static slides.
    bool effects = true;

    bool operator==(const ConversionSettings&) const = default;
};

// The names the values are stored under, in read and write order.
inline constexpr std::string_view kCharsetIsAnsi = "charset is Ansi";
inline constexpr std::string_view kShowFeedback = "show feedback";
inline constexpr std::string_view kShowToolbar = "show toolbar";
inline constexpr std::string_view kConvertTogether = "convert together";
inline constexpr std::string_view kSlideShowDelay = "SlideShow Delay";
inline constexpr std::string_view kShapeAutoDelay = "Shape Auto Delay";
// Read on its own after the six (a file written before it existed keeps the default, on).
inline constexpr std::string_view kEffects = "effects";

// $XDG_CONFIG_HOME/quillet/settings, or ~/.config/quillet/settings without it; empty when
// neither $XDG_CONFIG_HOME (absolute) nor $HOME is set: there is then no file to read (the
// defaults hold) and saving fails with a message saying so.
std::filesystem::path defaultSettingsFile();

// The delays' accepted ranges in seconds (their consumers clamp to the same ranges).
struct DelayRange {
    float lowest;
    float highest;
};
inline constexpr DelayRange kSlideShowDelayRange{0.0f, 20.0f};
inline constexpr DelayRange kShapeAutoDelayRange{0.0f, 10.0f};
// Empty when `seconds` lies in the range; otherwise why not, naming `name` and the range.
std::string delayOutOfRange(std::string_view name, double seconds, DelayRange range);

// The values read from the file and, for each line that could not be read, a warning that
// names the file, the line and the default used instead.
struct SettingsReading {
    ConversionSettings values;
    std::vector<std::string> warnings;
};

// Defaults first; then each value on its own: a value that is absent or cannot be read keeps its
// default (with a warning when it is there but unreadable) and the others are read all the same.
// A flag is true exactly when it reads as the number 1. A missing or unreadable file yields the
// defaults.
SettingsReading readSettingsChecked(const std::filesystem::path& file);
ConversionSettings readSettings(const std::filesystem::path& file);

// Writes all six values (flags as 1 or 0, delays as "%f" text) through a temporary file and a
// rename, creating the folder; other values the file holds (the feedback address) are kept.
// Throws std::runtime_error with a message naming the file when the file cannot be written; the
// previous file is then left as it was.
void writeSettings(const std::filesystem::path& file, const ConversionSettings& settings);

// Where feedback mail goes: kept in the same file beside the six options, not one of them (it
// does not take part in a conversion). Empty when not set.
inline constexpr std::string_view kFeedbackAddress = "feedbackAddress";
std::string readFeedbackAddress(const std::filesystem::path& file);
// Saves the address, keeping the other values. Throws std::invalid_argument for an address that
// does not fit on one line or is longer than 320 characters, std::runtime_error as writeSettings.
void writeFeedbackAddress(const std::filesystem::path& file, std::string_view address);

// Command-line values that override the saved ones for one run, without being saved.
struct SettingsOverrides {
    std::optional<bool> charsetIsAnsi;
    std::optional<bool> showToolbar;
    std::optional<float> slideShowDelay;
    std::optional<float> shapeAutoDelay;
    std::optional<bool> effects;
};

// What the engine holds: the file it reads at every use, and this run's overrides.
class SettingsSource {
  public:
    explicit SettingsSource(std::filesystem::path file, SettingsOverrides overrides = {});

    ConversionSettings read() const;
    const std::filesystem::path& file() const { return file_; }
    const SettingsOverrides& overrides() const { return overrides_; }

  private:
    std::filesystem::path file_;
    SettingsOverrides overrides_;
};

// A delay as a frame count: seconds x rate + 0.5, truncated.
int delayFrames(float seconds, float frameRate);

// Sets one value given by its stored name or its field name ("SlideShow Delay" or
// "slideShowDelay"); flags take 1/0, true/false, on/off, yes/no; delays a decimal number within
// their range. Throws std::invalid_argument with a message for an unknown name, an unreadable
// value or a delay out of range.
void setNamedValue(ConversionSettings& settings, std::string_view name, std::string_view value);

// Saves one value as setNamedValue reads it, replacing that line of the file only: the other
// lines, readable or not, stay as they are. Throws as setNamedValue and as writeSettings.
void saveNamedValue(const std::filesystem::path& file, std::string_view name,
                    std::string_view value);

}  // namespace quillet::settings
