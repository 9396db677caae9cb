#include "settings/settings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

namespace quillet::settings {
namespace {

namespace fs = std::filesystem;

class SettingsFile : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("quillet-settings-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        file_ = folder_ / "quillet" / "settings";
    }
    void TearDown() override { fs::remove_all(folder_); }

    void store(const std::string& text) {
        fs::create_directories(file_.parent_path());
        std::ofstream(file_, std::ios::binary) << text;
    }
    std::string stored() const {
        std::ifstream in(file_, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path folder_;
    fs::path file_;
};

TEST_F(SettingsFile, AbsentFileGivesTheDefaults) {
    const ConversionSettings settings = readSettings(file_);
    EXPECT_TRUE(settings.charsetIsAnsi);
    EXPECT_TRUE(settings.showFeedback);
    EXPECT_TRUE(settings.showToolbar);
    EXPECT_TRUE(settings.convertTogether);
    EXPECT_EQ(settings.slideShowDelay, 2.0f);
    EXPECT_EQ(settings.shapeAutoDelay, 2.0f);
}

TEST_F(SettingsFile, WritesEveryValueUnderItsNameAndReadsItBack) {
    ConversionSettings written;
    written.charsetIsAnsi = false;
    written.showToolbar = false;
    written.slideShowDelay = 1.5f;
    written.shapeAutoDelay = 0.25f;
    written.effects = false;
    writeSettings(file_, written);
    EXPECT_EQ(stored(),
              "charset is Ansi=0\nshow feedback=1\nshow toolbar=0\nconvert together=1\n"
              "SlideShow Delay=1.500000\nShape Auto Delay=0.250000\neffects=0\n");
    EXPECT_EQ(readSettings(file_), written);
    // The temporary file of the write is gone.
    EXPECT_EQ(std::distance(fs::directory_iterator(file_.parent_path()), fs::directory_iterator()),
              1);
}

TEST_F(SettingsFile, TheFeedbackAddressSurvivesSavingTheOptionsAndTheOtherWayRound) {
    EXPECT_EQ(readFeedbackAddress(file_), "");
    writeFeedbackAddress(file_, "team@example.org");
    ConversionSettings written;
    written.slideShowDelay = 3.5f;
    writeSettings(file_, written);
    EXPECT_EQ(readFeedbackAddress(file_), "team@example.org");
    writeFeedbackAddress(file_, "other@example.org");
    EXPECT_EQ(readSettings(file_), written);
    EXPECT_EQ(readFeedbackAddress(file_), "other@example.org");
    EXPECT_THROW(writeFeedbackAddress(file_, "a@b\nBcc: c@d"), std::invalid_argument);
}

TEST_F(SettingsFile, EachValueIsReadOnItsOwnAndABadLineIsNamed) {
    // "show feedback" is missing and two values cannot be read: every other value is still read.
    store(
        "charset is Ansi=0\nshow toolbar=x1\nconvert together=0\nSlideShow Delay=soon\n"
        "Shape Auto Delay=5.5\n");
    const SettingsReading reading = readSettingsChecked(file_);
    EXPECT_FALSE(reading.values.charsetIsAnsi);
    EXPECT_TRUE(reading.values.showFeedback);
    EXPECT_TRUE(reading.values.showToolbar);
    EXPECT_FALSE(reading.values.convertTogether);
    EXPECT_EQ(reading.values.slideShowDelay, 2.0f);
    EXPECT_EQ(reading.values.shapeAutoDelay, 5.5f);
    ASSERT_EQ(reading.warnings.size(), 2u);
    EXPECT_EQ(reading.warnings[0], "settings file " + file_.string() +
                                       ", line 2 \"show toolbar=x1\": not a flag (1 or 0); "
                                       "showToolbar keeps its default 1");
    EXPECT_EQ(reading.warnings[1], "settings file " + file_.string() +
                                       ", line 4 \"SlideShow Delay=soon\": not a number of "
                                       "seconds; slideShowDelay keeps its default 2");
}

TEST_F(SettingsFile, SavingOneValueLeavesTheOtherLinesAsTheyAre) {
    store("charset is Ansi=0\nSlideShow Delay=soon\nShape Auto Delay=5.500000\neffects=off\n");
    saveNamedValue(file_, "showToolbar", "off");
    saveNamedValue(file_, "Shape Auto Delay", "1.25");
    EXPECT_EQ(stored(),
              "charset is Ansi=0\nSlideShow Delay=soon\neffects=off\nshow toolbar=0\n"
              "Shape Auto Delay=1.250000\n");
    // Refused values leave the file alone.
    EXPECT_THROW(saveNamedValue(file_, "slideShowDelay", "1e9"), std::invalid_argument);
    EXPECT_THROW(saveNamedValue(file_, "showFeedback", "maybe"), std::invalid_argument);
    EXPECT_NE(stored().find("SlideShow Delay=soon\n"), std::string::npos);
}

TEST_F(SettingsFile, EffectsAreReadOnTheirOwnAndStayOnWhenAbsent) {
    // A file written before the effects value existed keeps them on.
    store("charset is Ansi=0\nshow feedback=0\n");
    EXPECT_TRUE(readSettings(file_).effects);
    // Unlike the six, it does not depend on the values before it.
    store("charset is Ansi=x\neffects=0\n");
    EXPECT_FALSE(readSettings(file_).effects);
    store("effects=1\n");
    EXPECT_TRUE(readSettings(file_).effects);
    SettingsOverrides off;
    off.effects = false;
    EXPECT_FALSE(SettingsSource(file_, off).read().effects);
    EXPECT_TRUE(readSettings(file_).effects);
}

TEST_F(SettingsFile, AFlagIsTrueOnlyWhenItReadsOne) {
    store(
        "charset is Ansi=2\nshow feedback=-1\nshow toolbar=1\nconvert together=0\n"
        "SlideShow Delay=3\nShape Auto Delay=4.5\r\n");
    const ConversionSettings settings = readSettings(file_);
    EXPECT_FALSE(settings.charsetIsAnsi);
    EXPECT_FALSE(settings.showFeedback);
    EXPECT_TRUE(settings.showToolbar);
    EXPECT_FALSE(settings.convertTogether);
    EXPECT_EQ(settings.slideShowDelay, 3.0f);
    EXPECT_EQ(settings.shapeAutoDelay, 4.5f);
}

TEST_F(SettingsFile, ForeignAndOversizedFilesGiveTheDefaults) {
    store("nan\n=\n==\nSlideShow Delay\ncharset is Ansi=0\nSlideShow Delay=nan\n");
    EXPECT_FALSE(readSettings(file_).charsetIsAnsi);
    store(std::string(100 * 1024, 'x') + "\ncharset is Ansi=0\n");
    EXPECT_TRUE(readSettings(file_).charsetIsAnsi);
    fs::remove(file_);
    fs::create_directories(file_);  // a folder where the file should be
    EXPECT_EQ(readSettings(file_), ConversionSettings{});
}

TEST_F(SettingsFile, AFailedWriteSaysWhyAndKeepsTheOldFile) {
    store("charset is Ansi=0\n");
    const fs::path blocked = folder_ / "blocked";
    std::ofstream(blocked) << "a file, not a folder";
    try {
        writeSettings(blocked / "settings", ConversionSettings{});
        ADD_FAILURE() << "saving into a file as if it were a folder succeeded";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("Cannot save the settings to"), std::string::npos);
    }
    EXPECT_FALSE(readSettings(file_).charsetIsAnsi);
}

TEST_F(SettingsFile, OverridesApplyToThisRunOnly) {
    store(
        "charset is Ansi=1\nshow feedback=1\nshow toolbar=1\nconvert together=1\n"
        "SlideShow Delay=4.000000\nShape Auto Delay=1.000000\n");
    const SettingsSource source(
        file_, SettingsOverrides{false, std::nullopt, 9.0f, std::nullopt, std::nullopt});
    ConversionSettings settings = source.read();
    EXPECT_FALSE(settings.charsetIsAnsi);
    EXPECT_TRUE(settings.showToolbar);
    EXPECT_EQ(settings.slideShowDelay, 9.0f);
    EXPECT_EQ(settings.shapeAutoDelay, 1.0f);
    EXPECT_TRUE(readSettings(file_).charsetIsAnsi);

    // Every read sees what was saved last.
    store("charset is Ansi=1\nshow feedback=1\nshow toolbar=0\n");
    EXPECT_FALSE(source.read().showToolbar);
}

TEST(SettingsDefaults, FileFollowsTheConfigurationHome) {
    const auto saved = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
    };
    const auto restore = [](const char* name, const std::optional<std::string>& value) {
        if (value) {
            ::setenv(name, value->c_str(), 1);
        } else {
            ::unsetenv(name);
        }
    };
    const auto configHome = saved("XDG_CONFIG_HOME");
    const auto home = saved("HOME");
    ::setenv("XDG_CONFIG_HOME", "/tmp/config-home", 1);
    EXPECT_EQ(defaultSettingsFile(), fs::path("/tmp/config-home/quillet/settings"));
    ::setenv("XDG_CONFIG_HOME", "relative", 1);  // not absolute: ignored, as the convention says
    ::setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(defaultSettingsFile(), fs::path("/home/someone/.config/quillet/settings"));
    // Neither: no file, rather than one in whatever folder we were started from.
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("HOME");
    EXPECT_EQ(defaultSettingsFile(), fs::path());
    EXPECT_EQ(readSettings(defaultSettingsFile()), ConversionSettings{});
    try {
        writeSettings(defaultSettingsFile(), ConversionSettings{});
        ADD_FAILURE() << "saving without a configuration folder succeeded";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("neither $XDG_CONFIG_HOME nor $HOME is set"),
                  std::string::npos)
            << e.what();
    }
    restore("XDG_CONFIG_HOME", configHome);
    restore("HOME", home);
}

TEST(SettingsDelays, BecomeFrameCountsRoundedHalfUp) {
    for (auto [seconds, frames] :
         {std::pair{2.0f, 40}, {0.0f, 0}, {0.024f, 0}, {0.025f, 1}, {20.0f, 400}}) {
        EXPECT_EQ(delayFrames(seconds, 20.0f), frames) << seconds;
    }
}

TEST(SettingsNames, SetByStoredOrFieldName) {
    ConversionSettings settings;
    setNamedValue(settings, "slideShowDelay", "1.5");
    setNamedValue(settings, "Shape Auto Delay", "0");
    setNamedValue(settings, "charsetIsAnsi", "off");
    setNamedValue(settings, "show-toolbar", "0");
    setNamedValue(settings, "convert together", "no");
    setNamedValue(settings, "effects", "off");
    EXPECT_FALSE(settings.effects);
    EXPECT_EQ(settings.slideShowDelay, 1.5f);
    EXPECT_EQ(settings.shapeAutoDelay, 0.0f);
    EXPECT_FALSE(settings.charsetIsAnsi);
    EXPECT_FALSE(settings.showToolbar);
    EXPECT_FALSE(settings.convertTogether);
    EXPECT_THROW(setNamedValue(settings, "frameRate", "30"), std::invalid_argument);
    EXPECT_THROW(setNamedValue(settings, "showFeedback", "maybe"), std::invalid_argument);
    EXPECT_THROW(setNamedValue(settings, "slideShowDelay", "inf"), std::invalid_argument);
    EXPECT_THROW(setNamedValue(settings, "slideShowDelay", ""), std::invalid_argument);
    EXPECT_TRUE(settings.showFeedback);
}

TEST(SettingsNames, DelaysOutsideTheirRangeAreRefusedWithTheRange) {
    struct Case {
        const char* name;
        const char* value;
        const char* message;  // empty: accepted
    };
    const Case cases[] = {
        {"slideShowDelay", "-5", "slideShowDelay must lie between 0 and 20 seconds (-5 was given)"},
        {"slideShowDelay", "1e9",
         "slideShowDelay must lie between 0 and 20 seconds (1e+09 was given)"},
        {"slideShowDelay", "20", ""},
        {"slideShowDelay", "0", ""},
        {"Shape Auto Delay", "30",
         "shapeAutoDelay must lie between 0 and 10 seconds (30 was given)"},
        {"shapeAutoDelay", "10.5",
         "shapeAutoDelay must lie between 0 and 10 seconds (10.5 was given)"},
        {"shapeAutoDelay", "10", ""},
    };
    for (const Case& c : cases) {
        ConversionSettings settings;
        std::string message;
        try {
            setNamedValue(settings, c.name, c.value);
        } catch (const std::invalid_argument& e) {
            message = e.what();
        }
        EXPECT_EQ(message, c.message) << c.name << " " << c.value;
    }
}

}  // namespace
}  // namespace quillet::settings
